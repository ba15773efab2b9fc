#include "viewmodel/ViewModelSupport.h"

#include "core/CoQuillonSystemEngine.h"

namespace viewmodel {

BrandleDatabase& DBI()
{
    return SessionEngine().DBI();
}

QString JoinLines(std::initializer_list<QString> lines)
{
    QString sql;
    bool first = true;
    for (const QString& line : lines) {
        if (!first)
            sql += QStringLiteral("\r\n");
        sql += line;
        first = false;
    }
    return sql;
}

QString SqlBool(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

QString StrNumber(int32_t value)
{
    return value < 0 ? QString::number(value) : QStringLiteral(" ") + QString::number(value);
}

int32_t InsertReturningID(BrandleDatabase& dbi, const QString& insertSql)
{
    BrandleRecordsetPtr rs;
    const bool hasRow = dbi.OpenRecordset(insertSql + QStringLiteral("\r\nSELECT SCOPE_IDENTITY()"), rs, 0, 1);
    const Variant id = hasRow ? rs->Item(0) : Variant(Null);
    dbi.CloseRecordset(rs);
    if (id.isNull() || id.isEmpty())
        RaiseError(vberr::ProgramDefined, QStringLiteral("The id of the new row could not be read."),
                   QStringLiteral("CoLdUV"));
    return id.toInt32();
}

}  // namespace viewmodel
