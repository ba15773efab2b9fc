#pragma once
// Reads a finished workbook's zip archive back before it is handed over: every
// member inflates to its recorded size and CRC, and every XML part is whole:
// the small ones well-formed documents, the large ones (a sheet's rows)
// opening and closing their root element. The writer keeps its parts in temporary files whose
// writes it does not check; a part cut short by a full disk shows up here.

#include <QString>

// Empty when the archive is sound, else what is wrong with it (the member named).
QString CheckWorkbookArchive(const QString& path);
