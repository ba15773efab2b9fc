#include "platform/hbclient/CoHBClient.h"

#include "platform/hbclient/HbProtocol.h"

#include <QAtomicInt>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace {

QAtomicInt g_connectTimeoutMs = 3000;
QAtomicInt g_answerTimeoutMs = 5000;
// An answer is one short line; a longer one is not from an HBServer.
constexpr qint64 kMaxAnswerBytes = 4 * 1024 * 1024;
// The HBServer's reason is shown in a message box: no more than fits in one.
constexpr int kMaxReasonChars = 500;

// The name the SQL server box gives this computer is no host name: for the
// HBServer it is this computer as well.
QString HostToReach(const QString& host)
{
    return host.compare(QLatin1String("(LOCAL)"), Qt::CaseInsensitive) == 0 ? QStringLiteral("localhost") : host;
}

QString Seconds(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3) + (ms == 1000 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
}

// Runs the event loop until done() holds or ms have passed; user input waits meanwhile,
// so that nothing the user does can act on a half-finished request. True when done.
template <class Signal>
bool WaitUntil(QTcpSocket& socket, Signal signal, const std::function<bool()>& done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QAbstractSocket::disconnected, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

}  // namespace

void CoHBClient::SetTimeouts(int connectMs, int answerMs)
{
    g_connectTimeoutMs = qMax(1, connectMs);
    g_answerTimeoutMs = qMax(1, answerMs);
}

int CoHBClient::ConnectTimeoutMs() { return g_connectTimeoutMs.loadRelaxed(); }
int CoHBClient::AnswerTimeoutMs() { return g_answerTimeoutMs.loadRelaxed(); }

bool CoHBClient::Init(int16_t& iApplication, const QString& sSQLServer, const QString&, QString& sHBServer,
                      int16_t& iHBServerPort, QString& sError, const QString&)
{
    m_bReady = false;
    sHBServer = sHBServer.trimmed();
    m_sHost = sHBServer;
    m_iPort = iHBServerPort;
    m_iApplication = iApplication;
    m_sSQLServer = sSQLServer.trimmed();
    if (m_sHost.isEmpty())
        m_sLastError = QStringLiteral("No HBServer was named.");
    else if (m_iPort < 1)
        m_sLastError = QStringLiteral("%1 is not a valid HBServer port.").arg(m_iPort);
    else if (m_sSQLServer.isEmpty())
        m_sLastError = QStringLiteral("No SQL server was named.");
    else {
        QString payload;
        m_bReady = Request({QLatin1String(hbprotocol::kHello), QString::number(m_iApplication), m_sSQLServer}, payload);
    }
    sError = m_bReady ? QString() : m_sLastError;
    return m_bReady;
}

QString CoHBClient::GetCompanyList()
{
    if (!m_bReady) {
        m_sLastError = QStringLiteral("The HBServer client has not been prepared.");
        return QString();
    }
    QString payload;
    if (!Request({QLatin1String(hbprotocol::kCompanies), QString::number(m_iApplication), m_sSQLServer}, payload))
        return QString();
    if (payload.isEmpty())
        m_sLastError = QStringLiteral("The SQL server '%1' has no companies.").arg(m_sSQLServer);
    return payload;
}

QString CoHBClient::GetBranchList(const QString& sCompany, QString& sUser)
{
    if (!m_bReady) {
        m_sLastError = QStringLiteral("The HBServer client has not been prepared.");
        return QString();
    }
    QString payload;
    if (!Request({QLatin1String(hbprotocol::kBranches), QString::number(m_iApplication), m_sSQLServer, sCompany, sUser},
                 payload))
        return QString();
    if (payload.isEmpty())
        m_sLastError = QStringLiteral("The company '%1' has no branches.").arg(sCompany);
    return payload;
}

bool CoHBClient::Request(const QStringList& fields, QString& payload)
{
    m_sLastError.clear();
    const QString where = m_sHost + QLatin1Char(':') + QString::number(m_iPort);
    QTcpSocket socket;
    socket.connectToHost(HostToReach(m_sHost), static_cast<quint16>(m_iPort));
    const int connectMs = ConnectTimeoutMs();
    if (!WaitUntil(socket, &QAbstractSocket::connected,
                   [&] { return socket.state() == QAbstractSocket::ConnectedState; }, connectMs)) {
        if (socket.error() != QAbstractSocket::UnknownSocketError)
            m_sLastError = QStringLiteral("The HBServer at %1 cannot be reached: %2.").arg(where, socket.errorString());
        else
            m_sLastError =
                QStringLiteral("The HBServer at %1 did not accept a connection within %2.").arg(where, Seconds(connectMs));
        socket.abort();
        return false;
    }
    socket.write((hbprotocol::JoinLine(fields) + QLatin1Char('\n')).toUtf8());
    const int answerMs = AnswerTimeoutMs();
    const bool answered = WaitUntil(
        socket, &QIODevice::readyRead,
        [&] { return socket.canReadLine() || socket.bytesAvailable() > kMaxAnswerBytes; }, answerMs);
    if (!answered) {
        m_sLastError = socket.state() == QAbstractSocket::ConnectedState
                           ? QStringLiteral("The HBServer at %1 did not answer within %2.").arg(where, Seconds(answerMs))
                           : QStringLiteral("The HBServer at %1 closed the connection without an answer.").arg(where);
        socket.abort();
        return false;
    }
    QString line = QString::fromUtf8(socket.readLine(kMaxAnswerBytes));
    socket.abort();
    if (!line.endsWith(QLatin1Char('\n'))) {
        m_sLastError = QStringLiteral("The HBServer at %1 sent an answer that is too long.").arg(where);
        return false;
    }
    line.chop(1);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList answer = hbprotocol::SplitLine(line);
    if (answer.size() == 2 && answer[0] == QLatin1String(hbprotocol::kOk)) {
        payload = answer[1];
        return true;
    }
    if (answer.size() == 2 && answer[0] == QLatin1String(hbprotocol::kError))
        m_sLastError = answer[1].isEmpty() ? QStringLiteral("The HBServer at %1 refused the request.").arg(where)
                                           : hbprotocol::Bounded(answer[1], kMaxReasonChars);
    else
        m_sLastError = QStringLiteral("The HBServer at %1 sent an answer this program does not understand.").arg(where);
    return false;
}
