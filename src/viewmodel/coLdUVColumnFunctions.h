#pragma once
// The column functions of a view, loaded from "EXEC Ld_GetViewColumnFunctions".

#include "viewmodel/CoLdUVItemList.h"
#include "viewmodel/coLdUVColumnFunction.h"

class coLdUVColumnFunctions : public CoLdUVItemList<coLdUVColumnFunction> {
public:
    // A new function with ids, order and texts empty; not added to the list.
    coLdUVColumnFunctionRef Create() const { return std::make_shared<coLdUVColumnFunction>(); }
    void LoadFromSQL(const QString& sql)
    {
        loadRows(sql, [](coLdUVColumnFunction& item, const BrandleRecordsetPtr& rs) { item.LoadFromRecordset(rs); });
    }
};
using coLdUVColumnFunctionsRef = std::shared_ptr<coLdUVColumnFunctions>;
