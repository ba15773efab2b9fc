#pragma once
// A spreadsheet workbook (.xlsx) written row by row in constant memory: the
// rows of a query with a header row, each value with its type (numbers as
// numbers, money in a currency format, dates as dates, Booleans as TRUE/FALSE,
// text always as text, never as a formula; NULL leaves the cell empty). A sheet
// holds at most kMaxSheetRows rows; the rows after that continue on further
// sheets ("Sheet2", "Sheet3", ...), each starting with the same header row.
// Column widths are fitted to the header and the first rows of each sheet.
//
// Texts hold only what XML can hold: a control character is written as the
// format's escape of it ("_x0001_"), a literal text of that form keeps its
// underscore escaped, a lone surrogate becomes U+FFFD. A text longer than a
// cell holds is cut at kMaxTextLength characters, and counted.
//
// The writer's temporary files and the workbook in the making live in a folder
// of their own (for the user alone) beside the workbook, not in TMPDIR. Every
// write to them is checked, and the finished archive is read back before it
// replaces the file at path (created for the user alone); nothing reaches path
// until Close succeeds; Discard drops the work. A failure is an AppError whose
// description says what went wrong (the file cannot be created, the disk is
// full, ...), and leaves nothing behind.

#include "base/Variant.h"

#include <QStringList>
#include <cstdint>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

class SpreadsheetWorkbook {
public:
    // How the values of a column are written; Auto goes by each value's own type.
    enum class Kind { Auto, Text, Number, Money, Date, Boolean };

    static constexpr int64_t kMaxSheetRows = 1048576;
    static constexpr int kMaxTextLength = 32767;  // characters a cell can hold
    // Data rows of each sheet whose texts the column widths are fitted to.
    static constexpr int kWidthSampleRows = 100;

    // Prepares a workbook for the file at path (created or replaced on Close);
    // fails when its folder cannot take the temporary files.
    explicit SpreadsheetWorkbook(const QString& path);
    ~SpreadsheetWorkbook();
    SpreadsheetWorkbook(const SpreadsheetWorkbook&) = delete;
    SpreadsheetWorkbook& operator=(const SpreadsheetWorkbook&) = delete;

    // A custom document property of text. A value longer than a property can
    // hold (255 characters) continues in properties named "<name> (2)", "<name> (3)", ...
    void SetDocumentProperty(const QString& name, const QString& value);
    // Text for cell A1 of the first sheet, bold; a header row written later overwrites it.
    void SetTitle(const QString& title);
    // The header row (first row of every sheet) and how each column is written.
    // The first boldColumns cells of the header are bold, and so is A1.
    void SetHeader(const QStringList& fieldNames, int boldColumns, std::vector<Kind> kinds = {});
    // One row of values, after the header.
    void AppendRow(const std::vector<Variant>& values);

    int64_t RowsWritten() const { return m_rowsWritten; }
    int SheetCount() const { return m_sheetCount; }
    // Cells whose text was longer than a cell holds and was cut.
    int64_t TextsCut() const { return m_textsCut; }

    // Writes the file; the workbook is finished afterwards.
    void Close();
    // Drops the workbook without writing anything.
    void Discard();

private:
    void addSheet();
    void writeHeader();
    void fitColumns();
    void writeValue(int col, const Variant& value, Kind kind);
    void writeText(int col, const QString& text, lxw_format* format);
    void sample(int col, int width);
    [[noreturn]] void failWrite(int lxwError, int err) const;
    void check(int lxwError) const;
    // Fails when a write to one of the sheets' temporary files failed.
    void checkStreams(bool flush);
    void removeWorkFolder();
    void closeWorkFiles() const;

    QString m_path;
    QString m_workFolder;  // the temporary files and the workbook in the making
    QByteArray m_workPath;
    QByteArray m_workFolderName;
    std::vector<lxw_worksheet*> m_sheets;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_money = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_dateTime = nullptr;
    QStringList m_header;
    std::vector<Kind> m_kinds;
    int m_boldColumns = 0;
    QString m_title;
    std::vector<int> m_widths;  // characters, of the current sheet
    int m_sheetCount = 0;
    uint32_t m_sheetRow = 0;  // next row of the current sheet
    int64_t m_rowsWritten = 0;
    int64_t m_textsCut = 0;
};

// What a cell (XML-escaped by the writer) must be given so that a reader gets
// text back: control characters and CR in the format's _xHHHH_ escape, a
// literal escape's underscore escaped, lone surrogates as U+FFFD.
QString SpreadsheetCellText(const QString& text);
// A text for a document property: characters XML cannot hold become U+FFFD.
QString SpreadsheetPropertyText(const QString& text);
