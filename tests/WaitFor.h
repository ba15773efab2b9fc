#pragma once
// Runs the event loop until a condition holds, for the tests of asynchronous work.

#include <QElapsedTimer>
#include <QTest>

#include <functional>

// True when done() held within ms milliseconds.
inline bool WaitFor(const std::function<bool()>& done, int ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}
