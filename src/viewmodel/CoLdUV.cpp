#include "viewmodel/CoLdUV.h"

#include "base/AppError.h"
#include "core/AuLibrary.h"
#include "core/SessionValues.h"
#include "platform/database/BrandleCursor.h"  // kQueryCancelledNumber
#include "viewmodel/ViewModelSupport.h"

using namespace viewmodel;

void CoLdUV::LoadFromRecordset(const BrandleRecordsetPtr& rs, int16_t openMode)
{
    m_openMode = openMode;
    if (!rs)
        return;
    auto field = [&](const char* name) { return rs->Item(QString::fromLatin1(name)); };
    auto orEmpty = [&](const char* name) { return NullToEmpty(field(name)); };

    m_viewID = field("ViewID").toInt32();
    BaseID = field("BaseID").toInt32();
    ViewName = field("ViewName").toString();
    ViewUser = TrimBlanks(GetCurrentUserID());
    DisplayName = field("DisplayName").toString();
    Description = field("Description").toString();
    SQLSelect = field("SQLSelect").toString();
    SQLFrom = field("SQLFrom").toString();
    SQLFromEx = orEmpty("SQLFromEx").toString();
    ColumnString = field("ColumnString").toString();
    Custom = field("Custom").toBool();
    bShared = field("Shared").toBool();
    BaseViewID = orEmpty("BaseViewID").toInt32();
    CreatedBy = TrimBlanks(field("CreatorID").toString());
    LastUsedFilter = orEmpty("LastUsedFilter").toInt32();
    AutoPopulate = orEmpty("AutoPopulate").toBool();
    SQLViewName = orEmpty("SQLViewName").toString();
    CreateSQLView = field("CreateSQLView").toBool();
    SQLViewApplicationID = orEmpty("SQLViewApplicationID").toInt32();
}

// Each child is loaded into a new collection that the view holds before the
// rows are read; a view that is not stored asks the database nothing.

void CoLdUV::loadColumns()
{
    m_columns = std::make_shared<CoLdUVColumns>();
    if (m_viewID == 0)
        return;
    QString sql = QStringLiteral("EXEC Ld_GetViewColumns ") + QString::number(m_viewID);
    if (editorMode())
        sql += QStringLiteral(",1");
    m_columns->LoadFromSQL(sql);
}

void CoLdUV::loadColumnFunctions()
{
    m_columnFunctions = std::make_shared<coLdUVColumnFunctions>();
    if (m_viewID == 0)
        return;
    m_columnFunctions->LoadFromSQL(QStringLiteral("EXEC Ld_GetViewColumnFunctions ") + QString::number(m_viewID));
}

void CoLdUV::loadAssocViews()
{
    m_assocViews = std::make_shared<CoLdUVAssocViews>();
    if (m_viewID == 0)
        return;
    try {
        m_assocViews->LoadFromSQL(QStringLiteral("EXEC Ld_GetAssocViews ") + QString::number(m_viewID) +
                                      QStringLiteral(",") + QuoteSQLString(ViewUser) +
                                      (editorMode() ? QStringLiteral(",1") : QStringLiteral(",0")),
                                  1);
    } catch (const AppError& e) {
        // A value list the user cancelled is read again on the next get: the
        // links after it were never read, and nothing failed.
        if (e.number() == kQueryCancelledNumber)
            m_assocViews.reset();
        throw;
    }
}

void CoLdUV::loadFilters()
{
    m_filters = std::make_shared<CoLdUVFilters>();
    if (m_viewID == 0)
        return;
    // Only the searches the user may see: those shared with all users and the user's own.
    m_filters->LoadFromSQL(QStringLiteral("EXEC Ld_GetViewFilters ") + QString::number(m_viewID)
                           + (editorMode() ? QStringLiteral(",1,") : QStringLiteral(",0,")) + QuoteSQLString(ViewUser));
}

CoLdUVColumnsRef CoLdUV::Columns()
{
    if (!m_columns)
        loadColumns();
    return m_columns;
}

coLdUVColumnFunctionsRef CoLdUV::ColumnFunctions()
{
    if (!m_columnFunctions)
        loadColumnFunctions();
    return m_columnFunctions;
}

void CoLdUV::ReloadColumnFunctions() { loadColumnFunctions(); }

void CoLdUV::ReloadAssocViews() { loadAssocViews(); }

CoLdUVAssocViewsRef CoLdUV::AssocViews()
{
    if (!m_assocViews)
        loadAssocViews();
    return m_assocViews;
}

void CoLdUV::ReloadFilters() { loadFilters(); }

CoLdUVFiltersRef CoLdUV::Filters()
{
    if (!m_filters)
        loadFilters();
    return m_filters;
}
