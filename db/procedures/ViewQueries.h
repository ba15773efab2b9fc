#pragma once
// Queries over a view's definition that several procedures share, so that the
// columns the list sees and the columns the SQL is built from are the same rows.

#include "db/procedures/ProcSupport.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <vector>

namespace erpdb::procs {

// The fields of a view column, in the order the view model reads them.
inline const std::vector<Field>& ViewColumnFields()
{
    static const std::vector<Field> fields = {
        {"ViewColumnID", adInteger},   {"ColumnOrder", adInteger},  {"FilterOrder", adInteger},
        {"ColumnID", adInteger},       {"ColumnName", adVarChar},   {"DisplayName", adVarChar},
        {"ColumnSQL", adVarChar},      {"DataType", adVarChar},     {"Type", adInteger},
        {"Required", adBoolean},       {"Viewable", adBoolean},     {"Filterable", adBoolean},
        {"UseExtendedFrom", adBoolean}, {"AllowFunctions", adBoolean}, {"FilterDataType", adVarChar},
        {"Imported", adBoolean},
    };
    return fields;
}

// The view's own columns (?1 = view id): one row per base column of the view's
// base that has a row in LdViewColumns (the lowest row id when it has several),
// in column order. extraWhere is appended to the conditions ("" for none).
inline QString ViewColumnsSql(const QString& extraWhere = QString(), const QString& orderBy = QString())
{
    return QStringLiteral(
               "SELECT vc.ViewColumnID, vc.ColumnOrder, vc.FilterOrder, bc.ColumnID, bc.ColumnName, "
               "bc.DisplayName, bc.ColumnSQL, bc.DataType, bc.Type, bc.Required, vc.Viewable, vc.Filterable, "
               "bc.UseExtendedFrom, bc.AllowFunctions, bc.FilterDataType, bc.Imported "
               "FROM LdViews v "
               "INNER JOIN LdBaseColumns bc ON bc.BaseID = v.BaseID "
               "INNER JOIN LdViewColumns vc ON vc.ViewColumnID = "
               "(SELECT MIN(x.ViewColumnID) FROM LdViewColumns x WHERE x.ViewID = v.ViewID AND x.BaseColumnID = bc.ColumnID) "
               "WHERE v.ViewID = ?1")
        + extraWhere + QStringLiteral(" ORDER BY ")
        + (orderBy.isEmpty() ? QStringLiteral("vc.ColumnOrder, bc.DisplayName, bc.ColumnID") : orderBy);
}

// Every base column of the view's base (?1 = view id), with the view's settings
// where it has a row and zeros where it has none; the view's columns first.
inline QString AllBaseColumnsSql()
{
    return QStringLiteral(
        "SELECT COALESCE(vc.ViewColumnID, 0), COALESCE(vc.ColumnOrder, 0), COALESCE(vc.FilterOrder, 0), "
        "bc.ColumnID, bc.ColumnName, bc.DisplayName, bc.ColumnSQL, bc.DataType, bc.Type, bc.Required, "
        "COALESCE(vc.Viewable, 0), COALESCE(vc.Filterable, 0), bc.UseExtendedFrom, bc.AllowFunctions, "
        "bc.FilterDataType, bc.Imported "
        "FROM LdViews v "
        "INNER JOIN LdBaseColumns bc ON bc.BaseID = v.BaseID "
        "LEFT JOIN LdViewColumns vc ON vc.ViewColumnID = "
        "(SELECT MIN(x.ViewColumnID) FROM LdViewColumns x WHERE x.ViewID = v.ViewID AND x.BaseColumnID = bc.ColumnID) "
        "WHERE v.ViewID = ?1 "
        "ORDER BY CASE WHEN vc.ViewColumnID IS NULL THEN 1 ELSE 0 END, COALESCE(vc.ColumnOrder, 0), "
        "bc.DisplayName, bc.ColumnID");
}

// The fields of a column function, in the order the view model reads them; both
// names of the function's column are there (each program reads one of them).
inline const std::vector<Field>& ColumnFunctionFields()
{
    static const std::vector<Field> fields = {
        {"DisplayName", adVarChar},  {"FunctionSQL", adVarChar},
        {"DataType", adVarChar},     {"FunctionOrder", adInteger},
        {"ColumnID", adInteger},     {"FunctionColumnDisplayName", adVarChar},
        {"ColumnName", adVarChar},   {"ColumnFunction", adVarChar},
        {"ColumnFunctionID", adInteger},
    };
    return fields;
}

// The view's column functions (?1 = view id) in their order.
inline QString ColumnFunctionsSql()
{
    return QStringLiteral(
        "SELECT REPLACE(cf.DisplayTemplate, '%NAME%', bc.DisplayName), "
        "REPLACE(cf.FunctionTemplate, '%COL%', bc.ColumnSQL), "
        "COALESCE(cf.ResultDataType, bc.DataType), f.FunctionOrder, bc.ColumnID, "
        "bc.DisplayName, bc.ColumnName, cf.ColumnFunction, cf.ColumnFunctionID "
        "FROM LdViewColumnFunctions f "
        "INNER JOIN LdColumnFunctions cf ON cf.ColumnFunctionID = f.ColumnFunctionID "
        "INNER JOIN LdBaseColumns bc ON bc.ColumnID = f.BaseColumnID "
        "WHERE f.ViewID = ?1 "
        "ORDER BY f.FunctionOrder, f.ViewColumnFunctionID");
}

}  // namespace erpdb::procs
