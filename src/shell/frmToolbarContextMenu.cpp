#include "shell/frmToolbarContextMenu.h"

#include "base/AppError.h"
#include "shell/ToolbarHelper.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

frmToolbarContextMenu::frmToolbarContextMenu() : Form(QStringLiteral("frmToolbarContextMenu"))
{
    SetCaption(QStringLiteral("Toolbar Context Menu Form"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(TwipsToPixelsX(4680), TwipsToPixelsY(3195));
    auto* menuBar = new QMenuBar(this);
    m_mnuContext = menuBar->addMenu(QStringLiteral("Toolbar Context Menu"));
    m_mnuContext->setObjectName(QStringLiteral("mnuContext"));
    m_mnuShowTextLabels = m_mnuContext->addAction(QStringLiteral("Show Text Labels"));
    m_mnuShowTextLabels->setObjectName(QStringLiteral("mnuShowTextLabels"));
    auto* label = new QLabel(QStringLiteral("This form should always be hidden in the product."), this);
    label->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(label);
}

frmToolbarContextMenu::~frmToolbarContextMenu()
{
    try {
        Dispose();
    } catch (...) {
    }
}

void frmToolbarContextMenu::Dispose()
{
    Traced("frmToolbarContextMenu", "Dispose", [&] { m_tbHelper = nullptr; });
}

void frmToolbarContextMenu::Init(ToolbarHelper* tbHelper)
{
    Traced("frmToolbarContextMenu", "Init", [&] { m_tbHelper = tbHelper; });
}

bool frmToolbarContextMenu::Form_Unload()
{
    m_tbHelper = nullptr;
    return false;
}

void frmToolbarContextMenu::mnuShowTextLabels_Click()
{
    RunEventHandler("frmToolbarContextMenu", "mnuShowTextLabels_Click", [&] {
        if (m_tbHelper)
            m_tbHelper->MenuClicked();
    });
}
