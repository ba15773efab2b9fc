#pragma once
// T-SQL read as a SQL Server reads it, for what the ODBC back end sends to a
// real server as written: where its statements end (T-SQL needs no ";": two
// SELECTs side by side are two statements).

#include <QString>

namespace tsql {

// Whether the text is one query: a SELECT (or WITH ... SELECT, or a query in
// parentheses) and nothing after it but a ";", every text, name and comment
// closed. The rights of the read-only login are the server's fence; this keeps
// a user's text to the one statement the caller means to run.
bool IsSingleQuery(const QString& text);

// The text without the ";" that may end it or stand before it (";WITH ..."): a
// query wrapped in a derived table or a WITH part must have none. A comment
// after the last one stays a comment.
QString WithoutOuterSemicolons(const QString& text);

// Where the common table expressions of a query that begins with WITH end: just
// after the ")" of the last one, where its main query begins (0 when the text
// has none). SQL Server takes no WITH inside parentheses, so a wrapper keeps
// them in front and wraps only the main query.
qsizetype CommonTablesEnd(const QString& text);

// Where the query's own hints, OPTION (...) at its end, begin; -1 when it has
// none. They end the statement: a wrapper puts them after its own end.
qsizetype QueryHintsAt(const QString& text);

}  // namespace tsql
