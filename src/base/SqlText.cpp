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
