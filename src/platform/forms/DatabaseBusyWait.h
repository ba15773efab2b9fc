#pragma once
// While a statement of the window's thread waits for another user's lock: the
// windows keep painting under the hourglass, user input stays blocked, and after
// a few seconds a small dialog says the database is busy and offers Cancel.

#include <QString>

#include <cstdint>

class QDialog;

namespace busywait {

inline constexpr const char* kMessage = "The database is busy: another user is changing it. Waiting for the database...";

// One turn of the wait (waitedMs since it began); false once the user cancelled.
// The dialog says kMessage, or what the wait is for when the caller says it.
bool Waiting(int64_t waitedMs);
bool WaitingFor(int64_t waitedMs, const QString& message);
// The wait is over: the dialog goes and the pointer is as before.
void Ended();
// How long a wait lasts before the dialog shows (milliseconds; 3000 unless set).
void SetDialogDelay(int milliseconds);
int DialogDelay();
// The dialog while it shows, else nullptr.
QDialog* Dialog();

}  // namespace busywait
