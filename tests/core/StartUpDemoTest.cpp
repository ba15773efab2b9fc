// Start-up against the demo company (a small one, in a temporary folder): the
// direct logon of the README and the rights of its kinds of users.

#include "core/SessionTestSupport.h"

#include "core/SecurityRights.h"
#include "core/StartUp.h"
#include "db/DemoCompany.h"

using namespace sessiontest;

namespace {

class DemoStartUpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        erpdb::SetServersRoot(s_dir->filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(s_dir->filePath(QStringLiteral("config")));
        erpdb::DemoOptions options;
        options.server = QStringLiteral("DEMOSRV");
        options.orderLines = 200;
        erpdb::CreateDemoCompany(options);
    }
    static void TearDownTestSuite()
    {
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override
    {
        erpdb::SetServersRoot(s_dir->filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(s_dir->filePath(QStringLiteral("config")));
        ResetSession();
    }
    void TearDown() override
    {
        UnloadAllForms();
        ResetSession();
    }
    bool Run(const QString& user, const QString& password, const QString& company = QStringLiteral("DEMO"))
    {
        try {
            RunMain(QStringLiteral("/SQLSRV=DEMOSRV;/HBSRV=localhost;/HBPRT=1331;/CO=%3;/UID=%1;/PWD=%2;")
                        .arg(user, password, company));
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }
    static QTemporaryDir* s_dir;
    Seams seams;
};
QTemporaryDir* DemoStartUpTest::s_dir = nullptr;

}  // namespace

TEST_F(DemoStartUpTest, DirectLogonShowsTheCompanysMainWindow)
{
    EXPECT_FALSE(Run(QStringLiteral("admin"), QStringLiteral("admin")));
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(MainWindow()->Caption(), QStringLiteral("DEMO - quillon 7.6"));
    EXPECT_TRUE(MainWindow()->isVisible());
    EXPECT_EQ(g_oSystemEngine->EnvironmentSettings().CompanyDatabase(), QString::fromLatin1(erpdb::kDemoDatabaseName));
    EXPECT_FALSE(GetRegValue(0, QStringLiteral("Config"), QStringLiteral("ExcelExportAuthMethod")).isEmpty());
}

TEST_F(DemoStartUpTest, TheSecondCompanyWithoutBranchesTakesTheSameUsers)
{
    EXPECT_FALSE(Run(QStringLiteral("jdoe"), QStringLiteral("secret"), QStringLiteral("TRADING")));
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(MainWindow()->Caption(), QStringLiteral("TRADING - quillon 7.6"));
}

TEST_F(DemoStartUpTest, WrongPasswordShowsTheErrorAndEnds)
{
    EXPECT_TRUE(Run(QStringLiteral("admin"), QStringLiteral("nimda")));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("(32768) -- Unable to Log In:  Unknown user or password."));
    EXPECT_EQ(seams.ends, 1);
    EXPECT_FALSE(IsFormLoaded(MainWindow()));
}

TEST_F(DemoStartUpTest, EveryKindOfUserLogsOnAndOnlyTheGuestLacksAllViews)
{
    for (const erpdb::DemoUser& u : erpdb::DemoUsers()) {
        const QString user = QString::fromLatin1(u.userId);
        seams.boxes.clear();
        ASSERT_FALSE(Run(user, QString::fromLatin1(u.password))) << u.userId;
        EXPECT_EQ(g_sUserID, user);
        const bool guest = user == QLatin1String("guest");
        EXPECT_EQ(CheckRights(QStringLiteral("QuillonAllViews"), kRightView), !guest) << u.userId;
        EXPECT_TRUE(CheckRights(QStringLiteral("QuillonMyViews"), kRightView)) << u.userId;
        if (guest) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_TRUE(seams.boxes[0].prompt.endsWith(
                QStringLiteral("\r\n\r\nView rights to '") + GetSecuredObjectDescription(QStringLiteral("QuillonAllViews")) +
                QStringLiteral("'")));
        } else {
            EXPECT_TRUE(seams.boxes.empty()) << u.userId;
        }
        UnloadAllForms();
    }
}
