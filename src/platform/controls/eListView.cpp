#include "platform/controls/eListView.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "platform/database/BrandleCursor.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/VbKeys.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <deque>
#include <mutex>
#include <set>
#include <unordered_map>

namespace {

// Rows kept in memory at most (besides the batch being read), whatever the result's size.
constexpr int kMaxRowsInMemory = 20000;

struct ConnectInfo {
    QString server, user, password, database;
    bool operator==(const ConnectInfo&) const = default;
};

// One run of the list query. Its tokens stop the work done for it; a replaced
// or cleared run is cancelled and whatever its threads still deliver is dropped.
struct ListJob {
    ConnectInfo connect;
    QString query;
    std::vector<BrandleSortKey> order;
    int batch = eListView::kDefaultBatchSize;
    BrandleCancelToken cursorToken = MakeCancelToken();
    BrandleCancelToken countToken = MakeCancelToken();
};
using JobPtr = std::shared_ptr<ListJob>;

bool IsCancelled(const AppError& e) { return e.number() == kQueryCancelledNumber; }

// A thread's own connection; it reads pages and seeks rows (the cursor thread)
// or counts (the count thread). Everything but cancel runs on that thread.
class QueryWorker : public QObject {
public:
    ~QueryWorker() override
    {
        m_cursor.reset();
        m_conn.reset();
    }

    void cancel(const BrandleCancelToken& token)
    {
        token->store(true);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_conn)
            m_conn->Cancel(token);
    }

    BrandleReadConnection& connection(const ConnectInfo& info)
    {
        if (!m_conn || !(m_info == info)) {
            m_cursor.reset();
            m_cursorJob.reset();
            std::unique_ptr<BrandleReadConnection> old;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                old = std::move(m_conn);
            }
            old.reset();
            QString plain = CryptText(1, info.password, SessionCipherKey(), false);
            std::unique_ptr<BrandleReadConnection> fresh;
            try {
                fresh = BrandleReadConnection::Open(info.server, info.database, info.user, plain);
            } catch (...) {
                plain.fill(QChar(u'\0'));
                throw;
            }
            plain.fill(QChar(u'\0'));
            std::lock_guard<std::mutex> lock(m_mutex);
            m_conn = std::move(fresh);
            m_info = info;
        }
        return *m_conn;
    }

    // The job's cursor, opened on first use.
    BrandleQueryCursor& cursor(const JobPtr& job)
    {
        if (m_cursorJob != job || !m_cursor) {
            m_cursor.reset();
            m_cursorJob.reset();
            BrandleReadConnection& c = connection(job->connect);
            m_cursor = c.OpenCursor(job->query, job->order, job->cursorToken);
            m_cursorJob = job;
        }
        return *m_cursor;
    }

    void dropCursor(const JobPtr& job)
    {
        if (m_cursorJob == job) {
            m_cursor.reset();
            m_cursorJob.reset();
        }
    }

private:
    std::mutex m_mutex;  // guards m_conn against cancel from the window's thread
    std::unique_ptr<BrandleReadConnection> m_conn;
    ConnectInfo m_info;
    JobPtr m_cursorJob;
    std::unique_ptr<BrandleQueryCursor> m_cursor;
};

struct ColumnDef {
    QString caption;
    int alignment = 0;
};

// caption,alignment,caption,alignment,...: the character after a caption's comma
// is its alignment; anything more up to the next comma is ignored.
std::vector<ColumnDef> ParseColumnString(const QString& text)
{
    std::vector<ColumnDef> columns;
    int pos = 0;
    while (pos < text.size()) {
        const int comma = text.indexOf(u',', pos);
        if (comma < 0)
            break;
        ColumnDef c;
        c.caption = text.mid(pos, comma - pos);
        const QChar a = comma + 1 < text.size() ? text[comma + 1] : QChar(u'0');
        c.alignment = a == u'1' ? 1 : a == u'2' ? 2 : 0;
        columns.push_back(c);
        const int next = text.indexOf(u',', comma + 1);
        if (next < 0)
            break;
        pos = next + 1;
    }
    return columns;
}

QString DisplayText(const Variant& v)
{
    if (v.isNull() || v.isEmpty())
        return QString();
    try {
        return v.toString();
    } catch (...) {
        return QString();
    }
}

int64_t RowIdOf(const BrandleRow& row)
{
    if (row.empty() || row[0].isNull() || row[0].isEmpty())
        return 0;
    try {
        return static_cast<int64_t>(row[0].toDouble());
    } catch (...) {
        return 0;
    }
}

// Where a word (or a pair of words, such as ORDER BY) first stands in a text outside
// brackets, texts and comments; -1 when it does not.
qsizetype TopLevelWords(const QString& s, QLatin1String first, QLatin1String second = QLatin1String())
{
    int depth = 0;
    const qsizetype n = s.size();
    auto isWord = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$'; };
    for (qsizetype i = 0; i < n;) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            const QChar q = c;
            ++i;
            while (i < n) {
                if (s[i] == q) {
                    if (i + 1 < n && s[i + 1] == q) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (c == u'[') {
            while (i < n && s[i] != u']')
                ++i;
            ++i;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u'(') {
            ++depth;
            ++i;
        } else if (c == u')') {
            --depth;
            ++i;
        } else if (isWord(c)) {
            qsizetype j = i;
            while (j < n && isWord(s[j]))
                ++j;
            if (depth <= 0 && s.mid(i, j - i).compare(first, Qt::CaseInsensitive) == 0) {
                if (second.isEmpty())
                    return i;
                qsizetype k = j;
                while (k < n && s[k].isSpace())
                    ++k;
                qsizetype m = k;
                while (m < n && isWord(s[m]))
                    ++m;
                if (s.mid(k, m - k).compare(second, Qt::CaseInsensitive) == 0)
                    return i;
            }
            i = j;
        } else {
            ++i;
        }
    }
    return -1;
}
}  // namespace

qsizetype OwnOrderByPosition(const QString& s)
{
    return TopLevelWords(s, QLatin1String("ORDER"), QLatin1String("BY"));
}

// ---------------------------------------------------------------- the model

class ListQueryModel : public QAbstractTableModel {
public:
    explicit ListQueryModel(eListView* owner) : QAbstractTableModel(owner), m_owner(owner) {}

    struct Page {
        std::vector<BrandleRow> rows;
        uint64_t used = 0;
    };

    std::vector<ColumnDef> columns;
    JobPtr job;
    int batch = eListView::kDefaultBatchSize;
    int rows = 0;           // rows the grid shows
    int64_t total = -1;     // the whole result's count, -1 while unknown
    bool endKnown = false;  // the cursor met the end of the result
    std::unordered_map<int64_t, Page> pages;
    std::set<int64_t> inFlight;
    std::deque<std::pair<int64_t, bool>> wanted;  // page, forced (not only while visible)
    uint64_t clock = 0;
    bool firstShown = false;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(columns.size());
    }

    const BrandleRow* rowAt(int row) const
    {
        if (row < 0 || batch <= 0)
            return nullptr;
        auto it = pages.find(row / batch);
        if (it == pages.end())
            return nullptr;
        const size_t k = static_cast<size_t>(row % batch);
        return k < it->second.rows.size() ? &it->second.rows[k] : nullptr;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::TextAlignmentRole) {
            const int a = columns[index.column()].alignment;
            return QVariant::fromValue(Qt::Alignment((a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter : Qt::AlignLeft) |
                                                     Qt::AlignVCenter));
        }
        if (role != Qt::DisplayRole)
            return {};
        auto* self = const_cast<ListQueryModel*>(this);
        auto it = self->pages.find(index.row() / batch);
        if (it == self->pages.end()) {
            self->requestPage(index.row() / batch, false);
            return QString();
        }
        it->second.used = ++self->clock;
        const size_t k = static_cast<size_t>(index.row() % batch);
        if (k >= it->second.rows.size())
            return QString();
        const BrandleRow& r = it->second.rows[k];
        const size_t field = static_cast<size_t>(index.column()) + 1;
        return field < r.size() ? DisplayText(r[field]) : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && section >= 0 && section < static_cast<int>(columns.size())) {
            if (role == Qt::DisplayRole)
                return columns[section].caption;
            if (role == Qt::TextAlignmentRole) {
                const int a = columns[section].alignment;
                return QVariant::fromValue(Qt::Alignment((a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter
                                                                                          : Qt::AlignLeft) |
                                                         Qt::AlignVCenter));
            }
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    // Before the count is known the grid grows a batch at a time as the user
    // reaches its end.
    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && job && total < 0 && !endKnown && rows > 0 && !inFlight.count(rows / batch);
    }
    void fetchMore(const QModelIndex& parent) override
    {
        if (canFetchMore(parent))
            requestPage(rows / batch, true);
    }

    void setRows(int n)
    {
        n = std::max(0, n);
        if (n > rows) {
            beginInsertRows(QModelIndex(), rows, n - 1);
            rows = n;
            endInsertRows();
        } else if (n < rows) {
            beginRemoveRows(QModelIndex(), n, rows - 1);
            rows = n;
            endRemoveRows();
        }
    }

    void resetAll(std::vector<ColumnDef> newColumns)
    {
        beginResetModel();
        columns = std::move(newColumns);
        clearData();
        endResetModel();
    }

    void clearRows()
    {
        beginResetModel();
        clearData();
        endResetModel();
    }

    void clearData()
    {
        job.reset();
        rows = 0;
        total = -1;
        endKnown = false;
        pages.clear();
        inFlight.clear();
        wanted.clear();
        firstShown = false;
    }

    void requestPage(int64_t page, bool forced);
    void pump();
    void pageArrived(const JobPtr& j, int64_t page, std::vector<BrandleRow> got);
    void evict();
    bool pageVisible(int64_t page) const;

    eListView* m_owner;
};

// ---------------------------------------------------------------- threads

struct eListView::Workers {
    QThread cursorThread;
    QThread countThread;
    QueryWorker* cursor = nullptr;
    QueryWorker* count = nullptr;
    bool started = false;

    void start()
    {
        if (started)
            return;
        cursor = new QueryWorker;
        count = new QueryWorker;
        cursor->moveToThread(&cursorThread);
        count->moveToThread(&countThread);
        cursorThread.setObjectName(QStringLiteral("eListView cursor"));
        countThread.setObjectName(QStringLiteral("eListView count"));
        cursorThread.start();
        countThread.start();
        started = true;
    }

    // Ends both threads (their running calls were cancelled first) and closes the connections.
    void stop()
    {
        if (!started)
            return;
        cursorThread.quit();
        countThread.quit();
        cursorThread.wait();
        countThread.wait();
        delete cursor;
        delete count;
        cursor = count = nullptr;
        started = false;
    }
};

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

bool ListQueryModel::pageVisible(int64_t page) const
{
    QTableView* grid = m_owner->Grid();
    if (!grid || rows == 0)
        return false;
    int first = grid->rowAt(0);
    int last = grid->rowAt(grid->viewport()->height() - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = rows - 1;
    const int64_t start = page * batch;
    const int64_t end = start + batch - 1;
    return end >= first - batch && start <= last + batch;
}

void ListQueryModel::requestPage(int64_t page, bool forced)
{
    if (!job || page < 0 || pages.count(page) || inFlight.count(page))
        return;
    for (auto& w : wanted) {
        if (w.first == page) {
            w.second = w.second || forced;
            return;
        }
    }
    wanted.emplace_back(page, forced);
    pump();
}

void ListQueryModel::pump()
{
    // One batch at a time, the latest wish first, so that a fast scroll does not
    // leave a queue of batches nobody looks at any more.
    while (inFlight.empty() && !wanted.empty() && job) {
        const auto [page, forced] = wanted.back();
        wanted.pop_back();
        if (pages.count(page) || (!forced && !pageVisible(page)))
            continue;
        inFlight.insert(page);
        JobPtr j = job;
        QueryWorker* worker = m_owner->workers().cursor;
        QPointer<ListQueryModel> self(this);
        QMetaObject::invokeMethod(worker, [worker, j, page, self] {
            if (j->cursorToken->load())
                return;
            try {
                BrandleQueryCursor& c = worker->cursor(j);
                const int64_t start = page * j->batch;
                if (c.Position() > start)
                    c.Rewind();
                if (c.Position() < start)
                    c.Skip(start - c.Position());
                std::vector<BrandleRow> got = c.Position() == start ? c.Fetch(j->batch) : std::vector<BrandleRow>();
                QMetaObject::invokeMethod(self.data(), [self, j, page, got = std::move(got)]() mutable {
                    if (self)
                        self->pageArrived(j, page, std::move(got));
                }, Qt::QueuedConnection);
            } catch (const AppError& e) {
                worker->dropCursor(j);
                if (IsCancelled(e))
                    return;
                const QString message = e.description();
                QMetaObject::invokeMethod(self.data(), [self, j, message] {
                    if (self && self->job == j)
                        self->m_owner->onLoadFailed(message);
                }, Qt::QueuedConnection);
            } catch (...) {
                worker->dropCursor(j);
            }
        }, Qt::QueuedConnection);
    }
}

void ListQueryModel::pageArrived(const JobPtr& j, int64_t page, std::vector<BrandleRow> got)
{
    if (j != job)
        return;
    inFlight.erase(page);
    const int64_t start = page * batch;
    const bool isEnd = static_cast<int>(got.size()) < batch;
    const int64_t endRow = start + static_cast<int64_t>(got.size());
    Page p;
    p.rows = std::move(got);
    p.used = ++clock;
    pages[page] = std::move(p);
    if (isEnd) {
        endKnown = true;
        // The end of the result: the count is known without waiting for it.
        if (total < 0 || endRow < total) {
            total = endRow;
            setRows(static_cast<int>(std::min<int64_t>(endRow, INT32_MAX)));
            m_owner->onCountKnown(endRow);
        }
    } else if (total < 0 && endRow > rows) {
        setRows(static_cast<int>(std::min<int64_t>(endRow, INT32_MAX)));
    }
    const int first = static_cast<int>(std::min<int64_t>(start, rows));
    const int last = static_cast<int>(std::min<int64_t>(endRow, rows)) - 1;
    if (last >= first && !columns.empty())
        emit dataChanged(index(first, 0), index(last, static_cast<int>(columns.size()) - 1));
    evict();
    if (page == 0 && !firstShown) {
        firstShown = true;
        // The next batch is read ahead: a sorted result then sorts while the user looks.
        if (!isEnd)
            requestPage(1, true);
        m_owner->applyColumns();
        emit m_owner->FirstRowsShown();
        if (m_owner->m_pendingSelectId > 0)
            m_owner->SelectRowByID(m_owner->m_pendingSelectId);
    }
    pump();
}

void ListQueryModel::evict()
{
    const size_t maxPages = static_cast<size_t>(std::max(4, kMaxRowsInMemory / std::max(1, batch)));
    if (pages.size() <= maxPages)
        return;
    QTableView* grid = m_owner->Grid();
    const int current = grid && grid->selectionModel() ? grid->selectionModel()->currentIndex().row() : -1;
    std::vector<std::pair<uint64_t, int64_t>> candidates;
    for (const auto& [page, p] : pages) {
        if (pageVisible(page) || (current >= 0 && current / batch == page))
            continue;
        candidates.emplace_back(p.used, page);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const auto& c : candidates) {
        if (pages.size() <= maxPages)
            break;
        pages.erase(c.second);
    }
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
    cancelJob();
    m_viewName = viewName;
    m_select = sqlSelect;
    m_from = sqlFrom;
    m_fromEx = sqlFromEx;
    m_columnString = columnString;
    m_sortColumn = 0;
    m_sortDescending = false;
    m_grid->horizontalHeader()->setSortIndicatorShown(false);
    m_model->resetAll(ParseColumnString(columnString));
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
                const int64_t n = worker->connection(job->connect).CountRows(job->query, job->countToken);
                QMetaObject::invokeMethod(self.data(), [self, job, n] {
                    if (self && self->m_model->job == job)
                        self->onCountKnown(n);
                }, Qt::QueuedConnection);
            } catch (const AppError& e) {
                if (IsCancelled(e))
                    return;
                const QString message = e.description();
                QMetaObject::invokeMethod(self.data(), [self, job, message] {
                    if (self && self->m_model->job == job)
                        self->onLoadFailed(message);
                }, Qt::QueuedConnection);
            } catch (...) {
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
    for (int c = 0; c < ColumnCount(); ++c) {
        int w = hfm.horizontalAdvance(m_model->columns[c].caption) + 28;
        for (int r = 0; r < sample; ++r)
            w = std::max(w, fm.horizontalAdvance(CellText(r, c + 1)) + 14);
        m_grid->setColumnWidth(c, std::clamp(w, 40, 360));
    }
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
