#pragma once
// The one place where the T-SQL the program writes becomes SQL the embedded
// (SQLite) server runs. A batch is split into statements; EXEC statements become
// procedure calls with their positional arguments; everything else is rewritten
// token by token (texts, identifiers, brackets and comments are respected):
//   select items "name = expr"      -> "expr AS name"
//   TOP n                           -> LIMIT n at the end of that query
//   ISNULL(a, b)                    -> IFNULL(a, b)
//   CONVERT(type, x)                -> CAST(x AS type), with SQLite type names
//   N'text'                         -> 'text'
//   a + 'text' + b                  -> a || 'text' || b (only in a chain with a text literal
//                                      or a call that gives text, as LEFT(...) or CONVERT(varchar, ...))
//   LEFT( / RIGHT(                  -> functions of our own (LEFT and RIGHT are SQLite keywords)
//   DATEADD(day, ...), DATEDIFF(...) the date part becomes a text argument
//   @@IDENTITY                      -> SCOPE_IDENTITY()
//   !< / !>                         -> >= / <=
// GETDATE, SCOPE_IDENTITY, LEN, LEFT, RIGHT, CHARINDEX, YEAR, MONTH, DAY, DATEADD
// and DATEDIFF are SQL functions the back end registers on every connection.
// Whatever the translator does not understand (variables, DECLARE, SET, GO,
// transaction statements, CONVERT with a style ...) fails the whole batch with
// an error naming it: nothing of a batch runs unless all of it was translated.

#include "base/Variant.h"

#include <QString>
#include <vector>

struct TranslatedStatement {
    enum class Kind { Sql, Exec };
    Kind kind = Kind::Sql;
    QString keyword;    // the statement's first keyword in upper case (SELECT, INSERT, EXEC ...)
    QString sql;        // Kind::Sql: the SQLite text
    QString procedure;  // Kind::Exec: the procedure's name
    std::vector<Variant> args;  // Kind::Exec: positional arguments (Long, Double, String or Null)
    // False for a query (SELECT, or WITH ... SELECT); True for anything that may change the database.
    bool writes = true;
};

// Translates a batch; raises AppError (kDatabaseErrorNumber, source "BrandleDatabase")
// naming what it did not understand. An empty batch gives no statement.
std::vector<TranslatedStatement> TranslateBatch(const QString& tsql);

// The SQLite type name for a T-SQL type name ("varchar(50)" -> "TEXT", "int" -> "INTEGER" ...);
// an empty text for a type it does not know.
QString SqliteTypeFor(const QString& tsqlType);
