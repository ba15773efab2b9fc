#include "vieweditor/frmEditImportedColumn.h"

#include "shell/CFieldRequired.h"
#include "vieweditor/ImportedColumnNames.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kRequiredTip = QStringLiteral("* Required Field");

QLabel* Asterisk(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("*"), parent);
    label->setToolTip(kRequiredTip);
    return label;
}

}  // namespace

frmEditImportedColumn::frmEditImportedColumn()
    : Form(QStringLiteral("frmEditImportedColumn")), m_required(std::make_unique<CFieldRequired>())
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Edit Imported Column"));

    auto* lblColumnName = new QLabel(QStringLiteral("&Column Name:"), this);
    m_txtColumnName = new QLineEdit(this);
    m_txtColumnName->setObjectName(QStringLiteral("txtColumnName"));
    m_txtColumnName->setMaxLength(kMaxNameLength);
    m_txtColumnName->setToolTip(kRequiredTip);
    m_txtColumnName->setProperty("Tag", QStringLiteral("Column Name"));
    m_txtColumnName->setMinimumWidth(280);
    lblColumnName->setBuddy(m_txtColumnName);
    auto* lblSQLColumnName = new QLabel(QStringLiteral("&SQL Column Name:"), this);
    m_txtSQLColumnName = new QLineEdit(this);
    m_txtSQLColumnName->setObjectName(QStringLiteral("txtSQLColumnName"));
    m_txtSQLColumnName->setMaxLength(kMaxNameLength);
    m_txtSQLColumnName->setToolTip(kRequiredTip);
    m_txtSQLColumnName->setProperty("Tag", QStringLiteral("SQL Column Name"));
    lblSQLColumnName->setBuddy(m_txtSQLColumnName);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblColumnName, 0, 0);
    grid->addWidget(m_txtColumnName, 0, 1);
    grid->addWidget(Asterisk(this), 0, 2);
    grid->addWidget(lblSQLColumnName, 1, 0);
    grid->addWidget(m_txtSQLColumnName, 1, 1);
    grid->addWidget(Asterisk(this), 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 3);

    setTabOrder(m_txtColumnName, m_txtSQLColumnName);
    setTabOrder(m_txtSQLColumnName, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdCancel);
    m_required->AddControl(m_txtColumnName);
    m_required->AddControl(m_txtSQLColumnName);

    connect(m_cmdOK, &QPushButton::clicked, this,
            [this] { RunEventHandler("frmEditImportedColumn", "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { RunEventHandler("frmEditImportedColumn", "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmEditImportedColumn::~frmEditImportedColumn() = default;

void frmEditImportedColumn::Init(int32_t& lColumnID, int32_t& lViewID, QString& strColumnName, QString& strSQLColumnName)
{
    m_lViewID = lViewID;
    m_lColumnID = lColumnID;
    m_txtColumnName->setText(strColumnName);
    m_txtSQLColumnName->setText(strSQLColumnName);
}

void frmEditImportedColumn::cmdOK_Click()
{
    // An empty name would give a column without a name and a token "{}".
    if (!m_required->CheckRequiredControls())
        return;
    if (!importednames::CheckNames(m_lViewID, m_txtColumnName->text(), m_txtSQLColumnName->text(), m_lColumnID))
        return;
    Hide(this);
}

void frmEditImportedColumn::cmdCancel_Click()
{
    Unload(this);
}
