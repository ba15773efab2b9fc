#pragma once
// How the list and the statistics strip show a value: by the SQL data type of its
// column (a view column's or a column function's DataType) and the user's locale
// (QLocale's default: the system's unless the program sets another),
// the same in both. Money as currency; whole numbers with the locale's group
// separators; other numbers as short as they read back, with separators; a
// number that names a row (an id) without separators, since it is read digit by
// digit and typed back into searches as it is; a date as the locale writes a
// short date but with a four-digit year, a date-time with the locale's time to
// the second (no fraction) and without its time at midnight (the C locale writes
// both as the database does); anything else (and a text that is neither a number
// nor a date) as it is. Null and empty values show as "". Only the shown text:
// what reads a value back (searches, linked views, export) takes the stored one.

#include "base/Variant.h"

#include <QString>
#include <cstdint>

enum class ColumnKind { Text, Integer, Decimal, Money, DateTime, Identifier };

// The kind of an SQL data type name ("money", "int", "decimal", "datetime", ...),
// without regard to case or a size such as "(18,2)"; Text for any other.
ColumnKind ColumnKindOf(const QString& dataType);
// The same for a column that names rows (a row id, or an id or number by its
// name): a number type is then an Identifier; money and other types keep their kind.
ColumnKind ColumnKindOf(const QString& dataType, bool namesRows);
// Whether a column's SQL name calls it an id or a number of a row: it ends in
// "ID", "Id" or "_id", or in "Number" or "_number" ("OrderID", "LineNumber";
// not "Paid" or "LineCount").
bool IsIdentifierName(const QString& columnName);
QString FormatColumnValue(const Variant& value, ColumnKind kind);
// A record count, with the locale's group separators.
QString FormatCount(int64_t count);
