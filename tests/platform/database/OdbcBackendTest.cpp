// The ODBC back end beyond what the database interface's own tests cover on
// both back ends: the T-SQL a SQL Server receives (statements, batches,
// transactions, call escapes, pages and counts), connection strings, the client
// configuration that sends a server through ODBC, the list control's read-only
// connections over ODBC, the read-only login's connection that a user's query
// runs on, and the hand-off of driver calls to the connection's thread.

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "db/ClientOdbcConfig.h"
#include "db/EmbeddedServer.h"
#include "platform/controls/ControlsTestSupport.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedures.h"
#include "platform/database/LockWait.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcCallThread.h"
#include "platform/database/OdbcHandles.h"
#include "platform/database/OdbcReadConnection.h"
#include "platform/database/OdbcTsqlReading.h"
#include "platform/database/SqlFence.h"
#include "platform/database/SqliteBackend.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

using namespace controlstest;

namespace {

AppError ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e;
    }
    return AppError(0, QStringLiteral("no error"));
}

class OdbcStatementsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegisterHostProcedure({QStringLiteral("odbc_Sum"), 3, 3, [](ProcedureCall& call) {
                                   if (call.arg(0).isNull())
                                       throw AppError(kDatabaseErrorNumber, QStringLiteral("@a must not be NULL"));
                                   sqlite3_exec(call.db, "INSERT INTO Items (Name) VALUES ('summed')", nullptr,
                                                nullptr, nullptr);
                                   call.outputs[2] = Variant(call.arg(0).toInt32() + call.arg(1).toInt32());
                               }});
        path = dir.filePath(QStringLiteral("Company.sqlite"));
        SqliteBackend::openFile(path)->run(
            QStringLiteral("CREATE TABLE Items (ItemID INTEGER PRIMARY KEY AUTOINCREMENT, Name varchar(50))"));
        auto backend = OdbcBackend::openSqliteFile(path, QStringLiteral("TEST"), QStringLiteral("Company"),
                                                   QStringLiteral("coexecutive"));
        odbc = backend.get();
        odbc->setSentLogging(true);
        db.SetReadOnlyLogin(QStringLiteral("coreadonly"), Enciphered(QStringLiteral("read")));
        db.OpenBackend(std::move(backend));
    }

    static QString Enciphered(const QString& password) { return CryptText(1, password, SessionCipherKey(), true); }

    int count() { return db.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("Items"), QString()).toInt32(); }

    QTemporaryDir dir;
    QString path;
    BrandleDatabase db;
    OdbcBackend* odbc = nullptr;
};

TEST_F(OdbcStatementsTest, ASqlServerReceivesTheStatementsAsWrittenWithTransactionsAndCallEscapes)
{
    const QString one = QStringLiteral("INSERT INTO Items (Name) VALUES ('a')");
    const QString batch = QStringLiteral("INSERT INTO Items (Name) VALUES ('b')\r\nINSERT INTO Items (Name) VALUES ('c')");
    const QString failing = QStringLiteral("INSERT INTO Items (Name) VALUES ('d')\r\nINSERT INTO Items (Nme) VALUES ('e')");
    int32_t flag = 0;
    db.Execute(one);
    db.Execute(batch);
    EXPECT_NE(ErrorOf([&] { db.Execute(failing); }).number(), 0);
    db.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    db.BeginTrans(QStringLiteral("CoLdUVColumn.Store"), flag);
    db.Execute(batch);
    db.RollbackTrans(QStringLiteral("CoLdUVColumn.Store"), flag);
    db.BeginTrans(QStringLiteral("again"), flag);
    db.CommitTrans(QStringLiteral("again"), flag);
    BrandleCommand sum;
    sum.Init(QStringLiteral("odbc_Sum"), 3);
    sum.AddParameter(QStringLiteral("@a"), adInteger, adParamInput, 0, Variant(int32_t(40)));
    sum.AddParameter(QStringLiteral("@b"), adInteger, adParamInput, 0, Variant(int32_t(2)));
    sum.AddParameter(QStringLiteral("@r_iSum"), adInteger, adParamOutput, 0);
    db.ExecuteCommand(sum);
    EXPECT_EQ(sum.ParameterValue(QStringLiteral("r_iSum")).toInt32(), 42);
    db.CommitTrans(QStringLiteral("CoLdUV.Store"), flag);
    odbc->clearSentLog();
    // ... and outside a transaction, a call that fails
    sum.Parameters()[0].value = Variant(Null);
    EXPECT_EQ(ErrorOf([&] { db.ExecuteCommand(sum); }).description(), QStringLiteral("@a must not be NULL"));
    BrandleRecordsetPtr rs;
    db.OpenReadOnlyRecordset(QStringLiteral("SELECT Name FROM Items WHERE Name LIKE 'a%'"), rs);

    // the user's query on the read-only login's connection, nothing of it on the session's
    EXPECT_EQ(odbc->sentLog(), (QStringList{
                                   QStringLiteral("BEGIN TRANSACTION"),
                                   QStringLiteral("{call odbc_Sum(?, ?, ?)}"),
                                   QStringLiteral("ROLLBACK TRANSACTION"),
                               }));
    EXPECT_EQ(odbc->readOnlySentLog(), QStringList{QStringLiteral("SELECT Name FROM Items WHERE Name LIKE 'a%'")});
    EXPECT_EQ(count(), 4);  // a, b, c and the one call that was committed
}

TEST_F(OdbcStatementsTest, TheSentLogOfANestedTransaction)
{
    const QString batch = QStringLiteral("INSERT INTO Items (Name) VALUES ('b')\r\nINSERT INTO Items (Name) VALUES ('c')");
    const QString failing = QStringLiteral("INSERT INTO Items (Name) VALUES ('d')\r\nINSERT INTO Items (Nme) VALUES ('e')");
    int32_t flag = 0;
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('a')"));
    db.Execute(batch);
    EXPECT_NE(ErrorOf([&] { db.Execute(failing); }).number(), 0);
    db.BeginTrans(QStringLiteral("outer"), flag);
    db.BeginTrans(QStringLiteral("inner"), flag);
    db.Execute(batch);
    db.RollbackTrans(QStringLiteral("inner"), flag);
    db.BeginTrans(QStringLiteral("again"), flag);
    db.CommitTrans(QStringLiteral("again"), flag);
    db.CommitTrans(QStringLiteral("outer"), flag);
    const QStringList expected = {
        QStringLiteral("INSERT INTO Items (Name) VALUES ('a')"),
        QStringLiteral("BEGIN TRANSACTION"), batch, QStringLiteral("COMMIT TRANSACTION"),
        QStringLiteral("BEGIN TRANSACTION"), failing, QStringLiteral("ROLLBACK TRANSACTION"),
        QStringLiteral("BEGIN TRANSACTION"),
        QStringLiteral("SAVE TRANSACTION quillon_tran_1"),
        QStringLiteral("SAVE TRANSACTION quillon_batch_3"), batch,
        QStringLiteral("ROLLBACK TRANSACTION quillon_tran_1"),
        QStringLiteral("SAVE TRANSACTION quillon_tran_1"),  // its commit sends nothing
        QStringLiteral("COMMIT TRANSACTION"),
    };
    EXPECT_EQ(odbc->sentLog(), expected);
    EXPECT_EQ(count(), 3);  // the inner rollback undid exactly the inner batch
}

// The window's thread waits for a driver call in slices (the observer is told of
// each one that passes before the call's end); a call that does not wait must not
// wait out a slice. Hundreds of calls take far less than half a slice each, where
// a hand-off that slept out its slice would take a whole one every call; and they
// tell the observer of few slices. (What a hand-off costs is measured by the list
// benchmark: bench/run-odbc-bench.sh, window_thread_call_us.)
TEST_F(OdbcStatementsTest, ACallOnTheWindowsThreadDoesNotWaitOutASlice)
{
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('a')"));
    const int calls = 300;
    int slices = 0;
    SetLockWaitObserver(LockWaitObserver{[&](int64_t) { return ++slices > 0; }, [] {}});
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < calls; ++i)
        db.DLookup(QStringLiteral("Name"), QStringLiteral("Items"), QStringLiteral("ItemID = 1"));
    const qint64 ms = t.elapsed();
    SetLockWaitObserver({});
    EXPECT_LT(ms, calls * OdbcCallThread::kSliceMs / 2);
    EXPECT_LT(slices, calls / 2);
    // the driver's diagnostics come back to the calling thread
    SetLockWaitObserver(LockWaitObserver{[](int64_t) { return true; }, [] {}});
    EXPECT_TRUE(ErrorOf([&] { db.Execute(QStringLiteral("SELECT * FROM NoSuchTable")); })
                    .description()
                    .contains(QLatin1String("no such table")));
    SetLockWaitObserver({});
    EXPECT_EQ(odbc::LastDiagnostic().nativeError, 1);
}

// A read connection's move is several calls; a cancel that comes between two of
// them, or before the first reaches the driver, must stop the move, while a
// cancel left over from an earlier call must not stop the next one.
TEST_F(OdbcStatementsTest, ACancelWithinAnOperationStopsItsNextCallAndALeftoverOneNothing)
{
    odbc->beginOperation();
    odbc->cancel();
    EXPECT_EQ(ErrorOf([&] { db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('x')")); }).description(),
              QStringLiteral("Operation cancelled"));
    odbc->endOperation();
    EXPECT_EQ(count(), 0);
    odbc->cancel();
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('y')"));
    EXPECT_EQ(count(), 1);
    odbc->beginOperation();  // a new operation starts uncancelled
    EXPECT_EQ(count(), 1);
    odbc->endOperation();
}

TEST_F(OdbcStatementsTest, FailuresCarryTheDriversMessageAndNativeNumber)
{
    const AppError e = ErrorOf([&] { db.Execute(QStringLiteral("SELECT * FROM NoSuchTable")); });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_EQ(e.source(), QStringLiteral("BrandleDatabase"));
    EXPECT_TRUE(e.description().contains(QLatin1String("no such table: NoSuchTable"))) << e.description().toStdString();
    EXPECT_FALSE(e.description().startsWith(QLatin1Char('[')));  // no driver tags
    EXPECT_EQ(odbc::LastDiagnostic().nativeError, 1);  // SQLite's SQLITE_ERROR
    EXPECT_EQ(odbc::StripVendorTags(QStringLiteral("[unixODBC][FreeTDS][SQL Server]Invalid object name 'x'.")),
              QStringLiteral("Invalid object name 'x'."));
}

// A SQL Server may send warnings and messages before the error (a PRINT, a
// change of database context, a NULL left out of an aggregate): the error is
// the failure told, with the server's own message.
TEST(OdbcDiagnostics, TheFailureToldIsTheFirstErrorAfterAnyWarnings)
{
    using odbc::Diagnostic;
    const Diagnostic print{QStringLiteral("01000"), 0, QStringLiteral("checking the order")};
    const Diagnostic context{QStringLiteral("01000"), 5701, QStringLiteral("Changed database context to 'Sales'.")};
    const Diagnostic nulls{QStringLiteral("01003"), 8153,
                           QStringLiteral("Warning: Null value is eliminated by an aggregate or other SET operation.")};
    const Diagnostic missing{QStringLiteral("42S02"), 208, QStringLiteral("Invalid object name 'Ordrs'.")};
    const Diagnostic duplicate{QStringLiteral("23000"), 2627, QStringLiteral("Violation of PRIMARY KEY constraint.")};
    const Diagnostic timeout{QStringLiteral("HYT00"), 0, QStringLiteral("Query timeout expired")};
    struct Case {
        std::vector<Diagnostic> records;
        Diagnostic told;
    };
    const Case cases[] = {
        {{missing}, missing},
        {{context, missing}, missing},
        {{nulls, duplicate, missing}, duplicate},
        {{print, print, nulls, timeout}, timeout},
        {{print}, print},  // nothing but a message: that message
        {{}, Diagnostic()},
    };
    for (const Case& c : cases) {
        const Diagnostic d = odbc::FailureOf(c.records);
        EXPECT_EQ(d.sqlState, c.told.sqlState) << c.records.size();
        EXPECT_EQ(d.nativeError, c.told.nativeError) << c.records.size();
        EXPECT_EQ(d.message, c.told.message) << c.records.size();
    }
}

// An old-style procedure refuses by rolling back the transaction it was called
// in and returning, without an error. The call fails, whether it had a
// transaction of its own or ran in one the program holds (which is then gone,
// with all that was written in it), and the caller's rollback finds nothing
// left to undo.
TEST_F(OdbcStatementsTest, AProcedureThatRollsBackTheTransactionItWasCalledInFails)
{
    RegisterHostProcedure({QStringLiteral("odbc_RefuseOldStyle"), 0, 0, [](ProcedureCall& call) {
                               sqlite3_exec(call.db, "INSERT INTO Items (Name) VALUES ('refused')", nullptr, nullptr,
                                            nullptr);
                               sqlite3_exec(call.db, "ROLLBACK", nullptr, nullptr, nullptr);
                           }});
    const QString message = QStringLiteral(
        "The procedure odbc_RefuseOldStyle ended the transaction it was called in: its work was rolled back.");
    for (const bool held : {false, true}) {
        int32_t flag = 0;
        if (held) {
            db.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
            db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('before')"));
        }
        BrandleCommand refuse;
        refuse.Init(QStringLiteral("odbc_RefuseOldStyle"), 0);
        const AppError e = ErrorOf([&] { db.ExecuteCommand(refuse); });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << held;
        EXPECT_EQ(e.description(), message) << held;
        if (held)
            EXPECT_EQ(ErrorOf([&] { db.RollbackTrans(QStringLiteral("CoLdUV.Store"), flag); }).number(), 0);
        EXPECT_EQ(count(), 0) << held;
        EXPECT_FALSE(odbc->inTransaction()) << held;
    }
}

TEST(OdbcTexts, ConnectionStringsPagesAndCounts)
{
    // Each driver family reads the string its own way: FreeTDS takes Port= and
    // Encryption= and does not undo a doubled "}", Microsoft's drivers take
    // "host,port" and Encrypt=.
    struct Case {
        const char* driver;
        const char* host;
        const char* password;
        const char* options;
        const char* expected;
    };
    const Case cases[] = {
        {"FreeTDS", "sqlhost", "p;w", "TDS_Version=7.4",
         "Driver=FreeTDS;Server=sqlhost;Database=Pelmora;UID=coexecutive;PWD={p;w};TDS_Version=7.4;"},
        {"FreeTDS", "sqlhost\\ERP", "pw}d", "TDS_Version=7.4; Encrypt=no",
         "Driver=FreeTDS;Server=sqlhost\\ERP;Database=Pelmora;UID=coexecutive;PWD=pw}d;TDS_Version=7.4;Encryption=off;"},
        {"FreeTDS", "sqlhost, 1433", "pw", "Encrypt=yes",
         "Driver=FreeTDS;Server=sqlhost;Port=1433;Database=Pelmora;UID=coexecutive;PWD=pw;Encryption=require;"},
        {"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", "sqlhost", "pw", "",
         "Driver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=sqlhost;Database=Pelmora;UID=coexecutive;PWD=pw;"},
        {"ODBC Driver 18 for SQL Server", "sqlhost, 1433", "p;w}d", "Encryption=require;TrustServerCertificate=yes",
         "Driver=ODBC Driver 18 for SQL Server;Server=sqlhost,1433;Database=Pelmora;UID=coexecutive;PWD={p;w}}d};"
         "Encrypt=yes;TrustServerCertificate=yes;"},
        {"ODBC Driver 17 for SQL Server", "sqlhost\\ERP", "pw", "Encrypt=no",
         "Driver=ODBC Driver 17 for SQL Server;Server=sqlhost\\ERP;Database=Pelmora;UID=coexecutive;PWD=pw;Encrypt=no;"},
    };
    for (const Case& c : cases) {
        OdbcServerConfig config;
        config.driver = QString::fromLatin1(c.driver);
        config.host = QString::fromLatin1(c.host);
        config.options = QString::fromLatin1(c.options);
        EXPECT_EQ(SqlServerConnectionString(config, QStringLiteral("Pelmora"), QStringLiteral("coexecutive"),
                                            QString::fromLatin1(c.password)),
                  QString::fromLatin1(c.expected))
            << c.driver << " " << c.password;
    }
    // A password FreeTDS cannot be given is refused in words, not sent mangled.
    for (const char* password : {"p;w}d", "{pw}", " pw} "}) {
        OdbcServerConfig config;
        config.host = QStringLiteral("sqlhost");
        EXPECT_EQ(ErrorOf([&] {
                      SqlServerConnectionString(config, QStringLiteral("Pelmora"), QStringLiteral("coexecutive"),
                                                QString::fromLatin1(password));
                  }).description(),
                  QStringLiteral("The password of login 'coexecutive' holds a \"}\" together with a \";\", a leading "
                                 "\"{\" or blanks at its ends, which the FreeTDS driver cannot be given."))
            << password;
    }
    const QString q = QStringLiteral("SELECT CustomerID, Name FROM Customers -- all");
    EXPECT_EQ(OdbcPageQuery(q, 2, {BrandleSortKey{1, true}}, 100, 50),
              QStringLiteral("SELECT * FROM (\nSELECT CustomerID, Name FROM Customers -- all\n) AS q (c0, c1) ORDER BY 2 DESC, 1 "
                             "OFFSET 100 ROWS FETCH NEXT 50 ROWS ONLY"));
    EXPECT_EQ(OdbcPageQuery(q, 2, {}, 0, 10),
              QStringLiteral("SELECT * FROM (\nSELECT CustomerID, Name FROM Customers -- all\n) AS q (c0, c1) ORDER BY 1 "
                             "OFFSET 0 ROWS FETCH NEXT 10 ROWS ONLY"));
    // a query with its own order keeps it and is paged as it is
    EXPECT_EQ(OdbcPageQuery(QStringLiteral("SELECT a FROM t ORDER BY a"), 1, {}, 10, 5),
              QStringLiteral("SELECT a FROM t ORDER BY a\nOFFSET 10 ROWS FETCH NEXT 5 ROWS ONLY"));
    // An order that comes with its own TOP, OFFSET or FOR XML takes no second
    // OFFSET beside it (SQL Server refuses TOP with OFFSET, and two OFFSETs), and a
    // wrapper would lose the order: such a query runs as written, in its own order;
    // under an order of the list's it is a derived table, where its order is legal.
    for (const char* limited : {"SELECT TOP 10 a FROM t ORDER BY a", "SELECT a FROM t ORDER BY a OFFSET 5 ROWS",
                                "SELECT a FROM t ORDER BY a OFFSET 0 ROWS FETCH NEXT 3 ROWS ONLY",
                                "SELECT a FROM t ORDER BY a FOR XML PATH"}) {
        const QString query = QString::fromLatin1(limited);
        EXPECT_TRUE(OdbcRunsAsWritten(query, {})) << limited;
        EXPECT_EQ(OdbcPageQuery(query, 1, {}, 10, 5), query) << limited;
        EXPECT_FALSE(OdbcRunsAsWritten(query, {BrandleSortKey{0, true}})) << limited;
        EXPECT_EQ(OdbcPageQuery(query, 1, {BrandleSortKey{0, true}}, 10, 5),
                  QStringLiteral("SELECT * FROM (\n") + query +
                      QStringLiteral("\n) AS q (c0) ORDER BY 1 DESC OFFSET 10 ROWS FETCH NEXT 5 ROWS ONLY"))
            << limited;
    }
    EXPECT_FALSE(OdbcRunsAsWritten(QStringLiteral("SELECT a FROM t ORDER BY a"), {}));
    EXPECT_FALSE(OdbcRunsAsWritten(QStringLiteral("SELECT TOP 3 a FROM t"), {}));
    EXPECT_EQ(OdbcPageQuery(QStringLiteral("SELECT a FROM (SELECT TOP 5 a FROM t ORDER BY a) x WHERE b = 'ORDER BY'"),
                            1, {}, 0, 5)
                  .left(16),
              QStringLiteral("SELECT * FROM (\n"));
    EXPECT_EQ(tsql::CountQuery(q, 2), QStringLiteral("SELECT COUNT_BIG(*) FROM (\n") + q + QStringLiteral("\n) AS q (c0, c1)"));
}

// SQL Server refuses an ORDER BY inside a derived table or a WITH part unless TOP,
// OFFSET or FOR XML comes with it: a query with an order of its own must still
// page under the list's order, count and give its position.
TEST(OdbcTexts, AQueryWithItsOwnOrderIsLegalInsideTheWrappers)
{
    struct Case {
        const char* query;
        const char* inner;  // as it goes inside a wrapper
    };
    const Case cases[] = {
        {"SELECT a FROM t ORDER BY a", "SELECT a FROM t ORDER BY a\nOFFSET 0 ROWS"},
        {"SELECT a FROM t ORDER BY a -- newest", "SELECT a FROM t ORDER BY a -- newest\nOFFSET 0 ROWS"},
        {"select a from t order by a desc, b", "select a from t order by a desc, b\nOFFSET 0 ROWS"},
        // legal as they are
        {"SELECT a FROM t", "SELECT a FROM t"},
        {"SELECT TOP 10 a FROM t ORDER BY a", "SELECT TOP 10 a FROM t ORDER BY a"},
        {"SELECT DISTINCT TOP (5) a FROM t ORDER BY a", "SELECT DISTINCT TOP (5) a FROM t ORDER BY a"},
        {"SELECT a FROM t ORDER BY a OFFSET 5 ROWS", "SELECT a FROM t ORDER BY a OFFSET 5 ROWS"},
        {"SELECT a FROM t ORDER BY a FOR XML PATH", "SELECT a FROM t ORDER BY a FOR XML PATH"},
        // orders that are not the query's own
        {"SELECT a, ROW_NUMBER() OVER (ORDER BY b) AS n FROM t", "SELECT a, ROW_NUMBER() OVER (ORDER BY b) AS n FROM t"},
        {"SELECT a FROM t WHERE b = 'x ORDER BY a' -- ORDER BY a", "SELECT a FROM t WHERE b = 'x ORDER BY a' -- ORDER BY a"},
        {"SELECT [order by] FROM t /* ORDER BY 1 */", "SELECT [order by] FROM t /* ORDER BY 1 */"},
        // the TOP of another part of a UNION does not count
        {"SELECT TOP 1 a FROM t UNION ALL SELECT a FROM u ORDER BY a",
         "SELECT TOP 1 a FROM t UNION ALL SELECT a FROM u ORDER BY a\nOFFSET 0 ROWS"},
        // nor that of its last part: the order is the whole query's (Msg 1033 inside a wrapper)
        {"SELECT a FROM t UNION SELECT TOP 5 a FROM u ORDER BY a",
         "SELECT a FROM t UNION SELECT TOP 5 a FROM u ORDER BY a\nOFFSET 0 ROWS"},
        {"SELECT a FROM t EXCEPT SELECT DISTINCT TOP (5) a FROM u ORDER BY a",
         "SELECT a FROM t EXCEPT SELECT DISTINCT TOP (5) a FROM u ORDER BY a\nOFFSET 0 ROWS"},
    };
    for (const Case& c : cases) {
        const QString query = QString::fromLatin1(c.query);
        const QString inner = QString::fromLatin1(c.inner);
        EXPECT_EQ(tsql::InnerQuery(query), inner) << c.query;
        EXPECT_EQ(tsql::CountQuery(query, 2),
                  QStringLiteral("SELECT COUNT_BIG(*) FROM (\n") + inner + QStringLiteral("\n) AS q (c0, c1)"))
            << c.query;
        EXPECT_EQ(tsql::OrderedQuery(query, 2, {BrandleSortKey{1, false}}, 0, 5),
                  QStringLiteral("SELECT * FROM (\n") + inner +
                      QStringLiteral("\n) AS q (c0, c1) ORDER BY 2, 1 OFFSET 0 ROWS FETCH NEXT 5 ROWS ONLY"))
            << c.query;
        EXPECT_TRUE(tsql::IdPositionQuery(query, 2, {BrandleSortKey{0, false}}, 7).contains(inner + QStringLiteral("\n)")))
            << c.query;
    }
}

// A query's own order, paged a window at a time (each window a statement of its
// own), ends in the row id, so that tied rows come in the same order every time.
TEST(OdbcTexts, AQuerysOwnOrderEndsInTheRowId)
{
    struct Case {
        const char* query;
        const char* sent;  // nullptr: unchanged
        const char* id = "CustomerID";  // the first column's name in the result
    };
    const Case cases[] = {
        {"SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName",
         "SELECT CustomerID, CustomerName FROM Customers ORDER BY CustomerName, 1"},
        {"select CustomerID, City, Name from Customers order by City desc, Name -- by town\n",
         "select CustomerID, City, Name from Customers order by City desc, Name, 1 -- by town\n"},
        {"SELECT CustomerID, Name FROM Customers ORDER BY UPPER(Name) COLLATE Latin1_General_CI_AS DESC",
         "SELECT CustomerID, Name FROM Customers ORDER BY UPPER(Name) COLLATE Latin1_General_CI_AS DESC, 1"},
        {"SELECT CustomerID, Name FROM Customers ORDER BY LEFT(Name, 3)",
         "SELECT CustomerID, Name FROM Customers ORDER BY LEFT(Name, 3), 1"},
        // before what follows the keys
        {"SELECT TOP 10 CustomerID, Name FROM Customers ORDER BY Name",
         "SELECT TOP 10 CustomerID, Name FROM Customers ORDER BY Name, 1"},
        {"SELECT CustomerID, Name FROM Customers ORDER BY Name OFFSET 5 ROWS FETCH NEXT 5 ROWS ONLY",
         "SELECT CustomerID, Name FROM Customers ORDER BY Name, 1 OFFSET 5 ROWS FETCH NEXT 5 ROWS ONLY"},
        {"SELECT CustomerID, Name FROM Customers ORDER BY Name OPTION (RECOMPILE)",
         "SELECT CustomerID, Name FROM Customers ORDER BY Name, 1 OPTION (RECOMPILE)"},
        {"SELECT CustomerID, Name FROM Customers ORDER BY Name LIMIT 5", "SELECT CustomerID, Name FROM Customers ORDER BY Name, 1 LIMIT 5"},
        {"SELECT CustomerID, Name FROM Customers UNION SELECT TOP 5 SupplierID, Name FROM Suppliers ORDER BY Name",
         "SELECT CustomerID, Name FROM Customers UNION SELECT TOP 5 SupplierID, Name FROM Suppliers ORDER BY Name, 1"},
        // a key that is the row id already (a second would be refused, Msg 169)
        {"SELECT CustomerID, Name FROM Customers ORDER BY Name, 1", nullptr},
        {"SELECT CustomerID, Name FROM Customers ORDER BY 1 DESC", nullptr},
        {"SELECT c.CustomerID, Name FROM Customers c ORDER BY Name, c.[customerid] DESC", nullptr},
        {"SELECT CustomerID, Name FROM Customers ORDER BY customerid", nullptr},
        // the first column's expression under another name
        {"SELECT c.CustomerID AS [ID], Name FROM Customers c ORDER BY Name, c.CustomerID", nullptr, "ID"},
        {"SELECT TOP (10) c.[CustomerID] ID, Name FROM Customers c ORDER BY [c].customerid DESC", nullptr, "ID"},
        {"SELECT DISTINCT ID = c.CustomerID, Name FROM Customers c ORDER BY C.CustomerID", nullptr, "ID"},
        {"SELECT c.CustomerID AS [ID], Name FROM Customers c ORDER BY Name, c.CustomerName",
         "SELECT c.CustomerID AS [ID], Name FROM Customers c ORDER BY Name, c.CustomerName, 1", "ID"},
        {"SELECT c.CustomerID + 0 AS [ID], Name FROM Customers c ORDER BY c.CustomerID",
         "SELECT c.CustomerID + 0 AS [ID], Name FROM Customers c ORDER BY c.CustomerID, 1", "ID"},
        // WITH TIES: a further key would change the rows
        {"SELECT TOP 5 WITH TIES CustomerID, Name FROM Customers ORDER BY Name", nullptr},
        // no order of its own
        {"SELECT CustomerID, ROW_NUMBER() OVER (ORDER BY Name) AS n FROM Customers", nullptr},
        {"SELECT CustomerID FROM (SELECT TOP 5 CustomerID FROM Customers ORDER BY Name) x", nullptr},
        {"SELECT CustomerID FROM Customers WHERE Name = 'x ORDER BY y' -- ORDER BY Name", nullptr},
    };
    for (const Case& c : cases) {
        const QString query = QString::fromLatin1(c.query);
        EXPECT_EQ(tsql::WithRowIdLast(query, QString::fromLatin1(c.id)), c.sent ? QString::fromLatin1(c.sent) : query)
            << c.query;
    }
}

// SQL Server takes no WITH inside parentheses: a query's own common table
// expressions stay in front of the wrappers, its main query one more of them.
TEST(OdbcTexts, CommonTableExpressionsStayInFrontOfTheWrappers)
{
    struct Case {
        const char* query;
        const char* tables;  // the common table expressions; "" when there are none
    };
    const Case cases[] = {
        {"WITH x AS (SELECT a FROM t) SELECT a FROM x", "WITH x AS (SELECT a FROM t)"},
        {"with x (a, b) as (select 1, 2), y as (select a from x) -- (y)\nselect a, b from x join y on 1 = 1",
         "with x (a, b) as (select 1, 2), y as (select a from x)"},
        {"WITH x AS (SELECT ')' AS a /* ) */) SELECT a FROM x", "WITH x AS (SELECT ')' AS a /* ) */)"},
        {"WITH XMLNAMESPACES ('urn:x' AS x) SELECT 1 AS a", "WITH XMLNAMESPACES ('urn:x' AS x)"},
        {"SELECT a FROM t WITH (NOLOCK)", ""},
        {"(SELECT a FROM t)", ""},
        {"WITH x AS (SELECT 1 AS a", ""},
    };
    for (const Case& c : cases) {
        const QString query = QString::fromLatin1(c.query);
        const QString tables = QString::fromLatin1(c.tables);
        EXPECT_EQ(query.left(tsql::CommonTablesEnd(query)), tables) << c.query;
    }
    const QString q = QStringLiteral("WITH x AS (SELECT a, b FROM t) SELECT a, b FROM x ORDER BY b");
    const QString inner = QStringLiteral(" SELECT a, b FROM x ORDER BY b\nOFFSET 0 ROWS");
    EXPECT_EQ(tsql::CountQuery(q, 2), QStringLiteral("WITH x AS (SELECT a, b FROM t),\nquillon_q (c0, c1) AS (\n") +
                                          inner + QStringLiteral("\n)\nSELECT COUNT_BIG(*) FROM quillon_q AS q"));
    EXPECT_EQ(OdbcPageQuery(q, 2, {BrandleSortKey{1, true}}, 20, 10),
              QStringLiteral("WITH x AS (SELECT a, b FROM t),\nquillon_q (c0, c1) AS (\n") + inner +
                  QStringLiteral("\n)\nSELECT * FROM quillon_q AS q ORDER BY 2 DESC, 1 OFFSET 20 ROWS FETCH NEXT 10 ROWS ONLY"));
    EXPECT_TRUE(tsql::IdPositionQuery(q, 2, {BrandleSortKey{0, false}}, 7)
                    .startsWith(QStringLiteral("WITH x AS (SELECT a, b FROM t),\nquillon_rows (c0, c1) AS (\n") + inner +
                                QStringLiteral("\n), quillon_row AS (")));
    // its own order alone: paged as written
    EXPECT_EQ(OdbcPageQuery(q, 2, {}, 20, 10), q + QStringLiteral("\nOFFSET 20 ROWS FETCH NEXT 10 ROWS ONLY"));
}

// A query's own hints, OPTION (...), end the statement: never inside a wrapper's
// parentheses, always after its end.
TEST(OdbcTexts, QueryHintsGoAfterTheWrappers)
{
    struct Case {
        const char* query;
        int hintsAt;  // -1: none
    };
    const Case cases[] = {
        {"SELECT a FROM t OPTION (RECOMPILE)", 16},
        {"SELECT a FROM t option(MAXDOP 1, OPTIMIZE FOR (@p = 1)) ;", 16},
        {"SELECT a FROM t WHERE a IN (SELECT b FROM u)", -1},
        {"SELECT a FROM t -- OPTION (RECOMPILE)", -1},
        {"SELECT [option] (a) FROM t", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tsql::QueryHintsAt(QString::fromLatin1(c.query)), c.hintsAt) << c.query;

    const QString q = QStringLiteral("SELECT a, b FROM t ORDER BY b OPTION (RECOMPILE)");
    const QString inner = QStringLiteral("SELECT a, b FROM t ORDER BY b \nOFFSET 0 ROWS");
    EXPECT_EQ(tsql::CountQuery(q, 2), QStringLiteral("SELECT COUNT_BIG(*) FROM (\n") + inner +
                                          QStringLiteral("\n) AS q (c0, c1)\nOPTION (RECOMPILE)"));
    EXPECT_EQ(OdbcPageQuery(q, 2, {BrandleSortKey{1, false}}, 0, 5),
              QStringLiteral("SELECT * FROM (\n") + inner +
                  QStringLiteral("\n) AS q (c0, c1) ORDER BY 2, 1 OFFSET 0 ROWS FETCH NEXT 5 ROWS ONLY\nOPTION (RECOMPILE)"));
    EXPECT_EQ(OdbcPageQuery(q, 2, {}, 10, 5),
              QStringLiteral("SELECT a, b FROM t ORDER BY b \nOFFSET 10 ROWS FETCH NEXT 5 ROWS ONLY\nOPTION (RECOMPILE)"));
    const QString position = tsql::IdPositionQuery(q, 2, {BrandleSortKey{0, false}}, 7);
    EXPECT_TRUE(position.contains(inner + QStringLiteral("\n), quillon_row AS (")) &&
                position.endsWith(QStringLiteral(" ON 1 = 1\nOPTION (RECOMPILE)")))
        << position.toStdString();
}

// The demo company of the controls' tests, reached through ODBC under a name of
// its own that the client configuration maps to the SQLite driver on its files.
const QString kOdbcServer = QStringLiteral("CTLODBC");

void ConfigureOdbcServer()
{
    ControlsServer::Get();
    OdbcServerConfig config;
    config.dialect = OdbcServerConfig::Dialect::SqliteFiles;
    config.driver = QStringLiteral("SQLite3");
    config.filesServer = kServer;
    erpdb::WriteClientOdbcServer(kOdbcServer, config);
}

TEST(OdbcServers, TheClientConfigurationSendsAServerThroughOdbc)
{
    ConfigureOdbcServer();
    EXPECT_FALSE(FindOdbcServer(kServer).has_value());
    const auto found = FindOdbcServer(QStringLiteral("ctlodbc"));  // without regard to case
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->dialect, OdbcServerConfig::Dialect::SqliteFiles);
    EXPECT_EQ(found->filesServer, kServer);

    BrandleDatabase db;
    int32_t flag = 0;
    db.OpenConnection(kOdbcServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                      QString::fromLatin1(erpdb::kDemoExecutivePassword), 0, flag);
    EXPECT_EQ(db.ServerName(), kOdbcServer);
    EXPECT_GT(db.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("OrderLines"), QString()).toInt32(), 0);
    EXPECT_EQ(ErrorOf([&] {
                  db.OpenConnection(kOdbcServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                    QStringLiteral("wrong"), 0, flag);
              }).description(),
              QStringLiteral("Login failed for user 'coexecutive'."));
    Variant v1, v2, v3;
    EXPECT_FALSE(db.GetServerVersion(kOdbcServer, QString::fromLatin1(erpdb::kExecutiveLogin),
                                     QString::fromLatin1(erpdb::kDemoExecutivePassword), v1, v2, v3)
                     .isEmpty());

    // the file as a user writes it by hand
    {
        QFile file(erpdb::ClientConfigRoot() + QStringLiteral("/HANDMADE.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Odbc]\nDriver=FreeTDS\nServer=\"sqlprod\\\\ERP\"\nOptions=\"TDS_Version=7.4;Encrypt=no\"\n");
    }
    const auto handmade = FindOdbcServer(QStringLiteral("HANDMADE"));
    ASSERT_TRUE(handmade.has_value());
    EXPECT_EQ(handmade->host, QStringLiteral("sqlprod\\ERP"));
    EXPECT_EQ(handmade->options, QStringLiteral("TDS_Version=7.4;Encrypt=no"));
    EXPECT_EQ(handmade->dialect, OdbcServerConfig::Dialect::SqlServer);

    // a SQL Server that cannot be reached fails with the driver's message, in the usual shape
    OdbcServerConfig unreachable;
    unreachable.driver = QStringLiteral("No Such Driver");
    unreachable.host = QStringLiteral("nowhere");
    erpdb::WriteClientOdbcServer(QStringLiteral("NOWHERE"), unreachable);
    const AppError e = ErrorOf([&] {
        db.OpenConnection(QStringLiteral("NOWHERE"), kDatabase, QStringLiteral("coexecutive"), QStringLiteral("x"), 0,
                          flag);
    });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_FALSE(e.description().isEmpty());
    EXPECT_FALSE(db.IsOpen());
}

// A user's query over ODBC: the read-only login logs on as any login does, on a
// connection of its own; its read denials hold there and on the list's cursors.
TEST(OdbcReadOnlyLogin, AUsersQueryRunsOnTheReadOnlyLoginsConnectionWithItsDenials)
{
    ConfigureOdbcServer();
    const auto config = FindOdbcServer(kOdbcServer);
    ASSERT_TRUE(config.has_value());
    const QString executive = QString::fromLatin1(erpdb::kExecutiveLogin);
    const QString readLogin = QString::fromLatin1(erpdb::kReadOnlyLogin);
    const QString readPassword = QString::fromLatin1(erpdb::kDemoReadOnlyPassword);
    auto open = [&](const QString& encipheredReadPassword, OdbcBackend*& backend, BrandleDatabase& db) {
        auto b = OpenOdbcBackend(*config, kOdbcServer, kDatabase, executive,
                                 QString::fromLatin1(erpdb::kDemoExecutivePassword), false);
        backend = b.get();
        backend->setSentLogging(true);
        if (!encipheredReadPassword.isNull())
            db.SetReadOnlyLogin(readLogin, encipheredReadPassword);
        db.OpenBackend(std::move(b));
    };
    const QString user = QStringLiteral("SELECT UserID FROM CoUsers");
    const QString secret = QStringLiteral("SELECT UserID, Password FROM CoUsers");

    BrandleDatabase db;
    OdbcBackend* odbc = nullptr;
    open(CryptText(1, readPassword, SessionCipherKey(), true), odbc, db);
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(db.OpenReadOnlyRecordset(user, rs));
    EXPECT_EQ(ErrorOf([&] { db.OpenReadOnlyRecordset(secret, rs); }).number(), kDatabaseErrorNumber);
    EXPECT_EQ(ErrorOf([&] { db.OpenReadOnlyRecordset(QStringLiteral("SELECT 1; DELETE FROM CoUsers"), rs); })
                  .description(),
              NotASingleQueryMessage());
    EXPECT_EQ(odbc->readOnlySentLog(), (QStringList{user}));  // the refused ones never went out
    EXPECT_TRUE(odbc->sentLog().isEmpty());
    // the session's own connection still reads what its login may
    EXPECT_TRUE(db.OpenRecordset(secret, rs));

    // the list's cursors and counts of the read-only login
    auto c = BrandleReadConnection::Open(kOdbcServer, kDatabase, readLogin, readPassword);
    const BrandleCancelToken token = MakeCancelToken();
    EXPECT_EQ(c->CountRows(user, token), c->CountRows(QStringLiteral("SELECT * FROM (SELECT UserID FROM CoUsers)"), token));
    for (const QString& sql : {secret, QStringLiteral("SELECT UserID FROM CoUsers WHERE Password <> ''")}) {
        EXPECT_EQ(ErrorOf([&] { c->CountRows(sql, token); }).number(), kDatabaseErrorNumber) << sql.toStdString();
        EXPECT_EQ(ErrorOf([&] { c->OpenCursor(sql, {}, token); }).number(), kDatabaseErrorNumber)
            << sql.toStdString();
    }

    // a read-only login that cannot log on is an error; the session's connection never stands in
    struct Case {
        const char* what;
        QString encipheredPassword;  // null: none set
        QString message;
    };
    const Case cases[] = {
        {"wrong password", CryptText(1, QStringLiteral("wrong"), SessionCipherKey(), true),
         QStringLiteral("The read-only login 'coreadonly' could not log on: Login failed for user 'coreadonly'.")},
        {"no login", QString(), QStringLiteral("This connection has no read-only login to run the query with.")},
    };
    for (const Case& k : cases) {
        BrandleDatabase refused;
        OdbcBackend* session = nullptr;
        open(k.encipheredPassword, session, refused);
        EXPECT_EQ(ErrorOf([&] { refused.OpenReadOnlyRecordset(user, rs); }).description(), k.message) << k.what;
        EXPECT_TRUE(session->sentLog().isEmpty()) << k.what;
        // and it is tried again on the next query
        EXPECT_EQ(ErrorOf([&] { refused.OpenReadOnlyRecordset(user, rs); }).description(), k.message) << k.what;
    }
}

TEST(OdbcReadConnection, PagesForwardSkipsSeeksCountsAndRefusesWrites)
{
    ConfigureOdbcServer();
    auto c = BrandleReadConnection::Open(kOdbcServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                         QString::fromLatin1(erpdb::kDemoExecutivePassword));
    const BrandleCancelToken token = MakeCancelToken();
    for (const char* sql : {"DELETE FROM OrderLines", "SELECT 1; DELETE FROM OrderLines", "EXEC Ld_DeleteView 5"})
        EXPECT_EQ(ErrorOf([&] { c->OpenCursor(QString::fromLatin1(sql), {}, token); }).number(), kDatabaseErrorNumber)
            << sql;

    const QString sql = QStringLiteral("SELECT ol.OrderLineID, ol.Quantity FROM OrderLines ol WHERE ol.OrderLineID <= 1000");
    EXPECT_EQ(c->CountRows(sql, token), 1000);
    auto cursor = c->OpenCursor(sql, {BrandleSortKey{1, true}}, token);
    EXPECT_EQ(cursor->FieldNames(), (QStringList{"OrderLineID", "Quantity"}));
    const auto expected = ControlsServer::Get().Ids(
        QStringLiteral("SELECT OrderLineID FROM OrderLines WHERE OrderLineID <= 1000 ORDER BY Quantity DESC, OrderLineID"));
    auto first = cursor->Fetch(10);
    ASSERT_EQ(first.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(first[i][0].toInt32(), expected[i]);
    EXPECT_EQ(cursor->Skip(500), 500);
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[510]);
    std::vector<BrandleRow> kept;
    EXPECT_EQ(cursor->SeekId(expected[900], 5, kept), 900);
    ASSERT_EQ(kept.size(), 6u);
    EXPECT_EQ(kept.front()[0].toInt32(), expected[895]);
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[901]);
    EXPECT_EQ(cursor->SeekId(expected[100], 0, kept), -1);
    EXPECT_TRUE(cursor->AtEnd());
    cursor->Rewind();
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[0]);
    EXPECT_EQ(cursor->Skip(5000), 999);
    EXPECT_TRUE(cursor->AtEnd());
}

// A query whose own order comes with TOP (a lookup's first rows by name) runs as
// written: its rows in its own order, the cursor reading past those before it.
TEST(OdbcReadConnection, AQueryWithItsOwnTopAndOrderKeepsItsOrderWhereverTheCursorLands)
{
    ConfigureOdbcServer();
    auto c = BrandleReadConnection::Open(kOdbcServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                         QString::fromLatin1(erpdb::kDemoExecutivePassword));
    const BrandleCancelToken token = MakeCancelToken();
    const QString sql = QStringLiteral(
        "SELECT TOP 300 ol.OrderLineID, ol.Quantity FROM OrderLines ol ORDER BY ol.Quantity DESC, ol.OrderLineID DESC");
    const auto expected = ControlsServer::Get().Ids(
        QStringLiteral("SELECT OrderLineID FROM OrderLines ORDER BY Quantity DESC, OrderLineID DESC LIMIT 300"));
    ASSERT_EQ(expected.size(), 300u);
    EXPECT_EQ(c->CountRows(sql, token), 300);
    auto cursor = c->OpenCursor(sql, {}, token);
    auto first = cursor->Fetch(10);
    ASSERT_EQ(first.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(first[i][0].toInt32(), expected[i]);
    EXPECT_EQ(cursor->Skip(150), 150);
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[160]);
    std::vector<BrandleRow> kept;
    EXPECT_EQ(cursor->SeekId(expected[250], 2, kept), 250);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front()[0].toInt32(), expected[248]);
    EXPECT_EQ(cursor->Skip(5000), 49);
    EXPECT_TRUE(cursor->AtEnd());
    cursor->Rewind();
    EXPECT_EQ(cursor->Skip(299), 299);
    EXPECT_EQ(cursor->Fetch(5).size(), 1u);
    EXPECT_EQ(cursor->Position(), 300);
}

TEST(OdbcReadConnection, CancelFromAnotherThreadStopsTheRunningCall)
{
    ConfigureOdbcServer();
    auto c = BrandleReadConnection::Open(kOdbcServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                         QString::fromLatin1(erpdb::kDemoExecutivePassword));
    const BrandleCancelToken token = MakeCancelToken();
    QElapsedTimer t;
    t.start();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        c->Cancel(token);
    });
    int32_t number = 0;
    try {
        // A count of the order lines cubed would take days.
        c->CountRows(QStringLiteral("SELECT a.OrderLineID FROM OrderLines a, OrderLines b, OrderLines c"), token);
    } catch (const AppError& e) {
        number = e.number();
    }
    canceller.join();
    EXPECT_EQ(number, kQueryCancelledNumber);
    // Stopped at the cancel, a fifth of a second in, not at the end of the count.
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_EQ(ErrorOf([&] { c->CountRows(QStringLiteral("SELECT 1"), token); }).number(), kQueryCancelledNumber);
    EXPECT_EQ(c->CountRows(QStringLiteral("SELECT 1"), MakeCancelToken()), 1);
}

}  // namespace
