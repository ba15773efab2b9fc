// The stored procedures of the embedded server: what each returns, building a
// view's SQL, registry and rights.
#include "db/ProceduresTestSupport.h"

using namespace proctest;

namespace {

// ---- What each procedure returns ---------------------------------------------

TEST_F(ProceduresTest, EachReadingProcedureReturnsTheFieldsTheViewModelReads)
{
    struct Case {
        const char* name;
        std::vector<Variant> args;
        QStringList fields;
    };
    const QStringList columnFields = QStringList{"ViewColumnID", "ColumnOrder", "FilterOrder", "ColumnID", "ColumnName",
                                                 "DisplayName", "ColumnSQL", "DataType", "Type", "Required", "Viewable",
                                                 "Filterable", "UseExtendedFrom", "AllowFunctions", "FilterDataType",
                                                 "Imported"};
    const std::vector<Case> cases = {
        {"Ld_GetView",
         {Variant(int32_t(1)), Variant("jdoe")},
         {"ViewID", "BaseID", "ViewName", "DisplayName", "Description", "SQLSelect", "SQLFrom", "SQLFromEx",
          "ColumnString", "Custom", "Shared", "BaseViewID", "CreatorID", "LastUsedFilter", "AutoPopulate",
          "SQLViewName", "CreateSQLView", "SQLViewApplicationID"}},
        {"Ld_GetViewColumns", {Variant(int32_t(1))}, columnFields},
        {"Ld_GetViewColumns", {Variant(int32_t(1)), Variant(int32_t(1))}, columnFields},
        {"Ld_GetViewColumnFunctions",
         {Variant(int32_t(1))},
         {"DisplayName", "FunctionSQL", "DataType", "FunctionOrder", "ColumnID", "FunctionColumnDisplayName",
          "ColumnName", "ColumnFunction", "ColumnFunctionID"}},
        {"Ld_GetAssocViews",
         {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(0))},
         {"ViewRelationshipID", "RelationshipID", "ViewName", "UseMe", "fkViewID", "ColumnID1", "Column1Filter",
          "Column1FilterTypeID", "AssocColumnID1", "AssocColumnName1", "AssocColumnSQL1", "ColumnID2",
          "Column2Filter", "Column2FilterTypeID", "AssocColumnID2", "AssocColumnName2", "AssocColumnSQL2",
          "MiscFilter", "MiscFilterTypeID", "MiscFilter2", "MiscFilter2TypeID"}},
        {"Ld_GetViewFilters",
         {Variant(int32_t(1)), Variant(int32_t(0))},
         {"ViewFilterID", "FilterName", "FilterString", "UseMe", "Shared", "CreatorID", "Complex"}},
        {"Ld_IsColumnFilterable", {Variant(int32_t(1)), Variant(int32_t(103))}, {"Filterable", "DisplayName"}},
        {"Ld_GetViewColumnFilters", {Variant(int32_t(1))}, columnFields},
    };
    for (const Case& c : cases) {
        const ProcedureCall call = Call(c.name, c.args);
        EXPECT_EQ(call.columns, c.fields) << c.name;
        EXPECT_FALSE(call.rows.empty()) << c.name;
        for (const auto& row : call.rows)
            EXPECT_EQ(row.size(), static_cast<size_t>(c.fields.size())) << c.name;
    }
}

TEST_F(ProceduresTest, GetViewGivesTheRowWithTheUsersAutoPopulateAndNoNullWhereTheModelNeedsAValue)
{
    const ProcedureCall jdoe = Call("Ld_GetView", {Variant(int32_t(1)), Variant("JDOE ")});
    ASSERT_EQ(jdoe.rows.size(), 1u);
    const auto& row = jdoe.rows[0];
    auto field = [&](const char* name) { return row[jdoe.columns.indexOf(QLatin1String(name))]; };
    EXPECT_EQ(field("ViewID").toInt32(), 1);
    EXPECT_EQ(field("BaseID").toInt32(), 1);
    EXPECT_EQ(field("ViewName").toString(), "ORDERS_1");
    EXPECT_EQ(field("DisplayName").toString(), "Open Orders");
    EXPECT_EQ(field("CreatorID").toString(), "");  // a system view: stored NULL
    EXPECT_TRUE(field("Custom").isBool());
    EXPECT_FALSE(field("Custom").toBool());
    EXPECT_TRUE(field("Shared").toBool());
    EXPECT_TRUE(field("AutoPopulate").toBool());  // the user's row, matched without case or trailing blanks
    EXPECT_TRUE(field("BaseViewID").isNull());
    EXPECT_TRUE(field("LastUsedFilter").isNull());
    // The pieces had never been built: loading the view builds them.
    EXPECT_TRUE(field("SQLSelect").toString().startsWith("SELECT o.OrderID AS [ID], "));
    EXPECT_EQ(field("SQLFrom").toString(), "FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID");
    EXPECT_EQ(field("SQLFromEx").toString(), "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID");
    EXPECT_EQ(StoredPieces(1).select, field("SQLSelect").toString());

    const ProcedureCall other = Call("Ld_GetView", {Variant(int32_t(1)), Variant("mary")});
    EXPECT_TRUE(other.rows.at(0)[other.columns.indexOf("AutoPopulate")].isNull());  // no row of hers
    const ProcedureCall mine = Call("Ld_GetView", {Variant(int32_t(3)), Variant("jdoe")});
    EXPECT_EQ(mine.rows.at(0)[mine.columns.indexOf("CreatorID")].toString(), "mary");
    EXPECT_TRUE(mine.rows.at(0)[mine.columns.indexOf("SQLFromEx")].isNull());  // a base without one
    EXPECT_TRUE(Call("Ld_GetView", {Variant(int32_t(999)), Variant("jdoe")}).rows.empty());
}

TEST_F(ProceduresTest, GetViewColumnsGivesTheViewsColumnsOrAllBaseColumns)
{
    const ProcedureCall own = Call("Ld_GetViewColumns", {Variant(int32_t(1))});
    // Column order, one row per base column (the lowest row id of the two for Customer).
    EXPECT_EQ(Column(own, "ColumnName"), (QStringList{"Note", "OrderNo", "Amount", "Customer", "CustomerID"}));
    EXPECT_EQ(Column(own, "ViewColumnID"), (QStringList{"4", "1", "3", "2", "5"}));
    EXPECT_EQ(Column(own, "Viewable"), (QStringList{"False", "True", "True", "True", "True"}));
    EXPECT_EQ(Column(own, "UseExtendedFrom"), (QStringList{"True", "False", "False", "False", "False"}));
    EXPECT_EQ(Column(own, "Imported"), (QStringList{"False", "False", "False", "False", "True"}));

    const ProcedureCall all = Call("Ld_GetViewColumns", {Variant(int32_t(1)), Variant(int32_t(1))});
    // The base column without a row comes last, with zeros the model stores as an insert.
    EXPECT_EQ(Column(all, "ColumnName"), (QStringList{"Note", "OrderNo", "Amount", "Customer", "CustomerID", "Status"}));
    const auto& status = all.rows.back();
    for (const char* f : {"ViewColumnID", "ColumnOrder", "FilterOrder"})
        EXPECT_EQ(status[all.columns.indexOf(QLatin1String(f))].toInt32(), 0) << f;
    EXPECT_FALSE(status[all.columns.indexOf("Viewable")].toBool());
    EXPECT_FALSE(status[all.columns.indexOf("Filterable")].toBool());
    for (const auto& row : all.rows)
        for (const Variant& v : row)
            EXPECT_FALSE(v.isNull());

    const ProcedureCall filters = Call("Ld_GetViewColumnFilters", {Variant(int32_t(1))});
    EXPECT_EQ(Column(filters, "ColumnName"), (QStringList{"OrderNo", "Amount", "Note", "CustomerID"}));
    EXPECT_TRUE(Call("Ld_GetViewColumns", {Variant(int32_t(999))}).rows.empty());
}

TEST_F(ProceduresTest, ColumnFunctionsCarryTheirSqlAndBothNamesOfTheirColumn)
{
    const ProcedureCall c = Call("Ld_GetViewColumnFunctions", {Variant(int32_t(1))});
    ASSERT_EQ(c.rows.size(), 2u);
    EXPECT_EQ(Column(c, "DisplayName"), (QStringList{"Sum of Amount", "Count of Order No"}));
    EXPECT_EQ(Column(c, "FunctionSQL"), (QStringList{"SUM(o.Amount)", "COUNT(o.OrderID)"}));
    EXPECT_EQ(Column(c, "DataType"), (QStringList{"money", "int"}));
    EXPECT_EQ(Column(c, "FunctionOrder"), (QStringList{"1", "2"}));
    EXPECT_EQ(Column(c, "ColumnID"), (QStringList{"103", "101"}));
    EXPECT_EQ(Column(c, "FunctionColumnDisplayName"), (QStringList{"Amount", "Order No"}));
    EXPECT_EQ(Column(c, "ColumnName"), (QStringList{"Amount", "OrderNo"}));
    EXPECT_EQ(Column(c, "ColumnFunction"), (QStringList{"Sum", "Count"}));
    EXPECT_EQ(Column(c, "ColumnFunctionID"), (QStringList{"1", "3"}));
}

TEST_F(ProceduresTest, AssocViewsGiveTheLinksToViewsTheUserMaySee)
{
    const ProcedureCall on = Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(0))});
    ASSERT_EQ(on.rows.size(), 1u);
    auto field = [&](const ProcedureCall& c, int row, const char* name) {
        return c.rows[row][c.columns.indexOf(QLatin1String(name))];
    };
    EXPECT_EQ(field(on, 0, "ViewRelationshipID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "RelationshipID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "ViewName").toString(), "Customers");
    EXPECT_EQ(field(on, 0, "fkViewID").toInt32(), 2);
    EXPECT_EQ(field(on, 0, "ColumnID1").toInt32(), 106);
    EXPECT_EQ(field(on, 0, "Column1Filter").toString(), "SELECT 'Acme'");
    EXPECT_EQ(field(on, 0, "Column1FilterTypeID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "AssocColumnID1").toInt32(), 201);
    EXPECT_EQ(field(on, 0, "AssocColumnName1").toString(), "CustNo");
    EXPECT_EQ(field(on, 0, "AssocColumnSQL1").toString(), "c.CustomerID");
    EXPECT_TRUE(field(on, 0, "ColumnID2").isNull());
    EXPECT_TRUE(field(on, 0, "MiscFilter").isNull());

    // All links, switched on or off; a private view only for its creator.
    EXPECT_EQ(Column(Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(1))}), "ViewName"),
              (QStringList{"Customers"}));
    const ProcedureCall mary = Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("MARY"), Variant(int32_t(1))});
    EXPECT_EQ(Column(mary, "ViewName"), (QStringList{"Customers", "Mary's customers"}));
    EXPECT_EQ(Column(mary, "UseMe"), (QStringList{"True", "False"}));
}

TEST_F(ProceduresTest, ViewFiltersWithoutAUserListEverySearchOfTheViewByName)
{
    for (int mode : {0, 1}) {
        const ProcedureCall c = Call("Ld_GetViewFilters", {Variant(int32_t(1)), Variant(int32_t(mode))});
        EXPECT_EQ(Column(c, "FilterName"), (QStringList{"Big", "Open ones"}));
        EXPECT_EQ(Column(c, "FilterString"), (QStringList{"WHERE o.Amount > 200", "WHERE ( {Status} = 'Open' )"}));
        EXPECT_EQ(Column(c, "UseMe"), (QStringList{"True", "True"}));
        EXPECT_EQ(Column(c, "Shared"), (QStringList{"False", "True"}));
        EXPECT_EQ(Column(c, "CreatorID"), (QStringList{"admin", "jdoe"}));
        EXPECT_EQ(Column(c, "Complex"), (QStringList{"True", "False"}));
    }
}

TEST_F(ProceduresTest, ViewFiltersForAUserListTheSharedSearchesAndTheUsersOwn)
{
    // A private search of jdoe's stored with blanks and capitals around the id.
    Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewFilterID, ViewID, FilterName, FilterString, Shared, Complex, "
                        "CreatorID) VALUES (4, 1, 'Mine', 'WHERE ( {Status} = ''Closed'' )', 0, 0, ' JDoe ')"));
    struct Case {
        Variant user;
        QStringList names;
    };
    const Case cases[] = {
        {Variant("jdoe"), {"Mine", "Open ones"}},
        {Variant("  JDOE "), {"Mine", "Open ones"}},
        {Variant("Admin"), {"Big", "Open ones"}},
        {Variant("mary"), {"Open ones"}},
        {Variant(""), {"Open ones"}},
        {Variant(Null), {"Big", "Mine", "Open ones"}},
    };
    for (const Case& c : cases) {
        for (int mode : {0, 1}) {
            const ProcedureCall call = Call("Ld_GetViewFilters", {Variant(int32_t(1)), Variant(int32_t(mode)), c.user});
            EXPECT_EQ(Column(call, "FilterName"), c.names) << (c.user.isNull() ? "NULL" : qPrintable(c.user.toString()));
        }
    }
}

TEST_F(ProceduresTest, IsColumnFilterableFindsTheColumnByIdOrByItsExactName)
{
    struct Case {
        Variant columnId;
        Variant columnName;
        QStringList expected;  // Filterable, DisplayName; empty for no row
    };
    const std::vector<Case> cases = {
        {Variant(int32_t(201)), Variant(Null), {"True", "Customer No"}},
        {Variant(int32_t(203)), Variant(Null), {"False", "City"}},      // no row in view 2
        {Variant(Null), Variant(" CustName "), {"True", "Customer Name"}},
        {Variant(Null), Variant("custname"), {}},                       // tokens are exact
        {Variant(int32_t(101)), Variant(Null), {}},                     // another base's column
    };
    for (const Case& c : cases) {
        const ProcedureCall call = Call("Ld_IsColumnFilterable", {Variant(int32_t(2)), c.columnId, c.columnName});
        QStringList got;
        if (!call.rows.empty())
            got << call.rows[0][0].toString() << call.rows[0][1].toString();
        EXPECT_EQ(got, c.expected) << c.columnId.toString().toStdString() << c.columnName.toString().toStdString();
    }
}

// ---- Building a view's SQL -------------------------------------------------------

TEST_F(ProceduresTest, UpdateSqlStmtsBuildsPiecesThatRunAsTheListExportStatisticsAndSearchTestUseThem)
{
    EXPECT_FALSE(UpdateSql(1));
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(p.select, "SELECT o.OrderID AS [ID], o.OrderID AS [Order No], o.Amount AS [Amount], c.Name AS [Customer], "
                        "o.CustomerID AS [Customer No]\r\n");
    EXPECT_EQ(p.from, "FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID");
    EXPECT_EQ(p.fromEx, "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID");
    EXPECT_EQ(p.columnString, "Order No,1,Amount,1,Customer,0,Customer No,1,");

    // The list with a filter: row id first, then the viewable columns in their order.
    const Rows list = Query(p.select + " " + p.from + " WHERE ( o.Status = 'Open' )");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Order No", "Amount", "Customer", "Customer No"}));
    EXPECT_EQ(Column(list, 0), (QStringList{"10", "12"}));
    EXPECT_EQ(Column(list, 3), (QStringList{"Acme", "Globex"}));
    // A filter on an extended-FROM column, as the list adds it.
    const Rows extended = Query(p.select + " " + p.from + " " + p.fromEx + " WHERE ( n.Note = 'rush' )");
    EXPECT_EQ(Column(extended, 0), (QStringList{"10"}));
    // The export sorts by the first column after the row id.
    const Rows exported = Query(p.select + " " + p.from + " " + "WHERE o.Amount > 80" + " ORDER BY 2");
    EXPECT_EQ(Column(exported, 1), (QStringList{"10", "11"}));
    // The search editor's test: the select list up to its first comma, both FROM clauses.
    const QString first = p.select.left(p.select.indexOf(','));
    EXPECT_EQ(Query(first + " " + p.from + " " + p.fromEx + " WHERE o.OrderID = 11").rows.size(), 1u);
    // The statistics: the functions' SQL over the same FROM and WHERE.
    const ProcedureCall functions = Call("Ld_GetViewColumnFunctions", {Variant(int32_t(1))});
    const Rows stats = Query("SELECT " + Column(functions, "FunctionSQL").join(',') + " " + p.from +
                             " WHERE ( o.Status = 'Open' )");
    EXPECT_DOUBLE_EQ(stats.rows.at(0)[0].toDouble(), 175.25);
    EXPECT_EQ(stats.rows.at(0)[1].toInt32(), 2);
    // The viewable columns' order is their position in the list.
    EXPECT_EQ(Column(Query("SELECT BaseColumnID, ColumnOrder FROM LdViewColumns WHERE ViewID = 1 AND Viewable = 1 "
                           "ORDER BY ColumnOrder"),
                     1),
              (QStringList{"1", "2", "3", "4"}));
}

TEST_F(ProceduresTest, UpdateSqlStmtsFollowsChangedColumnsAndRenumbersTheirOrder)
{
    EXPECT_FALSE(UpdateSql(1));
    // As the editor stores it: Customer hidden, Status added at an order that is taken.
    Exec("UPDATE LdViewColumns SET Viewable = 0 WHERE ViewColumnID = 2;"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "VALUES (1, 104, 1, 5, -1, -1);");
    EXPECT_FALSE(UpdateSql(1));
    const Pieces p = StoredPieces(1);
    const Rows list = Query(p.select + " " + p.from + " WHERE o.OrderID = 11");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Order No", "Status", "Amount", "Customer No"}));
    EXPECT_EQ(Column(list, 2), (QStringList{"Closed"}));
    EXPECT_EQ(p.columnString, "Order No,1,Status,0,Amount,1,Customer No,1,");
    EXPECT_EQ(Column(Query("SELECT BaseColumnID FROM LdViewColumns WHERE ViewID = 1 AND Viewable = 1 ORDER BY ColumnOrder"), 0),
              (QStringList{"101", "104", "103", "106"}));
    EXPECT_EQ(Column(Call("Ld_GetViewColumns", {Variant(int32_t(1))}), "ColumnOrder").mid(1),
              (QStringList{"1", "2", "3", "3", "4"}));  // the hidden Customer keeps its order
}

TEST_F(ProceduresTest, UpdateSqlStmtsBuildsANewViewAndAddsTheLinksItCouldHave)
{
    // A new view, as the view model stores one.
    Exec("INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID, Custom, Shared, CreateSQLView, CreatorID) "
         "VALUES ('ORDERS_2', 'Order amounts', '', 1, -1, 0, 0, 'jdoe');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 103, 1, 1, -1, -1 FROM LdViews;"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 102, 5, 0, 0, -1 FROM LdViews;"
         "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, FilterDataType) "
         "VALUES (109, 1, 'Doubled', 'Twice [USD]', '(o.Amount * 2)', 'money', 1, 'money');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 109, 6, 0, 0, -1 FROM LdViews;");
    const int id = Value("SELECT MAX(ViewID) FROM LdViews").toInt32();
    EXPECT_FALSE(UpdateSql(id));
    const Pieces p = StoredPieces(id);
    const Rows list = Query(p.select + " " + p.from + " ORDER BY 1");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Amount", "Customer", "Twice [USD]"}));
    EXPECT_EQ(Column(list, 0), (QStringList{"10", "11", "12"}));
    EXPECT_EQ(Column(list, 3), (QStringList{"200", "501", "150.5"}));
    // Switched-off links to the views of the related base, so that the editor can switch them on.
    EXPECT_EQ(Column(Query(QStringLiteral("SELECT LinkViewID || ':' || UseMe FROM LdViewRelationships WHERE ViewID = %1 "
                                          "ORDER BY LinkViewID")
                               .arg(id)),
                     0),
              (QStringList{"2:0", "3:0"}));
    // Building again adds none twice.
    EXPECT_FALSE(UpdateSql(id));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = %1").arg(id)).toInt32(), 2);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 1").toInt32(), 2);
}

TEST_F(ProceduresTest, AStatementTooLongIsReportedAndWritesNothing)
{
    QString huge = QStringLiteral("(o.Amount");
    while (huge.size() < 8100)
        huge += QStringLiteral(" + o.Amount");
    huge += QLatin1Char(')');
    Exec(QStringLiteral("INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, "
                        "FilterDataType) VALUES (107, 1, 'Huge', 'Huge', '%1', 'money', 1, 'money');"
                        "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
                        "VALUES (1, 107, 7, 0, 0, -1);")
             .arg(huge));
    const QString before = Snapshot();
    const ProcedureCall c = Call("Ld_UpdateSQLStmts", {Variant(int32_t(1)), Variant(QString()), Variant(int32_t(0))});
    EXPECT_EQ(c.outputs.at(2).toInt32(), 1);
    EXPECT_EQ(c.outputs.at(1).toString().size(), 8000);
    EXPECT_TRUE(c.outputs.at(1).toString().startsWith("SELECT o.OrderID AS [ID]"));
    EXPECT_EQ(Snapshot(), before);

    // Short enough: not too long, and the statement is the one that runs.
    Exec("DELETE FROM LdViewColumns WHERE BaseColumnID = 107");
    const ProcedureCall ok = Call("Ld_UpdateSQLStmts", {Variant(int32_t(1)), Variant(QString()), Variant(int32_t(0))});
    EXPECT_EQ(ok.outputs.at(2).toInt32(), 0);
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(ok.outputs.at(1).toString(), p.select + " " + p.from + " " + p.fromEx);
}

TEST_F(ProceduresTest, ResetSqlForAllViewsRebuildsTheViewsOfABaseAfterABaseColumnChanged)
{
    EXPECT_FALSE(UpdateSql(2));
    EXPECT_FALSE(UpdateSql(3));
    EXPECT_FALSE(UpdateSql(1));
    Exec("UPDATE LdBaseColumns SET DisplayName = 'Client', ColumnSQL = 'UPPER(c.Name)' WHERE ColumnID = 202");
    const ProcedureCall c = Call("Ld_ResetSQLForAllViews", {Variant(Null), Variant(int32_t(2))});
    EXPECT_TRUE(c.rows.empty());
    const Pieces p = StoredPieces(2);
    const Rows list = Query(p.select + " " + p.from + " WHERE c.CustomerID = 2");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Customer No", "Client"}));
    EXPECT_EQ(Column(list, 2), (QStringList{"GLOBEX"}));
    EXPECT_EQ(p.columnString, "Customer No,1,Client,0,");
    EXPECT_EQ(StoredPieces(3).columnString, "Customer No,1,City,0,");  // the other view of the base
}

TEST_F(ProceduresTest, SqlViewOfAViewIsMadeRenamedAndDropped)
{
    Exec("UPDATE LdViews SET CreateSQLView = -1 WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT SQLViewName FROM LdViews WHERE ViewID = 1").toString(), "ORDERS_1");
    Rows r = Query("SELECT * FROM ORDERS_1 ORDER BY ID");
    EXPECT_EQ(r.columns, (QStringList{"ID", "OrderNo", "Amount", "Customer", "CustomerID"}));
    EXPECT_EQ(r.rows.size(), 3u);

    Exec("UPDATE LdViews SET ViewName = 'OpenOrders' WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'ORDERS_1'").toInt32(), 0);
    EXPECT_EQ(Query("SELECT * FROM OpenOrders").rows.size(), 3u);

    Exec("UPDATE LdViews SET CreateSQLView = 0 WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'OpenOrders'").toInt32(), 0);
    EXPECT_TRUE(Value("SELECT SQLViewName FROM LdViews WHERE ViewID = 1").isNull());
}

TEST_F(ProceduresTest, DeleteViewRemovesACustomViewWithEverythingOfIt)
{
    Exec("INSERT INTO LdViews (ViewName, DisplayName, BaseID, Custom, Shared, CreatorID, BaseViewID) "
         "VALUES ('CUSTOMERS_3', 'Copy', 2, -1, 0, 'mary', 3)");
    Exec("UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID = 3");
    EXPECT_FALSE(UpdateSql(3));
    ASSERT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'CUSTOMERS_2'").toInt32(), 1);

    const ProcedureCall c = Call("Ld_DeleteView", {Variant(int32_t(3))});
    EXPECT_TRUE(c.rows.empty());
    for (const char* sql : {"SELECT COUNT(*) FROM LdViews WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewFilters WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewFilterColumns WHERE ViewFilterID = 3",
                            "SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 3 OR LinkViewID = 3",
                            "SELECT COUNT(*) FROM LdMyViews WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM sqlite_master WHERE name = 'CUSTOMERS_2'",
                            "SELECT COUNT(*) FROM LdViews WHERE BaseViewID = 3"})
        EXPECT_EQ(Value(QLatin1String(sql)).toInt32(), 0) << sql;
    // The rest is untouched.
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewRelationships").toInt32(), 1);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID IN (1, 2)").toInt32(), 8);
}

// What LdViews names is the application login's to write: the procedures drop or
// replace only a SQL view they made themselves, whatever a row's names say.
TEST_F(ProceduresTest, TheSqlViewProceduresTouchNoViewTheyDidNotMake)
{
    const char* const erpView = "CREATE VIEW vw_AnyErpView AS SELECT CustomerID FROM Customers";
    Exec(erpView);
    Exec("UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID = 3");
    ASSERT_FALSE(UpdateSql(3));  // CUSTOMERS_2, made by the procedure
    struct Case {
        const char* how;
        const char* rows;       // what the application login wrote
        const char* procedure;  // then ran
        const char* message;
    };
    const Case cases[] = {
        {"dropped as the view's old SQL view", "UPDATE LdViews SET SQLViewName = 'vw_AnyErpView', CreateSQLView = 0",
         "Ld_UpdateSQLStmts",
         "Ld_UpdateSQLStmts: the SQL view 'vw_AnyErpView' cannot be dropped: it was not made for a list view."},
        {"dropped as the old name of a renamed view", "UPDATE LdViews SET SQLViewName = 'VW_ANYERPVIEW'",
         "Ld_UpdateSQLStmts",
         "Ld_UpdateSQLStmts: the SQL view 'vw_AnyErpView' cannot be dropped: it was not made for a list view."},
        {"replaced under the view's own names",
         "UPDATE LdViews SET ViewName = 'vw_AnyErpView', SQLViewName = 'vw_AnyErpView'", "Ld_UpdateSQLStmts",
         "Ld_UpdateSQLStmts: the SQL view 'vw_AnyErpView' cannot be made: a view of that name exists that was not "
         "made for a list view."},
        {"dropped with the list view", "UPDATE LdViews SET SQLViewName = 'vw_AnyErpView'", "Ld_DeleteView",
         "Ld_DeleteView: the SQL view 'vw_AnyErpView' cannot be dropped: it was not made for a list view."},
    };
    for (const Case& c : cases) {
        Exec("SAVEPOINT attempt");
        Exec(QLatin1String(c.rows) + QStringLiteral(" WHERE ViewID = 3"));
        QString message;
        try {
            if (QLatin1String(c.procedure) == QLatin1String("Ld_DeleteView"))
                Call(c.procedure, {Variant(int32_t(3))});
            else
                UpdateSql(3);
        } catch (const AppError& e) {
            message = e.description();
        }
        EXPECT_EQ(message.toStdString(), c.message) << c.how;
        EXPECT_EQ(Value("SELECT sql FROM sqlite_master WHERE name = 'vw_AnyErpView'").toString().toStdString(), erpView)
            << c.how;
        EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViews WHERE ViewID = 3").toInt32(), 1) << c.how;
        Exec("ROLLBACK TO attempt; RELEASE attempt");
    }
    // Its own view it still replaces, renames and drops.
    Exec("UPDATE LdViews SET ViewName = 'CUSTOMERS_9' WHERE ViewID = 3");
    EXPECT_FALSE(UpdateSql(3));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('CUSTOMERS_2', 'CUSTOMERS_9')").toInt32(), 1);
    Call("Ld_DeleteView", {Variant(int32_t(3))});
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'CUSTOMERS_9'").toInt32(), 0);
}

// ---- Registry and rights ------------------------------------------------------------

TEST_F(ProceduresTest, GetRegValueGivesTypeAndTextOfAValue)
{
    struct Case {
        Variant parent;
        const char* subKey;
        const char* name;
        const char* type;
        const char* value;
    };
    const std::vector<Case> cases = {
        {Variant(Null), "System", "Version", "S ", "7.6.5 / 7.6.0"},
        {Variant(Null), "config", "EXCELEXPORTAUTHMETHOD", "I4", "1"},
        {Variant(int32_t(0)), "Config", "ExcelExportAuthMethod", "I4", "1"},
        {Variant(Null), "Config\\Export", "Ratio", "F8", "0.25"},
        {Variant(int32_t(2)), "Export", "Ratio", "F8", "0.25"},
        {Variant(Null), "Config", "Odd", "I2", "3"},  // the program refuses the type, not the database
    };
    for (const Case& c : cases) {
        const ProcedureCall call =
            Call("Co_GetRegValue", {c.parent, Variant(c.subKey), Variant(c.name), Variant(), Variant()});
        EXPECT_EQ(call.outputs.at(3).toString(), QLatin1String(c.type)) << c.subKey << " " << c.name;
        EXPECT_EQ(call.outputs.at(4).toString(), QLatin1String(c.value)) << c.subKey << " " << c.name;
        EXPECT_TRUE(call.rows.empty());
    }
}

TEST_F(ProceduresTest, GetRightsJoinsTheUsersAndTheGroupsRights)
{
    struct Case {
        const char* user;
        const char* company;
        const char* object;
        int32_t rights;
    };
    const std::vector<Case> cases = {
        {"admin", "ACME", "QuillonAllViews", 15},
        {" Admin ", "ACME", "AnyObjectAtAll", 15},
        {"jdoe", "ACME", "QuillonAllViews", 1 | 8},  // own View, Delete through 'admins'
        {"JDOE ", "ACME", "quillonallviews", 1 | 8},
        {"mary", "ACME", "QuillonAllViews", 6},       // through 'sales'
        {"mary", "ACME", "QuillonMyViews", 9},        // this company's grant and the all-company one (masked to 4 bits)
        {"mary", "OTHER", "QuillonMyViews", 2},
        {"mary", "NONE", "QuillonMyViews", 0},
        {"jdoe", "ACME", "CoExportLists", 0},
        {"nobody", "ACME", "QuillonAllViews", 0},
    };
    for (const Case& c : cases) {
        const ProcedureCall call =
            Call("Co_GetRights", {Variant(c.user), Variant(c.company), Variant(c.object), Variant()});
        EXPECT_EQ(call.outputs.at(3).type(), VarType::Long);
        EXPECT_EQ(call.outputs.at(3).toInt32(), c.rights) << c.user << " " << c.company << " " << c.object;
    }
}

}  // namespace
