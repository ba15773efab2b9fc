#pragma once
// One column function of a view: a function of LdColumnFunctions applied to one
// of the view's columns, shown in the list window's statistics strip.

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <memory>

class coLdUVColumnFunction : public VObject {
public:
    QString DisplayName;
    QString FunctionSQL;
    QString DataType;           // "money" is shown as currency
    int16_t Order = 0;          // written as FunctionOrder
    int32_t ColumnID = 0;       // written as BaseColumnID
    int32_t ColumnFunctionID = 0;
    QString ColumnName;         // from the field the program definition names
    QString ColumnFunction;

    // Reads the current row; nothing changes without one.
    void Load(const BrandleRecordsetPtr& rs);
    // Inserts the function's row for the view in its own transaction; a rejected
    // statement rolls it back and raises the error again.
    void Store(int32_t lViewID);
    void LoadFromRecordset(const BrandleRecordsetPtr& rs) { Load(rs); }
};
using coLdUVColumnFunctionRef = std::shared_ptr<coLdUVColumnFunction>;
