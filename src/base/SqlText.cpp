#include "base/SqlText.h"

#include "base/AuUtilities.h"

QString QuoteSQLString(const Variant& value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    return QLatin1Char('\'') + StrReplace(value.toString(), QStringLiteral("'"), QStringLiteral("''")) + QLatin1Char('\'');
}

QString SQLNumber(const Variant& value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    return value.toString();
}

namespace {
const QString kEmbeddedDay = QStringLiteral("yyyy-MM-dd");
const QString kSqlServerDay = QStringLiteral("yyyyMMdd");
}  // namespace

QString SQLDate(const QDate& day, SqlDateForm form)
{
    return QuoteSQLString(Variant(day.toString(form == SqlDateForm::SqlServer ? kSqlServerDay : kEmbeddedDay)));
}

QString SQLDateTime(const QDateTime& value, SqlDateForm form)
{
    const QTime t = value.time();
    if (t == QTime(0, 0))
        return SQLDate(value.date(), form);
    QString format;
    if (form == SqlDateForm::SqlServer)
        format = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz");
    else
        format = t.msec() == 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
    return QuoteSQLString(Variant(value.toString(format)));
}

QDate ReadSQLDate(const QString& text)
{
    if (text.size() != 8 && text.size() != 10)
        return {};
    for (const QChar c : text)
        if (!c.isDigit() && c != u'-')
            return {};
    return QDate::fromString(text, text.size() == 8 ? kSqlServerDay : kEmbeddedDay);
}
