#include "base/VbFormat.h"

#include "base/Variant.h"

#include <QLocale>
#include <cmath>
#include <vector>

namespace {

// Splits a pattern into its sections at ";" outside quotes.
QStringList Sections(const QString& pattern)
{
    QStringList out;
    QString current;
    bool quoted = false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            current += c;
            current += pattern[++i];
            continue;
        }
        if (c == QLatin1Char(';') && !quoted) {
            out << current;
            current.clear();
            continue;
        }
        current += c;
    }
    out << current;
    return out;
}

bool IsPlaceholder(QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('#'); }

// The section's characters as written: quotes dropped, "\x" as x.
QString Literal(QStringView s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('"'))
            continue;
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

// One number section, read once: what comes before and after its digit
// places, and how the digits are written.
struct NumberSection {
    bool empty = true;  // nothing written in the pattern
    int roundingDecimals = 0;  // "0" and "#" after the section's first "."
    bool hasDigits = false;
    QString prefix;  // the whole section when it has no digit places
    QString suffix;
    bool point = false;
    bool grouping = false;
    int minInt = 0;
    int decimals = 0;
    int minDecimals = 0;
};

NumberSection ReadSection(const QString& section)
{
    NumberSection n;
    n.empty = section.isEmpty();
    const qsizetype dot = section.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const QStringView after = QStringView(section).mid(dot + 1);
        n.roundingDecimals = static_cast<int>(after.count(QLatin1Char('0')) + after.count(QLatin1Char('#')));
    }
    int first = -1, last = -1;
    bool quoted = false;
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        if (!quoted && IsPlaceholder(c)) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        n.prefix = Literal(section);
        return n;
    }
    n.hasDigits = true;
    n.prefix = Literal(QStringView(section).left(first));
    n.suffix = Literal(QStringView(section).mid(last + 1));
    const QStringView body = QStringView(section).mid(first, last - first + 1);
    const qsizetype point = body.indexOf(QLatin1Char('.'));
    const QStringView intPart = point < 0 ? body : body.left(point);
    const QStringView fracPart = point < 0 ? QStringView() : body.mid(point + 1);
    n.point = point >= 0;
    n.grouping = intPart.contains(QLatin1Char(','));
    n.minInt = static_cast<int>(intPart.count(QLatin1Char('0')));
    for (qsizetype i = 0; i < fracPart.size(); ++i) {
        if (IsPlaceholder(fracPart[i])) {
            ++n.decimals;
            if (fracPart[i] == QLatin1Char('0'))
                n.minDecimals = n.decimals;
        }
    }
    return n;
}

// One number section written for a value that is not negative.
QString FormatSection(double value, const NumberSection& n)
{
    if (!n.hasDigits)
        return n.prefix;
    const int decimals = n.decimals;
    // Halves away from zero, as the runtime rounds when it writes.
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::floor(value * scale + 0.5) / scale;
    const QString digits = QString::number(rounded, 'f', decimals);
    QString whole = digits, frac;
    if (decimals > 0) {
        const qsizetype dot = digits.indexOf(QLatin1Char('.'));
        whole = digits.left(dot);
        frac = digits.mid(dot + 1);
    }
    if (whole == QLatin1String("0") && n.minInt == 0)
        whole.clear();
    if (whole.size() < n.minInt)
        whole = QString(n.minInt - whole.size(), QLatin1Char('0')) + whole;
    qsizetype fracLength = frac.size();
    while (fracLength > n.minDecimals && frac[fracLength - 1] == QLatin1Char('0'))
        --fracLength;
    frac.truncate(fracLength);
    const bool withPoint = n.point && (!frac.isEmpty() || decimals == 0 || n.minDecimals > 0);
    const bool grouped = n.grouping && whole.size() > 3;
    QString number;
    if (grouped || withPoint) {
        const QLocale locale = QLocale::system();
        if (grouped) {
            const QString separator = locale.groupSeparator();
            const int count = static_cast<int>(whole.size());
            number.reserve(count + count / 3 * separator.size());
            for (int i = 0; i < count; ++i) {
                if (i > 0 && (count - i) % 3 == 0)
                    number += separator;
                number += whole[i];
            }
        } else {
            number = whole;
        }
        if (withPoint)
            number += locale.decimalPoint() + frac;
    } else {
        number = whole;
    }
    return n.prefix + number + n.suffix;
}

// A pattern read into its sections; the last one read is kept, since a caller
// writes many values with one pattern (a column's sort keys).
const std::vector<NumberSection>& ReadNumberPattern(const QString& pattern)
{
    thread_local QString lastPattern;
    thread_local std::vector<NumberSection> lastSections;
    thread_local bool read = false;
    if (!read || pattern != lastPattern) {
        lastSections.clear();
        for (const QString& section : Sections(pattern))
            lastSections.push_back(ReadSection(section));
        lastPattern = pattern;
        read = true;
    }
    return lastSections;
}

}  // namespace

QString FormatNumber(double value, const QString& pattern)
{
    const std::vector<NumberSection>& sections = ReadNumberPattern(pattern);
    const NumberSection& first = sections.front();
    // The first section's decimal places decide whether the value rounds to zero.
    const double scale = std::pow(10.0, first.roundingDecimals);
    const bool negative = value < 0 && std::floor(std::fabs(value) * scale + 0.5) > 0;
    if (!negative)
        return FormatSection(std::fabs(value), first);
    if (sections.size() > 1 && !sections[1].empty)
        return FormatSection(-value, sections[1]);
    return QLatin1Char('-') + FormatSection(-value, first);
}

QString FormatDate(const QDateTime& value, const QString& pattern)
{
    QString out;
    const QString p = pattern;
    bool afterHour = false;
    for (int i = 0; i < p.size();) {
        const QChar c = p[i].toLower();
        int run = 1;
        while (i + run < p.size() && p[i + run].toLower() == c)
            ++run;
        auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        const QDate d = value.date();
        const QTime t = value.time();
        switch (c.unicode()) {
        case 'y':
            out += run >= 4 ? QString::number(d.year()) : two(d.year() % 100);
            afterHour = false;
            break;
        case 'm':
            if (afterHour)
                out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
            else
                out += run >= 2 ? two(d.month()) : QString::number(d.month());
            afterHour = false;
            break;
        case 'd':
            out += run >= 2 ? two(d.day()) : QString::number(d.day());
            afterHour = false;
            break;
        case 'h':
            out += run >= 2 ? two(t.hour()) : QString::number(t.hour());
            afterHour = true;
            break;
        case 'n':
            out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
            afterHour = false;
            break;
        case 's':
            out += run >= 2 ? two(t.second()) : QString::number(t.second());
            afterHour = false;
            break;
        default:
            out += p.mid(i, run);
            break;
        }
        i += run;
    }
    return out;
}
