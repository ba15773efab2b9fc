#pragma once
// The groups of stored procedures, each registered by its own file.

#include "platform/database/HostProcedures.h"

struct sqlite3;

namespace erpdb::procs {

// Registers a procedure under its name; the call carries that name for its messages.
void Register(const char* name, int minArgs, int maxArgs, void (*run)(ProcedureCall&));

void RegisterViewSqlProcedures();
void RegisterViewProcedures();
void RegisterCompanyProcedures();
void RegisterListDialogProcedures();
void RegisterImportProcedures();

// Rebuilds the SQL of every view of a base, as Ld_ResetSQLForAllViews does, for a
// procedure that changed the base's columns; fails when a view cannot be built.
void RebuildViewsOfBase(sqlite3* db, int32_t baseId, const QString& procedure);

}  // namespace erpdb::procs
