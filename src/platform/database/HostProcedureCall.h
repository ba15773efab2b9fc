#pragma once
// Calling a stored procedure of the embedded server on a SQLite connection, the
// same way for the embedded back end and for the SQLite ODBC driver's connection.

#include "platform/database/DatabaseBackend.h"

#include <QStringList>
#include <vector>

struct sqlite3;
struct HostProcedureInfo;
class CallWatch;

// The procedure of that name for a call with argCount arguments; the server's
// procedures are registered on first use. Fails as the server does on an unknown
// name or a wrong number of arguments.
const HostProcedureInfo& FindCallableHostProcedure(const QString& name, size_t argCount);

// Runs the procedure on db as login; names parallel args ("" for positional
// ones). outputs (if given) receives the output values by argument position. A
// failure is a database error, the time-out's when watch says the call ran out
// of time.
ResultSnapshot RunHostProcedure(const HostProcedureInfo& info, sqlite3* db, const QString& login,
                                std::vector<Variant> args, const QStringList& names, std::vector<Variant>* outputs,
                                const CallWatch& watch);
