#pragma once
// The embedded back end: a connection to one SQLite file of our ERP server.
// Statements pass through the translator; EXEC and commands call the host
// procedures on this connection, inside its open transaction. A call is bounded
// by the command timeout (the progress handler stops it, a lock wait counts
// too); a failing batch is undone as a whole, and a statement outside a
// transaction leaves nothing half-written.

#include "platform/database/CallWatch.h"
#include "platform/database/DatabaseBackend.h"

#include <memory>
#include <vector>

struct sqlite3;
struct HostProcedureInfo;
struct TranslatedStatement;
class FencedDatabase;

class SqliteBackend final : public DatabaseBackend {
public:
    // Takes over an open handle (the embedded server opened it and checked the
    // login); closes it when done.
    SqliteBackend(sqlite3* db, QString server, QString database, QString login);
    ~SqliteBackend() override;
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    // Opens a database file directly, without a server or a login (tests and tools);
    // creates it only when create is set. WAL mode.
    static std::unique_ptr<SqliteBackend> openFile(const QString& path, bool create = true,
                                                   const QString& login = QStringLiteral("coexecutive"));

    // Registers on a connection the SQL functions and collations the translated
    // statements rely on (GETDATE, SCOPE_IDENTITY, LEN, ...).
    static void PrepareConnection(sqlite3* db);

    sqlite3* handle() const { return m_db; }

    QString serverName() const override { return m_server; }
    QString databaseName() const override { return m_database; }
    QString loginName() const override { return m_login; }
    void setCommandTimeout(int32_t seconds) override { m_timeout = seconds; }
    ResultSnapshot run(const QString& sql) override;
    // Runs on a fenced read-only connection of its own to the same file (opened
    // on first use), never on this one: a user's text cannot reach the session's
    // writable connection or its settings.
    ResultSnapshot runReadOnly(const QString& sql) override;
    ResultSnapshot runProcedure(BrandleCommand& command) override;
    void begin(int level) override;
    void commit(int level) override;
    void rollback(int level) override;
    bool inTransaction() const override;

private:
    class CallScope;
    friend class CallScope;

    ResultSnapshot runStatements(const std::vector<TranslatedStatement>& statements);
    ResultSnapshot runSql(const QString& sql, bool readOnly);
    void exec(const QString& sql);  // an internal statement; fails like any other
    bool execQuietly(const QString& sql) noexcept;
    [[noreturn]] void fail(const QString& message) const;
    void refuseNul(const QString& sql) const;
    [[noreturn]] void failDatabase() const;

    sqlite3* m_db = nullptr;
    QString m_server;
    QString m_database;
    QString m_login;
    int32_t m_timeout = 30;
    CallWatch m_watch;
    int m_batchSavepoints = 0;
    std::unique_ptr<FencedDatabase> m_fenced;
};
