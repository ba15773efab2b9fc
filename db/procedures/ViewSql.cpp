// Builds the runnable SQL of a view from its columns and stores it in its
// LdViews row: the select list (row id first), the FROM clause, the extended
// FROM clause and the column string the list control shows. The procedures
// Ld_UpdateSQLStmts and Ld_ResetSQLForAllViews run it.

#include "db/procedures/Procedures.h"
#include "db/procedures/ProcedureList.h"
#include "db/procedures/ProcSupport.h"
#include "db/procedures/ViewQueries.h"

#include "base/SqlLex.h"

#include <sqlite3.h>

namespace erpdb {

using namespace procs;

namespace {

// The longest statement a view may have (the procedure's output is that wide).
constexpr int kMaxStatementLength = 8000;

struct BuiltColumn {
    int32_t viewColumnId = 0;
    int32_t order = 0;
    int32_t columnId = 0;
    QString columnName;
    QString displayName;
    QString columnSql;
    int32_t type = 0;
    bool viewable = false;
    bool filterable = false;
    bool useExtendedFrom = false;
};

struct ViewRow {
    int32_t viewId = 0;
    QString viewName;
    QString displayName;
    int32_t baseId = 0;
    bool createSqlView = false;
    QString sqlViewName;  // "" when none
};

struct BaseRow {
    QString keySql;
    QString fromSql;
    QString fromExSql;  // "" when none
};

// Prepares (never runs) a statement the program will build from the pieces, so that a
// view whose pieces would fail is refused when it is stored, naming what fails.
// The statement must also be what the read-only connections run: one query, as
// SQLite reads it, that writes nothing.
void CheckRuns(sqlite3* db, const QString& sql, const QString& what, const QString& proc)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, &tail);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const bool readOnly = stmt && sqlite3_stmt_readonly(stmt) && sqlite3_column_count(stmt) > 0;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK)
        Fail(proc, QStringLiteral("%1 does not run: %2").arg(what, message));
    bool more = false;
    if (tail) {
        const QString rest = QString::fromUtf8(tail, static_cast<qsizetype>(utf8.constData() + utf8.size() - tail));
        for (const SqlLexToken& t : SqlLex(rest))
            more = more || t.significant();
    }
    if (more || !readOnly)
        Fail(proc, QStringLiteral("%1 does not run: it is not a single query that only reads.").arg(what));
}

// Why a stored piece (a row id, a FROM clause, a column's SQL) would break the
// statements built from it, or "" when it would not. The pieces are joined on
// one line with what follows, so a line comment at the end would swallow the
// search; a ";" would start a second statement.
QString PieceFault(const QString& piece)
{
    int depth = 0;
    for (const SqlLexToken& t : SqlLex(piece)) {
        if (!t.closed)
            return QStringLiteral("leaves a text, name or comment open");
        if (t.kind == SqlLexKind::Comment && piece.mid(t.begin, 2) == QLatin1String("--") && t.end() >= piece.size())
            return QStringLiteral("ends in a line comment, which would swallow the search that follows it");
        if (t.kind != SqlLexKind::Punct || t.length != 1)
            continue;
        const QChar c = piece.at(t.begin);
        if (c == u';')
            return QStringLiteral("holds a \";\", which would start a second statement");
        if (c == u'(')
            ++depth;
        else if (c == u')' && --depth < 0)
            return QStringLiteral("closes a parenthesis it did not open");
    }
    return depth == 0 ? QString() : QStringLiteral("leaves a parenthesis open");
}

void CheckPiece(const QString& piece, const QString& what, const QString& proc)
{
    const QString fault = PieceFault(piece);
    if (!fault.isEmpty())
        Fail(proc, QStringLiteral("%1 (%2) %3.").arg(what, piece, fault));
}

ViewRow ReadView(sqlite3* db, int32_t viewId, const QString& proc)
{
    Statement st(db,
                 QStringLiteral("SELECT ViewID, ViewName, DisplayName, BaseID, CreateSQLView, SQLViewName "
                                "FROM LdViews WHERE ViewID = ?1"),
                 proc);
    st.bind(1, viewId);
    if (!st.step())
        Fail(proc, QStringLiteral("view %1 does not exist.").arg(viewId));
    ViewRow v;
    v.viewId = viewId;
    v.viewName = st.text(1);
    v.displayName = st.text(2);
    if (st.isNull(3))
        Fail(proc, QStringLiteral("view %1 has no base.").arg(viewId));
    v.baseId = static_cast<int32_t>(st.integer(3));
    v.createSqlView = st.flag(4);
    v.sqlViewName = st.text(5).trimmed();
    return v;
}

BaseRow ReadBase(sqlite3* db, const ViewRow& v, const QString& proc)
{
    Statement st(db, QStringLiteral("SELECT KeySQL, FromSQL, FromExSQL FROM LdBases WHERE BaseID = ?1"), proc);
    st.bind(1, v.baseId);
    if (!st.step())
        Fail(proc, QStringLiteral("the base %1 of view %2 does not exist.").arg(v.baseId).arg(v.viewId));
    BaseRow b;
    b.keySql = st.text(0).trimmed();
    b.fromSql = st.text(1).trimmed();
    b.fromExSql = st.text(2).trimmed();
    if (b.keySql.isEmpty() || b.fromSql.isEmpty())
        Fail(proc, QStringLiteral("the base %1 has no row id or no FROM clause.").arg(v.baseId));
    // The row id is cut off at the first comma by the search editor's test.
    if (b.keySql.contains(QLatin1Char(',')))
        Fail(proc, QStringLiteral("the row id of base %1 (%2) must not contain a comma.").arg(v.baseId).arg(b.keySql));
    CheckPiece(b.keySql, QStringLiteral("the row id of base %1").arg(v.baseId), proc);
    CheckPiece(b.fromSql, QStringLiteral("the FROM clause of base %1").arg(v.baseId), proc);
    CheckPiece(b.fromExSql, QStringLiteral("the extended FROM clause of base %1").arg(v.baseId), proc);
    return b;
}

std::vector<BuiltColumn> ReadColumns(sqlite3* db, int32_t viewId, const QString& proc)
{
    Statement st(db, ViewColumnsSql(), proc);
    st.bind(1, viewId);
    std::vector<BuiltColumn> columns;
    while (st.step()) {
        BuiltColumn c;
        c.viewColumnId = static_cast<int32_t>(st.integer(0));
        c.order = static_cast<int32_t>(st.integer(1));
        c.columnId = static_cast<int32_t>(st.integer(3));
        c.columnName = st.text(4).trimmed();
        c.displayName = st.text(5).trimmed();
        c.columnSql = st.text(6).trimmed();
        c.type = static_cast<int32_t>(st.integer(8));
        c.viewable = st.flag(10);
        c.filterable = st.flag(11);
        c.useExtendedFrom = st.flag(12);
        columns.push_back(std::move(c));
    }
    return columns;
}

// What a SQL view made for a list view is stored as, up to its query.
QString MadeViewHead(const QString& name)
{
    return QStringLiteral("CREATE VIEW ") + QuoteIdentifier(name) + QStringLiteral(" /* quillon_views */ AS ");
}

// Drops a view of ours; no statement may be pending meanwhile.
void DropOwnSqlView(sqlite3* db, const SchemaObject& view, const QString& proc)
{
    Exec(db, QStringLiteral("DROP VIEW ") + QuoteIdentifier(view.name), proc);
}

// The SQL view that other applications read: the row id and the viewable columns by
// their SQL names. Only a view made here is dropped or replaced, whatever LdViews
// names: a row's SQLViewName is the application login's to write.
void WriteSqlView(sqlite3* db, const ViewRow& v, const BaseRow& b, const QString& fromSql,
                  const std::vector<const BuiltColumn*>& viewable, const QString& proc)
{
    const QString name = v.viewName.trimmed();
    std::optional<SchemaObject> old;
    if (!v.sqlViewName.isEmpty()) {
        old = FindSchemaObject(db, v.sqlViewName, proc);
        if (old && old->type != QLatin1String("view"))
            old.reset();  // not a view: none of ours to drop
        if (old && !old->ours && (!v.createSqlView || old->name.compare(name, Qt::CaseInsensitive) != 0))
            Fail(proc, QStringLiteral("the SQL view '%1' cannot be dropped: it was not made for a list view.")
                           .arg(old->name));
    }
    if (!v.createSqlView) {
        if (old)
            DropOwnSqlView(db, *old, proc);
        if (!v.sqlViewName.isEmpty()) {
            Statement up(db, QStringLiteral("UPDATE LdViews SET SQLViewName = NULL WHERE ViewID = ?1"), proc);
            up.bind(1, v.viewId).run();
        }
        return;
    }
    if (name.isEmpty())
        Fail(proc, QStringLiteral("view %1 has no SQL name for its SQL view.").arg(v.viewId));
    const std::optional<SchemaObject> existing = FindSchemaObject(db, name, proc);
    if (existing) {
        if (existing->type != QLatin1String("view"))
            Fail(proc, QStringLiteral("the SQL view '%1' cannot be made: a %2 of that name exists.").arg(name, existing->type));
        if (!existing->ours)
            Fail(proc, QStringLiteral("the SQL view '%1' cannot be made: a view of that name exists that "
                                      "was not made for a list view.")
                           .arg(name));
        // One made for a list view is replaced only for that view.
        Statement owner(db,
                        QStringLiteral("SELECT ViewID FROM LdViews WHERE TRIM(SQLViewName) = ?1 COLLATE NOCASE "
                                       "AND ViewID <> ?2 ORDER BY ViewID"),
                        proc);
        owner.bind(1, name).bind(2, v.viewId);
        if (owner.step())
            Fail(proc, QStringLiteral("the SQL view '%1' cannot be made: it belongs to view %2.")
                           .arg(name)
                           .arg(owner.integer(0)));
    }  // no statement may be pending while views are dropped and made
    if (old && old->name.compare(name, Qt::CaseInsensitive) != 0)
        DropOwnSqlView(db, *old, proc);
    if (existing)
        DropOwnSqlView(db, *existing, proc);
    QString select = QStringLiteral("SELECT ") + b.keySql + QStringLiteral(" AS [ID]");
    for (const BuiltColumn* c : viewable)
        select += QStringLiteral(", ") + c->columnSql + QStringLiteral(" AS ") + QuoteIdentifier(c->columnName);
    Exec(db, MadeViewHead(name) + select + QStringLiteral(" FROM ") + fromSql, proc);
    Statement up(db, QStringLiteral("UPDATE LdViews SET SQLViewName = ?1 WHERE ViewID = ?2"), proc);
    up.bind(1, name).bind(2, v.viewId).run();
}

// Rows for the links a view could have (switched off), so that the editor can switch
// them on: this view to every view on a related base, and every view of a relating
// base to this view. The catalogues take part in no link.
void AddCandidateLinks(sqlite3* db, int32_t viewId, const QString& proc)
{
    static const QString insert = QStringLiteral(
        "INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe) "
        "SELECT v.ViewID, br.BaseRelationshipID, lv.ViewID, 0 "
        "FROM LdBaseRelationships br "
        "INNER JOIN LdViews v ON v.BaseID = br.BaseID "
        "INNER JOIN LdViews lv ON lv.BaseID = br.RelatedBaseID "
        "WHERE %1 = ?1 "
        "AND v.ViewName COLLATE BINARY NOT IN ('LdViews', 'LdMyViews') "
        "AND lv.ViewName COLLATE BINARY NOT IN ('LdViews', 'LdMyViews') "
        "AND NOT EXISTS (SELECT 1 FROM LdViewRelationships x WHERE x.ViewID = v.ViewID "
        "AND x.BaseRelationshipID = br.BaseRelationshipID AND x.LinkViewID = lv.ViewID) "
        "ORDER BY v.ViewID, br.BaseRelationshipID, lv.ViewID");
    for (const char* side : {"v.ViewID", "lv.ViewID"}) {
        Statement st(db, insert.arg(QLatin1String(side)), proc);
        st.bind(1, viewId).run();
    }
}

ViewSqlOutcome Build(sqlite3* db, int32_t viewId, const QString& proc)
{
    const ViewRow v = ReadView(db, viewId, proc);
    const BaseRow b = ReadBase(db, v, proc);
    const std::vector<BuiltColumn> columns = ReadColumns(db, viewId, proc);

    std::vector<const BuiltColumn*> viewable;
    bool shownNeedExtendedFrom = false;
    for (const BuiltColumn& c : columns) {
        if (c.viewable || c.filterable)
            CheckPiece(c.columnSql, QStringLiteral("the SQL of column '%1'").arg(c.displayName), proc);
        if (c.viewable) {
            viewable.push_back(&c);
            shownNeedExtendedFrom = shownNeedExtendedFrom || c.useExtendedFrom;
        }
    }
    if (viewable.empty())
        Fail(proc, QStringLiteral("view '%1' has no viewable column; a view must show at least one.")
                       .arg(v.displayName));

    QString select = QStringLiteral("SELECT ") + b.keySql + QStringLiteral(" AS [ID]");
    QString columnString;
    for (const BuiltColumn* c : viewable) {
        // The column string separates captions by commas.
        if (c->displayName.contains(QLatin1Char(',')))
            Fail(proc, QStringLiteral("the caption '%1' of a column of view '%2' must not contain a comma.")
                           .arg(c->displayName, v.displayName));
        select += QStringLiteral(", ") + c->columnSql + QStringLiteral(" AS ") + QuoteIdentifier(c->displayName);
        // Numbers are right-aligned, everything else left-aligned.
        columnString += c->displayName + QStringLiteral(",") + (c->type == 1 ? QStringLiteral("1") : QStringLiteral("0")) +
                        QStringLiteral(",");
    }
    select += QStringLiteral("\r\n");
    // The list adds the extended FROM clause only for a search that needs it: a
    // shown column that needs it has it in the FROM clause itself.
    const bool extendedInFrom = shownNeedExtendedFrom && !b.fromExSql.isEmpty();
    const QString fromSql = extendedInFrom ? b.fromSql + QStringLiteral(" ") + b.fromExSql : b.fromSql;
    const QString from = QStringLiteral("FROM ") + fromSql;
    const QString fromEx = extendedInFrom ? QString() : b.fromExSql;

    ViewSqlOutcome outcome;
    const QString statement = select + QStringLiteral(" ") + from + (fromEx.isEmpty() ? QString() : QStringLiteral(" ") + fromEx);
    outcome.tooLong = statement.size() > kMaxStatementLength;
    outcome.statement = statement.left(kMaxStatementLength);
    if (outcome.tooLong)
        return outcome;

    // The statements the list, the export, the search editor's test, the statistics
    // and the filter build from the pieces must compile.
    const QString name = QStringLiteral("the SQL of view '%1'").arg(v.displayName);
    CheckRuns(db, select + QStringLiteral(" ") + from + QStringLiteral(" WHERE 1 = 0 ORDER BY 2"), name, proc);
    const QString firstItem = select.left(select.indexOf(QLatin1Char(',')));
    if (!fromEx.isEmpty()) {
        CheckRuns(db, select + QStringLiteral(" ") + from + QStringLiteral(" ") + fromEx + QStringLiteral(" WHERE 1 = 0 ORDER BY 2"),
                  QStringLiteral("the extended FROM clause of view '%1'").arg(v.displayName), proc);
    }
    CheckRuns(db, firstItem + QStringLiteral(" ") + from + QStringLiteral(" ") + fromEx + QStringLiteral(" WHERE 1 = 0"), name, proc);
    // The list's own form: the search's conditions in brackets, the closing one on a new line.
    CheckRuns(db, select + QStringLiteral(" ") + from + QStringLiteral(" ") + fromEx + QStringLiteral(" WHERE (1 = 0\r\n)"),
              name, proc);
    for (const BuiltColumn& c : columns) {
        if (!c.filterable)
            continue;
        CheckRuns(db,
                  firstItem + QStringLiteral(" ") + from + QStringLiteral(" ") + fromEx + QStringLiteral(" WHERE (") +
                      c.columnSql + QStringLiteral(") IS NULL"),
                  QStringLiteral("the filter column '%1' of view '%2'").arg(c.displayName, v.displayName), proc);
    }
    {
        Statement fn(db, ColumnFunctionsSql(), proc);
        fn.bind(1, viewId);
        while (fn.step()) {
            CheckRuns(db, QStringLiteral("SELECT ") + fn.text(1) + QStringLiteral(" ") + from + QStringLiteral(" WHERE 1 = 0"),
                      QStringLiteral("the column function '%1' of view '%2'").arg(fn.text(0), v.displayName), proc);
        }
    }
    if (v.viewName == QLatin1String("LdViews"))
        CheckRuns(db, firstItem + QStringLiteral(" ") + from +
                          QStringLiteral(" WHERE  (v_Shared = 1 OR (v_CreatorID = '' OR v_CreatorID IS NULL)) "),
                  QStringLiteral("the catalogue restriction of view '%1'").arg(v.displayName), proc);
    if (v.viewName == QLatin1String("LdMyViews"))
        CheckRuns(db, firstItem + QStringLiteral(" ") + from + QStringLiteral(" WHERE  (ViewUser = '' AND IsMyView = 1)"),
                  QStringLiteral("the catalogue restriction of view '%1'").arg(v.displayName), proc);

    Savepoint sp(db, proc);
    // The list reads column n of a row at the position of the column whose order is n.
    {
        Statement renumber(db,
                           QStringLiteral("UPDATE LdViewColumns SET ColumnOrder = ?1 "
                                          "WHERE ViewID = ?2 AND BaseColumnID = ?3 AND ColumnOrder <> ?1"),
                           proc);
        int32_t n = 0;
        for (const BuiltColumn* c : viewable) {
            renumber.bind(1, ++n).bind(2, viewId).bind(3, c->columnId);
            renumber.run();
            renumber.reset();
        }
    }
    {
        Statement up(db,
                     QStringLiteral("UPDATE LdViews SET SQLSelect = ?1, SQLFrom = ?2, SQLFromEx = ?3, ColumnString = ?4 "
                                    "WHERE ViewID = ?5"),
                     proc);
        up.bind(1, select).bind(2, from).bind(3, fromEx.isEmpty() ? Variant(Null) : Variant(fromEx));
        up.bind(4, columnString).bind(5, viewId).run();
    }
    WriteSqlView(db, v, b, fromSql, viewable, proc);
    if (!IsCatalogueView(v.viewName))
        AddCandidateLinks(db, viewId, proc);
    sp.release();
    return outcome;
}

// Ld_UpdateSQLStmts @v_iViewID, @r_sSQLStmt OUTPUT, @r_bStmtTooLong OUTPUT
// What the program stores of a view's header must fit the table's columns, and
// its name must be no other view's, compared as the database compares names
// (without regard to case or trailing blanks): the catalogues find a view by
// its name and leave out LdViews and LdMyViews so.
void CheckHeader(sqlite3* db, int32_t viewId, const QString& proc)
{
    Statement st(db, QStringLiteral("SELECT ViewName, DisplayName, COALESCE(Description, '') FROM LdViews WHERE ViewID = ?1"),
                 proc);
    st.bind(1, viewId);
    if (!st.step())
        return;  // the builder names the missing view
    const QString name = st.text(0);
    const struct {
        const char* what;
        QString text;
        int max;
    } fields[] = {{"name", name, 50}, {"display name", st.text(1), 128}, {"description", st.text(2), 128}};
    for (const auto& f : fields)
        if (f.text.size() > f.max)
            Fail(proc, QStringLiteral("the %1 of view %2 has %3 characters; at most %4 fit.")
                           .arg(QLatin1String(f.what))
                           .arg(viewId)
                           .arg(f.text.size())
                           .arg(f.max));
    Statement other(db,
                    QStringLiteral("SELECT DisplayName FROM LdViews WHERE ViewID <> ?1 AND "
                                   "UPPER(RTRIM(ViewName)) = UPPER(RTRIM(?2)) ORDER BY ViewID LIMIT 1"),
                    proc);
    other.bind(1, viewId).bind(2, name);
    if (other.step())
        Fail(proc, QStringLiteral("the name '%1' of view %2 is the name of the view '%3'; a view's name must be unique.")
                       .arg(name)
                       .arg(viewId)
                       .arg(other.text(0)));
}

void UpdateSqlStmts(ProcedureCall& call)
{
    const int32_t viewId = RequiredIntArg(call, 0, "@v_iViewID");
    CheckHeader(call.db, viewId, call.procedureName);
    const ViewSqlOutcome outcome = Build(call.db, viewId, call.procedureName);
    SetOutput(call, 1, outcome.statement);
    SetOutput(call, 2, Variant(outcome.tooLong ? 1 : 0));
}

// Ld_ResetSQLForAllViews @ViewID NULL, @BaseID NULL: rebuilds one view, the views of
// a base, or every view. A view whose statement would be too long keeps its pieces.
void ResetSqlForAllViews(ProcedureCall& call)
{
    const auto viewId = OptionalIntArg(call, 0, "@ViewID");
    const auto baseId = OptionalIntArg(call, 1, "@BaseID");
    std::vector<int32_t> ids;
    {
        Statement st(call.db,
                     QStringLiteral("SELECT ViewID FROM LdViews WHERE (?1 IS NULL OR ViewID = ?1) "
                                    "AND (?2 IS NULL OR BaseID = ?2) ORDER BY ViewID"),
                     call.procedureName);
        st.bind(1, viewId ? Variant(*viewId) : Variant(Null)).bind(2, baseId ? Variant(*baseId) : Variant(Null));
        while (st.step())
            ids.push_back(static_cast<int32_t>(st.integer(0)));
    }
    if (viewId && ids.empty())
        Fail(call.procedureName, QStringLiteral("view %1 does not exist%2.")
                                     .arg(*viewId)
                                     .arg(baseId ? QStringLiteral(" in base %1").arg(*baseId) : QString()));
    Savepoint sp(call.db, call.procedureName);
    for (int32_t id : ids)
        Build(call.db, id, call.procedureName);
    sp.release();
}

}  // namespace

ViewSqlOutcome BuildViewSqlPieces(sqlite3* db, int32_t viewId)
{
    return Build(db, viewId, QStringLiteral("Ld_UpdateSQLStmts"));
}

namespace procs {

void RebuildViewsOfBase(sqlite3* db, int32_t baseId, const QString& procedure)
{
    std::vector<int32_t> ids;
    {
        Statement st(db, QStringLiteral("SELECT ViewID FROM LdViews WHERE BaseID = ?1 ORDER BY ViewID"), procedure);
        st.bind(1, baseId);
        while (st.step())
            ids.push_back(static_cast<int32_t>(st.integer(0)));
    }
    Savepoint sp(db, procedure);
    for (int32_t id : ids)
        Build(db, id, procedure);
    sp.release();
}

void RegisterViewSqlProcedures()
{
    Register("Ld_UpdateSQLStmts", 1, 3, UpdateSqlStmts);
    Register("Ld_ResetSQLForAllViews", 0, 2, ResetSqlForAllViews);
}

}  // namespace procs

std::optional<SchemaObject> FindSchemaObject(sqlite3* db, const QString& name, const QString& proc)
{
    Statement st(db, QStringLiteral("SELECT name, type, sql FROM sqlite_master WHERE name = ?1 COLLATE NOCASE"), proc);
    st.bind(1, name);
    if (!st.step())
        return std::nullopt;
    SchemaObject o;
    o.name = st.text(0);
    o.type = st.text(1);
    o.ours = o.type == QLatin1String("view") && st.text(2).startsWith(MadeViewHead(o.name));
    return o;
}

}  // namespace erpdb
