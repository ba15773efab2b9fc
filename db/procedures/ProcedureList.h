#pragma once
// The groups of stored procedures, each registered by its own file.

#include "platform/database/HostProcedures.h"

namespace erpdb::procs {

// Registers a procedure under its name; the call carries that name for its messages.
void Register(const char* name, int minArgs, int maxArgs, void (*run)(ProcedureCall&));

void RegisterViewSqlProcedures();
void RegisterViewProcedures();
void RegisterCompanyProcedures();
void RegisterListDialogProcedures();

}  // namespace erpdb::procs
