// The demo company's views: bases, columns, views, column functions, linked views,
// saved searches and the catalogues.
#include "db/DemoParts.h"

#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "db/procedures/ProcSupport.h"
#include "db/procedures/Procedures.h"
#include "platform/database/HostProcedures.h"

#include <vector>

namespace erpdb::demo {

namespace {

// ---- Bases, columns, views --------------------------------------------------

enum : int { kAllViewsBase = 1, kMyViewsBase = 2, kCustomers = 10, kOrders = 11, kOrderLines = 12, kProducts = 13,
             kInvoices = 14 };

struct BaseDef {
    int id;
    const char* base;
    const char* displayName;
    const char* keySql;
    const char* fromSql;
    const char* fromExSql;
    std::vector<const char*> securedObjects;
};

const std::vector<BaseDef>& Bases()
{
    static const std::vector<BaseDef> bases = {
        {kAllViewsBase, "LDVIEWS", "All Views", "v_ViewID", "LdCatalogViews", "", {"QuillonAllViews"}},
        {kMyViewsBase, "LDMYVIEWS", "My Views", "v_ViewID", "LdCatalogMyViews", "", {"QuillonMyViews"}},
        {kCustomers, "CUSTOMERS", "Customers", "c.CustomerID", "Customers c", "", {"ArCustomers"}},
        {kOrders, "ORDERS", "Orders", "o.OrderID", "Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID",
         "LEFT JOIN Invoices xi ON xi.OrderID = o.OrderID", {"SoOrders"}},
        {kOrderLines, "ORDERLINES", "Order Lines", "ol.OrderLineID",
         "OrderLines ol INNER JOIN Orders o ON o.OrderID = ol.OrderID INNER JOIN Products p ON p.ProductID = ol.ProductID",
         "", {"SoOrders", "InProducts"}},
        {kProducts, "PRODUCTS", "Products", "p.ProductID", "Products p", "", {"InProducts"}},
        {kInvoices, "INVOICES", "Invoices", "i.InvoiceID", "Invoices i INNER JOIN Customers c ON c.CustomerID = i.CustomerID",
         "", {"ArInvoices"}},
    };
    return bases;
}

// Type: 1 number, 2 text, 3 date, 4 code text, 5 Boolean.
struct ColumnDef {
    int base;
    const char* columnName;
    const char* displayName;
    const char* columnSql;
    const char* dataType;
    int type;
    bool required;
    bool allowFunctions;
    const char* filterDataType;
    bool useExtendedFrom;
};

const std::vector<ColumnDef>& Columns()
{
    static const std::vector<ColumnDef> columns = {
        // The two catalogues (the same columns on both).
        {kAllViewsBase, "DisplayName", "View Name", "v_DisplayName", "varchar", 2, true, false, "text", false},
        {kAllViewsBase, "Description", "Description", "v_Description", "varchar", 2, false, false, "text", false},
        {kAllViewsBase, "BaseName", "Based On", "v_BaseName", "varchar", 2, false, false, "text", false},
        {kAllViewsBase, "CreatorID", "Created By", "COALESCE(v_CreatorID,'')", "varchar", 4, false, false, "text", false},
        {kAllViewsBase, "Custom", "Custom", "(CASE WHEN v_Custom <> 0 THEN 'Yes' ELSE 'No' END)", "varchar", 2, false,
         false, "text", false},
        {kAllViewsBase, "LastUpdate", "Last Updated", "v_LastUpdate", "datetime", 3, false, false, "date", false},
        {kMyViewsBase, "DisplayName", "View Name", "v_DisplayName", "varchar", 2, true, false, "text", false},
        {kMyViewsBase, "Description", "Description", "v_Description", "varchar", 2, false, false, "text", false},
        {kMyViewsBase, "BaseName", "Based On", "v_BaseName", "varchar", 2, false, false, "text", false},
        {kMyViewsBase, "CreatorID", "Created By", "COALESCE(v_CreatorID,'')", "varchar", 4, false, false, "text", false},
        {kMyViewsBase, "Custom", "Custom", "(CASE WHEN v_Custom <> 0 THEN 'Yes' ELSE 'No' END)", "varchar", 2, false,
         false, "text", false},
        {kMyViewsBase, "LastUpdate", "Last Updated", "v_LastUpdate", "datetime", 3, false, false, "date", false},
        // Customers.
        {kCustomers, "CustomerName", "Customer Name", "c.Name", "varchar", 2, true, false, "text", false},
        {kCustomers, "CustomerCode", "Customer Code", "c.CustomerCode", "varchar", 4, false, false, "text", false},
        {kCustomers, "CustomerID", "Customer No", "c.CustomerID", "int", 1, false, false, "number", false},
        {kCustomers, "City", "City", "c.City", "varchar", 2, false, false, "text", false},
        {kCustomers, "State", "State", "c.State", "varchar", 4, false, false, "text", false},
        {kCustomers, "Phone", "Phone", "c.Phone", "varchar", 2, false, false, "text", false},
        {kCustomers, "CreditLimit", "Credit Limit", "c.CreditLimit", "money", 1, false, true, "money", false},
        {kCustomers, "Active", "Active", "(CASE WHEN c.Active <> 0 THEN 'Yes' ELSE 'No' END)", "bit", 5, false, false,
         "boolean", false},
        {kCustomers, "CustomerSince", "Customer Since", "c.CreatedDate", "datetime", 3, false, false, "date", false},
        // Orders.
        {kOrders, "OrderNumber", "Order Number", "o.OrderNumber", "varchar", 4, true, false, "text", false},
        {kOrders, "OrderDate", "Order Date", "o.OrderDate", "datetime", 3, false, false, "date", false},
        {kOrders, "CustomerName", "Customer", "c.Name", "varchar", 2, false, false, "text", false},
        {kOrders, "CustomerID", "Customer No", "o.CustomerID", "int", 1, false, false, "number", false},
        {kOrders, "Status", "Status", "o.Status", "varchar", 2, false, false, "text", false},
        {kOrders, "SalesRep", "Sales Rep", "o.SalesRep", "varchar", 2, false, false, "text", false},
        {kOrders, "OrderTotal", "Order Total", "o.OrderTotal", "money", 1, false, true, "money", false},
        {kOrders, "LineCount", "Lines", "o.LineCount", "int", 1, false, true, "number", false},
        {kOrders, "OrderID", "Order ID", "o.OrderID", "int", 1, false, false, "number", false},
        {kOrders, "InvoiceNumber", "Invoice Number", "xi.InvoiceNumber", "varchar", 4, false, false, "text", true},
        // Order lines.
        {kOrderLines, "OrderNumber", "Order Number", "o.OrderNumber", "varchar", 4, true, false, "text", false},
        {kOrderLines, "LineNumber", "Line", "ol.LineNumber", "int", 1, false, false, "number", false},
        {kOrderLines, "ProductName", "Product", "p.Name", "varchar", 2, false, false, "text", false},
        {kOrderLines, "Quantity", "Quantity", "ol.Quantity", "int", 1, false, true, "number", false},
        {kOrderLines, "UnitPrice", "Unit Price", "ol.UnitPrice", "money", 1, false, true, "money", false},
        {kOrderLines, "ListPrice", "List Price", "p.UnitPrice", "money", 1, false, true, "money", false},
        {kOrderLines, "LineTotal", "Line Total", "ol.LineTotal", "money", 1, false, true, "money", false},
        {kOrderLines, "OrderDate", "Order Date", "o.OrderDate", "datetime", 3, false, false, "date", false},
        {kOrderLines, "OrderID", "Order ID", "ol.OrderID", "int", 1, false, false, "number", false},
        {kOrderLines, "CustomerID", "Customer No", "o.CustomerID", "int", 1, false, false, "number", false},
        {kOrderLines, "ProductID", "Product No", "ol.ProductID", "int", 1, false, false, "number", false},
        // Products.
        {kProducts, "ProductName", "Product", "p.Name", "varchar", 2, true, false, "text", false},
        {kProducts, "SKU", "SKU", "p.SKU", "varchar", 4, false, false, "text", false},
        {kProducts, "ProductID", "Product No", "p.ProductID", "int", 1, false, false, "number", false},
        {kProducts, "Category", "Category", "p.Category", "varchar", 2, false, false, "text", false},
        {kProducts, "ListPrice", "List Price", "p.UnitPrice", "money", 1, false, true, "money", false},
        {kProducts, "UnitCost", "Unit Cost", "p.UnitCost", "money", 1, false, true, "money", false},
        {kProducts, "Discontinued", "Discontinued", "(CASE WHEN p.Discontinued <> 0 THEN 'Yes' ELSE 'No' END)", "bit",
         5, false, false, "boolean", false},
        // Invoices.
        {kInvoices, "InvoiceNumber", "Invoice Number", "i.InvoiceNumber", "varchar", 4, true, false, "text", false},
        {kInvoices, "InvoiceDate", "Invoice Date", "i.InvoiceDate", "datetime", 3, false, false, "date", false},
        {kInvoices, "DueDate", "Due Date", "i.DueDate", "datetime", 3, false, false, "date", false},
        {kInvoices, "CustomerName", "Customer", "c.Name", "varchar", 2, false, false, "text", false},
        {kInvoices, "CustomerID", "Customer No", "i.CustomerID", "int", 1, false, false, "number", false},
        {kInvoices, "OrderID", "Order ID", "i.OrderID", "int", 1, false, false, "number", false},
        {kInvoices, "Amount", "Amount", "i.Amount", "money", 1, false, true, "money", false},
        {kInvoices, "AmountPaid", "Amount Paid", "i.AmountPaid", "money", 1, false, true, "money", false},
        {kInvoices, "AmountDue", "Amount Due", "(i.Amount - i.AmountPaid)", "money", 1, false, true, "money", false},
        {kInvoices, "Paid", "Paid", "(CASE WHEN i.Paid <> 0 THEN 'Yes' ELSE 'No' END)", "bit", 5, false, false,
         "boolean", false},
    };
    return columns;
}

// A view column: its ColumnName, whether it shows and whether it filters.
struct ViewColumn {
    const char* name;
    bool viewable;
    bool filterable;
};
struct ViewDef {
    const char* viewName;
    const char* displayName;
    const char* description;
    int base;
    bool custom;
    bool shared;
    const char* creator;    // "" for the system's views
    int baseView;           // index (1-based) into the list of views, 0 for none
    bool createSqlView;
    int sqlViewApplication; // 0 for none
    std::vector<ViewColumn> columns;
};

constexpr ViewColumn V(const char* name)
{
    return {name, true, true};
}
constexpr ViewColumn ShowOnly(const char* name)
{
    return {name, true, false};
}
constexpr ViewColumn FilterOnly(const char* name)
{
    return {name, false, true};
}

// The views in the order they are made: their ViewIDs are 1, 2, 3, ...
const std::vector<ViewDef>& Views()
{
    static const std::vector<ViewDef> views = {
        {"LdViews", "All Views", "Every view you may open", kAllViewsBase, false, true, "", 0, false, 0,
         {V("DisplayName"), V("Description"), V("BaseName"), V("CreatorID"), V("Custom"), V("LastUpdate")}},
        {"LdMyViews", "My Views", "The views you chose", kMyViewsBase, false, true, "", 0, false, 0,
         {V("DisplayName"), V("Description"), V("BaseName"), V("CreatorID"), V("Custom"), V("LastUpdate")}},
        // 3
        {"CUSTOMERS_1", "Customers", "All customers with their contact data", kCustomers, false, true, "", 0, false, 0,
         {V("CustomerName"), V("CustomerCode"), V("CustomerID"), V("City"), V("State"), ShowOnly("Phone"),
          V("CreditLimit"), V("Active"), FilterOnly("CustomerSince")}},
        // 4
        {"ORDERS_1", "Orders", "Sales orders with their totals", kOrders, false, true, "", 0, false, 0,
         {V("OrderNumber"), V("OrderDate"), V("CustomerName"), V("CustomerID"), V("Status"), V("SalesRep"),
          V("OrderTotal"), V("LineCount"), V("OrderID"), FilterOnly("InvoiceNumber")}},
        // 5
        {"ORDERLINES_1", "Order Lines", "Every line of every order", kOrderLines, false, true, "", 0, false, 0,
         {V("OrderNumber"), V("LineNumber"), V("ProductName"), V("Quantity"), V("UnitPrice"), V("ListPrice"),
          V("LineTotal"), V("OrderDate"), V("OrderID"), V("CustomerID"), V("ProductID")}},
        // 6
        {"PRODUCTS_1", "Products", "The product catalogue", kProducts, false, true, "", 0, false, 0,
         {V("ProductName"), V("SKU"), V("ProductID"), V("Category"), V("ListPrice"), V("UnitCost"),
          V("Discontinued")}},
        // 7
        {"INVOICES_1", "Invoices", "Invoices and what is still due", kInvoices, false, true, "", 0, false, 0,
         {V("InvoiceNumber"), V("InvoiceDate"), V("DueDate"), V("CustomerName"), V("CustomerID"), V("OrderID"),
          V("Amount"), V("AmountPaid"), V("AmountDue"), V("Paid")}},
        // 8
        {"ORDERLINES_2", "Sales Analysis", "Quantities and totals of the order lines", kOrderLines, false, true, "", 5,
         false, 0, {V("ProductName"), V("Quantity"), V("UnitPrice"), V("LineTotal"), V("OrderDate")}},
        // 9: a private custom view of an ordinary user.
        {"ORDERS_2", "My Big Orders", "Orders I follow", kOrders, true, false, "jdoe", 4, false, 0,
         {V("OrderNumber"), V("OrderDate"), V("CustomerName"), V("OrderTotal"), V("Status"), V("OrderID"),
          V("CustomerID")}},
        // 10: a shared custom view of an ordinary user.
        {"ORDERS_3", "Orders by Sales Rep", "Orders with their sales rep first", kOrders, true, true, "jdoe", 4, false,
         0, {V("SalesRep"), V("OrderNumber"), V("OrderDate"), V("CustomerName"), V("OrderTotal"), V("CustomerID")}},
        // 11: a private custom view of a member of 'admins'.
        {"INVOICES_2", "Unpaid Invoices", "Invoices with an amount due", kInvoices, true, false, "asmith", 7, false, 0,
         {V("InvoiceNumber"), V("DueDate"), V("CustomerName"), V("AmountDue"), V("Paid"), V("CustomerID"),
          V("OrderID")}},
        // 12: a shared custom view with a SQL view of its own for reporting.
        {"CUSTOMERS_2", "Customer Report", "Customers for the reporting tools", kCustomers, true, true, "admin", 3,
         true, 1, {V("CustomerName"), V("City"), V("State"), V("CreditLimit"), V("CustomerID")}},
    };
    return views;
}

// Column functions of a view: view index (1-based), ColumnName, function id.
struct FunctionDef {
    int view;
    const char* column;
    int function;  // 1 Sum, 2 Average, 3 Count, 4 Minimum, 5 Maximum
};
const std::vector<FunctionDef>& Functions()
{
    static const std::vector<FunctionDef> functions = {
        {4, "OrderTotal", 1}, {4, "OrderTotal", 2}, {4, "OrderNumber", 3},
        {5, "Quantity", 1},   {5, "LineTotal", 1},  {5, "UnitPrice", 2},
        {7, "Amount", 1},     {7, "AmountDue", 1},  {7, "InvoiceNumber", 3},
        {8, "LineTotal", 1},  {8, "Quantity", 5},   {8, "UnitPrice", 4},  {8, "ProductName", 3},
        {9, "OrderTotal", 1}, {11, "AmountDue", 1}, {11, "AmountDue", 2},
    };
    return functions;
}

// Base relationships (links) between bases with each kind of constraint.
struct LinkDef {
    int id;
    int base;
    int relatedBase;
    const char* column1;
    const char* assocColumn1;
    const char* column2;       // "" for none
    const char* assocColumn2;  // "" for none
    const char* column1Filter;
    int column1FilterType;
    const char* column2Filter;
    int column2FilterType;
    const char* miscFilter;
    int miscFilterType;
    // Links of views: source view, linked view, switched on.
    std::vector<std::array<int, 3>> viewLinks;
};
const std::vector<LinkDef>& Links()
{
    static const std::vector<LinkDef> links = {
        // A customer's orders: no constraint; an extra filter whose value comes from a query.
        {1, kCustomers, kOrders, "CustomerID", "CustomerID", "", "", "", 0, "", 0,
         ">=,OrderDate,SELECT MIN(OrderDate) FROM Orders", 3, {{3, 4, 1}, {3, 10, 1}, {3, 9, 0}, {12, 4, 1}}},
        // A customer's unpaid invoices: only for a row with a customer number; an extra comparison.
        {2, kCustomers, kInvoices, "CustomerID", "CustomerID", "", "", "EXISTS", 2, "", 0, "=,Paid,No", 3,
         {{3, 7, 1}, {3, 11, 0}}},
        // The order's customer, unless the order was cancelled; imports customer columns into orders.
        {3, kOrders, kCustomers, "CustomerID", "CustomerID", "", "", "<>,Status,Cancelled", 5, "", 0, "", 0,
         {{4, 3, 1}, {10, 3, 1}, {9, 3, 0}}},
        // The lines of the order, for the order and its customer (two relation columns), quantities in a range.
        {4, kOrders, kOrderLines, "OrderID", "OrderID", "CustomerID", "CustomerID", "", 0, "", 0,
         "RANGE,Quantity,1,100000", 99, {{4, 5, 1}, {9, 5, 1}, {4, 8, 0}}},
        // Sales of a product that is still sold (allowed values from a query).
        {5, kProducts, kOrderLines, "ProductID", "ProductID", "", "", "SELECT ProductID FROM Products WHERE Discontinued = 0",
         1, "", 0, "", 0, {{6, 5, 1}, {6, 8, 0}}},
        // The product of a line sold below its list price (two columns of the row compared).
        {6, kOrderLines, kProducts, "ProductID", "ProductID", "", "", "<,UnitPrice,ListPrice", 4, "", 0, "", 0,
         {{5, 6, 1}}},
        // The order of an invoice, within the dates of all orders (a range from a query); imports order columns.
        {7, kInvoices, kOrders, "OrderID", "OrderID", "", "", "", 0, "", 0,
         "RANGE,OrderDate,SELECT (SELECT MIN(OrderDate) FROM Orders), (SELECT MAX(OrderDate) FROM Orders)", 99,
         {{7, 4, 1}, {11, 4, 1}}},
        // Orders placed under the customer's name (a text key: O'Brien's names hold an apostrophe).
        {8, kCustomers, kOrders, "CustomerName", "CustomerName", "", "", "", 0, "", 0, "", 0, {{12, 10, 1}}},
    };
    return links;
}

// The sources of imported columns, one for each link between bases: the two that
// say how their rows meet the base's, and those that leave it to the relation
// columns of their link (a link to many rows gives the first of them).
struct ImportTableDef {
    int id;
    int link;                 // the base relationship that goes through it
    const char* displayName;  // the prefix of the imported names
    const char* correlation;  // "" for the relation columns
};
const std::vector<ImportTableDef>& ImportTables()
{
    static const std::vector<ImportTableDef> tables = {
        {1, 3, "Customer", "c.CustomerID = o.CustomerID"},
        {2, 7, "Order", "o.OrderID = i.OrderID"},
        {3, 1, "First Order", ""},
        {4, 2, "First Invoice", ""},
        {5, 4, "First Line", ""},
        {6, 5, "First Sale", ""},
        {7, 6, "Product", ""},
        {8, 8, "First Order by Name", ""},
    };
    return tables;
}

// Saved searches: view index, name, text, shared, complex, creator.
struct SearchDef {
    int view;
    const char* name;
    const char* filter;
    bool shared;
    bool complex;
    const char* creator;
};
const std::vector<SearchDef>& Searches()
{
    // A complex search is run as it is written: its dates are the first of January,
    // which a SQL Server reads the same under every login language.
    static const std::vector<SearchDef> searches = {
        {4, "Open Orders", "WHERE ( {Status} = 'Open' )", true, false, "admin"},
        {4, "Big Orders", "WHERE ( {OrderTotal} >= 1000 )", false, false, "jdoe"},
        {4, "Large Lines in 2024",
         "WHERE {OrderDate} >= '2024-01-01' AND {OrderDate} < '2025-01-01' AND o.OrderID IN "
         "(SELECT ol.OrderID FROM OrderLines ol WHERE ol.Quantity > 100)",
         true, true, "asmith"},
        {4, "Not Yet Invoiced", "WHERE ( {Status} IN ('Open', 'Shipped') AND {InvoiceNumber} IS NULL )", false, true,
         "jdoe"},
        {3, "California Customers", "WHERE ( {State} = 'CA' )", true, false, "admin"},
        {3, "O~Brien Customers", "WHERE ( {CustomerName} LIKE 'O''Brien%' )", false, false, "jdoe"},
        {7, "Overdue", "WHERE ( {AmountDue} > 0 AND {DueDate} < '2025-01-01' )", true, false, "asmith"},
        {7, "Large Unpaid", "WHERE i.Paid = 0 AND i.Amount > 2000", false, true, "asmith"},
        {5, "Discounted Lines", "WHERE ( {UnitPrice} < {ListPrice} )", true, false, "jdoe"},
    };
    return searches;
}

int64_t LookupId(sqlite3* db, const char* sql, int64_t a, const char* b)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    sqlite3_bind_int64(st, 1, a);
    sqlite3_bind_text(st, 2, b, -1, SQLITE_TRANSIENT);
    const int64_t id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    if (id == 0)
        Fail(QStringLiteral("The demo names an unknown column '%1' of base %2.").arg(QLatin1String(b)).arg(a));
    return id;
}

int64_t BaseColumnId(sqlite3* db, int base, const char* columnName)
{
    return LookupId(db, "SELECT ColumnID FROM LdBaseColumns WHERE BaseID = ?1 AND ColumnName = ?2", base, columnName);
}

int BaseOfView(int view)
{
    return Views().at(static_cast<size_t>(view - 1)).base;
}


}  // namespace

int DemoViewCount() { return static_cast<int>(Views().size()); }

void FillViews(sqlite3* db)
{
    {
        Insert base(db, "INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL, FromExSQL) VALUES (?,?,?,?,?,?)");
        Insert security(db, "INSERT INTO LdBaseSecurity (BaseID, SecuredObjectID) VALUES (?,?)");
        for (const BaseDef& b : Bases()) {
            base.i(b.id).t(b.base).t(b.displayName).t(b.keySql).t(b.fromSql).ot(b.fromExSql).run();
            for (const char* object : b.securedObjects)
                security.i(b.id).t(object).run();
        }
    }
    {
        Insert col(db, "INSERT INTO LdBaseColumns (BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, Required, "
                       "AllowFunctions, FilterDataType, UseExtendedFrom, Imported) VALUES (?,?,?,?,?,?,?,?,?,?,0)");
        for (const ColumnDef& c : Columns())
            col.i(c.base).t(c.columnName).t(c.displayName).t(c.columnSql).t(c.dataType).i(c.type)
                .i(c.required ? -1 : 0).i(c.allowFunctions ? -1 : 0).t(c.filterDataType).i(c.useExtendedFrom ? -1 : 0)
                .run();
    }
    // Custom properties of customers.
    ExecScript(db, QStringLiteral(
                       "INSERT INTO ShTrackingGroups (TrackingGroupID, TableName, TypeID, DisplayName) VALUES\n"
                       "  (1, 'CUSTOMERS', 2, 'Customer Profile'), (2, 'PRODUCTS', 2, 'Shelf');\n"
                       "INSERT INTO ShTrackingAttributes (AttributeID, TrackingGroupID, AttributeName, DisplayName, "
                       "DataType) VALUES\n"
                       "  (1, 1, 'Segment', 'Segment', 'varchar'), (2, 1, 'Carrier', 'Preferred Carrier', 'varchar'),\n"
                       "  (3, 2, 'Aisle', 'Aisle', 'varchar');\n"
                       "INSERT INTO ShTrackingValues (AttributeID, RecordID, Value)\n"
                       "  SELECT 1, CustomerID, CASE CustomerID % 3 WHEN 0 THEN 'Retail' WHEN 1 THEN 'Contractor' "
                       "ELSE 'Wholesale' END FROM Customers WHERE CustomerID % 4 <> 0;\n"
                       "INSERT INTO ShTrackingValues (AttributeID, RecordID, Value)\n"
                       "  SELECT 2, CustomerID, CASE CustomerID % 2 WHEN 0 THEN 'Freight West' ELSE 'Parcel Express' END "
                       "FROM Customers WHERE CustomerID % 5 <> 0;\n"
                       "INSERT INTO ShTrackingValues (AttributeID, RecordID, Value)\n"
                       "  SELECT 3, ProductID, 'A' || (ProductID % 12 + 1) FROM Products;\n"));

    // The views, written as the program writes them: Booleans as -1.
    {
        Insert view(db, "INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID, Custom, Shared, "
                        "SQLViewApplicationID, CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate, BaseViewID) "
                        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Insert col(db, "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
                       "VALUES (?,?,?,?,?,?)");
        int index = 0;
        for (const ViewDef& v : Views()) {
            ++index;
            const char* when = v.custom ? "2025-03-14 10:30:00.000" : "2024-11-02 08:00:00.000";
            view.t(v.viewName).t(v.displayName).t(v.description).i(v.base).i(v.custom ? -1 : 0).i(v.shared ? -1 : 0);
            if (v.sqlViewApplication)
                view.i(v.sqlViewApplication);
            else
                view.null();
            view.i(v.createSqlView ? -1 : 0).ot(v.creator).ot(v.creator).t(when).t(when);
            if (v.baseView)
                view.i(v.baseView);
            else
                view.null();
            const int64_t viewId = view.run();
            if (viewId != index)
                Fail(QStringLiteral("The demo views must be made in an empty database."));
            int order = 0;
            int filterOrder = 0;
            for (const ViewColumn& c : v.columns) {
                col.i(viewId).i(BaseColumnId(db, v.base, c.name)).i(c.viewable ? ++order : 0)
                    .i(c.filterable ? ++filterOrder : 0).i(c.filterable ? -1 : 0).i(c.viewable ? -1 : 0).run();
            }
        }
    }
    {
        Insert fn(db, "INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) "
                      "VALUES (?,?,?,?)");
        int lastView = 0;
        int order = 0;
        for (const FunctionDef& f : Functions()) {
            order = f.view == lastView ? order + 1 : 1;
            lastView = f.view;
            fn.i(f.view).i(BaseColumnId(db, BaseOfView(f.view), f.column)).i(f.function).i(order).run();
        }
    }
    {
        Insert rel(db, "INSERT INTO LdBaseRelationships (BaseRelationshipID, BaseID, RelatedBaseID, ColumnID1, "
                       "AssocColumnID1, ColumnID2, AssocColumnID2, Column1Filter, Column1FilterTypeID, Column2Filter, "
                       "Column2FilterTypeID, MiscFilter, MiscFilterTypeID, MiscFilter2, MiscFilter2TypeID, TableID) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,NULL,NULL,NULL)");
        Insert viewLink(db, "INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe) "
                            "VALUES (?,?,?,?)");
        for (const LinkDef& l : Links()) {
            rel.i(l.id).i(l.base).i(l.relatedBase).i(BaseColumnId(db, l.base, l.column1))
                .i(BaseColumnId(db, l.relatedBase, l.assocColumn1));
            if (*l.column2)
                rel.i(BaseColumnId(db, l.base, l.column2)).i(BaseColumnId(db, l.relatedBase, l.assocColumn2));
            else
                rel.null().null();
            rel.ot(l.column1Filter);
            l.column1FilterType ? rel.i(l.column1FilterType) : rel.null();
            rel.ot(l.column2Filter);
            l.column2FilterType ? rel.i(l.column2FilterType) : rel.null();
            rel.ot(l.miscFilter);
            l.miscFilterType ? rel.i(l.miscFilterType) : rel.null();
            rel.run();
            for (const auto& [from, to, useMe] : l.viewLinks) {
                if (BaseOfView(from) != l.base || BaseOfView(to) != l.relatedBase)
                    Fail(QStringLiteral("The demo link %1 joins views of other bases.").arg(l.id));
                viewLink.i(from).i(l.id).i(to).i(useMe ? -1 : 0).run();
            }
        }
    }
    AddImportTables(db);
    {
        Insert search(db, "INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID, "
                          "UpdatorID, CreateDate, LastUpdate) VALUES (?,?,?,?,?,?,?,?,?)");
        Insert searchColumn(db, "INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (?,?)");
        for (const SearchDef& s : Searches()) {
            const int64_t id = search.i(s.view).t(s.name).t(s.filter).i(s.shared ? -1 : 0).i(s.complex ? -1 : 0)
                                   .t(s.creator).t(s.creator).t("2025-02-01 09:15:00.000").t("2025-02-01 09:15:00.000")
                                   .run();
            // Each column whose token occurs in the text, as the program records them.
            const QString text = QString::fromUtf8(s.filter);
            for (const ColumnDef& c : Columns()) {
                if (c.base == BaseOfView(s.view) &&
                    text.contains(QLatin1Char('{') + QLatin1String(c.columnName) + QLatin1Char('}')))
                    searchColumn.i(id).i(BaseColumnId(db, c.base, c.columnName)).run();
            }
        }
        // The Orders view opens with its last search.
        ExecScript(db, QStringLiteral("UPDATE LdViews SET LastUsedFilter = (SELECT MIN(ViewFilterID) FROM LdViewFilters "
                                      "WHERE ViewID = 4) WHERE ViewID = 4;"));
    }
    // My Views of the users (and auto-populate settings).
    ExecScript(db, QStringLiteral(
                       "INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES\n"
                       "  (3, 'admin', 1, 0), (4, 'admin', 1, -1), (7, 'admin', 1, 0), (12, 'admin', 1, 0),\n"
                       "  (4, 'jdoe', 1, -1), (5, 'jdoe', 1, 0), (9, 'jdoe', 1, -1), (10, 'jdoe', 1, 0),\n"
                       "  (6, 'jdoe', 0, -1),\n"
                       "  (7, 'asmith', 1, -1), (11, 'asmith', 1, 0), (8, 'asmith', 1, 0),\n"
                       "  (3, 'guest', 1, -1), (4, 'guest', 1, 0);\n"));
}

void AddImportTables(sqlite3* db)
{
    // Each only where its link is the demo's own and has no source yet, so that a
    // company changed since it was made keeps what it was given.
    Insert table(db, "INSERT INTO LdBaseTables (TableID, DisplayName, BaseID, LinkedBaseID, CorrelationSQL) "
                     "SELECT ?1, ?2, r.BaseID, r.RelatedBaseID, ?3 FROM LdBaseRelationships r "
                     "WHERE r.BaseRelationshipID = ?4 AND r.BaseID = ?5 AND r.RelatedBaseID = ?6 "
                     "AND NOT EXISTS (SELECT 1 FROM LdBaseTables WHERE TableID = ?1)");
    Insert link(db, "UPDATE LdBaseRelationships SET TableID = ?1 WHERE BaseRelationshipID = ?2 AND TableID IS NULL "
                    "AND EXISTS (SELECT 1 FROM LdBaseTables t WHERE t.TableID = ?1 AND t.BaseID = ?3 "
                    "AND t.LinkedBaseID = ?4) AND BaseID = ?3 AND RelatedBaseID = ?4");
    for (const ImportTableDef& t : ImportTables()) {
        const LinkDef& l = Links().at(static_cast<size_t>(t.link - 1));
        if (l.id != t.link)
            Fail(QStringLiteral("The demo links must be listed in the order of their ids."));
        table.i(t.id).t(t.displayName).ot(t.correlation).i(l.id).i(l.base).i(l.relatedBase).run();
        link.i(t.id).i(l.id).i(l.base).i(l.relatedBase).run();
    }
}

void UpdateSqlStatements(sqlite3* db, int32_t viewId)
{
    RegisterProcedures();
    const HostProcedureInfo* procedure = FindHostProcedure(QStringLiteral("Ld_UpdateSQLStmts"));
    if (!procedure)
        Fail(QStringLiteral("The stored procedure Ld_UpdateSQLStmts does not exist."));
    ProcedureCall call;
    call.db = db;
    call.login = QLatin1String(kExecutiveLogin);
    call.procedureName = procedure->name;
    call.args = {Variant(viewId), Variant(), Variant()};
    call.names = {QStringLiteral("@v_iViewID"), QStringLiteral("@r_sSQLStmt"), QStringLiteral("@r_bStmtTooLong")};
    call.outputs.resize(call.args.size());
    procedure->run(call);
    const Variant& tooLong = call.outputs.at(2);
    if (!tooLong.isEmpty() && !tooLong.isNull() && tooLong.toBool())
        Fail(QStringLiteral("The SQL of demo view %1 is too long.").arg(viewId));
}

void MarkDemoSqlViews(sqlite3* db)
{
    std::vector<std::pair<QString, QString>> unmarked;  // name, the query it was made with
    {
        procs::Statement st(db,
                     QStringLiteral("SELECT m.name, m.sql FROM LdViews v JOIN sqlite_master m "
                                    "ON m.type = 'view' AND m.name = TRIM(v.SQLViewName) COLLATE NOCASE "
                                    "WHERE v.CreateSQLView <> 0 ORDER BY v.ViewID"),
                     QStringLiteral("create-demo"));
        while (st.step()) {
            const QString name = st.text(0);
            const QString sql = st.text(1);
            // Only the form Ld_UpdateSQLStmts wrote before it marked its views.
            const QString oldHead = QStringLiteral("CREATE VIEW ") + procs::QuoteIdentifier(name) + QStringLiteral(" AS ");
            if (sql.startsWith(oldHead))
                unmarked.emplace_back(name, sql.mid(oldHead.size()));
        }
    }
    for (const auto& [name, query] : unmarked) {
        procs::Exec(db, QStringLiteral("DROP VIEW ") + procs::QuoteIdentifier(name), QStringLiteral("create-demo"));
        procs::Exec(db, MadeViewHead(name) + query, QStringLiteral("create-demo"));
    }
}

}  // namespace erpdb::demo
