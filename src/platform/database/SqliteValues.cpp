#include "platform/database/SqliteValues.h"

#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <sqlite3.h>

Variant SqliteColumnValue(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return Variant::fromInt64Exact(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return Variant(sqlite3_column_double(st, i));
    case SQLITE_TEXT:
        return Variant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                         sqlite3_column_bytes(st, i)));
    case SQLITE_BLOB:
        return Variant(QString::fromLatin1(static_cast<const char*>(sqlite3_column_blob(st, i)),
                                           sqlite3_column_bytes(st, i)));
    default:
        return Variant(Null);
    }
}

int32_t AdoTypeOfDeclaration(const char* declared)
{
    if (!declared || !*declared)
        return 0;
    const QString d = QString::fromUtf8(declared).toLower();
    if (d.contains(QLatin1String("bit")) || d.contains(QLatin1String("bool")))
        return adBoolean;
    if (d.contains(QLatin1String("money")) || d.contains(QLatin1String("currency")))
        return adCurrency;
    if (d.contains(QLatin1String("date")) || d.contains(QLatin1String("time")))
        return adDate;
    if (d.contains(QLatin1String("char")) || d.contains(QLatin1String("text")) || d.contains(QLatin1String("clob")))
        return adVarChar;
    if (d.contains(QLatin1String("int")))
        return adInteger;
    if (d.contains(QLatin1String("real")) || d.contains(QLatin1String("floa")) || d.contains(QLatin1String("doub")) ||
        d.contains(QLatin1String("dec")) || d.contains(QLatin1String("num")))
        return adDouble;
    return adVarChar;
}

int32_t AdoTypeOfValues(const std::vector<std::vector<Variant>>& rows, size_t column)
{
    for (const auto& row : rows) {
        switch (row[column].type()) {
        case VarType::Long:
        case VarType::Integer:
            return adInteger;
        case VarType::Double:
            return adDouble;
        case VarType::Currency:
            return adCurrency;
        case VarType::Boolean:
            return adBoolean;
        case VarType::Date:
            return adDate;
        case VarType::Null:
        case VarType::Empty:
            continue;
        default:
            return adVarChar;
        }
    }
    return adVarChar;
}
