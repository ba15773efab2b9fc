#pragma once
// The saved searches of a view, loaded from "EXEC Ld_GetViewFilters".

#include "viewmodel/CoLDUVFilter.h"
#include "viewmodel/CoLdUVItemList.h"

class CoLdUVFilters : public CoLdUVItemList<CoLDUVFilter> {
public:
    // A new search with id 0, texts empty and flags off; not added to the list.
    CoLDUVFilterRef Create() const { return std::make_shared<CoLDUVFilter>(); }
    void LoadFromSQL(const QString& sql)
    {
        loadRows(sql, [](CoLDUVFilter& item, const BrandleRecordsetPtr& rs) { item.LoadFromRecordset(rs); });
    }
};
using CoLdUVFiltersRef = std::shared_ptr<CoLdUVFilters>;
