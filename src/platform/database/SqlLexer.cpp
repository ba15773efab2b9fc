#include "platform/database/SqlLexer.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include "base/SqlLex.h"

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

std::vector<Token> tokenize(const QString& s)
{
    // The program's one SQL reader decides where every token ends, so that the
    // translator reads statements exactly as the server will.
    std::vector<Token> tokens;
    const std::vector<SqlLexToken> lexed = SqlLex(s);
    tokens.reserve(lexed.size());
    for (const SqlLexToken& l : lexed) {
        Token t;
        const qsizetype from = l.national ? l.begin + 1 : l.begin;
        t.text = s.mid(from, l.end() - from);
        switch (l.kind) {
        case SqlLexKind::Space:
            t.kind = Tk::Space;
            break;
        case SqlLexKind::Comment:
            if (!l.closed)
                syntaxError(QStringLiteral("Missing end comment mark '*/'."));
            t.kind = Tk::Comment;
            break;
        case SqlLexKind::String:
        case SqlLexKind::Name:
            if (!l.closed)
                syntaxError(QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                                .arg(s.mid(from + 1)));
            t.kind = l.kind == SqlLexKind::String ? Tk::String : Tk::Ident;
            t.national = l.national;
            break;
        case SqlLexKind::Word:
            t.kind = Tk::Word;
            break;
        case SqlLexKind::Number:
            t.kind = Tk::Number;
            break;
        case SqlLexKind::Parameter:
            t.kind = Tk::Variable;
            break;
        case SqlLexKind::ColumnToken:
        case SqlLexKind::Punct:
            t.kind = Tk::Punct;
            break;
        }
        t.out = t.national ? QLatin1Char('N') + t.text : t.text;
        tokens.push_back(std::move(t));
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
