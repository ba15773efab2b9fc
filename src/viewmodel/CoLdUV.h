#pragma once
// One view definition: the view's row of LdViews with its columns, column
// functions, linked views and saved searches, each loaded on first use in the
// form the open mode asks for (0 list window, 1 new view based on this one,
// 4 customize), and written back by Store in one named transaction.

#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"
#include "viewmodel/CoLdUVAssocViews.h"
#include "viewmodel/CoLdUVColumns.h"
#include "viewmodel/CoLdUVFilters.h"
#include "viewmodel/coLdUVColumnFunctions.h"

#include <QString>
#include <memory>

class CoLdUV : public VObject {
public:
    QString ViewName;                  // the view's unique SQL name
    QString DisplayName;
    QString Description;
    int32_t BaseID = 0;
    bool Custom = false;               // made by a user; only these have their row rewritten
    bool bShared = false;
    QString SQLSelect;
    QString SQLFrom;
    QString SQLFromEx;                 // extended FROM clause
    QString ColumnString;
    QString ViewUser;                  // the user the view was loaded for, trimmed
    int32_t BaseViewID = 0;
    QString CreatedBy;
    int32_t LastUsedFilter = 0;        // ViewFilterID of the search last used; 0 = none
    bool AutoPopulate = false;
    QString SQLViewName;
    bool CreateSQLView = false;
    int32_t SQLViewApplicationID = 0;  // 0 = none (stored as NULL)
    bool UpdateViewInstancing = false;

    int32_t ViewID() const { return m_viewID; }
    int16_t OpenMode() const { return m_openMode; }

    CoLdUVColumnsRef Columns();
    coLdUVColumnFunctionsRef ColumnFunctions();
    void ReloadColumnFunctions();
    void ReloadAssocViews();
    CoLdUVAssocViewsRef AssocViews();
    void ReloadFilters();
    CoLdUVFiltersRef Filters();

    // Writes the whole view, as a new view or over the stored one, then has the
    // database rebuild its SQL. True when everything was committed; on any
    // failure nothing is committed, the message is shown and the result is False.
    // Refused with its message, nothing written: a row to insert without a name
    // or SQL name, and a stored view whose row has been deleted meanwhile.
    bool Store(bool bAsNewView);
    // The current user's value of a master setting, copying the default on first read.
    QString GetMasterValue(const QString& strMasterName);
    // Saved searches at 1-based positions of the loaded Filters.
    void StoreFilter(int16_t Index, bool UpdateFilterColumns);
    void SaveLastUsedFilter(int16_t Index);  // 0 = none
    void DeleteFilter(int16_t Index);

    // For GetView only: reads the current row of "EXEC Ld_GetView".
    void LoadFromRecordset(const BrandleRecordsetPtr& rs, int16_t openMode);

private:
    bool editorMode() const { return m_openMode == 1 || m_openMode == 4; }
    void loadColumns();
    void loadColumnFunctions();
    void loadAssocViews();
    void loadFilters();
    QString insertViewSql() const;
    QString updateViewSql() const;
    void storeChildren(bool bAsNewView);
    bool updateSqlStatements(BrandleDatabase& dbi);
    // The view's row is still in LdViews (read inside the store's transaction).
    bool storedRowExists(BrandleDatabase& dbi) const;

    struct RowIds;
    RowIds takeRowIds() const;
    void restoreRowIds(const RowIds& ids);

    int32_t m_viewID = 0;
    int16_t m_openMode = 0;
    CoLdUVColumnsRef m_columns;
    coLdUVColumnFunctionsRef m_columnFunctions;
    CoLdUVAssocViewsRef m_assocViews;
    CoLdUVFiltersRef m_filters;
};
using CoLdUVRef = std::shared_ptr<CoLdUV>;
