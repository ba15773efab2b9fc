#include "platform/database/CallWatch.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/LockWait.h"

#include <sqlite3.h>
#include <thread>

void CallWatch::attach(sqlite3* db)
{
    sqlite3_progress_handler(db, 1000, &CallWatch::progress, this);
    sqlite3_busy_handler(db, &CallWatch::busy, this);
}

void CallWatch::begin(int32_t timeoutSeconds)
{
    if (m_lockWait == LockWait::InObserver)
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The database is busy: a statement of this connection waits for another user."),
                       QStringLiteral("BrandleDatabase"));
    m_timedOut = false;
    m_hasDeadline = timeoutSeconds > 0;
    if (m_hasDeadline)
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
}

void CallWatch::end()
{
    m_hasDeadline = false;
    if (m_lockWait == LockWait::None)
        return;
    m_lockWait = LockWait::None;
    if (const LockWaitObserver* observer = CurrentLockWaitObserver(); observer && observer->ended)
        observer->ended();
}

int CallWatch::progress(void* self)
{
    auto* w = static_cast<CallWatch*>(self);
    if (w->cancelled())
        return 1;
    if (w->m_hasDeadline && std::chrono::steady_clock::now() >= w->m_deadline) {
        w->m_timedOut = true;
        return 1;
    }
    return 0;
}

// Waiting for another connection's lock counts against the command timeout. On
// the window's thread the lock-wait observer keeps the windows painting meanwhile
// and may cancel the wait, which then ends as the time-out does.
int CallWatch::busy(void* self, int count)
{
    auto* w = static_cast<CallWatch*>(self);
    const auto now = std::chrono::steady_clock::now();
    const bool cancelled = w->cancelled();
    if (cancelled || (w->m_hasDeadline && now >= w->m_deadline)) {
        w->m_timedOut = !cancelled;
        return 0;
    }
    if (const LockWaitObserver* observer = CurrentLockWaitObserver()) {
        if (w->m_lockWait == LockWait::None)
            w->m_lockWaitStart = now;
        w->m_lockWait = LockWait::InObserver;
        bool goOn = true;
        try {
            goOn = observer->waiting(
                std::chrono::duration_cast<std::chrono::milliseconds>(now - w->m_lockWaitStart).count());
        } catch (...) {
            goOn = false;
        }
        w->m_lockWait = LockWait::Waiting;
        if (!goOn) {
            w->m_timedOut = true;
            return 0;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 1 : 5));
    return 1;
}
