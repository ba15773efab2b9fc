#include "db/DemoCompany.h"

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "db/procedures/Procedures.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedures.h"

#include <QDate>
#include <QElapsedTimer>
#include <QStringList>

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace erpdb {

namespace {

[[noreturn]] void Fail(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message, QStringLiteral("erpdb demo"));
}

// A prepared statement bound by position, run many times.
class Insert {
public:
    Insert(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            Fail(QStringLiteral("%1 (in: %2)").arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql)));
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& i(int64_t v)
    {
        sqlite3_bind_int64(m_stmt, ++m_pos, v);
        return *this;
    }
    Insert& d(double v)
    {
        sqlite3_bind_double(m_stmt, ++m_pos, v);
        return *this;
    }
    Insert& t(const char* v)
    {
        sqlite3_bind_text(m_stmt, ++m_pos, v, -1, SQLITE_TRANSIENT);
        return *this;
    }
    Insert& t(const QString& v)
    {
        sqlite3_bind_text16(m_stmt, ++m_pos, v.utf16(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    Insert& null()
    {
        sqlite3_bind_null(m_stmt, ++m_pos);
        return *this;
    }
    // An optional text: NULL when empty.
    Insert& ot(const char* v) { return (v && *v) ? t(v) : null(); }
    int64_t run()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_pos = 0;
        if (rc != SQLITE_DONE)
            Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return sqlite3_last_insert_rowid(m_db);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    int m_pos = 0;
};

double Money(double v)
{
    return std::round(v * 100.0) / 100.0;
}

// ---- Business data ----------------------------------------------------------

const char* const kBusinessSchema = R"SQL(
CREATE TABLE Customers (
    CustomerID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerCode TEXT    NOT NULL COLLATE NOCASE,
    Name         TEXT    NOT NULL COLLATE NOCASE,
    City         TEXT    NOT NULL COLLATE NOCASE,
    State        TEXT    NOT NULL COLLATE NOCASE,
    Phone        TEXT    NOT NULL COLLATE NOCASE,
    CreditLimit  REAL    NOT NULL DEFAULT 0,
    Active       BIT     NOT NULL DEFAULT 1,
    CreatedDate  DATETIME NOT NULL
);
CREATE TABLE Products (
    ProductID    INTEGER PRIMARY KEY AUTOINCREMENT,
    SKU          TEXT    NOT NULL COLLATE NOCASE,
    Name         TEXT    NOT NULL COLLATE NOCASE,
    Category     TEXT    NOT NULL COLLATE NOCASE,
    UnitPrice    REAL    NOT NULL,
    UnitCost     REAL    NOT NULL,
    Discontinued BIT     NOT NULL DEFAULT 0
);
CREATE TABLE Orders (
    OrderID     INTEGER PRIMARY KEY AUTOINCREMENT,
    OrderNumber TEXT    NOT NULL COLLATE NOCASE,
    CustomerID  INTEGER NOT NULL,
    OrderDate   DATETIME NOT NULL,
    Status      TEXT    NOT NULL COLLATE NOCASE,
    SalesRep    TEXT    NOT NULL COLLATE NOCASE,
    LineCount   INTEGER NOT NULL,
    OrderTotal  REAL    NOT NULL
);
CREATE TABLE OrderLines (
    OrderLineID INTEGER PRIMARY KEY AUTOINCREMENT,
    OrderID     INTEGER NOT NULL,
    LineNo      INTEGER NOT NULL,
    ProductID   INTEGER NOT NULL,
    Quantity    INTEGER NOT NULL,
    UnitPrice   REAL    NOT NULL,
    Discount    REAL    NOT NULL DEFAULT 0,
    LineTotal   REAL    NOT NULL
);
CREATE TABLE Invoices (
    InvoiceID     INTEGER PRIMARY KEY AUTOINCREMENT,
    InvoiceNumber TEXT    NOT NULL COLLATE NOCASE,
    OrderID       INTEGER NOT NULL,
    CustomerID    INTEGER NOT NULL,
    InvoiceDate   DATETIME NOT NULL,
    DueDate       DATETIME NOT NULL,
    Amount        REAL    NOT NULL,
    AmountPaid    REAL    NOT NULL DEFAULT 0,
    Paid          BIT     NOT NULL DEFAULT 0
);
)SQL";

// Made after the rows are in: building an index once is faster than keeping it.
const char* const kBusinessIndexes = R"SQL(
CREATE UNIQUE INDEX Customers_Code ON Customers (CustomerCode);
CREATE UNIQUE INDEX Products_SKU ON Products (SKU);
CREATE UNIQUE INDEX Orders_Number ON Orders (OrderNumber);
CREATE INDEX Orders_CustomerID ON Orders (CustomerID);
CREATE INDEX Orders_OrderDate ON Orders (OrderDate);
CREATE INDEX OrderLines_OrderID ON OrderLines (OrderID);
CREATE INDEX OrderLines_ProductID ON OrderLines (ProductID);
CREATE UNIQUE INDEX Invoices_Number ON Invoices (InvoiceNumber);
CREATE INDEX Invoices_OrderID ON Invoices (OrderID);
CREATE INDEX Invoices_CustomerID ON Invoices (CustomerID);
)SQL";

const std::array<const char*, 24> kNameStems = {
    "Acme", "Blue Ridge", "Cedar Valley", "Dunn's", "Evergreen", "Fairview", "Granite", "Harbor Point",
    "Ironwood", "Juniper", "Keystone", "Lakeside", "Maple Leaf", "Northgate", "O'Brien", "Pinecrest",
    "Quarry Hill", "Riverbend", "Summit", "Tidewater", "Union Square", "Valley Forge", "Westfield", "Yellowstone"};
const std::array<const char*, 10> kNameTails = {"Supply",   "Hardware", "Builders",  "Traders", "Plumbing",
                                                "Electric", "Outfitters", "Contractors", "Works", "Home Center"};
struct Place {
    const char* city;
    const char* state;
    const char* area;
};
const std::array<Place, 16> kPlaces = {{{"Sacramento", "CA", "916"}, {"Fresno", "CA", "559"},
                                        {"San Diego", "CA", "619"},  {"Portland", "OR", "503"},
                                        {"Seattle", "WA", "206"},    {"Spokane", "WA", "509"},
                                        {"Boise", "ID", "208"},      {"Denver", "CO", "303"},
                                        {"Austin", "TX", "512"},     {"Dallas", "TX", "214"},
                                        {"Phoenix", "AZ", "602"},    {"Reno", "NV", "775"},
                                        {"Omaha", "NE", "402"},      {"Chicago", "IL", "312"},
                                        {"Columbus", "OH", "614"},   {"Raleigh", "NC", "919"}}};
const std::array<const char*, 8> kAdjectives = {"Steel",    "Brass",     "Heavy-Duty", "Compact",
                                                "Cordless", "Galvanized", "Insulated", "Premium"};
struct Noun {
    const char* name;
    const char* category;
    double price;
};
const std::array<Noun, 16> kNouns = {{{"Hammer", "Tools", 18.5},          {"Wrench Set", "Tools", 42.0},
                                      {"Drill", "Power Tools", 89.0},     {"Sander", "Power Tools", 64.0},
                                      {"Hinge", "Hardware", 3.75},        {"Bolt Pack", "Fasteners", 6.2},
                                      {"Wood Screws", "Fasteners", 4.9},  {"Pipe Fitting", "Plumbing", 7.4},
                                      {"Ball Valve", "Plumbing", 15.8},   {"Extension Cord", "Electrical", 21.0},
                                      {"Circuit Breaker", "Electrical", 27.5}, {"Work Gloves", "Safety", 9.99},
                                      {"Safety Glasses", "Safety", 12.5}, {"Paint Roller", "Paint", 8.25},
                                      {"Garden Hose", "Garden", 29.0},    {"Step Ladder", "Tools", 74.0}}};
const std::array<const char*, 5> kSalesReps = {"J. Doe", "A. Smith", "M. Chen", "R. Patel", "L. Garcia"};

struct BusinessCounts {
    int64_t customers = 0;
    int64_t products = 0;
    int64_t orders = 0;
    int64_t lines = 0;
    int64_t invoices = 0;
};

BusinessCounts FillBusiness(sqlite3* db, int64_t orderLines)
{
    ExecScript(db, QString::fromUtf8(kBusinessSchema));
    std::mt19937 rng(20240611u);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto chance = [&](int percent) { return pick(100) < percent; };

    BusinessCounts n;
    const int64_t lines = std::max<int64_t>(orderLines, 1);
    n.customers = std::clamp<int64_t>(lines / 15, 120, 20000);
    n.products = std::clamp<int64_t>(lines / 30, 96, 2000);
    const int maxLinesPerOrder = lines >= 100000 ? 7 : 5;

    // The days the dates are drawn from: 2023-01-01 to 2025-06-30.
    const QDate first(2023, 1, 1);
    const int dayCount = static_cast<int>(first.daysTo(QDate(2025, 6, 30))) + 1;
    std::vector<QByteArray> days(static_cast<size_t>(dayCount + 60));
    for (size_t k = 0; k < days.size(); ++k)
        days[k] = first.addDays(static_cast<qint64>(k)).toString(Qt::ISODate).toLatin1();

    char buf[128];
    char buf2[64];
    {
        Insert ins(db, "INSERT INTO Customers (CustomerCode, Name, City, State, Phone, CreditLimit, Active, CreatedDate) "
                       "VALUES (?,?,?,?,?,?,?,?)");
        for (int64_t c = 1; c <= n.customers; ++c) {
            const Place& place = kPlaces[static_cast<size_t>(pick(static_cast<int>(kPlaces.size())))];
            const int64_t combo = (c - 1) % static_cast<int64_t>(kNameStems.size() * kNameTails.size());
            const int64_t round = (c - 1) / static_cast<int64_t>(kNameStems.size() * kNameTails.size());
            std::snprintf(buf, sizeof buf, "%s %s%s", kNameStems[static_cast<size_t>(combo % kNameStems.size())],
                          kNameTails[static_cast<size_t>((combo / kNameStems.size() + round) % kNameTails.size())],
                          round > 0 ? (std::string(" ") + std::to_string(round + 1)).c_str() : "");
            std::snprintf(buf2, sizeof buf2, "C%05lld", static_cast<long long>(c));
            char phone[24];
            std::snprintf(phone, sizeof phone, "(%s) 555-%04d", place.area, pick(10000));
            ins.t(buf2).t(buf).t(place.city).t(place.state).t(phone)
                .d(static_cast<double>((1 + pick(20)) * 2500))
                .i(chance(92) ? 1 : 0)
                .t(days[static_cast<size_t>(pick(120))].constData())
                .run();
        }
    }
    std::vector<double> prices(static_cast<size_t>(n.products) + 1);
    {
        Insert ins(db, "INSERT INTO Products (SKU, Name, Category, UnitPrice, UnitCost, Discontinued) VALUES (?,?,?,?,?,?)");
        const int64_t combos = static_cast<int64_t>(kAdjectives.size() * kNouns.size());
        for (int64_t p = 1; p <= n.products; ++p) {
            const Noun& noun = kNouns[static_cast<size_t>((p - 1) % kNouns.size())];
            const char* adjective = kAdjectives[static_cast<size_t>(((p - 1) / kNouns.size()) % kAdjectives.size())];
            const int64_t size = (p - 1) / combos;
            if (size > 0)
                std::snprintf(buf, sizeof buf, "%s %s No. %lld", adjective, noun.name, static_cast<long long>(size + 1));
            else
                std::snprintf(buf, sizeof buf, "%s %s", adjective, noun.name);
            std::snprintf(buf2, sizeof buf2, "SKU-%05lld", static_cast<long long>(p));
            const double price = Money(noun.price * (0.8 + 0.1 * pick(6)) * (1.0 + 0.25 * static_cast<double>(size)));
            prices[static_cast<size_t>(p)] = price;
            ins.t(buf2).t(buf).t(noun.category).d(price).d(Money(price * 0.62)).i(chance(6) ? 1 : 0).run();
        }
    }
    {
        Insert order(db, "INSERT INTO Orders (OrderNumber, CustomerID, OrderDate, Status, SalesRep, LineCount, OrderTotal) "
                         "VALUES (?,?,?,?,?,?,?)");
        Insert line(db, "INSERT INTO OrderLines (OrderID, LineNo, ProductID, Quantity, UnitPrice, Discount, LineTotal) "
                        "VALUES (?,?,?,?,?,?,?)");
        Insert invoice(db, "INSERT INTO Invoices (InvoiceNumber, OrderID, CustomerID, InvoiceDate, DueDate, Amount, "
                           "AmountPaid, Paid) VALUES (?,?,?,?,?,?,?,?)");
        static const std::array<double, 6> discounts = {0, 0, 0, 0, 0.05, 0.1};
        struct Line {
            int64_t product;
            int quantity;
            double unitPrice;
            double discount;
            double total;
        };
        std::vector<Line> orderLinesBuf;
        int64_t made = 0;
        while (made < lines) {
            const int count = static_cast<int>(std::min<int64_t>(1 + pick(maxLinesPerOrder), lines - made));
            orderLinesBuf.clear();
            double total = 0;
            for (int k = 0; k < count; ++k) {
                Line l;
                l.product = 1 + pick(static_cast<int>(n.products));
                l.quantity = 1 + pick(chance(10) ? 200 : 24);
                l.discount = discounts[static_cast<size_t>(pick(static_cast<int>(discounts.size())))];
                l.unitPrice = Money(prices[static_cast<size_t>(l.product)] * (1.0 - l.discount));
                l.total = Money(l.unitPrice * l.quantity);
                total += l.total;
                orderLinesBuf.push_back(l);
            }
            const int64_t orderNo = ++n.orders;
            const int64_t customer = 1 + pick(static_cast<int>(n.customers));
            const int day = pick(dayCount);
            const int roll = pick(100);
            const char* status = roll < 20 ? "Open" : roll < 45 ? "Shipped" : roll < 90 ? "Invoiced" : "Cancelled";
            std::snprintf(buf, sizeof buf, "SO-%07lld", static_cast<long long>(orderNo));
            const int64_t orderId = order.t(buf).i(customer).t(days[static_cast<size_t>(day)].constData()).t(status)
                                        .t(kSalesReps[static_cast<size_t>(pick(static_cast<int>(kSalesReps.size())))])
                                        .i(count).d(Money(total)).run();
            int lineNo = 0;
            for (const Line& l : orderLinesBuf)
                line.i(orderId).i(++lineNo).i(l.product).i(l.quantity).d(l.unitPrice).d(l.discount).d(l.total).run();
            made += count;
            if (status[0] == 'I') {
                ++n.invoices;
                std::snprintf(buf, sizeof buf, "INV-%07lld", static_cast<long long>(n.invoices));
                const int payRoll = pick(100);
                const double amount = Money(total);
                const double paid = payRoll < 65 ? amount : payRoll < 80 ? Money(amount / 2) : 0.0;
                invoice.t(buf).i(orderId).i(customer).t(days[static_cast<size_t>(day + 3)].constData())
                    .t(days[static_cast<size_t>(day + 33)].constData()).d(amount).d(paid)
                    .i(paid >= amount ? 1 : 0).run();
            }
        }
        n.lines = made;
    }
    ExecScript(db, QString::fromUtf8(kBusinessIndexes));
    return n;
}

// ---- Security, registry, masters --------------------------------------------

struct SecuredObject {
    const char* id;
    const char* description;
};
const std::array<SecuredObject, 11> kSecuredObjects = {{
    {"QuillonAllViews", "All Views"},
    {"QuillonMyViews", "My Views"},
    {"QuillonCreateSQLViews", "Create SQL Views"},
    {"QuillonImportColumns", "Import View Columns"},
    {"CoExportLists", "Export Lists to Excel"},
    {"CoExportListsPassSQLConnection", "Keep the SQL Connection in Exported Lists"},
    {"ArCustomers", "Customers"},
    {"SoOrders", "Sales Orders"},
    {"InProducts", "Products"},
    {"ArInvoices", "Invoices"},
    {"LdViewCatalog", "View Catalogue"},
}};

void FillSecurity(sqlite3* db)
{
    {
        Insert ins(db, "INSERT INTO CoUsers (UserID, UserName, Password) VALUES (?,?,?)");
        for (const DemoUser& u : DemoUsers())
            ins.t(u.userId).t(u.userName).t(UserPasswordCipher(QLatin1String(u.userId), QLatin1String(u.password))).run();
    }
    ExecScript(db, QStringLiteral("INSERT INTO CoUserGroups (GroupID, UserID) VALUES "
                                  "('admins', 'asmith'), ('users', 'jdoe'), ('users', 'guest'), ('users', 'asmith');"));
    {
        Insert ins(db, "INSERT INTO CoSecuredObjects (SecuredObjectID, Description) VALUES (?,?)");
        for (const SecuredObject& o : kSecuredObjects)
            ins.t(o.id).t(o.description).run();
    }
    struct Right {
        const char* object;
        const char* principal;
        int isGroup;
        int rights;
    };
    static const Right rights[] = {
        // The group 'admins': everything.
        {"QuillonAllViews", "admins", 1, 15}, {"QuillonMyViews", "admins", 1, 15},
        {"QuillonCreateSQLViews", "admins", 1, 15}, {"QuillonImportColumns", "admins", 1, 15},
        {"CoExportLists", "admins", 1, 15}, {"CoExportListsPassSQLConnection", "admins", 1, 15},
        {"ArCustomers", "admins", 1, 15}, {"SoOrders", "admins", 1, 15}, {"InProducts", "admins", 1, 15},
        {"ArInvoices", "admins", 1, 15}, {"LdViewCatalog", "admins", 1, 15},
        // The group 'users': to see the business bases.
        {"ArCustomers", "users", 1, 1}, {"SoOrders", "users", 1, 1}, {"InProducts", "users", 1, 1},
        {"LdViewCatalog", "users", 1, 1},
        // An ordinary user: all views to see and to make views from, his own views, export.
        {"QuillonAllViews", "jdoe", 0, 3}, {"QuillonMyViews", "jdoe", 0, 15}, {"CoExportLists", "jdoe", 0, 1},
        {"ArInvoices", "jdoe", 0, 1},
        // A user without All Views: only his My Views.
        {"QuillonMyViews", "guest", 0, 1},
    };
    Insert ins(db, "INSERT INTO CoSecuredObjectRights (SecuredObjectID, CompanyID, PrincipalID, IsGroup, Rights) "
                   "VALUES (?,NULL,?,?,?)");
    for (const Right& r : rights)
        ins.t(r.object).t(r.principal).i(r.isGroup).i(r.rights).run();
}

void FillRegistry(sqlite3* db)
{
    ExecScript(db, QStringLiteral(
                       "INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System'), (2, NULL, 'Config');\n"
                       "INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES\n"
                       "  (1, 'Version', 'S', '7.6.5 / 7.6.0'),\n"
                       "  (2, 'ExcelExportAuthMethod', 'I4', '1');\n"
                       "INSERT INTO GLBranches (BranchID, BranchName) VALUES (1, 'Main Branch');\n"
                       "INSERT INTO LdMaster (MasterID, MasterName, MasterValue) VALUES (1, 'OpeningLinkedViews', '1');\n"
                       "INSERT INTO LdSQLViewApplications (SQLViewApplicationID, ApplicationName) VALUES\n"
                       "  (1, 'Reporting'), (2, 'Data Warehouse');\n"
                       "INSERT INTO LdColumnFunctions (ColumnFunctionID, ColumnFunction, FunctionTemplate, "
                       "ResultDataType, DisplayTemplate) VALUES\n"
                       "  (1, 'Sum', 'SUM(%COL%)', NULL, 'Sum of %NAME%'),\n"
                       "  (2, 'Average', 'AVG(%COL%)', NULL, 'Average of %NAME%'),\n"
                       "  (3, 'Count', 'COUNT(%COL%)', 'int', 'Count of %NAME%'),\n"
                       "  (4, 'Minimum', 'MIN(%COL%)', NULL, 'Minimum of %NAME%'),\n"
                       "  (5, 'Maximum', 'MAX(%COL%)', NULL, 'Maximum of %NAME%');\n"
                       "INSERT INTO ListDialogTypes (DialogType, SQLSelect, SQLFrom, SQLFromEx, ColumnString, IsProcType) "
                       "VALUES ('Customers', 'SELECT c.CustomerID, c.Name, c.City', 'FROM Customers c', '', "
                       "'Customer,0,City,0,', 0);\n"));
}

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
        {kOrderLines, "LineNo", "Line", "ol.LineNo", "int", 1, false, false, "number", false},
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
         {V("OrderNumber"), V("LineNo"), V("ProductName"), V("Quantity"), V("UnitPrice"), V("ListPrice"),
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
    int tableId;  // 0 for none
    // Links of views: source view, linked view, switched on.
    std::vector<std::array<int, 3>> viewLinks;
};
const std::vector<LinkDef>& Links()
{
    static const std::vector<LinkDef> links = {
        // A customer's orders: no constraint; an extra filter whose value comes from a query.
        {1, kCustomers, kOrders, "CustomerID", "CustomerID", "", "", "", 0, "", 0,
         ">=,OrderDate,SELECT MIN(OrderDate) FROM Orders", 3, 0, {{3, 4, 1}, {3, 10, 1}, {3, 9, 0}, {12, 4, 1}}},
        // A customer's unpaid invoices: only for a row with a customer number; an extra comparison.
        {2, kCustomers, kInvoices, "CustomerID", "CustomerID", "", "", "EXISTS", 2, "", 0, "=,Paid,No", 3, 0,
         {{3, 7, 1}, {3, 11, 0}}},
        // The order's customer, unless the order was cancelled; imports customer columns into orders.
        {3, kOrders, kCustomers, "CustomerID", "CustomerID", "", "", "<>,Status,Cancelled", 5, "", 0, "", 0, 1,
         {{4, 3, 1}, {10, 3, 1}, {9, 3, 0}}},
        // The lines of the order, for the order and its customer (two relation columns), quantities in a range.
        {4, kOrders, kOrderLines, "OrderID", "OrderID", "CustomerID", "CustomerID", "", 0, "", 0,
         "RANGE,Quantity,1,100000", 99, 0, {{4, 5, 1}, {9, 5, 1}, {4, 8, 0}}},
        // Sales of a product that is still sold (allowed values from a query).
        {5, kProducts, kOrderLines, "ProductID", "ProductID", "", "", "SELECT ProductID FROM Products WHERE Discontinued = 0",
         1, "", 0, "", 0, 0, {{6, 5, 1}, {6, 8, 0}}},
        // The product of a line sold below its list price (two columns of the row compared).
        {6, kOrderLines, kProducts, "ProductID", "ProductID", "", "", "<,UnitPrice,ListPrice", 4, "", 0, "", 0, 0,
         {{5, 6, 1}}},
        // The order of an invoice, within the dates of all orders (a range from a query); imports order columns.
        {7, kInvoices, kOrders, "OrderID", "OrderID", "", "", "", 0, "", 0,
         "RANGE,OrderDate,SELECT MIN(OrderDate), MAX(OrderDate) FROM Orders", 99, 2, {{7, 4, 1}, {11, 4, 1}}},
    };
    return links;
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
    static const std::vector<SearchDef> searches = {
        {4, "Open Orders", "WHERE ( {Status} = 'Open' )", true, false, "admin"},
        {4, "Big Orders", "WHERE ( {OrderTotal} >= 1000 )", false, false, "jdoe"},
        {4, "Large Lines in 2024",
         "WHERE {OrderDate} >= '2024-01-01' AND {OrderDate} <= '2024-12-31' AND o.OrderID IN "
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
    ExecScript(db, QStringLiteral(
                       "INSERT INTO LdBaseTables (TableID, DisplayName, BaseID, LinkedBaseID, CorrelationSQL) VALUES\n"
                       "  (1, 'Customer', 11, 10, 'c.CustomerID = o.CustomerID'),\n"
                       "  (2, 'Order', 14, 11, 'o.OrderID = i.OrderID');\n"));
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
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,NULL,NULL,?)");
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
            l.tableId ? rel.i(l.tableId) : rel.null();
            rel.run();
            for (const auto& [from, to, useMe] : l.viewLinks) {
                if (BaseOfView(from) != l.base || BaseOfView(to) != l.relatedBase)
                    Fail(QStringLiteral("The demo link %1 joins views of other bases.").arg(l.id));
                viewLink.i(from).i(l.id).i(to).i(useMe ? -1 : 0).run();
            }
        }
    }
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

// Builds a view's SQL pieces with the stored procedure Ld_UpdateSQLStmts, as a
// command with its output parameters, on the demo's connection and transaction.
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

}  // namespace

const std::vector<DemoUser>& DemoUsers()
{
    static const std::vector<DemoUser> users = {
        {"admin", "System Administrator", "admin", "administrator"},
        {"asmith", "Alice Smith", "alice", "member of the group 'admins'"},
        {"jdoe", "John Doe", "secret", "ordinary user"},
        {"guest", "Guest User", "guest", "user without the right to see All Views"},
    };
    return users;
}

QString DefaultDemoServer()
{
    return LocalServerName();
}

void FillDemoCompany(sqlite3* db, int64_t orderLines, DemoSummary* summary)
{
    ExecScript(db, QStringLiteral("PRAGMA cache_size = -65536"));
    ExecScript(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        const BusinessCounts n = FillBusiness(db, orderLines);
        FillSecurity(db);
        FillRegistry(db);
        FillViews(db);
        for (int32_t viewId = 1; viewId <= static_cast<int32_t>(Views().size()); ++viewId)
            UpdateSqlStatements(db, viewId);
        ExecScript(db, QStringLiteral("COMMIT"));
        if (summary) {
            summary->customers = n.customers;
            summary->products = n.products;
            summary->orders = n.orders;
            summary->orderLines = n.lines;
            summary->invoices = n.invoices;
            summary->views = static_cast<int>(Views().size());
        }
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    // No ANALYZE: with statistics the planner drives the order lines' joins from the
    // small products table through an index, many times slower than one scan.
}

DemoSummary CreateDemoCompany(const DemoOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    DemoSummary summary;
    summary.server = ResolveServerName(options.server.trimmed().isEmpty() ? DefaultDemoServer() : options.server);
    summary.database = QLatin1String(kDemoDatabaseName);
    if (options.orderLines < 1 || options.orderLines > 50000000)
        Fail(QStringLiteral("The number of order lines must lie between 1 and 50000000."));

    const bool serverExisted = ServerExists(summary.server);
    if (serverExisted && !CompanyDatabaseName(summary.server, QLatin1String(kDemoCompanyID)).isEmpty()) {
        if (!options.replace)
            Fail(QStringLiteral("The server '%1' has the demo company '%2' already.")
                     .arg(summary.server, QLatin1String(kDemoCompanyID)));
        DropCompany(summary.server, QLatin1String(kDemoCompanyID));
    }
    if (serverExisted && !FindDatabaseFile(summary.server, summary.database).isEmpty())
        Fail(QStringLiteral("The server '%1' has a database '%2' of another company.").arg(summary.server,
                                                                                        summary.database));
    if (!serverExisted)
        CreateServer(summary.server, QLatin1String(kDemoExecutivePassword), QLatin1String(kDemoReadOnlyPassword));
    CreateCompany(summary.server, QLatin1String(kDemoCompanyID), QLatin1String(kDemoCompanyName), summary.database);
    sqlite3* db = nullptr;
    try {
        db = OpenServerDatabase(summary.server, summary.database, false);
        // The file is new and is removed when filling fails: no journal is needed
        // while it is filled, only afterwards.
        ExecScript(db, QStringLiteral("PRAGMA journal_mode = OFF"));
        ExecScript(db, QStringLiteral("PRAGMA synchronous = OFF"));
        FillDemoCompany(db, options.orderLines, &summary);
        ExecScript(db, QStringLiteral("PRAGMA synchronous = FULL"));
        ExecScript(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        sqlite3_close_v2(db);
    } catch (...) {
        sqlite3_close_v2(db);
        try {
            DropCompany(summary.server, QLatin1String(kDemoCompanyID));
        } catch (...) {
        }
        throw;
    }
    summary.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return summary;
}

}  // namespace erpdb
