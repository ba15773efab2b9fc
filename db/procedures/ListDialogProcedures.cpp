// The procedures of the dialog types: named list queries with their columns.

#include "db/procedures/ProcedureList.h"
#include "db/procedures/ProcSupport.h"
#include "platform/database/BrandleDatabase.h"

namespace erpdb::procs {

namespace {

// ListDialogTypes_Load @vs_DialogType: the type's query pieces and column string;
// no row for a type that does not exist. Names compare without regard to case.
void LoadDialogType(ProcedureCall& call)
{
    const QString type = RequiredTextArg(call, 0, "@vs_DialogType");
    Statement st(call.db,
                 QStringLiteral("SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString, IsProcType "
                                "FROM ListDialogTypes WHERE DialogType = ?1"),
                 call.procedureName);
    st.bind(1, type);
    ReturnRows(call, st,
               {{"SQLSelect", adVarChar},
                {"SQLFrom", adVarChar},
                {"SQLFromEx", adVarChar},
                {"ColumnString", adVarChar},
                {"IsProcType", adBoolean}});
}

}  // namespace

void RegisterListDialogProcedures() { Register("ListDialogTypes_Load", 1, 1, LoadDialogType); }

}  // namespace erpdb::procs
