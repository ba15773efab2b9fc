// Draws the program's bitmaps (logon skin, splash, logo, toolbar images, sort
// arrows, icons) into assets/images. The PNG files are kept in the repository;
// run this again after changing a drawing:  quillon-make-assets <repo>/assets/images
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kTransparent(255, 0, 255);  // the skin's corner colour, cut away by the window region
const QColor kInk(0x1f, 0x3a, 0x5f);     // deep blue of the brand
const QColor kAccent(0xe0, 0x8a, 0x1e);  // amber
const QColor kPaper(0xfb, 0xfc, 0xfe);

QString g_dir;

void save(const QImage& img, const char* name)
{
    const QString path = g_dir + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QImage canvas(int w, int h, const QColor& fill)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

QFont font(int px, bool bold = true, bool italic = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// A stylised quill: the feather as two curves, the nib as a line.
void drawQuill(QPainter& p, QRectF r, const QColor& c)
{
    QPainterPath feather;
    feather.moveTo(r.left(), r.bottom());
    feather.cubicTo(r.left() + r.width() * 0.15, r.top() + r.height() * 0.45, r.left() + r.width() * 0.55,
                    r.top() + r.height() * 0.05, r.right(), r.top());
    feather.cubicTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.35, r.left() + r.width() * 0.45,
                    r.top() + r.height() * 0.8, r.left(), r.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(feather);
    p.setPen(QPen(c.darker(140), std::max(1.0, r.width() / 30.0)));
    p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.left() + r.width() * 0.62, r.top() + r.height() * 0.3));
}

void drawLoginBackground()
{
    QImage img = canvas(329, 236, kTransparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);  // hard edges: the region follows exact pixels
    QPainterPath card;
    card.addRoundedRect(QRectF(0, 0, 329, 236), 16, 16);
    p.setClipPath(card);
    p.fillRect(img.rect(), kPaper);
    // Header band with the word mark.
    QLinearGradient band(0, 0, 329, 40);
    band.setColorAt(0, kInk);
    band.setColorAt(1, kInk.lighter(150));
    p.fillRect(QRect(0, 0, 329, 40), band);
    p.fillRect(QRect(0, 40, 329, 3), kAccent);
    // Side panel behind the labels.
    QLinearGradient side(0, 43, 0, 236);
    side.setColorAt(0, QColor(0xe8, 0xee, 0xf6));
    side.setColorAt(1, QColor(0xd3, 0xdd, 0xec));
    p.fillRect(QRect(0, 43, 62, 193), side);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawQuill(p, QRectF(14, 150, 34, 60), kInk.lighter(130));
    p.setPen(Qt::white);
    p.setFont(font(20, true, true));
    p.drawText(QRect(14, 6, 200, 30), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quillon"));
    p.setFont(font(9, false));
    p.setPen(QColor(0xc8, 0xd6, 0xea));
    p.drawText(QRect(110, 14, 150, 20), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Pelmora views"));
    // Frames for the edit fields (the text boxes sit inside them).
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x9a, 0xab, 0xc4));
    p.setBrush(Qt::white);
    for (int y : {76, 107})
        p.drawRect(QRect(141, y, 171, 16));
    p.drawRect(QRect(139, 136, 152, 22));
    p.setPen(QColor(0xd3, 0xdd, 0xec));
    p.drawLine(70, 196, 320, 196);
    p.end();
    // Keep the corners exactly the transparent colour.
    save(img, "LOGIN_BG");
}

void drawButton(const char* name, const QString& text, int w, int h, const QColor& top, const QColor& bottom,
                const QColor& textColour, int shift, const QColor& back)
{
    QImage img = canvas(w, h, back);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(130), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, w - 3, h - 3), 6, 6);
    p.setPen(textColour);
    p.setFont(font(12));
    p.drawText(QRect(shift, shift, w, h), Qt::AlignCenter, text);
    p.end();
    save(img, name);
}

void drawLoginButtons()
{
    const QColor back = kPaper;
    drawButton("LOGIN_OK_INIT", QStringLiteral("OK"), 89, 31, kInk.lighter(140), kInk, Qt::white, 0, back);
    drawButton("LOGIN_OK_OVER", QStringLiteral("OK"), 89, 31, kAccent.lighter(120), kAccent.darker(115), Qt::white, 0, back);
    drawButton("LOGIN_OK_DOWN", QStringLiteral("OK"), 89, 31, kInk.darker(130), kInk.darker(110), QColor(0xdd, 0xe6, 0xf3), 1, back);
    const QColor grey1(0xf1, 0xf3, 0xf6), grey2(0xc9, 0xd0, 0xda);
    drawButton("LOGIN_CANCEL_INIT", QStringLiteral("Close"), 89, 31, grey1, grey2, kInk, 0, back);
    drawButton("LOGIN_CANCEL_OVER", QStringLiteral("Close"), 89, 31, kAccent.lighter(150), kAccent, kInk.darker(150), 0, back);
    drawButton("LOGIN_CANCEL_DOWN", QStringLiteral("Close"), 89, 31, grey2.darker(115), grey2, kInk.darker(150), 1, back);
    drawButton("BTN-OK-NORMAL", QStringLiteral("OK"), 76, 24, kInk.lighter(140), kInk, Qt::white, 0, Qt::white);
    drawButton("BTN-OK-HOVER", QStringLiteral("OK"), 76, 24, kAccent.lighter(120), kAccent.darker(115), Qt::white, 0, Qt::white);
}

void drawSplash()
{
    QImage img = canvas(635, 425, Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient band(0, 0, 635, 200);
    band.setColorAt(0, kInk);
    band.setColorAt(1, kInk.lighter(160));
    p.fillRect(QRect(0, 0, 635, 215), band);
    p.fillRect(QRect(0, 215, 635, 5), kAccent);
    drawQuill(p, QRectF(470, 30, 110, 160), QColor(255, 255, 255, 60));
    p.setPen(Qt::white);
    p.setFont(font(58, true, true));
    p.drawText(QRect(30, 40, 420, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillon"));
    p.setFont(font(15, false));
    p.setPen(QColor(0xd6, 0xe2, 0xf2));
    p.drawText(QRect(34, 125, 420, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Views of your Pelmora company"));
    p.setPen(QColor(0x9a, 0xab, 0xc4));
    p.setFont(font(10, false));
    p.drawText(QRect(25, 395, 400, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Harbrook Inc."));
    p.setPen(QColor(0xe3, 0xe8, 0xef));
    p.drawLine(25, 385, 610, 385);
    p.end();
    save(img, "SPLASH_BG");
}

void drawLogo()
{
    QImage img = canvas(384, 126, Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawQuill(p, QRectF(18, 14, 62, 98), kInk.lighter(120));
    p.setPen(kInk);
    p.setFont(font(54, true, true));
    p.drawText(QRect(92, 10, 290, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillon"));
    p.setPen(kAccent);
    p.setFont(font(14, false));
    p.drawText(QRect(96, 84, 290, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("for Pelmora"));
    p.end();
    save(img, "LOGO");
}

void icon(const char* name, const std::function<void(QPainter&)>& draw)
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw(p);
    p.end();
    save(img, name);
}

void page(QPainter& p, const QColor& c = Qt::white)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(c);
    p.drawRect(QRectF(2.5, 1.5, 10, 13));
}

void drawToolbar()
{
    icon("NEW", [](QPainter& p) {
        page(p);
        p.setPen(QPen(QColor(0x2e, 0x9d, 0x4a), 2));
        p.drawLine(QPointF(11, 8), QPointF(11, 15));
        p.drawLine(QPointF(7.5, 11.5), QPointF(14.5, 11.5));
    });
    icon("ALL_VIEWS", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                p.setBrush(r == c ? kInk.lighter(170) : QColor(Qt::white));
                p.drawRect(QRectF(1.5 + c * 7, 1.5 + r * 7, 6, 6));
            }
    });
    icon("MY_VIEWS", [](QPainter& p) {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 5;
            const double rad = (i % 2) ? 3.0 : 7.0;
            const QPointF pt(8 + rad * std::cos(a), 8.5 + rad * std::sin(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.setPen(QPen(kAccent.darker(130), 1));
        p.setBrush(kAccent);
        p.drawPath(star);
    });
    icon("EXPORT", [](QPainter& p) {
        p.setPen(QPen(QColor(0x1d, 0x6f, 0x42), 1));
        p.setBrush(QColor(0xd9, 0xf0, 0xe2));
        p.drawRect(QRectF(1.5, 1.5, 9, 12));
        p.drawLine(QPointF(1.5, 5.5), QPointF(10.5, 5.5));
        p.drawLine(QPointF(1.5, 9.5), QPointF(10.5, 9.5));
        p.setPen(QPen(kAccent.darker(120), 2));
        p.drawLine(QPointF(8, 11), QPointF(14, 11));
        p.drawLine(QPointF(11.5, 8), QPointF(14.5, 11));
        p.drawLine(QPointF(11.5, 14), QPointF(14.5, 11));
    });
    icon("CUSTOMIZE", [](QPainter& p) {
        page(p);
        p.setPen(QPen(kAccent.darker(120), 2.5));
        p.drawLine(QPointF(5, 13), QPointF(14, 4));
        p.setPen(QPen(kInk, 1));
        p.drawLine(QPointF(4, 14), QPointF(5.5, 12.5));
    });
    icon("REFRESH", [](QPainter& p) {
        p.setPen(QPen(QColor(0x2e, 0x7d, 0xc4), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(14.5, 1.5);
        head.lineTo(14.5, 7);
        head.lineTo(9, 6);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x7d, 0xc4));
        p.drawPath(head);
    });
    icon("OPEN", [](QPainter& p) {
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x10), 1));
        p.setBrush(QColor(0xf4, 0xc8, 0x5a));
        QPainterPath f;
        f.moveTo(1.5, 3.5);
        f.lineTo(6, 3.5);
        f.lineTo(7.5, 5);
        f.lineTo(14.5, 5);
        f.lineTo(14.5, 13.5);
        f.lineTo(1.5, 13.5);
        f.closeSubpath();
        p.drawPath(f);
    });
    icon("ADD_VIEW", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 10, 10));
        for (int y : {4, 7, 10})
            p.drawLine(QPointF(3.5, y + 0.5), QPointF(9.5, y + 0.5));
        p.setPen(QPen(QColor(0x2e, 0x9d, 0x4a), 2));
        p.drawLine(QPointF(12, 8), QPointF(12, 15));
        p.drawLine(QPointF(8.5, 11.5), QPointF(15.5, 11.5));
    });
    icon("DELETE", [](QPainter& p) {
        p.setPen(QPen(QColor(0xc6, 0x28, 0x28), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
    icon("CLOSE", [](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0xe8, 0xee, 0xf6));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(kInk, 1.8));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
    });
}

// The header images of sorted lists: a triangle pointing up (ascending) or down.
void drawSortArrows()
{
    for (const bool up : {true, false}) {
        icon(up ? "SORT_ASC" : "SORT_DESC", [up](QPainter& p) {
            QPainterPath t;
            const double tip = up ? 4.5 : 11.5;
            const double base = up ? 11.5 : 4.5;
            t.moveTo(8, tip);
            t.lineTo(12.5, base);
            t.lineTo(3.5, base);
            t.closeSubpath();
            p.setPen(QPen(kInk, 1));
            p.setBrush(kInk.lighter(150));
            p.drawPath(t);
        });
    }
}

void drawProgramIcons()
{
    for (int size : {16, 32, 48, 256}) {
        QImage img(size, size, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        const double s = size / 32.0;
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRoundedRect(QRectF(1 * s, 1 * s, 30 * s, 30 * s), 6 * s, 6 * s);
        drawQuill(p, QRectF(8 * s, 5 * s, 17 * s, 22 * s), kAccent);
        p.end();
        save(img, qPrintable(QStringLiteral("quillon-%1").arg(size)));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("assets/images");
    QDir().mkpath(g_dir);
    drawLoginBackground();
    drawLoginButtons();
    drawSplash();
    drawLogo();
    drawToolbar();
    drawSortArrows();
    drawProgramIcons();
    return 0;
}
