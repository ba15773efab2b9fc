#include "core/StartUp.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "base/ProgramDefinition.h"
#include "core/SessionValues.h"
#include "core/clsLogonProfile.h"
#include "platform/forms/FormsRuntime.h"
#include "core/CoPlatformProvider.h"
#include "core/FormUtilities.h"

#include <QCoreApplication>
#include <QPointer>
#include <memory>

namespace {

// The program's logon window is the one shown unless another is registered.
// The logon window registers itself at start-up (RegisterLogonWindow).
LogonWindowProvider g_logonWindowProvider;
FormProvider g_splashFactory;
FormProvider g_mainWindowProvider;

// The splash shown while the command line is read.
QPointer<Form> g_splash;

// Stands in for the main window until the real one is registered: a plain frame
// with the session's caption whose unload ends the session, as the main window's does.
class PlainMainWindow : public Form {
public:
    PlainMainWindow() : Form(kMainWindowFormName) { resize(800, 600); }

protected:
    bool Form_Unload() override
    {
        CloseSystemEngine();
        return false;
    }
};

Form* StandInMainWindow()
{
    static QPointer<Form> window;
    if (!window) {
        window = new PlainMainWindow;
        KeepAfterUnload(window);
    }
    return window;
}

Form* NewSplashWindow()
{
    if (g_splashFactory)
        return g_splashFactory();
    auto* splash = new Form(QStringLiteral("frmAbout"));
    splash->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    splash->resize(635, 425);
    return splash;
}

// The runtime ends the event loop when the last form unloads. While start-up runs
// no window may be the last one yet (the splash goes before the logon window
// comes), so a hidden form stays loaded for as long as start-up runs.
class StartUpInProgress {
public:
    StartUpInProgress() : m_form(new Form(QStringLiteral("StartUpInProgress"))) { Load(m_form); }
    ~StartUpInProgress()
    {
        if (m_form && IsFormLoaded(m_form))
            Unload(m_form);
    }

private:
    QPointer<Form> m_form;
};

}  // namespace

void SetLogonWindowProvider(LogonWindowProvider provider) { g_logonWindowProvider = std::move(provider); }
void SetSplashWindowFactory(FormProvider factory) { g_splashFactory = std::move(factory); }
void SetMainWindowProvider(FormProvider provider) { g_mainWindowProvider = std::move(provider); }

Form* MainWindow()
{
    if (g_mainWindowProvider)
        if (Form* window = g_mainWindowProvider())
            return window;
    return StandInMainWindow();
}

// ---------------------------------------------------------------- command line

QString CommandLineSwitchValue(const QString& commandLine, const QString& switchText)
{
    const qsizetype at = commandLine.indexOf(switchText, 0, Qt::CaseSensitive);
    if (at < 0)
        return QString();
    const qsizetype from = at + switchText.size();
    const qsizetype end = commandLine.indexOf(QLatin1Char(';'), from);
    if (end < 0)
        return QString();
    return commandLine.mid(from, end - from);
}

StartUpSwitches ReadStartUpSwitches(const QString& commandLine)
{
    StartUpSwitches s;
    s.sqlServer = CommandLineSwitchValue(commandLine, QStringLiteral("/SQLSRV="));
    s.hbServer = CommandLineSwitchValue(commandLine, QStringLiteral("/HBSRV="));
    s.hbServerPort = CommandLineSwitchValue(commandLine, QStringLiteral("/HBPRT="));
    s.company = CommandLineSwitchValue(commandLine, QStringLiteral("/CO="));
    s.userId = CommandLineSwitchValue(commandLine, QStringLiteral("/UID="));
    s.password = CommandLineSwitchValue(commandLine, QStringLiteral("/PWD="));
    // A port that is not a 16-bit number counts as absent.
    if (!s.hbServerPort.isEmpty()) {
        try {
            Variant(s.hbServerPort).toInt16();
        } catch (const AppError&) {
            s.hbServerPort.clear();
        }
    }
    return s;
}

bool StartUpSwitches::DirectLogon() const
{
    return !sqlServer.isEmpty() && !hbServer.isEmpty() && !hbServerPort.isEmpty() && !company.isEmpty() &&
           !userId.isEmpty();
}

int16_t StartUpSwitches::Port() const { return hbServerPort.isEmpty() ? int16_t(0) : Variant(hbServerPort).toInt16(); }

QString ProgramCommandLine()
{
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();
    return args.join(QLatin1Char(' '));
}

// ---------------------------------------------------------------- start-up

void Main() { Main(ProgramCommandLine()); }

void Main(const QString& commandLine)
{
    g_splash = NewSplashWindow();
    Show(g_splash);
    g_splash->repaint();

    const StartUpSwitches switches = ReadStartUpSwitches(commandLine);

    Unload(g_splash);
    g_splash = nullptr;

    if (switches.DirectLogon()) {
        auto profile = std::make_shared<clsLogonProfile>();
        profile->SQLServer = switches.sqlServer;
        profile->Company = switches.company;
        profile->CurrentUser = switches.userId;
        profile->CurrentUserPwd = switches.password;
        profile->HBServer = switches.hbServer;
        profile->HBServerPort = switches.Port();
        if (LogOn(*profile, false))
            ShowMainWindow();
        profile.reset();
    } else {
        ShowLogon(QString::fromLatin1(kLogonCaption), false);
    }
}

void RunMain(const QString& commandLine)
{
    StartUpInProgress running;
    try {
        Main(commandLine);
    } catch (const AppError& e) {
        SetCurrentError(e);
        ShowErrorMessage();
        EndProgram();
    } catch (const std::exception&) {
        SetCurrentError(ToAppError(std::current_exception()));
        ShowErrorMessage();
        EndProgram();
    }
}

void ShowLogon(const QString& caption, bool reopen)
{
    LogonWindowHost* logon = g_logonWindowProvider ? g_logonWindowProvider() : nullptr;
    if (!logon || !logon->LogonForm()) {
        MsgBox(QStringLiteral("The logon window is not available in this build of the program.\r\n\r\n"
                              "Start it with a complete command line instead:\r\n"
                              "/SQLSRV=<server>;/HBSRV=<host>;/HBPRT=<port>;/CO=<company>;/UID=<user>;/PWD=<password>;"),
               vbCritical | vbOKOnly);
        EndProgram();
    }
    Form* window = logon->LogonForm();
    // Also for "Login As Different User...": the other windows must not outlive the
    // session they were opened in (at their close they write through the session).
    // They close before the logon window loads, so a window that fails to close
    // leaves no logon window loaded behind it.
    CloseAllWindows();
    // Using the window loads it first.
    Load(window);
    int16_t application = 0;
    logon->Init(caption, application);
    if (reopen)
        logon->SetRelogin(true);

    ShowModal(window);
    if (IsFormLoaded(window))
        Unload(window);

    // The window ends the program when it closes without a session to go on with;
    // the main window is never shown without one.
    if (!g_oSystemEngine)
        EndProgram();
    ShowMainWindow();
}

bool LogOn(clsLogonProfile& profile, bool relogin)
{
    const CoQuillonSystemEnginePtr engine = CoQuillonSystemEngine::Create();
    QString user = profile.CurrentUser;
    const QString password = profile.CurrentUserPwd;
    QString userName, database, companyName, message;
    if (!engine->CreateConnection(profile.SQLServer, profile.Company, user, password, profile.HBServer,
                                  profile.HBServerPort, userName, database, companyName, message))
        RaiseError(vberr::ProgramDefined, message);
    g_sDatabase = database;
    g_sServer = profile.SQLServer;
    g_sUserID = profile.CurrentUser;
    g_sCompanyID = profile.Company;
    // The lookup connection of the session before belongs to its company; the main
    // window opens the new session's own.
    g_cn.reset();
    return true;
}

void CloseSystemEngine()
{
    if (g_oSystemEngine) {
        const CoQuillonSystemEnginePtr engine = g_oSystemEngine;
        engine->CloseConnection();
        g_oSystemEngine.reset();
    }
}

QString MainWindowCaption(const QString& companyId)
{
    return companyId + QStringLiteral(" - ") + CoPlatformProvider().AppName() + QLatin1Char(' ') +
           QString::number(Program().major) + QLatin1Char('.') + QString::number(Program().minor);
}

void ShowMainWindow()
{
    CloseAllWindows();
    Form* window = MainWindow();
    // Using the window loads it first.
    Load(window);
    window->SetCaption(MainWindowCaption(g_sCompanyID));
    OpenLookupConnection();
    Show(window);
}
