#pragma once
// The logon window: borderless, painted with its skin and cut to the skin's shape,
// dragged with any mouse button. It lists the stored logon profiles, takes the user
// id and password and logs on through LogOn; it counts failed attempts and stores
// the logon settings after a success. The window sees every key press before its
// controls: Enter anywhere is OK, Esc is Cancel.
//
// The program has one logon window (Instance), which ShowLogon shows modally. A
// showing is Init, the modal show, the user's attempts, and the end: a success or
// a third counted failure hides and unloads the window, Cancel unloads it; outside
// re-logon mode Cancel and the third failure end the program, and so does closing
// the window through the window system.

#include "core/StartUp.h"
#include "listhelpers/ComboBoxHelper.h"
#include "logon/LogonSettings.h"
#include "platform/forms/FormsRuntime.h"
#include "shell/Region.h"
#include "shell/clsImageSwapper.h"

#include <QPixmap>
#include <QPointer>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

class frmLogonNew : public Form, public LogonWindowHost {
    Q_OBJECT
public:
    // The program's one logon window, created on first use; it is kept after its unload.
    static frmLogonNew* Instance();

    frmLogonNew();
    ~frmLogonNew() override;

    // ---- what its callers use
    Form* LogonForm() override { return this; }
    // Caption and application number; re-logon mode off; skin, objects, settings
    // and profiles loaded. Never fails: a step that fails is left as it is.
    void Init(const QString& strCaption, int16_t& iApplication) override;
    void Init(const QString& strCaption);
    bool Relogin() const override { return m_bRelogin; }
    void SetRelogin(bool value) override { m_bRelogin = value; }

    // ---- the window's procedures (the events of its controls call them)
    // OK: the input check, then one logon attempt; closes the window after a
    // success or the third counted failure.
    void picOk_Click();
    // Cancel: unloads the window and, outside re-logon mode, ends the program.
    void picCancel_Click();
    void picDropSelector_Click();
    void cmdEditProfiles_Click();
    void Picture1_Click();
    // A profile entry must be chosen and a user id given; otherwise a message.
    bool CheckValidInformation();
    // One attempt with the chosen profile; true on success.
    bool AttemptLogin();
    // Opens or closes the profile list.
    void ToggleProfileDropDown();
    // Fills the profile box: the profiles, then "<create new logon profile>", the
    // current profile selected; the stored user id into the user id box.
    void LoadProfileCombo();
    // Selects the entry of value (by text, exactly, or by item data); with add, a
    // value not found is appended and selected. A value of blanks does nothing.
    static void SetCbxValue(ComboBox* combo, const QString& value, int32_t itemData, bool add,
                            bool matchByItemData = false);
    // Unloads the window; with bEnd, outside re-logon mode, ends the program.
    void CloseLogonForm(bool bEnd);
    // The profile manager, reached by the edit-profiles controls and by OK on the
    // create entry; the profile box is filled again afterwards, the profile chosen
    // in the manager (after OK) selected and the typed user id kept.
    void ManageProfiles();

    LogonSettings& Settings() { return m_settings; }
    const LogonSettings& Settings() const { return m_settings; }
    int16_t Application() const { return m_iApplication; }
    // The shape the skin gave the window.
    const Region* WindowRegion() const { return m_region.get(); }
    bool Dragging() const { return m_bDragging; }

    // ---- controls
    QLabel* LbUserName = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLabel* LblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* LblProfile = nullptr;
    ComboBox* cbxProfiles = nullptr;
    QFrame* Frame1 = nullptr;
    QLineEdit* txtProfile = nullptr;
    PictureBox* picDropSelector = nullptr;
    PictureBox* Picture1 = nullptr;
    QToolButton* cmdEditProfiles = nullptr;
    PictureBox* picOk = nullptr;
    PictureBox* picCancel = nullptr;
    QFrame* fraImages = nullptr;
    ImageControl* InitOK = nullptr;
    ImageControl* OverOK = nullptr;
    ImageControl* DownOK = nullptr;
    ImageControl* InitCancel = nullptr;
    ImageControl* OverCancel = nullptr;
    ImageControl* DownCancel = nullptr;
    QLabel* LblStatus = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* lnRightwhite = nullptr;

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void Form_Activate();
    // True when the key was used up.
    bool Form_KeyDown(int keyCode, int shift);
    void txtProfile_KeyDown(int keyCode, int shift);
    void cbxProfiles_Click();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The name the trace hook and the error message box know the window by.
    static constexpr const char* kObjectName = "frmNewLogon";
    // The height every showing gets, in twips.
    static constexpr int kShowingHeightTwips = 3600;
    // The profile box the user sees, Frame1 and the drop selector, from its left to its right.
    static constexpr int kProfileBoxWidthTwips = 3990 + 375 - 2100;

    void CreateControls();
    void SetDesignValues();
    void LoadImages();
    void InitObjects();
    void InitSettings();
    void DisplayUIADVMode(bool bAdvanced);
    void RefreshFormLayout();
    void RefreshFormHeight();
    void SetStatus(const QString& text);
    // The profile list as wide as its longest name needs, never narrower than the box.
    void FitProfileListToNames();
    void DragTo(const QPointF& pointer);
    void WatchKeys(QWidget* control);

    LogonSettings m_settings;
    bool m_bRelogin = false;
    int16_t m_iApplication = 0;
    std::unique_ptr<clsImageSwapper> m_oOkSwapper;
    std::unique_ptr<clsImageSwapper> m_oCancelSwapper;
    std::unique_ptr<ComboBoxHelper> m_oProfileTypeAhead;
    std::unique_ptr<Region> m_region;
    QPixmap m_picture;  // the window's background
    bool m_bDragging = false;
    int16_t m_iDragX = 0;
    int16_t m_iDragY = 0;
    // The window was left for another window of the program, which makes its
    // return an activation.
    bool m_leftForAnotherForm = false;
};

// Makes the program's logon window the one ShowLogon shows.
void RegisterLogonWindow();
