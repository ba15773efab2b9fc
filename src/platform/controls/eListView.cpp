#include "platform/controls/eListView.h"

#include "platform/controls/eListViewModel.h"
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "platform/database/BrandleCursor.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/VbKeys.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QHBoxLayout>

#include <algorithm>

eListView::Workers& eListView::workers()
{
    if (!m_workers)
        m_workers = std::make_unique<Workers>();
    m_workers->start();
    return *m_workers;
}

void eListView::cancelJob()
{
    const JobPtr& job = m_model->job;
    if (!job)
        return;
    job->cursorToken->store(true);
    job->countToken->store(true);
    job->seekToken->store(true);
    if (!m_workers || !m_workers->started)
        return;
    m_workers->cursor->cancel(job->cursorToken);
    m_workers->reverse->cancel(job->cursorToken);
    m_workers->count->cancel(job->countToken);
    m_workers->seek->cancel(job->seekToken);
}


// ---------------------------------------------------------------- the control

eListView::eListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("eListView"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_grid = new QTableView(this);
    m_model = new ListQueryModel(this);
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setAlternatingRowColors(true);
    m_grid->setWordWrap(false);
    m_grid->setCornerButtonEnabled(false);
    m_grid->setContextMenuPolicy(Qt::PreventContextMenu);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setSortIndicatorShown(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    layout->addWidget(m_grid);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setObjectName(QStringLiteral("eListViewScrollBar"));
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->hide();
    layout->addWidget(m_scroll);
    connect(m_scroll, &QScrollBar::valueChanged, this, &eListView::onScrollBarMoved);
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &eListView::onGridScrolled);
    setFocusProxy(m_grid);
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { ClickHeader(section + 1); });
    // A user's own choice of row wins over a selection by id still being looked for.
    connect(m_grid, &QAbstractItemView::pressed, this, [this] { m_pendingSelectId = 0; });
}

eListView::~eListView()
{
    cancelJob();
    if (!m_loadReported)
        SetScreenMousePointer(vbDefault);
    if (m_workers)
        m_workers->stop();
}

void eListView::Connect(const QString& server, const QString& user, const QString& password, const QString& database)
{
    m_server = server;
    m_user = user;
    m_password = password;
    m_database = database;
}

void eListView::Configure(int32_t batchSize) { m_model->batch = std::max<int32_t>(1, batchSize); }

int32_t eListView::BatchSize() const { return m_model->batch; }

void eListView::SetView(const QString& viewName, const QString& sqlSelect, const QString& sqlFrom,
                        const QString& sqlFromEx, const QString& columnString)
{
    QStringList missing;
    if (sqlSelect.trimmed().isEmpty())
        missing << QStringLiteral("SELECT list");
    if (sqlFrom.trimmed().isEmpty())
        missing << QStringLiteral("FROM clause");
    if (!missing.isEmpty())
        RaiseError(vberr::ProgramDefined,
                   QStringLiteral("The view '%1' cannot be listed: its SQL is missing (%2). Save the view again to "
                                  "rebuild it.")
                       .arg(viewName, missing.join(QStringLiteral(" and "))));
    std::vector<ColumnDef> columns = ParseColumnString(columnString);
    if (columns.size() > static_cast<size_t>(kMaxColumns))
        RaiseError(vberr::ProgramDefined, QStringLiteral("The view '%1' has %2 columns; a list shows at most %3.")
                                              .arg(viewName)
                                              .arg(columns.size())
                                              .arg(kMaxColumns));
    cancelJob();
    m_viewName = viewName;
    m_select = sqlSelect;
    m_from = sqlFrom;
    m_fromEx = sqlFromEx;
    m_columnString = columnString;
    m_sortColumn = 0;
    m_sortDescending = false;
    m_grid->horizontalHeader()->setSortIndicatorShown(false);
    m_model->resetAll(std::move(columns));
    m_columnsSized = false;
}

void eListView::SetColumnKinds(const std::vector<ColumnKind>& kinds)
{
    for (size_t c = 0; c < m_model->columns.size(); ++c)
        m_model->columns[c].kind = c < kinds.size() ? kinds[c] : ColumnKind::Text;
    if (m_model->rows > 0 && !m_model->columns.empty())
        emit m_model->dataChanged(m_model->index(0, 0),
                                  m_model->index(m_model->rows - 1, static_cast<int>(m_model->columns.size()) - 1));
}

void eListView::SetFilter(const QString& where, bool usesExtendedFrom)
{
    m_where = where;
    m_useFromEx = usesExtendedFrom;
}

void eListView::RunQuery()
{
    QString statement = m_select + QLatin1Char(' ') + m_from;
    if (m_useFromEx && !m_fromEx.isEmpty())
        statement += QLatin1Char(' ') + m_fromEx;
    if (!m_where.isEmpty())
        statement += QLatin1Char(' ') + m_where;
    // A WHERE text's own order is the list's without a header sort; the cursors
    // end it in the row id, which breaks its ties.
    m_ownOrder = OwnOrderByPosition(m_where) >= 0;
    m_statement = statement;
    runCurrentQuery(false);
}

void eListView::runCurrentQuery(bool keepCount)
{
    const int64_t knownTotal = keepCount ? m_model->total : -1;
    const bool countKnown = keepCount && knownTotal >= 0 && m_loadReported;
    cancelJob();
    m_model->clearRows();
    if (!keepCount)
        m_loadReported = false;

    auto job = std::make_shared<ListJob>();
    job->connect = ConnectInfo{m_server, m_user, m_password, m_database};
    job->query = m_statement;
    job->batch = m_model->batch;
    if (m_sortColumn > 0)
        job->order = {BrandleSortKey{m_sortColumn, m_sortDescending}, BrandleSortKey{0, false}};
    else if (!m_ownOrder)
        job->order = {BrandleSortKey{0, false}};
    for (const BrandleSortKey& k : job->order)
        job->reverseOrder.push_back(BrandleSortKey{k.field, !k.descending});
    m_model->job = job;

    if (countKnown) {
        m_model->total = knownTotal;
        m_model->setResultRows(knownTotal);
    } else {
        Workers& w = workers();
        QPointer<eListView> self(this);
        QueryWorker* worker = w.count;
        QMetaObject::invokeMethod(worker, [worker, job, self] {
            if (job->countToken->load())
                return;
            try {
                RunQueryThreadFault();
                const int64_t n = worker->connection(job->connect).CountRows(job->query, job->countToken);
                QMetaObject::invokeMethod(self.data(), [self, job, n] {
                    if (self && self->m_model->job == job)
                        self->onCountKnown(n);
                }, Qt::QueuedConnection);
            } catch (...) {
                // Any failure (out of memory as much as a database error) ends the
                // load as a failed query, so that the window hears of it.
                const AppError e = QueryFailure(std::current_exception());
                if (IsCancelled(e))
                    return;
                const QString message = e.description();
                QMetaObject::invokeMethod(self.data(), [self, job, message] {
                    if (self && self->m_model->job == job)
                        self->onLoadFailed(message);
                }, Qt::QueuedConnection);
            }
        }, Qt::QueuedConnection);
    }
    m_model->requestPage(0, true);
}

void eListView::onCountKnown(int64_t count)
{
    ListQueryModel& m = *m_model;
    if (m.job) {
        // The cursor may have met the end of the result first; its count stands.
        if (m.total < 0) {
            m.total = count;
            m.setResultRows(count);
        }
        if (m_workers && m_workers->started)
            m_workers->count->cancel(m.job->countToken);
    }
    if (!m_loadReported) {
        m_loadReported = true;
        emit LoadComplete(static_cast<int32_t>(std::min<int64_t>(m.total >= 0 ? m.total : count, INT32_MAX)));
    }
}

void eListView::onLoadFailed(const QString& message)
{
    // Also when the count came first and a later batch fails: the rows go, so the
    // window must hear of it and learn that none are left.
    cancelJob();
    m_model->clearRows();
    m_loadReported = true;
    MsgBox(message, vbExclamation, QStringLiteral("Attention Required"));
    emit LoadComplete(0);
}

void eListView::ClearRows()
{
    cancelJob();
    m_model->clearRows();
    m_pendingSelectId = 0;
    if (!m_loadReported) {
        m_loadReported = true;
        SetScreenMousePointer(vbDefault);
    }
}

void eListView::ClickHeader(int column)
{
    if (column < 1 || column > static_cast<int>(m_model->columns.size()) || m_model->resultRows == 0 ||
        m_statement.isEmpty())
        return;
    if (column == m_sortColumn) {
        m_sortDescending = !m_sortDescending;
    } else {
        m_sortColumn = column;
        m_sortDescending = false;
    }
    QHeaderView* header = m_grid->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column - 1, m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    // A new order shows its top; the selected row stays selected wherever it now lies.
    const int32_t selected = SelectedID();
    runCurrentQuery(true);
    m_grid->scrollToTop();
    updateScrollBar();
    if (selected > 0) {
        m_pendingSelectId = selected;
        m_pendingKeepTop = true;
    }
}

int64_t eListView::selectedRow() const
{
    QItemSelectionModel* sel = m_grid->selectionModel();
    if (!sel)
        return -1;
    int row = -1;
    const QModelIndex current = sel->currentIndex();
    if (current.isValid() && sel->isRowSelected(current.row(), QModelIndex()))
        row = current.row();
    if (row < 0) {
        const QItemSelection s = sel->selection();
        for (const QItemSelectionRange& r : s) {
            if (row < 0 || r.top() < row)
                row = r.top();
        }
    }
    if (row < 0)
        return m_model->heldRow;
    return m_model->base + row;
}

int32_t eListView::SelectedID() const
{
    const int64_t row = selectedRow();
    const BrandleRow* values = row >= 0 ? m_model->rowAt(row) : nullptr;
    return values ? static_cast<int32_t>(RowIdOf(*values)) : 0;
}

int32_t eListView::SelectedCount() const
{
    QItemSelectionModel* sel = m_grid->selectionModel();
    if (!sel)
        return 0;
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange& r : sel->selection())
        spans.emplace_back(r.top(), r.bottom());
    std::sort(spans.begin(), spans.end());
    if (spans.empty() && m_model->heldRow >= 0)
        return 1;
    int64_t count = 0;
    int end = -1;
    for (const auto& [top, bottom] : spans) {
        const int from = std::max(top, end + 1);
        if (bottom >= from)
            count += bottom - from + 1;
        end = std::max(end, bottom);
    }
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

void eListView::selectGridRow(int64_t row)
{
    if (row < 0 || row >= m_model->resultRows) {
        m_grid->clearSelection();
        return;
    }
    if (m_pendingKeepTop) {
        // Selected where it lies, the rows shown left as they are: inside the
        // grid's window as a selected row, beyond it as the held row.
        m_pendingKeepTop = false;
        ListQueryModel& m = *m_model;
        QItemSelectionModel* sel = m_grid->selectionModel();
        if (row >= m.base && row < m.base + m.rows) {
            const bool autoScroll = m_grid->hasAutoScroll();
            m_grid->setAutoScroll(false);
            sel->setCurrentIndex(m.index(static_cast<int>(row - m.base), 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_grid->setAutoScroll(autoScroll);
        } else {
            sel->clear();
            m.heldRow = row;
            m.requestPage(row / m.batch, true);
        }
        return;
    }
    showResultRow(row);
    const QModelIndex index = m_model->index(static_cast<int>(row - m_model->base), 0);
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void eListView::SelectRowByID(int32_t id)
{
    m_pendingKeepTop = false;
    selectById(id);
}

void eListView::selectById(int32_t id)
{
    m_pendingSelectId = 0;
    m_model->heldRow = -1;
    if (id < 1) {
        m_grid->clearSelection();
        return;
    }
    ListQueryModel& m = *m_model;
    if (!m.job)
        return;
    for (const auto& [page, p] : m.pages) {
        for (size_t k = 0; k < p.rows.size(); ++k) {
            if (RowIdOf(p.rows[k]) == id) {
                selectGridRow(page * m.batch + static_cast<int64_t>(k));
                return;
            }
        }
    }
    m_pendingSelectId = id;
    if (!m.firstShown)
        return;  // looked for again when the first batch is in
    // Deeper in the result: its position comes from counting the rows before it in
    // the result's order, on a thread and connection of its own; the page it is on
    // is then read like any other (from the end, when it is nearer the end).
    JobPtr job = m.job;
    QueryWorker* worker = workers().seek;
    QPointer<eListView> self(this);
    QMetaObject::invokeMethod(worker, [worker, job, id, self] {
        if (job->seekToken->load())
            return;
        BrandleReadConnection::IdPosition found;
        try {
            RunQueryThreadFault();
            found = worker->connection(job->connect).PositionOfId(job->query, job->order, id, job->seekToken);
            if (found.position == BrandleReadConnection::kNoPosition) {
                // The WHERE text's own order cannot be counted in: the rows are read up to it.
                std::vector<BrandleRow> kept;
                found.position = worker->cursor(job).SeekId(id, 0, kept);
                found.count = -1;
                worker->dropCursor(job);
            }
        } catch (...) {
            // Not found, whatever went wrong: the selection is cleared.
            worker->dropCursor(job);
            if (IsCancelled(QueryFailure(std::current_exception())))
                return;
            found = {};
        }
        QMetaObject::invokeMethod(self.data(), [self, job, id, found] {
            if (!self || self->m_model->job != job)
                return;
            ListQueryModel& m = *self->m_model;
            if (found.count >= 0 && m.total < 0)
                self->onCountKnown(found.count);
            if (self->m_pendingSelectId == id) {
                self->m_pendingSelectId = 0;
                if (found.position >= 0 && found.position < m.resultRows)
                    self->selectGridRow(found.position);
                else
                    self->m_grid->clearSelection();
            }
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

QString eListView::ColumnText(int n) const { return DisplayText(ColumnValue(n)); }

Variant eListView::ColumnValue(int n) const
{
    if (n < 0 || SelectedID() == 0)
        return Variant();
    const BrandleRow* values = m_model->rowAt(selectedRow());
    if (!values || static_cast<size_t>(n) >= values->size())
        return Variant();
    return (*values)[static_cast<size_t>(n)];
}

void eListView::SetTabStop(bool on)
{
    m_tabStop = on;
    m_grid->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

bool eListView::ContainsFocus() const
{
    const QWidget* f = QApplication::focusWidget();
    return f && (f == this || isAncestorOf(f));
}

int eListView::RowCount() const { return static_cast<int>(std::min<int64_t>(m_model->resultRows, INT32_MAX)); }

int eListView::RowsInMemory() const
{
    int n = 0;
    for (const auto& [page, p] : m_model->pages)
        n += static_cast<int>(p.rows.size());
    return n;
}

int64_t eListView::RecordCount() const { return m_loadReported ? m_model->total : -1; }

bool eListView::IsLoading() const { return !m_loadReported || !m_model->firstShown; }

QString eListView::CellText(int row, int column) const
{
    const BrandleRow* values = m_model->rowAt(row);
    if (!values || column < 1 || static_cast<size_t>(column) >= values->size() || column > ColumnCount())
        return QString();
    return FormatColumnValue((*values)[static_cast<size_t>(column)], m_model->columns[column - 1].kind);
}

int32_t eListView::RowID(int row) const
{
    const BrandleRow* values = m_model->rowAt(row);
    return values ? static_cast<int32_t>(RowIdOf(*values)) : 0;
}

int eListView::ColumnCount() const { return static_cast<int>(m_model->columns.size()); }

QString eListView::ColumnCaption(int column) const
{
    return column >= 1 && column <= ColumnCount() ? m_model->columns[column - 1].caption : QString();
}

void eListView::applyColumns()
{
    if (m_columnsSized)
        return;
    m_columnsSized = true;
    // Each column as wide as its caption and the first batch's texts need, within bounds.
    const QFontMetrics fm = m_grid->fontMetrics();
    const QFontMetrics hfm = m_grid->horizontalHeader()->fontMetrics();
    const int sample = static_cast<int>(std::min<int64_t>(m_model->resultRows, 100));
    QHeaderView* header = m_grid->horizontalHeader();
    {
        // The header and the grid hear of the new widths once, not column by column
        // (a header that repaints after each measures every column before it).
        const QSignalBlocker quiet(header);
        header->setUpdatesEnabled(false);
        for (int c = 0; c < ColumnCount(); ++c) {
            int w = hfm.horizontalAdvance(m_model->columns[c].caption) + 28;
            for (int r = 0; r < sample; ++r)
                w = std::max(w, fm.horizontalAdvance(CellText(r, c + 1)) + 14);
            header->resizeSection(c, std::clamp(w, 40, 360));
        }
        header->setUpdatesEnabled(true);
    }
    emit header->geometriesChanged();
    header->viewport()->update();
    m_grid->viewport()->update();
}

// ---------------------------------------------------------------- the window onto the result

void eListView::SetWindowRows(int rows)
{
    m_model->windowRows = std::max(rows, 40);
    m_model->moveWindow(0);
}

int64_t eListView::WindowStart() const { return m_model->base; }

int64_t eListView::TopRow() const { return m_model->base + std::max(0, m_grid->rowAt(0)); }

void eListView::ScrollToRow(int64_t row)
{
    if (m_windowed) {
        m_scroll->setValue(static_cast<int>(std::clamp<int64_t>(row, 0, m_scroll->maximum())));
    } else if (row >= 0 && row < m_model->rows) {
        m_grid->scrollTo(m_model->index(static_cast<int>(row), 0), QAbstractItemView::PositionAtTop);
    }
}

int eListView::visibleRows() const
{
    const int height = std::max(1, m_grid->verticalHeader()->defaultSectionSize());
    return std::max(1, m_grid->viewport()->height() / height);
}

void eListView::updateScrollBar()
{
    const ListQueryModel& m = *m_model;
    const bool windowed = m.base > 0 || m.resultRows > m.rows;
    if (windowed != m_windowed) {
        m_windowed = windowed;
        m_grid->setVerticalScrollBarPolicy(windowed ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
        m_scroll->setVisible(windowed);
    }
    if (!windowed)
        return;
    const int page = visibleRows();
    const QSignalBlocker block(m_scroll);
    m_scroll->setRange(0, static_cast<int>(std::clamp<int64_t>(m.resultRows - page, 0, INT32_MAX)));
    m_scroll->setPageStep(page);
    m_scroll->setSingleStep(1);
    m_scroll->setValue(static_cast<int>(std::min<int64_t>(m.base + m_grid->verticalScrollBar()->value(), INT32_MAX)));
}

void eListView::onGridScrolled(int value)
{
    if (!m_windowed)
        return;
    const ListQueryModel& m = *m_model;
    {
        const QSignalBlocker block(m_scroll);
        m_scroll->setValue(static_cast<int>(std::min<int64_t>(m.base + value, INT32_MAX)));
    }
    // Near an edge of the window with more of the result beyond it: the window
    // moves once the current event is done (a key or wheel the grid still handles).
    const int margin = m.windowRows / 4;
    const bool nearStart = value < margin && m.base > 0;
    const bool nearEnd = value + visibleRows() > m.rows - margin && m.base + m.rows < m.resultRows;
    if ((nearStart || nearEnd) && !m_moveQueued) {
        m_moveQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_moveQueued = false;
            moveWindowAround(TopRow());
        });
    }
}

void eListView::onScrollBarMoved(int value)
{
    const ListQueryModel& m = *m_model;
    if (!m_windowed)
        return;
    if (value < m.base || value + visibleRows() > m.base + m.rows)
        moveWindowAround(value);
    else
        m_grid->verticalScrollBar()->setValue(static_cast<int>(value - m.base));
}

void eListView::showResultRow(int64_t row)
{
    if (row < m_model->base || row >= m_model->base + m_model->rows)
        moveWindowAround(row);
}

void eListView::moveWindowAround(int64_t top)
{
    ListQueryModel& m = *m_model;
    const int64_t newBase = std::clamp<int64_t>(top - m.windowRows / 2, 0,
                                                std::max<int64_t>(0, m.resultRows - m.windowRows));
    if (newBase != m.base) {
        // The selection and the current row are kept as rows of the result, and put
        // back where they fall inside the new window.
        QItemSelectionModel* sel = m_grid->selectionModel();
        std::vector<std::pair<int64_t, int64_t>> ranges;
        for (const QItemSelectionRange& r : sel->selection())
            ranges.emplace_back(m.base + r.top(), m.base + r.bottom());
        const QModelIndex current = sel->currentIndex();
        int64_t currentRow = current.isValid() ? m.base + current.row() : -1;
        const int currentColumn = std::max(0, current.column());
        bool currentSelected = currentRow >= 0 && sel->isRowSelected(current.row(), QModelIndex());
        if (!currentSelected && ranges.empty() && m.heldRow >= 0) {
            ranges.emplace_back(m.heldRow, m.heldRow);
            currentRow = m.heldRow;
            currentSelected = true;
        }
        m.heldRow = -1;
        m.moveWindow(newBase);
        const int64_t last = m.base + m.rows - 1;
        const int lastColumn = std::max(0, ColumnCount() - 1);
        QItemSelection kept;
        for (const auto& [from, to] : ranges) {
            const int64_t a = std::max(from, m.base);
            const int64_t b = std::min(to, last);
            if (a <= b)
                kept.select(m.index(static_cast<int>(a - m.base), 0), m.index(static_cast<int>(b - m.base), lastColumn));
        }
        if (!kept.isEmpty())
            sel->select(kept, QItemSelectionModel::ClearAndSelect);
        if (currentRow >= m.base && currentRow <= last)
            sel->setCurrentIndex(m.index(static_cast<int>(currentRow - m.base), currentColumn),
                                 QItemSelectionModel::NoUpdate);
        else if (currentSelected && kept.isEmpty())
            m.heldRow = currentRow;  // a multi-row selection outside the window is not kept
        m_grid->doItemsLayout();
    }
    m_grid->verticalScrollBar()->setValue(static_cast<int>(std::clamp<int64_t>(top - m.base, 0, m.rows)));
    updateScrollBar();
}

bool eListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        m_model->heldRow = -1;
        int code = VbKeyCode(ke->key());
        emit KeyDown(code, VbShiftState(ke->modifiers()));
        if (code == 0)
            return true;
        if ((ke->key() == Qt::Key_Home || ke->key() == Qt::Key_End) && m_model->resultRows > 0) {
            const int64_t target = ke->key() == Qt::Key_Home ? 0 : m_model->resultRows - 1;
            const int64_t anchorRow = m_model->base + std::max(0, m_grid->currentIndex().row());
            showResultRow(target);
            const int row = static_cast<int>(target - m_model->base);
            const QModelIndex index = m_model->index(row, std::max(0, m_grid->currentIndex().column()));
            const auto flags = (ke->modifiers() & Qt::ShiftModifier)
                                   ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
            if (ke->modifiers() & Qt::ShiftModifier) {
                const int anchor = static_cast<int>(std::clamp<int64_t>(anchorRow - m_model->base, 0, m_model->rows - 1));
                QItemSelection range(m_model->index(std::min(anchor, row), 0),
                                     m_model->index(std::max(anchor, row), ColumnCount() - 1));
                m_grid->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
                m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            } else {
                m_grid->selectionModel()->setCurrentIndex(index, flags);
            }
            m_grid->scrollTo(index);
            m_pendingSelectId = 0;
            return true;
        }
        m_pendingSelectId = 0;
        return false;
    }
    if (watched == m_grid->viewport()) {
        if (event->type() == QEvent::Resize) {
            updateScrollBar();
        } else if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            m_model->heldRow = -1;
            if (me->button() == Qt::RightButton) {
                m_pendingSelectId = 0;
                const QModelIndex index = m_grid->indexAt(me->position().toPoint());
                if (index.isValid()) {
                    QItemSelectionModel* sel = m_grid->selectionModel();
                    if (sel->isRowSelected(index.row(), QModelIndex()))
                        sel->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
                    else
                        sel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                }
                m_grid->setFocus(Qt::MouseFocusReason);
                const QPoint p = m_grid->viewport()->mapTo(this, me->position().toPoint());
                emit RightClick(p.x(), p.y());
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton && m_grid->indexAt(me->position().toPoint()).isValid()) {
                emit DblClick();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
