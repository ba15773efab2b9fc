#include "listwindow/frmListSearchName.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "listwindow/frmListSearchEditSQL.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

frmListSearchName::frmListSearchName() : Form(QStringLiteral("frmListSearchName"))
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Search Name"));

    m_lblName = new QLabel(QStringLiteral("&Name:"), this);
    m_lblName->setObjectName(QStringLiteral("lblName"));
    m_txtName = new QLineEdit(this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_txtName->setMaxLength(kMaxNameLength);
    m_lblName->setBuddy(m_txtName);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_chkShare = new QCheckBox(QStringLiteral("Share with all users"), this);
    m_chkShare->setObjectName(QStringLiteral("chkShare"));
    m_chkComplex = new QCheckBox(QStringLiteral("This is a complex search"), this);
    m_chkComplex->setObjectName(QStringLiteral("chkComplex"));
    m_cmdEditSQL = new QPushButton(QStringLiteral("SQL"), this);
    m_cmdEditSQL->setObjectName(QStringLiteral("cmdEditSQL"));
    m_cmdEditSQL->setVisible(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_lblName, 0, 0);
    grid->addWidget(m_txtName, 0, 1);
    grid->addWidget(m_chkShare, 1, 1);
    grid->addWidget(m_chkComplex, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    buttons->addWidget(m_cmdEditSQL);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 2, 3, 1);
    grid->setColumnMinimumWidth(1, 260);

    setTabOrder(m_txtName, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_chkShare);
    setTabOrder(m_chkShare, m_chkComplex);
    setTabOrder(m_chkComplex, m_cmdEditSQL);

    connect(m_cmdOK, &QPushButton::clicked, this,
            [this] { RunEventHandler("frmListSearchName", "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { RunEventHandler("frmListSearchName", "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(m_cmdEditSQL, &QPushButton::clicked, this,
            [this] { RunEventHandler("frmListSearchName", "cmdEditSQL_Click", [this] { cmdEditSQL_Click(); }); });
}

frmListSearchName::~frmListSearchName() = default;

void frmListSearchName::Form_Load()
{
    // Init loads the dialog before it records the name and the caption, so both
    // start empty; the caller sets what it needs.
    m_txtName->setText(m_strFilterName);
    SetCaption(m_strCaption);
}

bool frmListSearchName::Form_Unload()
{
    m_oFilter.reset();
    m_oView.reset();
    return false;
}

void frmListSearchName::Init(const QString& strFilterName, const QString& strFilterString, const CoLdUVRef& objView,
                             const QString& strCaption, bool bShared, int16_t nDetailIndex, int16_t nOpenMode,
                             const QString& strListFrom)
{
    m_oView = objView;
    m_strListFrom = strListFrom;
    m_lViewID = m_oView->ViewID();
    m_strViewUser = m_oView->ViewUser;
    m_strNameOwner = m_strViewUser;

    Load(this);
    m_chkShare->setChecked(bShared);

    if (nDetailIndex >= 1) {
        m_oFilter = m_oView->Filters()->Item(Variant(int32_t(nDetailIndex)));
        m_chkComplex->setChecked(m_oFilter->Complex());
        m_chkComplex->setEnabled(!m_oFilter->Complex());
        // An edited search keeps its creator: its new name must be free among the
        // creator's searches (admin may rename another user's search).
        if (nOpenMode == 4)
            m_strNameOwner = m_oFilter->CreatorID;
    }

    m_strFilterString = strFilterString;
    m_strFilterName = strFilterName;
    m_strCaption = strCaption;
    m_nOpenMode = nOpenMode;
}

bool frmListSearchName::Complex() const { return m_chkComplex->isChecked(); }

void frmListSearchName::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A button with the focus answers Enter itself; anywhere else Enter is OK.
        if (!ClickFocusedButton(this))
            m_cmdOK->click();
        e->accept();
        return;
    case Qt::Key_Escape:
        m_cmdCancel->click();
        e->accept();
        return;
    default:
        Form::keyPressEvent(e);
    }
}

void frmListSearchName::cmdOK_Click()
{
    if (m_txtName->text().trimmed().isEmpty()) {
        MsgBox(QString::fromLatin1(kNoNameMessage), vbExclamation);
        return;
    }
    if (m_txtName->text().contains(QChar(u'\0'))) {
        MsgBox(QString::fromLatin1(kNulInNameMessage), vbExclamation);
        return;
    }
    if (IsNameUnique()) {
        Hide(this);
        return;
    }
    MsgBox(QString::fromLatin1(kNameInUseMessage), vbExclamation);
    m_txtName->setFocus();
}

void frmListSearchName::cmdCancel_Click() { Unload(this); }

bool frmListSearchName::IsNameUnique() const
{
    const QString name = m_txtName->text();
    if (name == QLatin1String("QuickSearch"))
        return false;
    if (name == m_strFilterName)
        return true;
    // Names are looked for in the form Edit stores them in, among the searches of
    // the view by the user the search belongs to: a new one to this user, an edited
    // one to its creator. Other users' searches do not count, so that none of
    // their private names is given away.
    QString stored = name;
    stored.replace(QLatin1Char('\''), QLatin1Char('~'));
    const Variant count = SessionEngine().DBI().DLookup(
        QStringLiteral("COUNT(*)"), QStringLiteral("LdViewFilters"),
        QStringLiteral("ViewID = ") + QString::number(m_lViewID) + QStringLiteral(" AND CreatorID = ") +
            QuoteSQLString(m_strNameOwner) + QStringLiteral(" AND FilterName = ") + QuoteSQLString(stored));
    return count.isNull() || count.isEmpty() || count.toDouble() == 0;
}

void frmListSearchName::cmdEditSQL_Click()
{
    auto editor = std::make_unique<frmListSearchEditSQL>();
    KeepAfterUnload(editor.get());
    editor->Init(m_oView, Variant(m_strFilterString), m_txtName->text(), m_strListFrom);
    ShowModal(editor.get());
    if (!IsFormLoaded(editor.get()))
        return;
    m_strFilterString = editor->FilterString();
    m_chkComplex->setEnabled(false);
    Unload(editor.get());
}
