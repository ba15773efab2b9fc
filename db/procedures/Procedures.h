#pragma once
// The stored procedures of the embedded ERP server (host code behind EXEC and
// commands). RegisterProcedures adds them to the host-procedure registry; it may
// be called any number of times.

#include <QString>
#include <QStringList>
#include <cstdint>

struct sqlite3;

namespace erpdb {

void RegisterProcedures();
// The names of the procedures RegisterProcedures adds (registering them first).
QStringList ServerProcedureNames();

// What building a view's SQL gave: the statement SELECT + FROM (+ extended FROM),
// cut to 8000 characters, and whether the whole one was longer (nothing is then written).
struct ViewSqlOutcome {
    QString statement;
    bool tooLong = false;
};

// Builds and stores the SQL pieces of one view on a company database connection,
// exactly as the procedure Ld_UpdateSQLStmts does (also for seeding a database).
// Raises AppError when the view cannot be built; then nothing is written.
ViewSqlOutcome BuildViewSqlPieces(sqlite3* db, int32_t viewId);

}  // namespace erpdb
