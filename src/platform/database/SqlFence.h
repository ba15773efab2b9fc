#pragma once
// The fence around connections that run a user's SQL text (WHERE texts, complex
// searches, the SQL search editor's statement, the statistics, the list's
// rows and count, the export): the database itself keeps such a text to one
// query that only reads.
//   - The file is opened read-only (SQLITE_OPEN_READONLY).
//   - An authorizer allows reading tables and views and calling the ordinary
//     functions; it refuses PRAGMA, ATTACH and DETACH, every kind of write,
//     transactions and savepoints, and functions with side effects or internal
//     access (fts3_tokenizer, load_extension, ...): SQLite then fails the
//     statement with "not authorized" before any of it runs. The columns and
//     tables the login may not read ("CoUsers.Password", or a whole table) are
//     refused too ("access to CoUsers.Password is prohibited").
//   - Where a statement ends is SQLite's own reading: after the one statement
//     only blanks, comments and ";" may follow. The rest is never prepared,
//     since SQLite applies a PRAGMA while preparing it.

#include <QString>
#include <QStringList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The message of a text that is not a single query that only reads.
QString NotASingleQueryMessage();

class FencedDatabase {
public:
    // Opens a database file read-only for the login whose read denials it takes
    // (names as "Table.Column" or "Table", without regard to case), with the
    // server's collation and the program's SQL functions. Raises AppError
    // (kDatabaseErrorNumber) when the file cannot be opened.
    static std::unique_ptr<FencedDatabase> Open(const QString& path, const QStringList& deniedReads);
    ~FencedDatabase();
    FencedDatabase(const FencedDatabase&) = delete;
    FencedDatabase& operator=(const FencedDatabase&) = delete;

    sqlite3* handle() const { return m_db; }

    // Prepares a text as one query that only reads. SQLITE_OK with *statement
    // set; else SQLite's error code (its message in sqlite3_errmsg) or
    // kNotASingleQuery, and *statement null.
    static constexpr int kNotASingleQuery = -1;
    int PrepareSingleQuery(const QString& sql, sqlite3_stmt** statement);

private:
    FencedDatabase(sqlite3* db, const QStringList& deniedReads);
    static int authorize(void* self, int action, const char* a, const char* b, const char* database,
                         const char* inner);

    sqlite3* m_db = nullptr;
    QStringList m_deniedReads;  // lower case
};

// Whether [begin, end) holds only blanks, comments and ";" as SQLite reads them.
bool OnlyBlanksAndComments(const char* begin, const char* end);
