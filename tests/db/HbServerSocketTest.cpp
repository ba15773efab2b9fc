// The HBServer through its real socket on loopback: the request limit for every
// line, a log that no request can forge, the servers it serves by default and what
// it tells about the others; and the quillon-db command that runs it.

#include "platform/hbclient/HbProtocol.h"
#include "platform/hbclient/HbTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <csignal>

using namespace hbtest;

namespace {

constexpr int kWaitMs = 30000;

// Sends bytes as they are and returns all that comes back before the HBServer
// closes the connection. The waits only bound a test that goes wrong: the
// HBServer closes every connection once it has answered.
QByteArray Exchange(int16_t port, const QByteArray& bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    if (!socket.waitForConnected(kWaitMs))
        return "no connection";
    // Written in slices: a large request must not wait for the whole of it to be taken.
    for (qsizetype at = 0; at < bytes.size() && socket.state() == QAbstractSocket::ConnectedState; at += 1 << 20) {
        socket.write(bytes.mid(at, 1 << 20));
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kWaitMs)) {
        }
    }
    QByteArray answer;
    QElapsedTimer t;
    t.start();
    while (socket.state() == QAbstractSocket::ConnectedState && t.elapsed() < kWaitMs) {
        socket.waitForReadyRead(200);
        answer += socket.readAll();
    }
    answer += socket.readAll();
    return answer;
}

QByteArray Line(const QStringList& fields) { return (hbprotocol::JoinLine(fields) + QLatin1Char('\n')).toUtf8(); }

// A COMPANIES request whose last field pads the line to size bytes (LF not counted).
QByteArray PaddedRequest(int size)
{
    QByteArray line = Line({QStringLiteral("COMPANIES"), QStringLiteral("0"), kServer, QString()});
    line.chop(1);
    return line + QByteArray(size - line.size(), 'x') + '\n';
}

}  // namespace

TEST(HbServerSocket, TheRequestLimitHoldsForEveryLine)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    const QByteArray ok = "OK\tACME11[^]BETA10[^]PLAIN00\n";
    const QByteArray tooLong = "ERR\tThe request is too long.\n";
    struct Case {
        const char* name;
        QByteArray request;
        QByteArray answer;
    } cases[] = {
        {"8 KB exactly", PaddedRequest(8192), ok},
        {"8 KB and CR LF", PaddedRequest(8192).chopped(1) + "\r\n", ok},
        {"one byte more", PaddedRequest(8193), tooLong},
        {"9 KB in one read", PaddedRequest(9 * 1024), tooLong},
        {"65 KB in one read", PaddedRequest(65 * 1024), tooLong},
        {"a short line, then more", Line({QStringLiteral("HELLO"), QStringLiteral("0"), kServer}) + "junk\n",
         "OK\tHBSRV\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Exchange(port, c.request), c.answer) << c.name;
    // A client that goes on sending after the refusal may lose the answer with the
    // connection; the refusal comes all the same, without the rest being held.
    const QByteArray endless = Exchange(port, QByteArray(10 << 20, 'y'));
    EXPECT_TRUE(endless == tooLong || endless.isEmpty()) << endless.left(100).constData();
    // Each long request has its one log line, which holds nothing of the request.
    const QStringList refused = f.Hb()->LogLines().filter(QStringLiteral("request longer than 8192 bytes -> refused"));
    EXPECT_EQ(refused.size(), 4);
    for (const QString& line : f.Hb()->LogLines())
        EXPECT_LT(line.size(), 300) << line.left(300).toStdString();
}

TEST(HbServerSocket, TheLogShowsWhatCameInEscapedAndNoRequestAddsALine)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    const QString forged = QStringLiteral("2026-01-01T00:00:00 127.0.0.1:1 HELLO app=0 server=HBSRV -> OK");
    struct Case {
        QByteArray request;
        QString logged;  // the end of the request's log line
    } cases[] = {
        // An escaped line end inside a field.
        {Line({QStringLiteral("HELLO"), QStringLiteral("0"), QStringLiteral("X\n") + forged}),
         QStringLiteral("HELLO app=0 server=X\\n%1 -> ERR The SQL server 'X\\\\n%1' is not known to this HBServer.")
             .arg(forged)},
        // A bare CR and other control characters as sent.
        {"BRANCHES\t0\tHBSRV\tACME\rX\x1b[2J\tu\x01\n",
         QStringLiteral("BRANCHES app=0 server=HBSRV company=ACME\\rX\\x1b[2J user=u\\x01 -> ERR The SQL server "
                        "'HBSRV' has no company 'ACME\\\\rX\\\\x1b[2J'.")},
        // A NUL ends no name: the company is compared whole.
        {QByteArray("BRANCHES\t0\tHBSRV\tACME\0junk\tu\n", 29),
         QStringLiteral("BRANCHES app=0 server=HBSRV company=ACME\\x00junk user=u -> ERR The SQL server 'HBSRV' has "
                        "no company 'ACME\\\\x00junk'.")},
    };
    for (const Case& c : cases) {
        const int before = f.Hb()->LogLines().size();
        const QByteArray answer = Exchange(port, c.request);
        EXPECT_TRUE(answer.startsWith("ERR\t")) << answer.constData();
        const QStringList added = f.Hb()->LogLines().mid(before);
        ASSERT_EQ(added.size(), 1) << added.join('\n').toStdString();
        EXPECT_TRUE(added[0].endsWith(c.logged)) << added[0].toStdString() << "\n" << c.logged.toStdString();
        for (const QChar ch : added[0])
            EXPECT_GE(ch.unicode(), 0x20) << added[0].toStdString();
    }
}

TEST(HbServerSocket, OnlyTheNamedServersAreServedAndTheOthersAreNotRevealed)
{
    HbFixture f;
    erpdb::CreateServer(QStringLiteral("OTHERSRV"), QStringLiteral("a1"), QStringLiteral("b2"));
    const QString unknown = QStringLiteral("ERR\tThe SQL server '%1' is not known to this HBServer.\n");
    auto ask = [](int16_t port, const char* verb, const QString& server) {
        return QString::fromUtf8(Exchange(port, Line({QLatin1String(verb), QStringLiteral("0"), server})));
    };

    // Named: the others are answered as a server that does not exist.
    int16_t port = f.StartHb({kServer});
    EXPECT_EQ(ask(port, "HELLO", QStringLiteral("hbsrv")), QStringLiteral("OK\tHBSRV\n"));
    for (const char* verb : {"HELLO", "COMPANIES"}) {
        EXPECT_EQ(ask(port, verb, QStringLiteral("OTHERSRV")), unknown.arg(QStringLiteral("OTHERSRV"))) << verb;
        EXPECT_EQ(ask(port, verb, QStringLiteral("NOWHERE")), unknown.arg(QStringLiteral("NOWHERE"))) << verb;
    }
    EXPECT_TRUE(f.Hb()->LogLines().first().endsWith(QStringLiteral("serving the SQL server(s) 'HBSRV'")));

    // None named: none served.
    port = f.StartHb({});
    EXPECT_EQ(ask(port, "HELLO", kServer), unknown.arg(kServer));
    EXPECT_TRUE(f.Hb()->LogLines().first().endsWith(QStringLiteral("serving no SQL server")));

    // Every server only when told so.
    port = f.StartHb({}, true);
    EXPECT_EQ(ask(port, "HELLO", QStringLiteral("OTHERSRV")), QStringLiteral("OK\tOTHERSRV\n"));
    EXPECT_EQ(ask(port, "HELLO", QStringLiteral("NOWHERE")), unknown.arg(QStringLiteral("NOWHERE")));
    EXPECT_TRUE(f.Hb()->LogLines().first().endsWith(QStringLiteral("serving every SQL server of this user")));
    for (const QString& line : f.Hb()->LogLines())
        EXPECT_FALSE(line.contains(QStringLiteral("WARNING"))) << line.toStdString();
}

TEST(HbServerSocket, ListeningBeyondLoopbackWarnsAtStart)
{
    HbFixture f;
    erpdb::HbServerThread hb;
    erpdb::HbServer::Options o;
    o.address = QHostAddress::AnyIPv4;
    o.servers = {kServer};
    bool started = false;
    for (int attempt = 0; attempt < 50 && !started; ++attempt) {
        o.port = static_cast<quint16>(QRandomGenerator::global()->bounded(20000, 32000));
        started = hb.Start(o);
    }
    ASSERT_TRUE(started);
    const QStringList log = hb.LogLines();
    ASSERT_EQ(log.size(), 2) << log.join('\n').toStdString();
    EXPECT_TRUE(log[1].contains(QStringLiteral("WARNING: 0.0.0.0 reaches beyond this computer"))) << log[1].toStdString();
    EXPECT_TRUE(log[1].contains(QStringLiteral("'HBSRV'"))) << log[1].toStdString();
}

TEST(HbServerSocket, CompaniesAndBranchesAProfileCannotHoldAreLeftOutAndLogged)
{
    HbFixture f;
    erpdb::CreateCompany(kServer, QStringLiteral("A[~]B"), QStringLiteral("Odd Ltd"), QStringLiteral("ODDDB"));
    sqlite3* db = erpdb::OpenServerDatabase(kServer, QStringLiteral("ACMEDB"), false);
    erpdb::ExecScript(db, QStringLiteral("INSERT INTO GLBranches VALUES (8, 'We:st'), (9, 'Ea[^]st'), (10, 'North[~]East'), (70000, 'Far');"));
    sqlite3_close_v2(db);
    const int16_t port = f.StartHb();
    EXPECT_EQ(Exchange(port, Line({QStringLiteral("COMPANIES"), QStringLiteral("0"), kServer})),
              QByteArray("OK\tACME11[^]BETA10[^]PLAIN00\n"));
    EXPECT_EQ(Exchange(port, Line({QStringLiteral("BRANCHES"), QStringLiteral("0"), kServer, QStringLiteral("ACME"),
                                   QStringLiteral("u")})),
              QByteArray("OK\tMain Branch:1[^]North:2[^]South:7\n"));
    const QStringList log = f.Hb()->LogLines().filter(QStringLiteral(" -> OK"));
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith(QStringLiteral("OK (3 companies), left out as a logon profile cannot hold them: 'A[~]B'")))
        << log[0].toStdString();
    EXPECT_TRUE(log[1].endsWith(QStringLiteral(
        "OK (3 branches), left out as a logon profile cannot hold them: 'We:st:8', 'Ea[^]st:9', "
        "'North[~]East:10', 'Far:70000'")))
        << log[1].toStdString();
}

// ---------------------------------------------------------------- the command

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QString ToolPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-db"); }

QProcessEnvironment ToolEnvironment(const QTemporaryDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SERVERS_DIR"), dir.filePath(QStringLiteral("servers")));
    env.insert(QStringLiteral("QUILLON_CLIENT_CONFIG_DIR"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QUILLON_REGISTRY_DIR"), dir.filePath(QStringLiteral("registry")));
    return env;
}

ToolRun RunTool(const QTemporaryDir& dir, const QStringList& args)
{
    QProcess p;
    p.setProcessEnvironment(ToolEnvironment(dir));
    p.start(ToolPath(), args);
    ToolRun r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

}  // namespace

TEST(QuillonDbTool, HelpNamesServeHbAndCreateCompanyRefusesIdsAProfileCannotHold)
{
    QTemporaryDir dir;
    const ToolRun help = RunTool(dir, {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("  serve-hb [--server NAME]... | --all-servers"))) << help.out.toStdString();

    ASSERT_EQ(RunTool(dir, {QStringLiteral("create-server"), QStringLiteral("SRV")}).exitCode, 0);
    struct Case {
        const char* id;
        const char* reason;
    } cases[] = {{"A[~]B", "it holds \"[~]\""}, {"A[^]", "it holds \"[^]\""}, {"A\tB", "it holds a control character"}};
    for (const Case& c : cases) {
        const ToolRun r = RunTool(dir, {QStringLiteral("create-company"), QStringLiteral("--server"), QStringLiteral("SRV"),
                                    QString::fromUtf8(c.id), QStringLiteral("DBX"), QStringLiteral("X Ltd")});
        EXPECT_EQ(r.exitCode, 2) << c.id;
        EXPECT_TRUE(r.err.contains(QStringLiteral("as a logon profile cannot hold it: %1.").arg(QLatin1String(c.reason))))
            << r.err.toStdString();
    }
    const ToolRun list = RunTool(dir, {QStringLiteral("list"), QStringLiteral("--server"), QStringLiteral("SRV")});
    EXPECT_FALSE(list.out.contains(QStringLiteral("DBX"))) << list.out.toStdString();
    // A usable id is still taken.
    EXPECT_EQ(RunTool(dir, {QStringLiteral("create-company"), QStringLiteral("--server"), QStringLiteral("SRV"),
                            QStringLiteral("A-B"), QStringLiteral("DBX"), QStringLiteral("X Ltd")})
                  .exitCode,
              0);
}

TEST(QuillonDbTool, ServeHbServesThisComputersServerUnlessOthersAreNamed)
{
    QTemporaryDir dir;
    ASSERT_EQ(RunTool(dir, {QStringLiteral("create-server"), QStringLiteral("(LOCAL)")}).exitCode, 0);
    ASSERT_EQ(RunTool(dir, {QStringLiteral("create-server"), QStringLiteral("OTHERSRV")}).exitCode, 0);
    const int16_t port = HbFixture::DeadPort();
    QProcess hb;
    hb.setProcessEnvironment(ToolEnvironment(dir));
    hb.start(ToolPath(), {QStringLiteral("serve-hb"), QStringLiteral("--port"), QString::number(port)});
    ASSERT_TRUE(hb.waitForStarted(kWaitMs));
    // Asked until the program listens.
    QByteArray answer;
    QElapsedTimer listening;
    listening.start();
    while (!answer.startsWith("OK") && listening.elapsed() < kWaitMs) {
        answer = Exchange(port, Line({QStringLiteral("HELLO"), QStringLiteral("0"), QStringLiteral("(LOCAL)")}));
        if (!answer.startsWith("OK"))
            QThread::msleep(50);
    }
    EXPECT_TRUE(answer.startsWith("OK\t")) << answer.constData();
    EXPECT_EQ(Exchange(port, Line({QStringLiteral("HELLO"), QStringLiteral("0"), QStringLiteral("OTHERSRV")})),
              QByteArray("ERR\tThe SQL server 'OTHERSRV' is not known to this HBServer.\n"));
    ::kill(static_cast<pid_t>(hb.processId()), SIGTERM);
    ASSERT_TRUE(hb.waitForFinished(kWaitMs));
    const QString log = QString::fromLocal8Bit(hb.readAllStandardError());
    EXPECT_TRUE(log.contains(QStringLiteral("HBServer listening on 127.0.0.1:%1, serving the SQL server(s) '").arg(port)))
        << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("WARNING"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("HBServer stopped"))) << log.toStdString();
}

TEST(QuillonDbTool, AddDemoProfileSaysWhyTheSettingsCouldNotBeWritten)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("registry/registry.json"));
    ASSERT_TRUE(QDir().mkpath(file));  // a folder where the file should be
    const ToolRun r = RunTool(dir, {QStringLiteral("add-demo-profile")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("quillon-db add-demo-profile: The logon settings could not be written: %1 "
                                              "is a folder, not a file.")
                                   .arg(file));
}
