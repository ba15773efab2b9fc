#pragma once
// T-SQL scripts that set up a SQL Server for a trial of the program, written from
// the embedded server's own schema, procedures and demo company:
//   system            the system database CoSystem
//   company DBNAME    a company database: tables, indexes, the catalogue views, the
//                     lookup sources and the stored procedures
//   logins DBNAME     the program's two SQL logins, their users in CoSystem and in
//                     the company database, and their rights
//   demo DBNAME       the demo company's rows in that company database and its
//                     CoCompanies row
// Each statement is guarded so that running a script again changes nothing (IF
// OBJECT_ID ... IS NULL before a table, IF NOT EXISTS before an index, CREATE OR
// ALTER for a view or procedure, INSERT ... WHERE NOT EXISTS for a row), and each
// CREATE VIEW or PROCEDURE starts a batch of its own (GO).

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace erpdb {

// The stored procedures as T-SQL, by name: the files db/sqlserver/procedures/<name>.sql,
// each one batch that starts with CREATE OR ALTER PROCEDURE dbo.<name>.
QMap<QString, QString> SqlServerProcedures();

// The scripts, as above.
QString SqlServerSystemScript();
QString SqlServerCompanyScript(const QString& databaseName);
QString SqlServerLoginsScript(const QString& databaseName);
QString SqlServerDemoScript(const QString& databaseName);

// The collation the scripts create the databases with: case-insensitive, so that
// the program's "=" finds a user id typed "JDoe" for "jdoe" whatever the server's
// own collation is.
inline constexpr const char* kSqlServerCollation = "Latin1_General_CI_AS";

// The first batch of every script: the session options it depends on, as sqlcmd
// (QUOTED_IDENTIFIER OFF unless given -I) would not set them.
QString SqlServerScriptStart();

// The sqlcmd variables the logins script takes the passwords from.
inline constexpr const char* kExecutivePasswordVariable = "CoExecutivePassword";
inline constexpr const char* kReadOnlyPasswordVariable = "CoReadOnlyPassword";

// The user (without a login or rights) that owns the SQL views of list views,
// so that a reader of such a view reads its tables with the reader's own rights.
inline constexpr const char* kSqlViewOwner = "quillon_views";

// The T-SQL of the tables, indexes and views of an SQLite schema script of ours,
// each statement guarded and followed by GO.
QString SqlServerSchemaStatements(const QString& sqliteSchema);

// The objects a stored procedure may name as dbo.<name>: the tables and views of
// the system and company schemas and the procedures, in upper case.
QSet<QString> SqlServerObjectNames();

// What a T-SQL script does wrong by our rules, one text a problem ("" lines none):
// an unclosed text, comment or parenthesis, a word of SQLite's own dialect, a
// CREATE VIEW or PROCEDURE that does not start its batch, a CREATE that a second
// run would fail on (not guarded, not CREATE OR ALTER), a reserved keyword of
// T-SQL used as a name without brackets (a created table, view, procedure, index
// or column, a column of a key or insert list, a name after "."), a CREATE
// DATABASE without a case-insensitive COLLATE; and for a script of several batches
// (not a procedure file), a first batch that does not set the session options of
// SqlServerScriptStart, or a later SET that changes one of them.
QStringList TsqlScriptProblems(const QString& script);

// Whether a word (any case) is a reserved keyword of T-SQL, which SQL Server
// takes as a name only in brackets or double quotes.
bool IsTsqlReservedKeyword(const QString& word);

// The reserved keywords a piece of stored SQL (a column's SQL, a FROM clause)
// uses as names: after a "." or as a column alias after AS, upper case.
QStringList TsqlReservedNames(const QString& sql);

// What a stored procedure's T-SQL does wrong beyond that: a variable used before
// (or without) its declaration as a parameter, by DECLARE or as a table variable;
// an object dbo.<name> that is not in knownObjects (upper case).
QStringList TsqlProcedureProblems(const QString& procedure, const QSet<QString>& knownObjects);

// The parameters of a CREATE [OR ALTER] PROCEDURE, upper case with their @, in order.
QStringList TsqlProcedureParameters(const QString& procedure);

}  // namespace erpdb
