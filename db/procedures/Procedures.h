#pragma once
#include <optional>
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

// An object of the company database's schema, found by name without regard to case.
// ours: a view that Ld_UpdateSQLStmts made for a list view, known by the mark its
// stored definition begins with, which no write to a table can give a view (the
// SQL Server's procedures know theirs by their owner, quillon_views).
struct SchemaObject {
    QString name;
    QString type;  // "table", "view", "index", "trigger"
    bool ours = false;
};
std::optional<SchemaObject> FindSchemaObject(sqlite3* db, const QString& name, const QString& proc);

}  // namespace erpdb
