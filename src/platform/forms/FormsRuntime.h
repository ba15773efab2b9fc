#pragma once
// The small forms runtime the windows of the program stand on: the loaded-forms
// registry (in load order), Load / Unload / Show / Hide, a modal show that returns
// when the form hides or unloads, the screen's hourglass pointer, twips, the
// program's life and its end, and the one seam every message box goes through.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

// ---- Application information (App.Title, App.Major, ...) ----
struct AppInfo {
    QString title;        // "Quillon" in both programs: the default message-box title
    QString productName;  // "Quillon" or "QuillonAnalytics"
    QString exeName;      // "quillon" or "quillon-analytics"
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString path;  // the program's folder
};
const AppInfo& App();

// ---- Message boxes ----
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct MessageBoxRequest {
    QString prompt;  // kept exactly as built (CR LF, LF, tabs)
    int style = vbOKOnly;
    QString title;  // already defaulted to App().title
    int buttons() const { return style & 7; }
    int icon() const { return style & 0x70; }
};
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;

// Shows a message box and returns the button pressed. An empty title gives App().title.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());
// Tests install an answerer that records each box and answers it; nullptr restores real boxes.
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

// ---- Forms ----
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const QString& formName, QWidget* parent = nullptr);
    ~Form() override;

    const QString& Name() const { return m_name; }
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    bool IsLoaded() const { return m_loaded; }
    bool IsVisible() const { return isVisible(); }

    // Unload modes of QueryUnload.
    enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3, vbFormMDIForm = 4 };

signals:
    void unloaded();
    void hidden();

protected:
    // Events of the form. An error that escapes Form_Load reaches the code that loaded
    // or showed the form, which is then no longer loaded; the others run inside the
    // event-handler boundary, where an escaping error ends in the standard error
    // message box.
    virtual void Form_Load() {}
    // Return true to cancel the unload.
    virtual bool Form_QueryUnload(int unloadMode) { return false; }
    // Return true to cancel the unload.
    virtual bool Form_Unload() { return false; }

    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    friend void Load(Form*);
    friend bool Unload(Form*, int);
    friend void FinishUnload(Form*);
    friend class FormsRegistry;
    QString m_name;
    bool m_loaded = false;
    bool m_unloading = false;
};

// Loads a form (runs Form_Load once) without showing it. Loading a loaded form does nothing.
// When Form_Load fails the form is unloaded (without its closing steps) and the error
// passes on to the caller.
void Load(Form* form);
// Unloads a form: QueryUnload and Unload may cancel; otherwise it is hidden and leaves
// the loaded-forms registry. The object itself is deleted later, when no modal loop
// runs, unless someone still owns it (see KeepAfterUnload). Returns false when cancelled.
bool Unload(Form* form, int unloadMode = Form::vbFormCode);
// The end of an unload once nothing cancelled it: the form is hidden and leaves the registry.
void FinishUnload(Form* form);
// Loads (if needed) and shows the form, non-modal.
void Show(Form* form);
// Loads (if needed) and shows the form modally: returns when it is hidden or unloaded.
void ShowModal(Form* form);
void Hide(Form* form);
// Marks a form as owned by its creator, who deletes it: Unload will not schedule its deletion.
void KeepAfterUnload(Form* form);

// The loaded forms, in load order.
std::vector<Form*> LoadedForms();
// True when the form object is, by identity, one of the loaded forms.
bool IsFormLoaded(const Form* form);
// Deletes unloaded forms that nobody keeps (done by itself when the event loop is idle).
void CollectUnloadedForms();

// Marks a modal loop of the program (a modal form, a message box, a dialog of the
// program's own) while it runs: unloaded forms are not deleted under it, and the last
// form's unload ends only the program's main event loop, never such a loop.
// ShowModal and MsgBox use it themselves.
class ModalLoopScope {
public:
    ModalLoopScope();
    ~ModalLoopScope();
    ModalLoopScope(const ModalLoopScope&) = delete;
    ModalLoopScope& operator=(const ModalLoopScope&) = delete;
};

// ---- Screen ----
enum MousePointer : int { vbDefault = 0, vbArrow = 1, vbHourglass = 11 };
// One setting, not a stack: setting vbDefault restores the normal pointer at once.
void SetScreenMousePointer(int pointer);
int ScreenMousePointer();
// Twips per pixel from the screen's logical DPI (15 at 96 dpi).
int TwipsPerPixelX();
int TwipsPerPixelY();
inline int TwipsToPixelsX(int twips) { return twips / TwipsPerPixelX(); }
inline int TwipsToPixelsY(int twips) { return twips / TwipsPerPixelY(); }

// ---- The program's life ----
// The program runs as long as a form is loaded; unloading the last one quits the event loop.
// "End": leave at once; no unload steps run and nothing is stored.
[[noreturn]] void EndProgram();
// Thrown by the test end handler: unwinds to the test without ending the process.
struct ProgramEnded {};
// Tests install a handler (which throws ProgramEnded); nullptr restores the real end.
void SetProgramEndHandler(std::function<void()> handler);

// The standard error message box: "(<number>) -- <description>", OK only, no icon,
// titled with the application title. Shows the current error.
void ShowErrorMessage();

// Enter in a form: a push button that has the focus answers it itself. Clicks that
// button and gives true; false when the focus is elsewhere (the form's default).
bool ClickFocusedButton(QWidget* form);

// Event-handler boundary: runs f; an error that escapes it is traced and shown in
// the standard error message box, and the event returns normally.
// The program's end (ProgramEnded, above) passes through.
void RunEventHandler(const char* objectName, const char* procedureName, const std::function<void()>& f);
