#include "platform/database/LockWait.h"

#include <mutex>
#include <thread>

namespace {
std::mutex g_mutex;
LockWaitObserver g_observer;
std::thread::id g_thread;
}  // namespace

void SetLockWaitObserver(LockWaitObserver observer)
{
    const std::lock_guard lock(g_mutex);
    g_observer = std::move(observer);
    g_thread = std::this_thread::get_id();
}

const LockWaitObserver* CurrentLockWaitObserver()
{
    const std::lock_guard lock(g_mutex);
    if (!g_observer.waiting || g_thread != std::this_thread::get_id())
        return nullptr;
    // Only its own thread uses it, and that thread is the only one to replace it.
    return &g_observer;
}
