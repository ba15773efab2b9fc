#pragma once
// How the list and the statistics strip show a value: by the SQL data type of its
// column (a view column's or a column function's DataType) and the user's locale
// (QLocale's default: the system's unless the program sets another),
// the same in both. Money as currency; whole numbers with the locale's group
// separators; other numbers as short as they read back, with separators; a
// date-time without a zero fraction of seconds, and without its time at
// midnight; anything else (and a text that is not a number) as it is. Null and
// empty values show as "".

#include "base/Variant.h"

#include <QString>
#include <cstdint>

enum class ColumnKind { Text, Integer, Decimal, Money, DateTime };

// The kind of an SQL data type name ("money", "int", "decimal", "datetime", ...),
// without regard to case or a size such as "(18,2)"; Text for any other.
ColumnKind ColumnKindOf(const QString& dataType);
QString FormatColumnValue(const Variant& value, ColumnKind kind);
// A record count, with the locale's group separators.
QString FormatCount(int64_t count);
