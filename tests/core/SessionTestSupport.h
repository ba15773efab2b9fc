#pragma once
// A small company on an embedded server in a temporary folder, for the tests of
// the session, the logon, the rights and start-up; and helpers that record
// message boxes and the program's end.

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "platform/forms/FormsRuntime.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <vector>

namespace sessiontest {

inline const QString kServer = QStringLiteral("TESTSRV");
inline const QString kCompany = QStringLiteral("ACME");
inline const QString kCompanyName = QStringLiteral("Acme Corporation");
inline const QString kDatabase = QStringLiteral("ACMEDB");
// The server's SQL login passwords (not the demo ones: the client configuration must be read).
inline const QString kExecutivePassword = QStringLiteral("exec-Secret1");
inline const QString kReadOnlyPassword = QStringLiteral("read-Secret2");

// Forgets the session: engine, lookup connection and session values.
inline void ResetSession()
{
    g_oSystemEngine.reset();
    g_cn.reset();
    g_sUserID.clear();
    g_sCompanyID.clear();
    g_sDatabase.clear();
    g_sServer.clear();
}

inline void UnloadAllForms()
{
    const auto forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if (IsFormLoaded(*it))
            Unload(*it);
}

// Records every message box (answered with OK or the given answer) and turns the
// program's end into a ProgramEnded exception.
class Seams {
public:
    Seams()
    {
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return answer;
        });
        SetProgramEndHandler([this] { ++ends; });
    }
    ~Seams()
    {
        SetMessageBoxAnswerer(nullptr);
        SetProgramEndHandler(nullptr);
    }
    std::vector<MessageBoxRequest> boxes;
    int answer = vbOK;
    int ends = 0;
};

// A server with the system database and one company "ACME" (database ACMEDB) whose
// System\Version accepts both programs, and users:
//   admin (password "adminpw"), jdoe ("secret"), and the others a test adds.
class TestServer {
public:
    TestServer()
    {
        EXPECT_TRUE(m_dir.isValid());
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        ResetSession();
        erpdb::CreateServer(kServer, kExecutivePassword, kReadOnlyPassword);
        erpdb::CreateCompany(kServer, kCompany, kCompanyName, kDatabase);
        Exec(QStringLiteral("INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');"
                            "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', "
                            "'Quillon 7.6.5.1203 / QuillonAnalytics 7.6.0.88');"));
        AddUser(QStringLiteral("admin"), QStringLiteral("System Administrator"), QStringLiteral("adminpw"));
        AddUser(QStringLiteral("jdoe"), QStringLiteral("  John Doe  "), QStringLiteral("secret"));
    }
    ~TestServer()
    {
        UnloadAllForms();
        ResetSession();
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    // Runs statements on a database of the server (the company database by default).
    void Exec(const QString& sql, const QString& database = kDatabase)
    {
        sqlite3* db = erpdb::OpenServerDatabase(kServer, database, false);
        try {
            erpdb::ExecScript(db, sql);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
    }
    void AddUser(const QString& id, const QString& name, const QString& password)
    {
        erpdb::AddUser(kServer, kCompany, id, name, password);
    }
    void SetVersion(const QString& version)
    {
        Exec(QStringLiteral("UPDATE CoRegValues SET Value = '%1' WHERE KeyID = 1 AND Name = 'Version';")
                 .arg(QString(version).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// One logon attempt on a new engine; the engine and the outputs are kept for the test.
struct Attempt {
    CoQuillonSystemEnginePtr engine = CoQuillonSystemEngine::Create();
    QString user;
    QString userName;
    QString database;
    QString companyName;
    QString err;
    bool result = false;

    bool Run(const QString& company, const QString& typedUser, const QString& password,
             const QString& server = kServer, bool logStatements = false)
    {
        engine->DBI().SetStatementLogging(logStatements);
        user = typedUser;
        result = engine->CreateConnection(server, company, user, password, QStringLiteral("hbhost"), int16_t(1331),
                                          userName, database, companyName, err);
        return result;
    }
};

// Logs on through a new engine (which becomes the session engine) and sets the
// session values as a logon does.
inline void LogOnAs(const QString& user, const QString& password)
{
    Attempt a;
    ASSERT_TRUE(a.Run(kCompany, user, password)) << qPrintable(a.err);
    g_sDatabase = a.database;
    g_sServer = kServer;
    g_sUserID = user;
    g_sCompanyID = kCompany;
}

}  // namespace sessiontest
