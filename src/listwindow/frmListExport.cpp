// The export of the list (the toolbar's EXPORT): the statement of the last
// query over the whole result, in the order of the first column, handed to the
// spreadsheet export with the captions of the visible columns.
#include "listwindow/frmList.h"

#include "core/SpreadsheetExport.h"
#include "platform/controls/eListView.h"

QString frmList::ExportWhere() const
{
    // The list's own WHERE clause for the filter of the last query, the catalogue
    // restriction included; the expansion works on a copy, so that the filter
    // keeps its column tokens for a later Save.
    return RestrictedWhere(m_strFilter);
}

QString frmList::ExportStatement() const
{
    QString sql = m_oView->SQLSelect + QLatin1Char(' ') + ListFrom() + QLatin1Char(' ');
    if (UsesExtendedFrom())
        sql += m_oView->SQLFromEx + QLatin1Char(' ');
    const QString where = ExportWhere();
    sql += where;
    // A search with an ORDER BY of its own keeps its order (a second ORDER BY
    // would make the statement fail).
    if (OwnOrderByPosition(where) >= 0)
        return sql;
    // After a line comment the order needs a line of its own.
    if (where.contains(QLatin1String("--")))
        sql += QStringLiteral("\r\n");
    return sql + QStringLiteral(" ORDER BY 2");
}

void frmList::ExportList()
{
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
