#include "vieweditor/frmImportColumn.h"

#include "base/AuUtilities.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "shell/CFieldRequired.h"
#include "vieweditor/ImportedColumnNames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kLinkedViews = QStringLiteral("Linked Views");
const QString kCustomProperties = QStringLiteral("Custom Properties");
}  // namespace

frmImportColumn::frmImportColumn() : Form(QStringLiteral("frmImportColumn")), m_required(std::make_unique<CFieldRequired>())
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Import Column"));

    auto* lblSources = new QLabel(QStringLiteral("Source:"), this);
    m_cboSources = new QComboBox(this);
    m_cboSources->setObjectName(QStringLiteral("cboSources"));
    lblSources->setBuddy(m_cboSources);
    m_lblSourceListLabel = new QLabel(this);
    m_lblSourceListLabel->setObjectName(QStringLiteral("lblSourceListLabel"));
    m_lkupView = new eLookUp(this);
    m_lkupView->setObjectName(QStringLiteral("lkupView"));
    auto* lblAvailable = new QLabel(QStringLiteral("Available Columns"), this);
    m_lstViews = new ReportListView(this);
    m_lstViews->setObjectName(QStringLiteral("lstViews"));
    m_lstViews->SetFullRowSelect(true);
    m_lstViews->SetHideSelection(false);
    m_lstViews->setMinimumSize(440, 200);
    const importednames::NameBoxes names = importednames::MakeNameBoxes(this, kMaxNameLength);
    auto* lblColumnName = names.lblColumnName;
    m_txtColumnName = names.txtColumnName;
    auto* lblSQLColumnName = names.lblSQLColumnName;
    m_txtSQLColumnName = names.txtSQLColumnName;
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    m_cmdApply->setObjectName(QStringLiteral("cmdApply"));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblSources, 0, 0);
    grid->addWidget(m_cboSources, 0, 1);
    grid->addWidget(m_lblSourceListLabel, 1, 0);
    grid->addWidget(m_lkupView, 1, 1);
    grid->addWidget(importednames::RequiredAsterisk(this), 1, 2);
    grid->addWidget(lblAvailable, 2, 0, 1, 2);
    grid->addWidget(m_lstViews, 3, 0, 1, 2);
    grid->addWidget(lblColumnName, 4, 0);
    grid->addWidget(m_txtColumnName, 4, 1);
    grid->addWidget(importednames::RequiredAsterisk(this), 4, 2);
    grid->addWidget(lblSQLColumnName, 5, 0);
    grid->addWidget(m_txtSQLColumnName, 5, 1);
    grid->addWidget(importednames::RequiredAsterisk(this), 5, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdApply);
    buttons->addWidget(m_cmdCancel);
    grid->addLayout(buttons, 6, 0, 1, 3);

    setTabOrder(m_cboSources, m_lkupView);
    setTabOrder(m_lkupView, m_lstViews);
    setTabOrder(m_lstViews, m_txtColumnName);
    setTabOrder(m_txtColumnName, m_txtSQLColumnName);
    setTabOrder(m_txtSQLColumnName, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdApply);
    setTabOrder(m_cmdApply, m_cmdCancel);
    m_required->AddControl(m_txtColumnName);
    m_required->AddControl(m_txtSQLColumnName);

    connect(m_cboSources, qOverload<int>(&QComboBox::activated), this,
            [this](int) { Handle("cboSources_Click", [this] { cboSources_Click(); }); });
    connect(m_lkupView, &eLookUp::Changed, this,
            [this](int32_t id) { Handle("lkupView_Changed", [this, id] { lkupView_Changed(id); }); });
    connect(m_lstViews, &ReportListView::ItemClick, this,
            [this](ListItem* item) { Handle("lstViews_ItemClick", [this, item] { lstViews_ItemClick(item); }); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { Handle("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_cmdApply, &QPushButton::clicked, this, [this] { Handle("cmdApply_Click", [this] { cmdApply_Click(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { Handle("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmImportColumn::~frmImportColumn() = default;

void frmImportColumn::Handle(const char* procedure, const std::function<void()>& f)
{
    RunEventHandler("frmImportColumn", procedure, [&f] {
        try {
            f();
        } catch (...) {
            // A failed import must not leave the hourglass behind the error message.
            SetScreenMousePointer(vbDefault);
            throw;
        }
    });
}

void frmImportColumn::Init(int32_t& lViewID)
{
    m_lViewID = lViewID;
}

QString frmImportColumn::NewColumnName() const
{
    return m_txtColumnName->text();
}

void frmImportColumn::Form_Load()
{
    const double width = m_lstViews->minimumWidth() * TwipsPerPixelX();
    m_lstViews->AddColumn(0, QString(), QStringLiteral("Column Name"), width * 0.54);
    m_lstViews->AddColumn(0, QString(), QStringLiteral("SQL Column Name"), width * 0.4);

    BrandleDatabase& dbi = SessionEngine().DBI();
    const Variant base = dbi.DLookup(QStringLiteral("Base"), QStringLiteral("LdBases b INNER JOIN LdViews v ON v.BaseID = b.BaseID"),
                                     QStringLiteral("v.ViewID = ") + QString::number(m_lViewID));
    m_sBaseName = base.isNull() || base.isEmpty() ? QString() : base.toString();
    const Variant groups = dbi.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("ShTrackingGroups"),
                                       QStringLiteral("TableName = ") + QuoteSQLString(m_sBaseName) +
                                           QStringLiteral(" AND TypeID = 2"));
    m_bHasCustomProperties = !groups.isNull() && !groups.isEmpty() && groups.toInt32() > 0;

    m_cboSources->clear();
    m_cboSources->addItem(kLinkedViews);
    if (m_bHasCustomProperties)
        m_cboSources->addItem(kCustomProperties);
    m_cboSources->setCurrentIndex(0);
    cboSources_Click();
}

bool frmImportColumn::Form_Unload()
{
    return false;
}

void frmImportColumn::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        m_cmdCancel->click();
        return;
    }
    Form::keyPressEvent(e);
}

void frmImportColumn::cboSources_Click()
{
    m_lblSourceListLabel->setText(m_cboSources->currentText() + QStringLiteral(":"));
    if (m_cboSources->currentIndex() == 0) {
        m_lkupView->Init(g_cn, QStringLiteral("Ld_LinkedViews"));
        m_lkupView->SetFilter(QStringLiteral("ViewID = ") + QString::number(m_lViewID));
    } else {
        m_lkupView->Init(g_cn, QStringLiteral("LdLinkedCustomPropAttr"));
        m_lkupView->SetFilter(QStringLiteral("TableName = ") + QuoteSQLString(m_sBaseName));
    }
    lkupView_Changed(-1);
}

void frmImportColumn::lkupView_Changed(int32_t id)
{
    m_lstViews->ClearItems();
    m_txtColumnName->clear();
    m_txtSQLColumnName->clear();
    if (id >= 0) {
        const int source = m_cboSources->currentIndex();
        if (source == 0) {
            const int32_t linkedViewId = m_lkupView->ColumnValue(QStringLiteral("FKViewID")).toInt();
            if (!CheckViewRights(linkedViewId, GetCurrentUserID()))
                return;
            // An entry is a link; its columns come from the table the link goes through.
            id = SourceID();
        }
        BrandleDatabase& dbi = SessionEngine().DBI();
        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetImportColumns ") + QString::number(m_lViewID) +
                              QStringLiteral(",") + QString::number(id) + QStringLiteral(",") + QString::number(source),
                          rs);
        for (; rs && rs->HasRecord(); rs->MoveNext()) {
            ListItem* item = m_lstViews->AddItem(0, IDToListKey(rs->Item(QStringLiteral("ColumnID")).toInt32()),
                                                 rs->Item(QStringLiteral("DisplayName")).toString());
            item->SetSubItem(1, rs->Item(QStringLiteral("ColumnName")).toString());
        }
        dbi.CloseRecordset(rs);

        if (source == 0) {
            const Variant prefix = dbi.DLookup(QStringLiteral("DisplayName"), QStringLiteral("LdBaseTables"),
                                               QStringLiteral("TableID = ") + QString::number(id));
            m_sPrefix = prefix.isNull() || prefix.isEmpty() ? QString() : prefix.toString();
        } else {
            // A single property is named by itself; several are told apart by their group.
            m_sPrefix = m_lstViews->ItemCount() < 2 ? QString() : m_lkupView->DisplayText();
        }
        m_sSQLPrefix = m_sPrefix;
        for (const QChar c : {QLatin1Char('.'), QLatin1Char(' '), QLatin1Char(','), QLatin1Char('\''), QLatin1Char('+')})
            m_sSQLPrefix.remove(c);
    }
    if (m_lstViews->ItemCount() > 0) {
        m_lstViews->SetSelectedItem(m_lstViews->Item(1));
        lstViews_ItemClick(m_lstViews->Item(1));
    }
}

int32_t frmImportColumn::SourceID() const
{
    if (m_cboSources->currentIndex() != 0)
        return m_lkupView->SelectedID();
    const QString table = m_lkupView->ColumnValue(QStringLiteral("TableID"));
    return table.isEmpty() ? -1 : table.toInt();
}

void frmImportColumn::lstViews_ItemClick(ListItem* item)
{
    if (!item)
        return;
    const QString text = item->Text();
    m_txtColumnName->setText(text.contains(m_sPrefix) ? text : m_sPrefix + QStringLiteral(" ") + text);
    const QString sqlName = item->SubItem(1);
    m_txtSQLColumnName->setText(sqlName.contains(m_sSQLPrefix) ? sqlName : m_sSQLPrefix + sqlName);
    m_lColumnID = ListKeyToID(item->Key());
}

void frmImportColumn::cmdApply_Click()
{
    m_bApply = true;
    cmdOK_Click();
}

void frmImportColumn::cmdOK_Click()
{
    ListItem* selected = m_lstViews->SelectedItem();
    if (!selected || !selected->Selected())
        return;
    m_lColumnID = ListKeyToID(selected->Key());
    // An empty name would give a column without a name and a token "{}".
    if (!m_required->CheckRequiredControls())
        return;
    const QString displayName = m_txtColumnName->text();
    const QString sqlName = m_txtSQLColumnName->text();
    if (!importednames::CheckNames(m_lViewID, displayName, sqlName))
        return;

    SetScreenMousePointer(vbHourglass);
    const QString procedure = m_cboSources->currentIndex() == 0 ? QStringLiteral("EXEC Ld_ImportColumn ")
                                                                : QStringLiteral("EXEC Ld_ImportCustomProperty ");
    SessionEngine().DBI().Execute(procedure + QString::number(m_lViewID) + QStringLiteral(",") +
                                  QString::number(SourceID()) + QStringLiteral(",") +
                                  QuoteSQLString(sqlName) + QStringLiteral(",") + QuoteSQLString(displayName) +
                                  QStringLiteral(",") + QString::number(m_lColumnID));
    SetScreenMousePointer(vbDefault);

    if (m_bApply) {
        m_bApply = false;
        lkupView_Changed(m_lkupView->SelectedID());
    } else {
        Hide(this);
    }
}

void frmImportColumn::cmdCancel_Click()
{
    Unload(this);
}
