// The T-SQL of the view procedures against the embedded server's own procedures:
// the same parameters in the same order, the same result fields in the same order
// with types SQL Server gives the same way, and the same error texts. No SQL
// Server runs here, so the files are read, and the host procedures are run on the
// procedures' fixture for what they really return.
#include "db/ProceduresTestSupport.h"
#include "db/SqlServerScripts.h"

#include <QRegularExpression>

using namespace proctest;

namespace {

QString ProcedureFile(const char* name)
{
    const QString text = erpdb::SqlServerProcedures().value(QLatin1String(name));
    EXPECT_FALSE(text.isEmpty()) << "no file for " << name;
    return text;
}

// The text with comments removed and the insides of string literals blanked, so
// that commas, parentheses and words in them do not count.
QString CodeOnly(const QString& sql)
{
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (sql.mid(i, 2) == QLatin1String("--")) {
            while (i < sql.size() && sql[i] != QLatin1Char('\n'))
                ++i;
            out += QLatin1Char('\n');
        } else if (sql.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 1;
            out += QLatin1Char(' ');
        } else if (sql[i] == QLatin1Char('\'')) {
            out += QLatin1Char('\'');
            for (++i; i < sql.size(); ++i) {
                if (sql[i] == QLatin1Char('\'') && i + 1 < sql.size() && sql[i + 1] == QLatin1Char('\''))
                    ++i;
                else if (sql[i] == QLatin1Char('\''))
                    break;
                out += QLatin1Char('x');
            }
            out += QLatin1Char('\'');
        } else {
            out += sql[i];
        }
    }
    return out;
}

// The parameters the procedure declares, in order, "OUTPUT" after an output one.
QStringList DeclaredParameters(const QString& file, const char* name)
{
    const QString code = CodeOnly(file);
    const QRegularExpression header(QStringLiteral("CREATE OR ALTER PROCEDURE dbo\\.%1\\n(.*?)\\n(?:WITH [^\\n]*\\n)?AS\\n").arg(QLatin1String(name)),
                                    QRegularExpression::DotMatchesEverythingOption);
    const auto m = header.match(code);
    if (!m.hasMatch())
        return {QStringLiteral("<no header>")};
    QStringList params;
    const QRegularExpression param(QStringLiteral("(@\\w+)[^,]*?(\\bOUTPUT\\b)?\\s*(,|$)"));
    for (auto it = param.globalMatch(m.captured(1)); it.hasNext();) {
        const auto p = it.next();
        params << p.captured(1) + (p.captured(2).isEmpty() ? QString() : QStringLiteral(" OUTPUT"));
    }
    return params;
}

TEST(SqlServerViewProcedures, EachDeclaresTheHostsParametersInTheirOrder)
{
    struct Case {
        const char* name;
        QStringList params;
    };
    const Case cases[] = {
        {"Ld_GetView", {"@ViewID", "@UserID"}},
        {"Ld_GetViewColumns", {"@ViewID", "@AllBaseColumns"}},
        {"Ld_GetViewColumnFunctions", {"@ViewID"}},
        {"Ld_GetAssocViews", {"@ViewID", "@UserID", "@AllLinks"}},
        {"Ld_GetViewFilters", {"@ViewID", "@EditorMode", "@UserID"}},
        {"Ld_IsColumnFilterable", {"@ViewID", "@ColumnID", "@ColumnName"}},
        {"Ld_GetViewColumnFilters", {"@ViewID"}},
        {"Ld_DeleteView", {"@ViewID"}},
        // the program sends these by name
        {"Ld_UpdateSQLStmts", {"@v_iViewID", "@r_sSQLStmt OUTPUT", "@r_bStmtTooLong OUTPUT"}},
        {"Ld_ResetSQLForAllViews", {"@ViewID", "@BaseID"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeclaredParameters(ProcedureFile(c.name), c.name).join(',').toStdString(), c.params.join(',').toStdString())
            << c.name;
}

// ---- Result fields -------------------------------------------------------------

// The type of each column of each table as the company script creates it ("int",
// "bit", "nvarchar", ...), by "Table.Column".
QHash<QString, QString> SchemaTypes()
{
    QHash<QString, QString> types;
    const QString script = erpdb::SqlServerCompanyScript(QStringLiteral("DemoCo"));
    const QRegularExpression table(QStringLiteral("CREATE TABLE dbo\\.(\\w+) \\((.*?)\\n\\);"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression column(QStringLiteral("^\\s+(\\w+)\\s+([A-Za-z]+)"), QRegularExpression::MultilineOption);
    for (auto t = table.globalMatch(script); t.hasNext();) {
        const auto tm = t.next();
        for (auto c = column.globalMatch(tm.captured(2)); c.hasNext();) {
            const auto cm = c.next();
            types.insert(tm.captured(1) + QLatin1Char('.') + cm.captured(1), cm.captured(2).toLower());
        }
    }
    return types;
}

// Splits at commas outside parentheses.
QStringList SplitTopLevel(const QString& list)
{
    QStringList items;
    int depth = 0;
    QString current;
    for (const QChar ch : list) {
        if (ch == QLatin1Char('('))
            ++depth;
        if (ch == QLatin1Char(')'))
            --depth;
        if (ch == QLatin1Char(',') && depth == 0) {
            items << current.simplified();
            current.clear();
        } else {
            current += ch;
        }
    }
    items << current.simplified();
    return items;
}

struct ResultSelect {
    QStringList expressions;
    QStringList names;
    QHash<QString, QString> tables;  // alias (or the table's own name) -> table
};

// The procedure's last SELECT outside parentheses: the one that returns its rows.
ResultSelect FinalSelect(const QString& file)
{
    const QString code = CodeOnly(file);
    qsizetype last = -1;
    int depth = 0;
    const QRegularExpression word(QStringLiteral("\\bSELECT\\b"));
    for (qsizetype i = 0; i < code.size(); ++i) {
        if (code[i] == QLatin1Char('('))
            ++depth;
        else if (code[i] == QLatin1Char(')'))
            --depth;
        else if (depth == 0 && word.match(code, i, QRegularExpression::NormalMatch,
                                          QRegularExpression::AnchorAtOffsetMatchOption).hasMatch())
            last = i;
    }
    ResultSelect r;
    if (last < 0)
        return r;
    QString rest = code.mid(last + 6);
    // the select list ends at the first FROM outside parentheses
    depth = 0;
    qsizetype from = -1;
    const QRegularExpression fromWord(QStringLiteral("\\bFROM\\b"));
    for (qsizetype i = 0; i < rest.size() && from < 0; ++i) {
        if (rest[i] == QLatin1Char('('))
            ++depth;
        else if (rest[i] == QLatin1Char(')'))
            --depth;
        else if (depth == 0 && fromWord.match(rest, i, QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption).hasMatch())
            from = i;
    }
    QString list = rest.left(from).trimmed();
    list.remove(QRegularExpression(QStringLiteral("^TOP \\(\\d+\\)\\s*")));
    const QRegularExpression alias(QStringLiteral("^(.*)\\s+AS\\s+(\\w+)$"), QRegularExpression::DotMatchesEverythingOption);
    for (const QString& item : SplitTopLevel(list)) {
        const auto m = alias.match(item);
        r.expressions << (m.hasMatch() ? m.captured(1) : item);
        r.names << (m.hasMatch() ? m.captured(2) : item.section(QLatin1Char('.'), -1));
    }
    const QRegularExpression source(QStringLiteral("\\b(?:FROM|JOIN)\\s+dbo\\.(\\w+)(?:\\s+(\\w+))?"));
    static const QStringList keywords = {"WHERE", "INNER", "LEFT", "RIGHT", "CROSS", "ON", "ORDER", "GROUP", "JOIN"};
    for (auto it = source.globalMatch(rest.mid(from)); it.hasNext();) {
        const auto m = it.next();
        const bool hasAlias = !m.captured(2).isEmpty() && !keywords.contains(m.captured(2).toUpper());
        r.tables.insert(hasAlias ? m.captured(2) : m.captured(1), m.captured(1));
    }
    return r;
}

// The SQL Server type of a result expression, in the few forms the files use:
// a column, CAST(... AS t), COALESCE (the operand types' highest precedence),
// REPLACE, and a one-column subquery. "" when the form is not one of them.
QString ExpressionType(const QString& expr, const ResultSelect& s, const QHash<QString, QString>& schema)
{
    static const QRegularExpression cast(QStringLiteral("^CAST\\(.*\\bAS (\\w+)\\)$"));
    static const QRegularExpression column(QStringLiteral("^(?:(\\w+)\\.)?(\\w+)$"));
    static const QRegularExpression subquery(QStringLiteral("^\\(SELECT (?:TOP \\(1\\) )?(\\w+\\.\\w+) FROM dbo\\.(\\w+) (\\w+)\\b"));
    if (const auto m = cast.match(expr); m.hasMatch())
        return m.captured(1).toLower();
    if (expr.startsWith(QLatin1String("REPLACE(")))
        return QStringLiteral("nvarchar");
    if (expr.startsWith(QLatin1String("COALESCE(")) && expr.endsWith(QLatin1Char(')'))) {
        static const QStringList precedence = {"float", "int", "smallint", "bit", "nvarchar"};
        QString best;
        for (const QString& operand : SplitTopLevel(expr.mid(9, expr.size() - 10))) {
            QString t = operand == QLatin1String("0") || operand == QLatin1String("1") ? QStringLiteral("int")
                        : operand.startsWith(QLatin1String("N'"))                     ? QStringLiteral("nvarchar")
                                                                                      : ExpressionType(operand, s, schema);
            if (t.isEmpty())
                return {};
            if (best.isEmpty() || precedence.indexOf(t) < precedence.indexOf(best))
                best = t;
        }
        return best;
    }
    if (const auto m = subquery.match(expr); m.hasMatch()) {
        ResultSelect inner;
        inner.tables.insert(m.captured(3), m.captured(2));
        return ExpressionType(m.captured(1), inner, schema);
    }
    if (const auto m = column.match(expr); m.hasMatch()) {
        QString table = m.captured(1).isEmpty() && s.tables.size() == 1 ? s.tables.begin().value()
                                                                        : s.tables.value(m.captured(1));
        return schema.value(table + QLatin1Char('.') + m.captured(2));
    }
    return {};
}

QString SqlServerTypeOf(int32_t adoType)
{
    switch (adoType) {
    case adInteger: return QStringLiteral("int");
    case adBoolean: return QStringLiteral("bit");
    case adDouble: return QStringLiteral("float");
    default: return QStringLiteral("nvarchar");
    }
}

TEST_F(ProceduresTest, EachReadingProcedureSelectsTheHostsFieldsInOrderWithTheirTypes)
{
    struct Case {
        const char* name;
        std::vector<Variant> args;
    };
    const Case cases[] = {
        {"Ld_GetView", {Variant(int32_t(1)), Variant("jdoe")}},
        {"Ld_GetViewColumns", {Variant(int32_t(1)), Variant(int32_t(1))}},
        {"Ld_GetViewColumnFunctions", {Variant(int32_t(1))}},
        {"Ld_GetAssocViews", {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(1))}},
        {"Ld_GetViewFilters", {Variant(int32_t(1))}},
        {"Ld_IsColumnFilterable", {Variant(int32_t(1)), Variant(int32_t(103))}},
        {"Ld_GetViewColumnFilters", {Variant(int32_t(1))}},
    };
    const QHash<QString, QString> schema = SchemaTypes();
    ASSERT_EQ(schema.value(QStringLiteral("LdViewColumns.ColumnOrder")), QStringLiteral("smallint"));
    for (const Case& c : cases) {
        const ProcedureCall host = Call(c.name, c.args);
        const ResultSelect s = FinalSelect(ProcedureFile(c.name));
        EXPECT_EQ(s.names.join(',').toStdString(), host.columns.join(',').toStdString()) << c.name;
        if (s.names.size() != host.columns.size() || host.columnTypes.size() != static_cast<size_t>(host.columns.size()))
            continue;
        for (qsizetype i = 0; i < s.names.size(); ++i)
            EXPECT_EQ(ExpressionType(s.expressions[i], s, schema).toStdString(), SqlServerTypeOf(host.columnTypes[i]).toStdString())
                << c.name << " " << s.names[i].toStdString() << ": " << s.expressions[i].toStdString();
    }
}

// The reader of the files finds what it is there to find.
TEST(SqlServerViewProcedures, TheFieldReaderSeesNamesAndTypesAsSqlServerWould)
{
    const QString file = QStringLiteral(
        "CREATE OR ALTER PROCEDURE dbo.P\n    @A int,\n    @B nvarchar(10) = NULL OUTPUT\nAS\nBEGIN\n"
        "    SELECT 1 AS Dummy FROM dbo.LdViews;  -- not the last\n"
        "    SELECT TOP (1) v.ViewID, COALESCE(v.Custom, 0) AS Custom, CAST(COALESCE(v.Shared, 0) AS bit) AS Shared,\n"
        "           COALESCE(v.Description, N'a, b') AS Description, vc.ColumnOrder AS ColumnOrder,\n"
        "           (SELECT TOP (1) mv.AutoPopulate FROM dbo.LdMyViews mv WHERE mv.ViewID = v.ViewID) AS Auto\n"
        "    FROM dbo.LdViews v INNER JOIN dbo.LdViewColumns vc ON vc.ViewID = v.ViewID;\nEND\n");
    EXPECT_EQ(DeclaredParameters(file, "P"), (QStringList{"@A", "@B OUTPUT"}));
    const ResultSelect s = FinalSelect(file);
    ASSERT_EQ(s.names, (QStringList{"ViewID", "Custom", "Shared", "Description", "ColumnOrder", "Auto"}));
    const QHash<QString, QString> schema = SchemaTypes();
    QStringList types;
    for (const QString& e : s.expressions)
        types << ExpressionType(e, s, schema);
    // a bit with a 0 beside it turns int; smallint stays smallint
    EXPECT_EQ(types, (QStringList{"int", "int", "bit", "nvarchar", "smallint", "bit"}));
}

// ---- Errors ----------------------------------------------------------------------

TEST_F(ProceduresTest, EachHostErrorTextIsRaisedByTheTsqlOfTheSameProcedure)
{
    Exec("INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID, Custom, Shared, CreatorID) VALUES "
         "(20, 'ORDERS_20', 'Nothing shown', 1, -1, 0, 'jdoe'), (21, 'ORDERS_21', 'Broken', 1, -1, 0, 'jdoe'), "
         "(22, 'Customers', 'Clash', 2, -1, 0, 'jdoe'), (24, 'ORDERS_24', 'Comma', 1, -1, 0, 'jdoe');"
         "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, FilterDataType) "
         "VALUES (108, 1, 'Bad', 'Bad', 'o.NoSuchColumn', 'int', 1, 'number'), "
         "(110, 1, 'Net', 'Net, total', 'o.Amount', 'money', 1, 'money');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(20, 101, 1, 1, -1, 0), (21, 101, 1, 1, -1, -1), (21, 108, 2, 0, 0, -1), "
         "(22, 201, 1, 1, -1, -1), (24, 101, 1, 1, -1, -1), (24, 110, 2, 0, 0, -1);"
         "UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID = 22;"
         // A second ORDERS_1, a name too long, a base whose FROM clause ends in a line comment.
         "INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID) VALUES (25, 'orders_1', 'Twin', 1), "
         "(26, 'ORDERS_26', 'Long', 1), (27, 'DAMAGED_1', 'Damaged', 3);"
         "UPDATE LdViews SET Description = printf('%.129c', 'x') WHERE ViewID = 26;"
         "INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL) VALUES (3, 'DAMAGED', 'Damaged', "
         "'c.CustomerID', 'Customers c --');"
         // A view of the ERP's that a row names as its SQL view.
         "CREATE VIEW vw_Erp AS SELECT 1 AS x;"
         "INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID, Custom, SQLViewName) VALUES "
         "(28, 'ORDERS_28', 'Foreign', 1, -1, 'vw_Erp');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(28, 101, 1, 1, -1, -1);");
    struct Case {
        const char* name;
        std::vector<Variant> args;
        // The host's text with %d and %s where values go; the file raises it with its
        // quotes doubled, as one format or as the fixed pieces of a CONCAT.
        const char* text;
    };
    const Variant out;
    const Case cases[] = {
        {"Ld_GetView", {Variant(Null)}, "Ld_GetView: @ViewID must not be NULL."},
        {"Ld_GetViewColumns", {Variant(Null)}, "Ld_GetViewColumns: @ViewID must not be NULL."},
        {"Ld_GetViewColumnFunctions", {Variant(Null)}, "Ld_GetViewColumnFunctions: @ViewID must not be NULL."},
        {"Ld_GetAssocViews", {Variant(Null), Variant("jdoe")}, "Ld_GetAssocViews: @ViewID must not be NULL."},
        {"Ld_GetAssocViews", {Variant(int32_t(1)), Variant(Null)}, "Ld_GetAssocViews: @UserID must not be NULL."},
        {"Ld_GetViewFilters", {Variant(Null)}, "Ld_GetViewFilters: @ViewID must not be NULL."},
        {"Ld_IsColumnFilterable", {Variant(Null), Variant(int32_t(1))}, "Ld_IsColumnFilterable: @ViewID must not be NULL."},
        {"Ld_IsColumnFilterable", {Variant(int32_t(1)), Variant(Null), Variant(Null)},
         "Ld_IsColumnFilterable: @ColumnID and @ColumnName must not both be NULL."},
        {"Ld_GetViewColumnFilters", {Variant(Null)}, "Ld_GetViewColumnFilters: @ViewID must not be NULL."},
        {"Ld_DeleteView", {Variant(Null)}, "Ld_DeleteView: @ViewID must not be NULL."},
        {"Ld_DeleteView", {Variant(int32_t(999))}, "Ld_DeleteView: view %d does not exist."},
        {"Ld_DeleteView", {Variant(int32_t(1))}, "Ld_DeleteView: view '%s' is a standard view and cannot be deleted."},
        {"Ld_DeleteView", {Variant(int32_t(28))},
         "Ld_DeleteView: the SQL view '%s' cannot be dropped: it was not made for a list view."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(28)), out, out},
         "Ld_UpdateSQLStmts: the SQL view '%s' cannot be dropped: it was not made for a list view."},
        {"Ld_UpdateSQLStmts", {Variant(Null), out, out}, "Ld_UpdateSQLStmts: @v_iViewID must not be NULL."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(999)), out, out}, "Ld_UpdateSQLStmts: view %d does not exist."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(20)), out, out},
         "Ld_UpdateSQLStmts: view '%s' has no viewable column; a view must show at least one."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(21)), out, out}, "%sthe SQL of view '%s'%s does not run: %s"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(22)), out, out},
         "Ld_UpdateSQLStmts: the SQL view '%s' cannot be made: a %s of that name exists."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(24)), out, out},
         "Ld_UpdateSQLStmts: the caption '%s' of a column of view '%s' must not contain a comma."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(25)), out, out},
         "Ld_UpdateSQLStmts: the name '%s' of view %d is the name of the view '%s'; a view's name must be unique."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(26)), out, out},
         "Ld_UpdateSQLStmts: the %s of view %d has %d characters; at most %d fit."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(27)), out, out}, "Ld_UpdateSQLStmts: %s of base %d (%s) %s."},
        {"Ld_ResetSQLForAllViews", {Variant(int32_t(999)), Variant(Null)}, "Ld_ResetSQLForAllViews: view %d does not exist."},
        {"Ld_ResetSQLForAllViews", {Variant(int32_t(1)), Variant(int32_t(2))},
         "Ld_ResetSQLForAllViews: view %d does not exist in base %d."},
    };
    for (const Case& c : cases) {
        const QString text = QLatin1String(c.text);
        // the host says it: its message matches the text with any values
        QString pattern;
        for (const QString& part : text.split(QRegularExpression(QStringLiteral("(?=%[ds])|(?<=%[ds])"))))
            pattern += part == QLatin1String("%d")   ? QStringLiteral("-?\\d+")
                       : part == QLatin1String("%s") ? QStringLiteral(".*")
                                                     : QRegularExpression::escape(part);
        try {
            Call(c.name, c.args);
            ADD_FAILURE() << c.name << " succeeded; expected " << c.text;
        } catch (const AppError& e) {
            EXPECT_TRUE(QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')).match(e.description()).hasMatch())
                << c.name << ": " << e.description().toStdString();
        }
        // the file says it
        const QString file = ProcedureFile(c.name);
        QString doubled = text;
        doubled.replace(QLatin1Char('\''), QLatin1String("''"));
        const bool whole = file.contains(doubled);
        bool pieces = true;
        for (const QString& piece : doubled.split(QRegularExpression(QStringLiteral("%[ds]")), Qt::SkipEmptyParts))
            pieces = pieces && file.contains(piece);
        EXPECT_TRUE(whole || pieces) << c.name << ": " << c.text;
    }
}

}  // namespace
