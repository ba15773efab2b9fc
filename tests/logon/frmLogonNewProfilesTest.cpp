// The logon window with the profile manager: the edit-profiles controls and the
// create entry open it, the profile box is filled again afterwards, and a profile
// added through the wizard against a running HBServer is listed, chosen and
// logs on.

#include "logon/frmLogonNew.h"

#include "db/DemoCompany.h"
#include "db/HbServer.h"
#include "logon/DemoLogonProfile.h"
#include "logon/ProfileDialogDriver.h"
#include "logon/frmLogonNewTestSupport.h"
#include "platform/controls/ReportListView.h"
#include "platform/hbclient/CoHBClient.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QToolButton>

using namespace logontest;
using namespace profiletest;

namespace {

const QString kCreate = QStringLiteral("<create new logon profile>");

class LogonProfilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // ACME gets branches whose data it filters; OTHER has none.
        sqlite3* db = erpdb::OpenServerDatabase(kServer, QStringLiteral("ACMEDB"), false);
        erpdb::ExecScript(db, QStringLiteral("INSERT INTO GLBranches VALUES (1, 'Main Branch'), (2, 'North');"
                                             "INSERT INTO CoRegKeys VALUES (5, NULL, 'Config');"
                                             "INSERT INTO CoRegValues VALUES (5, 'FilterBranchData', 'I4', '1');"));
        sqlite3_close_v2(db);
        erpdb::HbServer::Options o;
        o.allServers = true;
        for (int attempt = 0; attempt < 50 && !port; ++attempt) {
            o.port = static_cast<quint16>(QRandomGenerator::global()->bounded(20000, 32000));
            if (hb.Start(o))
                port = static_cast<int16_t>(o.port);
        }
        ASSERT_NE(port, 0);
        CoHBClient::SetTimeouts(15000, 15000);  // any loopback answer on a busy machine
    }
    void TearDown() override
    {
        if (w && IsFormLoaded(w.get()))
            Unload(w.get());
        w.reset();
        hb.Stop();
        CoHBClient::SetTimeouts(3000, 5000);
    }

    frmLogonNew& Open()
    {
        w = std::make_unique<frmLogonNew>();
        KeepAfterUnload(w.get());
        Load(w.get());
        w->Init(QStringLiteral("quillon Login"));
        w->show();
        return *w;
    }
    QStringList Entries() const { return ComboEntries(w->cbxProfiles); }
    QStringList Prompts() const { return fixture.Prompts(); }
    static void SelectRow(frmLogonProfileList* m, const QString& text)
    {
        m->lstProfiles->UnSelectAll();
        for (int i = 1; i <= m->lstProfiles->ItemCount(); ++i)
            if (m->lstProfiles->Item(i)->Text() == text) {
                m->lstProfiles->SetSelectedItem(m->lstProfiles->Item(i));
                m->lstProfiles->Item(i)->SetSelected(true);
            }
    }
    static QStringList Rows(frmLogonProfileList* m)
    {
        QStringList rows;
        for (int i = 1; i <= m->lstProfiles->ItemCount(); ++i)
            rows << m->lstProfiles->Item(i)->Text();
        return rows;
    }
    // OK of the logon window; true when it ended the program.
    bool Ok()
    {
        try {
            w->picOk_Click();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }

    LogonFixture fixture;
    erpdb::HbServerThread hb;
    int16_t port = 0;
    std::unique_ptr<frmLogonNew> w;
};

}  // namespace

TEST_F(LogonProfilesTest, TheEditProfilesControlsOpenTheManagerAndTheBoxIsFilledAgain)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME") + Record("Other", "OTHER"))},
                         {"Profile", Variant(QStringLiteral("Other"))},
                         {"UserID", Variant(QStringLiteral("stored"))}});
    frmLogonNew& win = Open();
    EXPECT_TRUE(win.cmdEditProfiles->isEnabled());
    EXPECT_TRUE(win.Picture1->isEnabled());

    // Without a user id the manager does not open.
    win.txtUserName->clear();
    win.cmdEditProfiles->click();
    EXPECT_EQ(Prompts(), QStringList{"Please specify a User ID before logging into Pelmora."});
    fixture.boxes.clear();

    // Cancel: a deleted profile comes back.
    win.txtUserName->setText(QStringLiteral("jdoe"));
    QString given;
    WhenShown<frmLogonProfileList>(QStringLiteral("frmLogonProfileList"), [&](frmLogonProfileList* m) {
        given = m->GetSelectedProfile();
        EXPECT_TRUE(m->isModal());
        SelectRow(m, QStringLiteral("Other"));
        m->cmdDeleteProfile_Click();
        EXPECT_EQ(Rows(m), QStringList{"Acme"});
        m->cmdCancel_Click();
    });
    win.cmdEditProfiles->click();
    EXPECT_EQ(given, QStringLiteral("Other"));
    EXPECT_EQ(Entries(), (QStringList{"Acme", "Other", kCreate}));
    EXPECT_EQ(win.cbxProfiles->Text(), QStringLiteral("Other"));
    EXPECT_EQ(win.txtUserName->text(), QStringLiteral("stored"));  // the stored user id replaces the typed one

    // OK: the deletion stays and the profile selected in the manager is chosen.
    WhenShown<frmLogonProfileList>(QStringLiteral("frmLogonProfileList"), [&](frmLogonProfileList* m) {
        SelectRow(m, QStringLiteral("Other"));
        m->cmdDeleteProfile_Click();
        SelectRow(m, QStringLiteral("Acme"));
        m->cmdOK_Click();
    });
    win.Picture1->Click();
    EXPECT_EQ(Entries(), (QStringList{"Acme", kCreate}));
    EXPECT_EQ(win.cbxProfiles->Text(), QStringLiteral("Acme"));
    EXPECT_EQ(win.txtProfile->text(), QStringLiteral("Acme"));
    EXPECT_EQ(win.Settings().Profiles()->Count(), 1);
    EXPECT_EQ(win.txtUserName->text(), QStringLiteral("stored"));
    EXPECT_TRUE(fixture.boxes.empty());
    // Nothing is stored before a logon succeeds.
    EXPECT_EQ(LogonFixture::Stored("PRF_NAME_RCT_LIST"), Record("Acme", "ACME") + Record("Other", "OTHER"));
    EXPECT_TRUE(win.IsLoaded());
}

TEST_F(LogonProfilesTest, ANewUserCreatesAProfileThroughTheWizardAndLogsOnWithIt)
{
    frmLogonNew& win = Open();
    EXPECT_EQ(Entries(), QStringList{kCreate});
    win.txtUserName->setText(QStringLiteral("jdoe"));

    // OK on the create entry opens the manager with no current profile; Add walks
    // the wizard through the HBServer's companies and branches.
    QString given = QStringLiteral("unset");
    WhenShown<frmLogonProfileList>(QStringLiteral("frmLogonProfileList"), [&](frmLogonProfileList* m) {
        given = m->GetSelectedProfile();
        WhenWizardShown({QStringLiteral("127.0.0.1:%1").arg(port), kServer, QStringLiteral("ACME"),
                         QStringLiteral("North"), QStringLiteral("My Acme")});
        m->cmdNewProfile->click();
        EXPECT_EQ(Rows(m), QStringList{"My Acme"});
        m->cmdOK->click();
    });
    EXPECT_FALSE(Ok());
    EXPECT_TRUE(given.isEmpty());
    EXPECT_TRUE(fixture.boxes.empty()) << Prompts().join(" | ").toStdString();
    EXPECT_EQ(Entries(), (QStringList{"My Acme", kCreate}));
    EXPECT_EQ(win.cbxProfiles->Text(), QStringLiteral("My Acme"));
    // The stored user id, none on this machine, replaces the one typed before.
    EXPECT_EQ(win.txtUserName->text(), QString());
    EXPECT_FALSE(g_oSystemEngine);

    // Chosen, it logs on.
    win.txtUserName->setText(QStringLiteral("jdoe"));
    win.txtPassword->setText(QStringLiteral("secret"));
    EXPECT_FALSE(Ok());
    EXPECT_TRUE(fixture.boxes.empty()) << Prompts().join(" | ").toStdString();
    EXPECT_FALSE(win.IsLoaded());
    ASSERT_TRUE(g_oSystemEngine);
    EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
    EXPECT_EQ(LogonFixture::Stored("Profile"), QStringLiteral("My Acme"));
    EXPECT_TRUE(LogonFixture::Stored("PRF_NAME_RCT_LIST")
                    .startsWith(QStringLiteral("My Acme[~]127.0.0.1[~]%1[~]%2[~]ACME[~]2[~]North")
                                    .arg(port)
                                    .arg(kServer)));
}

TEST_F(LogonProfilesTest, TheDemoProfileOpensInTheWizardOnItsOwnCompanyAndBranch)
{
    // The demo's server: the demo company with its three branches, and a second
    // company without branches, which the HBServer lists after it.
    fixture.AddCompany(QString::fromLatin1(erpdb::kDemoCompanyID), QStringLiteral("DEMODB"));
    erpdb::EnsureDemoBranchesAndCompanies(kServer);
    ASSERT_TRUE(AddDemoLogonProfile(kServer).stored);
    frmLogonNew& win = Open();
    const QString demo = QString::fromLatin1(kDemoProfileName);
    ASSERT_EQ(Entries(), (QStringList{demo, kCreate}));
    win.txtUserName->setText(QStringLiteral("jdoe"));

    QString caption, company, branch, row;
    WhenShown<frmLogonProfileList>(QStringLiteral("frmLogonProfileList"), [&](frmLogonProfileList* m) {
        WhenShown<frmLogonWizard>(QStringLiteral("frmLogonWizard"), [&](frmLogonWizard* w) {
            caption = w->windowTitle();
            // This test's HBServer listens on a port of its own, not the demo's.
            w->txtHBServer->setText(QStringLiteral("127.0.0.1:%1").arg(port));
            w->cmdNext->click();
            company = w->cboCompany->Text();
            w->cmdNext->click();
            branch = w->cboBranch->Text();
            w->cmdNext->click();
            w->cmdNext->click();  // Finish, nothing chosen anew
        });
        SelectRow(m, demo);
        m->cmdEditProfile->click();
        row = m->lstProfiles->SelectedItem() ? m->lstProfiles->SelectedItem()->Text() + QLatin1Char('|') +
                                                   m->lstProfiles->SelectedItem()->SubItem(1) + QLatin1Char('|') +
                                                   m->lstProfiles->SelectedItem()->SubItem(2)
                                             : QString();
        m->cmdOK->click();
    });
    win.cmdEditProfiles->click();
    EXPECT_TRUE(fixture.boxes.empty()) << Prompts().join(" | ").toStdString();
    EXPECT_EQ(caption, QStringLiteral("Edit Logon Profile"));
    EXPECT_EQ(company, QString::fromLatin1(erpdb::kDemoCompanyID));
    EXPECT_EQ(branch, QStringLiteral("Main Branch"));
    EXPECT_EQ(row, demo + QStringLiteral("|DEMO|Main Branch"));
    const auto record =
        std::dynamic_pointer_cast<clsLogonProfile>(win.Settings().Profiles()->ItemByKey(demo));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Branch, QStringLiteral("Main Branch"));
    EXPECT_EQ(record->BranchID, 1);
}
