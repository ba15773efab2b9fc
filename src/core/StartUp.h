#pragma once
// The program's start: the splash, the command line, a direct logon or the logon
// window, then the main window; and the procedures that start, replace and end a
// session (ShowLogon, LogOn, CloseSystemEngine, ShowMainWindow).
//
// The windows start-up drives are reached through seams that their own code
// registers (see main.cpp), so start-up does not know their classes:
//   - the splash: a new About box per call,
//   - the logon window: its one shared instance, created on first use (the
//     program's frmLogonNew, registered by RegisterLogonWindow, unless another is),
//   - the main window: its one shared instance.
// Without a registered splash or main window a plain frame stands in; with the
// logon window's registration removed ShowLogon says so and ends the program.

#include <QString>
#include <cstdint>
#include <functional>

class Form;
class clsLogonProfile;

// ---- Seams of the windows ----
class LogonWindowHost {
public:
    virtual ~LogonWindowHost() = default;
    // The window itself; its form name is "frmLogonNew".
    virtual Form* LogonForm() = 0;
    // Caption, application number (start-up passes 0); settings and profiles loaded.
    virtual void Init(const QString& strCaption, int16_t& iApplication) = 0;
    // True: the window serves a re-logon from the running main window.
    virtual bool Relogin() const = 0;
    virtual void SetRelogin(bool value) = 0;
};
using LogonWindowProvider = std::function<LogonWindowHost*()>;
using FormProvider = std::function<Form*()>;

// nullptr / an empty function removes the registration.
void SetLogonWindowProvider(LogonWindowProvider provider);
// Each call gives a new splash window, which the forms runtime deletes after its unload.
void SetSplashWindowFactory(FormProvider factory);
// The shared main window (form name "frmMDIFrame").
void SetMainWindowProvider(FormProvider provider);

// The main window start-up shows (the registered one or the stand-in frame).
Form* MainWindow();

// ---- Command line ----
struct StartUpSwitches {
    QString sqlServer;     // "/SQLSRV="
    QString hbServer;      // "/HBSRV="
    QString hbServerPort;  // "/HBPRT=" (empty unless a 16-bit number)
    QString company;       // "/CO="
    QString userId;        // "/UID="
    QString password;      // "/PWD="
    // Server, HBServer, port, company and user are all given: log on directly.
    bool DirectLogon() const;
    int16_t Port() const;  // the port as a number; 0 when absent
};
// The value of a switch: found by an exact, case-sensitive search, its first
// occurrence only, running up to the next ";". No ";" after it: absent ("").
QString CommandLineSwitchValue(const QString& commandLine, const QString& switchText);
StartUpSwitches ReadStartUpSwitches(const QString& commandLine);
// The program's arguments after its name, joined by blanks.
QString ProgramCommandLine();

// ---- Start-up ----
// The entry procedure, on the program's command line or on the one given.
void Main();
void Main(const QString& commandLine);
// What the program runs: Main, with an error that escapes it shown in the
// standard error box, after which the program ends.
void RunMain(const QString& commandLine);

// Shows the logon window modally, then the main window. reopen: "Open Company...".
void ShowLogon(const QString& caption, bool reopen);
// One logon attempt with the profile's server, company, user, password and
// HBServer. True on success (the new session is current and the session values
// are set); a refusal raises 32768 with the engine's message and leaves the
// current session as it was. relogin changes nothing.
bool LogOn(clsLogonProfile& profile, bool relogin);
// Closes the session's connection and drops the session engine.
void CloseSystemEngine();
// Closes the other windows, captions the main window for the session, opens the
// lookup connection and shows the main window.
void ShowMainWindow();
// "<company> - quillon <major>.<minor>".
QString MainWindowCaption(const QString& companyId);

inline constexpr char kLogonCaption[] = "quillon Login";
