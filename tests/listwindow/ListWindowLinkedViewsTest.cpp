// The list window's context menu on the demo company: the catalogue menu of All
// Views and My Views and its commands, the linked views offered for a row (each
// constraint type, each operator and comparison type), opening a linked view (the
// filter texts, both extra-filter types, the filterable check, the rights check,
// keeping or replacing the source window), values with apostrophes, and stored
// queries that run read-only.

#include "LinkedViewsTestSupport.h"

#include "platform/controls/ReportListView.h"
#include "viewmodel/GetView.h"

#include <QLocale>

using namespace listtest;

namespace {

// ---------------------------------------------------------------- the catalogue menu

TEST_F(ListWindowLinkedViewsTest, TheCatalogueMenuOffersTheCommandsOfTheWindowAndRow)
{
    // jdoe's own rows: view 4 auto-populates, view 5 does not, view 3 has no row.
    struct Case {
        const char* catalogue;
        bool mainView;
        int32_t row;
        const char* menu;
    };
    const Case cases[] = {
        {"LdMyViews", true, 4, "New...,Open,Delete,Customize...,Disable Auto Populate"},
        {"LdMyViews", true, 5, "New...,Open,Delete,Customize...,Enable Auto Populate"},
        {"LdMyViews", false, 5, "New...,Open,Delete,Customize...,Enable Auto Populate"},
        // A shared custom view of jdoe's own may be deleted from All Views.
        {"LdViews", true, 10, "New...,Open,Delete,Add to MyViews,Enable Auto Populate"},
        {"LdViews", true, 4, "New...,Open,Add to MyViews,Disable Auto Populate"},
        // A standard view, and a custom view of another user: no Delete.
        {"LdViews", true, 3, "New...,Open,Add to MyViews,Enable Auto Populate"},
        {"LdViews", true, 12, "New...,Open,Add to MyViews,Enable Auto Populate"},
        // Not opened from the main window: no Add to MyViews and no auto populate.
        {"LdViews", false, 10, "New...,Open,Delete"},
        {"LdViews", false, 3, "New...,Open"},
    };
    for (const Case& c : cases) {
        frmList* w = WithRow(ViewId(QString::fromLatin1(c.catalogue)), c.row, c.mainView);
        const int before = menus;
        EXPECT_EQ(RightClick(w), nullptr);
        EXPECT_EQ(menus, before + 1);
        EXPECT_EQ(built, QString::fromLatin1(c.menu)) << c.catalogue << " row " << c.row << " main " << c.mainView;
        EXPECT_EQ(owner, w->ListView()->hWnd());
        Unload(w);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListWindowLinkedViewsTest, EachCatalogueCommandRunsFromTheMenu)
{
    frmList* all = WithRow(ViewId(QStringLiteral("LdViews")), 3);

    // Open: the view in a new window below the catalogue.
    frmList* opened = RightClick(all, QStringLiteral("Open"));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->ViewID(), 3);
    Unload(opened);

    // Add to MyViews, then the auto-populate item switches the user's own setting.
    EXPECT_EQ(RightClick(all, QStringLiteral("Add to MyViews")), nullptr);
    EXPECT_EQ(Prompts(boxes), QStringList{QStringLiteral("'Customers' has been added to your MyViews.")});
    EXPECT_EQ(Value("SELECT IsMyView FROM LdMyViews WHERE ViewID = 3 AND UserID = 'jdoe'"), "1");
    RightClick(all, QStringLiteral("Enable Auto Populate"));
    EXPECT_EQ(Value("SELECT AutoPopulate FROM LdMyViews WHERE ViewID = 3 AND UserID = 'jdoe'"), "1");
    RightClick(all, QStringLiteral("Disable Auto Populate"));
    EXPECT_EQ(Value("SELECT AutoPopulate FROM LdMyViews WHERE ViewID = 3 AND UserID = 'jdoe'"), "0");

    // Delete (taking the view out of My Views) asks first, answered No here.
    frmList* mine = WithRow(ViewId(QStringLiteral("LdMyViews")), 5);
    boxes.clear();
    RightClick(mine, QStringLiteral("Delete"));
    EXPECT_EQ(Prompts(boxes), QStringList{QStringLiteral("Are you sure you want to delete the 'Order Lines' view?")});
    EXPECT_EQ(Value("SELECT IsMyView FROM LdMyViews WHERE ViewID = 5 AND UserID = 'jdoe'"), "1");

    // New opens the view editor (cancelled here); Customize of a view jdoe did not create
    // is refused; a dismissed menu does nothing.
    boxes.clear();
    TakeStatements();
    WhenEditorShows({});
    EXPECT_EQ(RightClick(mine, QStringLiteral("New...")), nullptr);
    EXPECT_EQ(editorShown, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(RightClick(mine, QStringLiteral("Customize...")), nullptr);
    EXPECT_EQ(Prompts(boxes), QStringList{QStringLiteral("You can only customize views that were created by jdoe unless "
                                                         "you are an administrator or part of the admin security group")});
    boxes.clear();
    EXPECT_EQ(RightClick(mine), nullptr);
    EXPECT_TRUE(boxes.empty());
    for (const QString& s : TakeStatements())
        EXPECT_FALSE(s.startsWith(QLatin1String("UPDATE")) || s.startsWith(QLatin1String("INSERT"))) << qPrintable(s);
}

TEST_F(ListWindowLinkedViewsTest, TheAutoPopulateLookUpQuotesTheUserId)
{
    erpdb::AddUser(kServer, kCompany, QStringLiteral("o'hara"), QStringLiteral("Pat O'Hara"), QStringLiteral("pw"));
    Exec(QStringLiteral("INSERT INTO CoSecuredObjectRights (SecuredObjectID, CompanyID, PrincipalID, IsGroup, Rights) "
                        "VALUES ('QuillonMyViews', NULL, 'o''hara', 0, 15);"
                        "INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (4, 'o''hara', 1, -1)"));
    LogOnAs(QStringLiteral("o'hara"), QStringLiteral("pw"));
    frmList* mine = WithRow(ViewId(QStringLiteral("LdMyViews")), 4);
    TakeStatements();
    RightClick(mine);
    EXPECT_EQ(built, QStringLiteral("New...,Open,Delete,Customize...,Disable Auto Populate"));
    EXPECT_TRUE(TakeStatements().contains(
        QStringLiteral("SELECT AutoPopulate FROM LdMyViews WHERE ViewID = 4 AND UserID = 'o''hara'")));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

// ---------------------------------------------------------------- comparing and constraints

TEST_F(ListWindowLinkedViewsTest, CompareValuesByNumberDateAndText)
{
    struct Case {
        const char* a;
        const char* op;
        const char* b;
        int16_t type;
        bool holds;
    };
    const Case cases[] = {
        // Numbers.
        {"99.5", "<", "100", 1, true},   {"100", "<", "100", 1, false}, {"100", "=", "100.0", 1, true},
        {"7", ">", "10", 1, false},      {"7", "<>", "10", 1, true},    {"10", "<>", "10", 1, false},
        {"-3", "<", "2", 1, true},
        // Dates.
        {"2024-03-01", "<", "2024-12-31", 3, true},   {"2024-03-01", ">", "2024-12-31", 3, false},
        {"2024-03-01", "=", "2024-03-01 00:00:00", 3, true}, {"2025-01-02", "<>", "2025-01-01", 3, true},
        // Texts, by character code: "9" after "1", "B" before "a".
        {"99.5", "<", "100", 2, false},  {"B", "<", "a", 2, true},      {"abc", "=", "ABC", 4, false},
        {"abc", "<>", "ABC", 4, true},   {"abd", ">", "abc", 2, true},
        // What does not convert, an unknown operator or type: never.
        {"", "<", "100", 1, false},      {"n/a", "=", "n/a", 1, false}, {"2024-13-45", "<", "2025-01-01", 3, false},
        {"", "=", "", 3, false},         {"5", "<=", "6", 1, false},    {"5", "==", "5", 1, false},
        {"5", "=", "5", 5, false},       {"5", "=", "5", 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frmList::CompareValues(QString::fromLatin1(c.a), QString::fromLatin1(c.b),
                                         Variant(QString::fromLatin1(c.op)), c.type),
                  c.holds)
            << c.a << ' ' << c.op << ' ' << c.b << " as " << c.type;
}

TEST_F(ListWindowLinkedViewsTest, ConstraintsOfEachTypeAgainstTheSelectedRow)
{
    // An order line whose unit price is 99.5 and whose product is named "99.5".
    Exec(QStringLiteral("UPDATE OrderLines SET UnitPrice = 99.5 WHERE OrderLineID = 1;"
                        "UPDATE Products SET Name = '99.5', UnitPrice = 120 "
                        "WHERE ProductID = (SELECT ProductID FROM OrderLines WHERE OrderLineID = 1)"));
    frmList* w = WithRow(ViewId(QStringLiteral("ORDERLINES_1")), 1);
    auto list = std::make_shared<CoLdUVAssocViewContraints>();
    for (const char* v : {"A", "b c", "42"}) {
        auto value = list->Create();
        value->Value = QString::fromLatin1(v);
        list->Add(value);
    }
    struct Case {
        const char* filter;
        int16_t type;
        const char* value;  // the relation column's text
        bool holds;
    };
    const Case cases[] = {
        // 1: one of the allowed values, exactly.
        {"SELECT ...", 1, "42", true}, {"", 1, "b c", true}, {"SELECT ...", 1, "a", false},
        {"SELECT ...", 1, "42 ", false},
        // 2: EXISTS and NOT EXISTS on the trimmed value; any other text never.
        {"EXISTS", 2, "x", true}, {"EXISTS", 2, "   ", false}, {"NOT EXISTS", 2, "  ", true},
        {"NOT EXISTS", 2, "x", false}, {"exists", 2, "x", false},
        // 4: two columns of the row, typed by the first.
        {"<,UnitPrice,ListPrice", 4, "", true}, {">,UnitPrice,ListPrice", 4, "", false},
        {"<>,UnitPrice,ListPrice", 4, "", true}, {"=,UnitPrice,UnitPrice", 4, "", true},
        {"<,UnitPrice,NoSuchColumn", 4, "", false}, {"<,NoSuchColumn,UnitPrice", 4, "", false},
        // 5: a column against a literal: the number 99.5 is below 100, the text "99.5" is not.
        {"<,UnitPrice,100", 5, "", true}, {"<,UnitPrice,99.5", 5, "", false}, {"=,UnitPrice,99.5", 5, "", true},
        {"<,ProductName,100", 5, "", false}, {">,ProductName,100", 5, "", true},
        {"=,ProductName,99.5", 5, "", true}, {"<>,OrderDate,2001-01-01", 5, "", true},
        {"<,OrderDate,2001-01-01", 5, "", false}, {"=,NoSuchColumn,1", 5, "", false},
        // Too few commas, and unknown types: never.
        {"<,UnitPrice", 5, "", false}, {"<", 4, "", false}, {"EXISTS", 3, "x", false}, {"x", 6, "x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(w->EvaluateLinkConstraint(QString::fromLatin1(c.filter), c.type, QString::fromLatin1(c.value), list),
                  c.holds)
            << c.filter << " type " << c.type << " value '" << c.value << "'";

    // A literal keeps its commas.
    EXPECT_TRUE(w->EvaluateLinkConstraint(QStringLiteral("<,ProductName,A,B"), 5, QString(), list));
}

// ---------------------------------------------------------------- the linked views menu

TEST_F(ListWindowLinkedViewsTest, TheMenuOffersTheLinksWhoseConstraintsHoldForTheRow)
{
    const QString order = Value("SELECT MIN(OrderID) FROM Orders WHERE Status <> 'Cancelled'");
    const QString cancelled = Value("SELECT MIN(OrderID) FROM Orders WHERE Status = 'Cancelled'");
    const QString discontinued = Value("SELECT MIN(ProductID) FROM Products WHERE Discontinued <> 0");
    const QString sold = Value("SELECT MIN(ProductID) FROM Products WHERE Discontinued = 0");
    const QString below = Value("SELECT MIN(ol.OrderLineID) FROM OrderLines ol JOIN Products p ON "
                                "p.ProductID = ol.ProductID WHERE ol.UnitPrice < p.UnitPrice");
    const QString atList = Value("SELECT MIN(ol.OrderLineID) FROM OrderLines ol JOIN Products p ON "
                                 "p.ProductID = ol.ProductID WHERE ol.UnitPrice >= p.UnitPrice");
    ASSERT_NE(cancelled, "<null>");
    ASSERT_NE(discontinued, "<null>");
    struct Case {
        const char* view;
        QString row;
        const char* menu;
    };
    const Case cases[] = {
        // Type 5 "<>,Status,Cancelled" beside a link without constraint.
        {"ORDERS_1", order, "Customers,Order Lines"},
        {"ORDERS_1", cancelled, "Order Lines"},
        // Type 1: allowed values from a query.
        {"PRODUCTS_1", sold, "Order Lines"},
        {"PRODUCTS_1", discontinued, ""},
        // Type 4: two columns of the row.
        {"ORDERLINES_1", below, "Products"},
        {"ORDERLINES_1", atList, ""},
        // Type 2 EXISTS, and links switched off are not listed.
        {"CUSTOMERS_1", QStringLiteral("1"), "Invoices,Orders,Orders by Sales Rep"},
        {"CUSTOMERS_2", QStringLiteral("1"), "Orders,Orders by Sales Rep"},
    };
    for (const Case& c : cases) {
        frmList* w = WithRow(ViewId(QString::fromLatin1(c.view)), c.row.toInt());
        EXPECT_EQ(RightClick(w), nullptr);
        EXPECT_EQ(built, QString::fromLatin1(c.menu)) << c.view << " row " << qPrintable(c.row);
        // Each offered link holds its menu id; the others -1.
        int offered = 0;
        for (const CoLdUVAssocViewRef& link : *w->View()->AssocViews())
            if (link->UseMe)
                EXPECT_EQ(link->ID, link->ID > 0 ? ++offered : -1) << qPrintable(link->ViewName);
        Unload(w);
    }

    // Without a selected row nothing is shown.
    frmList* w = Open(ViewId(QStringLiteral("ORDERS_1")));
    const int before = menus;
    emit w->ListView()->RightClick(3, 3);
    EXPECT_EQ(menus, before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListWindowLinkedViewsTest, AnExtraFilterThatCannotBeReadKeepsItsLinkOutOfTheMenu)
{
    struct Case {
        const char* text;
        int type;
        bool offered;
    };
    const Case cases[] = {
        {"=,Paid,No", 3, true},
        {"=,Paid,a,b,c", 3, true},                        // the rest, commas and all
        {"RANGE,Amount,1,5000", 99, true},
        {"RANGE,InvoiceDate,SELECT MIN(InvoiceDate), MAX(InvoiceDate) FROM Invoices", 99, true},
        {"=,Paid,No", 7, false},                         // neither 3 nor 99
        {"=,Paid,No", 0, false},
        {"=,Paid", 3, false},                            // too few commas
        {"RANGE,Amount,5000", 99, false},                // low without high
        {",Paid,No", 3, false},                          // no operator
        {"=,,No", 3, false},                             // no column
        // Only a comparison or RANGE, and only a column of the linked view.
        {" >= , Paid ,No", 3, true},
        {"<=,Amount,5000", 3, true},
        {"range,Amount,1,5000", 99, true},
        {"= 'No' ) OR ( 1 = 1 ) OR ( 'a' =,Paid,No", 3, false},
        {"LIKE,Paid,No", 3, false},
        {"=,Paid} OR {Amount,No", 3, false},
        {"=,NoSuchColumn,No", 3, false},
        {"=,CustomerCode,No", 3, false},                 // a column of the source view only
        {"RANGE,Amount} OR {Paid,1,5", 99, false},
    };
    for (const Case& c : cases) {
        SetExtraFilter(2, QString::fromLatin1(c.text), c.type);
        frmList* w = WithRow(ViewId(QStringLiteral("CUSTOMERS_1")), 1);
        RightClick(w);
        EXPECT_EQ(built.split(QLatin1Char(',')).contains(QStringLiteral("Invoices")), c.offered)
            << c.text << " type " << c.type;
        Unload(w);
    }
}

// ---------------------------------------------------------------- opening a linked view

TEST_F(ListWindowLinkedViewsTest, TheLinkedViewOpensFilteredToTheRowWithEachFilterForm)
{
    const QString firstDate = Value("SELECT MIN(OrderDate) FROM Orders");
    const QString lastDate = Value("SELECT MAX(OrderDate) FROM Orders");
    // A customer with an unpaid invoice and an order that is not cancelled.
    const QString customer = Value("SELECT CustomerID FROM Orders WHERE Status <> 'Cancelled' AND CustomerID IN "
                                   "(SELECT CustomerID FROM Invoices WHERE Paid = 0) "
                                   "GROUP BY CustomerID ORDER BY COUNT(*) DESC, CustomerID LIMIT 1");
    const QString order = Value("SELECT MIN(OrderID) FROM Orders WHERE Status <> 'Cancelled' AND CustomerID = " + customer);
    const QString invoice = Value("SELECT MIN(InvoiceID) FROM Invoices WHERE CustomerID = " + customer);
    const QString invoiceOrder = Value("SELECT OrderID FROM Invoices WHERE InvoiceID = " + invoice);
    ASSERT_NE(invoice, "<null>");
    struct Case {
        const char* view;
        QString row;
        const char* entry;
        const char* target;
        QString filter;
        QString count;  // rows the linked view lists
    };
    const Case cases[] = {
        // One relation column; extra filter type 3 whose value comes from a query.
        {"CUSTOMERS_1", customer, "Orders", "ORDERS_1",
         "WHERE ( ( {CustomerID} = '" + customer + "' ) AND ( {OrderDate} >= '" + firstDate + "' ) ) ",
         Value("SELECT COUNT(*) FROM Orders WHERE CustomerID = " + customer)},
        // Extra filter type 3 with a literal value.
        {"CUSTOMERS_1", customer, "Invoices", "INVOICES_1",
         "WHERE ( ( {CustomerID} = '" + customer + "' ) AND ( {Paid} = 'No' ) ) ",
         Value("SELECT COUNT(*) FROM Invoices WHERE Paid = 0 AND CustomerID = " + customer)},
        // No extra filter: one blank before the closing parenthesis.
        {"ORDERS_1", order, "Customers", "CUSTOMERS_1", "WHERE ( ( {CustomerID} = '" + customer + "' ) ) ",
         QStringLiteral("1")},
        // Two relation columns and a RANGE of literals: two blanks before the parenthesis.
        {"ORDERS_1", order, "Order Lines", "ORDERLINES_1",
         "WHERE ( ( {OrderID} = '" + order + "' ) AND ( {CustomerID} = '" + customer +
             "' ) AND ( {Quantity} >= '1' AND {Quantity} <= '100000' )  ) ",
         Value("SELECT COUNT(*) FROM OrderLines WHERE OrderID = " + order)},
        // A RANGE from a query.
        {"INVOICES_1", invoice, "Orders", "ORDERS_1",
         "WHERE ( ( {OrderID} = '" + invoiceOrder + "' ) AND ( {OrderDate} >= '" + firstDate +
             "' AND {OrderDate} <= '" + lastDate + "' ) ) ",
         QStringLiteral("1")},
    };
    for (const Case& c : cases) {
        frmList* source = WithRow(ViewId(QString::fromLatin1(c.view)), c.row.toInt());
        frmList* linked = RightClick(source, QString::fromLatin1(c.entry));
        ASSERT_NE(linked, nullptr) << c.view << " -> " << c.entry;
        EXPECT_EQ(linked->ViewID(), ViewId(QString::fromLatin1(c.target)));
        EXPECT_EQ(linked->InitialFilter(), c.filter) << c.view << " -> " << c.entry;
        EXPECT_EQ(QString::number(linked->ListView()->RecordCount()), c.count) << c.view << " -> " << c.entry;
        EXPECT_GT(linked->ListView()->RecordCount(), 0) << c.view << " -> " << c.entry;
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        Unload(linked);
        Unload(source);
    }
}

TEST_F(ListWindowLinkedViewsTest, ValuesWithApostrophesAreDoubledAndListTheRightRows)
{
    // The customer named O'Brien ... with the most orders.
    const QString row = Value("SELECT c.CustomerID || '|' || c.Name FROM Customers c JOIN Orders o ON "
                              "o.CustomerID = c.CustomerID WHERE c.Name LIKE 'O''Brien%' GROUP BY c.CustomerID "
                              "ORDER BY COUNT(*) DESC LIMIT 1");
    ASSERT_NE(row, "<none>");
    const QString id = row.section(QLatin1Char('|'), 0, 0);
    const QString name = row.section(QLatin1Char('|'), 1);
    QString doubled = name;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));

    frmList* source = WithRow(ViewId(QStringLiteral("CUSTOMERS_2")), id.toInt());
    frmList* linked = RightClick(source, QStringLiteral("Orders by Sales Rep"));
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->InitialFilter(), "WHERE ( ( {CustomerName} = '" + doubled + "' ) ) ");
    const QString count = Value("SELECT COUNT(*) FROM Orders o JOIN Customers c ON c.CustomerID = o.CustomerID "
                                "WHERE c.Name = '" + doubled + "'");
    EXPECT_EQ(QString::number(linked->ListView()->RecordCount()), count);
    EXPECT_GT(count.toInt(), 0);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
    Unload(linked);

    // The extra filter's value and a range's low and high are doubled too; a value that
    // tries to end its literal stays a value.
    struct Case {
        const char* text;
        int type;
        const char* clause;
    };
    const Case cases[] = {
        {"=,CustomerName,x'; DELETE FROM Orders; --", 3, " AND ( {CustomerName} = 'x''; DELETE FROM Orders; --' )"},
        {"RANGE,CustomerName,A'a,O'Z", 99, " AND ( {CustomerName} >= 'A''a' AND {CustomerName} <= 'O''Z' )"},
    };
    const QString orders = Value("SELECT COUNT(*) FROM Orders");
    for (const Case& c : cases) {
        SetExtraFilter(8, QString::fromLatin1(c.text), c.type);
        frmList* again = WithRow(ViewId(QStringLiteral("CUSTOMERS_2")), id.toInt());
        linked = RightClick(again, QStringLiteral("Orders by Sales Rep"));
        ASSERT_NE(linked, nullptr) << c.text;
        EXPECT_EQ(linked->InitialFilter(),
                  "WHERE ( ( {CustomerName} = '" + doubled + "' )" + QString::fromLatin1(c.clause) + " ) ");
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        Unload(linked);
        Unload(again);
    }
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Orders"), orders);
}

// A value the database's code page holds goes as '...', which a varchar column
// is compared with as it is; one with a character outside it as N'...', so that
// it does not reach the server as "?". Either lists the customer's orders.
TEST_F(ListWindowLinkedViewsTest, ALinksValueIsWrittenForTheDatabasesCodePage)
{
    const QString id = Value("SELECT MIN(CustomerID) FROM Orders");
    struct Case {
        QString name;
        QString literal;
    };
    const Case cases[] = {
        {QStringLiteral("Z\u00fcrich Trading"), QStringLiteral("'Z\u00fcrich Trading'")},
        {QStringLiteral("\u0141\u00f3d\u017a O'Brien"), QStringLiteral("N'\u0141\u00f3d\u017a O''Brien'")},
    };
    for (const Case& c : cases) {
        Exec("UPDATE Customers SET Name = " + QuoteSQLString(Variant(c.name)) + " WHERE CustomerID = " + id);
        frmList* source = WithRow(ViewId(QStringLiteral("CUSTOMERS_2")), id.toInt());
        frmList* linked = RightClick(source, QStringLiteral("Orders by Sales Rep"));
        ASSERT_NE(linked, nullptr) << qPrintable(c.name);
        EXPECT_TRUE(linked->InitialFilter().startsWith("WHERE ( ( {CustomerName} = " + c.literal + " )"))
            << qPrintable(linked->InitialFilter());
        EXPECT_EQ(QString::number(linked->ListView()->RecordCount()),
                  Value("SELECT COUNT(*) FROM Orders WHERE CustomerID = " + id));
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        Unload(linked);
        Unload(source);
    }
}

TEST_F(ListWindowLinkedViewsTest, AStoredQueryOfAnExtraFilterCannotWrite)
{
    const QString orders = Value("SELECT COUNT(*) FROM Orders");
    const QString customer = Value("SELECT MIN(CustomerID) FROM Orders");
    struct Case {
        const char* text;
        int type;
    };
    const Case cases[] = {
        {">=,OrderDate,SELECT MIN(OrderDate) FROM Orders; DELETE FROM Orders", 3},
        {"RANGE,OrderDate,DELETE FROM Orders WHERE OrderID IN (SELECT OrderID FROM Orders)", 99},
        {"RANGE,OrderDate,SELECT MIN(OrderDate), MAX(OrderDate) FROM Orders; UPDATE Orders SET Status = 'x'", 99},
    };
    for (const Case& c : cases) {
        SetExtraFilter(1, QString::fromLatin1(c.text), c.type);
        frmList* source = WithRow(ViewId(QStringLiteral("CUSTOMERS_1")), customer.toInt());
        boxes.clear();
        EXPECT_EQ(RightClick(source, QStringLiteral("Orders")), nullptr) << c.text;
        // The refusal ends in the standard error box; the source window stays.
        ASSERT_EQ(boxes.size(), 1u) << c.text;
        EXPECT_TRUE(boxes[0].prompt.startsWith(QLatin1Char('('))) << qPrintable(boxes[0].prompt);
        EXPECT_TRUE(IsFormLoaded(source));
        Unload(source);
    }
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Orders"), orders);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Orders WHERE Status = 'x'"), "0");
}

TEST_F(ListWindowLinkedViewsTest, ColumnsTheLinkedViewDoesNotFilterOnAreNamedAndNothingOpens)
{
    auto setFilterable = [this](const char* column, int on) {
        Exec(QStringLiteral("UPDATE LdViewColumns SET Filterable = %1 WHERE ViewID = 4 AND BaseColumnID = "
                            "(SELECT ColumnID FROM LdBaseColumns WHERE BaseID = 11 AND ColumnName = '%2')")
                 .arg(on)
                 .arg(QLatin1String(column)));
    };
    struct Case {
        std::vector<const char*> off;
        const char* names;
    };
    const Case cases[] = {
        {{"OrderDate"}, "Order Date"},                     // the extra filter's column, by name
        {{"CustomerID"}, "Customer No"},                   // the relation column, by id
        {{"CustomerID", "OrderDate"}, "Customer No, Order Date"},
    };
    for (const Case& c : cases) {
        for (const char* column : {"CustomerID", "OrderDate"})
            setFilterable(column, -1);
        for (const char* column : c.off)
            setFilterable(column, 0);
        frmList* source = WithRow(ViewId(QStringLiteral("CUSTOMERS_1")), 1);
        boxes.clear();
        EXPECT_EQ(RightClick(source, QStringLiteral("Orders")), nullptr);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].prompt, QStringLiteral("The following columns aren't selected filters in the destination "
                                                  "view:\r\n\r\n - ") +
                                       QString::fromLatin1(c.names));
        EXPECT_EQ(boxes[0].icon(), vbExclamation);
        EXPECT_EQ(boxes[0].title, App().title);
        EXPECT_TRUE(IsFormLoaded(source));
        Unload(source);
    }
}

TEST_F(ListWindowLinkedViewsTest, TheUsersChoiceKeepsTheSourceWindowOrReplacesIt)
{
    struct Case {
        const char* value;  // the user's OpeningLinkedViews
        bool keep;
    };
    const Case cases[] = {{"1", true}, {"1.0", true}, {"0", false}, {"2", false}, {"yes", false}, {"", false}};
    for (const Case& c : cases) {
        Exec(QStringLiteral("DELETE FROM LdMasterUsers; UPDATE LdMaster SET MasterValue = '%1' "
                            "WHERE MasterName = 'OpeningLinkedViews'")
                 .arg(QLatin1String(c.value)));
        frmList* source = WithRow(ViewId(QStringLiteral("ORDERS_1")),
                                  Value("SELECT MIN(OrderID) FROM Orders WHERE Status <> 'Cancelled'").toInt());
        source->move(60, 40);
        QPointer<frmList> kept(source);
        frmList* linked = RightClick(source, QStringLiteral("Customers"));
        ASSERT_NE(linked, nullptr) << c.value;
        EXPECT_EQ(kept && IsFormLoaded(kept), c.keep) << c.value;
        EXPECT_FALSE(linked->IsMainView());
        if (c.keep) {
            // Cascaded below its source.
            EXPECT_EQ(linked->pos(), source->pos() + QPoint(180 / TwipsPerPixelX(), 350 / TwipsPerPixelY()))
                << c.value;
            Unload(source);
        }
        Unload(linked);
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
    }
}

TEST_F(ListWindowLinkedViewsTest, AUserWithoutTheRightToTheLinkedViewGetsTheRefusalAndNoWindow)
{
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    frmList* source = WithRow(ViewId(QStringLiteral("CUSTOMERS_1")), 1);
    EXPECT_EQ(RightClick(source, QStringLiteral("Invoices")), nullptr);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(IsFormLoaded(source));
    // A linked view of his own My Views opens.
    boxes.clear();
    frmList* linked = RightClick(source, QStringLiteral("Orders"));
    ASSERT_NE(linked, nullptr);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

// ---------------------------------------------------------------- how ids show

TEST_F(ListWindowLinkedViewsTest, IdsShowWithoutSeparatorsWhereQuantitiesAmountsAndCountsKeepThem)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Restore {
        QLocale locale;
        ~Restore() { QLocale::setDefault(locale); }
    } restore{previous};
    // An order and its line whose ids, quantities and amounts all reach the thousands.
    Exec("INSERT INTO Customers (CustomerID, CustomerCode, Name, City, State, Phone, CreditLimit, Active, CreatedDate) "
         "VALUES (4321, 'C-IDS', 'Ids Test', 'Fresno', 'CA', '', 1000, 1, '2024-01-01 00:00:00.000')");
    Exec("INSERT INTO Products (ProductID, SKU, Name, Category, UnitPrice, UnitCost) "
         "VALUES (3456, 'SKU-IDS', 'Ids Test Part', 'Test', 10, 5)");
    Exec("INSERT INTO Orders (OrderID, OrderNumber, CustomerID, OrderDate, Status, SalesRep, LineCount, OrderTotal) "
         "VALUES (12345, 'SO-IDS', 4321, '2024-06-01 00:00:00.000', 'Open', 'Tester', 1234, 98765.5)");
    Exec("INSERT INTO OrderLines (OrderLineID, OrderID, LineNumber, ProductID, Quantity, UnitPrice, LineTotal) "
         "VALUES (23456, 12345, 1001, 3456, 1500, 10, 15000)");
    // The row id of Orders under a name that does not say so: the key alone makes it an id.
    Exec("UPDATE LdBaseColumns SET ColumnName = 'OrderKey' WHERE BaseID = 11 AND ColumnName = 'OrderID'");
    // The strip of Orders with the highest order id and the highest line count.
    for (const char* column : {"OrderKey", "LineCount"})
        Exec(QStringLiteral("INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) "
                            "VALUES (4, %1, 5, 10)")
                 .arg(BaseColumn("ORDERS_1", column)));

    frmList* orders = Open(ViewId(QStringLiteral("ORDERS_1")), QStringLiteral("WHERE ( {OrderNumber} = 'SO-IDS' )"));
    ASSERT_EQ(orders->ListView()->RowCount(), 1);
    ASSERT_TRUE(Select(orders, 12345));
    frmList* lines = RightClick(orders, QStringLiteral("Order Lines"));
    ASSERT_NE(lines, nullptr);
    // The linked view is filtered on the ids as the database gives them.
    EXPECT_TRUE(lines->InitialFilter().contains(QStringLiteral("{OrderID} = '12345'")) &&
                lines->InitialFilter().contains(QStringLiteral("{CustomerID} = '4321'")))
        << qPrintable(lines->InitialFilter());
    ASSERT_EQ(lines->ListView()->RowCount(), 1);

    const auto cell = [](frmList* w, const QString& caption) {
        for (int c = 1; c <= w->ListView()->ColumnCount(); ++c)
            if (w->ListView()->ColumnCaption(c) == caption)
                return w->ListView()->CellText(0, c);
        return QStringLiteral("<no column>");
    };
    const auto strip = [](frmList* w, const QString& caption) {
        for (int c = 1; c <= w->lvwStats()->ColumnCount(); ++c)
            if (w->lvwStats()->Column(c)->Text() == caption)
                return w->lvwStats()->Item(1)->SubItem(c - 1);
        return QStringLiteral("<no column>");
    };
    struct Case {
        frmList* window;
        const char* caption;
        bool inStrip;
        const char* shown;
    };
    const Case cases[] = {
        {orders, "Order ID", false, "12345"},   // the row id
        {orders, "Customer No", false, "4321"}, // an id by its name
        {orders, "Lines", false, "1,234"},      // a quantity
        {orders, "Order Total", false, "$98,765.50"},
        {orders, "Maximum of Order ID", true, "12345"},
        {orders, "Maximum of Lines", true, "1,234"},
        {orders, "Sum of Order Total", true, "$98,765.50"},
        {lines, "Order ID", false, "12345"},
        {lines, "Customer No", false, "4321"},
        {lines, "Product No", false, "3456"},
        {lines, "Line", false, "1001"},  // a number that names the line
        {lines, "Quantity", false, "1,500"},
        {lines, "Line Total", false, "$15,000.00"},
        {lines, "Sum of Quantity", true, "1,500"},
    };
    for (const Case& c : cases) {
        const QString caption = QString::fromLatin1(c.caption);
        EXPECT_EQ(c.inStrip ? strip(c.window, caption) : cell(c.window, caption), QString::fromLatin1(c.shown))
            << c.window->Caption().toStdString() << ": " << c.caption;
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

// Orders stored without the customer number (by a program that let it, or
// another path than the editor's OK): the links that relate rows by it stay in
// the menu, and choosing one says why it cannot open instead of listing the rows
// of an empty customer number.
TEST_F(ListWindowLinkedViewsTest, ALinkWhoseRelationColumnTheViewDoesNotShowSaysWhyAndOpensNothing)
{
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    const QString order = Value("SELECT MIN(OrderID) FROM Orders WHERE Status <> 'Cancelled'");
    const QString hidden = QStringLiteral("(SELECT ColumnID FROM LdBaseColumns WHERE BaseID = 11 AND ColumnName IN (%1))");
    struct Case {
        QString columns;  // the relation columns hidden
        const char* entry;
        QString message;
    };
    auto message = [](const QString& view, const QString& by, const QString& add) {
        return QStringLiteral("'") + view + QStringLiteral("' cannot be opened from this view: it finds its rows by ") + by +
               QStringLiteral(", which this view does not show.\r\n\r\nAdd ") + add +
               QStringLiteral(" to this view with Customize to open '") + view + QStringLiteral("'.");
    };
    const Case cases[] = {
        {"'CustomerID'", "Customers",
         message("Customers", "the column 'Customer No'", "the column")},
        {"'CustomerID'", "Order Lines",
         message("Order Lines", "the column 'Customer No'", "the column")},
        {"'CustomerID', 'OrderID'", "Order Lines",
         message("Order Lines", "the columns 'Order ID' and 'Customer No'", "the columns")},
    };
    for (const Case& c : cases) {
        Exec(QStringLiteral("UPDATE LdViewColumns SET Viewable = -1 WHERE ViewID = %1").arg(orders));
        Exec(QStringLiteral("UPDATE LdViewColumns SET Viewable = 0 WHERE ViewID = %1 AND BaseColumnID IN ")
                 .arg(orders) + hidden.arg(c.columns));
        // The view's SQL rebuilt as a store rebuilds it.
        ASSERT_TRUE(GetView(orders, 0)->Store(false));
        frmList* source = WithRow(orders, order.toInt());
        boxes.clear();
        EXPECT_EQ(RightClick(source, QString::fromLatin1(c.entry)), nullptr) << c.entry;
        EXPECT_TRUE(built.split(QLatin1Char(',')).contains(QLatin1String(c.entry))) << qPrintable(built);
        EXPECT_EQ(Prompts(boxes), QStringList{c.message}) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        EXPECT_EQ(boxes.empty() ? 0 : boxes[0].icon(), vbExclamation);
        EXPECT_EQ(ListWindows().size(), 1u);
        Unload(source);
    }
}

}  // namespace
