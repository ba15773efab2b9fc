#pragma once
// The shell's tests: a demo company (and a second, small company) on an
// embedded server made once for the test program, a settings registry of each
// test's own, recorded message boxes and program ends, and a logon window that
// runs the test's part while it is shown.

#include "core/SessionTestSupport.h"

#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "core/StartUp.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "core/clsLogonProfile.h"
#include "logon/frmLogonNew.h"
#include "platform/settings/RegistryStore.h"
#include "core/FormUtilities.h"
#include "listwindow/frmList.h"
#include "shell/frmMDIFrame.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

namespace shelltest {

inline const QString kServer = QStringLiteral("SHELLSRV");
inline const QString kDemo = QString::fromLatin1(erpdb::kDemoCompanyID);
inline const QString kOther = QStringLiteral("OTHER");

// The servers of the test program, made on first use and kept to its end.
class ShellServers {
public:
    static ShellServers& Get()
    {
        static ShellServers servers;
        servers.Use();
        return servers;
    }
    void Use() const
    {
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
    }

private:
    ShellServers()
    {
        Use();
        erpdb::DemoOptions options;
        options.server = kServer;
        options.orderLines = 40;
        erpdb::CreateDemoCompany(options);
        // A second company without the demo content, for opening another company.
        erpdb::CreateCompany(kServer, kOther, QStringLiteral("Other Ltd"), QStringLiteral("OTHERDB"));
        sqlite3* db = erpdb::OpenServerDatabase(kServer, QStringLiteral("OTHERDB"), false);
        erpdb::ExecScript(db, QStringLiteral(
                                  "INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');"
                                  "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', "
                                  "'7.6.5 / 7.6.0');"));
        sqlite3_close_v2(db);
        erpdb::AddUser(kServer, kOther, QStringLiteral("jdoe"), QStringLiteral("J. Doe"), QStringLiteral("other"));
    }
    QTemporaryDir m_dir;
};

// One logon attempt as the logon window makes it; the error's description when refused.
inline QString TryLogOn(const QString& company, const QString& user, const QString& password, bool relogin = false)
{
    clsLogonProfile profile;
    profile.SQLServer = kServer;
    profile.Company = company;
    profile.HBServer = QStringLiteral("hbhost");
    profile.HBServerPort = 1331;
    profile.CurrentUser = user;
    profile.CurrentUserPwd = password;
    try {
        LogOn(profile, relogin);
    } catch (const AppError& e) {
        if (!relogin)
            CloseSystemEngine();
        return e.description();
    }
    return QString();
}

// The logon window as start-up sees it; when shown it runs the test's part.
class FakeLogonWindow : public Form, public LogonWindowHost {
public:
    FakeLogonWindow() : Form(kLogonWindowFormName) { KeepAfterUnload(this); }
    Form* LogonForm() override { return this; }
    void Init(const QString& strCaption, int16_t&) override { caption = strCaption; }
    bool Relogin() const override { return m_relogin; }
    void SetRelogin(bool value) override { m_relogin = value; }

    std::function<void(FakeLogonWindow&)> action;
    QString caption;
    QStringList formsAtShow;  // the loaded forms' names when it opened

protected:
    void showEvent(QShowEvent* e) override
    {
        Form::showEvent(e);
        formsAtShow.clear();
        for (Form* f : LoadedForms())
            formsAtShow << f->Name();
        if (action)
            action(*this);
    }

private:
    bool m_relogin = false;
};

// The base of the shell's tests.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellServers::Get();
        ASSERT_TRUE(m_registry.isValid());
        RegistryStore::SetDirectory(m_registry.path());
        sessiontest::ResetSession();
        RegisterShellWindows();
        RegisterListWindows();
    }
    void TearDown() override
    {
        sessiontest::UnloadAllForms();
        sessiontest::ResetSession();
        // Back to the program's own logon window.
        SetLogonWindowProvider([]() -> LogonWindowHost* { return frmLogonNew::Instance(); });
        SetSplashWindowFactory(nullptr);
        SetMainWindowProvider(nullptr);
        frmMDIFrame::SetListWindowOpener(nullptr);
        delete m_logon;
        RegistryStore::SetDirectory(QString());
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    // Logs on to a company as start-up's LogOn does; the test fails when refused.
    void LogOnAs(const QString& user, const QString& password, const QString& company = kDemo)
    {
        const QString refusal = TryLogOn(company, user, password);
        ASSERT_TRUE(refusal.isEmpty()) << qPrintable(refusal);
    }
    // Logged on (as jdoe unless told) with the main window shown for the session.
    frmMDIFrame* ShowMain(const QString& user = QStringLiteral("jdoe"), const QString& password = QStringLiteral("secret"))
    {
        LogOnAs(user, password);
        ShowMainWindow();
        auto* main = frmMDIFrame::Instance();
        EXPECT_EQ(MainWindow(), main);
        return main;
    }
    FakeLogonWindow& Logon()
    {
        if (!m_logon) {
            m_logon = new FakeLogonWindow;
            SetLogonWindowProvider([this]() -> LogonWindowHost* { return m_logon; });
        }
        return *m_logon;
    }
    // A plain form shown as a child window of the main window.
    Form* OpenChild(const QString& caption)
    {
        auto* child = new Form(QStringLiteral("frmListView"));
        child->SetCaption(caption);
        child->resize(300, 200);
        frmMDIFrame::Instance()->ShowChild(child);
        return child;
    }
    // Runs an action that may end the program; true when it did.
    static bool Ends(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }
    // The value stored under the main window's settings key (Empty when there is none).
    static Variant StoredToolbarShowText()
    {
        AuProperties bag;
        bag.Add(QStringLiteral("ToolbarShowText"), Variant());
        LoadMachineSettings(QString::fromLatin1(frmMDIFrame::kSettingsSubKey), bag);
        return bag.Item(QStringLiteral("ToolbarShowText"))->Value();
    }
    // Does `then` with the popup menu that opens next (from a timer, while its loop runs).
    static void WithNextPopup(std::function<void(QMenu*)> then)
    {
        auto attempt = std::make_shared<std::function<void(int)>>();
        *attempt = [then, attempt](int left) {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                then(menu);
                return;
            }
            if (left > 0)
                QTimer::singleShot(10, [attempt, left] { (*attempt)(left - 1); });
        };
        QTimer::singleShot(0, [attempt] { (*attempt)(200); });
    }

    sessiontest::Seams seams;
    QTemporaryDir m_registry;
    QPointer<FakeLogonWindow> m_logon;
};

}  // namespace shelltest
