#include "platform/database/OdbcCallThread.h"

#include <chrono>

OdbcCallThread::OdbcCallThread() : m_thread([this] { loop(); }) {}

OdbcCallThread::~OdbcCallThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void OdbcCallThread::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_call; });
        if (!m_call)
            return;
        const std::function<void()>* call = m_call;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*call)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_call = nullptr;
        m_error = error;
        m_finished = true;
        m_done.notify_one();
    }
}

void OdbcCallThread::run(const std::function<void()>& call, const LockWaitObserver& observer,
                         const std::function<void()>& stop)
{
    std::unique_lock lock(m_mutex);
    m_finished = false;
    m_error = nullptr;
    m_call = &call;
    m_wake.notify_one();

    const auto start = std::chrono::steady_clock::now();
    bool waited = false;
    bool stopped = false;
    while (!m_done.wait_for(lock, std::chrono::milliseconds(kSliceMs), [this] { return m_finished; })) {
        // Asked again each slice: a stop that came before the driver had the
        // statement running would be lost otherwise.
        if (stopped) {
            lock.unlock();
            stop();
            lock.lock();
            continue;
        }
        lock.unlock();
        bool goOn = false;
        try {
            waited = true;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            goOn = observer.waiting(ms.count());
        } catch (...) {
            goOn = false;
        }
        if (!goOn) {
            stopped = true;
            stop();
        }
        lock.lock();
    }
    std::exception_ptr error = m_error;
    m_error = nullptr;
    lock.unlock();
    if (waited && observer.ended)
        observer.ended();
    if (error)
        std::rethrow_exception(error);
}
