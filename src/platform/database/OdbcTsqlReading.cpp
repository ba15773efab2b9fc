#include "platform/database/OdbcTsqlReading.h"

#include <QSet>
#include <vector>

namespace {

enum class Kind { Word, Text, Name, Punct, Open };  // Open: a text, name or comment the text ends inside

struct Token {
    Kind kind;
    qsizetype begin;
    qsizetype end;
};

bool WordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
                                c == QLatin1Char('#') || c == QLatin1Char('$'); }

// Tokens without blanks and comments. T-SQL's own rules: '' and ]] and "" escape
// their closing character, /* */ comments nest.
std::vector<Token> Lex(const QString& s)
{
    std::vector<Token> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    const auto closedBy = [&](QChar close, qsizetype from) -> qsizetype {
        for (qsizetype j = from; j < n; ++j) {
            if (s[j] != close)
                continue;
            if (j + 1 < n && s[j + 1] == close) {
                ++j;
                continue;
            }
            return j + 1;
        }
        return -1;
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            const qsizetype eol = s.indexOf(QLatin1Char('\n'), i);
            i = eol < 0 ? n : eol + 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            int depth = 0;
            qsizetype j = i;
            for (; j < n; ++j) {
                if (s[j] == QLatin1Char('/') && j + 1 < n && s[j + 1] == QLatin1Char('*')) {
                    ++depth;
                    ++j;
                } else if (s[j] == QLatin1Char('*') && j + 1 < n && s[j + 1] == QLatin1Char('/')) {
                    ++j;
                    if (--depth == 0)
                        break;
                }
            }
            if (depth > 0) {
                tokens.push_back({Kind::Open, i, n});
                return tokens;
            }
            i = j + 1;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') ||
                   ((c == QLatin1Char('N') || c == QLatin1Char('n')) && i + 1 < n && s[i + 1] == QLatin1Char('\'') &&
                    (i == 0 || !WordChar(s[i - 1])))) {
            const bool national = c == QLatin1Char('N') || c == QLatin1Char('n');
            const qsizetype open = national ? i + 1 : i;
            const QChar close = s[open] == QLatin1Char('[') ? QLatin1Char(']') : s[open];
            const qsizetype end = closedBy(close, open + 1);
            if (end < 0) {
                tokens.push_back({Kind::Open, i, n});
                return tokens;
            }
            tokens.push_back({close == QLatin1Char('\'') ? Kind::Text : Kind::Name, i, end});
            i = end;
        } else if (WordChar(c)) {
            qsizetype j = i;
            while (j < n && WordChar(s[j]))
                ++j;
            tokens.push_back({Kind::Word, i, j});
            i = j;
        } else {
            tokens.push_back({Kind::Punct, i, i + 1});
            ++i;
        }
    }
    return tokens;
}

// Reserved keywords that begin a statement of their own and cannot stand at the
// top level of a query (a word T-SQL does not reserve, such as THROW or GET, is a
// name there: a column or an alias).
const QSet<QString>& StatementWords()
{
    static const QSet<QString> words{
        QStringLiteral("INSERT"),     QStringLiteral("UPDATE"),      QStringLiteral("DELETE"),
        QStringLiteral("MERGE"),      QStringLiteral("EXEC"),        QStringLiteral("EXECUTE"),
        QStringLiteral("CREATE"),     QStringLiteral("ALTER"),       QStringLiteral("DROP"),
        QStringLiteral("TRUNCATE"),   QStringLiteral("DECLARE"),     QStringLiteral("SET"),
        QStringLiteral("IF"),         QStringLiteral("WHILE"),       QStringLiteral("BEGIN"),
        QStringLiteral("GRANT"),      QStringLiteral("REVOKE"),      QStringLiteral("DENY"),
        QStringLiteral("USE"),        QStringLiteral("WAITFOR"),     QStringLiteral("PRINT"),
        QStringLiteral("RAISERROR"),  QStringLiteral("RETURN"),      QStringLiteral("BACKUP"),
        QStringLiteral("RESTORE"),    QStringLiteral("DBCC"),        QStringLiteral("KILL"),
        QStringLiteral("SHUTDOWN"),   QStringLiteral("OPEN"),        QStringLiteral("CLOSE"),
        QStringLiteral("DEALLOCATE"), QStringLiteral("COMMIT"),      QStringLiteral("ROLLBACK"),
        QStringLiteral("SAVE"),       QStringLiteral("GOTO"),        QStringLiteral("BULK"),
        QStringLiteral("RECONFIGURE"), QStringLiteral("CHECKPOINT"), QStringLiteral("READTEXT"),
        QStringLiteral("WRITETEXT"),  QStringLiteral("UPDATETEXT"),  QStringLiteral("BREAK"),
        QStringLiteral("CONTINUE"),   QStringLiteral("SETUSER"),     QStringLiteral("REVERT"),
        QStringLiteral("FETCH"),
        // SELECT ... INTO makes a table
        QStringLiteral("INTO")};
    return words;
}

}  // namespace

namespace tsql {

bool IsSingleQuery(const QString& text)
{
    const std::vector<Token> tokens = Lex(text);
    if (tokens.empty())
        return false;
    const auto word = [&](size_t i) {
        return i < tokens.size() && tokens[i].kind == Kind::Word
                   ? text.mid(tokens[i].begin, tokens[i].end - tokens[i].begin).toUpper()
                   : QString();
    };
    const auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Kind::Punct && text[tokens[i].begin] == QLatin1Char(c);
    };
    // ";WITH ...": a ";" before the query ends nothing
    size_t start = 0;
    while (punct(start, ';'))
        ++start;
    const QString first = word(start);
    if (first != QLatin1String("SELECT") && first != QLatin1String("WITH") && !punct(start, '('))
        return false;
    int depth = 0;
    // a query in parentheses is the query: a SELECT after it begins another
    bool selectSeen = punct(start, '(');
    for (size_t i = start; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Kind::Open)
            return false;
        if (punct(i, '(')) {
            ++depth;
            continue;
        }
        if (punct(i, ')')) {
            if (--depth < 0)
                return false;
            continue;
        }
        if (depth > 0)
            continue;
        if (punct(i, ';'))
            return i + 1 == tokens.size();
        const QString w = word(i);
        // a name after a "." (o.Open) is no keyword
        if (w.isEmpty() || punct(i - 1, '.'))
            continue;
        const QString before = i > 0 ? word(i - 1) : QString();
        if (w == QLatin1String("SELECT")) {
            // A query has one SELECT at its top level, and one more after each
            // UNION, EXCEPT or INTERSECT.
            const bool joined = before == QLatin1String("UNION") || before == QLatin1String("ALL") ||
                                before == QLatin1String("EXCEPT") || before == QLatin1String("INTERSECT");
            if (selectSeen && !joined)
                return false;
            selectSeen = true;
        } else if (w == QLatin1String("WITH") && i > start) {
            // WITH (NOLOCK), WITH TIES; a WITH that begins a common table expression
            // begins a statement.
            if (!punct(i + 1, '(') && word(i + 1) != QLatin1String("TIES"))
                return false;
        } else if (w == QLatin1String("FETCH")) {
            // OFFSET ... ROWS FETCH NEXT ... ROWS ONLY
            if (before != QLatin1String("ROWS") && before != QLatin1String("ROW"))
                return false;
        } else if (w == QLatin1String("MERGE") && word(i + 1) == QLatin1String("JOIN")) {
            // a join hint (INNER MERGE JOIN), like LOOP, HASH and REMOTE
            continue;
        } else if (StatementWords().contains(w)) {
            return false;
        }
    }
    return depth == 0;
}

QString WithoutOuterSemicolons(const QString& text)
{
    const std::vector<Token> tokens = Lex(text);
    const auto semicolon = [&](const Token& t) { return t.kind == Kind::Punct && text[t.begin] == QLatin1Char(';'); };
    QString s = text;
    for (size_t i = 0; i < tokens.size() && semicolon(tokens[i]); ++i)
        s[tokens[i].begin] = QLatin1Char(' ');
    if (!tokens.empty() && semicolon(tokens.back()))
        s[tokens.back().begin] = QLatin1Char(' ');
    return s;
}

qsizetype CommonTablesEnd(const QString& text)
{
    const std::vector<Token> tokens = Lex(text);
    const auto isWord = [&](size_t i, const char* w) {
        return i < tokens.size() && tokens[i].kind == Kind::Word &&
               text.mid(tokens[i].begin, tokens[i].end - tokens[i].begin).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    };
    const auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Kind::Punct && text[tokens[i].begin] == QLatin1Char(c);
    };
    if (!isWord(0, "WITH"))
        return 0;
    // name [(columns)] AS (query) [, ...]: the list ends at a ")" back at the top
    // level that neither "," nor AS follows.
    int depth = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (tokens[i].kind == Kind::Open)
            return 0;
        if (punct(i, '(')) {
            ++depth;
        } else if (punct(i, ')')) {
            if (--depth < 0)
                return 0;
            if (depth == 0 && !punct(i + 1, ',') && !isWord(i + 1, "AS"))
                return i + 1 < tokens.size() ? tokens[i].end : 0;
        }
    }
    return 0;
}

qsizetype QueryHintsAt(const QString& text)
{
    const std::vector<Token> tokens = Lex(text);
    size_t n = tokens.size();
    const auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Kind::Punct && text[tokens[i].begin] == QLatin1Char(c);
    };
    if (n > 0 && punct(n - 1, ';'))
        --n;
    if (n < 3 || !punct(n - 1, ')'))
        return -1;
    // back from the last ")" to its "(", and the word before it
    int depth = 0;
    for (size_t i = n; i-- > 0;) {
        if (tokens[i].kind == Kind::Open)
            return -1;
        if (punct(i, ')'))
            ++depth;
        else if (punct(i, '(') && --depth == 0) {
            if (i == 0 || tokens[i - 1].kind != Kind::Word ||
                text.mid(tokens[i - 1].begin, tokens[i - 1].end - tokens[i - 1].begin)
                        .compare(QLatin1String("OPTION"), Qt::CaseInsensitive) != 0)
                return -1;
            return tokens[i - 1].begin;
        }
    }
    return -1;
}

QString WithRowIdLast(const QString& query, const QString& idName)
{
    const std::vector<Token> tokens = Lex(query);
    const auto text = [&](size_t i) { return query.mid(tokens[i].begin, tokens[i].end - tokens[i].begin); };
    const auto word = [&](size_t i) {
        return i < tokens.size() && tokens[i].kind == Kind::Word ? text(i).toUpper() : QString();
    };
    const auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Kind::Punct && query[tokens[i].begin] == QLatin1Char(c);
    };
    // The top-level tokens; the last ORDER BY among them is the query's own.
    std::vector<size_t> top;
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == Kind::Open)
            return query;
        if (punct(i, '(')) {
            if (depth++ == 0)
                top.push_back(i);
            continue;
        }
        if (punct(i, ')')) {
            --depth;
            continue;
        }
        if (depth == 0)
            top.push_back(i);
    }
    size_t by = 0;
    bool ordered = false;
    for (size_t k = 1; k < top.size(); ++k) {
        if (word(top[k]) == QLatin1String("BY") && word(top[k - 1]) == QLatin1String("ORDER") &&
            !punct(top[k - 1] - 1, '.')) {
            by = k;
            ordered = true;
        }
        if (word(top[k]) == QLatin1String("TIES") && word(top[k - 1]) == QLatin1String("WITH"))
            return query;
    }
    if (!ordered)
        return query;
    // The keys, up to what may follow them.
    static const QSet<QString> after{QStringLiteral("OFFSET"), QStringLiteral("LIMIT"), QStringLiteral("FOR"),
                                     QStringLiteral("OPTION")};
    static const QSet<QString> modifiers{QStringLiteral("ASC"),   QStringLiteral("DESC"),  QStringLiteral("NULLS"),
                                         QStringLiteral("FIRST"), QStringLiteral("LAST")};
    size_t end = by + 1;
    while (end < top.size() && !after.contains(word(top[end])) && !punct(top[end], ';'))
        ++end;
    if (end == by + 1)
        return query;
    const auto unquoted = [](QString name) {
        if (name.size() >= 2 && (name.front() == QLatin1Char('[') || name.front() == QLatin1Char('"')))
            name = name.mid(1, name.size() - 2);
        return name;
    };
    const QString id = unquoted(idName);
    // A top-level run of tokens as one text without brackets, quotes of names,
    // spaces or case: how a key is told from the first column's expression.
    const auto plain = [&](size_t first, size_t last) {  // indexes into top, last excluded
        QString s;
        for (size_t k = first; k < last; ++k) {
            if (tokens[top[k]].kind == Kind::Punct && (punct(top[k], '(') || punct(top[k], ')')))
                return QString();  // an expression in parentheses: not compared
            s += tokens[top[k]].kind == Kind::Name ? unquoted(text(top[k])) : text(top[k]);
        }
        return s.toLower();
    };
    // The first column's expression as the query writes it (o.OrderID in
    // "SELECT o.OrderID AS [ID]"): a key that is that expression names the row id
    // too, and SQL Server refuses a column twice in one order (Msg 169).
    QString firstExpression;
    for (size_t k = 0; k < by; ++k) {
        if (word(top[k]) != QLatin1String("SELECT"))
            continue;
        size_t b = k + 1;
        while (b < by && (word(top[b]) == QLatin1String("DISTINCT") || word(top[b]) == QLatin1String("ALL")))
            ++b;
        if (word(top[b]) == QLatin1String("TOP")) {
            b += 2;  // TOP n, or TOP (n)
            if (word(top[b]) == QLatin1String("PERCENT"))
                ++b;
        }
        size_t e = b;
        while (e < by && !punct(top[e], ',') && word(top[e]) != QLatin1String("FROM"))
            ++e;
        size_t exprEnd = e;
        for (size_t a = b; a < e; ++a)
            if (word(top[a]) == QLatin1String("AS"))
                exprEnd = a;
        if (exprEnd == e && e - b >= 2 && !punct(top[e - 2], '.') && tokens[top[e - 1]].kind != Kind::Punct)
            exprEnd = e - 1;  // an alias without AS
        if (e - b >= 3 && punct(top[b + 1], '='))
            b += 2;  // alias = expression
        firstExpression = plain(b, exprEnd);
        break;
    }
    // A key that is the first column: "1", its name, a column of that name (t.ID),
    // or its expression, with or without its direction.
    size_t from = by + 1;
    for (size_t k = by + 1; k <= end; ++k) {
        if (k < end && !punct(top[k], ','))
            continue;
        size_t last = k;
        while (last > from + 1 && modifiers.contains(word(top[last - 1])))
            --last;
        if (last > from + 2 && word(top[last - 2]) == QLatin1String("COLLATE"))
            last -= 2;
        const size_t key = top[last - 1];
        const bool single = last - from == 1 || (last - from >= 3 && punct(top[last - 2], '.'));
        if (single && (text(key) == QLatin1String("1") ||
                       (!id.isEmpty() && tokens[key].kind != Kind::Text &&
                        unquoted(text(key)).compare(id, Qt::CaseInsensitive) == 0)))
            return query;
        if (!firstExpression.isEmpty() && plain(from, last) == firstExpression)
            return query;
        from = k + 1;
    }
    // After the last key's last token, so that a comment after it stays one.
    const qsizetype at = tokens[top[end - 1]].end;
    qsizetype close = at;
    if (punct(top[end - 1], '(')) {
        // a key ending in parentheses: after its ")"
        int d = 0;
        for (size_t i = top[end - 1]; i < tokens.size(); ++i) {
            if (punct(i, '('))
                ++d;
            else if (punct(i, ')') && --d == 0) {
                close = tokens[i].end;
                break;
            }
        }
    }
    return query.left(close) + QStringLiteral(", 1") + query.mid(close);
}

}  // namespace tsql
