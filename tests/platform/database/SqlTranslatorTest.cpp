// The T-SQL -> SQLite translator, form by form: the text it produces, how it splits
// batches, the EXEC calls it recognises and what it refuses.
#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/SqlTranslator.h"

#include <gtest/gtest.h>

namespace {

QString Joined(const std::vector<TranslatedStatement>& statements)
{
    QStringList parts;
    for (const TranslatedStatement& st : statements) {
        if (st.kind == TranslatedStatement::Kind::Sql) {
            parts << st.sql;
        } else {
            QStringList args;
            for (const Variant& a : st.args)
                args << (a.isNull() ? QStringLiteral("NULL") : a.typeName() + QLatin1Char(':') + a.toString());
            parts << QStringLiteral("CALL %1(%2)").arg(st.procedure, args.join(QStringLiteral("|")));
        }
    }
    return parts.join(QStringLiteral(" ;; "));
}

struct Form {
    const char* name;
    const char* tsql;
    const char* sqlite;  // the statements joined by " ;; ", calls as CALL name(type:value|...)
};

const Form kForms[] = {
    {"plain select", "SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = 'ACME'",
     "SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = 'ACME'"},
    // The program's own statements that SQLite runs as they are: nothing in them may be rewritten.
    {"select * with a trailing blank", "SELECT * FROM LdColumnFunctions ", "SELECT * FROM LdColumnFunctions"},
    {"NOT IN and two blanks before WHERE",
     "SELECT * FROM LdColumnFunctions  WHERE ColumnFunction NOT IN ('Sum','Average')",
     "SELECT * FROM LdColumnFunctions  WHERE ColumnFunction NOT IN ('Sum','Average')"},
    {"table aliases without AS and a join",
     "SELECT Value FROM CoRegKeys rk INNER JOIN CoRegValues rv ON rk.KeyID = rv.KeyID WHERE rk.Name = 'System' AND "
     "rv.Name = 'Version'",
     "SELECT Value FROM CoRegKeys rk INNER JOIN CoRegValues rv ON rk.KeyID = rv.KeyID WHERE rk.Name = 'System' AND "
     "rv.Name = 'Version'"},
    {"mixed-case DISTINCT with comparisons in parentheses",
     "Select Distinct v.DisplayName From LDViewColumns vc Inner Join LdViews v On vc.ViewID = v.ViewID Where "
     "vc.BaseColumnID = 45 And (vc.Viewable = 1 OR vc.Filterable = 1) And v.ViewID <> 12",
     "Select Distinct v.DisplayName From LDViewColumns vc Inner Join LdViews v On vc.ViewID = v.ViewID Where "
     "vc.BaseColumnID = 45 And (vc.Viewable = 1 OR vc.Filterable = 1) And v.ViewID <> 12"},
    {"composed look-up with odd blanks", "SELECT COUNT(*) FROM LdMyViews WHERE  IsMyView = 1 AND ViewID =12 AND UserID ='jdoe'",
     "SELECT COUNT(*) FROM LdMyViews WHERE  IsMyView = 1 AND ViewID =12 AND UserID ='jdoe'"},
    {"insert values with -1, and without a blank before the column list",
     "INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (12, 'jdoe',-1)\r\n"
     "INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (55,7)",
     "INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (12, 'jdoe',-1) ;; "
     "INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (55,7)"},
    {"single-line mixed-case update: its SET items are no aliases",
     "Update LdBaseColumns Set ColumnName = 'CustName' , DisplayName = 'Customer Name' Where ColumnID = 45",
     "Update LdBaseColumns Set ColumnName = 'CustName' , DisplayName = 'Customer Name' Where ColumnID = 45"},
    {"update to NULL", "UPDATE LdViews SET LastUsedFilter = NULL WHERE ViewID = 12",
     "UPDATE LdViews SET LastUsedFilter = NULL WHERE ViewID = 12"},
    {"delete", "DELETE FROM LdViewColumnFunctions WHERE ViewID = 12", "DELETE FROM LdViewColumnFunctions WHERE ViewID = 12"},
    {"like with wildcards and a quoted number against an id",
     "SELECT COUNT(*) FROM LdViews WHERE ViewName like 'ORDERS_3' AND ViewID <> '12'",
     "SELECT COUNT(*) FROM LdViews WHERE ViewName like 'ORDERS_3' AND ViewID <> '12'"},
    {"list query with a catalogue restriction",
     "SELECT v_ViewID AS [ID], v_DisplayName AS [View Name]\r\n FROM LdCatalogViews  WHERE  (v_Shared = 1 OR "
     "(v_CreatorID = 'jdoe' OR v_CreatorID IS NULL)) ",
     "SELECT v_ViewID AS [ID], v_DisplayName AS [View Name]\r\n FROM LdCatalogViews  WHERE  (v_Shared = 1 OR "
     "(v_CreatorID = 'jdoe' OR v_CreatorID IS NULL))"},
    {"export with a range filter and ORDER BY 2",
     "SELECT o.OrderID AS [ID], o.Amount AS [Amount]\r\n FROM Orders o WHERE ( ( o.Amount >= '100' AND o.Amount <= "
     "'200' ) ) ORDER BY 2",
     "SELECT o.OrderID AS [ID], o.Amount AS [Amount]\r\n FROM Orders o WHERE ( ( o.Amount >= '100' AND o.Amount <= "
     "'200' ) ) ORDER BY 2"},
    {"a column token left in goes on to the database, which refuses it",
     "SELECT o.OrderID AS [ID] FROM Orders o WHERE ( {CustName} LIKE 'Ac%' )",
     "SELECT o.OrderID AS [ID] FROM Orders o WHERE ( {CustName} LIKE 'Ac%' )"},
    {"insert select with aliases, one item per line",
     "INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID , Custom, Shared, SQLViewApplicationID, "
     "CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate ) \r\nSELECT ViewName = 'ORDERS_3',\r\n"
     "DisplayName = 'My Orders',\r\nDescription = '',\r\nBaseID = 5,\r\nCustom = -1,\r\nShared = 0,\r\n"
     "SQLViewApplicationID = Null,\r\nCreateSQLView = 0,\r\nCreatorID = 'jdoe',\r\nUpdatorID = 'jdoe',\r\n"
     "CreateDate = GETDATE(),\r\nLastUpdate = GETDATE()",
     "INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID , Custom, Shared, SQLViewApplicationID, "
     "CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate ) \r\nSELECT 'ORDERS_3' AS ViewName,\r\n"
     "'My Orders' AS DisplayName,\r\n'' AS Description,\r\n5 AS BaseID,\r\n-1 AS Custom,\r\n0 AS Shared,\r\n"
     "Null AS SQLViewApplicationID,\r\n0 AS CreateSQLView,\r\n'jdoe' AS CreatorID,\r\n'jdoe' AS UpdatorID,\r\n"
     "GETDATE() AS CreateDate,\r\nGETDATE() AS LastUpdate"},
    {"insert select mixing plain columns, an alias, FROM and WHERE",
     "INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, MasterUser = 'jdoe', "
     "MasterValue FROM LdMaster WHERE MasterName = 'OpeningLinkedViews'",
     "INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, 'jdoe' AS MasterUser, "
     "MasterValue FROM LdMaster WHERE MasterName = 'OpeningLinkedViews'"},
    {"alias with a bracketed name and an expression", "SELECT [Order No] = o.ID + 1, n = (SELECT 1) FROM o",
     "SELECT o.ID + 1 AS [Order No], (SELECT 1) AS n FROM o"},
    {"comparison in WHERE and in a subquery stays", "SELECT a FROM t WHERE b = 1 AND c IN (SELECT d FROM u WHERE e = 2)",
     "SELECT a FROM t WHERE b = 1 AND c IN (SELECT d FROM u WHERE e = 2)"},
    {"update across lines", "UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 3,\r\nViewable = -1\r\nWHERE ViewColumnID = 40",
     "UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 3,\r\nViewable = -1\r\nWHERE ViewColumnID = 40"},
    {"batch without a semicolon",
     "DELETE FROM LdViewFilterColumns WHERE ViewFilterID =  17\r\n\r\nDELETE FROM LdViewFilters WHERE ViewFilterID =  17",
     "DELETE FROM LdViewFilterColumns WHERE ViewFilterID =  17 ;; DELETE FROM LdViewFilters WHERE ViewFilterID =  17"},
    {"insert then the new id", "INSERT INTO t (a) VALUES (1)\r\nSELECT SCOPE_IDENTITY()",
     "INSERT INTO t (a) VALUES (1) ;; SELECT SCOPE_IDENTITY()"},
    {"insert select then the new id", "INSERT INTO t (a) SELECT a = 1\r\nSELECT SCOPE_IDENTITY() AS NewID",
     "INSERT INTO t (a) SELECT 1 AS a ;; SELECT SCOPE_IDENTITY() AS NewID"},
    {"@@IDENTITY", "INSERT INTO t (a) VALUES (1); SELECT @@IDENTITY",
     "INSERT INTO t (a) VALUES (1) ;; SELECT SCOPE_IDENTITY()"},
    {"semicolons and an empty statement", "UPDATE t SET a = 1;; UPDATE t SET b = 2;",
     "UPDATE t SET a = 1 ;; UPDATE t SET b = 2"},
    {"insert select union is one statement", "INSERT INTO t (a) SELECT 1 UNION ALL SELECT 2",
     "INSERT INTO t (a) SELECT 1 UNION ALL SELECT 2"},
    {"a select after a closing parenthesis starts a new statement", "UPDATE t SET a = (SELECT 1)\r\nSELECT a FROM t",
     "UPDATE t SET a = (SELECT 1) ;; SELECT a FROM t"},
    {"exec positional", "EXEC Ld_GetView 12,'jdoe'", "CALL Ld_GetView(Long:12|String:jdoe)"},
    {"exec with NULL and blanks", "EXEC Ld_IsColumnFilterable 20, NULL, 'OrderDate'",
     "CALL Ld_IsColumnFilterable(Long:20|NULL|String:OrderDate)"},
    {"Exec in mixed case", "Exec Ld_ResetSQLForAllViews NULL, 5", "CALL Ld_ResetSQLForAllViews(NULL|Long:5)"},
    {"EXECUTE with quotes doubled, N'' and a negative number", "EXECUTE [dbo].[P] 'O''Neil' , N'x', -3, 2.5",
     "CALL P(String:O'Neil|String:x|Long:-3|Double:2.5)"},
    {"exec without arguments", "EXEC Ld_Nothing", "CALL Ld_Nothing()"},
    {"exec then a select", "EXEC P 1\r\nSELECT 2", "CALL P(Long:1) ;; SELECT 2"},
    {"TOP", "SELECT TOP 5 Name FROM t ORDER BY Name", "SELECT Name FROM t ORDER BY Name LIMIT 5"},
    {"TOP (n) DISTINCT in a subquery", "SELECT a FROM t WHERE a IN (SELECT DISTINCT TOP (2) b FROM u)",
     "SELECT a FROM t WHERE a IN (SELECT DISTINCT b FROM u LIMIT 2)"},
    {"ISNULL", "SELECT ISNULL(a, 'none') FROM t WHERE ISNULL(b,0) = 0",
     "SELECT IFNULL(a, 'none') FROM t WHERE IFNULL(b,0) = 0"},
    {"CONVERT", "SELECT CONVERT(varchar(50), Qty), CONVERT(int, '12'), CONVERT(datetime, d) FROM t",
     "SELECT CAST( Qty AS TEXT), CAST( '12' AS INTEGER), CAST( d AS TEXT) FROM t"},
    {"CAST with a T-SQL type", "SELECT CAST(d AS datetime), CAST(x AS money) FROM t",
     "SELECT CAST(d AS TEXT), CAST(x AS REAL) FROM t"},
    {"N'' literals", "SELECT * FROM t WHERE Name = N'Müller' OR Name = n'x'",
     "SELECT * FROM t WHERE Name = 'Müller' OR Name = 'x'"},
    {"brackets stay", "SELECT [Customer Name] FROM [Customers] c", "SELECT [Customer Name] FROM [Customers] c"},
    {"+ with a text literal", "SELECT FirstName + ' ' + LastName FROM t",
     "SELECT FirstName || ' ' || LastName FROM t"},
    {"+ with a text literal and a product", "SELECT 'Total: ' + Qty * Price FROM t",
     "SELECT 'Total: ' || (Qty * Price) FROM t"},
    {"+ inside CASE and a function", "SELECT CASE WHEN a = 1 THEN 'x' + b ELSE LEFT(c + 'y', 2) END FROM t",
     "SELECT CASE WHEN a = 1 THEN 'x' || b ELSE tsql_left(c || 'y', 2) END FROM t"},
    {"+ next to calls that give text", "SELECT LEFT(a, 1) + RIGHT(b, 1), CONVERT(varchar(5), n) + c FROM t",
     "SELECT tsql_left(a, 1) || tsql_right(b, 1), CAST( n AS TEXT) || c FROM t"},
    {"+ between numbers stays", "SELECT a + b, a + 1, '5' + 3 FROM t", "SELECT a + b, a + 1, '5' + 3 FROM t"},
    {"LEFT and RIGHT functions, LEFT JOIN stays",
     "SELECT LEFT(a, 2), RIGHT(a, 1) FROM t LEFT JOIN u ON u.id = t.id",
     "SELECT tsql_left(a, 2), tsql_right(a, 1) FROM t LEFT JOIN u ON u.id = t.id"},
    {"date parts", "SELECT DATEADD(day, 1, d), DATEDIFF(Month, a, b) FROM t",
     "SELECT DATEADD('day', 1, d), DATEDIFF('month', a, b) FROM t"},
    {"!< and !>", "SELECT a FROM t WHERE a !< 1 AND b !> 2", "SELECT a FROM t WHERE a >= 1 AND b <= 2"},
    {"comments and texts are not rewritten",
     "SELECT 'ISNULL(x) + TOP 1 ; DELETE' /* SELECT a = 1; */ FROM t -- EXEC x\r\nWHERE a = 'b' ",
     "SELECT 'ISNULL(x) + TOP 1 ; DELETE' /* SELECT a = 1; */ FROM t -- EXEC x\r\nWHERE a = 'b'"},
    {"definitions pass through",
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = 1; DELETE FROM u; END; SELECT 1",
     "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET a = 1; DELETE FROM u; END ;; SELECT 1"},
    {"common table expression", "WITH x AS (SELECT 1 AS a) INSERT INTO t (a) SELECT a FROM x",
     "WITH x AS (SELECT 1 AS a) INSERT INTO t (a) SELECT a FROM x"},
};

TEST(SqlTranslatorTest, TranslatesEveryForm)
{
    for (const Form& f : kForms) {
        try {
            EXPECT_EQ(Joined(TranslateBatch(QString::fromUtf8(f.tsql))).toStdString(), f.sqlite) << f.name;
        } catch (const AppError& e) {
            ADD_FAILURE() << f.name << ": " << e.description().toStdString();
        }
    }
}

TEST(SqlTranslatorTest, MarksWhatMayWrite)
{
    const auto st = TranslateBatch(QStringLiteral(
        "SELECT 1\r\nWITH x AS (SELECT 1) SELECT * FROM x\r\nWITH x AS (SELECT 1) DELETE FROM t\r\nUPDATE t SET a = 1"));
    ASSERT_EQ(st.size(), 4u);
    EXPECT_FALSE(st[0].writes);
    EXPECT_FALSE(st[1].writes);
    EXPECT_TRUE(st[2].writes);
    EXPECT_TRUE(st[3].writes);
}

TEST(SqlTranslatorTest, RefusesWhatItDoesNotUnderstand)
{
    struct Refused {
        const char* tsql;
        const char* named;  // what the message names
    };
    const Refused cases[] = {
        {"SELECT * FROM t WHERE a = @id", "@id"},
        {"DECLARE @x int", "DECLARE"},
        {"SET NOCOUNT ON\r\nSELECT 1", "SET"},
        {"BEGIN TRANSACTION", "BEGIN"},
        {"UPDATE t SET a = 1\r\nGO", "GO"},
        {"SELECT CONVERT(varchar, d, 103) FROM t", "CONVERT with a style"},
        {"SELECT CONVERT(geography, d) FROM t", "geography"},
        {"SELECT TOP 10 PERCENT a FROM t", "PERCENT"},
        {"DELETE TOP (5) FROM t", "TOP"},
        {"SELECT TOP 1 a FROM t UNION SELECT TOP 1 b FROM u", "TOP"},
        {"EXEC P @a = 1", "@a"},
        {"EXEC P 1, x", "'x'"},
        {"EXEC P 1 OUTPUT", "OUTPUT"},
        {"EXEC (@sql)", "EXEC"},
        {"INSERT INTO t EXEC P", "INSERT ... EXEC"},
        {"SELECT 'open", "Unclosed quotation mark"},
        {"SELECT [open", "Unclosed quotation mark"},
        {"SELECT (1", "Incorrect syntax near '('"},
        {"SELECT 1)", "Incorrect syntax near ')'"},
        {"SELECT 1 /* comment", "Missing end comment mark"},
        {"EXEC P 1,", "Incorrect syntax near ','"},
    };
    for (const Refused& c : cases) {
        try {
            TranslateBatch(QString::fromLatin1(c.tsql));
            ADD_FAILURE() << c.tsql << " was accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.tsql;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.named)))
                << c.tsql << " gave: " << e.description().toStdString();
        }
    }
    EXPECT_TRUE(TranslateBatch(QStringLiteral("  \r\n -- nothing\r\n")).empty());
}

TEST(SqlTranslatorTest, MapsTypeNames)
{
    const std::pair<const char*, const char*> types[] = {
        {"int", "INTEGER"},  {"BIT", "INTEGER"},       {"varchar(50)", "TEXT"}, {"nvarchar (max)", "TEXT"},
        {"datetime", "TEXT"}, {"decimal(10,2)", "REAL"}, {"money", "REAL"},      {"float", "REAL"},
        {"[int]", "INTEGER"}, {"xml", ""},
    };
    for (const auto& [tsql, sqlite] : types)
        EXPECT_EQ(SqliteTypeFor(QLatin1String(tsql)).toStdString(), sqlite) << tsql;
}

}  // namespace
