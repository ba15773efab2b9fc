// The profile wizard against an HBServer of someone else's making that offers
// names a logon profile cannot hold, a reason too long for a message, and the
// SQL server "(LOCAL)".

#include "logon/frmLogonWizard.h"

#include "listhelpers/ComboBoxHelper.h"
#include "logon/LogonSettings.h"
#include "platform/hbclient/FakeHbServer.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPointer>

using namespace hbtest;

namespace {

class OddNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoHBClient::SetTimeouts(15000, 15000);  // any loopback answer on a busy machine
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
        CoHBClient::SetTimeouts(3000, 5000);
    }
    void Open(const FakeHbServer& hb, const QString& sqlServer = QStringLiteral("SRV"))
    {
        profile = std::make_shared<clsLogonProfile>();
        w = new frmLogonWizard;
        w->Init(QStringLiteral("jdoe"), QString(), profile, 0);
        Load(w);
        w->txtSQLServer->setText(sqlServer);
        w->txtHBServer->setText(QStringLiteral("127.0.0.1:%1").arg(hb.Port()));
    }
    static QStringList Texts(ComboBox* combo)
    {
        QStringList list;
        for (int i = 0; i < combo->ListCount(); ++i)
            list << combo->List(i) + QLatin1Char('=') + QString::number(combo->ItemData(i));
        return list;
    }
    std::string Boxes() const { return boxes.join(QStringLiteral(" | ")).toStdString(); }

    QStringList boxes;
    QPointer<frmLogonWizard> w;
    clsLogonProfileRef profile;
};

}  // namespace

TEST_F(OddNamesTest, CompaniesAndBranchesAProfileCannotHoldAreNamedAndLeftOut)
{
    FakeHbServer hb({
        {"HELLO", "OK\tSRV"},
        // "X[^]DEMO" and "Ea[^]st" arrive cut at their "[^]": neither the company DEMO
        // nor the branch "st" may be offered in their place.
        {"COMPANIES", "OK\tA[~]B11[^]GOOD11[^]X[^]DEMO00[^]good00[^]Tab\\tC00[^]  10[^]Trail"},
        {"BRANCHES GOOD", "OK\tNorth[~]East:2[^]We:st:3[^]Main:1[^]Big:70000[^]Ea[^]st:9[^]South:4[^]NoId"},
    });
    Open(hb);
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 2) << Boxes();
    EXPECT_EQ(boxes, QStringList{QStringLiteral(
                         "The HBServer offers companies that a logon profile cannot hold; they are not listed:\r\n"
                         "\"A[~]B\" (it holds \"[~]\")\r\n"
                         "\"X[^]DEMO\" (it holds \"[^]\")\r\n"
                         "\"good\" (it is offered twice)\r\n"
                         "\"Tab\\tC\" (it holds a control character)\r\n"
                         "\"  \" (it is empty)\r\n"
                         "... and 1 more.")})
        << Boxes();
    EXPECT_EQ(Texts(w->cboCompany), QStringList{QStringLiteral("GOOD=0")});

    boxes.clear();
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 3) << Boxes();
    EXPECT_EQ(boxes, QStringList{QStringLiteral(
                         "The HBServer offers branches that a logon profile cannot hold; they are not listed:\r\n"
                         "\"North[~]East:2\" (it holds \"[~]\")\r\n"
                         "\"We:st:3\" (its name holds \":\")\r\n"
                         "\"Big:70000\" (its id is not a number from -32768 to 32767)\r\n"
                         "\"Ea[^]st:9\" (it holds \"[^]\")\r\n"
                         "\"NoId\" (not a branch name, \":\" and its id)")})
        << Boxes();
    // The others stay usable: a branch chosen and finished is stored and read back whole.
    EXPECT_EQ(Texts(w->cboBranch), (QStringList{"Main=1", "South=4"}));
    w->cboBranch->SetListIndex(1);
    w->chkShowOnlyLoggedInBranch->setChecked(true);
    boxes.clear();
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    ASSERT_EQ(profile->ProfileName, QStringLiteral("SRV.GOOD-South"));

    EXPECT_EQ(LogonSettings::ProfileRecord(*profile).split(LogonSettings::kFieldSeparator),
              (QStringList{"SRV.GOOD-South", "127.0.0.1", QString::number(hb.Port()), "SRV", "GOOD", "4", "South", "1"}));
}

TEST_F(OddNamesTest, AListOfNothingButOddNamesKeepsTheUserWhereHeWas)
{
    FakeHbServer hb({
        {"HELLO", "OK\tSRV"},
        {"COMPANIES", "OK\tA[~]B11[^]GOOD11"},
        {"BRANCHES GOOD", "OK\tWe:st:3"},
    });
    // No company that can be held: back to the server frame.
    FakeHbServer none({{"HELLO", "OK\tSRV"}, {"COMPANIES", "OK\tA[~]B11"}});
    Open(none);
    w->cmdNext_Click();
    EXPECT_EQ(boxes.size(), 1) << Boxes();
    EXPECT_EQ(w->CurrentFrame(), 1);
    EXPECT_TRUE(w->Frame(2)->isHidden());
    Unload(w);

    // No branch that can be held: back to the company frame.
    boxes.clear();
    Open(hb);
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 2) << Boxes();
    boxes.clear();
    w->cmdNext_Click();
    EXPECT_EQ(boxes.size(), 1) << Boxes();
    EXPECT_TRUE(boxes.value(0).endsWith(QStringLiteral("\"We:st:3\" (its name holds \":\")"))) << Boxes();
    EXPECT_EQ(w->CurrentFrame(), 2);
    EXPECT_TRUE(w->Frame(3)->isHidden());
    EXPECT_EQ(profile->Company, QString());
}

TEST_F(OddNamesTest, AVeryLongReasonIsShownCut)
{
    FakeHbServer hb({{"HELLO", "ERR\t" + QByteArray(100000, 'r')}});
    Open(hb);
    w->cmdNext_Click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], QString(497, QLatin1Char('r')) + QStringLiteral("..."));
    EXPECT_EQ(w->CurrentFrame(), 1);
}

TEST_F(OddNamesTest, LocalAsTheSQLServerIsThisComputerForTheHBServer)
{
    FakeHbServer hb({{"HELLO", "OK\tSRV"}, {"COMPANIES", "OK\tPLAIN00"}});
    profile = std::make_shared<clsLogonProfile>();
    w = new frmLogonWizard;
    w->Init(QStringLiteral("jdoe"), QString(), profile, 0);
    Load(w);
    const QString typed = QStringLiteral("(LOCAL)");
    for (int n = 1; n <= typed.size(); ++n)
        w->txtSQLServer->setText(typed.left(n));
    ASSERT_EQ(w->txtHBServer->text(), typed);
    w->txtHBServer->setText(typed + QStringLiteral(":%1").arg(hb.Port()));
    w->cmdNext_Click();
    ASSERT_EQ(w->CurrentFrame(), 2) << Boxes();
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_TRUE(boxes.isEmpty()) << Boxes();
    EXPECT_EQ(profile->HBServer, typed);
    EXPECT_EQ(profile->HBServerPort, hb.Port());
    EXPECT_EQ(profile->SQLServer, typed);
}
