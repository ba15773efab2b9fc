// The statistics strip below the list: the record count of the last load and
// the view's column functions over the rows the current filter selects. The
// aggregate reads the whole filtered result, so it runs on a connection and a
// thread of its own; its cells show that their values are coming until they do.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "core/CoEnvironmentSettings.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "listwindow/ListColumnKinds.h"
#include "platform/controls/BackgroundQuery.h"
#include "platform/controls/ColumnFormat.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"

void frmList::ScheduleStatistics(bool bUsesExtendedFrom, const QString& strWhere)
{
    // The strip is rebuilt now; its query waits for the first rows.
    ++m_nStatisticsGeneration;
    m_bFirstRowsShown = false;
    m_bDeferStatistics = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_bDeferStatistics};
    RefreshStatistics(bUsesExtendedFrom, strWhere);
    // The count of the last load is not this query's: it waits for LoadComplete.
    if (ListItem* row = m_lvwStats->FindItem(QStringLiteral("ID1")); row && m_lvwStats->ColumnCount() > 1) {
        row->SetSubItem(1, QString());
        row->SetSubItemBusy(1, true);
    }
    // Waiting for the first rows also without a statement (the strip needs none).
    m_bStatisticsPending = true;
}

void frmList::RunPendingStatistics()
{
    if (!m_bStatisticsPending)
        return;
    m_bStatisticsPending = false;
    if (!m_statisticsQuery || m_strStatisticsSql.isEmpty())
        return;
    ++m_nStatisticsRuns;
    const std::vector<ColumnKind> kinds = m_statisticsKinds;
    const QString searchName = m_strStatisticsSearch;
    const bool namedFilter = m_bStatisticsNamedFilter;
    // The WHERE text is a user's: the connection runs it as a single query that cannot write.
    m_statisticsQuery->Run(
        m_strStatisticsSql,
        [this, kinds, searchName, namedFilter](const std::vector<Variant>& values, bool hasRow) {
            try {
                ShowStatistics(kinds, values, hasRow);
            } catch (const AppError& e) {
                ReportStatisticsFailure(e, searchName, namedFilter);
            }
        },
        [this, searchName, namedFilter](const AppError& e) { ReportStatisticsFailure(e, searchName, namedFilter); });
}

bool frmList::StatisticsPending() const
{
    return m_bStatisticsPending || (m_statisticsQuery && m_statisticsQuery->IsRunning());
}

QString frmList::StatisticsStatement() const
{
    return m_statisticsQuery ? m_statisticsQuery->Statement() : QString();
}

void frmList::OpenStatisticsConnection()
{
    if (!m_statisticsQuery)
        m_statisticsQuery = std::make_unique<BackgroundQuery>();
    // The list control's login, on a read-only connection of the strip's own.
    m_statisticsQuery->Connect(g_sServer, QString::fromLatin1(kApplicationLogin),
                               SessionEngine().EnvironmentSettings().SqlPassword(), g_sDatabase);
}

void frmList::CancelStatistics()
{
    const bool waiting = m_bStatisticsPending;
    m_bStatisticsPending = false;
    if (!waiting && (!m_statisticsQuery || !m_statisticsQuery->IsRunning()))
        return;
    if (m_statisticsQuery)
        m_statisticsQuery->Cancel();
    // The cells waited for values that will not come.
    if (ListItem* row = m_lvwStats->FindItem(QStringLiteral("ID1")))
        for (int i = 2; i < m_lvwStats->ColumnCount(); ++i)
            row->SetSubItemBusy(i, false);
}

void frmList::ClearStatistics()
{
    // Nothing is listed: the strip shows no figures, of this query or an earlier one.
    CancelStatistics();
    m_lRecordCount = 0;
    if (ListItem* row = m_lvwStats->FindItem(QStringLiteral("ID1")))
        for (int i = 1; i < m_lvwStats->ColumnCount(); ++i) {
            row->SetSubItemBusy(i, false);
            row->SetSubItem(i, QString());
        }
}

void frmList::CloseStatisticsConnection()
{
    m_bStatisticsPending = false;
    // Interrupts a query still running, ends its thread and closes the connection.
    m_statisticsQuery.reset();
}

void frmList::RefreshStatistics(bool bUsesExtendedFrom, const QString& strWhere)
{
    if (!HasView())
        return;
    CancelStatistics();
    m_strStatisticsSql.clear();
    // What a failure names is the search of this run, whenever the failure comes.
    const QString searchName = m_pmFilter->Text();
    const bool namedFilter = !searchName.isEmpty() && !m_strFilter.isEmpty();
    try {
        const coLdUVColumnFunctionsRef functions = m_oView->ColumnFunctions();
        const int count = functions->Count();
        m_lvwStats->ClearColumns();
        m_lvwStats->AddColumn(0, QString(), QStringLiteral("ID"), 0);
        m_lvwStats->AddColumn(0, QString(), QStringLiteral("Record Count"), 2000);
        QString selectList;
        // The functions share 80 % of the strip's width equally.
        const int width = count > 0 ? static_cast<int>(m_lvwStats->WidthTwips() / static_cast<double>(count) * 0.8) : 0;
        std::vector<ColumnKind> kinds;
        for (const coLdUVColumnFunctionRef& function : *functions) {
            m_lvwStats->AddColumn(0, QString(), function->DisplayName, width);
            selectList += function->FunctionSQL + QLatin1Char(',');
            // Other types show as the list shows them; a null money value shows zero.
            kinds.push_back(FunctionValueKind(m_oView, *function));
        }

        m_lvwStats->ClearItems();
        ListItem* row = m_lvwStats->AddItem(0, QStringLiteral("ID1"), QString());
        row->SetSubItem(1, FormatCount(m_lRecordCount));
        if (count == 0)
            return;

        selectList.chop(1);
        QString sql = QStringLiteral("SELECT ") + selectList + QLatin1Char(' ') + ListFrom() + QLatin1Char(' ');
        if (bUsesExtendedFrom || m_pmFilter->UsesExtendedFrom())
            sql += m_oView->SQLFromEx + QLatin1Char(' ');
        sql += strWhere;

        for (int i = 1; i <= count; ++i)
            row->SetSubItemBusy(1 + i, true);
        m_strStatisticsSql = sql;
        m_statisticsKinds = kinds;
        m_strStatisticsSearch = searchName;
        m_bStatisticsNamedFilter = namedFilter;
        m_bStatisticsPending = true;
        if (!m_bDeferStatistics)
            RunPendingStatistics();
    } catch (const AppError& e) {
        ReportStatisticsFailure(e, searchName, namedFilter);
    }
}

void frmList::ShowStatistics(const std::vector<ColumnKind>& kinds, const std::vector<Variant>& values, bool hasRow)
{
    ListItem* row = m_lvwStats->FindItem(QStringLiteral("ID1"));
    if (!row)
        return;
    for (int i = 1; i <= static_cast<int>(kinds.size()) && 1 + i < m_lvwStats->ColumnCount(); ++i) {
        row->SetSubItemBusy(1 + i, false);
        if (!hasRow || static_cast<size_t>(i - 1) >= values.size())
            continue;
        const Variant& value = values[static_cast<size_t>(i - 1)];
        const ColumnKind kind = kinds[static_cast<size_t>(i - 1)];
        // A money total of null is zero.
        const bool zero = kind == ColumnKind::Money && (value.isNull() || value.isEmpty());
        row->SetSubItem(1 + i, FormatColumnValue(zero ? Variant(0.0) : value, kind));
    }
}

void frmList::ReportStatisticsFailure(const AppError& e, const QString& searchName, bool namedFilter)
{
    // The strip keeps what it had; its cells stop waiting.
    if (ListItem* row = m_lvwStats->FindItem(QStringLiteral("ID1")))
        for (int i = 2; i < m_lvwStats->ColumnCount(); ++i)
            row->SetSubItemBusy(i, false);
    SetCurrentError(e);
    TraceProc(QStringLiteral("frmList"), QStringLiteral("RefreshStatistics"));
    if (namedFilter)
        MsgBox(QStringLiteral("The list failed on the selected filter '") + searchName +
                   QStringLiteral("'.  Try recreating the filter and saving it as a 'complex filter'."),
               vbExclamation, QStringLiteral("Attention Required"));
    else
        MsgBox(e.description(), vbExclamation, QStringLiteral("Attention Required"));
}
