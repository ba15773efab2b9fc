#pragma once
// The hidden form that holds the toolbar's context menu ("Show Text Labels" /
// "Hide Text Labels"). A new one is loaded, never shown, for each right-button
// press over a toolbar; choosing the item switches the labels of the
// ToolbarHelper it serves.

#include "platform/forms/FormsRuntime.h"

#include <QPointer>

class QAction;
class QMenu;
class ToolbarHelper;

class frmToolbarContextMenu : public Form {
    Q_OBJECT
public:
    frmToolbarContextMenu();
    ~frmToolbarContextMenu() override;

    // Drops the ToolbarHelper it serves.
    void Dispose();
    void Init(ToolbarHelper* tbHelper);

    // The menu "Toolbar Context Menu" and its one item.
    QMenu* mnuContext() const { return m_mnuContext; }
    QAction* mnuShowTextLabels() const { return m_mnuShowTextLabels; }
    // The item's click.
    void mnuShowTextLabels_Click();

protected:
    bool Form_Unload() override;

private:
    QPointer<ToolbarHelper> m_tbHelper;
    QMenu* m_mnuContext = nullptr;
    QAction* m_mnuShowTextLabels = nullptr;
};
