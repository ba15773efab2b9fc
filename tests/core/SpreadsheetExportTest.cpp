// The spreadsheet export on the demo company: the rights refusal, the two
// connection texts, the workbook a statement gives (rows, header, connection
// property with and without the right to keep it), failures that say why and
// leave no file, Cancel, a workbook no program could open, file names cut to
// what the file system takes, a workbook for the user alone, and cells that
// keep their exact values.

#include "UserLocale.h"
#include "listwindow/ExportTestSupport.h"
#include "platform/spreadsheet/XlsxReadBack.h"

#include "core/SpreadsheetExport.h"
#include "db/ClientOdbcConfig.h"
#include "platform/database/OdbcServers.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace listtest;
using namespace xlsxtest;

namespace {

const QString kAttention = QStringLiteral("Attention Required");

class SpreadsheetExportTest : public ExportTest {
protected:
    static int ModeOf(const QString& path)
    {
        struct stat st {};
        return stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
    }
    void SetAuthMethod(const QString& value)
    {
        Exec(QStringLiteral("UPDATE CoRegValues SET Value = ") + QuoteSQLString(value) +
             QStringLiteral(" WHERE Name = 'ExcelExportAuthMethod'"));
    }
};

TEST_F(SpreadsheetExportTest, AUserWithoutTheExportRightIsRefusedAndNothingIsWritten)
{
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    ExportToExcel(QStringLiteral("SELECT CustomerID, Name FROM Customers ORDER BY 2"), QString(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt,
              QStringLiteral("You have insufficient security rights to perform the requested operation."));
    EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbCritical));
    EXPECT_EQ(boxes[0].buttons(), static_cast<int>(vbOKOnly));
    EXPECT_EQ(boxes[0].title, kAttention);
    EXPECT_TRUE(Exports().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
}

TEST_F(SpreadsheetExportTest, TheConnectionTextsNameTheSessionsServerAndDatabase)
{
    const QString base = QStringLiteral("ODBC;DRIVER=SQL Server;SERVER=") + g_sServer + QStringLiteral(";DATABASE=") +
                         g_sDatabase;
    EXPECT_EQ(GetExportConnectionString(true),
              base + QStringLiteral(";TRUSTED CONNECTION=YES;INTEGRATED SECURITY=SSPI;"));
    EXPECT_EQ(GetExportConnectionString(false), base + QStringLiteral(";UID=coreadonly;PWD=") +
                                                    QString::fromLatin1(erpdb::kDemoReadOnlyPassword) +
                                                    QStringLiteral(";"));
    // A server reached through ODBC is named by the host its client configuration
    // gives, not by the program's own name for it, which resolves nowhere.
    const QString session = g_sServer;
    SetOdbcServerLookup([session](const QString& server) -> std::optional<OdbcServerConfig> {
        if (server.compare(session, Qt::CaseInsensitive) != 0)
            return std::nullopt;
        OdbcServerConfig c;
        c.host = QStringLiteral("sqlhost\\ERP");
        return c;
    });
    const QString named = GetExportConnectionString(true);
    SetOdbcServerLookup(&erpdb::ClientOdbcServer);
    EXPECT_EQ(named, QStringLiteral("ODBC;DRIVER=SQL Server;SERVER=sqlhost\\ERP;DATABASE=") + g_sDatabase +
                         QStringLiteral(";TRUSTED CONNECTION=YES;INTEGRATED SECURITY=SSPI;"));
    // Without a session the text is empty, not an error.
    ResetSession();
    EXPECT_TRUE(GetExportConnectionString(false).isEmpty());
}

TEST_F(SpreadsheetExportTest, TheWorkbookHoldsTheRowsAndKeepsTheRealConnectionOnlyWithTheRight)
{
    const QString sql = QStringLiteral("SELECT CustomerID AS [ID], Name AS [Customer Name], CreditLimit FROM Customers ORDER BY 2");
    const int customers = Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt();
    const QString blank = QStringLiteral("ODBC;DRIVER=SQL Server;SERVER=;UID=;PWD=;APP=Microsoft") + QChar(0x00AE) +
                          QStringLiteral("Query;DATABASE=");
    struct Case {
        const char* user;
        const char* password;
        const char* authMethod;
        bool keeps;
        bool integrated;
    };
    const Case cases[] = {
        {"jdoe", "secret", "1", false, false},
        {"asmith", "alice", "1", true, false},
        {"asmith", "alice", "0", true, true},
    };
    for (const Case& c : cases) {
        SetAuthMethod(QLatin1String(c.authMethod));
        LogOnAs(QLatin1String(c.user), QLatin1String(c.password));
        opened.clear();
        const QStringList captions = {QStringLiteral("Customer Name"), QStringLiteral("Credit Limit")};
        ExportToExcel(sql, QString(), &captions, {QStringLiteral("Customers"), {}});
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        ASSERT_EQ(opened.size(), 1) << c.user;
        const QString path = opened.first();
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("Customers "))) << qPrintable(path);
        EXPECT_EQ(QFileInfo(path).absolutePath(), SpreadsheetExportFolder());

        const auto props = CustomProperties(path);
        EXPECT_EQ(JoinedProperty(props, QStringLiteral("CommandText")), sql);
        const QString connection = JoinedProperty(props, QStringLiteral("Connection"));
        EXPECT_EQ(connection, c.keeps ? GetExportConnectionString(c.integrated) : blank) << c.user << c.authMethod;
        if (!c.keeps)
            EXPECT_FALSE(Member(path, QStringLiteral("docProps/custom.xml")).contains(erpdb::kDemoReadOnlyPassword));

        EXPECT_EQ(MalformedParts(path), QStringList());
        const auto cells = ReadCells(path);
        EXPECT_EQ(RowCount(path, 1), customers + 1);
        EXPECT_EQ(cells.value(QStringLiteral("A1")).value, QStringLiteral("ID"));
        EXPECT_EQ(cells.value(QStringLiteral("B1")).value, QStringLiteral("Customer Name"));
        EXPECT_EQ(cells.value(QStringLiteral("C1")).value, QStringLiteral("CreditLimit"));
        // Every heading is bold, the row id's and the last one too; nothing beyond them.
        for (const char* cell : {"A1", "B1", "C1"})
            EXPECT_TRUE(cells.value(QLatin1String(cell)).bold) << cell;
        EXPECT_FALSE(cells.value(QStringLiteral("D1")).bold);
        // In the statement's order.
        EXPECT_EQ(cells.value(QStringLiteral("B2")).value,
                  Value(QStringLiteral("SELECT Name FROM Customers ORDER BY 1 LIMIT 1")));
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
    }
    // Every export is a file of its own.
    EXPECT_EQ(Exports().size(), 3);
}

TEST_F(SpreadsheetExportTest, AFailureShowsTheReasonAndLeavesNoFile)
{
    struct Case {
        const char* sql;
        const char* reason;
    };
    const Case cases[] = {
        {"SELECT NoSuchColumn FROM Customers ORDER BY 2", "NoSuchColumn"},
        // Only a single query that cannot write runs.
        {"DELETE FROM Customers", "single query"},
        {"SELECT 1; DELETE FROM Customers", "single query"},
    };
    const int customers = Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt();
    for (const Case& c : cases) {
        boxes.clear();
        ExportToExcel(QLatin1String(c.sql), QString(), nullptr);
        ASSERT_EQ(boxes.size(), 1u) << c.sql;
        EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("(") + QString::number(kDatabaseErrorNumber) +
                                               QStringLiteral(") -- ")))
            << qPrintable(boxes[0].prompt);
        EXPECT_TRUE(boxes[0].prompt.contains(QLatin1String(c.reason))) << qPrintable(boxes[0].prompt);
        EXPECT_TRUE(Exports().isEmpty()) << c.sql;
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
    }
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt(), customers);
    EXPECT_TRUE(opened.isEmpty());

    // The export folder cannot be made: a file stands in its place.
    QDir(SpreadsheetExportFolder()).removeRecursively();
    QDir().mkpath(QFileInfo(SpreadsheetExportFolder()).absolutePath());
    QFile blocker(SpreadsheetExportFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    boxes.clear();
    ExportToExcel(QStringLiteral("SELECT CustomerID, Name FROM Customers ORDER BY 2"), QString(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(SpreadsheetExportFolder())) << qPrintable(boxes[0].prompt);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(SpreadsheetExportTest, CancelStopsTheQueryAndLeavesNoFile)
{
    // A query that would run for hours before its first row.
    const QString slow = QStringLiteral(
        "SELECT a.OrderLineID, COUNT(*) FROM OrderLines a, OrderLines b, OrderLines c, OrderLines d GROUP BY "
        "a.OrderLineID ORDER BY 2");
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String(kExportProgressName) && w->isVisible()) {
                w->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
                cancelled = true;
                poll.stop();
            }
        }
    });
    poll.start(20);
    QElapsedTimer clock;
    clock.start();
    ExportToExcel(slow, QString(), nullptr);
    EXPECT_TRUE(cancelled);
    // Ended by the Cancel, soon after the progress shows.
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(Exports().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
}

TEST_F(SpreadsheetExportTest, AWorkbookNoProgramOpensIsNamedToTheUser)
{
    openerAnswer = false;
    ExportToExcel(QStringLiteral("SELECT CustomerID, Name FROM Customers ORDER BY 2"), QString(), nullptr);
    ASSERT_EQ(opened.size(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(opened.first())) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(boxes[0].title, kAttention);
    EXPECT_TRUE(QFile::exists(opened.first()));
}

TEST_F(SpreadsheetExportTest, LongNamesAreCutToWholeCharactersAndTheFileOpenedIsTheFileWritten)
{
    const QString cjk = QString::fromUtf8("顧客請求書");
    const QString emoji = QString::fromUtf8("😀");
    struct Case {
        QString name;
        QString stemStart;  // what the file name begins with
    };
    const std::vector<Case> cases = {
        {cjk.repeated(60), cjk.repeated(14)},
        // An emoji that the limit would cut in half is left out whole.
        {QString(222, QLatin1Char('a')) + emoji + QStringLiteral("tail"), QString(222, QLatin1Char('a')) + QLatin1Char(' ')},
        {QStringLiteral("Lone ") + QChar(0xD83D) + QStringLiteral(" half"), QStringLiteral("Lone _ half ")},
        {QStringLiteral("a/b\\c:d"), QStringLiteral("a_b_c_d ")},
        {QStringLiteral("..."), QStringLiteral("Export ")},
    };
    for (const Case& c : cases) {
        QDir(SpreadsheetExportFolder()).removeRecursively();
        opened.clear();
        boxes.clear();
        ExportToExcel(QStringLiteral("SELECT CustomerID, Name FROM Customers ORDER BY 2"), QString(), nullptr,
                      {c.name, {}});
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        ASSERT_EQ(opened.size(), 1);
        // One file: the one handed over, whole.
        EXPECT_EQ(Exports(), opened);
        const QString fileName = QFileInfo(opened.first()).fileName();
        EXPECT_LE(QFile::encodeName(fileName).size(), 255);
        EXPECT_TRUE(fileName.startsWith(c.stemStart)) << qPrintable(fileName);
        EXPECT_GT(RowCount(opened.first(), 1), 1);
    }
}

TEST_F(SpreadsheetExportTest, TheWorkbookAndItsFolderAreForTheUserAloneAndNothingElseIsLeftThere)
{
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));  // keeps the real connection, password and all
    ExportToExcel(QStringLiteral("SELECT CustomerID, Name FROM Customers ORDER BY 2"), QString(), nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(ModeOf(opened.first()), 0600);
    for (QString folder = SpreadsheetExportFolder(); folder.endsWith(QLatin1String("exports")) ||
                                                     folder.endsWith(QLatin1String("Pelmora")) ||
                                                     folder.endsWith(QLatin1String("Harbrook Inc"));
         folder = QFileInfo(folder).absolutePath())
        EXPECT_EQ(ModeOf(folder), 0700) << qPrintable(folder);
    // The writer's temporary folder went with the work.
    EXPECT_EQ(QDir(SpreadsheetExportFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(SpreadsheetExportTest, CellsKeepTheirExactValuesAndCutTextsAreCountedToTheUser)
{
    // Control characters in the statement too: the workbook's parts stay well-formed.
    const QString sql = QStringLiteral(
        "SELECT CustomerID, '_x0041_' AS Literal, 'a' + CHAR(1) + 'b' AS Control, 9007199254740993 AS Big, "
        "-9223372036854775807 AS Small, 4503599627370497 AS Exact, printf('%.*c', 40000, 'x') AS Long "
        "FROM Customers WHERE Name <> '\x01' ORDER BY 2");
    const int customers = Value(QStringLiteral("SELECT COUNT(*) FROM Customers")).toInt();
    ExportToExcel(sql, QString(), nullptr);
    ASSERT_EQ(opened.size(), 1) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    const QString path = opened.first();
    EXPECT_EQ(MalformedParts(path), QStringList());
    const auto cells = ReadCells(path, 1, 2);
    EXPECT_EQ(Unescaped(cells.value(QStringLiteral("B2")).value), QStringLiteral("_x0041_"));
    EXPECT_EQ(Unescaped(cells.value(QStringLiteral("C2")).value), QStringLiteral("a\x01" "b"));
    // Beyond what a double holds exactly: text, every digit kept.
    EXPECT_EQ(cells.value(QStringLiteral("D2")).value, QStringLiteral("9007199254740993"));
    EXPECT_EQ(cells.value(QStringLiteral("D2")).type, QStringLiteral("inlineStr"));
    EXPECT_EQ(cells.value(QStringLiteral("E2")).value, QStringLiteral("-9223372036854775807"));
    EXPECT_EQ(cells.value(QStringLiteral("F2")).value, QStringLiteral("4503599627370497"));
    EXPECT_EQ(cells.value(QStringLiteral("F2")).type, QString());  // still a number
    EXPECT_EQ(cells.value(QStringLiteral("G2")).value.size(), 32767);
    // After the workbook was handed over, the user learns how many cells were cut.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QLocale().toString(customers) + QStringLiteral(" of the exported cells")))
        << qPrintable(boxes[0].prompt);
    EXPECT_TRUE(boxes[0].prompt.contains(QLocale().toString(32767))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(boxes[0].title, kAttention);
}

TEST_F(SpreadsheetExportTest, ADiskThatFillsUpShowsTheErrorBoxAndLeavesNoFile)
{
    // In a child process whose files cannot grow beyond 256 KB: the workbook's
    // temporary sheet data passes that long before the rows are all written.
    const QString sql = QStringLiteral("SELECT a.OrderLineID, b.OrderLineID, 'a text that fills the sheet' "
                                       "FROM OrderLines a, OrderLines b ORDER BY 2 LIMIT 20000");
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        int code = setrlimit(RLIMIT_FSIZE, &limit) == 0 ? 0 : 9;
        if (code == 0) {
            ExportToExcel(sql, QString(), nullptr);
            if (boxes.size() != 1 || !boxes[0].prompt.contains(QStringLiteral("The disk is full")))
                code = 1;
            else if (!opened.isEmpty())
                code = 2;
            else if (!OpenFilesUnder(SpreadsheetExportFolder()).isEmpty())
                code = 4;  // removed, but still holding the disk full
            else if (!QDir(SpreadsheetExportFolder())
                          .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                          .isEmpty())
                code = 3;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Without the limit the same export makes a sound workbook.
    ExportToExcel(sql, QString(), nullptr);
    ASSERT_EQ(opened.size(), 1) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(RowCount(opened.first(), 1), 20001);
    EXPECT_EQ(MalformedParts(opened.first()), QStringList());
}

// A site whose locale writes a decimal comma: the export thread writes every
// number of the workbook with a point, and what the user is told keeps the
// locale's own format.
TEST_F(SpreadsheetExportTest, UnderADecimalCommaLocaleTheWorkbookHasDecimalPointsAndTheUserTheirOwnFormat)
{
    const QString sql = QStringLiteral(
        "SELECT o.OrderID, o.OrderTotal, o.OrderTotal / 7 AS Share, o.OrderDate, printf('%.*c', 40000, 'x') AS Long "
        "FROM Orders o ORDER BY o.OrderID LIMIT 50");
    BrandleRecordsetPtr expected;
    ASSERT_TRUE(SessionEngine().DBI().OpenRecordset(sql, expected));
    const double total = expected->Item(1).toDouble();
    const double share = expected->Item(2).toDouble();
    for (const char* locale : kDecimalCommaLocales) {
        UserLocale site(locale);
        if (!site.IsSet())
            return;
        boxes.clear();
        opened.clear();
        ExportToExcel(sql, QString(), nullptr);
        ASSERT_EQ(opened.size(), 1) << locale << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        const QString path = opened.first();
        for (const QString& n : NumbersOfEveryPart(path))
            EXPECT_FALSE(n.section(QStringLiteral(": "), 2).contains(QLatin1Char(','))) << locale << " " << qPrintable(n);
        const auto cells = ReadCells(path, 1, 2);
        bool ok = false;
        EXPECT_DOUBLE_EQ(QLocale::c().toDouble(cells.value(QStringLiteral("B2")).value, &ok), total) << locale;
        EXPECT_TRUE(ok) << locale;
        EXPECT_DOUBLE_EQ(QLocale::c().toDouble(cells.value(QStringLiteral("C2")).value, &ok), share) << locale;
        EXPECT_TRUE(ok) << locale;
        // The user's message: the number of cut cells in the locale's own format.
        ASSERT_EQ(boxes.size(), 1u) << locale;
        EXPECT_TRUE(boxes[0].prompt.contains(QLocale().toString(32767))) << locale << qPrintable(boxes[0].prompt);
        EXPECT_NE(QLocale().toString(32767), QStringLiteral("32,767")) << locale;
    }
}

}  // namespace
