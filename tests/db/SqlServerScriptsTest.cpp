// The T-SQL scripts for a SQL Server trial site: they pass our T-SQL check
// (closed texts and parentheses, no SQLite words, views first in their batch,
// every CREATE safe to run again), and the check finds what it is there for.

#include "db/SqlServerScripts.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

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
    };
    for (const Case& c : cases)
        EXPECT_TRUE(erpdb::TsqlScriptProblems(QString::fromLatin1(c.script)).contains(QString::fromLatin1(c.problem)))
            << c.script << "\n gave: " << erpdb::TsqlScriptProblems(QString::fromLatin1(c.script)).join('|').toStdString();
    // what is fine: guarded creates, words inside texts and names, GO in a text
    EXPECT_EQ(erpdb::TsqlScriptProblems(QStringLiteral(
                  "IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'i')\nCREATE INDEX i ON t (a);\nGO\n"
                  "SELECT 'LIMIT || GO' AS [TEXT], \"IFNULL\" FROM t -- PRAGMA\nGO\n")),
              QStringList());
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

}  // namespace
