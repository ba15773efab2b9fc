#include "platform/settings/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kPelmora = QStringLiteral("SOFTWARE\\Harbrook Inc\\Pelmora");

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        RegistryStore::SetDirectory(m_dir.path());
    }
    void TearDown() override { RegistryStore::SetDirectory(QString()); }

    HKEY create(const QString& subKey)
    {
        HKEY h = 0;
        EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, subKey, &h), ERROR_SUCCESS) << subKey.toStdString();
        return h;
    }
    QByteArray fileBytes() const
    {
        QFile f(RegistryStore::FilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& bytes) const
    {
        QFile f(RegistryStore::FilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList filesInDir() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_dir;
};

QByteArray dwordBytes(int32_t n) { return QByteArray(reinterpret_cast<const char*>(&n), 4); }

TEST(RegistryStoreLocation, FollowsOverrideThenEnvironmentThenXdg)
{
    const QByteArray oldReg = qgetenv("QUILLON_REGISTRY_DIR");
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    RegistryStore::SetDirectory(QString());

    qunsetenv("QUILLON_REGISTRY_DIR");
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg-config");
    EXPECT_EQ(RegistryStore::FilePath(), QStringLiteral("/tmp/xdg-config/Harbrook Inc/Pelmora/registry.json"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryStore::Directory(), QDir::homePath() + QStringLiteral("/.config/Harbrook Inc/Pelmora"));
    qputenv("QUILLON_REGISTRY_DIR", "/tmp/reg-env");
    EXPECT_EQ(RegistryStore::Directory(), QStringLiteral("/tmp/reg-env"));
    RegistryStore::SetDirectory(QStringLiteral("/tmp/reg-set"));
    EXPECT_EQ(RegistryStore::Directory(), QStringLiteral("/tmp/reg-set"));

    RegistryStore::SetDirectory(QString());
    oldReg.isNull() ? qunsetenv("QUILLON_REGISTRY_DIR") : qputenv("QUILLON_REGISTRY_DIR", oldReg);
    oldXdg.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldXdg);
}

TEST_F(RegistryStoreTest, KeysOpenOnlyWhenCreatedWithParentsAndIgnoreCase)
{
    HKEY h = 0;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, kPelmora + "\\Quillon\\MDIFrame", &h), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(QFile::exists(RegistryStore::FilePath()));  // opening creates nothing

    const HKEY created = create(kPelmora + "\\Quillon\\My\\Nested View");
    EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(created), ERROR_INVALID_HANDLE);

    struct Case { QString path; long rc; };
    const Case cases[] = {
        {kPelmora + "\\Quillon\\My\\Nested View", ERROR_SUCCESS},
        {"software\\HARBROOK INC\\pelmora\\quillon\\my\\nested view", ERROR_SUCCESS},
        {kPelmora + "\\Quillon\\My", ERROR_SUCCESS},  // parents were made
        {"SOFTWARE", ERROR_SUCCESS},
        {kPelmora + "\\Quillon\\My\\", ERROR_SUCCESS},  // one trailing backslash is ignored
        {kPelmora + "\\Quillon\\My Nested View", ERROR_FILE_NOT_FOUND},
        {kPelmora + "\\Quillon\\My\\Nested", ERROR_FILE_NOT_FOUND},
        {kPelmora + "\\Quillon\\\\My", ERROR_BAD_PATHNAME},
        {"\\SOFTWARE", ERROR_BAD_PATHNAME},
    };
    for (const auto& c : cases) {
        h = 0;
        EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, c.path, &h), c.rc) << c.path.toStdString();
        if (c.rc == ERROR_SUCCESS)
            EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, kPelmora + "\\\\x", &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKey(HKEY(12345), "x", &h), ERROR_INVALID_HANDLE);

    // A key below an open key.
    HKEY parent = 0;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, kPelmora, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKey(parent, "Quillon\\My\\Nested View", &h), ERROR_SUCCESS);
    RegCloseKey(h);
    RegCloseKey(parent);
}

TEST_F(RegistryStoreTest, TextSizeCountsOneNulWhateverTheWriterPassed)
{
    const HKEY h = create(kPelmora + "\\Connection");
    struct Case { const char* name; QString text; uint32_t count; QString stored; };
    const Case cases[] = {
        {"Plain", "abc", 3, "abc"},
        {"WithNul", QString("abc") + QChar(0), 4, "abc"},
        {"Prefix", "abcdef", 2, "ab"},
        {"Empty", "", 0, ""},
        {"Unicode", QString::fromUtf8("Łukasz"), 6, QString::fromUtf8("Łukasz")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RegSetValueEx(h, c.name, REG_SZ, c.text, c.count), ERROR_SUCCESS);
        uint32_t type = 99, count = 0;
        ASSERT_EQ(RegQueryValueEx(h, c.name, &type, &count), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(count, static_cast<uint32_t>(c.stored.size() + 1));
        QString data;
        uint32_t room = count;
        ASSERT_EQ(RegQueryValueEx(h, c.name, &type, &data, &room), ERROR_SUCCESS);
        EXPECT_EQ(room, count);
        EXPECT_EQ(data, c.stored + QChar(0));
    }
    // Too little room says how much is needed.
    QString data;
    uint32_t room = 2;
    EXPECT_EQ(RegQueryValueEx(h, "Plain", nullptr, &data, &room), ERROR_MORE_DATA);
    EXPECT_EQ(room, 4u);
    // A count beyond the text, or a text written under another type, is refused.
    EXPECT_EQ(RegSetValueEx(h, "Bad", REG_SZ, QString("ab"), 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(h, "Bad", REG_DWORD, QString("ab"), 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(h, "Bad", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    // Texts stay readable in the file, as UTF-8.
    EXPECT_TRUE(fileBytes().contains("\"text\": \"\xC5\x81ukasz\""));
    RegCloseKey(h);
}

TEST_F(RegistryStoreTest, ValuesOfOtherTypesKeepTheirBytes)
{
    const HKEY h = create(kPelmora + "\\Quillon\\MDIFrame");
    struct Case { const char* name; uint32_t type; QByteArray bytes; };
    const Case cases[] = {
        {"Dword", REG_DWORD, dwordBytes(-7)},
        {"None", REG_NONE, {}},
        {"Expand", REG_EXPAND_SZ, QByteArray("%HOME%\0", 7)},
        {"Binary", REG_BINARY, QByteArray("\x00\xff\x10", 3)},
        {"Multi", REG_MULTI_SZ, QByteArray("a\0b\0\0", 5)},
        {"Odd", 0x12345u, QByteArray("zz")},
        {"RawText", REG_SZ, QByteArray("abc")},
        {"RawEmpty", REG_SZ, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RegSetValueEx(h, c.name, c.type, c.bytes, static_cast<uint32_t>(c.bytes.size())), ERROR_SUCCESS);
        uint32_t type = 99, count = 99;
        ASSERT_EQ(RegQueryValueEx(h, c.name, &type, &count), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(count, static_cast<uint32_t>(c.bytes.size()));
        if (c.type == REG_SZ)
            continue;
        QByteArray data;
        uint32_t room = 64;
        ASSERT_EQ(RegQueryValueEx(h, c.name, &type, &data, &room), ERROR_SUCCESS);
        EXPECT_EQ(data, c.bytes);
        EXPECT_EQ(room, count);
    }
    // A REG_SZ written as bytes reads as one character per byte, with no NUL added.
    QString text;
    uint32_t room = 3;
    ASSERT_EQ(RegQueryValueEx(h, "RawText", nullptr, &text, &room), ERROR_SUCCESS);
    EXPECT_EQ(text, QString("abc"));
    EXPECT_EQ(room, 3u);
    room = 0;
    ASSERT_EQ(RegQueryValueEx(h, "RawEmpty", nullptr, &text, &room), ERROR_SUCCESS);
    EXPECT_EQ(room, 0u);
    // Text and bytes are not mixed up.
    RegSetValueEx(h, "Text", REG_SZ, QString("x"), 1);
    QByteArray bytes;
    room = 64;
    EXPECT_EQ(RegQueryValueEx(h, "Text", nullptr, &bytes, &room), ERROR_INVALID_DATATYPE);
    room = 64;
    EXPECT_EQ(RegQueryValueEx(h, "Dword", nullptr, &text, &room), ERROR_INVALID_DATATYPE);
    // A DWORD is written out as a readable number.
    EXPECT_TRUE(fileBytes().contains("\"dword\": -7"));
    RegCloseKey(h);
}

TEST_F(RegistryStoreTest, ValueNamesIgnoreCaseAndKeepTheFirstSpelling)
{
    const HKEY h = create(kPelmora + "\\Quillon\\MDIFrame");
    RegSetValueEx(h, "WindowState", REG_DWORD, dwordBytes(1), 4);
    RegSetValueEx(h, "WINDOWSTATE", REG_DWORD, dwordBytes(2), 4);
    QByteArray data;
    uint32_t room = 4;
    ASSERT_EQ(RegQueryValueEx(h, "windowstate", nullptr, &data, &room), ERROR_SUCCESS);
    EXPECT_EQ(data, dwordBytes(2));
    const QByteArray file = fileBytes();
    EXPECT_TRUE(file.contains("\"WindowState\""));
    EXPECT_FALSE(file.contains("\"WINDOWSTATE\""));
    EXPECT_EQ(RegQueryValueEx(h, "Missing", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(h);
}

TEST_F(RegistryStoreTest, SeesWhatAnotherProgramWroteWhileTheKeyIsOpen)
{
    const HKEY h = create(kPelmora + "\\Connection");
    RegSetValueEx(h, "UserID", REG_SZ, QString("anna"), 4);
    // Another program replaces the file (as the store does: a whole new file).
    QByteArray file = fileBytes();
    file.replace("\"anna\"", "\"berta\"");
    writeFile(file);
    QString text;
    uint32_t room = 64;
    ASSERT_EQ(RegQueryValueEx(h, "UserID", nullptr, &text, &room), ERROR_SUCCESS);
    EXPECT_EQ(text, QString("berta") + QChar(0));
    RegCloseKey(h);
}

TEST_F(RegistryStoreTest, WritesLeaveOnlyTheStoreAndItsLock)
{
    const HKEY h = create(kPelmora + "\\Connection");
    for (int i = 0; i < 5; ++i)
        RegSetValueEx(h, QString("V%1").arg(i), REG_DWORD, dwordBytes(i), 4);
    RegCloseKey(h);
    EXPECT_EQ(filesInDir(), QStringList({"registry.json", "registry.lock"}));
    QJsonParseError err{};
    QJsonDocument::fromJson(fileBytes(), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError);
}

TEST_F(RegistryStoreTest, DamagedFileIsSetAsideWithANoteAndAFreshStoreStarts)
{
    const HKEY h = create(kPelmora + "\\Connection");
    RegSetValueEx(h, "UserID", REG_SZ, QString("anna"), 4);

    struct Case { const char* what; QByteArray content; const char* reason; bool byWrite; };
    const Case cases[] = {
        {"cut short", R"({"store": "Quillon settings registry", "version": 1, "keys": [{"path": "HKEY_CU)", "not valid JSON", false},
         {"empty", "", "empty", true},
        {"wrong layout", R"({"version": 1, "keys": [{"path": "NOWHERE\\x", "values": []}]})", "no valid \"path\"", false},
        {"bad value", R"({"version": 1, "keys": [{"path": "HKEY_CURRENT_USER\\x", "values": [{"name": "a", "type": 4, "text": "1"}]}]})",
         "not a REG_SZ text", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : filesInDir())
            if (f.contains("damaged"))
                QFile::remove(m_dir.filePath(f));
        writeFile(c.content);
        if (c.byWrite) {
            // A write on the damaged store keeps the value in the fresh one.
            EXPECT_EQ(RegSetValueEx(h, "UserID", REG_SZ, QString("berta"), 5), ERROR_SUCCESS);
            EXPECT_EQ(RegQueryValueEx(h, "UserID", nullptr, nullptr), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(RegQueryValueEx(h, "UserID", nullptr, nullptr), ERROR_KEY_DELETED);
        }
        QStringList aside, notes;
        for (const QString& f : filesInDir()) {
            if (f.startsWith("registry.json.damaged-") && f.endsWith(".txt"))
                notes << f;
            else if (f.startsWith("registry.json.damaged-"))
                aside << f;
        }
        ASSERT_EQ(aside.size(), 1);
        ASSERT_EQ(notes, QStringList{aside[0] + ".txt"});
        QFile kept(m_dir.filePath(aside[0]));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.content);  // never emptied
        QFile note(m_dir.filePath(notes[0]));
        ASSERT_TRUE(note.open(QIODevice::ReadOnly));
        const QString noteText = QString::fromUtf8(note.readAll());
        EXPECT_TRUE(noteText.contains(c.reason)) << noteText.toStdString();
        EXPECT_TRUE(noteText.contains(aside[0]));
        // The fresh store is sound and is not set aside again.
        QJsonParseError err{};
        QJsonDocument::fromJson(fileBytes(), &err);
        EXPECT_EQ(err.error, QJsonParseError::NoError);
        RegQueryValueEx(h, "UserID", nullptr, nullptr);
        EXPECT_EQ(filesInDir().filter("damaged").size(), 2);
    }
    RegCloseKey(h);
}

// Several processes write to the same key at once; every value must survive.
TEST_F(RegistryStoreTest, ProcessesWritingAtOnceLoseNothing)
{
    constexpr int kProcesses = 4;
    constexpr int kValuesEach = 25;
    const QString key = kPelmora + "\\Quillon\\Shared";
    auto writeAll = [&](int who) {
        for (int i = 0; i < kValuesEach; ++i) {
            HKEY h = 0;
            // Each writer also creates a key of its own, to race key creation too.
            if (RegCreateKey(HKEY_CURRENT_USER, key, &h) != ERROR_SUCCESS)
                return false;
            const bool ok = RegSetValueEx(h, QString("P%1V%2").arg(who).arg(i), REG_DWORD, dwordBytes(who * 1000 + i), 4)
                                == ERROR_SUCCESS
                            && RegSetValueEx(h, "Last", REG_SZ, QString("P%1").arg(who), 2) == ERROR_SUCCESS;
            RegCloseKey(h);
            HKEY own = 0;
            if (!ok || RegCreateKey(HKEY_CURRENT_USER, QString("%1\\Own%2\\%3").arg(key).arg(who).arg(i), &own) != ERROR_SUCCESS)
                return false;
            RegCloseKey(own);
        }
        return true;
    };
    std::vector<pid_t> children;
    for (int who = 1; who < kProcesses; ++who) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            _exit(writeAll(who) ? 0 : 1);
        children.push_back(pid);
    }
    EXPECT_TRUE(writeAll(0));
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    HKEY h = 0;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, key, &h), ERROR_SUCCESS);
    for (int who = 0; who < kProcesses; ++who)
        for (int i = 0; i < kValuesEach; ++i) {
            QByteArray data;
            uint32_t room = 4;
            ASSERT_EQ(RegQueryValueEx(h, QString("P%1V%2").arg(who).arg(i), nullptr, &data, &room), ERROR_SUCCESS)
                << who << " " << i;
            EXPECT_EQ(data, dwordBytes(who * 1000 + i));
            HKEY own = 0;
            EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, QString("%1\\Own%2\\%3").arg(key).arg(who).arg(i), &own), ERROR_SUCCESS);
            RegCloseKey(own);
        }
    RegCloseKey(h);
    EXPECT_TRUE(filesInDir().filter("damaged").isEmpty());
}

}  // namespace

TEST(RegistryStoreLocation, MachineStoreIsInTheFirstSystemConfigFolder)
{
    const QByteArray old = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_DIRS", "relative/dir:/opt/xdg:/etc/other");
    EXPECT_EQ(RegistryStore::MachineFilePath(), QStringLiteral("/opt/xdg/Harbrook Inc/Pelmora/registry.json"));
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(RegistryStore::MachineDirectory(), QStringLiteral("/etc/xdg/Harbrook Inc/Pelmora"));
    RegistryStore::SetMachineDirectory(QStringLiteral("/tmp/machine"));
    EXPECT_EQ(RegistryStore::MachineDirectory(), QStringLiteral("/tmp/machine"));
    RegistryStore::SetMachineDirectory(QString());
    old.isNull() ? qunsetenv("XDG_CONFIG_DIRS") : qputenv("XDG_CONFIG_DIRS", old);
}

TEST_F(RegistryStoreTest, MachineKeysLiveInTheirOwnFileAndValuesEnumerateAndDelete)
{
    QTemporaryDir machine;
    RegistryStore::SetMachineDirectory(machine.path());
    HKEY m = 0;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), &m), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(m, QStringLiteral("First"), REG_SZ, QStringLiteral("one"), 3), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(m, QStringLiteral("Second"), REG_DWORD, dwordBytes(2), 4), ERROR_SUCCESS);
    EXPECT_TRUE(QFile::exists(RegistryStore::MachineFilePath()));
    EXPECT_FALSE(QFile::exists(RegistryStore::FilePath()));
    HKEY u = 0;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Test"), &u), ERROR_FILE_NOT_FOUND);

    QString name;
    uint32_t type = 0, size = 0;
    ASSERT_EQ(RegEnumValue(m, 0, &name, &type, &size), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("First"));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);
    ASSERT_EQ(RegEnumValue(m, 1, &name, &type, &size), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("Second"));
    EXPECT_EQ(RegEnumValue(m, 2, &name, &type, &size), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(RegDeleteValue(m, QStringLiteral("FIRST")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(m, QStringLiteral("First")), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegEnumValue(m, 0, &name, &type, &size), ERROR_SUCCESS);
    EXPECT_EQ(name, QStringLiteral("Second"));
    RegCloseKey(m);

    // Write access is refused where the store cannot be written.
    HKEY w = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), KEY_ALL_ACCESS, &w), ERROR_SUCCESS);
    RegCloseKey(w);
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegistryStore::SetMachineDirectory(blocker.fileName() + QStringLiteral("/machine"));
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), &w), ERROR_ACCESS_DENIED);
    RegistryStore::SetMachineDirectory(QString());
}
