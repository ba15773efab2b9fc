#pragma once
// A context menu built at run time from a list of entries and shown at a point
// of a control: the caller fills it, shows it, and gets back the chosen entry's
// name and key. Entries may be disabled, may be separators, and sub-entries are
// gathered into a one-level submenu carried by the next entry that is not one.
// A menu is built for each ShowPopUpMenu and destroyed when it closes.
//
// Every menu goes through one seam: tests install an answerer that looks at the
// built menu and picks an action, as they answer message boxes.

#include "base/Variant.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;

class PopUpMenuItem : public VObject {
public:
    PopUpMenuItem() = default;

    QString MenuName;     // the caption, and what ShowPopUpMenu returns for the entry
    QString MenuKey;      // the caller's key, written back for the chosen entry
    int32_t MenuType = 0; // 0 a text entry, kSeparator a separator (top-level entries only)
    bool SubMenu = false; // belongs to the submenu of the next entry that is not a sub-entry
    bool Enabled = true;  // false: shown grey, cannot be chosen

    static constexpr int32_t kSeparator = 2048;

    // The entry's command id in the built menu; PopUpMenu sets it when it adds the entry.
    int32_t MenuKeyID() const;
    void SetMenuKeyID(int32_t id);

private:
    int32_t m_menuKeyID = 0;
};
using PopUpMenuItemRef = std::shared_ptr<PopUpMenuItem>;

// What the seam receives for each menu: the built menu (its actions carry the
// entries' command ids as data), where it would open, and its owner window.
struct PopUpMenuRequest {
    QMenu* menu = nullptr;
    QPoint screenPos;
    QWidget* owner = nullptr;
};
// Returns the action the user chose, or nullptr for a dismissed menu.
using PopUpMenuAnswerer = std::function<QAction*(const PopUpMenuRequest&)>;
// Tests install an answerer; nullptr restores real menus.
void SetPopUpMenuAnswerer(PopUpMenuAnswerer answerer);

class PopUpMenu {
public:
    PopUpMenu() = default;
    ~PopUpMenu();
    PopUpMenu(const PopUpMenu&) = delete;
    PopUpMenu& operator=(const PopUpMenu&) = delete;

    // The control whose client coordinates ShowPopUpMenu receives; ScaleMode 1 means
    // those are twips, anything else pixels.
    void Init(QWidget* ctl, int32_t ScaleMode = 0);
    int16_t Count() const;
    // The entry at a 1-based position.
    PopUpMenuItemRef Item(const Variant& vIndex) const;
    // Appends an entry whose id is the entry count + 1. Always returns 0.
    int32_t AddPopUpItem(const QString& Name, const QString& Key = QString(), bool Subitem = false);
    // Appends a separator named "sep-" and its id. Always returns 0.
    int32_t AddSeparator();
    // Removes the entry at a 1-based position; the other ids stay as they are.
    void Remove(const Variant& vIndex);
    void Clear();
    // Shows the menu at (x, y) of the control's (or hWnd's) client area and returns
    // when it closes: the chosen entry's MenuName, with its MenuKey written to
    // *strMenuKey; the empty text, the key untouched, when nothing was chosen.
    // With scale mode 1 the caller's x and y are converted to pixels in place.
    QString ShowPopUpMenu(float& x, float& y, QString* strMenuKey = nullptr, QWidget* hWnd = nullptr);

private:
    std::vector<PopUpMenuItemRef>& entries();
    size_t position(const Variant& vIndex) const;

    std::unique_ptr<std::vector<PopUpMenuItemRef>> m_entries;  // created on first use
    QPointer<QWidget> m_ctl;
    int32_t m_scaleMode = 0;
};
