#pragma once
// The connection behind a BrandleDatabase. A back end speaks to one kind of
// server (the embedded SQLite server now; an ODBC one can follow) and hides
// everything about it: the SQL the program writes goes in as the program wrote
// it, results come back as snapshots, failures as AppError with
// kDatabaseErrorNumber and the database's own message.

#include "base/Variant.h"

#include <QStringList>
#include <vector>

class BrandleCommand;

// A result set read completely: field names, ADO type codes and the rows.
// A statement without a result gives a snapshot without fields.
struct ResultSnapshot {
    QStringList fieldNames;
    std::vector<int32_t> fieldTypes;
    std::vector<std::vector<Variant>> rows;
};

class DatabaseBackend {
public:
    virtual ~DatabaseBackend() = default;

    virtual QString serverName() const = 0;
    virtual QString databaseName() const = 0;
    virtual QString loginName() const = 0;

    // Seconds a later call may run (0: no limit).
    virtual void setCommandTimeout(int32_t seconds) = 0;
    // The login (and its password, enciphered as the session keeps it) whose
    // connection runs runReadOnly's queries, for a back end that opens one; the
    // embedded back end fences a connection of its own to the file instead.
    virtual void setReadOnlyLogin(const QString& /*login*/, const QString& /*encipheredPassword*/) {}

    // Runs a statement or a batch of statements; the first result set a statement
    // of it gave. A failing batch leaves nothing of its own work behind.
    virtual ResultSnapshot run(const QString& sql) = 0;
    // Runs a single query that cannot write; anything else fails before it runs.
    virtual ResultSnapshot runReadOnly(const QString& sql) = 0;
    // Calls a stored procedure with the command's parameters in order and writes
    // the output values back to the command; its result set, if any.
    virtual ResultSnapshot runProcedure(BrandleCommand& command) = 0;

    // Transactions by nesting level: level 0 is the transaction, each deeper level
    // a nested one whose rollback undoes only its own work (and that of the levels
    // inside it). Commit or rollback of a level ends the levels inside it too.
    virtual void begin(int level) = 0;
    virtual void commit(int level) = 0;
    virtual void rollback(int level) = 0;
    // False when no transaction is open, also when the server ended one on its own.
    virtual bool inTransaction() const = 0;
};
