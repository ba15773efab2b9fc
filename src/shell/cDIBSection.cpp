#include "shell/cDIBSection.h"

#include <QPainter>

bool cDIBSection::CreateDIB(int lWidth, int lHeight)
{
    if (lWidth <= 0 || lHeight <= 0)
        return false;
    QImage dib(lWidth, lHeight, QImage::Format_BGR888);
    if (dib.isNull() || dib.bytesPerLine() != ((lWidth * 3 + 3) & ~3))
        return false;
    dib.fill(Qt::black);
    m_dib = std::move(dib);
    m_width = lWidth;
    m_height = lHeight;
    return true;
}

bool cDIBSection::Create(int lWidth, int lHeight)
{
    ClearUp();
    return CreateDIB(lWidth, lHeight);
}

void cDIBSection::CreateFromPicture(const QPixmap& picThis) { CreateFromPicture(picThis.toImage()); }

void cDIBSection::CreateFromPicture(const QImage& picThis)
{
    if (!Create(picThis.width(), picThis.height()))
        return;
    LoadPictureBlt(picThis, 0, 0, -1, -1);
}

void cDIBSection::LoadPictureBlt(const QImage& source, int lSrcLeft, int lSrcTop, int lSrcWidth, int lSrcHeight)
{
    if (m_dib.isNull())
        return;
    const int w = lSrcWidth < 0 ? m_width : lSrcWidth;
    const int h = lSrcHeight < 0 ? m_height : lSrcHeight;
    // Drawn the right way up, then turned over into bitmap order.
    QImage upright = m_dib.mirrored(false, true);
    {
        QPainter p(&upright);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), source.convertToFormat(QImage::Format_RGB32), QRect(lSrcLeft, lSrcTop, w, h));
    }
    m_dib = upright.mirrored(false, true).convertToFormat(QImage::Format_BGR888);
}

const uchar* cDIBSection::DIBSectionBitsPtr() const { return m_dib.isNull() ? nullptr : m_dib.constBits(); }

uchar* cDIBSection::DIBSectionBitsPtr() { return m_dib.isNull() ? nullptr : m_dib.bits(); }

void cDIBSection::ClearUp()
{
    m_dib = QImage();
    m_width = 0;
    m_height = 0;
}
