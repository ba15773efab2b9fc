#include "base/SqlLex.h"

namespace {

// The server's blanks: space, tab, line feed, form feed, carriage return.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// Characters of a name or keyword as the server reads them (any non-ASCII character too).
bool isIdChar(QChar c)
{
    return c.unicode() >= 0x80 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'$';
}

bool isIdStart(QChar c) { return isIdChar(c) && c != u'$' && !(c >= u'0' && c <= u'9'); }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The end of a quoted text, name or comment that begins at from with the quote q
// (escaped by doubling); n when the text ends inside it.
qsizetype quotedEnd(const QString& s, qsizetype from, QChar q, bool& closed)
{
    const qsizetype n = s.size();
    for (qsizetype j = from + 1; j < n; ++j) {
        if (s[j] != q)
            continue;
        if (j + 1 < n && s[j + 1] == q) {
            ++j;
            continue;
        }
        closed = true;
        return j + 1;
    }
    closed = false;
    return n;
}

}  // namespace

std::vector<SqlLexToken> SqlLex(const QString& s)
{
    std::vector<SqlLexToken> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        SqlLexToken t;
        t.begin = i;
        qsizetype j = i + 1;
        if (isBlank(c)) {
            while (j < n && isBlank(s[j]))
                ++j;
            t.kind = SqlLexKind::Space;
        } else if (c == u'-' && next == u'-') {
            while (j < n && s[j] != u'\n')
                ++j;
            t.kind = SqlLexKind::Comment;
        } else if (c == u'/' && next == u'*') {
            // Comments do not nest: the first "*/" ends it.
            const qsizetype close = s.indexOf(QLatin1String("*/"), i + 2);
            t.closed = close >= 0;
            j = close >= 0 ? close + 2 : n;
            t.kind = SqlLexKind::Comment;
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && next == u'\'')) {
            t.national = c != u'\'';
            j = quotedEnd(s, t.national ? i + 1 : i, QLatin1Char('\''), t.closed);
            t.kind = SqlLexKind::String;
        } else if (c == u'"' || c == u'`') {
            j = quotedEnd(s, i, c, t.closed);
            t.kind = SqlLexKind::Name;
        } else if (c == u'[') {
            // No escape inside brackets: the first "]" ends the name.
            const qsizetype close = s.indexOf(QLatin1Char(']'), i + 1);
            t.closed = close >= 0;
            j = close >= 0 ? close + 1 : n;
            t.kind = SqlLexKind::Name;
        } else if (c == u'{' && [&] {
                       for (qsizetype k = i + 1; k < n && s[k] != u'\n'; ++k)
                           if (s[k] == u'}') {
                               j = k + 1;
                               return true;
                           }
                       return false;
                   }()) {
            t.kind = SqlLexKind::ColumnToken;
        } else if (isDigit(c) || (c == u'.' && isDigit(next))) {
            if (c == u'0' && (next == u'x' || next == u'X')) {
                j = i + 2;
                while (j < n && isxdigit(s[j].toLatin1()))
                    ++j;
            } else {
                while (j < n && (isDigit(s[j]) || s[j] == u'.'))
                    ++j;
                if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                    qsizetype k = j + 1;
                    if (k < n && (s[k] == u'+' || s[k] == u'-'))
                        ++k;
                    if (k < n && isDigit(s[k])) {
                        j = k;
                        while (j < n && isDigit(s[j]))
                            ++j;
                    }
                }
            }
            // "1abc" is one token to the server (and an error); keep it whole.
            while (j < n && isIdChar(s[j]))
                ++j;
            t.kind = SqlLexKind::Number;
        } else if (c == u'?') {
            while (j < n && isDigit(s[j]))
                ++j;
            t.kind = SqlLexKind::Parameter;
        } else if (c == u'$' || c == u':' || c == u'#' || c == u'@') {
            // As the server reads a named parameter: name characters, "::", and a
            // "(...)" that runs to the next blank or ")".
            int named = 0;
            for (; j < n; ++j) {
                const QChar d = s[j];
                if (isIdChar(d) || (c == u'@' && d == u'@' && j == i + 1)) {
                    ++named;
                } else if (d == u'(' && named > 0) {
                    ++j;
                    while (j < n && !isBlank(s[j]) && s[j] != u')')
                        ++j;
                    if (j < n && s[j] == u')')
                        ++j;
                    else
                        t.closed = false;
                    break;
                } else if (d == u':' && j + 1 < n && s[j + 1] == u':') {
                    ++j;
                } else {
                    break;
                }
            }
            t.kind = named > 0 ? SqlLexKind::Parameter : SqlLexKind::Punct;
        } else if (isIdStart(c)) {
            while (j < n && isIdChar(s[j]))
                ++j;
            t.kind = SqlLexKind::Word;
        } else {
            static const char* const twoChar[] = {"<>", "<=", ">=", "!=", "!<", "!>", "||", "==", "<<", ">>"};
            for (const char* op : twoChar) {
                if (c == QLatin1Char(op[0]) && next == QLatin1Char(op[1])) {
                    j = i + 2;
                    break;
                }
            }
            t.kind = SqlLexKind::Punct;
        }
        t.length = j - i;
        out.push_back(t);
        i = j;
    }
    return out;
}

qsizetype SqlFindTopLevelWords(const QString& text, QLatin1String first, QLatin1String second)
{
    const std::vector<SqlLexToken> tokens = SqlLex(text);
    int depth = 0;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const SqlLexToken& t = tokens[k];
        if (t.kind == SqlLexKind::Punct && t.length == 1) {
            if (text[t.begin] == u'(')
                ++depth;
            else if (text[t.begin] == u')')
                --depth;
            continue;
        }
        if (t.kind != SqlLexKind::Word || depth > 0 ||
            QStringView(text).mid(t.begin, t.length).compare(first, Qt::CaseInsensitive) != 0)
            continue;
        if (second.size() == 0)
            return t.begin;
        size_t m = k + 1;
        while (m < tokens.size() && !tokens[m].significant())
            ++m;
        if (m < tokens.size() && tokens[m].kind == SqlLexKind::Word &&
            QStringView(text).mid(tokens[m].begin, tokens[m].length).compare(second, Qt::CaseInsensitive) == 0)
            return t.begin;
    }
    return -1;
}

bool SqlIsSelfContained(const QString& text)
{
    int depth = 0;
    for (const SqlLexToken& t : SqlLex(text)) {
        if (!t.closed)
            return false;
        if (t.kind != SqlLexKind::Punct || t.length != 1)
            continue;
        if (text[t.begin] == u'(')
            ++depth;
        else if (text[t.begin] == u')' && --depth < 0)
            return false;
    }
    return depth == 0;
}
