#pragma once
// A picture's pixels as a 24-bit device-independent bitmap held in memory, read in
// place: rows bottom-up (row 0 is the picture's bottom row), each pixel three
// bytes blue, green, red, each scan line padded to a multiple of 4 bytes.

#include <QImage>
#include <QPixmap>
#include <cstdint>

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection() { ClearUp(); }
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // A new bitmap of that size (all pixels black); true when it was made.
    bool CreateDIB(int lWidth, int lHeight);
    // ClearUp, then CreateDIB; false (and nothing held) when the bitmap cannot be made.
    bool Create(int lWidth, int lHeight);
    // Makes the bitmap a copy of the picture; a null picture (or one that cannot be
    // made) leaves none.
    void CreateFromPicture(const QPixmap& picThis);
    void CreateFromPicture(const QImage& picThis);

    int BytesPerScanLine() const { return (m_width * 3 + 3) & ~3; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Copies the source's pixels from (lSrcLeft, lSrcTop) into the bitmap at (0, 0);
    // a negative width or height stands for the bitmap's.
    void LoadPictureBlt(const QImage& source, int lSrcLeft, int lSrcTop, int lSrcWidth, int lSrcHeight);

    // The first pixel byte; nullptr when there is no bitmap.
    const uchar* DIBSectionBitsPtr() const;
    uchar* DIBSectionBitsPtr();

    // Drops the bitmap.
    void ClearUp();

private:
    // Held upside down, so that its memory is in bitmap order.
    QImage m_dib;
    int m_width = 0;
    int m_height = 0;
};
