#pragma once
// Stored procedures of the embedded ERP server are host code: each is a function
// registered by name (without regard to case) that the back end calls on the
// caller's own connection, inside the caller's open transaction.

#include "base/Variant.h"

#include <QStringList>
#include <functional>
#include <vector>

struct sqlite3;

struct ProcedureCall {
    sqlite3* db = nullptr;  // the caller's connection
    QString login;          // the login the connection was opened with
    // Arguments in the procedure's order: positional (EXEC name a, b, ...) or the
    // command's parameters in the order they were added. Outputs arrive as Empty.
    std::vector<Variant> args;
    // The command's parameter names with their "@" ("" for EXEC calls), parallel to args.
    QStringList names;
    // What the procedure returns: output values by argument position (sized like args),
    // and at most one result set.
    std::vector<Variant> outputs;
    QStringList columns;
    std::vector<int32_t> columnTypes;  // ADO codes; may be left empty
    std::vector<std::vector<Variant>> rows;

    // The argument at a position; a missing one fails with a clear error naming the procedure.
    const Variant& arg(size_t i) const;
    QString procedureName;
};

// The procedure raises AppError on failure (with a clear description); the back end
// passes it to the caller as a database error.
using HostProcedure = std::function<void(ProcedureCall&)>;

struct HostProcedureInfo {
    QString name;
    int minArgs = 0;
    int maxArgs = 0;
    HostProcedure run;
};

void RegisterHostProcedure(HostProcedureInfo info);
// nullptr when no procedure has that name.
const HostProcedureInfo* FindHostProcedure(const QString& name);
