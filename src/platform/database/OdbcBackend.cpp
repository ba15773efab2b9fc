#include "platform/database/OdbcBackend.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/SqlText.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/DatabaseServer.h"
#include "platform/database/HostProcedureCall.h"
#include "platform/database/LockWait.h"
#include "platform/database/OdbcCallThread.h"
#include "platform/database/SqlFence.h"
#include "platform/database/OdbcHandles.h"
#include "platform/database/OdbcTsqlReading.h"
#include "platform/database/SqlTranslator.h"
#include "platform/database/SqliteBackend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QDateTime>
#include <dlfcn.h>
#include <mutex>
#include <sqlite3.h>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");
const QString kTimeoutMessage = CallWatch::TimeoutMessage();
// NULL when the login may not see the database's collation.
const QString kDatabaseCodePage = QStringLiteral(
    "SELECT CONVERT(int, COLLATIONPROPERTY(CONVERT(nvarchar(128), DATABASEPROPERTYEX(DB_NAME(), 'Collation')), "
    "'CodePage'));");
const QString kNotAQuery = QStringLiteral("Only a single query that does not change the database may run here.");

[[noreturn]] void Fail(const QString& message) { throw AppError(kDatabaseErrorNumber, message, kSource); }

// What a window event meets when it uses a connection whose statement it is
// waiting for: the driver is not re-entrant.
[[noreturn]] void FailBusy()
{
    Fail(QStringLiteral("The database is busy: a statement of this connection waits for another user."));
}

// The capture extension the SQLite driver loads: beside the program, or where
// QUILLON_SQLITEODBC_EXT says.
QString CaptureExtensionPath()
{
    const QByteArray env = qgetenv("QUILLON_SQLITEODBC_EXT");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                     : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().section(QLatin1Char('/'), 0, -2);
    return dir + QStringLiteral("/quillon-sqliteodbc.so");
}

sqlite3* TakeCapturedConnection(const QString& extension)
{
    void* lib = dlopen(QFile::encodeName(extension).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!lib)
        return nullptr;
    using Take = sqlite3* (*)();
    auto take = reinterpret_cast<Take>(dlsym(lib, "quillon_odbc_take_connection"));
    sqlite3* db = take ? take() : nullptr;
    dlclose(lib);
    return db;
}

// The SQLite form of the transaction statements the back end sends.
QString SqliteControl(const QString& tsql)
{
    if (tsql == QLatin1String("BEGIN TRANSACTION"))
        return QStringLiteral("BEGIN IMMEDIATE");
    if (tsql == QLatin1String("COMMIT TRANSACTION"))
        return QStringLiteral("COMMIT");
    if (tsql == QLatin1String("ROLLBACK TRANSACTION"))
        return QStringLiteral("ROLLBACK");
    static const QString save = QStringLiteral("SAVE TRANSACTION ");
    static const QString rollback = QStringLiteral("ROLLBACK TRANSACTION ");
    if (tsql.startsWith(save))
        return QStringLiteral("SAVEPOINT ") + tsql.mid(save.size());
    if (tsql.startsWith(rollback))
        return QStringLiteral("ROLLBACK TO ") + tsql.mid(rollback.size());
    Fail(QStringLiteral("Not a transaction statement: %1").arg(tsql));
}

}  // namespace

OdbcBackend::OdbcBackend(std::unique_ptr<odbc::Connection> connection, OdbcServerConfig::Dialect dialect,
                         QString server, QString database, QString login)
    : m_connection(std::move(connection)),
      m_dialect(dialect),
      m_server(std::move(server)),
      m_database(std::move(database)),
      m_login(std::move(login))
{
}

OdbcBackend::~OdbcBackend()
{
    try {
        if (inTransaction())
            sendControl(tsql::Rollback(0));
    } catch (...) {
    }
}

std::unique_ptr<OdbcBackend> OdbcBackend::openSqlServer(const OdbcServerConfig& config, const QString& server,
                                                        const QString& database, const QString& login,
                                                        const QString& password)
{
    QString connectionString = SqlServerConnectionString(config, database, login, password);
    struct Wipe {
        QString& text;
        ~Wipe() { text.fill(QChar(u'\0')); }
    } wipe{connectionString};
    auto connection = std::make_unique<odbc::Connection>(connectionString);
    std::unique_ptr<OdbcBackend> b(new OdbcBackend(std::move(connection), OdbcServerConfig::Dialect::SqlServer,
                                                   server.trimmed(), database.trimmed(), login.trimmed()));
    // The read-only login's connection: the same server and database; what it may
    // do is what the server grants that login.
    b->m_openReader = [config, server, database](const QString& readLogin, const QString& readPassword) {
        return openSqlServer(config, server, database, readLogin, readPassword);
    };
    // The session options, and in the same round trip the code page of the
    // database's collation, which the program's text literals are written for.
    const QString opening = tsql::SessionOptions() + QLatin1Char('\n') + kDatabaseCodePage;
    b->logSent(opening);
    const ResultSnapshot codePage = b->sendDirect(opening);
    if (!codePage.rows.empty() && !codePage.rows.front().empty() && !codePage.rows.front().front().isNull())
        SetSqlTextCodePage(codePage.rows.front().front().toInt32());
    return b;
}

std::unique_ptr<OdbcBackend> OdbcBackend::openSqliteFile(const QString& path, const QString& server,
                                                         const QString& database, const QString& login,
                                                         bool readOnly, OdbcServerConfig::Dialect dialect)
{
    if (!QFileInfo::exists(path))
        Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.").arg(database));
    const QString extension = CaptureExtensionPath();
    if (!QFileInfo::exists(extension))
        Fail(QStringLiteral("The SQLite ODBC connection needs '%1', which is missing.").arg(extension));
    // Keeps the extension loaded while the driver loads it, so that its one copy
    // is the one asked for the connection.
    void* keep = dlopen(QFile::encodeName(extension).constData(), RTLD_NOW);
    struct Release {
        void* lib;
        ~Release()
        {
            if (lib)
                dlclose(lib);
        }
    } release{keep};
    const QString connectionString = QStringLiteral("Driver=SQLite3;Database=") + OdbcQuoteValue(path) +
                                     QStringLiteral(";LoadExt=") + OdbcQuoteValue(extension) +
                                     QStringLiteral(";NoTXN=0;Timeout=1;StepAPI=0;ShortNames=1;") +
                                     (readOnly ? QStringLiteral("ReadOnly=1;") : QString());
    auto connection = std::make_unique<odbc::Connection>(connectionString);
    sqlite3* db = TakeCapturedConnection(extension);
    if (!db)
        Fail(QStringLiteral("The SQLite ODBC driver did not load '%1'.").arg(extension));
    std::unique_ptr<OdbcBackend> b(
        new OdbcBackend(std::move(connection), dialect, server.trimmed(), database.trimmed(), login.trimmed()));
    b->m_sqlite = db;
    SqliteBackend::PrepareConnection(db);
    try {
        TheDatabaseServer().PrepareConnection(db);
    } catch (const AppError&) {
        // a bare file without a server: the functions above are enough
    }
    b->m_watch.attach(db);
    if (readOnly)
        sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    // A file opened directly has no logons to check: the read-only login's
    // connection is the file opened so that it cannot write.
    b->m_openReader = [path, server, database, dialect](const QString& readLogin, const QString&) {
        return openSqliteFile(path, server, database, readLogin, true, dialect);
    };
    return b;
}

QString OdbcBackend::driverName() const { return m_connection->driverName(); }

void OdbcBackend::cancel()
{
    std::lock_guard<std::mutex> lock(m_runningMutex);
    m_cancelled = true;
    // The SQLite driver stops a statement through the connection under it; a
    // SQL Server through the driver's cancel of the running statement.
    if (m_sqlite)
        sqlite3_interrupt(m_sqlite);
    else if (m_running)
        m_running->cancel();
}

void OdbcBackend::beginOperation()
{
    std::lock_guard<std::mutex> lock(m_runningMutex);
    m_inOperation = true;
    m_cancelled = false;
}

void OdbcBackend::endOperation()
{
    std::lock_guard<std::mutex> lock(m_runningMutex);
    m_inOperation = false;
}

void OdbcBackend::logSent(const QString& tsql)
{
    if (m_logging)
        m_sent << tsql;
}

void OdbcBackend::setSentLogging(bool on)
{
    m_logging = on;
    if (m_reader)
        m_reader->setSentLogging(on);
}

const QStringList& OdbcBackend::readOnlySentLog() const
{
    static const QStringList none;
    return m_reader ? m_reader->sentLog() : none;
}

void OdbcBackend::clearSentLog()
{
    m_sent.clear();
    if (m_reader)
        m_reader->clearSentLog();
}

void OdbcBackend::setCommandTimeout(int32_t seconds)
{
    m_timeout = seconds;
    if (m_reader)
        m_reader->setCommandTimeout(seconds);
}

void OdbcBackend::setReadOnlyLogin(const QString& login, const QString& encipheredPassword)
{
    if (login.trimmed().compare(m_readLogin, Qt::CaseInsensitive) != 0 || encipheredPassword != m_readPassword)
        m_reader.reset();
    m_readLogin = login.trimmed();
    m_readPassword = encipheredPassword;
}

OdbcBackend& OdbcBackend::reader()
{
    if (m_reader)
        return *m_reader;
    if (m_readLogin.isEmpty() || !m_openReader)
        Fail(QStringLiteral("This connection has no read-only login to run the query with."));
    QString plain = CryptText(1, m_readPassword, SessionCipherKey(), false);
    struct Wipe {
        QString& text;
        ~Wipe() { text.fill(QChar(u'\0')); }
    } wipe{plain};
    try {
        m_reader = m_openReader(m_readLogin, plain);
    } catch (const AppError& e) {
        // Never the session's own connection in its place: it may write.
        Fail(QStringLiteral("The read-only login '%1' could not log on: %2").arg(m_readLogin, e.description()));
    }
    m_reader->setCommandTimeout(m_timeout);
    m_reader->setSentLogging(m_logging);
    return *m_reader;
}

void OdbcBackend::onDriverThread(const std::function<void()>& call)
{
    if (m_inCallWait)
        FailBusy();
    const LockWaitObserver* current = CurrentLockWaitObserver();
    if (!current) {
        call();
        return;
    }
    const LockWaitObserver observer = *current;
    if (!m_callThread)
        m_callThread = std::make_unique<OdbcCallThread>();
    m_waitStopped = false;
    // The driver's diagnostics belong to the thread the call failed on.
    odbc::Diagnostic diagnostic;
    const std::function<void()> job = [&] {
        try {
            call();
        } catch (...) {
            diagnostic = odbc::LastDiagnostic();
            throw;
        }
    };
    m_inCallWait = true;
    try {
        m_callThread->run(job, observer, [this] {
            m_waitStopped = true;
            cancel();
        });
    } catch (const AppError&) {
        m_inCallWait = false;
        odbc::SetLastDiagnostic(diagnostic);
        // Stopped by the user: the call fails as a lock wait the user cancels on
        // the embedded server does.
        if (m_waitStopped)
            Fail(kTimeoutMessage);
        throw;
    } catch (...) {
        m_inCallWait = false;
        throw;
    }
    m_inCallWait = false;
}

ResultSnapshot OdbcBackend::readResults(odbc::Statement& st)
{
    std::vector<ResultSnapshot> all = readAllResults(st);
    return all.empty() ? ResultSnapshot() : std::move(all.front());
}

std::vector<ResultSnapshot> OdbcBackend::readAllResults(odbc::Statement& st)
{
    std::vector<ResultSnapshot> results;
    do {
        if (st.columnCount() == 0)
            continue;
        ResultSnapshot snap;
        std::vector<SQLSMALLINT> sqlTypes;
        snap.fieldNames.clear();
        st.describe(snap.fieldNames, snap.fieldTypes, sqlTypes);
        const size_t columns = sqlTypes.size();
        while (st.fetch()) {
            std::vector<Variant> row;
            row.reserve(columns);
            for (size_t c = 0; c < columns; ++c)
                row.push_back(st.value(static_cast<int>(c), sqlTypes[c]));
            snap.rows.push_back(std::move(row));
        }
        results.push_back(std::move(snap));
    } while (m_dialect == OdbcServerConfig::Dialect::SqlServer && st.moreResults());
    return results;
}

void OdbcBackend::withStatement(const std::function<void(odbc::Statement&)>& call)
{
    onDriverThread([&] {
        odbc::Statement st(*m_connection);
        if (m_timeout > 0)
            st.setQueryTimeout(m_timeout);
        CallScope scope(*this, &st);
        try {
            call(st);
        } catch (const AppError&) {
            if (m_watch.timedOut())
                Fail(kTimeoutMessage);
            throw;
        }
    });
}

ResultSnapshot OdbcBackend::sendDirect(const QString& text)
{
    ResultSnapshot result;
    withStatement([&](odbc::Statement& st) {
        st.execDirect(text);
        result = readResults(st);
    });
    return result;
}

void OdbcBackend::sendControl(const QString& tsql)
{
    if (tsql.isEmpty())
        return;
    logSent(tsql);
    sendDirect(m_dialect == OdbcServerConfig::Dialect::SqlServer ? tsql : SqliteControl(tsql));
}

ResultSnapshot OdbcBackend::runSqlite(const TranslatedStatement& st)
{
    if (st.kind == TranslatedStatement::Kind::Exec)
        return callHostProcedure(st.procedure, st.args, {}, nullptr);
    return sendDirect(st.sql);
}

ResultSnapshot OdbcBackend::send(const QString& tsql)
{
    logSent(tsql);
    // A SQL Server gets the text as written: the site's own SQL as the site wrote
    // it, the program's literals as QuoteSQLString wrote them for the database.
    if (m_dialect == OdbcServerConfig::Dialect::SqlServer)
        return sendDirect(tsql);
    ResultSnapshot result;
    bool haveResult = false;
    for (const TranslatedStatement& st : TranslateBatch(tsql)) {
        ResultSnapshot snap = runSqlite(st);
        if (!haveResult && !snap.fieldNames.isEmpty()) {
            result = std::move(snap);
            haveResult = true;
        }
    }
    return result;
}

// A statement with a NUL character in it would end there for the server.
void RefuseNul(const QString& sql)
{
    if (sql.contains(QChar(u'\0')))
        Fail(QStringLiteral("A text holds a NUL character, which the database cannot take."));
}

ResultSnapshot OdbcBackend::run(const QString& sql)
{
    RefuseNul(sql);
    // One query, by T-SQL's reading, needs no transaction of its own.
    if (m_dialect == OdbcServerConfig::Dialect::SqlServer && tsql::IsSingleQuery(sql))
        return send(sql);
    // How many statements the batch has and whether it writes; a text the
    // translator does not know counts as a writing batch for a SQL Server.
    bool several = true;
    bool writes = true;
    QString procedure;  // the one procedure the text calls
    try {
        const std::vector<TranslatedStatement> statements = TranslateBatch(sql);
        several = statements.size() > 1;
        writes = false;
        for (const TranslatedStatement& st : statements) {
            writes = writes || st.writes || st.kind == TranslatedStatement::Kind::Exec;
            several = several || st.kind == TranslatedStatement::Kind::Exec;
        }
        if (statements.size() == 1 && statements.front().kind == TranslatedStatement::Kind::Exec)
            procedure = statements.front().procedure;
    } catch (const AppError&) {
        if (m_dialect != OdbcServerConfig::Dialect::SqlServer)
            throw;
    }
    if (!several || !writes)
        return send(sql);
    if (m_dialect == OdbcServerConfig::Dialect::SqlServer) {
        // A call or several statements: one batch with its transaction handling,
        // one round trip.
        const int number = ++m_batches;
        const QString batch = tsql::TransactionBatch(sql, number, QString(), procedure);
        return inOneBatch(number, [&] { return send(batch); });
    }
    // A batch of several statements runs in a transaction (a savepoint inside an
    // open one) of its own, so that a failure anywhere undoes all of it.
    const bool outer = !inTransaction();
    const int number = ++m_batches;
    sendControl(outer ? tsql::Begin(0) : tsql::SaveBatch(number));
    try {
        ResultSnapshot result = send(sql);
        if (outer)
            sendControl(tsql::Commit(0));
        return result;
    } catch (...) {
        try {
            // The server may have ended the transaction itself; then nothing is left to undo.
            if (inTransaction())
                sendControl(outer ? tsql::Rollback(0) : tsql::RollbackBatch(number));
        } catch (...) {
        }
        throw;
    }
}

void OdbcBackend::fence(const QString& sqliteText)
{
    if (!m_sqlite)
        return;
    if (!m_fenced) {
        QStringList denied;
        try {
            denied = TheDatabaseServer().DeniedReads(m_login);
        } catch (const AppError&) {
            // a bare file without a server: no denials
        }
        const char* file = sqlite3_db_filename(m_sqlite, "main");
        m_fenced = FencedDatabase::Open(file ? QString::fromUtf8(file) : QString(), denied);
    }
    sqlite3_stmt* st = nullptr;
    const int rc = m_fenced->PrepareSingleQuery(sqliteText, &st);
    sqlite3_finalize(st);
    if (rc == FencedDatabase::kNotASingleQuery)
        Fail(NotASingleQueryMessage());
    if (rc != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(m_fenced->handle())));
}

ResultSnapshot OdbcBackend::runReadOnly(const QString& sql)
{
    RefuseNul(sql);
    if (m_dialect == OdbcServerConfig::Dialect::SqlServer) {
        // As written: the server reads it, the read-only login's rights fence it.
        if (!tsql::IsSingleQuery(sql))
            Fail(NotASingleQueryMessage());
        return reader().send(sql);
    }
    const std::vector<TranslatedStatement> statements = TranslateBatch(sql);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Sql ||
        statements.front().writes)
        Fail(NotASingleQueryMessage());
    // User-typed and stored SQL runs on the read-only login's connection only,
    // never on this one, which can write.
    OdbcBackend& r = reader();
    r.fence(statements.front().sql);
    return r.send(sql);
}

ResultSnapshot OdbcBackend::callHostProcedure(const QString& name, std::vector<Variant> args,
                                              const QStringList& names, std::vector<Variant>* outputs)
{
    if (m_inCallWait)
        FailBusy();
    const HostProcedureInfo& info = FindCallableHostProcedure(name, args.size());
    CallScope scope(*this, nullptr);
    return RunHostProcedure(info, m_sqlite, m_login, std::move(args), names, outputs, m_watch);
}

ResultSnapshot OdbcBackend::inOneBatch(int number, const std::function<ResultSnapshot()>& run)
{
    try {
        return run();
    } catch (...) {
        try {
            // A timeout or Cancel stops the batch where it is, past its CATCH:
            // its own transaction is rolled back, and in one the program holds,
            // its work back to its savepoint (when the server has not doomed the
            // transaction, which then can only be rolled back as a whole).
            if (m_heldLevels > 0)
                sendControl(tsql::RollbackBatchIfOpen(number));
            else if (inTransaction())
                sendControl(tsql::Rollback(0));
        } catch (...) {
        }
        throw;
    }
}

ResultSnapshot OdbcBackend::runProcedure(BrandleCommand& command)
{
    if (m_dialect == OdbcServerConfig::Dialect::SqlServer) {
        // One batch: the call and its transaction handling in one round trip.
        const int number = ++m_batches;
        const QString batch = tsql::CallBatch(command, number);
        logSent(batch);
        return inOneBatch(number, [&] {
            ResultSnapshot result;
            onDriverThread([&] { result = callSqlServer(command, batch); });
            return result;
        });
    }
    // A call runs in a transaction (a savepoint inside an open one) of its own, so
    // that a procedure that fails leaves nothing of its work behind.
    const bool outer = !inTransaction();
    const int number = ++m_batches;
    sendControl(outer ? tsql::Begin(0) : tsql::SaveBatch(number));
    try {
        logSent(tsql::CallEscape(command));
        // The embedded server's procedures are host code: they run on the
        // connection under the driver, in its transaction.
        std::vector<Variant> args;
        QStringList names;
        for (const BrandleCommand::Parameter& p : command.Parameters()) {
            args.push_back(p.direction == adParamOutput ? Variant() : p.value);
            names << p.name;
        }
        std::vector<Variant> outputs;
        ResultSnapshot result = callHostProcedure(command.ProcedureName(), std::move(args), names, &outputs);
        // A procedure that rolled back the transaction it was called in has
        // stored nothing: the call fails, as it does on a SQL Server.
        if (!inTransaction())
            Fail(tsql::EndedTransactionMessage(command.ProcedureName()));
        for (size_t i = 0; i < command.Parameters().size() && i < outputs.size(); ++i) {
            if (command.Parameters()[i].direction == adParamOutput)
                command.Parameters()[i].value = outputs[i].isEmpty() ? Variant(Null) : outputs[i];
        }
        if (outer)
            sendControl(tsql::Commit(0));
        return result;
    } catch (...) {
        try {
            if (inTransaction())
                sendControl(outer ? tsql::Rollback(0) : tsql::RollbackBatch(number));
        } catch (...) {
        }
        throw;
    }
}

void OdbcBackend::begin(int level)
{
    sendControl(tsql::Begin(level));
    m_heldLevels = level + 1;
}

void OdbcBackend::commit(int level)
{
    sendControl(tsql::Commit(level));
    m_heldLevels = level;
}

void OdbcBackend::rollback(int level)
{
    sendControl(tsql::Rollback(level));
    m_heldLevels = level;
}

bool OdbcBackend::inTransaction() const
{
    if (m_sqlite)
        return !sqlite3_get_autocommit(m_sqlite);
    auto* self = const_cast<OdbcBackend*>(this);
    // While a statement of this connection runs, the answer it last gave.
    if (m_inCallWait)
        return m_knownInTransaction;
    try {
        const ResultSnapshot r = self->sendDirect(QStringLiteral("SELECT @@TRANCOUNT"));
        self->m_knownInTransaction = !r.rows.empty() && r.rows.front().front().toInt32() > 0;
    } catch (...) {
        self->m_knownInTransaction = false;
    }
    return m_knownInTransaction;
}

void OdbcBackend::query(const QString& tsql, const QString& sqliteText,
                        const std::function<void(const QStringList&, const std::vector<int32_t>&)>& header,
                        const std::function<bool(std::vector<Variant>&&)>& sink)
{
    logSent(tsql);
    const QString text = m_dialect == OdbcServerConfig::Dialect::SqliteFiles ? sqliteText : tsql;
    withStatement([&](odbc::Statement& st) {
        st.execDirect(text);
        QStringList names;
        std::vector<int32_t> types;
        std::vector<SQLSMALLINT> sqlTypes;
        st.describe(names, types, sqlTypes);
        header(names, types);
        while (st.fetch()) {
            std::vector<Variant> row;
            row.reserve(sqlTypes.size());
            for (size_t c = 0; c < sqlTypes.size(); ++c)
                row.push_back(st.value(static_cast<int>(c), sqlTypes[c]));
            if (!sink(std::move(row)))
                break;
        }
        st.closeCursor();
    });
}

std::unique_ptr<OdbcBackend> OpenOdbcBackend(const OdbcServerConfig& config, const QString& server,
                                             const QString& database, const QString& login, const QString& password,
                                             bool readOnly)
{
    if (config.dialect == OdbcServerConfig::Dialect::SqlServer)
        return OdbcBackend::openSqlServer(config, server, database, login, password);
    // The checks of a logon, in the order the embedded server makes them.
    DatabaseServer& files = TheDatabaseServer();
    const QString filesServer = config.filesServer.isEmpty() ? server : config.filesServer;
    if (!files.ServerExists(filesServer))
        Fail(QStringLiteral("SQL Server '%1' does not exist or access denied.").arg(server.trimmed()));
    if (!files.CheckLogin(filesServer, login, password))
        Fail(QStringLiteral("Login failed for user '%1'.").arg(login));
    const QString path = files.FindDatabaseFile(filesServer, database);
    if (path.isEmpty())
        Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.")
                 .arg(database.trimmed()));
    if (!files.LoginMayUse(filesServer, login, database))
        Fail(QStringLiteral("Server user '%1' is not a valid user in database '%2'.").arg(login, database));
    std::unique_ptr<OdbcBackend> b = OdbcBackend::openSqliteFile(path, server, database, login, readOnly);
    // The read-only login logs on as any login does, then gets a connection that cannot write.
    b->m_openReader = [config, server, database](const QString& readLogin, const QString& readPassword) {
        return OpenOdbcBackend(config, server, database, readLogin, readPassword, true);
    };
    return b;
}

OdbcBackend::OpenQuery::~OpenQuery() = default;

void OdbcBackend::describe(const QString& tsql, QStringList& names, std::vector<int32_t>& types)
{
    logSent(tsql);
    withStatement([&](odbc::Statement& st) {
        st.prepare(tsql);
        std::vector<SQLSMALLINT> sqlTypes;
        st.describe(names, types, sqlTypes);
    });
}

std::unique_ptr<OdbcBackend::OpenQuery> OdbcBackend::openQuery(const QString& tsql, const QString& sqliteText,
                                                               QStringList& names, std::vector<int32_t>& types)
{
    logSent(tsql);
    auto q = std::make_unique<OpenQuery>();
    onDriverThread([&] {
        q->statement = std::make_unique<odbc::Statement>(*m_connection);
        if (m_timeout > 0)
            q->statement->setQueryTimeout(m_timeout);
        CallScope scope(*this, q->statement.get());
        try {
            q->statement->execDirect(m_dialect == OdbcServerConfig::Dialect::SqliteFiles ? sqliteText : tsql);
            std::vector<SQLSMALLINT> sqlTypes;
            q->statement->describe(names, types, sqlTypes);
            q->sqlTypes.assign(sqlTypes.begin(), sqlTypes.end());
        } catch (const AppError&) {
            if (m_watch.timedOut())
                Fail(kTimeoutMessage);
            throw;
        }
    });
    return q;
}

bool OdbcBackend::readRow(OpenQuery& query, std::vector<Variant>& row)
{
    bool got = false;
    onDriverThread([&] {
        CallScope scope(*this, query.statement.get());
        try {
            if (!query.statement->fetch())
                return;
            row.clear();
            row.reserve(query.sqlTypes.size());
            for (size_t c = 0; c < query.sqlTypes.size(); ++c)
                row.push_back(
                    query.statement->value(static_cast<int>(c), static_cast<SQLSMALLINT>(query.sqlTypes[c])));
            got = true;
        } catch (const AppError&) {
            if (m_watch.timedOut())
                Fail(kTimeoutMessage);
            throw;
        }
    });
    return got;
}
