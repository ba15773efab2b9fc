#include "platform/database/SqlLexer.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QSet>

namespace sqltr {

// A batch that is not valid T-SQL, with the message SQL Server gives.
[[noreturn]] void syntaxError(const QString& message)
{
    throw AppError(kDatabaseErrorNumber, message, QStringLiteral("BrandleDatabase"));
}

[[noreturn]] void notUnderstood(const QString& what)
{
    throw AppError(kDatabaseErrorNumber, QStringLiteral("Unsupported SQL: %1.").arg(what),
                   QStringLiteral("BrandleDatabase"));
}

namespace {

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#'); }
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('$');
}

}  // namespace

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> tokens;
    const int n = s.size();
    int i = 0;
    auto add = [&](Tk kind, int from, int to) {
        Token t;
        t.kind = kind;
        t.text = s.mid(from, to - from);
        tokens.push_back(std::move(t));
    };
    while (i < n) {
        const QChar c = s[i];
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        int j = i + 1;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace())
                ++j;
            add(Tk::Space, i, j);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (j < n && s[j] != QLatin1Char('\n'))
                ++j;
            add(Tk::Comment, i, j);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            int depth = 1;
            j = i + 2;
            while (j < n && depth > 0) {
                if (s[j] == QLatin1Char('/') && j + 1 < n && s[j + 1] == QLatin1Char('*')) {
                    ++depth;
                    j += 2;
                } else if (s[j] == QLatin1Char('*') && j + 1 < n && s[j + 1] == QLatin1Char('/')) {
                    --depth;
                    j += 2;
                } else {
                    ++j;
                }
            }
            if (depth > 0)
                syntaxError(QStringLiteral("Missing end comment mark '*/'."));
            add(Tk::Comment, i, j);
        } else if (c == QLatin1Char('\'') ||
                   ((c == QLatin1Char('N') || c == QLatin1Char('n')) && next == QLatin1Char('\''))) {
            const bool national = c != QLatin1Char('\'');
            const int start = national ? i + 1 : i;
            j = start + 1;
            for (;;) {
                if (j >= n)
                    syntaxError(QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                                    .arg(s.mid(start + 1)));
                if (s[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && s[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            add(Tk::String, start, j);
            tokens.back().national = national;
            if (national)
                tokens.back().out = QLatin1Char('N') + tokens.back().text;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            for (;;) {
                if (j >= n)
                    syntaxError(QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                                    .arg(s.mid(i + 1)));
                if (s[j] == close) {
                    if (j + 1 < n && s[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            add(Tk::Ident, i, j);
        } else if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) {
            if (c == QLatin1Char('0') && (next == QLatin1Char('x') || next == QLatin1Char('X'))) {
                j = i + 2;
                while (j < n && isxdigit(s[j].toLatin1()))
                    ++j;
            } else {
                while (j < n && (s[j].isDigit() || s[j] == QLatin1Char('.')))
                    ++j;
                if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E'))) {
                    int k = j + 1;
                    if (k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-')))
                        ++k;
                    if (k < n && s[k].isDigit()) {
                        j = k;
                        while (j < n && s[j].isDigit())
                            ++j;
                    }
                }
            }
            add(Tk::Number, i, j);
        } else if (isWordStart(c)) {
            while (j < n && isWordChar(s[j]))
                ++j;
            add(Tk::Word, i, j);
        } else if (c == QLatin1Char('@')) {
            if (j < n && s[j] == QLatin1Char('@'))
                ++j;
            while (j < n && isWordChar(s[j]))
                ++j;
            add(Tk::Variable, i, j);
        } else {
            static const char* const twoChar[] = {"<>", "<=", ">=", "!=", "!<", "!>", "||", "==", "<<", ">>"};
            int len = 1;
            for (const char* op : twoChar) {
                if (c == QLatin1Char(op[0]) && next == QLatin1Char(op[1])) {
                    len = 2;
                    break;
                }
            }
            add(Tk::Punct, i, i + len);
        }
        i = tokens.back().text.size() + (tokens.back().national ? 1 : 0) + i;
    }
    for (Token& t : tokens) {
        if (t.out.isEmpty())
            t.out = t.text;
    }
    return tokens;
}


int nextSig(const std::vector<Token>& t, int i, int end)
{
    while (i < end && !t[i].significant())
        ++i;
    return i;
}

int prevSig(const std::vector<Token>& t, int i, int begin)
{
    while (i >= begin && !t[i].significant())
        --i;
    return i;
}

QString describeToken(const Token& t)
{
    return QStringLiteral("'%1'").arg(t.text.left(40));
}

std::vector<Range> splitBatch(std::vector<Token>& t)
{
    std::vector<Range> out;
    const int n = static_cast<int>(t.size());
    std::vector<int> open;
    for (int i = 0; i < n; ++i) {
        if (t[i].isPunct('(')) {
            open.push_back(i);
        } else if (t[i].isPunct(')')) {
            if (open.empty())
                syntaxError(QStringLiteral("Incorrect syntax near ')'."));
            t[i].match = open.back();
            t[open.back()].match = i;
            open.pop_back();
        }
    }
    if (!open.empty())
        syntaxError(QStringLiteral("Incorrect syntax near '('."));

    int start = 0;
    QString first;
    bool insertHasSource = false;
    bool withHasMain = false;
    int block = 0;
    int prev = -1;
    auto finish = [&](int end) {
        if (nextSig(t, start, end) < end)
            out.push_back({start, end});
        first.clear();
        insertHasSource = false;
        withHasMain = false;
        block = 0;
        prev = -1;
    };
    for (int i = 0; i < n; ++i) {
        Token& tok = t[i];
        if (!tok.significant())
            continue;
        if (tok.isPunct('(')) {
            // a group belongs to the statement it is in; jump over it
            if (first.isEmpty())
                notUnderstood(QStringLiteral("a statement that begins with \"(\""));
            prev = tok.match;
            i = tok.match;
            continue;
        }
        if (tok.isPunct(';') && block == 0) {
            finish(i);
            start = i + 1;
            continue;
        }
        if (tok.kind == Tk::Word) {
            const QString up = tok.upper();
            if (first.isEmpty()) {
                first = up;
            } else if (first == QLatin1String("CREATE")) {
                if (up == QLatin1String("BEGIN") || up == QLatin1String("CASE"))
                    ++block;
                else if (up == QLatin1String("END") && block > 0)
                    --block;
            } else {
                static const QSet<QString> starters = {QStringLiteral("SELECT"), QStringLiteral("INSERT"),
                                                       QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
                                                       QStringLiteral("EXEC"), QStringLiteral("EXECUTE")};
                static const QSet<QString> beforeSelect = {QStringLiteral("UNION"), QStringLiteral("ALL"),
                                                           QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT"),
                                                           QStringLiteral("AS")};
                static const QSet<QString> beforeWrite = {QStringLiteral("ON"), QStringLiteral("OF"),
                                                          QStringLiteral("AFTER"), QStringLiteral("BEFORE"),
                                                          QStringLiteral("FOR"), QStringLiteral("OR")};
                const QString prevUp = prev >= 0 && t[prev].kind == Tk::Word ? t[prev].upper() : QString();
                bool split = false;
                if (starters.contains(up)) {
                    if (first == QLatin1String("WITH") && !withHasMain && up != QLatin1String("EXEC") &&
                        up != QLatin1String("EXECUTE")) {
                        // the statement the common table expressions belong to
                        withHasMain = true;
                        first = up;
                        if (up == QLatin1String("INSERT"))
                            insertHasSource = false;
                    } else if (first == QLatin1String("INSERT") && !insertHasSource) {
                        if (up == QLatin1String("SELECT"))
                            insertHasSource = true;
                        else if (up == QLatin1String("EXEC") || up == QLatin1String("EXECUTE"))
                            notUnderstood(QStringLiteral("INSERT ... EXEC"));
                        else
                            split = true;
                    } else if (up == QLatin1String("SELECT")) {
                        split = !beforeSelect.contains(prevUp);
                    } else if (up == QLatin1String("EXEC") || up == QLatin1String("EXECUTE")) {
                        split = true;
                    } else {
                        split = !beforeWrite.contains(prevUp);
                    }
                } else if (up == QLatin1String("VALUES") || up == QLatin1String("DEFAULT")) {
                    if (first == QLatin1String("INSERT"))
                        insertHasSource = true;
                }
                if (split) {
                    finish(i);
                    start = i;
                    first = up;
                }
            }
        } else if (first.isEmpty()) {
            notUnderstood(QStringLiteral("a statement that begins with %1").arg(describeToken(tok)));
        }
        prev = i;
    }
    finish(n);
    return out;
}


}  // namespace sqltr
