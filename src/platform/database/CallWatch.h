#pragma once
// What bounds the calls of one SQLite connection (the embedded back end's, or
// the one under the SQLite ODBC driver): the command timeout, the owner's cancel
// flag, and waits for another connection's lock. Installed as the connection's
// progress and busy handlers; the back end starts and ends each call through it.

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>

struct sqlite3;

class CallWatch {
public:
    // cancelled: the owner's flag that stops the running statement (not a time-out);
    // nullptr when the owner cannot cancel.
    explicit CallWatch(const std::atomic<bool>* cancelled = nullptr) : m_cancelled(cancelled) {}
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    // Makes this watch the progress and busy handler of db.
    void attach(sqlite3* db);

    // A call begins, bounded by timeoutSeconds (none when 0 or less). Fails while
    // a statement of this connection waits for a lock and a window event handled
    // meanwhile tries to use the connection: the wait is inside the driver, which
    // is not re-entrant.
    void begin(int32_t timeoutSeconds);
    // The call is over: no deadline, and a lock wait is told it ended.
    void end();
    // Cleaning up after a failure must not be stopped by the deadline.
    void lift() { m_hasDeadline = false; }
    // Whether the call failed because of its deadline (or a cancelled lock wait).
    bool timedOut() const { return m_timedOut; }
    // What such a call fails with.
    static QString TimeoutMessage() { return QStringLiteral("Query timeout expired"); }

private:
    enum class LockWait { None, Waiting, InObserver };

    bool cancelled() const { return m_cancelled && m_cancelled->load(); }
    static int progress(void* self);
    static int busy(void* self, int count);

    const std::atomic<bool>* m_cancelled;
    bool m_hasDeadline = false;
    bool m_timedOut = false;
    std::chrono::steady_clock::time_point m_deadline;
    LockWait m_lockWait = LockWait::None;
    std::chrono::steady_clock::time_point m_lockWaitStart;
};
