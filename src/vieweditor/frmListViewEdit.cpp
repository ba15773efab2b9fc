#include "vieweditor/frmListViewEdit.h"

#include "base/AppError.h"
#include "core/SessionValues.h"
#include "listhelpers/ListSelectHelper.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "platform/forms/VbKeys.h"
#include "shell/CTabExcluded.h"
#include "shell/ViewFormUtilities.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Captions of each tab's two lists and tool tips of its buttons (add, remove, up, down).
struct TabTexts {
    const char* caption;
    const char* selected;
    const char* unselected;
    const char* add;
    const char* remove;
    const char* up;
    const char* down;
};
const std::array<TabTexts, 4> kTabTexts = {{
    {"Columns ", "&Selected Columns:", "&Unselected Columns:", "Add available column", "Remove selected column",
     "Move selected column up", "Move selected column down"},
    {"Filters ", "&Selected Filters:", "&Unselected Filters:", "Add available filter", "Remove selected filter",
     "Move selected filter up", "Move selected filter down"},
    {"Functions ", "&Selected Functions:", "&Unselected Functions:", "", "", "Move selected function up",
     "Move selected function down"},
    {"Links ", "&Selected Links:", "&Unselected Links:", "Add available link", "Remove available link", nullptr,
     nullptr},
}};

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* MakeListButton(const QString& name, const char* tip, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    if (tip && *tip)
        button->setToolTip(QString::fromLatin1(tip));
    button->setFixedSize(30, 26);
    return button;
}

}  // namespace

frmListViewEdit::frmListViewEdit() : Form(QStringLiteral("frmListViewEdit"))
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    SetCaption(QStringLiteral("Edit View"));
    m_oListSelect = new ListSelectHelper(this);
    CreateControls();
    ConnectEvents();
}

frmListViewEdit::~frmListViewEdit() { qApp->removeEventFilter(this); }

void frmListViewEdit::Handle(const char* procedure, const std::function<void()>& f)
{
    RunEventHandler("frmListViewEdit", procedure, f);
}

CTabExcluded& frmListViewEdit::TabExcluded()
{
    // Created on first use.
    if (!m_oTabExcluded)
        m_oTabExcluded = std::make_unique<CTabExcluded>();
    return *m_oTabExcluded;
}

void frmListViewEdit::CreateControls()
{
    setFixedSize(TwipsToPixelsX(10020), TwipsToPixelsY(7545));
    m_imgArrows.insert(QStringLiteral("UP"), style()->standardIcon(QStyle::SP_ArrowUp));
    m_imgArrows.insert(QStringLiteral("DOWN"), style()->standardIcon(QStyle::SP_ArrowDown));
    m_imgArrows.insert(QStringLiteral("LEFT"), style()->standardIcon(QStyle::SP_ArrowLeft));
    m_imgArrows.insert(QStringLiteral("RIGHT"), style()->standardIcon(QStyle::SP_ArrowRight));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    CreateHeader();
    auto* top = new QHBoxLayout;
    auto* header = new QGridLayout;
    header->setHorizontalSpacing(6);
    header->setVerticalSpacing(4);
    // Name and description: an editable box or, for a view the user does not own, a label.
    header->addWidget(m_lblName, 0, 0);
    header->addWidget(m_txtDisplayName, 0, 1, 1, 4);
    header->addWidget(m_lblViewDisplayName, 0, 1, 1, 4);
    header->addWidget(m_lblReq[0], 0, 5);
    header->addWidget(m_lblDescription, 1, 0);
    header->addWidget(m_txtViewDesc, 1, 1, 1, 4);
    header->addWidget(m_lblViewDesc, 1, 1, 1, 4);
    header->addWidget(m_lblBaseViewDesc, 2, 0);
    header->addWidget(m_lkupBaseView, 2, 1);
    header->addWidget(m_lblReq[2], 2, 2);
    header->addWidget(m_lblBase, 2, 0, 1, 6);
    header->addWidget(m_chkShared, 3, 1);
    header->addWidget(m_chkSaveAsNewView, 3, 3, 1, 3);
    header->addWidget(m_etchedCreateSQLView, 4, 0, 1, 6);
    header->addWidget(m_chkCreateSQLView, 5, 0, 1, 2);
    header->addWidget(m_lblSQLViewName, 6, 0);
    header->addWidget(m_txtSQLViewName, 6, 1);
    header->addWidget(m_lblReqSQLViewName, 6, 2);
    header->addWidget(m_lblSQLViewApplicationCaption, 6, 3);
    header->addWidget(m_lkupSQLViewApplications, 6, 4);
    header->addWidget(m_lblReqSQLViewApplication, 6, 5);
    header->setColumnStretch(1, 3);
    header->setColumnStretch(4, 2);
    header->setColumnMinimumWidth(2, 10);
    header->setRowMinimumHeight(5, 22);
    header->setRowMinimumHeight(6, 26);
    top->addLayout(header, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    buttons->addStretch(1);
    top->addSpacing(12);
    top->addLayout(buttons);
    outer->addLayout(top);

    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    for (int tab = 0; tab < kTabs; ++tab)
        m_SSTab1->addTab(CreateTabFrame(tab), QString::fromLatin1(kTabTexts[static_cast<size_t>(tab)].caption));
    auto* sqlFrame = new QWidget;
    sqlFrame->setObjectName(QStringLiteral("TabFrame4"));
    auto* sqlLayout = new QVBoxLayout(sqlFrame);
    auto* sqlLabel = MakeLabel(QStringLiteral("lblSQL"), QStringLiteral("&SQL:"), sqlFrame);
    m_txtSQL = new QPlainTextEdit(QStringLiteral("Text1"), sqlFrame);
    m_txtSQL->setObjectName(QStringLiteral("txtSQL"));
    sqlLabel->setBuddy(m_txtSQL);
    sqlLayout->addWidget(sqlLabel);
    sqlLayout->addWidget(m_txtSQL);
    m_TabFrame[4] = sqlFrame;
    m_SSTab1->addTab(sqlFrame, QStringLiteral(" SQL"));
    outer->addWidget(m_SSTab1, 1);
}

void frmListViewEdit::CreateHeader()
{
    m_lblName = MakeLabel(QStringLiteral("lblName"), QStringLiteral("&Name:"), this);
    m_txtDisplayName = new QLineEdit(this);
    m_txtDisplayName->setObjectName(QStringLiteral("txtDisplayName"));
    m_txtDisplayName->setMaxLength(128);
    m_txtDisplayName->setToolTip(QStringLiteral("* Required Field"));
    m_lblName->setBuddy(m_txtDisplayName);
    m_lblViewDisplayName = MakeLabel(QStringLiteral("lblViewDisplayName"), QStringLiteral("View Name"), this);
    for (int i = 0; i < 3; ++i)
        m_lblReq[static_cast<size_t>(i)] = MakeLabel(QStringLiteral("lblReq%1").arg(i), QStringLiteral("*"), this);
    m_lblReq[1]->setVisible(false);
    m_lblDescription = MakeLabel(QStringLiteral("lblDescription"), QStringLiteral("&Description:"), this);
    m_txtViewDesc = new QLineEdit(this);
    m_txtViewDesc->setObjectName(QStringLiteral("txtViewDesc"));
    m_txtViewDesc->setMaxLength(128);
    m_txtViewDesc->setToolTip(QStringLiteral("* Required Field"));
    m_lblDescription->setBuddy(m_txtViewDesc);
    m_lblViewDesc = MakeLabel(QStringLiteral("lblViewDesc"), QStringLiteral("Label1"), this);
    m_chkShared = new QCheckBox(QStringLiteral("S&hare with all users"), this);
    m_chkShared->setObjectName(QStringLiteral("chkShared"));
    m_lblBaseViewDesc = MakeLabel(QStringLiteral("lblBaseViewDesc"), QStringLiteral("&Based on:"), this);
    m_lkupBaseView = new eLookUp(this);
    m_lkupBaseView->setObjectName(QStringLiteral("lkupBaseView"));
    m_lkupBaseView->setToolTip(QStringLiteral("* Required Field"));
    m_lblBaseViewDesc->setBuddy(m_lkupBaseView);
    m_lblBase = MakeLabel(QStringLiteral("lblBase"), QStringLiteral("Base"), this);
    m_chkSaveAsNewView = new QCheckBox(QStringLiteral("Sav&e as new view"), this);
    m_chkSaveAsNewView->setObjectName(QStringLiteral("chkSaveAsNewView"));
    m_chkCreateSQLView = new QCheckBox(QStringLiteral("Create SQL View"), this);
    m_chkCreateSQLView->setObjectName(QStringLiteral("chkCreateSQLView"));
    m_chkCreateSQLView->setVisible(false);
    m_etchedCreateSQLView = new QFrame(this);
    m_etchedCreateSQLView->setObjectName(QStringLiteral("etchedCreateSQLView"));
    m_etchedCreateSQLView->setFrameShape(QFrame::HLine);
    m_etchedCreateSQLView->setFrameShadow(QFrame::Sunken);
    m_etchedCreateSQLView->setVisible(false);
    m_lblSQLViewName = MakeLabel(QStringLiteral("lblSQLViewName"), QStringLiteral("&SQL Name:"), this);
    m_lblReqSQLViewName = MakeLabel(QStringLiteral("lblReqSQLViewName"), QStringLiteral("*"), this);
    m_txtSQLViewName = new QLineEdit(this);
    m_txtSQLViewName->setObjectName(QStringLiteral("txtSQLViewName"));
    m_txtSQLViewName->setMaxLength(50);
    m_txtSQLViewName->setToolTip(QStringLiteral("* Required Field"));
    m_lblSQLViewName->setBuddy(m_txtSQLViewName);
    m_lblSQLViewApplicationCaption = MakeLabel(QStringLiteral("lblSQLViewApplicationCaption"),
                                               QStringLiteral("Destination application:"), this);
    m_lblReqSQLViewApplication = MakeLabel(QStringLiteral("lblReqSQLViewApplication"), QStringLiteral("*"), this);
    m_lkupSQLViewApplications = new eLookUp(this);
    m_lkupSQLViewApplications->setObjectName(QStringLiteral("lkupSQLViewApplications"));
    SetSQLFieldsVisible(false);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
}

QWidget* frmListViewEdit::CreateTabFrame(int tab)
{
    const TabTexts& texts = kTabTexts[static_cast<size_t>(tab)];
    auto* frame = new QWidget;
    frame->setObjectName(QStringLiteral("TabFrame%1").arg(tab));
    frame->setFocusPolicy(Qt::ClickFocus);  // holds the focus when none of its controls can
    m_TabFrame[static_cast<size_t>(tab)] = frame;
    auto* grid = new QGridLayout(frame);
    auto* selectedLabel = MakeLabel(QStringLiteral("lblList%1").arg(tab), QString::fromLatin1(texts.selected), frame);
    auto* pickLabel = MakeLabel(QStringLiteral("lblPickList%1").arg(tab), QString::fromLatin1(texts.unselected), frame);
    auto* list = new ReportListView(frame);
    list->setObjectName(QStringLiteral("lvwList%1").arg(tab));
    auto* pick = new ReportListView(frame);
    pick->setObjectName(QStringLiteral("lvwPickList%1").arg(tab));
    for (ReportListView* l : {list, pick}) {
        l->SetMultiSelect(true);
        l->SetFullRowSelect(true);
        l->SetHideSelection(false);
    }
    selectedLabel->setBuddy(list);
    pickLabel->setBuddy(pick);
    m_lvwList[static_cast<size_t>(tab)] = list;
    m_lvwPickList[static_cast<size_t>(tab)] = pick;

    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    m_cmdQuickAddList[static_cast<size_t>(tab)] =
        MakeListButton(QStringLiteral("cmdQuickAddList%1").arg(tab), texts.add, frame);
    m_cmdRemoveList[static_cast<size_t>(tab)] =
        MakeListButton(QStringLiteral("cmdRemoveList%1").arg(tab), texts.remove, frame);
    buttons->addWidget(m_cmdQuickAddList[static_cast<size_t>(tab)]);
    buttons->addWidget(m_cmdRemoveList[static_cast<size_t>(tab)]);
    if (texts.up) {
        buttons->addSpacing(16);
        m_cmdMoveListUp[static_cast<size_t>(tab)] =
            MakeListButton(QStringLiteral("cmdMoveListUp%1").arg(tab), texts.up, frame);
        m_cmdMoveListDown[static_cast<size_t>(tab)] =
            MakeListButton(QStringLiteral("cmdMoveListDown%1").arg(tab), texts.down, frame);
        buttons->addWidget(m_cmdMoveListUp[static_cast<size_t>(tab)]);
        buttons->addWidget(m_cmdMoveListDown[static_cast<size_t>(tab)]);
    }
    buttons->addStretch(1);

    grid->addWidget(selectedLabel, 0, 0);
    grid->addWidget(list, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(pickLabel, 0, 2);
    grid->addWidget(pick, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    if (tab == 0 || tab == 1) {
        QPushButton* extra = new QPushButton(
            tab == 0 ? QStringLiteral("Import New Columns") : QStringLiteral("Sync with Columns"), frame);
        extra->setObjectName(tab == 0 ? QStringLiteral("cmdImportNewColumns") : QStringLiteral("cmdSyncWithColumns"));
        (tab == 0 ? m_cmdImportNewColumns : m_cmdSyncWithColumns) = extra;
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(extra);
        grid->addLayout(row, 2, 2);
    }
    return frame;
}

void frmListViewEdit::ConnectEvents()
{
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { Handle("cmdOK_Click", [&] { cmdOK_Click(); }); });
    for (int tab = 0; tab < kTabs; ++tab) {
        const size_t t = static_cast<size_t>(tab);
        connect(m_cmdQuickAddList[t], &QPushButton::clicked, this,
                [this, tab] { Handle("cmdQuickAddList_Click", [&] { cmdQuickAddList_Click(tab); }); });
        connect(m_cmdRemoveList[t], &QPushButton::clicked, this,
                [this, tab] { Handle("cmdRemoveList_Click", [&] { cmdRemoveList_Click(tab); }); });
        if (m_cmdMoveListUp[t]) {
            connect(m_cmdMoveListUp[t], &QPushButton::clicked, this,
                    [this, tab] { Handle("cmdMoveListUp_Click", [&] { MoveListItem(tab, true); }); });
            connect(m_cmdMoveListDown[t], &QPushButton::clicked, this,
                    [this, tab] { Handle("cmdMoveListDown_Click", [&] { MoveListItem(tab, false); }); });
        }
        ReportListView* list = m_lvwList[t];
        ReportListView* pick = m_lvwPickList[t];
        connect(list, &ReportListView::DblClick, this,
                [this, tab] { Handle("lvwList_DblClick", [&] { cmdRemoveList_Click(tab); }); });
        connect(pick, &ReportListView::DblClick, this,
                [this, tab] { Handle("lvwPickList_DblClick", [&] { cmdQuickAddList_Click(tab); }); });
        connect(list, &ReportListView::ItemClick, this, [this, tab](ListItem*) {
            Handle("lvwList_ItemClick", [&] {
                UpdateMoveButtons(tab);
                UpdateAddRemoveButtons(tab);
            });
        });
        connect(pick, &ReportListView::ItemClick, this,
                [this, tab](ListItem*) { Handle("lvwPickList_ItemClick", [&] { UpdateAddRemoveButtons(tab); }); });
        connect(list, &ReportListView::MouseUp, this, [this, tab](int button, int shift, int x, int y) {
            Handle("lvwList_MouseUp", [&] { lvwList_MouseUp(tab, button, shift, x, y); });
        });
        connect(pick, &ReportListView::MouseUp, this, [this, tab](int button, int shift, int x, int y) {
            Handle("lvwPickList_MouseUp", [&] { lvwPickList_MouseUp(tab, button, shift, x, y); });
        });
        connect(pick, &ReportListView::ColumnClick, this, [this, tab](ListColumnHeader* header) {
            Handle("lvwPickList_ColumnClick", [&] { lvwPickList_ColumnClick(tab, header); });
        });
    }
    connect(m_cmdSyncWithColumns, &QPushButton::clicked, this,
            [this] { Handle("cmdSyncWithColumns_Click", [&] { cmdSyncWithColumns_Click(); }); });
    connect(m_cmdImportNewColumns, &QPushButton::clicked, this,
            [this] { Handle("cmdImportNewColumns_Click", [&] { cmdImportNewColumns_Click(); }); });
    connect(m_SSTab1, &QTabWidget::currentChanged, this, [this](int) {
        Handle("SSTab1_Click", [&] {
            SSTab1_Click();
            KeepFocusInShownTab();
        });
    });
    connect(m_lkupBaseView, &eLookUp::Changed, this,
            [this](int32_t id) { Handle("lkupBaseView_Changed", [&] { lkupBaseView_Changed(id); }); });
    connect(m_chkCreateSQLView, &QCheckBox::stateChanged, this,
            [this](int) { Handle("chkCreateSQLView_Click", [&] { chkCreateSQLView_Click(); }); });
    connect(m_chkSaveAsNewView, &QCheckBox::stateChanged, this,
            [this](int) { Handle("chkSaveAsNewView_Click", [&] { chkSaveAsNewView_Click(); }); });
    connect(m_txtSQLViewName, &QLineEdit::textChanged, this,
            [this](const QString&) { Handle("txtSQLViewName_Change", [&] { txtSQLViewName_Change(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { Handle("cmdCancel_Click", [&] { cmdCancel_Click(); }); });
}

void frmListViewEdit::Form_Load()
{
    // A lookup that cannot be initialised offers nothing; the dialog opens anyway,
    // and the other lookup is initialised all the same.
    bool baseViews = true;
    try {
        m_lkupBaseView->Init(g_cn, QStringLiteral("Ld_Views"));
    } catch (const AppError&) {
        baseViews = false;
    }
    try {
        m_lkupSQLViewApplications->Init(g_cn, QStringLiteral("Ld_SQLViewApplications"));
    } catch (const AppError&) {
    }
    // The two catalogues cannot be the base of a view.
    if (baseViews) {
        try {
            m_lkupBaseView->SetFilter(QStringLiteral("(ViewName <> 'LdViews' AND ViewName <> 'LdMyViews')"));
        } catch (const AppError&) {
            // A lookup that cannot be read offers nothing.
        }
    }
    m_SSTab1->setTabEnabled(4, false);
    for (int tab = 0; tab < kTabs; ++tab) {
        const size_t t = static_cast<size_t>(tab);
        if (m_cmdMoveListDown[t]) {
            m_cmdMoveListDown[t]->setIcon(m_imgArrows.value(QStringLiteral("DOWN")));
            m_cmdMoveListUp[t]->setIcon(m_imgArrows.value(QStringLiteral("UP")));
        }
        // The chosen list stands left of the available one.
        m_cmdQuickAddList[t]->setIcon(m_imgArrows.value(QStringLiteral("LEFT")));
        m_cmdRemoveList[t]->setIcon(m_imgArrows.value(QStringLiteral("RIGHT")));
    }
    // The header widths are shares of the lists' widths: lay the dialog out first.
    layout()->activate();
    m_SSTab1->setCurrentIndex(0);
    for (int tab = 0; tab < kTabs; ++tab)
        m_TabFrame[static_cast<size_t>(tab)]->resize(m_SSTab1->currentWidget()->size());
    for (int tab = 0; tab < kTabs; ++tab)
        if (auto* l = m_TabFrame[static_cast<size_t>(tab)]->layout())
            l->activate();
    SetListHeaders();
    for (int tab = 0; tab < kTabs; ++tab) {
        SetListViewState(m_lvwList[static_cast<size_t>(tab)], false);
        SetListViewState(m_lvwPickList[static_cast<size_t>(tab)], false);
    }
    for (int tab = 0; tab < 3; ++tab)
        UpdateMoveButtons(tab);
    for (int tab = 0; tab < kTabs; ++tab)
        UpdateAddRemoveButtons(tab);
    TabExcluded().Init(m_SSTab1);
    SSTab1_Click();
    // The dialog sees the keys typed in any of its controls first.
    qApp->installEventFilter(this);
}

bool frmListViewEdit::Form_Unload()
{
    qApp->removeEventFilter(this);
    if (m_oTabExcluded)
        m_oTabExcluded->Dispose();
    m_oTabExcluded.reset();
    m_oView.reset();
    return false;
}

bool frmListViewEdit::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // A key travels up from the focused control; it is previewed once, at its first receiver.
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (widget == first && widget->window() == this && isVisible()) {
            auto* key = static_cast<QKeyEvent*>(event);
            int keyCode = VbKeyCode(key->key());
            const int shift = VbShiftState(key->modifiers());
            if (keyCode != 0) {
                bool swallow = false;
                Handle(event->type() == QEvent::KeyPress ? "Form_KeyDown" : "Form_KeyUp", [&] {
                    if (event->type() == QEvent::KeyPress)
                        Form_KeyDown(keyCode, shift);
                    else
                        Form_KeyUp(keyCode, shift);
                    swallow = keyCode == 0;
                });
                if (swallow)
                    return true;
            }
        }
    }
    return Form::eventFilter(watched, event);
}

void frmListViewEdit::KeepFocusInShownTab()
{
    if (!isVisible())
        return;
    QWidget* frame = m_TabFrame[static_cast<size_t>(m_SSTab1->currentIndex())];
    QWidget* focus = QApplication::focusWidget();
    if (!frame || (focus && frame->isAncestorOf(focus)))
        return;
    // The previous tab's frame is switched off under the focus, which would then
    // move on to the header's first box (and select its text for the next key).
    for (QWidget* w = frame->nextInFocusChain(); w && w != frame; w = w->nextInFocusChain()) {
        if (frame->isAncestorOf(w) && w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    frame->setFocus(Qt::OtherFocusReason);  // nothing on the tab takes the focus: the tab itself keeps it
}

void frmListViewEdit::Form_KeyDown(int& keyCode, int shift) { TabExcluded().KeyDown(keyCode, shift); }

void frmListViewEdit::Form_KeyUp(int& keyCode, int shift)
{
    TabExcluded().KeyUp(QApplication::focusWidget(), keyCode, shift);
}

void frmListViewEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        m_cmdCancel->click();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_cmdOK->isEnabled()) {
        m_cmdOK->click();
        return;
    }
    Form::keyPressEvent(e);
}
