#pragma once
// Small tools the stored procedures share: prepared statements with Variant
// binding and reading, savepoints that undo a procedure's own writes when it
// fails, argument checks with clear messages, and result sets.

#include "base/AppError.h"
#include "platform/database/HostProcedures.h"

#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace erpdb::procs {

// Raises the procedure's error: the database error number, the procedure's name as source.
[[noreturn]] void Fail(const QString& procedure, const QString& message);

class Statement {
public:
    Statement(sqlite3* db, const QString& sql, const QString& procedure);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // 1-based positions, as SQLite numbers "?" parameters.
    Statement& bind(int index, const Variant& value);
    // True when a row is ready; false when the statement is done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    Variant value(int column) const;  // Null, Long (Double when it does not fit), Double or String
    QString text(int column) const;   // "" for NULL
    int64_t integer(int column) const;
    bool flag(int column) const;  // any non-zero value

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_procedure;
};

// Runs one statement without parameters.
void Exec(sqlite3* db, const QString& sql, const QString& procedure);

// The procedure's own savepoint: released by release(); rolled back (and released)
// when it goes out of scope without that, so a failing procedure leaves nothing behind.
// Inside the caller's transaction it nests; outside one it is a transaction of its own.
class Savepoint {
public:
    Savepoint(sqlite3* db, const QString& procedure);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void release();

private:
    sqlite3* m_db;
    QString m_name;
    QString m_procedure;
    bool m_done = false;
};

// Arguments by position; a position the caller did not send counts as Empty.
const Variant& Arg(const ProcedureCall& call, size_t index);
// Empty or Null give nullopt; anything else must be a whole number.
std::optional<int32_t> OptionalIntArg(const ProcedureCall& call, size_t index, const char* name);
int32_t RequiredIntArg(const ProcedureCall& call, size_t index, const char* name);
std::optional<QString> OptionalTextArg(const ProcedureCall& call, size_t index, const char* name);
QString RequiredTextArg(const ProcedureCall& call, size_t index, const char* name);

// Sets an output; a position the caller did not send is left alone.
void SetOutput(ProcedureCall& call, size_t index, const Variant& value);

// A field of a result set: its name and ADO type (adInteger, adVarChar, adBoolean, adDouble).
struct Field {
    const char* name;
    int32_t adoType;
};
// The procedure's result set: the fields, and one row per row of the statement,
// each value converted to its field's type (NULL stays Null).
void ReturnRows(ProcedureCall& call, Statement& statement, const std::vector<Field>& fields);

// A SQL identifier in brackets, or in double quotes when it holds a "]".
QString QuoteIdentifier(const QString& name);
// A text literal with its quotes doubled.
QString QuoteText(const QString& text);

// The names of the two catalogue views, compared exactly.
bool IsCatalogueView(const QString& viewName);

}  // namespace erpdb::procs
