#include "logon/frmLogonNew.h"

#include "base/AppError.h"
#include "core/CoEnvironmentSettings.h"
#include "core/CoQuillonSystemEngine.h"
#include "base/ProgramDefinition.h"
#include "core/SessionValues.h"
#include "platform/forms/Resources.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QToolButton>
#include <cmath>

namespace {

const QString kErpName = QStringLiteral("Pelmora");
const QString kCrLf = QStringLiteral("\r\n");
const QString kAttentionRequired = QStringLiteral("Attention Required");

// The window's client area at design.
constexpr int kDesignWidthTwips = 4995;
constexpr int kDesignHeightTwips = 3585;

const QColor kPaper(0xfb, 0xfc, 0xfe);
const QColor kInk(0x1f, 0x3a, 0x5f);

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

// Runs one step of the window's preparation; a step that fails stops where it failed.
template <class F>
void IgnoringErrors(F&& f)
{
    try {
        f();
    } catch (const AppError&) {
    } catch (const std::exception&) {
    }
}

// Masks the password with "*".
class PasswordStar : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* PasswordStarStyle()
{
    static QPointer<PasswordStar> style;
    if (!style) {
        style = new PasswordStar;
        style->setParent(qApp);
    }
    return style;
}

QFont WindowFont(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

}  // namespace

// ---------------------------------------------------------------- the instance

frmLogonNew* frmLogonNew::Instance()
{
    static QPointer<frmLogonNew> window;
    if (!window) {
        window = new frmLogonNew;
        KeepAfterUnload(window);
    }
    return window;
}

void RegisterLogonWindow()
{
    SetLogonWindowProvider([]() -> LogonWindowHost* { return frmLogonNew::Instance(); });
}

frmLogonNew::frmLogonNew() : Form(QStringLiteral("frmLogonNew"))
{
    // Borderless, yet a window of its own with a taskbar button.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    CreateControls();
    SetDesignValues();
}

frmLogonNew::~frmLogonNew() = default;

void frmLogonNew::CreateControls()
{
    setFont(WindowFont(11));
    setStyleSheet(QStringLiteral(
        "QLabel { color: #1f3a5f; background: transparent; }"
        "QLabel#Label1, QLabel#Label2 { color: #5b6b82; }"
        "QLineEdit { border: none; background: white; color: #10233d; padding: 0px; margin: 0px;"
        "  selection-background-color: #2c5285; selection-color: white; }"
        "QFrame#Frame1 { background: white; border: none; }"
        "QToolButton { border: none; background: transparent; }"
        "QToolButton:hover { background: rgba(255, 255, 255, 40); border-radius: 3px; }"));

    auto label = [this](const char* name, const QString& caption, const QRect& r, Qt::Alignment align) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(r);
        l->setAlignment(align);
        return l;
    };
    auto edit = [](QWidget* parent, const char* name, const QRect& r) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(r);
        e->setFrame(false);
        e->setTextMargins(0, 0, 0, 0);
        return e;
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;

    LbUserName = label("LbUserName", QStringLiteral("&User ID:"), Twips(1230, 1200, 765, 255), right);
    txtUserName = edit(this, "txtUserName", Twips(2145, 1170, 2520, 195));
    LblPassword = label("LblPassword", QStringLiteral("&Password:"), Twips(990, 1650, 1005, 255), right);
    txtPassword = edit(this, "txtPassword", Twips(2145, 1635, 2520, 195));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyle(PasswordStarStyle());
    const QString profileTip = QStringLiteral("Enter the database server name that you wish to connect to.");
    LblProfile = label("LblProfile", QStringLiteral("Pr&ofile:"), Twips(990, 2115, 1005, 255), right);
    LblProfile->setToolTip(profileTip);

    // The list lies under the frame and the drop selector: only its list is seen.
    cbxProfiles = new ComboBox(this);
    cbxProfiles->setObjectName(QStringLiteral("cbxProfiles"));
    cbxProfiles->setGeometry(Twips(2100, 2040, 2160, 315));
    cbxProfiles->setToolTip(profileTip);
    cbxProfiles->setFocusPolicy(Qt::ClickFocus);
    cbxProfiles->setMaxVisibleItems(8);
    // The list is at least as wide as the box the user sees: the frame and the drop selector.
    cbxProfiles->view()->setMinimumWidth(TwipsToPixelsX(kProfileBoxWidthTwips));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips(2100, 2055, 1890, 300));
    Frame1->setFrameShape(QFrame::NoFrame);
    Frame1->setAutoFillBackground(true);
    txtProfile = edit(Frame1, "txtProfile", Twips(45, 45, 1755, 195));
    txtProfile->setReadOnly(true);

    picDropSelector = new PictureBox(this);
    picDropSelector->setObjectName(QStringLiteral("picDropSelector"));
    picDropSelector->setGeometry(Twips(3990, 2025, 375, 345));
    picDropSelector->setFocusPolicy(Qt::StrongFocus);
    picDropSelector->setCursor(Qt::PointingHandCursor);

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips(4395, 1995, 420, 435));
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setToolTip(QStringLiteral("Edit Logon Profiles"));

    cmdEditProfiles = new QToolButton(this);
    cmdEditProfiles->setObjectName(QStringLiteral("cmdEditProfiles"));
    cmdEditProfiles->setGeometry(Twips(4215, 225, 315, 315));
    cmdEditProfiles->setToolTip(QStringLiteral("Edit Logon Profiles"));
    cmdEditProfiles->setAutoRaise(true);

    picOk = new PictureBox(this);
    picOk->setObjectName(QStringLiteral("picOk"));
    picOk->setGeometry(Twips(2040, 2445, 1320, 450));
    picOk->setFocusPolicy(Qt::StrongFocus);
    picCancel = new PictureBox(this);
    picCancel->setObjectName(QStringLiteral("picCancel"));
    picCancel->setGeometry(Twips(3510, 2445, 1290, 450));
    picCancel->setFocusPolicy(Qt::StrongFocus);
    // The picture buttons carry no text of their own: the words their pictures show,
    // for screen readers.
    picOk->setAccessibleName(QStringLiteral("OK"));
    picCancel->setAccessibleName(QStringLiteral("Close"));

    fraImages = new QFrame(this);
    fraImages->setObjectName(QStringLiteral("fraImages"));
    fraImages->setGeometry(Twips(120, 45, 1455, 375));
    fraImages->hide();
    InitOK = new ImageControl(fraImages);
    OverOK = new ImageControl(fraImages);
    DownOK = new ImageControl(fraImages);
    InitCancel = new ImageControl(fraImages);
    OverCancel = new ImageControl(fraImages);
    DownCancel = new ImageControl(fraImages);

    // The status runs across the foot of the window, under the buttons.
    const QRect status = Twips(1635, 3015, 2170, 390);
    LblStatus = label("LblStatus", QString(), QRect(status.left(), status.top(), TwipsToPixelsX(4800) - status.left(),
                                                     status.height()),
                      Qt::AlignLeft | Qt::AlignTop);
    LblStatus->setWordWrap(true);
    LblStatus->setFont(WindowFont(10));

    Label1 = label("Label1", QStringLiteral("Version:"), Twips(2730, 720, 765, 255), Qt::AlignLeft | Qt::AlignVCenter);
    Label2 = label("Label2",
                   QStringLiteral("%1.%2").arg(Program().major).arg(Program().minor),
                   Twips(3645, 720, 615, 255), Qt::AlignLeft | Qt::AlignVCenter);

    lnRightwhite = new QFrame(this);
    lnRightwhite->setObjectName(QStringLiteral("lnRightwhite"));
    lnRightwhite->setFrameShape(QFrame::NoFrame);
    lnRightwhite->setAutoFillBackground(true);
    QPalette white = lnRightwhite->palette();
    white.setColor(QPalette::Window, Qt::white);
    lnRightwhite->setPalette(white);

    LbUserName->setBuddy(txtUserName);
    LblPassword->setBuddy(txtPassword);
    LblProfile->setBuddy(txtProfile);

    setTabOrder(txtUserName, txtPassword);
    setTabOrder(txtPassword, txtProfile);
    setTabOrder(txtProfile, picDropSelector);
    setTabOrder(picDropSelector, Picture1);
    setTabOrder(Picture1, picOk);
    setTabOrder(picOk, picCancel);

    connect(picOk, &PictureBox::Click, this, [this] { picOk_Click(); });
    connect(picCancel, &PictureBox::Click, this,
            [this] { RunEventHandler(kObjectName, "picCancel_Click", [this] { picCancel_Click(); }); });
    connect(picDropSelector, &PictureBox::Click, this,
            [this] { RunEventHandler(kObjectName, "picDropSelector_Click", [this] { picDropSelector_Click(); }); });
    connect(Picture1, &PictureBox::Click, this,
            [this] { RunEventHandler(kObjectName, "Picture1_Click", [this] { Picture1_Click(); }); });
    connect(cmdEditProfiles, &QToolButton::clicked, this,
            [this] { RunEventHandler(kObjectName, "cmdEditProfiles_Click", [this] { cmdEditProfiles_Click(); }); });
    connect(cbxProfiles, &ComboBox::Click, this,
            [this] { RunEventHandler(kObjectName, "cbxProfiles_Click", [this] { cbxProfiles_Click(); }); });

    for (QWidget* control : std::initializer_list<QWidget*>{txtUserName, txtPassword, txtProfile, cbxProfiles,
                                                            picDropSelector, Picture1, cmdEditProfiles, picOk,
                                                            picCancel})
        WatchKeys(control);
}

void frmLogonNew::WatchKeys(QWidget* control)
{
    // Installed again, it comes first: the window sees a key before the control's own filters.
    control->removeEventFilter(this);
    control->installEventFilter(this);
}

// Each showing starts from the controls as designed.
void frmLogonNew::SetDesignValues()
{
    setFixedSize(TwipsToPixelsX(kDesignWidthTwips), TwipsToPixelsY(kDesignHeightTwips));
    SetCaption(QStringLiteral("Login"));
    txtUserName->clear();
    txtPassword->clear();
    txtProfile->clear();
    txtProfile->setToolTip(QString());
    cbxProfiles->Clear();
    cbxProfiles->setEnabled(true);
    LblStatus->clear();
    LblStatus->setFont(WindowFont(10));
    picOk->setGeometry(Twips(2040, 2445, 1320, 450));
    picCancel->setGeometry(Twips(3510, 2445, 1290, 450));
    m_bDragging = false;
}

// ---------------------------------------------------------------- preparation

void frmLogonNew::Init(const QString& strCaption)
{
    int16_t application = 0;
    Init(strCaption, application);
}

void frmLogonNew::Init(const QString& strCaption, int16_t& iApplication)
{
    IgnoringErrors([&] {
        SetCaption(strCaption);
        m_bRelogin = false;
    });
    IgnoringErrors([&] {
        m_settings.NewSettings();
        m_iApplication = iApplication;
    });
    IgnoringErrors([&] { LoadImages(); });
    IgnoringErrors([&] { InitObjects(); });
    IgnoringErrors([&] { InitSettings(); });
}

void frmLogonNew::LoadImages()
{
    Traced(kObjectName, "LoadImages", [&] {
        m_picture = LoadResPicture(QStringLiteral("LOGIN_BG"));
        InitCancel->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_INIT")));
        DownCancel->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_DOWN")));
        OverCancel->SetPicture(LoadResPicture(QStringLiteral("LOGIN_CANCEL_OVER")));
        InitOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_OK_INIT")));
        DownOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_OK_DOWN")));
        OverOK->SetPicture(LoadResPicture(QStringLiteral("LOGIN_OK_OVER")));
        // The picture buttons show their whole pictures.
        for (auto [box, image] : {std::pair{picOk, InitOK}, std::pair{picCancel, InitCancel}})
            box->resize(box->size().expandedTo(image->Picture().size()));

        m_region = std::make_unique<Region>();
        int32_t transparent = Region::kCornerColour;
        m_region->ScanPicture(m_picture, transparent);
        m_region->ApplyRgn(this);

        // The drop selector: the skin under it with an arrow.
        QPixmap arrow = m_picture.copy(picDropSelector->geometry());
        {
            QPainter p(&arrow);
            p.setRenderHint(QPainter::Antialiasing, true);
            const QRectF r = arrow.rect();
            p.setPen(QColor(0xd3, 0xdd, 0xec));
            p.drawLine(QPointF(0.5, 4), QPointF(0.5, r.height() - 4));
            QPainterPath triangle;
            const QPointF c(r.width() / 2.0 + 0.5, r.height() / 2.0 + 1);
            triangle.moveTo(c.x() - 4.5, c.y() - 2.5);
            triangle.lineTo(c.x() + 4.5, c.y() - 2.5);
            triangle.lineTo(c.x(), c.y() + 2.5);
            triangle.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawPath(triangle);
        }
        picDropSelector->SetPicture(arrow);
        const QPixmap editIcon = LoadResPicture(QStringLiteral("CUSTOMIZE"));
        Picture1->SetPicture(editIcon);
        cmdEditProfiles->setIcon(QIcon(editIcon));
        cmdEditProfiles->setIconSize(editIcon.size());
        setWindowIcon(QIcon(LoadResPicture(QStringLiteral("quillon-32"))));
        update();
    });
}

void frmLogonNew::InitObjects()
{
    Traced(kObjectName, "InitObjects", [&] {
        m_oOkSwapper = std::make_unique<clsImageSwapper>();
        m_oOkSwapper->Init(picOk, InitOK, OverOK, DownOK, false);
        m_oCancelSwapper = std::make_unique<clsImageSwapper>();
        m_oCancelSwapper->Init(picCancel, InitCancel, OverCancel, DownCancel, false);
        m_oProfileTypeAhead = std::make_unique<ComboBoxHelper>();
        m_oProfileTypeAhead->SetClient(cbxProfiles);
        m_oProfileTypeAhead->SetAllowTypeOnNoMatch(false);
        WatchKeys(cbxProfiles);
        m_settings.ResetProfiles();
    });
}

void frmLogonNew::InitSettings()
{
    Traced(kObjectName, "InitSettings", [&] {
        cbxProfiles->Clear();
        SetStatus(QString());
        try {
            m_settings.InitSettings();
        } catch (const AppError&) {
            // Stored settings that cannot be read must not lock the user out: the box
            // still offers what was read and the create entry.
        }
        LoadProfileCombo();
    });
}

void frmLogonNew::SetStatus(const QString& text)
{
    LblStatus->setText(text);
    m_settings.SetStatusText(text);
}

// ---------------------------------------------------------------- layout and activation

void frmLogonNew::Form_Load() { SetDesignValues(); }

bool frmLogonNew::Form_Unload()
{
    txtPassword->clear();
    m_oOkSwapper.reset();
    m_oCancelSwapper.reset();
    m_oProfileTypeAhead.reset();
    m_bDragging = false;
    return false;
}

void frmLogonNew::Form_Activate()
{
    const bool profileChosen = !m_settings.CurrentProfile().isEmpty();
    DisplayUIADVMode(!profileChosen);
    // The first box the user still has to fill: a new user types the user id first,
    // not into the password box.
    if (TrimBlanks(txtUserName->text()).isEmpty())
        txtUserName->setFocus(Qt::OtherFocusReason);
    else if (profileChosen)
        txtPassword->setFocus(Qt::OtherFocusReason);
    else
        cbxProfiles->setFocus(Qt::OtherFocusReason);
}

void frmLogonNew::DisplayUIADVMode(bool bAdvanced)
{
    Traced(kObjectName, "DisplayUIADVMode", [&] {
        cbxProfiles->setEnabled(true);
        RefreshFormLayout();
        if (!bAdvanced)
            setFixedHeight(TwipsToPixelsY(kShowingHeightTwips));
        update();
        SetStatus(QString());
    });
}

void frmLogonNew::RefreshFormLayout()
{
    Traced(kObjectName, "RefreshFormLayout", [&] { RefreshFormHeight(); });
}

void frmLogonNew::RefreshFormHeight()
{
    Traced(kObjectName, "RefreshFormHeight", [&] { update(); });
}

void frmLogonNew::showEvent(QShowEvent* e)
{
    Form::showEvent(e);
    if (!e->spontaneous())
        RunEventHandler(kObjectName, "Form_Activate", [this] { Form_Activate(); });
}

void frmLogonNew::changeEvent(QEvent* e)
{
    Form::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    // Message boxes come and go without making this an activation; another window
    // of the program (the profile manager) does.
    if (isActiveWindow()) {
        if (m_leftForAnotherForm) {
            m_leftForAnotherForm = false;
            RunEventHandler(kObjectName, "Form_Activate", [this] { Form_Activate(); });
        }
    } else if (auto* other = qobject_cast<Form*>(QApplication::activeWindow()); other && other != this) {
        m_leftForAnotherForm = true;
    }
}

void frmLogonNew::resizeEvent(QResizeEvent* e)
{
    Form::resizeEvent(e);
    RunEventHandler(kObjectName, "Form_Resize", [this] {
        const int onePixel = 1;
        lnRightwhite->setGeometry(width() - 1, onePixel, 1, std::max(0, height() - onePixel));
    });
}

void frmLogonNew::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kPaper);
    if (!m_picture.isNull())
        p.drawPixmap(0, 0, m_picture);
}

// ---------------------------------------------------------------- keys

bool frmLogonNew::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* e = static_cast<QKeyEvent*>(event);
    const int keyCode = VbKeyCode(e->key());
    const int shift = VbShiftState(e->modifiers());
    bool used = false;
    RunEventHandler(kObjectName, "Form_KeyDown", [&] { used = Form_KeyDown(keyCode, shift); });
    if (used)
        return true;
    if (watched == txtProfile && (keyCode == vbkey::Up || keyCode == vbkey::Down)) {
        txtProfile_KeyDown(keyCode, shift);
        return true;
    }
    return false;
}

void frmLogonNew::keyPressEvent(QKeyEvent* e)
{
    // Keys of the controls came through eventFilter; here only those of the window itself.
    if (focusWidget() && focusWidget() != this) {
        Form::keyPressEvent(e);
        return;
    }
    bool used = false;
    RunEventHandler(kObjectName, "Form_KeyDown",
                    [&] { used = Form_KeyDown(VbKeyCode(e->key()), VbShiftState(e->modifiers())); });
    if (!used)
        Form::keyPressEvent(e);
}

bool frmLogonNew::Form_KeyDown(int keyCode, int shift)
{
    if (keyCode == vbkey::Escape && shift == 0) {
        picCancel_Click();
        return true;
    }
    if (keyCode != vbkey::Return)
        return false;
    picOk_Click();
    // When the window went away the key has nobody left to go to.
    return !isVisible();
}

// ---------------------------------------------------------------- dragging

void frmLogonNew::mousePressEvent(QMouseEvent* e)
{
    RunEventHandler(kObjectName, "Form_MouseDown", [&] {
        m_bDragging = true;
        m_iDragX = int16_t(std::lround(e->position().x() * TwipsPerPixelX()));
        m_iDragY = int16_t(std::lround(e->position().y() * TwipsPerPixelY()));
    });
}

void frmLogonNew::DragTo(const QPointF& pointer)
{
    const long dx = std::lround(pointer.x() * TwipsPerPixelX()) - m_iDragX;
    const long dy = std::lround(pointer.y() * TwipsPerPixelY()) - m_iDragY;
    move(x() + int(std::lround(double(dx) / TwipsPerPixelX())), y() + int(std::lround(double(dy) / TwipsPerPixelY())));
}

void frmLogonNew::mouseMoveEvent(QMouseEvent* e)
{
    RunEventHandler(kObjectName, "Form_MouseMove", [&] {
        if (m_bDragging)
            DragTo(e->position());
    });
}

void frmLogonNew::mouseReleaseEvent(QMouseEvent* e)
{
    RunEventHandler(kObjectName, "Form_MouseUp", [&] {
        if (m_bDragging) {
            DragTo(e->position());
            m_bDragging = false;
            update();
        }
    });
}

// ---------------------------------------------------------------- OK and Cancel

bool frmLogonNew::CheckValidInformation()
{
    return Traced(kObjectName, "CheckValidInformation", [&] {
        if (cbxProfiles->Text().isEmpty()) {
            MsgBox(QStringLiteral("Please choose a logon profile before logging into ") + kErpName + QStringLiteral("."));
            return false;
        }
        if (TrimBlanks(txtUserName->text()).isEmpty()) {
            MsgBox(QStringLiteral("Please specify a User ID before logging into ") + kErpName + QStringLiteral("."));
            txtUserName->setFocus(Qt::OtherFocusReason);
            return false;
        }
        return true;
    });
}

void frmLogonNew::picOk_Click()
{
    try {
        SetScreenMousePointer(vbHourglass);
        bool close = false;
        if (CheckValidInformation()) {
            if (cbxProfiles->Text() == LogonSettings::kCreateNewProfile) {
                SetScreenMousePointer(vbDefault);
                ManageProfiles();
                return;
            }
            const bool succeeded = AttemptLogin();
            close = succeeded || m_settings.FailedAttempts() > 2;
        }
        SetScreenMousePointer(vbDefault);
        if (close) {
            Hide(this);
            CloseLogonForm(m_settings.FailedAttempts() > 2);
        }
    } catch (const AppError& e) {
        if (IsLoaded())
            show();
        SetScreenMousePointer(vbDefault);
        SetCurrentError(e);
        TraceProc(QString::fromLatin1(kObjectName), QStringLiteral("picOk_Click"));
        ShowErrorMessage();
    } catch (const std::exception&) {
        if (IsLoaded())
            show();
        SetScreenMousePointer(vbDefault);
        SetCurrentError(ToAppError(std::current_exception()));
        TraceProc(QString::fromLatin1(kObjectName), QStringLiteral("picOk_Click"));
        ShowErrorMessage();
    }
}

bool frmLogonNew::AttemptLogin()
{
    try {
        const clsLogonProfileRef profile =
            std::dynamic_pointer_cast<clsLogonProfile>(m_settings.Profiles()->ItemByKey(cbxProfiles->Text()));
        if (!profile)
            RaiseError(vberr::ObjectRequired);
        SetScreenMousePointer(vbHourglass);
        SetStatus(QStringLiteral("Connecting to Server..."));
        LblStatus->repaint();
        profile->CurrentUser = txtUserName->text();
        profile->CurrentUserPwd = txtPassword->text();
        profile->CurrentApplication = QString::number(m_iApplication);
        // The typed password lives in the profile only for the attempt.
        struct ForgetPassword {
            clsLogonProfile& p;
            ~ForgetPassword() { p.CurrentUserPwd.clear(); }
        } forget{*profile};
        if (LogOn(*profile, m_bRelogin)) {
            txtPassword->clear();
            m_settings.SaveRegSettings(cbxProfiles->Text(), txtUserName->text());
            SetScreenMousePointer(vbDefault);
            return true;
        }
        m_settings.SetFailedAttempts(int16_t(m_settings.FailedAttempts() + 1));
    } catch (const AppError& e) {
        if (e.description().contains(QStringLiteral("valid user"), Qt::CaseSensitive)) {
            m_settings.SetFailedAttempts(int16_t(m_settings.FailedAttempts() + 1));
        } else {
            SetStatus(QString());
            MsgBox(e.description(), vbExclamation | vbOKOnly, kAttentionRequired);
        }
        ClearCurrentError();
    }

    SetScreenMousePointer(vbDefault);
    // Outside re-logon mode a failure leaves no session behind.
    if (!m_bRelogin)
        CloseSystemEngine();
    const int16_t failures = m_settings.FailedAttempts();
    if (failures == 1) {
        SetStatus(QStringLiteral("Failed to login. Please verify information and try again."));
        txtPassword->clear();
    } else if (failures == 2) {
        SetStatus(QStringLiteral("Failed to login. Verify information and try again."));
        LblStatus->setFont(WindowFont(10, true));
        txtPassword->clear();
    } else if (failures > 2) {
        const QString twoBreaks = kCrLf + kCrLf;
        QString text;
        if (!m_bRelogin) {
            text = QStringLiteral("You have failed to login after three attempts.") + twoBreaks +
                   QStringLiteral("The problem could be with any of the required information.") + twoBreaks +
                   QStringLiteral("Please contact your system administrator for the proper information and try again.");
        } else {
            QString user, company, server;
            if (g_oSystemEngine) {
                CoEnvironmentSettings& env = g_oSystemEngine->EnvironmentSettings();
                user = env.AppUserName();
                company = env.Company();
                server = env.ServerName();
            }
            const QString indent(13, QLatin1Char(' '));
            const QString dash = QStringLiteral("\t-      ");
            text = QStringLiteral("You have failed to successfully change your login after three attempts.") +
                   twoBreaks + QStringLiteral("The problem could be with any of the required information.") +
                   twoBreaks +
                   QStringLiteral("Please contact your system administrator for the proper information and try again.") +
                   twoBreaks + QStringLiteral("You will remain logged in with the following information:") + kCrLf +
                   indent + QStringLiteral("User ID") + dash + user + kCrLf + indent + QStringLiteral("Company") +
                   dash + company + kCrLf + indent + QStringLiteral("Server  ") + dash + server;
        }
        MsgBox(text, vbExclamation | vbOKOnly, QStringLiteral("Login Failed"));
        return false;
    }
    // Retyping replaces the refused password instead of adding to it.
    txtPassword->setFocus(Qt::OtherFocusReason);
    txtPassword->selectAll();
    return false;
}

void frmLogonNew::picCancel_Click() { CloseLogonForm(true); }

void frmLogonNew::CloseLogonForm(bool bEnd)
{
    Unload(this);
    if (bEnd && !m_bRelogin)
        EndProgram();
}

void frmLogonNew::closeEvent(QCloseEvent* e)
{
    // Closed by the window system: as Cancel. Outside re-logon mode there is no
    // session to go back to, or the user asked to leave it.
    Form::closeEvent(e);
    if (!IsLoaded() && !m_bRelogin)
        EndProgram();
}
