#include "platform/help/HelpPopup.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {
QPointer<HelpPopup> g_current;
}

HelpPopup::HelpPopup(QWidget* owner, const QString& text, const QFont& font, QColor textColour, QColor backColour,
                     const QMargins& margins)
    : QFrame(owner ? owner->window() : nullptr, Qt::Popup | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpPopup"));
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, backColour);
    palette.setColor(QPalette::WindowText, textColour);
    setPalette(palette);
    setAutoFillBackground(true);

    m_label = new QLabel(text, this);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setFont(font);
    m_label->setPalette(palette);
    // Long texts wrap at a width a reader can follow.
    m_label->setMaximumWidth(m_label->fontMetrics().averageCharWidth() * 60);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins.left() < 0 ? 8 : margins.left(), margins.top() < 0 ? 6 : margins.top(),
                               margins.right() < 0 ? 8 : margins.right(), margins.bottom() < 0 ? 6 : margins.bottom());
    layout->addWidget(m_label);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (g_current)
        g_current->close();
    g_current = this;
}

HelpPopup* HelpPopup::Current() { return g_current; }

QFont HelpPopup::FontFromText(const QString& fontText)
{
    QFont font = QApplication::font();
    const QStringList parts = fontText.split(QLatin1Char(','));
    if (!parts.value(0).trimmed().isEmpty())
        font.setFamily(parts.value(0).trimmed());
    bool ok = false;
    const double size = parts.value(1).trimmed().toDouble(&ok);
    if (ok && size > 0)
        font.setPointSizeF(size);
    const QString styles = parts.mid(3).join(QLatin1Char(','));
    font.setBold(styles.contains(QLatin1String("Bold"), Qt::CaseInsensitive));
    font.setItalic(styles.contains(QLatin1String("Italic"), Qt::CaseInsensitive));
    font.setUnderline(styles.contains(QLatin1String("Underline"), Qt::CaseInsensitive));
    return font;
}

QColor HelpPopup::ColorFromValue(int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

void HelpPopup::mousePressEvent(QMouseEvent*) { close(); }

void HelpPopup::keyPressEvent(QKeyEvent*) { close(); }
