// The saved-searches menu of the list window on the demo company: its items and
// their enabling, applying a search, Save, Save As, Edit and Delete through the
// search name dialog, the two forms of names, the last used search coming back
// by its row id, and failed stores.

#include "SearchTestSupport.h"

#include "base/AuUtilities.h"
#include "db/Schema.h"
#include "listwindow/frmListSearchName.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/ReportListView.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <sqlite3.h>

using namespace listtest;

namespace {

const QStringList kCommandCaptions = {QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral("Edit"),
                                      QStringLiteral("Delete"), QStringLiteral("-")};

class SearchesTest : public SearchMenuTest {
protected:
    // Makes a demo search another user saved one of jdoe's, the user of these
    // tests, so that jdoe may save over, edit and delete it.
    void MakeJdoes(const QString& name)
    {
        Exec(QStringLiteral("UPDATE LdViewFilters SET CreatorID = 'jdoe' WHERE FilterName = '%1'").arg(name));
    }
    QStringList SearchColumns(int32_t searchId)
    {
        return Rows(QStringLiteral("SELECT bc.ColumnName FROM LdViewFilterColumns fc INNER JOIN LdBaseColumns bc ON "
                                   "bc.ColumnID = fc.BaseColumnID WHERE fc.ViewFilterID = %1 ORDER BY bc.ColumnName")
                        .arg(searchId));
    }
    QString LastUsed(int32_t viewId)
    {
        return Value(QStringLiteral("SELECT LastUsedFilter FROM LdViews WHERE ViewID = %1").arg(viewId));
    }
    static int32_t CurrentSearchID(frmList* w)
    {
        const int16_t i = w->GetCurrentSearchIndex();
        return i > 0 ? w->View()->Filters()->Item(Variant(int32_t(i)))->ViewFilterID() : 0;
    }
};

TEST_F(SearchesTest, TheMenuListsTheCommandsThenTheViewsSearchesInDisplayForm)
{
    frmList* products = OpenView(QStringLiteral("PRODUCTS_1"));
    EXPECT_EQ(Captions(products), kCommandCaptions);

    frmList* customers = OpenView(QStringLiteral("CUSTOMERS_1"));
    const QStringList searches = {QStringLiteral("California Customers"), QStringLiteral("O'Brien Customers")};
    EXPECT_EQ(Captions(customers), kCommandCaptions + searches);
    const QStringList keys = {QStringLiteral("SAVE"), QStringLiteral("SAVE_AS"), QStringLiteral("EDIT"),
                              QStringLiteral("DELETE"), QStringLiteral("SEP"), QStringLiteral("ID1"),
                              QStringLiteral("ID2")};
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_EQ(customers->mbSearches()->Key(i), keys[i]);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, TheCommandsAreEnabledByTheCurrentSearch)
{
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    frmList* customers = OpenView(QStringLiteral("CUSTOMERS_1"));
    struct Case {
        const char* what;
        std::function<void()> setUp;
        frmList* window;
        const char* enabled;  // Save, Save As, Edit, Delete
    };
    const Case cases[] = {
        {"the unsaved search without a complete row", [] {}, customers, "0000"},
        {"the unsaved search with a complete row",
         [&] { customers->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {State} = 'CA' )"), false); }, customers,
         "0100"},
        {"a simple saved search", [&] { ChooseSearch(orders, QStringLiteral("Big Orders")); }, orders, "1111"},
        {"a complex saved search", [&] { ChooseSearch(orders, QStringLiteral("Not Yet Invoiced")); }, orders, "0111"},
        // Another user's shared searches can only be saved under a new name.
        {"another user's shared search", [&] { ChooseSearch(orders, QStringLiteral("Open Orders")); }, orders, "0100"},
        {"another user's shared complex search",
         [&] { ChooseSearch(orders, QStringLiteral("Large Lines in 2024")); }, orders, "0100"},
        {"a saved search again", [&] { ChooseSearch(orders, QStringLiteral("Big Orders")); }, orders, "1111"},
    };
    for (const Case& c : cases) {
        c.setUp();
        EXPECT_EQ(Kinds(Enabled(c.window)), QLatin1String(c.enabled)) << c.what;
    }
}

TEST_F(SearchesTest, ThePaneShowsTheCurrentSearchsNameAndClearLeavesNoSearchCurrent)
{
    // The last used search comes back, named over the rows.
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    const auto shownName = [](frmList* w) { return w->lblSearchName()->isVisible() ? w->lblSearchName()->text() : QString(); };
    EXPECT_EQ(shownName(orders), QStringLiteral("Search: Open Orders"));
    // The name sits above the first row, inside the filter pane.
    EXPECT_LE(orders->lblSearchName()->geometry().bottom(), orders->pmFilter()->y() + TwipsToPixelsY(225));
    EXPECT_GT(orders->lblSearchName()->height(), 0);
    ChooseSearch(orders, QStringLiteral("Big Orders"));
    EXPECT_EQ(shownName(orders), QStringLiteral("Search: Big Orders"));
    // A stored "~" shows as the apostrophe it stands for.
    frmList* customers = OpenView(QStringLiteral("CUSTOMERS_1"));
    ChooseSearch(customers, QStringLiteral("O'Brien Customers"));
    EXPECT_EQ(shownName(customers), QStringLiteral("Search: O'Brien Customers"));

    // Clear: no saved search is current, so Save cannot overwrite "Big Orders" unseen.
    const QStringList before = StoredSearches(4);
    orders->cmdClear_Click();
    EXPECT_EQ(shownName(orders), QString());
    EXPECT_EQ(orders->pmFilter()->Text(), QStringLiteral("QuickSearch"));
    EXPECT_EQ(orders->GetCurrentSearchIndex(), 0);
    EXPECT_EQ(Kinds(Enabled(orders)), QStringLiteral("0000"));
    ASSERT_TRUE(orders->pmFilter()->SetRow(0, 0, FILTERLib::Filter::Op::Equals, QStringLiteral("SO-0000007")));
    EXPECT_EQ(Kinds(Enabled(orders)), QStringLiteral("0100"));
    TakeStatements();
    Command(orders, "SAVE", false);
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("LdViewFilter")).isEmpty());
    EXPECT_EQ(StoredSearches(4), before);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, TheSearchsNameSaysWhenThePaneNoLongerHoldsItAsSavedUntilItIsAgain)
{
    MakeJdoes(QStringLiteral("Open Orders"));
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    FILTERLib::Filter* pane = orders->pmFilter();
    QLabel* label = orders->lblSearchName();
    const QString saved = StoredSearches(4).first();
    const auto expectUnchanged = [&](const QString& name, const char* when) {
        EXPECT_EQ(label->text(), QStringLiteral("Search: ") + name) << when;
        EXPECT_EQ(label->toolTip(), name) << when;
        EXPECT_EQ(pane->Text(), name) << when;
    };
    expectUnchanged(QStringLiteral("Open Orders"), "opened");
    const int total = FilterField(pane, QStringLiteral("{OrderTotal}"));
    const int orderDate = FilterField(pane, QStringLiteral("{OrderDate}"));
    ASSERT_TRUE(total >= 0 && orderDate >= 0);
    expectUnchanged(QStringLiteral("Open Orders"), "fields looked up");

    const auto answered = [this, orders](const char* key, const QString& name) {
        DialogDriver driver(QStringLiteral("frmListSearchName"), Answer(name, true, false));
        Command(orders, key, true);
        EXPECT_TRUE(driver.Ran()) << key;
    };
    using Op = FILTERLib::Filter::Op;
    struct Case {
        const char* name;
        int field;
        Op op;
        QString value1, value2;
        bool refused;  // the pane refuses the value: nothing runs
        std::function<void(int row)> backToSaved;
        const char* current;  // the search current afterwards
        bool stores;          // the way back stores the change
    };
    const Case cases[] = {
        {"a row added, then removed and the search run", total, Op::GreaterOrEqual, QStringLiteral("500"), QString(),
         false,
         [&](int row) {
             pane->RemoveRow(row);
             ASSERT_TRUE(Go(orders));
         },
         "Open Orders", false},
        {"a refused date range, then the search chosen again", orderDate, Op::Between, QStringLiteral("24-01-05x"),
         QStringLiteral("2024-12-31"), true, [&](int) { ChooseSearch(orders, QStringLiteral("Open Orders")); },
         "Open Orders", false},
        {"a row added, then saved", total, Op::GreaterOrEqual, QStringLiteral("500"), QString(), false,
         [&](int) { Command(orders, "SAVE", true); }, "Open Orders", true},
        {"a row added, then edited", total, Op::LessOrEqual, QStringLiteral("90000"), QString(), false,
         [&](int) { answered("EDIT", QStringLiteral("Open Orders")); }, "Open Orders", true},
        {"a row added, then saved as a new search", total, Op::Greater, QStringLiteral("700"), QString(), false,
         [&](int) { answered("SAVE_AS", QStringLiteral("Open Orders over 700")); }, "Open Orders over 700", true},
    };
    for (const Case& k : cases) {
        boxes.clear();
        const QStringList before = StoredSearches(4);
        const int row = pane->RowCount() - 1;
        ASSERT_TRUE(pane->SetRow(row, k.field, k.op, k.value1, k.value2)) << k.name;
        QLineEdit* value = ValueBox(orders, k.value1);
        ASSERT_NE(value, nullptr) << k.name;
        value->setFocus();
        if (k.refused)
            QTest::keyClick(value, Qt::Key_Return);
        else
            ASSERT_TRUE(Loads(orders, [value] { QTest::keyClick(value, Qt::Key_Return); })) << k.name;
        EXPECT_EQ(boxes.size(), k.refused ? 1u : 0u) << k.name;
        // The conditions under the name are no longer the search's.
        EXPECT_EQ(label->text(), QStringLiteral("Search: Open Orders (changed)")) << k.name;
        EXPECT_EQ(label->toolTip(), QStringLiteral("Open Orders (changed since it was chosen or saved)")) << k.name;
        EXPECT_TRUE(label->isVisible()) << k.name;
        k.backToSaved(row);
        expectUnchanged(QString::fromLatin1(k.current), k.name);
        if (!k.stores)
            EXPECT_EQ(StoredSearches(4), before) << k.name;
        else
            EXPECT_EQ(Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1")
                                .arg(SearchId(4, QString::fromLatin1(k.current)))),
                      pane->WhereText())
                << k.name;
    }
    // Save and Edit stored the changed conditions into the search, as they always have.
    const QString stored = Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1")
                                     .arg(SearchId(4, QStringLiteral("Open Orders"))));
    EXPECT_NE(stored, saved.section(QLatin1Char('|'), 1, 1));
    EXPECT_TRUE(stored.contains(QStringLiteral("{OrderTotal} >= 500")) &&
                stored.contains(QStringLiteral("{OrderTotal} <= 90000")))
        << qPrintable(stored);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, OrdinaryRowsInPlaceOfACurrentComplexSearchEndThatSearch)
{
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    ChooseSearch(orders, QStringLiteral("Not Yet Invoiced"));
    ASSERT_TRUE(orders->pmFilter()->IsTextRow());
    ASSERT_EQ(Kinds(Enabled(orders)), QStringLiteral("0111"));
    const QStringList before = StoredSearches(4);

    // Its text row removed and an ordinary row typed: the pane shows another search.
    orders->pmFilter()->RemoveRow(0);
    ASSERT_TRUE(orders->pmFilter()->SetRow(0, 0, FILTERLib::Filter::Op::Equals, QStringLiteral("SO-0000007")));
    EXPECT_FALSE(orders->IsComplex());
    EXPECT_FALSE(orders->lblSearchName()->isVisible());
    EXPECT_EQ(Kinds(Enabled(orders)), QStringLiteral("0100"));
    TakeStatements();
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"),
                            [](Form* f) { static_cast<frmListSearchName*>(f)->cmdCancel()->click(); });
        for (const char* key : {"SAVE", "EDIT", "DELETE"})
            Command(orders, key, false);
        EXPECT_FALSE(driver.Ran());
    }
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("LdViewFilter")).isEmpty());
    EXPECT_EQ(StoredSearches(4), before);
    // Go runs the rows the pane shows, not the complex search's text.
    ASSERT_TRUE(Go(orders));
    EXPECT_TRUE(ListStatement(orders).contains(QStringLiteral("'SO-0000007'"))) << qPrintable(ListStatement(orders));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, ChoosingASearchLoadsItsStoredCriteriaAndRunsTheList)
{
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ChooseSearch(w, QStringLiteral("California Customers"));
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("California Customers"));
    EXPECT_EQ(w->pmFilter()->WhereText(), QStringLiteral("WHERE ( {State} = 'CA' )"));
    EXPECT_NE(ListStatement(w).indexOf(QStringLiteral("c.State = 'CA'")), -1) << qPrintable(ListStatement(w));
    EXPECT_EQ(w->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE State = 'CA'")).toInt());
    EXPECT_TRUE(w->fraMessage()->isHidden());
    EXPECT_EQ(w->GetCurrentSearchIndex(), 1);

    // The control names a search chosen from the menu in its stored form.
    ChooseSearch(w, QStringLiteral("O'Brien Customers"));
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("O~Brien Customers"));
    EXPECT_EQ(w->GetCurrentSearchIndex(), 2);
    EXPECT_EQ(w->RecordCount(),
              Value(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE Name LIKE 'O''Brien%'")).toInt());
    QStringList seen;
    const QStringList stored = StoredSearches(3);
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"), [&](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            seen << d->txtName()->text();
            d->chkShare()->setChecked(true);
            d->cmdCancel()->click();
        });
        Command(w, "EDIT", false);
        EXPECT_TRUE(driver.Ran());
    }
    EXPECT_EQ(seen, QStringList{QStringLiteral("O~Brien Customers")});
    // Cancel changes nothing.
    EXPECT_EQ(StoredSearches(3), stored);
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("O~Brien Customers"));

    // A complex search: one text row, its extended FROM taken when its text needs it.
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    ChooseSearch(orders, QStringLiteral("Not Yet Invoiced"));
    EXPECT_TRUE(orders->IsComplex());
    EXPECT_TRUE(orders->pmFilter()->IsTextRow());
    EXPECT_NE(ListStatement(orders).indexOf(QStringLiteral("xi.InvoiceNumber IS NULL")), -1)
        << qPrintable(ListStatement(orders));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, SaveWritesTheCriteriaAndTheirColumnsIntoTheCurrentSearchAndRunsTheListTwice)
{
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    ChooseSearch(w, QStringLiteral("Big Orders"));
    const int32_t id = SearchId(4, QStringLiteral("Big Orders"));
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Shipped' AND {OrderTotal} >= 2000 )"), false);
    const QString criteria = w->pmFilter()->WhereText();
    ASSERT_FALSE(criteria.isEmpty());
    TakeStatements();
    const int statisticsBefore = w->StatisticsRuns();
    // Each query the list control starts empties its rows first.
    QSignalSpy runs(w->ListView()->Grid()->model(), &QAbstractItemModel::modelReset);
    Command(w, "SAVE", true);

    EXPECT_EQ(Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1").arg(id)), criteria);
    EXPECT_EQ(SearchColumns(id), (QStringList{QStringLiteral("OrderTotal"), QStringLiteral("Status")}));
    // The list runs once directly, once as the menu is rebuilt; the statistics wait
    // for the first rows, so only the second run's are computed.
    EXPECT_EQ(runs.count(), 2);
    EXPECT_EQ(w->StatisticsRuns() - statisticsBefore, 1);
    EXPECT_NE(w->StatisticsStatement().indexOf(QStringLiteral("o.Status = 'Shipped'")), -1)
        << qPrintable(w->StatisticsStatement());
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Big Orders"));
    EXPECT_EQ(CurrentSearchID(w), id);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, SaveAsAddsASearchOfThisUserUnderTheNameAsTyped)
{
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    struct Case {
        QString name;
        bool share;
        bool complex;
        QString stored;  // Shared|Complex as stored
    };
    const Case cases[] = {
        {QStringLiteral("Texas Customers"), true, false, QStringLiteral("1|0")},
        // Save As keeps the apostrophe; the menu shows it as it is.
        {QStringLiteral("Bob's Customers"), false, false, QStringLiteral("0|0")},
        {QStringLiteral("Hand Written"), false, true, QStringLiteral("0|1")},
    };
    for (const Case& c : cases) {
        w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {State} = 'TX' )"), false);
        const QString criteria = w->pmFilter()->WhereText();
        const QStringList before = StoredSearches(3);
        QStringList seen;
        {
            DialogDriver driver(QStringLiteral("frmListSearchName"), Answer(c.name, c.share, c.complex, &seen));
            Command(w, "SAVE_AS", true);
            ASSERT_TRUE(driver.Ran()) << qPrintable(c.name);
        }
        // The dialog opened as "New Search" with an empty name box.
        EXPECT_EQ(seen.mid(0, 2), (QStringList{QStringLiteral("New Search"), QString()})) << qPrintable(c.name);
        const QStringList expected = before + QStringList{c.name + QLatin1Char('|') + criteria + QLatin1Char('|') +
                                                          c.stored + QStringLiteral("|jdoe")};
        EXPECT_EQ(StoredSearches(3).join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(Captions(w).last(), c.name);
        EXPECT_EQ(w->pmFilter()->Text(), c.name);
        EXPECT_EQ(CurrentSearchID(w), SearchId(3, c.name));
        EXPECT_EQ(SearchColumns(SearchId(3, c.name)), QStringList{QStringLiteral("State")});
        EXPECT_EQ(w->IsComplex(), c.complex) << qPrintable(c.name);
        EXPECT_EQ(w->pmFilter()->IsTextRow(), c.complex) << qPrintable(c.name);
        EXPECT_EQ(Kinds(Enabled(w)), c.complex ? QStringLiteral("0111") : QStringLiteral("1111")) << qPrintable(c.name);
        EXPECT_NE(ListStatement(w).indexOf(QStringLiteral("c.State = 'TX'")), -1);
    }

    // Cancel stores nothing and keeps the current search.
    const QStringList before = StoredSearches(3);
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"),
                            [](Form* f) { static_cast<frmListSearchName*>(f)->cmdCancel()->click(); });
        Command(w, "SAVE_AS", false);
        EXPECT_TRUE(driver.Ran());
    }
    EXPECT_EQ(StoredSearches(3), before);
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Hand Written"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, SaveAsUnderItsOwnNameAddsASecondSearchAndTheLastUsedOfThemComesBackWithItsCriteria)
{
    const int32_t first = SearchId(4, QStringLiteral("Open Orders"));
    ASSERT_EQ(LastUsed(4).toInt(), first);
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    ASSERT_EQ(w->pmFilter()->Text(), QStringLiteral("Open Orders"));
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Shipped' )"), false);
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"), Answer(QStringLiteral("Open Orders"), false, false));
        Command(w, "SAVE_AS", true);
        ASSERT_TRUE(driver.Ran());
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    const int32_t second = SearchId(4, QStringLiteral("Open Orders"));
    ASSERT_NE(second, first);
    EXPECT_EQ(Captions(w).filter(QStringLiteral("Open Orders")).size(), 2);
    EXPECT_EQ(CurrentSearchID(w), second);
    Unload(w);
    EXPECT_EQ(LastUsed(4).toInt(), second);

    // Reopened: the second search, with its own criteria, run at once.
    w = OpenView(QStringLiteral("ORDERS_1"));
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Open Orders"));
    EXPECT_EQ(CurrentSearchID(w), second);
    EXPECT_EQ(w->InitialFilter(), QStringLiteral("WHERE ( {Status} = 'Shipped' )"));
    EXPECT_NE(ListStatement(w).indexOf(QStringLiteral("o.Status = 'Shipped'")), -1) << qPrintable(ListStatement(w));
    EXPECT_EQ(w->RecordCount(), Value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE Status = 'Shipped'")).toInt());

    // The first of the two, chosen from the menu, becomes the last used one.
    ChooseSearchByID(w, first);
    EXPECT_EQ(CurrentSearchID(w), first);
    EXPECT_EQ(w->pmFilter()->WhereText(), QStringLiteral("WHERE ( {Status} = 'Open' )"));
    Unload(w);
    EXPECT_EQ(LastUsed(4).toInt(), first);
}

TEST_F(SearchesTest, ALastUsedSearchStoredWithATildeComesBackWithItsOwnCriteria)
{
    const int32_t id = SearchId(3, QStringLiteral("O~Brien Customers"));
    // A "~" inside the criteria is the user's own and stays as it is.
    const QString criteria = QStringLiteral("WHERE ( {CustomerName} LIKE 'O''Brien%' OR {City} = 'Tilde~Town' )");
    Exec(QStringLiteral("UPDATE LdViewFilters SET FilterString = %1 WHERE ViewFilterID = %2")
             .arg(QuoteSQLString(criteria))
             .arg(id));
    Exec(QStringLiteral("UPDATE LdViews SET LastUsedFilter = %1 WHERE ViewID = 3").arg(id));

    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("O~Brien Customers"));
    EXPECT_EQ(w->InitialFilter(), criteria);
    EXPECT_EQ(CurrentSearchID(w), id);
    EXPECT_NE(ListStatement(w).indexOf(QStringLiteral("c.City = 'Tilde~Town'")), -1) << qPrintable(ListStatement(w));
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("1111"));

    // Save keeps the search's criteria (they are the current ones), never empty ones.
    Command(w, "SAVE", true);
    EXPECT_EQ(Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1").arg(id)),
              w->pmFilter()->WhereText());
    EXPECT_NE(w->pmFilter()->WhereText().indexOf(QStringLiteral("Tilde~Town")), -1);
    Unload(w);
    EXPECT_EQ(LastUsed(3).toInt(), id);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, EditStoresTheNameWithTildesAndTheSharingAndTheSearchStaysCurrent)
{
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ChooseSearch(w, QStringLiteral("O'Brien Customers"));
    const int32_t id = SearchId(3, QStringLiteral("O~Brien Customers"));
    const QStringList columnsBefore = SearchColumns(id);
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {City} = 'Boston' )"), false);
    const QString criteria = w->pmFilter()->WhereText();

    QStringList seen;
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"),
                            Answer(QStringLiteral("O'Neil's Customers"), true, false, &seen));
        Command(w, "EDIT", true);
        ASSERT_TRUE(driver.Ran());
    }
    // Caption, name box, share, complex ticked, complex enabled.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Edit Search"), QStringLiteral("O~Brien Customers"), "0", "0", "1"}));
    EXPECT_EQ(Value(QStringLiteral("SELECT FilterName, FilterString, Shared, Complex FROM LdViewFilters WHERE "
                                   "ViewFilterID = %1")
                        .arg(id)),
              QStringLiteral("O~Neil~s Customers|") + criteria + QStringLiteral("|1|0"));
    // Edit leaves the filter-column rows as they were.
    EXPECT_EQ(SearchColumns(id), columnsBefore);
    EXPECT_TRUE(Captions(w).contains(QStringLiteral("O'Neil's Customers")));
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("O~Neil~s Customers"));
    EXPECT_EQ(CurrentSearchID(w), id);
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("1111"));

    // Still the current search: Edit opens on it again (the name box shows the stored
    // form, which is accepted as it stands) and stores the sharing taken back.
    seen.clear();
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"),
                            Answer(QStringLiteral("O~Neil~s Customers"), false, false, &seen));
        Command(w, "EDIT", true);
        ASSERT_TRUE(driver.Ran());
    }
    EXPECT_EQ(seen.mid(1, 2), (QStringList{QStringLiteral("O~Neil~s Customers"), "1"}));
    EXPECT_EQ(Value(QStringLiteral("SELECT FilterName, Shared FROM LdViewFilters WHERE ViewFilterID = %1").arg(id)),
              QStringLiteral("O~Neil~s Customers|0"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, EditOfAComplexSearchKeepsItComplex)
{
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    ChooseSearch(w, QStringLiteral("Not Yet Invoiced"));
    const int32_t id = SearchId(4, QStringLiteral("Not Yet Invoiced"));
    const QString criteria = Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1").arg(id));
    QStringList seen;
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"),
                            Answer(QStringLiteral("Uninvoiced"), true, false, &seen));
        Command(w, "EDIT", true);
        ASSERT_TRUE(driver.Ran());
    }
    // Caption, name box, share, complex ticked, complex enabled.
    EXPECT_EQ(seen.mid(3, 2), (QStringList{"1", "0"}));
    EXPECT_EQ(Value(QStringLiteral("SELECT FilterName, FilterString, Shared, Complex FROM LdViewFilters WHERE "
                                   "ViewFilterID = %1")
                        .arg(id)),
              QStringLiteral("Uninvoiced|") + criteria + QStringLiteral("|1|1"));
    EXPECT_TRUE(w->IsComplex());
    EXPECT_TRUE(w->pmFilter()->IsTextRow());
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("0111"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SearchesTest, DeleteAsksFirstThenRemovesTheSearchAndLeavesNoSearchToActOn)
{
    MakeJdoes(QStringLiteral("California Customers"));
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ChooseSearch(w, QStringLiteral("California Customers"));
    const int32_t id = SearchId(3, QStringLiteral("California Customers"));
    const QStringList before = StoredSearches(3);
    const QString question = QStringLiteral(
        "Are you sure you would like to delete the following search?\r\n\r\n  -  California Customers\r\n");

    answers = {vbNo};
    Command(w, "DELETE", false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, question);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(boxes[0].style, static_cast<int>(vbExclamation + vbYesNo));
    EXPECT_EQ(StoredSearches(3), before);
    EXPECT_EQ(Captions(w).size(), 7);
    EXPECT_GT(w->ListView()->RowCount(), 0);

    boxes.clear();
    answers = {vbYes};
    Command(w, "DELETE", false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, question);
    EXPECT_EQ(StoredSearches(3), before.mid(1));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewFilterColumns WHERE ViewFilterID = %1").arg(id)),
              QStringLiteral("0"));
    EXPECT_EQ(Captions(w), kCommandCaptions + QStringList{QStringLiteral("O'Brien Customers")});
    EXPECT_EQ(w->ListView()->RowCount(), 0);
    EXPECT_TRUE(w->CurrentFilter().isEmpty());
    EXPECT_FALSE(w->fraMessage()->isHidden());
    EXPECT_EQ(w->lblMessage()->text(), QString::fromLatin1(frmList::kNoResultsText));
    EXPECT_FALSE(w->ListView()->TabStop());
    // The strip shows no figures beside the empty list, and nothing listed can be exported.
    for (int i = 1; i < w->lvwStats()->ColumnCount(); ++i)
        EXPECT_EQ(w->lvwStats()->Item(1)->SubItem(i), QString()) << i;
    EXPECT_FALSE(w->Button(QStringLiteral("EXPORT"))->isEnabled());

    // The pane names no search any more: no saved search to act on.
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("QuickSearch"));
    EXPECT_TRUE(w->lblSearchName()->isHidden());
    EXPECT_EQ(w->GetCurrentSearchIndex(), 0);
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("0000"));
    boxes.clear();
    ExpectChangeCommandsDoNothing(w);
    EXPECT_EQ(StoredSearches(3), before.mid(1));
    // The clicked command showed the list again as a tab stop.
    EXPECT_TRUE(w->ListView()->TabStop());
}

TEST_F(SearchesTest, AfterDeleteASearchOfTheSameNameIsNotTakenForTheDeletedOne)
{
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    const int32_t first = SearchId(4, QStringLiteral("Open Orders"));
    const QString firstRow = Value(QStringLiteral("SELECT FilterName, FilterString FROM LdViewFilters WHERE "
                                                  "ViewFilterID = %1").arg(first));
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Shipped' )"), false);
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"), Answer(QStringLiteral("Open Orders"), false, false));
        Command(w, "SAVE_AS", true);
        ASSERT_TRUE(driver.Ran());
    }
    ASSERT_NE(CurrentSearchID(w), first);
    answers = {vbYes};
    Command(w, "DELETE", false);
    ASSERT_EQ(boxes.size(), 1u);

    // The first search of the deleted one's name is not taken for it.
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("QuickSearch"));
    EXPECT_EQ(w->GetCurrentSearchIndex(), 0);
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("0000"));
    boxes.clear();
    for (const char* key : {"SAVE", "EDIT", "DELETE"})
        Command(w, key, false);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(Value(QStringLiteral("SELECT FilterName, FilterString FROM LdViewFilters WHERE ViewFilterID = %1")
                        .arg(first)),
              firstRow);

    // Choosing a search makes it current again (admin's: only Save As for jdoe).
    ChooseSearchByID(w, first);
    EXPECT_EQ(CurrentSearchID(w), first);
    EXPECT_EQ(Kinds(Enabled(w)), QStringLiteral("0100"));
}

TEST_F(SearchesTest, AFailedStoreIsShownAndLeavesNothingHalfStored)
{
    MakeJdoes(QStringLiteral("California Customers"));
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ChooseSearch(w, QStringLiteral("California Customers"));
    const int32_t id = SearchId(3, QStringLiteral("California Customers"));
    const QStringList before = StoredSearches(3);
    const QStringList columnsBefore = SearchColumns(id);
    const QStringList captionsBefore = Captions(w);

    sqlite3* db = erpdb::OpenServerDatabase(kServer, QString::fromLatin1(erpdb::kDemoDatabaseName), false);
    struct Case {
        const char* command;
        const char* trigger;  // makes one statement of the store fail
        bool dialog;
    };
    const Case cases[] = {
        // The search row is written, its filter-column rows are not.
        {"SAVE_AS", "CREATE TRIGGER fail_store BEFORE INSERT ON LdViewFilterColumns BEGIN SELECT RAISE(ABORT, "
                    "'columns refused'); END;",
         true},
        {"SAVE", "CREATE TRIGGER fail_store BEFORE INSERT ON LdViewFilterColumns BEGIN SELECT RAISE(ABORT, "
                 "'columns refused'); END;",
         false},
        {"EDIT", "CREATE TRIGGER fail_store BEFORE UPDATE ON LdViewFilters BEGIN SELECT RAISE(ABORT, "
                 "'columns refused'); END;",
         true},
    };
    for (const Case& c : cases) {
        erpdb::ExecScript(db, QString::fromLatin1(c.trigger));
        w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {City} = 'Reno' )"), false);
        boxes.clear();
        {
            DialogDriver driver(QStringLiteral("frmListSearchName"),
                                Answer(QStringLiteral("Reno Customers"), true, false));
            Command(w, c.command, false);
            EXPECT_EQ(driver.Ran(), c.dialog) << c.command;
        }
        erpdb::ExecScript(db, QStringLiteral("DROP TRIGGER fail_store;"));

        // The standard error box with the database's message.
        ASSERT_EQ(boxes.size(), 1u) << c.command;
        EXPECT_NE(boxes[0].prompt.indexOf(QStringLiteral("columns refused")), -1) << qPrintable(boxes[0].prompt);
        EXPECT_EQ(boxes[0].style, static_cast<int>(vbOKOnly)) << c.command;
        EXPECT_EQ(StoredSearches(3), before) << c.command;
        EXPECT_EQ(SearchColumns(id), columnsBefore) << c.command;
        // The window's searches are those stored.
        EXPECT_EQ(Captions(w), captionsBefore) << c.command;
        const CoLDUVFilterRef search = w->View()->Filters()->Item(Variant(int32_t(1)));
        EXPECT_EQ(search->FilterName, QStringLiteral("California Customers")) << c.command;
        EXPECT_EQ(search->FilterString, QStringLiteral("WHERE ( {State} = 'CA' )")) << c.command;
        EXPECT_TRUE(search->bShared) << c.command;
        EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("California Customers")) << c.command;
        EXPECT_EQ(CurrentSearchID(w), id) << c.command;
    }

    // A delete the database refuses: the question, then the error; the search stays.
    erpdb::ExecScript(db, QStringLiteral("CREATE TRIGGER fail_store BEFORE DELETE ON LdViewFilters BEGIN SELECT "
                                         "RAISE(ABORT, 'search in use'); END;"));
    boxes.clear();
    answers = {vbYes};
    Command(w, "DELETE", false);
    erpdb::ExecScript(db, QStringLiteral("DROP TRIGGER fail_store;"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].prompt.indexOf(QStringLiteral("search in use")), -1) << qPrintable(boxes[1].prompt);
    EXPECT_EQ(StoredSearches(3), before);
    EXPECT_EQ(SearchColumns(id), columnsBefore);
    EXPECT_EQ(Captions(w), captionsBefore);
    EXPECT_EQ(CurrentSearchID(w), id);
    sqlite3_close_v2(db);
}

}  // namespace
