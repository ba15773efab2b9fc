// The logon checks of the system engine and LogOn: refusals word for word, what a
// successful logon fills, and that a refused attempt leaves the session alone.

#include "core/SessionTestSupport.h"

#include "base/AuUtilities.h"
#include "core/CoreTestSupport.h"
#include "core/StartUp.h"
#include "core/clsLogonProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace sessiontest;

namespace {

class LogonTest : public ::testing::Test {
protected:
    TestServer server;
};

clsLogonProfile Profile(const QString& user, const QString& password, const QString& company = kCompany)
{
    clsLogonProfile p;
    p.SQLServer = kServer;
    p.Company = company;
    p.CurrentUser = user;
    p.CurrentUserPwd = password;
    p.HBServer = QStringLiteral("hbhost");
    p.HBServerPort = 1331;
    return p;
}

}  // namespace

TEST_F(LogonTest, RefusalsHaveTheirOwnMessagesAndCloseTheConnection)
{
    struct Case {
        const char* what;
        QString company, user, password, expected;
    } cases[] = {
        {"unknown company", QStringLiteral("NOPE"), QStringLiteral("jdoe"), QStringLiteral("secret"),
         QStringLiteral("Unable to Log In:  Can't find company database.")},
        {"unknown user", kCompany, QStringLiteral("nobody"), QStringLiteral("secret"),
         QStringLiteral("Unable to Log In:  Can't connect to server.")},
        {"wrong password", kCompany, QStringLiteral("jdoe"), QStringLiteral("Secret"),
         QStringLiteral("Unable to Log In:  Unknown user or password.")},
        {"empty password", kCompany, QStringLiteral("jdoe"), QString(),
         QStringLiteral("Unable to Log In:  Unknown user or password.")},
    };
    for (const auto& c : cases) {
        Attempt a;
        EXPECT_FALSE(a.Run(c.company, c.user, c.password)) << c.what;
        EXPECT_EQ(a.err, c.expected) << c.what;
        EXPECT_FALSE(a.engine->DBI().IsOpen()) << c.what;
        EXPECT_EQ(g_oSystemEngine, nullptr) << c.what;
    }
}

TEST_F(LogonTest, SuccessMakesTheEngineTheSessionEngineAndFillsTheSettingsAndOutputs)
{
    Attempt a;
    a.err = QStringLiteral("untouched");
    ASSERT_TRUE(a.Run(kCompany, QStringLiteral("  JDOE "), QStringLiteral("secret"), QStringLiteral("testsrv")));
    EXPECT_EQ(g_oSystemEngine, a.engine);
    EXPECT_EQ(a.user, QStringLiteral("jdoe"));  // as stored, trimmed
    EXPECT_EQ(a.userName, QStringLiteral("John Doe"));
    EXPECT_EQ(a.database, kDatabase);
    EXPECT_EQ(a.companyName, kCompanyName);
    EXPECT_EQ(a.err, QStringLiteral("untouched"));

    CoEnvironmentSettings& s = a.engine->EnvironmentSettings();
    EXPECT_EQ(&s, &a.engine->EnvironmentSettings());
    EXPECT_EQ(s.AppUserName(), QStringLiteral("JDOE"));
    EXPECT_EQ(s.AppPassword(), QStringLiteral("secret"));
    EXPECT_EQ(s.AppFullUserName(), QStringLiteral("John Doe"));
    EXPECT_EQ(s.Company(), kCompany);
    EXPECT_EQ(s.CompanyDatabase(), kDatabase);
    EXPECT_EQ(s.CompanyName(), QString());  // only the database is kept
    EXPECT_EQ(s.HBServer(), QStringLiteral("hbhost"));
    EXPECT_EQ(s.HBServerPort(), 1331);
    EXPECT_EQ(s.ServerName(), QStringLiteral("testsrv"));
    EXPECT_EQ(s.SqlUserName(), QStringLiteral("coexecutive"));

    // The two login passwords are held enciphered, as the server's client configuration has them.
    const erpdb::ClientPasswords configured = erpdb::ClientLoginPasswords(kServer);
    ASSERT_TRUE(configured.found);
    EXPECT_EQ(s.SqlPassword(), configured.executive);
    EXPECT_EQ(s.SqlReadPassword(), configured.readOnly);
    EXPECT_NE(s.SqlPassword(), kExecutivePassword);
    EXPECT_EQ(CryptText(1, s.SqlPassword(), SessionCipherKey(), false), kExecutivePassword);
    EXPECT_EQ(CryptText(1, s.SqlReadPassword(), SessionCipherKey(), false), kReadOnlyPassword);

    BrandleDatabase& dbi = a.engine->DBI();
    EXPECT_TRUE(dbi.IsOpen());
    EXPECT_EQ(dbi.DatabaseName().compare(kDatabase, Qt::CaseInsensitive), 0);
    EXPECT_EQ(dbi.LoginName(), QStringLiteral("coexecutive"));
    EXPECT_EQ(dbi.CommandTimeout(), 150);
}

TEST_F(LogonTest, SettingsAreFilledBeforeTheCompanyIsLookedUp)
{
    // A refusal at the company look-up finds every setting of the attempt already filled.
    Attempt a;
    ASSERT_FALSE(a.Run(QStringLiteral("NOPE"), QStringLiteral(" jdoe "), QStringLiteral("pw")));
    CoEnvironmentSettings& s = a.engine->EnvironmentSettings();
    EXPECT_EQ(s.AppUserName(), QStringLiteral("jdoe"));
    EXPECT_EQ(s.AppPassword(), QStringLiteral("pw"));
    EXPECT_EQ(s.Company(), QStringLiteral("NOPE"));
    EXPECT_EQ(s.CompanyDatabase(), QString());
    EXPECT_EQ(s.HBServer(), QStringLiteral("hbhost"));
    EXPECT_EQ(s.HBServerPort(), 1331);
    EXPECT_EQ(s.ServerName(), kServer);
    EXPECT_EQ(s.SqlUserName(), QStringLiteral("coexecutive"));
    EXPECT_FALSE(s.SqlPassword().isEmpty());
    EXPECT_FALSE(s.SqlReadPassword().isEmpty());
    EXPECT_EQ(s.AppFullUserName(), QString());
}

TEST_F(LogonTest, StatementsAreTheOnesTheLogonWrites)
{
    Attempt a;
    ASSERT_TRUE(a.Run(kCompany, QStringLiteral(" jdoe "), QStringLiteral("secret"), kServer, true));
    const QStringList expected = {
        QStringLiteral("SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = 'ACME'"),
        QStringLiteral("SELECT UserID, UserName, Password FROM CoUsers WHERE UserID = 'jdoe'"),
        QStringLiteral("SELECT Value FROM CoRegKeys rk INNER JOIN CoRegValues rv ON rk.KeyID = rv.KeyID WHERE "
                       "rk.Name = 'System' AND rv.Name = 'Version'"),
    };
    EXPECT_EQ(a.engine->DBI().StatementLog(), expected);
}

TEST_F(LogonTest, ApostrophesInCompanyAndUserIdsAreDoubled)
{
    erpdb::CreateCompany(kServer, QStringLiteral("O'HARA"), QStringLiteral("O'Hara & Sons"), QStringLiteral("OHARA"));
    server.Exec(QStringLiteral("INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System');"
                               "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES (1, 'Version', 'S', '7.6.5');"),
                QStringLiteral("OHARA"));
    erpdb::AddUser(kServer, QStringLiteral("O'HARA"), QStringLiteral("o'neil"), QStringLiteral("Pat O'Neil"),
                   QStringLiteral("pw'1"));

    Attempt a;
    ASSERT_TRUE(a.Run(QStringLiteral("O'HARA"), QStringLiteral("o'neil"), QStringLiteral("pw'1"), kServer, true))
        << qPrintable(a.err);
    EXPECT_EQ(a.user, QStringLiteral("o'neil"));
    EXPECT_EQ(a.companyName, QStringLiteral("O'Hara & Sons"));
    const QStringList& log = a.engine->DBI().StatementLog();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[0], QStringLiteral("SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = 'O''HARA'"));
    EXPECT_EQ(log[1], QStringLiteral("SELECT UserID, UserName, Password FROM CoUsers WHERE UserID = 'o''neil'"));
}

TEST_F(LogonTest, PasswordIsComparedUnderTheTrimmedUpperCaseUserId)
{
    // Stored under the key "JDOE": a user id typed in another case and with blanks finds it.
    for (const QString typed : {QStringLiteral("jdoe"), QStringLiteral("JDoe"), QStringLiteral("  jdoe  ")}) {
        Attempt a;
        EXPECT_TRUE(a.Run(kCompany, typed, QStringLiteral("secret"))) << qPrintable(typed) << qPrintable(a.err);
    }
    // A password enciphered under another key does not match.
    server.Exec(QStringLiteral("UPDATE CoUsers SET Password = '%1' WHERE UserID = 'jdoe';")
                    .arg(CryptText(1, QStringLiteral("secret"), QStringLiteral("jdoe"), true)));
    Attempt b;
    EXPECT_FALSE(b.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret")));
    EXPECT_EQ(b.err, QStringLiteral("Unable to Log In:  Unknown user or password."));
}

TEST_F(LogonTest, KeyIsUpperCasedOneCharacterForOneWithinTheCodePage)
{
    // Passwords stored under the keys the earlier program made: "STRAßE" and "µSER".
    struct Case {
        QString user, key;
    } cases[] = {{QStringLiteral("stra\u00DFe"), QStringLiteral("STRA\u00DFE")},
                 {QStringLiteral("\u00B5ser"), QStringLiteral("\u00B5SER")}};
    for (const Case& c : cases) {
        server.AddUser(c.user, c.user, QStringLiteral("x"));
        server.Exec(QStringLiteral("UPDATE CoUsers SET Password = '%1' WHERE UserID = '%2';")
                        .arg(CryptText(1, QStringLiteral("pw\u00E9"), c.key, true), c.user));
        Attempt a;
        EXPECT_TRUE(a.Run(kCompany, c.user, QStringLiteral("pw\u00E9"))) << qPrintable(c.user) << qPrintable(a.err);
        // The server's own password command agrees.
        EXPECT_EQ(erpdb::UserPasswordCipher(c.user, QStringLiteral("pw\u00E9")),
                  CryptText(1, QStringLiteral("pw\u00E9"), c.key, true));
    }
}

TEST_F(LogonTest, CharactersOutsideTheCodePageAreAnUnknownUserOrPassword)
{
    // No stored password can hold them: refused as a wrong password, never "Overflow".
    server.Exec(QStringLiteral("INSERT INTO CoUsers (UserID, UserName, Password) VALUES ('\u0141odz', 'Lodz', 'x');"));
    struct Case {
        QString user, password;
    } cases[] = {{QStringLiteral("jdoe"), QStringLiteral("\u0141\u00F3d\u017A")},
                 {QStringLiteral("\u0141odz"), QStringLiteral("x")}};
    for (const Case& c : cases) {
        Attempt a;
        EXPECT_FALSE(a.Run(kCompany, c.user, c.password)) << qPrintable(c.user);
        EXPECT_EQ(a.err, QStringLiteral("Unable to Log In:  Unknown user or password.")) << qPrintable(c.user);
        EXPECT_FALSE(a.engine->DBI().IsOpen());
    }
}

TEST_F(LogonTest, StoredPasswordOfOneBlankIsAnEmptyPassword)
{
    server.AddUser(QStringLiteral("blank"), QStringLiteral("Blank Password"), QStringLiteral("x"));
    server.Exec(QStringLiteral("UPDATE CoUsers SET Password = ' ' WHERE UserID = 'blank';"));
    Attempt ok;
    EXPECT_TRUE(ok.Run(kCompany, QStringLiteral("blank"), QString())) << qPrintable(ok.err);
    Attempt blank;
    EXPECT_FALSE(blank.Run(kCompany, QStringLiteral("blank"), QStringLiteral(" ")));
    Attempt other;
    EXPECT_FALSE(other.Run(kCompany, QStringLiteral("blank"), QStringLiteral("x")));
}

TEST_F(LogonTest, DatabaseVersionMustContainTheProgramVersion)
{
    struct Case {
        QString stored;
        bool accepted;
    } cases[] = {
        {QStringLiteral("7.6.5.1203"), true}, {QStringLiteral("17.6.5"), true}, {QStringLiteral(" 7.6.5 "), true},
        {QStringLiteral("7.6"), false},       {QStringLiteral("7.6.4"), false}, {QStringLiteral("7.6.50"), true},
        {QStringLiteral("7,6,5"), false},
    };
    for (const auto& c : cases) {
        server.SetVersion(c.stored);
        Attempt a;
        EXPECT_EQ(a.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret")), c.accepted) << qPrintable(c.stored);
        if (!c.accepted) {
            EXPECT_EQ(a.err, QStringLiteral("Unable to Log In:  Database version must be 7.6.5.  Current version is ") +
                                 c.stored.trimmed() + QStringLiteral("."));
            EXPECT_FALSE(a.engine->DBI().IsOpen());
            EXPECT_EQ(g_oSystemEngine, nullptr);
        }
        g_oSystemEngine.reset();
    }
    server.Exec(QStringLiteral("DELETE FROM CoRegValues;"));
    Attempt none;
    EXPECT_FALSE(none.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret")));
    EXPECT_EQ(none.err, QStringLiteral("Unable to Log In:  Database version must be 7.6.5.  Current version is ."));
}

TEST_F(LogonTest, DatabaseFailuresAreRaisedAndLeaveTheSessionEngine)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;

    Attempt unknownServer;
    EXPECT_NE(ErrorNumberOf([&] { unknownServer.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret"),
                                                           QStringLiteral("NOSUCHSERVER")); }),
              0);
    // A company whose database file does not exist.
    server.Exec(QStringLiteral("INSERT INTO CoCompanies (CompanyID, CompanyName, DBName) VALUES ('GONE', 'Gone', 'GONEDB');"),
                QStringLiteral("CoSystem"));
    Attempt missingDatabase;
    EXPECT_NE(ErrorNumberOf([&] { missingDatabase.Run(QStringLiteral("GONE"), QStringLiteral("jdoe"),
                                                             QStringLiteral("secret")); }),
              0);
    EXPECT_EQ(g_oSystemEngine, session);
    EXPECT_TRUE(session->DBI().IsOpen());
}

TEST_F(LogonTest, ACompanyFileOfNoBytesIsNamedAsDamaged)
{
    const QString companyFile = erpdb::FindDatabaseFile(kServer, kDatabase);
    ASSERT_FALSE(companyFile.isEmpty());
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(companyFile + suffix);
    QFile file(companyFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    Attempt a;
    try {
        a.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret"));
        ADD_FAILURE() << "logged on to an empty database";
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Database '%1' cannot be opened: its file is empty or damaged (%2).")
                                       .arg(kDatabase, QDir::toNativeSeparators(companyFile)));
    }
    // Nothing was written into the file.
    EXPECT_EQ(QFileInfo(companyFile).size(), 0);
}

TEST_F(LogonTest, LogOnSetsTheSessionValuesAsTyped)
{
    clsLogonProfile p = Profile(QStringLiteral(" JDoe "), QStringLiteral("secret"));
    EXPECT_TRUE(LogOn(p, false));
    ASSERT_NE(g_oSystemEngine, nullptr);
    EXPECT_EQ(g_sUserID, QStringLiteral(" JDoe "));
    EXPECT_EQ(GetCurrentUserID(), QStringLiteral(" JDoe "));
    EXPECT_EQ(g_sCompanyID, kCompany);
    EXPECT_EQ(g_sDatabase, kDatabase);
    EXPECT_EQ(g_sServer, kServer);
    // The profile keeps what was typed.
    EXPECT_EQ(p.CurrentUser, QStringLiteral(" JDoe "));
    EXPECT_EQ(p.CurrentUserPwd, QStringLiteral("secret"));
}

TEST_F(LogonTest, RefusedLogOnRaisesItsMessageAndLeavesTheRunningSession)
{
    clsLogonProfile first = Profile(QStringLiteral("jdoe"), QStringLiteral("secret"));
    ASSERT_TRUE(LogOn(first, false));
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    CoEnvironmentSettings& settings = session->EnvironmentSettings();
    const QString password = settings.SqlPassword();

    struct Case {
        clsLogonProfile profile;
        QString message;
    } cases[] = {
        {Profile(QStringLiteral("admin"), QStringLiteral("wrong")), QStringLiteral("Unable to Log In:  Unknown user or password.")},
        {Profile(QStringLiteral("admin"), QStringLiteral("adminpw"), QStringLiteral("NOPE")),
         QStringLiteral("Unable to Log In:  Can't find company database.")},
        {Profile(QStringLiteral("ghost"), QStringLiteral("x")), QStringLiteral("Unable to Log In:  Can't connect to server.")},
    };
    for (auto& c : cases) {
        try {
            LogOn(c.profile, true);
            ADD_FAILURE() << "refused logon returned";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 32768);
            EXPECT_EQ(e.description(), c.message);
        }
        EXPECT_EQ(g_oSystemEngine, session);
        EXPECT_EQ(&g_oSystemEngine->EnvironmentSettings(), &settings);
        EXPECT_EQ(settings.AppUserName(), QStringLiteral("jdoe"));
        EXPECT_EQ(settings.AppPassword(), QStringLiteral("secret"));
        EXPECT_EQ(settings.Company(), kCompany);
        EXPECT_EQ(settings.CompanyDatabase(), kDatabase);
        EXPECT_EQ(settings.SqlPassword(), password);
        EXPECT_TRUE(session->DBI().IsOpen());
        EXPECT_EQ(session->DBI().DatabaseName().compare(kDatabase, Qt::CaseInsensitive), 0);
        EXPECT_EQ(g_sUserID, QStringLiteral("jdoe"));
        EXPECT_EQ(g_sCompanyID, kCompany);
        EXPECT_EQ(g_sDatabase, kDatabase);
    }
    // The running session still works.
    EXPECT_EQ(session->DBI().DLookup(QStringLiteral("UserName"), QStringLiteral("CoUsers"),
                                     QStringLiteral("UserID = 'jdoe'")).toString().trimmed(),
              QStringLiteral("John Doe"));
}

TEST_F(LogonTest, SuccessfulLogOnReplacesTheSession)
{
    clsLogonProfile first = Profile(QStringLiteral("jdoe"), QStringLiteral("secret"));
    ASSERT_TRUE(LogOn(first, false));
    OpenLookupConnection();
    ASSERT_TRUE(g_cn);
    std::weak_ptr<CoQuillonSystemEngine> previous = g_oSystemEngine;
    clsLogonProfile second = Profile(QStringLiteral("admin"), QStringLiteral("adminpw"));
    ASSERT_TRUE(LogOn(second, true));
    EXPECT_TRUE(previous.expired());  // released
    // The old session's lookup connection goes with it (the new one opens with the main window).
    EXPECT_EQ(g_cn, nullptr);
    EXPECT_EQ(g_sUserID, QStringLiteral("admin"));
    EXPECT_EQ(g_oSystemEngine->EnvironmentSettings().AppFullUserName(), QStringLiteral("System Administrator"));
}

TEST_F(LogonTest, CloseSystemEngineEndsTheSession)
{
    CloseSystemEngine();  // no session: nothing happens
    EXPECT_EQ(g_oSystemEngine, nullptr);
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    const CoQuillonSystemEnginePtr engine = g_oSystemEngine;
    CloseSystemEngine();
    EXPECT_EQ(g_oSystemEngine, nullptr);
    EXPECT_FALSE(engine->DBI().IsOpen());
    // The session values stay.
    EXPECT_EQ(g_sUserID, QStringLiteral("jdoe"));

    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    const CoQuillonSystemEnginePtr second = g_oSystemEngine;
    second->CloseConnection();
    EXPECT_EQ(g_oSystemEngine, nullptr);
    EXPECT_FALSE(second->DBI().IsOpen());
}

TEST_F(LogonTest, ServerWithoutClientConfigurationUsesTheBuiltInPasswords)
{
    // A server made with the demo passwords whose client configuration is gone.
    erpdb::CreateServer(QStringLiteral("PLAIN"), QString::fromLatin1(erpdb::kDemoExecutivePassword),
                        QString::fromLatin1(erpdb::kDemoReadOnlyPassword));
    erpdb::CreateCompany(QStringLiteral("PLAIN"), kCompany, kCompanyName, kDatabase);
    const QDir config(erpdb::ClientConfigRoot());
    for (const QString& f : config.entryList({QStringLiteral("*.ini")}, QDir::Files))
        if (f.startsWith(QStringLiteral("PLAIN"), Qt::CaseInsensitive))
            ASSERT_TRUE(QFile::remove(config.filePath(f)));
    ASSERT_FALSE(erpdb::ClientLoginPasswords(QStringLiteral("PLAIN")).found);

    const SqlLoginPasswords builtIn = SessionLoginPasswords(QStringLiteral("PLAIN"));
    EXPECT_EQ(CryptText(1, builtIn.application, SessionCipherKey(), false), QString::fromLatin1(erpdb::kDemoExecutivePassword));
    EXPECT_EQ(CryptText(1, builtIn.readOnly, SessionCipherKey(), false), QString::fromLatin1(erpdb::kDemoReadOnlyPassword));

    Attempt a;
    EXPECT_FALSE(a.Run(kCompany, QStringLiteral("nobody"), QString(), QStringLiteral("PLAIN")));
    // It got as far as the company database with the built-in login password.
    EXPECT_EQ(a.err, QStringLiteral("Unable to Log In:  Can't connect to server."));
}

TEST_F(LogonTest, GetResultsAndCloseResultsGoThroughTheConnection)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    CoQuillonSystemEngine& engine = *g_oSystemEngine;
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(engine.GetResults(QStringLiteral("SELECT UserID FROM CoUsers ORDER BY UserID"), rs));
    EXPECT_EQ(rs->Item(0).toString(), QStringLiteral("admin"));
    EXPECT_TRUE(engine.CloseResults(rs).isEmpty());
    EXPECT_FALSE(engine.GetResults(QStringLiteral("SELECT UserID FROM CoUsers WHERE 1 = 0"), rs));
    engine.CloseResults(rs);
    EXPECT_EQ(engine.LoadBinary(QStringLiteral("x")), QString());
    EXPECT_EQ(engine.Execute(QStringLiteral("DELETE FROM CoUsers")), QString());
    EXPECT_EQ(engine.DBI().DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("CoUsers"), QString()).toInt32(), 2);
}
