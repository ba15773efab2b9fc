// The demo company's business data, security and registry.
#include "db/DemoParts.h"

#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"

#include <array>
#include <cmath>
#include <random>

namespace erpdb::demo {

namespace {

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
    LineNumber  INTEGER NOT NULL,
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

}  // namespace

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
        Insert line(db, "INSERT INTO OrderLines (OrderID, LineNumber, ProductID, Quantity, UnitPrice, Discount, LineTotal) "
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

namespace {

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


}  // namespace

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

}  // namespace erpdb::demo
