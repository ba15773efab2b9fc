#pragma once
// Small helpers shared by the core tests.

#include "base/AppError.h"

#include <functional>

// The number of the AppError that f raises; 0 when it raises none.
inline int ErrorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}
