#include "vieweditor/frmEditImportedColumn.h"

#include "shell/CFieldRequired.h"
#include "vieweditor/ImportedColumnNames.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmEditImportedColumn::frmEditImportedColumn()
    : Form(QStringLiteral("frmEditImportedColumn")), m_required(std::make_unique<CFieldRequired>())
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Edit Imported Column"));

    const importednames::NameBoxes names = importednames::MakeNameBoxes(this, kMaxNameLength);
    auto* lblColumnName = names.lblColumnName;
    m_txtColumnName = names.txtColumnName;
    auto* lblSQLColumnName = names.lblSQLColumnName;
    m_txtSQLColumnName = names.txtSQLColumnName;
    m_txtColumnName->setMinimumWidth(280);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblColumnName, 0, 0);
    grid->addWidget(m_txtColumnName, 0, 1);
    grid->addWidget(importednames::RequiredAsterisk(this), 0, 2);
    grid->addWidget(lblSQLColumnName, 1, 0);
    grid->addWidget(m_txtSQLColumnName, 1, 1);
    grid->addWidget(importednames::RequiredAsterisk(this), 1, 2);
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

void frmEditImportedColumn::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        m_cmdCancel->click();
        return;
    }
    Form::keyPressEvent(e);
}
