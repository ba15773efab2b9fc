#pragma once
// What the window's thread does while one of its statements waits for another
// connection's lock: the observer keeps the windows painting and may cancel the
// wait. Statements of other threads just wait (up to their command timeout).

#include <cstdint>
#include <functional>

struct LockWaitObserver {
    // Called again and again while the wait lasts, with the time waited so far;
    // false cancels the statement, which then fails as on its time-out.
    std::function<bool(int64_t waitedMs)> waiting;
    // Called once when the wait is over, whichever way.
    std::function<void()> ended;
};

// Installs the observer for the calling thread (the window's); an empty one removes it.
void SetLockWaitObserver(LockWaitObserver observer);
// The observer when the calling thread is the one that installed it, else nullptr.
const LockWaitObserver* CurrentLockWaitObserver();
