#pragma once
// How the list window shows the values of a view's columns and column
// functions (platform/controls/ColumnFormat.h): by each column's data type, and
// as an id, without group separators, where the column names rows: the view's
// row id (the base's key, the first field of its SELECT list) or a column that
// is an id or number by its SQL name. Quantities, amounts and counts keep their
// separators.

#include "viewmodel/CoLdUV.h"

#include <QString>
#include <vector>

enum class ColumnKind;

// The kinds of a view's viewable columns in the order the list reads them.
std::vector<ColumnKind> ViewableColumnKinds(const CoLdUVRef& view);
// The row id's SQL of a SELECT list as the view's SQL pieces write it
// ("SELECT o.OrderID AS [ID], ..."); "" when it cannot be read.
QString RowIdSql(const QString& sqlSelect);
// Whether a column of the view names rows.
bool ColumnNamesRows(const CoLdUV& view, const CoLdUVColumn& column);
// The kind of a column function's value in the statistics strip: only "money" as
// written is currency, another money type a plain number; the lowest or highest
// value of a column that names rows is one of its ids.
ColumnKind FunctionValueKind(const CoLdUVRef& view, const coLdUVColumnFunction& function);
