// The program's SQL reader: where texts, names, comments and parameters end, read
// as the embedded server reads them, and what the list window builds on it.

#include "base/SqlLex.h"

#include <QStringList>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// The kinds and texts of the significant tokens.
QStringList Significant(const QString& text)
{
    QStringList out;
    for (const SqlLexToken& t : SqlLex(text))
        if (t.significant())
            out << SqlLexText(text, t);
    return out;
}

TEST(SqlLex, ReadsTokensAsTheServerDoes)
{
    struct Case {
        const char* text;
        QStringList tokens;
    };
    const Case cases[] = {
        // comments do not nest: the first "*/" ends one
        {"1 /* /* */ ; PRAGMA x; -- */", {"1", ";", "PRAGMA", "x", ";"}},
        // a parameter's "(...)" swallows a quote, up to a blank or ")"
        {"$a(') ; b", {"$a(')", ";", "b"}},
        {":a(')x ; b", {":a(')", "x", ";", "b"}},
        {"#a(') ; b", {"#a(')", ";", "b"}},
        {"@a::b ?12 c", {"@a::b", "?12", "c"}},
        // a bracketed name ends at its first "]"; quotes inside stay in it
        {"[Bob's list] = 1", {"[Bob's list]", "=", "1"}},
        {"[a]]b]", {"[a]", "]", "b", "]"}},
        {"\"it\"\"s\" `x``y`", {"\"it\"\"s\"", "`x``y`"}},
        // doubled apostrophes, N'' texts
        {"'it''s' N'x' n'y'", {"'it''s'", "N'x'", "n'y'"}},
        {"a -- it's\nb", {"a", "b"}},
        {"{Customer Name} = '{x}'", {"{Customer Name}", "=", "'{x}'"}},
        {"{ a\n}", {"{", "a", "}"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Significant(QString::fromUtf8(c.text)), c.tokens) << c.text;
    // An open text or comment runs to the end and says so.
    for (const char* open : {"'abc", "/* abc", "[abc", "\"abc"}) {
        const auto tokens = SqlLex(QString::fromLatin1(open));
        ASSERT_EQ(tokens.size(), 1u) << open;
        EXPECT_FALSE(tokens[0].closed) << open;
    }
}

// Where a text's first statement ends, by our reader (the first ";" outside
// texts, names and comments) and by SQLite's: the same.
TEST(SqlLex, AgreesWithTheServerOnWhereAStatementEnds)
{
    const char* texts[] = {
        "SELECT 1 /* /* */ ; SELECT 2; -- */",
        "SELECT $a(') ; SELECT 2; --')",
        "SELECT [x;y] ; SELECT 2",
        "SELECT 'a;''b' ; SELECT 2",
        "SELECT \"a;\"\"b\" ; SELECT 2",
        "SELECT 1 -- ;\n; SELECT 2",
        "SELECT N'x;' ; SELECT 2",
    };
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    for (const char* text : texts) {
        const QString s = QString::fromUtf8(text);
        qsizetype ours = -1;
        for (const SqlLexToken& t : SqlLex(s)) {
            if (t.kind == SqlLexKind::Punct && SqlLexText(s, t) == QLatin1String(";")) {
                ours = t.end();
                break;
            }
        }
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        const QByteArray utf8 = s.toUtf8();
        sqlite3_prepare_v2(db, utf8.constData(), -1, &st, &tail);
        sqlite3_finalize(st);
        ASSERT_NE(tail, nullptr) << text;
        EXPECT_EQ(ours, tail - utf8.constData()) << text;
    }
    sqlite3_close(db);
}

TEST(SqlLex, FindsTopLevelWordsAndSelfContainedTexts)
{
    EXPECT_EQ(SqlFindTopLevelWords(QStringLiteral("a IN (SELECT x ORDER BY y) ORDER BY z"), QLatin1String("ORDER"),
                                   QLatin1String("BY")),
              27);
    for (const char* none : {"a = 'ORDER BY'", "a = 1 -- ORDER BY", "a = 1 /* ORDER BY */", "[ORDER] BY",
                             "(ORDER BY)", "ORDERS BY"})
        EXPECT_EQ(SqlFindTopLevelWords(QString::fromLatin1(none), QLatin1String("ORDER"), QLatin1String("BY")), -1)
            << none;

    for (const char* yes : {"a = 1", "(a = 1) OR (b = ')')", "a = 1 -- )", "[x)] = 1 /* ( */"})
        EXPECT_TRUE(SqlIsSelfContained(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"1=1) OR (1=1", "(a", "a = 'x", "a /* open", "[x", "a) UNION SELECT 1 FROM t WHERE (1"})
        EXPECT_FALSE(SqlIsSelfContained(QString::fromLatin1(no))) << no;
}

}  // namespace
