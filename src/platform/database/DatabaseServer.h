#pragma once
// What the SQLite back end asks of the server that keeps the databases: where a
// server and its files are, who may log in, how a connection is opened and set up,
// and which host procedures it runs. The embedded server (db/) installs its
// implementation at start-up (erpdb::InstallEmbeddedServer); without one, every
// request fails with a clear error.

#include <QString>
#include <QStringList>

struct sqlite3;

class DatabaseServer {
public:
    virtual ~DatabaseServer() = default;

    virtual bool ServerExists(const QString& server) = 0;
    virtual bool CheckLogin(const QString& server, const QString& login, const QString& password) = 0;
    // "" when the server has no such database.
    virtual QString FindDatabaseFile(const QString& server, const QString& database) = 0;
    virtual bool LoginMayUse(const QString& server, const QString& login, const QString& database) = 0;
    // A connection with the login's rights (errors as the server reports them).
    virtual sqlite3* OpenDatabase(const QString& server, const QString& database, const QString& login,
                                  const QString& password) = 0;
    // A connection without a login (the server's own checks only).
    virtual sqlite3* OpenServerDatabase(const QString& server, const QString& database, bool readOnly) = 0;
    // Sets up a connection opened some other way (collation, busy timeout).
    virtual void PrepareConnection(sqlite3* db) = 0;
    // What a login may not read on a connection that runs a user's SQL text:
    // "Table.Column" or "Table" (see FencedDatabase).
    virtual QStringList DeniedReads(const QString& login) = 0;
    virtual QString ServerVersionText() = 0;
    // Adds the server's stored procedures to the host-procedure registry; may run more than once.
    virtual void RegisterProcedures() = 0;
};

// The server the back end talks to; the caller keeps it alive. nullptr removes it.
void SetDatabaseServer(DatabaseServer* server);
// The installed server; fails with a database error when none is installed.
DatabaseServer& TheDatabaseServer();
