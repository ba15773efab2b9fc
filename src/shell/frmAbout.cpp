#include "shell/frmAbout.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "base/ProgramDefinition.h"
#include "core/SessionValues.h"
#include "platform/forms/Resources.h"
#include "core/CoPlatformProvider.h"
#include "shell/clsImageSwapper.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <cmath>

namespace {
// A step of the load that may fail without stopping the others.
template <class F>
void IgnoringErrors(F&& f)
{
    try {
        f();
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {
    }
}

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}
}  // namespace

frmAbout::frmAbout(QWidget* owner) : Form(QStringLiteral("frmAbout"), owner), m_owner(owner)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // Not shown (no title bar); names the window to the window system.
    SetCaption(QStringLiteral("About ") + CoPlatformProvider().AppName());
    setFixedSize(TwipsToPixelsX(9600), TwipsToPixelsY(6885));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    m_picOk = new PictureBox(this);
    m_picOk->setObjectName(QStringLiteral("picOk"));
    m_picOk->setGeometry(Twips(8040, 6315, 1335, 425));
    m_picOk->setCursor(Qt::PointingHandCursor);

    m_fraImages = new QGroupBox(QStringLiteral("Images"), this);
    m_fraImages->setObjectName(QStringLiteral("fraImages"));
    m_fraImages->hide();
    m_InitOK = new ImageControl(m_fraImages);
    m_InitOK->setObjectName(QStringLiteral("InitOK"));
    m_OverOK = new ImageControl(m_fraImages);
    m_OverOK->setObjectName(QStringLiteral("OverOK"));
    m_DownOK = new ImageControl(m_fraImages);
    m_DownOK->setObjectName(QStringLiteral("DownOK"));

    m_cmdOKButton = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOKButton->setObjectName(QStringLiteral("cmdOKButton"));
    m_cmdOKButton->setGeometry(Twips(8085, 6360, 1140, 360));
    m_cmdOKButton->setFlat(true);
    m_cmdOKButton->hide();
    m_cmdOKButton->installEventFilter(this);

    m_lblUser = MakeLabel("lblUser", QStringLiteral("User:  "), 375, 3660, 6975, 255, 8.25);
    m_lblProduct = MakeLabel("lblProduct", QStringLiteral("Product:  "), 375, 4020, 6975, 255, 8.25);
    m_lblServer = MakeLabel("lblServer", QStringLiteral("Server:  "), 375, 4380, 6975, 255, 8.25);
    m_lblDatabase = MakeLabel("lblDatabase", QStringLiteral("Database:  "), 375, 4740, 6975, 255, 8.25);
    m_lblComments = MakeLabel("lblComments", QString(), 8835, 4275, 645, 240, 8.25);
    m_lblVersionNumber = MakeLabel("lblVersionNumber", QStringLiteral("[Version here]"), 5445, 1650, 1485, 240, 9.75);
    m_lblVersionNumber->show();

    connect(m_picOk, &PictureBox::Click, this, [this] {
        RunEventHandler("frmAbout", "picOk_Click", [this] { cmdOKButton_Click(); });
    });
    connect(m_cmdOKButton, &QPushButton::clicked, this, [this] {
        RunEventHandler("frmAbout", "cmdOKButton_Click", [this] { cmdOKButton_Click(); });
    });
}

frmAbout::~frmAbout() = default;

QLabel* frmAbout::MakeLabel(const char* name, const QString& text, int left, int top, int width, int height,
                            double points)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(Twips(left, top, width, height));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(true);
    label->setFont(font);
    // Presses on a label do not drag the window.
    label->installEventFilter(this);
    label->hide();
    return label;
}

void frmAbout::Form_Load()
{
    IgnoringErrors([&] { m_InitOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_INIT"))); });
    IgnoringErrors([&] { m_DownOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_DOWN"))); });
    IgnoringErrors([&] { m_OverOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_OVER"))); });
    IgnoringErrors([&] {
        m_imageSwapper = std::make_unique<clsImageSwapper>();
        m_imageSwapper->Init(m_picOk, m_InitOK, m_OverOK, m_DownOK, false);
        // The picture box fits its pictures.
        if (!m_InitOK->Picture().isNull())
            m_picOk->resize(m_InitOK->Picture().size() / m_InitOK->Picture().devicePixelRatio());
    });
    IgnoringErrors([&] { m_picture = LoadResPicture(QStringLiteral("SPLASH_BG")); });
    for (QLabel* label : {m_lblUser, m_lblProduct, m_lblComments, m_lblServer, m_lblDatabase})
        label->show();

    if (!g_oSystemEngine) {
        for (QLabel* label : {m_lblUser, m_lblProduct, m_lblComments, m_lblVersionNumber, m_lblServer, m_lblDatabase})
            label->hide();
    } else {
        FillSessionLines();
    }

    IgnoringErrors([&] {
        m_cmdOKButton->setText(QString());
        const QPixmap normal = LoadResPicture(QStringLiteral("BTN-OK-NORMAL"));
        m_cmdOKButton->setIcon(normal);
        m_cmdOKButton->setIconSize(normal.size());
    });
    m_bDragging = false;
}

void frmAbout::FillSessionLines()
{
    QString appName;
    IgnoringErrors([&] { appName = CoPlatformProvider().AppName(); });
    IgnoringErrors([&] { m_lblVersionNumber->setText(QString()); });
    IgnoringErrors([&] {
        CoEnvironmentSettings& settings = g_oSystemEngine->EnvironmentSettings();
        m_lblUser->setText(QStringLiteral("User:  ") + settings.AppFullUserName() + QStringLiteral(" (") +
                           settings.AppUserName() + QStringLiteral(")"));
    });
    IgnoringErrors([&] {
        m_lblProduct->setText(QStringLiteral("Product:  ") + appName + QStringLiteral(" (Version ") +
                              QString::number(Program().major) + QLatin1Char('.') + QString::number(Program().minor) +
                              QLatin1Char('.') + QString::number(Program().revision) + QLatin1Char(')'));
    });
    // The version information of the program carries no comments.
    IgnoringErrors([&] { m_lblComments->setText(QString()); });
    QString serverVersion;
    IgnoringErrors([&] {
        Variant v1, v2, v3;
        serverVersion = g_oSystemEngine->DBI().GetServerVersion(
            g_oSystemEngine->EnvironmentSettings().ServerName(), QStringLiteral("coreadonly"),
            QString::fromLatin1(kReadOnlyPassword), v1, v2, v3);
    });
    IgnoringErrors([&] {
        m_lblServer->setText(QStringLiteral("Server:  ") + g_oSystemEngine->EnvironmentSettings().ServerName() +
                             QStringLiteral(" (Version ") + serverVersion + QLatin1Char(')'));
    });
    IgnoringErrors([&] {
        const QString database = g_oSystemEngine->EnvironmentSettings().CompanyDatabase();
        const Variant version = GetRegValue(0, QStringLiteral("System"), QStringLiteral("Version"));
        m_lblDatabase->setText(QStringLiteral("Database:  ") + database + QStringLiteral(" (Version ") +
                               (version.isNull() ? QString() : version.toString()) + QLatin1Char(')'));
    });
}

void frmAbout::cmdOKButton_Click() { Unload(this); }

void frmAbout::paintEvent(QPaintEvent* e)
{
    Form::paintEvent(e);
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
    // The picture is a little narrower than the box: its last column fills the rest.
    const QSize picture = m_picture.deviceIndependentSize().toSize();
    if (picture.width() < width())
        p.drawPixmap(QRect(picture.width(), 0, width() - picture.width(), picture.height()), m_picture,
                     QRect(m_picture.width() - 1, 0, 1, m_picture.height()));
    // A hairline keeps the box apart from a white window behind it.
    p.setPen(QColor(0xB4, 0xBE, 0xCC));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmAbout::showEvent(QShowEvent* e)
{
    Form::showEvent(e);
    if (e->spontaneous())
        return;
    // Centred on its owner; without one, on the screen.
    QRect area;
    if (m_owner && m_owner->isVisible())
        area = m_owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

// ---------------------------------------------------------------- dragging

void frmAbout::mousePressEvent(QMouseEvent* e)
{
    m_bDragging = true;
    m_pressPoint = QPoint(static_cast<int>(std::nearbyint(e->position().x())),
                          static_cast<int>(std::nearbyint(e->position().y())));
    e->accept();
}

void frmAbout::DragTo(const QPointF& pos)
{
    const QPoint at(static_cast<int>(std::lround(pos.x())), static_cast<int>(std::lround(pos.y())));
    move(x() + (at.x() - m_pressPoint.x()), y() + (at.y() - m_pressPoint.y()));
}

void frmAbout::mouseMoveEvent(QMouseEvent* e)
{
    if (m_bDragging)
        DragTo(e->position());
    IgnoringErrors([&] { m_cmdOKButton->setIcon(LoadResPicture(QStringLiteral("BTN-OK-NORMAL"))); });
    e->accept();
}

void frmAbout::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_bDragging) {
        DragTo(e->position());
        m_bDragging = false;
    }
    e->accept();
}

void frmAbout::keyPressEvent(QKeyEvent* e)
{
    // The hidden OK button is the default and the cancel button.
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        m_cmdOKButton->click();
        e->accept();
        return;
    default:
        Form::keyPressEvent(e);
    }
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cmdOKButton) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
            IgnoringErrors([&] { m_cmdOKButton->setIcon(LoadResPicture(QStringLiteral("BTN-OK-HOVER"))); });
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return true;
    default:
        return false;
    }
}
