#pragma once
// A company on an embedded server and a settings store, both in a temporary
// folder, for the tests of the logon window; message boxes and the program's end
// are recorded.

#include "base/AppError.h"
#include "core/AuProperties.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/MachineSettings.h"
#include "core/SessionValues.h"
#include "core/StartUp.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "core/clsLogonProfile.h"
#include "platform/forms/FormsRuntime.h"
#include "listhelpers/ComboBoxHelper.h"
#include "platform/settings/RegistryStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <vector>

namespace logontest {

inline const QString kServer = QStringLiteral("LOGONSRV");
inline const QString kVersionRow = QStringLiteral(
    "INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');"
    "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', '7.6.5');");

// The texts of a combo box's entries, in order.
inline QStringList ComboEntries(const ComboBox* combo)
{
    QStringList entries;
    for (int i = 0; i < combo->ListCount(); ++i)
        entries << combo->List(i);
    return entries;
}

// One stored profile record for a company of the test server.
inline QString Record(const QString& name, const QString& company)
{
    return name + QStringLiteral("[~]hbhost[~]1331[~]") + kServer + QStringLiteral("[~]") + company +
           QStringLiteral("[~]1[^]");
}

class LogonFixture {
public:
    LogonFixture()
    {
        EXPECT_TRUE(m_dir.isValid());
        RegistryStore::SetDirectory(m_dir.filePath(QStringLiteral("registry")));
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        ResetSession();
        erpdb::CreateServer(kServer, QStringLiteral("exec-pw1"), QStringLiteral("read-pw2"));
        AddCompany(QStringLiteral("ACME"), QStringLiteral("ACMEDB"));
        AddCompany(QStringLiteral("OTHER"), QStringLiteral("OTHERDB"));
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return int(vbOK);
        });
        SetProgramEndHandler([this] { ++ends; });
    }
    ~LogonFixture()
    {
        const auto forms = LoadedForms();
        for (auto it = forms.rbegin(); it != forms.rend(); ++it)
            if (IsFormLoaded(*it))
                Unload(*it);
        ResetSession();
        SetMessageBoxAnswerer(nullptr);
        SetProgramEndHandler(nullptr);
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
        RegistryStore::SetDirectory(QString());
    }

    static void ResetSession()
    {
        g_oSystemEngine.reset();
        g_cn.reset();
        g_sUserID.clear();
        g_sCompanyID.clear();
        g_sDatabase.clear();
        g_sServer.clear();
    }

    // A company with the users jdoe ("secret") and admin ("adminpw").
    void AddCompany(const QString& company, const QString& database)
    {
        erpdb::CreateCompany(kServer, company, company + QStringLiteral(" Ltd"), database);
        sqlite3* db = erpdb::OpenServerDatabase(kServer, database, false);
        erpdb::ExecScript(db, kVersionRow);
        sqlite3_close_v2(db);
        erpdb::AddUser(kServer, company, QStringLiteral("jdoe"), QStringLiteral("John Doe"), QStringLiteral("secret"));
        erpdb::AddUser(kServer, company, QStringLiteral("admin"), QStringLiteral("Admin"), QStringLiteral("adminpw"));
    }

    // The application login loses (or gets back) its access to a company database:
    // a logon to that company then fails with the server's "not a valid user".
    void SetDatabaseAccess(const QString& database, bool allowed)
    {
        QSettings ini(erpdb::FindServerDirectory(kServer) + QStringLiteral("/server.ini"), QSettings::IniFormat);
        const QString key = QStringLiteral("Login.") + QLatin1String(erpdb::kExecutiveLogin) + QStringLiteral("/Databases");
        QStringList dbs = ini.value(key).toStringList();
        dbs.removeAll(database);
        if (allowed)
            dbs << database;
        ini.setValue(key, dbs);
        ini.sync();
    }

    // Stores Connection values as an earlier run left them.
    static void Store(const std::vector<std::pair<QString, Variant>>& values)
    {
        AuProperties bag;
        for (const auto& [name, value] : values)
            bag.Add(name, value);
        ASSERT_TRUE(SaveMachineSettings(QStringLiteral("Connection"), bag));
    }
    // A stored Connection value as text ("" when absent).
    static QString Stored(const QString& name)
    {
        AuProperties bag;
        bag.Add(name, Variant(QString()));
        LoadMachineSettings(QStringLiteral("Connection"), bag);
        return bag.Item(Variant(name))->Value().toString();
    }

    // Logs on as a session of its own (as the main window has one running).
    static void StartSession(const QString& company, const QString& user = QStringLiteral("jdoe"),
                             const QString& password = QStringLiteral("secret"))
    {
        clsLogonProfile p;
        p.SQLServer = kServer;
        p.Company = company;
        p.HBServer = QStringLiteral("hbhost");
        p.HBServerPort = 1331;
        p.CurrentUser = user;
        p.CurrentUserPwd = password;
        ASSERT_TRUE(LogOn(p, false));
    }

    // The texts of the message boxes shown so far.
    QStringList Prompts() const
    {
        QStringList prompts;
        for (const MessageBoxRequest& r : boxes)
            prompts << r.prompt;
        return prompts;
    }

    std::vector<MessageBoxRequest> boxes;
    int ends = 0;

private:
    QTemporaryDir m_dir;
};

}  // namespace logontest
