// The workbook writer: typed cells, bold header cells, text that stays text,
// fitted column widths, long document properties, continuation sheets, and
// failures that say what went wrong.

#include "XlsxReadBack.h"

#include "base/AppError.h"
#include "platform/spreadsheet/SpreadsheetWorkbook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace xlsxtest;
using Kind = SpreadsheetWorkbook::Kind;

namespace {

class SpreadsheetWorkbookTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

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
        book.Close();
    }
    const auto cells = ReadCells(path);
    EXPECT_TRUE(cells.value(QStringLiteral("A1")).bold);
    EXPECT_FALSE(cells.value(QStringLiteral("B1")).bold);
    // Longer than a cell holds: cut at the limit rather than failing the export.
    EXPECT_EQ(cells.value(QStringLiteral("A2")).value.size(), SpreadsheetWorkbook::kMaxTextLength);
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
    }
    EXPECT_FALSE(QFile::exists(dropped));
}

}  // namespace
