#include "shell/clsImageSwapper.h"

#include <QEvent>
#include <QMouseEvent>
#include <cmath>

namespace {
// The mouse capture of the picture boxes. The pointer leaving a box is seen as a
// move outside it (the window system reports the leave even when the pointer
// ends outside the form), so the capture needs no grab of the real pointer.
QPointer<QWidget> g_capture;

void SetCapture(QWidget* w) { g_capture = w; }
void ReleaseCapture() { g_capture = nullptr; }
}  // namespace

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
}

void PictureBox::SetPicture(const QPixmap& picture)
{
    if (picture.isNull())
        clear();
    else
        setPixmap(picture);
}

void PictureBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_leftDown = true;
    QLabel::mousePressEvent(e);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e)
{
    const bool wasDown = m_leftDown && e->button() == Qt::LeftButton;
    if (e->button() == Qt::LeftButton)
        m_leftDown = false;
    QLabel::mouseReleaseEvent(e);
    if (wasDown && rect().contains(e->position().toPoint()))
        emit Click();
}

// ---------------------------------------------------------------- ImageControl

ImageControl::ImageControl(QWidget* parent) : QLabel(parent) { hide(); }

// ---------------------------------------------------------------- clsImageSwapper

clsImageSwapper::~clsImageSwapper()
{
    if (m_oPic)
        m_oPic->removeEventFilter(this);
    m_oPic = nullptr;
    m_oNormal = nullptr;
    m_oHover = nullptr;
    m_oDown = nullptr;
    ReleaseCapture();
}

QWidget* clsImageSwapper::GetCapture() { return g_capture; }

void clsImageSwapper::Init(PictureBox* oPic, ImageControl* oNormal, ImageControl* oHover, ImageControl* oDown,
                           bool bFocus)
{
    if (m_oPic)
        m_oPic->removeEventFilter(this);
    m_oPic = oPic;
    if (m_oPic)
        m_oPic->installEventFilter(this);
    m_oNormal = oNormal;
    m_oHover = oHover;
    m_oDown = (oDown && !oDown->Picture().isNull()) ? oDown : nullptr;
    Show(m_oNormal);
    m_bFocus = bFocus;
}

void clsImageSwapper::Show(ImageControl* image)
{
    if (m_oPic)
        m_oPic->SetPicture(image ? image->Picture() : QPixmap());
}

void clsImageSwapper::PointerMovedOutside()
{
    ReleaseCapture();
    Show(m_oNormal);
}

void clsImageSwapper::PointerMovedInside(bool leftButtonDown)
{
    if (GetCapture() == m_oPic)
        return;
    SetCapture(m_oPic);
    Show(leftButtonDown && m_oDown ? m_oDown.data() : m_oHover.data());
    if (m_bFocus && m_oPic)
        m_oPic->setFocus(Qt::MouseFocusReason);
}

bool clsImageSwapper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_oPic)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        Show(m_oHover);
        break;
    case QEvent::FocusOut:
        Show(m_oNormal);
        break;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
            ReleaseCapture();
            Show(m_oDown ? m_oDown.data() : m_oHover.data());
            m_oPic->repaint();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPointF p = e->position();
        const bool outside = p.x() > m_oPic->width() || p.y() > m_oPic->height() || std::lround(p.x()) < 0 ||
                             std::lround(p.y()) < 0;
        if (outside)
            PointerMovedOutside();
        else
            PointerMovedInside(e->buttons() & Qt::LeftButton);
        break;
    }
    case QEvent::Leave:
        PointerMovedOutside();
        break;
    default:
        break;
    }
    return false;
}
