// Help > Help and F1 in the main window: the program's help window on the main
// window's topic, owned by the main window, one window however often it is asked.
#include "shell/ShellTestSupport.h"

#include "WaitFor.h"
#include "platform/help/HelpFile.h"
#include "platform/help/HelpWindow.h"
#include "platform/help/HtmlHelpApi.h"
#include "shell/HTMLHelp.h"

#include <QMdiArea>
#include <QHelpEngineCore>
#include <QTextBrowser>
#include <QTextDocumentFragment>

using namespace shelltest;

namespace {

class MainWindowHelpTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        SetHtmlHelpObserver([this](const HtmlHelpCall& call) {
            calls.push_back(call);
            return true;
        });
    }
    void TearDown() override
    {
        SetHtmlHelpObserver(nullptr);
        HelpWindow::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ShellTest::TearDown();
    }
    std::vector<HtmlHelpCall> calls;
};

}  // namespace

TEST_F(MainWindowHelpTest, HelpAndF1OpenTheMainWindowsTopicInFrontOfIt)
{
    frmMDIFrame* main = ShowMain();
    EXPECT_EQ(main->HelpObject(), nullptr);
    main->MenuItem(QStringLiteral("Help"))->trigger();

    HTMLHelp* help = main->HelpObject();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->CHMFile(), App().path + QStringLiteral("/quillon.chm"));
    EXPECT_EQ(help->HHWindow(), QStringLiteral("quillon"));
    EXPECT_TRUE(help->HHShowOnTop());
    EXPECT_EQ(help->HHTopicID(), 17130);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_HELP_CONTEXT);
    EXPECT_EQ(calls[0].file, App().path + QStringLiteral("/quillon.chm>quillon"));
    EXPECT_EQ(std::get<uintptr_t>(calls[0].data), 17130u);
    EXPECT_EQ(calls[0].owner, main);

    ASSERT_EQ(HelpWindow::Windows().size(), 1);
    HelpWindow* window = HelpWindow::Windows().first();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->parentWidget(), main);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillon Help"));
    EXPECT_EQ(window->CurrentTopic().fileName(), QStringLiteral("main-window.html"));

    // F1 in the main window: the same help object and the same window, back on the topic.
    window->ShowTopic(window->File()->Topic(QStringLiteral("export.html")));
    QApplication::setActiveWindow(main);
    QTest::keyClick(main->MDIClient(), Qt::Key_F1);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(main->HelpObject(), help);
    EXPECT_EQ(HelpWindow::Windows().size(), 1);
    EXPECT_EQ(window->CurrentTopic().fileName(), QStringLiteral("main-window.html"));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(MainWindowHelpTest, TheFileCommandsThatCloseTheListsSaySoOnTheMainWindowsPage)
{
    HelpFile* file = HelpFile::Open(App().path + QStringLiteral("/quillon.chm"));
    ASSERT_TRUE(file);
    const QString page =
        QTextDocumentFragment::fromHtml(QString::fromUtf8(file->Engine()->fileData(file->Topic(QStringLiteral("main-window.html")))))
            .toPlainText();
    frmMDIFrame* main = ShowMain();
    FakeLogonWindow& logon = Logon();
    logon.action = [](FakeLogonWindow& w) {
        if (TryLogOn(kDemo, QStringLiteral("jdoe"), QStringLiteral("secret"), w.Relogin()).isEmpty())
            Unload(&w);
    };
    // In the File menu's row each command's text runs up to the next command.
    struct Command {
        const char* item;
        const char* caption;
        const char* next;
    };
    for (const Command& c : {Command{"mnuOpenCompany", "Open Company...", "Login As Different User..."},
                             Command{"mnuLogon", "Login As Different User...", "Exit"}}) {
        SCOPED_TRACE(c.caption);
        Form* list = OpenChild(QStringLiteral("List One"));
        main->MenuItem(QString::fromLatin1(c.item))->trigger();
        const bool closed = !IsFormLoaded(list);
        EXPECT_TRUE(closed);
        const qsizetype from = page.indexOf(QString::fromLatin1(c.caption));
        ASSERT_GE(from, 0);
        const QString says = page.mid(from, page.indexOf(QString::fromLatin1(c.next), from + 1) - from);
        EXPECT_EQ(says.contains(QStringLiteral("closes the open lists")), closed) << qPrintable(says);
    }
    EXPECT_TRUE(seams.boxes.empty());
}
