#pragma once
// One linked view of a view: a link, from a relationship between bases, to a
// view that opens filtered on one or two related columns of the selected row.

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"
#include "viewmodel/CoLdUVAssocViewContraints.h"

#include <QString>
#include <memory>
#include <vector>

class CoLdUV;

class CoLdUVAssocView : public VObject {
public:
    int32_t ID = 0;                   // free for the caller (the list window's menu command id)
    int32_t ViewID = 0;               // the linked view; written as LinkViewID
    QString ViewName;
    int32_t BaseRelationshipID = 0;
    int32_t ColumnID1 = 0;
    QString Column1Filter;            // for type 1 a query whose rows are the allowed values
    int16_t Column1FilterTypeID = 0;
    int32_t AssocColumnID1 = 0;
    QString AssocColumnName1;
    QString AssocColumnSQL1;
    int32_t ColumnID2 = 0;            // 0 when the link has one relation column
    QString Column2Filter;
    int16_t Column2FilterTypeID = 0;
    int32_t AssocColumnID2 = 0;
    QString AssocColumnName2;
    QString AssocColumnSQL2;
    QString MiscFilter;
    int16_t MiscFilterTypeID = 0;
    QString MiscFilter2;
    int16_t MiscFilter2TypeID = 0;
    bool UseMe = false;               // the link is switched on for the view

    int32_t ViewRelationshipID() const { return m_viewRelationshipID; }
    // The columns of the source view whose values of the selected row the linked
    // view's filter takes: the first relation column, and the second when the
    // filter uses it. The source view must show them for the link to open.
    std::vector<int32_t> RelationColumnIDs() const;
    // The allowed values of the first and second relation column, created on first get.
    CoLdUVAssocViewContraintsRef Contraints1();
    CoLdUVAssocViewContraintsRef Contraints2();

    // Reads the current row with the load mode; nothing happens without one.
    void Load(const BrandleRecordsetPtr& rs);
    // Writes the link in its own transaction: an insert when stored as a new view
    // or when the link has no row yet (it then keeps its new row id), else an
    // update of its UseMe. A rejected statement rolls the transaction back and
    // raises the error again.
    void Store(int32_t lViewID, bool bAsNewView = false);
    void LoadFromRecordset(const BrandleRecordsetPtr& rs, int16_t loadMode);

private:
    friend class CoLdUV;  // puts row ids back when the view's store fails
    void fillValueList(const QString& sql, CoLdUVAssocViewContraints& list);

    int32_t m_viewRelationshipID = 0;
    int16_t m_loadMode = 0;
    CoLdUVAssocViewContraintsRef m_contraints1;
    CoLdUVAssocViewContraintsRef m_contraints2;
};
using CoLdUVAssocViewRef = std::shared_ptr<CoLdUVAssocView>;
