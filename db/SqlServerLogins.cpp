// The logins script: the program's two SQL logins with the rights the embedded
// server gives them. The application login (coexecutive) uses the system database
// and every company database, reads and writes and runs the stored procedures;
// the read-only login (coreadonly), which the list windows, the export and the
// statistics use, may only read a company database and is refused what the
// embedded server refuses it (DeniedReads). The passwords are sqlcmd variables,
// so none is in the script.
#include "db/SqlServerScripts.h"

#include "db/EmbeddedServer.h"

namespace erpdb {

namespace {

// A login made only when it does not exist and its password was given: sqlcmd
// leaves a $(variable) that was not given as it is (the batch runs under ":on
// error ignore", since sqlcmd would otherwise stop at it), so that the script runs
// again, or for a second company, without the passwords.
QString Login(const QString& login, const char* passwordVariable, const QString& defaultDatabase)
{
    return QStringLiteral("IF SUSER_ID(N'%1') IS NULL AND N'$(%2)' <> N'$' + N'(%2)'\n"
                          "CREATE LOGIN [%1] WITH PASSWORD = N'$(%2)', DEFAULT_DATABASE = [%3];\nGO\n")
        .arg(login, QLatin1String(passwordVariable), defaultDatabase);
}

QString User(const QString& login)
{
    return QStringLiteral("IF DATABASE_PRINCIPAL_ID(N'%1') IS NULL\nCREATE USER [%1] FOR LOGIN [%1];\nGO\n").arg(login);
}

QString RoleMember(const char* role, const QString& login)
{
    return QStringLiteral("IF IS_ROLEMEMBER(N'%1', N'%2') = 0\nALTER ROLE %1 ADD MEMBER [%2];\nGO\n")
        .arg(QLatin1String(role), login);
}

// The application login's rights in a database: read, write and run the
// procedures. It gets no right to change the schema: the SQL views a view's
// definition asks for are made and dropped by the two procedures that do it
// (Ld_UpdateSQLStmts, Ld_DeleteView) through Ld_ChangeSQLView, which runs as its
// owner (WITH EXECUTE AS OWNER) and drops or replaces only a view that
// quillon_views owns, one it made itself.
QString ApplicationRights(const QString& login, bool procedures)
{
    QString out = User(login) + RoleMember("db_datareader", login) + RoleMember("db_datawriter", login);
    // Ld_ChangeSQLView, the part of those two that runs as its owner, only through
    // them: the call from a procedure of the same owner checks no right, a direct one
    // meets the DENY.
    if (procedures)
        out += QStringLiteral("GRANT EXECUTE ON SCHEMA::dbo TO [%1];\nGO\nDENY EXECUTE ON dbo.Ld_ChangeSQLView TO [%1];\nGO\n")
                   .arg(login);
    return out;
}

}  // namespace

QString SqlServerLoginsScript(const QString& databaseName)
{
    const QString executive = QLatin1String(kExecutiveLogin);
    const QString readOnly = QLatin1String(kReadOnlyLogin);
    const QString system = QLatin1String(kSystemDatabase);
    QString out = QStringLiteral(
        "-- The program's SQL logins and their rights in CoSystem and the company database\n"
        "-- %1, for SQL Server. Run after the system and company scripts, the first time\n"
        "-- with the passwords as the sqlcmd variables %2 and %3, exported\n"
        "-- into the environment (read without echo: never on a command line), then\n"
        "--   sqlcmd -S host -U sa -I -b -i logins.sql\n"
        "-- sqlcmd pastes them into N'...' as they are: a password must not hold a '.\n"
        "-- Safe to run again, with or without them: a login or user that exists keeps its\n"
        "-- password; rights are granted again as they are. Run it once per company database.\n")
                      .arg(databaseName, QLatin1String(kExecutivePasswordVariable),
                           QLatin1String(kReadOnlyPasswordVariable));
    out += SqlServerScriptStart() + QStringLiteral("USE [master];\nGO\n:on error ignore\n");
    out += Login(executive, kExecutivePasswordVariable, system);
    out += Login(readOnly, kReadOnlyPasswordVariable, databaseName);
    out += QStringLiteral(":on error exit\n"
                          "IF SUSER_ID(N'%1') IS NULL OR SUSER_ID(N'%2') IS NULL\n"
                          "RAISERROR(N'The logins %1 and %2 do not both exist: give their passwords in the sqlcmd "
                          "variables %3 and %4 (see the errors above).', 16, 1);\nGO\n")
               .arg(executive, readOnly, QLatin1String(kExecutivePasswordVariable),
                    QLatin1String(kReadOnlyPasswordVariable));
    // The system database: the application login only.
    out += QStringLiteral("USE [%1];\nGO\n").arg(system);
    out += ApplicationRights(executive, false);
    out += QStringLiteral("USE [%1];\nGO\n").arg(databaseName);
    out += ApplicationRights(executive, true);
    // The owner of the SQL views of list views, a user without a login and without
    // rights: a view owned as its tables are (dbo) reads them past the reader's
    // denials (ownership chaining), so a list view's SQL view could show the users'
    // passwords to the read-only login. Under this owner each reader's own rights apply.
    out += QStringLiteral("IF DATABASE_PRINCIPAL_ID(N'%1') IS NULL\nCREATE USER [%1] WITHOUT LOGIN;\nGO\n")
               .arg(QLatin1String(kSqlViewOwner));
    // Ld_UpdateSQLStmts and Ld_DeleteView run as the application login and tell
    // their own SQL views by that owner; a user sees another user only with a
    // right on it (DATABASE_PRINCIPAL_ID would give NULL, and every SQL view the
    // procedures made would then be refused as not theirs). Seeing it grants nothing else.
    out += QStringLiteral("GRANT VIEW DEFINITION ON USER::[%1] TO [%2];\nGO\n")
               .arg(QLatin1String(kSqlViewOwner), executive);
    out += User(readOnly) + RoleMember("db_datareader", readOnly);
    for (const QString& denied : DeniedReads(readOnly)) {
        const QString table = denied.section(QLatin1Char('.'), 0, 0);
        const QString column = denied.section(QLatin1Char('.'), 1);
        out += column.isEmpty()
                   ? QStringLiteral("DENY SELECT ON dbo.%1 TO [%2];\n").arg(table, readOnly)
                   : QStringLiteral("DENY SELECT ON dbo.%1 (%2) TO [%3];\n").arg(table, column, readOnly);
    }
    out += QStringLiteral("GO\n");
    return out;
}

}  // namespace erpdb
