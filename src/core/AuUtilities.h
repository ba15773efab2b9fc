#pragma once
// Text replacement and list-item keys.

#include <QString>
#include <cstdint>

// Replaces every occurrence of the one-character search text, left to right.
// Works on texts of any length.
QString StrReplace(const QString& text, const QString& search, const QString& replacement);
// "ID" followed by the id in decimal.
QString IDToListKey(int32_t id);
// The text from the third character on as a 32-bit integer; a key shorter than 3 gives 0.
int32_t ListKeyToID(const QString& key);
