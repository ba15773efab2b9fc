// F1 in the logon window: its help page, above the window, which stays open.
#include "logon/frmLogonNewTestSupport.h"

#include "logon/frmLogonNew.h"
#include "platform/help/HelpWindow.h"
#include "shell/WindowHelp.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace logontest;

TEST(LogonWindowHelpTest, F1OpensTheLogonPageAboveTheWindow)
{
    LogonFixture fixture;
    InstallWindowHelp();
    frmLogonNew w;
    KeepAfterUnload(&w);
    Load(&w);
    w.Init(QStringLiteral("quillon Login"));
    w.move(w.screen()->availableGeometry().topLeft() + QPoint(20, 20));
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(w.windowHandle());
    QTest::keyClick(w.windowHandle(), Qt::Key_F1);

    ASSERT_EQ(HelpWindow::Windows().size(), 1);
    HelpWindow* help = HelpWindow::Windows().first();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->CurrentTopic().fileName(), QStringLiteral("logon.html"));
    EXPECT_EQ(help->Owner(), &w);
    EXPECT_TRUE(w.isVisible());
    // The window is small and near the screen's corner: the help, centred on it,
    // still starts on the screen, its title and tools within reach.
    const QRect room = w.screen()->availableGeometry();
    EXPECT_GE(help->frameGeometry().left(), room.left());
    EXPECT_GE(help->frameGeometry().top(), room.top());
    EXPECT_TRUE(fixture.boxes.empty()) << qPrintable(fixture.Prompts().join(QLatin1Char('|')));

    Unload(&w);
    HelpWindow::CloseAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
