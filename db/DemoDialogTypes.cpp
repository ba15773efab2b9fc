#include "db/DemoDialogTypes.h"

#include "db/Schema.h"

#include <QString>

namespace erpdb {

void FillDemoDialogTypes(sqlite3* db)
{
    // Invoices with a customer, a date, an amount and a flag: a column of each sort type.
    ExecScript(db, QStringLiteral(
                       "INSERT INTO ListDialogTypes (DialogType, SQLSelect, SQLFrom, SQLFromEx, ColumnString, "
                       "IsProcType) VALUES ('Invoices', "
                       "'SELECT i.InvoiceID, i.InvoiceNumber, c.Name, i.InvoiceDate, i.Amount, i.Paid', "
                       "'FROM Invoices i JOIN Customers c ON c.CustomerID = i.CustomerID', '', "
                       "'Invoice,0,Customer,0,Date,2,Amount,1,Paid,2,', 0);\n"));
}

}  // namespace erpdb
