// The export of the list (the toolbar's EXPORT): the statement of the last
// query over the whole result, in the order of the first column, handed to the
// spreadsheet export with the captions of the visible columns; one export of
// the window at a time.
#include "listwindow/frmList.h"

#include "base/SqlLex.h"
#include "core/SpreadsheetExport.h"
#include "platform/controls/eListView.h"

#include <QScopedValueRollback>

void frmList::SetListFilter(const QString& where, bool usesExtendedFrom)
{
    m_strQueryWhere = where;
    m_bQueryUsesExtendedFrom = usesExtendedFrom;
    m_eListView->SetFilter(where, usesExtendedFrom);
}

QString frmList::ExportWhere() const
{
    // The WHERE clause the list control was given for the last query (column
    // tokens expanded, the catalogue restriction included): the filter pane may
    // have been edited since without Go, and the workbook holds what the list shows.
    return m_strQueryWhere;
}

QString frmList::ExportStatement() const
{
    QString sql = m_oView->SQLSelect + QLatin1Char(' ') + ListFrom() + QLatin1Char(' ');
    if (m_bQueryUsesExtendedFrom)
        sql += m_oView->SQLFromEx + QLatin1Char(' ');
    const QString where = ExportWhere();
    sql += where;
    // A search with an ORDER BY of its own keeps its order (a second ORDER BY
    // would make the statement fail).
    if (OwnOrderByPosition(where) >= 0)
        return sql;
    // A search that ends in a LIMIT (or OFFSET, FETCH) of its own picks its rows
    // first; the order then goes around it, as the list's own does.
    if (SqlFindTopLevelWords(where, QLatin1String("LIMIT")) >= 0 ||
        SqlFindTopLevelWords(where, QLatin1String("OFFSET")) >= 0 ||
        SqlFindTopLevelWords(where, QLatin1String("FETCH")) >= 0)
        return QStringLiteral("SELECT * FROM (\n") + sql + QStringLiteral("\n) AS ListRows ORDER BY 2");
    // After a line comment the order needs a line of its own.
    if (where.contains(QLatin1String("--")))
        sql += QStringLiteral("\r\n");
    return sql + QStringLiteral(" ORDER BY 2");
}

void frmList::ExportList()
{
    // EXPORT pressed again before the progress dialog shows starts nothing.
    if (m_bExporting)
        return;
    const QScopedValueRollback<bool> exporting(m_bExporting, true);
    QStringList captions;
    ExportHints hints;
    // Field 0 is the row id; the visible columns follow in column order.
    hints.fieldDataTypes << QStringLiteral("int");
    for (const CoLdUVColumnRef& column : *m_oView->Columns()) {
        if (!column->Viewable)
            continue;
        captions << column->DisplayName;
        hints.fieldDataTypes << column->DataType;
    }
    hints.name = Caption();
    ExportToExcel(ExportStatement(), QString(), &captions, hints);
}
