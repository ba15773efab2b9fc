#include "platform/database/SqlTranslator.h"

#include "platform/database/SqlLexer.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QSet>


using namespace sqltr;

namespace {

// ---------------------------------------------------------------- EXEC

QString unquoteName(const Token& t)
{
    if (t.kind == Tk::Ident) {
        const QChar close = t.text.startsWith(QLatin1Char('[')) ? QLatin1Char(']') : t.text[0];
        QString inner = t.text.mid(1, t.text.size() - 2);
        return inner.replace(QString(2, close), QString(close));
    }
    return t.text;
}

QString stringValue(const Token& t)
{
    QString inner = t.text.mid(1, t.text.size() - 2);
    return inner.replace(QStringLiteral("''"), QStringLiteral("'"));
}

TranslatedStatement translateExec(const std::vector<Token>& t, const Range& r)
{
    TranslatedStatement st;
    st.kind = TranslatedStatement::Kind::Exec;
    st.keyword = QStringLiteral("EXEC");
    int i = nextSig(t, r.begin, r.end);  // the EXEC keyword
    i = nextSig(t, i + 1, r.end);
    if (i >= r.end)
        notUnderstood(QStringLiteral("EXEC without a procedure name"));
    if (t[i].kind == Tk::Variable)
        notUnderstood(QStringLiteral("EXEC with the variable %1").arg(t[i].text));
    if (t[i].isPunct('('))
        notUnderstood(QStringLiteral("EXEC of a statement text"));
    // a name, possibly qualified (dbo.Name): the last part names the procedure
    for (;;) {
        if (t[i].kind != Tk::Word && t[i].kind != Tk::Ident)
            notUnderstood(QStringLiteral("EXEC with the procedure name %1").arg(describeToken(t[i])));
        st.procedure = unquoteName(t[i]);
        const int dot = nextSig(t, i + 1, r.end);
        if (dot < r.end && t[dot].isPunct('.')) {
            i = nextSig(t, dot + 1, r.end);
            if (i >= r.end)
                notUnderstood(QStringLiteral("EXEC with an incomplete procedure name"));
            continue;
        }
        i = dot;
        break;
    }
    if (i >= r.end)
        return st;
    for (;;) {
        if (i >= r.end || t[i].isPunct(','))
            syntaxError(QStringLiteral("Incorrect syntax near ','."));
        const Token& a = t[i];
        bool negative = false;
        int v = i;
        if ((a.isPunct('-') || a.isPunct('+'))) {
            negative = a.isPunct('-');
            v = nextSig(t, i + 1, r.end);
            if (v >= r.end || t[v].kind != Tk::Number)
                notUnderstood(QStringLiteral("EXEC %1 with the argument %2").arg(st.procedure, describeToken(a)));
        }
        const Token& val = t[v];
        if (val.kind == Tk::Number) {
            QString text = val.text;
            if (negative)
                text.prepend(QLatin1Char('-'));
            bool ok = false;
            const qlonglong whole = text.toLongLong(&ok);
            if (ok) {
                st.args.push_back(Variant::fromInt64Checked(whole));
            } else {
                const double d = text.toDouble(&ok);
                if (!ok)
                    notUnderstood(QStringLiteral("EXEC %1 with the argument %2").arg(st.procedure, describeToken(val)));
                st.args.push_back(Variant(d));
            }
        } else if (val.kind == Tk::String) {
            st.args.push_back(Variant(stringValue(val)));
        } else if (val.isWord("NULL")) {
            st.args.push_back(Variant(Null));
        } else if (val.kind == Tk::Variable) {
            notUnderstood(QStringLiteral("EXEC %1 with the named or variable argument %2").arg(st.procedure, val.text));
        } else {
            notUnderstood(QStringLiteral("EXEC %1 with the argument %2").arg(st.procedure, describeToken(val)));
        }
        const int sep = nextSig(t, v + 1, r.end);
        if (sep >= r.end)
            break;
        if (t[sep].isWord("OUTPUT") || t[sep].isWord("OUT"))
            notUnderstood(QStringLiteral("EXEC %1 with an OUTPUT argument").arg(st.procedure));
        if (!t[sep].isPunct(','))
            notUnderstood(QStringLiteral("EXEC %1 with %2 after an argument").arg(st.procedure, describeToken(t[sep])));
        i = nextSig(t, sep + 1, r.end);
    }
    return st;
}

// ---------------------------------------------------------------- rewriting

const QSet<QString>& boundaryKeywords()
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char* w : {"SELECT", "FROM",   "WHERE",  "AND",    "OR",        "NOT",    "ON",      "AS",
                              "WHEN",   "THEN",   "ELSE",   "END",    "CASE",      "LIKE",   "IN",      "IS",
                              "BETWEEN", "ORDER", "BY",     "GROUP",  "HAVING",    "SET",    "VALUES",  "INTO",
                              "DISTINCT", "TOP",  "UNION",  "ALL",    "EXCEPT",    "INTERSECT", "JOIN", "INNER",
                              "LEFT",   "RIGHT",  "OUTER",  "CROSS",  "FULL",      "ESCAPE", "COLLATE", "ASC",
                              "DESC",   "LIMIT",  "OFFSET", "EXISTS", "INSERT",    "UPDATE", "DELETE",  "WITH",
                              "GLOB",   "REGEXP", "MATCH",  "USING",  "NATURAL"})
            s.insert(QLatin1String(w));
        return s;
    }();
    return words;
}

class Rewriter {
public:
    explicit Rewriter(std::vector<Token>& tokens) : t(tokens) {}

    QString statement(const Range& r)
    {
        range(r.begin, r.end, -1);
        QString out;
        for (int i = r.begin; i < r.end; ++i)
            out += t[i].pre + t[i].out + t[i].post;
        return out.trimmed();
    }

private:
    std::vector<Token>& t;

    // The significant tokens of [b, e) at its own level: a group counts once, by its "(".
    std::vector<int> level(int b, int e) const
    {
        std::vector<int> out;
        for (int i = b; i < e; ++i) {
            if (!t[i].significant())
                continue;
            out.push_back(i);
            if (t[i].isPunct('('))
                i = t[i].match;
        }
        return out;
    }

    int lastTokenOf(int index) const { return t[index].isPunct('(') ? t[index].match : index; }

    bool isGroupAfter(const std::vector<int>& lv, size_t k) const
    {
        return k + 1 < lv.size() && t[lv[k + 1]].isPunct('(');
    }

    // Rewrites [b, e); close is the ")" that ends it, or -1 at the end of a statement.
    void range(int b, int e, int close)
    {
        const std::vector<int> lv = level(b, e);
        for (int i : lv) {
            if (t[i].isPunct('('))
                range(i + 1, t[i].match, t[i].match);
        }
        for (size_t k = 0; k < lv.size(); ++k)
            word(lv, k);
        chains(lv, 0, lv.size());
        selects(lv, e, close);
    }

    void word(const std::vector<int>& lv, size_t k)
    {
        Token& tok = t[lv[k]];
        if (tok.kind == Tk::Variable) {
            if (tok.text.compare(QLatin1String("@@IDENTITY"), Qt::CaseInsensitive) == 0)
                tok.out = QStringLiteral("SCOPE_IDENTITY()");
            else
                notUnderstood(QStringLiteral("the variable %1").arg(tok.text));
            return;
        }
        if (tok.kind == Tk::String) {
            if (tok.national)
                tok.out = tok.text;
            return;
        }
        if (tok.isPunct("!<")) {
            tok.out = QStringLiteral(">=");
            return;
        }
        if (tok.isPunct("!>")) {
            tok.out = QStringLiteral("<=");
            return;
        }
        if (tok.kind != Tk::Word)
            return;
        const QString up = tok.upper();
        const bool call = isGroupAfter(lv, k);
        if (up == QLatin1String("GO") || up == QLatin1String("DECLARE") || up == QLatin1String("PRINT") ||
            up == QLatin1String("RAISERROR") || up == QLatin1String("TRAN") || up == QLatin1String("TRANSACTION"))
            notUnderstood(QStringLiteral("%1 inside a statement").arg(up));
        if (!call)
            return;
        Token& open = t[lv[k + 1]];
        if (up == QLatin1String("ISNULL")) {
            tok.out = QStringLiteral("IFNULL");
        } else if (up == QLatin1String("LEFT")) {
            tok.out = QStringLiteral("tsql_left");
        } else if (up == QLatin1String("RIGHT")) {
            tok.out = QStringLiteral("tsql_right");
        } else if (up == QLatin1String("DATEADD") || up == QLatin1String("DATEDIFF")) {
            const int p = nextSig(t, lv[k + 1] + 1, open.match);
            if (p < open.match && t[p].kind == Tk::Word) {
                const int comma = nextSig(t, p + 1, open.match);
                if (comma < open.match && t[comma].isPunct(','))
                    t[p].out = QLatin1Char('\'') + t[p].text.toLower() + QLatin1Char('\'');
            }
        } else if (up == QLatin1String("CONVERT")) {
            convert(lv[k], lv[k + 1]);
        } else if (up == QLatin1String("CAST")) {
            cast(lv[k + 1]);
        }
    }

    // The parts of a group's content separated by "," at its own level.
    std::vector<std::vector<int>> parts(int open) const
    {
        std::vector<std::vector<int>> out(1);
        for (int i : level(open + 1, t[open].match)) {
            if (t[i].isPunct(','))
                out.emplace_back();
            else
                out.back().push_back(i);
        }
        return out;
    }

    QString typeText(const std::vector<int>& items) const
    {
        QString s;
        for (int i : items) {
            const int last = lastTokenOf(i);
            for (int j = i; j <= last; ++j) {
                if (t[j].significant())
                    s += t[j].text;
            }
        }
        return s;
    }

    QString mappedType(const QString& type, const char* where) const
    {
        const QString mapped = SqliteTypeFor(type);
        if (mapped.isEmpty())
            notUnderstood(QStringLiteral("the type '%1' in %2").arg(type, QLatin1String(where)));
        return mapped;
    }

    void blank(int from, int to)
    {
        for (int j = from; j <= to; ++j)
            t[j].out.clear();
    }

    void convert(int name, int open)
    {
        const auto p = parts(open);
        if (p.size() == 3)
            notUnderstood(QStringLiteral("CONVERT with a style"));
        if (p.size() != 2 || p[0].empty() || p[1].empty())
            notUnderstood(QStringLiteral("CONVERT without a type and a value"));
        const QString type = mappedType(typeText(p[0]), "CONVERT");
        t[name].out = QStringLiteral("CAST");
        // the type and the comma after it go; the value gets " AS type"
        int comma = lastTokenOf(p[0].back()) + 1;
        while (!t[comma].isPunct(','))
            ++comma;
        blank(open + 1, comma);
        t[lastTokenOf(p[1].back())].post += QStringLiteral(" AS ") + type;
    }

    void cast(int open)
    {
        const std::vector<int> lv = level(open + 1, t[open].match);
        int as = -1;
        for (size_t k = 0; k < lv.size(); ++k) {
            if (t[lv[k]].isWord("AS"))
                as = static_cast<int>(k);
        }
        if (as < 0 || as + 1 >= static_cast<int>(lv.size()))
            return;  // SQLite reports the malformed CAST itself
        const std::vector<int> type(lv.begin() + as + 1, lv.end());
        const QString mapped = mappedType(typeText(type), "CAST");
        blank(type.front(), lastTokenOf(type.back()));
        t[type.front()].out = mapped;
    }

    // A call of a function that gives text (so that "+" next to it concatenates).
    bool returnsText(int name, int open) const
    {
        static const QSet<QString> textFunctions = {
            QStringLiteral("LEFT"),  QStringLiteral("RIGHT"), QStringLiteral("SUBSTRING"), QStringLiteral("LTRIM"),
            QStringLiteral("RTRIM"), QStringLiteral("UPPER"), QStringLiteral("LOWER"),     QStringLiteral("REPLACE")};
        const QString up = t[name].upper();
        if (textFunctions.contains(up))
            return true;
        if (up == QLatin1String("CONVERT")) {
            const auto p = parts(open);
            return !p.empty() && !p[0].empty() && SqliteTypeFor(typeText(p[0])) == QLatin1String("TEXT");
        }
        if (up == QLatin1String("CAST")) {
            const std::vector<int> lv = level(open + 1, t[open].match);
            for (size_t k = 0; k + 1 < lv.size(); ++k) {
                if (t[lv[k]].isWord("AS"))
                    return SqliteTypeFor(typeText({lv.begin() + k + 1, lv.end()})) == QLatin1String("TEXT");
            }
        }
        return false;
    }

    // "+" in a chain of terms that holds a text literal (or a call that gives text:
    // LEFT, RIGHT, SUBSTRING, LTRIM, RTRIM, UPPER, LOWER, REPLACE, a CONVERT or CAST
    // to a text type) concatenates: it becomes "||". Other operands have no type here.
    // SQLite's "||" binds tighter than "*", "/" and "%", so a term holding those is
    // put in parentheses. A chain that also holds a number literal or a "-" is left
    // as it is (its type cannot be known here).
    void chains(const std::vector<int>& lv, size_t from, size_t to)
    {
        struct Term {
            int first = -1;
            int last = -1;
            bool textLiteral = false;
            bool numberLiteral = false;
            bool multiplies = false;
            int parts = 0;
        };
        std::vector<Term> terms;
        std::vector<int> ops;  // the binary +/- between the terms
        Term cur;
        bool haveOperand = false;  // the current term has an operand (so a +/- now is binary)

        auto endChain = [&]() {
            if (cur.first >= 0)
                terms.push_back(cur);
            bool text = false;
            bool number = false;
            bool minus = false;
            for (const Term& term : terms) {
                text = text || (term.textLiteral && term.parts == 1);
                number = number || (term.numberLiteral && term.parts == 1);
            }
            for (int op : ops)
                minus = minus || t[op].isPunct('-');
            if (text && !number && !minus && !ops.empty() && terms.size() == ops.size() + 1) {
                for (int op : ops)
                    t[op].out = QStringLiteral("||");
                for (const Term& term : terms) {
                    if (term.multiplies) {
                        t[term.first].pre = QLatin1Char('(') + t[term.first].pre;
                        t[term.last].post += QLatin1Char(')');
                    }
                }
            }
            terms.clear();
            ops.clear();
            cur = Term();
            haveOperand = false;
        };
        auto operand = [&](int first, int last, bool textLit, bool numberLit) {
            if (cur.first < 0)
                cur.first = first;
            cur.last = last;
            cur.textLiteral = textLit;
            cur.numberLiteral = numberLit;
            ++cur.parts;
            haveOperand = true;
        };

        for (size_t k = from; k < to; ++k) {
            const int i = lv[k];
            const Token& tok = t[i];
            if (tok.kind == Tk::Word && tok.isWord("CASE")) {
                // CASE ... END is one operand; its inside has chains of its own
                int depth = 1;
                size_t m = k + 1;
                for (; m < to; ++m) {
                    if (t[lv[m]].isWord("CASE"))
                        ++depth;
                    else if (t[lv[m]].isWord("END") && --depth == 0)
                        break;
                }
                if (m >= to) {
                    endChain();
                    continue;
                }
                chains(lv, k + 1, m);
                operand(i, lv[m], false, false);
                k = m;
                continue;
            }
            const bool leftRightCall = (tok.isWord("LEFT") || tok.isWord("RIGHT")) && isGroupAfter(lv, k);
            if (tok.kind == Tk::Word && boundaryKeywords().contains(tok.upper()) && !leftRightCall) {
                endChain();
                continue;
            }
            if (tok.kind == Tk::Word || tok.kind == Tk::Ident || tok.kind == Tk::Variable) {
                int last = i;
                bool text = false;
                if (isGroupAfter(lv, k)) {
                    text = returnsText(i, lv[k + 1]);
                    last = t[lv[k + 1]].match;
                    ++k;
                }
                operand(i, last, text, false);
                continue;
            }
            if (tok.isPunct('(')) {
                operand(i, tok.match, false, false);
                continue;
            }
            if (tok.kind == Tk::String || tok.kind == Tk::Number) {
                operand(i, i, tok.kind == Tk::String, tok.kind == Tk::Number);
                continue;
            }
            if (tok.isPunct('+') || tok.isPunct('-')) {
                if (haveOperand) {
                    terms.push_back(cur);
                    cur = Term();
                    ops.push_back(i);
                    haveOperand = false;
                } else {
                    // a sign: part of the term that follows
                    if (cur.first < 0)
                        cur.first = i;
                    ++cur.parts;
                }
                continue;
            }
            if (tok.isPunct('*') || tok.isPunct('/') || tok.isPunct('%')) {
                cur.multiplies = true;
                ++cur.parts;
                haveOperand = false;
                continue;
            }
            if (tok.isPunct('.') || tok.isPunct('~')) {
                ++cur.parts;
                haveOperand = tok.isPunct('.') ? false : haveOperand;
                continue;
            }
            endChain();
        }
        endChain();
    }

    // Select lists: "name = expr" items become "expr AS name"; TOP n becomes LIMIT n.
    void selects(const std::vector<int>& lv, int e, int close)
    {
        static const QSet<QString> clauseEnd = {QStringLiteral("FROM"),   QStringLiteral("WHERE"),
                                                QStringLiteral("GROUP"),  QStringLiteral("ORDER"),
                                                QStringLiteral("HAVING"), QStringLiteral("UNION"),
                                                QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT"),
                                                QStringLiteral("INTO"),   QStringLiteral("LIMIT")};
        QString limit;
        int selectCount = 0;
        bool hasLimit = false;
        for (size_t k = 0; k < lv.size(); ++k) {
            const Token& tok = t[lv[k]];
            if (tok.isWord("LIMIT"))
                hasLimit = true;
            if (tok.isWord("TOP"))
                notUnderstood(QStringLiteral("TOP outside a select list"));
            if (!tok.isWord("SELECT"))
                continue;
            ++selectCount;
            size_t p = k + 1;
            if (p < lv.size() && (t[lv[p]].isWord("DISTINCT") || t[lv[p]].isWord("ALL")))
                ++p;
            if (p < lv.size() && t[lv[p]].isWord("TOP")) {
                limit = topLimit(lv, p);
                p += 1 + 1;  // TOP and its count
            }
            // the items
            std::vector<int> item;
            for (; p <= lv.size(); ++p) {
                const bool atEnd = p == lv.size() || (t[lv[p]].kind == Tk::Word && clauseEnd.contains(t[lv[p]].upper()));
                if (atEnd || t[lv[p]].isPunct(',')) {
                    aliasItem(item);
                    item.clear();
                    if (atEnd)
                        break;
                    continue;
                }
                item.push_back(lv[p]);
            }
            k = p - 1;  // the clause word (UNION ...) is looked at next
        }
        if (limit.isEmpty())
            return;
        if (selectCount > 1)
            notUnderstood(QStringLiteral("TOP in a query of several SELECTs"));
        if (hasLimit)
            notUnderstood(QStringLiteral("TOP together with LIMIT"));
        if (close >= 0) {
            t[close].pre = QStringLiteral(" LIMIT ") + limit + t[close].pre;
        } else {
            const int last = prevSig(t, e - 1, 0);
            t[last].post += QStringLiteral(" LIMIT ") + limit;
        }
    }

    QString topLimit(const std::vector<int>& lv, size_t p)
    {
        if (p + 1 >= lv.size())
            notUnderstood(QStringLiteral("TOP without a count"));
        Token& top = t[lv[p]];
        const int countIndex = lv[p + 1];
        QString count;
        if (t[countIndex].kind == Tk::Number) {
            count = t[countIndex].text;
        } else if (t[countIndex].isPunct('(')) {
            const int inner = nextSig(t, countIndex + 1, t[countIndex].match);
            if (inner < t[countIndex].match && t[inner].kind == Tk::Number &&
                nextSig(t, inner + 1, t[countIndex].match) == t[countIndex].match)
                count = t[inner].text;
        }
        bool whole = false;
        count.toLongLong(&whole);
        if (!whole)
            notUnderstood(QStringLiteral("TOP without a whole number"));
        if (p + 2 < lv.size() && (t[lv[p + 2]].isWord("PERCENT") || t[lv[p + 2]].isWord("WITH")))
            notUnderstood(QStringLiteral("TOP ... %1").arg(t[lv[p + 2]].upper()));
        top.out.clear();
        int j = lastTokenOf(countIndex);
        blank(lv[p], j);
        for (++j; j < static_cast<int>(t.size()) && t[j].kind == Tk::Space; ++j)
            t[j].out.clear();
        return count;
    }

    void aliasItem(const std::vector<int>& item)
    {
        if (item.size() < 3)
            return;
        const Token& name = t[item[0]];
        const bool isName = (name.kind == Tk::Word && !boundaryKeywords().contains(name.upper()) &&
                             !name.isWord("NULL")) ||
                            name.kind == Tk::Ident;
        if (!isName || !t[item[1]].isPunct('='))
            return;
        const QString alias = name.text;
        blank(item[0], item[1]);
        // drop the blanks that followed the "="
        for (int j = item[1] + 1; j < item[2]; ++j) {
            if (t[j].kind == Tk::Space)
                t[j].out.clear();
        }
        t[lastTokenOf(item.back())].post += QStringLiteral(" AS ") + alias;
    }
};

const QSet<QString>& statementKeywords()
{
    static const QSet<QString> words = {QStringLiteral("SELECT"), QStringLiteral("INSERT"), QStringLiteral("UPDATE"),
                                        QStringLiteral("DELETE"), QStringLiteral("WITH"),   QStringLiteral("CREATE"),
                                        QStringLiteral("DROP"),   QStringLiteral("ALTER")};
    return words;
}

bool withMainIsSelect(const std::vector<Token>& t, const Range& r)
{
    for (int i = r.begin; i < r.end; ++i) {
        if (!t[i].significant())
            continue;
        if (t[i].isPunct('(')) {
            i = t[i].match;
            continue;
        }
        if (t[i].isWord("SELECT"))
            return true;
        if (t[i].isWord("INSERT") || t[i].isWord("UPDATE") || t[i].isWord("DELETE"))
            return false;
    }
    return false;
}

}  // namespace

QString SqliteTypeFor(const QString& tsqlType)
{
    QString base = tsqlType.trimmed().toLower();
    const int paren = base.indexOf(QLatin1Char('('));
    if (paren >= 0)
        base = base.left(paren).trimmed();
    if (base.startsWith(QLatin1Char('[')) && base.endsWith(QLatin1Char(']')))
        base = base.mid(1, base.size() - 2);
    static const QSet<QString> integers = {QStringLiteral("int"), QStringLiteral("integer"), QStringLiteral("bigint"),
                                           QStringLiteral("smallint"), QStringLiteral("tinyint"), QStringLiteral("bit")};
    static const QSet<QString> texts = {QStringLiteral("varchar"),   QStringLiteral("nvarchar"),
                                        QStringLiteral("char"),      QStringLiteral("nchar"),
                                        QStringLiteral("text"),      QStringLiteral("ntext"),
                                        QStringLiteral("sysname"),   QStringLiteral("uniqueidentifier"),
                                        QStringLiteral("datetime"),  QStringLiteral("smalldatetime"),
                                        QStringLiteral("datetime2"), QStringLiteral("date"),
                                        QStringLiteral("time")};
    static const QSet<QString> reals = {QStringLiteral("float"),   QStringLiteral("real"),
                                        QStringLiteral("money"),   QStringLiteral("smallmoney"),
                                        QStringLiteral("decimal"), QStringLiteral("numeric"),
                                        QStringLiteral("dec")};
    static const QSet<QString> blobs = {QStringLiteral("varbinary"), QStringLiteral("binary"), QStringLiteral("image")};
    if (integers.contains(base))
        return QStringLiteral("INTEGER");
    if (texts.contains(base))
        return QStringLiteral("TEXT");
    if (reals.contains(base))
        return QStringLiteral("REAL");
    if (blobs.contains(base))
        return QStringLiteral("BLOB");
    return {};
}

std::vector<TranslatedStatement> TranslateBatch(const QString& tsql)
{
    std::vector<Token> tokens = tokenize(tsql);
    const std::vector<Range> ranges = splitBatch(tokens);
    std::vector<TranslatedStatement> out;
    Rewriter rewriter(tokens);
    for (const Range& r : ranges) {
        const Token& first = tokens[nextSig(tokens, r.begin, r.end)];
        const QString keyword = first.upper();
        if (keyword == QLatin1String("EXEC") || keyword == QLatin1String("EXECUTE")) {
            out.push_back(translateExec(tokens, r));
            continue;
        }
        if (first.kind != Tk::Word || !statementKeywords().contains(keyword))
            notUnderstood(QStringLiteral("the statement %1").arg(describeToken(first)));
        TranslatedStatement st;
        st.keyword = keyword;
        st.writes = !(keyword == QLatin1String("SELECT") ||
                      (keyword == QLatin1String("WITH") && withMainIsSelect(tokens, r)));
        if (keyword == QLatin1String("CREATE") || keyword == QLatin1String("DROP") ||
            keyword == QLatin1String("ALTER")) {
            // definitions pass as they are (the schema is written for SQLite)
            QString text;
            for (int i = r.begin; i < r.end; ++i)
                text += tokens[i].national ? tokens[i].out : tokens[i].text;
            st.sql = text.trimmed();
        } else {
            st.sql = rewriter.statement(r);
        }
        out.push_back(std::move(st));
    }
    return out;
}
