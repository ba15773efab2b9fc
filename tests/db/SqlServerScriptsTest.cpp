// The T-SQL scripts for a SQL Server trial site: they pass our T-SQL check
// (closed texts and parentheses, no SQLite words, views first in their batch,
// every CREATE safe to run again, procedures that declare what they use and name
// only objects that exist), and the check finds what it is there for.

#include "db/SqlServerScripts.h"

#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "db/procedures/Procedures.h"
#include "platform/database/HostProcedures.h"

#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

TEST(SqlServerScripts, TheScriptsPassTheCheckAndCoverTheSchema)
{
    const QString system = erpdb::SqlServerSystemScript();
    const QString company = erpdb::SqlServerCompanyScript(QStringLiteral("DemoCo"));
    EXPECT_EQ(erpdb::TsqlScriptProblems(system), QStringList());
    EXPECT_EQ(erpdb::TsqlScriptProblems(company), QStringList());
    EXPECT_TRUE(system.contains(QLatin1String("IF OBJECT_ID(N'dbo.CoCompanies', N'U') IS NULL\nCREATE TABLE dbo.CoCompanies")));
    EXPECT_TRUE(company.contains(QLatin1String("USE [DemoCo];")));
    for (const char* piece : {
             "ViewID int IDENTITY(1,1) NOT NULL PRIMARY KEY",
             "CREATE OR ALTER VIEW LdCatalogViews AS",
             "CREATE OR ALTER VIEW Ld_LinkedViews AS",
             "CHECK (CHARINDEX('''', ColumnFunction) = 0)",
             // a key with a column that may be NULL becomes a unique one
             "UNIQUE (SecuredObjectID, CompanyID, PrincipalID, IsGroup)",
             // the index on IFNULL(ParentID, 0) as two filtered ones
             "CREATE UNIQUE INDEX CoRegKeys_ParentName_Null ON dbo.CoRegKeys (Name) WHERE ParentID IS NULL;",
             "CREATE UNIQUE INDEX CoRegKeys_ParentName ON dbo.CoRegKeys (ParentID, Name) WHERE ParentID IS NOT NULL;",
         })
        EXPECT_TRUE(company.contains(QLatin1String(piece))) << piece;
    // indexed texts get a length SQL Server can index; long texts none
    EXPECT_TRUE(company.contains(QLatin1String("PrincipalID nvarchar(255) NOT NULL")));
    EXPECT_TRUE(company.contains(QLatin1String("FromSQL nvarchar(max) NOT NULL")));
    EXPECT_FALSE(company.contains(QLatin1String("TRIGGER")));
}

TEST(SqlServerScripts, TheCheckFindsWhatASqlServerOrASecondRunWouldRefuse)
{
    struct Case {
        const char* script;
        const char* problem;
    };
    const Case cases[] = {
        {"CREATE TABLE dbo.T (a int);\nGO\n", "line 1: CREATE TABLE is not guarded against a second run"},
        {"IF OBJECT_ID(N'dbo.T', N'U') IS NULL\nCREATE TABLE dbo.T (a int;\nGO\n", "line 1: a '(' is not closed"},
        {"SELECT 'open;\nGO\n", "line 1: a text is not closed"},
        {"SELECT 1;\nCREATE OR ALTER VIEW v AS SELECT 1 AS a;\nGO\n", "line 2: CREATE VIEW must start its batch"},
        {"CREATE VIEW v AS SELECT 1 AS a;\nGO\n", "line 1: CREATE VIEW fails when run again (CREATE OR ALTER)"},
        {"GO\nSELECT a || b FROM t LIMIT 3\n", "line 2: '||' is not T-SQL"},
        {"CREATE INDEX i ON t (a);", "line 1: CREATE INDEX is not guarded against a second run"},
        {"/* never closed\nSELECT 1", "line 1: a comment is not closed"},
        {"USE [master];\nCREATE LOGIN [x] WITH PASSWORD = N'$(Pw)';\n", "line 2: CREATE LOGIN is not guarded against a second run"},
        {"GRANT CREATE VIEW TO [x];\nCREATE VIEW v AS SELECT 1 AS a;\n", "line 2: CREATE VIEW must start its batch"},
        {"CREATE USER [x] FOR LOGIN [x];\n", "line 1: CREATE USER is not guarded against a second run"},
        // sqlcmd variables: sqlcmd stops at one not given, unless told to go on, and
        // then leaves it as it is
        {"USE [master];\nGO\nIF SUSER_ID(N'x') IS NULL\nCREATE LOGIN [x] WITH PASSWORD = N'$(Pw)';\nGO\n",
         "line 4: sqlcmd stops here when $(Pw) is not given: run the batch under \":on error ignore\""},
        {":on error ignore\nIF SUSER_ID(N'x') IS NULL\nCREATE LOGIN [x] WITH PASSWORD = N'$(Pw)';\nGO\n",
         "line 1: $(Pw) is used without asking whether it was given (N'$(Pw)' <> N'$' + N'(Pw)'): sqlcmd leaves it "
         "as it is when not"},
        {"GO\n:on error ignore\nSELECT 1;\nGO\n",
         "line 2: a batch without sqlcmd variables runs under \":on error ignore\": its errors would not stop the script"},
        // reserved keywords as names: a column, a qualified name, insert and index
        // lists, a created object
        {"IF OBJECT_ID(N'dbo.OrderLines', N'U') IS NULL\nCREATE TABLE dbo.OrderLines (\n    OrderLineID int,\n"
         "    LineNo int NOT NULL\n);\n",
         "line 4: LINENO is a reserved keyword of T-SQL: bracket it or choose another name"},
        {"CREATE OR ALTER VIEW v AS SELECT ol.LineNo AS n FROM OrderLines ol;\n",
         "line 1: LINENO is a reserved keyword of T-SQL: bracket it or choose another name"},
        {"INSERT INTO dbo.OrderLines (OrderID, LineNo) VALUES (1, 2);\n",
         "line 1: LINENO is a reserved keyword of T-SQL: bracket it or choose another name"},
        {"IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'i')\nCREATE INDEX i ON dbo.T (Percent);\n",
         "line 2: PERCENT is a reserved keyword of T-SQL: bracket it or choose another name"},
        {"IF OBJECT_ID(N'dbo.Plan', N'U') IS NULL\nCREATE TABLE dbo.Plan (a int);\n",
         "line 2: PLAN is a reserved keyword of T-SQL: bracket it or choose another name"},
        // the databases' collation and the session options
        {"IF DB_ID(N'x') IS NULL\nCREATE DATABASE [x];\n",
         "line 2: CREATE DATABASE without a case-insensitive COLLATE takes the server's collation"},
        {"IF DB_ID(N'x') IS NULL\nCREATE DATABASE [x] COLLATE Latin1_General_CS_AS;\n",
         "line 2: CREATE DATABASE without a case-insensitive COLLATE takes the server's collation"},
        {"USE [x];\nGO\nSELECT 1;\n", "line 1: the script does not set QUOTED_IDENTIFIER ON in its first batch"},
        {"SET QUOTED_IDENTIFIER, ANSI_NULLS ON;\nGO\nSELECT 1;\n",
         "line 1: the script does not set NUMERIC_ROUNDABORT OFF in its first batch"},
        {"GO\nSET ANSI_NULLS OFF;\n", "line 2: SET ANSI_NULLS OFF undoes a session option the script needs"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(erpdb::TsqlScriptProblems(QString::fromLatin1(c.script)).contains(QString::fromLatin1(c.problem)))
            << c.script << "\n gave: " << erpdb::TsqlScriptProblems(QString::fromLatin1(c.script)).join('|').toStdString();
    // what is fine: guarded creates, words inside texts and names, GO in a text
    EXPECT_EQ(erpdb::TsqlScriptProblems(erpdb::SqlServerScriptStart() + QStringLiteral(
                  "IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'i')\nCREATE INDEX i ON t (a);\nGO\n"
                  "SELECT 'LIMIT || GO' AS [TEXT], \"IFNULL\" FROM t -- PRAGMA\nGO\n"
                  ":on error ignore\nIF SUSER_ID(N'x') IS NULL AND N'$(Pw)' <> N'$' + N'(Pw)'\n"
                  "CREATE LOGIN [x] WITH PASSWORD = N'$(Pw)';\nGO\n:on error exit\n"
                  "IF DATABASE_PRINCIPAL_ID(N'x') IS NULL\nCREATE USER [x] FOR LOGIN [x];\nGO\n"
                  "GRANT CREATE VIEW TO [x];\nGRANT SELECT, CREATE TABLE TO [x];\nGO\n"
                  "IF OBJECT_ID(N'dbo.T', N'U') IS NULL\nCREATE TABLE dbo.T (ID int, [LineNo] int, \"Percent\" int,\n"
                  "    CONSTRAINT T_Key PRIMARY KEY (ID), UNIQUE (ID, [LineNo]));\n"
                  "IF DB_ID(N'x') IS NULL\nCREATE DATABASE [x] COLLATE Latin1_General_CI_AS;\nGO\n"
                  "SELECT t.[LineNo], CAST(t.ID AS DOUBLE PRECISION) FROM T t JOIN U u ON (t.ID = u.ID);\nGO\n")),
              QStringList());
    // a procedure file is one batch: no session options of its own
    EXPECT_EQ(erpdb::TsqlScriptProblems(QStringLiteral("CREATE OR ALTER PROCEDURE dbo.P AS SELECT 1;\n")), QStringList());
}

// The SQL the demo company stores (columns, FROM clauses, built statements,
// lookups) runs on a SQL Server too: it names nothing by a reserved keyword.
TEST(SqlServerScripts, TheDemosStoredSqlNamesNoReservedKeyword)
{
    EXPECT_EQ(erpdb::TsqlReservedNames(QStringLiteral("ol.LineNo, x.[Percent], o.Status AS [Key], p.Name AS Plan")),
              (QStringList{QStringLiteral("LINENO"), QStringLiteral("PLAN")}));
    sqlite3* demo = erpdb::DemoCompanyInMemory();
    const char* const queries[] = {
        "SELECT KeySQL || ' ' || FromSQL || ' ' || IFNULL(FromExSQL, '') FROM LdBases",
        "SELECT ColumnSQL FROM LdBaseColumns",
        "SELECT IFNULL(CorrelationSQL, '') FROM LdBaseTables",
        "SELECT IFNULL(SQLSelect, '') || ' ' || IFNULL(SQLFrom, '') || ' ' || IFNULL(SQLFromEx, '') FROM LdViews",
        "SELECT IFNULL(SQLSelect, '') || ' ' || IFNULL(SQLFrom, '') || ' ' || SQLFromEx FROM ListDialogTypes",
    };
    int texts = 0;
    for (const char* q : queries) {
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(demo, q, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(demo);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            EXPECT_EQ(erpdb::TsqlReservedNames(sql), QStringList()) << sql.toStdString();
            ++texts;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(demo);
    EXPECT_GT(texts, 50);
}

TEST(SqlServerScripts, EachProcedureFileIsOneBatchThatCreatesTheProcedureOfItsName)
{
    const QMap<QString, QString> procedures = erpdb::SqlServerProcedures();
    ASSERT_FALSE(procedures.isEmpty());
    for (auto it = procedures.begin(); it != procedures.end(); ++it) {
        EXPECT_EQ(erpdb::TsqlScriptProblems(it.value()), QStringList()) << it.key().toStdString();
        EXPECT_TRUE(it.value().contains(QStringLiteral("CREATE OR ALTER PROCEDURE dbo.%1\n").arg(it.key())))
            << it.key().toStdString();
        EXPECT_FALSE(it.value().contains(QRegularExpression(QStringLiteral("^GO\\s*$"),
                                                            QRegularExpression::MultilineOption)))
            << it.key().toStdString();
    }
}

TEST(SqlServerScripts, TheCompanyScriptEndsWithEveryProcedureInABatchOfItsOwnAfterTheViews)
{
    const QString company = erpdb::SqlServerCompanyScript(QStringLiteral("DemoCo"));
    const qsizetype lastView = company.lastIndexOf(QLatin1String("CREATE OR ALTER VIEW"));
    ASSERT_GT(lastView, 0);
    qsizetype previous = lastView;
    const QMap<QString, QString> procedures = erpdb::SqlServerProcedures();
    for (auto it = procedures.begin(); it != procedures.end(); ++it) {
        const qsizetype at = company.indexOf(QLatin1String("GO\n") + it.value().trimmed() + QLatin1String("\nGO\n"));
        EXPECT_GT(at, previous) << it.key().toStdString();
        previous = at;
    }
    EXPECT_TRUE(company.endsWith(procedures.last().trimmed() + QLatin1String("\nGO\n")));
}

// The script's parts between USE statements, by database.
QMap<QString, QString> ByDatabase(const QString& script)
{
    QMap<QString, QString> parts;
    QString current;
    static const QRegularExpression use(QStringLiteral("^USE \\[(\\w+)\\];$"));
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        const auto m = use.match(line);
        if (m.hasMatch())
            current = m.captured(1);
        else
            parts[current] += line + QLatin1Char('\n');
    }
    return parts;
}

TEST(SqlServerScripts, TheLoginsGetTheRightsTheEmbeddedServerGivesThemAndNoPasswordIsInTheScript)
{
    const QString script = erpdb::SqlServerLoginsScript(QStringLiteral("DemoCo"));
    EXPECT_EQ(erpdb::TsqlScriptProblems(script).join(QLatin1Char('|')).toStdString(), "");
    EXPECT_FALSE(script.contains(QLatin1String(erpdb::kDemoExecutivePassword)));
    EXPECT_FALSE(script.contains(QLatin1String(erpdb::kDemoReadOnlyPassword)));
    const QMap<QString, QString> part = ByDatabase(script);
    ASSERT_EQ(part.keys(), (QStringList{QString(), QStringLiteral("CoSystem"), QStringLiteral("DemoCo"), QStringLiteral("master")}));
    const QString& master = part[QStringLiteral("master")];
    // Made only when missing and given a password; the script runs again without them.
    EXPECT_TRUE(master.contains(QLatin1String(
        ":on error ignore\nIF SUSER_ID(N'coexecutive') IS NULL AND N'$(CoExecutivePassword)' <> N'$' + "
        "N'(CoExecutivePassword)'\nCREATE LOGIN [coexecutive] WITH PASSWORD = N'$(CoExecutivePassword)'")));
    EXPECT_TRUE(master.contains(QLatin1String(
        "IF SUSER_ID(N'coreadonly') IS NULL AND N'$(CoReadOnlyPassword)' <> N'$' + N'(CoReadOnlyPassword)'\n"
        "CREATE LOGIN [coreadonly] WITH PASSWORD = N'$(CoReadOnlyPassword)'")));
    EXPECT_TRUE(master.contains(QLatin1String(":on error exit\nIF SUSER_ID(N'coexecutive') IS NULL OR "
                                              "SUSER_ID(N'coreadonly') IS NULL\nRAISERROR(")));
    // the system database: the application login only, reading and writing
    const QString& system = part[QStringLiteral("CoSystem")];
    EXPECT_FALSE(system.contains(QLatin1String("coreadonly")));
    for (const char* role : {"db_datareader", "db_datawriter"})
        EXPECT_TRUE(system.contains(QStringLiteral("ALTER ROLE %1 ADD MEMBER [coexecutive];").arg(QLatin1String(role))));
    // the company: the application login also runs the procedures; the read-only
    // login only reads, and not the users' passwords
    const QString& company = part[QStringLiteral("DemoCo")];
    for (const char* piece : {"CREATE USER [coexecutive] FOR LOGIN [coexecutive];",
                              "ALTER ROLE db_datawriter ADD MEMBER [coexecutive];",
                              "GRANT EXECUTE ON SCHEMA::dbo TO [coexecutive];",
                              "DENY EXECUTE ON dbo.Ld_ChangeSQLView TO [coexecutive];",
                              // the two procedures, run as it, must see the owner of their SQL views
                              "CREATE USER [quillon_views] WITHOUT LOGIN;\nGO\n"
                              "GRANT VIEW DEFINITION ON USER::[quillon_views] TO [coexecutive];",
                              "IF DATABASE_PRINCIPAL_ID(N'coreadonly') IS NULL\nCREATE USER [coreadonly] FOR LOGIN [coreadonly];",
                              "IF IS_ROLEMEMBER(N'db_datareader', N'coreadonly') = 0\nALTER ROLE db_datareader ADD MEMBER [coreadonly];",
                              "DENY SELECT ON dbo.CoUsers (Password) TO [coreadonly];"})
        EXPECT_TRUE(company.contains(QLatin1String(piece))) << piece;
    static const QRegularExpression readOnlyRights(QStringLiteral("(GRANT|ALTER ROLE)[^;]*(TO|MEMBER) \\[(coreadonly|quillon_views)"));
    QStringList rights;
    for (auto it = readOnlyRights.globalMatch(company); it.hasNext();)
        rights << it.next().captured(0);
    EXPECT_EQ(rights, QStringList{QStringLiteral("ALTER ROLE db_datareader ADD MEMBER [coreadonly")});
    // The SQL views of list views belong to a user of no rights: owned by dbo, as
    // the tables are, a view would read them past the read-only login's denial.
    EXPECT_TRUE(company.contains(
        QLatin1String("IF DATABASE_PRINCIPAL_ID(N'quillon_views') IS NULL\nCREATE USER [quillon_views] WITHOUT LOGIN;")));
    static const QRegularExpression handedOver(
        QStringLiteral("N'CREATE VIEW dbo\\.' \\+ QUOTENAME\\(@Name\\)[^;]*;\\s*EXEC sys\\.sp_executesql @Sql;\\s*"
                       "(--[^\\n]*\\n\\s*)*SET @Sql = N'ALTER AUTHORIZATION ON OBJECT::dbo\\.' \\+ "
                       "QUOTENAME\\(@Name\\) \\+ N' TO \\[quillon_views\\];';\\s*EXEC sys\\.sp_executesql @Sql;"));
    const QString change = erpdb::SqlServerProcedures().value(QStringLiteral("Ld_ChangeSQLView"));
    EXPECT_EQ(change.count(QStringLiteral("N'CREATE VIEW")), 1);
    EXPECT_TRUE(change.contains(handedOver));
    // No login may change the schema: the SQL views of list views are made by the
    // procedures that run as their owner.
    for (const char* right : {"ALTER ON SCHEMA", "CREATE VIEW TO", "CONTROL", "db_ddladmin", "db_owner"})
        EXPECT_FALSE(script.contains(QLatin1String(right))) << right;
}

// The application login writes LdViews; what it writes there must not decide which
// view of the database is dropped or replaced as dbo, and the procedures must keep
// working when the database's owner was a login that is gone.
TEST(SqlServerScripts, OnlyTheOwnerPartChangesTheSchemaAndTouchesOnlyViewsOfQuillonViews)
{
    const QMap<QString, QString> procedures = erpdb::SqlServerProcedures();
    static const QRegularExpression ddl(QStringLiteral("\\b(DROP|CREATE|ALTER)\\s+(VIEW|AUTHORIZATION)\\b|sp_executesql"));
    static const QRegularExpression impersonates(QStringLiteral("\\bEXECUTE\\s+AS\\b"));
    for (auto it = procedures.begin(); it != procedures.end(); ++it) {
        const bool owner = it.key() == QLatin1String("Ld_ChangeSQLView");
        // (the CREATE OR ALTER PROCEDURE of every file is no view)
        EXPECT_EQ(it.value().contains(impersonates), owner) << it.key().toStdString();
        EXPECT_EQ(it.value().contains(ddl), owner) << it.key().toStdString();
    }
    // The owner part refuses any object of the name that quillon_views does not own,
    // before it drops anything; where that user is missing, every object (a
    // comparison with NULL would let any view through).
    const QString change = procedures.value(QStringLiteral("Ld_ChangeSQLView"));
    EXPECT_TRUE(change.contains(QLatin1String("DECLARE @Views int = DATABASE_PRINCIPAL_ID(N'quillon_views');")));
    const qsizetype refusal =
        change.indexOf(QLatin1String("AND (@Type <> 'V' OR @OwnerID IS NULL OR @Views IS NULL OR @OwnerID <> @Views)"));
    ASSERT_GE(refusal, 0);
    EXPECT_LT(refusal, change.indexOf(QLatin1String("DROP VIEW")));
    // The two procedures run as their caller: the statements they compile are
    // described with the caller's rights (a base may read another database), and
    // each reaches the schema only through the owner part, after its own check of
    // the owner.
    for (const char* name : {"Ld_UpdateSQLStmts", "Ld_DeleteView"}) {
        const QString sql = procedures.value(QLatin1String(name));
        EXPECT_TRUE(sql.contains(QLatin1String("EXEC dbo.Ld_ChangeSQLView @Name = @Existing;"))) << name;
        EXPECT_TRUE(sql.contains(QLatin1String("principal_id, s.principal_id) = "))) << name;
    }
    EXPECT_TRUE(procedures.value(QStringLiteral("Ld_UpdateSQLStmts")).contains(QLatin1String("sys.dm_exec_describe_first_result_set")));
    // The databases are owned by a login that stays, sa (by its sid: it may have been
    // renamed), unless the owner is sa or a login made for owning, which is disabled.
    const struct {
        QString script;
        const char* database;
    } owned[] = {{erpdb::SqlServerCompanyScript(QStringLiteral("DemoCo")), "DemoCo"},
                 {erpdb::SqlServerSystemScript(), "CoSystem"}};
    for (const auto& o : owned)
        EXPECT_TRUE(o.script.contains(
            QStringLiteral("WHERE d.name = N'%1' AND (p.sid = 0x01 OR p.is_disabled = 1))\nBEGIN\n"
                           "    DECLARE @Owner nvarchar(max) = N'ALTER AUTHORIZATION ON DATABASE::[%1] TO '\n"
                           "                                   + QUOTENAME(SUSER_SNAME(0x01)) + N';';\n"
                           "    EXEC sys.sp_executesql @Owner;\nEND;\nGO\nUSE [%1];\n")
                .arg(QLatin1String(o.database))))
            << o.database;
}

TEST(SqlServerScripts, TheProcedureCheckFindsUndeclaredVariablesAndMissingObjects)
{
    const QSet<QString> known = {QStringLiteral("LDVIEWS"), QStringLiteral("COCOMPANIES"), QStringLiteral("P"),
                                 QStringLiteral("OTHER")};
    auto procedure = [](const char* body) {
        return QStringLiteral("-- a test\nCREATE OR ALTER PROCEDURE dbo.P\n    @ViewID int,\n    @r_Name nvarchar(255) = NULL OUTPUT\n"
                              "AS\nBEGIN\n") +
               QString::fromLatin1(body) + QStringLiteral("\nEND\n");
    };
    struct Case {
        const char* body;
        const char* problem;  // "" for none
    };
    const Case cases[] = {
        {"SELECT @Name = ViewName FROM dbo.LdViews WHERE ViewID = @ViewID;", "line 7: @NAME is not declared"},
        {"SET @n = 1;\nDECLARE @n int;", "line 7: @N is not declared"},
        {"DECLARE @a int = @b + 1, @b int;", "line 7: @B is not declared"},
        {"DECLARE c CURSOR LOCAL FOR SELECT ViewID FROM dbo.LdViews;\nOPEN c;\nFETCH NEXT FROM c INTO @id;",
         "line 9: @ID is not declared"},
        {"SELECT ViewID FROM dbo.LdView WHERE ViewID = @ViewID;", "line 7: dbo.LDVIEW does not exist"},
        {"EXEC dbo.Ld_NoSuchProcedure @ViewID;", "line 7: dbo.LD_NOSUCHPROCEDURE does not exist"},
        {"SELECT 1 FROM [dbo].[Missing];", "line 7: dbo.Missing does not exist"},
        // what is fine
        {"DECLARE @a int = 1, @b nvarchar(10) = N'@c', @t TABLE (id int, name nvarchar(10));\n"
         "INSERT INTO @t (id, name) SELECT ViewID, ViewName FROM dbo.LdViews WHERE ViewID = @a;\n"
         "IF @@ROWCOUNT = 0 SET @r_Name = @b;",
         ""},
        {"DECLARE @id int;\nDECLARE c CURSOR LOCAL FOR SELECT ViewID FROM dbo.LdViews\nOPEN c\n"
         "FETCH NEXT FROM c INTO @id\nWHILE @@FETCH_STATUS = 0 FETCH NEXT FROM c INTO @id\nCLOSE c\nDEALLOCATE c",
         ""},
        {"DECLARE @rc int;\nEXEC @rc = dbo.Other @ViewID = @ViewID, @Flag = 1;\n"
         "EXEC sp_executesql N'SELECT @x', N'@x int', @x = @rc;\n"
         "SELECT CompanyID FROM CoSystem.dbo.CoCompanies;",
         ""},
    };
    for (const Case& c : cases) {
        const QStringList problems = erpdb::TsqlProcedureProblems(procedure(c.body), known);
        EXPECT_EQ(problems.join(QLatin1Char('|')).toStdString(), c.problem) << c.body;
    }
    EXPECT_EQ(erpdb::TsqlProcedureProblems(QStringLiteral("SELECT 1"), known),
              QStringList{QStringLiteral("line 1: no CREATE PROCEDURE ... AS")});
    // the parameters, with or without parentheses, defaults and OUTPUT
    EXPECT_EQ(erpdb::TsqlProcedureParameters(procedure("")), (QStringList{QStringLiteral("@VIEWID"), QStringLiteral("@R_NAME")}));
    EXPECT_EQ(erpdb::TsqlProcedureParameters(QStringLiteral(
                  "CREATE PROCEDURE dbo.Q (@a decimal(10, 2) = 0, @b int OUTPUT) AS SELECT @a, @b")),
              (QStringList{QStringLiteral("@A"), QStringLiteral("@B")}));
    EXPECT_EQ(erpdb::TsqlProcedureParameters(QStringLiteral("CREATE OR ALTER PROCEDURE dbo.R AS SELECT 1")), QStringList());
}

TEST(SqlServerScripts, EachProcedureFileDeclaresWhatItUsesAndNamesOnlyObjectsThatExist)
{
    const QSet<QString> known = erpdb::SqlServerObjectNames();
    EXPECT_TRUE(known.contains(QStringLiteral("COCOMPANIES")));
    EXPECT_TRUE(known.contains(QStringLiteral("LDCATALOGVIEWS")));
    const QMap<QString, QString> procedures = erpdb::SqlServerProcedures();
    for (auto it = procedures.begin(); it != procedures.end(); ++it)
        EXPECT_EQ(erpdb::TsqlProcedureProblems(it.value(), known).join(QLatin1Char('|')).toStdString(), "")
            << it.key().toStdString();
}

TEST(SqlServerScripts, EveryStoredProcedureOfTheServerHasAFileThatTakesItsArguments)
{
    const QStringList host = erpdb::ServerProcedureNames();
    ASSERT_FALSE(host.isEmpty());
    const QMap<QString, QString> files = erpdb::SqlServerProcedures();
    QStringList missing;
    for (const QString& name : host) {
        const HostProcedureInfo* info = FindHostProcedure(name);
        ASSERT_NE(info, nullptr) << name.toStdString();
        if (!files.contains(name)) {
            missing << name;
            continue;
        }
        const auto count = erpdb::TsqlProcedureParameters(files[name]).size();
        EXPECT_GE(count, info->minArgs) << name.toStdString();
        EXPECT_LE(count, info->maxArgs) << name.toStdString();
    }
    EXPECT_EQ(missing.join(QStringLiteral(", ")).toStdString(), "") << "procedures without a file";
    // Ld_ChangeSQLView is no procedure of the program's: the part of the two SQL view
    // procedures that runs as its owner on a SQL Server.
    for (const QString& name : files.keys())
        EXPECT_TRUE(host.contains(name) || name == QLatin1String("Ld_ChangeSQLView"))
            << name.toStdString() << ": a file for a procedure the server does not have";
}

}  // namespace
