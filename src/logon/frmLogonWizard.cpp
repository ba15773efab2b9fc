#include "logon/frmLogonWizard.h"

#include "base/AppError.h"
#include "core/AuProperty.h"
#include "listhelpers/ComboBoxHelper.h"
#include "logon/HbLists.h"
#include "logon/frmLogonNew.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

const char* const kObjectName = "frmLogonWizard";
const QString kSeparator = QStringLiteral("[^]");

const QString kServerInfo = QStringLiteral(
    "Specify the HBServer and SQL Server names here.  In most cases the HBServer and the SQL Server are the same.  "
    "Hover over each field for more information.");
const QString kCompanyInfo = QStringLiteral("Choose the company you want to log into using this profile...");
const QString kBranchInfo = QStringLiteral("Choose the Branch you want to log into using this profile...");
const QString kNameInfo = QStringLiteral(
    "You must give each profile a unique name.  One has been suggested, but you may change it if you like.");

// The stored profile list separates fields with "[~]" and records with "[^]" and
// does not escape them: a value holding either would break the list apart.
bool HoldsListSeparator(const QString& text)
{
    return text.contains(QStringLiteral("[~]")) || text.contains(QStringLiteral("[^]"));
}

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

// The hourglass while the HBServer is asked; the normal pointer again afterwards.
class Hourglass {
public:
    Hourglass() { SetScreenMousePointer(vbHourglass); }
    ~Hourglass() { SetScreenMousePointer(vbDefault); }
};

QLabel* FieldLabel(const QString& caption, QWidget* parent, const QRect& place)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace

frmLogonWizard::frmLogonWizard() : Form(QStringLiteral("frmLogonWizard"))
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Edit Logon Profile"));
    CreateControls();
}

frmLogonWizard::~frmLogonWizard() = default;

void frmLogonWizard::CreateControls()
{
    setFixedSize(TwipsToPixelsX(6360), TwipsToPixelsY(3600));
    const QRect frameSize = Twips(0, 0, 6120, 1440);

    imgInfo = new QLabel(this);
    imgInfo->setObjectName(QStringLiteral("imgInfo"));
    imgInfo->setGeometry(Twips(120, 180, 480, 480));
    imgInfo->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(TwipsToPixelsX(480)));
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setGeometry(Twips(720, 120, 5520, 1080));
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto makeFrame = [&](const char* name) {
        auto* f = new QFrame(this);
        f->setObjectName(QLatin1String(name));
        f->resize(frameSize.size());
        f->setAutoFillBackground(true);
        return f;
    };

    // The SQL server comes first: the frame starts in it, and the HBServer box below
    // follows what is typed there.
    fServer = makeFrame("fServer");
    lblSQLServer = FieldLabel(QStringLiteral("&SQL server:"), fServer, Twips(0, 150, 1320, 300));
    txtSQLServer = new QLineEdit(fServer);
    txtSQLServer->setObjectName(QStringLiteral("txtSQLServer"));
    txtSQLServer->setGeometry(Twips(1440, 120, 4440, 360));
    txtSQLServer->setToolTip(QStringLiteral(
        "This needs to refer to your SQL Server.  If you need to specify an alternate sql server port, you can't do it "
        "here.  You must use the cliconfg utility from Microsoft to specify an alternate SQL Server port."));
    lblSQLServer->setBuddy(txtSQLServer);
    lblSQLServer->setToolTip(txtSQLServer->toolTip());
    lblHBServer = FieldLabel(QStringLiteral("&HBServer:"), fServer, Twips(0, 690, 1320, 300));
    txtHBServer = new QLineEdit(fServer);
    txtHBServer->setObjectName(QStringLiteral("txtHBServer"));
    txtHBServer->setGeometry(Twips(1440, 660, 4440, 360));
    txtHBServer->setToolTip(
        QStringLiteral("You can specify an alternate port to your HBServer using the server:port syntax."));
    lblHBServer->setBuddy(txtHBServer);
    lblHBServer->setToolTip(txtHBServer->toolTip());

    fCompany = makeFrame("fCompany");
    lblCompany = FieldLabel(QStringLiteral("Company:"), fCompany, Twips(0, 150, 1320, 300));
    cboCompany = new ComboBox(fCompany);
    cboCompany->setObjectName(QStringLiteral("cboCompany"));
    cboCompany->setGeometry(Twips(1440, 120, 4440, 360));
    cboCompany->setToolTip(QStringLiteral("Choose a company"));
    lblCompany->setToolTip(cboCompany->toolTip());

    fBranch = makeFrame("fBranch");
    lblBranch = FieldLabel(QStringLiteral("&Branch:"), fBranch, Twips(0, 150, 1320, 300));
    cboBranch = new ComboBox(fBranch);
    cboBranch->setObjectName(QStringLiteral("cboBranch"));
    cboBranch->setGeometry(Twips(1440, 120, 4440, 360));
    cboBranch->setToolTip(QStringLiteral("Choose a branch"));
    lblBranch->setBuddy(cboBranch);
    lblBranch->setToolTip(cboBranch->toolTip());
    chkShowOnlyLoggedInBranch = new QCheckBox(QStringLiteral("&Show data from this branch only"), fBranch);
    chkShowOnlyLoggedInBranch->setObjectName(QStringLiteral("chkShowOnlyLoggedInBranch"));
    chkShowOnlyLoggedInBranch->setGeometry(Twips(1440, 660, 4440, 360));

    fName = makeFrame("fName");
    lblProfileName = FieldLabel(QStringLiteral("&Profile name:"), fName, Twips(0, 150, 1320, 300));
    txtProfileName = new QLineEdit(fName);
    txtProfileName->setObjectName(QStringLiteral("txtProfileName"));
    txtProfileName->setGeometry(Twips(1440, 120, 4440, 360));
    txtProfileName->setToolTip(QStringLiteral("Profile names must be unique"));
    lblProfileName->setBuddy(txtProfileName);
    lblProfileName->setToolTip(txtProfileName->toolTip());

    cmdPrev = new QPushButton(QStringLiteral("<< Previous"), this);
    cmdPrev->setObjectName(QStringLiteral("cmdPrev"));
    cmdPrev->setGeometry(Twips(3000, 2940, 1500, 420));
    cmdPrev->setAutoDefault(false);
    cmdNext = new QPushButton(QStringLiteral("Next >>"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setGeometry(Twips(4680, 2940, 1500, 420));
    cmdNext->setDefault(true);

    // The frames, by number; they are placed and hidden when the form loads.
    m_colFrames = {fServer, fCompany, fBranch, fName};
    for (QFrame* f : m_colFrames)
        f->hide();

    // Top to bottom within each frame, then the buttons.
    setTabOrder(txtSQLServer, txtHBServer);
    setTabOrder(txtHBServer, cboCompany);
    setTabOrder(cboCompany, cboBranch);
    setTabOrder(cboBranch, chkShowOnlyLoggedInBranch);
    setTabOrder(chkShowOnlyLoggedInBranch, txtProfileName);
    setTabOrder(txtProfileName, cmdPrev);
    setTabOrder(cmdPrev, cmdNext);

    connect(cmdNext, &QPushButton::clicked, this,
            [this] { RunEventHandler(kObjectName, "cmdNext_Click", [this] { cmdNext_Click(); }); });
    connect(cmdPrev, &QPushButton::clicked, this,
            [this] { RunEventHandler(kObjectName, "cmdPrev_Click", [this] { cmdPrev_Click(); }); });
    connect(txtSQLServer, &QLineEdit::textChanged, this,
            [this] { RunEventHandler(kObjectName, "txtSQLServer_Change", [this] { txtSQLServer_Change(); }); });
}

QFrame* frmLogonWizard::Frame(int16_t number) const
{
    return number >= 1 && number <= 4 ? m_colFrames[static_cast<size_t>(number - 1)] : nullptr;
}

void frmLogonWizard::Init(const QString& sUser, const QString& sUsedProfileList, const clsLogonProfileRef& oProfile,
                          int16_t iApplicationID)
{
    Traced(kObjectName, "Init", [&] {
        m_sUsedProfileList = sUsedProfileList;
        m_sUser = sUser;
        m_bCoExecutive = sUser == QLatin1String(kCoExecutive);
        m_oProfile = oProfile;
        m_sEntryProfileName = oProfile ? oProfile->ProfileName : QString();
        m_iApplicationID = iApplicationID;
    });
}

void frmLogonWizard::Form_Load()
{
    m_iFirstFrame = 1;
    m_iLastFrame = 4;
    m_iCurrentFrame = 1;
    const QPoint place = Twips(120, 1320, 0, 0).topLeft();
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QFrame* f : m_colFrames) {
        QPalette p = f->palette();
        p.setColor(QPalette::Window, buttonFace);
        f->setPalette(p);
        f->hide();
        f->move(place);
    }
    LoadValues();
    SetCurrentFrame(0);
}

bool frmLogonWizard::Form_Unload()
{
    m_oHBClient.reset();
    m_oProfile.reset();
    return false;
}

void frmLogonWizard::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The window is no dialog, so its default button needs this: a button with
        // the focus answers Enter itself, anywhere else Enter is Next (Finish on the
        // last frame).
        if (!ClickFocusedButton(this))
            cmdNext->click();
        e->accept();
        return;
    case Qt::Key_Escape:
        // Esc leaves the wizard as closing its window does: the record stays as it was.
        if (e->modifiers() == Qt::NoModifier) {
            RunEventHandler(kObjectName, "Form_KeyDown", [this] { Unload(this); });
            return;
        }
        break;
    default:
        break;
    }
    Form::keyPressEvent(e);
}

void frmLogonWizard::LoadValues()
{
    Traced(kObjectName, "LoadValues", [&] {
        if (!m_oProfile)
            return;
        txtHBServer->setText(m_oProfile->HBServer +
                             (m_oProfile->HBServerPort > 0 ? QStringLiteral(":") + QString::number(m_oProfile->HBServerPort)
                                                           : QString()));
        txtSQLServer->setText(m_oProfile->SQLServer);
        txtProfileName->setText(m_oProfile->ProfileName);
    });
}

void frmLogonWizard::txtSQLServer_Change()
{
    Traced(kObjectName, "txtSQLServer_Change", [&] {
        const QString sql = txtSQLServer->text();
        if (sql.isEmpty())
            return;
        const QChar last = sql.back();
        if (txtHBServer->text() == sql.left(sql.size() - 1) && last != QLatin1Char('\\'))
            txtHBServer->setText(txtHBServer->text() + last);
    });
}

// ---------------------------------------------------------------- navigation

void frmLogonWizard::cmdNext_Click()
{
    Traced(kObjectName, "cmdNext_Click", [&] {
        if (m_iCurrentFrame == m_iLastFrame) {
            if (Finish())
                Hide(this);
            return;
        }
        Step(StepSize());
    });
}

void frmLogonWizard::cmdPrev_Click()
{
    Traced(kObjectName, "cmdPrev_Click", [&] { Step(static_cast<int16_t>(-StepSize())); });
}

void frmLogonWizard::Step(int16_t step)
{
    const int16_t prev = m_iCurrentFrame;
    m_iCurrentFrame = static_cast<int16_t>(m_iCurrentFrame + step);
    try {
        SetCurrentFrame(prev);
    } catch (...) {
        // The frame being left is still the one shown: its number comes back with it.
        QFrame* left = Frame(prev);
        QFrame* target = Frame(m_iCurrentFrame);
        if (left && !left->isHidden() && (!target || target->isHidden())) {
            m_iCurrentFrame = prev;
            DoButtons();
        }
        throw;
    }
}

void frmLogonWizard::SetCurrentFrame(int16_t prev)
{
    Traced(kObjectName, "SetCurrentFrame", [&] {
        QWidget* focus = nullptr;
        const int d = m_iCurrentFrame - prev;
        if (d > 0 && !ValidateFrame(prev)) {
            cmdPrev_Click();
        } else {
            switch (m_iCurrentFrame) {
            case 1:
                lblInfo->setText(kServerInfo);
                if (d < 0)
                    m_oHBClient.reset();
                focus = txtSQLServer;
                break;
            case 2:
                lblInfo->setText(kCompanyInfo);
                if (d > 0 && !LoadCompanies())
                    cmdPrev_Click();
                else
                    focus = cboCompany;
                break;
            case 3:
                lblInfo->setText(kBranchInfo);
                if (d > 0) {
                    if (!CompanyHasBranches(cboCompany->Text())) {
                        cmdNext_Click();
                    } else {
                        const bool filters = CompanyFiltersBranchData(cboCompany->Text());
                        chkShowOnlyLoggedInBranch->setVisible(filters);
                        chkShowOnlyLoggedInBranch->setChecked(filters && m_oProfile && m_oProfile->ShowOnlyLoggedInBranch);
                        if (!LoadBranches())
                            cmdPrev_Click();
                        else
                            focus = cboBranch;
                    }
                } else {
                    if (!CreateHBClient())
                        cmdNext_Click();
                    else if (!CompanyHasBranches(cboCompany->Text()))
                        cmdPrev_Click();
                    else
                        focus = cboBranch;
                }
                break;
            case 4:
                lblInfo->setText(kNameInfo);
                if (d > 0) {
                    m_oHBClient.reset();
                    if (m_oProfile && !m_oProfile->ProfileName.isEmpty())
                        txtProfileName->setText(m_oProfile->ProfileName);
                    else if (m_bCoExecutive)
                        txtProfileName->setText(txtSQLServer->text());
                    else
                        txtProfileName->setText(txtSQLServer->text() + QStringLiteral(".") + cboCompany->Text() +
                                                (CompanyHasBranches(cboCompany->Text())
                                                     ? QStringLiteral("-") + cboBranch->Text()
                                                     : QString()));
                }
                focus = txtProfileName;
                break;
            default:
                break;
            }
        }
        DoButtons();
        if (prev > 0 && Frame(prev))
            Frame(prev)->hide();
        if (QFrame* current = Frame(m_iCurrentFrame))
            current->show();
        if (focus)
            focus->setFocus(Qt::OtherFocusReason);
    });
}

void frmLogonWizard::DoButtons()
{
    const bool first = m_iCurrentFrame == m_iFirstFrame;
    cmdPrev->setVisible(!first);
    cmdPrev->setEnabled(!first);
    cmdNext->setText(m_iCurrentFrame == m_iLastFrame ? QStringLiteral("Finish") : QStringLiteral("Next >>"));
}

// ---------------------------------------------------------------- checks

bool frmLogonWizard::ValidateFrame(int16_t frame)
{
    return Traced(kObjectName, "ValidateFrame", [&] {
        switch (frame) {
        case 0: return true;
        case 1: return ValidateServerFrame();
        case 2: return ValidateCompanyFrame();
        case 3: return CompanyHasBranches(cboCompany->Text()) ? ValidateBranchFrame() : true;
        default: return false;
        }
    });
}

bool frmLogonWizard::ValidateServerFrame()
{
    return Traced(kObjectName, "ValidateServerFrame", [&] {
        const QString hb = txtHBServer->text();
        if (txtSQLServer->text().isEmpty() || hb.isEmpty()) {
            MsgBox(QStringLiteral("You must supply values for HBServer and SQLServer"));
            return false;
        }
        if (HoldsListSeparator(hb) || HoldsListSeparator(txtSQLServer->text())) {
            MsgBox(QStringLiteral("The HBServer and SQLServer values may not contain \"[~]\" or \"[^]\"."));
            return false;
        }
        const QStringList parts = hb.split(QLatin1Char(':'));
        int16_t port = kDefaultHBServerPort;
        if (parts.size() > 1) {
            bool ok = false;
            const QString text = parts[1].trimmed();
            const int value = text.toInt(&ok);
            if (!ok || value < -32768 || value > 32767) {
                MsgBox(QStringLiteral("Invalid Server or Port specified in HBServer field.  Correct format is: "
                                      "'Server:Port'; for example: 'Server:1331'."));
                return false;
            }
            port = static_cast<int16_t>(value);
        }
        m_sHBServer = parts[0];
        m_iHBServerPort = port;
        return CreateHBClient();
    });
}

bool frmLogonWizard::ValidateCompanyFrame()
{
    return Traced(kObjectName, "ValidateCompanyFrame", [&] {
        if (cboCompany->Text().isEmpty()) {
            MsgBox(QStringLiteral("You must choose a Company in the drop down before proceeding."));
            return false;
        }
        return true;
    });
}

bool frmLogonWizard::ValidateBranchFrame()
{
    return Traced(kObjectName, "ValidateBranchFrame", [&] {
        if (cboBranch->Text().isEmpty()) {
            MsgBox(QStringLiteral("You must choose a Branch in the drop down before proceeding."));
            return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------- the HBServer

bool frmLogonWizard::CreateHBClient()
{
    return Traced(kObjectName, "CreateHBClient", [&] {
        m_oHBClient = std::make_shared<CoHBClient>();
        QString error;
        bool ready;
        {
            Hourglass wait;
            ready = m_oHBClient->Init(m_iApplicationID, txtSQLServer->text(), QString(), m_sHBServer, m_iHBServerPort,
                                      error, QString());
        }
        if (!ready)
            MsgBox(error);
        return ready;
    });
}

bool frmLogonWizard::LoadCompanies()
{
    try {
        QString list;
        {
            Hourglass wait;
            list = m_oHBClient->GetCompanyList();
        }
        if (list.isEmpty()) {
            MsgBox(QStringLiteral("Error: Unable to retrieve company information.") + QStringLiteral("\r\n") +
                   m_oHBClient->GetLastError());
            return false;
        }
        const hblists::Read<hblists::Company> read = hblists::ReadCompanies(list);
        if (!read.refused.isEmpty())
            MsgBox(hblists::RefusedMessage(QStringLiteral("companies"), read.refused));
        if (read.entries.empty())
            return false;
        cboCompany->Clear();
        m_colCompanies = std::make_shared<CoCollection>();
        m_colCompanies->EnableKeyedAccess();
        for (const hblists::Company& entry : read.entries) {
            auto company = std::make_shared<AuProperty>();
            company->LetValue(Variant(entry.flags));
            company->SetName(entry.name);
            m_colCompanies->Add(company, company->Name());
            frmLogonNew::SetCbxValue(cboCompany, company->Name(), 0, true);
        }
        if (m_oProfile && !m_oProfile->Company.isEmpty())
            frmLogonNew::SetCbxValue(cboCompany, m_oProfile->Company, 0, false);
        return true;
    } catch (const AppError& e) {
        MsgBox(e.description());
        return false;
    }
}

bool frmLogonWizard::LoadBranches()
{
    try {
        QString list;
        {
            Hourglass wait;
            QString user = m_sUser;
            list = m_oHBClient->GetBranchList(cboCompany->Text(), user);
            m_sUser = user;
        }
        if (list.isEmpty()) {
            MsgBox(QStringLiteral("Error: Unable to retrieve branch information.") + QStringLiteral("\r\n") +
                   m_oHBClient->GetLastError());
            return false;
        }
        // A branch the stored profile list could not hold is left out; the others stay usable.
        const hblists::Read<hblists::Branch> read = hblists::ReadBranches(list);
        if (!read.refused.isEmpty())
            MsgBox(hblists::RefusedMessage(QStringLiteral("branches"), read.refused));
        if (read.entries.empty())
            return false;
        cboBranch->Clear();
        for (const hblists::Branch& entry : read.entries)
            frmLogonNew::SetCbxValue(cboBranch, entry.name, entry.id, true);
        if (m_oProfile && !m_oProfile->Branch.isEmpty())
            frmLogonNew::SetCbxValue(cboBranch, m_oProfile->Branch, m_oProfile->BranchID, false);
        return true;
    } catch (const AppError& e) {
        MsgBox(e.description());
        return false;
    }
}

bool frmLogonWizard::CompanyHasBranches(const QString& name)
{
    return Traced(kObjectName, "CompanyHasBranches", [&] {
        if (!m_colCompanies)
            RaiseError(vberr::InvalidProcedureCall);
        const auto company = std::dynamic_pointer_cast<AuProperty>(m_colCompanies->ItemByKey(name));
        return company->Value().toString().left(1) == QLatin1String("1");
    });
}

bool frmLogonWizard::CompanyFiltersBranchData(const QString& name)
{
    return Traced(kObjectName, "CompanyFiltersBranchData", [&] {
        if (!m_colCompanies)
            RaiseError(vberr::InvalidProcedureCall);
        const auto company = std::dynamic_pointer_cast<AuProperty>(m_colCompanies->ItemByKey(name));
        return company->Value().toString().right(1) == QLatin1String("1");
    });
}

// ---------------------------------------------------------------- the end

bool frmLogonWizard::Finish()
{
    return Traced(kObjectName, "Finish", [&] {
        const QString name = txtProfileName->text();
        if (HoldsListSeparator(name)) {
            MsgBox(QStringLiteral("The profile name may not contain \"[~]\" or \"[^]\".  Choose another name."));
            return false;
        }
        // A profile without a name could not be chosen in the logon window, nor be
        // told apart from another such profile in the collection.
        if (name.trimmed().isEmpty()) {
            MsgBox(QStringLiteral("You must give the profile a name."));
            return false;
        }
        // The profile collection's keys ignore letter case, so the used names do too;
        // the profile's own name, in any case, stays its own.
        if (name.compare(m_sEntryProfileName, Qt::CaseInsensitive) != 0 &&
            m_sUsedProfileList.contains(kSeparator + name + kSeparator, Qt::CaseInsensitive)) {
            MsgBox(QStringLiteral("The profile name specified is already in use.  Choose another name."));
            return false;
        }
        if (!m_oProfile)
            RaiseError(vberr::ObjectNotSet);
        m_oProfile->HBServer = m_sHBServer;
        m_oProfile->HBServerPort = m_iHBServerPort;
        m_oProfile->SQLServer = txtSQLServer->text();
        m_oProfile->ProfileName = name;
        if (!m_bCoExecutive) {
            m_oProfile->Company = cboCompany->Text();
            if (CompanyHasBranches(cboCompany->Text())) {
                m_oProfile->BranchID = cboBranch->ItemData(cboBranch->ListIndex());
                m_oProfile->Branch = cboBranch->Text();
                m_oProfile->ShowOnlyLoggedInBranch = chkShowOnlyLoggedInBranch->isChecked();
            } else {
                m_oProfile->Branch.clear();
                m_oProfile->BranchID = 1;
                m_oProfile->ShowOnlyLoggedInBranch = false;
            }
        }
        return true;
    });
}
