#include "db/procedures/Procedures.h"

#include "db/procedures/ProcedureList.h"

#include <mutex>

namespace erpdb {

namespace {

QStringList& Names()
{
    static QStringList names;
    return names;
}

}  // namespace

namespace procs {

void Register(const char* name, int minArgs, int maxArgs, void (*run)(ProcedureCall&))
{
    const QString procedure = QLatin1String(name);
    Names() << procedure;
    RegisterHostProcedure({procedure, minArgs, maxArgs, [procedure, run](ProcedureCall& call) {
                               if (call.procedureName.isEmpty())
                                   call.procedureName = procedure;
                               run(call);
                           }});
}

}  // namespace procs

void RegisterProcedures()
{
    static std::once_flag once;
    std::call_once(once, [] {
        procs::RegisterViewSqlProcedures();
        procs::RegisterViewProcedures();
        procs::RegisterCompanyProcedures();
        procs::RegisterListDialogProcedures();
        procs::RegisterImportProcedures();
    });
}

QStringList ServerProcedureNames()
{
    RegisterProcedures();
    return Names();
}

}  // namespace erpdb
