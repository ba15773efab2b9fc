#include "db/SqlServerScripts.h"

#include "db/Schema.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace erpdb {

namespace {

// ---------------------------------------------------------------- tokens

struct Token {
    enum Kind { Word, Text, Name, Symbol } kind;
    QString text;
    int line;
};

// Splits T-SQL into tokens; comments and blanks are dropped. Problems (an
// unclosed text, name or comment) go to problems.
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

bool IsWord(const std::vector<Token>& t, size_t i, const char* word)
{
    return i < t.size() && t[i].kind == Token::Word && t[i].text == QLatin1String(word);
}

// ---------------------------------------------------------------- conversion

// The statements of an SQLite script (split at ";" outside texts and comments),
// without their comments.
QStringList SqliteStatements(const QString& script)
{
    QStringList statements;
    QString current;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (script.mid(i, 2) == QLatin1String("--")) {
            while (i < script.size() && script[i] != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype start = i++;
            while (i < script.size() && !(script[i] == QLatin1Char('\'') && (i + 1 >= script.size() || script[i + 1] != QLatin1Char('\''))))
                i += script[i] == QLatin1Char('\'') ? 2 : 1;
            current += script.mid(start, i - start + 1);
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

// Columns that are part of a key or an index, by table (upper case), so that
// they get a text type SQL Server can index.
QHash<QString, QSet<QString>> KeyColumns(const QStringList& statements)
{
    QHash<QString, QSet<QString>> keys;
    static const QRegularExpression index(
        QStringLiteral("^CREATE\\s+(UNIQUE\\s+)?INDEX\\s+\\w+\\s+ON\\s+(\\w+)\\s*\\((.*)\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tableKey(QStringLiteral("(PRIMARY\\s+KEY|UNIQUE)\\s*\\(([^)]*)\\)"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression word(QStringLiteral("\\w+"));
    auto addAll = [&](const QString& table, const QString& list) {
        for (auto it = word.globalMatch(list); it.hasNext();)
            keys[table.toUpper()].insert(it.next().captured(0).toUpper());
    };
    for (const QString& st : statements) {
        const auto m = index.match(st);
        if (m.hasMatch()) {
            addAll(m.captured(2), m.captured(3));
            continue;
        }
        static const QRegularExpression table(QStringLiteral("^CREATE\\s+TABLE\\s+(\\w+)"),
                                              QRegularExpression::CaseInsensitiveOption);
        const auto t = table.match(st);
        if (!t.hasMatch())
            continue;
        for (auto it = tableKey.globalMatch(st); it.hasNext();)
            addAll(t.captured(1), it.next().captured(2));
        for (const QString& def : st.split(QLatin1Char('\n'))) {
            if (def.contains(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive) ||
                def.contains(QLatin1String(" UNIQUE"), Qt::CaseInsensitive)) {
                const QString first = def.trimmed().section(QLatin1Char(' '), 0, 0);
                if (!first.isEmpty() && first.at(0).isLetter())
                    keys[t.captured(1).toUpper()].insert(first.toUpper());
            }
        }
    }
    return keys;
}

QString ConvertColumn(QString def, const QSet<QString>& keyColumns, QStringList& nullableInKey)
{
    const QString name = def.trimmed().section(QLatin1Char(' '), 0, 0);
    auto re = [](const char* p) { return QRegularExpression(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption); };
    def.replace(re("\\s+COLLATE\\s+NOCASE"), QString());
    def.replace(re("\\bINTEGER\\s+PRIMARY\\s+KEY\\s+AUTOINCREMENT"), QStringLiteral("int IDENTITY(1,1) NOT NULL PRIMARY KEY"));
    def.replace(re("\\binstr\\((\\w+),\\s*('(?:[^']|'')*')\\)"), QStringLiteral("CHARINDEX(\\2, \\1)"));
    def.replace(re("\\bTEXT\\((\\d+)\\)"), QStringLiteral("nvarchar(\\1)"));
    def.replace(re("\\bTEXT\\b"), keyColumns.contains(name.toUpper()) ? QStringLiteral("nvarchar(255)")
                                                                        : QStringLiteral("nvarchar(max)"));
    def.replace(re("\\bINTEGER\\b"), QStringLiteral("int"));
    def.replace(re("\\bDATETIME\\b"), QStringLiteral("datetime"));
    def.replace(re("\\bREAL\\b"), QStringLiteral("float"));
    if (def.contains(re("\\bNULL\\b")) && !def.contains(re("NOT\\s+NULL")))
        nullableInKey << name.toUpper();
    return def;
}

QString ConvertTable(const QString& st, const QHash<QString, QSet<QString>>& keys)
{
    static const QRegularExpression head(QStringLiteral("^CREATE\\s+TABLE\\s+(\\w+)\\s*\\((.*)\\)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = head.match(st);
    const QString table = m.captured(1);
    // the definitions, split at commas outside parentheses
    QStringList defs;
    QString cur;
    int depth = 0;
    for (const QChar c : m.captured(2)) {
        if (c == QLatin1Char('('))
            ++depth;
        if (c == QLatin1Char(')'))
            --depth;
        if (c == QLatin1Char(',') && depth == 0) {
            defs << cur.trimmed();
            cur.clear();
        } else {
            cur += c;
        }
    }
    defs << cur.trimmed();
    QStringList nullable;
    QStringList out;
    for (QString d : defs) {
        d = d.simplified();
        if (d.startsWith(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive)) {
            out << d;
            continue;
        }
        out << ConvertColumn(d, keys.value(table.toUpper()), nullable);
    }
    // SQL Server's primary key takes no NULL column: such a key becomes a unique one.
    for (QString& d : out) {
        if (!d.startsWith(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive))
            continue;
        for (const QString& n : nullable) {
            if (d.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(n), QRegularExpression::CaseInsensitiveOption)))
                d.replace(0, 11, QStringLiteral("UNIQUE"));
        }
    }
    return QStringLiteral("IF OBJECT_ID(N'dbo.%1', N'U') IS NULL\nCREATE TABLE dbo.%1 (\n    ").arg(table) +
           out.join(QStringLiteral(",\n    ")) + QStringLiteral("\n);");
}

QString ConvertIndex(const QString& st)
{
    static const QRegularExpression index(
        QStringLiteral("^CREATE\\s+(UNIQUE\\s+)?INDEX\\s+(\\w+)\\s+ON\\s+(\\w+)\\s*\\((.*)\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = index.match(st);
    const QString unique = m.captured(1).isEmpty() ? QString() : QStringLiteral("UNIQUE ");
    const QString name = m.captured(2);
    const QString table = m.captured(3);
    const QString columns = m.captured(4).simplified();
    auto guarded = [&](const QString& n, const QString& cols, const QString& where) {
        return QStringLiteral("IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'%1' AND object_id = "
                              "OBJECT_ID(N'dbo.%2'))\nCREATE %3INDEX %1 ON dbo.%2 (%4)%5;")
            .arg(n, table, unique, cols, where);
    };
    // An index on IFNULL(column, 0): SQL Server indexes no expression; two
    // filtered indexes keep the same rule, one for the NULLs and one for the rest.
    static const QRegularExpression ifnull(QStringLiteral("^IFNULL\\((\\w+),\\s*0\\),\\s*(.*)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto e = ifnull.match(columns);
    if (e.hasMatch()) {
        return guarded(name + QStringLiteral("_Null"), e.captured(2),
                       QStringLiteral(" WHERE %1 IS NULL").arg(e.captured(1))) +
               QStringLiteral("\n") +
               guarded(name, e.captured(1) + QStringLiteral(", ") + e.captured(2),
                       QStringLiteral(" WHERE %1 IS NOT NULL").arg(e.captured(1)));
    }
    return guarded(name, columns, QString());
}

QString Convert(const QString& sqliteScript, const QString& database, const QString& title)
{
    const QStringList statements = SqliteStatements(sqliteScript);
    const auto keys = KeyColumns(statements);
    QString out = QStringLiteral("-- %1 for SQL Server. Safe to run again: what exists is left as it is.\n").arg(title);
    out += QStringLiteral("IF DB_ID(N'%1') IS NULL\nCREATE DATABASE [%1];\nGO\nUSE [%1];\nGO\n").arg(database);
    for (const QString& st : statements) {
        const QString head = st.section(QRegularExpression(QStringLiteral("\\s+")), 0, 2).toUpper();
        if (head.startsWith(QLatin1String("CREATE TABLE")))
            out += ConvertTable(st, keys);
        else if (head.startsWith(QLatin1String("CREATE INDEX")) || head.startsWith(QLatin1String("CREATE UNIQUE")))
            out += ConvertIndex(st);
        else if (head.startsWith(QLatin1String("CREATE VIEW")))
            out += QStringLiteral("CREATE OR ALTER VIEW") + st.mid(QStringLiteral("CREATE VIEW").size()) +
                   QLatin1Char(';');
        else
            continue;  // the embedded server's own settings (triggers, pragmas)
        out += QStringLiteral("\nGO\n");
    }
    return out;
}

}  // namespace

QMap<QString, QString> SqlServerProcedures()
{
    QMap<QString, QString> procedures;
    QDirIterator it(QStringLiteral(":/sqlserver/procedures"), {QStringLiteral("*.sql")}, QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            procedures.insert(QFileInfo(f.fileName()).completeBaseName(), QString::fromUtf8(f.readAll()));
    }
    return procedures;
}

QString SqlServerSystemScript()
{
    return Convert(SystemSchemaSql(), QStringLiteral("CoSystem"), QStringLiteral("The system database"));
}

QString SqlServerCompanyScript(const QString& databaseName)
{
    return Convert(CompanySchemaSql(), databaseName, QStringLiteral("A company database"));
}

QStringList TsqlScriptProblems(const QString& script)
{
    QStringList problems;
    static const QSet<QString> sqliteWords = {QStringLiteral("AUTOINCREMENT"), QStringLiteral("NOCASE"),
                                              QStringLiteral("IFNULL"),        QStringLiteral("INSTR"),
                                              QStringLiteral("PRAGMA"),        QStringLiteral("LIMIT"),
                                              QStringLiteral("GLOB"),          QStringLiteral("TEXT")};
    // batches end at a line that holds only GO
    const QStringList lines = script.split(QLatin1Char('\n'));
    QString batch;
    int batchLine = 1;
    auto check = [&](const QString& text, int firstLine) {
        const std::vector<Token> t = Tokenise(text, firstLine, &problems);
        int depth = 0;
        for (size_t i = 0; i < t.size(); ++i) {
            const Token& k = t[i];
            if (k.kind == Token::Symbol && k.text == QLatin1String("("))
                ++depth;
            if (k.kind == Token::Symbol && k.text == QLatin1String(")") && --depth < 0) {
                problems << QStringLiteral("line %1: a ')' closes nothing").arg(k.line);
                depth = 0;
            }
            if ((k.kind == Token::Word && sqliteWords.contains(k.text)) || (k.kind == Token::Symbol && k.text == QLatin1String("||")))
                problems << QStringLiteral("line %1: '%2' is not T-SQL").arg(k.line).arg(k.text);
            if (!IsWord(t, i, "CREATE"))
                continue;
            const bool orAlter = IsWord(t, i + 1, "OR") && IsWord(t, i + 2, "ALTER");
            const size_t what = orAlter ? i + 3 : i + 1;
            const bool unique = IsWord(t, what, "UNIQUE");
            if (IsWord(t, what, "VIEW") || IsWord(t, what, "PROCEDURE") || IsWord(t, what, "PROC") ||
                IsWord(t, what, "FUNCTION") || IsWord(t, what, "TRIGGER")) {
                if (i != 0)
                    problems << QStringLiteral("line %1: CREATE %2 must start its batch").arg(k.line).arg(t[what].text);
                if (!orAlter)
                    problems << QStringLiteral("line %1: CREATE %2 fails when run again (CREATE OR ALTER)")
                                    .arg(k.line)
                                    .arg(t[what].text);
            } else if (IsWord(t, what, "TABLE") || IsWord(t, what, "INDEX") || unique || IsWord(t, what, "DATABASE")) {
                // guarded: IF OBJECT_ID(...) IS NULL / IF NOT EXISTS (...) / IF DB_ID(...) IS NULL right before
                bool guarded = false;
                for (size_t j = i; j-- > 0;) {
                    if (IsWord(t, j, "IF")) {
                        guarded = IsWord(t, j + 1, "OBJECT_ID") || IsWord(t, j + 1, "DB_ID") ||
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
    for (int n = 0; n < lines.size(); ++n) {
        if (lines[n].trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            check(batch, batchLine);
            batch.clear();
            batchLine = n + 2;
            continue;
        }
        batch += lines[n] + QLatin1Char('\n');
    }
    check(batch, batchLine);
    return problems;
}

}  // namespace erpdb
