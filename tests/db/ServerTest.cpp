// The embedded ERP server on real files: servers and their logins, the client
// configuration, opening databases (and every refusal), the schema's conventions,
// companies and users, and two processes writing one company at once.
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "db/ClientOdbcConfig.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "platform/database/BrandleDatabase.h"

#include "ErrorOf.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace {

// Every file below a folder with its size, to show that a failure changed nothing
// (SQLite's passing -wal and -shm files aside).
std::string Listing(const QString& root)
{
    QStringList out;
    std::function<void(const QString&)> walk = [&](const QString& dir) {
        for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                                           QDir::Name)) {
            if (fi.fileName().endsWith(QLatin1String("-wal")) || fi.fileName().endsWith(QLatin1String("-shm")))
                continue;
            out << QDir(root).relativeFilePath(fi.filePath()) + QLatin1Char(' ') + QString::number(fi.size());
            if (fi.isDir())
                walk(fi.filePath());
        }
    };
    walk(root);
    return out.join(QLatin1Char('\n')).toStdString();
}

QString QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    QString result;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return result;
}

int Exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

struct Closer {
    sqlite3* db;
    ~Closer() { sqlite3_close_v2(db); }
};

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        servers = dir.filePath(QStringLiteral("servers"));
        clients = dir.filePath(QStringLiteral("client"));
        erpdb::SetServersRoot(servers);
        erpdb::SetClientConfigRoot(clients);
    }
    void TearDown() override
    {
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }
    // A server "Alpha" with a company ACME (database AcmeDb).
    void MakeAlpha()
    {
        erpdb::CreateServer(QStringLiteral("Alpha"), QStringLiteral("exec-pw"), QStringLiteral("read-pw"));
        erpdb::CreateCompany(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral("Acme Corporation"),
                             QStringLiteral("AcmeDb"));
    }
    QTemporaryDir dir;
    QString servers;
    QString clients;
};

TEST_F(ServerTest, ACreatedServerKnowsItsLoginsAndItsClientSideHoldsThemEnciphered)
{
    erpdb::CreateServer(QStringLiteral("Alpha"), QStringLiteral("exec-pw"), QStringLiteral("read-pw"));

    EXPECT_TRUE(erpdb::ServerExists(QStringLiteral("ALPHA")));  // names compare without regard to case
    EXPECT_FALSE(erpdb::FindDatabaseFile(QStringLiteral("alpha"), QStringLiteral("cosystem")).isEmpty());
    EXPECT_TRUE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coexecutive"), QStringLiteral("exec-pw")));
    EXPECT_TRUE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("read-pw")));
    EXPECT_FALSE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("exec-pw")));
    EXPECT_FALSE(erpdb::CheckLogin(QStringLiteral("Beta"), QStringLiteral("coexecutive"), QStringLiteral("exec-pw")));

    const erpdb::ClientPasswords client = erpdb::ClientLoginPasswords(QStringLiteral("alpha"));
    ASSERT_TRUE(client.found);
    EXPECT_EQ(CryptText(1, client.executive, SessionCipherKey(), false), QStringLiteral("exec-pw"));
    EXPECT_EQ(CryptText(1, client.readOnly, SessionCipherKey(), false), QStringLiteral("read-pw"));
    EXPECT_FALSE(erpdb::ClientLoginPasswords(QStringLiteral("Beta")).found);

    // Neither side keeps a password in plain.
    for (const QString& file : {QDir(servers).filePath(QStringLiteral("Alpha/server.ini")),
                                QDir(clients).filePath(QStringLiteral("Alpha.ini"))}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        const QByteArray text = f.readAll();
        EXPECT_FALSE(text.contains("exec-pw")) << file.toStdString();
        EXPECT_FALSE(text.contains("read-pw")) << file.toStdString();
    }
}

TEST_F(ServerTest, LocalNamesTheServerOfThisComputer)
{
    erpdb::CreateServer(QStringLiteral("(local)"), QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_TRUE(QDir(servers).exists(erpdb::LocalServerName()));
    EXPECT_TRUE(erpdb::ServerExists(QStringLiteral("(LOCAL)")));
    EXPECT_TRUE(erpdb::ServerExists(erpdb::LocalServerName().toLower()));
    EXPECT_TRUE(erpdb::ClientLoginPasswords(QStringLiteral("(Local)")).found);
    sqlite3* db = erpdb::OpenDatabase(QStringLiteral("(LOCAL)"), QStringLiteral("CoSystem"),
                                      QStringLiteral("coexecutive"), QStringLiteral("x"));
    Closer close{db};
    EXPECT_EQ(QueryText(db, "SELECT count(*) FROM CoCompanies"), QStringLiteral("0"));
}

TEST_F(ServerTest, BadServerCreationsFailAndLeaveNothing)
{
    erpdb::CreateServer(QStringLiteral("Alpha"), QStringLiteral("a"), QStringLiteral("b"));
    const std::string before = Listing(dir.path());
    struct Case {
        const char* name;
        const char* exec;
        const char* read;
        const char* message;
    };
    const Case cases[] = {
        {"alpha", "c", "d", "exists already"},  // the same name in other case
        {"a/b", "c", "d", "not a usable server name"},
        {"..", "c", "d", "not a usable server name"},
        {"", "c", "d", "not a usable server name"},
        {"Gamma", "", "d", "may not be empty"},
    };
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] {
            erpdb::CreateServer(QString::fromUtf8(c.name), QString::fromUtf8(c.exec), QString::fromUtf8(c.read));
        });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.name;
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.name << ": " << e.description().toStdString();
    }
    EXPECT_EQ(Listing(dir.path()), before);
    EXPECT_TRUE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coexecutive"), QStringLiteral("a")));
}

TEST_F(ServerTest, OpeningRefusesUnknownLoginsWrongPasswordsForeignDatabasesAndMissingFiles)
{
    MakeAlpha();
    const std::string before = Listing(dir.path());
    struct Case {
        const char* server;
        const char* database;
        const char* login;
        const char* password;
        const char* message;
    };
    const Case cases[] = {
        {"Alpha", "AcmeDb", "nobody", "exec-pw", "Login failed for user 'nobody'."},
        {"Alpha", "AcmeDb", "coexecutive", "wrong", "Login failed for user 'coexecutive'."},
        {"Alpha", "AcmeDb", "coexecutive", "", "Login failed for user 'coexecutive'."},
        {"Alpha", "AcmeDb", "coexecutive", "EXEC-PW", "Login failed for user 'coexecutive'."},
        {"Alpha", "CoSystem", "coreadonly", "read-pw",
         "Server user 'coreadonly' is not a valid user in database 'CoSystem'."},
        {"Alpha", "Missing", "coexecutive", "exec-pw",
         "Cannot open database 'Missing' requested by the login. The login failed."},
        {"Alpha", "../Alpha/CoSystem", "coexecutive", "exec-pw",
         "Cannot open database '../Alpha/CoSystem' requested by the login. The login failed."},
        {"Beta", "AcmeDb", "coexecutive", "exec-pw", "SQL Server 'Beta' does not exist or access denied."},
    };
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] {
            sqlite3* db = erpdb::OpenDatabase(QString::fromUtf8(c.server), QString::fromUtf8(c.database),
                                              QString::fromUtf8(c.login), QString::fromUtf8(c.password));
            sqlite3_close_v2(db);
        });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.database << " " << c.login;
        EXPECT_EQ(e.description(), QString::fromUtf8(c.message));
    }
    // Opening never made a file.
    EXPECT_EQ(Listing(dir.path()), before);

    // The same refusal reaches a caller of the database interface, and its version check.
    BrandleDatabase dbi;
    int32_t flag = 0;
    const AppError e = ErrorOf([&] {
        dbi.OpenConnection(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                           QStringLiteral("wrong"), 0, flag);
    });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_TRUE(e.description().contains(QLatin1String("Login failed for user 'coexecutive'.")));
    Variant v1, v2, v3;
    EXPECT_EQ(dbi.GetServerVersion(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("wrong"), v1,
                                   v2, v3),
              QString());
    EXPECT_EQ(dbi.GetServerVersion(QStringLiteral("alpha"), QStringLiteral("coreadonly"), QStringLiteral("read-pw"),
                                   v1, v2, v3),
              erpdb::ServerVersionText());
    EXPECT_TRUE(erpdb::ServerVersionText().contains(QString::fromLatin1(sqlite3_libversion())));
}

TEST_F(ServerTest, ConnectionsAreInWalModeAndTheReadOnlyLoginCannotWrite)
{
    MakeAlpha();
    sqlite3* rw = erpdb::OpenDatabase(QStringLiteral("alpha"), QStringLiteral("acmedb"), QStringLiteral("coexecutive"),
                                      QStringLiteral("exec-pw"));
    Closer closeRw{rw};
    EXPECT_EQ(QueryText(rw, "PRAGMA journal_mode"), QStringLiteral("wal"));
    ASSERT_EQ(Exec(rw, "INSERT INTO CoUsers (UserID, UserName, Password) VALUES ('jdoe', 'John Doe', '')"), SQLITE_OK);

    sqlite3* ro = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coreadonly"),
                                      QStringLiteral("read-pw"));
    Closer closeRo{ro};
    EXPECT_EQ(QueryText(ro, "SELECT UserName FROM CoUsers"), QStringLiteral("John Doe"));
    EXPECT_EQ(Exec(ro, "DELETE FROM CoUsers"), SQLITE_READONLY);
    EXPECT_EQ(QueryText(rw, "SELECT count(*) FROM CoUsers"), QStringLiteral("1"));
}

TEST_F(ServerTest, ADamagedDatabaseFileFailsClearlyAndIsLeftAsItWas)
{
    MakeAlpha();
    const QString path = erpdb::FindDatabaseFile(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(8192, 'x'));
    }
    const AppError e = ErrorOf([&] {
        sqlite3_close_v2(erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"),
                                             QStringLiteral("coexecutive"), QStringLiteral("exec-pw")));
    });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_EQ(e.description(), QStringLiteral("Database 'AcmeDb' cannot be opened: file is not a database"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(8192, 'x'));
}

// Text comparisons follow SQL Server's default collation on our connections, bits
// hold 0 or 1 whatever non-zero value is written, and ids are never reused.
TEST_F(ServerTest, TheSchemaComparesTextAsTheServerDoesKeepsBitsAndNeverReusesIds)
{
    MakeAlpha();
    sqlite3* db = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                                      QStringLiteral("exec-pw"));
    Closer close{db};
    ASSERT_EQ(Exec(db, "INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (12, 'JDoe', -1)"), SQLITE_OK);
    struct Case {
        const char* sql;
        const char* expected;
    };
    const Case cases[] = {
        {"SELECT count(*) FROM LdMyViews WHERE UserID = 'jdoe'", "1"},
        {"SELECT count(*) FROM LdMyViews WHERE UserID = 'JDOE  '", "1"},   // trailing blanks ignored
        {"SELECT count(*) FROM LdMyViews WHERE UserID = ' jdoe'", "0"},    // leading ones are not
        {"SELECT count(*) FROM LdMyViews WHERE UserID <> 'jdoe '", "0"},
        {"SELECT count(*) FROM LdMyViews WHERE UserID = 'jdo'", "0"},
        {"SELECT AutoPopulate FROM LdMyViews", "1"},                       // -1 stored as 1
        {"SELECT IsMyView FROM LdMyViews", "0"},                           // the default
        {"SELECT UserID FROM LdMyViews", "JDoe"},                          // stored as written
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueryText(db, c.sql), QString::fromUtf8(c.expected)) << c.sql;

    ASSERT_EQ(Exec(db, "UPDATE LdMyViews SET IsMyView = -1, AutoPopulate = 0"), SQLITE_OK);
    EXPECT_EQ(QueryText(db, "SELECT IsMyView || '/' || AutoPopulate FROM LdMyViews"), QStringLiteral("1/0"));
    ASSERT_EQ(Exec(db, "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
                       "VALUES (1, 1, 1, 0, 5, -1)"),
              SQLITE_OK);
    EXPECT_EQ(QueryText(db, "SELECT Filterable || Viewable FROM LdViewColumns"), QStringLiteral("11"));

    // The highest id deleted is not handed out again.
    ASSERT_EQ(Exec(db, "INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, CreatorID) VALUES (1, 'a', 'WHERE 1=1', 'x')"),
              SQLITE_OK);
    const QString first = QueryText(db, "SELECT MAX(ViewFilterID) FROM LdViewFilters");
    ASSERT_EQ(Exec(db, "DELETE FROM LdViewFilters"), SQLITE_OK);
    ASSERT_EQ(Exec(db, "INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, CreatorID) VALUES (1, 'b', 'WHERE 1=1', 'x')"),
              SQLITE_OK);
    EXPECT_GT(QueryText(db, "SELECT MAX(ViewFilterID) FROM LdViewFilters").toInt(), first.toInt());
    EXPECT_EQ(QueryText(db, "SELECT UseMe FROM LdViewFilters"), QStringLiteral("1"));

    // Base ids are 32-bit numbers, as SQL Server's int.
    EXPECT_EQ(Exec(db, "INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL) VALUES (40000, 'X', 'X', 'x', 'x')"),
              SQLITE_OK);
    EXPECT_EQ(Exec(db, "INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL) VALUES (2147483648, 'Y', 'Y', 'y', 'y')"),
              SQLITE_CONSTRAINT_CHECK);
}

// The program writes a user id as typed in one place and trimmed in another; the
// sqlite3 shell, with its own NOCASE, must still find the file sound and answer right.
TEST_F(ServerTest, IdsThatDifferInTrailingBlanksLeaveTheFileSoundForTheShell)
{
    MakeAlpha();
    sqlite3* db = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                                      QStringLiteral("exec-pw"));
    Closer close{db};
    for (const char* sql :
         {"INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (12, 'zed ', 1), (12, 'zed', 1), (13, 'ZED  ', 0)",
          "INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, CreatorID) VALUES "
          "(12, 'Open ', 'WHERE 1=1', 'zed '), (12, 'Open', 'WHERE 1=1', 'zed'), (12, 'open', 'WHERE 1=1', 'zed')",
          "INSERT INTO LdViews (ViewName, DisplayName, BaseID) VALUES ('V_1 ', 'a', 1), ('V_1', 'b', 1)"})
        ASSERT_EQ(Exec(db, sql), SQLITE_OK) << sqlite3_errmsg(db);
    EXPECT_EQ(QueryText(db, "SELECT count(*) FROM LdMyViews WHERE UserID = 'zed' AND ViewID = 12"), QStringLiteral("2"));

    sqlite3* shell = nullptr;  // a connection with SQLite's own NOCASE, as the shell has
    const QByteArray file = QFile::encodeName(erpdb::FindDatabaseFile(QStringLiteral("Alpha"), QStringLiteral("AcmeDb")));
    ASSERT_EQ(sqlite3_open_v2(file.constData(), &shell, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    Closer closeShell{shell};
    const std::pair<const char*, const char*> cases[] = {
        {"PRAGMA integrity_check", "ok"},
        {"SELECT count(*) FROM LdMyViews WHERE UserID = 'zed' AND ViewID = 12", "1"},
        {"SELECT count(*) FROM LdMyViews WHERE UserID = 'ZED'", "1"},
        {"SELECT count(*) FROM LdViewFilters WHERE ViewID = 12 AND CreatorID = 'zed' AND FilterName = 'open'", "2"},
        {"SELECT DisplayName FROM LdViews WHERE ViewName = 'V_1'", "b"},
    };
    for (const auto& [sql, expected] : cases)
        EXPECT_EQ(QueryText(shell, sql), QString::fromLatin1(expected)) << sql;
    // and what the shell writes leaves the file sound for our connections
    ASSERT_EQ(Exec(shell, "INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (12, 'Zed ', 0)"), SQLITE_OK);
    EXPECT_EQ(QueryText(db, "PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(Exec(db, "DELETE FROM LdMyViews WHERE UserID = 'zed'"), SQLITE_OK);
    EXPECT_EQ(QueryText(shell, "SELECT count(*) FROM LdMyViews"), QStringLiteral("0"));
}

TEST_F(ServerTest, CompaniesAreRecordedWithTheirDatabaseAndBadOnesChangeNothing)
{
    MakeAlpha();
    EXPECT_EQ(erpdb::CompanyDatabaseName(QStringLiteral("alpha"), QStringLiteral("acme")), QStringLiteral("AcmeDb"));
    EXPECT_EQ(erpdb::DatabaseNames(QStringLiteral("Alpha")), (QStringList{QStringLiteral("AcmeDb"), QStringLiteral("CoSystem")}));
    // Both logins may use the new company; only coexecutive the system database.
    EXPECT_TRUE(erpdb::LoginMayUse(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("ACMEDB")));
    EXPECT_TRUE(erpdb::LoginMayUse(QStringLiteral("Alpha"), QStringLiteral("coexecutive"), QStringLiteral("AcmeDb")));
    EXPECT_FALSE(erpdb::LoginMayUse(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("CoSystem")));

    const std::string before = Listing(dir.path());
    struct Case {
        const char* server;
        const char* id;
        const char* name;
        const char* db;
        const char* message;
    };
    const Case cases[] = {
        {"Alpha", "acme", "Other", "OtherDb", "exists already"},
        {"Alpha", "ZETA", "Other", "acmedb", "exists already"},
        {"Alpha", "ZETA", "Other", "CoSystem", "exists already"},
        {"Alpha", "ZETA", "Other", "../x", "not a usable database name"},
        {"Alpha", "ZETA", "Other", "9lives", "not a usable database name"},
        {"Alpha", "ABCDEFGHIJKLMNOP", "Other", "OtherDb", "1 to 15 characters"},
        {"Alpha", "ZETA", " ", "OtherDb", "may not be empty"},
        {"Beta", "ZETA", "Other", "OtherDb", "does not exist"},
    };
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] {
            erpdb::CreateCompany(QString::fromUtf8(c.server), QString::fromUtf8(c.id), QString::fromUtf8(c.name),
                                 QString::fromUtf8(c.db));
        });
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.id << "/" << c.db << ": "
                                                                        << e.description().toStdString();
    }
    EXPECT_EQ(Listing(dir.path()), before);

    // The program's logon query finds the company on the system database.
    sqlite3* system = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("CoSystem"),
                                          QStringLiteral("coexecutive"), QStringLiteral("exec-pw"));
    Closer close{system};
    EXPECT_EQ(QueryText(system, "SELECT DBName FROM CoCompanies WHERE CompanyID = 'Acme '"), QStringLiteral("AcmeDb"));

    erpdb::DropCompany(QStringLiteral("Alpha"), QStringLiteral("ACME"));
    EXPECT_TRUE(erpdb::FindDatabaseFile(QStringLiteral("Alpha"), QStringLiteral("AcmeDb")).isEmpty());
    EXPECT_TRUE(erpdb::CompanyDatabaseName(QStringLiteral("Alpha"), QStringLiteral("ACME")).isEmpty());
    EXPECT_FALSE(erpdb::LoginMayUse(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("AcmeDb")));
}

TEST_F(ServerTest, UsersGetTheirPasswordsEncipheredAsTheLogonComparesThem)
{
    MakeAlpha();
    erpdb::AddUser(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral(" admin "),
                   QStringLiteral("Administrator"), QStringLiteral("admin"));
    erpdb::AddUser(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral("JDoe"), QStringLiteral("John Doe"),
                   QStringLiteral("old"));
    erpdb::SetUserPassword(QStringLiteral("Alpha"), QStringLiteral("acme"), QStringLiteral("jdoe"),
                           QStringLiteral("secret"));
    sqlite3* db = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                                      QStringLiteral("exec-pw"));
    Closer close{db};
    // Known vectors of the cipher under the upper-cased, trimmed user id.
    EXPECT_EQ(QueryText(db, "SELECT Password FROM CoUsers WHERE UserID = 'admin'"), QStringLiteral("CkBFTEs="));
    EXPECT_EQ(QueryText(db, "SELECT Password FROM CoUsers WHERE UserID = 'jdoe'"), QStringLiteral("E1NIVV9X"));
    EXPECT_EQ(QueryText(db, "SELECT UserID FROM CoUsers WHERE UserID = 'JDOE'"), QStringLiteral("JDoe"));

    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[] { erpdb::AddUser(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral("jdoe"),
                             QStringLiteral("X"), QStringLiteral("x")); },
         "exists already"},
        {[] { erpdb::AddUser(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral("toolonguser"),
                             QStringLiteral("X"), QStringLiteral("x")); },
         "1 to 8 characters"},
        {[] { erpdb::AddUser(QStringLiteral("Alpha"), QStringLiteral("NONE"), QStringLiteral("bob"),
                             QStringLiteral("X"), QStringLiteral("x")); },
         "has no company 'NONE'"},
        {[] { erpdb::SetUserPassword(QStringLiteral("Alpha"), QStringLiteral("ACME"), QStringLiteral("bob"),
                                     QStringLiteral("x")); },
         "has no user 'bob'"},
    };
    for (const Case& c : cases) {
        const AppError e = ErrorOf(c.call);
        EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << e.description().toStdString();
    }
    EXPECT_EQ(QueryText(db, "SELECT count(*) FROM CoUsers"), QStringLiteral("2"));
}

TEST_F(ServerTest, ALoginsNewPasswordReachesServerAndClient)
{
    MakeAlpha();
    erpdb::SetLoginPassword(QStringLiteral("alpha"), QStringLiteral("CoReadOnly"), QStringLiteral("fresh"));
    EXPECT_TRUE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("fresh")));
    EXPECT_FALSE(erpdb::CheckLogin(QStringLiteral("Alpha"), QStringLiteral("coreadonly"), QStringLiteral("read-pw")));
    const erpdb::ClientPasswords client = erpdb::ClientLoginPasswords(QStringLiteral("Alpha"));
    EXPECT_EQ(CryptText(1, client.readOnly, SessionCipherKey(), false), QStringLiteral("fresh"));
    EXPECT_EQ(CryptText(1, client.executive, SessionCipherKey(), false), QStringLiteral("exec-pw"));
    const AppError e = ErrorOf([] {
        erpdb::SetLoginPassword(QStringLiteral("Alpha"), QStringLiteral("sa"), QStringLiteral("x"));
    });
    EXPECT_EQ(e.description(), QStringLiteral("The server 'Alpha' has no login 'sa'."));
}

TEST_F(ServerTest, ALoginPasswordOfASqlServerGoesToTheClientConfigurationOnly)
{
    OdbcServerConfig config;
    config.host = QStringLiteral("sqlhost\\ERP");
    erpdb::WriteClientOdbcServer(QStringLiteral("SQLPROD"), config);
    erpdb::SetLoginPassword(QStringLiteral("sqlprod"), QStringLiteral("CoExecutive"), QStringLiteral("exec-site"));
    erpdb::SetLoginPassword(QStringLiteral("SQLPROD"), QStringLiteral("coreadonly"), QStringLiteral("read-site"));
    const erpdb::ClientPasswords client = erpdb::ClientLoginPasswords(QStringLiteral("SQLPROD"));
    EXPECT_EQ(CryptText(1, client.executive, SessionCipherKey(), false), QStringLiteral("exec-site"));
    EXPECT_EQ(CryptText(1, client.readOnly, SessionCipherKey(), false), QStringLiteral("read-site"));
    EXPECT_FALSE(erpdb::ServerExists(QStringLiteral("SQLPROD")));
    ASSERT_TRUE(erpdb::ClientOdbcServer(QStringLiteral("SQLPROD")));
    EXPECT_EQ(erpdb::ClientOdbcServer(QStringLiteral("SQLPROD"))->host, QStringLiteral("sqlhost\\ERP"));
    EXPECT_EQ(ErrorOf([] { erpdb::SetLoginPassword(QStringLiteral("SQLPROD"), QStringLiteral("sa"), QStringLiteral("x")); })
                  .description(),
              QStringLiteral("The program logs on only as coexecutive and coreadonly, not as 'sa'."));
    EXPECT_EQ(ErrorOf([] { erpdb::SetLoginPassword(QStringLiteral("NOSUCH"), QStringLiteral("coreadonly"), QStringLiteral("x")); })
                  .description(),
              QStringLiteral("The server 'NOSUCH' does not exist."));
}

// ---- Two processes writing one company at once -------------------------------

// Run as a child process of the test below (the environment says what to do):
// appends rows to CoUserGroups, half of them one statement each and half in
// transactions of five, through its own connection.
TEST(ServerWriterChild, AppendsRows)
{
    const QString spec = qEnvironmentVariable("QUILLON_WRITER_SPEC");
    if (spec.isEmpty())
        GTEST_SKIP() << "runs only as a child of ServerTest.TwoProcessesWritingAtOnceLoseNothing";
    const QStringList parts = spec.split(QLatin1Char('|'));  // servers|clients|group|count
    ASSERT_EQ(parts.size(), 4);
    erpdb::SetServersRoot(parts[0]);
    erpdb::SetClientConfigRoot(parts[1]);
    sqlite3* db = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"), QStringLiteral("coexecutive"),
                                      QStringLiteral("exec-pw"));
    Closer close{db};
    const int count = parts[3].toInt();
    for (int k = 0; k < count; ++k) {
        const bool batch = k >= count / 2;
        if (batch && k % 5 == 0)
            ASSERT_EQ(Exec(db, "BEGIN IMMEDIATE"), SQLITE_OK) << sqlite3_errmsg(db);
        const QByteArray sql = QStringLiteral("INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('%1', 'u%2')")
                                   .arg(parts[2])
                                   .arg(k)
                                   .toUtf8();
        ASSERT_EQ(Exec(db, sql.constData()), SQLITE_OK) << sqlite3_errmsg(db);
        if (batch && (k % 5 == 4 || k == count - 1))
            ASSERT_EQ(Exec(db, "COMMIT"), SQLITE_OK) << sqlite3_errmsg(db);
    }
}

TEST_F(ServerTest, TwoProcessesWritingAtOnceLoseNothing)
{
    MakeAlpha();
    const int count = 300;
    // A reader keeps a statement open all the while, as an open list does.
    sqlite3* reader = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"),
                                          QStringLiteral("coreadonly"), QStringLiteral("read-pw"));
    Closer closeReader{reader};
    ASSERT_EQ(Exec(reader, "INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('seed', 'x')"), SQLITE_READONLY);
    sqlite3* writer = erpdb::OpenDatabase(QStringLiteral("Alpha"), QStringLiteral("AcmeDb"),
                                          QStringLiteral("coexecutive"), QStringLiteral("exec-pw"));
    Closer closeWriter{writer};
    ASSERT_EQ(Exec(writer, "INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('seed', 'a'), ('seed', 'b')"), SQLITE_OK);
    sqlite3_stmt* open = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT UserID FROM CoUserGroups", -1, &open, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(open), SQLITE_ROW);

    QProcess children[2];
    const char* groups[2] = {"first", "second"};
    for (int k = 0; k < 2; ++k) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLON_WRITER_SPEC"),
                   QStringLiteral("%1|%2|%3|%4").arg(servers, clients, QLatin1String(groups[k])).arg(count));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        children[k].setProcessEnvironment(env);
        children[k].setProcessChannelMode(QProcess::MergedChannels);
        children[k].start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--gtest_filter=ServerWriterChild.AppendsRows")});
    }
    for (QProcess& child : children) {
        ASSERT_TRUE(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << output.constData();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    }
    // The reader's open statement still sees its snapshot, and was no obstacle.
    int seen = 1;
    while (sqlite3_step(open) == SQLITE_ROW)
        ++seen;
    sqlite3_finalize(open);
    EXPECT_EQ(seen, 2);

    EXPECT_EQ(QueryText(reader, "SELECT count(*) FROM CoUserGroups WHERE GroupID = 'first'"), QString::number(count));
    EXPECT_EQ(QueryText(reader, "SELECT count(*) FROM CoUserGroups WHERE GroupID = 'second'"), QString::number(count));
    EXPECT_EQ(QueryText(reader, "SELECT count(DISTINCT UserID) FROM CoUserGroups WHERE GroupID <> 'seed'"),
              QString::number(count));
    EXPECT_EQ(QueryText(writer, "PRAGMA integrity_check"), QStringLiteral("ok"));
}

}  // namespace
