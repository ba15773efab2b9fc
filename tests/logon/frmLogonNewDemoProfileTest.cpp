// The demo company's logon profile, added to what a user has stored.
#include "logon/DemoLogonProfile.h"

#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "logon/LogonSettings.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kDemoRecord =
    QStringLiteral("Demo Company[~]localhost[~]1331[~](LOCAL)[~]DEMO[~]1[~]Main Branch[~]0[^]");
const QString kMine = QStringLiteral("Mine[~]hb[~]1331[~]sql[~]ACME[~]1[^]");

class DemoProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegistryStore::SetDirectory(dir.path());
        SetMessageBoxAnswerer([this](const MessageBoxRequest&) {
            ++boxes;
            return int(vbOK);
        });
    }
    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        RegistryStore::SetDirectory(QString());
    }
    static void Store(const QString& name, const QString& value)
    {
        AuProperties bag;
        bag.Add(name, Variant(value));
        ASSERT_TRUE(SaveMachineSettings(QStringLiteral("Connection"), bag));
    }
    static QString Stored(const QString& name)
    {
        AuProperties bag;
        bag.Add(name, Variant(QString()));
        LoadMachineSettings(QStringLiteral("Connection"), bag);
        return bag.Item(Variant(name))->Value().toString();
    }
    // What the logon window would list and select.
    static std::pair<QStringList, QString> AsTheWindowReadsIt()
    {
        LogonSettings s;
        s.NewSettings();
        s.ResetProfiles();
        s.InitSettings();
        return {s.ProfileNames(), s.CurrentProfile()};
    }

    QTemporaryDir dir;
    int boxes = 0;
};

TEST_F(DemoProfileTest, ANewUserGetsTheDemoProfileAsTheCurrentOne)
{
    const DemoProfileOutcome o = AddDemoLogonProfile(QStringLiteral("(LOCAL)"));
    EXPECT_TRUE(o.added);
    EXPECT_TRUE(o.madeCurrent);
    EXPECT_TRUE(o.stored);
    EXPECT_EQ(Stored("PRF_NAME_RCT_LIST"), kDemoRecord);
    EXPECT_EQ(AsTheWindowReadsIt(), std::make_pair(QStringList{"Demo Company"}, QString("Demo Company")));
}

TEST_F(DemoProfileTest, TheUsersOwnProfilesStayAndKeepTheirPlace)
{
    struct Case {
        const char* name;
        QString list;
        QString current;
        QString listAfter;
        QString currentAfter;
    } cases[] = {
        {"a current profile of the user's", kMine, "Mine", kMine + kDemoRecord, "Mine"},
        {"no current profile", kMine, "", kMine + kDemoRecord, "Demo Company"},
        {"a list cut off after its last record", kMine.chopped(3), "Mine", kMine + kDemoRecord, "Mine"},
        {"the demo profile stored already", "demo company[~]h[~]99[~]s[~]X[~]0[^]" + kMine, "",
         "demo company[~]h[~]99[~]s[~]X[~]0[^]" + kMine, "demo company"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store("PRF_NAME_RCT_LIST", c.list);
        Store("Profile", c.current);
        Store("UserID", "jdoe");
        AddDemoLogonProfile(QStringLiteral("(LOCAL)"));
        EXPECT_EQ(Stored("PRF_NAME_RCT_LIST"), c.listAfter);
        EXPECT_EQ(Stored("Profile"), c.currentAfter);
        EXPECT_EQ(Stored("UserID"), QStringLiteral("jdoe"));
        EXPECT_EQ(AsTheWindowReadsIt().second, c.currentAfter);
    }
    EXPECT_EQ(boxes, 0);
}

TEST_F(DemoProfileTest, OldSingleServerSettingsDoNotHideTheDemoProfile)
{
    // A set "Server" with an empty "Profile" would start the migration, which does not
    // read the list; the demo profile becomes current, so the list is read.
    Store("Server", "OLDSRV");
    Store("CompanyID", "ACME");
    AddDemoLogonProfile(QStringLiteral("(LOCAL)"));
    EXPECT_EQ(AsTheWindowReadsIt(), std::make_pair(QStringList{"Demo Company"}, QString("Demo Company")));
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(Stored("Server"), QStringLiteral("OLDSRV"));
}

}  // namespace
