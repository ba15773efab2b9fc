#pragma once
// The main window: the frame the list windows open in as child windows, with the
// menus, the toolbar (My Views, All Views), the status bar (the date in its
// second panel) and the product logo in the bottom-right corner. One shared
// instance; closing it ends the session.

#include "platform/forms/FormsRuntime.h"
#include "platform/forms/ImageList.h"
#include "shell/ToolbarHelper.h"
#include "shell/frmQuillonLogo.h"

#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class HTMLHelp;
class QAction;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;

class frmMDIFrame : public Form, public ToolbarOwner {
    Q_OBJECT
public:
    // The shared instance, created on first reference (and anew after it was unloaded).
    static frmMDIFrame* Instance();
    ~frmMDIFrame() override;

    // Nothing to lay out: the frame places its toolbar itself.
    void Resize() override {}

    // Opens the list window of a catalogue view (My Views or All Views) for its
    // ViewID: a new window each time, shown as a child of this window. Until one
    // is registered the two commands stop after the rights check.
    using ListWindowOpener = std::function<void(int32_t viewId)>;
    static void SetListWindowOpener(ListWindowOpener opener);

    // Shows a form as a child window inside this one (loading it first).
    void ShowChild(Form* form);
    // The child window that frames the form; nullptr when it is none of ours.
    QMdiSubWindow* ChildFrameOf(const Form* form) const;
    // The child windows the Window menu lists, in their order of opening.
    std::vector<Form*> ChildForms() const;

    // The controls.
    QMainWindow* Frame() const { return m_frame; }
    QMenuBar* MenuBar() const;
    QToolBar* tbMain() const { return m_tbMain; }
    QStatusBar* SBMDIFrame() const { return m_SBMDIFrame; }
    // A panel of the status bar, 1-based.
    QLabel* StatusPanel(int index) const;
    QMdiArea* MDIClient() const { return m_mdiArea; }
    const ImageList& imgListToolbar() const { return m_imgListToolbar; }
    // The header images of sorted lists (control "CHSortIcons"): image 0 ascending,
    // image 1 descending. A list selection helper bound to a list picks them up.
    const ImageList& CHSortIcons() const { return m_CHSortIcons; }
    // A menu or menu item by its control name ("mnuFile", "mnuExit", "Help", ...).
    QAction* MenuItem(const QString& controlName) const;
    ToolbarHelper* TextLabels() const { return m_toolbarHelper.get(); }
    // The help object, made by the first Help command; nullptr before.
    HTMLHelp* HelpObject() const { return m_help.get(); }
    frmQuillonLogo* Logo() const { return m_logo; }
    // Where the help file is expected: the program's folder and "<AppName>.chm".
    const QString& HelpFile() const { return m_helpFile; }

    // The settings key of the window and the maker's website.
    static constexpr const char* kSettingsSubKey = "Quillon\\MDIFrame";
    static constexpr const char* kWebsite = "https://www.harbrook.example/quillon";
    static constexpr int kHelpContextId = 17130;

protected:
    void Form_Load() override;
    bool Form_QueryUnload(int unloadMode) override;
    bool Form_Unload() override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMDIFrame();
    // Hides the frame of an unloaded child and activates the child used before it.
    void CloseChildFrame(QMdiSubWindow* frame);
    void BuildMenus();
    void BuildToolbar();
    void BuildStatusBar();
    QAction* AddItem(QMenu* menu, const char* controlName, const QString& caption);
    QMenu* AddMenu(const char* controlName, const QString& caption);
    void AddSeparator(QMenu* menu, const char* controlName);
    void RunMenu(const char* procedure, const std::function<void()>& action);

    // The commands.
    void OpenViews(const QString& securedObject, const QString& viewName);
    void mnuWindowCascade_Click();
    void Help_Click();
    void mnuHelpWebsite_Click();
    void mnuHelpAbout_Click();
    void tbMain_ButtonClick(const QString& key);
    void RefreshWindowList();
    // Places the logo in the client area's bottom-right corner (creating it when needed).
    void PlaceLogo();

    QMainWindow* m_frame = nullptr;
    QToolBar* m_tbMain = nullptr;
    QStatusBar* m_SBMDIFrame = nullptr;
    std::vector<QLabel*> m_panels;
    QMdiArea* m_mdiArea = nullptr;
    QMenu* m_mnuWindows = nullptr;
    std::vector<QAction*> m_windowListItems;
    ImageList m_imgListToolbar{QStringLiteral("imgListToolbar"), this};
    ImageList m_CHSortIcons{QStringLiteral("CHSortIcons"), this};
    std::unique_ptr<ToolbarHelper> m_toolbarHelper;
    std::unique_ptr<HTMLHelp> m_help;
    QPointer<frmQuillonLogo> m_logo;
    QString m_helpFile;
    bool m_wasUnloaded = false;
};

// Registers the About box as start-up's splash and this main window as the one
// start-up shows, and has F1 open the help in the other windows (WindowHelp).
void RegisterShellWindows();
