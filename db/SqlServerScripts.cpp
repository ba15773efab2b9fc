#include "db/SqlServerScripts.h"

#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "platform/database/OdbcServers.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace erpdb {

namespace {

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

// The database is made by whoever runs the script (sa, or the DBA's own Windows
// login with -E). Its owner is handed to sa, a login that stays: the procedure that
// runs as its owner (EXECUTE AS OWNER, dbo) fails with Msg 15517 once the owner's
// login is gone, after a restore on another server or when the DBA's Windows
// account is removed. sa is found by its sid, 0x01 on every server, since a site
// may have renamed it. An owner that is sa or a disabled login (one made for
// owning databases) is left as it is.
QString Header(const QString& database, const QString& title)
{
    return QStringLiteral("-- %1 for SQL Server. Safe to run again: what exists is left as it is.\n").arg(title) +
           SqlServerScriptStart() +
           QStringLiteral("IF DB_ID(N'%1') IS NULL\nCREATE DATABASE [%1] COLLATE %2;\nGO\n"
                          "IF NOT EXISTS (SELECT 1 FROM sys.databases d\n"
                          "               INNER JOIN sys.server_principals p ON p.sid = d.owner_sid\n"
                          "               WHERE d.name = N'%1' AND (p.sid = 0x01 OR p.is_disabled = 1))\n"
                          "BEGIN\n"
                          "    DECLARE @Owner nvarchar(max) = N'ALTER AUTHORIZATION ON DATABASE::[%1] TO '\n"
                          "                                   + QUOTENAME(SUSER_SNAME(0x01)) + N';';\n"
                          "    EXEC sys.sp_executesql @Owner;\n"
                          "END;\nGO\nUSE [%1];\nGO\n")
               .arg(database, QLatin1String(kSqlServerCollation));
}

// The names of the tables and views an SQLite schema script creates.
QStringList CreatedObjects(const QString& sqliteScript)
{
    QStringList names;
    static const QRegularExpression create(QStringLiteral("^CREATE\\s+(TABLE|VIEW)\\s+(\\w+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (const QString& st : SqliteStatements(sqliteScript)) {
        const auto m = create.match(st);
        if (m.hasMatch())
            names << m.captured(2);
    }
    return names;
}

}  // namespace

QString SqlServerScriptStart() { return ::tsql::SessionOptions() + QStringLiteral("\nGO\n"); }

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

QString SqlServerSchemaStatements(const QString& sqliteSchema)
{
    const QStringList statements = SqliteStatements(sqliteSchema);
    const auto keys = KeyColumns(statements);
    QString out;
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

QString SqlServerSystemScript()
{
    return Header(QLatin1String(kSystemDatabase), QStringLiteral("The system database")) +
           SqlServerSchemaStatements(SystemSchemaSql());
}

QString SqlServerCompanyScript(const QString& databaseName)
{
    QString out = Header(databaseName, QStringLiteral("A company database")) +
                  SqlServerSchemaStatements(CompanySchemaSql());
    // The stored procedures the program calls, after the tables and views they read.
    const QMap<QString, QString> procedures = SqlServerProcedures();
    for (auto it = procedures.begin(); it != procedures.end(); ++it)
        out += it.value().trimmed() + QStringLiteral("\nGO\n");
    return out;
}

QSet<QString> SqlServerObjectNames()
{
    QSet<QString> names;
    for (const QString& n : CreatedObjects(SystemSchemaSql()) + CreatedObjects(CompanySchemaSql()))
        names.insert(n.toUpper());
    for (const QString& n : SqlServerProcedures().keys())
        names.insert(n.toUpper());
    return names;
}

}  // namespace erpdb
