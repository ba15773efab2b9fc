#pragma once
// The runtime's Format with a pattern.
//
// Number patterns: sections separated by ";" (positive and zero; negative,
// written without its minus sign), "0" a digit always written, "#" a digit
// written when needed, "." the decimal separator, "," between digit places the
// thousands separator, other characters (or "\x", or "..." in quotes) as they
// are. Date patterns: yyyy, yy, m, mm (month; minutes right after an hour), d,
// dd, h, hh, n, nn, s, ss, without regard to case.

#include <QDateTime>
#include <QString>

// A number written with a number pattern.
QString FormatNumber(double value, const QString& pattern);
// A date and time written with a date pattern.
QString FormatDate(const QDateTime& value, const QString& pattern);

