// F1 in the view editor, a modal dialog: the editor's help page comes up above
// the editor, takes input while the editor stays open, and stays open after it.
#include "vieweditor/ViewEditorTestSupport.h"

#include "platform/help/HelpWindow.h"
#include "shell/WindowHelp.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

namespace {

class ViewEditorHelpTest : public editortest::ViewEditorTest {
protected:
    void SetUp() override
    {
        editortest::ViewEditorTest::SetUp();
        InstallWindowHelp();
    }
    void TearDown() override
    {
        HelpWindow::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        editortest::ViewEditorTest::TearDown();
    }
};

}  // namespace

TEST_F(ViewEditorHelpTest, F1ShowsTheEditorsPageAboveItUsableWhileItStaysOpen)
{
    QPointer<HelpWindow> help;
    QPointer<QWidget> editor;
    QString typed;
    bool editorStillModal = false;
    OpenEdit(ViewId(QStringLiteral("ORDERS_2")), nullptr, [&] {
        editor = QApplication::activeModalWidget();
        ASSERT_TRUE(editor);
        // The key as the window system delivers it, into the editor's focus widget.
        QTest::keyClick(editor->windowHandle(), Qt::Key_F1);
        ASSERT_EQ(HelpWindow::Windows().size(), 1);
        help = HelpWindow::Windows().first();
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->CurrentTopic().fileName(), QStringLiteral("view-editor.html"));
        // Above the editor: a window of its own that the editor owns.
        EXPECT_EQ(help->Owner(), editor.data());
        ASSERT_TRUE(help->windowHandle());
        EXPECT_EQ(help->windowHandle()->transientParent(), editor->windowHandle());
        // Typing reaches the help window through the window system, which drops
        // the keys of windows a modal dialog blocks.
        help->ShowPane(HelpWindow::IndexPane);
        for (const char c : {'s', 'q', 'l'})
            QTest::keyClick(help->windowHandle(), c);
        typed = help->IndexFilter()->text();
        editorStillModal = QApplication::activeModalWidget() == editor && editor->isVisible();
    });
    EXPECT_EQ(typed, QStringLiteral("sql"));
    EXPECT_TRUE(editorStillModal);
    // The editor closed (OK hides it): the help stays open, no longer owned by it.
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Owner(), nullptr);
    EXPECT_TRUE(boxes.empty());
}
