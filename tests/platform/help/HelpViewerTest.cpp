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
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTextDocument>

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
    // The search pane, with a search to run.
    HelpWindow* CallSearch(const QString& text)
    {
        HH_FTS_QUERY query;
        query.pszSearchQuery = text;
        query.fExecute = true;
        return Call(HH_DISPLAY_SEARCH, query);
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

    // A pane chosen by its tab is ready for typing.
    w->Panes()->setCurrentIndex(HelpWindow::IndexPane);
    EXPECT_EQ(w->focusWidget(), w->IndexFilter());
    w->Panes()->setCurrentIndex(HelpWindow::ContentsPane);
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
    HelpWindow* w = CallSearch(QStringLiteral("workbook"));
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

TEST_F(HelpViewerTest, OnlyPagesOfItsOwnFileAreShown)
{
    HelpWindow* w = Call(HH_DISPLAY_TOPIC, QStringLiteral("export.html"));
    ASSERT_TRUE(w);
    ASSERT_EQ(Page(w), QStringLiteral("export.html"));
    // A path out of the file's folder, another help namespace, a local file, a page
    // the file lacks: a notice, never that page or that file.
    struct Case {
        const char* topic;
        const char* notice;
    } cases[] = {
        {"../quillon.qhp", "Topic not found"},
        {"/quillon/../quillon/export.html", "Topic not found"},
        {"qthelp://org.qt-project.qtcore/qdoc/index.html", "Topic not found"},
        {"file:///etc/passwd", "Topic not found"},
        {"no-such-page.html", "Topic not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.topic);
        Call(HH_DISPLAY_TOPIC, QString::fromLatin1(c.topic));
        const QString shown = w->TopicView()->toPlainText();
        EXPECT_TRUE(shown.startsWith(QLatin1String(c.notice))) << qPrintable(shown.left(200));
        EXPECT_FALSE(shown.contains(QLatin1String("root:")));
        EXPECT_EQ(Page(w), QStringLiteral("export.html"));  // the page shown before stays current
    }
    // A link in a page is held to the same rule, and nothing reads a local file.
    w->ShowTopic(w->File()->Topic(QStringLiteral("export.html")));
    emit w->TopicView()->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    EXPECT_TRUE(w->TopicView()->toPlainText().startsWith(QLatin1String("Topic not found")));
    EXPECT_FALSE(w->TopicView()->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("file:///etc/passwd")))
                     .isValid());
    emit w->TopicView()->anchorClicked(QUrl(QStringLiteral("linked-views.html")));
    EXPECT_EQ(Page(w), QStringLiteral("linked-views.html"));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(HelpViewerTest, ADamagedHelpFileSaysSoInsteadOfShowingBlankPanes)
{
    QFile shipped(ShippedHelp());
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray bytes = shipped.readAll();
    ASSERT_GT(bytes.size(), 16 * 1024);
    // One page of the database in the middle overwritten.
    const qsizetype middle = (bytes.size() / 2) / 4096 * 4096;
    for (qsizetype i = middle; i < middle + 4096; ++i)
        bytes[i] = char(0x5A);
    const QString damaged = MakeFile(QStringLiteral("damaged.chm"), bytes);
    EXPECT_EQ(HtmlHelp(nullptr, damaged, HH_DISPLAY_TOC), nullptr);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_TRUE(seams.boxes[0].prompt.startsWith(QStringLiteral("The help file ") + damaged +
                                                 QStringLiteral(" is damaged and cannot be read")))
        << qPrintable(seams.boxes[0].prompt);
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("HTML Help"));
    EXPECT_TRUE(HelpWindow::Windows().isEmpty());
}

TEST_F(HelpViewerTest, TheStylesheetAppliesAndTheIndexNamesEachEntryOnce)
{
    HelpWindow* w = Call(HH_DISPLAY_INDEX, uintptr_t(0));
    ASSERT_TRUE(w);
    // The headings take the stylesheet's colour.
    EXPECT_TRUE(w->TopicView()->document()->toHtml().contains(QLatin1String("color:#1e3b59")))
        << qPrintable(w->TopicView()->document()->toHtml().left(600));

    QHelpIndexModel* index = w->Engine()->indexModel();
    ASSERT_TRUE(WaitFor([&] { return !index->isCreatingIndex() && index->rowCount() > 0; }));
    QMap<QString, QString> seen;
    for (int i = 0; i < index->rowCount(); ++i) {
        const QString entry = index->data(index->index(i, 0), Qt::DisplayRole).toString();
        EXPECT_FALSE(seen.contains(entry.toLower())) << qPrintable(entry) << " beside " << qPrintable(seen[entry.toLower()]);
        seen.insert(entry.toLower(), entry);
    }
}

TEST_F(HelpViewerTest, TheSearchFindsHyphenatedKeywordsAndListsOnlyPages)
{
    HelpWindow* w = CallSearch(QStringLiteral("auto-populate"));
    ASSERT_TRUE(w);
    QSignalSpy finished(w, &HelpWindow::searchFinished);
    auto pages = [&] {
        QStringList out;
        for (const QUrl& hit : w->Hits())
            out << hit.fileName();
        return out;
    };
    // The index is built when the window opens (the engine may build it twice):
    // a search made before it is complete is made again when it is.
    auto finds = [&](const QString& text, const QString& page) {
        finished.clear();
        w->Search(text);
        return WaitFor([&] { return !w->IsIndexing() && pages().contains(page); }, 30000);
    };
    EXPECT_TRUE(finds(QStringLiteral("auto-populate"), QStringLiteral("views-catalogue.html"))) << qPrintable(pages().join(','));
    EXPECT_TRUE(pages().contains(QStringLiteral("list-window.html"))) << qPrintable(pages().join(','));
    // The popups' text file holds "Go" too; it is no page and is not listed.
    EXPECT_TRUE(finds(QStringLiteral("Go"), QStringLiteral("filter-pane.html"))) << qPrintable(pages().join(','));
    for (const QString& page : pages())
        EXPECT_TRUE(page.endsWith(QLatin1String(".html"))) << qPrintable(page);
    EXPECT_FALSE(w->SearchResults()->toPlainText().contains(QLatin1String("popups.txt")));
    ASSERT_FALSE(finished.isEmpty());
    EXPECT_EQ(finished.last().value(0).toInt(), pages().size());
    // A hit opens its page.
    ASSERT_FALSE(w->Hits().isEmpty());
    emit w->SearchResults()->anchorClicked(w->Hits().first());
    EXPECT_EQ(w->CurrentTopic().fileName(), w->Hits().first().fileName());
}
