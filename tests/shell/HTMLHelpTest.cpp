// The help access class: the file checks and their messages, what each display
// operation asks the viewer, the popups and their formatting, What's This?.
#include "shell/HelpTestSupport.h"

#include "core/CoreTestSupport.h"
#include "platform/forms/Resources.h"
#include "shell/HTMLHelp.h"

#include <QCursor>
#include <QWhatsThis>
#include <QWidget>

using helptest::HelpTest;

namespace {

const QString kCaption = QStringLiteral("HTML Help Class");

QString MissingMessage(const QString& path)
{
    return QStringLiteral("The file ") + path + QStringLiteral(" does not exist.\n") +
           QStringLiteral("Please make sure the correct path and file name have been specified.");
}

class HTMLHelpTest : public HelpTest {
protected:
    void SetUp() override
    {
        HelpTest::SetUp();
        file = MakeFile(QStringLiteral("docs/Guide.chm"));
        help.SetCHMFile(file);
    }
    HTMLHelp help;
    QString file;
    QWidget form;
};

}  // namespace

TEST_F(HTMLHelpTest, ThePropertiesStartEmpty)
{
    HTMLHelp fresh;
    EXPECT_TRUE(fresh.CHMFile().isEmpty());
    EXPECT_TRUE(fresh.HHWindow().isEmpty());
    EXPECT_EQ(fresh.HHTopicID(), 0);
    EXPECT_FALSE(fresh.HHShowOnTop());
    EXPECT_FALSE(fresh.HHPopupCustomColors());
    const auto p = fresh.PopupState();
    EXPECT_EQ(p.type, 0);
    EXPECT_EQ(p.textColor, 0);
    EXPECT_TRUE(p.font.isEmpty());
    EXPECT_TRUE(p.size.isEmpty());
}

TEST_F(HTMLHelpTest, TheExtensionCheckLooksAtTheLastThreeCharactersWithoutCase)
{
    struct Case {
        const char* name;
        bool passes;
    } cases[] = {{"docs/GUIDE.CHM", true}, {"docs/guide.Chm", true}, {"docs/Guide.chm.bak", false},
                 {"docs/Guide.txt", false}, {"docs/Guidechm", true}};
    for (const auto& c : cases) {
        calls.clear();
        seams.boxes.clear();
        const QString path = MakeFile(QString::fromLatin1(c.name));
        help.SetCHMFile(path);
        help.HHDisplayIndex(&form);
        if (c.passes) {
            EXPECT_TRUE(seams.boxes.empty()) << c.name;
            EXPECT_EQ(calls.size(), 1u) << c.name;
        } else {
            ASSERT_EQ(seams.boxes.size(), 1u) << c.name;
            EXPECT_EQ(seams.boxes[0].prompt, path + QStringLiteral(" is not a valid HTML Help file."));
            EXPECT_EQ(seams.boxes[0].title, kCaption);
            EXPECT_EQ(seams.boxes[0].style, vbOKOnly | vbCritical);
            EXPECT_TRUE(calls.empty()) << c.name;
        }
    }
}

TEST_F(HTMLHelpTest, EnsureFileExistsResolvesBareNamesAndReportsMissingFiles)
{
    // A full path that exists stays as it is.
    QString path = file;
    EXPECT_TRUE(help.EnsureFileExists(path));
    EXPECT_EQ(path, file);

    // A bare name that is registered becomes the registered folder and the name.
    QString registered = file;
    help.HHRegister(registered);
    QString bare = QStringLiteral("Guide.chm");
    EXPECT_TRUE(help.EnsureFileExists(bare));
    EXPECT_EQ(bare, file);

    // A bare name that is not registered is looked for in the program's folder.
    QString shipped = QStringLiteral("quillon.chm");
    EXPECT_TRUE(help.EnsureFileExists(shipped));
    EXPECT_EQ(shipped, App().path + QStringLiteral("/quillon.chm"));
    EXPECT_TRUE(seams.boxes.empty());

    // A missing file: the message names the resolved path.
    QString missing = QStringLiteral("Nowhere.chm");
    EXPECT_FALSE(help.EnsureFileExists(missing));
    EXPECT_EQ(missing, App().path + QStringLiteral("/Nowhere.chm"));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, MissingMessage(missing));
    EXPECT_EQ(seams.boxes[0].title, kCaption);
    EXPECT_EQ(seams.boxes[0].icon(), int(vbCritical));
}

TEST_F(HTMLHelpTest, TheDisplayOperationsWriteTheResolvedPathBackAndSkipTheViewerForAMissingFile)
{
    help.SetCHMFile(QStringLiteral("quillon.chm"));
    help.HHDisplayIndex(&form);
    EXPECT_EQ(help.CHMFile(), App().path + QStringLiteral("/quillon.chm"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, App().path + QStringLiteral("/quillon.chm"));

    calls.clear();
    help.SetCHMFile(m_dir.filePath(QStringLiteral("gone/Help.chm")));
    help.HHDisplayContents(&form);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(Prompts(), QStringList{MissingMessage(m_dir.filePath(QStringLiteral("gone/Help.chm")))});
}

TEST_F(HTMLHelpTest, EachDisplayOperationReachesTheViewerWithItsCommandTargetAndOwner)
{
    help.SetHHTopicURL(QStringLiteral("list-window.html"));
    help.SetHHTopicID(17133);
    struct Case {
        const char* name;
        std::function<void()> run;
        uint32_t command;
    };
    const std::vector<Case> cases = {
        {"TopicURL", [&] { help.HHDisplayTopicURL(&form); }, HH_DISPLAY_TOPIC},
        {"TopicID", [&] { help.HHDisplayTopicID(&form); }, HH_HELP_CONTEXT},
        {"Search", [&] { help.HHDisplaySearch(&form); }, HH_DISPLAY_SEARCH},
        {"Index", [&] { help.HHDisplayIndex(&form); }, HH_DISPLAY_INDEX},
    };
    struct Setting {
        QString window;
        bool onTop;
        QString target;
        QWidget* owner;
    };
    const std::vector<Setting> settings = {
        {QString(), false, file, nullptr},
        {QStringLiteral("   "), true, file, &form},  // blanks only: no window type
        {QStringLiteral("quillon"), true, file + QStringLiteral(">quillon"), &form},
        {QStringLiteral(" quillon"), false, file + QStringLiteral("> quillon"), nullptr},  // passed untrimmed
    };
    for (const auto& s : settings)
        for (const auto& c : cases) {
            calls.clear();
            help.SetHHWindow(s.window);
            help.SetHHShowOnTop(s.onTop);
            c.run();
            ASSERT_EQ(calls.size(), 1u) << c.name;
            EXPECT_EQ(calls[0].command, c.command) << c.name;
            EXPECT_EQ(calls[0].file, s.target) << c.name;
            EXPECT_EQ(calls[0].owner, s.owner) << c.name;
        }

    // The data of each.
    help.SetHHWindow(QString());
    calls.clear();
    help.HHDisplayTopicURL(&form);
    help.HHDisplayTopicID(&form);
    help.HHDisplaySearch(&form);
    help.HHDisplayIndex(&form);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(std::get<QString>(calls[0].data), QStringLiteral("list-window.html"));
    EXPECT_EQ(std::get<uintptr_t>(calls[1].data), 17133u);
    const auto& query = std::get<HH_FTS_QUERY>(calls[2].data);
    EXPECT_EQ(query.cbStruct, 32);
    EXPECT_FALSE(query.fUniCodeStrings);
    EXPECT_EQ(query.pszSearchQuery, QString());
    EXPECT_EQ(query.iProximity, 0);
    EXPECT_FALSE(query.fStemmedSearch);
    EXPECT_FALSE(query.fTitleOnly);
    EXPECT_TRUE(query.fExecute);
    EXPECT_EQ(query.pszWindow, QString());
    EXPECT_EQ(std::get<uintptr_t>(calls[3].data), 0u);
}

TEST_F(HTMLHelpTest, ContentsOpenTheFixedTopicOnlyWithAWindowTypeAndAnOwner)
{
    help.SetHHTopicID(99);
    struct Case {
        QString window;
        bool onTop;
        uint32_t command;
        uintptr_t data;
        QString target;
    } cases[] = {
        {QString(), false, HH_DISPLAY_TOC, 0, file},
        {QString(), true, HH_DISPLAY_TOC, 0, file},
        {QStringLiteral("quillon"), false, HH_DISPLAY_TOC, 0, file + QStringLiteral(">quillon")},
        {QStringLiteral("quillon"), true, HH_HELP_CONTEXT, 17130, file + QStringLiteral(">quillon")},
    };
    for (const auto& c : cases) {
        calls.clear();
        help.SetHHWindow(c.window);
        help.SetHHShowOnTop(c.onTop);
        help.HHDisplayContents(&form);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].command, c.command);
        EXPECT_EQ(std::get<uintptr_t>(calls[0].data), c.data);
        EXPECT_EQ(calls[0].file, c.target);
        EXPECT_EQ(calls[0].owner, c.onTop ? &form : nullptr);
    }
}

TEST_F(HTMLHelpTest, KeywordAndLinkLookupsNameTheWindowInTheirRecord)
{
    help.SetHHWindow(QStringLiteral("quillon"));
    help.SetHHShowOnTop(true);
    help.SetHHKeyword(QStringLiteral("export;Excel"));
    help.SetHHALink(QStringLiteral("ListWindow"));
    help.HHDisplayKeyword(&form);
    help.SetHHDefaultURL(QStringLiteral("export.html"));
    help.SetHHMsgText(QStringLiteral("Nothing found"));
    help.SetHHMsgTitle(QStringLiteral("Help"));
    help.SetHHWindow(QStringLiteral("   "));
    help.HHDisplayALink(&form);

    // Keyword: the file opens at its default topic first, then the lookup on the file alone.
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].command, HH_DISPLAY_TOPIC);
    EXPECT_EQ(calls[0].file, file + QStringLiteral(">quillon"));
    EXPECT_EQ(std::get<uintptr_t>(calls[0].data), 0u);
    EXPECT_EQ(calls[1].command, HH_KEYWORD_LOOKUP);
    EXPECT_EQ(calls[1].file, file);
    EXPECT_EQ(calls[1].owner, &form);
    const auto& k = std::get<HH_AKLINK>(calls[1].data);
    EXPECT_EQ(k.cbStruct, 32);
    EXPECT_EQ(k.pszKeywords, QStringLiteral("export;Excel"));
    EXPECT_FALSE(k.pszUrl.has_value());  // empty texts go as null pointers
    EXPECT_FALSE(k.pszMsgText.has_value());
    EXPECT_FALSE(k.pszMsgTitle.has_value());
    EXPECT_EQ(k.pszWindow, QStringLiteral("quillon"));
    EXPECT_FALSE(k.fIndexOnFail);
    EXPECT_FALSE(k.fReserved);

    // Link: one call, no window for blanks.
    EXPECT_EQ(calls[2].command, HH_ALINK_LOOKUP);
    EXPECT_EQ(calls[2].file, file);
    const auto& a = std::get<HH_AKLINK>(calls[2].data);
    EXPECT_EQ(a.pszKeywords, QStringLiteral("ListWindow"));
    EXPECT_EQ(a.pszUrl, QStringLiteral("export.html"));
    EXPECT_EQ(a.pszMsgText, QStringLiteral("Nothing found"));
    EXPECT_EQ(a.pszMsgTitle, QStringLiteral("Help"));
    EXPECT_FALSE(a.pszWindow.has_value());
}

TEST_F(HTMLHelpTest, ShowOnTopWithoutACallingFormIsRefusedWithItsMessage)
{
    help.SetHHShowOnTop(true);
    help.HHDisplayTopicID(nullptr);
    EXPECT_TRUE(calls.empty());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("The HHDisplayContents method was called without a form being "
                                                    "specified, while HHShowOnTop was set to True."));
    EXPECT_EQ(seams.boxes[0].title, kCaption);
    // Without ShowOnTop no owner is needed.
    help.SetHHShowOnTop(false);
    help.HHDisplayTopicID(nullptr);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(HTMLHelpTest, CloseAndTheLibraryFileNames)
{
    help.SetCHMFile(QStringLiteral("not a help file.doc"));
    help.HHClose();  // no checks
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_CLOSE_ALL);
    EXPECT_EQ(calls[0].owner, nullptr);
    EXPECT_EQ(calls[0].file, QStringLiteral("not a help file.doc"));
    EXPECT_TRUE(seams.boxes.empty());

    EXPECT_EQ(help.HHSetHelpFile(1), App().path + QStringLiteral("/Library.chm"));
    EXPECT_EQ(help.HHSetHelpFile(2), QStringLiteral("Library.txt"));
    EXPECT_EQ(help.HHSetHelpFile(3), QString());
    EXPECT_EQ(help.CHMFile(), QStringLiteral("not a help file.doc"));
}

TEST_F(HTMLHelpTest, PopupsOfEachTypeAndTheirFormattingReset)
{
    // Types 0 and 3, and type 4 without a text, show nothing and reset nothing.
    help.SetHHPopupTextFont(QStringLiteral("Courier"));
    help.SetHHPopupTextBold(true);
    for (int type : {0, 3}) {
        help.SetHHPopupType(type);
        help.HHDisplayPopup(&form);
    }
    help.SetHHPopupType(4);
    help.HHDisplayPopup(&form);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(help.PopupState().font, QStringLiteral("Courier"));
    EXPECT_TRUE(help.PopupState().bold);

    // Type 4: the text, at the pointer, with the font text and the plain colours.
    help.SetHHPopupText(QStringLiteral("Go runs the search."));
    help.SetHHPopupTextSize(QStringLiteral("12"));
    help.SetHHPopupTextItalic(true);
    help.SetHHPopupTextUnderline(true);
    help.SetHHPopupTextColor(0x0000FF);
    help.SetHHPopupBackColor(0xE0FFFF);
    help.SetHHPopupCustomTextColor(0x112233);
    help.HHDisplayPopup(&form);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_DISPLAY_TEXT_POPUP);
    EXPECT_FALSE(calls[0].file.has_value());
    EXPECT_EQ(calls[0].owner, &form);
    auto p = std::get<HH_POPUP>(calls[0].data);
    EXPECT_EQ(p.cbStruct, 52);
    EXPECT_EQ(p.pszText, QStringLiteral("Go runs the search."));
    EXPECT_EQ(p.idString, 0u);
    EXPECT_EQ(p.pszFont, QStringLiteral("Courier, 12, ascii, Bold Italic Underline"));
    EXPECT_EQ(p.clrForeground, 0x0000FF);
    EXPECT_EQ(p.clrBackground, 0xE0FFFF);
    EXPECT_EQ(p.rcMargins, QRect(QPoint(-1, -1), QPoint(-1, -1)));
    EXPECT_EQ(p.pt, QCursor::pos());
    // The formatting is back to its defaults; type, text and the colour switch stay.
    auto s = help.PopupState();
    EXPECT_EQ(s.font, QStringLiteral("Arial"));
    EXPECT_EQ(s.size, QStringLiteral("10"));
    EXPECT_FALSE(s.bold || s.italic || s.underline);
    EXPECT_EQ(s.textColor | s.backColor | s.customTextColor | s.customBackColor, 0);
    EXPECT_EQ(s.type, 4);
    EXPECT_EQ(s.text, QStringLiteral("Go runs the search."));

    // Never set: "Arial, 10, ascii, " (ending in a comma and a blank), black on black.
    HTMLHelp fresh;
    fresh.SetHHPopupType(4);
    fresh.SetHHPopupText(QStringLiteral("x"));
    fresh.SetHHPopupCustomColors(true);
    fresh.SetHHPopupCustomBackColor(0x00FF00);
    fresh.HHDisplayPopup(&form);
    p = std::get<HH_POPUP>(calls.back().data);
    EXPECT_EQ(p.pszFont, QStringLiteral("Arial, 10, ascii, "));
    EXPECT_EQ(p.clrForeground, 0);
    EXPECT_EQ(p.clrBackground, 0x00FF00);
    EXPECT_EQ(fresh.PopupState().font, QStringLiteral("Arial"));

    // Type 2: the program's string resource; a missing one is an error for the caller.
    calls.clear();
    help.SetHHPopupType(2);
    help.SetHHPopupID(17130);
    help.HHDisplayPopup(&form);
    ASSERT_EQ(calls.size(), 1u);
    p = std::get<HH_POPUP>(calls[0].data);
    EXPECT_EQ(p.pszText, LoadResString(17130));
    EXPECT_EQ(p.idString, 0u);
    EXPECT_FALSE(calls[0].file.has_value());
    help.SetHHPopupID(4242);
    EXPECT_EQ(ErrorNumberOf([&] { help.HHDisplayPopup(&form); }), 326);
}

TEST_F(HTMLHelpTest, TextFilePopupsCheckBothFilesFirst)
{
    help.SetHHPopupType(1);
    help.SetHHPopupID(2);
    help.SetHHPopupFile(QStringLiteral("popups.doc"));
    help.SetHHPopupTextBold(true);
    help.HHDisplayPopup(&form);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("The file specified as the text popup source, 'popups.doc', is "
                                                    "not a valid popup file.")});
    EXPECT_TRUE(help.PopupState().bold);  // nothing shown, nothing reset

    seams.boxes.clear();
    help.SetHHPopupFile(QStringLiteral("popups.TXT"));
    help.HHDisplayPopup(&form);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, file + QStringLiteral("::/popups.TXT"));
    const auto p = std::get<HH_POPUP>(calls[0].data);
    EXPECT_EQ(p.idString, 2u);
    EXPECT_FALSE(p.pszText.has_value());
    EXPECT_FALSE(help.PopupState().bold);

    // The help file's own checks come first.
    calls.clear();
    help.SetCHMFile(m_dir.filePath(QStringLiteral("missing.chm")));
    help.HHDisplayPopup(&form);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(Prompts().last(), MissingMessage(m_dir.filePath(QStringLiteral("missing.chm"))));
}

TEST_F(HTMLHelpTest, WhatsThisPutsTheProgramIntoWhatsThisMode)
{
    help.SetCHMFile(QString());
    help.HHInvokeWhatsThisHelp(&form);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
    EXPECT_TRUE(seams.boxes.empty());
}
