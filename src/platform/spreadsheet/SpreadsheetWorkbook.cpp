#include "platform/spreadsheet/SpreadsheetWorkbook.h"

#include "base/AppError.h"
#include "base/CNumericLocale.h"
#include "platform/spreadsheet/WorkbookArchiveCheck.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

const QString kSource = QStringLiteral("SpreadsheetWorkbook");
constexpr int kMaxPropertyLength = 255;
constexpr double kMaxColumnWidth = 80.0;
constexpr double kMinColumnWidth = 6.0;
// Excel's built-in formats; the currency and the dates follow the reader's regional settings.
constexpr int kCurrencyFormat = 7;
constexpr int kShortDateFormat = 14;
constexpr int kDateTimeFormat = 22;

// A date text as the database gives it: "yyyy-MM-dd", optionally followed by a
// time ("hh:mm", "hh:mm:ss", fractions of a second) after a blank or a "T".
// Read by hand and kept apart from QDateTime: a local date-time per cell asks the
// time zone each time, which a million-row export feels.
bool ParseDateText(const QString& text, QDate& day, QTime& time)
{
    const QStringView t = QStringView(text).trimmed();
    if (t.size() < 10)
        return false;
    const auto digits = [&](qsizetype from, qsizetype n, int& v) {
        v = 0;
        for (qsizetype i = from; i < from + n; ++i) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            v = v * 10 + (c - u'0');
        }
        return true;
    };
    int y = 0, m = 0, d = 0;
    if (!digits(0, 4, y) || t[4] != u'-' || !digits(5, 2, m) || t[7] != u'-' || !digits(8, 2, d))
        return false;
    day = QDate(y, m, d);
    if (!day.isValid())
        return false;
    time = QTime(0, 0);
    if (t.size() > 10) {
        if (t[10] != u' ' && t[10] != u'T')
            return false;
        const QString rest = t.mid(11).toString();
        time = QTime::fromString(rest, Qt::ISODateWithMs);
        if (!time.isValid())
            time = QTime::fromString(rest, QStringLiteral("HH:mm"));
        if (!time.isValid())
            return false;
    }
    return true;
}

// The day number Excel gives a date (1900 date system); false before 1 January 1900,
// which Excel cannot show as a date.
bool ExcelSerial(const QDate& date, const QTime& time, double& serial)
{
    if (!date.isValid() || date < QDate(1900, 1, 1) || date > QDate(9999, 12, 31))
        return false;
    // Excel counts a 29 February 1900 that never was: dates before March 1900 are one day less.
    qint64 days = QDate(1899, 12, 30).daysTo(date);
    if (date < QDate(1900, 3, 1))
        --days;
    serial = static_cast<double>(days) + time.msecsSinceStartOfDay() / 86400000.0;
    return true;
}

int NumberWidth(double v)
{
    if (std::fabs(v) >= 1e15)
        return 12;
    return static_cast<int>(QString::number(v, 'f', std::floor(v) == v ? 0 : 2).size());
}

}  // namespace

SpreadsheetWorkbook::SpreadsheetWorkbook(const QString& path) : m_path(path)
{
    // The writer prints its numbers through the C library: a decimal point under any locale.
    const CNumericLocaleScope cNumbers;
    // The temporary files go beside the workbook: the same disk, and a folder
    // (mkdtemp: for the user alone) that goes with the work.
    m_workFolderName = QFile::encodeName(QFileInfo(path).absolutePath() + QStringLiteral("/.quillon-export-XXXXXX"));
    if (!mkdtemp(m_workFolderName.data())) {
        const int err = errno;
        m_workFolderName.clear();
        throw AppError(vberr::PathFileAccessError,
                       QStringLiteral("The workbook '%1' cannot be created: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(err))),
                       kSource);
    }
    m_workFolder = QFile::decodeName(m_workFolderName);
    m_workPath = m_workFolderName + "/workbook.xlsx";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_workFolderName.data();
    // A sheet of a million rows with many columns can pass 4 GB of XML.
    options.use_zip64 = LXW_TRUE;
    m_book = workbook_new_opt(m_workPath.constData(), &options);
    if (!m_book) {
        removeWorkFolder();
        throw AppError(vberr::OutOfMemory, QString(), kSource);
    }
    m_bold = workbook_add_format(m_book);
    format_set_bold(m_bold);
    m_money = workbook_add_format(m_book);
    format_set_num_format_index(m_money, kCurrencyFormat);
    m_date = workbook_add_format(m_book);
    format_set_num_format_index(m_date, kShortDateFormat);
    m_dateTime = workbook_add_format(m_book);
    format_set_num_format_index(m_dateTime, kDateTimeFormat);
    addSheet();
}

SpreadsheetWorkbook::~SpreadsheetWorkbook()
{
    Discard();
    removeWorkFolder();
}

void SpreadsheetWorkbook::removeWorkFolder()
{
    if (m_workFolder.isEmpty())
        return;
    closeWorkFiles();
    QDir(m_workFolder).removeRecursively();
    m_workFolder.clear();
}

void SpreadsheetWorkbook::closeWorkFiles() const
{
    // A writer that failed half-way (a full disk) returns without closing the
    // temporary files it had open, which are removed already: each would hold
    // its disk space until the program ends. Only this workbook opens files in
    // its work folder, which the process's file links name resolved (symbolic
    // links in the export folder's path followed).
    char* real = realpath(m_workFolderName.constData(), nullptr);
    const QByteArray prefix = (real ? QByteArray(real) : m_workFolderName) + '/';
    free(real);
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& entry : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int fd = entry.toInt(&ok);
        char target[4096];
        const QByteArray link = QFile::encodeName(fds.filePath(entry));
        const ssize_t n = ok ? readlink(link.constData(), target, sizeof target) : -1;
        if (n > 0 && QByteArray(target, static_cast<qsizetype>(n)).startsWith(prefix))
            ::close(fd);
    }
}

void SpreadsheetWorkbook::check(int lxwError) const
{
    if (lxwError != LXW_NO_ERROR)
        failWrite(lxwError, errno);
}

void SpreadsheetWorkbook::failWrite(int lxwError, int err) const
{
    if (err == ENOSPC || err == EDQUOT || err == EFBIG)
        throw AppError(vberr::DiskFull,
                       QStringLiteral("The disk is full: the workbook '%1' could not be written.").arg(m_path), kSource);
    QString reason = lxwError == LXW_NO_ERROR ? QStringLiteral("a write to its temporary files failed")
                                              : QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(lxwError)));
    if (err != 0)
        reason += QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char(')');
    throw AppError(vberr::PathFileAccessError,
                   QStringLiteral("The workbook '%1' could not be written: %2").arg(m_path, reason), kSource);
}

void SpreadsheetWorkbook::checkStreams(bool flush)
{
    // The writer does not check its writes; the streams keep the error.
    auto fails = [flush](FILE* f) {
        if (!f)
            return false;
        errno = 0;
        if (flush && fflush(f) != 0)
            return true;
        if (ferror(f) == 0)
            return false;
        // The write that failed set errno long ago: writing the buffer again tells why.
        fflush(f);
        return true;
    };
    if (flush) {
        for (lxw_worksheet* sheet : m_sheets)
            if (fails(sheet->optimize_tmpfile) || fails(sheet->file))
                failWrite(LXW_NO_ERROR, errno);
    } else if (m_sheet && (fails(m_sheet->file) || fails(m_sheet->optimize_tmpfile))) {
        failWrite(LXW_NO_ERROR, errno);
    }
}

void SpreadsheetWorkbook::addSheet()
{
    if (m_sheet)
        fitColumns();
    ++m_sheetCount;
    const QByteArray name = QStringLiteral("Sheet%1").arg(m_sheetCount).toUtf8();
    m_sheet = workbook_add_worksheet(m_book, name.constData());
    if (!m_sheet)
        throw AppError(vberr::OutOfMemory, QString(), kSource);
    m_sheets.push_back(m_sheet);
    m_sheetRow = 0;
    m_widths.assign(m_widths.size(), 0);
    if (!m_header.isEmpty())
        writeHeader();
}

void SpreadsheetWorkbook::SetDocumentProperty(const QString& name, const QString& text)
{
    const CNumericLocaleScope cNumbers;
    if (!m_book)
        return;
    const QString value = SpreadsheetPropertyText(text);
    // Pieces of whole characters: a surrogate pair is never cut.
    int part = 1;
    qsizetype at = 0;
    do {
        qsizetype length = std::min<qsizetype>(kMaxPropertyLength, value.size() - at);
        while (length > 0 && QString(value.mid(at, length)).toUtf8().size() > kMaxPropertyLength)
            --length;
        if (length > 0 && at + length < value.size() && value.at(at + length - 1).isHighSurrogate())
            --length;
        const QString key = part == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(part);
        const QByteArray k = key.toUtf8();
        const QByteArray v = value.mid(at, length).toUtf8();
        check(workbook_set_custom_property_string(m_book, k.constData(), v.constData()));
        at += length;
        ++part;
    } while (at < value.size());
}

void SpreadsheetWorkbook::SetTitle(const QString& title)
{
    const CNumericLocaleScope cNumbers;
    m_title = title;
    if (m_sheetCount == 1 && m_sheetRow == 0)
        writeText(0, title, m_bold);
}

void SpreadsheetWorkbook::SetHeader(const QStringList& fieldNames, int boldColumns, std::vector<Kind> kinds)
{
    const CNumericLocaleScope cNumbers;
    m_header = fieldNames;
    m_boldColumns = boldColumns;
    m_kinds = std::move(kinds);
    m_kinds.resize(static_cast<size_t>(fieldNames.size()), Kind::Auto);
    m_widths.assign(static_cast<size_t>(fieldNames.size()), 0);
    writeHeader();
}

void SpreadsheetWorkbook::writeHeader()
{
    const int count = static_cast<int>(m_header.size());
    for (int c = 0; c < count; ++c) {
        lxw_format* format = (c == 0 || c < m_boldColumns) ? m_bold : nullptr;
        writeText(c, m_header.at(c), format);
        sample(c, static_cast<int>(m_header.at(c).size()));
    }
    // Bold cells beyond the fields, as many as asked for, stay empty but bold.
    for (int c = count; c < m_boldColumns; ++c)
        check(worksheet_write_blank(m_sheet, 0, static_cast<lxw_col_t>(c), m_bold));
    m_sheetRow = 1;
}

void SpreadsheetWorkbook::AppendRow(const std::vector<Variant>& values)
{
    const CNumericLocaleScope cNumbers;
    if (!m_book)
        return;
    if (m_sheetRow >= kMaxSheetRows)
        addSheet();
    if (m_sheetRow == 0)
        m_sheetRow = 1;  // a workbook without a header keeps its first row for the title
    const int count = static_cast<int>(values.size());
    for (int c = 0; c < count; ++c)
        writeValue(c, values[static_cast<size_t>(c)],
                   c < static_cast<int>(m_kinds.size()) ? m_kinds[static_cast<size_t>(c)] : Kind::Auto);
    ++m_sheetRow;
    ++m_rowsWritten;
    checkStreams(false);
}

void SpreadsheetWorkbook::writeValue(int col, const Variant& value, Kind kind)
{
    const lxw_row_t row = m_sheetRow;
    const auto c = static_cast<lxw_col_t>(col);
    if (value.isNull() || value.isEmpty())
        return;
    const bool sampling = m_sheetRow <= static_cast<uint32_t>(kWidthSampleRows);

    QDate day;
    QTime time;
    if (value.isDate()) {
        const QDateTime v = value.toDate();
        day = v.date();
        time = v.time();
    } else if (kind == Kind::Date && value.isString() && !ParseDateText(value.toString(), day, time)) {
        day = QDate();
    }
    if (day.isValid()) {
        double serial = 0;
        if (ExcelSerial(day, time, serial)) {
            const bool hasTime = time.isValid() && time != QTime(0, 0);
            check(worksheet_write_number(m_sheet, row, c, serial, hasTime ? m_dateTime : m_date));
            if (sampling)
                sample(col, hasTime ? 16 : 10);
            return;
        }
    }
    if (value.isBool() || (kind == Kind::Boolean && value.isNumber())) {
        check(worksheet_write_boolean(m_sheet, row, c, value.toBool() ? 1 : 0, nullptr));
        if (sampling)
            sample(col, 5);
        return;
    }
    if (value.isNumber()) {
        const double d = value.toDouble();
        check(worksheet_write_number(m_sheet, row, c, d, kind == Kind::Money ? m_money : nullptr));
        if (sampling)
            sample(col, NumberWidth(d) + (kind == Kind::Money ? 4 : 0));
        return;
    }
    // Text stays text, whatever it looks like ("=1+1" is no formula).
    const QString text = value.toString();
    writeText(col, text, nullptr);
    if (sampling)
        sample(col, static_cast<int>(std::min<qsizetype>(text.size(), static_cast<qsizetype>(kMaxColumnWidth))));
}

void SpreadsheetWorkbook::writeText(int col, const QString& text, lxw_format* format)
{
    QString t = text;
    if (t.size() > kMaxTextLength) {
        t.truncate(kMaxTextLength);
        if (t.back().isHighSurrogate())
            t.chop(1);
        ++m_textsCut;
    }
    const QByteArray utf8 = SpreadsheetCellText(t).toUtf8();
    if (utf8.isEmpty()) {
        if (format)
            check(worksheet_write_blank(m_sheet, m_sheetRow, static_cast<lxw_col_t>(col), format));
        return;
    }
    check(worksheet_write_string(m_sheet, m_sheetRow, static_cast<lxw_col_t>(col), utf8.constData(), format));
}

void SpreadsheetWorkbook::sample(int col, int width)
{
    if (col >= static_cast<int>(m_widths.size()))
        m_widths.resize(static_cast<size_t>(col) + 1, 0);
    int& w = m_widths[static_cast<size_t>(col)];
    w = std::max(w, width);
}

void SpreadsheetWorkbook::fitColumns()
{
    for (size_t c = 0; c < m_widths.size(); ++c) {
        const double width = std::clamp(m_widths[c] + 2.0, kMinColumnWidth, kMaxColumnWidth);
        check(worksheet_set_column(m_sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr));
    }
}

void SpreadsheetWorkbook::Close()
{
    const CNumericLocaleScope cNumbers;
    if (!m_book)
        return;
    try {
        fitColumns();
        checkStreams(true);
        lxw_workbook* book = m_book;
        m_book = nullptr;
        m_sheet = nullptr;
        m_sheets.clear();
        errno = 0;
        const lxw_error result = workbook_close(book);  // frees the workbook in any case
        if (result != LXW_NO_ERROR)
            failWrite(result, errno);
        const QString work = QFile::decodeName(m_workPath);
        if (const QString damage = CheckWorkbookArchive(work); !damage.isEmpty())
            throw AppError(vberr::PathFileAccessError,
                           QStringLiteral("The workbook '%1' could not be written: %2.").arg(m_path, damage), kSource);
        if (chmod(m_workPath.constData(), S_IRUSR | S_IWUSR) != 0 ||
            rename(m_workPath.constData(), QFile::encodeName(m_path).constData()) != 0)
            failWrite(LXW_ERROR_CREATING_XLSX_FILE, errno);
    } catch (...) {
        Discard();
        removeWorkFolder();
        throw;
    }
    removeWorkFolder();
}

void SpreadsheetWorkbook::Discard()
{
    const CNumericLocaleScope cNumbers;
    if (!m_book)
        return;
    // Freeing the workbook leaves the sheets' row data files open.
    for (lxw_worksheet* sheet : m_sheets)
        if (sheet->optimize_tmpfile) {
            fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
        }
    lxw_workbook_free(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    m_sheets.clear();
}

namespace {

// What XML 1.0 can hold (a surrogate only as half of a pair, checked apart).
bool XmlChar(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
}

bool IsHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Whether text holds the format's escape _xHHHH_ at position i.
bool EscapeAt(const QString& text, qsizetype i)
{
    if (i + 7 > text.size() || text.at(i) != u'_' || (text.at(i + 1) != u'x' && text.at(i + 1) != u'X') ||
        text.at(i + 6) != u'_')
        return false;
    for (qsizetype k = 2; k < 6; ++k)
        if (!IsHex(text.at(k + i)))
            return false;
    return true;
}

QString Escape(char16_t c)
{
    return QStringLiteral("_x") + QStringLiteral("%1").arg(static_cast<int>(c), 4, 16, QLatin1Char('0')).toUpper() +
           QLatin1Char('_');
}

// Copies text: a surrogate pair as it is, a lone surrogate (which no encoding
// holds) as U+FFFD, every other character through put(text, position, out).
template <class Put>
QString MapCharacters(const QString& text, Put put)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            out += text.at(i);
            out += text.at(++i);
        } else if (QChar::isSurrogate(c)) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            put(text, i, out);
        }
    }
    return out;
}

}  // namespace

QString SpreadsheetCellText(const QString& text)
{
    return MapCharacters(text, [](const QString& t, qsizetype i, QString& out) {
        const char16_t c = t.at(i).unicode();
        if (c == u'_' && EscapeAt(t, i))
            out += Escape(c);  // the underscore of a literal _xHHHH_
        else if (!XmlChar(c) || c == u'\r')
            out += Escape(c);  // a CR too: XML readers turn it into a line feed
        else
            out += t.at(i);
    });
}

QString SpreadsheetPropertyText(const QString& text)
{
    return MapCharacters(text, [](const QString& t, qsizetype i, QString& out) {
        out += XmlChar(t.at(i).unicode()) ? t.at(i) : QChar(QChar::ReplacementCharacter);
    });
}
