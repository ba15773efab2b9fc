// The stored procedures of the embedded server: bad input, and calls through the
// database interface as the program makes them.
#include "db/ProceduresTestSupport.h"

using namespace proctest;

namespace {

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(ProceduresTest, BadInputGivesAClearErrorAndWritesNothing)
{
    // A view without any viewable column, and one whose column SQL does not run.
    Exec("INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID, Custom, Shared, CreatorID) VALUES "
         "(20, 'ORDERS_20', 'Nothing shown', 1, -1, 0, 'jdoe'), (21, 'ORDERS_21', 'Broken', 1, -1, 0, 'jdoe'), "
         "(22, 'Customers', 'Clash', 2, -1, 0, 'jdoe'), (23, 'LdCatalogViews', 'Clash 2', 2, -1, 0, 'jdoe'), "
         "(24, 'ORDERS_24', 'Comma', 1, -1, 0, 'jdoe');"
         "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, FilterDataType) "
         "VALUES (108, 1, 'Bad', 'Bad', 'o.NoSuchColumn', 'int', 1, 'number'), "
         "(110, 1, 'Net', 'Net, total', 'o.Amount', 'money', 1, 'money');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(24, 101, 1, 1, -1, -1), (24, 110, 2, 0, 0, -1);"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(20, 101, 1, 1, -1, 0), (21, 101, 1, 1, -1, -1), (21, 108, 2, 0, 0, -1), "
         "(22, 201, 1, 1, -1, -1), (23, 201, 1, 1, -1, -1);"
         "UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID IN (22, 23);");
    struct Case {
        const char* name;
        std::vector<Variant> args;
        const char* message;  // contained in the error's description
    };
    const Variant out;
    const std::vector<Case> cases = {
        {"Ld_GetView", {Variant(Null), Variant("jdoe")}, "Ld_GetView: @ViewID must not be NULL."},
        {"Ld_GetViewColumns", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_GetViewColumns", {Variant("twelve")}, "@ViewID must be a whole number (32-bit), not 'twelve'."},
        {"Ld_GetViewColumnFunctions", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_GetAssocViews", {Variant(int32_t(1)), Variant(Null), Variant(int32_t(0))}, "@UserID must not be NULL."},
        {"Ld_GetViewFilters", {Variant(Null), Variant(int32_t(0))}, "@ViewID must not be NULL."},
        {"Ld_IsColumnFilterable", {Variant(int32_t(2)), Variant(Null), Variant(Null)},
         "@ColumnID and @ColumnName must not both be NULL."},
        {"Ld_UpdateSQLStmts", {Variant(Null), out, out}, "Ld_UpdateSQLStmts: @v_iViewID must not be NULL."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(999)), out, out}, "view 999 does not exist."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(20)), out, out}, "view 'Nothing shown' has no viewable column"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(21)), out, out},
         "the SQL of view 'Broken' does not run: no such column: o.NoSuchColumn"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(22)), out, out}, "a table of that name exists"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(24)), out, out},
         "the caption 'Net, total' of a column of view 'Comma' must not contain a comma."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(23)), out, out}, "was not made for a list view"},
        {"Ld_ResetSQLForAllViews", {Variant(Null), Variant(int32_t(1))}, "view 'Nothing shown' has no viewable column"},
        {"Ld_ResetSQLForAllViews", {Variant(int32_t(999)), Variant(Null)}, "view 999 does not exist."},
        {"Ld_DeleteView", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_DeleteView", {Variant(int32_t(999))}, "view 999 does not exist."},
        {"Ld_DeleteView", {Variant(int32_t(1))}, "view 'Open Orders' is a standard view and cannot be deleted."},
        {"Co_GetRegValue", {Variant(Null), Variant(Null), Variant("Version"), out, out}, "@vs_SubKey must not be NULL."},
        {"Co_GetRegValue", {Variant(Null), Variant("System"), Variant(Null), out, out}, "@vs_Name must not be NULL."},
        {"Co_GetRegValue", {Variant(Null), Variant("Nowhere"), Variant("Version"), out, out},
         "the registry key 'Nowhere' does not exist."},
        {"Co_GetRegValue", {Variant(Null), Variant("System"), Variant("Colour"), out, out},
         "the registry value 'Colour' does not exist under the key 'System'."},
        {"Co_GetRegValue", {Variant(int32_t(1)), Variant("Config"), Variant("Odd"), out, out},
         "the registry key 'Config' does not exist."},  // Config is not below System
        {"Co_GetRights", {Variant(Null), Variant("ACME"), Variant("QuillonAllViews"), out}, "@vs_UserID must not be NULL."},
        {"Co_GetRights", {Variant("jdoe"), Variant("ACME"), Variant(Null), out}, "@vs_SecuredObjectID must not be NULL."},
    };
    UpdateSql(1);  // the ones that build something write nothing over existing pieces either
    for (const Case& c : cases) {
        const QString before = Snapshot();
        try {
            Call(c.name, c.args);
            ADD_FAILURE() << c.name << " raised no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.name;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.message)))
                << c.name << ": " << e.description().toStdString();
        }
        EXPECT_EQ(Snapshot(), before) << c.name;
    }
}


// ---- Through the database interface, as the program calls them -------------------------

class ProceduresThroughInterfaceTest : public ProceduresTest {
protected:
    void SetUp() override
    {
        ProceduresTest::SetUp();
        dbi.OpenBackend(SqliteBackend::openFile(m_dir.filePath(QStringLiteral("ACME.sqlite")), false));
    }
    void TearDown() override
    {
        dbi.CloseConnection();
        ProceduresTest::TearDown();
    }
    BrandleDatabase dbi;
};

TEST_F(ProceduresThroughInterfaceTest, ExecTextGivesTheResultSetsTheViewModelReads)
{
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView 1,'jdoe'"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("ViewName")).toString(), "ORDERS_1");
    EXPECT_TRUE(rs->Item(QStringLiteral("SQLSelect")).toString().startsWith("SELECT o.OrderID AS [ID]"));
    EXPECT_TRUE(rs->Item(QStringLiteral("autopopulate")).toBool());
    dbi.CloseRecordset(rs);

    EXPECT_FALSE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView 999,'jdoe'"), rs, 0, 1));
    EXPECT_EQ(rs->FieldCount(), 18);
    dbi.CloseRecordset(rs);

    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumns 1,1"), rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 6);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumnFunctions 1"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("FunctionColumnDisplayName")).toString(), "Amount");
    EXPECT_EQ(rs->Item(QStringLiteral("ColumnName")).toString(), "Amount");
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetAssocViews 1,'jdoe',0"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("fkViewID")).toInt32(), 2);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewFilters 1,1"), rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 2);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_IsColumnFilterable 2, NULL, 'City'"), rs, 0, 1));
    EXPECT_FALSE(rs->Item(QStringLiteral("Filterable")).toBool());
    EXPECT_EQ(rs->Item(QStringLiteral("DisplayName")).toString(), "City");

    // The catalogue delete runs through Execute.
    dbi.Execute(QStringLiteral("EXEC Ld_DeleteView 3"));
    EXPECT_TRUE(dbi.DLookup(QStringLiteral("ViewID"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 3")).isNull());
    dbi.Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, 2"));
    EXPECT_FALSE(dbi.DLookup(QStringLiteral("SQLSelect"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).isNull());
}

TEST_F(ProceduresThroughInterfaceTest, StoreBuildsTheSqlInsideItsTransactionAndItsRollbackUndoesIt)
{
    auto command = [] {
        auto cmd = std::make_shared<BrandleCommand>();
        cmd->Init(QStringLiteral("Ld_UpdateSQLStmts"), 3);
        cmd->AddParameter(QStringLiteral("@v_iViewID"), adInteger, adParamInput, 0, Variant(int32_t(2)), -1, -1);
        cmd->AddParameter(QStringLiteral("@r_sSQLStmt"), adVarChar, adParamOutput, 8000, Variant(QString()), -1, -1);
        cmd->AddParameter(QStringLiteral("@r_bStmtTooLong"), adInteger, adParamOutput, 0, Variant(int32_t(0)), -1, -1);
        return cmd;
    };
    int32_t flag = 0;
    dbi.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    dbi.Execute(QStringLiteral("UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 1,\r\nFilterOrder = 1,\r\nFilterable = -1,\r\n"
                               "Viewable = 0\r\nWHERE ViewColumnID = 7"));
    auto cmd = command();
    BrandleRecordsetPtr rs;
    EXPECT_FALSE(dbi.OpenCommandRecordset(*cmd, rs));
    EXPECT_FALSE(cmd->ParameterValue(QStringLiteral("r_bStmtTooLong")).toBool());
    EXPECT_EQ(cmd->ParameterValue(QStringLiteral("r_sSQLStmt")).toString(),
              "SELECT c.CustomerID AS [ID], c.Name AS [Customer Name]\r\n FROM Customers c");
    dbi.CloseRecordset(rs);
    dbi.RollbackTrans(QStringLiteral("CoLdUV.Store"), flag);
    EXPECT_TRUE(dbi.DLookup(QStringLiteral("SQLSelect"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).isNull());

    dbi.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    cmd = command();
    EXPECT_TRUE(dbi.ExecuteCommand(*cmd));
    dbi.CommitTrans(QStringLiteral("CoLdUV.Store"), flag);
    EXPECT_EQ(dbi.DLookup(QStringLiteral("ColumnString"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).toString(), "Customer No,1,Customer Name,0,");
}

TEST_F(ProceduresThroughInterfaceTest, RegistryAndRightsCommandsFillTheirOutputs)
{
    BrandleCommand reg;
    reg.Init(QStringLiteral("Co_GetRegValue"), 5);
    reg.AddParameter(QStringLiteral("@vi_ParentID"), adInteger, adParamInput, 0, Variant(Null), -1, -1);
    reg.AddParameter(QStringLiteral("@vs_SubKey"), adVarChar, adParamInput, 255, Variant("Config"), -1, -1);
    reg.AddParameter(QStringLiteral("@vs_Name"), adVarChar, adParamInput, 50, Variant("ExcelExportAuthMethod"), -1, -1);
    reg.AddParameter(QStringLiteral("@rs_Type"), adChar, adParamOutput, 2, Variant(), -1, -1);
    reg.AddParameter(QStringLiteral("@rs_Value"), adVarChar, adParamOutput, 255, Variant(), -1, -1);
    EXPECT_TRUE(dbi.ExecuteCommand(reg));
    EXPECT_EQ(reg.ParameterValue(QStringLiteral("rs_Type")).toString().trimmed(), "I4");
    EXPECT_EQ(reg.ParameterValue(QStringLiteral("rs_Value")).toString(), "1");

    BrandleCommand rights;
    rights.Init(QStringLiteral("Co_GetRights"), 4);
    rights.AddParameter(QStringLiteral("@vs_UserID"), adVarChar, adParamInput, 8, Variant("mary"), -1, -1);
    rights.AddParameter(QStringLiteral("@vs_CompanyID"), adVarChar, adParamInput, 15, Variant("ACME"), -1, -1);
    rights.AddParameter(QStringLiteral("@vs_SecuredObjectID"), adVarChar, adParamInput, 30, Variant("QuillonAllViews"),
                        -1, -1);
    rights.AddParameter(QStringLiteral("@ri_Rights"), adInteger, adParamOutput, 0, Variant(), -1, -1);
    EXPECT_TRUE(dbi.ExecuteCommand(rights));
    EXPECT_EQ(rights.ParameterValue(QStringLiteral("ri_Rights")).toInt32(), 6);
}

TEST_F(ProceduresThroughInterfaceTest, BadCallsFailWithTheProceduresMessage)
{
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"EXEC Ld_GetView NULL,'jdoe'", "Ld_GetView: @ViewID must not be NULL."},
        {"EXEC Ld_GetViewColumns", "expects parameter number 1"},
        {"EXEC Ld_GetViewColumnFunctions 1, 2", "too many arguments"},
        {"EXEC Ld_UpdateSQLStmts 999", "Ld_UpdateSQLStmts: view 999 does not exist."},
        {"EXEC Ld_DeleteView 1", "is a standard view and cannot be deleted."},
    };
    for (const Case& c : cases) {
        const QString before = Snapshot();
        try {
            BrandleRecordsetPtr rs;
            dbi.OpenRecordset(QLatin1String(c.sql), rs, 0, 1);
            ADD_FAILURE() << c.sql << " raised no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.sql;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.sql << ": " << e.description().toStdString();
        }
        EXPECT_EQ(Snapshot(), before) << c.sql;
    }
}

}  // namespace
