#include "listhelpers/RegionalReading.h"

#include "base/Variant.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

bool IsDigit(QChar c)
{
    if (c.unicode() < 128)
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    return c.isDigit();
}

int DigitOf(QChar c) { return c.unicode() < 128 ? c.unicode() - u'0' : c.digitValue(); }

// Names compared without regard to case and without their points ("Mär." is "mär").
QString Folded(QStringView s)
{
    QString f = s.toString().toCaseFolded();
    f.remove(QLatin1Char('.'));
    return f.trimmed();
}

// The first index of a run of the letter in a date or time format, outside quoted
// text; runs longer than maxRun (day names "ddd", "dddd") are passed over.
qsizetype FieldAt(const QString& format, QChar letter, int maxRun = 4)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || c != letter)
            continue;
        qsizetype end = i;
        while (end < format.size() && format[end] == letter)
            ++end;
        if (end - i <= maxRun)
            return i;
        i = end - 1;
    }
    return -1;
}

// The first separator of a format after its first field: not a letter, a blank or a quote.
QChar SeparatorOf(const QString& format)
{
    bool quoted = false;
    bool field = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c.isLetter())
            field = true;
        else if (field && !c.isSpace())
            return c;
    }
    return QChar();
}

// The quoted words of a format ("'de'" in "d 'de' MMMM 'de' yyyy"), which dates in
// that format carry.
QStringList QuotedWords(const QString& format)
{
    QStringList words;
    const QStringList pieces = format.split(QLatin1Char('\''));
    for (qsizetype k = 1; k < pieces.size(); k += 2)
        for (const QString& w : pieces[k].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            words << w;
    return words;
}

// Two-digit years lie in 1930 to 2029, as the desktop reads them.
int YearOf(int value, int digits)
{
    if (digits > 2)
        return value;
    return value < 30 ? 2000 + value : 1900 + value;
}

bool ValidDate(const DateTimeParts& d) { return d.year >= 100 && d.year <= 9999 && QDate::isValid(d.year, d.month, d.day); }

}  // namespace

// Numbers joined by one separator each, with no blank between: "3/1/2024", "22:00:00.5".
struct RegionalReader::Group {
    int values[4] = {};
    int digits[4] = {};
    char16_t separators[3] = {};
    int count = 0;
};

RegionalReader::RegionalReader(const QLocale& locale)
    : m_decimal(locale.decimalPoint()),
      m_group(locale.groupSeparator()),
      m_minus(locale.negativeSign()),
      m_plus(locale.positiveSign()),
      m_currency(locale.currencySymbol(QLocale::CurrencySymbol))
{
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = FieldAt(shortDate, QLatin1Char('d'), 2);
    const qsizetype m = FieldAt(shortDate, QLatin1Char('M'));
    const qsizetype y = FieldAt(shortDate, QLatin1Char('y'));
    if (y >= 0 && m >= 0 && y < m)
        m_order = Order::YMD;
    else if (d >= 0 && m >= 0 && d < m)
        m_order = Order::DMY;
    else
        m_order = Order::MDY;
    m_dateSeparator = SeparatorOf(shortDate);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    const QChar timeSeparator = SeparatorOf(shortTime);
    if (!timeSeparator.isNull())
        m_timeSeparator = timeSeparator;
    const QString longDate = locale.dateFormat(QLocale::LongFormat);
    const qsizetype longDay = FieldAt(longDate, QLatin1Char('d'), 2);
    const qsizetype longYear = FieldAt(longDate, QLatin1Char('y'));
    m_dayBeforeYear = !(longYear >= 0 && longDay >= 0 && longYear < longDay);

    // The locale's names, and the English ones the program's own texts may carry.
    for (const QLocale& names : {locale, QLocale::c()}) {
        for (int i = 1; i <= 12; ++i)
            for (auto format : {QLocale::LongFormat, QLocale::ShortFormat}) {
                m_words.insert(Folded(names.monthName(i, format)), {Word::Month, i});
                m_words.insert(Folded(names.standaloneMonthName(i, format)), {Word::Month, i});
            }
        for (int i = 1; i <= 7; ++i)
            for (auto format : {QLocale::LongFormat, QLocale::ShortFormat}) {
                m_words.insert(Folded(names.dayName(i, format)), {Word::Ignored, 0});
                m_words.insert(Folded(names.standaloneDayName(i, format)), {Word::Ignored, 0});
            }
    }
    for (const QString& w : QuotedWords(longDate) + QuotedWords(shortDate))
        m_words.insert(Folded(w), {Word::Ignored, 0});
    for (const QString& am : {locale.amText(), QStringLiteral("AM")})
        m_words.insert(Folded(am), {Word::Am, 0});
    for (const QString& pm : {locale.pmText(), QStringLiteral("PM")})
        m_words.insert(Folded(pm), {Word::Pm, 0});
    // The "T" between an ISO date and its time.
    m_words.insert(QStringLiteral("t"), {Word::Ignored, 0});
    m_words.remove(QString());
}

// ---------------------------------------------------------------- numbers

std::optional<double> RegionalReader::Number(QStringView text) const
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (const auto v = LocaleNumber(t))
        return v;
    // The program's own form: a point for the decimals, no groups.
    return ParseNumericText(t.toString());
}

std::optional<double> RegionalReader::LocaleNumber(QStringView t) const
{
    bool negative = false;
    if (t.size() >= 2 && t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')')) {
        negative = true;
        t = t.sliced(1, t.size() - 2).trimmed();
    }
    // A sign and a currency sign, in either order; the currency also after the amount.
    bool sign = false;
    bool currency = false;
    auto cut = [&](QStringView prefix) {
        if (prefix.isEmpty() || !t.startsWith(prefix))
            return false;
        t = t.sliced(prefix.size()).trimmed();
        return true;
    };
    auto chop = [&](QStringView suffix) {
        if (suffix.isEmpty() || !t.endsWith(suffix))
            return false;
        t = t.chopped(suffix.size()).trimmed();
        return true;
    };
    for (bool more = true; more;) {
        more = false;
        if (!sign && (cut(m_minus) || cut(u"-"))) {
            negative = !negative;
            sign = more = true;
        } else if (!sign && (cut(m_plus) || cut(u"+"))) {
            sign = more = true;
        } else if (!currency && (cut(m_currency) || cut(u"$") || chop(m_currency) || chop(u"$"))) {
            currency = more = true;
        }
    }

    char buffer[400];
    size_t n = 0;
    auto push = [&](char c) {
        if (n + 1 >= sizeof buffer)
            return false;
        buffer[n++] = c;
        return true;
    };
    const bool spaceGroups = !m_group.isEmpty() && m_group[0].isSpace();
    auto groupAt = [&](qsizetype i) -> qsizetype {
        if (m_group.isEmpty())
            return 0;
        if (spaceGroups)
            return t[i].isSpace() ? 1 : 0;
        return t.sliced(i).startsWith(m_group) ? m_group.size() : 0;
    };
    qsizetype i = 0;
    int integerDigits = 0;
    int groupDigits = 0;
    bool grouped = false;
    push('0');
    while (i < t.size()) {
        if (IsDigit(t[i])) {
            if (!push(static_cast<char>('0' + DigitOf(t[i]))))
                return std::nullopt;
            ++integerDigits;
            ++groupDigits;
            ++i;
            continue;
        }
        const qsizetype separator = groupAt(i);
        if (separator == 0 || i + separator >= t.size() || !IsDigit(t[i + separator]))
            break;
        // Thousands separators stand between groups of three digits only.
        if (groupDigits == 0 || (grouped ? groupDigits != 3 : groupDigits > 3))
            return std::nullopt;
        grouped = true;
        groupDigits = 0;
        i += separator;
    }
    if (grouped && groupDigits != 3)
        return std::nullopt;
    int decimals = 0;
    if (i < t.size() && !m_decimal.isEmpty() && t.sliced(i).startsWith(m_decimal)) {
        i += m_decimal.size();
        push('.');
        for (; i < t.size() && IsDigit(t[i]); ++i, ++decimals)
            if (!push(static_cast<char>('0' + DigitOf(t[i]))))
                return std::nullopt;
    }
    if (integerDigits + decimals == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        push('e');
        ++i;
        if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
            push(static_cast<char>(t[i++].unicode()));
        int exponentDigits = 0;
        for (; i < t.size() && IsDigit(t[i]); ++i, ++exponentDigits)
            if (!push(static_cast<char>('0' + DigitOf(t[i]))))
                return std::nullopt;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + n, value);
    if (error != std::errc() || end != buffer + n || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// ---------------------------------------------------------------- dates

RegionalReader::Word RegionalReader::Classify(QStringView word, int& month) const
{
    const auto found = m_words.constFind(word.toString().toCaseFolded());
    if (found == m_words.constEnd())
        return Word::Unknown;
    month = found->second;
    return found->first;
}

bool RegionalReader::DateOfGroup(const Group& g, DateTimeParts& out) const
{
    const QChar separator(g.separators[0]);
    if (g.count != 3 || g.separators[1] != g.separators[0])
        return false;
    const bool known = separator == QLatin1Char('/') || separator == QLatin1Char('.') ||
                       separator == QLatin1Char('-') || separator == m_dateSeparator;
    if (!known)
        return false;
    Order order;
    if (g.digits[0] > 2)
        order = Order::YMD;
    else if (separator == m_dateSeparator)
        order = m_order;
    else if (separator == QLatin1Char('/'))
        order = Order::MDY;  // as the program writes it: "3/1/2024"
    else if (separator == QLatin1Char('.'))
        order = Order::DMY;  // "01.03.2024"
    else
        order = m_order == Order::YMD ? Order::DMY : m_order;
    int y = 0, m = 1, d = 2;
    if (order == Order::DMY)
        y = 2, m = 1, d = 0;
    else if (order == Order::MDY)
        y = 2, m = 0, d = 1;
    out.year = YearOf(g.values[y], g.digits[y]);
    out.month = g.values[m];
    out.day = g.values[d];
    return true;
}

std::optional<DateTimeParts> RegionalReader::Date(QStringView text) const
{
    const QStringView t = text.trimmed();
    if (t.isEmpty() || t.size() > 80)
        return std::nullopt;

    Group groups[4];
    int groupCount = 0;
    Group* open = nullptr;  // the group a separator right after its last number continues
    char16_t pending = 0;
    int month = 0;
    int ampm = 0;  // 1 AM, 2 PM
    for (qsizetype i = 0; i < t.size();) {
        const QChar c = t[i];
        if (IsDigit(c)) {
            int value = 0;
            int digits = 0;
            for (; i < t.size() && IsDigit(t[i]); ++i, ++digits)
                if (digits < 9)
                    value = value * 10 + DigitOf(t[i]);
            if (digits > 9)
                return std::nullopt;
            if (!(open && pending)) {
                if (groupCount == 4)
                    return std::nullopt;
                open = &groups[groupCount++];
            } else if (open->count == 4) {
                return std::nullopt;
            } else {
                open->separators[open->count - 1] = pending;
            }
            open->values[open->count] = value;
            open->digits[open->count] = digits;
            ++open->count;
            pending = 0;
            continue;
        }
        if (c.isLetter()) {
            const qsizetype start = i;
            while (i < t.size() && t[i].isLetter())
                ++i;
            int m = 0;
            const Word word = Classify(t.sliced(start, i - start), m);
            switch (word) {
            case Word::Month:
                if (month)
                    return std::nullopt;
                month = m;
                break;
            case Word::Am:
            case Word::Pm:
                if (ampm)
                    return std::nullopt;
                ampm = word == Word::Am ? 1 : 2;
                break;
            case Word::Ignored:
                break;
            case Word::Unknown:
                return std::nullopt;
            }
            open = nullptr;
            pending = 0;
            continue;
        }
        if (c.isSpace()) {
            open = nullptr;
            pending = 0;
            ++i;
            continue;
        }
        if (open && !pending && i + 1 < t.size() && IsDigit(t[i + 1])) {
            pending = c.unicode();
            ++i;
            continue;
        }
        // Points and commas after a day, a name or a year: "1. März 2024", "March 1, 2024".
        if (c != QLatin1Char('.') && c != QLatin1Char(','))
            return std::nullopt;
        open = nullptr;
        pending = 0;
        ++i;
    }

    DateTimeParts out;
    bool haveDate = false;
    bool haveTime = false;
    int loose[2] = {};
    int looseDigits[2] = {};
    int looseCount = 0;
    for (int k = 0; k < groupCount; ++k) {
        const Group& g = groups[k];
        if (g.count == 1) {
            if (looseCount == 2)
                return std::nullopt;
            loose[looseCount] = g.values[0];
            looseDigits[looseCount++] = g.digits[0];
            continue;
        }
        const QChar first(g.separators[0]);
        const bool timeSeparator =
            first == QLatin1Char(':') || (first == m_timeSeparator && g.digits[1] == 2 && (haveDate || g.count == 2));
        if (!haveDate && !timeSeparator && DateOfGroup(g, out)) {
            haveDate = true;
            continue;
        }
        if (haveTime || !timeSeparator)
            return std::nullopt;
        // h:mm, h:mm:ss, h:mm:ss.fff (the fraction is not kept)
        if (g.count >= 3 && g.separators[1] != g.separators[0])
            return std::nullopt;
        if (g.count == 4 && g.separators[2] != u'.' && g.separators[2] != u',')
            return std::nullopt;
        out.hour = g.values[0];
        out.minute = g.values[1];
        out.second = g.count >= 3 ? g.values[2] : 0;
        if (out.minute > 59 || out.second > 59)
            return std::nullopt;
        haveTime = true;
    }
    if (month) {
        if (haveDate || looseCount != 2)
            return std::nullopt;
        bool dayFirst = m_dayBeforeYear;
        if (looseDigits[0] > 2 || loose[0] > 31)
            dayFirst = false;
        else if (looseDigits[1] > 2 || loose[1] > 31)
            dayFirst = true;
        const int day = dayFirst ? 0 : 1;
        out.day = loose[day];
        out.month = month;
        out.year = YearOf(loose[1 - day], looseDigits[1 - day]);
        haveDate = true;
    } else if (looseCount != 0 || (!haveDate && !haveTime)) {
        return std::nullopt;
    }
    if (haveDate && !ValidDate(out))
        return std::nullopt;
    if (ampm) {
        if (!haveTime || out.hour > 12)
            return std::nullopt;
        if (ampm == 2 && out.hour < 12)
            out.hour += 12;
        else if (ampm == 1 && out.hour == 12)
            out.hour = 0;
    } else if (out.hour > 23) {
        return std::nullopt;
    }
    return out;
}

// ---------------------------------------------------------------- keys

QString DateSortKey(const DateTimeParts& d)
{
    QString key(14, QLatin1Char('0'));
    QChar* p = key.data();
    auto put = [&p](int value, int width) {
        for (int k = width - 1; k >= 0; --k, value /= 10)
            p[k] = QChar(u'0' + value % 10);
        p += width;
    };
    put(d.year, 4);
    put(d.month, 2);
    put(d.day, 2);
    put(d.hour, 2);
    put(d.minute, 2);
    put(d.second, 2);
    return key;
}

QString PaddedNumber(double value, int decimals, const QString& separator)
{
    if (!(value > 0))
        value = 0;  // also -0
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::string_view written(buffer, error == std::errc() ? static_cast<size_t>(end - buffer) : 0);
    const size_t point = std::min(written.find('.'), written.size());
    QString key;
    key.reserve(static_cast<qsizetype>(std::max<size_t>(point, 30) + 1 + decimals));
    if (point < 30)
        key.append(QString(static_cast<qsizetype>(30 - point), QLatin1Char('0')));
    key.append(QLatin1String(written.data(), static_cast<qsizetype>(point)));
    if (decimals > 0) {
        key.append(separator);
        key.append(QLatin1String(written.data() + std::min(point + 1, written.size()),
                                 static_cast<qsizetype>(written.size() - std::min(point + 1, written.size()))));
    }
    return key;
}
