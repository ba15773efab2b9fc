// The help viewer on the program's own help file, offscreen: window types,
// context ids, contents, index, keyword and link lookups, search, popups.
#include "shell/HelpTestSupport.h"

#include "WaitFor.h"
#include "platform/help/HelpPopup.h"
#include "platform/help/HelpWindow.h"

#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpSearchEngine>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextBrowser>

using helptest::HelpTest;

namespace {

class HelpViewerTest : public HelpTest {
protected:
    void SetUp() override
    {
        HelpTest::SetUp();
        passToViewer = true;
        ASSERT_TRUE(QFileInfo::exists(ShippedHelp()));
    }
    void TearDown() override
    {
        HelpWindow::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        HelpTest::TearDown();
    }
    HelpWindow* Call(uint32_t command, const HtmlHelpData& data, const QString& window = QString(), QWidget* owner = nullptr)
    {
        const QString target = window.isEmpty() ? ShippedHelp() : ShippedHelp() + QLatin1Char('>') + window;
        return qobject_cast<HelpWindow*>(HtmlHelp(owner, target, command, data));
    }
    static QString Page(HelpWindow* w) { return w ? w->CurrentTopic().fileName() : QString(); }
    HH_AKLINK Link(const QString& keywords)
    {
        HH_AKLINK link;
        link.pszKeywords = keywords;
        return link;
    }
    QWidget owner;
};

}  // namespace

TEST_F(HelpViewerTest, TheProgramsWindowTypeOpensOnTheContextIdAndIsRaisedOnASecondCall)
{
    owner.show();
    HelpWindow* w = Call(HH_HELP_CONTEXT, uintptr_t(17130), QStringLiteral("quillon"), &owner);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Quillon Help"));
    EXPECT_EQ(w->parentWidget(), &owner);
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(Page(w), QStringLiteral("main-window.html"));
    EXPECT_TRUE(w->TopicView()->toPlainText().contains(QStringLiteral("The main window")));

    // Every topic has its id; a second call reuses the window.
    struct Case {
        uintptr_t id;
        const char* page;
    } cases[] = {{17131, "logon.html"}, {17135, "saved-searches.html"}, {17140, "imported-columns.html"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Call(HH_HELP_CONTEXT, c.id, QStringLiteral("quillon"), &owner), w);
        EXPECT_EQ(Page(w), QString::fromLatin1(c.page));
    }
    EXPECT_EQ(HelpWindow::Windows().size(), 1);

    // An id the file lacks says so in the topic view; the default window is another window.
    Call(HH_HELP_CONTEXT, uintptr_t(4711), QStringLiteral("quillon"), &owner);
    EXPECT_TRUE(w->TopicView()->toPlainText().contains(QStringLiteral("context id 4711")));
    HelpWindow* plain = Call(HH_DISPLAY_TOPIC, QStringLiteral("export.html"));
    ASSERT_TRUE(plain);
    EXPECT_NE(plain, w);
    EXPECT_EQ(plain->parentWidget(), nullptr);
    EXPECT_EQ(Page(plain), QStringLiteral("export.html"));

    HtmlHelp(nullptr, ShippedHelp(), HH_CLOSE_ALL);
    EXPECT_TRUE(WaitFor([] { return HelpWindow::Windows().isEmpty(); }));
}

TEST_F(HelpViewerTest, ContentsAndIndexListTheShippedTopicsAndKeywords)
{
    HelpWindow* w = Call(HH_DISPLAY_TOC, uintptr_t(0));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->CurrentPane(), HelpWindow::ContentsPane);
    QHelpContentModel* contents = w->Engine()->contentModel();
    ASSERT_TRUE(WaitFor([&] { return !contents->isCreatingContents() && contents->rowCount() > 0; }));
    QStringList titles;
    const QModelIndex root = contents->index(0, 0);
    for (int i = 0; i < contents->rowCount(); ++i)
        titles << contents->data(contents->index(i, 0), Qt::DisplayRole).toString();
    EXPECT_EQ(titles.size(), 11) << qPrintable(titles.join(QLatin1Char('|')));
    EXPECT_EQ(titles.value(0), QStringLiteral("The main window"));
    for (const char* t : {"Logging on and logon profiles", "All Views and My Views", "The list window", "The filter pane",
                          "Saved searches", "The statistics strip", "Linked views", "Export", "The view editor",
                          "Imported columns"})
        EXPECT_TRUE(titles.contains(QString::fromLatin1(t))) << t;
    Q_UNUSED(root);

    EXPECT_EQ(Call(HH_DISPLAY_INDEX, uintptr_t(0)), w);
    EXPECT_EQ(w->CurrentPane(), HelpWindow::IndexPane);
    QHelpIndexModel* index = w->Engine()->indexModel();
    ASSERT_TRUE(WaitFor([&] { return !index->isCreatingIndex() && index->rowCount() > 0; }));
    w->IndexFilter()->setText(QStringLiteral("saved"));
    ASSERT_TRUE(WaitFor([&] { return index->rowCount() > 0; }));
    EXPECT_TRUE(index->data(index->index(0, 0), Qt::DisplayRole).toString().startsWith(QStringLiteral("saved"),
                                                                                         Qt::CaseInsensitive));
    QTest::keyClick(w->IndexFilter(), Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return Page(w) == QLatin1String("saved-searches.html"); }));
}

TEST_F(HelpViewerTest, KeywordAndLinkLookupsAndWhatHappensWhenNothingIsFound)
{
    EXPECT_EQ(Page(Call(HH_KEYWORD_LOOKUP, Link(QStringLiteral("nothing;Excel")))), QStringLiteral("export.html"));
    EXPECT_EQ(Page(Call(HH_ALINK_LOOKUP, Link(QStringLiteral("ListWindow")))), QStringLiteral("list-window.html"));

    HH_AKLINK missing = Link(QStringLiteral("no such keyword"));
    missing.pszMsgText = QStringLiteral("No topic found.");
    missing.pszMsgTitle = QStringLiteral("Help");
    EXPECT_EQ(Call(HH_KEYWORD_LOOKUP, missing), nullptr);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("No topic found."));
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Help"));

    missing.pszUrl = QStringLiteral("statistics.html");
    EXPECT_EQ(Page(Call(HH_ALINK_LOOKUP, missing)), QStringLiteral("statistics.html"));
    missing.fIndexOnFail = true;
    HelpWindow* w = Call(HH_KEYWORD_LOOKUP, missing);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->CurrentPane(), HelpWindow::IndexPane);
    EXPECT_EQ(w->IndexFilter()->text(), QStringLiteral("no such keyword"));
    EXPECT_EQ(seams.boxes.size(), 1u);
}

TEST_F(HelpViewerTest, TheFullTextSearchFindsTopicsByTheirWords)
{
    HH_FTS_QUERY query;
    query.pszSearchQuery = QStringLiteral("workbook");
    query.fExecute = true;
    HelpWindow* w = Call(HH_DISPLAY_SEARCH, query);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->CurrentPane(), HelpWindow::SearchPane);
    QHelpSearchEngine* search = w->Engine()->searchEngine();
    ASSERT_TRUE(WaitFor([&] { return !w->IsIndexing() && search->searchResultCount() > 0; }, 30000));
    QStringList pages;
    for (const auto& r : search->searchResults(0, search->searchResultCount()))
        pages << r.url().fileName();
    EXPECT_TRUE(pages.contains(QStringLiteral("export.html"))) << qPrintable(pages.join(QLatin1Char(',')));
}

TEST_F(HelpViewerTest, PopupsShowAtThePointAndCloseOnAKey)
{
    owner.show();
    HH_POPUP popup;
    popup.pszText = QStringLiteral("Go runs the search.");
    popup.pt = QPoint(200, 150);
    popup.clrForeground = 0;
    popup.clrBackground = 0;  // black on black is unreadable: the tip colours are used
    popup.pszFont = QStringLiteral("Arial, 10, ascii, Bold ");
    HtmlHelp(&owner, std::nullopt, HH_DISPLAY_TEXT_POPUP, popup);
    HelpPopup* shown = HelpPopup::Current();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->pos(), QPoint(200, 150));
    EXPECT_EQ(shown->Label()->text(), QStringLiteral("Go runs the search."));
    EXPECT_TRUE(shown->Label()->font().bold());
    EXPECT_EQ(shown->Label()->font().pointSizeF(), 10.0);
    EXPECT_NE(shown->palette().color(QPalette::WindowText), shown->palette().color(QPalette::Window));
    QTest::keyClick(shown, Qt::Key_A);
    EXPECT_TRUE(WaitFor([] { return HelpPopup::Current() == nullptr; }));

    // From the help file's text popups, in the colours asked for (red in the low byte).
    HH_POPUP fromFile;
    fromFile.idString = 2;
    fromFile.clrForeground = 0x0000FF;
    fromFile.clrBackground = 0xFFFFFF;
    HtmlHelp(&owner, ShippedHelp() + QStringLiteral("::/popups.txt"), HH_DISPLAY_TEXT_POPUP, fromFile);
    shown = HelpPopup::Current();
    ASSERT_TRUE(shown) << qPrintable(Prompts().join(QLatin1Char('|')));
    EXPECT_TRUE(shown->Label()->text().startsWith(QStringLiteral("Searches saves the current search")));
    EXPECT_EQ(shown->palette().color(QPalette::WindowText), QColor(Qt::red));
    QTest::mouseClick(shown, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([] { return HelpPopup::Current() == nullptr; }));
}

TEST_F(HelpViewerTest, AFileThatIsNoHelpFileIsReportedByTheViewer)
{
    const QString bogus = MakeFile(QStringLiteral("bogus.chm"), "not a help file");
    EXPECT_EQ(HtmlHelp(nullptr, bogus, HH_DISPLAY_TOC), nullptr);
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("Cannot open the file: ") + bogus + QLatin1Char('.')});
    EXPECT_TRUE(HelpWindow::Windows().isEmpty());
}
