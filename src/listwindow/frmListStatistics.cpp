// The statistics strip below the list: the record count of the last load and
// the view's column functions over the rows the current filter selects.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"

void frmList::ScheduleStatistics(bool bUsesExtendedFrom, const QString& strWhere)
{
    m_bStatisticsPending = true;
    ++m_nStatisticsGeneration;
    m_bFirstRowsShown = false;
    m_bPendingStatisticsExtended = bUsesExtendedFrom;
    m_strPendingStatisticsWhere = strWhere;
}

void frmList::RunPendingStatistics()
{
    if (!m_bStatisticsPending)
        return;
    m_bStatisticsPending = false;
    RefreshStatistics(m_bPendingStatisticsExtended, m_strPendingStatisticsWhere);
}

void frmList::RefreshStatistics(bool bUsesExtendedFrom, const QString& strWhere)
{
    try {
        const coLdUVColumnFunctionsRef functions = m_oView->ColumnFunctions();
        const int count = functions->Count();
        m_lvwStats->ClearColumns();
        m_lvwStats->AddColumn(0, QString(), QStringLiteral("ID"), 0);
        m_lvwStats->AddColumn(0, QString(), QStringLiteral("Record Count"), 2000);
        QString selectList;
        // The functions share 80 % of the strip's width equally.
        const int width = count > 0 ? static_cast<int>(m_lvwStats->WidthTwips() / static_cast<double>(count) * 0.8) : 0;
        for (const coLdUVColumnFunctionRef& function : *functions) {
            m_lvwStats->AddColumn(0, QString(), function->DisplayName, width);
            selectList += function->FunctionSQL + QLatin1Char(',');
        }

        m_lvwStats->ClearItems();
        ListItem* row = m_lvwStats->AddItem(0, QStringLiteral("ID1"), QString());
        row->SetSubItem(1, QString::number(m_lRecordCount));
        if (count == 0)
            return;

        selectList.chop(1);
        QString sql = QStringLiteral("SELECT ") + selectList + QLatin1Char(' ') + ListFrom() + QLatin1Char(' ');
        if (bUsesExtendedFrom || m_pmFilter->UsesExtendedFrom())
            sql += m_oView->SQLFromEx + QLatin1Char(' ');
        sql += strWhere;

        // The WHERE text is a user's: it runs as a single query that cannot write.
        BrandleDatabase& dbi = SessionEngine().DBI();
        BrandleRecordsetPtr rs;
        if (dbi.OpenReadOnlyRecordset(sql, rs)) {
            for (int i = 1; i <= count; ++i) {
                const coLdUVColumnFunctionRef function = functions->Item(Variant(int32_t(i)));
                const Variant value = rs->Item(i - 1);
                QString text;
                if (function->DataType == QLatin1String("money"))
                    text = FormatSystemCurrency(value);
                else if (!value.isNull() && !value.isEmpty())
                    text = value.toString();
                row->SetSubItem(1 + i, text);
            }
        }
        dbi.CloseRecordset(rs);
    } catch (const AppError& e) {
        SetCurrentError(e);
        TraceProc(QStringLiteral("frmList"), QStringLiteral("RefreshStatistics"));
        const QString name = m_pmFilter->Text();
        if (!name.isEmpty() && !m_strFilter.isEmpty())
            MsgBox(QStringLiteral("The list failed on the selected filter '") + name +
                       QStringLiteral("'.  Try recreating the filter and saving it as a 'complex filter'."),
                   vbExclamation, QStringLiteral("Attention Required"));
        else
            MsgBox(e.description(), vbExclamation, QStringLiteral("Attention Required"));
    }
}
