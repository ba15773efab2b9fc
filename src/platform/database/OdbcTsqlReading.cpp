#include "platform/database/OdbcTsqlReading.h"

#include <QSet>
#include <vector>

namespace {

enum class Kind { Word, Text, Name, Punct, Open };  // Open: a text, name or comment the text ends inside

struct Token {
    Kind kind;
    qsizetype begin;
    qsizetype end;
    bool national = false;
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
            tokens.push_back({close == QLatin1Char('\'') ? Kind::Text : Kind::Name, i, end, national});
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

}  // namespace tsql
