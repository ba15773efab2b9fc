// The profile manager on a collection of its own, with the wizard it opens
// talking to a real HBServer on a loopback port (companies ACME with branches,
// BETA with one, PLAIN without).

#include "logon/frmLogonProfileList.h"

#include "logon/ProfileDialogDriver.h"
#include "platform/controls/ReportListView.h"
#include "platform/hbclient/HbTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace hbtest;
using namespace profiletest;

namespace {

const QString kNameInUse = QStringLiteral("The profile name specified is already in use.  Choose another name.");
const QString kWizardCaption = QStringLiteral("Edit Logon Profile");

// The fields and buttons that Tab visits in the wizard's frame, from the one with
// the focus until Tab comes round to it again; each with its top edge in the wizard.
QStringList TabRound(frmLogonWizard* w, std::vector<int>* tops = nullptr)
{
    QStringList visited;
    QWidget* const start = w->focusWidget();
    if (!start)
        return {QStringLiteral("(no focus)")};
    QWidget* at = start;
    do {
        visited << at->objectName();
        if (tops)
            tops->push_back(at->mapTo(w, QPoint(0, 0)).y());
        QTest::keyClick(at, Qt::Key_Tab);
        at = w->focusWidget();
    } while (at && at != start && visited.size() < 12);
    return visited;
}

// The wizard's fields of each frame, as a user meets them: the caption, the field
// that has the focus when the frame comes up, and the Tab round from there.
struct FrameSeen {
    int frame = 0;
    QString caption;
    QStringList round;
    bool topDown = false;  // the fields of the round lie from top to bottom
};

FrameSeen See(frmLogonWizard* w)
{
    FrameSeen seen;
    seen.frame = w->CurrentFrame();
    seen.caption = w->windowTitle();
    std::vector<int> tops;
    seen.round = TabRound(w, &tops);
    // The buttons sit below the frame; the fields of the round come first, downwards.
    seen.topDown = std::is_sorted(tops.begin(), tops.end());
    return seen;
}

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = f.StartHb();
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r.prompt);
            return int(vbOK);
        });
        col = std::make_shared<CoCollection>();
        col->EnableKeyedAccess();
    }
    void TearDown() override
    {
        if (m && IsFormLoaded(m))
            Unload(m);
        delete m.data();
        SetMessageBoxAnswerer(nullptr);
    }

    // A profile on the test's HBServer.
    clsLogonProfileRef Profile(const QString& name, const QString& company, const QString& branch,
                               int32_t branchId) const
    {
        auto p = std::make_shared<clsLogonProfile>();
        p->ProfileName = name;
        p->HBServer = QStringLiteral("127.0.0.1");
        p->HBServerPort = port;
        p->SQLServer = kServer;
        p->Company = company;
        p->Branch = branch;
        p->BranchID = branchId;
        return p;
    }
    // Home (ACME, North), Home Office (BETA, Only), Plain (PLAIN).
    void ThreeProfiles()
    {
        for (const auto& p : {Profile(QStringLiteral("Home"), QStringLiteral("ACME"), QStringLiteral("North"), 2),
                              Profile(QStringLiteral("Home Office"), QStringLiteral("BETA"), QStringLiteral("Only"), 5),
                              Profile(QStringLiteral("Plain"), QStringLiteral("PLAIN"), QString(), 1)})
            col->Add(p, p->ProfileName);
    }
    frmLogonProfileList* Open(const QString& user = QStringLiteral("jdoe"), const QString& current = QString())
    {
        m = new frmLogonProfileList;
        KeepAfterUnload(m);
        m->Init(col, user, 0, current, true);
        Show(m);
        return m;
    }
    Walk NewProfile(const QString& name, const QString& company = QStringLiteral("ACME"),
                    const QString& branch = QStringLiteral("South")) const
    {
        return {QStringLiteral("127.0.0.1:%1").arg(port), kServer, company, branch, name};
    }
    // "text|sub-item 1|sub-item 2" of every row, in list order.
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 1; i <= m->lstProfiles->ItemCount(); ++i) {
            const ListItem* row = m->lstProfiles->Item(i);
            rows << row->Text() + QLatin1Char('|') + row->SubItem(1) + QLatin1Char('|') + row->SubItem(2);
        }
        return rows;
    }
    QStringList Selected() const
    {
        QStringList rows;
        for (int i = 1; i <= m->lstProfiles->ItemCount(); ++i)
            if (m->lstProfiles->Item(i)->Selected())
                rows << m->lstProfiles->Item(i)->Text();
        return rows;
    }
    void SelectRow(const QString& text)
    {
        m->lstProfiles->UnSelectAll();
        for (int i = 1; i <= m->lstProfiles->ItemCount(); ++i)
            if (m->lstProfiles->Item(i)->Text() == text) {
                m->lstProfiles->SetSelectedItem(m->lstProfiles->Item(i));
                m->lstProfiles->Item(i)->SetSelected(true);
                return;
            }
        ADD_FAILURE() << "no row " << text.toStdString();
    }
    // Neither a selected nor a current row.
    void NoRow()
    {
        m->lstProfiles->UnSelectAll();
        m->lstProfiles->SetSelectedItem(nullptr);
    }
    // The row whose text is name ("" when none).
    QString Row(const QString& name) const
    {
        for (const QString& row : Rows())
            if (row.section(QLatin1Char('|'), 0, 0) == name)
                return row;
        return QString();
    }
    // Each record's name with its key, company and branch, in collection order.
    QStringList Collection() const
    {
        QStringList out;
        for (int32_t i = 1; i <= col->Count(); ++i) {
            auto p = std::dynamic_pointer_cast<clsLogonProfile>(col->Item(i));
            const bool keyed = col->HasKey(p->ProfileName) && col->IndexByKey(p->ProfileName) == i;
            out << p->ProfileName + (keyed ? QString() : QStringLiteral("(not its key)")) + QLatin1Char('|') +
                       p->Company + QLatin1Char('|') + p->Branch;
        }
        return out;
    }
    void Add(const Walk& walk)
    {
        WhenWizardShown(walk);
        m->cmdNewProfile_Click();
    }
    void Edit(const QString& row, const Walk& walk)
    {
        SelectRow(row);
        WhenWizardShown(walk);
        m->cmdEditProfile_Click();
    }

    HbFixture f;
    int16_t port = 0;
    QStringList boxes;
    CoCollectionRef col;
    QPointer<frmLogonProfileList> m;
};

}  // namespace

TEST_F(ManagerTest, ColumnsRowsAndTheSelectedProfileFollowTheUserAndTheCurrentProfile)
{
    ThreeProfiles();
    struct Case {
        const char* user;
        const char* current;
        QStringList headers;
        QStringList rows;
        QStringList selected;
    } cases[] = {
        {"jdoe", "home office", {"Profile Name", "Company", "Branch"},
         {"Home|ACME|North", "Home Office|BETA|Only", "Plain|PLAIN|"}, {"Home Office"}},
        {"coexecutive", "Plain", {"Profile Name", "HBServer", "SQLServer"},
         {"Home|127.0.0.1|HBSRV", "Home Office|127.0.0.1|HBSRV", "Plain|127.0.0.1|HBSRV"}, {"Plain"}},
        // Only the exact user id is the coexecutive one.
        {"CoExecutive", "", {"Profile Name", "Company", "Branch"},
         {"Home|ACME|North", "Home Office|BETA|Only", "Plain|PLAIN|"}, {}},
        // A current profile the collection does not hold selects nothing.
        {"jdoe", "Gone", {"Profile Name", "Company", "Branch"},
         {"Home|ACME|North", "Home Office|BETA|Only", "Plain|PLAIN|"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " / " + c.current);
        Open(QString::fromLatin1(c.user), QString::fromLatin1(c.current));
        EXPECT_EQ(m->Caption(), QStringLiteral("Manage Logon Profiles"));
        QStringList headers;
        for (int i = 1; i <= m->lstProfiles->ColumnCount(); ++i)
            headers << m->lstProfiles->Column(i)->Text();
        EXPECT_EQ(headers, c.headers);
        EXPECT_DOUBLE_EQ(m->lstProfiles->Column(1)->Width(), 3200);
        EXPECT_DOUBLE_EQ(m->lstProfiles->Column(2)->Width(), 1800);
        EXPECT_DOUBLE_EQ(m->lstProfiles->Column(3)->Width(), 1500);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]Home[^]Home Office[^]Plain[^]"));
        // OK without a selected row keeps the name given.
        NoRow();
        m->cmdOK_Click();
        EXPECT_TRUE(IsFormLoaded(m));
        EXPECT_FALSE(m->isVisible());
        EXPECT_EQ(m->GetSelectedProfile(), QString::fromLatin1(c.current));
        Unload(m);
        delete m.data();
        EXPECT_EQ(col->Count(), 3);
    }
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(ManagerTest, AddWalksTheWizardAndListsTheNewProfileSelected)
{
    Open();
    EXPECT_EQ(m->lstProfiles->ItemCount(), 0);
    EXPECT_EQ(m->lstProfiles->ColumnCount(), 3);
    EXPECT_TRUE(m->UsedProfileList().isEmpty());

    Add(NewProfile(QString()));  // the suggested name
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
    EXPECT_EQ(Rows(), QStringList{"HBSRV.ACME-South|ACME|South"});
    EXPECT_EQ(Selected(), QStringList{"HBSRV.ACME-South"});
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]HBSRV.ACME-South[^]"));
    Add(NewProfile(QStringLiteral("Plain one"), QStringLiteral("PLAIN"), QString()));
    EXPECT_EQ(Rows(), (QStringList{"HBSRV.ACME-South|ACME|South", "Plain one|PLAIN|"}));
    EXPECT_EQ(Selected(), QStringList{"Plain one"});
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]HBSRV.ACME-South[^]Plain one[^]"));

    // A cancelled wizard adds nothing.
    WhenWizardShownCancel();
    m->cmdNewProfile_Click();
    EXPECT_EQ(col->Count(), 2);

    // The used names reach the wizard, letter case ignored.
    Add(NewProfile(QStringLiteral("PLAIN ONE")));
    EXPECT_EQ(boxes, QStringList{kNameInUse});
    EXPECT_EQ(col->Count(), 2);

    m->cmdOK_Click();
    EXPECT_EQ(m->GetSelectedProfile(), QStringLiteral("Plain one"));
    Unload(m);
    EXPECT_EQ(Collection(), (QStringList{"HBSRV.ACME-South|ACME|South", "Plain one|PLAIN|"}));
    auto added = std::dynamic_pointer_cast<clsLogonProfile>(col->ItemByKey(QStringLiteral("plain one")));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->HBServer, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(added->HBServerPort, port);
    EXPECT_EQ(added->SQLServer, kServer);
    EXPECT_TRUE(added->FilledOut());
}

TEST_F(ManagerTest, EditRenamesTheRowAndItsKeyAndFreesTheOldName)
{
    ThreeProfiles();
    Open();
    // The coexecutive walk is not needed: a plain user edits servers, company, branch and name.
    Edit(QStringLiteral("Home"), {QStringLiteral("127.0.0.1:%1").arg(port), kServer, QStringLiteral("BETA"),
                                  QStringLiteral("Only"), QStringLiteral("Main")});
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
    // The renamed row keeps its place: writing a row's texts does not sort the list again.
    EXPECT_EQ(Rows(), (QStringList{"Main|BETA|Only", "Home Office|BETA|Only", "Plain|PLAIN|"}));
    EXPECT_EQ(Collection(), (QStringList{"Main|BETA|Only", "Home Office|BETA|Only", "Plain|PLAIN|"}));
    EXPECT_FALSE(col->HasKey(QStringLiteral("Home")));
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]Main[^]Home Office[^]Plain[^]"));

    // The old name is free again, the new one is not; "Home Office" keeps its entry.
    Add(NewProfile(QStringLiteral("main")));
    Add(NewProfile(QStringLiteral("home office")));
    EXPECT_EQ(boxes, (QStringList{kNameInUse, kNameInUse}));
    Add(NewProfile(QStringLiteral("Home")));
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_EQ(col->Count(), 4);

    // A cancelled Edit changes nothing; a double click edits like Edit does.
    SelectRow(QStringLiteral("Plain"));
    WhenWizardShownCancel();
    m->cmdEditProfile_Click();
    EXPECT_EQ(Row(QStringLiteral("Plain")), QStringLiteral("Plain|PLAIN|"));
    SelectRow(QStringLiteral("Plain"));
    WhenWizardShown({QString(), QString(), QString(), QString(), QStringLiteral("Flat")});
    emit m->lstProfiles->DblClick();
    EXPECT_EQ(Row(QStringLiteral("Flat")), QStringLiteral("Flat|PLAIN|"));
    EXPECT_TRUE(Row(QStringLiteral("Plain")).isEmpty());
    EXPECT_TRUE(col->HasKey(QStringLiteral("Flat")));

    // Edit and Delete without a selected row do nothing.
    NoRow();
    m->cmdEditProfile_Click();
    m->cmdDeleteProfile_Click();
    EXPECT_EQ(col->Count(), 4);
}

TEST_F(ManagerTest, DeleteRemovesTheProfileAndFreesOnlyItsName)
{
    ThreeProfiles();
    Open();
    SelectRow(QStringLiteral("Home"));
    m->cmdDeleteProfile_Click();
    EXPECT_TRUE(boxes.isEmpty());  // no question
    EXPECT_EQ(Rows(), (QStringList{"Home Office|BETA|Only", "Plain|PLAIN|"}));
    EXPECT_EQ(Collection(), (QStringList{"Home Office|BETA|Only", "Plain|PLAIN|"}));
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]Home Office[^]Plain[^]"));
    Add(NewProfile(QStringLiteral("Home Office")));
    EXPECT_EQ(boxes, QStringList{kNameInUse});
    Add(NewProfile(QStringLiteral("HOME")));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(Row(QStringLiteral("HOME")), QStringLiteral("HOME|ACME|South"));

    // All rows selected (Ctrl+A): all go, and every name is free again.
    m->lstProfiles->SelectAll();
    m->cmdDeleteProfile_Click();
    EXPECT_EQ(col->Count(), 0);
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]"));
    Add(NewProfile(QStringLiteral("Plain")));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(m->UsedProfileList(), QStringLiteral("[^]Plain[^]"));
}

TEST_F(ManagerTest, CancelUndoesAddsDeletesRenamesAndEditsAndOkKeepsThem)
{
    const QStringList before{"Home|ACME|North", "Home Office|BETA|Only", "Plain|PLAIN|"};
    const QStringList after{"Renamed|BETA|Only", "Home Office|BETA|Only", "New|ACME|South"};
    struct Case {
        const char* how;
        std::function<void(frmLogonProfileList*)> leave;
        QStringList expected;
    } cases[] = {
        {"Cancel", [](frmLogonProfileList* d) { d->cmdCancel_Click(); }, before},
        {"Esc", [](frmLogonProfileList* d) { QTest::keyClick(d, Qt::Key_Escape); }, before},
        {"closing the window", [](frmLogonProfileList* d) { d->close(); }, before},
        {"OK", [](frmLogonProfileList* d) { d->cmdOK_Click(); }, after},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        col = std::make_shared<CoCollection>();
        col->EnableKeyedAccess();
        ThreeProfiles();
        const auto home = std::dynamic_pointer_cast<clsLogonProfile>(col->Item(1));
        Open();
        Add(NewProfile(QStringLiteral("New")));
        SelectRow(QStringLiteral("Plain"));
        m->cmdDeleteProfile_Click();
        Edit(QStringLiteral("Home"), {QStringLiteral("127.0.0.1:%1").arg(port), kServer, QStringLiteral("BETA"),
                                      QStringLiteral("Only"), QStringLiteral("Renamed")});
        // Edited twice: the fields as they were on load come back.
        Edit(QStringLiteral("Renamed"), {QString(), QString(), QString(), QString(), QStringLiteral("Renamed")});
        ASSERT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
        ASSERT_EQ(Collection(), after);

        c.leave(m);
        if (IsFormLoaded(m))
            Unload(m);
        EXPECT_EQ(Collection(), c.expected);
        EXPECT_EQ(col->Item(1), home);  // the same record, not a copy
        if (c.expected == before) {
            EXPECT_EQ(home->BranchID, 2);
            EXPECT_EQ(home->ProfileName, QStringLiteral("Home"));
        }
        delete m.data();
    }
}

TEST_F(ManagerTest, AddOpensTheWizardInItsFirstBoxAndTabRunsDownEachFrame)
{
    Open();
    std::vector<FrameSeen> frames;
    QString hbFollowed, company, branch;
    bool sqlAboveHb = false;
    bool labelsBesideBoxes = false;
    WhenShown<frmLogonWizard>(QStringLiteral("frmLogonWizard"), [&](frmLogonWizard* w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        const auto top = [w](QWidget* c) { return c->mapTo(w, QPoint(0, 0)).y(); };
        sqlAboveHb = top(w->txtSQLServer) < top(w->txtHBServer) && top(w->lblSQLServer) < top(w->lblHBServer);
        labelsBesideBoxes = true;
        for (QLabel* label : {w->lblSQLServer, w->lblHBServer}) {
            const QRect box = label->buddy()->geometry();  // both in the server frame
            const QPoint middle = label->geometry().center();
            labelsBesideBoxes = labelsBesideBoxes && middle.y() >= box.top() && middle.y() <= box.bottom() &&
                                middle.x() < box.left();
        }
        frames.push_back(See(w));
        // What the user types first goes where the focus is; the HBServer box follows it.
        QTest::keyClicks(w->focusWidget(), kServer);
        hbFollowed = w->txtHBServer->text();
        w->txtHBServer->setText(QStringLiteral("127.0.0.1:%1").arg(port));
        w->cmdNext->click();
        frames.push_back(See(w));
        company = w->cboCompany->Text();
        Choose(w->cboCompany, QStringLiteral("ACME"));
        w->cmdNext->click();
        frames.push_back(See(w));
        branch = w->cboBranch->Text();
        w->cmdNext->click();
        frames.push_back(See(w));
        w->cmdNext->click();
    });
    m->cmdNewProfile->click();

    const QStringList buttons{"cmdPrev", "cmdNext"};
    const FrameSeen expected[] = {
        {1, kWizardCaption, {"txtSQLServer", "txtHBServer", "cmdNext"}, true},  // no Previous on the first frame
        {2, kWizardCaption, QStringList{"cboCompany"} + buttons, true},
        {3, kWizardCaption, QStringList{"cboBranch", "chkShowOnlyLoggedInBranch"} + buttons, true},
        {4, kWizardCaption, QStringList{"txtProfileName"} + buttons, true},
    };
    ASSERT_EQ(frames.size(), std::size(expected)) << boxes.join(" | ").toStdString();
    for (size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(expected[k].frame);
        EXPECT_EQ(frames[k].frame, expected[k].frame);
        EXPECT_EQ(frames[k].caption, expected[k].caption);
        EXPECT_EQ(frames[k].round.join(QLatin1Char(' ')).toStdString(),
                  expected[k].round.join(QLatin1Char(' ')).toStdString());
        EXPECT_TRUE(frames[k].topDown);
    }
    EXPECT_TRUE(sqlAboveHb);
    EXPECT_TRUE(labelsBesideBoxes);
    EXPECT_EQ(hbFollowed, kServer);
    // A new profile comes up on the last company and branch the HBServer lists.
    EXPECT_EQ(company, QStringLiteral("PLAIN"));
    EXPECT_EQ(branch, QStringLiteral("South"));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
    EXPECT_EQ(Rows(), QStringList{"HBSRV.ACME-South|ACME|South"});
}

TEST_F(ManagerTest, EditComesUpOnTheProfilesOwnCompanyAndBranch)
{
    ThreeProfiles();
    const auto first = Profile(QStringLiteral("First"), QStringLiteral("ACME"), QStringLiteral("Main Branch"), 1);
    col->Add(first, first->ProfileName);
    Open();
    struct Case {
        const char* row;
        const char* company;
        const char* branch;  // "" when the wizard skips the branch frame
        int32_t branchId;
    } cases[] = {
        {"Home", "ACME", "North", 2},          // a branch between others
        {"First", "ACME", "Main Branch", 1},   // the first company and its first branch
        {"Home Office", "BETA", "Only", 5},    // a company between others
        {"Plain", "PLAIN", "", 1},             // the last company, without branches
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        QString caption, company, branch;
        WhenShown<frmLogonWizard>(QStringLiteral("frmLogonWizard"), [&](frmLogonWizard* w) {
            caption = w->windowTitle();
            w->cmdNext->click();
            company = w->cboCompany->Text();
            w->cmdNext->click();
            if (w->CurrentFrame() == 3) {
                branch = w->cboBranch->Text();
                w->cmdNext->click();
            }
            w->cmdNext->click();  // Finish, nothing changed
        });
        SelectRow(QString::fromLatin1(c.row));
        m->cmdEditProfile->click();
        EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
        EXPECT_EQ(caption, kWizardCaption);
        EXPECT_EQ(company, QString::fromLatin1(c.company));
        EXPECT_EQ(branch, QString::fromLatin1(c.branch));
        const auto record = std::dynamic_pointer_cast<clsLogonProfile>(col->ItemByKey(QString::fromLatin1(c.row)));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->Company, QString::fromLatin1(c.company));
        EXPECT_EQ(record->Branch, QString::fromLatin1(c.branch));
        EXPECT_EQ(record->BranchID, c.branchId);
    }
}
