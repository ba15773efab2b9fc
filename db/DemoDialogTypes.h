#pragma once
// The demo company's dialog types beyond the first: list queries a host can
// load by name (ListDialogTypes_Load).

struct sqlite3;

namespace erpdb {

void FillDemoDialogTypes(sqlite3* db);

}  // namespace erpdb
