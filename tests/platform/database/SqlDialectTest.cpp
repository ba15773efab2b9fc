// The SQL the program writes, run through the database interface on a company
// database of the embedded server: each form with its effect on the data, the
// logins, and the T-SQL functions and rewrites a user's free SQL may use.
#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"

#include "ErrorOf.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SqlDialectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        erpdb::SetServersRoot(dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(dir.filePath(QStringLiteral("client")));
        erpdb::CreateServer(QStringLiteral("Dialect"), QStringLiteral("exec-pw"), QStringLiteral("read-pw"));
        erpdb::CreateCompany(QStringLiteral("Dialect"), QStringLiteral("ACME"), QStringLiteral("Acme"),
                             QStringLiteral("AcmeDb"));
        int32_t flag = 0;
        db.OpenConnection(QStringLiteral("Dialect"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                          QStringLiteral("exec-pw"), 0, flag);
    }
    void TearDown() override
    {
        db.CloseConnection();
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    Variant lookup(const char* expression, const char* from, const char* where = "")
    {
        return db.DLookup(QString::fromLatin1(expression), QString::fromLatin1(from), QString::fromLatin1(where));
    }

    Variant value(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        if (!db.OpenRecordset(sql, rs))
            return Variant();
        return rs->Item(0);
    }

    QTemporaryDir dir;
    BrandleDatabase db;
};

const char* const kInsertView =
    "INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID , Custom, Shared, SQLViewApplicationID, "
    "CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate ) \r\nSELECT ViewName = 'ORDERS_3',\r\n"
    "DisplayName = 'My Orders',\r\nDescription = '',\r\nBaseID = 5,\r\nCustom = -1,\r\nShared = 0,\r\n"
    "SQLViewApplicationID = Null,\r\nCreateSQLView = 0,\r\nCreatorID = 'jdoe',\r\nUpdatorID = 'jdoe',\r\n"
    "CreateDate = GETDATE(),\r\nLastUpdate = GETDATE()";

TEST_F(SqlDialectTest, TheProgramsStatementFormsRunWithTheirEffect)
{
    // INSERT ... SELECT name = value, Booleans written as -1, GETDATE()
    db.Execute(QString::fromLatin1(kInsertView));
    const int32_t viewId = lookup("Max(ViewID)", "LdViews").toInt32();
    EXPECT_EQ(lookup("Custom", "LdViews", "ViewID = 1").toInt32(), 1);
    EXPECT_EQ(lookup("COUNT(*)", "LdViews", "Custom = 1 AND Shared = 0 AND SQLViewApplicationID IS NULL").toInt32(), 1);
    const QString created = lookup("CreateDate", "LdViews").toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(created)
                    .hasMatch())
        << created.toStdString();
    EXPECT_LE(qAbs(QDateTime::fromString(created, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                       .secsTo(QDateTime::currentDateTime())),
              5);

    // the new id as a second statement of the insert's batch
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(db.OpenRecordset(QString::fromLatin1(kInsertView) + QStringLiteral("\r\nSELECT SCOPE_IDENTITY()"), rs));
    EXPECT_EQ(rs->Item(0).toInt32(), viewId + 1);

    // INSERT ... VALUES, also without a blank before the column list
    db.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (13, 'jdoe',1)"));
    db.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (12, 'jdoe',-1)"));
    db.Execute(QStringLiteral("INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (55,7)"));
    EXPECT_EQ(lookup("AutoPopulate", "LdMyViews", "ViewID = 12").toInt32(), 1);
    EXPECT_EQ(lookup("COUNT(*)", "LdMyViews", " IsMyView = 1 AND ViewID =13 AND UserID ='jdoe'").toInt32(), 1);

    // INSERT ... SELECT mixing plain columns, an alias, FROM and WHERE
    db.Execute(QStringLiteral("INSERT INTO LdMaster (MasterID, MasterName, MasterValue) VALUES (1, 'OpeningLinkedViews', '1')"));
    db.Execute(QStringLiteral("INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, "
                              "MasterUser = 'jdoe', MasterValue FROM LdMaster WHERE MasterName = 'OpeningLinkedViews'"));
    EXPECT_EQ(lookup("mu.MasterValue", "LdMaster m INNER JOIN LdMasterUsers mu ON m.MasterID = mu.MasterID",
                     "mu.MasterUser = 'jdoe' AND m.MasterName = 'OpeningLinkedViews'")
                  .toString(),
              QStringLiteral("1"));

    // multi-line UPDATE with SET alone on its line, and mixed case
    db.Execute(QStringLiteral("INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder) VALUES (12, 45, 1)"));
    db.Execute(QStringLiteral("UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 3,\r\nFilterOrder = 0,\r\nFilterable = 0,"
                              "\r\nViewable = -1\r\nWHERE ViewColumnID = 1"));
    EXPECT_EQ(lookup("Viewable", "LdViewColumns", "ViewColumnID = 1").toInt32(), 1);
    EXPECT_EQ(lookup("ColumnOrder", "LdViewColumns", "ViewColumnID = 1").toInt32(), 3);
    EXPECT_EQ(value(QStringLiteral("Select Distinct v.DisplayName From LDViewColumns vc Inner Join LdViews v On "
                                   "vc.ViewID = v.ViewID Where vc.BaseColumnID = 45 And (vc.Viewable = 1 OR "
                                   "vc.Filterable = 1) And v.ViewID <> 12"))
                  .isEmpty(),
              true);

    // a batch of two statements separated by CR LF CR LF
    db.Execute(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, CreatorID) VALUES "
                              "(12, 'Open', 'WHERE 1 = 1', 'jdoe')"));
    db.Execute(QStringLiteral("INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (1,7)"));
    db.Execute(QStringLiteral("DELETE FROM LdViewFilterColumns WHERE ViewFilterID =  1\r\n\r\nDELETE FROM "
                              "LdViewFilters WHERE ViewFilterID =  1"));
    EXPECT_EQ(lookup("COUNT(*)", "LdViewFilters").toInt32(), 0);
    EXPECT_EQ(lookup("COUNT(*)", "LdViewFilterColumns").toInt32(), 1);  // only (55, 7) is left

    // quoted numbers against integer columns; NULL written and compared
    EXPECT_EQ(lookup("COUNT(*)", "LdViewColumns", "ViewColumnID <> '45'").toInt32(), 1);
    db.Execute(QStringLiteral("UPDATE LdViews SET LastUsedFilter = NULL WHERE ViewID = 1"));
    EXPECT_TRUE(lookup("LastUsedFilter", "LdViews", "ViewID = 1").isNull());

    // a statement that returns rows, run through Execute
    db.Execute(QStringLiteral("SELECT ViewID FROM LdViews"));
}

// Queries of the program whose rows depend on the collation, wildcards and order.
TEST_F(SqlDialectTest, TheProgramsQueriesGiveSqlServersRows)
{
    db.Execute(QStringLiteral(
        "INSERT INTO LdColumnFunctions (ColumnFunctionID, ColumnFunction, FunctionTemplate, DisplayTemplate) VALUES "
        "(1, 'Sum', 'SUM(%COL%)', 'Sum of %NAME%'), (2, 'Average', 'AVG(%COL%)', 'Average of %NAME%'), "
        "(3, 'Count', 'COUNT(%COL%)', 'Count of %NAME%'), (4, 'Maximum', 'MAX(%COL%)', 'Maximum of %NAME%')"));
    db.Execute(QStringLiteral(
        "INSERT INTO LdViews (ViewName, DisplayName, BaseID, Custom, Shared, CreatorID) VALUES "
        "('ORDERS_3', 'My Orders', 5, -1, 0, 'jdoe'), ('ORDERSX3', 'Other', 5, 0, -1, NULL), "
        "('orders_3', 'my orders ', 5, -1, 0, 'JDOE'), ('ORDERS_30', 'Aged', 5, 0, -1, NULL)"));
    db.Execute(QStringLiteral("INSERT INTO LdViewColumns (ViewID, BaseColumnID, Viewable, Filterable) VALUES "
                              "(1, 45, -1, 0), (3, 45, 0, -1), (2, 45, 0, 0), (4, 45, -1, -1)"));
    db.Execute(QStringLiteral("INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, "
                              "DataType, Type, FilterDataType) VALUES (45, 5, 'Cust', 'Customer', 'c.Name', 'varchar', "
                              "2, 'text')"));
    db.Execute(QStringLiteral(
        "Update LdBaseColumns Set ColumnName = 'CustName' , DisplayName = 'Customer Name' Where ColumnID = 45"));

    struct Case {
        const char* sql;
        const char* firstColumn;  // the rows' first fields joined by ","
    };
    const Case cases[] = {
        // DISTINCT folds names that differ only in case and trailing blanks
        {"SELECT COUNT(*) FROM (Select Distinct v.DisplayName From LDViewColumns vc Inner Join LdViews v On "
         "vc.ViewID = v.ViewID Where vc.BaseColumnID = 45 And (vc.Viewable = 1 OR vc.Filterable = 1) And "
         "v.ViewID <> 4) x",
         "1"},
        // "_" matches any one character, without regard to case
        {"SELECT ViewID FROM LdViews WHERE ViewName like 'ORDERS_3' AND ViewID <> 1 ORDER BY ViewID", "2,3"},
        // in the order returned
        {"SELECT * FROM LdColumnFunctions  WHERE ColumnFunction NOT IN ('Sum','Average')", "3,4"},
        {"SELECT ColumnName + '|' + DisplayName FROM LdBaseColumns bc WHERE bc.ColumnID <> '46'",
         "CustName|Customer Name"},
        // the export's sort by the first column after the row id
        {"SELECT ViewID AS [ID], DisplayName AS [View Name]\r\n FROM LdViews WHERE Shared = 1 ORDER BY 2", "4,2"},
    };
    for (const Case& c : cases) {
        BrandleRecordsetPtr rs;
        QStringList got;
        try {
            db.OpenRecordset(QString::fromLatin1(c.sql), rs);
            for (; rs->HasRecord(); rs->MoveNext())
                got << rs->Item(0).toString();
        } catch (const AppError& e) {
            ADD_FAILURE() << c.sql << ": " << e.description().toStdString();
        }
        EXPECT_EQ(got.join(QLatin1Char(',')).toStdString(), c.firstColumn) << c.sql;
    }
}

TEST_F(SqlDialectTest, TextComparesAsSqlServersDefaultCollation)
{
    db.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (12, 'jdoe', 1)"));
    const char* const ids[] = {"jdoe", "JDOE", "jdoe   ", "JDoe "};
    for (const char* id : ids) {
        EXPECT_EQ(lookup("COUNT(*)", "LdMyViews", QStringLiteral("ViewID =12 AND UserID ='%1'").arg(QLatin1String(id)).toLatin1())
                      .toInt32(),
                  1)
            << id;
    }
    EXPECT_EQ(lookup("COUNT(*)", "LdMyViews", "UserID = ' jdoe'").toInt32(), 0);
    EXPECT_EQ(lookup("COUNT(*)", "LdMyViews", "UserID LIKE 'JD%'").toInt32(), 1);
}

TEST_F(SqlDialectTest, ProceduresRunThroughExecAndCommands)
{
    db.Execute(QStringLiteral("INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System')"));
    db.Execute(QStringLiteral("INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', '7.6.5')"));
    BrandleCommand cmd;
    cmd.Init(QStringLiteral("Co_GetRegValue"), 5);
    cmd.AddParameter(QStringLiteral("@vi_ParentID"), adInteger, adParamInput, 0, Variant(Null), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_SubKey"), adVarChar, adParamInput, 255, Variant(QStringLiteral("System")), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_Name"), adVarChar, adParamInput, 50, Variant(QStringLiteral("Version")), -1, -1);
    cmd.AddParameter(QStringLiteral("@rs_Type"), adChar, adParamOutput, 2, Variant(), -1, -1);
    cmd.AddParameter(QStringLiteral("@rs_Value"), adVarChar, adParamOutput, 255, Variant(), -1, -1);
    ASSERT_TRUE(db.ExecuteCommand(cmd));
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("rs_Type")).toString().trimmed(), QStringLiteral("S"));
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("rs_Value")).toString(), QStringLiteral("7.6.5"));

    // a view that does not exist: no row, and an open set that can be closed
    BrandleRecordsetPtr rs;
    EXPECT_FALSE(db.OpenRecordset(QStringLiteral("EXEC Ld_GetView 999,'jdoe'"), rs, 0, 1));
    db.CloseRecordset(rs);
    EXPECT_EQ(ErrorOf([&] { db.Execute(QStringLiteral("EXEC Ld_NoSuchThing 1")); }).description(),
              QStringLiteral("Could not find stored procedure 'Ld_NoSuchThing'."));
}

TEST_F(SqlDialectTest, LoginsAreChecked)
{
    struct Case {
        const char* database;
        const char* login;
        const char* password;
        const char* message;
    };
    const Case cases[] = {
        {"AcmeDb", "coexecutive", "wrong", "Login failed for user 'coexecutive'."},
        {"AcmeDb", "nobody", "exec-pw", "Login failed for user 'nobody'."},
        {"CoSystem", "coreadonly", "read-pw", "Server user 'coreadonly' is not a valid user in database 'CoSystem'."},
        {"NoSuchDb", "coexecutive", "exec-pw", "NoSuchDb"},
    };
    for (const Case& c : cases) {
        BrandleDatabase other;
        int32_t flag = 0;
        const AppError e = ErrorOf([&] {
            other.OpenConnection(QStringLiteral("Dialect"), QLatin1String(c.database), QLatin1String(c.login),
                                 QLatin1String(c.password), 0, flag);
        });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.login;
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << e.description().toStdString();
        EXPECT_EQ(e.source(), QStringLiteral("BrandleDatabase"));
        EXPECT_FALSE(other.IsOpen());
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("servers/Dialect/NoSuchDb.sqlite"))));

    // the read-only login reads but cannot write
    BrandleDatabase reader;
    int32_t flag = 0;
    reader.OpenConnection(QStringLiteral("Dialect"), QStringLiteral("AcmeDb"), QStringLiteral("coreadonly"),
                          QStringLiteral("read-pw"), 0, flag);
    EXPECT_EQ(reader.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdViews"), QString()).toInt32(), 0);
    EXPECT_EQ(ErrorOf([&] { reader.Execute(QString::fromLatin1(kInsertView)); }).number(), kDatabaseErrorNumber);
    EXPECT_EQ(db.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdViews"), QString()).toInt32(), 0);

    Variant v1, v2, v3;
    EXPECT_TRUE(db.GetServerVersion(QStringLiteral("Dialect"), QStringLiteral("coreadonly"), QStringLiteral("read-pw"),
                                    v1, v2, v3)
                    .contains(QLatin1String("SQLite")));
    EXPECT_EQ(db.GetServerVersion(QStringLiteral("Dialect"), QStringLiteral("coreadonly"), QStringLiteral("mipvel"),
                                  v1, v2, v3),
              QString());
    EXPECT_EQ(db.GetServerVersion(QStringLiteral("NoSuchServer"), QStringLiteral("coreadonly"),
                                  QStringLiteral("read-pw"), v1, v2, v3),
              QString());
}

// What a saved complex search or a stored piece may hold: T-SQL functions and forms.
TEST_F(SqlDialectTest, FreeSqlFormsAndFunctionsGiveSqlServersResults)
{
    db.Execute(QStringLiteral("INSERT INTO LdMaster (MasterID, MasterName, MasterValue) VALUES (1, 'b', 'x'), "
                              "(2, 'a', 'y'), (3, 'c', 'z')"));
    struct Case {
        const char* sql;
        Variant expected;
    };
    const Case cases[] = {
        {"SELECT TOP 1 MasterName FROM LdMaster ORDER BY MasterName", Variant("a")},
        {"SELECT COUNT(*) FROM (SELECT TOP 2 MasterID FROM LdMaster) x", Variant(int32_t(2))},
        {"SELECT ISNULL(NULL, 'none')", Variant("none")},
        {"SELECT CONVERT(int, '12') + 1", Variant(int32_t(13))},
        {"SELECT CONVERT(varchar(10), 12) + 'x'", Variant("12x")},
        {"SELECT CONVERT(datetime, '2024-01-31')", Variant("2024-01-31")},
        {"SELECT MasterName + '-' + MasterValue FROM LdMaster WHERE MasterID = 1", Variant("b-x")},
        {"SELECT COUNT(*) FROM LdMaster WHERE MasterName = N'A'", Variant(int32_t(1))},
        {"SELECT [MasterValue] FROM [LdMaster] WHERE [MasterID] = 3", Variant("z")},
        {"SELECT LEN('ab  ')", Variant(int32_t(2))},
        {"SELECT LEFT('abcdef', 2) + RIGHT('abcdef', 2)", Variant("abef")},
        {"SELECT CHARINDEX('C', 'abcabc'), CHARINDEX('c', 'abcabc', 4), CHARINDEX('x', 'abc')", Variant(int32_t(3))},
        {"SELECT CHARINDEX('c', 'abcabc', 4)", Variant(int32_t(6))},
        {"SELECT YEAR('2024-02-29 13:45:00.000') * 10000 + MONTH('2024-02-29') * 100 + DAY('2024-02-29')",
         Variant(int32_t(20240229))},
        {"SELECT DATEADD(day, 1, '2024-02-28')", Variant("2024-02-29 00:00:00.000")},
        {"SELECT DATEADD(month, 1, '2024-01-31 10:00:00')", Variant("2024-02-29 10:00:00.000")},
        {"SELECT DATEDIFF(day, '2024-01-31 23:59:00', '2024-02-01 00:01:00')", Variant(int32_t(1))},
        {"SELECT DATEDIFF(year, '2023-12-31', '2024-01-01')", Variant(int32_t(1))},
        {"SELECT DATEDIFF(month, '2024-03-01', '2024-01-31')", Variant(int32_t(-2))},
        {"SELECT DATEDIFF(hour, '2024-01-01 10:59:59', '2024-01-01 11:00:00')", Variant(int32_t(1))},
        {"SELECT DATEDIFF(week, '2024-01-06', '2024-01-07')", Variant(int32_t(1))},  // Saturday to Sunday
        {"SELECT LEN(NULL)", Variant(Null)},
    };
    for (const Case& c : cases) {
        try {
            const Variant got = value(QString::fromUtf8(c.sql));
            EXPECT_TRUE(got.identical(c.expected))
                << c.sql << " gave " << got.typeName().toStdString() << " " << (got.isNull() ? "" : got.toString().toStdString());
        } catch (const AppError& e) {
            ADD_FAILURE() << c.sql << ": " << e.description().toStdString();
        }
    }
    EXPECT_TRUE(ErrorOf([&] { value(QStringLiteral("SELECT DATEADD(fortnight, 1, '2024-01-01')")); })
                    .description()
                    .contains(QLatin1String("fortnight")));
    EXPECT_TRUE(ErrorOf([&] { value(QStringLiteral("SELECT YEAR('not a date')")); })
                    .description()
                    .contains(QLatin1String("Conversion failed")));
}

}  // namespace
