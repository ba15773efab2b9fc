// The logon window with a per-user settings file that is damaged, or that is a
// folder: what the user is told, once, and that a save that fails says so.
#include "logon/frmLogonNew.h"

#include "logon/frmLogonNewTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <memory>

using namespace logontest;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (w && IsFormLoaded(w.get()))
            Unload(w.get());
        w.reset();
    }
    frmLogonNew& Open()
    {
        if (!w) {
            w = std::make_unique<frmLogonNew>();
            KeepAfterUnload(w.get());
        }
        Load(w.get());
        w->Init(QStringLiteral("quillon Login"));
        return *w;
    }
    QStringList Entries() const { return ComboEntries(w->cbxProfiles); }
    QStringList Prompts() const { return fixture.Prompts(); }
    bool LogOnAsJdoe(const QString& profile)
    {
        w->cbxProfiles->SetListIndex(w->cbxProfiles->findText(profile));
        w->txtUserName->setText(QStringLiteral("jdoe"));
        w->txtPassword->setText(QStringLiteral("secret"));
        w->picOk_Click();
        return !w->IsLoaded() && g_oSystemEngine;
    }

    LogonFixture fixture;
    std::unique_ptr<frmLogonNew> w;
};

}  // namespace

TEST_F(SettingsFileTest, ADamagedFileIsToldOnceWithWhereItWent)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))}, {"Profile", Variant(QStringLiteral("Acme"))}});
    const QString file = RegistryStore::FilePath();
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ \"version\": 1, \"keys\": [ broken");
    }
    Open();
    ASSERT_EQ(fixture.boxes.size(), 1u) << Prompts().join('\n').toStdString();
    const MessageBoxRequest& box = fixture.boxes[0];
    EXPECT_EQ(box.title, QStringLiteral("Attention Required"));
    EXPECT_EQ(box.icon(), int(vbExclamation));
    const QStringList aside = QDir(QFileInfo(file).path()).entryList({QStringLiteral("registry.json.damaged-*")},
                                                                     QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 2) << aside.join(' ').toStdString();  // the file and its note
    const QString kept = QDir::toNativeSeparators(QFileInfo(file).path() + QLatin1Char('/') + aside[0]);
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Your settings could not be read from\n  %1\nbecause it is not "
                                                     "valid JSON")
                                          .arg(QDir::toNativeSeparators(file))))
        << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(QStringLiteral("The file was kept unchanged as\n  %1\nwith a note").arg(kept)))
        << box.prompt.toStdString();
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("<create new logon profile>")});

    // Told once: the next showing reads the fresh store without a word.
    fixture.boxes.clear();
    Unload(w.get());
    Open();
    EXPECT_TRUE(fixture.boxes.empty()) << Prompts().join('\n').toStdString();
}

TEST_F(SettingsFileTest, ASaveThatFailsSaysWhyAndTheLogonStands)
{
    LogonFixture::Store({{"PRF_NAME_RCT_LIST", Variant(Record("Acme", "ACME"))}, {"Profile", Variant(QStringLiteral("Acme"))}});
    Open();
    ASSERT_TRUE(fixture.boxes.empty());
    // A folder where the file should be.
    const QString file = RegistryStore::FilePath();
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_TRUE(LogOnAsJdoe(QStringLiteral("Acme")));
    ASSERT_EQ(fixture.boxes.size(), 1u) << Prompts().join('\n').toStdString();
    EXPECT_EQ(fixture.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(fixture.boxes[0].prompt,
              QStringLiteral("Your logon settings could not be saved, because %1 is a folder, not a file.  The changes "
                             "to your logon profiles, and the profile and user id of this logon, are not kept.")
                  .arg(QDir::toNativeSeparators(file)));
    EXPECT_EQ(g_sCompanyID, QStringLiteral("ACME"));
}

TEST_F(SettingsFileTest, AFolderWhereTheFileShouldBeIsToldOnceOnReading)
{
    const QString file = RegistryStore::FilePath();
    ASSERT_TRUE(QDir().mkpath(file));
    Open();
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("Your settings cannot be read, because %1 is a folder, not a file."
                                                    "\n\nThe program goes on without them (the logon profiles "
                                                    "included), and no setting can be saved until this is put right.")
                                         .arg(QDir::toNativeSeparators(file))});
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("<create new logon profile>")});
    fixture.boxes.clear();
    Unload(w.get());
    Open();
    EXPECT_TRUE(fixture.boxes.empty()) << Prompts().join('\n').toStdString();
}

TEST(RegistryStoreNotices, ADamagedFileIsNoticedOnceAndAFailedWriteCounted)
{
    QTemporaryDir dir;
    RegistryStore::SetDirectory(dir.path());
    {
        QFile f(RegistryStore::FilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not json");
    }
    HKEY key = 0;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE"), &key), ERROR_FILE_NOT_FOUND);
    const QStringList notices = RegistryStore::TakeDamagedNotices();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral(".damaged-"))) << notices[0].toStdString();
    EXPECT_TRUE(RegistryStore::TakeDamagedNotices().isEmpty());

    ASSERT_TRUE(QFile::remove(RegistryStore::FilePath()));
    ASSERT_TRUE(QDir().mkpath(RegistryStore::FilePath()));
    const quint64 before = RegistryStore::FailedWrites();
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\X"), &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryStore::FailedWrites(), before + 1);
    EXPECT_EQ(RegistryStore::LastWriteFailure(),
              QStringLiteral("%1 is a folder, not a file").arg(QDir::toNativeSeparators(RegistryStore::FilePath())));
    RegistryStore::SetDirectory(QString());
}
