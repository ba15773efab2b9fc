#pragma once
// The schema of the embedded ERP server's databases: the system database
// (CoSystem: CoCompanies) and a company database (security, registry, view
// definitions, per-user settings, the catalogue views and the lookup sources).
//
// Conventions (what the program relies on):
// - Identity columns are INTEGER PRIMARY KEY AUTOINCREMENT: ids increase and are
//   never reused, also after deletions.
// - Bit columns are declared BIT and hold only 0 or 1: triggers turn any other
//   non-zero value written (the program writes True as -1) into 1, so that
//   comparisons with "= 1" hold.
// - Text columns that are compared (ids, names) are declared COLLATE NOCASE, so the
//   sqlite3 shell compares them without regard to case as SQL Server's default
//   collation does. Our own connections (erpdb::PrepareConnection) replace NOCASE by
//   the same comparison that also ignores trailing blanks, as SQL Server's "="
//   does. Only in the shell does 'jdoe ' differ from 'jdoe'. Ids are stored as they
//   were written, so the two comparisons order 'jdoe' and 'jdoe ' differently: an
//   index on such a text would look damaged to the other side. Text columns are
//   therefore indexed only where a key must be unique (then values that differ in
//   trailing blanks cannot both be stored through our connections); columns the
//   program writes as typed (user ids, search names, view names) are not indexed.
// - Columns of SQL Server's smallint range carry CHECK constraints for it.
// - Dates are ISO texts (YYYY-MM-DD HH:MM:SS.fff, local time), written by GETDATE().
// - No foreign keys are declared: the procedures delete children before parents,
//   and LdViews.LastUsedFilter may name a search that no longer exists.

#include <QString>

struct sqlite3;

namespace erpdb {

// The schema version stored in PRAGMA user_version.
inline constexpr int kSchemaVersion = 1;

// The complete schema texts (tables, indexes, triggers, views).
QString SystemSchemaSql();
QString CompanySchemaSql();

// Creates the schema on an empty database connection, in one transaction; raises
// AppError (kDatabaseErrorNumber) when a statement fails, leaving the file empty.
void CreateSystemDatabase(sqlite3* db);
void CreateCompanyDatabase(sqlite3* db);

// Runs a batch of statements on a connection; raises AppError with SQLite's
// message and the start of the failing statement.
void ExecScript(sqlite3* db, const QString& sql);

}  // namespace erpdb
