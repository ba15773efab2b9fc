// The workbook writer: typed cells, bold header cells, text that stays text
// whatever characters it holds, fitted column widths, long document
// properties, continuation sheets, a file for the user alone, and failures
// (a disk that fills up included) that say what went wrong and leave nothing.

#include "UserLocale.h"
#include "XlsxReadBack.h"

#include "base/AppError.h"
#include "platform/spreadsheet/SpreadsheetWorkbook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace xlsxtest;
using Kind = SpreadsheetWorkbook::Kind;

namespace {

class SpreadsheetWorkbookTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }
    QStringList OpenFiles() const { return OpenFilesUnder(m_dir.path()); }
    // Everything in the test's folder, hidden entries included.
    QStringList Entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QTemporaryDir m_dir;
};

// Runs f in a child process whose files cannot grow beyond limit bytes (a disk
// that is full for it); the child's exit code.
int InChildWithFileSizeLimit(rlim_t limit, const std::function<int()>& f)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const rlimit r{limit, limit};
        int code = setrlimit(RLIMIT_FSIZE, &r) == 0 ? 99 : 97;
        if (code == 99) {
            try {
                code = f();
            } catch (...) {
                code = 98;
            }
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SpreadsheetWorkbookTest, CellsKeepTheirTypesAndTheHeaderIsBoldAcrossTheGivenColumns)
{
    const QString path = PathOf(QStringLiteral("types.xlsx"));
    {
        SpreadsheetWorkbook book(path);
        book.SetTitle(QStringLiteral("Title"));
        book.SetHeader({QStringLiteral("ID"), QStringLiteral("Price"), QStringLiteral("Ordered"), QStringLiteral("Qty"),
                        QStringLiteral("Paid"), QStringLiteral("Note"), QStringLiteral("Formula")},
                       3, {Kind::Number, Kind::Money, Kind::Date, Kind::Auto, Kind::Boolean, Kind::Text, Kind::Text});
        book.AppendRow({Variant(int32_t(1)), Variant(1234.5), Variant(QStringLiteral("2024-02-29 00:00:00")),
                        Variant(int32_t(7)), Variant(int32_t(1)), Variant(QStringLiteral("O'Brien & <Sons>")),
                        Variant(QStringLiteral("=1+1"))});
        book.AppendRow({Variant(int32_t(2)), Variant(Null), Variant(QStringLiteral("2024-03-01 13:30:00")),
                        Variant(2.25), Variant(false), Variant(QStringLiteral("")),
                        Variant(QStringLiteral("A much longer note that widens its column"))});
        book.Close();
        EXPECT_EQ(book.RowsWritten(), 2);
    }
    const auto cells = ReadCells(path);

    // The header overwrote the title; A1 and the first three cells are bold.
    EXPECT_EQ(cells.value(QStringLiteral("A1")).value, QStringLiteral("ID"));
    for (const char* ref : {"A1", "B1", "C1"})
        EXPECT_TRUE(cells.value(QLatin1String(ref)).bold) << ref;
    for (const char* ref : {"D1", "E1", "A2", "B2"})
        EXPECT_FALSE(cells.value(QLatin1String(ref)).bold) << ref;

    struct Expect {
        const char* ref;
        const char* type;
        const char* value;
        int numFmt;
    };
    const Expect expected[] = {
        {"A2", "", "1", 0},
        {"B2", "", "1234.5", 7},  // money: the currency format
        {"C2", "", "45351", 14},  // a date: the day number, shown as a date
        {"C3", "", "45352.5625", 22},  // with a time
        {"D2", "", "7", 0},
        {"D3", "", "2.25", 0},
        {"E2", "b", "1", 0},  // TRUE
        {"E3", "b", "0", 0},
        {"F2", "inlineStr", "O'Brien & <Sons>", 0},
        {"G2", "inlineStr", "=1+1", 0},  // text, not a formula
    };
    for (const Expect& e : expected) {
        ASSERT_TRUE(cells.contains(QLatin1String(e.ref))) << e.ref;
        const Cell& c = cells[QLatin1String(e.ref)];
        EXPECT_EQ(c.type, QLatin1String(e.type)) << e.ref;
        EXPECT_EQ(c.value, QLatin1String(e.value)) << e.ref;
        EXPECT_EQ(c.numFmt, e.numFmt) << e.ref;
    }
    // NULL and an empty text leave the cell empty.
    EXPECT_FALSE(cells.contains(QStringLiteral("B3")));
    EXPECT_FALSE(cells.contains(QStringLiteral("F3")));
    const QByteArray sheet = Member(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_FALSE(sheet.contains("<f>"));

    // The widths follow the texts: the long note's column is the widest.
    const QString xml = QString::fromUtf8(sheet);
    const QRegularExpression col(QStringLiteral("<col min=\"(\\d+)\" max=\"\\d+\" width=\"([0-9.]+)\""));
    QMap<int, double> widths;
    for (auto it = col.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        widths.insert(m.captured(1).toInt(), m.captured(2).toDouble());
    }
    ASSERT_EQ(widths.size(), 7) << qPrintable(xml.left(800));
    EXPECT_GT(widths.value(7), 40.0);
    EXPECT_LT(widths.value(1), 10.0);
}

// A site whose locale writes a decimal comma: every number of every part of the
// workbook (cell values, dates, column widths, ...) is written with a point, as
// the format requires, in the thread that writes it.
TEST_F(SpreadsheetWorkbookTest, EveryNumberOfEveryPartHasADecimalPointUnderADecimalCommaLocale)
{
    for (const char* locale : kDecimalCommaLocales) {
        UserLocale site(locale);
        if (!site.IsSet())
            return;
        const QString path = PathOf(QString::fromLatin1(locale) + QStringLiteral(".xlsx"));
        std::thread writer([&] {
            SpreadsheetWorkbook book(path);
            book.SetDocumentProperty(QStringLiteral("Note"), QStringLiteral("1,5 stays text"));
            book.SetHeader({QStringLiteral("Price"), QStringLiteral("Share"), QStringLiteral("Ordered"),
                            QStringLiteral("Small"), QStringLiteral("A rather wide column heading")},
                           1, {Kind::Money, Kind::Number, Kind::Date, Kind::Auto, Kind::Text});
            book.AppendRow({Variant(1234.5), Variant(0.1), Variant(QStringLiteral("2024-03-01 13:30:00")),
                            Variant(-2.5e-7), Variant(QStringLiteral("1,5"))});
            book.Close();
        });
        writer.join();

        const QStringList numbers = NumbersOfEveryPart(path);
        ASSERT_FALSE(numbers.isEmpty()) << locale;
        for (const QString& n : numbers)
            EXPECT_FALSE(n.section(QStringLiteral(": "), 2).contains(QLatin1Char(','))) << locale << " " << qPrintable(n);
        const auto cells = ReadCells(path);
        const std::pair<const char*, double> values[] = {{"A2", 1234.5}, {"B2", 0.1}, {"C2", 45352.5625}, {"D2", -2.5e-7}};
        for (const auto& [ref, value] : values) {
            bool ok = false;
            EXPECT_DOUBLE_EQ(QLocale::c().toDouble(cells.value(QLatin1String(ref)).value, &ok), value) << locale << ref;
            EXPECT_TRUE(ok) << locale << " " << ref << ": " << qPrintable(cells.value(QLatin1String(ref)).value);
        }
        EXPECT_EQ(cells.value(QStringLiteral("E2")).value, QStringLiteral("1,5")) << locale;
        const QString sheet = QString::fromUtf8(Member(path, QStringLiteral("xl/worksheets/sheet1.xml")));
        const QRegularExpression width(QStringLiteral("<col min=\"5\" max=\"5\" width=\"([^\"]+)\""));
        const QRegularExpressionMatch m = width.match(sheet);
        ASSERT_TRUE(m.hasMatch()) << locale << " " << qPrintable(sheet.left(600));
        bool ok = false;
        EXPECT_GT(QLocale::c().toDouble(m.captured(1), &ok), 20.0) << locale;
        EXPECT_TRUE(ok) << locale << " " << qPrintable(m.captured(1));
        // The user's own numbers keep the locale's comma.
        EXPECT_EQ(QLocale().toString(1.5), QStringLiteral("1,5")) << locale;
    }
}

TEST_F(SpreadsheetWorkbookTest, WithoutBoldColumnsOnlyA1IsBoldAndTextsOfAnySizeFit)
{
    const QString path = PathOf(QStringLiteral("plain.xlsx"));
    const QString longProperty = QStringLiteral("SELECT ") + QString(600, QLatin1Char('x')) + QString::fromUtf8("é😀");
    const QString longText = QString(40000, QLatin1Char('y'));
    {
        SpreadsheetWorkbook book(path);
        book.SetDocumentProperty(QStringLiteral("CommandText"), longProperty);
        book.SetDocumentProperty(QStringLiteral("Connection"), QStringLiteral("short"));
        book.SetHeader({QStringLiteral("a"), QStringLiteral("b")}, 0);
        book.AppendRow({Variant(longText), Variant(QStringLiteral("z"))});
        book.AppendRow({Variant(QString(SpreadsheetWorkbook::kMaxTextLength, QLatin1Char('w'))), Variant(longText)});
        book.Close();
        EXPECT_EQ(book.TextsCut(), 2);  // a text of exactly the limit is whole
    }
    const auto cells = ReadCells(path);
    EXPECT_TRUE(cells.value(QStringLiteral("A1")).bold);
    EXPECT_FALSE(cells.value(QStringLiteral("B1")).bold);
    // Longer than a cell holds: cut at the limit rather than failing the export.
    EXPECT_EQ(cells.value(QStringLiteral("A2")).value.size(), SpreadsheetWorkbook::kMaxTextLength);
    EXPECT_EQ(cells.value(QStringLiteral("A3")).value.size(), SpreadsheetWorkbook::kMaxTextLength);
    const auto props = CustomProperties(path);
    EXPECT_EQ(props.value(QStringLiteral("Connection")), QStringLiteral("short"));
    EXPECT_EQ(JoinedProperty(props, QStringLiteral("CommandText")), longProperty);
    EXPECT_GE(props.size(), 4);
}

TEST_F(SpreadsheetWorkbookTest, ARowBeyondASheetsLastRowContinuesOnANewSheetWithTheHeader)
{
    const QString path = PathOf(QStringLiteral("long.xlsx"));
    const int64_t rows = SpreadsheetWorkbook::kMaxSheetRows + 1;  // 1,048,577
    {
        SpreadsheetWorkbook book(path);
        book.SetHeader({QStringLiteral("N")}, 1);
        std::vector<Variant> row(1);
        for (int64_t i = 1; i <= rows; ++i) {
            row[0] = Variant(static_cast<double>(i));
            book.AppendRow(row);
        }
        book.Close();
        EXPECT_EQ(book.RowsWritten(), rows);
        EXPECT_EQ(book.SheetCount(), 2);
    }
    EXPECT_EQ(SheetNames(path), (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Sheet2")}));
    EXPECT_EQ(RowCount(path, 1), SpreadsheetWorkbook::kMaxSheetRows);
    const auto second = ReadCells(path, 2);
    EXPECT_EQ(second.size(), 3);
    EXPECT_EQ(second.value(QStringLiteral("A1")).value, QStringLiteral("N"));
    EXPECT_TRUE(second.value(QStringLiteral("A1")).bold);
    // The first sheet holds the header and 1,048,575 rows; the rest follow in order.
    EXPECT_EQ(second.value(QStringLiteral("A2")).value, QStringLiteral("1048576"));
    EXPECT_EQ(second.value(QStringLiteral("A3")).value, QStringLiteral("1048577"));
}

TEST_F(SpreadsheetWorkbookTest, AFileThatCannotBeWrittenFailsWithItsPathAndDiscardWritesNothing)
{
    const QString blocked = PathOf(QStringLiteral("no such folder/book.xlsx"));
    try {
        SpreadsheetWorkbook book(blocked);
        book.SetHeader({QStringLiteral("a")}, 1);
        book.Close();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), vberr::PathFileAccessError);
        EXPECT_TRUE(e.description().contains(blocked)) << qPrintable(e.description());
    }
    const QString dropped = PathOf(QStringLiteral("dropped.xlsx"));
    {
        SpreadsheetWorkbook book(dropped);
        book.SetHeader({QStringLiteral("a")}, 1);
        book.AppendRow({Variant(int32_t(1))});
        book.Discard();
        EXPECT_EQ(OpenFiles(), QStringList());
    }
    EXPECT_FALSE(QFile::exists(dropped));
}

TEST_F(SpreadsheetWorkbookTest, TextsComeBackAsWrittenWhateverCharactersTheyHold)
{
    const QString loneHigh = QString(QChar(0xD800));
    const QString loneLow = QString(QChar(0xDC00));
    const QString replacement = QString(QChar(QChar::ReplacementCharacter));
    struct Case {
        QString written;
        QString readBack;  // as a reader of the format gets it
    };
    const std::vector<Case> cases = {
        {QStringLiteral("a\x01" "b\x1F"), QStringLiteral("a\x01" "b\x1F")},
        {QStringLiteral("\x0B\x0C\x08"), QStringLiteral("\x0B\x0C\x08")},
        {QStringLiteral("_x0041_"), QStringLiteral("_x0041_")},  // a literal, not an escape of "A"
        {QStringLiteral("_x005F_x0041_ and _X00e9_"), QStringLiteral("_x005F_x0041_ and _X00e9_")},
        {QStringLiteral("_x00zz_ _x12_"), QStringLiteral("_x00zz_ _x12_")},
        {QStringLiteral("tab\tline\nreturn\r\nend"), QStringLiteral("tab\tline\nreturn\r\nend")},
        {QStringLiteral("x") + loneHigh + QStringLiteral("y") + loneLow, QStringLiteral("x") + replacement + QStringLiteral("y") + replacement},
        {QString::fromUtf8("emoji 😀 é"), QString::fromUtf8("emoji 😀 é")},
        {QString(QChar(0xFFFF)), QString(QChar(0xFFFF))},
    };
    const QString path = PathOf(QStringLiteral("texts.xlsx"));
    {
        SpreadsheetWorkbook book(path);
        book.SetDocumentProperty(QStringLiteral("CommandText"), QStringLiteral("SELECT '\x01'") + loneHigh);
        book.SetHeader({QStringLiteral("Head\x02er"), QStringLiteral("_x0042_")}, 2);
        for (const Case& c : cases)
            book.AppendRow({Variant(c.written)});
        book.Close();
    }
    EXPECT_EQ(MalformedParts(path), QStringList());
    const auto cells = ReadCells(path);
    EXPECT_EQ(Unescaped(cells.value(QStringLiteral("A1")).value), QStringLiteral("Head\x02er"));
    EXPECT_EQ(Unescaped(cells.value(QStringLiteral("B1")).value), QStringLiteral("_x0042_"));
    for (size_t i = 0; i < cases.size(); ++i) {
        const QString ref = QStringLiteral("A%1").arg(i + 2);
        EXPECT_EQ(Unescaped(cells.value(ref).value), cases[i].readBack) << qPrintable(ref);
    }
    // A property has no escapes: what XML cannot hold is replaced.
    EXPECT_EQ(CustomProperties(path).value(QStringLiteral("CommandText")),
              QStringLiteral("SELECT '") + replacement + QStringLiteral("'") + replacement);
}

TEST_F(SpreadsheetWorkbookTest, TheWorkbookIsForTheUserAloneAndItsTemporaryFilesStayBesideIt)
{
    // No temporary folder to be had: the writer needs none but the workbook's own.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", PathOf(QStringLiteral("no such folder")).toUtf8());
    const QString path = PathOf(QStringLiteral("book.xlsx"));
    {
        SpreadsheetWorkbook book(path);
        book.SetHeader({QStringLiteral("a")}, 1);
        for (int i = 0; i < 1000; ++i)
            book.AppendRow({Variant(QStringLiteral("row %1").arg(i))});
        // Nothing at the path until the workbook is finished.
        EXPECT_FALSE(QFile::exists(path));
        book.Close();
    }
    qputenv("TMPDIR", oldTmp);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(RowCount(path, 1), 1001);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("book.xlsx")});
    EXPECT_EQ(OpenFiles(), QStringList());
}

TEST_F(SpreadsheetWorkbookTest, ADiskThatFillsUpFailsTheWorkbookAndLeavesNothing)
{
    // The folder also reached through a symbolic link, which the open files' names resolve.
    QTemporaryDir other;
    const QString link = other.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(m_dir.path(), link));
    QString path = PathOf(QStringLiteral("full.xlsx"));
    // Rows that compress well: the temporary sheet data is many times the archive.
    auto write = [&path](int rows) {
        SpreadsheetWorkbook book(path);
        book.SetDocumentProperty(QStringLiteral("CommandText"), QStringLiteral("SELECT 1"));
        book.SetHeader({QStringLiteral("Text"), QStringLiteral("N")}, 1);
        for (int i = 0; i < rows; ++i)
            book.AppendRow({Variant(QStringLiteral("the same text on every row of the sheet")), Variant(int32_t(i))});
        book.Close();
    };
    // Without a limit: a sound workbook, whose sheet part gives the size that
    // lets the rows' data through but not the finished sheet around them.
    auto sheetSizeOf = [&](int rows) {
        write(rows);
        EXPECT_EQ(MalformedParts(path), QStringList());
        const qsizetype size = Member(path, QStringLiteral("xl/worksheets/sheet1.xml")).size();
        EXPECT_TRUE(QFile::remove(path));
        return static_cast<rlim_t>(size);
    };
    // A sheet part the read-back parses, and one it checks at its ends only (over 4 MB).
    constexpr int kRows = 150;
    constexpr int kManyRows = 40000;
    const rlim_t sheetSize = sheetSizeOf(kRows);
    const rlim_t largeSheetSize = sheetSizeOf(kManyRows);
    ASSERT_GT(largeSheetSize, rlim_t(4 << 20));

    struct Case {
        rlim_t limit;
        int rows;
        bool diskFull;  // the error says so (not when only the archive read back shows the damage)
    };
    const Case cases[] = {
        {2 * 1024 * 1024, 100000, true},  // the sheet data fills the disk while rows are written
        {6000, 60, true},                 // the other parts cannot be written when the workbook is finished
        {600, 1, true},                   // not even the smallest part
        {sheetSize - 50, kRows, false},  // the sheet part is cut short as it is finished
        {largeSheetSize - 50, kManyRows, false},
    };
    for (const QString& folder : {m_dir.path(), link}) {
        for (const Case& c : cases) {
            path = folder + QStringLiteral("/full.xlsx");
            const int code = InChildWithFileSizeLimit(c.limit, [&] {
                try {
                    write(c.rows);
                    return 1;  // reported as written
                } catch (const AppError& e) {
                    if (!e.description().contains(path) || (c.diskFull && e.number() != vberr::DiskFull))
                        return 3;
                    // The temporary files are closed too, not only removed.
                    if (!OpenFiles().isEmpty())
                        return 4;
                    return 0;
                }
            });
            EXPECT_EQ(code, 0) << c.limit << " " << qPrintable(folder);
            EXPECT_EQ(Entries(), QStringList()) << c.limit << " " << qPrintable(folder);
        }
    }
}

}  // namespace
