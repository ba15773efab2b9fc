// Saved searches on a view that several users of one company share: each user's
// menu lists the searches shared with all users and the user's own; only a
// search's creator, or admin, saves over it, edits or deletes it; a name of
// another user's private search is neither refused nor overwritten nor given
// away; the view's last used search comes back to every user as criteria, named
// only for those who may see it.

#include "SearchTestSupport.h"

#include <QLabel>

using namespace listtest;

namespace {

const QString kOpenOrders = QStringLiteral("Open Orders");  // admin's, shared
const QString kAdminsPrivate = QStringLiteral("Chen~tilde");  // shown as "Chen'tilde"
const QString kAdminsPrivateCriteria = QStringLiteral("WHERE ( {Status} = 'Shipped' )");

class SharedSearchesTest : public SearchMenuTest {
protected:
    void SetUp() override
    {
        SearchMenuTest::SetUp();
        // Saved by admin on Orders without "Share with all users".
        Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID, "
                            "UpdatorID) VALUES (4, '%1', '%2', 0, 0, 'admin', 'admin')")
                 .arg(kAdminsPrivate, QString(kAdminsPrivateCriteria).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }
    // Closes the windows (each records its last used search) and logs on as another user.
    void SwitchUser(const QString& user, const QString& password)
    {
        for (frmList* w : ListWindows())
            Unload(w);
        CollectUnloadedForms();
        LogOnAs(user, password);
    }
    // The menu's searches, each with the commands it enables once chosen:
    // "name:SaveSaveAsEditDelete".
    QStringList SearchesWithCommands(frmList* w)
    {
        QStringList names;
        for (int i = 5; i < w->mbSearches()->Count(); ++i)
            names << w->mbSearches()->Caption(i);
        QStringList result;
        for (const QString& name : names) {
            ChooseSearch(w, name);
            result << name + QLatin1Char(':') + Kinds(Enabled(w));
        }
        return result;
    }
    // The rows of Orders' searches: "name|shared|creator", by row id.
    QStringList OrdersSearches()
    {
        return Rows(QStringLiteral("SELECT FilterName, Shared, CreatorID FROM LdViewFilters WHERE ViewID = 4 "
                                   "ORDER BY ViewFilterID"));
    }
};

TEST_F(SharedSearchesTest, EachUserListsTheSharedSearchesAndTheirOwnAndMayChangeOnlyTheirOwn)
{
    struct Case {
        const char* user;
        const char* password;
        QStringList searches;  // name:Save,SaveAs,Edit,Delete
    };
    const Case cases[] = {
        // Another user's shared search can be used and saved under a new name only.
        {"jdoe", "secret",
         {"Big Orders:1111", "Large Lines in 2024:0100", "Not Yet Invoiced:0111", "Open Orders:0100"}},
        // The creator's id as typed at the logon, in other letter case.
        {"JDOE", "secret",
         {"Big Orders:1111", "Large Lines in 2024:0100", "Not Yet Invoiced:0111", "Open Orders:0100"}},
        // admin holds every right: it changes asmith's shared search too, yet does
        // not see jdoe's private ones.
        {"admin", "admin", {"Chen'tilde:1111", "Large Lines in 2024:0111", "Open Orders:1111"}},
        {"asmith", "alice", {"Large Lines in 2024:0111", "Open Orders:0100"}},
    };
    const QStringList stored = OrdersSearches();
    for (const Case& c : cases) {
        SwitchUser(QLatin1String(c.user), QLatin1String(c.password));
        frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
        ASSERT_NE(orders, nullptr) << c.user;
        EXPECT_EQ(SearchesWithCommands(orders), c.searches) << c.user;
    }
    EXPECT_EQ(OrdersSearches(), stored);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(SharedSearchesTest, EachUsersCommandsWriteOnlyWhatThatUserMayChange)
{
    const QStringList stored = OrdersSearches();
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    ASSERT_EQ(orders->pmFilter()->Text(), kOpenOrders);

    // jdoe on admin's shared search: Save, Edit and Delete, even when reported by
    // the menu, neither ask nor write.
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Closed' )"), false);
    ExpectChangeCommandsDoNothing(orders);
    EXPECT_EQ(OrdersSearches(), stored);

    // Save As makes jdoe's own copy; under the name of admin's private search it is
    // neither refused (which would give the name away) nor written over admin's.
    QStringList expected = stored;
    for (const QString& name : {QStringLiteral("Closed Orders"), kAdminsPrivate}) {
        DialogDriver driver(QStringLiteral("frmListSearchName"), Answer(name, false, false));
        Command(orders, "SAVE_AS", true);
        EXPECT_TRUE(driver.Ran()) << qPrintable(name);
        expected << name + QStringLiteral("|0|jdoe");
        EXPECT_EQ(OrdersSearches(), expected) << qPrintable(name);
        EXPECT_EQ(Kinds(Enabled(orders)), QStringLiteral("1111")) << qPrintable(name);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));

    // admin sees its own "Chen'tilde" once, not jdoe's of the same name, and deletes
    // asmith's shared search: admin holds every right.
    SwitchUser(QStringLiteral("admin"), QStringLiteral("admin"));
    orders = OpenView(QStringLiteral("ORDERS_1"));
    EXPECT_EQ(Captions(orders).mid(5), (QStringList{QStringLiteral("Chen'tilde"), QStringLiteral("Large Lines in 2024"),
                                                    QStringLiteral("Open Orders")}));
    ChooseSearch(orders, QStringLiteral("Chen'tilde"));
    EXPECT_EQ(orders->pmFilter()->WhereText(), kAdminsPrivateCriteria);
    ChooseSearch(orders, QStringLiteral("Large Lines in 2024"));
    answers.push_back(vbYes);
    Command(orders, "DELETE", false);
    expected.removeAll(QStringLiteral("Large Lines in 2024|1|asmith"));
    EXPECT_EQ(OrdersSearches(), expected);
}

TEST_F(SharedSearchesTest, ARenameKeepsTheNameFreeAmongTheCreatorsSearches)
{
    // jdoe's "Big Orders", shared; jdoe's "Not Yet Invoiced" stays private.
    Exec(QStringLiteral("UPDATE LdViewFilters SET Shared = -1 WHERE ViewID = 4 AND FilterName = 'Big Orders'"));
    SwitchUser(QStringLiteral("admin"), QStringLiteral("admin"));
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    ChooseSearch(orders, QStringLiteral("Big Orders"));
    ASSERT_EQ(Kinds(Enabled(orders)), QStringLiteral("1111"));
    struct Case {
        QString name;
        bool refused;
    };
    const Case cases[] = {
        // jdoe already has that name: two of jdoe's searches would share it.
        {QStringLiteral("Not Yet Invoiced"), true},
        {QStringLiteral("Large Orders"), false},
    };
    for (const Case& c : cases) {
        boxes.clear();
        const QStringList before = OrdersSearches();
        DialogDriver driver(QStringLiteral("frmListSearchName"), [&](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            d->txtName()->setText(c.name);
            d->cmdOK()->click();
            if (IsFormLoaded(d) && d->isVisible())
                d->cmdCancel()->click();
        });
        Command(orders, "EDIT", !c.refused);
        EXPECT_TRUE(driver.Ran()) << qPrintable(c.name);
        EXPECT_EQ(Prompts(boxes),
                  c.refused ? QStringList{QString::fromLatin1(frmListSearchName::kNameInUseMessage)} : QStringList())
            << qPrintable(c.name);
        if (c.refused)
            EXPECT_EQ(OrdersSearches(), before) << qPrintable(c.name);
    }
    // The renamed search is still jdoe's, and still shared.
    EXPECT_TRUE(OrdersSearches().contains(QStringLiteral("Large Orders|1|jdoe")));
}

TEST_F(SharedSearchesTest, TheLastUsedSearchComesBackToEveryUserNamedOnlyForThoseWhoMaySeeIt)
{
    const QString adminsSearch = QString::number(SearchId(4, kAdminsPrivate));
    Exec(QStringLiteral("UPDATE LdViews SET LastUsedFilter = %1 WHERE ViewID = 4").arg(adminsSearch));
    const auto lastUsed = [this] { return Value(QStringLiteral("SELECT LastUsedFilter FROM LdViews WHERE ViewID = 4")); };

    // jdoe: the criteria, run, under no name; nothing of admin's search to change.
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"));
    EXPECT_EQ(orders->pmFilter()->Text(), QStringLiteral("QuickSearch"));
    EXPECT_FALSE(orders->lblSearchName()->isVisible());
    EXPECT_EQ(orders->pmFilter()->WhereText(), kAdminsPrivateCriteria);
    EXPECT_NE(ListStatement(orders).indexOf(QStringLiteral("o.Status = 'Shipped'")), -1) << qPrintable(ListStatement(orders));
    EXPECT_FALSE(Captions(orders).contains(QStringLiteral("Chen'tilde")));
    EXPECT_EQ(Kinds(Enabled(orders)), QStringLiteral("0100"));
    // Closed with the criteria as they came back, the view keeps its last used search.
    SwitchUser(QStringLiteral("admin"), QStringLiteral("admin"));
    EXPECT_EQ(lastUsed(), adminsSearch);

    // admin: the search, by its name.
    orders = OpenView(QStringLiteral("ORDERS_1"));
    EXPECT_EQ(orders->pmFilter()->Text(), kAdminsPrivate);
    EXPECT_EQ(orders->lblSearchName()->text(), QStringLiteral("Search: Chen'tilde"));
    EXPECT_EQ(orders->pmFilter()->WhereText(), kAdminsPrivateCriteria);

    // jdoe clears the criteria and closes: no search is the last used one, as for
    // any search left.
    SwitchUser(QStringLiteral("jdoe"), QStringLiteral("secret"));
    orders = OpenView(QStringLiteral("ORDERS_1"));
    orders->cmdClear_Click();
    SwitchUser(QStringLiteral("admin"), QStringLiteral("admin"));
    EXPECT_EQ(lastUsed(), QStringLiteral("<null>"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

}  // namespace
