#include "platform/database/SqliteBackend.h"

#include "base/AppError.h"
#include "platform/database/DatabaseServer.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedureCall.h"
#include "platform/database/SqlFence.h"
#include "platform/database/SqlTranslator.h"
#include "platform/database/SqliteValues.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimeZone>
#include <sqlite3.h>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");
const QString kTimeoutMessage = CallWatch::TimeoutMessage();

// ---------------------------------------------------------------- values

// ---------------------------------------------------------------- SQL functions

QString textArg(sqlite3_value* v)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

const char* const kDateTimeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

QString formatDateTime(const QDateTime& dt) { return dt.toString(QLatin1String(kDateTimeFormat)); }

// A date argument: ISO text ("2024-01-31", "2024-01-31 12:00:00[.123]", with "T" too).
bool dateArg(sqlite3_value* v, QDateTime& out)
{
    QString s = textArg(v).trimmed();
    if (s.size() > 10 && s[10] == QLatin1Char(' '))
        s[10] = QLatin1Char('T');
    out = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!out.isValid()) {
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (d.isValid())
            out = QDateTime(d, QTime(0, 0));
    }
    return out.isValid();
}

void dateError(sqlite3_context* ctx)
{
    sqlite3_result_error(ctx, "Conversion failed when converting date and/or time from character string.", -1);
}

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, formatDateTime(QDateTime::currentDateTime()));
}

void fnScopeIdentity(sqlite3_context* ctx, int, sqlite3_value**)
{
    sqlite3* db = static_cast<sqlite3*>(sqlite3_user_data(ctx));
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
    if (id == 0)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_int64(ctx, id);
}

QString withoutTrailingBlanks(const QString& s)
{
    int n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' '))
        --n;
    return s.left(n);
}

void fnLen(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, withoutTrailingBlanks(textArg(argv[0])).size());
}

template <bool Left>
void fnLeftRight(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const sqlite3_int64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx,
                             Left ? "Invalid length parameter passed to the left function."
                                  : "Invalid length parameter passed to the right function.",
                             -1);
        return;
    }
    const QString s = textArg(argv[0]);
    const int len = static_cast<int>(std::min<sqlite3_int64>(n, s.size()));
    resultText(ctx, Left ? s.left(len) : s.right(len));
}

void fnCharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QString needle = textArg(argv[0]);
    const QString hay = textArg(argv[1]);
    qsizetype from = 0;
    if (argc > 2)
        from = std::max<sqlite3_int64>(sqlite3_value_int64(argv[2]) - 1, 0);
    if (needle.isEmpty()) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const qsizetype at = hay.indexOf(needle, from, Qt::CaseInsensitive);
    sqlite3_result_int64(ctx, at < 0 ? 0 : at + 1);
}

template <int Part>
void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    QDateTime dt;
    if (!dateArg(argv[0], dt))
        return dateError(ctx);
    const QDate d = dt.date();
    sqlite3_result_int(ctx, Part == 0 ? d.year() : Part == 1 ? d.month() : d.day());
}

enum class DatePart { Year, Quarter, Month, DayOfYear, Day, Week, Hour, Minute, Second, Millisecond, Unknown };

DatePart datePart(const QString& name)
{
    const QString n = name.trimmed().toLower();
    auto is = [&](std::initializer_list<const char*> names) {
        for (const char* x : names) {
            if (n == QLatin1String(x))
                return true;
        }
        return false;
    };
    if (is({"year", "yy", "yyyy"}))
        return DatePart::Year;
    if (is({"quarter", "qq", "q"}))
        return DatePart::Quarter;
    if (is({"month", "mm", "m"}))
        return DatePart::Month;
    if (is({"dayofyear", "dy", "y"}))
        return DatePart::DayOfYear;
    if (is({"day", "dd", "d", "weekday", "dw", "w"}))
        return DatePart::Day;
    if (is({"week", "wk", "ww"}))
        return DatePart::Week;
    if (is({"hour", "hh"}))
        return DatePart::Hour;
    if (is({"minute", "mi", "n"}))
        return DatePart::Minute;
    if (is({"second", "ss", "s"}))
        return DatePart::Second;
    if (is({"millisecond", "ms"}))
        return DatePart::Millisecond;
    return DatePart::Unknown;
}

void partError(sqlite3_context* ctx, const QString& part)
{
    const QByteArray msg = QStringLiteral("'%1' is not a recognized datepart option.").arg(part).toUtf8();
    sqlite3_result_error(ctx, msg.constData(), msg.size());
}

void fnDateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QString partName = textArg(argv[0]);
    const qint64 n = sqlite3_value_int64(argv[1]);
    QDateTime dt;
    if (!dateArg(argv[2], dt))
        return dateError(ctx);
    switch (datePart(partName)) {
    case DatePart::Year:
        dt = dt.addYears(static_cast<int>(n));
        break;
    case DatePart::Quarter:
        dt = dt.addMonths(static_cast<int>(n * 3));
        break;
    case DatePart::Month:
        dt = dt.addMonths(static_cast<int>(n));
        break;
    case DatePart::DayOfYear:
    case DatePart::Day:
        dt = dt.addDays(n);
        break;
    case DatePart::Week:
        dt = dt.addDays(n * 7);
        break;
    case DatePart::Hour:
        dt = dt.addSecs(n * 3600);
        break;
    case DatePart::Minute:
        dt = dt.addSecs(n * 60);
        break;
    case DatePart::Second:
        dt = dt.addSecs(n);
        break;
    case DatePart::Millisecond:
        dt = dt.addMSecs(n);
        break;
    case DatePart::Unknown:
        return partError(ctx, partName);
    }
    resultText(ctx, formatDateTime(dt));
}

// DATEDIFF counts the boundaries of the part crossed between the two dates.
void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QString partName = textArg(argv[0]);
    QDateTime a;
    QDateTime b;
    if (!dateArg(argv[1], a) || !dateArg(argv[2], b))
        return dateError(ctx);
    // both as if in UTC, so that a change of summer time does not count
    a = QDateTime(a.date(), a.time(), QTimeZone::utc());
    b = QDateTime(b.date(), b.time(), QTimeZone::utc());
    auto floorDiv = [](qint64 x, qint64 d) { return x >= 0 ? x / d : -((-x + d - 1) / d); };
    const qint64 ms = a.msecsTo(b);
    const qint64 ams = a.toMSecsSinceEpoch();
    const qint64 bms = b.toMSecsSinceEpoch();
    qint64 r = 0;
    switch (datePart(partName)) {
    case DatePart::Year:
        r = b.date().year() - a.date().year();
        break;
    case DatePart::Quarter:
        r = (b.date().year() * 4 + (b.date().month() - 1) / 3) - (a.date().year() * 4 + (a.date().month() - 1) / 3);
        break;
    case DatePart::Month:
        r = (b.date().year() * 12 + b.date().month()) - (a.date().year() * 12 + a.date().month());
        break;
    case DatePart::DayOfYear:
    case DatePart::Day:
        r = a.date().daysTo(b.date());
        break;
    case DatePart::Week:
        // weeks begin on Sunday; Julian day 0 was a Monday
        r = floorDiv(b.date().toJulianDay() + 1, 7) - floorDiv(a.date().toJulianDay() + 1, 7);
        break;
    case DatePart::Hour:
        r = floorDiv(bms, 3600000) - floorDiv(ams, 3600000);
        break;
    case DatePart::Minute:
        r = floorDiv(bms, 60000) - floorDiv(ams, 60000);
        break;
    case DatePart::Second:
        r = floorDiv(bms, 1000) - floorDiv(ams, 1000);
        break;
    case DatePart::Millisecond:
        r = ms;
        break;
    case DatePart::Unknown:
        return partError(ctx, partName);
    }
    sqlite3_result_int64(ctx, r);
}

}  // namespace

// ---------------------------------------------------------------- the back end

class SqliteBackend::CallScope {
public:
    explicit CallScope(SqliteBackend& b) : m_b(b) { m_b.m_watch.begin(m_b.m_timeout); }
    ~CallScope() { m_b.m_watch.end(); }
    void lift() { m_b.m_watch.lift(); }

private:
    SqliteBackend& m_b;
};

SqliteBackend::SqliteBackend(sqlite3* db, QString server, QString database, QString login)
    : m_db(db), m_server(std::move(server)), m_database(std::move(database)), m_login(std::move(login))
{
    PrepareConnection(m_db);
    m_watch.attach(m_db);
}

SqliteBackend::~SqliteBackend()
{
    m_fenced.reset();
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

std::unique_ptr<SqliteBackend> SqliteBackend::openFile(const QString& path, bool create, const QString& login)
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFileInfo(path).absoluteFilePath().toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw AppError(kDatabaseErrorNumber, QStringLiteral("Cannot open database '%1': %2").arg(path, message),
                       kSource);
    }
    try {
        TheDatabaseServer().PrepareConnection(db);  // the server's collation
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    return std::make_unique<SqliteBackend>(db, QString(), QFileInfo(path).completeBaseName(), login);
}

void SqliteBackend::PrepareConnection(sqlite3* db)
{
    const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct Fn {
        const char* name;
        int args;
        int flags;
        void (*f)(sqlite3_context*, int, sqlite3_value**);
    };
    const Fn functions[] = {
        {"GETDATE", 0, SQLITE_UTF8, fnGetDate},
        {"SCOPE_IDENTITY", 0, SQLITE_UTF8, fnScopeIdentity},
        {"LEN", 1, pure, fnLen},
        {"tsql_left", 2, pure, fnLeftRight<true>},
        {"tsql_right", 2, pure, fnLeftRight<false>},
        {"CHARINDEX", 2, pure, fnCharIndex},
        {"CHARINDEX", 3, pure, fnCharIndex},
        {"YEAR", 1, pure, fnDatePart<0>},
        {"MONTH", 1, pure, fnDatePart<1>},
        {"DAY", 1, pure, fnDatePart<2>},
        {"DATEADD", 3, pure, fnDateAdd},
        {"DATEDIFF", 3, pure, fnDateDiff},
    };
    for (const Fn& fn : functions)
        sqlite3_create_function_v2(db, fn.name, fn.args, fn.flags, db, fn.f, nullptr, nullptr, nullptr);
}

void SqliteBackend::fail(const QString& message) const { throw AppError(kDatabaseErrorNumber, message, kSource); }

void SqliteBackend::failDatabase() const
{
    fail(m_watch.timedOut() ? kTimeoutMessage : QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void SqliteBackend::exec(const QString& sql)
{
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        failDatabase();
}

bool SqliteBackend::execQuietly(const QString& sql) noexcept
{
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Steps a prepared statement to its end; its rows go into snap. SQLITE_DONE or the failure.
static int ReadStatement(sqlite3_stmt* st, ResultSnapshot& snap, std::vector<int32_t>& declared)
{
    const int columns = sqlite3_column_count(st);
    declared.assign(columns, 0);
    for (int c = 0; c < columns; ++c) {
        snap.fieldNames << QString::fromUtf8(sqlite3_column_name(st, c));
        declared[c] = AdoTypeOfDeclaration(sqlite3_column_decltype(st, c));
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<Variant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.push_back(SqliteColumnValue(st, c));
        snap.rows.push_back(std::move(row));
    }
    return rc;
}

ResultSnapshot SqliteBackend::runSql(const QString& sql, bool readOnly)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = utf8.constData();
    const char* end = tail + utf8.size();
    ResultSnapshot result;
    bool haveResult = false;
    while (tail < end) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, tail, static_cast<int>(end - tail), &st, &tail) != SQLITE_OK)
            failDatabase();
        if (!st)
            break;  // only blanks or comments were left
        struct Finalizer {
            sqlite3_stmt* st;
            ~Finalizer() { sqlite3_finalize(st); }
        } finalizer{st};
        const int columns = sqlite3_column_count(st);
        if (readOnly && (!sqlite3_stmt_readonly(st) || columns == 0))
            fail(NotASingleQueryMessage());
        ResultSnapshot snap;
        std::vector<int32_t> declared;
        const int rc = ReadStatement(st, snap, declared);
        if (rc != SQLITE_DONE)
            failDatabase();
        if (columns > 0 && !haveResult) {
            for (int c = 0; c < columns; ++c)
                snap.fieldTypes.push_back(declared[c] ? declared[c] : AdoTypeOfValues(snap.rows, c));
            result = std::move(snap);
            haveResult = true;
        }
    }
    return result;
}

// A batch of several statements, or one with a procedure call, runs inside a
// savepoint of its own (a transaction outside one), so that a failure anywhere
// undoes all of it. A single statement is atomic by itself.
ResultSnapshot SqliteBackend::runStatements(const std::vector<TranslatedStatement>& statements)
{
    bool hasExec = false;
    bool writes = false;
    for (const TranslatedStatement& st : statements) {
        if (st.kind == TranslatedStatement::Kind::Exec) {
            FindCallableHostProcedure(st.procedure, st.args.size());  // an unknown procedure fails before anything runs
            hasExec = true;
        } else {
            writes = writes || st.writes;
        }
    }
    enum class Wrap { None, Transaction, Savepoint } wrap = Wrap::None;
    const QString savepoint = QStringLiteral("quillon_batch_%1").arg(++m_batchSavepoints);
    CallScope scope(*this);
    if (statements.size() > 1 || hasExec) {
        if (sqlite3_get_autocommit(m_db) && writes && !sqlite3_db_readonly(m_db, "main")) {
            // takes the write lock at once, so that no other writer comes between the statements
            exec(QStringLiteral("BEGIN IMMEDIATE"));
            wrap = Wrap::Transaction;
        } else {
            exec(QStringLiteral("SAVEPOINT ") + savepoint);
            wrap = Wrap::Savepoint;
        }
    }
    try {
        ResultSnapshot result;
        bool haveResult = false;
        for (const TranslatedStatement& st : statements) {
            ResultSnapshot snap = st.kind == TranslatedStatement::Kind::Exec
                                      ? RunHostProcedure(FindCallableHostProcedure(st.procedure, st.args.size()), m_db, m_login, st.args, {}, nullptr, m_watch)
                                      : runSql(st.sql, false);
            if (!haveResult && !snap.fieldNames.isEmpty()) {
                result = std::move(snap);
                haveResult = true;
            }
        }
        if (wrap == Wrap::Transaction)
            exec(QStringLiteral("COMMIT"));
        else if (wrap == Wrap::Savepoint)
            exec(QStringLiteral("RELEASE ") + savepoint);
        return result;
    } catch (...) {
        scope.lift();
        // The database may have ended the transaction itself (an interrupted write
        // rolls back everything); then there is nothing left to undo here.
        if (!sqlite3_get_autocommit(m_db)) {
            if (wrap == Wrap::Transaction) {
                execQuietly(QStringLiteral("ROLLBACK"));
            } else if (wrap == Wrap::Savepoint) {
                execQuietly(QStringLiteral("ROLLBACK TO ") + savepoint);
                execQuietly(QStringLiteral("RELEASE ") + savepoint);
            }
        }
        throw;
    }
}

// A statement with a NUL character in it would end there for the database.
void SqliteBackend::refuseNul(const QString& sql) const
{
    if (sql.contains(QChar(u'\0')))
        fail(QStringLiteral("A text holds a NUL character, which the database cannot take."));
}

ResultSnapshot SqliteBackend::run(const QString& sql)
{
    refuseNul(sql);
    return runStatements(TranslateBatch(sql));
}

ResultSnapshot SqliteBackend::runReadOnly(const QString& sql)
{
    refuseNul(sql);
    const std::vector<TranslatedStatement> statements = TranslateBatch(sql);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Sql ||
        statements.front().writes)
        fail(NotASingleQueryMessage());
    if (!m_fenced) {
        const char* file = sqlite3_db_filename(m_db, "main");
        m_fenced = FencedDatabase::Open(file ? QString::fromUtf8(file) : QString(),
                                        TheDatabaseServer().DeniedReads(m_login));
        m_watch.attach(m_fenced->handle());
    }
    sqlite3* db = m_fenced->handle();
    auto failHere = [&] { fail(m_watch.timedOut() ? kTimeoutMessage : QString::fromUtf8(sqlite3_errmsg(db))); };
    CallScope scope(*this);
    sqlite3_stmt* st = nullptr;
    const int prepared = m_fenced->PrepareSingleQuery(statements.front().sql, &st);
    if (prepared == FencedDatabase::kNotASingleQuery)
        fail(NotASingleQueryMessage());
    if (prepared != SQLITE_OK)
        failHere();
    struct Finalizer {
        sqlite3_stmt* st;
        ~Finalizer() { sqlite3_finalize(st); }
    } finalizer{st};
    ResultSnapshot snap;
    std::vector<int32_t> declared;
    if (ReadStatement(st, snap, declared) != SQLITE_DONE)
        failHere();
    for (int c = 0; c < snap.fieldNames.size(); ++c)
        snap.fieldTypes.push_back(declared[c] ? declared[c] : AdoTypeOfValues(snap.rows, c));
    return snap;
}

ResultSnapshot SqliteBackend::runProcedure(BrandleCommand& command)
{
    std::vector<Variant> args;
    QStringList names;
    for (const BrandleCommand::Parameter& p : command.Parameters()) {
        args.push_back(p.direction == adParamOutput ? Variant() : p.value);
        names << p.name;
    }
    const HostProcedureInfo& info = FindCallableHostProcedure(command.ProcedureName(), args.size());
    CallScope scope(*this);
    const QString savepoint = QStringLiteral("quillon_batch_%1").arg(++m_batchSavepoints);
    exec(QStringLiteral("SAVEPOINT ") + savepoint);
    try {
        std::vector<Variant> outputs;
        ResultSnapshot result = RunHostProcedure(info, m_db, m_login, std::move(args), names, &outputs, m_watch);
        exec(QStringLiteral("RELEASE ") + savepoint);
        auto& params = command.Parameters();
        for (size_t i = 0; i < params.size() && i < outputs.size(); ++i) {
            if (params[i].direction != adParamInput)
                params[i].value = outputs[i].isEmpty() ? Variant(Null) : outputs[i];
        }
        return result;
    } catch (...) {
        scope.lift();
        if (!sqlite3_get_autocommit(m_db)) {
            execQuietly(QStringLiteral("ROLLBACK TO ") + savepoint);
            execQuietly(QStringLiteral("RELEASE ") + savepoint);
        }
        throw;
    }
}

void SqliteBackend::begin(int level)
{
    CallScope scope(*this);
    if (level == 0) {
        if (!sqlite3_get_autocommit(m_db))
            fail(QStringLiteral("A transaction is already open on this connection."));
        exec(sqlite3_db_readonly(m_db, "main") ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        exec(QStringLiteral("SAVEPOINT quillon_tran_%1").arg(level));
    }
}

void SqliteBackend::commit(int level)
{
    CallScope scope(*this);
    if (level == 0)
        exec(QStringLiteral("COMMIT"));
    else
        exec(QStringLiteral("RELEASE quillon_tran_%1").arg(level));
}

void SqliteBackend::rollback(int level)
{
    CallScope scope(*this);
    scope.lift();
    if (sqlite3_get_autocommit(m_db))
        return;  // the database already rolled it back
    if (level == 0) {
        exec(QStringLiteral("ROLLBACK"));
    } else {
        exec(QStringLiteral("ROLLBACK TO quillon_tran_%1").arg(level));
        exec(QStringLiteral("RELEASE quillon_tran_%1").arg(level));
    }
}

bool SqliteBackend::inTransaction() const { return !sqlite3_get_autocommit(m_db); }
