// Our T-SQL check: the rules every script and procedure file keeps (see
// SqlServerScripts.h), read from tokens rather than by pattern.
#include "db/SqlServerScripts.h"
#include "db/TsqlTokens.h"

#include <QRegularExpression>

#include <QSet>

#include <algorithm>

namespace erpdb {

namespace tsql {

std::vector<Token> Tokenise(const QString& s, int firstLine, QStringList* problems)
{
    std::vector<Token> tokens;
    int line = firstLine;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c == QLatin1Char('\n')) {
            ++line;
            ++i;
        } else if (c.isSpace()) {
            ++i;
        } else if (s.mid(i, 2) == QLatin1String("--")) {
            while (i < s.size() && s[i] != QLatin1Char('\n'))
                ++i;
        } else if (s.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0) {
                if (problems)
                    *problems << QStringLiteral("line %1: a comment is not closed").arg(line);
                break;
            }
            line += static_cast<int>(s.mid(i, end - i).count(QLatin1Char('\n')));
            i = end + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            QString text;
            bool closed = false;
            while (j < s.size()) {
                if (s[j] == close) {
                    if (j + 1 < s.size() && s[j + 1] == close) {  // doubled: one of it inside
                        text += close;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                text += s[j++];
            }
            if (!closed) {
                if (problems)
                    *problems << QStringLiteral("line %1: a %2 is not closed")
                                     .arg(line)
                                     .arg(c == QLatin1Char('\'') ? QStringLiteral("text") : QStringLiteral("name"));
                break;
            }
            tokens.push_back({c == QLatin1Char('\'') ? Token::Text : Token::Name, text, line});
            line += static_cast<int>(text.count(QLatin1Char('\n')));
            i = j + 1;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#')) {
            qsizetype j = i;
            while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_') || s[j] == QLatin1Char('@') ||
                                    s[j] == QLatin1Char('#') || s[j] == QLatin1Char('$')))
                ++j;
            tokens.push_back({Token::Word, s.mid(i, j - i).toUpper(), line});
            i = j;
        } else {
            const QString two = s.mid(i, 2);
            if (two == QLatin1String("||") || two == QLatin1String("<>") || two == QLatin1String("<=") ||
                two == QLatin1String(">=") || two == QLatin1String("!=")) {
                tokens.push_back({Token::Symbol, two, line});
                i += 2;
            } else {
                tokens.push_back({Token::Symbol, QString(c), line});
                ++i;
            }
        }
    }
    return tokens;
}

std::vector<Batch> Batches(const QString& script)
{
    std::vector<Batch> batches;
    const QStringList lines = script.split(QLatin1Char('\n'));
    QString batch;
    int batchLine = 1;
    bool ignore = false;
    static const QRegularExpression onError(QStringLiteral("^:on\\s+error\\s+(exit|ignore)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (int n = 0; n < lines.size(); ++n) {
        if (lines[n].trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            batches.push_back({batch, batchLine, ignore});
            batch.clear();
            batchLine = n + 2;
            continue;
        }
        // sqlcmd's own commands are no T-SQL: a blank line in their place
        if (lines[n].startsWith(QLatin1Char(':'))) {
            const auto m = onError.match(lines[n].trimmed());
            if (m.hasMatch() && batch.trimmed().isEmpty())
                ignore = m.captured(1).compare(QLatin1String("ignore"), Qt::CaseInsensitive) == 0;
            batch += QLatin1Char('\n');
            continue;
        }
        batch += lines[n] + QLatin1Char('\n');
    }
    batches.push_back({batch, batchLine, ignore});
    return batches;
}

}  // namespace tsql

using namespace tsql;

QStringList TsqlScriptProblems(const QString& script)
{
    QStringList problems;
    static const QSet<QString> sqliteWords = {QStringLiteral("AUTOINCREMENT"), QStringLiteral("NOCASE"),
                                              QStringLiteral("IFNULL"),        QStringLiteral("INSTR"),
                                              QStringLiteral("PRAGMA"),        QStringLiteral("LIMIT"),
                                              QStringLiteral("GLOB"),          QStringLiteral("TEXT")};
    const auto reserved = [&](const Token& k) {
        problems << QStringLiteral("line %1: %2 is a reserved keyword of T-SQL: bracket it or choose another name")
                        .arg(k.line)
                        .arg(k.text);
    };
    // Whether the "(" at i opens the column list of TABLE, INTO or ON <name>.
    const auto opensNameList = [](const std::vector<Token>& t, size_t i) {
        if (i < 2 || (t[i - 1].kind != Token::Word && t[i - 1].kind != Token::Name))
            return false;
        size_t before = i - 2;
        if (IsSymbol(t, before, ".") && before >= 2)
            before -= 2;
        return IsWord(t, before, "TABLE") || IsWord(t, before, "INTO") || IsWord(t, before, "ON");
    };
    static const QSet<QString> constraintWords = {QStringLiteral("CONSTRAINT"), QStringLiteral("PRIMARY"),
                                                  QStringLiteral("UNIQUE"), QStringLiteral("FOREIGN"),
                                                  QStringLiteral("CHECK"), QStringLiteral("INDEX")};
    auto check = [&](const QString& text, int firstLine) {
        const std::vector<Token> t = Tokenise(text, firstLine, &problems);
        int depth = 0;
        std::vector<bool> nameLists;  // per open "(": whether it holds a list of column names
        for (size_t i = 0; i < t.size(); ++i) {
            const Token& k = t[i];
            if (k.kind == Token::Symbol && k.text == QLatin1String("(")) {
                ++depth;
                nameLists.push_back(opensNameList(t, i));
            }
            if (k.kind == Token::Symbol && k.text == QLatin1String(")")) {
                if (!nameLists.empty())
                    nameLists.pop_back();
                if (--depth < 0) {
                    problems << QStringLiteral("line %1: a ')' closes nothing").arg(k.line);
                    depth = 0;
                }
            }
            if (k.kind == Token::Word && IsTsqlReservedKeyword(k.text) && i > 0) {
                const bool qualified = IsSymbol(t, i - 1, ".") && i >= 2 &&
                                       (t[i - 2].kind == Token::Word || t[i - 2].kind == Token::Name);
                const bool listed = !nameLists.empty() && nameLists.back() &&
                                    (IsSymbol(t, i - 1, "(") || IsSymbol(t, i - 1, ",")) &&
                                    !constraintWords.contains(k.text);
                if (qualified || listed)
                    reserved(k);
            }
            if (IsWord(t, i, "DATABASE") && i > 0 && IsWord(t, i - 1, "CREATE")) {
                bool collated = false;
                for (size_t j = i + 1; j < t.size() && !IsSymbol(t, j, ";"); ++j) {
                    if (IsWord(t, j, "COLLATE") && j + 1 < t.size())
                        collated = t[j + 1].text.contains(QLatin1String("_CI_"), Qt::CaseInsensitive);
                }
                if (!collated)
                    problems << QStringLiteral("line %1: CREATE DATABASE without a case-insensitive COLLATE takes "
                                               "the server's collation")
                                    .arg(k.line);
            }
            if ((k.kind == Token::Word && sqliteWords.contains(k.text)) || (k.kind == Token::Symbol && k.text == QLatin1String("||")))
                problems << QStringLiteral("line %1: '%2' is not T-SQL").arg(k.line).arg(k.text);
            if (!IsWord(t, i, "CREATE"))
                continue;
            // GRANT CREATE VIEW TO ...: a right, no statement
            if (i > 0 && (IsWord(t, i - 1, "GRANT") || IsWord(t, i - 1, "DENY") || IsWord(t, i - 1, "REVOKE") ||
                          IsSymbol(t, i - 1, ",")))
                continue;
            const bool orAlter = IsWord(t, i + 1, "OR") && IsWord(t, i + 2, "ALTER");
            const size_t what = orAlter ? i + 3 : i + 1;
            const bool unique = IsWord(t, what, "UNIQUE");
            {
                // the created object's own name, after its schema
                size_t name = unique ? what + 2 : what + 1;
                if (IsSymbol(t, name + 1, "."))
                    name += 2;
                if (name < t.size() && t[name].kind == Token::Word && IsTsqlReservedKeyword(t[name].text))
                    reserved(t[name]);
            }
            if (IsWord(t, what, "VIEW") || IsWord(t, what, "PROCEDURE") || IsWord(t, what, "PROC") ||
                IsWord(t, what, "FUNCTION") || IsWord(t, what, "TRIGGER")) {
                if (i != 0)
                    problems << QStringLiteral("line %1: CREATE %2 must start its batch").arg(k.line).arg(t[what].text);
                if (!orAlter)
                    problems << QStringLiteral("line %1: CREATE %2 fails when run again (CREATE OR ALTER)")
                                    .arg(k.line)
                                    .arg(t[what].text);
            } else if (IsWord(t, what, "TABLE") || IsWord(t, what, "INDEX") || unique || IsWord(t, what, "DATABASE") ||
                       IsWord(t, what, "LOGIN") || IsWord(t, what, "USER") || IsWord(t, what, "ROLE") ||
                       IsWord(t, what, "SCHEMA")) {
                // guarded: IF OBJECT_ID(...) IS NULL / IF NOT EXISTS (...) / IF DB_ID(...) IS NULL
                // (SUSER_ID, USER_ID, DATABASE_PRINCIPAL_ID, SCHEMA_ID) right before
                bool guarded = false;
                for (size_t j = i; j-- > 0;) {
                    if (IsWord(t, j, "IF")) {
                        guarded = IsWord(t, j + 1, "OBJECT_ID") || IsWord(t, j + 1, "DB_ID") ||
                                  IsWord(t, j + 1, "SUSER_ID") || IsWord(t, j + 1, "USER_ID") ||
                                  IsWord(t, j + 1, "DATABASE_PRINCIPAL_ID") || IsWord(t, j + 1, "SCHEMA_ID") ||
                                  (IsWord(t, j + 1, "NOT") && IsWord(t, j + 2, "EXISTS"));
                        break;
                    }
                    if (t[j].kind == Token::Symbol && t[j].text == QLatin1String(";"))
                        break;
                }
                if (!guarded)
                    problems << QStringLiteral("line %1: CREATE %2 is not guarded against a second run")
                                    .arg(k.line)
                                    .arg(t[what].text);
            }
        }
        if (depth > 0)
            problems << QStringLiteral("line %1: a '(' is not closed").arg(firstLine);
    };
    const std::vector<Batch> batches = Batches(script);
    for (const Batch& b : batches)
        check(b.text, b.firstLine);
    // sqlcmd stops at a $(variable) that was not given, even in a statement that
    // would not run: a batch that names one runs under ":on error ignore" (and
    // sees for itself whether it was given), so that the script runs again without
    // it; and the script ends its ignoring before anything else runs.
    static const QRegularExpression variable(QStringLiteral("\\$\\(([A-Za-z_][A-Za-z0-9_]*)\\)"));
    for (const Batch& b : batches) {
        const auto m = variable.match(b.text);
        if (m.hasMatch() && !b.errorsIgnored)
            problems << QStringLiteral("line %1: sqlcmd stops here when $(%2) is not given: run the batch under "
                                       "\":on error ignore\"")
                            .arg(b.firstLine + int(b.text.left(m.capturedStart()).count(QLatin1Char('\n'))))
                            .arg(m.captured(1));
        for (auto it = variable.globalMatch(b.text); b.errorsIgnored && it.hasNext();) {
            const QString name = it.next().captured(1);
            if (!b.text.contains(QStringLiteral("N'$(%1)' <> N'$' + N'(%1)'").arg(name)))
                problems << QStringLiteral("line %1: $(%2) is used without asking whether it was given "
                                           "(N'$(%2)' <> N'$' + N'(%2)'): sqlcmd leaves it as it is when not")
                                .arg(b.firstLine)
                                .arg(name);
        }
        if (b.errorsIgnored && !m.hasMatch() && !b.text.trimmed().isEmpty())
            problems << QStringLiteral("line %1: a batch without sqlcmd variables runs under \":on error ignore\": "
                                       "its errors would not stop the script")
                            .arg(b.firstLine);
    }
    // A script of several batches (a procedure file is one) sets the session
    // options it needs in its first batch and keeps them.
    if (batches.size() > 1) {
        const auto sets = [](const Batch& b) {
            QList<std::pair<Token, QString>> found;  // an option and the value it is set to
            const std::vector<Token> t = Tokenise(b.text, b.firstLine, nullptr);
            for (size_t i = 0; i < t.size(); ++i) {
                if (!IsWord(t, i, "SET"))
                    continue;
                QList<Token> options;
                size_t j = i + 1;
                for (; j < t.size() && (t[j].kind == Token::Word || IsSymbol(t, j, ",")); ++j) {
                    if (IsWord(t, j, "ON") || IsWord(t, j, "OFF"))
                        break;
                    if (t[j].kind == Token::Word)
                        options << t[j];
                }
                if (j < t.size() && (IsWord(t, j, "ON") || IsWord(t, j, "OFF")))
                    for (const Token& o : options)
                        found.append({o, t[j].text});
            }
            return found;
        };
        const QList<std::pair<const char*, const char*>> needed = {
            {"QUOTED_IDENTIFIER", "ON"}, {"ANSI_NULLS", "ON"}, {"ANSI_PADDING", "ON"},
            {"ANSI_WARNINGS", "ON"},     {"ARITHABORT", "ON"}, {"CONCAT_NULL_YIELDS_NULL", "ON"},
            {"NUMERIC_ROUNDABORT", "OFF"}};
        const auto first = sets(batches.front());
        for (const auto& [option, value] : needed) {
            const bool set = std::any_of(first.begin(), first.end(), [&](const std::pair<Token, QString>& s) {
                return s.first.text == QLatin1String(option) && s.second == QLatin1String(value);
            });
            if (!set)
                problems << QStringLiteral("line 1: the script does not set %1 %2 in its first batch")
                                .arg(QLatin1String(option), QLatin1String(value));
        }
        for (size_t b = 1; b < batches.size(); ++b) {
            for (const auto& [token, value] : sets(batches[b])) {
                for (const auto& [option, wanted] : needed) {
                    if (token.text == QLatin1String(option) && value != QLatin1String(wanted))
                        problems << QStringLiteral("line %1: SET %2 %3 undoes a session option the script needs")
                                        .arg(token.line)
                                        .arg(token.text, value);
                }
            }
        }
    }
    return problems;
}


namespace {

// Words that start a statement: a DECLARE or EXEC statement written without ";"
// ends at the next one.
bool StartsStatement(const Token& k)
{
    static const QSet<QString> words = {
        QStringLiteral("SELECT"),     QStringLiteral("SET"),      QStringLiteral("IF"),       QStringLiteral("ELSE"),
        QStringLiteral("INSERT"),     QStringLiteral("UPDATE"),   QStringLiteral("DELETE"),   QStringLiteral("MERGE"),
        QStringLiteral("DECLARE"),    QStringLiteral("BEGIN"),    QStringLiteral("END"),      QStringLiteral("RETURN"),
        QStringLiteral("WHILE"),      QStringLiteral("FETCH"),    QStringLiteral("OPEN"),     QStringLiteral("CLOSE"),
        QStringLiteral("DEALLOCATE"), QStringLiteral("EXEC"),     QStringLiteral("EXECUTE"),  QStringLiteral("PRINT"),
        QStringLiteral("RAISERROR"),  QStringLiteral("THROW"),    QStringLiteral("COMMIT"),   QStringLiteral("ROLLBACK"),
        QStringLiteral("SAVE"),       QStringLiteral("TRUNCATE"), QStringLiteral("BREAK"),    QStringLiteral("CONTINUE")};
    return k.kind == Token::Word && words.contains(k.text);
}

bool IsVariable(const Token& k)
{
    return k.kind == Token::Word && k.text.startsWith(QLatin1Char('@')) && !k.text.startsWith(QLatin1String("@@"));
}

// Where the procedure's parameters start (after its name) and where its body
// starts (after AS); both 0 when the text creates no procedure.
struct ProcedureShape {
    size_t parameters = 0;
    size_t body = 0;
};

ProcedureShape Shape(const std::vector<Token>& t)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (!IsWord(t, i, "CREATE"))
            continue;
        size_t k = i + 1;
        if (IsWord(t, k, "OR") && IsWord(t, k + 1, "ALTER"))
            k += 2;
        if (!IsWord(t, k, "PROCEDURE") && !IsWord(t, k, "PROC"))
            return {};
        ++k;
        while (k + 1 < t.size() && IsSymbol(t, k + 1, "."))  // schema.name
            k += 2;
        ProcedureShape shape;
        shape.parameters = k + 1;
        int depth = 0;
        for (size_t j = shape.parameters; j < t.size(); ++j) {
            if (IsSymbol(t, j, "("))
                ++depth;
            else if (IsSymbol(t, j, ")"))
                --depth;
            else if (depth == 0 && IsWord(t, j, "AS")) {
                shape.body = j + 1;
                return shape;
            }
        }
        return {};
    }
    return {};
}

}  // namespace

QStringList TsqlProcedureParameters(const QString& procedure)
{
    const std::vector<Token> t = Tokenise(procedure, 1, nullptr);
    const ProcedureShape shape = Shape(t);
    QStringList parameters;
    int depth = 0;
    for (size_t i = shape.parameters; i < shape.body; ++i) {
        if (IsSymbol(t, i, "("))
            ++depth;
        else if (IsSymbol(t, i, ")"))
            --depth;
        // a parameter opens the list or follows a comma; the list may be in parentheses
        const bool listStart = i == shape.parameters || (depth == 1 && IsSymbol(t, i - 1, "(") && i - 1 == shape.parameters);
        if (IsVariable(t[i]) && (listStart || (depth <= 1 && IsSymbol(t, i - 1, ","))))
            parameters << t[i].text;
    }
    return parameters;
}

QStringList TsqlProcedureProblems(const QString& procedure, const QSet<QString>& knownObjects)
{
    QStringList problems;
    const std::vector<Token> t = Tokenise(procedure, 1, &problems);
    const ProcedureShape shape = Shape(t);
    if (shape.body == 0)
        return problems << QStringLiteral("line 1: no CREATE PROCEDURE ... AS");
    QSet<QString> declared;
    for (const QString& p : TsqlProcedureParameters(procedure))
        declared.insert(p);
    QSet<QString> reported;
    auto use = [&](const Token& k) {
        if (!declared.contains(k.text) && !reported.contains(k.text)) {
            reported.insert(k.text);
            problems << QStringLiteral("line %1: %2 is not declared").arg(k.line).arg(k.text);
        }
    };
    // a parameter's default is no use of a variable; anything else in the header is
    for (size_t i = shape.parameters; i < shape.body; ++i) {
        if (IsVariable(t[i]) && !declared.contains(t[i].text))
            use(t[i]);
    }
    bool declaring = false;     // in a DECLARE statement
    bool expectName = false;    // the next variable is the one declared
    int declareDepth = 0;
    size_t execAt = 0;          // the EXEC of the statement we are in, else 0
    int depth = 0;
    for (size_t i = shape.body; i < t.size(); ++i) {
        const Token& k = t[i];
        if (IsSymbol(t, i, "("))
            ++depth;
        else if (IsSymbol(t, i, ")"))
            --depth;
        const bool statementEnd = IsSymbol(t, i, ";") || StartsStatement(k);
        if (statementEnd && depth <= declareDepth)
            declaring = false;
        if (statementEnd && depth == 0)
            execAt = 0;
        if (IsWord(t, i, "DECLARE")) {
            declaring = expectName = true;
            declareDepth = depth;
            continue;
        }
        if (IsWord(t, i, "EXEC") || IsWord(t, i, "EXECUTE")) {
            execAt = i;
            continue;
        }
        if (declaring && depth == declareDepth && IsSymbol(t, i, ",")) {
            expectName = true;
            continue;
        }
        // a schema-qualified object: dbo.<name> (also db.dbo.<name>)
        if ((k.kind == Token::Word || k.kind == Token::Name) && k.text.compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0 &&
            IsSymbol(t, i + 1, ".") && i + 2 < t.size() &&
            (t[i + 2].kind == Token::Word || t[i + 2].kind == Token::Name)) {
            const QString object = t[i + 2].text.toUpper();
            if (!knownObjects.contains(object))
                problems << QStringLiteral("line %1: dbo.%2 does not exist").arg(k.line).arg(t[i + 2].text);
            i += 2;
            continue;
        }
        if (!IsVariable(k))
            continue;
        if (declaring && expectName) {
            declared.insert(k.text);
            expectName = false;
            continue;
        }
        // EXEC proc @name = value: the called procedure's parameter, no variable
        if (execAt && i > execAt + 1 && IsSymbol(t, i + 1, "="))
            continue;
        use(k);
    }
    return problems;
}

}  // namespace erpdb
