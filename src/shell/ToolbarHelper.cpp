#include "shell/ToolbarHelper.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "shell/frmToolbarContextMenu.h"

#include <QAction>
#include <QChildEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>

ToolbarHelper::~ToolbarHelper()
{
    RunEventHandler("ToolbarHelper", "Class_Terminate", [&] { Dispose(); });
}

void ToolbarHelper::Init(QWidget* frmParent, QToolBar* tb, bool bShowText)
{
    Traced("ToolbarHelper", "Init", [&] {
        Bind(tb);
        m_owner = frmParent;
        m_bShowText = bShowText;
        const QList<QAction*> buttons = tb ? tb->actions() : QList<QAction*>();
        m_captions = QStringList(buttons.size() + 1);
        for (qsizetype i = 0; i < buttons.size(); ++i)
            m_captions[i + 1] = buttons[i]->text();
        if (tb)
            m_labelledStyle = tb->toolButtonStyle();
        if (!bShowText)
            for (QAction* button : buttons)
                button->setText(QString());
        ApplyButtonStyle();
        CallOwnerResize();
    });
}

Variant ToolbarHelper::IsTextShown() const
{
    return Traced("ToolbarHelper", "IsTextShown", [&] { return Variant(m_bShowText); });
}

void ToolbarHelper::Dispose()
{
    Traced("ToolbarHelper", "Dispose", [&] {
        if (m_frmMenu) {
            m_frmMenu->Dispose();
            m_frmMenu = nullptr;
        }
        m_owner = nullptr;
        Unbind();
    });
}

void ToolbarHelper::MenuClicked()
{
    Traced("ToolbarHelper", "MenuClicked", [&] {
        const QList<QAction*> buttons = m_tb ? m_tb->actions() : QList<QAction*>();
        for (qsizetype i = 0; i < buttons.size(); ++i)
            buttons[i]->setText(m_bShowText ? QString() : m_captions.value(i + 1));
        m_bShowText = !m_bShowText;
        ApplyButtonStyle();
        if (m_tb)
            m_tb->update();
        CallOwnerResize();
        if (m_frmMenu && IsFormLoaded(m_frmMenu))
            Unload(m_frmMenu);
        m_frmMenu = nullptr;
    });
}

void ToolbarHelper::ApplyButtonStyle()
{
    // A button without its caption would still keep the caption's line below the
    // picture: the toolbar shrinks to its pictures while the labels are hidden.
    if (m_tb)
        m_tb->setToolButtonStyle(m_bShowText ? m_labelledStyle : Qt::ToolButtonIconOnly);
}

void ToolbarHelper::CallOwnerResize()
{
    // The owner is asked by what it offers, as a call by name would.
    auto* owner = dynamic_cast<ToolbarOwner*>(m_owner.data());
    if (!owner)
        RaiseError(vberr::ObjectDoesntSupport);
    owner->Resize();
}

// ---------------------------------------------------------------- the toolbar's mouse

void ToolbarHelper::Bind(QToolBar* tb)
{
    Unbind();
    m_tb = tb;
    if (!m_tb)
        return;
    // The buttons get the toolbar's mouse first: watch them as well.
    m_tb->installEventFilter(this);
    for (QWidget* child : m_tb->findChildren<QWidget*>())
        child->installEventFilter(this);
}

void ToolbarHelper::Unbind()
{
    if (!m_tb)
        return;
    m_tb->removeEventFilter(this);
    for (QWidget* child : m_tb->findChildren<QWidget*>())
        child->removeEventFilter(this);
    m_tb = nullptr;
}

bool ToolbarHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_tb || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != m_tb && !m_tb->isAncestorOf(widget))
        return false;
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (widget == m_tb) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType())
                child->installEventFilter(this);
        }
        return false;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::RightButton)
            return false;
        RunEventHandler("ToolbarHelper", "m_tb_MouseDown", [&] { MouseDown(e->button()); });
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::RightButton)
            return false;
        const QPoint pos = widget->mapTo(m_tb, e->position().toPoint());
        RunEventHandler("ToolbarHelper", "m_tb_MouseUp", [&] { MouseUp(e->button(), pos); });
        return true;
    }
    case QEvent::ContextMenu:
        // The menu opens at the release of the button, from here; no other menu opens.
        return true;
    default:
        return false;
    }
}

void ToolbarHelper::MouseDown(Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    auto* holder = new frmToolbarContextMenu;
    holder->Init(this);
    Load(holder);
    m_frmMenu = holder;
}

void ToolbarHelper::MouseUp(Qt::MouseButton button, const QPoint& toolbarPos)
{
    if (button != Qt::RightButton || !m_tb)
        return;
    if (!m_frmMenu)
        RaiseError(vberr::ObjectNotSet);
    const QPoint at = m_tb->mapToGlobal(toolbarPos);
    QPointer<frmToolbarContextMenu> holder = m_frmMenu;
    QMenu* menu = holder->mnuContext();
    QAction* item = holder->mnuShowTextLabels();
    item->setText(m_bShowText ? QStringLiteral("Hide Text Labels") : QStringLiteral("Show Text Labels"));
    QAction* chosen = nullptr;
    {
        ModalLoopScope modal;
        chosen = menu->exec(at);
    }
    // The choice reaches the holder after the menu has closed.
    if (holder && chosen == item)
        holder->mnuShowTextLabels_Click();
}
