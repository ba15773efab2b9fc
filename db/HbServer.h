#pragma once
// The HBServer of the embedded ERP server: a small TCP service that tells a logon
// profile's wizard which companies an SQL server offers (each with its two flag
// characters: has branches, filters branch data) and which branches a company has
// ("name:id"). It serves the embedded servers it was started for (or, when told
// so, every one of this user), and reads the answers from the server's databases
// at each request. A server it does not serve is answered as one that does not
// exist, so that a caller learns no names; companies and branches whose names a
// logon profile cannot hold (hbprotocol::CompanyNameProblem) are left out.
//
// The line protocol (UTF-8, one request and one answer per connection; a request
// line of more than 8 KB is refused):
//   request  VERB TAB field TAB field ... LF
//   answer   "OK" TAB payload LF   or   "ERR" TAB message LF
// (platform/hbclient/HbProtocol.h). The verbs:
//   HELLO     application, SQL server                  -> the server's name
//   COMPANIES application, SQL server                  -> companies joined by "[^]"
//   BRANCHES  application, SQL server, company, user   -> branches joined by "[^]"
// A company entry is its id followed by its two flags ("DEMO11"); a branch entry
// is "name:id".

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QThread;

namespace erpdb {

inline constexpr quint16 kDefaultHbServerPort = 1331;
// A company's branch data is filtered when its registry value Config\FilterBranchData is 1.
inline constexpr const char* kFilterBranchDataValue = "FilterBranchData";

// The answers, without the network. Each raises AppError for an unknown server or
// company, or a database that cannot be read.
// The companies of a server: "<CompanyID><has branches><filters branch data>" each,
// joined by "[^]", in the order of their ids. leftOut receives the ids that a
// logon profile cannot hold, which are not listed.
QString HbCompanyList(const QString& server, QStringList* leftOut = nullptr);
// The branches of a company: "<BranchName>:<BranchID>" each, joined by "[^]", in
// the order of their ids; "" when the company has none. Names are compared whole
// (a NUL included). leftOut as above ("name:id", also for an id beyond 16 bits).
QString HbBranchList(const QString& server, const QString& company, QStringList* leftOut = nullptr);

// The service. It works on the thread it was made on (its sockets never block);
// HbServerThread runs one on a thread of its own.
class HbServer : public QObject {
    Q_OBJECT
public:
    struct Options {
        QHostAddress address = QHostAddress::LocalHost;
        quint16 port = kDefaultHbServerPort;
        // The SQL servers served ("(LOCAL)" is this computer's); none when empty,
        // unless allServers says every embedded server of this user.
        QStringList servers;
        bool allServers = false;
        // A connection that has not sent its request by then is closed.
        int requestTimeoutMs = 10000;
    };
    // log receives one line per request (and the start, with a warning when the
    // address reaches beyond this computer, and the stop). What came in is logged
    // escaped (hbprotocol::Printable): a request cannot write a line of its own.
    explicit HbServer(std::function<void(const QString&)> log = {});
    ~HbServer() override;

    // Starts listening; false with *error set when the address cannot be bound.
    bool Listen(const Options& options, QString* error = nullptr);
    quint16 Port() const;
    // Stops listening and drops the open connections.
    void Close();

    // The answer line (without its LF) to one request line: what a client is sent.
    QString Answer(const QString& requestLine, QString* logText = nullptr) const;

private:
    void Accept();
    void Serve(QTcpSocket* socket);
    void Log(const QString& text) const;
    bool Serves(const QString& server) const;

    Options m_options;
    QTcpServer* m_server = nullptr;
    std::function<void(const QString&)> m_log;
};

// An HbServer on a thread of its own: for a caller whose own thread must stay free
// (the tests, whose client waits on the same thread).
class HbServerThread {
public:
    HbServerThread();
    ~HbServerThread();
    HbServerThread(const HbServerThread&) = delete;
    HbServerThread& operator=(const HbServerThread&) = delete;

    bool Start(const HbServer::Options& options, QString* error = nullptr);
    quint16 Port() const { return m_port; }
    void Stop();
    // The log lines written so far.
    QStringList LogLines() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
    HbServer* m_server = nullptr;
    quint16 m_port = 0;
};

}  // namespace erpdb
