// Imported columns: a column of a linked base (through an LdBaseTables entry) or a
// custom property of the base's rows becomes a column of the importing base. Its
// SQL is a correlated subquery on its source, so every statement built from the
// base's pieces (list, filter, export, statistics) reads it without a change to
// the base's FROM clause, and deleting it cannot break the other columns.
//
// An entry either says how the linked rows meet the base's rows (CorrelationSQL),
// or leaves that to the relation columns of the base relationship that goes
// through it. Those may lead to many rows (a customer's orders): the column then
// takes the value of the first of them by the linked base's row id.

#include "base/ColumnNames.h"
#include "db/procedures/ProcedureList.h"
#include "db/procedures/ProcSupport.h"
#include "db/procedures/ViewQueries.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace erpdb::procs {

namespace {

enum SourceKind : int { kFromLinkedTable = 1, kFromCustomProperty = 2 };

struct ImportingView {
    int32_t viewId = 0;
    int32_t baseId = 0;
    QString base;     // LdBases.Base, the custom properties' TableName
    QString keySql;
    QString fromSql;
};

ImportingView ReadImportingView(sqlite3* db, int32_t viewId, const QString& proc)
{
    Statement st(db,
                 QStringLiteral("SELECT v.BaseID, b.Base, b.KeySQL, b.FromSQL FROM LdViews v "
                                "INNER JOIN LdBases b ON b.BaseID = v.BaseID WHERE v.ViewID = ?1"),
                 proc);
    st.bind(1, viewId);
    if (!st.step())
        Fail(proc, QStringLiteral("view %1 does not exist or has no base.").arg(viewId));
    ImportingView v;
    v.viewId = viewId;
    v.baseId = static_cast<int32_t>(st.integer(0));
    v.base = st.text(1).trimmed();
    v.keySql = st.text(2).trimmed();
    v.fromSql = st.text(3).trimmed();
    return v;
}

struct LinkedTable {
    int32_t linkedBaseId = 0;
    QString fromSql;
    QString fromExSql;
    QString keySql;
    QString correlationSql;  // empty: the relation columns below
    // The relation columns: the linked base's SQL and the importing base's, one or two pairs.
    std::vector<std::pair<QString, QString>> relation;
    bool relationExtended = false;  // a linked relation column needs the extended joins
};

// The first base relationship through the table between the two bases, with the SQL of
// its relation columns; false when there is none whose columns belong to those bases.
bool ReadRelation(sqlite3* db, const ImportingView& v, int32_t tableId, LinkedTable& t, const QString& proc)
{
    Statement st(db,
                 QStringLiteral("SELECT c1.ColumnSQL, a1.ColumnSQL, a1.UseExtendedFrom, c2.ColumnSQL, a2.ColumnSQL, "
                                "a2.UseExtendedFrom FROM LdBaseRelationships r "
                                "INNER JOIN LdBaseColumns c1 ON c1.ColumnID = r.ColumnID1 AND c1.BaseID = r.BaseID "
                                "INNER JOIN LdBaseColumns a1 ON a1.ColumnID = r.AssocColumnID1 AND a1.BaseID = r.RelatedBaseID "
                                "LEFT JOIN LdBaseColumns c2 ON c2.ColumnID = r.ColumnID2 AND c2.BaseID = r.BaseID "
                                "LEFT JOIN LdBaseColumns a2 ON a2.ColumnID = r.AssocColumnID2 AND a2.BaseID = r.RelatedBaseID "
                                "WHERE r.TableID = ?1 AND r.BaseID = ?2 AND r.RelatedBaseID = ?3 "
                                "ORDER BY r.BaseRelationshipID LIMIT 1"),
                 proc);
    st.bind(1, tableId).bind(2, v.baseId).bind(3, t.linkedBaseId);
    if (!st.step())
        return false;
    t.relation.emplace_back(st.text(1).trimmed(), st.text(0).trimmed());
    t.relationExtended = st.flag(2);
    // A second pair only when both of its columns are there, as the link reads them.
    if (!st.isNull(3) && !st.isNull(4)) {
        t.relation.emplace_back(st.text(4).trimmed(), st.text(3).trimmed());
        t.relationExtended = t.relationExtended || st.flag(5);
    }
    return true;
}

LinkedTable ReadLinkedTable(sqlite3* db, const ImportingView& v, int32_t tableId, const QString& proc)
{
    Statement st(db,
                 QStringLiteral("SELECT t.LinkedBaseID, b.FromSQL, b.FromExSQL, t.CorrelationSQL, b.KeySQL "
                                "FROM LdBaseTables t INNER JOIN LdBases b ON b.BaseID = t.LinkedBaseID "
                                "WHERE t.TableID = ?1 AND t.BaseID = ?2"),
                 proc);
    st.bind(1, tableId).bind(2, v.baseId);
    if (!st.step())
        Fail(proc, QStringLiteral("table %1 is not a source of the base of view %2.").arg(tableId).arg(v.viewId));
    LinkedTable t;
    t.linkedBaseId = static_cast<int32_t>(st.integer(0));
    t.fromSql = st.text(1).trimmed();
    t.fromExSql = st.text(2).trimmed();
    t.correlationSql = st.text(3).trimmed();
    t.keySql = st.text(4).trimmed();
    if (t.correlationSql.isEmpty() && !ReadRelation(db, v, tableId, t, proc))
        Fail(proc, QStringLiteral("table %1 does not say how its rows meet the base's rows.").arg(tableId));
    return t;
}

// The SQL of an imported column: the source column of the linked row. The linked
// base's FROM clause stands in a derived table of its own when the relation columns
// tie the rows, since its aliases may be the importing base's too (a line's order
// and an order's lines both name the order "o").
QString LinkedColumnSql(const LinkedTable& t, const QString& sourceSql, bool sourceExtended)
{
    if (!t.correlationSql.isEmpty()) {
        const bool extended = sourceExtended && !t.fromExSql.isEmpty();
        return QStringLiteral("(SELECT ") + sourceSql + QStringLiteral(" FROM ") + t.fromSql +
               (extended ? QStringLiteral(" ") + t.fromExSql : QString()) + QStringLiteral(" WHERE ") +
               t.correlationSql + QStringLiteral(")");
    }
    const QString from = t.fromSql + ((sourceExtended || t.relationExtended) && !t.fromExSql.isEmpty()
                                          ? QStringLiteral(" ") + t.fromExSql
                                          : QString());
    QString keys = t.keySql + QStringLiteral(" AS k");
    QString where;
    for (size_t i = 0; i < t.relation.size(); ++i) {
        const QString k = QStringLiteral("k%1").arg(i + 1);
        keys += QStringLiteral(", ") + t.relation[i].first + QStringLiteral(" AS ") + k;
        where += (i ? QStringLiteral(" AND ") : QString()) + QStringLiteral("ld_first.") + k + QStringLiteral(" = ") +
                 t.relation[i].second;
    }
    return QStringLiteral("(SELECT ld_link.v FROM (SELECT ") + sourceSql + QStringLiteral(" AS v, ") + t.keySql +
           QStringLiteral(" AS k FROM ") + from + QStringLiteral(") ld_link WHERE ld_link.k = (SELECT MIN(ld_first.k) FROM (SELECT ") +
           keys + QStringLiteral(" FROM ") + from + QStringLiteral(") ld_first WHERE ") + where + QStringLiteral("))");
}

// A custom-property group of the view's base (TypeID 2 and the base's name).
void CheckPropertyGroup(sqlite3* db, const ImportingView& v, int32_t groupId, const QString& proc)
{
    Statement st(db,
                 QStringLiteral("SELECT 1 FROM ShTrackingGroups WHERE TrackingGroupID = ?1 AND TypeID = 2 "
                                "AND TableName = ?2"),
                 proc);
    st.bind(1, groupId).bind(2, v.base);
    if (!st.step())
        Fail(proc, QStringLiteral("custom property group %1 does not belong to the base of view %2.")
                       .arg(groupId)
                       .arg(v.viewId));
}

// Ld_GetImportColumns @ViewID, @SourceID, @SourceType: the columns a source offers to
// the view's base, less those already imported from it. Source type 0: a table of
// LdBaseTables (the columns of its linked base); 1: a custom-property group.
void GetImportColumns(ProcedureCall& call)
{
    const QString& proc = call.procedureName;
    const ImportingView v = ReadImportingView(call.db, RequiredIntArg(call, 0, "@ViewID"), proc);
    const int32_t sourceId = RequiredIntArg(call, 1, "@SourceID");
    const int32_t sourceType = RequiredIntArg(call, 2, "@SourceType");
    const std::vector<Field> fields = {{"ColumnID", adInteger}, {"DisplayName", adVarChar}, {"ColumnName", adVarChar}};
    if (sourceType == 0) {
        const LinkedTable t = ReadLinkedTable(call.db, v, sourceId, proc);
        Statement st(call.db,
                     QStringLiteral("SELECT c.ColumnID, c.DisplayName, c.ColumnName FROM LdBaseColumns c "
                                    "WHERE c.BaseID = ?1 AND NOT EXISTS (SELECT 1 FROM LdBaseColumns x "
                                    "WHERE x.BaseID = ?2 AND x.SourceKind = 1 AND x.SourceID = ?3 "
                                    "AND x.SourceColumnID = c.ColumnID) "
                                    "ORDER BY c.DisplayName, c.ColumnID"),
                     proc);
        st.bind(1, t.linkedBaseId).bind(2, v.baseId).bind(3, sourceId);
        ReturnRows(call, st, fields);
    } else if (sourceType == 1) {
        CheckPropertyGroup(call.db, v, sourceId, proc);
        Statement st(call.db,
                     QStringLiteral("SELECT a.AttributeID, a.DisplayName, a.AttributeName FROM ShTrackingAttributes a "
                                    "WHERE a.TrackingGroupID = ?1 AND NOT EXISTS (SELECT 1 FROM LdBaseColumns x "
                                    "WHERE x.BaseID = ?2 AND x.SourceKind = 2 AND x.SourceColumnID = a.AttributeID) "
                                    "ORDER BY a.DisplayName, a.AttributeID"),
                     proc);
        st.bind(1, sourceId).bind(2, v.baseId);
        ReturnRows(call, st, fields);
    } else {
        Fail(proc, QStringLiteral("@SourceType must be 0 (linked views) or 1 (custom properties), not %1.").arg(sourceType));
    }
}

struct NewColumn {
    QString columnName;
    QString displayName;
    QString columnSql;
    QString dataType;
    int type = 2;
    bool allowFunctions = false;
    QString filterDataType;
    int sourceKind = 0;
    int32_t sourceId = 0;
    int32_t sourceColumnId = 0;
};

// The names as the columns of a base need them: present, an identifier for the SQL
// view, no comma in the caption (the list's column string is comma-separated), and
// neither used by another column of the base.
void CheckNames(sqlite3* db, const ImportingView& v, NewColumn& c, const QString& proc)
{
    c.columnName = c.columnName.trimmed();
    c.displayName = c.displayName.trimmed();
    if (c.columnName.isEmpty() || c.displayName.isEmpty())
        Fail(proc, QStringLiteral("the column needs a name and an SQL name."));
    if (c.columnName.size() > 64 || c.displayName.size() > 64)
        Fail(proc, QStringLiteral("a column name may have at most 64 characters."));
    if (c.columnName.at(0).isDigit())
        Fail(proc, QStringLiteral("the SQL name '%1' must not begin with a digit.").arg(c.columnName));
    if (!SqlColumnNameAllowed(c.columnName))
        Fail(proc, QStringLiteral("the SQL name '%1' may hold only letters, digits and '_'.").arg(c.columnName));
    // The SQL view has its row id as [ID].
    if (SqlColumnNameReserved(c.columnName))
        Fail(proc, QStringLiteral("the SQL name '%1' is the SQL view's row id.").arg(c.columnName));
    if (c.displayName.contains(QLatin1Char(',')))
        Fail(proc, QStringLiteral("the name '%1' must not contain a comma.").arg(c.displayName));
    if (HasLoneSurrogate(c.displayName))
        Fail(proc, QStringLiteral("the name '%1' holds a character that cannot be stored.").arg(c.displayName));
    Statement st(db,
                 QStringLiteral("SELECT ColumnName, DisplayName FROM LdBaseColumns WHERE BaseID = ?1 "
                                "AND (ColumnName = ?2 OR DisplayName = ?3) LIMIT 1"),
                 proc);
    st.bind(1, v.baseId).bind(2, c.columnName).bind(3, c.displayName);
    if (st.step()) {
        if (st.text(0).compare(c.columnName, Qt::CaseInsensitive) == 0)
            Fail(proc, QStringLiteral("the base already has a column with the SQL name '%1'.").arg(c.columnName));
        Fail(proc, QStringLiteral("the base already has a column named '%1'.").arg(c.displayName));
    }
}

// Stores the column after proving that its SQL runs over the base.
void Store(sqlite3* db, const ImportingView& v, const NewColumn& c, const QString& proc)
{
    {
        const QByteArray sql = (QStringLiteral("SELECT ") + c.columnSql + QStringLiteral(" FROM ") + v.fromSql +
                                QStringLiteral(" WHERE 1 = 0"))
                                   .toUtf8();
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr);
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_OK)
            Fail(proc, QStringLiteral("the imported column '%1' does not run over its base: %2").arg(c.displayName, message));
    }
    Statement st(db,
                 QStringLiteral("INSERT INTO LdBaseColumns (BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, "
                                "Required, AllowFunctions, FilterDataType, UseExtendedFrom, Imported, SourceKind, "
                                "SourceID, SourceColumnID) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, ?7, ?8, 0, 1, ?9, ?10, ?11)"),
                 proc);
    st.bind(1, v.baseId).bind(2, c.columnName).bind(3, c.displayName).bind(4, c.columnSql).bind(5, c.dataType);
    st.bind(6, c.type).bind(7, c.allowFunctions ? 1 : 0).bind(8, c.filterDataType).bind(9, c.sourceKind);
    st.bind(10, c.sourceId).bind(11, c.sourceColumnId).run();
}

// Ld_ImportColumn @ViewID, @TableID, @ColumnName, @DisplayName, @ColumnID: a column of
// the table's linked base becomes a column of the view's base.
void ImportColumn(ProcedureCall& call)
{
    const QString& proc = call.procedureName;
    const ImportingView v = ReadImportingView(call.db, RequiredIntArg(call, 0, "@ViewID"), proc);
    const int32_t tableId = RequiredIntArg(call, 1, "@TableID");
    NewColumn c;
    c.columnName = RequiredTextArg(call, 2, "@ColumnName");
    c.displayName = RequiredTextArg(call, 3, "@DisplayName");
    const int32_t sourceColumnId = RequiredIntArg(call, 4, "@ColumnID");
    const LinkedTable t = ReadLinkedTable(call.db, v, tableId, proc);
    Statement src(call.db,
                  QStringLiteral("SELECT ColumnSQL, DataType, Type, AllowFunctions, FilterDataType, UseExtendedFrom "
                                 "FROM LdBaseColumns WHERE ColumnID = ?1 AND BaseID = ?2"),
                  proc);
    src.bind(1, sourceColumnId).bind(2, t.linkedBaseId);
    if (!src.step())
        Fail(proc, QStringLiteral("column %1 is not a column of the linked base of table %2.").arg(sourceColumnId).arg(tableId));
    c.columnSql = LinkedColumnSql(t, src.text(0).trimmed(), src.flag(5));
    c.dataType = src.text(1);
    c.type = static_cast<int>(src.integer(2));
    c.allowFunctions = src.flag(3);
    c.filterDataType = src.text(4);
    c.sourceKind = kFromLinkedTable;
    c.sourceId = tableId;
    c.sourceColumnId = sourceColumnId;
    CheckNames(call.db, v, c, proc);
    Store(call.db, v, c, proc);
}

// Ld_ImportCustomProperty @ViewID, @TrackingGroupID, @ColumnName, @DisplayName,
// @AttributeID: a custom property of the base's rows becomes a column of the base.
void ImportCustomProperty(ProcedureCall& call)
{
    const QString& proc = call.procedureName;
    const ImportingView v = ReadImportingView(call.db, RequiredIntArg(call, 0, "@ViewID"), proc);
    const int32_t groupId = RequiredIntArg(call, 1, "@TrackingGroupID");
    NewColumn c;
    c.columnName = RequiredTextArg(call, 2, "@ColumnName");
    c.displayName = RequiredTextArg(call, 3, "@DisplayName");
    const int32_t attributeId = RequiredIntArg(call, 4, "@AttributeID");
    CheckPropertyGroup(call.db, v, groupId, proc);
    Statement attr(call.db,
                   QStringLiteral("SELECT LOWER(TRIM(DataType)) FROM ShTrackingAttributes "
                                  "WHERE AttributeID = ?1 AND TrackingGroupID = ?2"),
                   proc);
    attr.bind(1, attributeId).bind(2, groupId);
    if (!attr.step())
        Fail(proc, QStringLiteral("attribute %1 is not in custom property group %2.").arg(attributeId).arg(groupId));
    const QString dataType = attr.text(0);
    // The values are stored as text; numbers and dates are read as such so that they
    // sort, compare and sum as the column's type says.
    QString value = QStringLiteral("p.Value");
    c.dataType = dataType;
    if (dataType == QLatin1String("int") || dataType == QLatin1String("money") || dataType == QLatin1String("decimal") ||
        dataType == QLatin1String("float")) {
        value = QStringLiteral("CAST(p.Value AS NUMERIC)");
        c.type = 1;
        c.allowFunctions = true;
        c.filterDataType = dataType == QLatin1String("money") ? QStringLiteral("money") : QStringLiteral("number");
    } else if (dataType == QLatin1String("datetime") || dataType == QLatin1String("date")) {
        c.type = 3;
        c.filterDataType = QStringLiteral("date");
    } else {
        c.dataType = QStringLiteral("varchar");
        c.type = 2;
        c.filterDataType = QStringLiteral("text");
    }
    c.columnSql = QStringLiteral("(SELECT %1 FROM ShTrackingValues p WHERE p.AttributeID = %2 AND p.RecordID = %3)")
                      .arg(value)
                      .arg(attributeId)
                      .arg(v.keySql);
    c.sourceKind = kFromCustomProperty;
    c.sourceId = groupId;
    c.sourceColumnId = attributeId;
    CheckNames(call.db, v, c, proc);
    Store(call.db, v, c, proc);
}

// Ld_DeleteColumn_IDs @ColumnIDs: deletes imported columns (one id, or ids separated
// by commas) from their base and from every view, search and column function that
// uses them, and rebuilds the SQL of the views of their bases. Refused, changing
// nothing, for a column that was not imported, one a link between bases is built
// on, and one that is the only column a view shows.
void DeleteColumnIds(ProcedureCall& call)
{
    const QString& proc = call.procedureName;
    sqlite3* db = call.db;
    const Variant& arg = Arg(call, 0);
    if (arg.isEmpty() || arg.isNull())
        Fail(proc, QStringLiteral("@ColumnIDs must name a column."));
    std::vector<int32_t> ids;
    for (const QString& part : arg.toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok)
            Fail(proc, QStringLiteral("@ColumnIDs must be column ids separated by commas, not '%1'.").arg(arg.toString()));
        ids.push_back(id);
    }
    if (ids.empty())
        Fail(proc, QStringLiteral("@ColumnIDs must name a column."));

    Savepoint sp(db, proc);
    std::vector<int32_t> bases;
    for (const int32_t id : ids) {
        QString name;
        QString columnName;
        {
            Statement st(db,
                         QStringLiteral("SELECT BaseID, DisplayName, Imported, ColumnName FROM LdBaseColumns "
                                        "WHERE ColumnID = ?1"),
                         proc);
            st.bind(1, id);
            if (!st.step())
                Fail(proc, QStringLiteral("column %1 does not exist.").arg(id));
            name = st.text(1);
            columnName = st.text(3);
            if (!st.flag(2))
                Fail(proc, QStringLiteral("the column '%1' was not imported; only imported columns can be deleted.").arg(name));
            bases.push_back(static_cast<int32_t>(st.integer(0)));
        }
        {
            Statement st(db,
                         QStringLiteral("SELECT 1 FROM LdBaseRelationships WHERE ?1 IN (ColumnID1, AssocColumnID1, "
                                        "COALESCE(ColumnID2, 0), COALESCE(AssocColumnID2, 0))"),
                         proc);
            st.bind(1, id);
            if (st.step())
                Fail(proc, QStringLiteral("the column '%1' links views to other views and cannot be deleted.").arg(name));
        }
        {
            // A view that shows this column and no other.
            Statement st(db,
                         QStringLiteral("SELECT v.DisplayName FROM LdViews v WHERE EXISTS (SELECT 1 FROM LdViewColumns vc "
                                        "WHERE vc.ViewID = v.ViewID AND vc.BaseColumnID = ?1 AND vc.Viewable <> 0) "
                                        "AND NOT EXISTS (SELECT 1 FROM LdViewColumns vc WHERE vc.ViewID = v.ViewID "
                                        "AND vc.BaseColumnID <> ?1 AND vc.Viewable <> 0) ORDER BY v.ViewID LIMIT 1"),
                         proc);
            st.bind(1, id);
            if (st.step())
                Fail(proc, QStringLiteral("the column '%1' is the only column the view '%2' shows.").arg(name, st.text(0)));
        }
        // Copies made by Save as new have no filter-column rows: they are found by
        // the column's token in their text.
        std::vector<int32_t> copies;
        {
            Statement st(db,
                         QStringLiteral("SELECT f.ViewFilterID, f.FilterString FROM LdViewFilters f "
                                        "INNER JOIN LdViews v ON v.ViewID = f.ViewID WHERE v.BaseID = ?1"),
                         proc);
            st.bind(1, bases.back());
            while (st.step())
                if (SearchUsesColumn(st.text(1), columnName))
                    copies.push_back(static_cast<int32_t>(st.integer(0)));
        }
        for (const int32_t search : copies) {
            for (const char* sql : {"UPDATE LdViews SET LastUsedFilter = NULL WHERE LastUsedFilter = ?1",
                                    "DELETE FROM LdViewFilterColumns WHERE ViewFilterID = ?1",
                                    "DELETE FROM LdViewFilters WHERE ViewFilterID = ?1"}) {
                Statement del(db, QLatin1String(sql), proc);
                del.bind(1, search).run();
            }
        }
        static const char* const statements[] = {
            // Searches on the column cannot run without it.
            "UPDATE LdViews SET LastUsedFilter = NULL WHERE LastUsedFilter IN "
            "(SELECT ViewFilterID FROM LdViewFilterColumns WHERE BaseColumnID = ?1)",
            "DELETE FROM LdViewFilters WHERE ViewFilterID IN "
            "(SELECT ViewFilterID FROM LdViewFilterColumns WHERE BaseColumnID = ?1)",
            "DELETE FROM LdViewFilterColumns WHERE ViewFilterID IN "
            "(SELECT ViewFilterID FROM LdViewFilterColumns WHERE BaseColumnID = ?1)",
            "DELETE FROM LdViewColumnFunctions WHERE BaseColumnID = ?1",
            "DELETE FROM LdViewColumns WHERE BaseColumnID = ?1",
            "DELETE FROM LdBaseColumns WHERE ColumnID = ?1",
        };
        for (const char* sql : statements) {
            Statement st(db, QLatin1String(sql), proc);
            st.bind(1, id).run();
        }
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    for (const int32_t baseId : bases)
        RebuildViewsOfBase(db, baseId, proc);
    sp.release();
}

}  // namespace

void RegisterImportProcedures()
{
    Register("Ld_GetImportColumns", 3, 3, GetImportColumns);
    Register("Ld_ImportColumn", 5, 5, ImportColumn);
    Register("Ld_ImportCustomProperty", 5, 5, ImportCustomProperty);
    Register("Ld_DeleteColumn_IDs", 1, 1, DeleteColumnIds);
}

}  // namespace erpdb::procs
