#pragma once
// The error a call raises, for tests that check numbers and messages.

#include "base/AppError.h"

#include <functional>

// The AppError f raises; number 0 when it raises none.
inline AppError ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e;
    }
    return AppError(0, QStringLiteral("no error"));
}
