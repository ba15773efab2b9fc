// The help access class on the machine: registrations in the machine-wide store,
// their notices and errors, and the version checks of the viewer's parts.
#include "shell/HelpTestSupport.h"

#include "shell/HTMLHelp.h"

#include <QFileInfo>

using helptest::HelpTest;

namespace {

const QString kKey = QString::fromLatin1(HTMLHelp::kRegistrationKey);

class HTMLHelpRegistrationTest : public HelpTest {
protected:
    // The registered folder of a file name, with the size the store reports; empty when none.
    std::pair<QString, uint32_t> Registered(const QString& name)
    {
        HKEY key = 0;
        if (RegOpenKey(HKEY_LOCAL_MACHINE, kKey, &key) != ERROR_SUCCESS)
            return {};
        uint32_t type = 0, size = 0;
        QString text;
        if (RegQueryValueEx(key, name, &type, &size) == ERROR_SUCCESS)
            RegQueryValueEx(key, name, &type, &text, &size);
        RegCloseKey(key);
        return {text.left(text.indexOf(QChar(0))), size};
    }
    HTMLHelp help;
};

}  // namespace

TEST_F(HTMLHelpRegistrationTest, RegisteringWritesTheFolderUnderTheNameAndLookupsFindIt)
{
    const QString guide = MakeFile(QStringLiteral("Docs/Guide.chm"));
    const QString folder = QFileInfo(guide).path() + QLatin1Char('/');
    QString file = guide;
    help.HHRegister(file);
    EXPECT_TRUE(seams.boxes.empty());
    const auto [data, size] = Registered(QStringLiteral("Guide.chm"));
    EXPECT_EQ(data, folder);
    EXPECT_EQ(size, uint32_t(folder.size() + 1));  // with the terminating zero
    EXPECT_TRUE(QFileInfo::exists(RegistryStore::MachineFilePath()));
    EXPECT_FALSE(QFileInfo::exists(RegistryStore::FilePath()));  // nothing in the user's store

    for (const QString& name : {QStringLiteral("Guide.chm"), QStringLiteral("/somewhere/else/Guide.chm")}) {
        QString check = name;
        EXPECT_EQ(help.HHCheckRegistry(check), QVariant(false));
        EXPECT_EQ(help.HHRegFileName(), QStringLiteral("Guide.chm"));
        EXPECT_EQ(help.HHRegFilePath(), folder);
        EXPECT_TRUE(help.HHRegFileExists());
    }
    EXPECT_TRUE(seams.boxes.empty());
    // The registration's name matches without regard to case; the file on disk is
    // then looked for under the name as asked, and file names here keep their case.
    QString otherCase = QStringLiteral("guide.CHM");
    help.HHCheckRegistry(otherCase);
    EXPECT_EQ(help.HHRegFileName(), QStringLiteral("guide.CHM"));
    EXPECT_EQ(help.HHRegFilePath(), folder);
    EXPECT_FALSE(help.HHRegFileExists());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_TRUE(seams.boxes[0].prompt.contains(QStringLiteral("guide.CHM does not exist.")));
    seams.boxes.clear();

    QString bare = QStringLiteral("Guide.chm");
    EXPECT_TRUE(help.EnsureFileExists(bare));
    EXPECT_EQ(bare, guide);

    QString empty;
    EXPECT_FALSE(help.HHCheckRegistry(empty).isValid());  // nothing done, the properties kept
    EXPECT_EQ(help.HHRegFileName(), QStringLiteral("Guide.chm"));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(HTMLHelpRegistrationTest, NoticesForWhatNeedsNoActionAndUnregistering)
{
    const QString guide = MakeFile(QStringLiteral("Docs/Guide.chm"));
    QString file = guide;
    help.HHUnRegister(file);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("The file ") + guide +
                                         QStringLiteral(" is not registered.  HHUnRegister will not be run as no "
                                                        "action need be taken."));
    EXPECT_EQ(seams.boxes[0].style, vbOKOnly | vbInformation);
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("HTML Help Class"));

    help.HHRegister(file);
    const QByteArray before = [] {
        QFile f(RegistryStore::MachineFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    seams.boxes.clear();
    help.HHRegister(file);
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("The file ") + guide +
                                     QStringLiteral(" is already registered.  HHRegister will not be run as no "
                                                    "action need be taken.")});
    QFile after(RegistryStore::MachineFilePath());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);

    seams.boxes.clear();
    help.HHUnRegister(file);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_TRUE(Registered(QStringLiteral("Guide.chm")).first.isEmpty());
    EXPECT_TRUE(help.HHRegFileName().isEmpty());
    EXPECT_TRUE(help.HHRegFilePath().isEmpty());
    EXPECT_FALSE(help.HHRegFileExists());
}

TEST_F(HTMLHelpRegistrationTest, RefusalsAndFailures)
{
    // A bare name is found in the program's folder and then refused.
    QString bare = QStringLiteral("quillon.chm");
    help.HHRegister(bare);
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("Cannot register quillon.chm without having a supplied path.\"")});
    EXPECT_FALSE(QFileInfo::exists(RegistryStore::MachineFilePath()));

    // Another extension is refused before anything else.
    seams.boxes.clear();
    QString text = MakeFile(QStringLiteral("Docs/Guide.txt"));
    help.HHRegister(text);
    help.HHUnRegister(text);
    EXPECT_EQ(Prompts(), QStringList(2, text + QStringLiteral(" is not a valid HTML Help file.")));

    // A store the user may not write: the registry's error.
    seams.boxes.clear();
    const QString blocker = MakeFile(QStringLiteral("blocker"));
    RegistryStore::SetMachineDirectory(blocker + QStringLiteral("/machine"));
    QString guide = MakeFile(QStringLiteral("Docs/Guide.chm"));
    help.HHRegister(guide);
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("HTML Help Class: HHRegister Error")});
    EXPECT_FALSE(help.GetKeyInfo(kKey, 0));
}

TEST_F(HTMLHelpRegistrationTest, ARegisteredFileThatIsMissingIsReportedDuringTheLookup)
{
    QString guide = MakeFile(QStringLiteral("Docs/Guide.chm"));
    help.HHRegister(guide);
    QFile::remove(guide);
    QString bare = QStringLiteral("Guide.chm");
    help.HHCheckRegistry(bare);
    EXPECT_EQ(help.HHRegFileName(), QStringLiteral("Guide.chm"));
    EXPECT_FALSE(help.HHRegFileExists());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_TRUE(seams.boxes[0].prompt.startsWith(QStringLiteral("The file ") + QFileInfo(guide).path()));
    EXPECT_TRUE(seams.boxes[0].prompt.endsWith(
        QStringLiteral(" does not exist.\nPlease make sure the correct path and file name have been specified.")));
}

TEST_F(HTMLHelpRegistrationTest, ExpandableValuesAreReadExpandedAndTheFirstMatchingTextValueWins)
{
    const QString guide = MakeFile(QStringLiteral("Docs/Guide.chm"));
    qputenv("QUILLON_HELP_TEST_DOCS", QFileInfo(guide).path().toLocal8Bit());
    HKEY key = 0;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &key), ERROR_SUCCESS);
    // A number of the same name is passed over.
    const QByteArray number("\x01\x00\x00\x00", 4);
    ASSERT_EQ(RegSetValueEx(key, QStringLiteral("Other.chm"), REG_DWORD, number, 4), ERROR_SUCCESS);
    const QByteArray expandable = "%QUILLON_HELP_TEST_DOCS%/";
    ASSERT_EQ(RegSetValueEx(key, QStringLiteral("GUIDE.chm"), REG_EXPAND_SZ, expandable, expandable.size() + 0),
              ERROR_SUCCESS);
    RegCloseKey(key);
    QString name = QStringLiteral("Guide.chm");
    help.HHCheckRegistry(name);
    EXPECT_EQ(help.HHRegFilePath(), QFileInfo(guide).path() + QLatin1Char('/'));
    EXPECT_TRUE(help.HHRegFileExists());
    QString other = QStringLiteral("Other.chm");
    help.HHCheckRegistry(other);
    EXPECT_TRUE(help.HHRegFileName().isEmpty());
    qunsetenv("QUILLON_HELP_TEST_DOCS");
}

TEST_F(HTMLHelpRegistrationTest, KeyInfoOpensMachineKeysWithFullAccess)
{
    EXPECT_FALSE(help.GetKeyInfo(kKey, 0));
    HKEY key = 0;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(help.GetKeyInfo(kKey, 0));
    EXPECT_EQ(help.GetWindowsVersion(), 0);
}

TEST(HTMLHelpVersions, VersionTextsAndReleaseNames)
{
    struct Case {
        uint16_t v[4];
        const char* text;
    } cases[] = {
        {{4, 72, 7290, 0}, "4.72.7290.00"},     {{5, 0, 2314, 1000}, "5.00.2314.1000"},
        {{4, 70, 1155, 0}, "4.70.1155.00"},     {{5, 0, 0, 518}, "5.00.0518"},
        {{5, 0, 0xFFFF, 7}, "5.00.0007"},       {{10, 123, 19041, 12345}, "10.123.19041.12345"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HTMLHelp::VersionText(c.v), QString::fromLatin1(c.text));
    EXPECT_EQ(HTMLHelp::FriendlyHHName(QStringLiteral("4.74.8566.00")), QStringLiteral("1.3"));
    EXPECT_EQ(HTMLHelp::FriendlyHHName(QStringLiteral("4.70.1155.00")), QStringLiteral("unknown"));
    EXPECT_EQ(HTMLHelp::FriendlyIEName(QStringLiteral("5.00.2314.1000")), QStringLiteral("5.0a (Office 2000)"));
    EXPECT_EQ(HTMLHelp::FriendlyIEName(QStringLiteral("5.00.2717.2000")),
              QStringLiteral("5.0c (Icon Security Issue Update)"));
}

TEST_F(HTMLHelpRegistrationTest, TheViewersOwnPartsPassTheHighestRequirements)
{
    int32_t hh = 23, ie = 270;
    EXPECT_TRUE(help.HHVerifyMinConfig(hh, ie));
    EXPECT_EQ(help.HHVersion(), QStringLiteral("4.74.8566.00"));
    EXPECT_EQ(help.IEVersion(), QStringLiteral("5.00.2717.2000"));
    EXPECT_EQ(help.HHFriendlyName(), QStringLiteral("1.3"));
    EXPECT_EQ(help.IEFriendlyName(), QStringLiteral("5.0c (Icon Security Issue Update)"));
    EXPECT_TRUE(help.HHInstalled());
    EXPECT_TRUE(seams.boxes.empty());

    // A code outside the table: "unknown", but the other part and both names are still evaluated.
    hh = 15;
    ie = 256;
    EXPECT_FALSE(help.HHVerifyMinConfig(hh, ie));
    EXPECT_EQ(help.HHFriendlyName(), QStringLiteral("unknown"));
    EXPECT_EQ(help.IEVersion(), QStringLiteral("5.00.2717.2000"));
    EXPECT_EQ(help.IEFriendlyName(), QStringLiteral("5.0c (Icon Security Issue Update)"));
}

TEST_F(HTMLHelpRegistrationTest, VersionsCompareAsTextsAndMissingPartsAreReported)
{
    const QString here = MakeFile(QStringLiteral("viewer.so"));
    HelpComponentInfo modern{here, {10, 0, 19041, 1}};
    HelpComponentInfo engine{here, {5, 0, 2314, 1000}};
    SetHelpComponentRegistration([&](HelpComponent c) -> std::optional<HelpComponentInfo> {
        return c == HelpComponent::Viewer ? modern : engine;
    });
    int32_t hh = 16, ie = 268;
    // "10.00.19041.01" is less than "4.72.7290" as text.
    EXPECT_FALSE(help.HHVerifyMinConfig(hh, ie));
    EXPECT_EQ(help.HHVersion(), QStringLiteral("10.00.19041.01"));
    ie = 269;
    hh = 16;
    modern = HelpComponentInfo{here, {4, 72, 7290, 0}};
    EXPECT_FALSE(help.HHVerifyMinConfig(hh, ie));  // 5.00.2314.1000 < 5.00.2614.3500
    ie = 268;
    EXPECT_TRUE(help.HHVerifyMinConfig(hh, ie));
    EXPECT_EQ(help.HHFriendlyName(), QStringLiteral("1.0"));
    EXPECT_TRUE(seams.boxes.empty());

    // Each reader reports once for the check and once more for its release name,
    // which reads the version again while it has none.
    const QString kNotRegisteredHH = QStringLiteral("Hhctrl.ocx is not registered.  Please install HTML Help.");
    const QString kNotRegisteredIE = QStringLiteral("Shdocvw.dll is not registered.  Please install Internet Explorer.");
    const QString kMissingHH = QStringLiteral("Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help.");
    const QString kMissingIE =
        QStringLiteral("Internet Explorer is not in its registered location.  Please reinstall Internet Explorer.");
    struct Case {
        std::optional<HelpComponentInfo> part;
        QStringList messages;
    } cases[] = {
        {std::nullopt, {kNotRegisteredHH, kNotRegisteredIE, kNotRegisteredHH, kNotRegisteredIE}},
        {HelpComponentInfo{m_dir.filePath(QStringLiteral("gone.so")), {1, 0, 0, 0}},
         {kMissingHH, kMissingIE, kMissingHH, kMissingIE}},
    };
    for (const auto& c : cases) {
        seams.boxes.clear();
        SetHelpComponentRegistration([&](HelpComponent) { return c.part; });
        HTMLHelp fresh;
        EXPECT_FALSE(fresh.HHVerifyMinConfig(hh, ie));
        EXPECT_EQ(Prompts(), c.messages);
        EXPECT_TRUE(fresh.HHVersion().isEmpty());
        EXPECT_EQ(fresh.HHInstalled(), c.part.has_value());
    }
}
