#pragma once
// The ODBC back end: a connection through unixODBC to a SQL Server (FreeTDS)
// or, to try the ODBC path without one, to the SQLite ODBC driver on an
// embedded server's database files. Statements go to the server as the program
// wrote them (T-SQL); only for the SQLite driver are they translated first, by
// the embedded server's translator, right before the call. Result sets are read
// completely, as the embedded back end's are. Procedures are called by the ODBC
// call escape with bound input and output parameters; transactions nest by
// BEGIN / SAVE / ROLLBACK TRANSACTION.
//
// A query a user typed or a stored definition holds never runs on this
// (writable) connection: it goes to a second connection of the read-only login,
// opened on first use and closed with this one. On the window's thread (the one
// with a lock-wait observer) driver calls run on the connection's own thread,
// so that a wait for another user's lock keeps the windows painting and can be
// cancelled.

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/CallWatch.h"
#include "platform/database/DatabaseBackend.h"
#include "platform/database/OdbcServers.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct sqlite3;
class FencedDatabase;
struct TranslatedStatement;
namespace odbc {
class Connection;
class Statement;
}

class OdbcCallThread;

class OdbcBackend final : public DatabaseBackend {
public:
    // A SQL Server by its client configuration; login errors as the server reports them.
    static std::unique_ptr<OdbcBackend> openSqlServer(const OdbcServerConfig& config, const QString& server,
                                                      const QString& database, const QString& login,
                                                      const QString& password);
    // The SQLite ODBC driver on a database file (which must exist); readOnly opens
    // it so that nothing can be written. Dialect SqlServer: every text goes to the
    // driver as a SQL Server would receive it, untranslated (tests record what a
    // server is sent; the driver refuses what SQLite does not read).
    static std::unique_ptr<OdbcBackend> openSqliteFile(
        const QString& path, const QString& server, const QString& database, const QString& login,
        bool readOnly = false, OdbcServerConfig::Dialect dialect = OdbcServerConfig::Dialect::SqliteFiles);
    ~OdbcBackend() override;
    OdbcBackend(const OdbcBackend&) = delete;
    OdbcBackend& operator=(const OdbcBackend&) = delete;

    OdbcServerConfig::Dialect dialect() const { return m_dialect; }
    // The SQLite connection under the driver (SqliteFiles only; nullptr otherwise).
    sqlite3* sqliteHandle() const { return m_sqlite; }
    QString driverName() const;

    // The texts this connection handed to the driver as a SQL Server receives
    // them, in order. For the SQLite driver (Dialect SqliteFiles): the T-SQL before
    // it was translated, and a call as the call escape in a transaction of its own
    // (a SQL Server gets tsql::CallBatch).
    // The read-only login's connection keeps a log of its own.
    void setSentLogging(bool on);
    const QStringList& sentLog() const { return m_sent; }
    const QStringList& readOnlySentLog() const;
    void clearSentLog();

    QString serverName() const override { return m_server; }
    QString databaseName() const override { return m_database; }
    QString loginName() const override { return m_login; }
    void setCommandTimeout(int32_t seconds) override;
    void setReadOnlyLogin(const QString& login, const QString& encipheredPassword) override;
    ResultSnapshot run(const QString& sql) override;
    ResultSnapshot runReadOnly(const QString& sql) override;
    ResultSnapshot runProcedure(BrandleCommand& command) override;
    void begin(int level) override;
    void commit(int level) override;
    void rollback(int level) override;
    bool inTransaction() const override;

    // Any thread: stops the statement running now, if any (it fails with the
    // driver's "operation cancelled" error).
    void cancel();
    // An operation of several calls that cancel() stops as a whole (a read
    // connection's move): a cancel() from its beginning on, even one that comes
    // between two of its calls or before the first reaches the driver, fails the
    // next call at once instead of being forgotten.
    void beginOperation();
    void endOperation();

    // A query run through a statement of its own, rows handed to sink one by one
    // (the read-only connections' cursors) while it returns true. tsql is what a
    // SQL Server receives; for the SQLite driver, sqliteText is sent in its place.
    void query(const QString& tsql, const QString& sqliteText,
               const std::function<void(const QStringList&, const std::vector<int32_t>&)>& header,
               const std::function<bool(std::vector<Variant>&&)>& sink);

    // The names and ADO types of a query's columns, from the query prepared and
    // not run (a SQL Server's reading of it as written).
    void describe(const QString& tsql, QStringList& names, std::vector<int32_t>& types);
    // SQLite driver: checks a translated query on a fenced connection to the same
    // file (one statement by SQLite's own reading, read-only, the login's read
    // denials) before it goes through the driver. Nothing for a SQL Server, where
    // the login's rights are the fence.
    void fence(const QString& sqliteText);

    // A query left open to be read on row by row (the list's cursors read a
    // result forward without asking for it again a page at a time).
    struct OpenQuery {
        std::unique_ptr<odbc::Statement> statement;
        std::vector<short> sqlTypes;
        ~OpenQuery();
    };
    std::unique_ptr<OpenQuery> openQuery(const QString& tsql, const QString& sqliteText, QStringList& names,
                                         std::vector<int32_t>& types);
    // The next row; false at the end.
    bool readRow(OpenQuery& query, std::vector<Variant>& row);

private:
    friend std::unique_ptr<OdbcBackend> OpenOdbcBackend(const OdbcServerConfig&, const QString&, const QString&,
                                                        const QString&, const QString&, bool);
    // Opens a connection to the same database with another login and password.
    using Opener = std::function<std::unique_ptr<OdbcBackend>(const QString& login, const QString& password)>;

    OdbcBackend(std::unique_ptr<odbc::Connection> connection, OdbcServerConfig::Dialect dialect, QString server,
                QString database, QString login);
    // Bounds one call by the command timeout and makes it the one cancel() stops.
    class CallScope {
    public:
        CallScope(OdbcBackend& b, odbc::Statement* st) : m_b(b)
        {
            m_b.m_watch.begin(m_b.m_timeout);
            std::lock_guard<std::mutex> lock(m_b.m_runningMutex);
            if (!m_b.m_inOperation) {
                m_b.m_cancelled = false;
            } else if (m_b.m_cancelled) {
                // cancelled before this call of the operation reached the driver
                m_b.m_watch.end();
                throw AppError(kDatabaseErrorNumber, QStringLiteral("Operation cancelled"),
                               QStringLiteral("BrandleDatabase"));
            }
            m_b.m_running = st;
        }
        ~CallScope()
        {
            m_b.m_watch.end();
            std::lock_guard<std::mutex> lock(m_b.m_runningMutex);
            m_b.m_running = nullptr;
        }

    private:
        OdbcBackend& m_b;
    };

    // Sends a T-SQL text; the first result set it gave.
    ResultSnapshot send(const QString& tsql);
    ResultSnapshot sendDirect(const QString& text);  // to the driver as it is
    // Runs call with a statement of its own on the driver's thread, bounded by the
    // command timeout and stopped by cancel().
    void withStatement(const std::function<void(odbc::Statement&)>& call);
    ResultSnapshot runSqlite(const TranslatedStatement& st);
    void sendControl(const QString& tsql);  // a transaction statement
    ResultSnapshot callHostProcedure(const QString& name, std::vector<Variant> args, const QStringList& names,
                                     std::vector<Variant>* outputs);
    ResultSnapshot callSqlServer(BrandleCommand& command, const QString& batch);
    // A batch with its own transaction handling (SQL Server), number its
    // savepoint's: one the server stopped before its end (an error its CATCH
    // does not see, Cancel, the timeout) may leave the transaction it began open,
    // which is rolled back, or its work in the one the program holds, which is
    // rolled back to the batch's savepoint.
    ResultSnapshot inOneBatch(int number, const std::function<ResultSnapshot()>& run);
    ResultSnapshot readResults(odbc::Statement& st);
    // Every result of the statement that has columns, in order.
    std::vector<ResultSnapshot> readAllResults(odbc::Statement& st);
    void logSent(const QString& tsql);
    // Runs the driver calls of call: here, or on the window's thread through the
    // connection's own thread while the lock-wait observer keeps the windows going.
    void onDriverThread(const std::function<void()>& call);
    // The read-only login's connection, opened on first use.
    OdbcBackend& reader();

    std::unique_ptr<odbc::Connection> m_connection;
    std::unique_ptr<FencedDatabase> m_fenced;
    OdbcServerConfig::Dialect m_dialect;
    sqlite3* m_sqlite = nullptr;
    QString m_server;
    QString m_database;
    QString m_login;
    int32_t m_timeout = 30;
    int m_batches = 0;
    bool m_logging = false;
    QStringList m_sent;

    std::mutex m_runningMutex;
    odbc::Statement* m_running = nullptr;  // the statement a call runs now
    std::atomic<bool> m_cancelled{false};
    bool m_inOperation = false;  // under m_runningMutex
    // The SQLite driver's connection: its command timeout, cancel and lock waits.
    CallWatch m_watch{&m_cancelled};

    // The calling thread waits for a driver call of this connection (events it
    // handles meanwhile must not use the connection), and whether the user stopped it.
    bool m_inCallWait = false;
    std::atomic<bool> m_waitStopped{false};
    bool m_knownInTransaction = false;  // a SQL Server's answer while the connection is busy
    int m_heldLevels = 0;               // the transaction levels the caller opened by begin()
    std::unique_ptr<OdbcCallThread> m_callThread;

    QString m_readLogin;
    QString m_readPassword;  // enciphered as the session keeps it
    Opener m_openReader;
    std::unique_ptr<OdbcBackend> m_reader;
};

// Opens a server of the client configuration: a SQL Server by its connection
// string, or the SQLite driver on the files of the embedded server the
// configuration names, after that server's own logon checks. readOnly: a
// connection that can never write (the list control's).
std::unique_ptr<OdbcBackend> OpenOdbcBackend(const OdbcServerConfig& config, const QString& server,
                                             const QString& database, const QString& login, const QString& password,
                                             bool readOnly);
