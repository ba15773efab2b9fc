#include "platform/database/DatabaseServer.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <atomic>

namespace {

// Set once at start-up, read from any thread that opens a connection.
std::atomic<DatabaseServer*> g_server{nullptr};

}  // namespace

void SetDatabaseServer(DatabaseServer* server) { g_server.store(server); }

DatabaseServer& TheDatabaseServer()
{
    DatabaseServer* server = g_server.load();
    if (!server)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("No database server is installed."),
                       QStringLiteral("BrandleDatabase"));
    return *server;
}
