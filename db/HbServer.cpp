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
    for (int k = 0; k < params.size(); ++k)
        sqlite3_bind_text16(st, k + 1, params[k].utf16(), -1, SQLITE_TRANSIENT);
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
    if (!ServerExists(server))
        Refuse(QStringLiteral("The SQL server '%1' is not known to this HBServer.").arg(server.trimmed()));
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

QString HbCompanyList(const QString& server)
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
        // A company whose database is missing or damaged is not offered: nobody could log on to it.
        try {
            entries << id + CompanyFlags(server, c.value(1).trimmed());
        } catch (const AppError&) {
        }
    }
    return entries.join(QStringLiteral("[^]"));
}

QString HbBranchList(const QString& server, const QString& company)
{
    RequireServer(server);
    const QString database = CompanyDatabaseName(server, company);
    if (database.isEmpty())
        Refuse(QStringLiteral("The SQL server '%1' has no company '%2'.").arg(server.trimmed(), company.trimmed()));
    ReadConnection db(server, database);
    QStringList entries;
    for (const QStringList& b : Rows(db.get(), "SELECT BranchName, BranchID FROM GLBranches ORDER BY BranchID"))
        entries << b.value(0) + QLatin1Char(':') + b.value(1);
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
    Log(QStringLiteral("HBServer listening on %1:%2, serving %3")
            .arg(options.address.toString())
            .arg(m_server->serverPort())
            .arg(options.onlyServer.isEmpty() ? QStringLiteral("every SQL server of this user")
                                              : QStringLiteral("the SQL server '%1'").arg(options.onlyServer)));
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
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start(m_options.requestTimeoutMs);
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QAbstractSocket::errorOccurred, socket, [socket] { socket->deleteLater(); });
    connect(socket, &QIODevice::readyRead, socket, [this, socket, idle, peer] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                Log(peer + QStringLiteral(" request too long -> refused"));
                socket->write("ERR\tThe request is too long.\n");
                socket->disconnectFromHost();
            }
            return;
        }
        idle->stop();
        QString line = QString::fromUtf8(socket->readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QString logText;
        const QString answer = Answer(line, &logText);
        Log(peer + QLatin1Char(' ') + logText);
        socket->write((answer + QLatin1Char('\n')).toUtf8());
        socket->disconnectFromHost();
    });
}

QString HbServer::Answer(const QString& requestLine, QString* logText) const
{
    const QStringList f = hbprotocol::SplitLine(requestLine);
    const QString verb = f.value(0);
    const QString app = f.value(1);
    const QString server = f.value(2);
    QString what = verb.isEmpty() ? QStringLiteral("(empty request)") : verb;
    if (!app.isEmpty() || !server.isEmpty())
        what += QStringLiteral(" app=%1 server=%2").arg(app, server);
    if (verb == QLatin1String("BRANCHES"))
        what += QStringLiteral(" company=%1 user=%2").arg(f.value(3), f.value(4));
    QString answer;
    QString outcome;
    try {
        const bool known = verb == QLatin1String("HELLO") || verb == QLatin1String("COMPANIES") ||
                           verb == QLatin1String("BRANCHES");
        if (!known)
            Refuse(QStringLiteral("The HBServer does not know the request '%1'.").arg(verb));
        if (f.size() < (verb == QLatin1String("BRANCHES") ? 5 : 3))
            Refuse(QStringLiteral("The request '%1' is incomplete.").arg(verb));
        bool numeric = false;
        app.toShort(&numeric);
        if (!numeric)
            Refuse(QStringLiteral("The application number '%1' is not valid.").arg(app));
        if (!m_options.onlyServer.isEmpty() &&
            ResolveServerName(server).compare(ResolveServerName(m_options.onlyServer), Qt::CaseInsensitive) != 0)
            Refuse(QStringLiteral("This HBServer serves the SQL server '%1' only, not '%2'.")
                       .arg(ResolveServerName(m_options.onlyServer), server.trimmed()));
        QString payload;
        if (verb == QLatin1String("HELLO")) {
            RequireServer(server);
            payload = QFileInfo(FindServerDirectory(server)).fileName();
            outcome = QStringLiteral("OK");
        } else if (verb == QLatin1String("COMPANIES")) {
            payload = HbCompanyList(server);
            outcome = QStringLiteral("OK (%1 companies)").arg(payload.isEmpty() ? 0 : payload.count(QStringLiteral("[^]")) + 1);
        } else {
            payload = HbBranchList(server, f.value(3));
            outcome = QStringLiteral("OK (%1 branches)").arg(payload.isEmpty() ? 0 : payload.count(QStringLiteral("[^]")) + 1);
        }
        answer = QStringLiteral("OK\t") + hbprotocol::EscapeField(payload);
    } catch (const AppError& e) {
        answer = QStringLiteral("ERR\t") + hbprotocol::EscapeField(e.description());
        outcome = QStringLiteral("ERR ") + e.description();
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
