#include "platform/database/BrandleCursor.h"

#include "base/AppError.h"
#include "platform/database/DatabaseServer.h"
#include "platform/database/SqlFence.h"
#include "platform/database/OdbcReadConnection.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcTsqlReading.h"
#include "platform/database/SqlTranslator.h"
#include "platform/database/SqliteBackend.h"
#include "platform/database/SqliteValues.h"

#include <sqlite3.h>

#include <deque>
#include <mutex>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");
const QString kNotAQuery = NotASingleQueryMessage();

[[noreturn]] void Fail(const QString& message) { throw AppError(kDatabaseErrorNumber, message, kSource); }

BrandleRow ReadRow(sqlite3_stmt* st, int columns)
{
    BrandleRow r;
    r.reserve(columns);
    for (int i = 0; i < columns; ++i)
        r.push_back(SqliteColumnValue(st, i));
    return r;
}

// The program's SQL of a single query that cannot write, in the embedded server's SQL.
QString TranslateQuery(const QString& query)
{
    const std::vector<TranslatedStatement> statements = TranslateBatch(query);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Sql ||
        statements.front().writes)
        Fail(kNotAQuery);
    return statements.front().sql;
}

class SqliteReadConnection;

// Marks the connection as running under a token for the length of one call.
class CallScope {
public:
    CallScope(SqliteReadConnection& c, const BrandleCancelToken& token);
    ~CallScope();

private:
    SqliteReadConnection& m_c;
};

class SqliteReadConnection final : public BrandleReadConnection {
public:
    SqliteReadConnection(std::unique_ptr<FencedDatabase> fenced, QString server, QString database)
        : m_fenced(std::move(fenced)), m_db(m_fenced->handle()), m_server(std::move(server)),
          m_database(std::move(database))
    {
        sqlite3_progress_handler(m_db, 500, &SqliteReadConnection::progress, this);
    }

    QString ServerName() const override { return m_server; }
    QString DatabaseName() const override { return m_database; }

    std::unique_ptr<BrandleQueryCursor> OpenCursor(const QString& query, const std::vector<BrandleSortKey>& order,
                                                   const BrandleCancelToken& token) override;
    int64_t CountRows(const QString& query, const BrandleCancelToken& token) override;
    IdPosition PositionOfId(const QString& query, const std::vector<BrandleSortKey>& order, int64_t id,
                            const BrandleCancelToken& token) override;

    void Cancel(const BrandleCancelToken& token) override
    {
        if (!token)
            return;
        token->store(true);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current.load() == token.get())
            sqlite3_interrupt(m_db);
    }

    sqlite3* db() const { return m_db; }

    // One query that only reads, as the database reads the text (see FencedDatabase).
    sqlite3_stmt* prepare(const QString& sql)
    {
        sqlite3_stmt* st = nullptr;
        const int rc = m_fenced->PrepareSingleQuery(sql, &st);
        if (rc == FencedDatabase::kNotASingleQuery)
            Fail(kNotAQuery);
        if (rc != SQLITE_OK)
            failDatabase();
        return st;
    }

    // Refuses a text the database would not read as one query before it becomes
    // part of a larger statement.
    void check(const QString& sql) { sqlite3_finalize(prepare(sql)); }

    [[noreturn]] void failDatabase()
    {
        const int code = sqlite3_errcode(m_db);
        std::atomic<bool>* current = m_current.load();
        if (code == SQLITE_INTERRUPT || (current && current->load()))
            throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"), kSource);
        Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }

private:
    friend class CallScope;
    static int progress(void* self)
    {
        std::atomic<bool>* current = static_cast<SqliteReadConnection*>(self)->m_current.load();
        return current && current->load() ? 1 : 0;
    }

    std::unique_ptr<FencedDatabase> m_fenced;
    sqlite3* m_db;
    QString m_server;
    QString m_database;
    std::mutex m_mutex;
    std::atomic<std::atomic<bool>*> m_current{nullptr};
};

CallScope::CallScope(SqliteReadConnection& c, const BrandleCancelToken& token) : m_c(c)
{
    if (token && token->load())
        throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"), kSource);
    std::lock_guard<std::mutex> lock(m_c.m_mutex);
    m_c.m_current.store(token.get());
}

CallScope::~CallScope()
{
    std::lock_guard<std::mutex> lock(m_c.m_mutex);
    m_c.m_current.store(nullptr);
}

class SqliteCursor final : public BrandleQueryCursor {
public:
    // sql: the cursor's statement; ordered: it sorts the whole result, so that its
    // first rows come sooner from a statement of their own with a LIMIT.
    SqliteCursor(SqliteReadConnection& c, sqlite3_stmt* st, BrandleCancelToken token, QString sql, bool ordered)
        : m_c(c), m_st(st), m_token(std::move(token)), m_sql(std::move(sql)), m_ordered(ordered)
    {
        const int columns = sqlite3_column_count(m_st);
        for (int i = 0; i < columns; ++i) {
            m_names << QString::fromUtf8(sqlite3_column_name(m_st, i));
            // Text when the declaration says nothing.
            const int32_t type = AdoTypeOfDeclaration(sqlite3_column_decltype(m_st, i));
            m_types.push_back(type ? type : adVarChar);
        }
    }
    ~SqliteCursor() override { sqlite3_finalize(m_st); }

    QStringList FieldNames() const override { return m_names; }
    std::vector<int32_t> FieldTypes() const override { return m_types; }

    std::vector<BrandleRow> Fetch(int count) override
    {
        std::vector<BrandleRow> rows;
        CallScope scope(m_c, m_token);
        if (m_ordered && !m_started && m_topFetches < kTopFetches && count > 0 && m_position + count <= kTopRows)
            return fetchFirst(count);
        while (static_cast<int>(rows.size()) < count && step())
            rows.push_back(row());
        return rows;
    }

    int64_t Skip(int64_t count) override
    {
        // Near the start of a sorted result nothing is stepped over: the rows after
        // the skipped ones come from a top-N query of their own (they are taken to
        // be there; a short result shows as an end at the fetch).
        if (m_ordered && !m_started && m_topFetches == 0 && !m_atEnd && count > 0 && m_position + count < kTopRows) {
            m_position += count;
            m_lag = m_position;
            return count;
        }
        CallScope scope(m_c, m_token);
        int64_t n = 0;
        while (n < count && step())
            ++n;
        return n;
    }

    int64_t SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept) override
    {
        kept.clear();
        CallScope scope(m_c, m_token);
        std::deque<BrandleRow> ring;
        while (step()) {
            const bool found = sqlite3_column_type(m_st, 0) != SQLITE_NULL && sqlite3_column_int64(m_st, 0) == id;
            if (found || keep > 0) {
                ring.push_back(row());
                if (static_cast<int>(ring.size()) > keep + 1)
                    ring.pop_front();
            }
            if (found) {
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
        sqlite3_reset(m_st);
        m_position = 0;
        m_lag = 0;
        m_started = false;
        m_topFetches = 0;
        m_atEnd = false;
    }

private:
    // Rows of a sorted result this near its start come by a top-N query (its
    // sorter holds no more than this many rows).
    static constexpr int64_t kTopRows = 20000;
    // Batches served so: the first screen and the one read ahead after it (which
    // would otherwise sort the whole result, holding up other reads meanwhile).
    static constexpr int kTopFetches = 2;

    // Rows near the start of a sorted result by a top-N query, which need not sort it
    // all; for the first batches only: the cursor's own statement catches up when rows
    // further on are read, so that paging on sorts the result once instead of once a page.
    std::vector<BrandleRow> fetchFirst(int count)
    {
        ++m_topFetches;
        std::vector<BrandleRow> rows;
        sqlite3_stmt* first = m_c.prepare(m_sql + QStringLiteral("\nLIMIT ") + QString::number(count) +
                                          QStringLiteral(" OFFSET ") + QString::number(m_position));
        struct Finalizer {
            sqlite3_stmt* st;
            ~Finalizer() { sqlite3_finalize(st); }
        } finalizer{first};
        int rc;
        while ((rc = sqlite3_step(first)) == SQLITE_ROW)
            rows.push_back(ReadRow(first, static_cast<int>(m_names.size())));
        if (rc != SQLITE_DONE)
            m_c.failDatabase();
        m_position += static_cast<int64_t>(rows.size());
        m_lag = m_position;
        if (static_cast<int>(rows.size()) < count)
            m_atEnd = true;
        return rows;
    }

    bool step()
    {
        if (m_atEnd)
            return false;
        m_started = true;
        while (m_lag > 0) {
            const int rc = sqlite3_step(m_st);
            if (rc == SQLITE_ROW) {
                --m_lag;
                continue;
            }
            m_lag = 0;
            if (rc == SQLITE_DONE) {
                m_atEnd = true;
                return false;
            }
            failStep();
        }
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW) {
            ++m_position;
            return true;
        }
        if (rc == SQLITE_DONE) {
            m_atEnd = true;
            return false;
        }
        failStep();
    }

    // A failed or stopped step leaves the statement to be run again from the start.
    [[noreturn]] void failStep()
    {
        sqlite3_reset(m_st);
        m_position = 0;
        m_started = false;
        m_c.failDatabase();
    }

    BrandleRow row() const { return ReadRow(m_st, static_cast<int>(m_names.size())); }

    SqliteReadConnection& m_c;
    sqlite3_stmt* m_st;
    BrandleCancelToken m_token;
    QStringList m_names;
    std::vector<int32_t> m_types;
    QString m_sql;
    bool m_ordered = false;
    bool m_started = false;  // the statement has been stepped since it was (re)started
    int m_topFetches = 0;    // batches top-N queries have served since then
    int64_t m_lag = 0;       // rows the statement is behind the position
    int64_t m_position = 0;
    bool m_atEnd = false;
};

std::unique_ptr<BrandleQueryCursor> SqliteReadConnection::OpenCursor(const QString& query,
                                                                     const std::vector<BrandleSortKey>& order,
                                                                     const BrandleCancelToken& token)
{
    QString sql = TranslateQuery(query);
    CallScope scope(*this, token);
    check(sql);
    if (!order.empty()) {
        // The query becomes a derived table; the order goes by select-list position,
        // after a line break so that a comment ending the query stays a comment.
        QString keys;
        for (const BrandleSortKey& k : order) {
            if (!keys.isEmpty())
                keys += QStringLiteral(", ");
            keys += QString::number(k.field + 1) + (k.descending ? QStringLiteral(" DESC") : QString());
        }
        sql = QStringLiteral("SELECT * FROM (\n") + sql + QStringLiteral("\n) ORDER BY ") + keys;
    }
    sqlite3_stmt* st = prepare(sql);
    if (order.empty() && sqlite3_column_count(st) > 0) {
        // The query's own order ends in the row id, as every order the lists page
        // does: a selection by id reads the rows again, in the same order.
        const QString tieBroken = tsql::WithRowIdLast(sql, QString::fromUtf8(sqlite3_column_name(st, 0)));
        if (tieBroken != sql) {
            sqlite3_finalize(st);
            sql = tieBroken;
            st = prepare(sql);
        }
    }
    return std::make_unique<SqliteCursor>(*this, st, token, sql, !order.empty());
}

int64_t SqliteReadConnection::CountRows(const QString& query, const BrandleCancelToken& token)
{
    const QString inner = TranslateQuery(query);
    CallScope scope(*this, token);
    check(inner);
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM (\n") + inner + QStringLiteral("\n)");
    sqlite3_stmt* st = prepare(sql);
    struct Finalizer {
        sqlite3_stmt* st;
        ~Finalizer() { sqlite3_finalize(st); }
    } finalizer{st};
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(st, 0);
    if (rc == SQLITE_DONE)
        return 0;
    failDatabase();
}

BrandleReadConnection::IdPosition SqliteReadConnection::PositionOfId(const QString& query,
                                                                    const std::vector<BrandleSortKey>& order,
                                                                    int64_t id, const BrandleCancelToken& token)
{
    IdPosition result;
    if (order.empty() || order.back().field != 0) {
        result.position = kNoPosition;
        return result;
    }
    const QString inner = TranslateQuery(query);
    CallScope scope(*this, token);
    struct Statement {
        sqlite3_stmt* st = nullptr;
        ~Statement() { sqlite3_finalize(st); }
    };
    int columns = 0;
    {
        Statement probe{prepare(inner)};
        columns = sqlite3_column_count(probe.st);
    }
    // The query's columns get names of their own by position (its own names may repeat).
    QString names;
    for (int i = 0; i < columns; ++i)
        names += (i ? QStringLiteral(", c") : QStringLiteral("c")) + QString::number(i);
    // A name of the program's own, which no table of the query can have.
    const QString with = QStringLiteral("WITH quillon_rows(") + names + QStringLiteral(") AS (\n") + inner + QStringLiteral("\n) ");
    for (const BrandleSortKey& k : order)
        if (k.field < 0 || k.field >= columns)
            Fail(QStringLiteral("The sort column %1 is not in the query.").arg(k.field + 1));
    const auto column = [](const BrandleSortKey& k) { return QStringLiteral("c") + QString::number(k.field); };

    // The row's own values of the order's keys.
    QString keys;
    for (const BrandleSortKey& k : order)
        keys += (keys.isEmpty() ? QString() : QStringLiteral(", ")) + column(k);
    Statement row{prepare(with + QStringLiteral("SELECT ") + keys + QStringLiteral(" FROM quillon_rows WHERE c0 = ?1 LIMIT 1"))};
    sqlite3_bind_int64(row.st, 1, id);
    int rc = sqlite3_step(row.st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        failDatabase();
    const bool found = rc == SQLITE_ROW;

    // The rows before it: those before on one key and equal on all keys before that
    // one, with SQLite's order of values (NULL first ascending, last descending).
    QString before;
    for (size_t i = 0; found && i < order.size(); ++i) {
        const bool isNull = sqlite3_column_type(row.st, static_cast<int>(i)) == SQLITE_NULL;
        const QString c = column(order[i]);
        const QString value = QStringLiteral("?") + QString::number(i + 1);
        QString term;
        if (order[i].descending)
            term = isNull ? c + QStringLiteral(" IS NOT NULL") : c + QStringLiteral(" > ") + value;
        else if (!isNull)
            term = QStringLiteral("(") + c + QStringLiteral(" IS NULL OR ") + c + QStringLiteral(" < ") + value +
                   QStringLiteral(")");
        if (!term.isEmpty()) {
            for (size_t j = 0; j < i; ++j)
                term += QStringLiteral(" AND ") + column(order[j]) + QStringLiteral(" IS ?") + QString::number(j + 1);
            before += (before.isEmpty() ? QString() : QStringLiteral(" OR ")) + QStringLiteral("(") + term +
                      QStringLiteral(")");
        }
    }
    if (before.isEmpty())
        before = QStringLiteral("0");
    // One pass gives the count of the whole result beside the position.
    Statement count{prepare(with + QStringLiteral("SELECT COUNT(*), COALESCE(SUM(CASE WHEN ") + before +
                            QStringLiteral(" THEN 1 ELSE 0 END), 0) FROM quillon_rows"))};
    for (size_t i = 0; found && i < order.size(); ++i)
        sqlite3_bind_value(count.st, static_cast<int>(i + 1), sqlite3_column_value(row.st, static_cast<int>(i)));
    rc = sqlite3_step(count.st);
    if (rc != SQLITE_ROW)
        failDatabase();
    result.count = sqlite3_column_int64(count.st, 0);
    result.position = found ? sqlite3_column_int64(count.st, 1) : -1;
    return result;
}

// Opens the file of a database whose logon was checked: read-only by the file's
// opening and fenced by the database's authorizer, with what this login may not read.
std::unique_ptr<BrandleReadConnection> OpenChecked(const QString& server, const QString& database,
                                                  const QString& login)
{
    std::unique_ptr<FencedDatabase> fenced = FencedDatabase::Open(
        TheDatabaseServer().FindDatabaseFile(server, database), TheDatabaseServer().DeniedReads(login));
    return std::make_unique<SqliteReadConnection>(std::move(fenced), server.trimmed(), database.trimmed());
}

}  // namespace

BrandleCancelToken MakeCancelToken() { return std::make_shared<std::atomic<bool>>(false); }

std::unique_ptr<BrandleReadConnection> BrandleReadConnection::Open(const QString& server, const QString& database,
                                                                   const QString& login, const QString& password)
{
    try {
        if (const std::optional<OdbcServerConfig> odbc = FindOdbcServer(server))
            return OpenOdbcReadConnection(*odbc, server, database, login, password);
        // The checks of a logon, in the order the server makes them; then the file is
        // opened read-only whatever the login may do elsewhere.
        if (!TheDatabaseServer().ServerExists(server))
            Fail(QStringLiteral("SQL Server '%1' does not exist or access denied.").arg(server.trimmed()));
        if (!TheDatabaseServer().CheckLogin(server, login, password))
            Fail(QStringLiteral("Login failed for user '%1'.").arg(login));
        if (TheDatabaseServer().FindDatabaseFile(server, database).isEmpty())
            Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.")
                     .arg(database.trimmed()));
        if (!TheDatabaseServer().LoginMayUse(server, login, database))
            Fail(QStringLiteral("Server user '%1' is not a valid user in database '%2'.").arg(login, database));
        return OpenChecked(server, database, login);
    } catch (const AppError& e) {
        if (e.number() == kDatabaseErrorNumber)
            throw AppError(kDatabaseErrorNumber, e.description(), kSource);
        throw;
    }
}

std::unique_ptr<BrandleReadConnection> BrandleReadConnection::OpenBeside(const BrandleDatabase& connection)
{
    if (!connection.IsOpen())
        return nullptr;
    const QString server = connection.ServerName();
    const QString database = connection.DatabaseName();
    const QString login = connection.LoginName();
    // Only a connection that logged on to a server of ours has a login to borrow
    // (a file opened directly by a tool has none).
    if (server.isEmpty() || login.isEmpty() || !TheDatabaseServer().ServerExists(server) ||
        TheDatabaseServer().FindDatabaseFile(server, database).isEmpty() ||
        !TheDatabaseServer().LoginMayUse(server, login, database))
        return nullptr;
    try {
        return OpenChecked(server, database, login);
    } catch (const AppError&) {
        return nullptr;
    }
}
