#include "platform/controls/FilterValues.h"

#include "platform/controls/ColumnFormat.h"

#include <QCalendar>
#include <QLocale>

#include <cmath>

namespace FILTERLib {

namespace {

const QString kYearFirst = QStringLiteral("yyyy-M-d");
const QString kShortYearFirst = QStringLiteral("yy-M-d");

// A date in one form; a two-digit year lies in 1930 to 2029, as the desktop reads
// it (Qt alone would put every one of them in the 1900s).
QDate ReadDate(const QString& text, const QString& format)
{
    if (format.contains(QLatin1String("yyyy")) || !format.contains(QLatin1String("yy")))
        return QDate::fromString(text, format);
    // Read in the Julian calendar, whose 1900 has a 29 February (00-2-29 is a day
    // of 2000), then taken as that day of the year in the window.
    const QCalendar julian(QCalendar::System::Julian);
    const QDate read = QDate::fromString(text, format, julian);
    if (!read.isValid())
        return {};
    const int year = read.year(julian) < 1930 ? read.year(julian) + 100 : read.year(julian);
    return QDate(year, read.month(julian), read.day(julian));
}

// The system's short format reads a two-digit year-first text as another date
// (dd-MM-yy, d-M-yy, MM-dd-yy): a text such as 01-02-03 would mean two days.
bool SystemOwnsShortDashes(const QString& system)
{
    for (const QString& probe : {QStringLiteral("01-02-03"), QStringLiteral("1-2-3")}) {
        const QDate mine = ReadDate(probe, system);
        if (mine.isValid() && mine != ReadDate(probe, kShortYearFirst))
            return true;
    }
    return false;
}

QString SystemForm() { return QLocale().dateFormat(QLocale::ShortFormat); }

// A form as the tooltip and the help name it.
QString FormName(const QString& format)
{
    if (format == kYearFirst)
        return QStringLiteral("yyyy-mm-dd");
    if (format == kShortYearFirst)
        return QStringLiteral("yy-mm-dd");
    return format.toLower();
}

QString LiteralOf(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}

}  // namespace

QStringList DateForms()
{
    const QString system = SystemForm();
    QStringList forms{kYearFirst, system};
    if (!SystemOwnsShortDashes(system))
        forms << kShortYearFirst;
    forms << QStringLiteral("M/d/yyyy") << QStringLiteral("d.M.yyyy") << QStringLiteral("yyyy/M/d")
          << QStringLiteral("M/d/yy");
    forms.removeDuplicates();
    return forms;
}

QDate ParseDate(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    for (const QString& format : DateForms())
        if (const QDate d = ReadDate(t, format); d.isValid())
            return d;
    return {};
}

QString DateHint()
{
    const QString system = SystemForm();
    return QStringLiteral("yyyy-mm-dd or ") +
           (SystemOwnsShortDashes(system) ? FormName(system) : FormName(kShortYearFirst));
}

QString DateFormsTip()
{
    const QString system = SystemForm();
    QStringList names;
    for (const QString& format : DateForms())
        if (format != system)
            names << FormName(format);
    return QStringLiteral("A date as ") + names.join(QStringLiteral(", ")) + QStringLiteral(" or ") +
           FormName(system) +
           QStringLiteral(" (the system's short format, which comes first after yyyy-mm-dd); "
                          "a two-digit year is 1930 to 2029.");
}

bool ParseNumber(const QString& text, double& value)
{
    QString t = text.trimmed();
    const QLocale user;
    const QString currency = user.currencySymbol(QLocale::CurrencySymbol);
    if (!currency.isEmpty())
        t.remove(currency);
    t.remove(QLatin1Char('$'));
    t = t.trimmed();
    // Money the locale writes negative in parentheses: "($5,000.00)".
    bool negative = false;
    if (t.size() > 2 && t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    if (t.isEmpty())
        return false;
    bool ok = false;
    value = user.toDouble(t, &ok);
    if (!ok) {
        QLocale plain = QLocale::c();
        plain.setNumberOptions(QLocale::RejectGroupSeparator);
        value = plain.toDouble(t, &ok);
    }
    if (negative) {
        if (value < 0 || std::signbit(value))
            return false;
        value = -value;
    }
    return ok && std::isfinite(value);
}

QString NumberLiteral(const QString& text)
{
    double v = 0;
    if (!ParseNumber(text, v))
        return {};
    return LiteralOf(v);
}

QString ShownNumber(const QString& literal, const QString& filterDataType, std::optional<ColumnKind> shownAs)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(literal, &ok);
    if (!ok || !std::isfinite(v))
        return literal;
    const QString written = LiteralOf(v);
    const ColumnKind kind = ColumnKindOf(filterDataType);
    const bool mayNameRow = kind == ColumnKind::Integer ||
                            filterDataType.trimmed().compare(QLatin1String("number"), Qt::CaseInsensitive) == 0;
    QLocale ungrouped;
    ungrouped.setNumberOptions(ungrouped.numberOptions() | QLocale::OmitGroupSeparator);
    const bool whole = v == std::trunc(v) && std::fabs(v) < 1e15;
    QStringList shown;
    if (shownAs && *shownAs != ColumnKind::Text && *shownAs != ColumnKind::DateTime)
        shown << FormatColumnValue(Variant(v), *shownAs);
    else if (whole && mayNameRow)
        shown << ungrouped.toString(static_cast<qlonglong>(v));
    else
        shown << FormatColumnValue(Variant(v), kind == ColumnKind::Money ? ColumnKind::Money : ColumnKind::Decimal);
    // Where the column's form drops a digit (money beyond its cents), a form that keeps them.
    shown << FormatColumnValue(Variant(v), ColumnKind::Decimal) << ungrouped.toString(v, 'g', 15) << literal;
    for (const QString& s : shown)
        if (NumberLiteral(s) == written)
            return s;
    return literal;
}

}  // namespace FILTERLib
