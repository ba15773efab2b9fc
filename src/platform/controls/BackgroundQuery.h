#pragma once
// One query at a time on a read-only connection and a thread of its own, for
// work that reads a whole result and must not hold the window (the statistics
// strip's aggregate). It logs on like the list control (the login's password as
// the session holds it, deciphered only to open) and runs only a single query
// that cannot write. The first row, or the failure, comes back to the thread
// that started the run.
//
// Run replaces a run still going: that one is cancelled and its database call
// interrupted, and it reports nothing. Cancel does the same without a new run;
// so does destruction, which also ends the thread and closes the connection
// (after the interrupted call has returned).

#include "base/AppError.h"
#include "base/Variant.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class BackgroundQuery : public QObject {
    Q_OBJECT
public:
    explicit BackgroundQuery(QObject* parent = nullptr);
    ~BackgroundQuery() override;

    // The connection pieces; the password is the enciphered one the session holds.
    // Nothing is opened yet; a change reopens the connection at the next run.
    void Connect(const QString& server, const QString& login, const QString& password, const QString& database);

    // The first row of a result (empty when it has none), or the failure.
    using RowHandler = std::function<void(const std::vector<Variant>& row, bool hasRow)>;
    using ErrorHandler = std::function<void(const AppError& error)>;
    // Starts the query; exactly one of the handlers runs later on this object's
    // thread, unless the run is replaced or cancelled first.
    void Run(const QString& query, RowHandler onRow, ErrorHandler onError);
    void Cancel();
    // A run was started and has not yet reported (nor been cancelled).
    bool IsRunning() const { return m_running; }
    // The statement of the last run.
    QString Statement() const { return m_statement; }

    // Connections of all background queries open now (for tests: none are left
    // behind when their owners are gone).
    static int OpenConnections();

private:
    struct Worker;
    struct Ticket;
    void startThread();

    std::unique_ptr<Worker> m_worker;
    std::shared_ptr<Ticket> m_run;
    QString m_server, m_login, m_password, m_database;
    QString m_statement;
    bool m_running = false;
};
