// The T-SQL procedure files against the embedded server's host procedures they
// stand for: every refusal of the host reads as one of the file's messages and
// every message of the file is one the host gives; the parameters in the
// program's order with their OUTPUTs; the result columns the host returns, in
// its order; and a RAISERROR outside TRY ends the procedure (it does not stop it
// by itself), a transaction is rolled back and the error rethrown in the CATCH.

#include "ProceduresTestSupport.h"
#include "db/SqlServerScripts.h"

#include <QRegularExpression>

#include <optional>

namespace {

using proctest::ProceduresTest;

QString File(const QString& name)
{
    const QMap<QString, QString> files = erpdb::SqlServerProcedures();
    EXPECT_TRUE(files.contains(name)) << name.toStdString();
    return files.value(name);
}

// A T-SQL text literal at s[i] (N'...' or '...'), its quotes undoubled; i moves past it.
std::optional<QString> Literal(const QString& s, qsizetype& i)
{
    qsizetype j = i;
    if (j < s.size() && s[j] == QLatin1Char('N'))
        ++j;
    if (j >= s.size() || s[j] != QLatin1Char('\''))
        return std::nullopt;
    QString text;
    for (++j; j < s.size(); ++j) {
        if (s[j] == QLatin1Char('\'')) {
            if (j + 1 < s.size() && s[j + 1] == QLatin1Char('\'')) {
                text += QLatin1Char('\'');
                ++j;
                continue;
            }
            i = j + 1;
            return text;
        }
        text += s[j];
    }
    return std::nullopt;
}

// The messages a file raises, as patterns: RAISERROR(N'text', ...) literally, and
// SET @msg = CONCAT(N'a', @x, N'b') as "a.*b".
QStringList MessagePatterns(const QString& sql)
{
    QStringList patterns;
    static const QRegularExpression raise(QStringLiteral("RAISERROR\\("));
    for (auto it = raise.globalMatch(sql); it.hasNext();) {
        qsizetype i = it.next().capturedEnd();
        const auto text = Literal(sql, i);
        if (text && *text != QLatin1String("%s"))
            patterns << QRegularExpression::escape(*text);
    }
    static const QRegularExpression concat(QStringLiteral("SET @msg = CONCAT\\("));
    for (auto it = concat.globalMatch(sql); it.hasNext();) {
        qsizetype i = it.next().capturedEnd();
        QString pattern;
        int depth = 0;
        bool wildcard = false;
        while (i < sql.size()) {
            if (depth == 0 && (sql[i] == QLatin1Char('N') || sql[i] == QLatin1Char('\''))) {
                if (const auto text = Literal(sql, i)) {
                    pattern += QRegularExpression::escape(*text);
                    wildcard = false;
                    continue;
                }
            }
            const QChar c = sql[i++];
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')') && depth-- == 0)
                break;
            else if (!c.isSpace() && c != QLatin1Char(',') && !wildcard) {
                pattern += QStringLiteral(".*");
                wildcard = true;
            }
        }
        patterns << pattern;
    }
    return patterns;
}

TEST_F(ProceduresTest, TheFilesRefuseWithTheHostsMessagesAndNoOthers)
{
    // Sources to import from: a linked table, one that does not say how its rows
    // meet the base's, a linked column that does not compile over the base,
    // custom properties of customers, and an imported column that is all a view shows.
    Exec(QStringLiteral(
        "INSERT INTO LdBaseTables (TableID, DisplayName, BaseID, LinkedBaseID, CorrelationSQL) VALUES\n"
        " (1, 'Customer', 1, 2, 'c2.CustomerID = o.CustomerID'), (2, 'Loose', 1, 2, NULL);\n"
        "UPDATE LdBases SET FromSQL = 'Customers c2' WHERE BaseID = 2;\n"
        "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type,\n"
        "  FilterDataType, Imported) VALUES (204, 2, 'Broken', 'Broken', 'c2.Nope', 'varchar', 2, 'text', 0),\n"
        "  (301, 2, 'Imp', 'Imp', 'c.City', 'varchar', 2, 'text', 1);\n"
        "INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID) VALUES (4, 'CUSTOMERS_4', 'Only Imp', 2);\n"
        "INSERT INTO LdViewColumns (ViewID, BaseColumnID, Viewable) VALUES (4, 301, -1);\n"
        "INSERT INTO ShTrackingGroups (TrackingGroupID, TableName, TypeID, DisplayName) VALUES\n"
        " (1, 'CUSTOMERS', 2, 'Profile'), (2, 'ORDERS', 2, 'Order things');\n"
        "INSERT INTO ShTrackingAttributes (AttributeID, TrackingGroupID, AttributeName, DisplayName) VALUES\n"
        " (1, 1, 'Segment', 'Segment'), (2, 2, 'Rush', 'Rush');\n"));
    const Variant null(Null);
    const QString longName(65, QLatin1Char('x'));
    auto i = [](int v) { return Variant(int32_t(v)); };
    auto s = [](const char* v) { return Variant(QString::fromUtf8(v)); };
    struct Case {
        const char* procedure;
        std::vector<Variant> args;
        const char* setup = nullptr;  // run before, undone after
    };
    const std::vector<Case> cases = {
        {"Co_GetRegValue", {i(0), null, s("Version")}},
        {"Co_GetRegValue", {i(0), s("System"), null}},
        {"Co_GetRegValue", {i(0), s("\\\\"), s("Version")}},
        {"Co_GetRegValue", {i(0), s("Config\\Nope"), s("Version")}},
        {"Co_GetRegValue", {i(0), s("Config\\Export"), s("Nope")}},
        {"Co_GetRights", {null, s("ACME"), s("QuillonAllViews")}},
        {"Co_GetRights", {s("jdoe"), s("ACME"), null}},
        {"ListDialogTypes_Load", {null}},
        {"Ld_GetImportColumns", {null, i(1), i(0)}},
        {"Ld_GetImportColumns", {i(99), i(1), i(0)}},
        {"Ld_GetImportColumns", {i(1), null, i(0)}},
        {"Ld_GetImportColumns", {i(1), i(1), null}},
        {"Ld_GetImportColumns", {i(1), i(9), i(0)}},
        {"Ld_GetImportColumns", {i(1), i(2), i(0)}},
        {"Ld_GetImportColumns", {i(1), i(1), i(1)}},
        {"Ld_GetImportColumns", {i(1), i(1), i(2)}},
    };
    std::vector<Case> all = cases;
    // The two import procedures share their name checks; each must give them under its own name.
    for (const char* proc : {"Ld_ImportColumn", "Ld_ImportCustomProperty"}) {
        const bool linked = proc == std::string("Ld_ImportColumn");
        const int view = linked ? 1 : 2;
        const int source = linked ? 1 : 1;
        const int column = linked ? 202 : 1;
        auto args = [&](Variant a, Variant b, Variant c, Variant d, Variant e) {
            return std::vector<Variant>{a, b, c, d, e};
        };
        const std::vector<Case> importCases = {
            {proc, args(null, i(source), s("A"), s("A"), i(column))},
            {proc, args(i(99), i(source), s("A"), s("A"), i(column))},
            {proc, args(i(view), null, s("A"), s("A"), i(column))},
            {proc, args(i(view), i(source), null, s("A"), i(column))},
            {proc, args(i(view), i(source), s("A"), null, i(column))},
            {proc, args(i(view), i(source), s("A"), s("A"), null)},
            {proc, args(i(view), i(9), s("A"), s("A"), i(column))},
            {proc, args(i(view), i(source), s("A"), s("A"), i(999))},
            {proc, args(i(view), i(source), s("  "), s("A"), i(column))},
            {proc, args(i(view), i(source), Variant(longName), s("A"), i(column))},
            {proc, args(i(view), i(source), s("1A"), s("A"), i(column))},
            {proc, args(i(view), i(source), s("A-B"), s("A"), i(column))},
            {proc, args(i(view), i(source), s("id"), s("A"), i(column))},
            {proc, args(i(view), i(source), s("A"), s("A, B"), i(column))},
            {proc, args(i(view), i(source), s(linked ? "orderno" : "custname"), s("A"), i(column))},
            {proc, args(i(view), i(source), s("A"), s(linked ? "order no" : "city"), i(column))},
            linked ? Case{proc, args(i(1), i(1), s("A"), s("A"), i(204))}
                   : Case{proc, args(i(2), i(1), s("A"), s("A"), i(1)), "UPDATE LdBases SET KeySQL = 'c.Nope' WHERE BaseID = 2"},
        };
        all.insert(all.end(), importCases.begin(), importCases.end());
    }
    all.push_back({"Ld_ImportColumn", {i(1), i(2), s("A"), s("A"), i(202)}});
    all.push_back({"Ld_ImportCustomProperty", {i(2), i(2), s("A"), s("A"), i(2)}});
    all.push_back({"Ld_ImportCustomProperty", {i(2), i(1), s("A"), s("A"), i(2)}});
    for (const char* ids : {"", "5,x", "999", "101", "106", "301"})
        all.push_back({"Ld_DeleteColumn_IDs", {ids[0] ? s(ids) : null}});

    QMap<QString, QStringList> used;  // patterns a host message matched, by file
    for (const Case& c : all) {
        const QString name = QLatin1String(c.procedure);
        Exec(QStringLiteral("SAVEPOINT refusal"));
        if (c.setup)
            Exec(QLatin1String(c.setup));
        QString message;
        try {
            Call(c.procedure, c.args);
        } catch (const AppError& e) {
            message = e.description();
        }
        Exec(QStringLiteral("ROLLBACK TO refusal; RELEASE refusal"));
        ASSERT_FALSE(message.isEmpty()) << c.procedure << " accepted a case meant to be refused";
        bool matched = false;
        for (const QString& p : MessagePatterns(File(name))) {
            if (QRegularExpression(QStringLiteral("^") + p + QStringLiteral("$")).match(message).hasMatch()) {
                used[name] << p;
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << "the file of " << c.procedure << " has no message for: " << message.toStdString();
    }
    for (auto it = used.begin(); it != used.end(); ++it)
        for (const QString& p : MessagePatterns(File(it.key())))
            EXPECT_TRUE(it.value().contains(p)) << it.key().toStdString() << " raises what the host never says: "
                                                << p.toStdString();
}

// The parameter list between the procedure's name and AS: name, default, OUTPUT.
struct Parameter {
    QString name;
    bool defaultNull = false;
    bool output = false;
};
std::vector<Parameter> Parameters(const QString& sql, const QString& name)
{
    const QString head = QStringLiteral("CREATE OR ALTER PROCEDURE dbo.%1\n").arg(name);
    const qsizetype start = sql.indexOf(head);
    const qsizetype end = sql.indexOf(QStringLiteral("\nAS\n"), start);
    std::vector<Parameter> out;
    if (start < 0 || end < 0)
        return out;
    for (const QString& line : sql.mid(start + head.size(), end - start - head.size()).split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!t.startsWith(QLatin1Char('@')))
            continue;
        out.push_back({t.section(QLatin1Char(' '), 0, 0), t.contains(QLatin1String("= NULL")),
                       t.contains(QRegularExpression(QStringLiteral("\\bOUTPUT,?$")))});
    }
    return out;
}

TEST_F(ProceduresTest, TheFilesTakeTheProgramsParametersAndReturnTheHostsColumns)
{
    // The names the program sends (BrandleCommand) and the host's messages use;
    // the outputs the host sets; optional ones past the host's least count.
    struct Case {
        const char* procedure;
        std::vector<const char*> parameters;  // "@x OUTPUT" for an output
    };
    const Case cases[] = {
        {"Co_GetRegValue", {"@vi_ParentID", "@vs_SubKey", "@vs_Name", "@rs_Type OUTPUT", "@rs_Value OUTPUT"}},
        {"Co_GetRights", {"@vs_UserID", "@vs_CompanyID", "@vs_SecuredObjectID", "@ri_Rights OUTPUT"}},
        {"ListDialogTypes_Load", {"@vs_DialogType"}},
        {"Ld_GetImportColumns", {"@ViewID", "@SourceID", "@SourceType"}},
        {"Ld_ImportColumn", {"@ViewID", "@TableID", "@ColumnName", "@DisplayName", "@ColumnID"}},
        {"Ld_ImportCustomProperty", {"@ViewID", "@TrackingGroupID", "@ColumnName", "@DisplayName", "@AttributeID"}},
        {"Ld_DeleteColumn_IDs", {"@ColumnIDs"}},
    };
    for (const Case& c : cases) {
        const QString name = QLatin1String(c.procedure);
        const HostProcedureInfo* host = FindHostProcedure(name);
        ASSERT_TRUE(host) << c.procedure;
        QStringList expected;
        for (size_t k = 0; k < c.parameters.size(); ++k)
            expected << QLatin1String(c.parameters[k]) +
                            (static_cast<int>(k) >= host->minArgs && !QByteArray(c.parameters[k]).contains("OUTPUT")
                                 ? QStringLiteral(" = NULL")
                                 : QString());
        QStringList got;
        for (const Parameter& p : Parameters(File(name), name))
            got << p.name + (p.output ? QStringLiteral(" OUTPUT") : QString()) +
                       (p.defaultNull && !p.output ? QStringLiteral(" = NULL") : QString());
        EXPECT_EQ(got.join(QStringLiteral(", ")).toStdString(), expected.join(QStringLiteral(", ")).toStdString())
            << c.procedure;
        // an optional output still needs its default, or the caller must send it
        for (const Parameter& p : Parameters(File(name), name))
            if (p.output)
                EXPECT_TRUE(p.defaultNull) << c.procedure << " " << p.name.toStdString();
    }

    // Each SELECT that returns rows names the host's columns in the host's order.
    Exec(QStringLiteral(
        "INSERT INTO LdBaseTables (TableID, DisplayName, BaseID, LinkedBaseID, CorrelationSQL) VALUES\n"
        " (1, 'Customer', 1, 2, 'c.CustomerID = o.CustomerID');\n"
        "INSERT INTO ShTrackingGroups (TrackingGroupID, TableName, TypeID, DisplayName) VALUES (1, 'CUSTOMERS', 2, 'P');\n"
        "INSERT INTO ListDialogTypes (DialogType, SQLSelect, SQLFrom, ColumnString) VALUES ('T', 'a', 'b', 'c');\n"));
    struct ResultCase {
        const char* procedure;
        std::vector<Variant> args;
    };
    const ResultCase results[] = {
        {"ListDialogTypes_Load", {Variant(QStringLiteral("T"))}},
        {"Ld_GetImportColumns", {Variant(int32_t(1)), Variant(int32_t(1)), Variant(int32_t(0))}},
        {"Ld_GetImportColumns", {Variant(int32_t(2)), Variant(int32_t(1)), Variant(int32_t(1))}},
    };
    static const QRegularExpression rowSelect(
        QStringLiteral("^[ \\t]*SELECT\\s+(?!@|TOP \\(1\\) @|1\\b)(.*?)\\n\\s*FROM\\b"),
        QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
    for (const ResultCase& r : results) {
        const ProcedureCall host = Call(r.procedure, r.args);
        const QString sql = File(QLatin1String(r.procedure));
        int selects = 0;
        for (auto it = rowSelect.globalMatch(sql); it.hasNext(); ++selects) {
            // the select list split at commas outside parentheses; a column's name is
            // its alias, or the last part of its dotted name
            QStringList names;
            QString item;
            int depth = 0;
            const QString list = it.next().captured(1) + QLatin1Char(',');
            for (const QChar ch : list) {
                depth += ch == QLatin1Char('(') ? 1 : ch == QLatin1Char(')') ? -1 : 0;
                if (ch != QLatin1Char(',') || depth > 0) {
                    item += ch;
                    continue;
                }
                const QString t = item.simplified();
                const qsizetype as = t.lastIndexOf(QLatin1String(" AS "));
                names << (as >= 0 ? t.mid(as + 4) : t.section(QLatin1Char('.'), -1));
                item.clear();
            }
            EXPECT_EQ(names.join(QStringLiteral(", ")).toStdString(), host.columns.join(QStringLiteral(", ")).toStdString())
                << r.procedure;
        }
        EXPECT_GT(selects, 0) << r.procedure << " returns no rows";
    }
}

TEST(SqlServerProcedureFiles, ARefusalEndsTheProcedureAndATransactionEndsInTheCatch)
{
    for (const char* name : {"Co_GetRegValue", "Co_GetRights", "ListDialogTypes_Load", "Ld_GetImportColumns",
                             "Ld_ImportColumn", "Ld_ImportCustomProperty", "Ld_DeleteColumn_IDs"}) {
        const QStringList lines = File(QLatin1String(name)).split(QLatin1Char('\n'));
        bool inTry = false;
        for (int n = 0; n < lines.size(); ++n) {
            const QString t = lines[n].trimmed();
            if (t.startsWith(QLatin1String("BEGIN TRY")))
                inTry = true;
            if (t.startsWith(QLatin1String("END TRY")))
                inTry = false;
            if (!t.startsWith(QLatin1String("RAISERROR(")))
                continue;
            EXPECT_TRUE(t.contains(QLatin1String(", 16, 1"))) << name << " line " << n + 1;
            // RAISERROR goes on with the next statement, except inside TRY
            if (!inTry)
                EXPECT_TRUE(n + 1 < lines.size() && lines[n + 1].trimmed() == QLatin1String("RETURN;"))
                    << name << " line " << n + 1 << " goes on after its refusal";
        }
        const QString sql = File(QLatin1String(name));
        if (sql.contains(QLatin1String("BEGIN TRANSACTION"))) {
            const QString catchPart = sql.mid(sql.indexOf(QLatin1String("BEGIN CATCH")));
            EXPECT_TRUE(sql.contains(QLatin1String("BEGIN CATCH"))) << name;
            EXPECT_TRUE(catchPart.contains(QLatin1String("ROLLBACK TRANSACTION"))) << name;
            EXPECT_TRUE(catchPart.contains(QLatin1String("THROW;"))) << name;
        }
    }
}

}  // namespace
