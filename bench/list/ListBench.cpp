// quillon-list-bench: opens a view of a company database in the list control
// (offscreen) and times what a user waits for: the first screen of rows after Go
// (without a filter and with one), the record count (LoadComplete), the first
// screen after a header-click sort, a jump deep into the result and a selection
// by id there. A heartbeat timer measures the longest time the event loop was
// blocked; the peak memory of the process is read at the end. For each step it
// also prints the SQL that the sqlite3 shell runs for the same result, so that
// bench/run-list-bench.sh can time the shell beside it.
//
//   quillon-list-bench --server NAME [--database DB] [--view VIEWNAME]
//                      [--filter "WHERE ..."] [--sort-caption CAPTION]

#include "core/AppError.h"
#include "core/AuUtilities.h"
#include "db/EmbeddedServer.h"
#include "platform/BrandleDatabase.h"
#include "platform/eListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableView>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The longest gap between two ticks of a 5 ms timer, less the interval.
class Heartbeat {
public:
    Heartbeat()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_worst = std::max(m_worst, now - m_last - 5'000'000);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    double worstMs() const { return static_cast<double>(m_worst) / 1e6; }
    void reset()
    {
        m_worst = 0;
        m_last = -1;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_worst = 0;
};

// Runs the event loop until done() holds; seconds taken, or -1 after the timeout.
double WaitFor(const std::function<bool()>& done, int timeoutMs = 120000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

QString OneLine(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

Heartbeat* g_heartbeat = nullptr;
std::vector<std::pair<QString, double>> g_blocks;  // the worst block of the event loop per step

void Print(const char* name, double seconds, const QString& shellSql)
{
    if (g_heartbeat) {
        g_blocks.emplace_back(QString::fromLatin1(name), g_heartbeat->worstMs());
        g_heartbeat->reset();
    }
    std::printf("%s\t%.4f\t%s\n", name, seconds, OneLine(shellSql).toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString server = QStringLiteral("BENCH");
    QString database = QStringLiteral("DEMO");
    QString viewName = QStringLiteral("ORDERLINES_1");
    QString filter = QStringLiteral("WHERE ( ol.ProductID = 7 )");
    QString sortCaption = QStringLiteral("Line Total");
    for (int k = 0; k + 1 < args.size(); ++k) {
        if (args[k] == QLatin1String("--server"))
            server = args[++k];
        else if (args[k] == QLatin1String("--database"))
            database = args[++k];
        else if (args[k] == QLatin1String("--view"))
            viewName = args[++k];
        else if (args[k] == QLatin1String("--filter"))
            filter = args[++k];
        else if (args[k] == QLatin1String("--sort-caption"))
            sortCaption = args[++k];
    }
    try {
        BrandleDatabase dbi;
        int32_t flag = 0;
        dbi.OpenConnection(server, database, QLatin1String(erpdb::kExecutiveLogin),
                           QLatin1String(erpdb::kDemoExecutivePassword), 0, flag);
        BrandleRecordsetPtr rs;
        if (!dbi.OpenRecordset(QStringLiteral("SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString FROM LdViews "
                                              "WHERE ViewName = ") +
                                   QStringLiteral("'") + viewName + QStringLiteral("'"),
                               rs)) {
            std::fprintf(stderr, "quillon-list-bench: no view %s\n", viewName.toUtf8().constData());
            return 1;
        }
        auto text = [&](int i) { return rs->Item(i).isNull() ? QString() : rs->Item(i).toString(); };
        const QString select = text(0), from = text(1), fromEx = text(2), columns = text(3);
        dbi.CloseRecordset(rs);
        dbi.CloseConnection();

        Heartbeat heartbeat;
        g_heartbeat = &heartbeat;
        eListView list;
        list.resize(1400, 900);
        list.show();
        list.Connect(server, QLatin1String(erpdb::kExecutiveLogin),
                     CryptText(1, QLatin1String(erpdb::kDemoExecutivePassword), SessionCipherKey(), true), database);
        list.Configure(300);
        list.SetView(viewName, select, from, fromEx, columns);
        WaitFor([] { return false; }, 200);  // shown and idle

        const QString base = select + QStringLiteral(" ") + from;
        int64_t count = 0;
        QObject::connect(&list, &eListView::LoadComplete, [&](int32_t n) { count = n; });
        bool shown = false;
        QObject::connect(&list, &eListView::FirstRowsShown, [&] { shown = true; });
        bool loaded = false;
        QObject::connect(&list, &eListView::LoadComplete, [&] { loaded = true; });

        auto go = [&](const QString& where, const char* firstName, const char* countName) {
            shown = loaded = false;
            QElapsedTimer t;
            t.start();
            list.SetFilter(where, false);
            list.RunQuery();
            WaitFor([&] { return shown; });
            const double first = static_cast<double>(t.nsecsElapsed()) / 1e9;
            WaitFor([&] { return loaded; });
            const double all = static_cast<double>(t.nsecsElapsed()) / 1e9;
            const QString sql = base + (where.isEmpty() ? QString() : QStringLiteral(" ") + where);
            Print(firstName, first, QStringLiteral("SELECT * FROM (") + sql + QStringLiteral(") ORDER BY 1 LIMIT 300"));
            Print(countName, all, QStringLiteral("SELECT COUNT(*) FROM (") + sql + QStringLiteral(")"));
        };
        heartbeat.reset();
        go(QString(), "first_screen", "load_complete");
        const int64_t allRows = count;
        go(filter, "first_screen_filtered", "load_complete_filtered");
        go(QString(), "first_screen_again", "load_complete_again");

        int sortColumn = 0;
        for (int c = 1; c <= list.ColumnCount(); ++c)
            if (list.ColumnCaption(c) == sortCaption)
                sortColumn = c;
        if (sortColumn > 0) {
            shown = false;
            QElapsedTimer t;
            t.start();
            list.ClickHeader(sortColumn);
            WaitFor([&] { return shown; });
            Print("sort_first_screen", static_cast<double>(t.nsecsElapsed()) / 1e9,
                  QStringLiteral("SELECT * FROM (") + base + QStringLiteral(") ORDER BY ") +
                      QString::number(sortColumn + 1) + QStringLiteral(", 1 LIMIT 300"));
        }

        // A jump to the middle of the result, as a drag of the scroll bar does.
        QTableView* grid = list.Grid();
        const int middle = static_cast<int>(std::min<int64_t>(allRows / 2, list.RowCount() - 1));
        {
            QElapsedTimer t;
            t.start();
            grid->scrollTo(grid->model()->index(middle, 0), QAbstractItemView::PositionAtTop);
            WaitFor([&] { return list.RowID(middle) != 0; });
            Print("jump_to_middle", static_cast<double>(t.nsecsElapsed()) / 1e9,
                  QStringLiteral("SELECT * FROM (") + base + QStringLiteral(") ORDER BY ") +
                      QString::number(std::max(sortColumn, 0) + 1) + QStringLiteral(", 1 LIMIT 300 OFFSET ") +
                      QString::number(middle));
        }
        // A selection by id near the end of the sorted result, right after Go, as
        // RefreshList does it: no row of it is in memory yet.
        {
            grid->scrollToBottom();
            const int last = list.RowCount() - 1;
            WaitFor([&] { return list.RowID(last) != 0; });
            const int32_t id = list.RowID(last);
            grid->scrollToTop();
            loaded = false;
            QElapsedTimer t;
            t.start();
            list.RunQuery();
            list.SelectRowByID(id);
            WaitFor([&] { return list.SelectedID() == id; });
            Print("select_by_id_at_end", static_cast<double>(t.nsecsElapsed()) / 1e9,
                  QStringLiteral("SELECT * FROM (") + base + QStringLiteral(") ORDER BY ") +
                      QString::number(std::max(sortColumn, 0) + 1) + QStringLiteral(", 1"));
            WaitFor([&] { return loaded; });
        }
        std::printf("rows\t%lld\n", static_cast<long long>(allRows));
        std::printf("rows_in_memory\t%d\n", list.RowsInMemory());
        double worst = heartbeat.worstMs();
        for (const auto& [step, ms] : g_blocks) {
            std::printf("blocked_ms_%s\t%.1f\n", step.toUtf8().constData(), ms);
            worst = std::max(worst, ms);
        }
        std::printf("event_loop_worst_ms\t%.1f\n", worst);
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak_memory_mb\t%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        return 0;
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-list-bench: %s\n", e.description().toUtf8().constData());
        return 1;
    }
}
