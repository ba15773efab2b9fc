#pragma once
// The T-SQL tokens our script checks read, private to the SQL Server scripts:
// words (upper case; variables keep their @), texts, bracketed or quoted names
// and symbols, each with its line. Comments and blanks are dropped.

#include <QString>
#include <QStringList>

#include <vector>

namespace erpdb::tsql {

struct Token {
    enum Kind { Word, Text, Name, Symbol } kind;
    QString text;
    int line;
};

// Problems (an unclosed text, name or comment) go to problems when given.
std::vector<Token> Tokenise(const QString& s, int firstLine, QStringList* problems);

inline bool IsWord(const std::vector<Token>& t, size_t i, const char* word)
{
    return i < t.size() && t[i].kind == Token::Word && t[i].text == QLatin1String(word);
}

inline bool IsSymbol(const std::vector<Token>& t, size_t i, const char* symbol)
{
    return i < t.size() && t[i].kind == Token::Symbol && t[i].text == QLatin1String(symbol);
}

// The batches of a script (split at lines that hold only GO), each with its first line.
struct Batch {
    QString text;
    int firstLine;
    bool errorsIgnored = false;  // run under sqlcmd's ":on error ignore"
};
std::vector<Batch> Batches(const QString& script);

}  // namespace erpdb::tsql
