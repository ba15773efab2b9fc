// Rights on secured objects and the two checks with their refusal messages.

#include "core/SessionTestSupport.h"

#include "core/CoreTestSupport.h"
#include "core/SecurityRights.h"

using namespace sessiontest;

namespace {

const QString kAllViews = QStringLiteral("QuillonAllViews");
const QString kMyViews = QStringLiteral("QuillonMyViews");
const QString kSales = QStringLiteral("SalesBase");
const QString kStock = QStringLiteral("StockBase");
const QString kHeading = QStringLiteral(
    "Access denied due to insufficient security rights.\r\n\r\nYou need the following right(s):\r\n");

// Users: admin; boss (member of the group 'admins', which holds every right);
// jdoe (views, the sales base, Create on exports); noall (My Views only, the sales
// base); o'neil (like jdoe). Views: 1 on base 10 (sales and stock), 2 on base 20
// (no secured objects), 3 on base 30 (sales only). jdoe and noall have view 3 in
// their My Views.
class RightsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.AddUser(QStringLiteral("boss"), QStringLiteral("Group Member"), QStringLiteral("pw"));
        server.AddUser(QStringLiteral("noall"), QStringLiteral("No All Views"), QStringLiteral("pw"));
        server.AddUser(QStringLiteral("o'neil"), QStringLiteral("Pat O'Neil"), QStringLiteral("pw"));
        server.Exec(QStringLiteral(R"SQL(
INSERT INTO CoSecuredObjects (SecuredObjectID, Description) VALUES
  ('QuillonAllViews', 'All Views'), ('QuillonMyViews', 'My Views'), ('CoExportLists', 'Export Lists'),
  ('SalesBase', 'Sales Orders'), ('StockBase', 'Stock Levels');
INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('admins', 'boss');
INSERT INTO CoSecuredObjectRights (SecuredObjectID, CompanyID, PrincipalID, IsGroup, Rights) VALUES
  ('QuillonAllViews', NULL, 'admins', 1, 15), ('QuillonMyViews', NULL, 'admins', 1, 15),
  ('CoExportLists', NULL, 'admins', 1, 15), ('SalesBase', NULL, 'admins', 1, 15), ('StockBase', NULL, 'admins', 1, 15),
  ('QuillonAllViews', 'ACME', 'jdoe', 0, 1), ('QuillonMyViews', 'ACME', 'jdoe', 0, 1),
  ('SalesBase', 'ACME', 'jdoe', 0, 1), ('CoExportLists', 'ACME', 'jdoe', 0, 2),
  ('QuillonMyViews', 'ACME', 'noall', 0, 1), ('SalesBase', 'ACME', 'noall', 0, 1),
  ('QuillonAllViews', 'ACME', 'o''neil', 0, 1), ('SalesBase', 'ACME', 'o''neil', 0, 1),
  ('StockBase', 'OTHERCO', 'jdoe', 0, 1);
INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID) VALUES
  (1, 'SalesStock', 'Sales and Stock', 10), (2, 'Unsecured', 'Unsecured', 20), (3, 'Sales', 'Sales', 30);
INSERT INTO LdBaseSecurity (BaseID, SecuredObjectID) VALUES (10, 'SalesBase'), (10, 'StockBase'), (30, 'SalesBase');
INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (3, 'jdoe', 1, 0), (3, 'noall', 1, 0);
)SQL"));
    }

    void LogOn(const QString& user) { LogOnAs(user, user == QLatin1String("jdoe") ? QStringLiteral("secret") : QStringLiteral("pw")); }
    void LogOnAdmin() { LogOnAs(QStringLiteral("admin"), QStringLiteral("adminpw")); }

    TestServer server;
    Seams seams;
};

}  // namespace

TEST_F(RightsTest, AdminHoldsEveryRightWithoutAskingTheDatabase)
{
    LogOnAdmin();
    BrandleDatabase& dbi = g_oSystemEngine->DBI();
    dbi.SetStatementLogging(true);
    for (const QString user : {QStringLiteral("admin"), QStringLiteral(" Admin "), QStringLiteral("ADMIN")})
        EXPECT_EQ(GetRights(QStringLiteral("AnythingAtAll"), user), 15) << qPrintable(user);
    QString current;
    EXPECT_EQ(GetRights(kAllViews, current), 15);
    EXPECT_EQ(current, QStringLiteral("admin"));  // the caller's variable gets the current user
    EXPECT_TRUE(dbi.StatementLog().isEmpty()) << qPrintable(dbi.StatementLog().join(QLatin1Char('\n')));
}

TEST_F(RightsTest, OtherUsersGetTheirRightsFromTheProcedure)
{
    LogOn(QStringLiteral("jdoe"));
    struct Case {
        QString user, object;
        int32_t rights;
    } cases[] = {
        {QStringLiteral("boss"), kStock, 15},        {QStringLiteral("boss"), QStringLiteral("CoExportLists"), 15},
        {QStringLiteral("jdoe"), kAllViews, 1},      {QStringLiteral("jdoe"), QStringLiteral("CoExportLists"), 2},
        {QStringLiteral("jdoe"), kStock, 0},  // granted for another company only
        {QStringLiteral("noall"), kAllViews, 0},     {QStringLiteral("noall"), kMyViews, 1},
        {QStringLiteral("o'neil"), kSales, 1},       {QStringLiteral("nobody"), kSales, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetRights(c.object, c.user), c.rights) << qPrintable(c.user) << " " << qPrintable(c.object);
    QString current;
    EXPECT_EQ(GetRights(QStringLiteral("CoExportLists"), current), 2);
    EXPECT_EQ(current, QStringLiteral("jdoe"));
}

TEST_F(RightsTest, ProcedureThatFailsReachesTheCaller)
{
    LogOn(QStringLiteral("jdoe"));
    // A procedure that does not exist (the database's own objects gone) fails with an error.
    server.Exec(QStringLiteral("DROP TABLE CoSecuredObjectRights;"));
    EXPECT_NE(ErrorNumberOf([] { GetRights(kSales, QStringLiteral("jdoe")); }), 0);
    ResetSession();
    EXPECT_EQ(ErrorNumberOf([] { GetRights(kSales, QStringLiteral("jdoe")); }), vberr::ObjectNotSet);
}

TEST_F(RightsTest, SecuredObjectDescription)
{
    LogOn(QStringLiteral("jdoe"));
    BrandleDatabase& dbi = g_oSystemEngine->DBI();
    EXPECT_EQ(GetSecuredObjectDescription(kSales), QStringLiteral("Sales Orders"));
    EXPECT_EQ(ErrorNumberOf([] { GetSecuredObjectDescription(QStringLiteral("NoSuchObject")); }), vberr::InvalidUseOfNull);
    // An id with an apostrophe is quoted, so the look-up runs and finds nothing.
    dbi.SetStatementLogging(true);
    EXPECT_EQ(ErrorNumberOf([] { GetSecuredObjectDescription(QStringLiteral("x' OR '1'='1")); }), vberr::InvalidUseOfNull);
    dbi.ClearStatementLog();
    GetSecuredObjectDescription(kSales);
    ASSERT_EQ(dbi.StatementLog().size(), 1);
    EXPECT_TRUE(dbi.StatementLog()[0].contains(QStringLiteral("SecuredObjectID = 'SalesBase'")))
        << qPrintable(dbi.StatementLog()[0]);
}

TEST_F(RightsTest, RefusalTextListsEveryEntryAfterALineBreak)
{
    EXPECT_EQ(RightsRefusalText({}), kHeading);
    EXPECT_EQ(RightsRefusalText({RightsEntry(kRightView, QStringLiteral("A")), RightsEntry(kRightDelete, QStringLiteral("B"))}),
              kHeading + QStringLiteral("\r\nView rights to 'A'\r\nDelete rights to 'B'"));
    EXPECT_EQ(RightsEntry(kRightCreate, QStringLiteral("X")), QStringLiteral("Create rights to 'X'"));
    EXPECT_EQ(RightsEntry(kRightEdit, QStringLiteral("X")), QStringLiteral("Edit rights to 'X'"));
}

TEST_F(RightsTest, CheckRightsNeedsOneOfTheRequestedRights)
{
    LogOn(QStringLiteral("jdoe"));
    EXPECT_TRUE(CheckRights(QStringLiteral("CoExportLists"), 3));  // holds Create only
    EXPECT_TRUE(CheckRights(kAllViews, 1));
    EXPECT_TRUE(seams.boxes.empty());

    EXPECT_FALSE(CheckRights(kStock, 3));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt,
              kHeading + QStringLiteral("\r\nView rights to 'Stock Levels'\r\nCreate rights to 'Stock Levels'"));
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(seams.boxes[0].style, vbExclamation | vbOKOnly);

    EXPECT_FALSE(CheckRights(QStringLiteral("CoExportLists"), 12));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].prompt,
              kHeading + QStringLiteral("\r\nEdit rights to 'Export Lists'\r\nDelete rights to 'Export Lists'"));
}

TEST_F(RightsTest, CheckViewRightsForEachKindOfUser)
{
    struct Case {
        QString user;
        int32_t view;
        QStringList missing;  // empty: allowed
        bool refused;
    } cases[] = {
        {QStringLiteral("admin"), 1, {}, false},
        {QStringLiteral("boss"), 1, {}, false},
        {QStringLiteral("jdoe"), 3, {}, false},  // a My Views view
        {QStringLiteral("jdoe"), 1, {QStringLiteral("View rights to 'Stock Levels'")}, true},
        {QStringLiteral("noall"), 3, {}, false},  // My Views only: never asked for All Views
        {QStringLiteral("noall"), 1,
         {QStringLiteral("View rights to 'All Views'"), QStringLiteral("View rights to 'Stock Levels'")}, true},
        {QStringLiteral("nobody"), 1,
         {QStringLiteral("View rights to 'All Views'"), QStringLiteral("View rights to 'Sales Orders'"),
          QStringLiteral("View rights to 'Stock Levels'")},
         true},
        // A base without secured objects is refused, also for admin; the message is the heading alone.
        {QStringLiteral("admin"), 2, {}, true},
        {QStringLiteral("jdoe"), 2, {}, true},
        {QStringLiteral("o'neil"), 3, {}, false},
    };
    LogOnAdmin();
    for (const auto& c : cases) {
        seams.boxes.clear();
        EXPECT_EQ(CheckViewRights(c.view, c.user), !c.refused) << qPrintable(c.user) << " view " << c.view;
        if (c.refused) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            QString expected = kHeading;
            for (const QString& entry : c.missing)
                expected += QStringLiteral("\r\n") + entry;
            EXPECT_EQ(seams.boxes[0].prompt, expected) << qPrintable(c.user);
            EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Attention Required"));
        } else {
            EXPECT_TRUE(seams.boxes.empty()) << qPrintable(c.user);
        }
    }
}

TEST_F(RightsTest, CheckViewRightsStatements)
{
    LogOn(QStringLiteral("jdoe"));
    BrandleDatabase& dbi = g_oSystemEngine->DBI();
    dbi.SetStatementLogging(true);
    EXPECT_TRUE(CheckViewRights(3, QStringLiteral("jdoe")));
    const QString log = dbi.StatementLog().join(QLatin1Char('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("ViewID =3 AND UserID ='jdoe'"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("ViewID = 3"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("SELECT SecuredObjectID FROM LdBaseSecurity bs WHERE BaseID =30")))
        << qPrintable(log);
    EXPECT_FALSE(log.contains(kAllViews));
}

TEST_F(RightsTest, UserWithAnApostropheLogsOnAndIsChecked)
{
    LogOn(QStringLiteral("o'neil"));
    EXPECT_EQ(g_sUserID, QStringLiteral("o'neil"));
    BrandleDatabase& dbi = g_oSystemEngine->DBI();
    dbi.SetStatementLogging(true);
    EXPECT_TRUE(CheckViewRights(3, GetCurrentUserID()));
    EXPECT_TRUE(dbi.StatementLog().join(QLatin1Char('\n')).contains(QStringLiteral("ViewID =3 AND UserID ='o''neil'")));
    EXPECT_TRUE(CheckRights(kAllViews, kRightView));
    EXPECT_FALSE(CheckRights(kMyViews, kRightView));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, kHeading + QStringLiteral("\r\nView rights to 'My Views'"));
}

TEST_F(RightsTest, ViewWithoutARowIsAnError)
{
    LogOn(QStringLiteral("jdoe"));
    EXPECT_EQ(ErrorNumberOf([] { CheckViewRights(99, QStringLiteral("jdoe")); }), vberr::InvalidUseOfNull);
}
