#include "viewmodel/coLdUVColumnFunction.h"

#include "base/ProgramDefinition.h"
#include "viewmodel/ViewModelSupport.h"

using namespace viewmodel;

void coLdUVColumnFunction::Load(const BrandleRecordsetPtr& rs)
{
    if (!rs || !rs->HasRecord())
        return;
    DisplayName = rs->Item(QStringLiteral("DisplayName")).toString();
    FunctionSQL = rs->Item(QStringLiteral("FunctionSQL")).toString();
    DataType = rs->Item(QStringLiteral("DataType")).toString();
    Order = rs->Item(QStringLiteral("FunctionOrder")).toInt16();
    ColumnID = rs->Item(QStringLiteral("ColumnID")).toInt32();
    // The one field in which the two programs differ.
    ColumnName = rs->Item(QString::fromLatin1(Program().functionColumnField)).toString();
    ColumnFunction = rs->Item(QStringLiteral("ColumnFunction")).toString();
    ColumnFunctionID = rs->Item(QStringLiteral("ColumnFunctionID")).toInt32();
}

void coLdUVColumnFunction::Store(int32_t lViewID)
{
    BrandleDatabase& dbi = DBI();
    InNamedTransaction(dbi, QStringLiteral("CoLdUVColumnFunction.Store"), [&] {
        dbi.Execute(JoinLines({
            QStringLiteral("INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID , FunctionOrder ) "),
            QStringLiteral("SELECT ViewID = ") + QString::number(lViewID) + QStringLiteral(","),
            QStringLiteral("BaseColumnID = ") + QString::number(ColumnID) + QStringLiteral(","),
            QStringLiteral("ColumnFunctionID = ") + QString::number(ColumnFunctionID) + QStringLiteral(","),
            QStringLiteral("FunctionOrder = ") + QString::number(Order),
        }));
    });
}
