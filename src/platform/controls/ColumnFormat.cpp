#include "platform/controls/ColumnFormat.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

ColumnKind ColumnKindOf(const QString& dataType)
{
    QString t = dataType.trimmed().toLower();
    if (const qsizetype paren = t.indexOf(QLatin1Char('(')); paren >= 0)
        t = t.left(paren).trimmed();
    static const QStringList money = {QStringLiteral("money"), QStringLiteral("smallmoney"), QStringLiteral("currency")};
    static const QStringList integers = {QStringLiteral("int"),     QStringLiteral("integer"), QStringLiteral("smallint"),
                                         QStringLiteral("bigint"),  QStringLiteral("tinyint"), QStringLiteral("long")};
    static const QStringList decimals = {QStringLiteral("decimal"), QStringLiteral("numeric"), QStringLiteral("number"),
                                         QStringLiteral("float"),   QStringLiteral("real"),    QStringLiteral("double")};
    static const QStringList dates = {QStringLiteral("datetime"), QStringLiteral("smalldatetime"),
                                      QStringLiteral("datetime2"), QStringLiteral("date")};
    if (money.contains(t))
        return ColumnKind::Money;
    if (integers.contains(t))
        return ColumnKind::Integer;
    if (decimals.contains(t))
        return ColumnKind::Decimal;
    if (dates.contains(t))
        return ColumnKind::DateTime;
    return ColumnKind::Text;
}

ColumnKind ColumnKindOf(const QString& dataType, bool namesRows)
{
    const ColumnKind kind = ColumnKindOf(dataType);
    return namesRows && (kind == ColumnKind::Integer || kind == ColumnKind::Decimal) ? ColumnKind::Identifier : kind;
}

bool IsIdentifierName(const QString& columnName)
{
    const QString name = columnName.trimmed();
    // The suffix is a word of its own: its capital (or an underscore) starts it.
    for (const QLatin1String suffix : {QLatin1String("ID"), QLatin1String("Id"), QLatin1String("Number")})
        if (name.endsWith(suffix, Qt::CaseSensitive))
            return true;
    for (const QLatin1String suffix : {QLatin1String("_id"), QLatin1String("_number")})
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    return name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0;
}

namespace {

// The user's locale, with its group separators also where it omits them by
// default (the C locale).
QLocale UserLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

// The value as a number, when it is one (a text as the database writes numbers).
bool NumberOf(const Variant& value, double& number)
{
    if (value.isNumber()) {
        number = value.toDouble();
        return std::isfinite(number);
    }
    if (!value.isString())
        return false;
    bool ok = false;
    number = QLocale::c().toDouble(value.toString().trimmed(), &ok);
    return ok && std::isfinite(number);
}

// A format's runs of a letter outside its quoted texts, each replaced by what
// the replacer makes of the run.
template <class Replace>
QString ReplaceRuns(const QString& format, QChar letter, Replace replace)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == letter) {
            qsizetype end = i;
            while (end < format.size() && format[end] == letter)
                ++end;
            out += replace(format.mid(i, end - i));
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

// How the user's locale writes a date and a time of a list: its short date with
// the year in four digits (day, month and year in its order and with its
// separators), and its time to the second, without a time zone. The C locale
// (no regional settings) writes them as the database does.
struct DateTimeForms {
    QLocale locale;
    QString date;
    QString time;
};

DateTimeForms FormsOf(const QLocale& locale)
{
    DateTimeForms forms{locale, QStringLiteral("yyyy-MM-dd"), QStringLiteral("HH:mm:ss")};
    if (locale.language() == QLocale::C)
        return forms;
    const QString date = ReplaceRuns(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('y'),
                                     [](const QString&) { return QStringLiteral("yyyy"); });
    // The long time has the seconds; its zone ("t") goes, with the blank before it.
    const QString time = ReplaceRuns(locale.timeFormat(QLocale::LongFormat), QLatin1Char('t'),
                                     [](const QString&) { return QString(); })
                             .trimmed();
    if (date.contains(QLatin1Char('d')) && date.contains(QLatin1Char('M')))
        forms.date = date;
    if (time.contains(QLatin1String("ss")))
        forms.time = time;
    return forms;
}

// Made once per locale and thread, since the grid asks for every cell it paints.
const DateTimeForms& UserForms()
{
    thread_local DateTimeForms forms = FormsOf(QLocale());
    const QLocale user;
    if (user != forms.locale)
        forms = FormsOf(user);
    return forms;
}

QString DateTimeText(const QDate& date, const QTime& time)
{
    const DateTimeForms& forms = UserForms();
    QString text = forms.locale.toString(date, forms.date);
    // To the second: a fraction is not shown, and midnight is a date alone.
    const QTime shown(time.hour(), time.minute(), time.second());
    if (shown != QTime(0, 0))
        text += QLatin1Char(' ') + forms.locale.toString(shown, forms.time);
    return text;
}

QString DateTimeText(const QString& text)
{
    // "yyyy-mm-dd hh:mm:ss.000" as the database writes it.
    static const QRegularExpression shape(QStringLiteral(
        "^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2}))?(\\.\\d+)?)?$"));
    const QRegularExpressionMatch m = shape.match(text.trimmed());
    if (!m.hasMatch())
        return text;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return text;
    return DateTimeText(date, time);
}

}  // namespace

QString FormatColumnValue(const Variant& value, ColumnKind kind)
{
    if (value.isNull() || value.isEmpty())
        return QString();
    try {
        double number = 0;
        switch (kind) {
        case ColumnKind::Money:
            if (NumberOf(value, number))
                return UserLocale().toCurrencyString(number);
            break;
        case ColumnKind::Integer:
        case ColumnKind::Decimal:
            if (NumberOf(value, number)) {
                const QLocale locale = UserLocale();
                if (number == std::trunc(number) && std::fabs(number) < 9.0e15)
                    return locale.toString(static_cast<qlonglong>(number));
                return locale.toString(number, 'f', QLocale::FloatingPointShortest);
            }
            break;
        case ColumnKind::Identifier:
            if (NumberOf(value, number)) {
                QLocale locale;
                locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
                if (number == std::trunc(number) && std::fabs(number) < 9.0e15)
                    return locale.toString(static_cast<qlonglong>(number));
                return locale.toString(number, 'f', QLocale::FloatingPointShortest);
            }
            break;
        case ColumnKind::DateTime:
            if (value.isDate()) {
                const QDateTime stored = value.toDate();
                return DateTimeText(stored.date(), stored.time());
            }
            if (value.isString())
                return DateTimeText(value.toString());
            break;
        case ColumnKind::Text:
            break;
        }
        return value.toString();
    } catch (...) {
        return QString();
    }
}

QString FormatCount(int64_t count) { return UserLocale().toString(static_cast<qlonglong>(count)); }
