#pragma once
// One saved search of a view: a named filter text, a row of LdViewFilters.

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <memory>

class CoLdUV;

class CoLDUVFilter : public VObject {
public:
    QString FilterName;
    QString FilterString;  // column tokens stand for the view's columns
    bool UseMe = false;    // read by the view editor; never written here
    QString CreatorID;
    bool bShared = false;

    bool Complex() const { return m_complex; }  // free SQL rather than rows of the filter control
    void SetComplex(bool value) { m_complex = value; }

    // The search's row id; 0 until it is stored.
    int32_t ViewFilterID() const { return m_viewFilterID; }

    // The user created the search: ids compared without regard to letter case or
    // surrounding blanks, as the views catalogue compares a view's creator.
    bool IsCreatedBy(const QString& userId) const;
    // The user may save over, rename, reshare or delete the search: its creator,
    // or admin, who holds every right. Others may only use a shared search.
    bool MayBeChangedBy(const QString& userId) const;

    // Reads the current row; nothing changes without one.
    void Load(const BrandleRecordsetPtr& rs);
    // Writes the search in its own transaction: an insert when stored as a new
    // view or when the search has no row yet (it then takes the id of the new
    // row), else an update of its name, text, sharing and kind. A rejected
    // statement rolls the transaction back and raises the error again.
    void Store(int32_t lViewID, bool bAsNewView = false);
    void LoadFromRecordset(const BrandleRecordsetPtr& rs) { Load(rs); }

private:
    friend class CoLdUV;  // puts row ids back when the view's store fails
    int32_t m_viewFilterID = 0;
    bool m_complex = false;
};
using CoLDUVFilterRef = std::shared_ptr<CoLDUVFilter>;
