#pragma once
// One column of a view: a base column with the view's own settings for it
// (its row of LdViewColumns).

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <memory>

class CoLdUV;

class CoLdUVColumn : public VObject {
public:
    int32_t ColumnID = 0;          // the base column; written as BaseColumnID
    QString ColumnName;            // SQL name; its token is the name in braces
    QString DisplayName;
    QString ColumnSQL;             // replaces the column's token in a WHERE clause
    QString DataType;
    int16_t DataTypeSubType = 0;   // type code for comparing values of a row
    bool Required = false;
    int16_t Order = 0;             // position among the view's columns
    int16_t FilterOrder = 0;       // position in the filter pane
    bool Viewable = false;
    bool Filterable = false;
    bool UseExtendedFrom = false;  // filtering on it needs the extended FROM clause
    bool AllowFunctions = false;
    QString FilterDataType;
    bool Imported = false;

    // Reads the current row; nothing changes without one.
    void Load(const BrandleRecordsetPtr& rs);
    // Writes the view's settings for the column in its own transaction: an
    // insert when stored as a new view or when the column has no row yet (the
    // column then keeps its new row id), else an update of its row. A rejected
    // statement rolls the transaction back and raises the error again.
    void Store(int32_t lViewID, bool bAsNewView = false);
    void LoadFromRecordset(const BrandleRecordsetPtr& rs) { Load(rs); }

private:
    friend class CoLdUV;  // puts row ids back when the view's store fails
    int32_t m_viewColumnID = 0;
};
using CoLdUVColumnRef = std::shared_ptr<CoLdUVColumn>;
