// The HBServer: its answers, its log, several clients at once, a clean stop.

#include "platform/hbclient/HbProtocol.h"
#include "platform/hbclient/HbTestSupport.h"

#include "db/DemoCompany.h"

#include <QTcpSocket>

using namespace hbtest;

TEST(HbProtocol, FieldsSurviveEscaping)
{
    const QStringList fields = {QStringLiteral("a\tb"), QStringLiteral("back\\slash"), QStringLiteral("two\r\nlines"),
                                QString(), QStringLiteral("plain")};
    const QString line = hbprotocol::JoinLine(fields);
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    EXPECT_EQ(line.count(QLatin1Char('\t')), 4);
    EXPECT_EQ(hbprotocol::SplitLine(line), fields);
}

TEST(HbServer, AnswersEachRequest)
{
    HbFixture f;
    erpdb::HbServer server;
    erpdb::HbServer::Options options;
    options.port = 0;
    options.servers = {kServer};
    ASSERT_TRUE(server.Listen(options));
    struct Case {
        QStringList request;
        QString answer;
    } cases[] = {
        {{"HELLO", "0", "hbsrv"}, "OK\tHBSRV"},
        {{"COMPANIES", "7", "HBSRV"}, "OK\tACME11[^]BETA10[^]PLAIN00"},
        {{"BRANCHES", "0", "HBSRV", "ACME", "jdoe"}, "OK\tMain Branch:1[^]North:2[^]South:7"},
        {{"BRANCHES", "0", "HBSRV", "PLAIN", "jdoe"}, "OK\t"},
        {{"BRANCHES", "0", "HBSRV", "NOPE", "jdoe"}, "ERR\tThe SQL server 'HBSRV' has no company 'NOPE'."},
        {{"BRANCHES", "0", "HBSRV"}, "ERR\tThe request 'BRANCHES' is incomplete."},
        {{"COMPANIES", "x", "HBSRV"}, "ERR\tThe application number 'x' is not valid."},
        {{"COMPANIES", "0", "NOWHERE"}, "ERR\tThe SQL server 'NOWHERE' is not known to this HBServer."},
        {{"DROP", "0", "HBSRV"}, "ERR\tThe HBServer does not know the request 'DROP'."},
        {{""}, "ERR\tThe HBServer does not know the request ''."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(server.Answer(hbprotocol::JoinLine(c.request)), c.answer) << c.request.join(' ').toStdString();
}

TEST(HbServer, ACompanyWhoseDatabaseIsGoneIsNotOffered)
{
    HbFixture f;
    QFile::remove(erpdb::FindDatabaseFile(kServer, QStringLiteral("BETADB")));
    EXPECT_EQ(erpdb::HbCompanyList(kServer), QStringLiteral("ACME11[^]PLAIN00"));
}

TEST(HbServer, ServesSeveralClientsAtOnceAndLogsOneLinePerRequest)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    // A client that connects and says nothing does not hold up the others.
    QTcpSocket idle;
    idle.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    ASSERT_TRUE(idle.waitForConnected(30000));

    for (int k = 0; k < 3; ++k) {
        CoHBClient client;
        QString host = QStringLiteral("127.0.0.1");
        int16_t p = port;
        int16_t app = 3;
        QString error;
        ASSERT_TRUE(client.Init(app, kServer, QString(), host, p, error, QString())) << error.toStdString();
        EXPECT_FALSE(client.GetCompanyList().isEmpty());
    }
    const QStringList log = f.Hb()->LogLines();
    const QStringList requests = log.filter(QStringLiteral(" -> "));
    ASSERT_EQ(requests.size(), 6) << log.join('\n').toStdString();
    EXPECT_TRUE(requests[0].contains(QStringLiteral("127.0.0.1:"))) << requests[0].toStdString();
    EXPECT_TRUE(requests[0].endsWith(QStringLiteral("HELLO app=3 server=HBSRV -> OK"))) << requests[0].toStdString();
    EXPECT_TRUE(requests[1].endsWith(QStringLiteral("COMPANIES app=3 server=HBSRV -> OK (3 companies)")))
        << requests[1].toStdString();
    EXPECT_TRUE(log.first().contains(QStringLiteral("HBServer listening on 127.0.0.1:%1").arg(port)));

    f.Hb()->Stop();
    EXPECT_TRUE(f.Hb()->LogLines().last().endsWith(QStringLiteral("HBServer stopped")));
    // The idle connection was dropped by the stop.
    EXPECT_TRUE(idle.waitForDisconnected(30000) || idle.state() == QAbstractSocket::UnconnectedState);
}

TEST(HbServer, TheDemoServerHasACompanyWithBranchesAndOneWithout)
{
    HbFixture f;
    erpdb::DemoOptions options;
    options.server = QStringLiteral("DEMOHB");
    options.orderLines = 20;
    erpdb::CreateDemoCompany(options);
    EXPECT_EQ(erpdb::HbCompanyList(QStringLiteral("DEMOHB")), QStringLiteral("DEMO11[^]TRADING00"));
    EXPECT_EQ(erpdb::HbBranchList(QStringLiteral("DEMOHB"), QStringLiteral("DEMO")),
              QStringLiteral("Main Branch:1[^]North Branch:2[^]South Branch:3"));
    // Again (as create-demo --if-missing does): nothing is added twice.
    erpdb::EnsureDemoBranchesAndCompanies(QStringLiteral("DEMOHB"));
    EXPECT_EQ(erpdb::HbCompanyList(QStringLiteral("DEMOHB")), QStringLiteral("DEMO11[^]TRADING00"));
    EXPECT_EQ(erpdb::HbBranchList(QStringLiteral("DEMOHB"), QStringLiteral("DEMO")),
              QStringLiteral("Main Branch:1[^]North Branch:2[^]South Branch:3"));
}
