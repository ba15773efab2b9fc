#pragma once
// The list control's insides, shared by the control (eListView.cpp) and its model
// and query threads (eListViewModel.cpp): the model that holds pages of rows, the
// workers that read them on their own threads with their own connections.

#include "platform/controls/eListView.h"
#include "platform/controls/ColumnFormat.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "platform/database/BrandleCursor.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QThread>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

namespace elistview {


// Rows kept in memory at most (besides the batch being read), whatever the result's size.
constexpr int kMaxRowsInMemory = 20000;
// Rows the grid's model holds at most: a window onto the result that moves as the
// user scrolls, since the item view keeps state per row and a change of its row
// count costs time in proportion to it.
constexpr int kDefaultWindowRows = 100000;

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
    // The same order backwards (every key turned round, the tie-break too), for the
    // pages nearer the end than the start; empty when the order cannot be turned
    // (a WHERE text's own ORDER BY).
    std::vector<BrandleSortKey> reverseOrder;
    int batch = eListView::kDefaultBatchSize;
    BrandleCancelToken cursorToken = MakeCancelToken();
    BrandleCancelToken countToken = MakeCancelToken();
    BrandleCancelToken seekToken = MakeCancelToken();
};
using JobPtr = std::shared_ptr<ListJob>;

inline bool IsCancelled(const AppError& e) { return e.number() == kQueryCancelledNumber; }
// A failure the tests make the query threads meet before their work (set from the
// window's thread while no query runs); none by default.
inline std::function<void()>& QueryThreadFault()
{
    static std::function<void()> fault;
    return fault;
}
inline void RunQueryThreadFault()
{
    if (const auto& fault = QueryThreadFault())
        fault();
}

// Any failure of a query thread as the program's error: a database error as it is,
// out of memory and the like with their standard numbers.
inline AppError QueryFailure(std::exception_ptr p)
{
    try {
        return ToAppError(p);
    } catch (...) {
        return AppError(vberr::InvalidProcedureCall, QStringLiteral("The list query failed unexpectedly."));
    }
}

// A thread's own connection; it reads pages and seeks rows (the cursor thread)
// or counts (the count thread). Everything but cancel runs on that thread.
class QueryWorker : public QObject {
public:
    ~QueryWorker() override
    {
        m_cursor.reset();
        m_reverseCursor.reset();
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
            m_reverseCursor.reset();
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

    // The job's cursor (read backwards: from the end of the result), opened on first use.
    BrandleQueryCursor& cursor(const JobPtr& job, bool backwards = false)
    {
        if (m_cursorJob != job) {
            m_cursor.reset();
            m_reverseCursor.reset();
            m_cursorJob = job;
        }
        std::unique_ptr<BrandleQueryCursor>& slot = backwards ? m_reverseCursor : m_cursor;
        if (!slot) {
            BrandleReadConnection& c = connection(job->connect);
            slot = c.OpenCursor(job->query, backwards ? job->reverseOrder : job->order, job->cursorToken);
        }
        return *slot;
    }

    void dropCursor(const JobPtr& job)
    {
        if (m_cursorJob == job) {
            m_cursor.reset();
            m_reverseCursor.reset();
            m_cursorJob.reset();
        }
    }

private:
    std::mutex m_mutex;  // guards m_conn against cancel from the window's thread
    std::unique_ptr<BrandleReadConnection> m_conn;
    ConnectInfo m_info;
    JobPtr m_cursorJob;
    std::unique_ptr<BrandleQueryCursor> m_cursor;
    std::unique_ptr<BrandleQueryCursor> m_reverseCursor;
};

struct ColumnDef {
    QString caption;
    int alignment = 0;
    ColumnKind kind = ColumnKind::Text;  // how its values show (SetColumnKinds)
};

// caption,alignment,caption,alignment,...: the character after a caption's comma
// is its alignment; anything more up to the next comma is ignored.
std::vector<ColumnDef> ParseColumnString(const QString& text);
// A cell's text: Null and Empty show nothing.
QString DisplayText(const Variant& v);
// The row's ID (its first field); 0 without one.
int64_t RowIdOf(const BrandleRow& row);
// Where a word (or a pair of words, such as ORDER BY) first stands in a text outside
// brackets, texts and comments; -1 when it does not.
qsizetype TopLevelWords(const QString& s, QLatin1String first, QLatin1String second = QLatin1String());

}  // namespace elistview

using namespace elistview;

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
    int rows = 0;             // rows of the grid's model: a window onto the result
    int64_t base = 0;         // the result row of the model's row 0
    int64_t resultRows = 0;   // rows the result shows (the count, or the rows read so far)
    int windowRows = kDefaultWindowRows;
    int64_t total = -1;       // the whole result's count, -1 while unknown
    bool endKnown = false;  // the cursor met the end of the result
    std::unordered_map<int64_t, Page> pages;
    std::set<int64_t> inFlight;
    // A page read by each cursor (forwards, backwards) right now, -1 for none.
    int64_t busy[2] = {-1, -1};
    std::deque<std::pair<int64_t, bool>> wanted;  // page, forced (not only while visible)
    uint64_t clock = 0;
    bool firstShown = false;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(columns.size());
    }

    // A row of the result (not of the grid's model).
    const BrandleRow* rowAt(int64_t row) const
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
        const int64_t row = base + index.row();
        auto it = self->pages.find(row / batch);
        if (it == self->pages.end()) {
            self->requestPage(row / batch, false);
            return QString();
        }
        it->second.used = ++self->clock;
        const size_t k = static_cast<size_t>(row % batch);
        if (k >= it->second.rows.size())
            return QString();
        const BrandleRow& r = it->second.rows[k];
        const size_t field = static_cast<size_t>(index.column()) + 1;
        return field < r.size() ? FormatColumnValue(r[field], columns[index.column()].kind) : QString();
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
        return !parent.isValid() && job && total < 0 && !endKnown && rows > 0 && base + rows == resultRows &&
               !inFlight.count(resultRows / batch);
    }
    void fetchMore(const QModelIndex& parent) override
    {
        if (canFetchMore(parent))
            requestPage(resultRows / batch, true);
    }

    // The result's rows: the model holds those of the window that exist.
    void setResultRows(int64_t n);
    // Moves the window so that it starts at that result row (a reset of the model).
    void moveWindow(int64_t newBase);

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
        base = 0;
        resultRows = 0;
        total = -1;
        busy[0] = busy[1] = -1;
        endKnown = false;
        pages.clear();
        inFlight.clear();
        wanted.clear();
        firstShown = false;
        heldRow = -1;
    }

    int64_t heldRow = -1;  // a row evict keeps (the selected row outside the window)
    void requestPage(int64_t page, bool forced);
    void pump();
    void readPage(int64_t page, bool backwards);
    void pageArrived(const JobPtr& j, int64_t page, std::vector<BrandleRow> got);
    void evict();
    bool pageVisible(int64_t page) const;

    eListView* m_owner;
};

// ---------------------------------------------------------------- threads

struct eListView::Workers {
    QThread cursorThread;
    QThread reverseThread;  // the pages read backwards, beside a forward read still running
    QThread countThread;
    QThread seekThread;  // where a selection by id looks for its row's position
    QueryWorker* cursor = nullptr;
    QueryWorker* reverse = nullptr;
    QueryWorker* count = nullptr;
    QueryWorker* seek = nullptr;
    bool started = false;

    void start()
    {
        if (started)
            return;
        cursor = new QueryWorker;
        reverse = new QueryWorker;
        count = new QueryWorker;
        seek = new QueryWorker;
        seek->moveToThread(&seekThread);
        seekThread.setObjectName(QStringLiteral("eListView seek"));
        seekThread.start();
        cursor->moveToThread(&cursorThread);
        reverse->moveToThread(&reverseThread);
        count->moveToThread(&countThread);
        cursorThread.setObjectName(QStringLiteral("eListView cursor"));
        reverseThread.setObjectName(QStringLiteral("eListView reverse"));
        countThread.setObjectName(QStringLiteral("eListView count"));
        cursorThread.start();
        reverseThread.start();
        countThread.start();
        started = true;
    }

    // Ends both threads (their running calls were cancelled first) and closes the connections.
    void stop()
    {
        if (!started)
            return;
        cursorThread.quit();
        reverseThread.quit();
        countThread.quit();
        seekThread.quit();
        seekThread.wait();
        cursorThread.wait();
        reverseThread.wait();
        countThread.wait();
        delete cursor;
        delete reverse;
        delete count;
        delete seek;
        cursor = reverse = count = seek = nullptr;
        started = false;
    }
};
