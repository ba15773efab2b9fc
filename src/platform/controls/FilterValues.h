#pragma once
// The values of the filter pane: dates and numbers as the user types them, and a
// number of a stored search as the pane shows it again.
//
// Dates: the forms DateForms lists, tried in its order; the first that reads the
// text holds. A two-digit year lies in 1930 to 2029. The year-first forms with
// dashes come in four and two digits (the month and day with one or two), except
// that the two-digit one is left out where the system's short format itself
// reads such a text as another date (day first, say): there it is the system's.

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

enum class ColumnKind;

namespace FILTERLib {

// Qt date formats, in the order ParseDate tries them (the user's locale's short
// format second).
QStringList DateForms();
// A date as the user may type it; invalid when no form reads it.
QDate ParseDate(const QString& text);
// The date boxes' hint: the year-first forms read here.
QString DateHint();
// Every form read, for the date boxes' tooltip.
QString DateFormsTip();

// A number as the user types it: in the user's locale (its separators where they
// belong, a currency sign, a negative amount in parentheses as the locale writes
// money), else plain with a point and no group separators.
bool ParseNumber(const QString& text, double& value);
// A number as SQL writes it; empty when the text is not a number.
QString NumberLiteral(const QString& text);
// A number literal of a WHERE text shown as the field's column shows it (by its
// data type code, see ColumnKindOf): money as currency, other numbers with the
// user's separators; a whole number of an integer field, or of the generic
// "number" code, without group separators, since it may name a row (an order id).
// Told how the list shows the column (shownAs), it is shown in that form instead.
// Always a text that the row writes again as the same literal.
QString ShownNumber(const QString& literal, const QString& filterDataType,
                    std::optional<ColumnKind> shownAs = std::nullopt);

}  // namespace FILTERLib
