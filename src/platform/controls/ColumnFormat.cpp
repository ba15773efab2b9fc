#include "platform/controls/ColumnFormat.h"

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

QString DateTimeText(const QString& text)
{
    // "yyyy-mm-dd hh:mm:ss.000" as the database writes it.
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[ T](\\d{2}:\\d{2}(?::\\d{2})?)(\\.\\d+)?)?$"));
    const QRegularExpressionMatch m = shape.match(text.trimmed());
    if (!m.hasMatch())
        return text;
    const QString date = m.captured(1);
    QString time = m.captured(2);
    const QString fraction = m.captured(3);
    if (!fraction.isEmpty() && fraction.mid(1).count(QLatin1Char('0')) != fraction.size() - 1)
        time += fraction;
    if (time.isEmpty() || time == QLatin1String("00:00") || time == QLatin1String("00:00:00"))
        return date;
    return date + QLatin1Char(' ') + time;
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
            if (value.isDate())
                return value.toString();
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
