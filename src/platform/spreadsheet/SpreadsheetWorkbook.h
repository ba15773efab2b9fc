#pragma once
// A spreadsheet workbook (.xlsx) written row by row in constant memory: the
// rows of a query with a header row, each value with its type (numbers as
// numbers, money in a currency format, dates as dates, Booleans as TRUE/FALSE,
// text always as text, never as a formula; NULL leaves the cell empty). A sheet
// holds at most kMaxSheetRows rows; the rows after that continue on further
// sheets ("Sheet2", "Sheet3", ...), each starting with the same header row.
// Column widths are fitted to the header and the first rows of each sheet.
//
// Nothing reaches the file until Close; Discard drops the work. A failure is
// an AppError whose description says what went wrong (the file cannot be
// created, the disk is full, ...).

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

    // Prepares a workbook for the file at path (created or replaced on Close).
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
    [[noreturn]] void failWrite(int lxwError) const;
    void check(int lxwError) const;

    QString m_path;
    QByteArray m_pathUtf8;
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
};
