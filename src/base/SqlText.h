#pragma once
// SQL literals made from values: every value that goes into SQL text passes here.

#include "base/Variant.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// A text literal: apostrophes doubled, enclosed in apostrophes; Null gives Null.
// A text with a character that has no code in the database's code page is
// written N'...', so that the server keeps it; any other text goes as '...', which
// a varchar column takes as it is (an N'...' outranks varchar: the server would
// convert the column, and its index could no longer seek).
QString QuoteSQLString(const Variant& value);

// The code page of the database's varchar texts, which QuoteSQLString writes
// for: Windows-1252, the system's ANSI code page, until a connection to a SQL
// Server tells its database's (the code page of its collation; 65001 for a
// UTF-8 collation, which holds every character). The embedded server takes
// both forms of a literal.
inline constexpr int kAnsiCodePage = 1252;
void SetSqlTextCodePage(int codePage);
int SqlTextCodePage();
// Whether every character of the text has a code in the code page. ASCII is in
// every one; a code page this system cannot read holds nothing more.
bool TextFitsCodePage(const QString& text, int codePage);
// A number as text without quotes; Null gives Null.
QString SQLNumber(const Variant& value);

// The forms of the date literals a server is written. Embedded: as the embedded
// server stores dates, 'yyyy-MM-dd' and 'yyyy-MM-dd HH:mm:ss[.zzz]'. SqlServer:
// the forms a SQL Server reads the same under every login language and
// DATEFORMAT, 'yyyyMMdd' and 'yyyy-MM-ddTHH:mm:ss.zzz' (it reads 'yyyy-MM-dd' for
// a datetime or smalldatetime by the DATEFORMAT: year, day, month under dmy).
enum class SqlDateForm { Embedded, SqlServer };
// A day as a literal.
QString SQLDate(const QDate& day, SqlDateForm form);
// A date-time as a literal that compares equal to it, milliseconds and all; a
// date-time at midnight is written as its day.
QString SQLDateTime(const QDateTime& value, SqlDateForm form);
// The day a literal's text (without its apostrophes) names in either form of
// SQLDate; invalid for any other text.
QDate ReadSQLDate(const QString& text);
