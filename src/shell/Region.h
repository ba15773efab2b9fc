#pragma once
// A window shape from a picture: every pixel whose colour differs from a chosen
// transparent colour belongs to the window, the others are cut away. ScanPicture
// builds the region from the picture's bitmap; ApplyRgn makes a copy of it the
// window's shape (its mask), so that only those pixels are shown and take the mouse.

#include "shell/cDIBSection.h"

#include <QPixmap>
#include <QRegion>
#include <cstdint>
#include <memory>

class QWidget;

class Region {
public:
    // The transparent colour that means: the colour of the picture's bottom-left pixel.
    static constexpr int32_t kCornerColour = 1;

    // The region built by ScanPicture; empty when none.
    const QRegion& hndRegion() const { return m_region; }
    void setHndRegion(const QRegion& region) { m_region = region; }

    // Gives the window a copy of the region as its shape. An empty region leaves
    // the window unshaped rather than invisible.
    void ApplyRgn(QWidget* hWnd) const;

    // Builds the region from the picture's pixels whose packed colour (blue +
    // 256 * green + 65536 * red) differs from transColor. transColor 1 takes the
    // colour of the bottom-left pixel and hands it back in the argument. A picture
    // whose bitmap cannot be made gives the empty region.
    void ScanPicture(const QPixmap& picture, int32_t& transColor);
    void ScanPicture(const QImage& picture, int32_t& transColor);

    // Moves the region by the size of the window's frame: half the frame's extra
    // width to the right, the rest of its extra height down. A window without a
    // frame is left as it is.
    void OffsetHeader(QWidget* tmpForm);

private:
    QRegion m_region;
    std::unique_ptr<cDIBSection> m_dib;
};
