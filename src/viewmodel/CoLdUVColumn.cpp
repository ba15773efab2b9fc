#include "viewmodel/CoLdUVColumn.h"

#include "viewmodel/ViewModelSupport.h"

using namespace viewmodel;

void CoLdUVColumn::Load(const BrandleRecordsetPtr& rs)
{
    if (!rs || !rs->HasRecord())
        return;
    m_viewColumnID = rs->Item(QStringLiteral("ViewColumnID")).toInt32();
    Order = rs->Item(QStringLiteral("ColumnOrder")).toInt16();
    FilterOrder = rs->Item(QStringLiteral("FilterOrder")).toInt16();
    ColumnID = rs->Item(QStringLiteral("ColumnID")).toInt32();
    ColumnName = rs->Item(QStringLiteral("ColumnName")).toString();
    DisplayName = rs->Item(QStringLiteral("DisplayName")).toString();
    ColumnSQL = rs->Item(QStringLiteral("ColumnSQL")).toString();
    DataType = rs->Item(QStringLiteral("DataType")).toString();
    DataTypeSubType = rs->Item(QStringLiteral("Type")).toInt16();
    Required = rs->Item(QStringLiteral("Required")).toBool();
    Viewable = rs->Item(QStringLiteral("Viewable")).toBool();
    Filterable = rs->Item(QStringLiteral("Filterable")).toBool();
    UseExtendedFrom = rs->Item(QStringLiteral("UseExtendedFrom")).toBool();
    AllowFunctions = rs->Item(QStringLiteral("AllowFunctions")).toBool();
    FilterDataType = rs->Item(QStringLiteral("FilterDataType")).toString();
    Imported = rs->Item(QStringLiteral("Imported")).toBool();
}

void CoLdUVColumn::Store(int32_t lViewID, bool bAsNewView)
{
    BrandleDatabase& dbi = DBI();
    int32_t newRowID = 0;
    InNamedTransaction(dbi, QStringLiteral("CoLdUVColumn.Store"), [&] {
        if (bAsNewView || m_viewColumnID == 0) {
            newRowID = InsertReturningID(
                dbi,
                JoinLines({
                    QStringLiteral("INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable ) "),
                    QStringLiteral("SELECT ViewID = ") + QString::number(lViewID) + QStringLiteral(","),
                    QStringLiteral("BaseColumnID = ") + QString::number(ColumnID) + QStringLiteral(","),
                    QStringLiteral("ColumnOrder = ") + QString::number(Order) + QStringLiteral(","),
                    QStringLiteral("FilterOrder = ") + QString::number(FilterOrder) + QStringLiteral(","),
                    QStringLiteral("Filterable = ") + SqlBool(Filterable) + QStringLiteral(","),
                    QStringLiteral("Viewable = ") + SqlBool(Viewable),
                }));
        } else {
            dbi.Execute(JoinLines({
                QStringLiteral("UPDATE LdViewColumns"),
                QStringLiteral("SET"),
                QStringLiteral("ColumnOrder = ") + QString::number(Order) + QStringLiteral(","),
                QStringLiteral("FilterOrder = ") + QString::number(FilterOrder) + QStringLiteral(","),
                QStringLiteral("Filterable = ") + SqlBool(Filterable) + QStringLiteral(","),
                QStringLiteral("Viewable = ") + SqlBool(Viewable),
                QStringLiteral("WHERE ViewColumnID = ") + QString::number(m_viewColumnID),
            }));
        }
    });
    if (newRowID != 0)
        m_viewColumnID = newRowID;
}
