#pragma once
// How the list window shows the values of a view's columns and column
// functions (platform/controls/ColumnFormat.h): by each column's data type, and
// as an id, without group separators, where the column names rows: the view's
// row id (the base's key, the first field of its SELECT list) or a column that
// is an id or number by its SQL name. Quantities, amounts and counts keep their
// separators.

#include "viewmodel/CoLdUV.h"

#include <vector>

enum class ColumnKind;

// The SQL of the view's row id: the first field of its SELECT list, without its
// alias; empty when it cannot be read.
QString ViewRowIdSql(const CoLdUV& view);
// The kind a column of the view shows as in the list, given the view's ViewRowIdSql.
ColumnKind ListColumnKind(const CoLdUVColumn& column, const QString& rowIdSql);
// The kinds of a view's viewable columns in the order the list reads them.
std::vector<ColumnKind> ViewableColumnKinds(const CoLdUVRef& view);
// The kind of a column function's value in the statistics strip: only "money" as
// written is currency, another money type a plain number; the lowest or highest
// value of a column that names rows is one of its ids.
ColumnKind FunctionValueKind(const CoLdUVRef& view, const coLdUVColumnFunction& function);
