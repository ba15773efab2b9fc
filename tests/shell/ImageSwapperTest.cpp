// Image buttons: the picture shown on hover, leave, press and focus.

#include "shell/clsImageSwapper.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

QPixmap Filled(const QColor& colour)
{
    QPixmap p(40, 20);
    p.fill(colour);
    return p;
}

class ImageSwapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(200, 100);
        pic = new PictureBox(&form);
        pic->setGeometry(10, 10, 40, 20);
        pic->setFocusPolicy(Qt::StrongFocus);
        other = new PictureBox(&form);
        other->setGeometry(100, 10, 40, 20);
        other->setFocusPolicy(Qt::StrongFocus);
        normal = new ImageControl(&form);
        normal->SetPicture(Filled(Qt::white));
        hover = new ImageControl(&form);
        hover->SetPicture(Filled(Qt::blue));
        down = new ImageControl(&form);
        down->SetPicture(Filled(Qt::black));
        empty = new ImageControl(&form);
        form.show();
    }
    // The colour the picture box shows ("none" when empty).
    QString Shown() const
    {
        const QPixmap p = pic->Picture();
        if (p.isNull())
            return QStringLiteral("none");
        const QColor c = p.toImage().pixelColor(0, 0);
        if (c == Qt::white)
            return QStringLiteral("normal");
        if (c == Qt::blue)
            return QStringLiteral("hover");
        if (c == Qt::black)
            return QStringLiteral("pressed");
        return c.name();
    }
    void Move(const QPoint& at, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QMouseEvent e(QEvent::MouseMove, at, pic->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(pic, &e);
    }
    void Leave()
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(pic, &e);
    }

    QWidget form;
    PictureBox* pic = nullptr;
    PictureBox* other = nullptr;
    ImageControl* normal = nullptr;
    ImageControl* hover = nullptr;
    ImageControl* down = nullptr;
    ImageControl* empty = nullptr;
};

}  // namespace

TEST_F(ImageSwapperTest, HoverLeaveAndPress)
{
    clsImageSwapper swapper;
    swapper.Init(pic, normal, hover, down, false);
    EXPECT_EQ(Shown(), QStringLiteral("normal"));

    Move(QPoint(5, 5));
    EXPECT_EQ(Shown(), QStringLiteral("hover"));
    EXPECT_EQ(clsImageSwapper::GetCapture(), pic);
    // Off the right edge (a move the capture brings), and back; then the pointer leaves the window.
    Move(QPoint(41, 5));
    EXPECT_EQ(Shown(), QStringLiteral("normal"));
    EXPECT_EQ(clsImageSwapper::GetCapture(), nullptr);
    Move(QPoint(40, 20));  // the edges count as inside
    EXPECT_EQ(Shown(), QStringLiteral("hover"));
    Leave();
    EXPECT_EQ(Shown(), QStringLiteral("normal"));
    Move(QPoint(5, 5));
    Move(QPoint(-1, 5));
    EXPECT_EQ(Shown(), QStringLiteral("normal"));

    // The right button changes nothing; the left one shows the pressed picture.
    Move(QPoint(5, 5));
    QTest::mousePress(pic, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(Shown(), QStringLiteral("hover"));
    QTest::mouseRelease(pic, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(Shown(), QStringLiteral("pressed"));
    EXPECT_EQ(clsImageSwapper::GetCapture(), nullptr);
    // Dragged out and back in with the button down: pressed again.
    Move(QPoint(60, 5), Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringLiteral("normal"));
    Move(QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringLiteral("pressed"));
    QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

TEST_F(ImageSwapperTest, WithoutAPressedPicturePressingShowsTheHoverOne)
{
    for (ImageControl* pressed : {empty, static_cast<ImageControl*>(nullptr)}) {
        clsImageSwapper swapper;
        swapper.Init(pic, normal, hover, pressed, false);
        QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        EXPECT_EQ(Shown(), QStringLiteral("hover"));
        Move(QPoint(6, 6), Qt::LeftButton);
        EXPECT_EQ(Shown(), QStringLiteral("hover"));
        QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
}

TEST_F(ImageSwapperTest, FocusShowsTheHoverPictureAndTheFocusFlagTakesIt)
{
    form.activateWindow();
    QApplication::setActiveWindow(&form);
    {
        clsImageSwapper swapper;
        swapper.Init(pic, normal, hover, down, false);
        other->setFocus();
        Move(QPoint(5, 5));
        EXPECT_FALSE(pic->hasFocus());
        Leave();
        pic->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Shown(), QStringLiteral("hover"));
        other->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Shown(), QStringLiteral("normal"));
    }
    // Ending the object releases the capture.
    EXPECT_EQ(clsImageSwapper::GetCapture(), nullptr);
    clsImageSwapper focusing;
    focusing.Init(pic, normal, hover, down, true);
    Move(QPoint(5, 5));
    EXPECT_TRUE(pic->hasFocus());
}

TEST_F(ImageSwapperTest, AClickIsALeftPressAndReleaseOverThePicture)
{
    int clicks = 0;
    QObject::connect(pic, &PictureBox::Click, [&] { ++clicks; });
    QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(pic, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, QPoint(70, 5));
    EXPECT_EQ(clicks, 1);
}
