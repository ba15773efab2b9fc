// The logon window: the profile box it fills from the stored settings, the
// selector's keys and type-ahead, the input check, the logon attempt with its
// counted and uncounted failures, Cancel, closing, dragging and the skin.
#include "logon/frmLogonNew.h"

#include "logon/frmLogonNewTestSupport.h"
#include "platform/forms/Resources.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QHelpEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QTimer>
#include <QCloseEvent>
#include <memory>

using namespace logontest;

namespace {

const QString kCreate = QStringLiteral("<create new logon profile>");
const QString kFailed1 = QStringLiteral("Failed to login. Please verify information and try again.");
const QString kFailed2 = QStringLiteral("Failed to login. Verify information and try again.");

class LogonWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (w && IsFormLoaded(w.get()))
            Unload(w.get());
        w.reset();
    }

    // One showing of a window of the test's own, non-modal.
    frmLogonNew& Open(bool relogin = false)
    {
        if (!w) {
            w = std::make_unique<frmLogonNew>();
            KeepAfterUnload(w.get());
        }
        Load(w.get());
        w->Init(QStringLiteral("quillon Login"));
        w->SetRelogin(relogin);
        w->show();
        return *w;
    }
    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < w->cbxProfiles->ListCount(); ++i)
            entries << w->cbxProfiles->List(i);
        return entries;
    }
    // Chooses a profile entry and fills in the user id and password.
    void Fill(const QString& profile, const QString& user, const QString& password)
    {
        w->cbxProfiles->SetListIndex(w->cbxProfiles->findText(profile));
        w->txtUserName->setText(user);
        w->txtPassword->setText(password);
    }
    // OK; true when it ended the program.
    bool Ok()
    {
        try {
            w->picOk_Click();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }
    QStringList Prompts() const
    {
        QStringList prompts;
        for (const MessageBoxRequest& r : fixture.boxes)
            prompts << r.prompt;
        return prompts;
    }

    LogonFixture fixture;
    std::unique_ptr<frmLogonNew> w;
};

// ---------------------------------------------------------------- the profile box

TEST_F(LogonWindowTest, TheProfileBoxFollowsTheStoredSettings)
{
    // The focus goes to the first box still to fill: the user id, then the
    // password (with a profile chosen), else the profile list.
    struct Case {
        const char* name;
        QString list;
        QString profile;
        QString user;
        QStringList entries;
        QString selected;
        const char* focus;
    };
    const Case cases[] = {
        {"nothing stored", QString(), QString(), "jdoe", {kCreate}, kCreate, "cbxProfiles"},
        {"nothing stored, no user id", QString(), QString(), QString(), {kCreate}, kCreate, "txtUserName"},
        {"current profile listed", Record("Acme", "ACME") + Record("Other", "OTHER"), "Other", "jdoe",
         {"Acme", "Other", kCreate}, "Other", "txtPassword"},
        {"current profile, no user id", Record("Acme", "ACME"), "Acme", QString(), {"Acme", kCreate}, "Acme",
         "txtUserName"},
        {"current profile gone", Record("Acme", "ACME"), "Gone", "jdoe", {"Acme", kCreate}, kCreate, "txtPassword"},
        {"a name of blanks", Record("   ", "ACME") + Record("Acme", "ACME"), "Acme", "jdoe", {"Acme", kCreate}, "Acme",
         "txtPassword"},
        // Records that cannot be read leave the others listed (and the create entry).
        {"damaged records", Record("Acme", "ACME") + "broken[^]B[~]h[~]port[~]s[~]c[~]1[^]" + Record("Other", "OTHER"),
         "Acme", "jdoe", {"Acme", "Other", kCreate}, "Acme", "txtPassword"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(c.list)},
                             {"Profile", Variant(c.profile)},
                             {"UserID", Variant(c.user)}});
        frmLogonNew& win = Open();
        EXPECT_EQ(Entries(), c.entries);
        EXPECT_EQ(win.cbxProfiles->Text(), c.selected);
        EXPECT_EQ(win.txtProfile->text(), c.selected);
        EXPECT_EQ(win.txtUserName->text(), c.user);
        ASSERT_TRUE(win.focusWidget());
        EXPECT_EQ(win.focusWidget()->objectName(), QLatin1String(c.focus));
        Unload(&win);
    }
    EXPECT_TRUE(fixture.boxes.empty());
}

TEST_F(LogonWindowTest, OldSettingsThatCannotBeMigratedStillLeaveTheCreateEntry)
{
    // An old single-server logon whose branch id is not a number.
    LogonFixture::Store({{"Server", Variant(kServer)},
                         {"CompanyID", Variant(QStringLiteral("ACME"))},
                         {"BranchID", Variant(QStringLiteral("main"))},
                         {"UserID", Variant(QStringLiteral("jdoe"))}});
    frmLogonNew& win = Open();
    EXPECT_EQ(Entries(), QStringList{kCreate});
    EXPECT_EQ(win.txtProfile->text(), kCreate);
    EXPECT_EQ(win.txtUserName->text(), QStringLiteral("jdoe"));
}

TEST_F(LogonWindowTest, TheSelectorKeysMoveWithinTheListAndAltOpensIt)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME") + Record("Other", "OTHER"))},
                         {"Profile", Variant(QStringLiteral("Acme"))}});
    frmLogonNew& win = Open();
    ComboBox& list = *win.cbxProfiles;
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(win.txtProfile, k, m); };

    key(Qt::Key_Up);  // the first entry: stays
    EXPECT_EQ(list.ListIndex(), 0);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(win.txtProfile->text(), kCreate);
    key(Qt::Key_Down);  // the last entry: stays
    EXPECT_EQ(list.ListIndex(), 2);
    list.SetListIndex(-1);
    key(Qt::Key_Up);  // nothing selected: the first entry
    EXPECT_EQ(list.ListIndex(), 0);
    EXPECT_EQ(win.txtProfile->text(), QStringLiteral("Acme"));

    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Up}) {
        win.txtProfile->setFocus();
        key(k, Qt::AltModifier);
        EXPECT_TRUE(list.DroppedState());
        EXPECT_EQ(win.focusWidget(), &list);
        EXPECT_EQ(list.ListIndex(), 0);  // opening moves nothing
        list.ShowDropdown(false);
    }
    win.picDropSelector_Click();
    EXPECT_TRUE(list.DroppedState());
    win.picDropSelector_Click();
    EXPECT_FALSE(list.DroppedState());
}

TEST_F(LogonWindowTest, ALongProfileNameIsWholeInTheListAndInTheBoxsTip)
{
    const QString partTip = QStringLiteral("Enter the database server name that you wish to connect to.");
    const QString longName = QStringLiteral("(LOCAL).DEMO-South Branch");
    // The tip a user sees when resting the pointer on the control ("" for none).
    auto tipOf = [](QWidget* control) {
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(control, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        // A hidden tip goes on showing for a moment: the next one must not find it.
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        return shown;
    };
    struct Case {
        const char* name;
        QString list;
    } cases[] = {
        {"two profiles", Record("Acme", "ACME") + Record(longName, "OTHER")},
        // The longest name lies beyond the entries the list shows at once.
        {"more profiles than the list shows at once",
         [&] {
             QString list;
             for (int i = 1; i <= 10; ++i)
                 list += Record(QStringLiteral("P%1").arg(i), "ACME");
             return list + Record(longName + QStringLiteral(" (old server)"), "OTHER");
         }()},
    };
    // Fusion sizes a combo box's list to its entries by itself, the Windows style
    // keeps it to the box's width unless the list asks for more.
    for (const char* styleName : {"Fusion", "Windows"}) {
        const std::unique_ptr<QStyle> style(QStyleFactory::create(QLatin1String(styleName)));
        ASSERT_TRUE(style) << styleName;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(styleName) + ", " + c.name);
            LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(c.list)},
                                 {"Profile", Variant(QString())},
                                 {"UserID", Variant(QStringLiteral("jdoe"))}});
            w = std::make_unique<frmLogonNew>();
            KeepAfterUnload(w.get());
            w->cbxProfiles->setStyle(style.get());
            frmLogonNew& win = Open();
            const int32_t longest = win.cbxProfiles->ListCount() - 2;
            const QString name = win.cbxProfiles->List(longest);
            ASSERT_TRUE(name.startsWith(longName));
            win.cbxProfiles->SetListIndex(longest);

            // The boxes keep their sizes and the profile list its own tip; the name
            // does not fit the box the user sees, whose tip holds it whole.
            EXPECT_EQ(win.cbxProfiles->width(), TwipsToPixelsX(2160));
            EXPECT_EQ(win.txtProfile->width(), TwipsToPixelsX(1755));
            EXPECT_EQ(win.cbxProfiles->toolTip(), partTip);
            EXPECT_EQ(tipOf(win.LblProfile), partTip);
            EXPECT_EQ(win.txtProfile->text(), name);
            EXPECT_GT(win.txtProfile->fontMetrics().horizontalAdvance(name), win.txtProfile->width());
            EXPECT_EQ(tipOf(win.txtProfile), name);
            // The tip follows the choice.
            win.cbxProfiles->SetListIndex(0);
            EXPECT_EQ(tipOf(win.txtProfile), win.cbxProfiles->List(0));

            // The drop selector opens a list with room for its longest entry.
            win.picDropSelector_Click();
            ASSERT_TRUE(win.cbxProfiles->DroppedState());
            QCoreApplication::processEvents();
            const QAbstractItemView* list = win.cbxProfiles->view();
            EXPECT_GE(list->viewport()->width(), list->sizeHintForIndex(list->model()->index(longest, 0)).width());
            win.picDropSelector_Click();
            EXPECT_FALSE(win.cbxProfiles->DroppedState());
            Unload(&win);
            w.reset();
        }
    }
    EXPECT_TRUE(fixture.boxes.empty());
}

TEST_F(LogonWindowTest, TypingInTheProfileListCompletesEntriesAndRefusesTheRest)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST",
                          Variant(Record("Acme", "ACME") + Record("Beta Corp", "OTHER") + Record("Bravo", "OTHER"))},
                         {"UserID", Variant(QStringLiteral("jdoe"))}});
    frmLogonNew& win = Open();
    ASSERT_EQ(win.focusWidget(), win.cbxProfiles);
    QTest::keyClick(win.cbxProfiles, Qt::Key_B);
    EXPECT_EQ(win.txtProfile->text(), QStringLiteral("Beta Corp"));
    QTest::keyClick(win.cbxProfiles, Qt::Key_R);
    EXPECT_EQ(win.txtProfile->text(), QStringLiteral("Bravo"));
    QTest::keyClick(win.cbxProfiles, Qt::Key_Z);  // "brz" matches nothing
    EXPECT_EQ(win.cbxProfiles->Text(), QStringLiteral("Bravo"));
    EXPECT_EQ(win.txtProfile->text(), QStringLiteral("Bravo"));
    win.cbxProfiles->ShowDropdown(false);
}

// ---------------------------------------------------------------- the input check

TEST_F(LogonWindowTest, OkWantsAProfileAndAUserId)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))}, {"Profile", Variant("Acme")}});
    frmLogonNew& win = Open();

    win.cbxProfiles->Clear();  // an empty profile text, with a user id typed
    win.txtUserName->setText(QStringLiteral("jdoe"));
    EXPECT_FALSE(Ok());
    Open();
    win.txtUserName->setText(QStringLiteral("   "));
    win.txtPassword->setFocus();
    EXPECT_FALSE(Ok());
    EXPECT_EQ(win.focusWidget(), win.txtUserName);

    ASSERT_EQ(fixture.boxes.size(), 2u);
    EXPECT_EQ(fixture.boxes[0].prompt, QStringLiteral("Please choose a logon profile before logging into Pelmora."));
    EXPECT_EQ(fixture.boxes[1].prompt, QStringLiteral("Please specify a User ID before logging into Pelmora."));
    for (const MessageBoxRequest& r : fixture.boxes) {
        EXPECT_EQ(r.style, int(vbOKOnly));
        EXPECT_EQ(r.title, App().title);
    }
    EXPECT_TRUE(win.IsLoaded());
    EXPECT_EQ(ScreenMousePointer(), int(vbDefault));
}

TEST_F(LogonWindowTest, EnterAnywhereIsOk)
{
    frmLogonNew& win = Open();
    win.cbxProfiles->Clear();
    win.txtUserName->setText(QStringLiteral("jdoe"));
    QTest::keyClick(win.txtPassword, Qt::Key_Return);
    ASSERT_EQ(fixture.boxes.size(), 1u);
    EXPECT_EQ(fixture.boxes[0].prompt, QStringLiteral("Please choose a logon profile before logging into Pelmora."));
}

// ---------------------------------------------------------------- attempts

TEST_F(LogonWindowTest, ASuccessfulAttemptStoresTheSettingsAndClosesTheWindow)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME") + Record("Other", "OTHER"))},
                         {"Profile", Variant(QStringLiteral("Other"))},
                         {"SRV_NAME_RCT_LIST", Variant(QStringLiteral("kept as it was"))}});
    fixture.SetDatabaseAccess(QStringLiteral("ACMEDB"), false);
    frmLogonNew& win = Open();
    Fill(QStringLiteral("Acme"), QStringLiteral(" jdoe"), QStringLiteral("secret"));
    EXPECT_FALSE(Ok());  // one counted failure first
    EXPECT_EQ(win.LblStatus->text(), kFailed1);

    fixture.SetDatabaseAccess(QStringLiteral("ACMEDB"), true);
    win.txtPassword->setText(QStringLiteral("secret"));
    EXPECT_FALSE(Ok());
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_FALSE(win.isVisible());
    // The status the attempt showed while connecting is what the window last showed.
    EXPECT_EQ(win.LblStatus->text(), QStringLiteral("Connecting to Server..."));
    ASSERT_TRUE(g_oSystemEngine);
    EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
    EXPECT_EQ(g_sUserID, QStringLiteral(" jdoe"));
    EXPECT_EQ(LogonFixture::Stored("Profile"), QStringLiteral("Acme"));
    EXPECT_EQ(LogonFixture::Stored("UserID"), QStringLiteral(" jdoe"));
    EXPECT_EQ(LogonFixture::Stored("PRF_NAME_RCT_LIST"), Record("Acme", "ACME") + Record("Other", "OTHER"));
    EXPECT_EQ(LogonFixture::Stored("SRV_NAME_RCT_LIST"), QStringLiteral("kept as it was"));
    EXPECT_TRUE(fixture.boxes.empty());
    EXPECT_EQ(ScreenMousePointer(), int(vbDefault));
    // The typed password is kept neither in the closed window nor in its profile.
    EXPECT_TRUE(win.txtPassword->text().isEmpty());
    const auto acme =
        std::dynamic_pointer_cast<clsLogonProfile>(win.Settings().Profiles()->ItemByKey(QStringLiteral("Acme")));
    ASSERT_TRUE(acme);
    EXPECT_TRUE(acme->CurrentUserPwd.isEmpty());
}

TEST_F(LogonWindowTest, ACoreRefusalIsShownAndNotCounted)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))}, {"Profile", Variant("Acme")}});
    frmLogonNew& win = Open();
    // A password with characters outside the code page cannot match a stored one:
    // refused as a wrong password, never "Overflow".
    for (const QString& password : {QStringLiteral("wrong"), QStringLiteral("\u0141\u00F3d\u017A"),
                                    QStringLiteral("\u4E2D"), QStringLiteral("wrong")}) {
        Fill(QStringLiteral("Acme"), QStringLiteral("jdoe"), password);
        EXPECT_FALSE(Ok());
    }
    ASSERT_EQ(fixture.boxes.size(), 4u);
    for (const MessageBoxRequest& r : fixture.boxes) {
        EXPECT_EQ(r.prompt, QStringLiteral("Unable to Log In:  Unknown user or password."));
        EXPECT_EQ(r.title, QStringLiteral("Attention Required"));
        EXPECT_EQ(r.style, int(vbExclamation | vbOKOnly));
    }
    EXPECT_EQ(win.Settings().FailedAttempts(), 0);
    EXPECT_EQ(win.txtPassword->text(), QStringLiteral("wrong"));
    // The refused password is selected: what the user types next replaces it.
    EXPECT_EQ(win.focusWidget(), win.txtPassword);
    EXPECT_EQ(win.txtPassword->selectedText(), QStringLiteral("wrong"));
    QTest::keyClicks(win.txtPassword, QStringLiteral("right"));
    EXPECT_EQ(win.txtPassword->text(), QStringLiteral("right"));
    EXPECT_TRUE(win.LblStatus->text().isEmpty());
    EXPECT_TRUE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 0);
    EXPECT_TRUE(LogonFixture::Stored("UserID").isEmpty());  // nothing stored
}

TEST_F(LogonWindowTest, ThreeCountedFailuresEndTheProgram)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))}, {"Profile", Variant("Acme")}});
    fixture.SetDatabaseAccess(QStringLiteral("ACMEDB"), false);
    frmLogonNew& win = Open();
    const QFont normal = win.LblStatus->font();

    Fill(QStringLiteral("Acme"), QStringLiteral("jdoe"), QStringLiteral("secret"));
    EXPECT_FALSE(Ok());
    EXPECT_EQ(win.LblStatus->text(), kFailed1);
    EXPECT_FALSE(win.LblStatus->font().bold());
    EXPECT_TRUE(win.txtPassword->text().isEmpty());
    EXPECT_TRUE(fixture.boxes.empty());

    // An uncounted failure between them: its box, then the status of the count again.
    win.txtPassword->setText(QStringLiteral("x"));
    win.cbxProfiles->SetListIndex(win.cbxProfiles->findText(kCreate));
    win.cbxProfiles->addItem(QStringLiteral("Not a profile"));
    win.cbxProfiles->SetListIndex(win.cbxProfiles->ListCount() - 1);
    EXPECT_FALSE(Ok());
    ASSERT_EQ(fixture.boxes.size(), 1u);
    EXPECT_EQ(fixture.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(win.LblStatus->text(), kFailed1);
    EXPECT_TRUE(win.txtPassword->text().isEmpty());
    EXPECT_EQ(win.Settings().FailedAttempts(), 1);

    Fill(QStringLiteral("Acme"), QStringLiteral("jdoe"), QStringLiteral("secret"));
    EXPECT_FALSE(Ok());
    EXPECT_EQ(win.LblStatus->text(), kFailed2);
    EXPECT_TRUE(win.LblStatus->font().bold());
    EXPECT_TRUE(win.txtPassword->text().isEmpty());

    win.txtPassword->setText(QStringLiteral("secret"));
    EXPECT_TRUE(Ok());
    ASSERT_EQ(fixture.boxes.size(), 2u);
    EXPECT_EQ(fixture.boxes[1].title, QStringLiteral("Login Failed"));
    EXPECT_EQ(fixture.boxes[1].style, int(vbExclamation | vbOKOnly));
    EXPECT_EQ(fixture.boxes[1].prompt,
              QStringLiteral("You have failed to login after three attempts.\r\n\r\n"
                             "The problem could be with any of the required information.\r\n\r\n"
                             "Please contact your system administrator for the proper information and try again."));
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_FALSE(g_oSystemEngine);
    EXPECT_TRUE(LogonFixture::Stored("UserID").isEmpty());

    // The next showing counts from 0 again, with the status as designed.
    Open();
    EXPECT_EQ(win.Settings().FailedAttempts(), 0);
    EXPECT_TRUE(win.LblStatus->text().isEmpty());
    EXPECT_EQ(win.LblStatus->font(), normal);
}

TEST_F(LogonWindowTest, ThreeCountedFailuresOfAReLogonKeepTheSession)
{
    LogonFixture::StartSession(QStringLiteral("ACME"));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Other", "OTHER"))}, {"Profile", Variant("Other")}});
    fixture.SetDatabaseAccess(QStringLiteral("OTHERDB"), false);
    frmLogonNew& win = Open(true);
    for (int k = 0; k < 3; ++k) {
        Fill(QStringLiteral("Other"), QStringLiteral("admin"), QStringLiteral("adminpw"));
        EXPECT_FALSE(Ok());
    }
    ASSERT_EQ(fixture.boxes.size(), 1u);
    EXPECT_EQ(fixture.boxes[0].title, QStringLiteral("Login Failed"));
    EXPECT_EQ(fixture.boxes[0].prompt,
              QStringLiteral("You have failed to successfully change your login after three attempts.\r\n\r\n"
                             "The problem could be with any of the required information.\r\n\r\n"
                             "Please contact your system administrator for the proper information and try again."
                             "\r\n\r\n"
                             "You will remain logged in with the following information:\r\n"
                             "             User ID\t-      jdoe\r\n"
                             "             Company\t-      ACME\r\n"
                             "             Server  \t-      ") +
                  kServer);
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 0);
    EXPECT_EQ(g_oSystemEngine, session);
    EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
    EXPECT_EQ(g_sUserID, QStringLiteral("jdoe"));
}

TEST_F(LogonWindowTest, AFailedAttemptOutsideReLogonEndsTheRunningSession)
{
    // "Login As Different User...": the running session is the session engine, and a
    // failure outside re-logon mode closes it; in re-logon mode it stays.
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Other", "OTHER"))}, {"Profile", Variant("Other")}});
    for (bool relogin : {false, true}) {
        SCOPED_TRACE(relogin);
        LogonFixture::StartSession(QStringLiteral("ACME"));
        const CoQuillonSystemEnginePtr session = g_oSystemEngine;
        frmLogonNew& win = Open(relogin);
        Fill(QStringLiteral("Other"), QStringLiteral("jdoe"), QStringLiteral("wrong"));
        EXPECT_FALSE(Ok());
        EXPECT_EQ(g_oSystemEngine, relogin ? session : nullptr);
        EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
        Unload(&win);
    }
}

TEST_F(LogonWindowTest, OnlyTheWordsValidUserAsWrittenAreCounted)
{
    // The server's refusal of an unknown server names the server: so the
    // description carries whatever words the profile's server name holds.
    struct Case {
        const char* server;
        bool counted;
    } cases[] = {{"an-invalid user", true}, {"a valid user", true}, {"a VALID USER", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        fixture.boxes.clear();
        const QString record = QStringLiteral("P[~]hb[~]1331[~]") + QString::fromLatin1(c.server) +
                               QStringLiteral("[~]ACME[~]1[^]");
        LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(record)}, {"Profile", Variant("P")}});
        frmLogonNew& win = Open();
        Fill(QStringLiteral("P"), QStringLiteral("jdoe"), QStringLiteral("secret"));
        EXPECT_FALSE(Ok());
        EXPECT_EQ(win.Settings().FailedAttempts(), c.counted ? 1 : 0);
        ASSERT_EQ(fixture.boxes.size(), c.counted ? 0u : 1u);
        if (!c.counted)
            EXPECT_TRUE(fixture.boxes[0].prompt.contains(QLatin1String(c.server)));
        Unload(&win);
    }
}

// ---------------------------------------------------------------- Cancel and closing

TEST_F(LogonWindowTest, CancelEndsTheProgramOutsideReLogon)
{
    frmLogonNew& win = Open();
    EXPECT_THROW(win.picCancel_Click(), ProgramEnded);
    EXPECT_FALSE(win.IsLoaded());

    Open(true);
    EXPECT_NO_THROW(win.picCancel_Click());
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 1);
}

TEST_F(LogonWindowTest, EscIsCancel)
{
    frmLogonNew& win = Open(true);
    win.txtUserName->setText(QStringLiteral("jdoe"));
    QTest::keyClick(win.txtUserName, Qt::Key_Escape);
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 0);

    Open();
    EXPECT_THROW(QTest::keyClick(win.txtPassword, Qt::Key_Escape), ProgramEnded);
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 1);
}

TEST_F(LogonWindowTest, ClosedByTheWindowSystemItIsCancel)
{
    auto closeBox = [&] {
        QCloseEvent e;
        QCoreApplication::sendEvent(w.get(), &e);
    };
    frmLogonNew& win = Open(true);
    closeBox();
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 0);

    Open();
    EXPECT_THROW(closeBox(), ProgramEnded);
    EXPECT_FALSE(win.IsLoaded());
    EXPECT_EQ(fixture.ends, 1);
}

// ---------------------------------------------------------------- through ShowLogon

class ShowLogonTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLogonWindow(); }
    void TearDown() override { SetLogonWindowProvider(nullptr); }
    LogonFixture fixture;
};

TEST_F(ShowLogonTest, AGoodPasswordLogsOnAndTheMainWindowFollows)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))},
                         {"Profile", Variant(QStringLiteral("Acme"))},
                         {"UserID", Variant(QStringLiteral("jdoe"))}});
    frmLogonNew* logon = frmLogonNew::Instance();
    bool shaped = false;
    QTimer::singleShot(0, logon, [&] {
        shaped = logon->isVisible() && !logon->mask().isEmpty() && logon->windowTitle() == "quillon Login";
        logon->txtPassword->setText(QStringLiteral("secret"));
        QTest::keyClick(logon->txtPassword, Qt::Key_Return);
    });
    ShowLogon(QString::fromLatin1(kLogonCaption), false);
    EXPECT_TRUE(shaped);
    EXPECT_FALSE(IsFormLoaded(logon));
    ASSERT_TRUE(g_oSystemEngine);
    EXPECT_TRUE(MainWindow()->isVisible());
    EXPECT_EQ(MainWindow()->Caption(), MainWindowCaption(QStringLiteral("ACME")));
    EXPECT_EQ(LogonFixture::Stored("Profile"), QStringLiteral("Acme"));
}

TEST_F(ShowLogonTest, CancelOfOpenCompanyReturnsToTheRunningSession)
{
    LogonFixture::StartSession(QStringLiteral("OTHER"));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    frmLogonNew* logon = frmLogonNew::Instance();
    bool relogin = false;
    QTimer::singleShot(0, logon, [&] {
        relogin = logon->Relogin();
        logon->picCancel_Click();
    });
    ShowLogon(QString::fromLatin1(kLogonCaption), true);
    EXPECT_TRUE(relogin);
    EXPECT_EQ(fixture.ends, 0);
    EXPECT_EQ(g_oSystemEngine, session);
    EXPECT_EQ(MainWindow()->Caption(), MainWindowCaption(QStringLiteral("OTHER")));
}

// ---------------------------------------------------------------- the window itself

TEST_F(LogonWindowTest, TheSkinShapesTheWindowAndDrawsTheButtons)
{
    frmLogonNew& win = Open();
    const QRegion shape = win.mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(win.txtUserName->geometry().center()));
    EXPECT_EQ(win.height(), TwipsToPixelsY(3600));
    EXPECT_EQ(win.txtUserName->geometry().topLeft(), QPoint(TwipsToPixelsX(2145), TwipsToPixelsY(1170)));
    EXPECT_EQ(win.picOk->Picture().toImage(), LoadResPicture(QStringLiteral("LOGIN_OK_INIT")).toImage());
    EXPECT_EQ(win.picCancel->Picture().toImage(), LoadResPicture(QStringLiteral("LOGIN_CANCEL_INIT")).toImage());
    EXPECT_EQ(win.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(win.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(LogonWindowTest, DraggingWithAnyButtonMovesTheWindow)
{
    frmLogonNew& win = Open();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
        win.move(100, 100);
        QCoreApplication::processEvents();
        const QPoint start = win.pos();
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent e(type, QPointF(at), win.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
            QCoreApplication::sendEvent(&win, &e);
        };
        send(QEvent::MouseButtonPress, QPoint(20, 20), button);
        EXPECT_TRUE(win.Dragging());
        send(QEvent::MouseMove, QPoint(50, 60), button);
        QCoreApplication::processEvents();
        EXPECT_EQ(win.pos(), start + QPoint(30, 40)) << button;
        send(QEvent::MouseButtonRelease, QPoint(20, 20), Qt::NoButton);
        EXPECT_FALSE(win.Dragging());
        EXPECT_EQ(win.pos(), start + QPoint(30, 40)) << button;
    }
}

}  // namespace
