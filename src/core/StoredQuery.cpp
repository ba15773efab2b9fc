#include "core/StoredQuery.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/CallWatch.h"
#include "platform/forms/DatabaseBusyWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

constexpr char kReadOnlyLogin[] = "coreadonly";
// How long the window's thread sleeps between turns of the busy wait.
constexpr int kTurnMs = 10;
constexpr int kFetchRows = 500;

struct StoredQueryJob {
    QString sql;
    int maxRows = 0;
    QString server, database, password;  // for a connection of the read-only login
    std::unique_ptr<BrandleReadConnection> connection;  // or one beside the session's
    BrandleCancelToken token = MakeCancelToken();

    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    BrandleReadConnection* running = nullptr;  // guarded: Cancel reaches it
    QElapsedTimer queryClock;                  // guarded: started when the query is sent
    std::exception_ptr error;
    QStringList names;
    std::vector<int32_t> types;
    std::vector<BrandleRow> rows;

    void Run()
    {
        try {
            if (!connection) {
                connection = BrandleReadConnection::Open(server, database, QString::fromLatin1(kReadOnlyLogin), password);
            }
            password.fill(QChar(u'\0'));
            {
                std::lock_guard<std::mutex> lock(mutex);
                running = connection.get();
                queryClock.start();
            }
            if (token->load())
                throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"));
            std::unique_ptr<BrandleQueryCursor> cursor = connection->OpenCursor(sql, {}, token);
            names = cursor->FieldNames();
            types = cursor->FieldTypes();
            for (;;) {
                const int want = maxRows > 0 ? std::min<int>(kFetchRows, maxRows - static_cast<int>(rows.size())) : kFetchRows;
                if (want <= 0)
                    break;
                std::vector<BrandleRow> batch = cursor->Fetch(want);
                const bool last = static_cast<int>(batch.size()) < want;
                for (BrandleRow& row : batch)
                    rows.push_back(std::move(row));
                if (last)
                    break;
            }
        } catch (...) {
            error = std::current_exception();
        }
        password.fill(QChar(u'\0'));
        std::lock_guard<std::mutex> lock(mutex);
        running = nullptr;
        finished = true;
        done.notify_all();
    }

    void Cancel()
    {
        token->store(true);
        std::lock_guard<std::mutex> lock(mutex);
        if (running)
            running->Cancel(token);
    }
};

}  // namespace

BrandleRecordsetPtr OpenStoredQuery(const QString& sql, int maxRows)
{
    auto job = std::make_shared<StoredQueryJob>();
    job->sql = sql;
    job->maxRows = maxRows;
    // Beside the session's connection when its server offers one, else a
    // connection of the read-only login, opened on the query's thread.
    job->connection = BrandleReadConnection::OpenBeside(SessionEngine().DBI());
    if (!job->connection) {
        job->server = g_sServer;
        job->database = g_sDatabase;
        job->password =
            CryptText(1, SessionEngine().EnvironmentSettings().SqlReadPassword(), SessionCipherKey(), false);
    }

    // The session's command timeout bounds the query as it bounds the session's
    // own statements (0: none); the read connection itself has none.
    const qint64 timeoutMs = std::max<qint64>(0, SessionEngine().DBI().CommandTimeout()) * 1000;

    std::thread thread([job] { job->Run(); });
    QElapsedTimer clock;
    clock.start();
    bool waited = false;
    bool cancelled = false;
    bool timedOut = false;
    {
        std::unique_lock<std::mutex> lock(job->mutex);
        while (!job->finished) {
            if (job->done.wait_for(lock, std::chrono::milliseconds(kTurnMs), [&] { return job->finished; }))
                break;
            const bool overTime = timeoutMs > 0 && !cancelled && job->queryClock.isValid() &&
                                  job->queryClock.elapsed() >= timeoutMs;
            lock.unlock();
            waited = true;
            if (overTime) {
                cancelled = timedOut = true;
                job->Cancel();
            }
            if (cancelled) {
                // The wait is over for the user; the windows paint until the query stops.
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            } else if (!busywait::WaitingFor(clock.elapsed(), QString::fromLatin1(kStoredQueryWaitMessage))) {
                cancelled = true;
                job->Cancel();
            }
            lock.lock();
        }
    }
    thread.join();
    if (waited)
        busywait::Ended();
    if (timedOut)
        throw AppError(kDatabaseErrorNumber, CallWatch::TimeoutMessage(), QStringLiteral("BrandleDatabase"));
    if (cancelled)
        throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"));
    if (job->error)
        std::rethrow_exception(job->error);
    return std::make_shared<BrandleRecordset>(std::move(job->names), std::move(job->types), std::move(job->rows));
}
