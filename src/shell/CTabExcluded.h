#pragma once
// Keyboard navigation over the tabs of a tab control that skips the tabs the
// form has switched off. The form binds its tab control, hands the object every
// key-down and key-up it previews: key-down swallows Ctrl+Tab and
// Ctrl+Shift+Tab so that neither the tab control nor the focused control acts
// on them, and key-up moves to the next or previous available tab. When no
// other tab is available, the current tab stays.

#include <QPointer>
#include <QTabWidget>

class CTabExcluded {
public:
    CTabExcluded();
    ~CTabExcluded();
    CTabExcluded(const CTabExcluded&) = delete;
    CTabExcluded& operator=(const CTabExcluded&) = delete;

    // Binds the tab control, replacing an earlier one.
    void Init(QTabWidget* tabs);
    // Sets keyCode to 0 for Ctrl+Tab and Ctrl+Shift+Tab (shift mask 2 or 3).
    void KeyDown(int& keyCode, int shift);
    // Switches tabs for Ctrl+Tab (forward) and Ctrl+Shift+Tab (backward), unless
    // the active control is the tab control itself.
    void KeyUp(QWidget* activeControl, int& keyCode, int shift);
    void Dispose();

    QTabWidget* TabControl() const { return m_tabs; }

private:
    bool available(int tab) const;
    QPointer<QTabWidget> m_tabs;
};
