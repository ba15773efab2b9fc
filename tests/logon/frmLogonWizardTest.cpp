// The profile wizard against a real HBServer on a loopback port (companies ACME
// with filtered branches, BETA with one unfiltered branch, PLAIN without branches).

#include "logon/frmLogonWizard.h"

#include "listhelpers/ComboBoxHelper.h"
#include "platform/hbclient/HbTestSupport.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace hbtest;

namespace {

const QString kSupply = QStringLiteral("You must supply values for HBServer and SQLServer");
const QString kBadPort = QStringLiteral(
    "Invalid Server or Port specified in HBServer field.  Correct format is: 'Server:Port'; for example: "
    "'Server:1331'.");
const QString kSeparators = QStringLiteral("The HBServer and SQLServer values may not contain \"[~]\" or \"[^]\".");
const QString kNameInUse = QStringLiteral("The profile name specified is already in use.  Choose another name.");

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = f.StartHb();
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r.prompt);
            return int(vbOK);
        });
    }
    void TearDown() override
    {
        if (w && IsFormLoaded(w))
            Unload(w);
        SetMessageBoxAnswerer(nullptr);
    }

    // A loaded wizard for the record (a new one when none is given).
    frmLogonWizard* Open(const QString& user = QStringLiteral("jdoe"), const QString& used = QString(),
                         clsLogonProfileRef record = nullptr)
    {
        profile = record ? record : std::make_shared<clsLogonProfile>();
        w = new frmLogonWizard;
        w->Init(user, used, profile, 0);
        Load(w);
        return w;
    }
    QString HbText() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    // Fills the server frame and goes on to the company frame.
    void ToCompanies()
    {
        w->txtSQLServer->setText(kServer);
        w->txtHBServer->setText(HbText());
        w->cmdNext_Click();
        ASSERT_EQ(w->CurrentFrame(), 2) << Boxes();
    }
    void Choose(ComboBox* combo, const QString& text)
    {
        const int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->SetListIndex(i);
    }
    // The frame shown, by its number (0 when none or more than one is shown).
    int Shown() const
    {
        int shown = 0;
        for (int16_t n = 1; n <= 4; ++n)
            if (!w->Frame(n)->isHidden())
                shown = shown ? -1 : n;
        return shown < 0 ? 0 : shown;
    }
    QStringList Entries(ComboBox* combo) const
    {
        QStringList list;
        for (int i = 0; i < combo->ListCount(); ++i)
            list << combo->List(i) + QLatin1Char('=') + QString::number(combo->ItemData(i));
        return list;
    }
    std::string Boxes() const { return boxes.join(QStringLiteral(" | ")).toStdString(); }

    HbFixture f;
    int16_t port = 0;
    QStringList boxes;
    QPointer<frmLogonWizard> w;
    clsLogonProfileRef profile;
};

}  // namespace

TEST_F(WizardTest, ServerFrameChecksAndPortParsing)
{
    struct Case {
        QString hb;
        QString sql;
        QString message;  // "" when the wizard moves on to the company frame
        QString host;
        int16_t port;
    } cases[] = {
        {QString(), kServer, kSupply, {}, 0},
        {HbText(), QString(), kSupply, {}, 0},
        {QStringLiteral("h:"), kServer, kBadPort, {}, 0},
        {QStringLiteral("h:abc"), kServer, kBadPort, {}, 0},
        {QStringLiteral("h:70000"), kServer, kBadPort, {}, 0},
        {QStringLiteral("h[~]x:1"), kServer, kSeparators, {}, 0},
        {HbText(), QStringLiteral("SRV[^]"), kSeparators, {}, 0},
        {HbText(), kServer, QString(), QStringLiteral("127.0.0.1"), port},
        // Parts after a second ":" are ignored.
        {HbText() + QStringLiteral(":99"), kServer, QString(), QStringLiteral("127.0.0.1"), port},
    };
    for (const Case& c : cases) {
        boxes.clear();
        Open();
        w->txtSQLServer->setText(c.sql);
        w->txtHBServer->setText(c.hb);
        w->cmdNext_Click();
        const std::string label = (c.hb + QStringLiteral(" / ") + c.sql).toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(boxes.isEmpty()) << label << Boxes();
            EXPECT_EQ(w->CurrentFrame(), 2) << label;
            EXPECT_EQ(w->HBServer(), c.host) << label;
            EXPECT_EQ(w->HBServerPort(), c.port) << label;
        } else {
            EXPECT_EQ(boxes, QStringList{c.message}) << label;
            EXPECT_EQ(w->CurrentFrame(), 1) << label;
            EXPECT_EQ(Shown(), 1) << label;
        }
        Unload(w);
    }

    // Without ":" the port is 1331, with ":1400" it is 1400 (nothing of ours listens
    // there: the client's error is shown and the wizard stays on the server frame).
    for (const auto& [text, expected] : {std::pair{QStringLiteral("localhost"), int16_t(1331)},
                                         std::pair{QStringLiteral("localhost:1400"), int16_t(1400)}}) {
        boxes.clear();
        Open();
        w->txtSQLServer->setText(QStringLiteral("NOSUCHSRV"));
        w->txtHBServer->setText(text);
        w->cmdNext_Click();
        EXPECT_EQ(w->HBServer(), QStringLiteral("localhost"));
        EXPECT_EQ(w->HBServerPort(), expected);
        EXPECT_EQ(boxes.size(), 1);
        EXPECT_EQ(w->CurrentFrame(), 1);
        Unload(w);
    }
}

TEST_F(WizardTest, TheHBServerBoxFollowsTheSQLServerUpToAnInstance)
{
    Open();
    EXPECT_EQ(w->lblInfo->text().left(40), QStringLiteral("Specify the HBServer and SQL Server name"));
    EXPECT_TRUE(w->cmdPrev->isHidden());
    EXPECT_FALSE(w->cmdPrev->isEnabled());
    const QString typed = QStringLiteral("SRV\\INST");
    for (int n = 1; n <= typed.size(); ++n)
        w->txtSQLServer->setText(typed.left(n));
    EXPECT_EQ(w->txtHBServer->text(), QStringLiteral("SRV"));
    // Once the boxes differ the HBServer box no longer follows.
    w->txtSQLServer->setText(typed + QStringLiteral("X"));
    EXPECT_EQ(w->txtHBServer->text(), QStringLiteral("SRV"));
}

TEST_F(WizardTest, CompanyWithFilteredBranchesWritesTheBranchAndTheChoice)
{
    Open();
    ToCompanies();
    EXPECT_EQ(Entries(w->cboCompany), (QStringList{"ACME=0", "BETA=0", "PLAIN=0"}));
    EXPECT_EQ(w->cboCompany->Text(), QStringLiteral("PLAIN"));  // the last one added
    EXPECT_FALSE(w->cmdPrev->isHidden());
    Choose(w->cboCompany, QStringLiteral("ACME"));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 3) << Boxes();
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(Entries(w->cboBranch), (QStringList{"Main Branch=1", "North=2", "South=7"}));
    EXPECT_FALSE(w->chkShowOnlyLoggedInBranch->isHidden());
    EXPECT_FALSE(w->chkShowOnlyLoggedInBranch->isChecked());
    Choose(w->cboBranch, QStringLiteral("South"));
    w->chkShowOnlyLoggedInBranch->setChecked(true);
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 4);
    EXPECT_EQ(w->cmdNext->text(), QStringLiteral("Finish"));
    EXPECT_EQ(w->txtProfileName->text(), QStringLiteral("HBSRV.ACME-South"));
    EXPECT_FALSE(w->HBClient());  // released on the name frame
    EXPECT_EQ(profile->ProfileName, QString());  // nothing written before Finish
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_TRUE(IsFormLoaded(w));
    EXPECT_TRUE(w->isHidden());
    EXPECT_EQ(profile->ProfileName, QStringLiteral("HBSRV.ACME-South"));
    EXPECT_EQ(profile->HBServer, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(profile->HBServerPort, port);
    EXPECT_EQ(profile->SQLServer, kServer);
    EXPECT_EQ(profile->Company, QStringLiteral("ACME"));
    EXPECT_EQ(profile->Branch, QStringLiteral("South"));
    EXPECT_EQ(profile->BranchID, 7);
    EXPECT_TRUE(profile->ShowOnlyLoggedInBranch);
    EXPECT_TRUE(profile->FilledOut());
}

TEST_F(WizardTest, AnEditedProfileComesBackWithItsValuesAndKeepsItsName)
{
    auto record = std::make_shared<clsLogonProfile>();
    record->ProfileName = QStringLiteral("Mine");
    record->HBServer = QStringLiteral("127.0.0.1");
    record->HBServerPort = port;
    record->SQLServer = kServer;
    record->Company = QStringLiteral("BETA");
    record->Branch = QStringLiteral("Only");
    record->BranchID = 5;
    record->ShowOnlyLoggedInBranch = true;
    Open(QStringLiteral("jdoe"), QStringLiteral("[^]Mine[^]Other[^]"), record);
    EXPECT_EQ(w->txtHBServer->text(), HbText());
    EXPECT_EQ(w->txtProfileName->text(), QStringLiteral("Mine"));
    w->cmdNext_Click();
    EXPECT_EQ(w->cboCompany->Text(), QStringLiteral("BETA"));  // the record's company
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 3);
    // BETA does not filter branch data: no check box, and Finish stores False.
    EXPECT_TRUE(w->chkShowOnlyLoggedInBranch->isHidden());
    EXPECT_EQ(w->cboBranch->Text(), QStringLiteral("Only"));
    w->cmdNext_Click();
    EXPECT_EQ(w->txtProfileName->text(), QStringLiteral("Mine"));
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_FALSE(record->ShowOnlyLoggedInBranch);
    EXPECT_EQ(record->BranchID, 5);
}

TEST_F(WizardTest, ACompanyWithoutBranchesSkipsTheBranchFrameBothWays)
{
    Open();
    ToCompanies();
    Choose(w->cboCompany, QStringLiteral("PLAIN"));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 4);
    EXPECT_EQ(Shown(), 4);
    EXPECT_EQ(w->txtProfileName->text(), QStringLiteral("HBSRV.PLAIN"));
    w->cmdPrev_Click();
    EXPECT_EQ(w->CurrentFrame(), 2);
    EXPECT_EQ(Shown(), 2);
    EXPECT_TRUE(w->HBClient());  // a client again between the server and the name frame
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_EQ(profile->Company, QStringLiteral("PLAIN"));
    EXPECT_EQ(profile->Branch, QString());
    EXPECT_EQ(profile->BranchID, 1);
    EXPECT_FALSE(profile->ShowOnlyLoggedInBranch);
}

TEST_F(WizardTest, TheUserCoexecutiveGoesFromTheServersStraightToTheName)
{
    auto record = std::make_shared<clsLogonProfile>();
    record->Company = QStringLiteral("KEEP");
    record->BranchID = 9;
    record->Branch = QStringLiteral("B");
    Open(QStringLiteral("coexecutive"), QString(), record);
    w->txtSQLServer->setText(kServer);
    w->txtHBServer->setText(HbText());
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 4) << Boxes();
    EXPECT_EQ(Shown(), 4);
    EXPECT_EQ(w->cmdNext->text(), QStringLiteral("Finish"));
    EXPECT_EQ(w->txtProfileName->text(), kServer);
    w->cmdPrev_Click();
    EXPECT_EQ(w->CurrentFrame(), 1);
    EXPECT_EQ(Shown(), 1);
    EXPECT_FALSE(w->HBClient());
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_EQ(record->ProfileName, kServer);
    EXPECT_EQ(record->Company, QStringLiteral("KEEP"));
    EXPECT_EQ(record->Branch, QStringLiteral("B"));
    EXPECT_EQ(record->BranchID, 9);

    // A user id that differs only in case walks all four frames.
    boxes.clear();
    Open(QStringLiteral("COEXECUTIVE"));
    ToCompanies();
}

TEST_F(WizardTest, AFailingHBServerKeepsTheUserOnAFrameThatWorks)
{
    // Leaving the server frame: the client's reason, and the wizard stays.
    Open();
    w->txtSQLServer->setText(QStringLiteral("UNKNOWNSRV"));
    w->txtHBServer->setText(HbText());
    w->cmdNext_Click();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("The SQL server 'UNKNOWNSRV' is not known to this HBServer.")});
    EXPECT_EQ(w->CurrentFrame(), 1);
    EXPECT_EQ(Shown(), 1);
    Unload(w);

    // No companies: back to the server frame.
    boxes.clear();
    erpdb::CreateServer(QStringLiteral("EMPTYSRV"), QStringLiteral("a1"), QStringLiteral("b2"));
    port = f.StartHb({kServer, QStringLiteral("EMPTYSRV")});
    Open();
    w->txtSQLServer->setText(QStringLiteral("EMPTYSRV"));
    w->txtHBServer->setText(HbText());
    w->cmdNext_Click();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("Error: Unable to retrieve company information.\r\nThe SQL server "
                                                "'EMPTYSRV' has no companies.")});
    EXPECT_EQ(w->CurrentFrame(), 1);
    EXPECT_EQ(Shown(), 1);
    Unload(w);

    // Going back from the name frame to the branch frame with the HBServer gone:
    // its reason, and the wizard returns to the name frame.
    boxes.clear();
    Open();
    ToCompanies();
    Choose(w->cboCompany, QStringLiteral("ACME"));
    w->cmdNext_Click();
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 4);
    w->txtProfileName->setText(QStringLiteral("typed"));
    f.StopHb();
    w->cmdPrev_Click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("The HBServer at 127.0.0.1:%1 cannot be reached").arg(port)))
        << Boxes();
    EXPECT_EQ(w->CurrentFrame(), 4);
    EXPECT_EQ(Shown(), 4);
    Unload(w);

    // Forward into the branch frame with the HBServer gone: back to the company frame.
    boxes.clear();
    port = f.StartHb();
    Open();
    ToCompanies();
    Choose(w->cboCompany, QStringLiteral("ACME"));
    f.StopHb();
    w->cmdNext_Click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Error: Unable to retrieve branch information.\r\nThe HBServer at ")))
        << Boxes();
    EXPECT_EQ(w->CurrentFrame(), 2);
    EXPECT_EQ(Shown(), 2);
}

TEST_F(WizardTest, CompanyAndBranchMustBeChosen)
{
    Open();
    ToCompanies();
    w->cboCompany->Clear();
    w->cmdNext_Click();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("You must choose a Company in the drop down before proceeding.")});
    EXPECT_EQ(w->CurrentFrame(), 2);
    EXPECT_EQ(Shown(), 2);
    Unload(w);

    boxes.clear();
    Open();
    ToCompanies();
    Choose(w->cboCompany, QStringLiteral("ACME"));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 3);
    w->cboBranch->Clear();
    w->cmdNext_Click();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("You must choose a Branch in the drop down before proceeding.")});
    EXPECT_EQ(w->CurrentFrame(), 3);
    EXPECT_EQ(Shown(), 3);
}

TEST_F(WizardTest, ProfileNamesMustBeUniqueWithoutRegardToCase)
{
    struct Case {
        const char* entryName;
        const char* typed;
        bool accepted;
        const char* message;
    } cases[] = {
        {"", "Other", false, nullptr},       // another profile's name
        {"", "OTHER", false, nullptr},       // ... in other letters
        {"", "Oth", true, nullptr},          // a part of it is free
        {"", "", false, "You must give the profile a name."},     // a profile needs a name
        {"", "  ", false, "You must give the profile a name."},   // ... that the logon window can list
        {"Mine", "Mine", true, nullptr},     // an edit keeps its own name
        {"Mine", "MINE", true, nullptr},     // ... also in other letters
        {"Mine", "other", false, nullptr},   // but may not take another's
        {"", "a[~]b", false, "The profile name may not contain \"[~]\" or \"[^]\".  Choose another name."},
        {"", "a[^]", false, "The profile name may not contain \"[~]\" or \"[^]\".  Choose another name."},
    };
    for (const Case& c : cases) {
        boxes.clear();
        auto record = std::make_shared<clsLogonProfile>();
        record->ProfileName = QString::fromUtf8(c.entryName);
        Open(QStringLiteral("coexecutive"), QStringLiteral("[^]Mine[^]Other[^]"), record);
        w->txtSQLServer->setText(kServer);
        w->txtHBServer->setText(HbText());
        w->cmdNext_Click();
        ASSERT_EQ(w->CurrentFrame(), 4) << Boxes();
        w->txtProfileName->setText(QString::fromUtf8(c.typed));
        w->cmdNext_Click();
        const std::string label = std::string(c.entryName) + " -> " + c.typed;
        if (c.accepted) {
            EXPECT_TRUE(boxes.isEmpty()) << label << Boxes();
            EXPECT_EQ(record->ProfileName, QString::fromUtf8(c.typed)) << label;
            EXPECT_TRUE(w->isHidden()) << label;
        } else {
            EXPECT_EQ(boxes, QStringList{c.message ? QString::fromUtf8(c.message) : kNameInUse}) << label;
            EXPECT_EQ(record->ProfileName, QString::fromUtf8(c.entryName)) << label;
            EXPECT_EQ(record->SQLServer, QString()) << label;  // nothing written
            EXPECT_EQ(w->CurrentFrame(), 4) << label;
        }
        Unload(w);
    }
}

TEST_F(WizardTest, AnErrorWhileChangingFramesPutsTheFrameNumberBack)
{
    Open();
    ToCompanies();
    // A company the HBServer did not offer makes the branch frame fail.
    w->cboCompany->AddItem(QStringLiteral("GHOST"));
    w->cboCompany->SetListIndex(w->cboCompany->ListCount() - 1);
    std::vector<MessageBoxRequest> errors;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        errors.push_back(r);
        return int(vbOK);
    });
    w->cmdNext->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].prompt.startsWith(QStringLiteral("(5) -- "))) << errors[0].prompt.toStdString();
    EXPECT_EQ(w->CurrentFrame(), 2);
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(w->cmdNext->text(), QStringLiteral("Next >>"));
    // The wizard goes on from where it is.
    Choose(w->cboCompany, QStringLiteral("PLAIN"));
    w->cmdNext->click();
    EXPECT_EQ(w->CurrentFrame(), 4);
}

TEST_F(WizardTest, ClosingTheWindowLeavesTheRecordAlone)
{
    Open();
    ToCompanies();
    Choose(w->cboCompany, QStringLiteral("PLAIN"));
    w->cmdNext_Click();
    w->close();
    EXPECT_FALSE(IsFormLoaded(w));
    EXPECT_EQ(profile->ProfileName, QString());
    EXPECT_EQ(profile->Company, QString());
    EXPECT_EQ(profile->HBServerPort, 0);
}

TEST_F(WizardTest, EnterIsNextOrFinishUnlessAButtonHasTheFocus)
{
    Open();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    // Enter goes to the control with the focus, as a key press from the user would.
    auto enter = [this](QWidget* focus, Qt::Key key = Qt::Key_Return) {
        focus->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(w->focusWidget(), focus);
        QTest::keyClick(focus, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    };

    // A frame that does not pass its check stays, with its message.
    enter(w->txtHBServer);
    EXPECT_EQ(w->CurrentFrame(), 1);
    EXPECT_EQ(boxes, QStringList{kSupply});
    boxes.clear();

    w->txtSQLServer->setText(kServer);
    w->txtHBServer->setText(HbText());
    enter(w->txtSQLServer, Qt::Key_Enter);
    ASSERT_EQ(w->CurrentFrame(), 2) << Boxes();
    Choose(w->cboCompany, QStringLiteral("ACME"));
    enter(w->cboCompany);
    ASSERT_EQ(w->CurrentFrame(), 3) << Boxes();
    enter(w->chkShowOnlyLoggedInBranch);
    ASSERT_EQ(w->CurrentFrame(), 4) << Boxes();
    EXPECT_FALSE(w->chkShowOnlyLoggedInBranch->isChecked());  // Enter is no toggle

    // The focused Previous goes back; the focused Next goes on once.
    enter(w->cmdPrev);
    ASSERT_EQ(w->CurrentFrame(), 3);
    enter(w->cmdNext);
    ASSERT_EQ(w->CurrentFrame(), 4);
    EXPECT_EQ(w->cmdNext->text(), QStringLiteral("Finish"));
    EXPECT_EQ(profile->ProfileName, QString());

    // On the last frame Enter is Finish.
    w->txtProfileName->setText(QStringLiteral("By keyboard"));
    enter(w->txtProfileName);
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_TRUE(IsFormLoaded(w));
    EXPECT_TRUE(w->isHidden());
    EXPECT_EQ(profile->ProfileName, QStringLiteral("By keyboard"));
    EXPECT_EQ(profile->Company, QStringLiteral("ACME"));
}
