#pragma once
// The program's one reader of SQL text for its own text work (column tokens,
// the empty LIKE patterns, finding a WHERE or an ORDER BY, the translator's
// statements). It reads as the embedded server reads: texts with doubled
// apostrophes (N'' too), names in brackets (up to the first "]"), in double
// quotes or backquotes (doubled to escape), "--" comments to the end of the
// line, "/* */" comments that do not nest, and parameters ($a, :a, #a, @a, ?1)
// whose "(...)" part swallows everything up to the next blank or ")".

#include <QString>
#include <vector>

// ColumnToken: a column token of the program's own ("{Column Name}", up to the
// first "}" on the same line); the server has no use for braces, so nothing
// valid is lost by reading them so.
enum class SqlLexKind { Space, Comment, Word, Name, String, Number, Parameter, ColumnToken, Punct };

struct SqlLexToken {
    SqlLexKind kind = SqlLexKind::Punct;
    qsizetype begin = 0;   // first character in the text
    qsizetype length = 0;
    bool national = false;  // a text written N'...'
    bool closed = true;     // False for a text, name or "/*" comment the text ends inside

    qsizetype end() const { return begin + length; }
    bool significant() const { return kind != SqlLexKind::Space && kind != SqlLexKind::Comment; }
};

std::vector<SqlLexToken> SqlLex(const QString& text);

// The text of a token.
inline QString SqlLexText(const QString& text, const SqlLexToken& t) { return text.mid(t.begin, t.length); }

// The position of the first of the words first [second] (whole words, without
// regard to case) at the top level of the text: outside texts, names, comments
// and parentheses. -1 when not there.
qsizetype SqlFindTopLevelWords(const QString& text, QLatin1String first, QLatin1String second = QLatin1String());

// Whether the parentheses of the text pair up at its top level (outside texts,
// names and comments) and no text, name or comment is left open: such a text
// put inside "(" and ")" cannot reach past them.
bool SqlIsSelfContained(const QString& text);
