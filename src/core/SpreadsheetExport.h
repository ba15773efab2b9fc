#pragma once
// The export of a list into a spreadsheet workbook. The export runs the list's
// statement itself, over a read-only connection of its own (the read-only login,
// also when the company's Config\ExcelExportAuthMethod asks for integrated
// security, which without Windows logins has no login of the user's own; the
// connection text still says which was asked for), and writes the rows into a new .xlsx file in
// the user's export folder, which the desktop's spreadsheet program then opens.
// Folder and workbook are for the user alone; the file handed over is the
// finished, checked workbook, or nothing.
// The workbook keeps its connection text and statement as document properties
// ("Connection", "CommandText"); the real connection text only for users with
// the View right on "CoExportListsPassSQLConnection".
//
// The work runs off the window's thread; a progress dialog shows the rows
// written and offers Cancel, which stops the query and removes the file.

#include <QString>
#include <QStringList>
#include <functional>

// The connection text of the export: integrated security, or the read-only
// login with its password in plain. Empty when anything fails.
QString GetExportConnectionString(bool integratedSecurity);

// What the caller knows of the statement's fields beyond what the database says.
struct ExportHints {
    // The file name's stem (the window's caption), cut so that the file name
    // stays within 255 bytes; empty: "Export".
    QString name;
    // The data type of each field, by position ("money", "datetime", "bit", "int",
    // ...; empty: as the database reports it).
    QStringList fieldDataTypes;
};

// Exports the rows of sql. title goes into cell A1 (a header row overwrites it);
// columns, when given, makes that many cells of the header row bold.
// A user without the View right on "CoExportLists" is refused with a message and
// nothing is written. A failure shows the standard error message box and leaves
// no file; Cancel leaves no file and says nothing. Texts cut to a cell's limit
// are counted to the user after the workbook was handed over.
void ExportToExcel(const QString& sql, const QString& title, const QStringList* columns,
                   const ExportHints& hints = ExportHints());

// The folder exports are written to: $XDG_CACHE_HOME (else ~/.cache) +
// "/Harbrook Inc/Pelmora/exports".
QString SpreadsheetExportFolder();

// Opens a finished workbook with the desktop's program for it; false when none
// could be started. Tests install their own; nullptr restores the desktop's.
using SpreadsheetOpener = std::function<bool(const QString& path)>;
void SetSpreadsheetOpener(SpreadsheetOpener opener);

// The progress dialog's object name (tests find it by that).
inline constexpr char kExportProgressName[] = "frmExportProgress";
