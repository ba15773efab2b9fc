#include "base/VbFormat.h"

#include "base/Variant.h"

#include <QLocale>
#include <cmath>

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

// One number section written for a value that is not negative.
QString FormatSection(double value, const QString& section)
{
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
    auto literal = [](const QString& s) {
        QString out;
        for (int i = 0; i < s.size(); ++i) {
            if (s[i] == QLatin1Char('"'))
                continue;
            if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
                out += s[++i];
                continue;
            }
            out += s[i];
        }
        return out;
    };
    if (first < 0)
        return literal(section);
    const QString body = section.mid(first, last - first + 1);
    const int point = body.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? body : body.left(point);
    const QString fracPart = point < 0 ? QString() : body.mid(point + 1);
    const bool grouping = intPart.contains(QLatin1Char(','));
    const int minInt = static_cast<int>(intPart.count(QLatin1Char('0')));
    int decimals = 0, minDecimals = 0;
    for (int i = 0; i < fracPart.size(); ++i) {
        if (IsPlaceholder(fracPart[i])) {
            ++decimals;
            if (fracPart[i] == QLatin1Char('0'))
                minDecimals = decimals;
        }
    }
    // Halves away from zero, as the runtime rounds when it writes.
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::floor(value * scale + 0.5) / scale;
    QString digits = QString::number(rounded, 'f', decimals);
    QString whole = digits, frac;
    if (decimals > 0) {
        const int dot = digits.indexOf(QLatin1Char('.'));
        whole = digits.left(dot);
        frac = digits.mid(dot + 1);
    }
    if (whole == QLatin1String("0") && minInt == 0)
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(QLatin1Char('0'));
    while (frac.size() > minDecimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    const QLocale locale = QLocale::system();
    if (grouping && whole.size() > 3) {
        QString grouped;
        const int n = static_cast<int>(whole.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                grouped += locale.groupSeparator();
            grouped += whole[i];
        }
        whole = grouped;
    }
    QString number = whole;
    if (point >= 0 && (!frac.isEmpty() || decimals == 0 || minDecimals > 0))
        number += locale.decimalPoint() + frac;
    return literal(section.left(first)) + number + literal(section.mid(last + 1));
}

}  // namespace

QString FormatNumber(double value, const QString& pattern)
{
    const QStringList sections = Sections(pattern);
    const int decimals = [&] {
        const QString& s = sections.front();
        const int p = s.indexOf(QLatin1Char('.'));
        return p < 0 ? 0 : static_cast<int>(s.mid(p + 1).count(QLatin1Char('0')) + s.mid(p + 1).count(QLatin1Char('#')));
    }();
    const double scale = std::pow(10.0, decimals);
    const bool negative = value < 0 && std::floor(std::fabs(value) * scale + 0.5) > 0;
    if (!negative)
        return FormatSection(std::fabs(value), sections.front());
    if (sections.size() > 1 && !sections[1].isEmpty())
        return FormatSection(-value, sections[1]);
    return QLatin1Char('-') + FormatSection(-value, sections.front());
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

std::optional<double> ReadRegionalNumber(const QString& text)
{
    if (const auto d = ParseNumericText(text))
        return d;
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    if (t.startsWith(QLatin1Char('-'))) {
        negative = !negative;
        t = t.mid(1).trimmed();
    }
    const QLocale locale = QLocale::system();
    for (const QString& sign : {locale.currencySymbol(), QStringLiteral("$")})
        if (!sign.isEmpty() && t.startsWith(sign))
            t = t.mid(sign.size()).trimmed();
    if (t.isEmpty() || !(t[0].isDigit() || t[0] == locale.decimalPoint().front()))
        return std::nullopt;
    bool ok = false;
    double d = locale.toDouble(t, &ok);
    if (!ok)
        d = QLocale::c().toDouble(t, &ok);
    if (!ok || std::isnan(d) || std::isinf(d))
        return std::nullopt;
    return negative ? -d : d;
}

std::optional<QDateTime> ReadRegionalDate(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || ParseNumericText(t))
        return std::nullopt;
    try {
        return Variant(t).toDate();
    } catch (...) {
    }
    const QLocale locale = QLocale::system();
    for (auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDateTime dt = locale.toDateTime(t, format);
        if (dt.isValid())
            return dt;
        const QDate d = locale.toDate(t, format);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    return std::nullopt;
}

QString FormatText(const QString& text, const QString& pattern)
{
    if (const auto d = ReadRegionalNumber(text))
        return FormatNumber(*d, pattern);
    static const QString dateParts = QStringLiteral("yYdDhHnNsS");
    bool hasDateParts = false;
    for (const QChar c : pattern)
        hasDateParts = hasDateParts || dateParts.contains(c);
    if (hasDateParts)
        if (const auto dt = ReadRegionalDate(text))
            return FormatDate(*dt, pattern);
    return text;
}
