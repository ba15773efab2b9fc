// The client configuration holds the two logins' passwords: its file and folder
// are the user's alone from the moment they exist, and quillon-db takes a login's
// password from standard input (or a prompt without echo) rather than from its
// command line, where every local user sees it in the process list.

#include "base/AuUtilities.h"
#include "db/ClientOdbcConfig.h"
#include "db/EmbeddedServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

int ModeOf(const QString& path)
{
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

// The process's umask for a scope: an ordinary one, under which new files are readable by all.
struct Umask {
    mode_t saved;
    explicit Umask(mode_t mask) : saved(::umask(mask)) {}
    ~Umask() { ::umask(saved); }
};

TEST(ClientConfigFile, TheFileAndItsFolderAreTheUsersAloneFromTheStart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Umask mask(022);
    const QString root = dir.filePath(QStringLiteral("client"));
    // the folder as the README's "mkdir -p" makes it, readable by all
    ASSERT_TRUE(QDir().mkpath(root));
    ASSERT_EQ(ModeOf(root), 0755);
    const QString path = root + QStringLiteral("/SQLPROD.ini");
    erpdb::PrepareClientFile(path);
    // made empty for the user alone, before anything is written into it
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_EQ(ModeOf(path), 0600);
    EXPECT_EQ(ModeOf(root), 0700);
    // a file of wider mode is narrowed, its contents kept
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Server]\nName=SQLPROD\n");
    f.close();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    erpdb::PrepareClientFile(path);
    EXPECT_EQ(ModeOf(path), 0600);
    EXPECT_EQ(QFileInfo(path).size(), 22);

    // the writers go through it: a new file of another server
    erpdb::SetClientConfigRoot(root);
    OdbcServerConfig config;
    config.host = QStringLiteral("sqlhost\\ERP");
    ::chmod(QFile::encodeName(root).constData(), 0755);
    erpdb::WriteClientOdbcServer(QStringLiteral("OTHER"), config);
    erpdb::SetClientConfigRoot(QString());
    EXPECT_EQ(ModeOf(root + QStringLiteral("/OTHER.ini")), 0600);
    EXPECT_EQ(ModeOf(root), 0700);
}

TEST(ClientConfigFile, SetLoginPasswordReadsThePasswordFromStandardInput)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-db");
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "quillon-db is not built";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString client = dir.filePath(QStringLiteral("client"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SERVERS_DIR"), dir.filePath(QStringLiteral("servers")));
    env.insert(QStringLiteral("QUILLON_CLIENT_CONFIG_DIR"), client);
    auto run = [&](const QStringList& args, const QByteArray& input, QString* output) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(tool, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        *output = QString::fromLocal8Bit(p.readAll());
        return p.exitCode();
    };
    QString out;
    ASSERT_EQ(run({QStringLiteral("create-server"), QStringLiteral("PWTEST")}, {}, &out), 0) << out.toStdString();

    // a SQL Server reached through ODBC: only the client configuration is written
    erpdb::SetClientConfigRoot(client);
    erpdb::SetServersRoot(dir.filePath(QStringLiteral("servers")));
    OdbcServerConfig config;
    config.host = QStringLiteral("sqlhost\\ERP");
    erpdb::WriteClientOdbcServer(QStringLiteral("SQLPROD"), config);
    struct Case {
        const char* server;
        const char* login;
        QByteArray input;
        const char* password;  // as stored
    };
    const Case cases[] = {
        {"PWTEST", "coexecutive", "Exec Pw 1\n", "Exec Pw 1"},
        {"SQLPROD", "coexecutive", "Exec-Pw-1\r\n", "Exec-Pw-1"},  // a line from a file written on Windows
        {"SQLPROD", "coreadonly", "Read-Pw-1", "Read-Pw-1"},       // no line end at all
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run({QStringLiteral("set-login-password"), QStringLiteral("--server"), QLatin1String(c.server),
                       QLatin1String(c.login)},
                      c.input, &out),
                  0)
            << out.toStdString();
        EXPECT_FALSE(out.contains(QLatin1String(c.password))) << out.toStdString();
        const erpdb::ClientPasswords stored = erpdb::ClientLoginPasswords(QLatin1String(c.server));
        const QString enciphered =
            QLatin1String(c.login) == QLatin1String("coexecutive") ? stored.executive : stored.readOnly;
        EXPECT_EQ(CryptText(1, enciphered, SessionCipherKey(), false).toStdString(), c.password) << c.server;
        EXPECT_EQ(ModeOf(client + QLatin1Char('/') + QLatin1String(c.server) + QStringLiteral(".ini")), 0600);
    }
    // the embedded server's login itself took it
    EXPECT_TRUE(erpdb::CheckLogin(QStringLiteral("PWTEST"), QStringLiteral("coexecutive"), QStringLiteral("Exec Pw 1")));
    // an empty line is no password
    EXPECT_EQ(run({QStringLiteral("set-login-password"), QStringLiteral("--server"), QStringLiteral("SQLPROD"),
                   QStringLiteral("coreadonly")},
                  "\n", &out),
              1)
        << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("may not be empty"))) << out.toStdString();
    erpdb::SetClientConfigRoot(QString());
    erpdb::SetServersRoot(QString());
}

}  // namespace
