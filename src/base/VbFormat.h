#pragma once
// The runtime's Format with a pattern, and reading texts as numbers and dates
// the way the user's regional settings write them.
//
// Number patterns: sections separated by ";" (positive and zero; negative,
// written without its minus sign), "0" a digit always written, "#" a digit
// written when needed, "." the decimal separator, "," between digit places the
// thousands separator, other characters (or "\x", or "..." in quotes) as they
// are. Date patterns: yyyy, yy, m, mm (month; minutes right after an hour), d,
// dd, h, hh, n, nn, s, ss, without regard to case.

#include <QDateTime>
#include <QString>
#include <optional>

// A number written with a number pattern.
QString FormatNumber(double value, const QString& pattern);
// A date and time written with a date pattern.
QString FormatDate(const QDateTime& value, const QString& pattern);
// A text written with a pattern: as a number when it reads as one, else as a date
// when it reads as one (and the pattern has date parts), else unchanged.
QString FormatText(const QString& text, const QString& pattern);

// The text as a number: the runtime's own reading, or the regional one with
// thousands separators, a currency sign, and parentheses for a negative amount.
std::optional<double> ReadRegionalNumber(const QString& text);
// The text as a date (and time): the runtime's own reading or the regional formats.
std::optional<QDateTime> ReadRegionalDate(const QString& text);
