// The procedures that read a view's definition for the view model and the list
// window, and the one that deletes a custom view.

#include "db/procedures/ProcedureList.h"
#include "db/procedures/Procedures.h"
#include "db/procedures/ProcSupport.h"
#include "db/procedures/ViewQueries.h"

namespace erpdb::procs {

namespace {

Variant OrNull(const std::optional<QString>& v)
{
    return v ? Variant(*v) : Variant(Null);
}

// Ld_GetView @ViewID, @UserID: the view's row (none for an unknown id). The
// auto-populate flag is the user's own. Pieces that were never built are built first.
void GetView(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    const auto userId = OptionalTextArg(call, 1, "@UserID");
    {
        Statement st(call.db,
                     QStringLiteral("SELECT 1 FROM LdViews WHERE ViewID = ?1 AND (COALESCE(SQLSelect, '') = '' "
                                    "OR COALESCE(SQLFrom, '') = '' OR ColumnString IS NULL)"),
                     call.procedureName);
        st.bind(1, viewId);
        if (st.step()) {
            try {
                BuildViewSqlPieces(call.db, viewId);
            } catch (const AppError&) {
                // A view that cannot be built still loads (with empty pieces), so that
                // the editor can open it and mend it; the builder wrote nothing.
            }
        }
    }
    Statement st(call.db,
                 QStringLiteral(
                     "SELECT v.ViewID, v.BaseID, v.ViewName, v.DisplayName, COALESCE(v.Description, ''), "
                     "COALESCE(v.SQLSelect, ''), COALESCE(v.SQLFrom, ''), v.SQLFromEx, COALESCE(v.ColumnString, ''), "
                     "v.Custom, v.Shared, v.BaseViewID, COALESCE(v.CreatorID, ''), v.LastUsedFilter, "
                     "(SELECT mv.AutoPopulate FROM LdMyViews mv WHERE mv.ViewID = v.ViewID "
                     "AND TRIM(mv.UserID) = TRIM(?2) COLLATE NOCASE ORDER BY mv.MyViewID LIMIT 1), "
                     "v.SQLViewName, v.CreateSQLView, v.SQLViewApplicationID "
                     "FROM LdViews v WHERE v.ViewID = ?1"),
                 call.procedureName);
    st.bind(1, viewId).bind(2, OrNull(userId));
    ReturnRows(call, st,
               {{"ViewID", adInteger},
                {"BaseID", adInteger},
                {"ViewName", adVarChar},
                {"DisplayName", adVarChar},
                {"Description", adVarChar},
                {"SQLSelect", adVarChar},
                {"SQLFrom", adVarChar},
                {"SQLFromEx", adVarChar},
                {"ColumnString", adVarChar},
                {"Custom", adBoolean},
                {"Shared", adBoolean},
                {"BaseViewID", adInteger},
                {"CreatorID", adVarChar},
                {"LastUsedFilter", adInteger},
                {"AutoPopulate", adBoolean},
                {"SQLViewName", adVarChar},
                {"CreateSQLView", adBoolean},
                {"SQLViewApplicationID", adInteger}});
}

// Ld_GetViewColumns @ViewID, @AllBaseColumns = 0: the view's columns, or (1) every
// column of its base with the view's settings where it has them.
void GetViewColumns(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    const bool all = OptionalIntArg(call, 1, "@AllBaseColumns").value_or(0) != 0;
    Statement st(call.db, all ? AllBaseColumnsSql() : ViewColumnsSql(), call.procedureName);
    st.bind(1, viewId);
    ReturnRows(call, st, ViewColumnFields());
}

// Ld_GetViewColumnFunctions @ViewID
void GetViewColumnFunctions(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    Statement st(call.db, ColumnFunctionsSql(), call.procedureName);
    st.bind(1, viewId);
    ReturnRows(call, st, ColumnFunctionFields());
}

// Ld_GetAssocViews @ViewID, @UserID, @AllLinks: the view's links to views the user
// may see; only those switched on unless @AllLinks is non-zero.
void GetAssocViews(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    const QString userId = RequiredTextArg(call, 1, "@UserID");
    const bool all = OptionalIntArg(call, 2, "@AllLinks").value_or(0) != 0;
    Statement st(call.db,
                 QStringLiteral(
                     "SELECT vr.ViewRelationshipID, vr.BaseRelationshipID, lv.DisplayName, vr.UseMe, vr.LinkViewID, "
                     "br.ColumnID1, br.Column1Filter, br.Column1FilterTypeID, br.AssocColumnID1, "
                     "a1.ColumnName, a1.ColumnSQL, "
                     "br.ColumnID2, br.Column2Filter, br.Column2FilterTypeID, br.AssocColumnID2, "
                     "a2.ColumnName, a2.ColumnSQL, "
                     "br.MiscFilter, br.MiscFilterTypeID, br.MiscFilter2, br.MiscFilter2TypeID "
                     "FROM LdViewRelationships vr "
                     "INNER JOIN LdBaseRelationships br ON br.BaseRelationshipID = vr.BaseRelationshipID "
                     "INNER JOIN LdViews lv ON lv.ViewID = vr.LinkViewID "
                     "INNER JOIN LdBaseColumns a1 ON a1.ColumnID = br.AssocColumnID1 "
                     "LEFT JOIN LdBaseColumns a2 ON a2.ColumnID = br.AssocColumnID2 "
                     "WHERE vr.ViewID = ?1 AND (?3 <> 0 OR vr.UseMe <> 0) "
                     "AND (lv.Shared <> 0 OR lv.CreatorID IS NULL OR TRIM(lv.CreatorID) = TRIM(?2) COLLATE NOCASE) "
                     "ORDER BY lv.DisplayName, vr.ViewRelationshipID"),
                 call.procedureName);
    st.bind(1, viewId).bind(2, userId).bind(3, all ? 1 : 0);
    ReturnRows(call, st,
               {{"ViewRelationshipID", adInteger},
                {"RelationshipID", adInteger},
                {"ViewName", adVarChar},
                {"UseMe", adBoolean},
                {"fkViewID", adInteger},
                {"ColumnID1", adInteger},
                {"Column1Filter", adVarChar},
                {"Column1FilterTypeID", adInteger},
                {"AssocColumnID1", adInteger},
                {"AssocColumnName1", adVarChar},
                {"AssocColumnSQL1", adVarChar},
                {"ColumnID2", adInteger},
                {"Column2Filter", adVarChar},
                {"Column2FilterTypeID", adInteger},
                {"AssocColumnID2", adInteger},
                {"AssocColumnName2", adVarChar},
                {"AssocColumnSQL2", adVarChar},
                {"MiscFilter", adVarChar},
                {"MiscFilterTypeID", adInteger},
                {"MiscFilter2", adVarChar},
                {"MiscFilter2TypeID", adInteger}});
}

// Ld_GetViewFilters @ViewID, @EditorMode, @UserID: the view's saved searches that the
// user may see, by name: those shared with all users and the user's own (user ids
// compare without regard to case or surrounding blanks, as the views catalogue's
// do). Without a user, every search of the view, for the callers that send none.
void GetViewFilters(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    OptionalIntArg(call, 1, "@EditorMode");  // both modes list the same searches
    const auto userId = OptionalTextArg(call, 2, "@UserID");
    Statement st(call.db,
                 QStringLiteral("SELECT ViewFilterID, FilterName, FilterString, COALESCE(UseMe, 1), Shared, CreatorID, "
                                "Complex FROM LdViewFilters WHERE ViewID = ?1 "
                                "AND (?2 IS NULL OR Shared <> 0 OR TRIM(CreatorID) = TRIM(?2) COLLATE NOCASE) "
                                "ORDER BY FilterName, ViewFilterID"),
                 call.procedureName);
    st.bind(1, viewId).bind(2, OrNull(userId));
    ReturnRows(call, st,
               {{"ViewFilterID", adInteger},
                {"FilterName", adVarChar},
                {"FilterString", adVarChar},
                {"UseMe", adBoolean},
                {"Shared", adBoolean},
                {"CreatorID", adVarChar},
                {"Complex", adBoolean}});
}

// Ld_IsColumnFilterable @ViewID, @ColumnID NULL, @ColumnName NULL: whether a column of
// the view's base is a filter of the view. The name is matched as the column tokens
// are (exactly, blanks around it ignored). An unknown column gives no row.
void IsColumnFilterable(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    const auto columnId = OptionalIntArg(call, 1, "@ColumnID");
    const auto columnName = OptionalTextArg(call, 2, "@ColumnName");
    if (!columnId && !columnName)
        Fail(call.procedureName, QStringLiteral("@ColumnID and @ColumnName must not both be NULL."));
    Statement st(call.db,
                 QStringLiteral(
                     "SELECT COALESCE((SELECT vc.Filterable FROM LdViewColumns vc WHERE vc.ViewID = v.ViewID "
                     "AND vc.BaseColumnID = bc.ColumnID ORDER BY vc.ViewColumnID LIMIT 1), 0), bc.DisplayName "
                     "FROM LdViews v INNER JOIN LdBaseColumns bc ON bc.BaseID = v.BaseID "
                     "WHERE v.ViewID = ?1 AND CASE WHEN ?2 IS NOT NULL THEN bc.ColumnID = ?2 "
                     "ELSE TRIM(bc.ColumnName) = TRIM(?3) COLLATE BINARY END "
                     "ORDER BY bc.ColumnID LIMIT 1"),
                 call.procedureName);
    st.bind(1, viewId)
        .bind(2, columnId ? Variant(*columnId) : Variant(Null))
        .bind(3, OrNull(columnName));
    ReturnRows(call, st, {{"Filterable", adBoolean}, {"DisplayName", adVarChar}});
}

// Ld_GetViewColumnFilters @ViewID: the view's filter columns in filter order.
void GetViewColumnFilters(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    Statement st(call.db,
                 ViewColumnsSql(QStringLiteral(" AND vc.Filterable <> 0"),
                                QStringLiteral("vc.FilterOrder, vc.ColumnOrder, bc.DisplayName, bc.ColumnID")),
                 call.procedureName);
    st.bind(1, viewId);
    ReturnRows(call, st, ViewColumnFields());
}

// Ld_DeleteView @ViewID: deletes a custom view with everything that belongs to it
// (searches, columns, functions, links from and to it, My Views rows, its SQL view).
void DeleteView(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@ViewID");
    sqlite3* db = call.db;
    const QString& proc = call.procedureName;
    QString sqlViewName;
    {
        Statement st(db, QStringLiteral("SELECT Custom, DisplayName, SQLViewName FROM LdViews WHERE ViewID = ?1"), proc);
        st.bind(1, viewId);
        if (!st.step())
            Fail(proc, QStringLiteral("view %1 does not exist.").arg(viewId));
        if (!st.flag(0))
            Fail(proc, QStringLiteral("view '%1' is a standard view and cannot be deleted.").arg(st.text(1)));
        sqlViewName = st.text(2).trimmed();
    }
    Savepoint sp(db, proc);
    static const char* const statements[] = {
        "DELETE FROM LdViewFilterColumns WHERE ViewFilterID IN (SELECT ViewFilterID FROM LdViewFilters WHERE ViewID = ?1)",
        "DELETE FROM LdViewFilters WHERE ViewID = ?1",
        "DELETE FROM LdViewColumnFunctions WHERE ViewID = ?1",
        "DELETE FROM LdViewColumns WHERE ViewID = ?1",
        "DELETE FROM LdViewRelationships WHERE ViewID = ?1 OR LinkViewID = ?1",
        "DELETE FROM LdMyViews WHERE ViewID = ?1",
        "UPDATE LdViews SET BaseViewID = NULL WHERE BaseViewID = ?1",
        "DELETE FROM LdViews WHERE ViewID = ?1",
    };
    for (const char* sql : statements) {
        Statement st(db, QLatin1String(sql), proc);
        st.bind(1, viewId).run();
    }
    // Its SQL view only when it was made for a list view: the name in LdViews is the
    // application login's to write.
    if (!sqlViewName.isEmpty()) {
        const std::optional<SchemaObject> view = FindSchemaObject(db, sqlViewName, proc);
        if (view && view->type == QLatin1String("view")) {
            if (!view->ours)
                Fail(proc, QStringLiteral("the SQL view '%1' cannot be dropped: it was not made for a list view.")
                               .arg(view->name));
            Exec(db, QStringLiteral("DROP VIEW ") + QuoteIdentifier(view->name), proc);
        }
    }
    sp.release();
}

}  // namespace

void RegisterViewProcedures()
{
    Register("Ld_GetView", 1, 2, GetView);
    Register("Ld_GetViewColumns", 1, 2, GetViewColumns);
    Register("Ld_GetViewColumnFunctions", 1, 1, GetViewColumnFunctions);
    Register("Ld_GetAssocViews", 2, 3, GetAssocViews);
    Register("Ld_GetViewFilters", 1, 3, GetViewFilters);
    Register("Ld_IsColumnFilterable", 2, 3, IsColumnFilterable);
    Register("Ld_GetViewColumnFilters", 1, 1, GetViewColumnFilters);
    Register("Ld_DeleteView", 1, 1, DeleteView);
}

}  // namespace erpdb::procs
