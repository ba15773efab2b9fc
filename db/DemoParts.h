#pragma once
// The parts the demo company is built from, private to it: the business data,
// security and registry (DemoData.cpp), the views over them (DemoViews.cpp).

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>

#include <sqlite3.h>

#include <cstdint>

namespace erpdb::demo {

[[noreturn]] inline void Fail(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message, QStringLiteral("erpdb demo"));
}

// A prepared statement bound by position, run many times.
class Insert {
public:
    Insert(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            Fail(QStringLiteral("%1 (in: %2)").arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql)));
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& i(int64_t v)
    {
        sqlite3_bind_int64(m_stmt, ++m_pos, v);
        return *this;
    }
    Insert& d(double v)
    {
        sqlite3_bind_double(m_stmt, ++m_pos, v);
        return *this;
    }
    Insert& t(const char* v)
    {
        sqlite3_bind_text(m_stmt, ++m_pos, v, -1, SQLITE_TRANSIENT);
        return *this;
    }
    Insert& t(const QString& v)
    {
        sqlite3_bind_text16(m_stmt, ++m_pos, v.utf16(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    Insert& null()
    {
        sqlite3_bind_null(m_stmt, ++m_pos);
        return *this;
    }
    // An optional text: NULL when empty.
    Insert& ot(const char* v) { return (v && *v) ? t(v) : null(); }
    int64_t run()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_pos = 0;
        if (rc != SQLITE_DONE)
            Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return sqlite3_last_insert_rowid(m_db);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    int m_pos = 0;
};

struct BusinessCounts {
    int64_t customers = 0;
    int64_t products = 0;
    int64_t orders = 0;
    int64_t lines = 0;
    int64_t invoices = 0;
};

// Customers, products, orders with about orderLines lines, and invoices.
BusinessCounts FillBusiness(sqlite3* db, int64_t orderLines);
// Secured objects and the rights of the demo users and groups.
void FillSecurity(sqlite3* db);
// The registry values, masters and the small lookup tables.
void FillRegistry(sqlite3* db);
// Bases, columns, views, column functions, linked views, saved searches, catalogues.
void FillViews(sqlite3* db);
// The sources of imported columns of the demo's links, where a link has none:
// FillViews writes them, and a demo made before they existed gets them.
void AddImportTables(sqlite3* db);
// The SQL views of the demo's list views that a build before the views' mark made:
// each one an LdViews row names for its SQL view is given the mark, so that saving
// or deleting its list view replaces or drops it as before.
void MarkDemoSqlViews(sqlite3* db);
// How many views FillViews makes (ids 1..DemoViewCount()).
int DemoViewCount();
// Builds a view's SQL pieces with the stored procedure Ld_UpdateSQLStmts, as a
// command with its output parameters, on the demo's connection and transaction.
void UpdateSqlStatements(sqlite3* db, int32_t viewId);

}  // namespace erpdb::demo
