#pragma once
// A tool button with a drop-down menu of keyed items. A caption "-" makes a
// separator line, which is never reported as chosen. DropDown is raised before
// the menu opens (its handler may still enable or disable items), ItemClick(key)
// when an item is chosen.

#include <QToolButton>

class QMenu;
class QAction;

namespace FILTERLib {

class MenuButton : public QToolButton {
    Q_OBJECT
public:
    explicit MenuButton(QWidget* parent = nullptr);

    // Removes every item.
    void Clear();
    // Inserts an item at the 0-based position index; an index past the end appends.
    void AddItem(int index, const QString& key, const QString& caption);
    int Count() const;
    // The caption of the item at the 0-based position, or of the item with that key
    // when key is not empty; "" when there is none.
    QString Caption(int position, const QString& key = QString()) const;
    // Enables or disables the item with that key, or (key empty or not found) the
    // item at the 0-based position index. Separators stay as they are.
    void EnableItem(int index, const QString& key, bool enabled);
    bool IsItemEnabled(int position) const;
    QString Key(int position) const;
    // Chooses the item at the position as a click in the menu does (tests).
    void ChooseItem(int position);
    QMenu* Menu() const { return m_menu; }

signals:
    void DropDown();
    void ItemClick(const QString& key);

private:
    QAction* actionAt(int position) const;
    QMenu* m_menu = nullptr;
};

}  // namespace FILTERLib
