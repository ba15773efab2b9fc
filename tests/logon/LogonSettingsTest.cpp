#include "base/AppError.h"
#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "core/Windows.h"
#include "logon/LogonSettings.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kMigrationText =
    "We have changed the way our logon form works.  We now have logon 'profiles' to make it easier to store "
    "connection parameters.\r\n\r\nWe have created one profile for you based on the last login.  When you are "
    "ready to alter the profile or create more use the edit button.";

clsLogonProfileRef MakeProfile(const QString& name, const QString& branch = QString(), int32_t branchId = 1)
{
    auto p = std::make_shared<clsLogonProfile>();
    p->ProfileName = name;
    p->HBServer = "hb-" + name;
    p->HBServerPort = 1331;
    p->SQLServer = "sql\\inst";
    p->Company = "ACME";
    p->BranchID = branchId;
    p->Branch = branch;
    return p;
}

// Each test gets its own settings store in a temporary folder and records the message boxes.
class LogonSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        RegistryStore::SetDirectory(m_dir.path());
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            m_boxes.push_back(r);
            return int(vbOK);
        });
    }
    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        RegistryStore::SetDirectory(QString());
    }

    // Stores Connection values as an earlier run (or an older version) left them.
    void Store(const std::vector<std::pair<QString, Variant>>& values)
    {
        AuProperties bag;
        for (const auto& [name, value] : values)
            bag.Add(name, value);
        ASSERT_TRUE(SaveMachineSettings("Connection", bag));
    }

    Variant Stored(const QString& name)
    {
        HKEY key = 0;
        if (RegOpenKey(HKEY_CURRENT_USER, MachineSettingsKeyPath("Connection"), &key) != ERROR_SUCCESS)
            return Null;
        Variant v = RegQueryValueVariant(key, name);
        RegCloseKey(key);
        return v;
    }

    bool StoredExists(const QString& name, uint32_t* type)
    {
        HKEY key = 0;
        if (RegOpenKey(HKEY_CURRENT_USER, MachineSettingsKeyPath("Connection"), &key) != ERROR_SUCCESS)
            return false;
        uint32_t count = 0;
        const long rc = RegQueryValueEx(key, name, type, &count);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }

    // A showing of the logon window: new bag, emptied collection, settings read.
    void Read(LogonSettings& s)
    {
        s.NewSettings();
        s.ResetProfiles();
        s.InitSettings();
    }

    clsLogonProfileRef ProfileAt(LogonSettings& s, int32_t index)
    {
        return std::dynamic_pointer_cast<clsLogonProfile>(s.Profiles()->Item(index));
    }

    QTemporaryDir m_dir;
    std::vector<MessageBoxRequest> m_boxes;
};

TEST(LogonProfile, FilledOut)
{
    struct Case { const char* what; std::function<void(clsLogonProfile&)> change; bool filled; };
    const Case cases[] = {
        {"complete", [](clsLogonProfile&) {}, true},
        {"port 0", [](clsLogonProfile& p) { p.HBServerPort = 0; }, false},
        {"negative port", [](clsLogonProfile& p) { p.HBServerPort = -1331; }, false},
        {"branch id 2 without branch", [](clsLogonProfile& p) { p.BranchID = 2; }, false},
        {"branch id 2 with branch", [](clsLogonProfile& p) { p.BranchID = 2; p.Branch = "North"; }, true},
        {"branch id 1 without branch", [](clsLogonProfile& p) { p.BranchID = 1; }, true},
        {"blank names count", [](clsLogonProfile& p) { p.HBServer = p.Company = p.SQLServer = p.ProfileName = " "; }, true},
        {"no HBServer", [](clsLogonProfile& p) { p.HBServer.clear(); }, false},
        {"no company", [](clsLogonProfile& p) { p.Company.clear(); }, false},
        {"no SQL server", [](clsLogonProfile& p) { p.SQLServer.clear(); }, false},
        {"no name", [](clsLogonProfile& p) { p.ProfileName.clear(); }, false},
    };
    for (const Case& c : cases) {
        auto p = MakeProfile("A", QString(), 0);
        c.change(*p);
        EXPECT_EQ(p->FilledOut(), c.filled) << c.what;
    }
    EXPECT_FALSE(clsLogonProfile().FilledOut());
}

TEST(LogonProfile, StripServerInstance)
{
    EXPECT_EQ(LogonSettings::StripServerInstance("srv\\inst"), "srv");
    EXPECT_EQ(LogonSettings::StripServerInstance("srv\\a\\b"), "srv");
    EXPECT_EQ(LogonSettings::StripServerInstance("srv"), "srv");
    EXPECT_EQ(LogonSettings::StripServerInstance("\\inst"), "");
    EXPECT_EQ(LogonSettings::StripServerInstance(""), "");
}

TEST_F(LogonSettingsTest, NothingStoredGivesDefaults)
{
    LogonSettings s;
    Read(s);
    EXPECT_EQ(s.Profiles()->Count(), 0);
    EXPECT_TRUE(s.ProfileNames().isEmpty());
    EXPECT_EQ(s.CurrentProfile(), "");
    EXPECT_EQ(s.UserID(), "");
    EXPECT_EQ(s.StatusText(), "");
    EXPECT_EQ(s.FailedAttempts(), 0);
    EXPECT_TRUE(m_boxes.empty());
    ASSERT_EQ(s.Settings()->Count(), 8);
    const char* names[] = {"UserID", "CompanyID", "Server", "Branch", "BranchID", "SRV_NAME_RCT_LIST",
                           "PRF_NAME_RCT_LIST", "Profile"};
    for (int16_t i = 1; i <= 8; ++i)
        EXPECT_EQ(s.Settings()->Item(Variant(i))->Name(), names[i - 1]);
    EXPECT_EQ(s.Settings()->Item(Variant(QString("BranchID")))->Value().type(), VarType::Integer);
}

TEST_F(LogonSettingsTest, StartupDefaultsResetTheShowing)
{
    LogonSettings s;
    s.SetStatusText("Failed to login. Please verify information and try again.");
    s.SetFailedAttempts(2);
    s.SetStartupDefaults();
    EXPECT_EQ(s.CurrentProfile(), "<create new logon profile>");
    EXPECT_EQ(s.StatusText(), "");
    EXPECT_EQ(s.FailedAttempts(), 0);
}

TEST_F(LogonSettingsTest, RecordsBySixSevenEightAndMoreFields)
{
    Store({{"Profile", "six"},
           {"UserID", "jdoe "},
           {"PRF_NAME_RCT_LIST", "six[~]h6[~]1331[~]s6[~]c6[~]1[^]"
                                 "seven[~]h7[~]-5[~]s7[~]c7[~]4[~]West[^]"
                                 "eight[~]h8[~]80[~]s8[~]c8[~]2[~]North[~]1[^]"
                                 "eightoff[~]h8[~]80[~]s8[~]c8[~]2[~]North[~]0[^]"
                                 "nine[~]h9[~]90[~]s9[~]c9[~]3[~]South[~]1[~]extra[^]"}});
    LogonSettings s;
    Read(s);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(s.ProfileNames(), QStringList({"six", "seven", "eight", "eightoff", "nine"}));
    EXPECT_EQ(s.CurrentProfile(), "six");
    EXPECT_EQ(s.UserID(), "jdoe ");

    struct Expected { const char* name; const char* hb; int16_t port; const char* sql; const char* company;
                      int32_t branchId; const char* branch; bool flag; };
    const Expected expected[] = {
        {"six", "h6", 1331, "s6", "c6", 1, "", false},
        {"seven", "h7", -5, "s7", "c7", 4, "West", false},
        {"eight", "h8", 80, "s8", "c8", 2, "North", true},
        {"eightoff", "h8", 80, "s8", "c8", 2, "North", false},
        {"nine", "h9", 90, "s9", "c9", 3, "South", false},
    };
    for (const Expected& e : expected) {
        auto p = std::dynamic_pointer_cast<clsLogonProfile>(s.Profiles()->ItemByKey(e.name));
        ASSERT_TRUE(p) << e.name;
        EXPECT_EQ(p->ProfileName, e.name);
        EXPECT_EQ(p->HBServer, e.hb) << e.name;
        EXPECT_EQ(p->HBServerPort, e.port) << e.name;
        EXPECT_EQ(p->SQLServer, e.sql) << e.name;
        EXPECT_EQ(p->Company, e.company) << e.name;
        EXPECT_EQ(p->BranchID, e.branchId) << e.name;
        EXPECT_EQ(p->Branch, e.branch) << e.name;
        EXPECT_EQ(p->ShowOnlyLoggedInBranch, e.flag) << e.name;
    }
    // Keys ignore letter case.
    EXPECT_EQ(s.Profiles()->IndexByKey("SEVEN"), 2);
    EXPECT_TRUE(s.RejectedRecords().isEmpty());
}

TEST_F(LogonSettingsTest, ProfilesWrittenAndReadBack)
{
    LogonSettings s;
    Read(s);
    auto a = MakeProfile("A");
    a->HBServer = "h";
    a->SQLServer = "s";
    a->Company = "c";
    a->ShowOnlyLoggedInBranch = true;  // not stored without a branch
    a->CurrentUser = "jdoe";
    a->CurrentUserPwd = "secret";
    a->CurrentApplication = "3";
    auto b = MakeProfile("B", "North", 7);
    b->ShowOnlyLoggedInBranch = true;
    auto c = MakeProfile("C", "South", 8);
    c->HBServerPort = -2;
    s.Profiles()->Add(a, a->ProfileName);
    s.Profiles()->Add(b, b->ProfileName);
    s.Profiles()->Add(c, c->ProfileName);

    ASSERT_TRUE(s.SaveRegSettings("B", " jdoe"));
    const QString list = "A[~]h[~]1331[~]s[~]c[~]1[^]"
                         "B[~]hb-B[~]1331[~]sql\\inst[~]ACME[~]7[~]North[~]1[^]"
                         "C[~]hb-C[~]-2[~]sql\\inst[~]ACME[~]8[~]South[~]0[^]";
    EXPECT_EQ(s.ProfileList(), list);
    EXPECT_EQ(Stored("PRF_NAME_RCT_LIST").toString(), list);
    EXPECT_FALSE(list.contains("secret"));

    LogonSettings again;
    Read(again);
    EXPECT_EQ(again.ProfileNames(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(again.CurrentProfile(), "B");
    EXPECT_EQ(again.UserID(), " jdoe");
    auto readA = ProfileAt(again, 1);
    EXPECT_FALSE(readA->ShowOnlyLoggedInBranch);
    EXPECT_EQ(readA->CurrentUser, "");
    EXPECT_TRUE(ProfileAt(again, 2)->ShowOnlyLoggedInBranch);
    EXPECT_EQ(ProfileAt(again, 3)->HBServerPort, -2);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(LogonSettingsTest, SaveWritesAllEightValuesAndKeepsTheOldOnes)
{
    Store({{"Profile", "A"}, {"CompanyID", "OLDCO"}, {"Branch", "OldBranch"}, {"BranchID", int32_t(5)},
           {"SRV_NAME_RCT_LIST", "x;y"}, {"PRF_NAME_RCT_LIST", "A[~]h[~]1[~]s[~]c[~]0[^]"}});
    LogonSettings s;
    Read(s);
    ASSERT_TRUE(s.SaveRegSettings("A", "user1"));

    struct Case { const char* name; uint32_t type; Variant value; };
    const Case cases[] = {
        {"UserID", REG_SZ, "user1"},
        {"CompanyID", REG_SZ, "OLDCO"},
        {"Server", REG_SZ, ""},  // an empty string value
        {"Branch", REG_SZ, "OldBranch"},
        {"BranchID", REG_DWORD, int32_t(5)},
        {"SRV_NAME_RCT_LIST", REG_SZ, "x;y"},
        {"PRF_NAME_RCT_LIST", REG_SZ, "A[~]h[~]1[~]s[~]c[~]0[^]"},
        {"Profile", REG_SZ, "A"},
    };
    for (const Case& c : cases) {
        uint32_t type = 99;
        EXPECT_TRUE(StoredExists(c.name, &type)) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        // An empty string value may read back as absent.
        const Variant stored = Stored(c.name);
        EXPECT_TRUE((stored.isNull() ? Variant(QString()) : stored).identical(c.value))
            << c.name << ": " << stored.typeName().toStdString();
    }
}

TEST_F(LogonSettingsTest, FirstSaveOnAnEmptyStoreCreatesEveryValue)
{
    LogonSettings s;
    Read(s);
    ASSERT_TRUE(s.SaveRegSettings("<create new logon profile>", ""));
    for (const char* name : {"UserID", "CompanyID", "Server", "Branch", "BranchID", "SRV_NAME_RCT_LIST",
                             "PRF_NAME_RCT_LIST", "Profile"}) {
        uint32_t type = 99;
        EXPECT_TRUE(StoredExists(name, &type)) << name;
    }
    EXPECT_TRUE(Stored("BranchID").identical(Variant(int32_t(0))));
    EXPECT_EQ(s.ProfileList(), "");  // no profiles: an empty list
}

TEST_F(LogonSettingsTest, MigrationOfTheOldServerSetting)
{
    Store({{"Server", "SRV\\INST"}, {"CompanyID", "ACME"}, {"Branch", "North"}, {"BranchID", int32_t(3)},
           {"UserID", "jdoe"}, {"PRF_NAME_RCT_LIST", "Old[~]h[~]1[~]s[~]c[~]0[^]"}});
    for (int showing = 1; showing <= 2; ++showing) {
        LogonSettings s;
        Read(s);
        ASSERT_EQ(m_boxes.size(), size_t(showing)) << "the message repeats until a logon succeeds";
        EXPECT_EQ(m_boxes.back().prompt, kMigrationText);
        EXPECT_EQ(m_boxes.back().title, "Attention Required");
        EXPECT_EQ(m_boxes.back().icon(), int(vbExclamation));
        EXPECT_EQ(m_boxes.back().buttons(), int(vbOKOnly));

        ASSERT_EQ(s.ProfileNames(), QStringList({"SRV\\INST.ACME-North"}));  // the stored list is not read
        EXPECT_EQ(s.CurrentProfile(), "SRV\\INST.ACME-North");
        auto p = ProfileAt(s, 1);
        EXPECT_EQ(p->HBServer, "SRV");
        EXPECT_EQ(p->HBServerPort, 1331);
        EXPECT_EQ(p->SQLServer, "SRV\\INST");
        EXPECT_EQ(p->Company, "ACME");
        EXPECT_EQ(p->BranchID, 3);
        EXPECT_EQ(p->Branch, "North");
        EXPECT_EQ(Stored("Profile").isNull(), true);  // the migration writes nothing
    }

    // A successful logon stores the profile; from then on the list is read.
    {
        LogonSettings s;
        Read(s);
        ASSERT_TRUE(s.SaveRegSettings(s.CurrentProfile(), "jdoe"));
    }
    m_boxes.clear();
    LogonSettings after;
    Read(after);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(after.ProfileNames(), QStringList({"SRV\\INST.ACME-North"}));
    EXPECT_EQ(Stored("Server").toString(), "SRV\\INST");
    EXPECT_EQ(Stored("CompanyID").toString(), "ACME");
}

TEST_F(LogonSettingsTest, MigratedProfileThatIsNotFilledOutIsDroppedButTheMessageShows)
{
    struct Case { const char* what; std::vector<std::pair<QString, Variant>> stored; const char* name; };
    const Case cases[] = {
        {"no company", {{"Server", "SRV"}}, nullptr},
        {"branch id 2 without branch", {{"Server", "SRV"}, {"CompanyID", "C"}, {"BranchID", int32_t(2)}}, nullptr},
        {"no branch", {{"Server", "SRV"}, {"CompanyID", "C"}, {"BranchID", int32_t(1)}}, "SRV.C"},
    };
    for (const Case& c : cases) {
        QTemporaryDir fresh;
        RegistryStore::SetDirectory(fresh.path());
        Store(c.stored);
        m_boxes.clear();
        LogonSettings s;
        Read(s);
        EXPECT_EQ(m_boxes.size(), 1u) << c.what;
        if (c.name) {
            EXPECT_EQ(s.ProfileNames(), QStringList({c.name})) << c.what;
            EXPECT_EQ(s.CurrentProfile(), c.name) << c.what;
        } else {
            EXPECT_EQ(s.Profiles()->Count(), 0) << c.what;
            EXPECT_EQ(s.CurrentProfile(), "") << c.what;
        }
    }
}

TEST_F(LogonSettingsTest, StoredProfileMeansNoMigration)
{
    Store({{"Server", "SRV"}, {"CompanyID", "C"}, {"Profile", "A"},
           {"PRF_NAME_RCT_LIST", "A[~]h[~]1[~]s[~]c[~]0[^]"}});
    LogonSettings s;
    Read(s);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(s.ProfileNames(), QStringList({"A"}));
}

TEST_F(LogonSettingsTest, OldBranchIdThatIsNotANumberFailsTheRead)
{
    Store({{"Server", "SRV"}, {"CompanyID", "C"}, {"BranchID", "two"}});
    LogonSettings s;
    s.NewSettings();
    s.ResetProfiles();
    try {
        s.InitSettings();
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), vberr::TypeMismatch);
    }
    EXPECT_EQ(s.Profiles()->Count(), 0);
}

TEST_F(LogonSettingsTest, DamagedRecordsAreKeptInTheirPlaces)
{
    struct Case { const char* what; const char* record; };
    const Case cases[] = {
        {"fewer than six fields", "Bad[~]h[~]1331[~]s[~]c"},
        {"port not a number", "Bad[~]h[~]port[~]s[~]c[~]1"},
        {"port too large", "Bad[~]h[~]40000[~]s[~]c[~]1"},
        {"branch id not a number", "Bad[~]h[~]1331[~]s[~]c[~]one"},
        {"bad flag", "Bad[~]h[~]1331[~]s[~]c[~]2[~]North[~]maybe"},
        {"duplicate name", "a[~]other[~]1[~]s[~]c[~]0"},
        {"no name", "[~]h[~]1331[~]s[~]c[~]1"},
    };
    for (const Case& c : cases) {
        const QString list = QString("A[~]h[~]1331[~]s[~]c[~]1[^]") + c.record + "[^]B[~]h[~]1331[~]s[~]c[~]1[^]";
        Store({{"Profile", "B"}, {"PRF_NAME_RCT_LIST", list}});
        LogonSettings s;
        Read(s);
        EXPECT_EQ(s.ProfileNames(), QStringList({"A", "B"})) << c.what;
        EXPECT_EQ(s.RejectedRecords(), QStringList({c.record})) << c.what;
        EXPECT_EQ(s.CurrentProfile(), "B");
        ASSERT_TRUE(s.SaveRegSettings("B", "u"));
        EXPECT_EQ(Stored("PRF_NAME_RCT_LIST").toString(), list) << c.what;
    }
}

TEST_F(LogonSettingsTest, KeptRecordsFollowTheProfilesAroundThem)
{
    const QString list = "lead[^]A[~]h[~]1[~]s[~]c[~]1[^]bad1[^]B[~]h[~]1[~]s[~]c[~]1[^]bad2[^]";
    Store({{"Profile", "A"}, {"PRF_NAME_RCT_LIST", list}});
    LogonSettings s;
    Read(s);
    ASSERT_EQ(s.ProfileNames(), QStringList({"A", "B"}));
    // The profile manager removes B and adds C.
    s.Profiles()->Remove(s.Profiles()->IndexByKey("B"));
    s.Profiles()->Add(MakeProfile("C"), "C");
    ASSERT_TRUE(s.SaveRegSettings("A", "u"));
    EXPECT_EQ(Stored("PRF_NAME_RCT_LIST").toString(),
              "lead[^]A[~]h[~]1[~]s[~]c[~]1[^]bad1[^]bad2[^]C[~]hb-C[~]1331[~]sql\\inst[~]ACME[~]1[^]");

    // With A gone too, everything kept moves to the start.
    LogonSettings t;
    Read(t);
    t.Profiles()->Remove(1);
    ASSERT_TRUE(t.SaveRegSettings("C", "u"));
    EXPECT_EQ(Stored("PRF_NAME_RCT_LIST").toString(),
              "lead[^]bad1[^]bad2[^]C[~]hb-C[~]1331[~]sql\\inst[~]ACME[~]1[^]");
}

TEST_F(LogonSettingsTest, SeparatorsInsideFieldsAreWrittenUnchangedAndNothingIsLost)
{
    LogonSettings s;
    Read(s);
    auto p = MakeProfile("x[^]y");
    auto q = MakeProfile("tilde");
    q->Company = "a[~]b";
    s.Profiles()->Add(p, p->ProfileName);
    s.Profiles()->Add(q, q->ProfileName);
    ASSERT_TRUE(s.SaveRegSettings("tilde", "u"));
    const QString written = "x[^]y[~]hb-x[^]y[~]1331[~]sql\\inst[~]ACME[~]1[^]"
                            "tilde[~]hb-tilde[~]1331[~]sql\\inst[~]a[~]b[~]1[^]";
    EXPECT_EQ(s.ProfileList(), written);

    // Read back as other records; saving again keeps the stored text as it was.
    LogonSettings again;
    Read(again);
    EXPECT_FALSE(again.RejectedRecords().isEmpty());
    ASSERT_TRUE(again.SaveRegSettings("tilde", "u"));
    EXPECT_EQ(Stored("PRF_NAME_RCT_LIST").toString(), written);
}

TEST_F(LogonSettingsTest, EmptyRecordsAreSkipped)
{
    Store({{"Profile", "A"}, {"PRF_NAME_RCT_LIST", "[^][^]A[~]h[~]1[~]s[~]c[~]1[^][^]"}});
    LogonSettings s;
    Read(s);
    EXPECT_EQ(s.ProfileNames(), QStringList({"A"}));
    EXPECT_TRUE(s.RejectedRecords().isEmpty());
}

}  // namespace
