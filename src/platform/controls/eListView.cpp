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
#include <QVBoxLayout>

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
    if (!m_workers || !m_workers->started)
        return;
    m_workers->cursor->cancel(job->cursorToken);
    m_workers->count->cancel(job->countToken);
}


// ---------------------------------------------------------------- the control

eListView::eListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("eListView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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
    const qsizetype order = OwnOrderByPosition(m_where);
    m_ownOrder = order >= 0;
    // The row id breaks ties of the WHERE text's own order (after a line break, so
    // that a comment ending the text stays a comment); not when the order ends in a
    // LIMIT, OFFSET or FETCH of its own, which the key would become part of.
    if (m_ownOrder) {
        const QString tail = m_where.mid(order);
        if (TopLevelWords(tail, QLatin1String("LIMIT")) < 0 && TopLevelWords(tail, QLatin1String("OFFSET")) < 0 &&
            TopLevelWords(tail, QLatin1String("FETCH")) < 0)
            statement += QStringLiteral("\n, 1");
    }
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
        m_model->setRows(static_cast<int>(std::min<int64_t>(knownTotal, INT32_MAX)));
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
            m.setRows(static_cast<int>(std::min<int64_t>(count, INT32_MAX)));
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
    if (column < 1 || column > static_cast<int>(m_model->columns.size()) || m_model->rows == 0 || m_statement.isEmpty())
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
    runCurrentQuery(true);
}

int32_t eListView::SelectedID() const
{
    QItemSelectionModel* sel = m_grid->selectionModel();
    if (!sel)
        return 0;
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
    const BrandleRow* values = m_model->rowAt(row);
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

void eListView::selectGridRow(int row)
{
    if (row < 0 || row >= m_model->rows) {
        m_grid->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void eListView::SelectRowByID(int32_t id)
{
    m_pendingSelectId = 0;
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
                selectGridRow(static_cast<int>(page * m.batch + static_cast<int64_t>(k)));
                return;
            }
        }
    }
    m_pendingSelectId = id;
    if (!m.firstShown)
        return;  // looked for again when the first batch is in
    // Deeper in the result: the cursor thread reads ahead for it.
    JobPtr job = m.job;
    QueryWorker* worker = workers().cursor;
    QPointer<eListView> self(this);
    m.inFlight.insert(-1);  // keeps other batches back until the search is done
    QMetaObject::invokeMethod(worker, [worker, job, id, self] {
        if (job->cursorToken->load())
            return;
        int64_t position = -1;
        int64_t page = -1;
        std::vector<BrandleRow> pageRows;
        try {
            BrandleQueryCursor& c = worker->cursor(job);
            const int64_t from = c.Position();
            std::vector<BrandleRow> kept;
            position = c.SeekId(id, job->batch - 1, kept);
            if (position < 0 && from > 0) {
                c.Rewind();
                position = c.SeekId(id, job->batch - 1, kept);
            }
            if (position >= 0) {
                page = position / job->batch;
                const int64_t start = page * job->batch;
                const int64_t firstKept = position - static_cast<int64_t>(kept.size()) + 1;
                if (firstKept <= start) {
                    pageRows.assign(std::make_move_iterator(kept.begin() + (start - firstKept)),
                                    std::make_move_iterator(kept.end()));
                    std::vector<BrandleRow> rest = c.Fetch(static_cast<int>(start + job->batch - (position + 1)));
                    for (auto& r : rest)
                        pageRows.push_back(std::move(r));
                } else {
                    page = -1;
                }
            }
        } catch (const AppError& e) {
            worker->dropCursor(job);
            if (IsCancelled(e))
                return;
            position = -1;
        } catch (...) {
            worker->dropCursor(job);
            position = -1;
        }
        QMetaObject::invokeMethod(self.data(), [self, job, id, position, page, rows = std::move(pageRows)]() mutable {
            if (!self || self->m_model->job != job)
                return;
            ListQueryModel& m = *self->m_model;
            m.inFlight.erase(-1);
            if (page >= 0) {
                m.inFlight.insert(page);
                m.pageArrived(job, page, std::move(rows));
            }
            if (self->m_pendingSelectId == id) {
                self->m_pendingSelectId = 0;
                if (position >= 0 && position < m.rows)
                    self->selectGridRow(static_cast<int>(position));
                else
                    self->m_grid->clearSelection();
            }
            m.pump();
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

QString eListView::ColumnText(int n) const
{
    QItemSelectionModel* sel = m_grid->selectionModel();
    if (!sel || n < 0)
        return QString();
    const int32_t id = SelectedID();
    if (id == 0)
        return QString();
    int row = sel->currentIndex().row();
    if (row < 0 || !sel->isRowSelected(row, QModelIndex())) {
        row = -1;
        for (const QItemSelectionRange& r : sel->selection())
            if (row < 0 || r.top() < row)
                row = r.top();
    }
    const BrandleRow* values = m_model->rowAt(row);
    if (!values || static_cast<size_t>(n) >= values->size())
        return QString();
    return DisplayText((*values)[static_cast<size_t>(n)]);
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

int eListView::RowCount() const { return m_model->rows; }

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
    if (!values || column < 1 || static_cast<size_t>(column) >= values->size())
        return QString();
    return DisplayText((*values)[static_cast<size_t>(column)]);
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
    const int sample = std::min(m_model->rows, 100);
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

bool eListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        int code = VbKeyCode(ke->key());
        emit KeyDown(code, VbShiftState(ke->modifiers()));
        if (code == 0)
            return true;
        if ((ke->key() == Qt::Key_Home || ke->key() == Qt::Key_End) && m_model->rows > 0) {
            const int row = ke->key() == Qt::Key_Home ? 0 : m_model->rows - 1;
            const QModelIndex index = m_model->index(row, std::max(0, m_grid->currentIndex().column()));
            const auto flags = (ke->modifiers() & Qt::ShiftModifier)
                                   ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
            if (ke->modifiers() & Qt::ShiftModifier) {
                const int anchor = std::max(0, m_grid->currentIndex().row());
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
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
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
