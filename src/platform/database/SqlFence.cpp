#include "platform/database/SqlFence.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/DatabaseServer.h"
#include "platform/database/SqliteBackend.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");

// Functions a query has no business calling: they reach into the engine or
// outside the database, or change something.
bool isDeniedFunction(const char* name)
{
    if (!name)
        return true;
    static const QSet<QString> denied = {
        QStringLiteral("fts3_tokenizer"), QStringLiteral("fts5"),      QStringLiteral("load_extension"),
        QStringLiteral("readfile"),       QStringLiteral("writefile"), QStringLiteral("edit"),
        QStringLiteral("zipfile"),        QStringLiteral("sqlar_compress"), QStringLiteral("sqlar_uncompress"),
    };
    const QString n = QString::fromUtf8(name).toLower();
    if (denied.contains(n))
        return true;
    // The engine's own helpers (sqlite_rename_table, sqlite_offset, ...), except the version texts.
    return n.startsWith(QLatin1String("sqlite_")) && n != QLatin1String("sqlite_version") &&
           n != QLatin1String("sqlite_source_id");
}

}  // namespace

QString NotASingleQueryMessage()
{
    return QStringLiteral("Only a single query that does not change the database may run here.");
}

bool OnlyBlanksAndComments(const char* p, const char* end)
{
    while (p < end) {
        const char c = *p;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ';') {
            ++p;
        } else if (c == '-' && p + 1 < end && p[1] == '-') {
            while (p < end && *p != '\n')
                ++p;
        } else if (c == '/' && p + 1 < end && p[1] == '*') {
            p += 2;
            while (p < end && !(*p == '*' && p + 1 < end && p[1] == '/'))
                ++p;
            p = p < end ? p + 2 : end;
        } else if (c == '\0') {
            ++p;  // SQLite stops reading at a NUL
            return true;
        } else {
            return false;
        }
    }
    return true;
}

FencedDatabase::FencedDatabase(sqlite3* db, const QStringList& deniedReads) : m_db(db)
{
    for (const QString& d : deniedReads)
        m_deniedReads << d.trimmed().toLower();
}

FencedDatabase::~FencedDatabase() { sqlite3_close_v2(m_db); }

std::unique_ptr<FencedDatabase> FencedDatabase::Open(const QString& path, const QStringList& deniedReads)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw AppError(kDatabaseErrorNumber, QStringLiteral("Cannot open database '%1' for reading.").arg(path),
                       kSource);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), &db,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw AppError(kDatabaseErrorNumber, QStringLiteral("Cannot open database '%1': %2").arg(path, message),
                       kSource);
    }
    std::unique_ptr<FencedDatabase> fenced(new FencedDatabase(db, deniedReads));
    TheDatabaseServer().PrepareConnection(db);  // the collation, the busy wait
    SqliteBackend::PrepareConnection(db);       // the program's SQL functions
    // A damaged file fails here rather than in the first query.
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("Cannot open database '%1': %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))),
                       kSource);
    // What the authorizer refuses, the connection cannot do either.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_set_authorizer(db, &FencedDatabase::authorize, fenced.get());
    return fenced;
}

int FencedDatabase::authorize(void* self, int action, const char* a, const char* b, const char*, const char*)
{
    auto* f = static_cast<FencedDatabase*>(self);
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_READ: {
        if (!a)
            return SQLITE_DENY;
        const QString table = QString::fromUtf8(a).toLower();
        const QString column = b ? QString::fromUtf8(b).toLower() : QString();
        for (const QString& d : f->m_deniedReads) {
            if (d == table || (!column.isEmpty() && d == table + QLatin1Char('.') + column))
                return SQLITE_DENY;
        }
        return SQLITE_OK;
    }
    case SQLITE_FUNCTION:
        return isDeniedFunction(b) ? SQLITE_DENY : SQLITE_OK;
    default:
        // PRAGMA, ATTACH, DETACH, writes, schema changes, transactions, savepoints ...
        return SQLITE_DENY;
    }
}

int FencedDatabase::PrepareSingleQuery(const QString& sql, sqlite3_stmt** statement)
{
    *statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const char* begin = utf8.constData();
    const char* end = begin + utf8.size();
    const char* tail = nullptr;
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, begin, static_cast<int>(utf8.size()), &st, &tail);
    if (rc != SQLITE_OK)
        return rc;
    // Only blanks and comments may follow the one statement: the rest is read, never prepared.
    if (!st || (tail && !OnlyBlanksAndComments(tail, end)) || !sqlite3_stmt_readonly(st) ||
        sqlite3_column_count(st) == 0) {
        sqlite3_finalize(st);
        return kNotASingleQuery;
    }
    *statement = st;
    return SQLITE_OK;
}
