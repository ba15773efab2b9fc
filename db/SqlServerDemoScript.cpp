// The demo script: the rows of the demo company, read from a demo company that
// our own code builds in memory (so the script never drifts from the embedded
// demo), and the CoCompanies row that registers it. Stored formats are kept: the
// users' enciphered passwords are copied as stored.
#include "db/SqlServerScripts.h"

#include "base/AppError.h"
#include "base/SqlText.h"
#include "platform/database/BrandleDatabase.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace erpdb {

namespace {

[[noreturn]] void Fail(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message, QStringLiteral("erpdb SQL Server scripts"));
}

// Statements between two GO lines: small batches keep a server's parse of each short.
constexpr int kStatementsPerBatch = 200;

// A prepared query, finalised when it goes out of scope.
class Query {
public:
    Query(sqlite3* db, const QString& sql)
    {
        if (sqlite3_prepare16_v2(db, sql.utf16(), -1, &m_stmt, nullptr) != SQLITE_OK)
            Fail(QStringLiteral("%1 (in: %2)").arg(QString::fromUtf8(sqlite3_errmsg(db)), sql));
    }
    ~Query() { sqlite3_finalize(m_stmt); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    bool next() { return sqlite3_step(m_stmt) == SQLITE_ROW; }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)));
    }
    sqlite3_stmt* stmt() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// A Unicode text literal: the program's own quoting with SQL Server's N before it.
QString TextLiteral(const QString& text) { return QLatin1Char('N') + QuoteSQLString(Variant(text)); }

// A stored date ("2024-11-02", "2024-11-02 08:00:00.000") as the ISO form SQL
// Server reads the same under every language and date format setting.
QString DateLiteral(const QString& stored, const QString& where)
{
    static const QRegularExpression date(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[ T](\\d{2}:\\d{2}:\\d{2}(?:\\.\\d{1,3})?))?$"));
    const auto m = date.match(stored);
    if (!m.hasMatch())
        Fail(QStringLiteral("The date '%1' in %2 is not a stored date.").arg(stored, where));
    return QLatin1Char('\'') + m.captured(1) + QLatin1Char('T') +
           (m.captured(2).isEmpty() ? QStringLiteral("00:00:00") : m.captured(2)) + QLatin1Char('\'');
}

// The value of a column of the current row as a T-SQL literal. Floats are written
// in their shortest form that reads back as the same double, in E notation, which
// both SQL Server and SQLite read as a float.
QString Literal(sqlite3_stmt* st, int i, bool isDate, const QString& where)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        return QStringLiteral("NULL");
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return QString::number(sqlite3_column_double(st, i), 'e', QLocale::FloatingPointShortest);
    case SQLITE_TEXT: {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
        return isDate ? DateLiteral(text, where) : TextLiteral(text);
    }
    default:
        Fail(QStringLiteral("%1 holds binary data, which the script does not write.").arg(where));
    }
}

struct Column {
    QString name;
    bool isDate = false;
    int keyPosition = 0;  // 1, 2 ... in the primary key; 0 outside it
};

QString Quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// The guarded INSERTs of every row of a table: a row goes in only when no row with
// its key is there (its primary key; all its columns when it has none).
void WriteRows(sqlite3* db, const QString& table, const QString& tableSql, QString& out, int& statements)
{
    std::vector<Column> columns;
    {
        Query info(db, QStringLiteral("PRAGMA table_info(%1)").arg(Quoted(table)));
        while (info.next()) {
            Column c;
            c.name = info.text(1);
            c.isDate = info.text(2).compare(QLatin1String("DATETIME"), Qt::CaseInsensitive) == 0;
            c.keyPosition = sqlite3_column_int(info.stmt(), 5);
            columns.push_back(c);
        }
    }
    std::vector<size_t> key;
    for (int position = 1;; ++position) {
        const size_t before = key.size();
        for (size_t k = 0; k < columns.size(); ++k)
            if (columns[k].keyPosition == position)
                key.push_back(k);
        if (key.size() == before)
            break;
    }
    if (key.empty())
        for (size_t k = 0; k < columns.size(); ++k)
            key.push_back(k);
    QStringList names;
    for (const Column& c : columns)
        names << c.name;
    const bool identity = tableSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);

    Query rows(db, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(Quoted(table)));
    bool any = false;
    while (rows.next()) {
        if (!any && identity)
            out += QStringLiteral("SET IDENTITY_INSERT dbo.%1 ON;\n").arg(table);
        any = true;
        QStringList values;
        for (int i = 0; i < static_cast<int>(columns.size()); ++i)
            values << Literal(rows.stmt(), i, columns[static_cast<size_t>(i)].isDate,
                              QStringLiteral("%1.%2").arg(table, columns[static_cast<size_t>(i)].name));
        QStringList match;
        for (size_t k : key)
            match << (values[static_cast<qsizetype>(k)] == QLatin1String("NULL")
                          ? QStringLiteral("%1 IS NULL").arg(columns[k].name)
                          : QStringLiteral("%1 = %2").arg(columns[k].name, values[static_cast<qsizetype>(k)]));
        // The table without its schema: the script runs as the database's owner (dbo),
        // and the embedded server, which tests the script, knows no schemas.
        out += QStringLiteral("INSERT INTO %1 (%2) SELECT %3 WHERE NOT EXISTS (SELECT 1 FROM %1 WHERE %4);\n")
                   .arg(table, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")),
                        match.join(QStringLiteral(" AND ")));
        if (++statements % kStatementsPerBatch == 0)
            out += QStringLiteral("GO\n");
    }
    if (any && identity)
        out += QStringLiteral("SET IDENTITY_INSERT dbo.%1 OFF;\n").arg(table);
}

// The rows of every table of a database, tables in the order they were made.
QString AllRows(sqlite3* db)
{
    QString out;
    int statements = 0;
    Query tables(db, QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                    "'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    while (tables.next())
        WriteRows(db, tables.text(0), tables.text(1), out, statements);
    return out + QStringLiteral("GO\n");
}

// The demo's own tables (its business data) with their indexes, and the SQL views
// its list views asked for, which the company schema does not have: the SQLite
// schema text they were made with.
QString DemoOwnObjects(sqlite3* db, QStringList* sqlViews)
{
    const QSet<QString> schema = SqlServerObjectNames();
    QSet<QString> own;
    QString sql;
    Query objects(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE sql IS NOT NULL AND "
                                     "type IN ('table', 'index', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                     "ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'index' THEN 1 ELSE 2 END, rowid"));
    while (objects.next()) {
        const QString table = objects.text(2);
        if (objects.text(0) != QLatin1String("index") && !schema.contains(table.toUpper()))
            own.insert(table);
        if (own.contains(table))
            sql += objects.text(3) + QStringLiteral(";\n");
        if (objects.text(0) == QLatin1String("view") && own.contains(table) &&
            objects.text(3).contains(QLatin1String("/* quillon_views */")))
            *sqlViews << objects.text(1);
    }
    return sql;
}

struct Closer {
    sqlite3* db;
    ~Closer() { sqlite3_close_v2(db); }
};

}  // namespace

QString SqlServerDemoScript(const QString& databaseName)
{
    QString out = QStringLiteral(
        "-- The demo company '%1' (%2) for SQL Server, in the company database %3, and its\n"
        "-- CoCompanies row. Run after the system, company and logins scripts. Safe to run\n"
        "-- again: a row whose key is there is left as it is.\n"
        "-- The demo users (user id / password): admin / admin, asmith / alice, jdoe / secret,\n"
        "-- guest / guest.\n")
                      .arg(QLatin1String(kDemoCompanyID), QLatin1String(kDemoCompanyName), databaseName);
    out += SqlServerScriptStart();

    // The company's CoCompanies row, written as CreateCompany writes it.
    {
        sqlite3* system = nullptr;
        sqlite3_open_v2(":memory:", &system, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        Closer close{system};
        PrepareConnection(system);
        CreateSystemDatabase(system);
        Query row(system, QStringLiteral("INSERT INTO CoCompanies (CompanyID, CompanyName, DBName) VALUES (?1, ?2, ?3)"));
        sqlite3_bind_text(row.stmt(), 1, kDemoCompanyID, -1, SQLITE_STATIC);
        sqlite3_bind_text(row.stmt(), 2, kDemoCompanyName, -1, SQLITE_STATIC);
        sqlite3_bind_text16(row.stmt(), 3, databaseName.utf16(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(row.stmt()) != SQLITE_DONE)
            Fail(QString::fromUtf8(sqlite3_errmsg(system)));
        out += QStringLiteral("USE [%1];\nGO\n").arg(QLatin1String(kSystemDatabase)) + AllRows(system);
    }

    sqlite3* demo = DemoCompanyInMemory();
    Closer close{demo};
    out += QStringLiteral("USE [%1];\nGO\n").arg(databaseName);
    QStringList sqlViews;
    out += QStringLiteral("-- The demo's business tables and the SQL views of its list views.\n") +
           SqlServerSchemaStatements(DemoOwnObjects(demo, &sqlViews));
    // Each SQL view of a list view is quillon_views', as Ld_ChangeSQLView hands it:
    // the procedures replace or drop no other, and under dbo the view would read
    // its tables past the reader's denials.
    for (const QString& view : sqlViews)
        out += QStringLiteral("ALTER AUTHORIZATION ON OBJECT::dbo.[%1] TO [%2];\nGO\n")
                   .arg(QString(view).replace(QLatin1Char(']'), QLatin1String("]]")), QLatin1String(kSqlViewOwner));
    out += QStringLiteral("-- The rows.\n") + AllRows(demo);
    return out;
}

}  // namespace erpdb
