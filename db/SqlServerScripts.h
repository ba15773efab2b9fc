#pragma once
// T-SQL scripts that set up a SQL Server for a trial of the program: the system
// database and a company database with the schema, the catalogue views and the
// lookup sources, written from the embedded server's own schema. Each statement
// is guarded so that running a script again changes nothing (IF OBJECT_ID ...
// IS NULL before a table, IF NOT EXISTS before an index, CREATE OR ALTER for a
// view), and each CREATE VIEW starts a batch of its own (GO).
//
// Not here: the stored procedures (host code in the embedded server), the
// logins, and the demo company's rows.

#include <QMap>
#include <QString>
#include <QStringList>

namespace erpdb {

// The stored procedures as T-SQL, by name: the files db/sqlserver/procedures/<name>.sql,
// each one batch that starts with CREATE OR ALTER PROCEDURE dbo.<name>.
QMap<QString, QString> SqlServerProcedures();

// The script of the system database (CoSystem) and of a company database.
QString SqlServerSystemScript();
QString SqlServerCompanyScript(const QString& databaseName);

// What a T-SQL script does wrong by our rules, one text a problem ("" lines none):
// an unclosed text, comment or parenthesis, a word of SQLite's own dialect, a
// CREATE VIEW or PROCEDURE that does not start its batch, a CREATE that a second
// run would fail on (not guarded, not CREATE OR ALTER).
QStringList TsqlScriptProblems(const QString& script);

}  // namespace erpdb
