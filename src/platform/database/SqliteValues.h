#pragma once
// Reading values and column types from an SQLite statement, the same way for the
// back end's result sets and for the read-only cursors.

#include "base/Variant.h"

#include <cstdint>
#include <vector>

struct sqlite3_stmt;

// The value of column i of the statement's current row.
Variant SqliteColumnValue(sqlite3_stmt* st, int i);

// The ADO type a declared column type stands for; 0 when the declaration says nothing.
int32_t AdoTypeOfDeclaration(const char* declared);

// The ADO type of a result column from the values it holds (the first that is not Null).
int32_t AdoTypeOfValues(const std::vector<std::vector<Variant>>& rows, size_t column);
