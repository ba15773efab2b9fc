// The embedded server behind the database interface's server seam.
#include "db/EmbeddedServer.h"
#include "db/ClientOdbcConfig.h"
#include "db/procedures/Procedures.h"
#include "platform/database/DatabaseServer.h"

namespace erpdb {

namespace {

class EmbeddedDatabaseServer final : public DatabaseServer {
public:
    bool ServerExists(const QString& server) override { return erpdb::ServerExists(server); }
    bool CheckLogin(const QString& server, const QString& login, const QString& password) override
    {
        return erpdb::CheckLogin(server, login, password);
    }
    QString FindDatabaseFile(const QString& server, const QString& database) override
    {
        return erpdb::FindDatabaseFile(server, database);
    }
    bool LoginMayUse(const QString& server, const QString& login, const QString& database) override
    {
        return erpdb::LoginMayUse(server, login, database);
    }
    sqlite3* OpenDatabase(const QString& server, const QString& database, const QString& login,
                          const QString& password) override
    {
        return erpdb::OpenDatabase(server, database, login, password);
    }
    sqlite3* OpenServerDatabase(const QString& server, const QString& database, bool readOnly) override
    {
        return erpdb::OpenServerDatabase(server, database, readOnly);
    }
    void PrepareConnection(sqlite3* db) override { erpdb::PrepareConnection(db); }
    QStringList DeniedReads(const QString& login) override { return erpdb::DeniedReads(login); }
    QString ServerVersionText() override { return erpdb::ServerVersionText(); }
    void RegisterProcedures() override { erpdb::RegisterProcedures(); }
};

}  // namespace

void InstallEmbeddedServer()
{
    static EmbeddedDatabaseServer server;
    SetDatabaseServer(&server);
    SetOdbcServerLookup(&ClientOdbcServer);
}

}  // namespace erpdb
