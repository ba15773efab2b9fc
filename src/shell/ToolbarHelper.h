#pragma once
// Shows or hides the text labels of a form's toolbar. The user switches them
// with a menu that opens when the right mouse button is released over the
// toolbar; the menu lives on a hidden holder form (frmToolbarContextMenu). The
// owner form keeps the choice in its settings: it passes the stored choice to
// Init and reads the current one back with IsTextShown when it closes.

#include "base/Variant.h"
#include "shell/frmToolbarContextMenu.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QToolBar;
class QWidget;

// What a form that owns a ToolbarHelper offers: Resize lays the form out again
// after its toolbar changed. A form without it makes Init and the switch fail
// with error 438.
class ToolbarOwner {
public:
    virtual ~ToolbarOwner() = default;
    virtual void Resize() = 0;
};

class ToolbarHelper : public QObject {
    Q_OBJECT
public:
    ToolbarHelper() = default;
    ~ToolbarHelper() override;

    // Binds the form and its toolbar, keeps the buttons' captions (blanking them
    // when bShowText is false) and calls the form's Resize.
    void Init(QWidget* frmParent, QToolBar* tb, bool bShowText);
    // Whether the buttons show their text labels (a Boolean); False before Init.
    Variant IsTextShown() const;
    // Drops the holder form, the owner and the toolbar.
    void Dispose();
    // Switches the labels; the holder form calls it when its item is chosen.
    void MenuClicked();

    // The holder form of the latest right-button press (nullptr: none).
    frmToolbarContextMenu* MenuHolder() const { return m_frmMenu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Bind(QToolBar* tb);
    void Unbind();
    void CallOwnerResize();
    void ApplyButtonStyle();
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button, const QPoint& toolbarPos);

    QPointer<QToolBar> m_tb;
    QPointer<QWidget> m_owner;
    bool m_bShowText = false;
    Qt::ToolButtonStyle m_labelledStyle = Qt::ToolButtonIconOnly;  // the toolbar's style at Init
    QStringList m_captions;  // index 1..n: the buttons' captions at Init; 0 stays empty
    QPointer<frmToolbarContextMenu> m_frmMenu;
};
