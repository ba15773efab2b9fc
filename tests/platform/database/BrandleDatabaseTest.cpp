// The database interface on real SQLite files, once through the embedded back end
// and once through the ODBC back end (the SQLite ODBC driver on the same kind of
// file): result sets, statements, named transactions, procedures and commands,
// errors, timeouts and several connections.
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedures.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/SqliteBackend.h"
#include "platform/database/LockWait.h"

#include "ErrorOf.h"
#include "UserLocale.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A procedure for the tests: test_Echo a, b returns them as one row; with a third
// argument "fail" it writes a row and then fails; outputs: @out = a + b.
void RegisterTestProcedures()
{
    RegisterHostProcedure({QStringLiteral("test_Echo"), 2, 3, [](ProcedureCall& call) {
                               if (call.args.size() > 2 && call.arg(2).toString() == QLatin1String("fail")) {
                                   sqlite3_exec(call.db, "INSERT INTO Items (Name) VALUES ('from procedure')",
                                                nullptr, nullptr, nullptr);
                                   throw AppError(kDatabaseErrorNumber, QStringLiteral("test_Echo was told to fail"),
                                                  QStringLiteral("test_Echo"));
                               }
                               call.columns = {QStringLiteral("First"), QStringLiteral("Second")};
                               call.rows.push_back({call.arg(0), call.arg(1)});
                           }});
    RegisterHostProcedure({QStringLiteral("test_Add"), 3, 3, [](ProcedureCall& call) {
                               if (call.arg(0).isNull())
                                   throw AppError(kDatabaseErrorNumber, QStringLiteral("@a must not be NULL"));
                               call.outputs[2] = Variant(call.arg(0).toInt32() + call.arg(1).toInt32());
                               sqlite3_exec(call.db, "INSERT INTO Items (Name) VALUES ('added')", nullptr, nullptr,
                                            nullptr);
                           }});
}

enum class Backend { Embedded, Odbc };

class BrandleDatabaseTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegisterTestProcedures();
        path = dir.filePath(QStringLiteral("Company.sqlite"));
        SqliteBackend::openFile(path);  // creates the file (WAL)
        // Over ODBC a read-only query runs on a connection of this login.
        db.SetReadOnlyLogin(QStringLiteral("coreadonly"), CryptText(1, QStringLiteral("read"), SessionCipherKey(), true));
        db.OpenBackend(openBackend());
        db.Execute(QStringLiteral(
            "CREATE TABLE Items (ItemID INTEGER PRIMARY KEY AUTOINCREMENT, Name varchar(50) COLLATE NOCASE, "
            "Price money, Qty int, Weight float, Active bit NOT NULL DEFAULT 0, Created datetime)"));
    }

    // Another connection to the test's file, through the back end under test.
    std::unique_ptr<DatabaseBackend> openBackend() const
    {
        if (GetParam() == Backend::Odbc)
            return OdbcBackend::openSqliteFile(path, QStringLiteral("TEST"), QStringLiteral("Company"),
                                               QStringLiteral("coexecutive"));
        return SqliteBackend::openFile(path, false);
    }

    int count(const QString& where = {})
    {
        return db.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("Items"), where).toInt32();
    }

    QTemporaryDir dir;
    QString path;
    BrandleDatabase db;
};

TEST_P(BrandleDatabaseTest, ResultSetsAreSnapshotsWithTypedValues)
{
    db.Execute(QStringLiteral("INSERT INTO Items (Name, Price, Qty, Weight, Active) VALUES ('Bolt', 1.25, 7, 0.5, 1)"));
    db.Execute(QStringLiteral("INSERT INTO Items (Name, Qty) VALUES ('Nut', 5000000000)"));

    BrandleRecordsetPtr rs;
    ASSERT_TRUE(db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ItemID"), rs, 0, 1));
    // another statement while the set is open
    db.Execute(QStringLiteral("DELETE FROM Items WHERE Name = 'Nut'"));
    EXPECT_EQ(rs->RecordCount(), 2);

    EXPECT_EQ(rs->Item(QStringLiteral("name")).toString(), QStringLiteral("Bolt"));
    EXPECT_EQ(rs->Item(QStringLiteral("QTY")).type(), VarType::Long);
    EXPECT_EQ(rs->Item(QStringLiteral("Weight")).type(), VarType::Double);
    EXPECT_TRUE(rs->Item(QStringLiteral("Created")).isNull());
    EXPECT_EQ(rs->Item(Variant(int32_t(1))).toString(), QStringLiteral("Bolt"));
    const int32_t expectedTypes[] = {adInteger, adVarChar, adCurrency, adInteger, adDouble, adBoolean, adDate};
    for (int i = 0; i < rs->FieldCount(); ++i)
        EXPECT_EQ(rs->FieldType(i), expectedTypes[i]) << rs->FieldName(i).toStdString();
    EXPECT_EQ(ErrorOf([&] { rs->Item(QStringLiteral("NoSuchField")); }).number(), 3265);

    rs->MoveNext();
    ASSERT_TRUE(rs->HasRecord());
    EXPECT_EQ(rs->Item(QStringLiteral("Qty")).type(), VarType::Double);  // too big for a Long
    rs->MoveNext();
    EXPECT_FALSE(rs->HasRecord());
    db.CloseRecordset(rs);
    EXPECT_TRUE(rs->IsClosed());

    // expression fields take their type from the values
    ASSERT_TRUE(db.OpenRecordset(QStringLiteral("SELECT 1 AS a, 2.5 AS b, 'x' AS c, NULL AS d"), rs));
    EXPECT_EQ(rs->FieldType(0), adInteger);
    EXPECT_EQ(rs->FieldType(1), adDouble);
    EXPECT_EQ(rs->FieldType(2), adVarChar);
    EXPECT_EQ(rs->FieldType(3), adVarChar);

    // a set without rows is open and can be closed
    EXPECT_FALSE(db.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE 1 = 0"), rs));
    EXPECT_FALSE(rs->HasRecord());
    db.CloseRecordset(rs);
}

TEST_P(BrandleDatabaseTest, DLookupComposesTheQuery)
{
    db.SetStatementLogging(true);
    db.Execute(QStringLiteral("INSERT INTO Items (Name, Qty) VALUES ('Bolt', 3)"));
    EXPECT_EQ(db.DLookup(QStringLiteral("Qty"), QStringLiteral("Items"), QStringLiteral("Name = 'BOLT'")).toInt32(), 3);
    EXPECT_TRUE(db.DLookup(QStringLiteral("Qty"), QStringLiteral("Items"), QStringLiteral("Name = 'Nut'")).isNull());
    EXPECT_EQ(db.DLookup(QStringLiteral("Max(ItemID)"), QStringLiteral("Items"), QString()).toInt32(), 1);
    const QStringList expected = {
        QStringLiteral("INSERT INTO Items (Name, Qty) VALUES ('Bolt', 3)"),
        QStringLiteral("SELECT Qty FROM Items WHERE Name = 'BOLT'"),
        QStringLiteral("SELECT Qty FROM Items WHERE Name = 'Nut'"),
        QStringLiteral("SELECT Max(ItemID) FROM Items"),
    };
    EXPECT_EQ(db.StatementLog(), expected);
}

TEST_P(BrandleDatabaseTest, NamedTransactionsNest)
{
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('outer')"));
    db.BeginTrans(QStringLiteral("CoLdUVColumn.Store"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('child 1')"));
    db.RollbackTrans(QStringLiteral("CoLdUVColumn.Store"), flag);  // undoes only its own insert
    db.BeginTrans(QStringLiteral("it's \"odd\""), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('child 2')"));
    db.CommitTrans(QStringLiteral("it's \"odd\""), flag);
    EXPECT_EQ(db.TransactionDepth(), 1);
    db.CommitTrans(QStringLiteral("CoLdUV.Store"), flag);
    EXPECT_EQ(db.TransactionDepth(), 0);

    BrandleRecordsetPtr rs;
    db.OpenRecordset(QStringLiteral("SELECT Name FROM Items ORDER BY ItemID"), rs);
    QStringList names;
    for (; rs->HasRecord(); rs->MoveNext())
        names << rs->Item(0).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("outer"), QStringLiteral("child 2")}));

    // rolling back the outer name undoes the inner ones still open
    db.BeginTrans(QStringLiteral("a"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('a')"));
    db.BeginTrans(QStringLiteral("b"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('b')"));
    db.RollbackTrans(QStringLiteral("a"), flag);
    EXPECT_EQ(db.TransactionDepth(), 0);
    EXPECT_EQ(count(), 2);

    // names that are not open
    for (auto op : {&BrandleDatabase::CommitTrans, &BrandleDatabase::RollbackTrans}) {
        const AppError e = ErrorOf([&] { (db.*op)(QStringLiteral("never begun"), flag); });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber);
        EXPECT_TRUE(e.description().contains(QLatin1String("never begun")));
    }
    db.BeginTrans(QStringLiteral("x"), flag);
    db.CommitTrans(QStringLiteral("x"), flag);
    EXPECT_EQ(ErrorOf([&] { db.CommitTrans(QStringLiteral("x"), flag); }).number(), kDatabaseErrorNumber);
}

TEST_P(BrandleDatabaseTest, ClosingRollsBackAnOpenTransaction)
{
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("t"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('lost')"));
    db.CloseConnection();
    EXPECT_FALSE(db.IsOpen());
    db.CloseConnection();  // no error when none is open
    db.OpenBackend(openBackend());
    EXPECT_EQ(count(), 0);
}

TEST_P(BrandleDatabaseTest, ExecCallsHostProcedures)
{
    BrandleRecordsetPtr rs;
    const char* const forms[] = {"EXEC test_Echo 12,'O''Neil'", "Exec test_Echo 12, 'O''Neil'",
                                 "EXECUTE TEST_ECHO 12 ,  'O''Neil'", "exec dbo.[test_Echo] 12,N'O''Neil'"};
    for (const char* form : forms) {
        ASSERT_TRUE(db.OpenRecordset(QString::fromLatin1(form), rs, 0, 1)) << form;
        EXPECT_EQ(rs->Item(QStringLiteral("first")).toInt32(), 12) << form;
        EXPECT_EQ(rs->Item(QStringLiteral("Second")).toString(), QStringLiteral("O'Neil")) << form;
    }
    ASSERT_TRUE(db.OpenRecordset(QStringLiteral("EXEC test_Echo NULL, -5"), rs));
    EXPECT_TRUE(rs->Item(0).isNull());
    EXPECT_EQ(rs->Item(1).toInt32(), -5);

    // a procedure without a result set gives an empty, closable set
    BrandleCommand cmd;
    EXPECT_FALSE(db.OpenRecordset(QStringLiteral("EXEC test_Add 1, 2, NULL"), rs));
    EXPECT_FALSE(rs->HasRecord());
    db.CloseRecordset(rs);
    EXPECT_EQ(count(), 1);
}

TEST_P(BrandleDatabaseTest, CommandsPassParametersAndReadOutputs)
{
    db.SetStatementLogging(true);
    BrandleCommand cmd;
    cmd.Init(QStringLiteral("test_Add"), 3);
    cmd.AddParameter(QStringLiteral("a"), adInteger, adParamInput, 0, Variant(int32_t(40)), -1, -1);
    cmd.AddParameter(QStringLiteral("@b"), adInteger, adParamInput, 0, Variant(int32_t(2)), -1, -1);
    cmd.AddParameter(QStringLiteral("@r_iSum"), adInteger, adParamOutput, 0, Variant(), -1, -1);
    EXPECT_TRUE(db.ExecuteCommand(cmd));
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("r_iSum")).toInt32(), 42);
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("@R_ISUM")).toInt32(), 42);
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("@a")).toInt32(), 40);
    EXPECT_EQ(ErrorOf([&] { cmd.ParameterValue(QStringLiteral("@nope")); }).number(), 3265);
    EXPECT_EQ(db.StatementLog().back(), QStringLiteral("EXEC test_Add @a = 40, @b = 2, @r_iSum OUTPUT"));

    BrandleCommand echo;
    echo.Init(QStringLiteral("test_Echo"), 2);
    echo.AddParameter(QStringLiteral("@x"), adVarChar, adParamInput, 8, Variant(QStringLiteral("jdoe")), -1, -1);
    echo.AddParameter(QStringLiteral("@y"), adChar, adParamInput, 2, Variant(Null), -1, -1);
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(db.OpenCommandRecordset(echo, rs));
    EXPECT_EQ(rs->Item(0).toString(), QStringLiteral("jdoe"));
    EXPECT_TRUE(rs->Item(1).isNull());

    // inputs take their parameters' types; one that does not convert fails before the call
    cmd.Parameters()[0].value = Variant(QStringLiteral(" 7 "));
    EXPECT_TRUE(db.ExecuteCommand(cmd));
    EXPECT_EQ(cmd.ParameterValue(QStringLiteral("r_iSum")).toInt32(), 9);
    cmd.Parameters()[0].value = Variant(QStringLiteral("seven"));
    EXPECT_EQ(ErrorOf([&] { db.ExecuteCommand(cmd); }).number(), kDatabaseErrorNumber);
    EXPECT_EQ(count(), 2);

    // a procedure's failure reaches the caller with its description, and its writes are undone
    cmd.Parameters()[0].value = Variant(Null);
    const AppError e = ErrorOf([&] { db.ExecuteCommand(cmd); });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_EQ(e.description(), QStringLiteral("@a must not be NULL"));
    EXPECT_EQ(e.source(), QStringLiteral("BrandleDatabase"));
    EXPECT_EQ(count(), 2);
}

TEST_P(BrandleDatabaseTest, BadInputFailsClearlyAndWritesNothing)
{
    struct Case {
        const char* sql;
        const char* message;  // a part of the description
        const char* odbcMessage = nullptr;  // the same through the SQLite ODBC driver, where it differs
    };
    const Case cases[] = {
        {"INSERT INTO Items (Name) VALUES ('a')\r\nINSERT INTO Items (Nme) VALUES ('b')", "no column named Nme"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nSELEC * FROM Items", "syntax error"},
        {"INSERT INTO Items (Name) VALUES ('O'Neil')", "Unclosed quotation mark"},
        {"INSERT INTO Items (Name, Qty) VALUES ('O'Neil', 'O'Brien')", "syntax error"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nEXEC NoSuchProcedure 1", "Could not find stored procedure 'NoSuchProcedure'"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nEXEC test_Echo 1", "expects parameter number 2"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nEXEC test_Echo 1,2,3,4", "too many arguments"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nEXEC test_Echo 1,2,'fail'", "test_Echo was told to fail"},
        {"EXEC test_Echo 1,,2", "Incorrect syntax near ','"},
        {"INSERT INTO Items (Name) VALUES ('a')\r\nDECLARE @x int", "Unsupported SQL"},
        {"INSERT INTO Items (Name) VALUES ('unterminated)", "Unclosed quotation mark"},
        // the SQLite ODBC driver reads "{" as the start of an ODBC escape, whatever it is told
        {"SELECT * FROM Items WHERE Name = {CustName}", "unrecognized token", "incomplete input"},
    };
    for (const Case& c : cases) {
        const AppError e = ErrorOf([&] { db.Execute(QString::fromLatin1(c.sql)); });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.sql;
        const char* message = GetParam() == Backend::Odbc && c.odbcMessage ? c.odbcMessage : c.message;
        EXPECT_TRUE(e.description().contains(QLatin1String(message)))
            << c.sql << " gave: " << e.description().toStdString();
        EXPECT_EQ(count(), 0) << c.sql;
    }
    // the same inside an open transaction: the transaction goes on
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("t"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('kept')"));
    for (const Case& c : cases)
        EXPECT_NE(ErrorOf([&] { db.Execute(QString::fromLatin1(c.sql)); }).number(), 0) << c.sql;
    db.CommitTrans(QStringLiteral("t"), flag);
    EXPECT_EQ(count(), 1);

    // without a connection
    BrandleDatabase closed;
    EXPECT_EQ(ErrorOf([&] { closed.Execute(QStringLiteral("SELECT 1")); }).number(), kDatabaseErrorNumber);
}

TEST_P(BrandleDatabaseTest, ReadOnlyRecordsetRunsOnlyASingleQuery)
{
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('a')"));
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(db.OpenReadOnlyRecordset(QStringLiteral("SELECT Name FROM Items WHERE Name LIKE 'A%'"), rs));
    const char* const refused[] = {
        "SELECT Name FROM Items WHERE 1 = 1; DELETE FROM Items",
        "SELECT Name FROM Items WHERE 1 = 1\r\nDELETE FROM Items",
        "DELETE FROM Items",
        "EXEC test_Add 1, 2, NULL",
        "UPDATE Items SET Name = 'b'",
        "WITH x AS (SELECT 1) DELETE FROM Items",
    };
    for (const char* sql : refused) {
        const AppError e = ErrorOf([&] { db.OpenReadOnlyRecordset(QString::fromLatin1(sql), rs); });
        EXPECT_EQ(e.number(), kDatabaseErrorNumber) << sql;
        EXPECT_EQ(count(QStringLiteral("Name = 'a'")), 1) << sql;
    }
}

// An endless query, and an endless insert (both stop only through the timeout).
// A wait the timeout of 1 s ends lasts that long at least (the deadline is kept on
// the monotonic clock) and far less than half the default timeout of 30 s.
constexpr qint64 kHalfTheDefaultTimeoutMs = 15000;
const char* const kEndlessQuery = "WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT COUNT(*) FROM c";
const char* const kEndlessInsert =
    "WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) INSERT INTO Items (Name) SELECT 'n' FROM c";

TEST_P(BrandleDatabaseTest, CommandTimeoutStopsAStatementAndLeavesNothingHalfWritten)
{
    db.SetCommandTimeout(1);
    QElapsedTimer timer;
    timer.start();
    AppError e = ErrorOf([&] { db.Execute(QString::fromLatin1(kEndlessQuery)); });
    EXPECT_EQ(e.number(), kDatabaseErrorNumber);
    EXPECT_EQ(e.description(), QStringLiteral("Query timeout expired"));
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_LT(timer.elapsed(), kHalfTheDefaultTimeoutMs);

    // outside a transaction the statement is undone whole
    e = ErrorOf([&] { db.Execute(QString::fromLatin1(kEndlessInsert)); });
    EXPECT_EQ(e.description(), QStringLiteral("Query timeout expired"));
    EXPECT_EQ(count(), 0);

    // inside one, the database rolls the transaction back: nothing of it is written,
    // and the program hears of it until it ends the transaction
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('before')"));
    db.BeginTrans(QStringLiteral("CoLdUVColumn.Store"), flag);
    EXPECT_EQ(ErrorOf([&] { db.Execute(QString::fromLatin1(kEndlessInsert)); }).description(),
              QStringLiteral("Query timeout expired"));
    db.RollbackTrans(QStringLiteral("CoLdUVColumn.Store"), flag);
    EXPECT_TRUE(ErrorOf([&] { db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('after')")); })
                    .description()
                    .contains(QLatin1String("CoLdUV.Store")));
    EXPECT_EQ(ErrorOf([&] { db.CommitTrans(QStringLiteral("CoLdUV.Store"), flag); }).number(), kDatabaseErrorNumber);
    EXPECT_EQ(db.TransactionDepth(), 0);
    EXPECT_EQ(count(), 0);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('later')"));
    EXPECT_EQ(count(), 1);

    // a statement that does not write, timed out inside a transaction, leaves it intact
    db.BeginTrans(QStringLiteral("t"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('kept')"));
    EXPECT_EQ(ErrorOf([&] { db.Execute(QString::fromLatin1(kEndlessQuery)); }).description(),
              QStringLiteral("Query timeout expired"));
    db.CommitTrans(QStringLiteral("t"), flag);
    EXPECT_EQ(count(), 2);

    // no limit
    db.SetCommandTimeout(0);
    EXPECT_EQ(db.DLookup(QStringLiteral("COUNT(*)"),
                         QStringLiteral("(WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000) "
                                        "SELECT x FROM c)"),
                         QString())
                  .toInt32(),
              100000);
}

TEST_P(BrandleDatabaseTest, ReadersDoNotWaitForAWriterAndWritersWaitWithinTheTimeout)
{
    BrandleDatabase other;
    other.OpenBackend(openBackend());
    other.SetCommandTimeout(1);
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("write"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('pending')"));

    EXPECT_EQ(other.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("Items"), QString()).toInt32(), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ErrorOf([&] { other.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('blocked')")); })
                  .description(),
              QStringLiteral("Query timeout expired"));
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_LT(timer.elapsed(), kHalfTheDefaultTimeoutMs);

    db.CommitTrans(QStringLiteral("write"), flag);
    other.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('now')"));
    EXPECT_EQ(count(), 2);
}

TEST_P(BrandleDatabaseTest, AWaitForALockRunsTheThreadsObserverWhichMayCancelIt)
{
    BrandleDatabase other;
    other.OpenBackend(openBackend());
    int32_t flag = 0;
    db.BeginTrans(QStringLiteral("write"), flag);
    db.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('pending')"));

    // An observer that never cancels: the command timeout still ends the wait.
    int patient = 0;
    SetLockWaitObserver(LockWaitObserver{[&](int64_t) { return ++patient > 0; }, [] {}});
    other.SetCommandTimeout(1);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ErrorOf([&] { other.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('blocked')")); })
                  .description(),
              QStringLiteral("Query timeout expired"));
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_LT(timer.elapsed(), kHalfTheDefaultTimeoutMs);
    EXPECT_GT(patient, 10);  // called every few milliseconds of the wait

    other.SetCommandTimeout(30);
    std::vector<int64_t> waits;
    int ended = 0;
    QString nested;
    SetLockWaitObserver(LockWaitObserver{[&](int64_t waited) {
                                             waits.push_back(waited);
                                             // What the window's events may try meanwhile on the waiting connection.
                                             if (nested.isEmpty())
                                                 nested = ErrorOf([&] { other.Execute(QStringLiteral("SELECT 1")); })
                                                              .description();
                                             return waited < 300;  // then the user cancels
                                         },
                                         [&] { ++ended; }});
    timer.start();
    EXPECT_EQ(ErrorOf([&] { other.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('blocked')")); })
                  .description(),
              QStringLiteral("Query timeout expired"));
    // Ended by the observer's cancel, not by the timeout of 30 s.
    EXPECT_LT(timer.elapsed(), kHalfTheDefaultTimeoutMs);
    ASSERT_GT(waits.size(), 1u);
    EXPECT_GE(waits.back(), 300);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(nested, QStringLiteral("The database is busy: a statement of this connection waits for another user."));

    // Without a lock in the way the connection works on, and nothing of the
    // cancelled statement was written. (The embedded server calls the observer
    // only for a lock; over ODBC it may hear of any call that takes long.)
    waits.clear();
    db.CommitTrans(QStringLiteral("write"), flag);
    other.Execute(QStringLiteral("INSERT INTO Items (Name) VALUES ('now')"));
    if (GetParam() == Backend::Embedded)
        EXPECT_TRUE(waits.empty());
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(count(QStringLiteral("Name = 'blocked'")), 0);
    SetLockWaitObserver({});
}

TEST_P(BrandleDatabaseTest, AStatementWithANulCharacterIsRefusedInPlainWords)
{
    const QString sql = QStringLiteral("INSERT INTO Items (Name) VALUES ('a") + QChar(u'\0') + QStringLiteral("b')");
    const QString message = QStringLiteral("A text holds a NUL character, which the database cannot take.");
    EXPECT_EQ(ErrorOf([&] { db.Execute(sql); }).description(), message);
    BrandleRecordsetPtr rs;
    EXPECT_EQ(ErrorOf([&] { db.OpenReadOnlyRecordset(QStringLiteral("SELECT '") + QChar(u'\0') + QStringLiteral("'"), rs); })
                  .description(),
              message);
    EXPECT_EQ(count(), 0);
}

TEST_P(BrandleDatabaseTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kRounds = 60;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int status = 0;
            try {
                BrandleDatabase mine;
                mine.OpenBackend(openBackend());
                const QString name = QStringLiteral("process %1").arg(c);
                for (int i = 0; i < kRounds; ++i) {
                    int32_t flag = 0;
                    switch (i % 3) {
                    case 0:
                        mine.Execute(QStringLiteral("INSERT INTO Items (Name, Qty) VALUES ('%1', %2)").arg(name).arg(i));
                        break;
                    case 1:
                        mine.BeginTrans(QStringLiteral("round"), flag);
                        mine.Execute(QStringLiteral("INSERT INTO Items (Name, Qty) SELECT Name = '%1', Qty = "
                                                    "(SELECT COUNT(*) FROM Items WHERE Name = '%1')")
                                         .arg(name));
                        mine.CommitTrans(QStringLiteral("round"), flag);
                        break;
                    default: {
                        BrandleRecordsetPtr rs;
                        mine.OpenRecordset(QStringLiteral("INSERT INTO Items (Name, Qty) VALUES ('%1', %2)\r\n"
                                                          "SELECT SCOPE_IDENTITY()")
                                               .arg(name)
                                               .arg(i),
                                           rs);
                        const Variant id = rs->Item(0);
                        if (mine.DLookup(QStringLiteral("Name"), QStringLiteral("Items"),
                                         QStringLiteral("ItemID = ") + id.toString())
                                .toString() != name)
                            status = 2;
                    }
                    }
                }
                mine.CloseConnection();
            } catch (const AppError& e) {
                fprintf(stderr, "child %d: %s\n", c, qPrintable(e.description()));
                status = 1;
            }
            _exit(status);
        }
    }
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(count(QStringLiteral("Name = 'process 0'")), kRounds);
    EXPECT_EQ(count(QStringLiteral("Name = 'process 1'")), kRounds);
    EXPECT_EQ(db.DLookup(QStringLiteral("COUNT(DISTINCT ItemID)"), QStringLiteral("Items"), QString()).toInt32(),
              2 * kRounds);
}

// A site whose locale writes numbers with a comma: the drivers' own text
// conversions (a real or money value read as a number, a number given to a
// procedure) still read and write a decimal point.
TEST_P(BrandleDatabaseTest, NumbersKeepTheirDecimalsUnderADecimalCommaLocale)
{
    db.Execute(QStringLiteral("INSERT INTO Items (Name, Price, Weight) VALUES ('Bolt', 1234.5, 0.125)"));
    BrandleCommand echo;
    echo.Init(QStringLiteral("test_Echo"), 2);
    echo.AddParameter(QStringLiteral("@x"), adDouble, adParamInput, 0, Variant(2.75), -1, -1);
    echo.AddParameter(QStringLiteral("@y"), adCurrency, adParamInput, 0, Variant(-0.5), -1, -1);
    for (const char* locale : kDecimalCommaLocales) {
        UserLocale site(locale);
        if (!site.IsSet())
            return;
        BrandleRecordsetPtr rs;
        ASSERT_TRUE(db.OpenRecordset(QStringLiteral("SELECT Price, Weight, Price * 2 AS Twice FROM Items"), rs));
        EXPECT_DOUBLE_EQ(rs->Item(0).toDouble(), 1234.5) << locale;
        EXPECT_DOUBLE_EQ(rs->Item(1).toDouble(), 0.125) << locale;
        EXPECT_DOUBLE_EQ(rs->Item(2).toDouble(), 2469.0) << locale;
        ASSERT_TRUE(db.OpenCommandRecordset(echo, rs)) << locale;
        EXPECT_DOUBLE_EQ(rs->Item(0).toDouble(), 2.75) << locale;
        EXPECT_DOUBLE_EQ(rs->Item(1).toDouble(), -0.5) << locale;
        db.Execute(QStringLiteral("UPDATE Items SET Weight = Weight + 0.25"));
        EXPECT_DOUBLE_EQ(db.DLookup(QStringLiteral("Weight"), QStringLiteral("Items"), QString()).toDouble(), 0.375)
            << locale;
        db.Execute(QStringLiteral("UPDATE Items SET Weight = 0.125"));
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, BrandleDatabaseTest, ::testing::Values(Backend::Embedded, Backend::Odbc),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::Odbc ? std::string("Odbc") : std::string("Embedded");
                         });

}  // namespace
