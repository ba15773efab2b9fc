#pragma once
// The translator's lexer: a T-SQL batch as tokens (texts, identifiers, brackets
// and comments kept whole), and the batch cut into its statements. Private to
// the translator (SqlLexer.cpp, SqlTranslator.cpp).

#include <QString>
#include <vector>

namespace sqltr {

// A batch that is not valid T-SQL, with the message SQL Server gives.
[[noreturn]] void syntaxError(const QString& message);
// Something the translator does not handle: "Unsupported SQL: <what>."
[[noreturn]] void notUnderstood(const QString& what);

// ---------------------------------------------------------------- tokens

enum class Tk { Space, Comment, Word, Ident, String, Number, Variable, Punct };

struct Token {
    Tk kind = Tk::Punct;
    QString text;   // as written (a national text literal without its N)
    QString out;    // what is written instead
    QString pre;    // written before out
    QString post;   // written after out
    bool national = false;
    int match = -1;  // for "(" and ")": the index of the other one

    bool significant() const { return kind != Tk::Space && kind != Tk::Comment; }
    bool isPunct(QChar c) const { return kind == Tk::Punct && text.size() == 1 && text[0] == c; }
    bool isPunct(const char* s) const { return kind == Tk::Punct && text == QLatin1String(s); }
    bool isWord(const char* upper) const
    {
        return kind == Tk::Word && text.compare(QLatin1String(upper), Qt::CaseInsensitive) == 0;
    }
    QString upper() const { return text.toUpper(); }
};

std::vector<Token> tokenize(const QString& s);

// ---------------------------------------------------------------- statements

struct Range {
    int begin = 0;  // first token
    int end = 0;    // one past the last token
};

// The next / previous significant token (not a space or comment) from i; end / begin - 1 when none.
int nextSig(const std::vector<Token>& t, int i, int end);
int prevSig(const std::vector<Token>& t, int i, int begin);
// The token as an error message names it.
QString describeToken(const Token& t);
// Splits a batch at ";" and before a keyword that begins a new statement.
std::vector<Range> splitBatch(std::vector<Token>& t);

}  // namespace sqltr
