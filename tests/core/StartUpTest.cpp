// Start-up: the command line, the direct logon, the logon window through its
// seam, re-logon, and the main window shown for the session.

#include "core/SessionTestSupport.h"

#include "core/CoreTestSupport.h"
#include "core/StartUp.h"
#include "core/clsLogonProfile.h"
#include "core/FormUtilities.h"

#include <QPointer>
#include <functional>

using namespace sessiontest;

TEST(StartUpSwitchesTest, SwitchRules)
{
    struct Case {
        const char* what;
        QString line;
        QString server, hb, port, company, user, password;
        bool direct;
    } cases[] = {
        {"complete", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe;/PWD=pw;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ACME"),
         QStringLiteral("jdoe"), QStringLiteral("pw"), true},
        {"any order, blanks kept", QStringLiteral("x /PWD= p w ;/UID=jdoe;/CO=ACME;/HBPRT=1331;/HBSRV=hb;/SQLSRV=srv;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ACME"),
         QStringLiteral("jdoe"), QStringLiteral(" p w "), true},
        {"no password", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ACME"),
         QStringLiteral("jdoe"), QString(), true},
        {"no company", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/UID=jdoe;/PWD=pw;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QString(), QStringLiteral("jdoe"),
         QStringLiteral("pw"), false},
        {"lower case switch", QStringLiteral("/sqlsrv=srv;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe;"), QString(),
         QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ACME"), QStringLiteral("jdoe"), QString(), false},
        {"first occurrence", QStringLiteral("/CO=ONE;/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/CO=TWO;/UID=jdoe;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ONE"),
         QStringLiteral("jdoe"), QString(), true},
        {"empty value", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/CO=;/UID=jdoe;/CO=ACME;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QString(), QStringLiteral("jdoe"),
         QString(), false},
        {"no closing semicolon", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe"),
         QStringLiteral("srv"), QStringLiteral("hb"), QStringLiteral("1331"), QStringLiteral("ACME"), QString(),
         QString(), false},
        {"port too large", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=70000;/CO=ACME;/UID=jdoe;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QString(), QStringLiteral("ACME"), QStringLiteral("jdoe"),
         QString(), false},
        {"port not a number", QStringLiteral("/SQLSRV=srv;/HBSRV=hb;/HBPRT=port;/CO=ACME;/UID=jdoe;"),
         QStringLiteral("srv"), QStringLiteral("hb"), QString(), QStringLiteral("ACME"), QStringLiteral("jdoe"),
         QString(), false},
        // The search looks at the whole line: "/CO=" is first found inside the user's value.
        {"found anywhere", QStringLiteral("/UID=a/CO=b;/CO=c;"), QString(), QString(), QString(), QStringLiteral("b"),
         QStringLiteral("a/CO=b"), QString(), false},
        {"empty line", QString(), QString(), QString(), QString(), QString(), QString(), QString(), false},
    };
    for (const auto& c : cases) {
        const StartUpSwitches s = ReadStartUpSwitches(c.line);
        EXPECT_EQ(s.sqlServer, c.server) << c.what;
        EXPECT_EQ(s.hbServer, c.hb) << c.what;
        EXPECT_EQ(s.hbServerPort, c.port) << c.what;
        EXPECT_EQ(s.company, c.company) << c.what;
        EXPECT_EQ(s.userId, c.user) << c.what;
        EXPECT_EQ(s.password, c.password) << c.what;
        EXPECT_EQ(s.DirectLogon(), c.direct) << c.what;
    }
    EXPECT_EQ(ReadStartUpSwitches(QStringLiteral("/HBPRT=-32768;")).Port(), -32768);
    EXPECT_EQ(ReadStartUpSwitches(QStringLiteral("/HBPRT=32767;")).Port(), 32767);
    EXPECT_EQ(ReadStartUpSwitches(QStringLiteral("/HBPRT=32768;")).hbServerPort, QString());
}

TEST(StartUpSwitchesTest, CaptionOfTheMainWindow)
{
    EXPECT_EQ(MainWindowCaption(QStringLiteral("ACME")), QStringLiteral("ACME - quillon 7.6"));
}

namespace {

// The logon window's stand-in: records what start-up did with it and, when shown,
// runs the user's part (the test's action), as the real window does in its modal loop.
class FakeLogonWindow : public Form, public LogonWindowHost {
public:
    FakeLogonWindow() : Form(QStringLiteral("frmLogonNew")) { KeepAfterUnload(this); }
    Form* LogonForm() override { return this; }
    void Init(const QString& strCaption, int16_t& iApplication) override
    {
        ++inits;
        caption = strCaption;
        application = iApplication;
        loadedAtInit = IsFormLoaded(this);
        reloginAtInit = m_relogin;
    }
    bool Relogin() const override { return m_relogin; }
    void SetRelogin(bool value) override { m_relogin = value; }

    // One attempt as the window makes it: LogOn, and on failure outside re-logon the engine is closed.
    bool Attempt(const QString& company, const QString& user, const QString& password)
    {
        clsLogonProfile profile;
        profile.SQLServer = kServer;
        profile.Company = company;
        profile.HBServer = QStringLiteral("hb");
        profile.HBServerPort = 1331;
        profile.CurrentUser = user;
        profile.CurrentUserPwd = password;
        try {
            return LogOn(profile, m_relogin);
        } catch (const AppError& e) {
            failures << e.description();
            if (!m_relogin)
                CloseSystemEngine();
            return false;
        }
    }

    std::function<void(FakeLogonWindow&)> action;
    int inits = 0;
    QString caption;
    int16_t application = -1;
    bool loadedAtInit = false;
    bool reloginAtInit = true;
    QStringList formsAtShow;
    QStringList failures;

protected:
    void showEvent(QShowEvent* e) override
    {
        Form::showEvent(e);
        formsAtShow.clear();
        for (Form* f : LoadedForms())
            formsAtShow << f->objectName();
        if (action)
            action(*this);
    }

private:
    bool m_relogin = false;
};

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        erpdb::CreateCompany(kServer, QStringLiteral("OTHER"), QStringLiteral("Other Ltd"), QStringLiteral("OTHERDB"));
        server.Exec(QStringLiteral("INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');"
                                   "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', '7.6.5');"),
                    QStringLiteral("OTHERDB"));
        erpdb::AddUser(kServer, QStringLiteral("OTHER"), QStringLiteral("jdoe"), QStringLiteral("J. Doe"),
                       QStringLiteral("other"));
        logon = new FakeLogonWindow;
        logon->setObjectName(QStringLiteral("logon"));
        SetLogonWindowProvider([this]() -> LogonWindowHost* {
            ++logonRequests;
            return logon;
        });
        SetSplashWindowFactory([this]() -> Form* {
            auto* splash = new Form(QStringLiteral("frmAbout"));
            splash->setObjectName(QStringLiteral("splash"));
            splashes.push_back(splash);
            return splash;
        });
    }
    void TearDown() override
    {
        UnloadAllForms();
        SetLogonWindowProvider(nullptr);
        SetSplashWindowFactory(nullptr);
        SetMainWindowProvider(nullptr);
        delete logon.data();
    }
    Form* OpenListWindow(const QString& name)
    {
        auto* list = new Form(QStringLiteral("frmListView"));
        list->setObjectName(name);
        Show(list);
        return list;
    }
    // Main as the program runs it; true when the program ended.
    bool Run(const QString& commandLine)
    {
        try {
            RunMain(commandLine);
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }
    bool ShowLogonEnded(bool reopen)
    {
        try {
            ShowLogon(QString::fromLatin1(kLogonCaption), reopen);
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }

    TestServer server;
    Seams seams;
    QPointer<FakeLogonWindow> logon;
    int logonRequests = 0;
    std::vector<QPointer<Form>> splashes;
};

const QString kDirect = QStringLiteral("/SQLSRV=TESTSRV;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe;/PWD=secret;");

}  // namespace

TEST_F(StartUpTest, CompleteCommandLineLogsOnDirectly)
{
    EXPECT_FALSE(Run(kDirect));
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(logonRequests, 0);
    ASSERT_EQ(splashes.size(), 1u);
    EXPECT_TRUE(splashes[0].isNull() || !splashes[0]->IsLoaded());

    Form* main = MainWindow();
    EXPECT_TRUE(IsFormLoaded(main));
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->Name(), QStringLiteral("frmMDIFrame"));
    EXPECT_EQ(main->Caption(), QStringLiteral("ACME - quillon 7.6"));
    ASSERT_NE(g_oSystemEngine, nullptr);
    EXPECT_EQ(g_sUserID, QStringLiteral("jdoe"));
    EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
    EXPECT_EQ(g_sDatabase, kDatabase);
    EXPECT_EQ(g_sServer, kServer);
    ASSERT_NE(g_cn, nullptr);
    EXPECT_TRUE(g_cn->IsOpen());
    // Only the main window is left.
    ASSERT_EQ(LoadedForms().size(), 1u);

    // Its unload ends the session.
    Unload(main);
    EXPECT_EQ(g_oSystemEngine, nullptr);
}

TEST_F(StartUpTest, DirectLogonWithoutPasswordSwitchUsesAnEmptyPassword)
{
    server.AddUser(QStringLiteral("nopw"), QStringLiteral("No Password"), QString());
    EXPECT_FALSE(Run(QStringLiteral("/SQLSRV=TESTSRV;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=nopw;")));
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(g_sUserID, QStringLiteral("nopw"));
    EXPECT_EQ(g_oSystemEngine->EnvironmentSettings().AppPassword(), QString());
}

TEST_F(StartUpTest, RefusedDirectLogonShowsTheErrorOnceAndEnds)
{
    EXPECT_TRUE(Run(QStringLiteral("/SQLSRV=TESTSRV;/HBSRV=hb;/HBPRT=1331;/CO=ACME;/UID=jdoe;/PWD=wrong;")));
    EXPECT_EQ(seams.ends, 1);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("(32768) -- Unable to Log In:  Unknown user or password."));
    EXPECT_FALSE(IsFormLoaded(MainWindow()));
    EXPECT_EQ(g_oSystemEngine, nullptr);
    EXPECT_EQ(logonRequests, 0);
}

TEST_F(StartUpTest, IncompleteCommandLineShowsTheLogonWindowAndIgnoresTheSwitches)
{
    logon->action = [](FakeLogonWindow& w) {
        if (w.Attempt(QStringLiteral("ACME"), QStringLiteral("admin"), QStringLiteral("adminpw")))
            Unload(&w);
    };
    EXPECT_FALSE(Run(QStringLiteral("/SQLSRV=TESTSRV;/HBSRV=hb;/HBPRT=1331;/UID=jdoe;/PWD=secret;")));
    EXPECT_EQ(logon->inits, 1);
    EXPECT_EQ(logon->caption, QStringLiteral("quillon Login"));
    EXPECT_EQ(logon->application, 0);
    EXPECT_TRUE(logon->loadedAtInit);
    EXPECT_FALSE(logon->Relogin());
    EXPECT_FALSE(logon->formsAtShow.contains(QStringLiteral("splash")));
    EXPECT_EQ(g_sUserID, QStringLiteral("admin"));
    EXPECT_EQ(MainWindow()->Caption(), QStringLiteral("ACME - quillon 7.6"));
    EXPECT_TRUE(MainWindow()->isVisible());
    EXPECT_FALSE(IsFormLoaded(logon));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(StartUpTest, LogonWindowLeftLoadedIsUnloaded)
{
    // The window hides after its logon without unloading itself.
    logon->action = [](FakeLogonWindow& w) {
        if (w.Attempt(QStringLiteral("ACME"), QStringLiteral("jdoe"), QStringLiteral("secret")))
            Hide(&w);
    };
    EXPECT_FALSE(ShowLogonEnded(false));
    EXPECT_FALSE(IsFormLoaded(logon));
    EXPECT_TRUE(IsFormLoaded(MainWindow()));
}

TEST_F(StartUpTest, LogonWindowClosedWithoutASessionEndsTheProgram)
{
    logon->action = [](FakeLogonWindow& w) { Unload(&w); };
    EXPECT_TRUE(Run(QStringLiteral("")));
    EXPECT_EQ(seams.ends, 1);
    EXPECT_FALSE(IsFormLoaded(MainWindow()));
}

TEST_F(StartUpTest, WithoutALogonWindowStartUpSaysSoAndEnds)
{
    SetLogonWindowProvider(nullptr);
    EXPECT_TRUE(Run(QStringLiteral("/SQLSRV=TESTSRV;")));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_TRUE(seams.boxes[0].prompt.contains(QStringLiteral("logon window is not available")));
    EXPECT_EQ(seams.ends, 1);
}

TEST_F(StartUpTest, OpenCompanyClosesTheOtherWindowsAndCancelKeepsTheSession)
{
    ASSERT_FALSE(Run(kDirect));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    OpenListWindow(QStringLiteral("list1"));
    OpenListWindow(QStringLiteral("list2"));
    logon->action = [](FakeLogonWindow& w) { Unload(&w); };  // Cancel in re-logon mode

    EXPECT_FALSE(ShowLogonEnded(true));
    EXPECT_FALSE(logon->reloginAtInit);
    EXPECT_TRUE(logon->Relogin());
    EXPECT_EQ(logon->formsAtShow, (QStringList{QStringLiteral("frmMDIFrame"), QStringLiteral("logon")}));
    EXPECT_EQ(g_oSystemEngine, session);
    EXPECT_EQ(MainWindow()->Caption(), QStringLiteral("ACME - quillon 7.6"));
    EXPECT_TRUE(MainWindow()->isVisible());
    EXPECT_EQ(LoadedForms().size(), 1u);
}

TEST_F(StartUpTest, OpenCompanyAfterAFailedAttemptShowsTheNewCompany)
{
    ASSERT_FALSE(Run(kDirect));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    logon->action = [&](FakeLogonWindow& w) {
        EXPECT_FALSE(w.Attempt(QStringLiteral("OTHER"), QStringLiteral("jdoe"), QStringLiteral("secret")));
        EXPECT_EQ(g_oSystemEngine, session);  // the failure keeps the session in re-logon mode
        if (w.Attempt(QStringLiteral("OTHER"), QStringLiteral("jdoe"), QStringLiteral("other")))
            Unload(&w);
    };
    EXPECT_FALSE(ShowLogonEnded(true));
    EXPECT_EQ(logon->failures, QStringList{QStringLiteral("Unable to Log In:  Unknown user or password.")});
    EXPECT_NE(g_oSystemEngine, session);
    EXPECT_EQ(g_sCompanyID, QStringLiteral("OTHER"));
    EXPECT_EQ(g_sDatabase, QStringLiteral("OTHERDB"));
    EXPECT_EQ(MainWindow()->Caption(), QStringLiteral("OTHER - quillon 7.6"));
    EXPECT_EQ(g_cn->DatabaseName().compare(QStringLiteral("OTHERDB"), Qt::CaseInsensitive), 0);
}

TEST_F(StartUpTest, LoginAsDifferentUserClosesTheOtherWindowsBeforeTheLogonWindow)
{
    ASSERT_FALSE(Run(kDirect));
    OpenListWindow(QStringLiteral("list1"));
    logon->action = [](FakeLogonWindow& w) {
        if (w.Attempt(QStringLiteral("ACME"), QStringLiteral("admin"), QStringLiteral("adminpw")))
            Unload(&w);
    };
    EXPECT_FALSE(ShowLogonEnded(false));
    EXPECT_FALSE(logon->Relogin());
    EXPECT_EQ(logon->formsAtShow, (QStringList{QStringLiteral("frmMDIFrame"), QStringLiteral("logon")}));
    EXPECT_EQ(g_sUserID, QStringLiteral("admin"));
    EXPECT_TRUE(MainWindow()->isVisible());
}

TEST_F(StartUpTest, AWindowThatFailsToCloseLeavesNoLogonWindowBehind)
{
    ASSERT_FALSE(Run(kDirect));
    struct Stubborn : Form {
        Stubborn() : Form(QStringLiteral("frmListView")) {}
        bool Form_Unload() override { RaiseError(vberr::ProgramDefined, QStringLiteral("cannot close")); }
    };
    auto* stubborn = new Stubborn;
    KeepAfterUnload(stubborn);
    Show(stubborn);
    EXPECT_EQ(ErrorNumberOf([this] { ShowLogonEnded(false); }), int(vberr::ProgramDefined));
    EXPECT_FALSE(IsFormLoaded(logon));
    EXPECT_EQ(logon->inits, 0);
    delete stubborn;
}

TEST_F(StartUpTest, FailedLoginAsDifferentUserEndsTheSessionAndThenTheProgram)
{
    ASSERT_FALSE(Run(kDirect));
    logon->action = [](FakeLogonWindow& w) {
        w.Attempt(QStringLiteral("ACME"), QStringLiteral("admin"), QStringLiteral("wrong"));
        Unload(&w);  // Cancel after the failure
    };
    EXPECT_TRUE(ShowLogonEnded(false));
    EXPECT_EQ(g_oSystemEngine, nullptr);
}

TEST_F(StartUpTest, ShowMainWindowUsesTheRegisteredMainWindow)
{
    auto* registered = new Form(QStringLiteral("frmMDIFrame"));
    registered->setObjectName(QStringLiteral("registered"));
    KeepAfterUnload(registered);
    SetMainWindowProvider([registered] { return registered; });
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    OpenListWindow(QStringLiteral("list"));
    ShowMainWindow();
    EXPECT_EQ(MainWindow(), registered);
    EXPECT_TRUE(registered->isVisible());
    EXPECT_EQ(registered->Caption(), QStringLiteral("ACME - quillon 7.6"));
    EXPECT_EQ(LoadedForms(), std::vector<Form*>{registered});
    const BrandleDatabasePtr first = g_cn;
    ShowMainWindow();
    EXPECT_NE(g_cn, first);
    EXPECT_TRUE(registered->isVisible());
    UnloadAllForms();
    SetMainWindowProvider(nullptr);
    delete registered;
}
