#pragma once
// The linked views of a view, loaded from "EXEC Ld_GetAssocViews".

#include "viewmodel/CoLdUVAssocView.h"
#include "viewmodel/CoLdUVItemList.h"

class CoLdUVAssocViews : public CoLdUVItemList<CoLdUVAssocView> {
public:
    // Load mode 1 reads each link's relation columns and value lists too.
    void LoadFromSQL(const QString& sql, int16_t loadMode)
    {
        loadRows(sql, [loadMode](CoLdUVAssocView& item, const BrandleRecordsetPtr& rs) {
            item.LoadFromRecordset(rs, loadMode);
        });
    }
};
using CoLdUVAssocViewsRef = std::shared_ptr<CoLdUVAssocViews>;
