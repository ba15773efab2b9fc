#pragma once
// The HBServer client: asks an HBServer which companies an SQL server offers and
// which branches a company has (the HBServer's line protocol is described in
// db/HbServer.h). Init names the HBServer and checks that it answers for the SQL
// server; the lists are asked of that HBServer afterwards.
//
// Every request has two bounded waits, for the connection and for the answer; an
// HBServer that cannot be reached, refuses, or stays silent is a failure whose text
// says so, never a hang. While it waits the program's windows keep painting (the
// user's input waits until the answer is in).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class CoHBClient;
using CoHBClientRef = std::shared_ptr<CoHBClient>;

class CoHBClient {
public:
    static constexpr int16_t kDefaultPort = 1331;

    // Names the HBServer (host and port, in and out: the host comes back trimmed;
    // "(LOCAL)" is this computer) and asks it whether it serves sSQLServer for the
    // application number. False,
    // with sError saying why, when it does not or cannot be asked. The two empty
    // texts are accepted and not used.
    bool Init(int16_t& iApplication, const QString& sSQLServer, const QString& sReserved, QString& sHBServer,
              int16_t& iHBServerPort, QString& sError, const QString& sReserved2);
    // The companies joined by "[^]", each its id and its two flag characters (has
    // branches, filters branch data); "" when no list is available (GetLastError says why).
    QString GetCompanyList();
    // The branches of a company joined by "[^]", each "name:id"; "" when no list is
    // available, also for a company without branches.
    QString GetBranchList(const QString& sCompany, QString& sUser);
    // The reason of the last failure ("" after a success); an HBServer's own reason
    // is cut to a length a message can show.
    QString GetLastError() const { return m_sLastError; }

    // The two waits of every request, in milliseconds (defaults 3000 and 5000).
    static void SetTimeouts(int connectMs, int answerMs);
    static int ConnectTimeoutMs();
    static int AnswerTimeoutMs();

private:
    // Sends one request; true with the answer's payload, false with m_sLastError set.
    bool Request(const QStringList& fields, QString& payload);

    QString m_sHost;
    int16_t m_iPort = 0;
    int16_t m_iApplication = 0;
    QString m_sSQLServer;
    bool m_bReady = false;
    QString m_sLastError;
};
