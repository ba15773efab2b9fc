#pragma once
// A help text popup: a small frameless window at a point of the screen, in the
// colours and font it was asked for, that closes on any click or key.

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QMargins>
#include <QString>

class QLabel;

class HelpPopup : public QFrame {
    Q_OBJECT
public:
    // colours: red in the low byte; margins below 0 take the default.
    HelpPopup(QWidget* owner, const QString& text, const QFont& font, QColor text_colour, QColor back_colour,
              const QMargins& margins);
    // Parses a font text "face, size, charset, styles" (styles: "Bold", "Italic",
    // "Underline", blank-separated); missing parts keep the application's.
    static QFont FontFromText(const QString& fontText);
    // A colour value with red in the low byte.
    static QColor ColorFromValue(int32_t value);
    QLabel* Label() const { return m_label; }
    // The popup currently open, if any.
    static HelpPopup* Current();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QLabel* m_label;
};
