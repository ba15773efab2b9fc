// Writing a view definition and the per-view operations on saved searches and
// master values.

#include "viewmodel/CoLdUV.h"

#include "core/AuLibrary.h"
#include "core/SessionValues.h"
#include "platform/forms/FormsRuntime.h"
#include "viewmodel/GetView.h"
#include "viewmodel/ViewModelSupport.h"

#include <utility>
#include <vector>

using namespace viewmodel;

namespace {

const QString kStoreTransaction = QStringLiteral("CoLdUV.Store");
const QString kAttentionRequired = QStringLiteral("Attention Required");
const QString kTooManyColumns = QStringLiteral(
    "Too many columns and/or filters have been selected.  You must remove some in order for this view to function.");

const QString kNoName = QStringLiteral("The view cannot be saved without a name.");

QString SqlViewApplication(int32_t id)
{
    return SQLNumber(EmptyToNull(Variant(id)));
}

void RollBackQuietly(BrandleDatabase& dbi, const QString& name)
{
    try {
        int32_t flag = 0;
        dbi.RollbackTrans(name, flag);
    } catch (...) {
        // The failure being reported is the one that matters.
    }
}

}  // namespace

// The ids the store may change: the view's and those its children learn from
// their inserts. A store that is not committed puts them back, so that the
// object never names rows that were rolled back.
struct CoLdUV::RowIds {
    int32_t viewID = 0;
    std::vector<std::pair<CoLdUVColumnRef, int32_t>> columns;
    std::vector<std::pair<CoLdUVAssocViewRef, int32_t>> links;
    std::vector<std::pair<CoLDUVFilterRef, int32_t>> filters;
};

CoLdUV::RowIds CoLdUV::takeRowIds() const
{
    RowIds ids;
    ids.viewID = m_viewID;
    if (m_columns)
        for (const auto& c : *m_columns)
            ids.columns.emplace_back(c, c->m_viewColumnID);
    if (m_assocViews)
        for (const auto& l : *m_assocViews)
            ids.links.emplace_back(l, l->m_viewRelationshipID);
    if (m_filters)
        for (const auto& f : *m_filters)
            ids.filters.emplace_back(f, f->m_viewFilterID);
    return ids;
}

void CoLdUV::restoreRowIds(const RowIds& ids)
{
    m_viewID = ids.viewID;
    for (const auto& [c, id] : ids.columns)
        c->m_viewColumnID = id;
    for (const auto& [l, id] : ids.links)
        l->m_viewRelationshipID = id;
    for (const auto& [f, id] : ids.filters)
        f->m_viewFilterID = id;
}

QString CoLdUV::insertViewSql() const
{
    return JoinLines({
        QStringLiteral("INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID , Custom, Shared, SQLViewApplicationID, CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate ) "),
        QStringLiteral("SELECT ViewName = ") + QuoteSQLString(ViewName) + QStringLiteral(","),
        QStringLiteral("DisplayName = ") + QuoteSQLString(DisplayName) + QStringLiteral(","),
        QStringLiteral("Description = ") + QuoteSQLString(Description) + QStringLiteral(","),
        // A 32-bit id: bases above 32767 are as storable as any other.
        QStringLiteral("BaseID = ") + QString::number(BaseID) + QStringLiteral(","),
        QStringLiteral("Custom = ") + SqlBool(Custom) + QStringLiteral(","),
        QStringLiteral("Shared = ") + SqlBool(bShared) + QStringLiteral(","),
        QStringLiteral("SQLViewApplicationID = ") + SqlViewApplication(SQLViewApplicationID) + QStringLiteral(","),
        QStringLiteral("CreateSQLView = ") + SqlBool(CreateSQLView) + QStringLiteral(","),
        QStringLiteral("CreatorID = ") + QuoteSQLString(ViewUser) + QStringLiteral(","),
        QStringLiteral("UpdatorID = ") + QuoteSQLString(ViewUser) + QStringLiteral(","),
        QStringLiteral("CreateDate = GETDATE(),"),
        QStringLiteral("LastUpdate = GETDATE()"),
    });
}

QString CoLdUV::updateViewSql() const
{
    return JoinLines({
        QStringLiteral("UPDATE LdViews SET "),
        QStringLiteral("ViewName = ") + QuoteSQLString(ViewName) + QStringLiteral(","),
        QStringLiteral("DisplayName = ") + QuoteSQLString(DisplayName) + QStringLiteral(","),
        QStringLiteral("Description = ") + QuoteSQLString(Description) + QStringLiteral(","),
        QStringLiteral("Shared = ") + SqlBool(bShared) + QStringLiteral(","),
        QStringLiteral("SQLViewApplicationID = ") + SqlViewApplication(SQLViewApplicationID) + QStringLiteral(","),
        QStringLiteral("CreateSQLView = ") + SqlBool(CreateSQLView) + QStringLiteral(","),
        QStringLiteral("UpdatorID = ") + QuoteSQLString(ViewUser) + QStringLiteral(","),
        QStringLiteral("LastUpdate = GETDATE()"),
        QStringLiteral("WHERE ViewID = ") + QString::number(m_viewID),
    });
}

// The loaded children, each in its own transaction. A child that fails raises,
// which ends the whole store.
void CoLdUV::storeChildren(bool bAsNewView)
{
    BrandleDatabase& dbi = DBI();
    if (m_columns)
        for (const auto& column : *m_columns)
            column->Store(m_viewID, bAsNewView);
    // Links are written as loaded, with the UseMe choices the caller made.
    if (m_assocViews)
        for (const auto& link : *m_assocViews)
            link->Store(m_viewID, bAsNewView);
    if (m_columnFunctions) {
        if (!bAsNewView)
            dbi.Execute(QStringLiteral("DELETE FROM LdViewColumnFunctions WHERE ViewID = ") + QString::number(m_viewID));
        for (const auto& function : *m_columnFunctions)
            function->Store(m_viewID);
    }
    if (m_filters && bAsNewView)
        for (const auto& filter : *m_filters)
            filter->Store(m_viewID, bAsNewView);
}

bool CoLdUV::storedRowExists(BrandleDatabase& dbi) const
{
    const Variant count = dbi.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdViews"),
                                      QStringLiteral("ViewID = ") + QString::number(m_viewID));
    return !count.isNull() && !count.isEmpty() && count.toDouble() > 0;
}

// Has the database rebuild the view's SQL; False when it reports the statement too long.
bool CoLdUV::updateSqlStatements(BrandleDatabase& dbi)
{
    auto command = std::make_shared<BrandleCommand>();
    command->Init(QStringLiteral("Ld_UpdateSQLStmts"), 3);
    command->AddParameter(QStringLiteral("@v_iViewID"), adInteger, adParamInput, 0, Variant(m_viewID), -1, -1);
    command->AddParameter(QStringLiteral("@r_sSQLStmt"), adVarChar, adParamOutput, 8000, Variant(QString()), -1, -1);
    command->AddParameter(QStringLiteral("@r_bStmtTooLong"), adInteger, adParamOutput, 0, Variant(int32_t(0)), -1, -1);
    BrandleRecordsetPtr rs;
    dbi.OpenCommandRecordset(*command, rs);
    const Variant tooLong = command->ParameterValue(QStringLiteral("@r_bStmtTooLong"));
    if (rs)
        dbi.CloseRecordset(rs);
    return tooLong.isNull() || !tooLong.toBool();
}

bool CoLdUV::Store(bool bAsNewView)
{
    // A view without a name is no view: a definition that was never loaded (its
    // row gone before it was read) must not become a nameless row.
    if ((bAsNewView || m_viewID == 0) && (TrimBlanks(ViewName).isEmpty() || TrimBlanks(DisplayName).isEmpty())) {
        MsgBox(kNoName, vbExclamation, kAttentionRequired);
        return false;
    }
    BrandleDatabase& dbi = DBI();
    int32_t flag = 0;
    dbi.BeginTrans(kStoreTransaction, flag);
    const RowIds before = takeRowIds();
    try {
        if (bAsNewView)
            m_viewID = 0;
        if (m_viewID == 0) {
            m_viewID = InsertReturningID(dbi, insertViewSql());
            dbi.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (") + QString::number(m_viewID)
                        + QStringLiteral(", ") + QuoteSQLString(ViewUser) + QStringLiteral(",1)"));
        } else {
            if (Custom)
                dbi.Execute(updateViewSql());
            // Asked after the update, which holds the row until the commit: another
            // program may have deleted the view since it was loaded, and its
            // children must not be written for a view that is gone.
            if (!storedRowExists(dbi)) {
                RollBackQuietly(dbi, kStoreTransaction);
                restoreRowIds(before);
                MsgBox(ViewGoneMessage(DisplayName) + QStringLiteral("\r\n\r\nYour changes were not saved."),
                       vbExclamation, kAttentionRequired);
                return false;
            }
        }
        storeChildren(bAsNewView);
        if (!updateSqlStatements(dbi)) {
            // Rolled back before the message, so that no write lock is held while it shows.
            RollBackQuietly(dbi, kStoreTransaction);
            restoreRowIds(before);
            MsgBox(kTooManyColumns, vbExclamation, kAttentionRequired);
            return false;
        }
        flag = 0;
        dbi.CommitTrans(kStoreTransaction, flag);
        return true;
    } catch (...) {
        const AppError error = ToAppError(std::current_exception());
        RollBackQuietly(dbi, kStoreTransaction);
        restoreRowIds(before);
        MsgBox(error.description(), vbExclamation, kAttentionRequired);
        return false;
    }
}

QString CoLdUV::GetMasterValue(const QString& strMasterName)
{
    BrandleDatabase& dbi = DBI();
    const QString from = QStringLiteral("LdMaster m INNER JOIN LdMasterUsers mu ON m.MasterID = mu.MasterID");
    const QString where = QStringLiteral("mu.MasterUser = ") + QuoteSQLString(ViewUser) + QStringLiteral(" AND m.MasterName = ")
                          + QuoteSQLString(strMasterName);
    if (dbi.DLookup(QStringLiteral("COUNT(*)"), from, where).toInt32() == 0)
        dbi.Execute(QStringLiteral("INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, MasterUser = ")
                    + QuoteSQLString(ViewUser) + QStringLiteral(", MasterValue FROM LdMaster WHERE MasterName = ")
                    + QuoteSQLString(strMasterName));
    return dbi.DLookup(QStringLiteral("mu.MasterValue"), from, where).toString();
}

namespace {
// The saved-search operations work on the searches the caller has already read.
const CoLdUVFiltersRef& RequireFilters(const CoLdUVFiltersRef& filters)
{
    if (!filters)
        RaiseError(vberr::ObjectNotSet);
    return filters;
}
}  // namespace

void CoLdUV::StoreFilter(int16_t Index, bool UpdateFilterColumns)
{
    const CoLDUVFilterRef filter = RequireFilters(m_filters)->Item(Variant(Index));
    filter->Store(m_viewID, false);
    if (!UpdateFilterColumns)
        return;
    BrandleDatabase& dbi = DBI();
    const QString filterString = filter->FilterString;
    const QString id = QString::number(filter->ViewFilterID());
    dbi.Execute(QStringLiteral("DELETE FROM LdViewFilterColumns WHERE ViewFilterID = ") + id);
    for (const auto& column : *Columns()) {
        if (filterString.contains(MakeColumnToken(Variant(column->ColumnName)), Qt::CaseSensitive))
            dbi.Execute(QStringLiteral("INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (") + id
                        + QStringLiteral(",") + QString::number(column->ColumnID) + QStringLiteral(")"));
    }
}

void CoLdUV::SaveLastUsedFilter(int16_t Index)
{
    const QString value = Index == 0 ? QStringLiteral("NULL")
                                     : QString::number(RequireFilters(m_filters)->Item(Variant(Index))->ViewFilterID());
    DBI().Execute(QStringLiteral("UPDATE LdViews SET LastUsedFilter = ") + value + QStringLiteral(" WHERE ViewID = ")
                  + QString::number(m_viewID));
}

void CoLdUV::DeleteFilter(int16_t Index)
{
    const CoLdUVFiltersRef& filters = RequireFilters(m_filters);
    const QString id = StrNumber(filters->Item(Variant(Index))->ViewFilterID());
    DBI().Execute(QStringLiteral("DELETE FROM LdViewFilterColumns WHERE ViewFilterID = ") + id + QStringLiteral("\r\n\r\n")
                  + QStringLiteral("DELETE FROM LdViewFilters WHERE ViewFilterID = ") + id);
    filters->Remove(Variant(Index));
}
