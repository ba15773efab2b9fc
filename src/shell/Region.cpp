#include "shell/Region.h"

#include <QWidget>
#include <cmath>

void Region::ApplyRgn(QWidget* hWnd) const
{
    if (!hWnd)
        return;
    const QRegion copy = QRegion().united(m_region);
    if (copy.isEmpty())
        hWnd->clearMask();
    else
        hWnd->setMask(copy);
    hWnd->update();
}

void Region::ScanPicture(const QPixmap& picture, int32_t& transColor) { ScanPicture(picture.toImage(), transColor); }

void Region::ScanPicture(const QImage& picture, int32_t& transColor)
{
    m_region = QRegion();
    if (!m_dib)
        m_dib = std::make_unique<cDIBSection>();
    m_dib->CreateFromPicture(picture);
    const uchar* bits = m_dib->DIBSectionBitsPtr();
    if (!bits)
        return;

    const int width = m_dib->Width();
    const int height = m_dib->Height();
    const int stride = m_dib->BytesPerScanLine();
    auto packed = [&](int y, int x) {
        const uchar* p = bits + qsizetype(y) * stride + qsizetype(x) * 3;
        return int32_t(p[0]) + 256 * int32_t(p[1]) + 65536 * int32_t(p[2]);
    };
    if (transColor == kCornerColour)
        transColor = packed(0, 0);

    QRegion region;
    for (int y = 0; y < height; ++y) {
        const int r = height - 1 - y;  // bitmap rows run bottom-up
        int x = 0;
        while (x < width) {
            while (x < width && packed(y, x) == transColor)
                ++x;
            const int s = x;
            while (x < width && packed(y, x) != transColor)
                ++x;
            if (x > s)
                region += QRect(s, r, x - s, 1);
        }
    }
    m_region = region;
}

void Region::OffsetHeader(QWidget* tmpForm)
{
    if (!tmpForm || (tmpForm->windowFlags() & Qt::FramelessWindowHint))
        return;
    const QRect frame = tmpForm->frameGeometry();
    const double dx = std::nearbyint((frame.width() - tmpForm->width()) / 2.0);
    const double dy = std::nearbyint(frame.height() - tmpForm->height() - dx);
    m_region.translate(int(dx), int(dy));
}
