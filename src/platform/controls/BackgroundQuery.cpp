#include "platform/controls/BackgroundQuery.h"

#include "base/AuUtilities.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/BrandleDatabase.h"

#include <QPointer>
#include <QThread>

#include <mutex>
#include <optional>

namespace {

std::atomic<int> g_openConnections{0};

struct ConnectInfo {
    QString server, login, password, database;
    bool operator==(const ConnectInfo&) const = default;
};

// The connection, counted while it is open.
struct CountedConnection {
    explicit CountedConnection(std::unique_ptr<BrandleReadConnection> c) : conn(std::move(c)) { ++g_openConnections; }
    ~CountedConnection()
    {
        conn.reset();
        --g_openConnections;
    }
    std::unique_ptr<BrandleReadConnection> conn;
};

}  // namespace

struct BackgroundQuery::Ticket {
    BrandleCancelToken token = MakeCancelToken();
};

// The thread and its connection. Everything but cancel runs on the thread.
struct BackgroundQuery::Worker {
    QThread thread;
    QObject* context = nullptr;  // lives on the thread; queued work runs there
    std::mutex mutex;            // guards conn against cancel from the owner's thread
    std::unique_ptr<CountedConnection> conn;
    ConnectInfo info;

    Worker()
    {
        thread.setObjectName(QStringLiteral("BackgroundQuery"));
        context = new QObject;
        context->moveToThread(&thread);
        thread.start();
    }
    ~Worker()
    {
        thread.quit();
        thread.wait();
        delete context;
        std::lock_guard<std::mutex> lock(mutex);
        conn.reset();
    }

    void cancel(const BrandleCancelToken& token)
    {
        token->store(true);
        std::lock_guard<std::mutex> lock(mutex);
        if (conn)
            conn->conn->Cancel(token);
    }

    BrandleReadConnection& connection(const ConnectInfo& wanted)
    {
        if (!conn || !(info == wanted)) {
            {
                std::unique_ptr<CountedConnection> old;
                std::lock_guard<std::mutex> lock(mutex);
                old = std::move(conn);
            }
            QString plain = CryptText(1, wanted.password, SessionCipherKey(), false);
            std::unique_ptr<BrandleReadConnection> fresh;
            try {
                fresh = BrandleReadConnection::Open(wanted.server, wanted.database, wanted.login, plain);
            } catch (...) {
                plain.fill(QChar(u'\0'));
                throw;
            }
            plain.fill(QChar(u'\0'));
            auto counted = std::make_unique<CountedConnection>(std::move(fresh));
            std::lock_guard<std::mutex> lock(mutex);
            conn = std::move(counted);
            info = wanted;
        }
        return *conn->conn;
    }
};

BackgroundQuery::BackgroundQuery(QObject* parent) : QObject(parent) {}

BackgroundQuery::~BackgroundQuery()
{
    Cancel();
    m_worker.reset();
}

int BackgroundQuery::OpenConnections() { return g_openConnections.load(); }

void BackgroundQuery::Connect(const QString& server, const QString& login, const QString& password,
                              const QString& database)
{
    m_server = server;
    m_login = login;
    m_password = password;
    m_database = database;
}

void BackgroundQuery::startThread()
{
    if (!m_worker)
        m_worker = std::make_unique<Worker>();
}

void BackgroundQuery::Cancel()
{
    m_running = false;
    if (!m_run)
        return;
    const std::shared_ptr<Ticket> run = std::move(m_run);
    if (m_worker)
        m_worker->cancel(run->token);
    else
        run->token->store(true);
}

void BackgroundQuery::Run(const QString& query, RowHandler onRow, ErrorHandler onError)
{
    Cancel();
    startThread();
    auto run = std::make_shared<Ticket>();
    m_run = run;
    m_running = true;
    m_statement = query;
    const ConnectInfo info{m_server, m_login, m_password, m_database};
    Worker* worker = m_worker.get();
    QPointer<BackgroundQuery> self(this);
    QMetaObject::invokeMethod(worker->context, [worker, run, info, query, self, onRow = std::move(onRow),
                                                onError = std::move(onError)] {
        if (run->token->load())
            return;
        std::vector<Variant> row;
        bool hasRow = false;
        std::optional<AppError> failure;
        try {
            BrandleReadConnection& c = worker->connection(info);
            std::unique_ptr<BrandleQueryCursor> cursor = c.OpenCursor(query, {}, run->token);
            std::vector<BrandleRow> rows = cursor->Fetch(1);
            if (!rows.empty()) {
                row = std::move(rows.front());
                hasRow = true;
            }
        } catch (const AppError& e) {
            if (e.number() == kQueryCancelledNumber || run->token->load())
                return;
            failure = e;
        } catch (const std::exception& e) {
            failure = AppError(kDatabaseErrorNumber, QString::fromLocal8Bit(e.what()));
        }
        // Back on the owner's thread, unless the run was replaced or cancelled meanwhile.
        if (!self)
            return;
        QMetaObject::invokeMethod(self.data(), [self, run, row = std::move(row), hasRow, failure, onRow, onError] {
            if (!self || self->m_run != run || run->token->load())
                return;
            self->m_run.reset();
            self->m_running = false;
            if (failure)
                onError(*failure);
            else
                onRow(row, hasRow);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}
