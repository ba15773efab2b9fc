#pragma once
// What the names of a base's columns must be, and how searches name them. One
// rule serves the import procedures and the column dialogs alike, so that a name
// one accepts the other does not refuse.
//
// A column's SQL name becomes a column of the view's SQL view beside the row id
// [ID], and a search names a column by its token "{SQL name}".

#include <QString>

// The SQL name holds only letters, digits and "_" and does not begin with a digit
// (and is not empty).
bool SqlColumnNameAllowed(const QString& name);
// The names a column may not take because the SQL view has them already: its
// row id "ID", compared without regard to case as the database compares names.
bool SqlColumnNameReserved(const QString& name);

// A UTF-16 code unit of a surrogate pair without its partner: the database
// cannot store such a text as it was typed.
bool HasLoneSurrogate(const QString& text);

// Whether a search text names the column by its token, outside texts and
// comments (as the list reads the tokens).
bool SearchUsesColumn(const QString& searchText, const QString& columnName);
// The search text with every token of the column renamed; everything else as it was.
QString RenameColumnInSearch(const QString& searchText, const QString& oldName, const QString& newName);
