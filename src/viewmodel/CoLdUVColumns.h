#pragma once
// The columns of a view, loaded from "EXEC Ld_GetViewColumns".

#include "viewmodel/CoLdUVColumn.h"
#include "viewmodel/CoLdUVItemList.h"

class CoLdUVColumns : public CoLdUVItemList<CoLdUVColumn> {
public:
    // One column per row of the statement; an empty statement gives an empty list.
    void LoadFromSQL(const QString& sql)
    {
        loadRows(sql, [](CoLdUVColumn& item, const BrandleRecordsetPtr& rs) { item.LoadFromRecordset(rs); });
    }
};
using CoLdUVColumnsRef = std::shared_ptr<CoLdUVColumns>;
