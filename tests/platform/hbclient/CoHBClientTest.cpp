// The HBServer client against a real HBServer on a loopback port, against a port
// with nothing behind it and against a listener that never answers.

#include "platform/hbclient/HbTestSupport.h"

#include <QElapsedTimer>

using namespace hbtest;

namespace {

struct Prepared {
    bool ok = false;
    QString error;
    QString host;
    int16_t port = 0;
};

Prepared InitClient(CoHBClient& client, const QString& host, int16_t port, const QString& sqlServer = kServer)
{
    Prepared p;
    p.host = host;
    p.port = port;
    int16_t app = 0;
    p.ok = client.Init(app, sqlServer, QString(), p.host, p.port, p.error, QString());
    return p;
}

}  // namespace

TEST(CoHBClient, ListsCompaniesWithFlagsAndBranchesOfACompany)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    CoHBClient client;
    const Prepared p = InitClient(client, QStringLiteral("  localhost "), port);
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    EXPECT_EQ(p.host, QStringLiteral("localhost"));
    EXPECT_EQ(p.port, port);
    EXPECT_TRUE(p.error.isEmpty());
    EXPECT_EQ(client.GetCompanyList(), QStringLiteral("ACME11[^]BETA10[^]PLAIN00"));
    QString user = QStringLiteral("jdoe");
    EXPECT_EQ(client.GetBranchList(QStringLiteral("ACME"), user), QStringLiteral("Main Branch:1[^]North:2[^]South:7"));
    EXPECT_EQ(client.GetBranchList(QStringLiteral("beta"), user), QStringLiteral("Only:5"));
    EXPECT_TRUE(client.GetLastError().isEmpty());

    // No list: an empty text, and the reason.
    EXPECT_EQ(client.GetBranchList(QStringLiteral("PLAIN"), user), QString());
    EXPECT_EQ(client.GetLastError(), QStringLiteral("The company 'PLAIN' has no branches."));
    EXPECT_EQ(client.GetBranchList(QStringLiteral("NOSUCH"), user), QString());
    EXPECT_EQ(client.GetLastError(), QStringLiteral("The SQL server 'HBSRV' has no company 'NOSUCH'."));
}

TEST(CoHBClient, InitFailsWithItsReason)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    struct Case {
        const char* name;
        QString host;
        int16_t port;
        QString sqlServer;
        QString error;
    } cases[] = {
        {"no host", QStringLiteral("  "), port, kServer, QStringLiteral("No HBServer was named.")},
        {"port 0", QStringLiteral("localhost"), 0, kServer, QStringLiteral("0 is not a valid HBServer port.")},
        {"negative port", QStringLiteral("localhost"), -5, kServer, QStringLiteral("-5 is not a valid HBServer port.")},
        {"no SQL server", QStringLiteral("localhost"), port, QString(), QStringLiteral("No SQL server was named.")},
        {"unknown SQL server", QStringLiteral("localhost"), port, QStringLiteral("ELSEWHERE"),
         QStringLiteral("The SQL server 'ELSEWHERE' is not known to this HBServer.")},
    };
    for (const Case& c : cases) {
        CoHBClient client;
        const Prepared p = InitClient(client, c.host, c.port, c.sqlServer);
        EXPECT_FALSE(p.ok) << c.name;
        EXPECT_EQ(p.error, c.error) << c.name;
        EXPECT_EQ(client.GetLastError(), c.error) << c.name;
        // An unprepared client gives no lists.
        EXPECT_EQ(client.GetCompanyList(), QString()) << c.name;
    }
}

TEST(CoHBClient, AnHBServerServingOneSQLServerRefusesOthers)
{
    HbFixture f;
    erpdb::CreateServer(QStringLiteral("OTHERSRV"), QStringLiteral("a1"), QStringLiteral("b2"));
    const int16_t port = f.StartHb({QStringLiteral("OTHERSRV")});
    CoHBClient client;
    const Prepared p = InitClient(client, QStringLiteral("127.0.0.1"), port);
    EXPECT_FALSE(p.ok);
    // As if it did not exist: the caller learns no server names.
    EXPECT_EQ(p.error, QStringLiteral("The SQL server 'HBSRV' is not known to this HBServer."));
}

// The timeouts the test sets end the waits, not the fixture's far longer ones: each
// attempt fails in well under half of those. A silent listener's wait lasts the
// answer timeout (a timer fires no sooner than 95% of its interval).
TEST(CoHBClient, AnUnreachableOrSilentHBServerFailsWithinTheTimeout)
{
    HbFixture f;
    CoHBClient::SetTimeouts(400, 400);
    constexpr qint64 kWellWithinTheFixturesTimeout = kAnswerTimeoutMs / 2;
    {
        const int16_t dead = HbFixture::DeadPort();
        CoHBClient client;
        QElapsedTimer t;
        t.start();
        const Prepared p = InitClient(client, QStringLiteral("127.0.0.1"), dead);
        EXPECT_LT(t.elapsed(), kWellWithinTheFixturesTimeout);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.error, QStringLiteral("The HBServer at 127.0.0.1:%1 cannot be reached: Connection refused.").arg(dead));
    }
    {
        SilentListener silent;
        CoHBClient client;
        QElapsedTimer t;
        t.start();
        const Prepared p = InitClient(client, QStringLiteral("127.0.0.1"), silent.Port());
        EXPECT_GE(t.elapsed(), 350);
        EXPECT_LT(t.elapsed(), kWellWithinTheFixturesTimeout);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.error,
                  QStringLiteral("The HBServer at 127.0.0.1:%1 did not answer within 0.4 seconds.").arg(silent.Port()));
    }
}

TEST(CoHBClient, ListsFailOnceTheHBServerIsGone)
{
    HbFixture f;
    const int16_t port = f.StartHb();
    CoHBClient client;
    ASSERT_TRUE(InitClient(client, QStringLiteral("127.0.0.1"), port).ok);
    f.StopHb();
    EXPECT_EQ(client.GetCompanyList(), QString());
    EXPECT_EQ(client.GetLastError(),
              QStringLiteral("The HBServer at 127.0.0.1:%1 cannot be reached: Connection refused.").arg(port));
}
