// The About box: its lines for a session and without one (the splash), a
// server that refuses the read-only login, dragging, and closing.

#include "shell/ShellTestSupport.h"

#include "shell/clsImageSwapper.h"
#include "shell/frmAbout.h"

#include <QLabel>
#include <QPushButton>

using namespace shelltest;

namespace {

class AboutBoxTest : public ShellTest {
protected:
    frmAbout* Open()
    {
        auto* about = new frmAbout;
        Show(about);
        return about;
    }
    static std::vector<QLabel*> Lines(frmAbout* a)
    {
        return {a->lblUser(), a->lblProduct(), a->lblServer(), a->lblDatabase(), a->lblComments()};
    }
    static QString UserName(const char* id)
    {
        for (const auto& u : erpdb::DemoUsers())
            if (QLatin1String(u.userId) == QLatin1String(id))
                return QString::fromLatin1(u.userName);
        return QString();
    }
};

}  // namespace

TEST_F(AboutBoxTest, WithASessionTheLinesNameUserProductServerAndDatabase)
{
    LogOnAs(QStringLiteral("JDoe"), QStringLiteral("secret"));
    frmAbout* about = Open();
    EXPECT_EQ(about->lblUser()->text(), QStringLiteral("User:  ") + UserName("jdoe") + QStringLiteral(" (JDoe)"));
    EXPECT_EQ(about->lblProduct()->text(), QStringLiteral("Product:  quillon (Version 7.6.5)"));
    EXPECT_EQ(about->lblServer()->text(),
              QStringLiteral("Server:  SHELLSRV (Version ") + erpdb::ServerVersionText() + QStringLiteral(")"));
    EXPECT_EQ(about->lblDatabase()->text(), QStringLiteral("Database:  DEMO (Version 7.6.5 / 7.6.0)"));
    for (QLabel* line : Lines(about))
        EXPECT_TRUE(line->isVisible()) << qPrintable(line->objectName());
    EXPECT_TRUE(about->lblVersionNumber()->isVisible());
    EXPECT_EQ(about->lblVersionNumber()->text(), QString());
    EXPECT_EQ(about->lblComments()->text(), QString());
    EXPECT_FALSE(about->cmdOKButton()->isVisible());
    EXPECT_EQ(about->cmdOKButton()->text(), QString());
    EXPECT_EQ(about->Picture().size(), QSize(635, 425));
    EXPECT_FALSE(about->picOk()->Picture().isNull());
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(AboutBoxTest, WithoutASessionItIsTheSplash)
{
    frmAbout* about = Open();
    for (QLabel* line : Lines(about))
        EXPECT_FALSE(line->isVisible()) << qPrintable(line->objectName());
    EXPECT_FALSE(about->lblVersionNumber()->isVisible());
    EXPECT_EQ(about->lblUser()->text(), QStringLiteral("User:  "));
    EXPECT_FALSE(about->Picture().isNull());
    EXPECT_FALSE(about->picOk()->Picture().isNull());
    EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(AboutBoxTest, AServerRefusingTheReadOnlyLoginLeavesItsVersionEmpty)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    erpdb::SetLoginPassword(kServer, QStringLiteral("coreadonly"), QStringLiteral("changed"));
    frmAbout* about = Open();
    erpdb::SetLoginPassword(kServer, QStringLiteral("coreadonly"), QString::fromLatin1(erpdb::kDemoReadOnlyPassword));
    EXPECT_EQ(about->lblServer()->text(), QStringLiteral("Server:  SHELLSRV (Version )"));
    EXPECT_EQ(about->lblDatabase()->text(), QStringLiteral("Database:  DEMO (Version 7.6.5 / 7.6.0)"));
}

TEST_F(AboutBoxTest, DraggingTheBackgroundMovesItAndALabelDoesNot)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    frmAbout* about = Open();
    about->move(100, 100);
    const QPoint start = about->pos();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        const QPoint before = about->pos();
        QTest::mousePress(about, button, Qt::NoModifier, QPoint(50, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(80, 70), about->mapToGlobal(QPointF(80, 70)), Qt::NoButton,
                         button, Qt::NoModifier);
        QApplication::sendEvent(about, &move);
        EXPECT_EQ(about->pos(), before + QPoint(30, 20));
        // Released at the grabbed point: no further move.
        QTest::mouseRelease(about, button, Qt::NoModifier, QPoint(50, 50));
        EXPECT_EQ(about->pos(), before + QPoint(30, 20));
    }
    const QPoint moved = about->pos();
    EXPECT_EQ(moved, start + QPoint(60, 40));
    // A move without a press does not drag.
    QMouseEvent loose(QEvent::MouseMove, QPointF(90, 90), about->mapToGlobal(QPointF(90, 90)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(about, &loose);
    EXPECT_EQ(about->pos(), moved);
    // Pressing on a label does not drag.
    QTest::mousePress(about->lblUser(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QMouseEvent overLabel(QEvent::MouseMove, QPointF(40, 9), about->lblUser()->mapToGlobal(QPointF(40, 9)),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(about->lblUser(), &overLabel);
    QTest::mouseRelease(about->lblUser(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 9));
    EXPECT_EQ(about->pos(), moved);
}

TEST_F(AboutBoxTest, TheOkPictureAndTheKeysCloseIt)
{
    frmAbout* about = Open();
    QTest::mouseClick(about->picOk(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(IsFormLoaded(about));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        about = Open();
        QTest::keyClick(about, key);
        EXPECT_FALSE(IsFormLoaded(about)) << key;
    }
}
