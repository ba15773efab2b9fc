#include "db/DemoCompany.h"
#include "db/DemoDialogTypes.h"

#include "db/DemoParts.h"

#include "db/EmbeddedServer.h"
#include "db/Schema.h"

#include <QElapsedTimer>

#include <sqlite3.h>

namespace erpdb {

using namespace demo;

const std::vector<DemoUser>& DemoUsers()
{
    static const std::vector<DemoUser> users = {
        {"admin", "System Administrator", "admin", "administrator"},
        {"asmith", "Alice Smith", "alice", "member of the group 'admins'"},
        {"jdoe", "John Doe", "secret", "ordinary user"},
        {"guest", "Guest User", "guest", "user without the right to see All Views"},
    };
    return users;
}

QString DefaultDemoServer()
{
    return LocalServerName();
}

void AddDemoBranches(sqlite3* db)
{
    ExecScript(db, QStringLiteral(
                       "INSERT OR IGNORE INTO GLBranches (BranchID, BranchName) VALUES\n"
                       "  (1, 'Main Branch'), (2, 'North Branch'), (3, 'South Branch');\n"
                       "INSERT OR IGNORE INTO CoRegKeys (KeyID, ParentID, Name)\n"
                       "  SELECT COALESCE(MAX(KeyID), 0) + 1, NULL, 'Config' FROM CoRegKeys\n"
                       "  WHERE NOT EXISTS (SELECT 1 FROM CoRegKeys WHERE ParentID IS NULL AND Name = 'Config');\n"
                       "INSERT OR IGNORE INTO CoRegValues (KeyID, Name, Type, Value)\n"
                       "  SELECT KeyID, 'FilterBranchData', 'I4', '1' FROM CoRegKeys\n"
                       "  WHERE ParentID IS NULL AND Name = 'Config';\n"));
}

sqlite3* DemoCompanyInMemory()
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        Fail(QStringLiteral("A database in memory could not be opened."));
    }
    try {
        PrepareConnection(db);
        CreateCompanyDatabase(db);
        FillDemoCompany(db, kDemoOrderLines);
        AddDemoBranches(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

void EnsureDemoBranchesAndCompanies(const QString& server)
{
    const QString demoDb = CompanyDatabaseName(server, QLatin1String(kDemoCompanyID));
    if (!demoDb.isEmpty()) {
        sqlite3* db = OpenServerDatabase(server, demoDb, false);
        try {
            ExecScript(db, QStringLiteral("BEGIN IMMEDIATE"));
            AddDemoBranches(db);
            AddImportTables(db);
            MarkDemoSqlViews(db);
            ExecScript(db, QStringLiteral("COMMIT"));
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
    }
    const QString trading = QLatin1String(kDemoTradingCompanyID);
    if (!CompanyDatabaseName(server, trading).isEmpty() ||
        !FindDatabaseFile(server, QLatin1String(kDemoTradingDatabaseName)).isEmpty())
        return;
    CreateCompany(server, trading, QLatin1String(kDemoTradingCompanyName), QLatin1String(kDemoTradingDatabaseName));
    sqlite3* db = nullptr;
    try {
        db = OpenServerDatabase(server, QLatin1String(kDemoTradingDatabaseName), false);
        ExecScript(db, QStringLiteral("BEGIN IMMEDIATE"));
        FillSecurity(db);
        ExecScript(db, QStringLiteral(
                           "INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');\n"
                           "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', '7.6.5 / 7.6.0');\n"
                           "COMMIT;"));
        sqlite3_close_v2(db);
    } catch (...) {
        if (db)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        try {
            DropCompany(server, trading);
        } catch (...) {
        }
        throw;
    }
}

void FillDemoCompany(sqlite3* db, int64_t orderLines, DemoSummary* summary)
{
    ExecScript(db, QStringLiteral("PRAGMA cache_size = -65536"));
    ExecScript(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        const BusinessCounts n = FillBusiness(db, orderLines);
        FillSecurity(db);
        FillRegistry(db);
        FillDemoDialogTypes(db);
        FillViews(db);
        for (int32_t viewId = 1; viewId <= DemoViewCount(); ++viewId)
            UpdateSqlStatements(db, viewId);
        ExecScript(db, QStringLiteral("COMMIT"));
        if (summary) {
            summary->customers = n.customers;
            summary->products = n.products;
            summary->orders = n.orders;
            summary->orderLines = n.lines;
            summary->invoices = n.invoices;
            summary->views = DemoViewCount();
        }
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    // No ANALYZE: with statistics the planner drives the order lines' joins from the
    // small products table through an index, many times slower than one scan.
}

DemoSummary CreateDemoCompany(const DemoOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    DemoSummary summary;
    summary.server = ResolveServerName(options.server.trimmed().isEmpty() ? DefaultDemoServer() : options.server);
    summary.database = QLatin1String(kDemoDatabaseName);
    if (options.orderLines < 1 || options.orderLines > 50000000)
        Fail(QStringLiteral("The number of order lines must lie between 1 and 50000000."));

    const bool serverExisted = ServerExists(summary.server);
    if (serverExisted && !CompanyDatabaseName(summary.server, QLatin1String(kDemoCompanyID)).isEmpty()) {
        if (!options.replace)
            Fail(QStringLiteral("The server '%1' has the demo company '%2' already.")
                     .arg(summary.server, QLatin1String(kDemoCompanyID)));
        DropCompany(summary.server, QLatin1String(kDemoCompanyID));
    }
    if (serverExisted && !FindDatabaseFile(summary.server, summary.database).isEmpty())
        Fail(QStringLiteral("The server '%1' has a database '%2' of another company.").arg(summary.server,
                                                                                        summary.database));
    if (!serverExisted)
        CreateServer(summary.server, QLatin1String(kDemoExecutivePassword), QLatin1String(kDemoReadOnlyPassword));
    CreateCompany(summary.server, QLatin1String(kDemoCompanyID), QLatin1String(kDemoCompanyName), summary.database);
    sqlite3* db = nullptr;
    try {
        db = OpenServerDatabase(summary.server, summary.database, false);
        // The file is new and is removed when filling fails: no journal is needed
        // while it is filled, only afterwards.
        ExecScript(db, QStringLiteral("PRAGMA journal_mode = OFF"));
        ExecScript(db, QStringLiteral("PRAGMA synchronous = OFF"));
        FillDemoCompany(db, options.orderLines, &summary);
        ExecScript(db, QStringLiteral("PRAGMA synchronous = FULL"));
        ExecScript(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        sqlite3_close_v2(db);
    } catch (...) {
        sqlite3_close_v2(db);
        try {
            DropCompany(summary.server, QLatin1String(kDemoCompanyID));
        } catch (...) {
        }
        throw;
    }
    EnsureDemoBranchesAndCompanies(summary.server);
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

}  // namespace erpdb
