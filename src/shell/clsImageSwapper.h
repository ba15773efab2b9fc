#pragma once
// A picture box drawn as a button from three pictures: the normal one at rest,
// the hover one while the pointer is over it (or it has the focus), the pressed
// one while the left button is down on it. The pictures live in hidden image
// controls of the same form; the swapper copies the right one into the picture
// box. The form handles the picture box's click itself (PictureBox::Click).

#include <QLabel>
#include <QObject>
#include <QPointer>

// A picture box: shows one picture and reports a click (left button pressed and
// released over it).
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    // The picture shown; a null pixmap shows nothing.
    void SetPicture(const QPixmap& picture);
    QPixmap Picture() const { return pixmap(); }

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_leftDown = false;
};

// An image control: holds a picture; normally hidden.
class ImageControl : public QLabel {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);
    void SetPicture(const QPixmap& picture) { setPixmap(picture); }
    QPixmap Picture() const { return pixmap(); }
};

class clsImageSwapper : public QObject {
    Q_OBJECT
public:
    clsImageSwapper() = default;
    // Drops the references and releases the mouse capture, whoever holds it.
    ~clsImageSwapper() override;

    // Binds the picture box and its three pictures; shows the normal picture.
    // A pressed image that is absent or holds no picture is not used (pressing
    // then shows the hover picture). bFocus: take the focus when the pointer enters.
    void Init(PictureBox* oPic, ImageControl* oNormal, ImageControl* oHover, ImageControl* oDown, bool bFocus);

    // The window that holds the mouse capture of the picture boxes (nullptr: none).
    static QWidget* GetCapture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show(ImageControl* image);
    void PointerMovedOutside();
    void PointerMovedInside(bool leftButtonDown);

    QPointer<PictureBox> m_oPic;
    QPointer<ImageControl> m_oNormal;
    QPointer<ImageControl> m_oHover;
    QPointer<ImageControl> m_oDown;
    bool m_bFocus = false;
};
