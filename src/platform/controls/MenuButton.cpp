#include "platform/controls/MenuButton.h"

#include <QAction>
#include <QMenu>

namespace FILTERLib {

namespace {
const char* const kKeyProperty = "menuButtonKey";
const char* const kCaptionProperty = "menuButtonCaption";
}

MenuButton::MenuButton(QWidget* parent) : QToolButton(parent)
{
    m_menu = new QMenu(this);
    setMenu(m_menu);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(m_menu, &QMenu::aboutToShow, this, [this] { emit DropDown(); });
    connect(m_menu, &QMenu::triggered, this, [this](QAction* action) {
        if (!action->isSeparator())
            emit ItemClick(action->property(kKeyProperty).toString());
    });
}

void MenuButton::Clear() { m_menu->clear(); }

void MenuButton::AddItem(int index, const QString& key, const QString& caption)
{
    // A separator carries no text: some styles would draw it as a section title.
    const bool separator = caption == QLatin1String("-");
    // The caption is shown as given: a "&" in it is a character, not a mnemonic.
    auto* action = new QAction(separator ? QString() : QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")),
                               m_menu);
    action->setProperty(kKeyProperty, key);
    action->setProperty(kCaptionProperty, caption);
    action->setSeparator(separator);
    QAction* before = index >= 0 ? actionAt(index) : nullptr;
    m_menu->insertAction(before, action);
}

int MenuButton::Count() const { return static_cast<int>(m_menu->actions().size()); }

QAction* MenuButton::actionAt(int position) const
{
    const QList<QAction*> actions = m_menu->actions();
    return position >= 0 && position < actions.size() ? actions[position] : nullptr;
}

QString MenuButton::Caption(int position, const QString& key) const
{
    if (!key.isEmpty()) {
        for (QAction* a : m_menu->actions())
            if (a->property(kKeyProperty).toString() == key)
                return a->isSeparator() ? QStringLiteral("-") : a->property(kCaptionProperty).toString();
        return QString();
    }
    QAction* a = actionAt(position);
    if (!a)
        return QString();
    return a->isSeparator() ? QStringLiteral("-") : a->property(kCaptionProperty).toString();
}

void MenuButton::EnableItem(int index, const QString& key, bool enabled)
{
    QAction* target = nullptr;
    if (!key.isEmpty()) {
        for (QAction* a : m_menu->actions()) {
            if (a->property(kKeyProperty).toString() == key) {
                target = a;
                break;
            }
        }
    }
    if (!target)
        target = actionAt(index);
    if (target && !target->isSeparator())
        target->setEnabled(enabled);
}

bool MenuButton::IsItemEnabled(int position) const
{
    QAction* a = actionAt(position);
    return a && a->isEnabled();
}

QString MenuButton::Key(int position) const
{
    QAction* a = actionAt(position);
    return a ? a->property(kKeyProperty).toString() : QString();
}

void MenuButton::ChooseItem(int position)
{
    QAction* a = actionAt(position);
    if (a && a->isEnabled() && !a->isSeparator())
        a->trigger();
}

}  // namespace FILTERLib
