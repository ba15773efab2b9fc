// What a real SQL Server receives for ordinary read queries: the query as
// written (nothing translated, its texts as they stand), refused only when it is not
// one query by T-SQL's reading, and wrapped for pages, counts and positions so
// that any query the server runs alone may be wrapped. The SQLite driver stands
// in for the server under the SQL Server dialect: it receives the texts, refuses
// what SQLite does not read, and the texts it received are compared here.
//
// With QUILLON_TSQL_RECORD naming a file, every text is written to it, batches
// parted by "GO", for the check by a T-SQL grammar (tests/tsql-grammar).

#include "base/AppError.h"
#include "base/SqlText.h"
#include "db/ClientOdbcConfig.h"
#include "db/DemoCompany.h"
#include "db/SqlServerScripts.h"
#include "platform/controls/FilterControl.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcReadConnection.h"
#include "platform/database/OdbcServers.h"
#include "platform/database/OdbcTsqlReading.h"
#include "platform/database/SqlFence.h"
#include "platform/database/SqliteBackend.h"

#include "TsqlRecord.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct ReadCase {
    const char* query;
    int columns;
    const char* sent;  // what the server receives; nullptr: the query as it is
};

// Ordinary queries of views, searches, statistics and exports on a SQL Server.
const ReadCase kReads[] = {
    {"SELECT o.OrderID, CONVERT(varchar(10), o.OrderDate, 103) AS OrderDay FROM dbo.Orders o", 2, nullptr},
    {"SELECT OrderID, CONVERT(char(8), OrderDate, 112) AS Ymd, CAST(OrderDate AS date) AS Day FROM Orders", 3, nullptr},
    {"SELECT TOP (10) PERCENT OrderID, OrderTotal FROM Orders ORDER BY OrderTotal DESC", 2, nullptr},
    {"SELECT TOP (5) WITH TIES OrderID, OrderTotal FROM Orders ORDER BY OrderTotal DESC", 2, nullptr},
    {"SELECT c.CustomerID, c.Name, x.Orders FROM Customers c CROSS APPLY (SELECT COUNT(*) AS Orders FROM Orders o "
     "WHERE o.CustomerID = c.CustomerID) x",
     3, nullptr},
    {"SELECT c.CustomerID, l.OrderDate FROM Customers c OUTER APPLY (SELECT TOP 1 o.OrderDate FROM Orders o WHERE "
     "o.CustomerID = c.CustomerID ORDER BY o.OrderDate DESC) l",
     2, nullptr},
    {"SELECT OrderID, ROW_NUMBER() OVER (PARTITION BY CustomerID ORDER BY OrderDate) AS n FROM Orders", 2, nullptr},
    {"SELECT OrderID, SUM(OrderTotal) OVER (PARTITION BY CustomerID) AS CustomerTotal, RANK() OVER (ORDER BY "
     "OrderTotal DESC) AS r FROM Orders",
     3, nullptr},
    {"WITH big AS (SELECT CustomerID, SUM(OrderTotal) AS Total FROM Orders GROUP BY CustomerID) SELECT c.CustomerID, "
     "c.Name, b.Total FROM Customers c JOIN big b ON b.CustomerID = c.CustomerID",
     3, nullptr},
    {"WITH a (CustomerID, n) AS (SELECT CustomerID, COUNT(*) FROM Orders GROUP BY CustomerID), b AS (SELECT * FROM a "
     "WHERE n > 1) -- two or more\nSELECT CustomerID, n FROM b ORDER BY n DESC",
     2, nullptr},
    {"SELECT c.CustomerID, STUFF((SELECT ', ' + o.OrderNumber FROM Orders o WHERE o.CustomerID = c.CustomerID FOR "
     "XML PATH('')), 1, 2, '') AS Numbers FROM Customers c",
     2, nullptr},
    {"SELECT CustomerID, LEFT(Name, 3) AS a, RIGHT(Name, 2) AS b, LEN(Name) AS c, CHARINDEX('x', Name) AS d, "
     "LTRIM(RTRIM(REPLACE(Name, '-', ' '))) AS e FROM Customers",
     6, nullptr},
    {"SELECT OrderID, DATEADD(day, 30, OrderDate) AS Due, DATEDIFF(day, OrderDate, GETDATE()) AS Age, "
     "DATEPART(quarter, OrderDate) AS Q, EOMONTH(OrderDate) AS MonthEnd FROM Orders",
     5, nullptr},
    {"SELECT OrderID, IIF(OrderTotal > 1000, 'large', 'small') AS Size FROM Orders", 2, nullptr},
    {"SELECT OrderID, TRY_CONVERT(int, OrderNumber) AS n, TRY_CAST(Status AS int) AS s FROM Orders", 3, nullptr},
    {"SELECT [Order ID] = o.OrderID, o.[Status] AS [Order Status], o.[Weird]]Name] FROM [dbo].[Orders] AS o", 3,
     nullptr},
    {"SELECT CustomerID, Name FROM Customers WHERE Name LIKE N'\u0141\u00f3d\u017a%'", 2, nullptr},
    {"SELECT CustomerID, Name FROM Customers WHERE City = 'Z\u00fcrich' AND Name <> 'O''Neil'", 2, nullptr},
    // a view column shown as "ID" beside the key alias, and unnamed expressions
    {"SELECT o.OrderID AS ID, o.OrderID AS ID, o.OrderNumber FROM Orders o", 3, nullptr},
    {"SELECT OrderID, OrderTotal * 1.2, COUNT(*) OVER () FROM Orders", 3, nullptr},
    {"SELECT OrderID, CASE WHEN Status = 'O' THEN 'Open' ELSE 'Closed' END AS State FROM Orders", 2, nullptr},
    {"SELECT CustomerID, COALESCE(Phone, Email, '') AS Contact, ISNULL(City, '?') AS City FROM Customers", 3, nullptr},
    {"SELECT OrderID, FORMAT(OrderDate, 'yyyy-MM') AS Month, CONCAT(OrderNumber, ' / ', Status) AS Label FROM Orders",
     3, nullptr},
    {"SELECT CustomerID, STRING_AGG(OrderNumber, ',') WITHIN GROUP (ORDER BY OrderNumber) AS Numbers FROM Orders GROUP "
     "BY CustomerID HAVING COUNT(*) > 1",
     2, nullptr},
    {"SELECT CustomerID, Name FROM Customers UNION ALL SELECT SupplierID, Name FROM Suppliers ORDER BY Name", 2,
     nullptr},
    {"SELECT c.CustomerID FROM Customers c WHERE EXISTS (SELECT 1 FROM Orders o WHERE o.CustomerID = c.CustomerID) "
     "AND c.CustomerID IN (SELECT CustomerID FROM Invoices)",
     1, nullptr},
    {"SELECT o.OrderID, o.Status FROM Orders o WITH (NOLOCK) WHERE o.OrderDate >= '20240101'", 2, nullptr},
    {"SELECT OrderID, OrderTotal FROM Orders ORDER BY OrderTotal OFFSET 10 ROWS FETCH NEXT 20 ROWS ONLY", 2, nullptr},
    {"SELECT DISTINCT CustomerID, CHOOSE(DATEPART(weekday, OrderDate), 'Sun', 'Mon') AS Day, DATEFROMPARTS(2024, 1, "
     "1) AS First FROM Orders",
     3, nullptr},
    {"SELECT OrderID /* shown /* as written */ SELECT 2 */ FROM Orders -- SELECT 3", 1, nullptr},
    // query hints, which end the statement
    {"SELECT OrderID, OrderTotal FROM Orders WHERE OrderTotal > 10 OPTION (RECOMPILE, MAXDOP 1)", 2, nullptr},
    {"WITH t AS (SELECT OrderID FROM Orders) SELECT OrderID FROM t ORDER BY OrderID OPTION (OPTIMIZE FOR UNKNOWN)", 1,
     nullptr},
    // join hints: MERGE here is no statement
    {"SELECT o.OrderID, c.Name FROM Orders o INNER MERGE JOIN Customers c ON c.CustomerID = o.CustomerID", 2, nullptr},
    {"SELECT o.OrderID, c.Name FROM Orders o LEFT OUTER HASH JOIN Customers c ON c.CustomerID = o.CustomerID "
     "INNER LOOP JOIN Invoices i ON i.OrderID = o.OrderID FULL MERGE JOIN Suppliers s ON s.Name = c.Name",
     2, nullptr},
    {"SELECT o.OrderID FROM Orders o inner remote join Customers c ON c.CustomerID = o.CustomerID", 1, nullptr},
    // an order after UNION is the whole query's, whatever the TOP of its last part
    {"SELECT CustomerID, Name FROM Customers UNION SELECT TOP 5 SupplierID, Name FROM Suppliers ORDER BY Name", 2,
     nullptr},
    // a reserved keyword after a dot is a name, an unreserved one a name anywhere
    {"SELECT t.[Open], t.Open, Move AS Get FROM Tasks t", 3, nullptr},
    // a query in parentheses, and joined to another
    {"(SELECT OrderID FROM Orders) UNION (SELECT OrderID FROM Orders WHERE OrderID > 1)", 1, nullptr},
    // the ";" that may end a query is not sent into the wrappers
    {"SELECT OrderID FROM Orders; -- all", 1, "SELECT OrderID FROM Orders  -- all"},
    {";WITH t AS (SELECT OrderID FROM Orders) SELECT OrderID FROM t", 1,
     " WITH t AS (SELECT OrderID FROM Orders) SELECT OrderID FROM t"},
};

// Texts that are not one query by T-SQL's reading.
const char* const kNotOneQuery[] = {
    "SELECT 1 SELECT 2",
    "SELECT 1; SELECT 2",
    "SELECT * FROM Orders DELETE FROM Orders",
    "SELECT * FROM Orders; DROP TABLE Orders",
    "WITH x AS (SELECT 1 AS a) DELETE FROM Orders",
    "SELECT * INTO Copy FROM Orders",
    "SELECT 1 EXEC('DROP TABLE Orders')",
    "SELECT 1 WAITFOR DELAY '00:00:10'",
    "EXEC sp_who",
    "UPDATE Orders SET Status = 'x'",
    "SELECT 1 WITH x AS (SELECT 2 AS b) SELECT * FROM x",
    "(SELECT 1) SELECT 2",
    ";SELECT 1; SELECT 2",
    "SELECT 'open",
    "SELECT 1 /* open /* nested */",
    "SELECT [open FROM t",
    "SELECT (1",
    "",
    "SELECT 1 MERGE INTO Orders USING Orders s ON 1 = 0 WHEN NOT MATCHED THEN INSERT DEFAULT VALUES",
    "SELECT 1 MERGE Orders AS t USING Orders AS s ON 1 = 0 WHEN MATCHED THEN DELETE",
};

// How a batch with its own transaction handling ends, after its statements.
const QString kBatchEnd = QStringLiteral(
    "    IF @quillon_outer = 1 AND @@TRANCOUNT > 0 COMMIT TRANSACTION;\n"
    "END TRY\n"
    "BEGIN CATCH\n"
    "    IF ERROR_NUMBER() = 266 AND @@TRANCOUNT = 0 THROW 50000, '%1 ended the transaction it was called in: its "
    "work was rolled back.', 1;\n"
    "    IF @quillon_outer = 1 AND @@TRANCOUNT > 0 ROLLBACK TRANSACTION;\n"
    "    ELSE IF @quillon_outer = 0 AND XACT_STATE() = 1 ROLLBACK TRANSACTION quillon_batch_1;\n"
    "    THROW;\n"
    "END CATCH;\n");
// The batch's end when it calls the procedure.
QString BatchEnd(const QString& procedure)
{
    return kBatchEnd.arg(QStringLiteral("The procedure ") + procedure);
}

// A common table expression begun inside parentheses.
const QRegularExpression kNestedWith(QStringLiteral("\\(\\s*WITH\\s+\\w+\\s*(\\([^()]*\\)\\s*)?AS\\s*\\("),
                                     QRegularExpression::CaseInsensitiveOption);

// OPTION (...) followed by a ")" or more of the statement.
const QRegularExpression kInnerHints(QStringLiteral("\\bOPTION\\s*\\((?:[^()]|\\([^()]*\\))*\\)\\s*\\S"),
                                     QRegularExpression::CaseInsensitiveOption);

class SqlServerSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Reads.sqlite"));
        SqliteBackend::openFile(path)->run(QStringLiteral("CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY)"));
    }

    std::unique_ptr<BrandleReadConnection> open(OdbcBackend** backend)
    {
        auto b = OdbcBackend::openSqliteFile(path, QStringLiteral("SQLPROD"), QStringLiteral("Reads"),
                                             QStringLiteral("coreadonly"), true,
                                             OdbcServerConfig::Dialect::SqlServer);
        b->setSentLogging(true);
        *backend = b.get();
        return MakeOdbcReadConnection(std::move(b));
    }

    // The application login's connection, what it sends logged.
    std::unique_ptr<OdbcBackend> openSession()
    {
        auto b = OdbcBackend::openSqliteFile(path, QStringLiteral("SQLPROD"), QStringLiteral("Reads"),
                                             QStringLiteral("coexecutive"), false, OdbcServerConfig::Dialect::SqlServer);
        b->setSentLogging(true);
        return b;
    }

    static void record(const QStringList& texts) { RecordTsql(texts); }

    QTemporaryDir dir;
    QString path;
};

TEST_F(SqlServerSession, OrdinaryQueriesGoAsWrittenAndAreWrappedWithTheirColumnsNamed)
{
    OdbcBackend* backend = nullptr;
    auto c = open(&backend);
    const BrandleCancelToken token = MakeCancelToken();
    for (const ReadCase& r : kReads) {
        const QString query = QString::fromUtf8(r.query);
        const QString sent = QString::fromUtf8(r.sent ? r.sent : r.query);
        EXPECT_TRUE(tsql::IsSingleQuery(query)) << r.query;
        EXPECT_EQ(tsql::WithoutOuterSemicolons(query), sent) << r.query;
        // The cursor asks the server for the query's columns: the query as written
        // reaches the driver, which (being SQLite) may refuse it; the translator
        // never sees it.
        backend->clearSentLog();
        try {
            c->OpenCursor(query, {BrandleSortKey{r.columns - 1, true}}, token);
        } catch (const AppError& e) {
            EXPECT_FALSE(e.description().contains(QStringLiteral("Unsupported"))) << r.query;
            EXPECT_NE(e.description(), NotASingleQueryMessage()) << r.query;
        }
        ASSERT_FALSE(backend->sentLog().isEmpty()) << r.query;
        EXPECT_EQ(backend->sentLog().front(), sent) << r.query;

        // The wrappers name every column by position, whatever the query's own names.
        const QString names = tsql::ColumnNames(r.columns);
        const QString page = OdbcPageQuery(sent, r.columns, {BrandleSortKey{r.columns - 1, true}}, 100, 50);
        const QString count = tsql::CountQuery(sent, r.columns);
        const QString position = tsql::IdPositionQuery(sent, r.columns, {BrandleSortKey{0, false}}, 7);
        // a derived table q, or after the query's own common table expressions one more, quillon_q
        const QRegularExpression named(QStringLiteral("(\\) AS q|\\bquillon_q) \\(%1\\)").arg(QRegularExpression::escape(names)));
        EXPECT_TRUE(page.contains(named) && page.contains(QStringLiteral(" ORDER BY "))) << page.toStdString();
        EXPECT_TRUE(count.contains(named) && count.contains(QStringLiteral("SELECT COUNT_BIG(*) FROM "))) << count.toStdString();
        EXPECT_TRUE(position.contains(QStringLiteral("quillon_rows (") + names + QStringLiteral(") AS ("))) << position.toStdString();
        for (const QString& wrapped : {page, count, position}) {
            EXPECT_TRUE(tsql::IsSingleQuery(wrapped)) << wrapped.toStdString();
            // SQL Server takes no WITH inside parentheses (SQLite does, so the
            // driver standing in cannot show it).
            EXPECT_FALSE(wrapped.contains(kNestedWith)) << wrapped.toStdString();
            // nor query hints anywhere but at the end of the statement
            EXPECT_FALSE(wrapped.contains(kInnerHints)) << wrapped.toStdString();
        }
        record({sent, page, count, position});
    }
}

// A query with an order of its own, as a SQL Server receives its pages and its
// count: the row id the last key of its order (each page is a statement of its
// own, and tied rows need not come in the same order twice), counted with
// COUNT_BIG, paged with OFFSET ... FETCH where OFFSET may stand, as written
// (read past) where it may not; the count reads it as the pages do.
TEST_F(SqlServerSession, OrdinaryQueriesWithOrdersOfTheirOwnArePagedWithTheRowIdLast)
{
    // 30 customers under three names; the suppliers as many again
    SqliteBackend::openFile(path)->run(QStringLiteral(
        "CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CustomerName varchar(40));\n"
        "CREATE TABLE Suppliers (SupplierID INTEGER PRIMARY KEY, CustomerName varchar(40));\n"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)\n"
        "INSERT INTO Customers SELECT i * 7 % 31, 'c' || (i % 3) FROM n;\n"
        "INSERT INTO Suppliers SELECT CustomerID + 100, CustomerName FROM Customers"));
    struct Case {
        const char* query;
        const char* page;   // the second page of ten
        const char* inner;  // the query inside the count's derived table
    };
    const Case cases[] = {
        {"SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName",
         "SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName, 1\nOFFSET 10 ROWS FETCH NEXT 10 ROWS ONLY",
         "SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName\nOFFSET 0 ROWS"},
        {"SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName DESC, CustomerID",
         "SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName DESC, CustomerID\nOFFSET 10 ROWS FETCH "
         "NEXT 10 ROWS ONLY",
         "SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName DESC, CustomerID\nOFFSET 0 ROWS"},
        // with TOP: no OFFSET may stand beside it; read as written from its first row
        {"SELECT TOP 25 CustomerID, CustomerName FROM Customers ORDER BY CustomerName",
         "SELECT TOP 25 CustomerID, CustomerName FROM Customers ORDER BY CustomerName, 1",
         "SELECT TOP 25 CustomerID, CustomerName FROM Customers ORDER BY CustomerName"},
        // the TOP of the last part of a UNION: the order is the whole query's
        {"SELECT CustomerID, CustomerName FROM Customers UNION SELECT TOP 5 SupplierID, CustomerName FROM Suppliers "
         "ORDER BY CustomerName",
         "SELECT CustomerID, CustomerName FROM Customers UNION SELECT TOP 5 SupplierID, CustomerName FROM Suppliers "
         "ORDER BY CustomerName, 1\nOFFSET 10 ROWS FETCH NEXT 10 ROWS ONLY",
         "SELECT CustomerID, CustomerName FROM Customers UNION SELECT TOP 5 SupplierID, CustomerName FROM Suppliers "
         "ORDER BY CustomerName\nOFFSET 0 ROWS"},
    };
    // The SQLite driver on the file, the texts translated for it: the rows come
    // back, and the log holds what a SQL Server receives.
    auto b = OdbcBackend::openSqliteFile(path, QStringLiteral("SQLPROD"), QStringLiteral("Reads"),
                                         QStringLiteral("coreadonly"), true);
    b->setSentLogging(true);
    OdbcBackend* backend = b.get();
    auto c = MakeOdbcReadConnection(std::move(b));
    const BrandleCancelToken token = MakeCancelToken();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.query);
        const QString query = QString::fromLatin1(k.query);
        QString page;
        QString count;
        if (query.contains(QStringLiteral("UNION"))) {
            // (the translation for SQLite refuses TOP in a part of a UNION)
            page = OdbcPageQuery(tsql::WithRowIdLast(query, QStringLiteral("CustomerID")), 2, {}, 10, 10);
            count = tsql::CountQuery(query, 2);
        } else {
            auto cursor = c->OpenCursor(query, {}, token);
            EXPECT_EQ(cursor->Fetch(10).size(), 10u);
            backend->clearSentLog();
            EXPECT_EQ(cursor->Fetch(10).size(), 10u);
            ASSERT_EQ(backend->sentLog().size(), 1);
            page = backend->sentLog().front();
            c->CountRows(query, token);
            count = backend->sentLog().back();
        }
        EXPECT_EQ(page, QString::fromLatin1(k.page));
        EXPECT_TRUE(tsql::IsSingleQuery(page)) << page.toStdString();
        EXPECT_EQ(count, QStringLiteral("SELECT COUNT_BIG(*) FROM (\n") + QString::fromLatin1(k.inner) +
                             QStringLiteral("\n) AS q (c0, c1)"));
        record({page, count});
    }
    // Sorted by the list, a query whose own order chooses its rows (TOP) runs again
    // for every page: its order too ends in the row id, so that each page is cut
    // from the same rows.
    auto cursor = c->OpenCursor(QString::fromLatin1(cases[2].query), {BrandleSortKey{1, true}}, token);
    EXPECT_EQ(cursor->Fetch(10).size(), 10u);
    backend->clearSentLog();
    EXPECT_EQ(cursor->Fetch(10).size(), 10u);
    ASSERT_EQ(backend->sentLog().size(), 1);
    EXPECT_EQ(backend->sentLog().front().toStdString(),
              QStringLiteral("SELECT * FROM (\nSELECT TOP 25 CustomerID, CustomerName FROM Customers ORDER BY "
                             "CustomerName, 1\n) AS q (c0, c1) ORDER BY 2 DESC, 1 OFFSET 10 ROWS FETCH NEXT 10 ROWS ONLY")
                  .toStdString());
    record({backend->sentLog().front()});
}

// The demo company's views as the list sends them (its stored select list, FROM
// and extended FROM clauses): each one query by T-SQL's reading; recorded for
// the grammar too.
TEST_F(SqlServerSession, TheDemosViewsAreEachOneQuery)
{
    sqlite3* demo = erpdb::DemoCompanyInMemory();
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(demo,
                                 "SELECT SQLSelect || ' ' || SQLFrom || ' ' || IFNULL(SQLFromEx, '') "
                                 "FROM LdViews WHERE SQLSelect IS NOT NULL",
                                 -1, &st, nullptr),
              SQLITE_OK);
    QStringList recorded;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString query = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        EXPECT_TRUE(tsql::IsSingleQuery(query)) << query.toStdString();
        recorded << query;
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(demo);
    EXPECT_GE(recorded.size(), 10);
    record(recorded);
}

TEST_F(SqlServerSession, WhatIsNotOneQueryIsRefusedBeforeItIsSent)
{
    OdbcBackend* backend = nullptr;
    auto c = open(&backend);
    const BrandleCancelToken token = MakeCancelToken();
    for (const char* text : kNotOneQuery) {
        const QString query = QString::fromUtf8(text);
        EXPECT_FALSE(tsql::IsSingleQuery(query)) << text;
        backend->clearSentLog();
        try {
            c->CountRows(query, token);
            ADD_FAILURE() << "counted: " << text;
        } catch (const AppError& e) {
            EXPECT_EQ(e.description(), QStringLiteral("Only a single query that does not change the database may run here."))
                << text;
        }
        EXPECT_TRUE(backend->sentLog().isEmpty()) << text;
    }
}

TEST_F(SqlServerSession, ACountAsksForTheColumnsThenCountsThemUnderNamesOfItsOwn)
{
    OdbcBackend* backend = nullptr;
    auto c = open(&backend);
    const BrandleCancelToken token = MakeCancelToken();
    // SQLite reads the query, so its columns are known; the count's derived table
    // with named columns is T-SQL that SQLite refuses, after it was sent.
    const QString query = QStringLiteral("SELECT OrderID AS ID, OrderID AS ID, OrderID + 1 FROM Orders");
    try {
        c->CountRows(query, token);
    } catch (const AppError&) {
    }
    EXPECT_EQ(backend->sentLog(), (QStringList{query, QStringLiteral("SELECT COUNT_BIG(*) FROM (\n") + query +
                                                          QStringLiteral("\n) AS q (c0, c1, c2)")}));
}

// A connection to a SQL Server sets the session options first, in one batch. The
// SQLite driver, given the connection string a SQL Server gets, shows it by
// refusing that batch (it takes one statement at a time), the only text sent.
TEST_F(SqlServerSession, AConnectionSetsTheSessionOptionsFirst)
{
    OdbcServerConfig config;
    config.driver = QStringLiteral("SQLite3");
    config.host = QStringLiteral("sqlhost");
    try {
        OdbcBackend::openSqlServer(config, QStringLiteral("SQLPROD"), path, QStringLiteral("coexecutive"),
                                   QStringLiteral("pw"));
        ADD_FAILURE() << "the SQLite driver took the session options";
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("only one SQL statement allowed"));
    }
}

TEST_F(SqlServerSession, TheServerVersionIsAskedOverTheSessionsConnectionWithoutALogonOfItsOwn)
{
    // A driver that is not there: a logon of the version's own would fail, and
    // the session's connection (the SQLite driver) answers without one.
    OdbcServerConfig config;
    config.driver = QStringLiteral("NoSuchDriver");
    config.host = QStringLiteral("sqlprod\\ERP");
    erpdb::WriteClientOdbcServer(QStringLiteral("SQLVERSION"), config);
    BrandleDatabase db;
    Variant v1, v2, v3;
    EXPECT_TRUE(db.GetServerVersion(QStringLiteral("SQLVERSION"), QStringLiteral("coreadonly"), QStringLiteral("mipvel"),
                                    v1, v2, v3)
                    .isEmpty());
    auto backend = OdbcBackend::openSqliteFile(path, QStringLiteral("SQLVERSION"), QStringLiteral("Reads"),
                                               QStringLiteral("coexecutive"), false,
                                               OdbcServerConfig::Dialect::SqlServer);
    OdbcBackend* session = backend.get();
    session->setSentLogging(true);
    db.OpenBackend(std::move(backend));
    db.GetServerVersion(QStringLiteral("sqlversion"), QStringLiteral("coreadonly"), QStringLiteral("mipvel"), v1, v2, v3);
    EXPECT_EQ(session->sentLog(), QStringList{QStringLiteral("SELECT @@VERSION")});
    // another server's version is not asked of this one
    session->clearSentLog();
    db.GetServerVersion(QStringLiteral("OTHER"), QStringLiteral("coreadonly"), QStringLiteral("mipvel"), v1, v2, v3);
    EXPECT_TRUE(session->sentLog().isEmpty());
}

// What the program writes goes to a SQL Server as written: its text literals as
// QuoteSQLString wrote them ('...', or N'...' for a text the database's code page
// cannot hold). A statement alone goes as it is; a call by its text or several
// statements go as one batch with their transaction handling, one round trip
// (no SELECT @@TRANCOUNT, BEGIN and COMMIT of their own). Over the stand-in the
// texts reach the driver, which refuses their T-SQL.
TEST_F(SqlServerSession, WritesGoAsWrittenAndInOneBatchWithTheirTransactionHandling)
{
    auto backend = openSession();
    OdbcBackend* session = backend.get();
    const QString one = QStringLiteral("UPDATE LdViews SET DisplayName = N'\u0141\u00f3d\u017a' WHERE Code = 'C1'");
    EXPECT_THROW(session->run(one), AppError);
    EXPECT_EQ(session->sentLog(), QStringList{one});

    session->clearSentLog();
    EXPECT_THROW(session->run(QStringLiteral("EXEC ListDialogTypes_Load 'Z\u00fcrich' -- by its name")), AppError);
    EXPECT_EQ(session->sentLog(),
              QStringList{QStringLiteral(
                  "DECLARE @quillon_outer bit = CASE WHEN @@TRANCOUNT = 0 THEN 1 ELSE 0 END;\n"
                  "IF @quillon_outer = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION quillon_batch_1;\n"
                  "BEGIN TRY\n"
                  "EXEC ListDialogTypes_Load 'Z\u00fcrich' -- by its name\n") + BatchEnd(QStringLiteral("ListDialogTypes_Load"))});

    session->clearSentLog();
    const QString two = QStringLiteral("INSERT INTO LdViewFilters (FilterName) VALUES (N'\u010cesk\u00e9 ''x''')\n"
                                       "UPDATE LdViews SET SQLViewName = 'v' WHERE ViewID = 1");
    EXPECT_THROW(session->run(two), AppError);
    ASSERT_EQ(session->sentLog().size(), 1);
    EXPECT_TRUE(session->sentLog().front().contains(QStringLiteral("BEGIN TRY\n") + two + QStringLiteral("\n")))
        << session->sentLog().front().toStdString();
    // several statements call no one procedure the message could name
    EXPECT_TRUE(session->sentLog().front().endsWith(
        kBatchEnd.arg(QStringLiteral("A procedure the statements call"))
            .replace(QStringLiteral("quillon_batch_1"), QStringLiteral("quillon_batch_2"))))
        << session->sentLog().front().toStdString();
}

// The site's own SQL (a typed query, a stored search, a view's pieces, a link's
// stored query) reaches a SQL Server exactly as written; the program's literals
// go as '...' when the database's code page holds every character, so that a
// varchar column is compared as it is and its index seeks, and as N'...' only
// for a text with a character outside it, which would otherwise become "?".
TEST_F(SqlServerSession, TheSitesSqlGoesAsWrittenAndThePanesLiteralsInTheDatabasesCodePage)
{
    OdbcBackend* backend = nullptr;
    auto c = open(&backend);
    const BrandleCancelToken token = MakeCancelToken();
    const auto sent = [&](const QString& query) {
        backend->clearSentLog();
        try {
            c->OpenCursor(query, {BrandleSortKey{0, false}}, token);
        } catch (const AppError&) {
            // T-SQL the stand-in does not read, refused after it was sent
        }
        return backend->sentLog().isEmpty() ? QString() : backend->sentLog().front();
    };
    const QString typed = QStringLiteral(
        "SELECT OrderID, HASHBYTES('MD5', 'x') AS h, DATALENGTH('x') AS n, CAST('abc' AS varbinary(10)) AS b "
        "FROM Orders WHERE CAST(OrderID AS varchar(10)) <> 'C00001'");
    EXPECT_EQ(sent(typed), typed);

    // A search of the filter pane on a text column, in and out of Windows-1252.
    struct Case {
        const char* value;
        const char* literal;
    };
    const Case cases[] = {
        {"C00001", "'C00001'"},
        {"Z\u00fcrich \u20ac5", "'Z\u00fcrich \u20ac5'"},
        {"O'Neil", "'O''Neil'"},
        {"\u0141\u00f3d\u017a", "N'\u0141\u00f3d\u017a'"},
        {"\u041c\u043e\u0441\u043a\u0432\u0430 O'Neil", "N'\u041c\u043e\u0441\u043a\u0432\u0430 O''Neil'"},
        {"\U0001F600", "N'\U0001F600'"},
    };
    ASSERT_EQ(SqlTextCodePage(), kAnsiCodePage);
    for (const Case& k : cases) {
        FILTERLib::Filter pane;
        pane.AddField(QStringLiteral("Code"), QStringLiteral("o.Code"), Variant(QStringLiteral("varchar")), Variant(0));
        pane.RefreshLayout();
        ASSERT_TRUE(pane.SetRow(0, 0, FILTERLib::Filter::Op::Equals, QString::fromUtf8(k.value), QString()));
        const QString where = pane.WhereText();
        EXPECT_EQ(where, QStringLiteral("WHERE ( o.Code = ") + QString::fromUtf8(k.literal) + QStringLiteral(" )"));
        const QString query = QStringLiteral("SELECT o.OrderID FROM Orders o ") + where;
        EXPECT_EQ(sent(query), query) << k.value;
        record({query});
    }
}

// A call is one batch: no SELECT @@TRANCOUNT, BEGIN and COMMIT around it. Over
// the stand-in the batch reaches the driver, which refuses its T-SQL.
TEST_F(SqlServerSession, ACallIsOneBatchWithItsTransactionHandlingAndItsOutputsSelectedLast)
{
    auto backend = openSession();
    OdbcBackend* session = backend.get();
    BrandleCommand command;
    command.Init(QStringLiteral("Co_GetRegValue"), 5);
    command.AddParameter(QStringLiteral("@vi_ParentID"), adInteger, adParamInput, 0, Variant(Null));
    command.AddParameter(QStringLiteral("@vs_SubKey"), adVarChar, adParamInput, 255, Variant(QStringLiteral("Config")));
    command.AddParameter(QStringLiteral("@vs_Name"), adVarChar, adParamInput, 50, Variant(QStringLiteral("Z\u00fcrich")));
    command.AddParameter(QStringLiteral("@rs_Type"), adChar, adParamOutput, 2);
    command.AddParameter(QStringLiteral("@rs_Value"), adVarChar, adParamOutput, 255);
    EXPECT_THROW(session->runProcedure(command), AppError);
    const QString batch = QStringLiteral(
        "DECLARE @quillon_outer bit = CASE WHEN @@TRANCOUNT = 0 THEN 1 ELSE 0 END;\n"
        "DECLARE @quillon_out4 nchar(2);\n"
        "DECLARE @quillon_out5 nvarchar(255);\n"
        "IF @quillon_outer = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION quillon_batch_1;\n"
        "BEGIN TRY\n"
        "    EXEC Co_GetRegValue ?, ?, ?, @quillon_out4 OUTPUT, @quillon_out5 OUTPUT;\n") +
        BatchEnd(QStringLiteral("Co_GetRegValue")) + QStringLiteral("SELECT @quillon_out4, @quillon_out5;\n");
    EXPECT_EQ(session->sentLog(), QStringList{batch});
    // Inside the caller's transaction the same batch takes a savepoint of its
    // own. A batch stopped past its CATCH (here refused; on a SQL Server also by
    // the timeout or Cancel) leaves its work in that transaction: it is rolled
    // back to the savepoint.
    session->clearSentLog();
    session->begin(0);
    EXPECT_THROW(session->runProcedure(command), AppError);
    const QString inner = QString(batch).replace(QStringLiteral("quillon_batch_1"), QStringLiteral("quillon_batch_2"));
    EXPECT_EQ(session->sentLog(),
              (QStringList{QStringLiteral("BEGIN TRANSACTION"), inner,
                           QStringLiteral("IF XACT_STATE() = 1 ROLLBACK TRANSACTION quillon_batch_2")}));
    // the same for statements run as one batch
    session->clearSentLog();
    EXPECT_THROW(session->run(QStringLiteral("EXEC Ld_DeleteView 7")), AppError);
    ASSERT_EQ(session->sentLog().size(), 2);
    EXPECT_EQ(session->sentLog().back(), QStringLiteral("IF XACT_STATE() = 1 ROLLBACK TRANSACTION quillon_batch_3"));

    // the batch keeps our own T-SQL rules
    EXPECT_EQ(erpdb::TsqlScriptProblems(batch), QStringList());
    // a call without outputs selects nothing after it
    BrandleCommand plain;
    plain.Init(QStringLiteral("Ld_DeleteView"), 1);
    plain.AddParameter(QStringLiteral("@ViewID"), adInteger, adParamInput, 0, Variant(7));
    EXPECT_TRUE(tsql::CallBatch(plain, 3).endsWith(QStringLiteral("END CATCH;\n")));
}

}  // namespace
