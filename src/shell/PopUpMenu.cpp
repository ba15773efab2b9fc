#include "shell/PopUpMenu.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QAction>
#include <QMenu>

namespace {

PopUpMenuAnswerer& answerer()
{
    static PopUpMenuAnswerer a;
    return a;
}

// The action with a command id in a menu or its submenus, and the menu holding it.
QAction* FindById(QMenu* menu, int32_t id, QMenu** holder)
{
    for (QAction* action : menu->actions()) {
        if (action->data().isValid() && action->data().toInt() == id) {
            *holder = menu;
            return action;
        }
        if (QMenu* sub = action->menu())
            if (QAction* found = FindById(sub, id, holder))
                return found;
    }
    return nullptr;
}

// Puts the action at the end of the menu, or, when an item with the same id is in
// it already, just before that item, as an insertion by command does.
void InsertById(QMenu* menu, QAction* action, int32_t id)
{
    QMenu* holder = nullptr;
    if (QAction* before = FindById(menu, id, &holder))
        holder->insertAction(before, action);
    else
        menu->addAction(action);
}

}  // namespace

void SetPopUpMenuAnswerer(PopUpMenuAnswerer a) { answerer() = std::move(a); }

// ---------------------------------------------------------------- PopUpMenuItem

int32_t PopUpMenuItem::MenuKeyID() const
{
    return Traced("PopUpMenuItem", "MenuKeyID", [&] { return m_menuKeyID; });
}

void PopUpMenuItem::SetMenuKeyID(int32_t id)
{
    Traced("PopUpMenuItem", "MenuKeyID", [&] { m_menuKeyID = id; });
}

// ---------------------------------------------------------------- PopUpMenu

PopUpMenu::~PopUpMenu() = default;

std::vector<PopUpMenuItemRef>& PopUpMenu::entries()
{
    if (!m_entries)
        m_entries = std::make_unique<std::vector<PopUpMenuItemRef>>();
    return *m_entries;
}

size_t PopUpMenu::position(const Variant& vIndex) const
{
    const int32_t index = vIndex.toInt32();
    if (!m_entries || index < 1 || static_cast<size_t>(index) > m_entries->size())
        RaiseError(vberr::SubscriptOutOfRange);
    return static_cast<size_t>(index - 1);
}

void PopUpMenu::Init(QWidget* ctl, int32_t ScaleMode)
{
    Traced("PopUpMenu", "Init", [&] {
        m_ctl = ctl;
        m_scaleMode = ScaleMode;
    });
}

int16_t PopUpMenu::Count() const
{
    return Traced("PopUpMenu", "Count", [&] {
        return static_cast<int16_t>(m_entries ? m_entries->size() : 0);
    });
}

PopUpMenuItemRef PopUpMenu::Item(const Variant& vIndex) const
{
    return Traced("PopUpMenu", "Item", [&] {
        // The position first: it refuses an index when there is no entry list at all.
        const size_t at = position(vIndex);
        return (*m_entries)[at];
    });
}

int32_t PopUpMenu::AddPopUpItem(const QString& Name, const QString& Key, bool Subitem)
{
    return Traced("PopUpMenu", "AddPopUpItem", [&] {
        auto item = std::make_shared<PopUpMenuItem>();
        item->SetMenuKeyID(static_cast<int32_t>(entries().size()) + 1);
        item->MenuName = Name;
        item->MenuKey = Key;
        item->MenuType = 0;
        item->SubMenu = Subitem;
        entries().push_back(item);
        return int32_t(0);
    });
}

int32_t PopUpMenu::AddSeparator()
{
    return Traced("PopUpMenu", "AddSeparator", [&] {
        auto item = std::make_shared<PopUpMenuItem>();
        const int32_t id = static_cast<int32_t>(entries().size()) + 1;
        item->SetMenuKeyID(id);
        item->MenuName = QStringLiteral("sep-") + QString::number(id);
        item->MenuType = PopUpMenuItem::kSeparator;
        entries().push_back(item);
        return int32_t(0);
    });
}

void PopUpMenu::Remove(const Variant& vIndex)
{
    Traced("PopUpMenu", "Remove", [&] {
        const size_t at = position(vIndex);
        m_entries->erase(m_entries->begin() + static_cast<std::ptrdiff_t>(at));
    });
}

void PopUpMenu::Clear()
{
    Traced("PopUpMenu", "Clear", [&] {
        while (m_entries && !m_entries->empty())
            m_entries->erase(m_entries->begin());
    });
}

QString PopUpMenu::ShowPopUpMenu(float& x, float& y, QString* strMenuKey, QWidget* hWnd)
{
    return Traced("PopUpMenu", "ShowPopUpMenu", [&] {
        // The window first: without one there is nothing to place the menu on.
        QWidget* window = hWnd ? hWnd : m_ctl.data();
        if (!window)
            RaiseError(vberr::ObjectNotSet);

        // The entries at this moment: a caller's answer cannot change what is built.
        const std::vector<PopUpMenuItemRef> list = m_entries ? *m_entries : std::vector<PopUpMenuItemRef>();
        QPointer<QMenu> menu = new QMenu(window);
        menu->setObjectName(QStringLiteral("PopUpMenu"));
        // Sub-entries wait here for the next entry that is not one; the submenus are
        // children of the menu and go with it.
        QMenu* pending = nullptr;
        for (const PopUpMenuItemRef& entry : list) {
            const int32_t id = entry->MenuKeyID();
            QAction* action = nullptr;
            QMenu* target = menu;
            if (entry->SubMenu) {
                if (!pending) {
                    pending = new QMenu(menu);
                    pending->setObjectName(QStringLiteral("PopUpSubMenu"));
                }
                // Always a text entry, whatever its type.
                action = new QAction(entry->MenuName, pending);
                target = pending;
            } else if (entry->MenuType & PopUpMenuItem::kSeparator) {
                // A separator carries no submenu: sub-entries handed to it are not shown.
                action = new QAction(menu);
                action->setSeparator(true);
                pending = nullptr;
            } else {
                if (pending) {
                    action = pending->menuAction();
                    pending->setTitle(entry->MenuName);
                } else {
                    action = new QAction(entry->MenuName, menu);
                }
                pending = nullptr;
            }
            action->setData(id);
            action->setEnabled(entry->Enabled);
            InsertById(target, action, id);
        }

        if (m_scaleMode == 1) {
            x = x / static_cast<float>(TwipsPerPixelX());
            y = y / static_cast<float>(TwipsPerPixelY());
        }
        const QPoint origin = window->mapToGlobal(QPoint(0, 0));
        const QPoint at(static_cast<int>(RoundHalfEven(static_cast<double>(x) + origin.x())),
                        static_cast<int>(RoundHalfEven(static_cast<double>(y) + origin.y())));

        QAction* chosen = nullptr;
        if (answerer()) {
            chosen = answerer()(PopUpMenuRequest{menu, at, window});
        } else {
            ModalLoopScope modal;
            chosen = menu->exec(at);
        }
        // Only an entry a user could pick counts: not a separator, not a submenu's
        // carrier, not a disabled entry, and one of this menu's.
        int32_t command = 0;
        if (menu && chosen && chosen->isEnabled() && !chosen->isSeparator() && !chosen->menu() &&
            chosen->data().isValid()) {
            for (QObject* o = chosen->parent(); o; o = o->parent())
                if (o == menu) {
                    command = chosen->data().toInt();
                    break;
                }
        }
        delete menu.data();

        if (command == 0)
            return QString();
        for (const PopUpMenuItemRef& entry : list) {
            if (entry->MenuKeyID() == command) {
                if (strMenuKey)
                    *strMenuKey = entry->MenuKey;
                return entry->MenuName;
            }
        }
        return QString();
    });
}
