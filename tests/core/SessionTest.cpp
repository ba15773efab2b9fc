// Session settings, the session values' helpers and the lookup connection.

#include "core/SessionTestSupport.h"

#include "base/AuUtilities.h"
#include "base/SqlText.h"
#include "core/CoreTestSupport.h"

#include <QDate>

using namespace sessiontest;

TEST(SessionSettingsTest, ServerNameTurnsLocalIntoTheComputerName)
{
    CoEnvironmentSettings s;
    const QString computer = s.ComputerName();
    EXPECT_FALSE(computer.isEmpty());
    EXPECT_FALSE(computer.contains(QLatin1Char('.')));
    EXPECT_EQ(computer, SystemComputerName());
    for (const QString local : {QStringLiteral("(LOCAL)"), QStringLiteral("(local)"), QStringLiteral("(Local)")}) {
        s.SetServerName(local);
        EXPECT_EQ(s.ServerName(), computer.toUpper()) << qPrintable(local);
    }
    for (const QString other : {QStringLiteral("SRV(LOCAL)"), QStringLiteral("(LOCAL)\\SQL"), QStringLiteral("db1")}) {
        s.SetServerName(other);
        EXPECT_EQ(s.ServerName(), other);
    }
    EXPECT_FALSE(s.WindowsUserName().isEmpty());
    EXPECT_EQ(s.WindowsUserName(), SystemUserName());
}

TEST(SessionSettingsTest, CompanyChangeEmptiesNameAndDatabase)
{
    CoEnvironmentSettings s;
    s.SetCompanyDatabase(QStringLiteral("ACMEDB"));
    EXPECT_EQ(s.CompanyDatabase(), QString());  // no company yet
    EXPECT_EQ(s.FilesDatabaseName(), QStringLiteral("_Files"));

    s.SetCompany(QStringLiteral("ACME"));
    s.SetCompanyName(QStringLiteral("Acme"));
    s.SetCompanyDatabase(QStringLiteral("ACME"));
    EXPECT_EQ(s.FilesDatabaseName(), QStringLiteral("ACME_Files"));
    s.SetCompany(QStringLiteral("ACME"));  // the same id keeps them
    EXPECT_EQ(s.CompanyName(), QStringLiteral("Acme"));
    EXPECT_EQ(s.CompanyDatabase(), QStringLiteral("ACME"));
    s.SetCompany(QStringLiteral("acme"));  // compared exactly
    EXPECT_EQ(s.CompanyName(), QString());
    EXPECT_EQ(s.CompanyDatabase(), QString());
    EXPECT_EQ(s.Company(), QStringLiteral("acme"));

    EXPECT_EQ(s.MasterDatabaseName(), QStringLiteral("master"));
    EXPECT_EQ(s.SystemDatabaseName(), QStringLiteral("CoSystem"));
    EXPECT_EQ(s.iDBUseMasterDatabase(), 652);
    EXPECT_EQ(s.iDBUseSystemDatabase(), 1);
}

TEST(SessionSettingsTest, TimeoutsHaveMinimumsAndUserNameIsTrimmed)
{
    CoEnvironmentSettings s;
    EXPECT_EQ(s.DefaultConnectionTimeout(), 120);
    EXPECT_EQ(s.DefaultCommandTimeout(), 240);
    struct Case {
        int16_t set, connection, command;
    } cases[] = {{30, 120, 240}, {120, 120, 240}, {121, 121, 240}, {240, 240, 240}, {600, 600, 600}, {-5, 120, 240}};
    for (const auto& c : cases) {
        s.SetDefaultConnectionTimeout(c.set);
        s.SetDefaultCommandTimeout(c.set);
        EXPECT_EQ(s.DefaultConnectionTimeout(), c.connection) << c.set;
        EXPECT_EQ(s.DefaultCommandTimeout(), c.command) << c.set;
    }
    s.SetAppUserName(QStringLiteral("  jdoe "));
    EXPECT_EQ(s.AppUserName(), QStringLiteral("jdoe"));
    s.SetAppPassword(QStringLiteral(" pw "));
    EXPECT_EQ(s.AppPassword(), QStringLiteral(" pw "));
}

TEST(SessionSettingsTest, BranchAndBranchIdWithoutSession)
{
    ResetSession();
    {
        CoEnvironmentSettings s;
        EXPECT_EQ(s.Branch(), QString());  // read before BranchID: no error
        EXPECT_EQ(s.BranchID(), 1);
        EXPECT_EQ(s.Branch(), QStringLiteral("Main Branch"));
    }
    {
        CoEnvironmentSettings s;
        s.SetBranchID(4);
        s.SetBranch(QStringLiteral("North"));
        EXPECT_EQ(s.Branch(), QStringLiteral("North"));
        EXPECT_EQ(s.BranchID(), 4);
    }
    {
        // A branch text set first is emptied by the id.
        CoEnvironmentSettings s;
        s.SetBranch(QStringLiteral("North"));
        s.SetBranchID(4);
        SetCurrentError(AppError(5, QStringLiteral("earlier"), QStringLiteral("Earlier.Source")));
        try {
            (void)s.Branch();
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), static_cast<int32_t>(0x80044E98u));
            EXPECT_EQ(e.number(), vberr::kObjectErrorBase + 20120);
            EXPECT_EQ(e.description(),
                      QStringLiteral("Internal program error the BranchID was set but the Branch text was never set."));
            EXPECT_EQ(e.source(), QStringLiteral("CoEnvironmentSettings.Branch_1_\r\nEarlier.Source"));
        }
        ClearCurrentError();
    }
}

TEST(SessionSettingsTest, BranchIdLooksUpTheBranchNameInASession)
{
    TestServer server;
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    server.Exec(QStringLiteral("INSERT INTO GLBranches (BranchID, BranchName) VALUES (1, 'Head Office');"));
    CoEnvironmentSettings s;
    EXPECT_EQ(s.BranchID(), 1);
    EXPECT_EQ(s.Branch(), QStringLiteral("Head Office"));

    server.Exec(QStringLiteral("DELETE FROM GLBranches;"));
    CoEnvironmentSettings missing;
    EXPECT_EQ(ErrorNumberOf([&] { missing.BranchID(); }), vberr::InvalidUseOfNull);
    EXPECT_EQ(missing.BranchID(), 1);
    EXPECT_EQ(missing.Branch(), QStringLiteral("Main Branch"));
}

TEST(SqlHelpersTest, QuoteSQLStringAndSQLNumber)
{
    struct Case {
        Variant value;
        QString quoted, number;
    } cases[] = {
        {Variant(QStringLiteral("O'Neil")), QStringLiteral("'O''Neil'"), QStringLiteral("O'Neil")},
        {Variant(Null), QStringLiteral("Null"), QStringLiteral("Null")},
        {Variant(int32_t(5)), QStringLiteral("'5'"), QStringLiteral("5")},
        {Variant(2.5), QStringLiteral("'2.5'"), QStringLiteral("2.5")},
        {Variant(QStringLiteral("")), QStringLiteral("''"), QString()},
        {Variant(), QStringLiteral("''"), QString()},
        {Variant(QStringLiteral("''")), QStringLiteral("''''''"), QStringLiteral("''")},
        {Variant(QStringLiteral(" a b ")), QStringLiteral("' a b '"), QStringLiteral(" a b ")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuoteSQLString(c.value), c.quoted) << qPrintable(c.quoted);
        EXPECT_EQ(SQLNumber(c.value), c.number) << qPrintable(c.quoted);
    }
}

// A text goes as '...' when the database's code page holds every character of
// it (a varchar column then compares with it as it is), as N'...' when one is
// outside, which would otherwise reach the database as "?".
TEST(SqlHelpersTest, QuoteSQLStringWritesNOnlyForATextOutsideTheDatabasesCodePage)
{
    struct Case {
        int codePage;
        const char* text;
        const char* quoted;
    } cases[] = {
        {kAnsiCodePage, "C00001", "'C00001'"},
        {kAnsiCodePage, "Z\u00fcrich \u20ac \u0153", "'Z\u00fcrich \u20ac \u0153'"},
        {kAnsiCodePage, "\u0141\u00f3d\u017a O'Neil", "N'\u0141\u00f3d\u017a O''Neil'"},
        {kAnsiCodePage, "\U0001F600", "N'\U0001F600'"},
        {1250, "\u0141\u00f3d\u017a Z\u00fcrich", "'\u0141\u00f3d\u017a Z\u00fcrich'"},
        {1250, "S\u00e3o Paulo", "N'S\u00e3o Paulo'"},
        {1251, "\u041c\u043e\u0441\u043a\u0432\u0430", "'\u041c\u043e\u0441\u043a\u0432\u0430'"},
        {1251, "\u00e9t\u00e9", "N'\u00e9t\u00e9'"},
        {932, "\u6771\u4eac", "'\u6771\u4eac'"},
        {932, "\u0141", "N'\u0141'"},
        {65001, "\u0141\u00f3d\u017a \u6771\u4eac \U0001F600", "'\u0141\u00f3d\u017a \u6771\u4eac \U0001F600'"},
        {0, "\u00e9", "N'\u00e9'"},      // a Unicode-only collation
        {4711, "\u00e9", "N'\u00e9'"},   // a code page this system cannot read
        {4711, "plain", "'plain'"},
    };
    for (const Case& c : cases) {
        SetSqlTextCodePage(c.codePage);
        EXPECT_EQ(QuoteSQLString(Variant(QString::fromUtf8(c.text))), QString::fromUtf8(c.quoted))
            << c.codePage << " " << c.text;
    }
    // a lone half of a surrogate pair has no code in any code page
    SetSqlTextCodePage(65001);
    EXPECT_EQ(QuoteSQLString(Variant(QString(QChar(0xD83D)))), QStringLiteral("N'") + QChar(0xD83D) + QLatin1Char('\''));
    EXPECT_EQ(QuoteSQLString(Variant(Null)), QStringLiteral("Null"));
    SetSqlTextCodePage(kAnsiCodePage);
}

TEST(SqlHelpersTest, MakeColumnTokenAndTrimBlanks)
{
    EXPECT_EQ(MakeColumnToken(Variant(QStringLiteral("  Customer Name "))), QStringLiteral("{Customer Name}"));
    EXPECT_EQ(MakeColumnToken(Variant(Null)), QStringLiteral("{}"));
    EXPECT_EQ(MakeColumnToken(Variant(QStringLiteral(""))), QStringLiteral("{}"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("\t x \t")), QStringLiteral("\t x \t"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("   ")), QString());
}

TEST(SqlHelpersTest, WithoutSessionTheHelpersFailOrReportFailure)
{
    ResetSession();
    Seams seams;
    EXPECT_FALSE(ExecuteSQL(QStringLiteral("SELECT 1")));
    EXPECT_EQ(ErrorNumberOf([] { GetSQLValue(QStringLiteral("SELECT 1")); }), vberr::ObjectNotSet);
    EXPECT_EQ(ErrorNumberOf([] { CreateADOConnection(); }), vberr::ObjectNotSet);
    EXPECT_TRUE(GetRegValue(0, QStringLiteral("System"), QStringLiteral("Version")).isEmpty());
    EXPECT_TRUE(seams.boxes.empty());
}

class SessionValuesTest : public ::testing::Test {
protected:
    void SetUp() override { LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret")); }
    TestServer server;
};

TEST_F(SessionValuesTest, ExecuteSQLRunsOrReturnsFalseQuietly)
{
    Seams seams;
    EXPECT_TRUE(ExecuteSQL(QStringLiteral("INSERT INTO GLBranches (BranchID, BranchName) VALUES (7, 'Seven')")));
    EXPECT_EQ(GetSQLValue(QStringLiteral("SELECT BranchName FROM GLBranches WHERE BranchID = 7")).toString(),
              QStringLiteral("Seven"));
    EXPECT_FALSE(ExecuteSQL(QStringLiteral("INSERT INTO GLBranches VALUES (8, ")));
    EXPECT_FALSE(ExecuteSQL(QStringLiteral("SELEC * FROM GLBranches")));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(SessionValuesTest, GetSQLValueGivesTheFirstFieldNullOrEmpty)
{
    server.Exec(QStringLiteral("INSERT INTO LdMaster (MasterID, MasterName, MasterValue) VALUES (1, 'A', 'x'), (2, 'B', 'y');"));
    EXPECT_EQ(GetSQLValue(QStringLiteral("SELECT MasterValue, MasterName FROM LdMaster ORDER BY MasterID")).toString(),
              QStringLiteral("x"));
    EXPECT_TRUE(GetSQLValue(QStringLiteral("SELECT NULL FROM LdMaster")).isNull());
    EXPECT_TRUE(GetSQLValue(QStringLiteral("SELECT MasterValue FROM LdMaster WHERE MasterID = 9")).isEmpty());
    EXPECT_NE(ErrorNumberOf([] { GetSQLValue(QStringLiteral("SELECT FROM")); }), 0);
}

TEST_F(SessionValuesTest, GetRegValueConvertsByType)
{
    server.Exec(QStringLiteral(
        "INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (2, NULL, 'Config');"
        "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES "
        "(2, 'Text', 'S', 'hello'), (2, 'Blank', 'S', ' '), (2, 'Count', 'I4', '42'), (2, 'Ratio', 'F8', '2.5'),"
        "(2, 'Short', 'I2', '3'), (2, 'Lower', 's', 'x'), (2, 'BadInt', 'I4', 'many');"));
    const QString config = QStringLiteral("Config");
    EXPECT_TRUE(GetRegValue(0, config, QStringLiteral("Text")).identical(Variant(QStringLiteral("hello"))));
    EXPECT_TRUE(GetRegValue(0, config, QStringLiteral("Blank")).identical(Variant(QStringLiteral(""))));
    EXPECT_TRUE(GetRegValue(0, config, QStringLiteral("Count")).identical(Variant(int32_t(42))));
    EXPECT_TRUE(GetRegValue(0, config, QStringLiteral("Ratio")).identical(Variant(2.5)));
    EXPECT_TRUE(GetRegValue(0, QStringLiteral("System"), QStringLiteral("Version")).toString().contains(QStringLiteral("7.6.5")));
    // No such value or key: the procedure fails, the result is Empty.
    EXPECT_TRUE(GetRegValue(0, config, QStringLiteral("Missing")).isEmpty());
    EXPECT_TRUE(GetRegValue(0, QStringLiteral("Nowhere"), QStringLiteral("Text")).isEmpty());

    for (const auto& [name, type] : {std::pair{QStringLiteral("Short"), QStringLiteral("I2")},
                                     std::pair{QStringLiteral("Lower"), QStringLiteral("s")}}) {
        try {
            GetRegValue(0, config, name);
            ADD_FAILURE() << "no error for type " << qPrintable(type);
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 32768);
            EXPECT_EQ(e.description(),
                      QStringLiteral("Unable to load value of type '") + type + QStringLiteral("' from the registry."));
        }
    }
    EXPECT_EQ(ErrorNumberOf([&] { GetRegValue(0, config, QStringLiteral("BadInt")); }), vberr::TypeMismatch);
}

TEST_F(SessionValuesTest, LookupConnectionOpensTheCompanyDatabaseAndIsReplaced)
{
    EXPECT_EQ(g_cn, nullptr);
    OpenLookupConnection();
    ASSERT_NE(g_cn, nullptr);
    const BrandleDatabasePtr first = g_cn;
    EXPECT_TRUE(first->IsOpen());
    EXPECT_NE(first.get(), &g_oSystemEngine->DBI());
    EXPECT_EQ(first->DatabaseName().compare(kDatabase, Qt::CaseInsensitive), 0);
    EXPECT_EQ(first->LoginName(), QStringLiteral("coexecutive"));
    EXPECT_EQ(first->DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("CoUsers"), QString()).toInt32(), 2);

    OpenLookupConnection();
    EXPECT_NE(g_cn, first);
    EXPECT_TRUE(g_cn->IsOpen());

    // A failing open leaves the connection there was.
    const BrandleDatabasePtr second = g_cn;
    g_sDatabase = QStringLiteral("NoSuchDatabase");
    EXPECT_NE(ErrorNumberOf([] { OpenLookupConnection(); }), 0);
    EXPECT_EQ(g_cn, second);
}

namespace {
struct OtherEngine : VObject, DatabaseObjectOwner {
    BrandleDatabasePtr db = std::make_shared<BrandleDatabase>();
    BrandleDatabasePtr odbi() override { return db; }
};
}  // namespace

TEST_F(SessionValuesTest, ShareConnectionAdoptsAnotherEnginesDatabaseObject)
{
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    const BrandleDatabasePtr own = session->DBIObject();
    auto other = std::make_shared<OtherEngine>();
    auto engine = CoQuillonSystemEngine::Create();
    EXPECT_EQ(ErrorNumberOf([&] { engine->ShareConnection(std::make_shared<VObject>()); }), vberr::ObjectDoesntSupport);
    EXPECT_EQ(g_oSystemEngine, session);

    EXPECT_TRUE(session->ShareConnection(other).isEmpty());
    EXPECT_FALSE(own->IsOpen());
    EXPECT_EQ(session->DBIObject(), other->db);
    EXPECT_EQ(g_oSystemEngine, session);
}
