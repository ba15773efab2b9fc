#include "listwindow/ListColumnKinds.h"

#include "base/SqlLex.h"
#include "platform/controls/ColumnFormat.h"

#include <algorithm>
#include <utility>

namespace {

// The row id's SQL of a SELECT list as the view's SQL pieces write it
// ("SELECT o.OrderID AS [ID], ..."); "" when it cannot be read.
QString RowIdSql(const QString& sqlSelect)
{
    // "SELECT key [AS alias], ...": the tokens up to the first comma outside
    // parentheses, without the alias.
    std::vector<SqlLexToken> tokens;
    for (const SqlLexToken& t : SqlLex(sqlSelect))
        if (t.significant())
            tokens.push_back(t);
    const auto word = [&](size_t k, const char* w) {
        return tokens[k].kind == SqlLexKind::Word &&
               SqlLexText(sqlSelect, tokens[k]).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    };
    if (tokens.empty() || !word(0, "SELECT"))
        return QString();
    const size_t first = 1;
    size_t end = first;
    size_t alias = 0;
    int depth = 0;
    for (; end < tokens.size(); ++end) {
        const QString text = SqlLexText(sqlSelect, tokens[end]);
        if (tokens[end].kind == SqlLexKind::Punct) {
            if (text == QLatin1String("("))
                ++depth;
            else if (text == QLatin1String(")"))
                --depth;
            else if (text == QLatin1String(",") && depth == 0)
                break;
        } else if (depth == 0 && word(end, "AS")) {
            alias = end;
        }
    }
    const size_t last = alias > first ? alias : end;
    if (last <= first)
        return QString();
    return sqlSelect.mid(tokens[first].begin, tokens[last - 1].end() - tokens[first].begin);
}

// The view's row id, or an id or a number by its name.
bool ColumnNamesRows(const CoLdUVColumn& column, const QString& rowIdSql)
{
    if (IsIdentifierName(column.ColumnName))
        return true;
    return !rowIdSql.isEmpty() && column.ColumnSQL.trimmed().compare(rowIdSql, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString ViewRowIdSql(const CoLdUV& view) { return RowIdSql(view.SQLSelect); }

ColumnKind ListColumnKind(const CoLdUVColumn& column, const QString& rowIdSql)
{
    return ColumnKindOf(column.DataType, ColumnNamesRows(column, rowIdSql));
}

std::vector<ColumnKind> ViewableColumnKinds(const CoLdUVRef& view)
{
    // Field n of a list row is the viewable column whose Order is n.
    std::vector<std::pair<int16_t, ColumnKind>> viewable;
    const QString rowIdSql = ViewRowIdSql(*view);
    for (const CoLdUVColumnRef& column : *view->Columns())
        if (column->Viewable)
            viewable.emplace_back(column->Order, ListColumnKind(*column, rowIdSql));
    std::stable_sort(viewable.begin(), viewable.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ColumnKind> kinds;
    for (const auto& [order, kind] : viewable)
        kinds.push_back(kind);
    return kinds;
}

ColumnKind FunctionValueKind(const CoLdUVRef& view, const coLdUVColumnFunction& function)
{
    ColumnKind kind = ColumnKindOf(function.DataType);
    if (function.DataType == QLatin1String("money"))
        return ColumnKind::Money;
    if (kind == ColumnKind::Money)
        return ColumnKind::Decimal;
    // A sum, an average or a count of ids is a figure; the lowest or highest id is an id.
    const QString sql = function.FunctionSQL.trimmed();
    const bool oneOfTheValues = sql.startsWith(QLatin1String("MIN("), Qt::CaseInsensitive) ||
                                sql.startsWith(QLatin1String("MAX("), Qt::CaseInsensitive);
    if (!oneOfTheValues)
        return kind;
    for (const CoLdUVColumnRef& column : *view->Columns())
        if (column->ColumnID == function.ColumnID)
            return ColumnKindOf(function.DataType, ColumnNamesRows(*column, ViewRowIdSql(*view)));
    return kind;
}
