#include "logon/frmLogonProfileList.h"

#include "base/AppError.h"
#include "logon/frmLogonWizard.h"
#include "platform/controls/ReportListView.h"

#include <QFrame>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kObjectName = "frmLogonProfileList";
const QString kSeparator = QStringLiteral("[^]");

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

clsLogonProfileRef AsProfile(const ObjectRef& obj) { return std::dynamic_pointer_cast<clsLogonProfile>(obj); }

// The record an answer to the list-bound collection works on.
clsLogonProfile& CurrentProfile(const CoLVCollection& o)
{
    const clsLogonProfileRef profile = AsProfile(o.CurObj());
    if (!profile)
        RaiseError(vberr::ObjectNotSet);
    return *profile;
}

}  // namespace

frmLogonProfileList::frmLogonProfileList() : Form(QStringLiteral("frmLogonProfileList"))
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Manage Logon Profiles"));
    CreateControls();
}

frmLogonProfileList::~frmLogonProfileList() = default;

void frmLogonProfileList::CreateControls()
{
    setFixedSize(TwipsToPixelsX(8520), TwipsToPixelsY(3960));

    fProfiles = new QFrame(this);
    fProfiles->setObjectName(QStringLiteral("fProfiles"));
    fProfiles->setGeometry(Twips(120, 120, 7020, 3720));
    fProfiles->setFrameShape(QFrame::StyledPanel);
    lstProfiles = new ReportListView(fProfiles);
    lstProfiles->setObjectName(QStringLiteral("lstProfiles"));
    auto* layout = new QVBoxLayout(fProfiles);
    layout->setContentsMargins(TwipsToPixelsX(60), TwipsToPixelsY(60), TwipsToPixelsX(60), TwipsToPixelsY(60));
    layout->addWidget(lstProfiles);

    auto button = [this](const char* name, const QString& caption, int top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(Twips(7260, top, 1140, 375));
        return b;
    };
    cmdNewProfile = button("cmdNewProfile", QStringLiteral("&Add"), 120);
    cmdEditProfile = button("cmdEditProfile", QStringLiteral("&Edit"), 600);
    cmdDeleteProfile = button("cmdDeleteProfile", QStringLiteral("&Delete"), 1080);
    cmdOK = button("cmdOK", QStringLiteral("OK"), 2985);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"), 3465);

    setTabOrder(lstProfiles, cmdNewProfile);
    setTabOrder(cmdNewProfile, cmdEditProfile);
    setTabOrder(cmdEditProfile, cmdDeleteProfile);
    setTabOrder(cmdDeleteProfile, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    auto handle = [this](QPushButton* b, const char* procedure, void (frmLogonProfileList::*click)()) {
        connect(b, &QPushButton::clicked, this,
                [this, procedure, click] { RunEventHandler(kObjectName, procedure, [this, click] { (this->*click)(); }); });
    };
    handle(cmdNewProfile, "cmdNewProfile_Click", &frmLogonProfileList::cmdNewProfile_Click);
    handle(cmdEditProfile, "cmdEditProfile_Click", &frmLogonProfileList::cmdEditProfile_Click);
    handle(cmdDeleteProfile, "cmdDeleteProfile_Click", &frmLogonProfileList::cmdDeleteProfile_Click);
    handle(cmdOK, "cmdOK_Click", &frmLogonProfileList::cmdOK_Click);
    handle(cmdCancel, "cmdCancel_Click", &frmLogonProfileList::cmdCancel_Click);
    connect(lstProfiles, &ReportListView::DblClick, this,
            [this] { RunEventHandler(kObjectName, "lstProfiles_DblClick", [this] { lstProfiles_DblClick(); }); });
}

void frmLogonProfileList::Init(const CoCollectionRef& colProfiles, const QString& sUser, int16_t iApplicationID,
                               const QString& sCurrentProfileKey, bool /*bWizard*/)
{
    Traced(kObjectName, "Init", [&] {
        m_bCoExecutive = sUser == QLatin1String(kCoExecutive);
        m_colProfiles = colProfiles;
        // A dialog shown again starts its used-name list afresh.
        m_sUsedProfileList.clear();
        BuildUsedProfileList();
        m_sSelectedProfile = sCurrentProfileKey;
        m_sUser = sUser;
        m_iApplicationID = iApplicationID;
    });
}

void frmLogonProfileList::BuildUsedProfileList()
{
    Traced(kObjectName, "BuildUsedProfileList", [&] {
        if (!m_colProfiles)
            return;
        for (int32_t i = 1; i <= m_colProfiles->Count(); ++i) {
            const clsLogonProfileRef profile = AsProfile(m_colProfiles->Item(i));
            m_sUsedProfileList += (profile ? profile->ProfileName : QString()) + kSeparator;
        }
        if (!m_sUsedProfileList.isEmpty())
            m_sUsedProfileList.prepend(kSeparator);
    });
}

bool frmLogonProfileList::ReplaceUsedName(const QString& oldName, const QString& replacement)
{
    const QString entry = kSeparator + oldName + kSeparator;
    const qsizetype at = m_sUsedProfileList.indexOf(entry, 0, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    m_sUsedProfileList.replace(at, entry.size(), replacement);
    return true;
}

// ---------------------------------------------------------------- loading and unloading

void frmLogonProfileList::Form_Load()
{
    if (!m_colProfiles)
        RaiseError(vberr::ObjectNotSet);
    m_colProfiles->BeginStateRef();
    m_bStateOpen = true;
    m_editedFields.clear();

    m_lvcProfiles = std::make_unique<CoLVCollection>();
    m_lvcProfiles->Init(this, lstProfiles, m_colProfiles, true);
    m_lvcProfiles->InitView();
    m_lvcProfiles->LoadView();

    if (!m_sSelectedProfile.isEmpty()) {
        if (::ListItem* first = m_lvcProfiles->ListItem(1))
            first->SetSelected(false);
        // A current profile the collection does not hold (it may have been renamed
        // or deleted since) selects nothing rather than failing the dialog.
        if (m_colProfiles->HasKey(m_sSelectedProfile)) {
            if (::ListItem* row = m_lvcProfiles->ListItem(m_colProfiles->IndexByKey(m_sSelectedProfile))) {
                lstProfiles->SetSelectedItem(row);
                row->SetSelected(true);
                row->EnsureVisible();
            }
        }
    }
    lstProfiles->setFocus(Qt::OtherFocusReason);
}

bool frmLogonProfileList::Form_Unload()
{
    m_lvcProfiles.reset();
    if (m_bStateOpen && m_colProfiles) {
        // Left without OK: the records an Edit changed get their fields back, so that
        // each name matches the key the rollback gives it again.
        for (auto& [profile, fields] : m_editedFields)
            *profile = fields;
        m_colProfiles->RollbackState();
    }
    m_bStateOpen = false;
    m_editedFields.clear();
    return false;
}

void frmLogonProfileList::keyPressEvent(QKeyEvent* e)
{
    if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
        if (e->key() == Qt::Key_Escape) {
            RunEventHandler(kObjectName, "cmdCancel_Click", [this] { cmdCancel_Click(); });
            return;
        }
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            // Enter on a button presses it; anywhere else it is OK.
            if (ClickFocusedButton(this))
                return;
            RunEventHandler(kObjectName, "cmdOK_Click", [this] { cmdOK_Click(); });
            return;
        }
    }
    Form::keyPressEvent(e);
}

// ---------------------------------------------------------------- the buttons

void frmLogonProfileList::cmdNewProfile_Click()
{
    Traced(kObjectName, "cmdNewProfile_Click", [&] {
        auto profile = std::make_shared<clsLogonProfile>();
        QPointer<frmLogonWizard> wizard = new frmLogonWizard;
        wizard->Init(m_sUser, m_sUsedProfileList, profile, m_iApplicationID);
        ShowModal(wizard);
        if (wizard && IsFormLoaded(wizard)) {
            m_lvcProfiles->Add(profile, profile->ProfileName);
            if (m_sUsedProfileList.isEmpty())
                m_sUsedProfileList = kSeparator;
            m_sUsedProfileList += profile->ProfileName + kSeparator;
            Unload(wizard);
        }
    });
}

void frmLogonProfileList::cmdEditProfile_Click()
{
    Traced(kObjectName, "cmdEditProfile_Click", [&] {
        if (!m_lvcProfiles)
            return;
        const int32_t idx = m_lvcProfiles->SelectedItem();
        if (idx <= 0)
            return;
        const clsLogonProfileRef profile = AsProfile(m_lvcProfiles->Item(idx));
        if (!profile)
            RaiseError(vberr::ObjectNotSet);
        const QString oldName = profile->ProfileName;
        RememberFields(profile);

        QPointer<frmLogonWizard> wizard = new frmLogonWizard;
        wizard->Init(m_sUser, m_sUsedProfileList, profile, m_iApplicationID);
        ShowModal(wizard);
        if (wizard && IsFormLoaded(wizard)) {
            ReplaceUsedName(oldName, kSeparator + profile->ProfileName + kSeparator);
            Unload(wizard);
        }
        m_lvcProfiles->Update(idx);
        m_lvcProfiles->ChangeColKey(oldName, profile->ProfileName);
    });
}

void frmLogonProfileList::RememberFields(const clsLogonProfileRef& profile)
{
    for (const auto& kept : m_editedFields)
        if (kept.first == profile)
            return;
    m_editedFields.emplace_back(profile, *profile);
}

void frmLogonProfileList::cmdDeleteProfile_Click()
{
    Traced(kObjectName, "cmdDeleteProfile_Click", [&] {
        if (!m_lvcProfiles)
            return;
        const int32_t idx = m_lvcProfiles->SelectedItem();
        if (idx <= 0)
            return;
        // Every selected row goes (Ctrl+A selects them all), so every one of their
        // names becomes free again.
        for (int p = 1; p <= lstProfiles->ItemCount(); ++p) {
            ::ListItem* row = lstProfiles->Item(p);
            if (!row->Selected())
                continue;
            const int32_t index = m_lvcProfiles->GetColIndexFromLVIndex(p);
            if (const clsLogonProfileRef profile = AsProfile(m_lvcProfiles->Item(index)))
                ReplaceUsedName(profile->ProfileName, kSeparator);
        }
        m_lvcProfiles->RemoveSelected();
    });
}

void frmLogonProfileList::cmdOK_Click()
{
    Traced(kObjectName, "cmdOK_Click", [&] {
        if (m_bStateOpen && m_colProfiles) {
            m_colProfiles->CommitState();
            m_bStateOpen = false;
            m_editedFields.clear();
        }
        if (m_lvcProfiles)
            if (const clsLogonProfileRef profile = AsProfile(m_lvcProfiles->SelectedObject()))
                m_sSelectedProfile = profile->ProfileName;
        Hide(this);
    });
}

void frmLogonProfileList::cmdCancel_Click()
{
    Traced(kObjectName, "cmdCancel_Click", [&] {
        Hide(this);
        Unload(this);
    });
}

// ---------------------------------------------------------------- the list-bound collection

void frmLogonProfileList::WriteRow(::ListItem* row, const clsLogonProfile& profile) const
{
    row->SetText(profile.ProfileName);
    row->SetSubItem(1, m_bCoExecutive ? profile.HBServer : profile.Company);
    row->SetSubItem(2, m_bCoExecutive ? profile.SQLServer : profile.Branch);
}

Variant frmLogonProfileList::LVCollectionCallBack(COLVC_MSG lvcMsg, CoLVCollection& o)
{
    return Traced(kObjectName, "LVCollectionCallBack", [&]() -> Variant {
        switch (lvcMsg) {
        case lvcAdd:
            if (!o.col())
                RaiseError(vberr::ObjectNotSet);
            o.col()->Add(o.CurObj(), o.CurObjColKey());
            return int32_t(-1);
        case lvcUpdate:
            WriteRow(o.ListView()->Item(o.Key()), CurrentProfile(o));
            return int32_t(0);
        case lvcRemove:
            if (!o.col())
                RaiseError(vberr::ObjectNotSet);
            o.col()->Remove(o.ColIndex());
            o.ListView()->RemoveItem(o.LVIndex());
            return int32_t(1);
        case lvcLoadHeaderRow:
            o.ListView()->AddColumn(0, QString(), QStringLiteral("Profile Name"), 3200);
            o.ListView()->AddColumn(0, QString(), m_bCoExecutive ? QStringLiteral("HBServer") : QStringLiteral("Company"),
                                    1800);
            o.ListView()->AddColumn(0, QString(), m_bCoExecutive ? QStringLiteral("SQLServer") : QStringLiteral("Branch"),
                                    1500);
            return int32_t(0);
        case lvcLoadRow: {
            const clsLogonProfile& profile = CurrentProfile(o);
            WriteRow(o.ListView()->AddItem(0, o.Key(), profile.ProfileName), profile);
            return int32_t(0);
        }
        case lvcIndexByID:
        case lvcGetID:
            return int32_t(-1);
        }
        return int32_t(0);
    });
}
