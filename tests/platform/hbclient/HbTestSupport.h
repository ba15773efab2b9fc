#pragma once
// An embedded server in a temporary folder with three companies, one of each kind
// the HBServer reports, and an HBServer serving it on a loopback port of its own
// (below 32768, so that a 16-bit port holds it).
//   ACME   branches "Main Branch:1", "North:2", "South:7", branch data filtered ("11")
//   BETA   branches "Only:5", not filtered ("10")
//   PLAIN  no branches ("00")

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "db/HbServer.h"
#include "db/Schema.h"
#include "platform/hbclient/CoHBClient.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hbtest {

inline const QString kServer = QStringLiteral("HBSRV");
// The client's timeouts while a fixture lives.
inline constexpr int kAnswerTimeoutMs = 15000;

class HbFixture {
public:
    HbFixture()
    {
        EXPECT_TRUE(m_dir.isValid());
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        erpdb::CreateServer(kServer, QStringLiteral("exec-pw1"), QStringLiteral("read-pw2"));
        AddCompany(QStringLiteral("ACME"),
                   "INSERT INTO GLBranches VALUES (1, 'Main Branch'), (2, 'North'), (7, 'South');"
                   "INSERT INTO CoRegKeys VALUES (5, NULL, 'Config');"
                   "INSERT INTO CoRegValues VALUES (5, 'FilterBranchData', 'I4', '1');");
        AddCompany(QStringLiteral("BETA"),
                   "INSERT INTO GLBranches VALUES (5, 'Only');"
                   "INSERT INTO CoRegKeys VALUES (5, NULL, 'Config');"
                   "INSERT INTO CoRegValues VALUES (5, 'FilterBranchData', 'I4', '0');");
        AddCompany(QStringLiteral("PLAIN"), "");
        // Long enough for any answer of a loopback HBServer on a busy machine; a
        // test of the timeouts sets its own.
        CoHBClient::SetTimeouts(kAnswerTimeoutMs, kAnswerTimeoutMs);
    }
    ~HbFixture()
    {
        m_hb.reset();
        CoHBClient::SetTimeouts(3000, 5000);
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    static void AddCompany(const QString& id, const char* sql)
    {
        erpdb::CreateCompany(kServer, id, id + QStringLiteral(" Ltd"), id + QStringLiteral("DB"));
        sqlite3* db = erpdb::OpenServerDatabase(kServer, id + QStringLiteral("DB"), false);
        erpdb::ExecScript(db, QString::fromUtf8(sql));
        sqlite3_close_v2(db);
    }

    // Starts the HBServer on a free loopback port for the servers named (every
    // server of this user when all); its port.
    int16_t StartHb(const QStringList& servers = {kServer}, bool all = false)
    {
        m_hb = std::make_unique<erpdb::HbServerThread>();
        erpdb::HbServer::Options o;
        o.servers = servers;
        o.allServers = all;
        for (int attempt = 0; attempt < 50; ++attempt) {
            o.port = static_cast<quint16>(QRandomGenerator::global()->bounded(20000, 32000));
            if (m_hb->Start(o))
                return static_cast<int16_t>(o.port);
        }
        ADD_FAILURE() << "no free port for the HBServer";
        return 0;
    }
    void StopHb() { m_hb.reset(); }
    erpdb::HbServerThread* Hb() { return m_hb.get(); }

    // A loopback port with nothing behind it.
    static int16_t DeadPort()
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int port = QRandomGenerator::global()->bounded(20000, 32000);
            erpdb::HbServerThread probe;
            erpdb::HbServer::Options o;
            o.port = static_cast<quint16>(port);
            if (probe.Start(o)) {
                probe.Stop();
                return static_cast<int16_t>(port);
            }
        }
        return 1;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<erpdb::HbServerThread> m_hb;
};

// A loopback listener that accepts connections (the system does, from its backlog)
// and never says a word.
class SilentListener {
public:
    SilentListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        for (int attempt = 0; attempt < 50 && m_fd >= 0; ++attempt) {
            const int port = QRandomGenerator::global()->bounded(20000, 32000);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_fd, 8) == 0) {
                m_port = static_cast<int16_t>(port);
                return;
            }
        }
        ADD_FAILURE() << "no free port for the silent listener";
    }
    ~SilentListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    int16_t m_port = 0;
};

}  // namespace hbtest
