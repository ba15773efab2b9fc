// Window shapes from pictures: the bitmap the pixels are read from, the runs of
// non-transparent pixels per row, the corner colour, and the shape a window gets.
#include "shell/Region.h"

#include "platform/forms/Resources.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QColor kKey(255, 0, 255);
const QColor kInk(10, 20, 30);

QImage Picture(int w, int h, const QColor& fill)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

int32_t Packed(const QColor& c) { return c.blue() + 256 * c.green() + 65536 * c.red(); }

QRegion Scan(const QImage& img, int32_t transColor)
{
    Region r;
    r.ScanPicture(img, transColor);
    return r.hndRegion();
}

TEST(DIBSectionTest, HoldsTheRowsBottomUpAsBlueGreenRedWithPaddedLines)
{
    QImage img = Picture(3, 2, kInk);
    img.setPixelColor(0, 0, QColor(1, 2, 3));  // top left
    img.setPixelColor(2, 1, QColor(4, 5, 6));  // bottom right
    cDIBSection dib;
    dib.CreateFromPicture(img);
    ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.BytesPerScanLine(), 12);  // 9 bytes padded to 12
    const uchar* bits = dib.DIBSectionBitsPtr();
    const uchar* bottomRight = bits + 0 * 12 + 2 * 3;
    const uchar* topLeft = bits + 1 * 12 + 0 * 3;
    EXPECT_EQ((std::vector<int>{bottomRight[0], bottomRight[1], bottomRight[2]}), (std::vector<int>{6, 5, 4}));
    EXPECT_EQ((std::vector<int>{topLeft[0], topLeft[1], topLeft[2]}), (std::vector<int>{3, 2, 1}));

    for (auto [w, line] : {std::pair{1, 4}, std::pair{4, 12}, std::pair{5, 16}}) {
        cDIBSection d;
        ASSERT_TRUE(d.Create(w, 1));
        EXPECT_EQ(d.BytesPerScanLine(), line) << w;
    }
    dib.ClearUp();
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_FALSE(dib.Create(0, 5));
}

TEST(RegionTest, ShapesFollowTheNonTransparentPixels)
{
    // All transparent: nothing.
    EXPECT_TRUE(Scan(Picture(4, 3, kKey), Packed(kKey)).isEmpty());
    // Nothing transparent: the whole picture, the last column included.
    EXPECT_EQ(Scan(Picture(4, 3, kInk), Packed(kKey)), QRegion(0, 0, 4, 3));

    // A single pixel in the right-most column; a run between two gaps; the top row.
    QImage img = Picture(5, 3, kKey);
    img.setPixelColor(4, 1, kInk);
    img.setPixelColor(1, 2, kInk);
    img.setPixelColor(2, 2, kInk);
    img.setPixelColor(0, 0, kInk);
    QRegion expected;
    expected += QRect(4, 1, 1, 1);
    expected += QRect(1, 2, 2, 1);
    expected += QRect(0, 0, 1, 1);
    EXPECT_EQ(Scan(img, Packed(kKey)), expected);
    EXPECT_TRUE(Scan(img, Packed(kKey)).contains(QPoint(0, 0)));   // the top row stays on top
    EXPECT_FALSE(Scan(img, Packed(kKey)).contains(QPoint(0, 2)));
}

TEST(RegionTest, ColourOneTakesTheBottomLeftPixelWhereverItOccurs)
{
    QImage img = Picture(4, 3, kInk);
    const QColor corner(0, 128, 0);
    img.setPixelColor(0, 2, corner);  // bottom left
    img.setPixelColor(3, 0, corner);  // the same colour elsewhere
    int32_t trans = Region::kCornerColour;
    Region r;
    r.ScanPicture(img, trans);
    EXPECT_EQ(trans, Packed(corner));
    EXPECT_FALSE(r.hndRegion().contains(QPoint(0, 2)));
    EXPECT_FALSE(r.hndRegion().contains(QPoint(3, 0)));
    EXPECT_TRUE(r.hndRegion().contains(QPoint(1, 2)));
    QRegion expected;
    expected += QRect(0, 0, 3, 1);
    expected += QRect(0, 1, 4, 1);
    expected += QRect(1, 2, 3, 1);
    EXPECT_EQ(r.hndRegion(), expected);
}

TEST(RegionTest, ANullPictureGivesTheEmptyRegion)
{
    int32_t trans = Region::kCornerColour;
    Region r;
    r.ScanPicture(QImage(), trans);
    EXPECT_TRUE(r.hndRegion().isEmpty());
    EXPECT_EQ(trans, Region::kCornerColour);
}

TEST(RegionTest, TheWindowKeepsItsShapeAfterTheRegionEnds)
{
    QWidget window;
    window.resize(329, 236);
    {
        Region r;
        int32_t trans = Region::kCornerColour;
        r.ScanPicture(LoadResPicture(QStringLiteral("LOGIN_BG")), trans);
        EXPECT_EQ(trans, Packed(QColor(255, 0, 255)));
        r.ApplyRgn(&window);
        EXPECT_FALSE(r.hndRegion().isEmpty());  // still the object's after applying
        EXPECT_EQ(window.mask(), r.hndRegion());
    }
    const QRegion shape = window.mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));      // the rounded corners are cut away
    EXPECT_FALSE(shape.contains(QPoint(328, 235)));
    EXPECT_TRUE(shape.contains(QPoint(164, 118)));   // the body stays
    EXPECT_TRUE(shape.contains(QPoint(0, 118)));
}

TEST(RegionTest, AnEmptyRegionLeavesTheWindowWhole)
{
    QWidget window;
    window.setMask(QRegion(0, 0, 5, 5));
    Region r;
    r.ApplyRgn(&window);
    EXPECT_TRUE(window.mask().isEmpty());  // no mask: the whole window shows
}

TEST(RegionTest, OffsetHeaderMovesOnlyForFramedWindows)
{
    QWidget frameless(nullptr, Qt::Window | Qt::FramelessWindowHint);
    Region r;
    r.setHndRegion(QRegion(0, 0, 2, 2));
    r.OffsetHeader(&frameless);
    EXPECT_EQ(r.hndRegion(), QRegion(0, 0, 2, 2));
}

}  // namespace
