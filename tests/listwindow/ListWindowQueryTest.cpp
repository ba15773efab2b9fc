// Opening and querying a view in a list window: the WHERE texts of filters and
// catalogues, the filter pane's fields, the administrator test, what a window
// does when it opens, Go, Clear, the load event and the statistics strip.

#include "ListWindowTestSupport.h"

#include "platform/controls/ColumnFormat.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/ReportListView.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QTableView>
#include <QRegularExpression>

using namespace listtest;

#include <tuple>

namespace {

class ListWindowQueryTest : public ListWindowTest {
protected:
    // The references of the filter pane's fields, in the pane's order.
    static QStringList FieldReferences(FILTERLib::Filter* filter)
    {
        QStringList refs;
        static const QRegularExpression token(QStringLiteral("\\{[^}]*\\}"));
        using Op = FILTERLib::Filter::Op;
        const std::pair<Op, const char*> tries[] = {
            {Op::IsEmpty, ""}, {Op::Equals, "1"}, {Op::Equals, "2024-01-01"}, {Op::Is, "Yes"}};
        for (int k = 0; k < filter->FieldCount(); ++k) {
            QString ref;
            for (const auto& [op, value] : tries) {
                filter->ClearRows();
                if (filter->SetRow(0, k, op, QLatin1String(value)))
                    ref = token.match(filter->WhereText()).captured(0);
                if (!ref.isEmpty())
                    break;
            }
            refs << ref;
        }
        filter->ClearRows();
        return refs;
    }
};

const QString kAllViewsRestriction = QStringLiteral(" (v_Shared = 1 OR (v_CreatorID = 'jdoe' OR v_CreatorID IS NULL)) ");
const QString kMyViewsRestriction = QStringLiteral(" (ViewUser = 'jdoe' AND IsMyView = 1)");

TEST_F(ListWindowQueryTest, FilterTextsLoseEmptyLikePatternsAndFilterableTokensBecomeColumnSql)
{
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ASSERT_TRUE(IsFormLoaded(w));
    struct Case {
        QString filter;
        QString kept;   // m_strFilter afterwards
        QString where;  // the WHERE clause
    };
    const Case cases[] = {
        {QStringLiteral("WHERE ( {CustomerName} LIKE '%' AND {City} LIKE '%%' )"),
         QStringLiteral("WHERE ( {CustomerName} LIKE '' AND {City} LIKE '' )"),
         QStringLiteral("WHERE ( c.Name LIKE '' AND c.City LIKE '' )")},
        // A pattern with a value keeps its "%".
        {QStringLiteral("WHERE {CustomerName} LIKE 'A%'"), QStringLiteral("WHERE {CustomerName} LIKE 'A%'"),
         QStringLiteral("WHERE c.Name LIKE 'A%'")},
        // Phone is shown but not filterable; a token in another letter case is no token.
        {QStringLiteral("WHERE {Phone} = '1' AND {city} = 'x' AND {City} = 'x'"),
         QStringLiteral("WHERE {Phone} = '1' AND {city} = 'x' AND {City} = 'x'"),
         QStringLiteral("WHERE {Phone} = '1' AND {city} = 'x' AND c.City = 'x'")},
        // A column that filters without being shown; every occurrence is replaced.
        {QStringLiteral("WHERE {CustomerSince} >= '2024-01-01' AND {CustomerSince} < '2025-01-01'"),
         QStringLiteral("WHERE {CustomerSince} >= '2024-01-01' AND {CustomerSince} < '2025-01-01'"),
         QStringLiteral("WHERE c.CreatedDate >= '2024-01-01' AND c.CreatedDate < '2025-01-01'")},
        // A value that looks like a token stays a value, also after a doubled quote.
        {QStringLiteral("WHERE {CustomerName} = '{Active}' AND {City} = 'O''{State}' AND {State} = 'CA'"),
         QStringLiteral("WHERE {CustomerName} = '{Active}' AND {City} = 'O''{State}' AND {State} = 'CA'"),
         QStringLiteral("WHERE c.Name = '{Active}' AND c.City = 'O''{State}' AND c.State = 'CA'")},
        // An unclosed literal runs to the end of the text.
        {QStringLiteral("WHERE {State} = 'CA {City}"), QStringLiteral("WHERE {State} = 'CA {City}"),
         QStringLiteral("WHERE c.State = 'CA {City}")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(w->GetFilterWhere(c.filter), c.where) << qPrintable(c.filter);
        EXPECT_EQ(w->CurrentFilter(), c.kept) << qPrintable(c.filter);
    }
    // No filter anywhere: no WHERE clause for an ordinary view.
    w->pmFilter()->ClearRows();
    EXPECT_EQ(w->GetFilterWhere(), QString());
    EXPECT_EQ(w->CurrentFilter(), QString());
    // The filter pane's own text is taken when none is given.
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE {State} = 'CA'"), true);
    EXPECT_EQ(w->GetFilterWhere(), QStringLiteral("WHERE c.State = 'CA'"));
}

TEST_F(ListWindowQueryTest, CatalogueRestrictionsFollowTheFilterInParentheses)
{
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(IsFormLoaded(all));
    EXPECT_EQ(all->FixedWhere(), kAllViewsRestriction);
    ASSERT_TRUE(Go(all));
    // The restriction is a derived table in the FROM clause: the filter sees only its rows.
    EXPECT_TRUE(ListStatement(all).contains(QStringLiteral("FROM (SELECT * FROM LdCatalogViews WHERE") +
                                            kAllViewsRestriction + QStringLiteral(") AS LdCatalogViews")))
        << qPrintable(ListStatement(all));

    struct Case {
        QString filter;
        QString where;
    };
    const Case cases[] = {
        {QStringLiteral("WHERE ( {DisplayName} = 'A' OR {Custom} = 'Yes' )"),
         QStringLiteral("WHERE ( ( v_DisplayName = 'A' OR (CASE WHEN v_Custom <> 0 THEN 'Yes' ELSE 'No' END) = 'Yes' )"
                        "\r\n)")},
        // WHERE in any letter case after blanks and line breaks; a comment at the end stays one.
        {QStringLiteral(" \r\n where {DisplayName} = 'A' -- mine"),
         QStringLiteral("WHERE ( {DisplayName} = 'A' -- mine\r\n)").replace(QStringLiteral("{DisplayName}"),
                                                                          QStringLiteral("v_DisplayName"))},
        // A text without a leading WHERE is taken whole.
        {QStringLiteral("{DisplayName} = 'A'"), QStringLiteral("WHERE (v_DisplayName = 'A'\r\n)")},
        {QStringLiteral("WHEREVER = 1"), QStringLiteral("WHERE (WHEREVER = 1\r\n)")},
        // A complex search's own ORDER BY stays at the end, after the restriction.
        {QStringLiteral("WHERE {Custom} = 'No' ORDER BY v_DisplayName DESC -- newest"),
         QStringLiteral("WHERE ( (CASE WHEN v_Custom <> 0 THEN 'Yes' ELSE 'No' END) = 'No' \r\n)"
                        "\r\nORDER BY v_DisplayName DESC -- newest")},
        {QStringLiteral("WHERE v_ViewID IN (SELECT ViewID FROM LdViews ORDER BY ViewID)"),
         QStringLiteral("WHERE ( v_ViewID IN (SELECT ViewID FROM LdViews ORDER BY ViewID)\r\n)")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(all->GetFilterWhere(c.filter), c.where) << qPrintable(c.filter);
        EXPECT_EQ(all->CurrentFilter(), c.filter);
    }
    // Such a search lists the catalogue in its own order.
    all->pmFilter()->LoadFilter(QStringLiteral("WHERE {Custom} = 'No' ORDER BY v_DisplayName DESC -- newest"), true);
    ASSERT_TRUE(Go(all));
    EXPECT_GT(all->RecordCount(), 1);
    all->ListView()->Grid()->selectRow(0);
    EXPECT_EQ(all->ListView()->ColumnText(1),
              Value(QStringLiteral("SELECT MAX(v_DisplayName) FROM LdCatalogViews WHERE v_Custom = 0 AND (v_Shared <> 0 OR "
                                   "v_CreatorID = 'jdoe' OR v_CreatorID IS NULL)")));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    all->pmFilter()->ClearRows();
    EXPECT_EQ(all->GetFilterWhere(), QString());

    frmList* mine = OpenView(QStringLiteral("LdMyViews"));
    EXPECT_EQ(mine->FixedWhere(), kMyViewsRestriction);
    EXPECT_EQ(mine->GetFilterWhere(QStringLiteral("WHERE {Custom} = 'Yes'")),
              QStringLiteral("WHERE ( (CASE WHEN v_Custom <> 0 THEN 'Yes' ELSE 'No' END) = 'Yes'\r\n)"));
    EXPECT_TRUE(mine->ListFrom().contains(kMyViewsRestriction)) << qPrintable(mine->ListFrom());
}

TEST_F(ListWindowQueryTest, AnOrInTheFilterDoesNotReachOtherUsersViews)
{
    // Unpaid Invoices is asmith's private view; Invoices is in the My Views of admin and asmith only.
    frmList* all = OpenView(QStringLiteral("LdViews"));
    all->pmFilter()->LoadFilter(
        QStringLiteral("WHERE {DisplayName} = 'Unpaid Invoices' OR {DisplayName} = 'Customers'"), true);
    ASSERT_TRUE(Go(all));
    EXPECT_EQ(all->RecordCount(), 1);

    frmList* mine = OpenView(QStringLiteral("LdMyViews"));
    mine->pmFilter()->LoadFilter(QStringLiteral("WHERE {DisplayName} = 'Invoices' OR {DisplayName} = 'Orders'"), true);
    ASSERT_TRUE(Go(mine));
    EXPECT_EQ(mine->RecordCount(), 1);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, UserIdsGoIntoTheRestrictionsAsLiterals)
{
    g_sUserID = QStringLiteral("x' OR 'a'='a");
    frmList* all = OpenView(QStringLiteral("LdViews"));
    EXPECT_EQ(all->FixedWhere(),
              QStringLiteral(" (v_Shared = 1 OR (v_CreatorID = 'x'' OR ''a''=''a' OR v_CreatorID IS NULL)) "));
    ASSERT_TRUE(Go(all));
    EXPECT_EQ(all->RecordCount(),
              Value(QStringLiteral("SELECT COUNT(*) FROM LdCatalogViews WHERE v_Shared <> 0 OR v_CreatorID IS NULL")).toInt());
    frmList* mine = OpenView(QStringLiteral("LdMyViews"));
    ASSERT_TRUE(Go(mine));
    EXPECT_EQ(mine->RecordCount(), 0);
    EXPECT_FALSE(mine->IsAdmin());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, FilterPaneFieldsFollowFilterOrderAndKeepColumnOrderWhenEqual)
{
    Exec(QStringLiteral(
        "UPDATE LdViewColumns SET FilterOrder = CASE (SELECT ColumnName FROM LdBaseColumns b WHERE b.ColumnID = "
        "LdViewColumns.BaseColumnID) WHEN 'CustomerName' THEN 3 WHEN 'CustomerCode' THEN 1 WHEN 'CustomerID' THEN 3 "
        "WHEN 'City' THEN 1 WHEN 'State' THEN 2 WHEN 'CreditLimit' THEN 2 WHEN 'Active' THEN 1 "
        "WHEN 'CustomerSince' THEN 1 ELSE 0 END WHERE ViewID = 3"));
    frmList* w = Open(3);
    // CustomerSince comes first among the columns (it is not shown); Phone does not filter.
    EXPECT_EQ(FieldReferences(w->pmFilter()),
              (QStringList{QStringLiteral("{CustomerSince}"), QStringLiteral("{CustomerCode}"), QStringLiteral("{City}"),
                           QStringLiteral("{Active}"), QStringLiteral("{State}"), QStringLiteral("{CreditLimit}"),
                           QStringLiteral("{CustomerName}"), QStringLiteral("{CustomerID}")}));
}

TEST_F(ListWindowQueryTest, AViewWithoutFilterableColumnsHasAnEmptyFilterPane)
{
    Exec(QStringLiteral("UPDATE LdViewColumns SET Filterable = 0 WHERE ViewID = 3"));
    frmList* w = Open(3);
    EXPECT_EQ(w->pmFilter()->FieldCount(), 0);
    ASSERT_TRUE(Go(w));
    EXPECT_EQ(w->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListWindowQueryTest, ExtendedFromColumnsOfTheStartingFilterAddTheExtendedFrom)
{
    // Orders: InvoiceNumber filters through the extended FROM clause.
    const QString fromEx = QStringLiteral("LEFT JOIN Invoices xi");
    frmList* w = Open(4, QStringLiteral("WHERE ( {InvoiceNumber} IS NULL )"), nullptr, false);
    EXPECT_TRUE(ListStatement(w).contains(fromEx)) << qPrintable(ListStatement(w));
    EXPECT_TRUE(ListStatement(w).endsWith(QStringLiteral("WHERE ( xi.InvoiceNumber IS NULL )")));
    ASSERT_EQ(w->StatisticsRuns(), 1);
    EXPECT_TRUE(w->StatisticsStatement().startsWith(QStringLiteral("SELECT SUM(")));
    EXPECT_TRUE(w->StatisticsStatement().contains(fromEx)) << qPrintable(w->StatisticsStatement());

    frmList* plain = Open(4, QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr, false);
    EXPECT_FALSE(ListStatement(plain).contains(fromEx));
}

TEST_F(ListWindowQueryTest, AdministratorsAreAdminInAnyLetterCaseAndTheGroupAdmins)
{
    struct Case {
        const char* user;
        const char* password;
        const char* sessionId;  // the id as the session holds it
        bool admin;
    };
    const Case cases[] = {
        {"admin", "admin", "admin", true},   {"admin", "admin", "ADMIN", true}, {"admin", "admin", "AdMiN", true},
        {"asmith", "alice", "asmith", true}, {"asmith", "alice", "ASMITH", true},
        {"jdoe", "secret", "jdoe", false},   {"guest", "guest", "guest", false},
    };
    for (const Case& c : cases) {
        LogOnAs(QLatin1String(c.user), QLatin1String(c.password));
        g_sUserID = QLatin1String(c.sessionId);
        frmList* w = Open(6, QString(), nullptr, false);
        EXPECT_EQ(w->IsAdmin(), c.admin) << c.sessionId;
        Unload(w);
    }
}

TEST_F(ListWindowQueryTest, OpeningShowsTheHintUnlessTheViewPopulatesOrHasAFilter)
{
    // Customers: no auto populate for jdoe, no last used search: the hint, no query.
    frmList* customers = Open(3, QString(), nullptr, false);
    EXPECT_EQ(customers->Caption(), QStringLiteral("Customers"));
    EXPECT_TRUE(ListStatement(customers).isEmpty());
    EXPECT_FALSE(customers->fraMessage()->isHidden());
    EXPECT_EQ(customers->lblMessage()->text(), QStringLiteral("Click go or select search criteria to list customers."));
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
    EXPECT_FALSE(customers->chkAutoPopulate()->isChecked());
    EXPECT_FALSE(customers->chkAutoPopulate()->isHidden());
    EXPECT_EQ(customers->pmFilter()->Text(), QStringLiteral("QuickSearch"));

    // Products: auto populate is on for jdoe (though not in his My Views): runs at once.
    frmList* products = Open(6, QString(), nullptr, false);
    EXPECT_TRUE(products->chkAutoPopulate()->isChecked());
    EXPECT_EQ(products->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Products")).toInt());
    EXPECT_TRUE(products->fraMessage()->isHidden());

    // A starting filter runs at once.
    frmList* ca = Open(3, QStringLiteral("WHERE ( {State} = 'CA' )"), nullptr, false);
    EXPECT_EQ(ca->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE State = 'CA'")).toInt());
    EXPECT_EQ(ca->CurrentFilter(), QStringLiteral("WHERE ( {State} = 'CA' )"));

    // Orders: the last used search (found by its ViewFilterID) is restored and run.
    frmList* orders = Open(4, QString(), nullptr, false);
    EXPECT_EQ(orders->pmFilter()->Text(), QStringLiteral("Open Orders"));
    EXPECT_EQ(orders->CurrentFilter(), QStringLiteral("WHERE ( {Status} = 'Open' )"));
    EXPECT_EQ(orders->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE Status = 'Open'")).toInt());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, ToolbarButtonsShowByWindowKind)
{
    struct Case {
        const char* view;
        bool mainView;
        QStringList hidden;
        bool autoPopulateBox;
    };
    const Case cases[] = {
        {"LdViews", true, {}, false},
        {"LdMyViews", true, {QStringLiteral("ADD")}, false},
        {"CUSTOMERS_1", false,
         {QStringLiteral("SEP1"), QStringLiteral("NEW"), QStringLiteral("DELETE"), QStringLiteral("OPEN"),
          QStringLiteral("ADD")},
         true},
    };
    const QStringList keys = {QStringLiteral("NEW"),    QStringLiteral("OPEN"),   QStringLiteral("DELETE"),
                              QStringLiteral("SEP1"),   QStringLiteral("CUSTOMIZE"), QStringLiteral("ADD"),
                              QStringLiteral("EXPORT"), QStringLiteral("SEP2"),   QStringLiteral("REFRESH"),
                              QStringLiteral("CLOSE")};
    for (const Case& c : cases) {
        frmList* w = OpenView(QLatin1String(c.view), QString(), c.mainView);
        for (const QString& key : keys)
            EXPECT_EQ(w->Button(key)->isVisible(), !c.hidden.contains(key)) << c.view << " " << qPrintable(key);
        EXPECT_EQ(!w->chkAutoPopulate()->isHidden(), c.autoPopulateBox) << c.view;
        // New whenever shown (a hidden action counts as disabled); Customize, like Export, while the list has rows.
        EXPECT_EQ(w->Button(QStringLiteral("NEW"))->isEnabled(), !c.hidden.contains(QStringLiteral("NEW"))) << c.view;
        EXPECT_EQ(w->Button(QStringLiteral("CUSTOMIZE"))->isEnabled(), w->Button(QStringLiteral("EXPORT"))->isEnabled());
    }
}

TEST_F(ListWindowQueryTest, AViewThatCannotBeShownClosesItsWindowAndStoresNothing)
{
    for (int32_t id : {0, -4, 9999}) {
        auto* w = new frmList;
        w->Init(id);
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbHourglass));
        Show(w);
        EXPECT_FALSE(IsFormLoaded(w)) << id;
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
        EXPECT_TRUE(w->ListView()->Statement().isEmpty());
    }
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("LastUsedFilter")).isEmpty());
    QFile registry(RegistryStore::FilePath());
    const QString stored = registry.open(QIODevice::ReadOnly) ? QString::fromUtf8(registry.readAll()) : QString();
    EXPECT_FALSE(stored.contains(QStringLiteral("ToolbarShowText"))) << qPrintable(stored);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

// A catalogue offers New, Customize and Delete only to a user whose rights to it let
// them through; Customize and Delete also wait for rows.
TEST_F(ListWindowQueryTest, CatalogueCommandsFollowTheUsersRightsAsWellAsTheRecordCount)
{
    // guest may only look at My Views; one view there gives the catalogue a row.
    Exec(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (3, 'guest', 1, 0)"));
    struct Case {
        const char* user;
        const char* password;
        const char* catalogue;
        bool create, edit, remove;
    };
    const Case cases[] = {
        {"jdoe", "secret", "LdViews", true, false, false},  // View and Create only
        {"jdoe", "secret", "LdMyViews", true, true, true},
        {"guest", "guest", "LdMyViews", false, false, false},
        {"admin", "admin", "LdViews", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.catalogue);
        LogOnAs(QString::fromLatin1(c.user), QString::fromLatin1(c.password));
        frmList* w = Open(ViewId(QLatin1String(c.catalogue)), QString(), nullptr, true);
        EXPECT_EQ(w->Button(QStringLiteral("NEW"))->isEnabled(), c.create);  // before anything is listed
        ASSERT_TRUE(Go(w));
        ASSERT_GT(w->RecordCount(), 0);
        EXPECT_TRUE(w->Button(QStringLiteral("OPEN"))->isEnabled());
        EXPECT_EQ(w->Button(QStringLiteral("NEW"))->isEnabled(), c.create);
        EXPECT_EQ(w->Button(QStringLiteral("CUSTOMIZE"))->isEnabled(), c.edit);
        EXPECT_EQ(w->Button(QStringLiteral("DELETE"))->isEnabled(), c.remove);
        Unload(w);
    }
}

TEST_F(ListWindowQueryTest, GoClearAndTheLoadEventFollowTheRecordCount)
{
    frmList* w = Open(3, QString(), nullptr, true);
    const QStringList countButtons = {QStringLiteral("OPEN"), QStringLiteral("ADD"), QStringLiteral("EXPORT")};
    // Nothing listed yet: the commands on listed rows wait for rows.
    for (const QString& key : countButtons + QStringList{QStringLiteral("CUSTOMIZE"), QStringLiteral("DELETE")})
        EXPECT_FALSE(w->Button(key)->isEnabled()) << qPrintable(key);

    ASSERT_TRUE(Go(w));
    const int customers = Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt();
    EXPECT_EQ(w->RecordCount(), customers);
    EXPECT_TRUE(w->fraMessage()->isHidden());
    for (const QString& key : countButtons)
        EXPECT_TRUE(w->Button(key)->isEnabled()) << qPrintable(key);
    EXPECT_FALSE(w->Button(QStringLiteral("CUSTOMIZE"))->isEnabled());  // jdoe has no Edit right
    EXPECT_FALSE(w->Button(QStringLiteral("DELETE"))->isEnabled());     // nor a Delete right
    ASSERT_EQ(w->lvwStats()->ItemCount(), 1);
    EXPECT_EQ(w->lvwStats()->Item(1)->SubItem(1), FormatCount(customers));
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));

    // Nothing found: the frame shows (with the hint's text, which nothing put back).
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE c.Name = 'nobody at all'"), true);
    ASSERT_TRUE(Go(w));
    EXPECT_EQ(w->RecordCount(), 0);
    EXPECT_FALSE(w->fraMessage()->isHidden());
    EXPECT_EQ(w->lblMessage()->text(), QStringLiteral("Click go or select search criteria to list customers."));
    for (const QString& key : countButtons)
        EXPECT_FALSE(w->Button(key)->isEnabled()) << qPrintable(key);
    EXPECT_EQ(w->lvwStats()->Item(1)->SubItem(1), QStringLiteral("0"));

    // Clear empties the rows and the list; nothing is queried and the filter text stays.
    const QString statement = ListStatement(w);
    TakeStatements();
    w->cmdClear_Click();
    EXPECT_FALSE(w->pmFilter()->CanSave());
    EXPECT_EQ(w->ListView()->RowCount(), 0);
    EXPECT_EQ(w->CurrentFilter(), QStringLiteral("WHERE c.Name = 'nobody at all'"));
    EXPECT_FALSE(w->fraMessage()->isHidden());
    EXPECT_EQ(ListStatement(w), statement);
    EXPECT_TRUE(TakeStatements().isEmpty());

    // Go after Clear lists everything again and keeps the selected row.
    ASSERT_TRUE(Go(w));
    ASSERT_TRUE(Select(w, 7));
    ASSERT_TRUE(Go(w));
    EXPECT_TRUE(WaitFor([w] { return w->ListView()->SelectedID() == 7; }));
}

TEST_F(ListWindowQueryTest, StatisticsStripShowsTheCountAndTheColumnFunctions)
{
    frmList* orders = Open(4, QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr, false);
    ReportListView* strip = orders->lvwStats();
    ASSERT_EQ(strip->ColumnCount(), 5);
    EXPECT_EQ(strip->Column(1)->Text(), QStringLiteral("ID"));
    EXPECT_EQ(strip->Column(1)->Width(), 0);
    EXPECT_EQ(strip->Column(2)->Text(), QStringLiteral("Record Count"));
    EXPECT_NEAR(strip->Column(2)->Width(), 2000, TwipsPerPixelX());
    EXPECT_EQ(strip->Column(3)->Text(), QStringLiteral("Sum of Order Total"));
    EXPECT_EQ(strip->Column(4)->Text(), QStringLiteral("Average of Order Total"));
    EXPECT_EQ(strip->Column(5)->Text(), QStringLiteral("Count of Order Number"));
    const int share = static_cast<int>(strip->WidthTwips() / 3 * 0.8);
    for (int i = 3; i <= 5; ++i)
        EXPECT_NEAR(strip->Column(i)->Width(), share, TwipsPerPixelX()) << i;
    ASSERT_EQ(strip->ItemCount(), 1);
    ListItem* row = strip->Item(1);
    EXPECT_EQ(row->Key(), QStringLiteral("ID1"));
    EXPECT_EQ(row->Text(), QString());
    const QStringList expected =
        Rows(QStringLiteral("SELECT COUNT(*), SUM(OrderTotal), AVG(OrderTotal), COUNT(OrderNumber) FROM Orders "
                            "WHERE Status = 'Open'"))
            .first()
            .split(QLatin1Char('|'));
    EXPECT_EQ(row->SubItem(1), FormatCount(expected[0].toLongLong()));
    EXPECT_EQ(row->SubItem(2), QLocale().toCurrencyString(expected[1].toDouble()));
    EXPECT_EQ(row->SubItem(3), QLocale().toCurrencyString(expected[2].toDouble()));
    EXPECT_EQ(row->SubItem(4), FormatCount(expected[3].toLongLong()));

    // Nothing selected: a money total of null is zero, a null of another type an empty cell.
    frmList* sales = Open(8, QStringLiteral("WHERE {Quantity} < 0"), nullptr, false);
    ListItem* empty = sales->lvwStats()->Item(1);
    EXPECT_EQ(sales->lvwStats()->Column(3)->Text(), QStringLiteral("Sum of Line Total"));
    EXPECT_EQ(empty->SubItem(2), QLocale().toCurrencyString(0.0));
    EXPECT_EQ(sales->lvwStats()->Column(4)->Text(), QStringLiteral("Maximum of Quantity"));
    EXPECT_EQ(empty->SubItem(3), QString());
    EXPECT_EQ(empty->SubItem(1), QStringLiteral("0"));

    // A view without column functions: the count alone, and no statistics query.
    TakeStatements();
    frmList* customers = Open(3, QStringLiteral("WHERE ( {State} = 'CA' )"), nullptr, false);
    EXPECT_EQ(customers->lvwStats()->ColumnCount(), 2);
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("SELECT ")).filter(QStringLiteral("FROM Customers c")).isEmpty());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, NumbersShowByTheColumnsTypeAndTheUsersLocaleTheSameInTheListAndTheStrip)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct Restore {
        QLocale locale;
        ~Restore() { QLocale::setDefault(locale); }
    } restore{previous};

    frmList* orders = Open(4, QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr, false);
    eListView* list = orders->ListView();
    int total = 0, lines = 0, date = 0;
    for (int c = 1; c <= list->ColumnCount(); ++c) {
        total = list->ColumnCaption(c) == QLatin1String("Order Total") ? c : total;
        lines = list->ColumnCaption(c) == QLatin1String("Lines") ? c : lines;
        date = list->ColumnCaption(c) == QLatin1String("Order Date") ? c : date;
    }
    ASSERT_TRUE(total > 0 && lines > 0 && date > 0);
    const QLocale de;
    for (int row = 0; row < 5; ++row) {
        const QStringList db = Rows(QStringLiteral("SELECT OrderTotal, LineCount, OrderDate FROM Orders WHERE OrderID = %1")
                                        .arg(list->RowID(row)))
                                   .first()
                                   .split(QLatin1Char('|'));
        EXPECT_EQ(list->CellText(row, total), de.toCurrencyString(db[0].toDouble())) << row;
        EXPECT_EQ(list->CellText(row, lines), de.toString(db[1].toLongLong())) << row;
        // The date as German settings write it, the time (if any) to the second.
        const QDate day = QDate::fromString(db[2].left(10), QStringLiteral("yyyy-MM-dd"));
        const QTime time = QTime::fromString(db[2].mid(11, 8), QStringLiteral("HH:mm:ss"));
        QString german = day.toString(QStringLiteral("dd.MM.yyyy"));
        if (time.isValid() && time != QTime(0, 0))
            german += time.toString(QStringLiteral(" HH:mm:ss"));
        EXPECT_EQ(list->CellText(row, date), german) << qPrintable(db[2]);
        EXPECT_FALSE(list->CellText(row, date).contains(QLatin1String(".000"))) << row;
        // The grid shows that text.
        const QModelIndex cell = list->Grid()->model()->index(row, total - 1);
        EXPECT_EQ(cell.data().toString(), list->CellText(row, total)) << row;
    }
    // The strip: the same currency text and separators.
    const QStringList sums = Rows(QStringLiteral("SELECT SUM(OrderTotal), COUNT(*) FROM Orders WHERE Status = 'Open'"))
                                 .first()
                                 .split(QLatin1Char('|'));
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(2), de.toCurrencyString(sums[0].toDouble()));
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(1), de.toString(sums[1].toLongLong()));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, TheStatisticsWaitForTheFirstRowsAndOnlyTheLastQuerysRun)
{
    frmList* orders = Open(4, QString(), nullptr, false);
    int taken = 0;
    // The statistics queries started since the last call.
    const auto statistics = [&] {
        const int n = orders->StatisticsRuns() - taken;
        taken = orders->StatisticsRuns();
        return n;
    };
    ASSERT_TRUE(Go(orders));
    statistics();

    // When the first rows arrive the aggregate has not run yet: it never holds them back.
    int sentBeforeRows = -1;
    QMetaObject::Connection c = QObject::connect(orders->ListView(), &eListView::FirstRowsShown,
                                                 [&] { sentBeforeRows = statistics(); });
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Open' )"), false);
    ASSERT_TRUE(Go(orders));
    QObject::disconnect(c);
    EXPECT_EQ(sentBeforeRows, 0);
    EXPECT_TRUE(WaitFor([&] { return statistics() == 1; }));

    // Two runs in a row: the first one's statistics are dropped with its rows.
    ASSERT_TRUE(Loads(orders, [orders] {
        orders->RefreshList(-1);
        orders->RefreshList(-1);
    }));
    QTest::qWait(50);
    EXPECT_EQ(statistics(), 1);
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(1),
              Value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE Status = 'Open'")));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowQueryTest, ASecondStatementInAComplexSearchIsRefusedByTheListAndTheStatistics)
{
    const QString views = Value(QStringLiteral("SELECT COUNT(*) FROM LdViews"));
    frmList* orders = Open(4, QString(), nullptr, false);
    boxes.clear();
    orders->pmFilter()->SetText(QStringLiteral("QuickSearch"));
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE 1 = 1; DELETE FROM LdViews"), true);
    ASSERT_TRUE(Go(orders));
    EXPECT_EQ(orders->RecordCount(), 0);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")), views);
    // The statistics name the search; the list reports the database's refusal.
    const QStringList prompts = Prompts(boxes);
    EXPECT_TRUE(prompts.contains(QStringLiteral("The list failed on the selected filter 'QuickSearch'.  Try recreating "
                                                "the filter and saving it as a 'complex filter'.")))
        << qPrintable(prompts.join(QStringLiteral(" | ")));
    EXPECT_EQ(prompts.size(), 2) << qPrintable(prompts.join(QStringLiteral(" | ")));
    for (const MessageBoxRequest& b : boxes) {
        EXPECT_EQ(b.title, QStringLiteral("Attention Required"));
        EXPECT_EQ(b.icon(), static_cast<int>(vbExclamation));
    }

    // Without a search name the statistics show the error's own description.
    boxes.clear();
    orders->pmFilter()->SetText(QString());
    orders->RefreshStatistics(false, QStringLiteral("WHERE 1 = 1; UPDATE LdViews SET DisplayName = 'x'"));
    ASSERT_TRUE(WaitFor([&] { return !orders->StatisticsPending(); }));
    QTest::qWait(20);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.indexOf(QStringLiteral("single query")), -1) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE DisplayName = 'x'")), QStringLiteral("0"));
}

}  // namespace
