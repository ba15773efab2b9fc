// The profile manager on a collection of its own, with the wizard it opens
// talking to a real HBServer on a loopback port (companies ACME with branches,
// BETA with one, PLAIN without).

#include "logon/frmLogonProfileList.h"

#include "logon/ProfileDialogDriver.h"
#include "platform/controls/ReportListView.h"
#include "platform/hbclient/HbTestSupport.h"

#include <QPushButton>
#include <QTest>

using namespace hbtest;
using namespace profiletest;

namespace {

const QString kNameInUse = QStringLiteral("The profile name specified is already in use.  Choose another name.");

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
