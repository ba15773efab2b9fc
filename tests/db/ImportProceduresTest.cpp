// Imported columns on the demo company, through the database interface as the
// program sends them: the columns a source offers, importing a linked view's
// column and a custom property (the views that show them list their values, they
// filter and sum), the refusals, and deleting an imported column with everything
// that used it while every view of the base keeps working.
#include "base/AppError.h"
#include "DemoCompanyFixture.h"
#include "ErrorOf.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kServer = QStringLiteral("ImportTest");

// Demo views and sources used here.
constexpr int kOrdersView = 4;         // Orders base
constexpr int kOrdersByRepView = 10;   // Orders base, links to Customers through table 1
constexpr int kCustomersView = 3;      // Customers base
constexpr int kCustomerReport = 12;    // Customers base, which has custom properties
constexpr int kCustomerTable = 1;      // LdBaseTables: customers for orders
constexpr int kProfileGroup = 1;       // custom properties of customers
constexpr int kShelfGroup = 2;         // custom properties of products

class ImportProceduresTest : public DemoCompanyFixture {
protected:
    static void SetUpTestSuite() { MakeCompany(kServer); }
    static void TearDownTestSuite() { DropCompany(); }
    // Each test works inside a transaction it rolls back, so all see the demo as made.
    void SetUp() override
    {
        Connect(kServer);
        int32_t flag = 0;
        dbi.BeginTrans(QStringLiteral("test"), flag);
    }
    void TearDown() override
    {
        int32_t flag = 0;
        dbi.RollbackTrans(QStringLiteral("test"), flag);
        dbi.CloseConnection();
    }

    // Rows of a result as "a|b|..." texts.
    QStringList Rows(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(sql, rs);
        QStringList out;
        for (; rs->HasRecord(); rs->MoveNext()) {
            QStringList row;
            for (int k = 0; k < rs->FieldCount(); ++k)
                row << (rs->Item(k).isNull() ? QStringLiteral("<null>") : rs->Item(k).toString());
            out << row.join(QLatin1Char('|'));
        }
        dbi.CloseRecordset(rs);
        return out;
    }
    int BaseColumnId(int viewId, const QString& columnName)
    {
        return Count(QStringLiteral("SELECT bc.ColumnID FROM LdBaseColumns bc INNER JOIN LdViews v ON v.BaseID = "
                                    "bc.BaseID WHERE v.ViewID = %1 AND bc.ColumnName = '%2'")
                         .arg(viewId)
                         .arg(columnName));
    }
    // Adds a base column to a view as shown and filtered, and rebuilds the view's SQL.
    void ShowInView(int viewId, int columnId)
    {
        dbi.Execute(QStringLiteral("INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, "
                                   "Filterable, Viewable) VALUES (%1, %2, 99, 99, -1, -1)")
                        .arg(viewId)
                        .arg(columnId));
        dbi.Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews %1, NULL").arg(viewId));
    }
    // The statement the list builds from the view's stored pieces.
    QString ListQuery(int viewId, const QString& where = QString())
    {
        const QStringList row = Rows(QStringLiteral("SELECT SQLSelect, SQLFrom, COALESCE(SQLFromEx, '') FROM LdViews "
                                                    "WHERE ViewID = %1")
                                         .arg(viewId));
        const QStringList p = row.value(0).split(QLatin1Char('|'));
        return p.value(0) + QLatin1Char(' ') + p.value(1) + QLatin1Char(' ') + p.value(2) + QLatin1Char(' ') + where;
    }
    QString ColumnSql(int columnId)
    {
        return Value(QStringLiteral("SELECT ColumnSQL FROM LdBaseColumns WHERE ColumnID = %1").arg(columnId)).toString();
    }
};


TEST_F(ImportProceduresTest, SourcesOfferTheirColumnsLessThoseAlreadyImported)
{
    const int customerColumns = Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseColumns WHERE BaseID = 10"));
    const QStringList linked =
        Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,0").arg(kOrdersByRepView).arg(kCustomerTable));
    EXPECT_EQ(linked.size(), customerColumns);
    EXPECT_TRUE(linked.contains(QStringLiteral("%1|City|City").arg(BaseColumnId(kCustomersView, QStringLiteral("City")))));

    const QStringList properties =
        Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,1").arg(kCustomerReport).arg(kProfileGroup));
    EXPECT_EQ(properties, (QStringList{QStringLiteral("2|Preferred Carrier|Carrier"), QStringLiteral("1|Segment|Segment")}));

    dbi.Execute(QStringLiteral("EXEC Ld_ImportColumn %1,%2,'CustomerCity','Customer City',%3")
                    .arg(kOrdersByRepView)
                    .arg(kCustomerTable)
                    .arg(BaseColumnId(kCustomersView, QStringLiteral("City"))));
    dbi.Execute(QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'Segment','Segment',1").arg(kCustomerReport).arg(kProfileGroup));
    // Any view of the same base sees the same offer: less the city, with the customers' new column.
    const QStringList after = Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,0").arg(kOrdersView).arg(kCustomerTable));
    EXPECT_EQ(after.size(), customerColumns);
    EXPECT_TRUE(after.filter(QStringLiteral("|City|City")).isEmpty());
    EXPECT_EQ(after.filter(QStringLiteral("|Segment|Segment")).size(), 1);
    EXPECT_EQ(Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,1").arg(kCustomersView).arg(kProfileGroup)),
              QStringList{QStringLiteral("2|Preferred Carrier|Carrier")});
}

// A source that leaves the match to its link's relation columns: the linked base's
// aliases may be the importing base's own (a line's order, an order's lines), a link
// may have two relation columns, and a link to many rows gives the first by row id.
TEST_F(ImportProceduresTest, ALinksRelationColumnsTieTheRowsAndALinkToManyRowsGivesTheFirst)
{
    struct Case {
        const char* what;
        int view;
        int table;
        const char* column;    // of the linked base
        const char* key;       // the importing base's row id and FROM clause
        const char* expected;  // each row's value
    };
    const Case cases[] = {
        {"a line's product", 5, 7, "Category", "ol.OrderLineID FROM OrderLines ol",
         "(SELECT Category FROM Products WHERE ProductID = ol.ProductID)"},
        {"a customer's first order", kCustomersView, 3, "OrderNumber", "c.CustomerID FROM Customers c",
         "(SELECT OrderNumber FROM Orders WHERE OrderID = (SELECT MIN(OrderID) FROM Orders WHERE CustomerID = c.CustomerID))"},
        {"an order's first line, by order and customer", kOrdersView, 5, "Quantity", "o.OrderID FROM Orders o",
         "(SELECT Quantity FROM OrderLines WHERE OrderLineID = (SELECT MIN(OrderLineID) FROM OrderLines WHERE "
         "OrderID = o.OrderID))"},
        {"a product's first sale", 6, 6, "OrderNumber", "p.ProductID FROM Products p",
         "(SELECT o.OrderNumber FROM OrderLines l INNER JOIN Orders o ON o.OrderID = l.OrderID WHERE l.OrderLineID = "
         "(SELECT MIN(OrderLineID) FROM OrderLines WHERE ProductID = p.ProductID))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int linkedView =
            Count(QStringLiteral("SELECT MIN(v.ViewID) FROM LdViews v INNER JOIN LdBaseTables t ON t.LinkedBaseID = v.BaseID "
                                 "WHERE t.TableID = %1").arg(c.table));
        const int source = BaseColumnId(linkedView, QLatin1String(c.column));
        const QStringList offered = Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,0").arg(c.view).arg(c.table));
        EXPECT_EQ(offered.filter(QStringLiteral("%1|").arg(source)).size(), 1);
        dbi.Execute(QStringLiteral("EXEC Ld_ImportColumn %1,%2,'Imported','Imported',%3").arg(c.view).arg(c.table).arg(source));
        const int imported = BaseColumnId(c.view, QStringLiteral("Imported"));
        ASSERT_GT(imported, 0);
        const QString key = QLatin1String(c.key);
        const QString from = key.mid(key.indexOf(QLatin1String(" FROM ")));
        const QString baseFrom = Value(QStringLiteral("SELECT b.FromSQL FROM LdBases b INNER JOIN LdViews v ON v.BaseID = "
                                                      "b.BaseID WHERE v.ViewID = %1").arg(c.view)).toString();
        const QStringList got = Rows(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY 1")
                                         .arg(key.left(key.indexOf(QLatin1String(" FROM "))), ColumnSql(imported), baseFrom));
        const QStringList expected = Rows(QStringLiteral("SELECT %1, %2%3 ORDER BY 1")
                                              .arg(key.left(key.indexOf(QLatin1String(" FROM "))), QLatin1String(c.expected), from));
        EXPECT_FALSE(got.filter(QRegularExpression(QStringLiteral("\\|(?!<null>).+$"))).isEmpty());
        EXPECT_EQ(got, expected);
        // No longer offered by the source it came from.
        EXPECT_TRUE(Rows(QStringLiteral("EXEC Ld_GetImportColumns %1,%2,0").arg(c.view).arg(c.table))
                        .filter(QStringLiteral("%1|").arg(source)).isEmpty());
    }
}

TEST_F(ImportProceduresTest, AnImportedLinkedViewColumnListsFiltersAndSumsItsSourcesValues)
{
    dbi.Execute(QStringLiteral("EXEC Ld_ImportColumn %1,%2,'CustomerCity','Customer City',%3")
                    .arg(kOrdersByRepView)
                    .arg(kCustomerTable)
                    .arg(BaseColumnId(kCustomersView, QStringLiteral("City"))));
    dbi.Execute(QStringLiteral("EXEC Ld_ImportColumn %1,%2,'CustCredit','Customer''s Credit',%3")
                    .arg(kOrdersByRepView)
                    .arg(kCustomerTable)
                    .arg(BaseColumnId(kCustomersView, QStringLiteral("CreditLimit"))));
    const int city = BaseColumnId(kOrdersByRepView, QStringLiteral("CustomerCity"));
    const int credit = BaseColumnId(kOrdersByRepView, QStringLiteral("CustCredit"));
    ASSERT_GT(city, 0);
    EXPECT_EQ(Rows(QStringLiteral("SELECT Imported, DisplayName, Type, AllowFunctions FROM LdBaseColumns WHERE "
                                  "ColumnID IN (%1, %2) ORDER BY ColumnID")
                       .arg(city)
                       .arg(credit)),
              (QStringList{QStringLiteral("1|Customer City|2|0"), QStringLiteral("1|Customer's Credit|1|1")}));
    // The model sees it as imported among the base's columns.
    bool listed = false;
    for (const QString& r : Rows(QStringLiteral("EXEC Ld_GetViewColumns %1, 1").arg(kOrdersByRepView)))
        listed = listed || (r.contains(QLatin1String("|CustomerCity|Customer City|")) && r.endsWith(QLatin1String("|True")));
    EXPECT_TRUE(listed);

    ShowInView(kOrdersByRepView, city);
    ShowInView(kOrdersByRepView, credit);
    // Every order lists its customer's city and credit limit.
    const QString list = ListQuery(kOrdersByRepView);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) l INNER JOIN Orders o ON o.OrderID = l.ID INNER JOIN "
                                   "Customers c ON c.CustomerID = o.CustomerID WHERE l.[Customer City] IS c.City AND "
                                   "l.[Customer's Credit] IS c.CreditLimit")
                      .arg(list)),
              Count(QStringLiteral("SELECT COUNT(*) FROM Orders")));
    // A search on it and a column function over it.
    const QString town = Value(QStringLiteral("SELECT City FROM Customers ORDER BY CustomerID LIMIT 1")).toString();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) x")
                        .arg(ListQuery(kOrdersByRepView, QStringLiteral("WHERE (%1) = '%2'").arg(ColumnSql(city), town)))),
              Count(QStringLiteral("SELECT COUNT(*) FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID "
                                   "WHERE c.City = '%1'")
                        .arg(town)));
    EXPECT_NEAR(Value(QStringLiteral("SELECT SUM(%1) FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID")
                          .arg(ColumnSql(credit)))
                    .toDouble(),
                Value(QStringLiteral("SELECT SUM(c.CreditLimit) FROM Orders o INNER JOIN Customers c ON c.CustomerID = "
                                     "o.CustomerID"))
                    .toDouble(),
                0.01);
}

TEST_F(ImportProceduresTest, AnImportedCustomPropertyListsTheRowsValueOrNothing)
{
    dbi.Execute(QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'ProfileCarrier','Profile Preferred Carrier',2")
                    .arg(kCustomerReport)
                    .arg(kProfileGroup));
    const int carrier = BaseColumnId(kCustomerReport, QStringLiteral("ProfileCarrier"));
    ASSERT_GT(carrier, 0);
    ShowInView(kCustomerReport, carrier);
    const QString list = ListQuery(kCustomerReport);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) l WHERE l.[Profile Preferred Carrier] IS (SELECT Value "
                                   "FROM ShTrackingValues WHERE AttributeID = 2 AND RecordID = l.ID)")
                        .arg(list)),
              Count(QStringLiteral("SELECT COUNT(*) FROM Customers")));
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) l WHERE l.[Profile Preferred Carrier] IS NULL").arg(list)), 0);
    // The SQL view made for reporting follows.
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM CUSTOMERS_2 WHERE ProfileCarrier = 'Freight West'")), 0);
}

TEST_F(ImportProceduresTest, RefusedImportsChangeNothing)
{
    const int city = BaseColumnId(kCustomersView, QStringLiteral("City"));
    const int orderStatus = BaseColumnId(kOrdersView, QStringLiteral("Status"));
    struct Case {
        const char* what;
        QString statement;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"unknown view", QStringLiteral("EXEC Ld_ImportColumn 999,1,'A','A',%1").arg(city), "does not exist"},
        {"table of another base", QStringLiteral("EXEC Ld_ImportColumn %1,1,'A','A',%2").arg(kCustomerReport).arg(city),
         "is not a source"},
        {"column of another base", QStringLiteral("EXEC Ld_ImportColumn %1,1,'A','A',%2").arg(kOrdersByRepView).arg(orderStatus),
         "is not a column of the linked base"},
        {"group of another base", QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'A','A',3").arg(kCustomerReport).arg(kShelfGroup),
         "does not belong"},
        {"attribute of another group", QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'A','A',3").arg(kCustomerReport).arg(kProfileGroup),
         "is not in custom property group"},
        {"SQL name used (any case)", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'city','Town',1").arg(kCustomerReport),
         "SQL name 'city'"},
        {"name used (any case)", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'Town','CITY',1").arg(kCustomerReport),
         "column named 'CITY'"},
        {"empty SQL name", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'  ','Town',1").arg(kCustomerReport),
         "needs a name"},
        {"empty name", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'Town','',1").arg(kCustomerReport), "needs a name"},
        {"SQL name with a blank", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'A B','Town',1").arg(kCustomerReport),
         "only letters"},
        {"SQL name with a digit first", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'1A','Town',1").arg(kCustomerReport),
         "begin with a digit"},
        {"name with a comma", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'Town','A,B',1").arg(kCustomerReport),
         "comma"},
        {"SQL name of the SQL view's row id", QStringLiteral("EXEC Ld_ImportCustomProperty %1,1,'id','Town',1").arg(kCustomerReport),
         "row id"},
        {"unknown source type", QStringLiteral("EXEC Ld_GetImportColumns %1,1,2").arg(kCustomerReport), "@SourceType"},
    };
    const QString before = Rows(QStringLiteral("SELECT * FROM LdBaseColumns ORDER BY ColumnID")).join(QLatin1Char('\n'));
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] { dbi.Execute(c.statement); });
        EXPECT_NE(e.number(), 0) << c.what;
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.what << ": " << e.description().toStdString();
    }
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM LdBaseColumns ORDER BY ColumnID")).join(QLatin1Char('\n')), before);
}

TEST_F(ImportProceduresTest, DeletingAnImportedColumnTakesItsUsesAlongAndLeavesEveryViewOfTheBaseWorking)
{
    dbi.Execute(QStringLiteral("EXEC Ld_ImportColumn %1,%2,'CustCredit','Customer Credit',%3")
                    .arg(kOrdersByRepView)
                    .arg(kCustomerTable)
                    .arg(BaseColumnId(kCustomersView, QStringLiteral("CreditLimit"))));
    const int credit = BaseColumnId(kOrdersByRepView, QStringLiteral("CustCredit"));
    ShowInView(kOrdersByRepView, credit);
    ShowInView(kOrdersView, credit);
    // A column function, a saved search on its token that the view opens with, and another search.
    dbi.Execute(QStringLiteral("INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) "
                               "VALUES (%1, %2, 1, 9)")
                    .arg(kOrdersView)
                    .arg(credit));
    dbi.Execute(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID) "
                               "VALUES (%1, 'Good credit', 'WHERE ( {CustCredit} > 1000 )', 0, 0, 'admin')")
                    .arg(kOrdersView));
    const int search = Count(QStringLiteral("SELECT MAX(ViewFilterID) FROM LdViewFilters"));
    dbi.Execute(QStringLiteral("INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (%1, %2)").arg(search).arg(credit));
    dbi.Execute(QStringLiteral("UPDATE LdViews SET LastUsedFilter = %1 WHERE ViewID = %2").arg(search).arg(kOrdersView));
    const int otherSearches = Count(QStringLiteral("SELECT COUNT(*) FROM LdViewFilters")) - 1;

    dbi.Execute(QStringLiteral("Exec Ld_DeleteColumn_IDs %1").arg(credit));

    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseColumns WHERE ColumnID = %1").arg(credit)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns WHERE BaseColumnID = %1").arg(credit)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewColumnFunctions WHERE BaseColumnID = %1").arg(credit)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewFilterColumns WHERE ViewFilterID = %1").arg(search)), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewFilters")), otherSearches);
    EXPECT_TRUE(Value(QStringLiteral("SELECT LastUsedFilter FROM LdViews WHERE ViewID = %1").arg(kOrdersView)).isNull());
    // Every view of the base lists all orders again, without the column.
    for (const QString& id : Rows(QStringLiteral("SELECT ViewID FROM LdViews WHERE BaseID = 11"))) {
        EXPECT_FALSE(ListQuery(id.toInt()).contains(QLatin1String("Customer Credit"))) << id.toStdString();
        EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) x").arg(ListQuery(id.toInt()))),
                  Count(QStringLiteral("SELECT COUNT(*) FROM Orders")))
            << id.toStdString();
    }
}

TEST_F(ImportProceduresTest, DeleteRefusesColumnsItMustNotTakeAndChangesNothing)
{
    dbi.Execute(QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'Segment','Segment',1").arg(kCustomerReport).arg(kProfileGroup));
    const int segment = BaseColumnId(kCustomerReport, QStringLiteral("Segment"));
    // A view that shows the imported column alone.
    dbi.Execute(QStringLiteral("INSERT INTO LdViews (ViewName, DisplayName, BaseID, Custom, CreatorID) "
                               "VALUES ('CUSTOMERS_9', 'Segments only', 10, -1, 'admin')"));
    const int only = Count(QStringLiteral("SELECT MAX(ViewID) FROM LdViews"));
    ShowInView(only, segment);
    struct Case {
        QString ids;
        const char* message;
    };
    const std::vector<Case> cases = {
        {QString::number(BaseColumnId(kCustomersView, QStringLiteral("City"))), "was not imported"},
        {QString::number(BaseColumnId(kCustomersView, QStringLiteral("CustomerID"))), "was not imported"},
        {QString::number(segment), "only column the view 'Segments only' shows"},
        {QStringLiteral("99999"), "does not exist"},
        {QStringLiteral("'x'"), "column ids"},
    };
    const QString before = Rows(QStringLiteral("SELECT * FROM LdBaseColumns ORDER BY ColumnID")).join(QLatin1Char('\n')) +
                           Rows(QStringLiteral("SELECT * FROM LdViewColumns ORDER BY ViewColumnID")).join(QLatin1Char('\n'));
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] { dbi.Execute(QStringLiteral("Exec Ld_DeleteColumn_IDs ") + c.ids); });
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.ids.toStdString() << ": "
                                                                        << e.description().toStdString();
    }
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM LdBaseColumns ORDER BY ColumnID")).join(QLatin1Char('\n')) +
                  Rows(QStringLiteral("SELECT * FROM LdViewColumns ORDER BY ViewColumnID")).join(QLatin1Char('\n')),
              before);
}

TEST_F(ImportProceduresTest, RenamedImportedColumnIsFollowedByTheViewsOfItsBase)
{
    dbi.Execute(QStringLiteral("EXEC Ld_ImportCustomProperty %1,%2,'Segment','Segment',1").arg(kCustomerReport).arg(kProfileGroup));
    const int segment = BaseColumnId(kCustomerReport, QStringLiteral("Segment"));
    ShowInView(kCustomerReport, segment);
    ShowInView(kCustomersView, segment);
    // The statements the editor sends.
    dbi.Execute(QStringLiteral("Update LdBaseColumns Set ColumnName = 'MarketSegment' , DisplayName = 'Market Segment' "
                               "Where ColumnID = %1")
                    .arg(segment));
    dbi.Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, 10"));
    for (int view : {kCustomersView, kCustomerReport})
        EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM (%1) l WHERE l.[Market Segment] IS NOT NULL").arg(ListQuery(view))),
                  Count(QStringLiteral("SELECT COUNT(*) FROM ShTrackingValues WHERE AttributeID = 1")))
            << view;
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM CUSTOMERS_2 WHERE MarketSegment = 'Retail'")), 0);
}

}  // namespace
