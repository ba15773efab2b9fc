#pragma once
// The demo company of the embedded ERP server: a company database with believable
// business data (customers, products, orders, order lines, invoices), the bases,
// columns, views, column functions, linked views and saved searches over them, the
// two catalogues, secured objects and the rights of users of each kind.
//
// The demo users (user id / password):
//   admin  / admin   the administrator (all rights without asking the database)
//   asmith / alice   a member of the group 'admins'
//   jdoe   / secret  an ordinary user
//   guest  / guest   a user without the right to see All Views

#include <QString>

#include <cstdint>
#include <vector>

struct sqlite3;

namespace erpdb {

inline constexpr const char* kDemoCompanyID = "DEMO";
inline constexpr const char* kDemoCompanyName = "Harbrook Demo Company";
inline constexpr const char* kDemoDatabaseName = "DEMO";
// The demo server's second company: users and security only, and no branches.
inline constexpr const char* kDemoTradingCompanyID = "TRADING";
inline constexpr const char* kDemoTradingCompanyName = "Harbrook Trading Company";
inline constexpr const char* kDemoTradingDatabaseName = "TRADING";
// Order lines of the default and of the large demo company.
inline constexpr int64_t kDemoOrderLines = 3600;
inline constexpr int64_t kLargeDemoOrderLines = 1000000;

struct DemoUser {
    const char* userId;
    const char* userName;
    const char* password;
    const char* kind;
};
const std::vector<DemoUser>& DemoUsers();

struct DemoOptions {
    QString server;              // "" for DefaultDemoServer()
    int64_t orderLines = kDemoOrderLines;
    bool replace = false;        // make the demo company anew when it exists
};

struct DemoSummary {
    QString server;
    QString database;
    int64_t customers = 0;
    int64_t products = 0;
    int64_t orders = 0;
    int64_t orderLines = 0;
    int64_t invoices = 0;
    int views = 0;
    double seconds = 0;
};

// The server the demo goes to by default: this computer's, which "(LOCAL)" names.
QString DefaultDemoServer();

// Creates the demo company on a server, making the server first (with the demo
// login passwords) when it does not exist. Fails, changing nothing, when the demo
// company exists and replace is not set.
DemoSummary CreateDemoCompany(const DemoOptions& options);

// What the HBServer shows of the demo server: the demo company's branches (Main,
// North and South Branch, its branch data filtered) and the second company without
// branches. Adds what is missing, also to a demo made before there were branches,
// and to one made before each of its links was a source of imported columns.
void EnsureDemoBranchesAndCompanies(const QString& server);

// The branches North and South beside Main and the registry value that filters
// branch data; adds only what is missing.
void AddDemoBranches(sqlite3* db);

// The demo company (the small one) in a database of its own in memory, as
// CreateDemoCompany makes it on a server. Close it with sqlite3_close_v2.
sqlite3* DemoCompanyInMemory();

// Fills an empty company database (schema created, nothing else) with the demo
// content, in one transaction; builds every view's SQL with Ld_UpdateSQLStmts.
void FillDemoCompany(sqlite3* db, int64_t orderLines, DemoSummary* summary = nullptr);

}  // namespace erpdb
