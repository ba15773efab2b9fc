#pragma once
// Where the driver calls of one ODBC connection run while the window's thread
// must not block on them: a long-lived thread of the connection takes one call
// at a time, and the caller waits for it in short slices, handing each slice to
// the thread's lock-wait observer (which keeps the windows painting and may ask
// to stop). One thread per connection keeps the hand-off cheap and the
// connection's handles in one thread's use at a time.

#include "platform/database/LockWait.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class OdbcCallThread {
public:
    OdbcCallThread();
    ~OdbcCallThread();
    OdbcCallThread(const OdbcCallThread&) = delete;
    OdbcCallThread& operator=(const OdbcCallThread&) = delete;

    // Runs call on the thread and returns when it is over, rethrowing what it threw.
    // While it runs, observer.waiting is called every slice with the time waited;
    // when it answers false, stop is called (from this thread, again each slice)
    // and the wait goes on, without the observer, until the call gives up. observer.ended is
    // called once at the end when waiting was called at all.
    void run(const std::function<void()>& call, const LockWaitObserver& observer, const std::function<void()>& stop);

    // How long one slice lasts: short enough for smooth painting.
    static constexpr int kSliceMs = 10;

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;  // a call for the thread, or the end
    std::condition_variable m_done;  // the call is over
    const std::function<void()>* m_call = nullptr;
    std::exception_ptr m_error;
    bool m_finished = false;
    bool m_quit = false;
    std::thread m_thread;  // last: it starts using the members above at once
};
