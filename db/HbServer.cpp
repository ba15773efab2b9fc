#include "db/HbServer.h"

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/hbclient/HbProtocol.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

namespace erpdb {

namespace {

// Longer requests are refused: nothing a client sends comes near it.
constexpr int kMaxRequestBytes = 8192;
// A name echoed in an answer or the log is cut to this.
constexpr int kMaxEchoChars = 200;

// A name from a request as an answer or the log may show it.
QString Echo(const QString& text)
{
    return hbprotocol::Printable(hbprotocol::Bounded(text, kMaxEchoChars));
}

[[noreturn]] void Refuse(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message);
}

QString ColumnText(sqlite3_stmt* st, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return text ? QString::fromUtf8(text) : QString();
}

// Runs a query with text parameters and collects its rows.
std::vector<QStringList> Rows(sqlite3* db, const char* sql, const QStringList& params = {})
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        Refuse(QStringLiteral("The database cannot be read: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    // With its length, so that a NUL inside a name does not end it.
    for (int k = 0; k < params.size(); ++k)
        sqlite3_bind_text16(st, k + 1, params[k].utf16(), static_cast<int>(params[k].size() * 2), SQLITE_TRANSIENT);
    std::vector<QStringList> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row << ColumnText(st, c);
        rows.push_back(row);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        Refuse(QStringLiteral("The database cannot be read: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    return rows;
}

// A database of the server opened read-only, closed when it goes out of scope.
class ReadConnection {
public:
    ReadConnection(const QString& server, const QString& database)
        : m_db(OpenServerDatabase(server, database, true))
    {
    }
    ~ReadConnection() { sqlite3_close_v2(m_db); }
    sqlite3* get() const { return m_db; }

private:
    sqlite3* m_db;
};

void RequireServer(const QString& server)
{
    if (server.trimmed().isEmpty())
        Refuse(QStringLiteral("No SQL server was named."));
    if (server.contains(QChar(0)) || !ServerExists(server))
        Refuse(QStringLiteral("The SQL server '%1' is not known to this HBServer.").arg(Echo(server.trimmed())));
}

QString CompanyFlags(const QString& server, const QString& database)
{
    ReadConnection db(server, database);
    const bool branches = !Rows(db.get(), "SELECT 1 FROM GLBranches LIMIT 1").empty();
    const auto filter = Rows(db.get(),
                             "SELECT v.Value FROM CoRegValues v JOIN CoRegKeys k ON k.KeyID = v.KeyID "
                             "WHERE k.ParentID IS NULL AND k.Name = 'Config' AND v.Name = ?1",
                             {QLatin1String(kFilterBranchDataValue)});
    const bool filters = !filter.empty() && filter.front().value(0).trimmed() == QLatin1String("1");
    return QLatin1String(branches ? "1" : "0") + QLatin1String(filters ? "1" : "0");
}

}  // namespace

QString HbCompanyList(const QString& server, QStringList* leftOut)
{
    RequireServer(server);
    std::vector<QStringList> companies;
    {
        ReadConnection system(server, QLatin1String(kSystemDatabase));
        companies = Rows(system.get(), "SELECT CompanyID, DBName FROM CoCompanies ORDER BY CompanyID");
    }
    QStringList entries;
    for (const QStringList& c : companies) {
        const QString id = c.value(0).trimmed();
        if (!hbprotocol::CompanyNameProblem(id).isEmpty()) {
            if (leftOut)
                *leftOut << id;
            continue;
        }
        // A company whose database is missing or damaged is not offered: nobody could log on to it.
        try {
            entries << id + CompanyFlags(server, c.value(1).trimmed());
        } catch (const AppError&) {
        }
    }
    return entries.join(QStringLiteral("[^]"));
}

QString HbBranchList(const QString& server, const QString& company, QStringList* leftOut)
{
    RequireServer(server);
    // A NUL would end the name early in the look-up: no company has one.
    const QString database = company.contains(QChar(0)) ? QString() : CompanyDatabaseName(server, company);
    if (database.isEmpty())
        Refuse(QStringLiteral("The SQL server '%1' has no company '%2'.").arg(Echo(server.trimmed()), Echo(company.trimmed())));
    ReadConnection db(server, database);
    QStringList entries;
    for (const QStringList& b : Rows(db.get(), "SELECT BranchName, BranchID FROM GLBranches ORDER BY BranchID")) {
        bool shortId = false;
        b.value(1).toShort(&shortId);  // a profile keeps a 16-bit branch id
        if (!hbprotocol::BranchNameProblem(b.value(0)).isEmpty() || !shortId) {
            if (leftOut)
                *leftOut << b.value(0) + QLatin1Char(':') + b.value(1);
            continue;
        }
        entries << b.value(0) + QLatin1Char(':') + b.value(1);
    }
    return entries.join(QStringLiteral("[^]"));
}

// ---------------------------------------------------------------- the service

HbServer::HbServer(std::function<void(const QString&)> log) : m_log(std::move(log)) {}

HbServer::~HbServer() { Close(); }

bool HbServer::Listen(const Options& options, QString* error)
{
    Close();
    m_options = options;
    m_server = new QTcpServer(this);
    if (!m_server->listen(options.address, options.port)) {
        if (error)
            *error = QStringLiteral("The HBServer cannot listen on %1:%2: %3")
                         .arg(options.address.toString())
                         .arg(options.port)
                         .arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QTcpServer::newConnection, this, &HbServer::Accept);
    QStringList named;
    for (const QString& server : options.servers)
        named << QLatin1Char('\'') + Echo(ResolveServerName(server)) + QLatin1Char('\'');
    const QString what = options.allServers ? QStringLiteral("every SQL server of this user")
                         : named.isEmpty()  ? QStringLiteral("no SQL server")
                                            : QStringLiteral("the SQL server(s) %1").arg(named.join(QStringLiteral(", ")));
    Log(QStringLiteral("HBServer listening on %1:%2, serving %3")
            .arg(options.address.toString())
            .arg(m_server->serverPort())
            .arg(what));
    if (!options.address.isLoopback())
        Log(QStringLiteral("WARNING: %1 reaches beyond this computer: anyone who can connect to port %2 is told "
                           "the companies and branches of %3. Listen on 127.0.0.1 unless other computers need it.")
                .arg(options.address.toString())
                .arg(m_server->serverPort())
                .arg(what));
    return true;
}

quint16 HbServer::Port() const { return m_server ? m_server->serverPort() : 0; }

void HbServer::Close()
{
    if (!m_server)
        return;
    m_server->close();
    for (QTcpSocket* s : m_server->findChildren<QTcpSocket*>())
        s->abort();
    delete m_server;
    m_server = nullptr;
    Log(QStringLiteral("HBServer stopped"));
}

void HbServer::Accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection())
        Serve(socket);
}

void HbServer::Serve(QTcpSocket* socket)
{
    const QString peer = socket->peerAddress().toString() + QLatin1Char(':') + QString::number(socket->peerPort());
    // No more than a request and its line end is ever held for a connection.
    socket->setReadBufferSize(kMaxRequestBytes + 2);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start(m_options.requestTimeoutMs);
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QAbstractSocket::errorOccurred, socket, [socket] { socket->deleteLater(); });
    auto answered = std::make_shared<bool>(false);
    connect(socket, &QIODevice::readyRead, socket, [this, socket, idle, peer, answered] {
        if (*answered) {
            socket->readAll();  // one request per connection: the rest is dropped
            return;
        }
        QByteArray raw;
        if (socket->canReadLine())
            raw = socket->readLine(kMaxRequestBytes + 3);
        else if (socket->bytesAvailable() <= kMaxRequestBytes + 1)
            return;  // the line is still coming
        // The line end must come within the limit, however much arrived at once.
        if (!raw.endsWith('\n') || raw.size() - (raw.endsWith("\r\n") ? 2 : 1) > kMaxRequestBytes) {
            *answered = true;
            idle->stop();
            socket->readAll();
            Log(peer + QStringLiteral(" request longer than %1 bytes -> refused").arg(kMaxRequestBytes));
            socket->write("ERR\tThe request is too long.\n");
            socket->disconnectFromHost();
            return;
        }
        *answered = true;
        idle->stop();
        QString line = QString::fromUtf8(raw);
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QString logText;
        const QString answer = Answer(line, &logText);
        Log(peer + QLatin1Char(' ') + logText);
        socket->write((answer + QLatin1Char('\n')).toUtf8());
        socket->disconnectFromHost();
    });
}

bool HbServer::Serves(const QString& server) const
{
    if (server.contains(QChar(0)))
        return false;
    if (m_options.allServers)
        return true;
    const QString name = ResolveServerName(server);
    for (const QString& served : m_options.servers) {
        if (ResolveServerName(served).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString HbServer::Answer(const QString& requestLine, QString* logText) const
{
    const QStringList f = hbprotocol::SplitLine(requestLine);
    const QString verb = f.value(0);
    const QString app = f.value(1);
    const QString server = f.value(2);
    // Logged as it came in, escaped: a field cannot start a line of the log.
    QString what = verb.isEmpty() ? QStringLiteral("(empty request)") : Echo(verb);
    if (!app.isEmpty() || !server.isEmpty())
        what += QStringLiteral(" app=%1 server=%2").arg(Echo(app), Echo(server));
    if (verb == QLatin1String("BRANCHES"))
        what += QStringLiteral(" company=%1 user=%2").arg(Echo(f.value(3)), Echo(f.value(4)));
    QString answer;
    QString outcome;
    try {
        const bool known = verb == QLatin1String("HELLO") || verb == QLatin1String("COMPANIES") ||
                           verb == QLatin1String("BRANCHES");
        if (!known)
            Refuse(QStringLiteral("The HBServer does not know the request '%1'.").arg(Echo(verb)));
        if (f.size() < (verb == QLatin1String("BRANCHES") ? 5 : 3))
            Refuse(QStringLiteral("The request '%1' is incomplete.").arg(verb));
        bool numeric = false;
        app.toShort(&numeric);
        if (!numeric)
            Refuse(QStringLiteral("The application number '%1' is not valid.").arg(Echo(app)));
        // A server not served is answered as one that does not exist: a caller learns
        // neither which servers exist nor which are served.
        if (!server.trimmed().isEmpty() && !Serves(server))
            Refuse(QStringLiteral("The SQL server '%1' is not known to this HBServer.").arg(Echo(server.trimmed())));
        QString payload;
        QStringList leftOut;
        if (verb == QLatin1String("HELLO")) {
            RequireServer(server);
            payload = QFileInfo(FindServerDirectory(server)).fileName();
            outcome = QStringLiteral("OK");
        } else if (verb == QLatin1String("COMPANIES")) {
            payload = HbCompanyList(server, &leftOut);
            outcome = QStringLiteral("OK (%1 companies)").arg(payload.isEmpty() ? 0 : payload.count(QStringLiteral("[^]")) + 1);
        } else {
            payload = HbBranchList(server, f.value(3), &leftOut);
            outcome = QStringLiteral("OK (%1 branches)").arg(payload.isEmpty() ? 0 : payload.count(QStringLiteral("[^]")) + 1);
        }
        if (!leftOut.isEmpty()) {
            QStringList names;
            for (const QString& name : leftOut)
                names << QLatin1Char('\'') + Echo(name) + QLatin1Char('\'');
            outcome += QStringLiteral(", left out as a logon profile cannot hold them: ") + names.join(QStringLiteral(", "));
        }
        answer = QStringLiteral("OK\t") + hbprotocol::EscapeField(payload);
    } catch (const AppError& e) {
        answer = QStringLiteral("ERR\t") + hbprotocol::EscapeField(e.description());
        outcome = QStringLiteral("ERR ") + hbprotocol::Printable(e.description());
    }
    if (logText)
        *logText = what + QStringLiteral(" -> ") + outcome;
    return answer;
}

void HbServer::Log(const QString& text) const
{
    if (m_log)
        m_log(QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + text);
}

// ---------------------------------------------------------------- on a thread of its own

struct HbServerThread::Shared {
    mutable QMutex mutex;
    QStringList lines;
};

HbServerThread::HbServerThread() : m_shared(std::make_shared<Shared>()) {}

HbServerThread::~HbServerThread() { Stop(); }

bool HbServerThread::Start(const HbServer::Options& options, QString* error)
{
    Stop();
    m_thread = new QThread;
    std::shared_ptr<Shared> shared = m_shared;
    m_server = new HbServer([shared](const QString& line) {
        QMutexLocker lock(&shared->mutex);
        shared->lines << line;
    });
    m_server->moveToThread(m_thread);
    m_thread->start();
    bool ok = false;
    QString message;
    quint16 port = 0;
    QMetaObject::invokeMethod(
        m_server,
        [&] {
            ok = m_server->Listen(options, &message);
            port = m_server->Port();
        },
        Qt::BlockingQueuedConnection);
    if (!ok) {
        Stop();
        if (error)
            *error = message;
        return false;
    }
    m_port = port;
    return true;
}

void HbServerThread::Stop()
{
    if (!m_thread)
        return;
    HbServer* server = m_server;
    QMetaObject::invokeMethod(server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    m_server = nullptr;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_port = 0;
}

QStringList HbServerThread::LogLines() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->lines;
}

}  // namespace erpdb
