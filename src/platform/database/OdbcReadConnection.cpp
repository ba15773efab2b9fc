#include "platform/database/OdbcReadConnection.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcTsqlReading.h"
#include "platform/database/SqlLexer.h"
#include "platform/database/SqlTranslator.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");
const QString kNotAQuery = QStringLiteral("Only a single query that does not change the database may run here.");

[[noreturn]] void Fail(const QString& message) { throw AppError(kDatabaseErrorNumber, message, kSource); }
[[noreturn]] void Cancelled()
{
    throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"), kSource);
}

// The translated text of a single query that cannot write.
QString TranslatedQuery(const QString& query)
{
    const std::vector<TranslatedStatement> statements = TranslateBatch(query);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Sql ||
        statements.front().writes)
        Fail(kNotAQuery);
    return statements.front().sql;
}

QString SqliteKeys(const std::vector<BrandleSortKey>& order)
{
    QString keys;
    bool idIncluded = false;
    for (const BrandleSortKey& k : order) {
        keys += (keys.isEmpty() ? QString() : QStringLiteral(", ")) + QString::number(k.field + 1) +
                (k.descending ? QStringLiteral(" DESC") : QString());
        idIncluded = idIncluded || k.field == 0;
    }
    if (!idIncluded)
        keys += keys.isEmpty() ? QStringLiteral("1") : QStringLiteral(", 1");
    return keys;
}

// SQLite sorts the rows of an ORDER BY with a LIMIT in a tree it keeps to the
// limit plus the offset, which for a page deep in a result costs several times
// a sort of the whole result (its sorter, used only without a LIMIT): there the
// sorted result is made first and the page stepped to. A page near the start,
// or of an order by the row id alone (which its key gives without a sort),
// needs no such thing.
constexpr long long kTopRows = 100000;

QString SqlitePage(const QString& translated, const std::vector<BrandleSortKey>& order, long long offset,
                   long long count)
{
    const QString limit = QStringLiteral(" LIMIT ") + QString::number(count < 0 ? -1 : count) +
                          QStringLiteral(" OFFSET ") + QString::number(offset);
    QString s = QStringLiteral("SELECT * FROM (\n") + translated + QStringLiteral("\n)");
    if (order.empty())
        return s + limit;
    s += QStringLiteral(" ORDER BY ") + SqliteKeys(order);
    const bool sorts = std::any_of(order.begin(), order.end(), [](const BrandleSortKey& k) { return k.field != 0; });
    if (!sorts)
        return s + limit;
    if (count < 0 && offset == 0)
        return s;
    if (count < 0 || offset + count > kTopRows)
        return QStringLiteral("WITH s AS MATERIALIZED (\n") + s + QStringLiteral("\n) SELECT * FROM s") + limit;
    return s + limit;
}

class OdbcReadConnectionImpl;

// Reads a query's rows forward, a window at a time: the rows of the sorted
// result at the position (OFFSET ... FETCH), read whole and the statement closed
// before the rows go to the caller. Nothing is left half read on the server
// while the list only shows what it has (a session in ASYNC_NETWORK_IO would
// hold its locks or row versions for as long as the window stays open). The
// windows grow while the caller reads on without a move, so that a long read
// costs few statements; a long move (a skip, a seek to a row by id) asks the
// server for the rows where it lands. Every window is a statement of its own, so
// the order always ends in the row id (a query's own order too): tied rows then
// come in the same order every time.
class OdbcCursor final : public BrandleQueryCursor {
public:
    OdbcCursor(OdbcReadConnectionImpl& c, QString query, QString translated, std::vector<BrandleSortKey> order,
               BrandleCancelToken token);

    QStringList FieldNames() const override { return m_names; }
    std::vector<int32_t> FieldTypes() const override { return m_types; }
    std::vector<BrandleRow> Fetch(int count) override;
    int64_t Skip(int64_t count) override;
    int64_t SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept) override;
    int64_t Position() const override { return m_position; }
    bool AtEnd() const override { return m_atEnd; }
    void Rewind() override
    {
        moved();
        m_position = 0;
        m_atEnd = false;
    }

private:
    // Windows of the caller's size after a move before they grow, and how far.
    static constexpr int kWindows = 2;
    static constexpr int64_t kLargestWindow = 16384;

    // The next row; wanted: how many rows the caller means to read from here, the
    // least a window read for it holds. False at the end.
    bool next(BrandleRow& row, int64_t wanted);
    // Reads the window at the current position into m_rows.
    void fill(int64_t wanted);
    // Forgets the rows read ahead: the next read opens a window where it is.
    void moved()
    {
        m_rows.clear();
        m_resultEnds = false;
        m_windows = 0;
        m_size = 0;
    }
    // Moves to target, past the rows read ahead, by a window read there; how many
    // rows were stepped over.
    int64_t land(int64_t target);
    // SeekId by reading every row up to the one with the id.
    int64_t seekThrough(int64_t id, int keep, std::vector<BrandleRow>& kept);
    std::vector<BrandleRow> read(int64_t count);

    OdbcReadConnectionImpl& m_c;
    QString m_query;
    QString m_translated;
    std::vector<BrandleSortKey> m_order;
    BrandleCancelToken m_token;
    QStringList m_names;
    std::vector<int32_t> m_types;
    int64_t m_position = 0;
    bool m_atEnd = false;
    int m_windows = 0;          // windows read since the last move
    int64_t m_size = 0;         // the last window's size
    int64_t m_lastFetch = 256;  // the size of the caller's batches: the window a move reads
    std::deque<BrandleRow> m_rows;  // read ahead: the rows from m_position on
    bool m_resultEnds = false;      // the result ends after m_rows (their window was not full)
};

class OdbcReadConnectionImpl final : public BrandleReadConnection {
public:
    explicit OdbcReadConnectionImpl(std::unique_ptr<OdbcBackend> backend) : m_backend(std::move(backend))
    {
        m_backend->setCommandTimeout(0);  // long counts are stopped by Cancel, not by a clock
    }

    QString ServerName() const override { return m_backend->serverName(); }
    QString DatabaseName() const override { return m_backend->databaseName(); }

    // A query as this connection's server takes it: for a SQL Server as written,
    // one query by T-SQL's reading, the login's rights its fence; for the SQLite
    // driver translated, and fenced on the file.
    struct Texts {
        QString tsql;
        QString sqlite;
    };
    Texts texts(const QString& query)
    {
        if (m_backend->dialect() == OdbcServerConfig::Dialect::SqlServer) {
            if (!tsql::IsSingleQuery(query))
                Fail(kNotAQuery);
            return {tsql::WithoutOuterSemicolons(query), QString()};
        }
        const QString translated = TranslatedQuery(query);
        m_backend->fence(translated);
        return {query, translated};
    }

    std::unique_ptr<BrandleQueryCursor> OpenCursor(const QString& query, const std::vector<BrandleSortKey>& order,
                                                   const BrandleCancelToken& token) override
    {
        const Texts t = texts(query);
        return std::make_unique<OdbcCursor>(*this, t.tsql, t.sqlite, order, token);
    }

    std::unique_ptr<BrandleQueryCursor> OpenReader(const QString& query, const BrandleCancelToken& token) override;

    int64_t CountRows(const QString& query, const BrandleCancelToken& token) override
    {
        const Texts t = texts(query);
        QStringList names;
        std::vector<int32_t> types;
        header(token, t.tsql, t.sqlite, names, types);
        return count(t.tsql, t.sqlite, static_cast<int>(names.size()), token);
    }

    // The names and types of a query's columns, without reading a row.
    void header(const BrandleCancelToken& token, const QString& query, const QString& translated, QStringList& names,
                std::vector<int32_t>& types)
    {
        if (m_backend->dialect() == OdbcServerConfig::Dialect::SqlServer) {
            guard(token, [&] { m_backend->describe(query, names, types); });
            return;
        }
        run(token, query, SqliteHeaderQuery(translated),
            [&](const QStringList& n, const std::vector<int32_t>& t) {
                names = n;
                types = t;
            },
            [](BrandleRow&&) { return false; });
    }

    int64_t count(const QString& query, const QString& translated, int columns, const BrandleCancelToken& token)
    {
        int64_t n = 0;
        run(token, tsql::CountQuery(query, columns),
            QStringLiteral("SELECT COUNT(*) FROM (\n") + translated + QStringLiteral("\n)"), nullptr,
            [&](BrandleRow&& row) {
                n = row.empty() || row.front().isNull() ? 0 : static_cast<int64_t>(row.front().toDouble());
                return false;
            });
        return n;
    }

    IdPosition PositionOfId(const QString& query, const std::vector<BrandleSortKey>& order, int64_t id,
                            const BrandleCancelToken& token) override
    {
        if (order.empty())
            return IdPosition{kNoPosition, -1};
        const Texts t = texts(query);
        QStringList names;
        std::vector<int32_t> types;
        header(token, t.tsql, t.sqlite, names, types);
        for (const BrandleSortKey& k : order)
            if (k.field < 0 || k.field >= names.size())
                Fail(QStringLiteral("The sort column %1 is not in the query.").arg(k.field + 1));
        return position(t.tsql, t.sqlite, static_cast<int>(names.size()), order, id, token);
    }

    // Where the row with the id stands in the query's rows in the order a cursor
    // with that order reads them, counted by the server.
    IdPosition position(const QString& query, const QString& translated, int columns,
                        const std::vector<BrandleSortKey>& order, int64_t id, const BrandleCancelToken& token)
    {
        const std::vector<BrandleSortKey> keys = IdPositionKeys(order);
        IdPosition result;
        run(token, tsql::IdPositionQuery(query, columns, keys, id),
            SqliteIdPositionQuery(translated, columns, keys, id), nullptr, [&](BrandleRow&& row) {
                const auto number = [&](size_t i) {
                    return i < row.size() && !row[i].isNull() ? static_cast<int64_t>(row[i].toDouble()) : 0;
                };
                result.count = number(0);
                result.position = number(2) > 0 ? number(1) : -1;
                return false;
            });
        return result;
    }

    static QString SqliteHeaderQuery(const QString& translated)
    {
        return QStringLiteral("SELECT * FROM (\n") + translated + QStringLiteral("\n) LIMIT 0");
    }

    void Cancel(const BrandleCancelToken& token) override
    {
        if (!token)
            return;
        token->store(true);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current == token.get())
            m_backend->cancel();
    }

    // Runs a query under a token; a call stopped by Cancel fails as cancelled.
    void run(const BrandleCancelToken& token, const QString& tsqlText, const QString& sqliteText,
             const std::function<void(const QStringList&, const std::vector<int32_t>&)>& header,
             const std::function<bool(BrandleRow&&)>& sink)
    {
        guard(token, [&] {
            m_backend->query(tsqlText, sqliteText,
                             header ? header : [](const QStringList&, const std::vector<int32_t>&) {}, sink);
        });
    }

    // Runs f as the call under the token.
    void guard(const BrandleCancelToken& token, const std::function<void()>& f)
    {
        if (token && token->load())
            Cancelled();
        m_backend->beginOperation();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_current = token.get();
        }
        struct Clear {
            OdbcReadConnectionImpl& c;
            ~Clear()
            {
                {
                    std::lock_guard<std::mutex> lock(c.m_mutex);
                    c.m_current = nullptr;
                }
                c.m_backend->endOperation();
            }
        } clear{*this};
        // a Cancel that came before the token was current found nothing to stop
        if (token && token->load())
            Cancelled();
        try {
            f();
        } catch (const AppError&) {
            if (token && token->load())
                Cancelled();
            throw;
        }
    }

    OdbcBackend& backend() { return *m_backend; }

private:
    std::unique_ptr<OdbcBackend> m_backend;
    std::mutex m_mutex;
    std::atomic<bool>* m_current = nullptr;
};

OdbcCursor::OdbcCursor(OdbcReadConnectionImpl& c, QString query, QString translated,
                       std::vector<BrandleSortKey> order, BrandleCancelToken token)
    : m_c(c), m_query(std::move(query)), m_translated(std::move(translated)), m_order(std::move(order)),
      m_token(std::move(token))
{
    // The columns, from a statement that reads no row.
    m_c.header(m_token, m_query, m_translated, m_names, m_types);
    // Under the list's order too: a query whose own order chooses its rows (TOP)
    // runs again for every window and must choose the same rows each time.
    if (!m_names.isEmpty()) {
        m_query = tsql::WithRowIdLast(m_query, m_names.front());
        if (!m_translated.isEmpty())
            m_translated = tsql::WithRowIdLast(m_translated, m_names.front());
    }
}

void OdbcCursor::fill(int64_t wanted)
{
    // After the first windows of a read without a move, each window twice the last.
    int64_t size = std::max<int64_t>(wanted, 1);
    if (m_windows >= kWindows)
        size = std::min(kLargestWindow, std::max(size, m_size * 2));
    ++m_windows;
    m_size = size;
    // (the SQLite driver takes such a query as written too, so that the reading
    // past is the same on both)
    const bool asWritten = OdbcRunsAsWritten(m_query, m_order);
    const int columns = static_cast<int>(m_names.size());
    std::deque<BrandleRow> rows;
    int64_t passed = 0;
    // The whole window is read before anything else happens: its statement is
    // closed when the call returns.
    m_c.run(m_token, OdbcPageQuery(m_query, columns, m_order, m_position, size),
            asWritten ? m_translated : SqlitePage(m_translated, m_order, m_position, size), nullptr,
            [&](BrandleRow&& row) {
                // the whole query from its first row: the rows before the position are read past
                if (asWritten && passed < m_position) {
                    ++passed;
                    return true;
                }
                rows.push_back(std::move(row));
                return static_cast<int64_t>(rows.size()) < size;
            });
    m_resultEnds = static_cast<int64_t>(rows.size()) < size;
    m_rows = std::move(rows);
}

bool OdbcCursor::next(BrandleRow& row, int64_t wanted)
{
    if (m_atEnd)
        return false;
    if (m_rows.empty() && !m_resultEnds)
        fill(wanted);
    if (m_rows.empty()) {
        // A window shorter than asked for ends where the result does.
        m_atEnd = true;
        return false;
    }
    row = std::move(m_rows.front());
    m_rows.pop_front();
    ++m_position;
    return true;
}

std::vector<BrandleRow> OdbcCursor::read(int64_t count)
{
    std::vector<BrandleRow> rows;
    BrandleRow row;
    while (static_cast<int64_t>(rows.size()) < count && next(row, count - static_cast<int64_t>(rows.size())))
        rows.push_back(std::move(row));
    return rows;
}

std::vector<BrandleRow> OdbcCursor::Fetch(int count)
{
    if (m_atEnd || count <= 0)
        return {};
    m_lastFetch = count;
    return read(count);
}

int64_t OdbcCursor::land(int64_t target)
{
    const int64_t from = m_position;
    moved();
    m_position = target;
    try {
        // The first row of a window read where the move lands shows that the
        // rows stepped over were there.
        fill(m_lastFetch);
        if (!m_rows.empty())
            return target - from;
        // Nothing there: the rows left are counted.
        moved();
        const int64_t all = m_c.count(m_query, m_translated, static_cast<int>(m_names.size()), m_token);
        m_position = std::clamp<int64_t>(all, from, target);
        m_atEnd = true;
        return m_position - from;
    } catch (...) {
        moved();
        m_position = from;
        throw;
    }
}

int64_t OdbcCursor::Skip(int64_t count)
{
    if (m_atEnd || count <= 0)
        return 0;
    // Within the rows read ahead (or up to the end they show): stepped over here.
    const int64_t ahead = static_cast<int64_t>(m_rows.size());
    if (count <= ahead || (m_resultEnds && ahead > 0)) {
        const int64_t n = std::min(count, ahead);
        m_rows.erase(m_rows.begin(), m_rows.begin() + n);
        m_position += n;
        if (n < count)
            m_atEnd = true;
        return n;
    }
    if (m_resultEnds) {
        m_atEnd = true;
        return 0;
    }
    return land(m_position + count);
}

int64_t OdbcCursor::SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept)
{
    kept.clear();
    if (m_atEnd)
        return -1;
    // Without an order of the list's the query's rows come in the order its own
    // gives them (the row id last), which only reading them shows.
    if (m_order.empty())
        return seekThrough(id, keep, kept);
    const BrandleReadConnection::IdPosition found =
        m_c.position(m_query, m_translated, static_cast<int>(m_names.size()), m_order, id, m_token);
    if (found.position < m_position) {
        // Not in the rows from here on: the cursor is at the end, as after reading them.
        moved();
        m_position = std::max(m_position, found.count);
        m_atEnd = true;
        return -1;
    }
    const int64_t from = std::max<int64_t>(m_position, found.position - std::max(keep, 0));
    if (from > m_position) {
        const int64_t gap = from - m_position;
        if (Skip(gap) != gap)
            return -1;  // fewer rows than counted: the result changed meanwhile
    }
    std::vector<BrandleRow> rows = read(found.position - from + 1);
    const bool hit = static_cast<int64_t>(rows.size()) == found.position - from + 1 && !rows.back().empty() &&
                     !rows.back().front().isNull() && static_cast<int64_t>(rows.back().front().toDouble()) == id;
    if (!hit)
        return m_atEnd ? -1 : seekThrough(id, keep, kept);  // the rows changed since they were counted
    kept = std::move(rows);
    return found.position;
}

int64_t OdbcCursor::seekThrough(int64_t id, int keep, std::vector<BrandleRow>& kept)
{
    kept.clear();
    std::deque<BrandleRow> ring;
    BrandleRow row;
    while (next(row, m_lastFetch)) {
        const bool hit = !row.empty() && !row.front().isNull() && static_cast<int64_t>(row.front().toDouble()) == id;
        if (hit || keep > 0) {
            ring.push_back(std::move(row));
            if (static_cast<int>(ring.size()) > keep + 1)
                ring.pop_front();
        }
        if (hit) {
            kept.assign(std::make_move_iterator(ring.begin()), std::make_move_iterator(ring.end()));
            return m_position - 1;
        }
    }
    return -1;
}

// The whole result in one statement, read on as the caller fetches (see
// OpenReader): its rows in the order a cursor without keys reads them, the row id
// last. The statement is closed at the end of the result, on an error and when
// the reader goes; only a caller that reads on holds it open.
class OdbcReader final : public BrandleQueryCursor {
public:
    OdbcReader(OdbcReadConnectionImpl& c, const QString& query, const QString& translated, BrandleCancelToken token)
        : m_c(c), m_token(std::move(token))
    {
        m_c.header(m_token, query, translated, m_names, m_types);
        const int columns = static_cast<int>(m_names.size());
        m_query = columns > 0 ? tsql::WithRowIdLast(query, m_names.front()) : query;
        m_translated = columns > 0 && !translated.isEmpty() ? tsql::WithRowIdLast(translated, m_names.front())
                                                            : translated;
        open();
    }

    QStringList FieldNames() const override { return m_names; }
    std::vector<int32_t> FieldTypes() const override { return m_types; }
    std::vector<BrandleRow> Fetch(int count) override
    {
        std::vector<BrandleRow> rows;
        BrandleRow row;
        while (static_cast<int>(rows.size()) < count && next(row))
            rows.push_back(std::move(row));
        return rows;
    }
    int64_t Skip(int64_t count) override
    {
        int64_t n = 0;
        BrandleRow row;
        while (n < count && next(row))
            ++n;
        return n;
    }
    int64_t SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept) override
    {
        kept.clear();
        std::deque<BrandleRow> ring;
        BrandleRow row;
        while (next(row)) {
            const bool hit =
                !row.empty() && !row.front().isNull() && static_cast<int64_t>(row.front().toDouble()) == id;
            ring.push_back(std::move(row));
            if (static_cast<int>(ring.size()) > std::max(keep, 0) + 1)
                ring.pop_front();
            if (hit) {
                kept.assign(std::make_move_iterator(ring.begin()), std::make_move_iterator(ring.end()));
                return m_position - 1;
            }
        }
        return -1;
    }
    int64_t Position() const override { return m_position; }
    bool AtEnd() const override { return m_atEnd; }
    void Rewind() override
    {
        m_open.reset();
        m_position = 0;
        m_atEnd = false;
        open();
    }

private:
    void open()
    {
        const int columns = static_cast<int>(m_names.size());
        const bool asWritten = OdbcRunsAsWritten(m_query, {});
        QStringList names;
        std::vector<int32_t> types;
        m_c.guard(m_token, [&] {
            m_open = m_c.backend().openQuery(asWritten ? m_query : OdbcPageQuery(m_query, columns, {}, 0, -1),
                                             asWritten ? m_translated : SqlitePage(m_translated, {}, 0, -1), names,
                                             types);
        });
    }
    bool next(BrandleRow& row)
    {
        if (m_atEnd || !m_open)
            return false;
        bool got = false;
        try {
            m_c.guard(m_token, [&] { got = m_c.backend().readRow(*m_open, row); });
        } catch (...) {
            m_open.reset();
            m_atEnd = true;
            throw;
        }
        if (!got) {
            m_open.reset();  // the whole result read: nothing left open on the server
            m_atEnd = true;
            return false;
        }
        ++m_position;
        return true;
    }

    OdbcReadConnectionImpl& m_c;
    BrandleCancelToken m_token;
    QString m_query;
    QString m_translated;
    QStringList m_names;
    std::vector<int32_t> m_types;
    std::unique_ptr<OdbcBackend::OpenQuery> m_open;
    int64_t m_position = 0;
    bool m_atEnd = false;
};

std::unique_ptr<BrandleQueryCursor> OdbcReadConnectionImpl::OpenReader(const QString& query,
                                                                      const BrandleCancelToken& token)
{
    const Texts t = texts(query);
    return std::make_unique<OdbcReader>(*this, t.tsql, t.sqlite, token);
}

}  // namespace

bool OdbcRunsAsWritten(const QString& query, const std::vector<BrandleSortKey>& order)
{
    return order.empty() && tsql::HasOwnOrder(query) && tsql::InnerQuery(query) == query;
}

QString OdbcPageQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& order, long long offset,
                      long long count)
{
    // An order of the query's own is kept and paged as it is when OFFSET may stand
    // beside it. One that comes with TOP, OFFSET or FOR XML already takes no second
    // OFFSET, and wrapped it would lose its order: it runs as written (the cursor
    // reads past the rows before its position; such a query chose its few rows).
    if (OdbcRunsAsWritten(query, order))
        return query;
    return tsql::WithOwnHints(query, [&](const QString& body) {
        if (order.empty() && tsql::HasOwnOrder(body)) {
            QString s = body + QStringLiteral("\nOFFSET ") + QString::number(offset) + QStringLiteral(" ROWS");
            if (count >= 0)
                s += QStringLiteral(" FETCH NEXT ") + QString::number(count) + QStringLiteral(" ROWS ONLY");
            return s;
        }
        return tsql::OrderedQuery(body, columns, order, offset, count);
    });
}

std::unique_ptr<BrandleReadConnection> MakeOdbcReadConnection(std::unique_ptr<OdbcBackend> backend)
{
    return std::make_unique<OdbcReadConnectionImpl>(std::move(backend));
}

std::unique_ptr<BrandleReadConnection> OpenOdbcReadConnection(const OdbcServerConfig& config, const QString& server,
                                                               const QString& database, const QString& login,
                                                               const QString& password)
{
    return MakeOdbcReadConnection(OpenOdbcBackend(config, server, database, login, password, true));
}
