// quillon-list-bench: logs on to a company, opens a view in a list window
// (offscreen, or on the display QT_QPA_PLATFORM names) and times what a user
// waits for, from the click to the rows painted on the screen: the first screen
// of rows after Go (without a filter and with one), the record count
// (LoadComplete), the statistics strip's values, the end of the list (Ctrl+End),
// the first screen after a header-click sort, a jump deep into the result, the
// end of the sorted result and a selection by id there, a right click that waits
// for a linked view's stored query until the busy dialog's Cancel, and what one
// statement of the window's thread costs. A heartbeat timer measures the longest
// time the event loop was blocked per step; the peak memory of the process is
// read at the end. For each step it also prints the SQL that the
// sqlite3 shell runs for the same result, so that bench/run-list-bench.sh can
// time the shell beside it.
//
//   quillon-list-bench --server NAME [--company ID] [--user ID --password PW]
//                      [--view VIEWNAME] [--filter "WHERE ..."] [--sort-caption CAPTION]

#include "bench/BenchSupport.h"
#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "core/StartUp.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "listwindow/frmList.h"
#include "core/clsLogonProfile.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/controls/FilterControl.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/eListView.h"
#include "platform/database/LockWait.h"
#include "platform/forms/DatabaseBusyWait.h"
#include "shell/PopUpMenu.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTableView>
#include <QRegularExpression>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
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
    // Starts a new step; a block still running counts in it.
    void reset() { m_worst = 0; }

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

double Seconds(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e9; }

struct Block {
    QString step;
    double ms;
};
Heartbeat* g_heartbeat = nullptr;
std::vector<Block> g_blocks;  // the worst block of the event loop per step

void Print(const char* name, double seconds, const QString& shellSql)
{
    std::printf("%s\t%.4f\t%s\n", name, seconds, bench::OneLine(shellSql).toUtf8().constData());
    std::fflush(stdout);
}

// Records the worst block of the event loop since the last call, under a step's name.
void Blocked(const char* step)
{
    // A block is measured at the next tick of the heartbeat.
    WaitFor([] { return false; }, 20);
    g_blocks.push_back({QString::fromLatin1(step), g_heartbeat->worstMs()});
    g_heartbeat->reset();
}

// The same at once, without running the event loop (which would let the next step begin).
void BlockedNow(const char* step)
{
    g_blocks.push_back({QString::fromLatin1(step), g_heartbeat->worstMs()});
    g_heartbeat->reset();
}

// The moment a grid has painted a given row: armed before the click, it records
// the end of the first paint of the viewport after which that row is in memory
// (the time is taken once the paint has returned to the event loop).
class PaintWatch : public QObject {
public:
    PaintWatch(QTableView* grid, eListView* list, const QElapsedTimer* clock) : m_grid(grid), m_list(list), m_clock(clock)
    {
        grid->viewport()->installEventFilter(this);
    }
    // Waits for the painting of the row the function names when asked (it may move
    // as the count arrives: the last row).
    void arm(std::function<int()> row)
    {
        m_row = std::move(row);
        m_paintedAt = -1;
        m_armed = true;
    }
    bool painted() const { return m_paintedAt >= 0; }
    qint64 paintedAt() const { return m_paintedAt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_armed && event->type() == QEvent::Paint && watched == m_grid->viewport()) {
            const int row = m_row();
            // The grid's model is a window onto the result: its rows are offset.
            const QRect visible = m_grid->viewport()->rect();
            const int64_t base = m_list->WindowStart();
            const int top = m_grid->rowAt(visible.top());
            const int bottom = m_grid->rowAt(visible.bottom());
            const int first = static_cast<int>(base + std::max(0, top));
            const int last = bottom < 0 ? m_list->RowCount() - 1 : static_cast<int>(base + bottom);
            if (row >= 0 && m_list->RowID(row) != 0 && row >= first && row <= last && m_list->RowID(first) != 0 &&
                m_list->RowID(last) != 0) {
                m_armed = false;
                QTimer::singleShot(0, this, [this] { m_paintedAt = m_clock->nsecsElapsed(); });
            }
        }
        return false;
    }

private:
    QTableView* m_grid;
    eListView* m_list;
    const QElapsedTimer* m_clock;
    std::function<int()> m_row;
    bool m_armed = false;
    qint64 m_paintedAt = -1;
};

// Ctrl+End (or Ctrl+Home) on the grid, as the keyboard sends it.
void PressCtrl(QTableView* grid, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QApplication::sendEvent(grid, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier);
    QApplication::sendEvent(grid, &release);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    const bench::Options options(app.arguments().mid(1));
    const QString viewName = options.Value("--view", QStringLiteral("ORDERLINES_1"));
    const QString filter = options.Value("--filter", QStringLiteral("WHERE ( ol.ProductID = 7 )"));
    const QString sortCaption = options.Value("--sort-caption", QStringLiteral("Line Total"));
    bench::AnswerMessagesOnErrorOutput("quillon-list-bench");
    try {
        if (!bench::LogOnAsOptionsSay(options))
            return 1;
        BrandleDatabase& dbi = SessionEngine().DBI();

        BrandleRecordsetPtr rs;
        if (!dbi.OpenRecordset(QStringLiteral("SELECT ViewID, SQLSelect, SQLFrom FROM LdViews WHERE ViewName = ") +
                                   QuoteSQLString(viewName),
                               rs)) {
            std::fprintf(stderr, "quillon-list-bench: no view %s\n", viewName.toUtf8().constData());
            return 1;
        }
        const int32_t viewId = rs->Item(0).toInt32();
        const QString base = rs->Item(1).toString() + QStringLiteral(" ") + rs->Item(2).toString();
        dbi.CloseRecordset(rs);

        // The first linked view of the view's base gets a value list that would run
        // for hours (put back after its step).
        QString slowLink;
        Variant slowLinkFilter, slowLinkType;
        if (dbi.OpenRecordset(QStringLiteral("SELECT BaseRelationshipID, Column1Filter, Column1FilterTypeID FROM "
                                             "LdBaseRelationships WHERE BaseID = (SELECT BaseID FROM LdViews WHERE "
                                             "ViewID = ") +
                                  QString::number(viewId) + QStringLiteral(") ORDER BY BaseRelationshipID"),
                              rs)) {
            slowLink = QString::number(rs->Item(0).toInt32());
            slowLinkFilter = rs->Item(1);
            slowLinkType = rs->Item(2);
            dbi.CloseRecordset(rs);
            dbi.Execute(QStringLiteral("UPDATE LdBaseRelationships SET Column1Filter = ") +
                        QuoteSQLString(QStringLiteral("SELECT a.OrderLineID FROM OrderLines a, OrderLines b WHERE "
                                                      "a.Quantity + b.Quantity < 0")) +
                        QStringLiteral(", Column1FilterTypeID = 1 WHERE BaseRelationshipID = ") + slowLink);
        }

        Heartbeat heartbeat;
        g_heartbeat = &heartbeat;
        auto* window = new frmList;
        window->Init(viewId, QString(), nullptr, false);
        window->resize(1400, 900);
        Show(window);
        if (!IsFormLoaded(window)) {
            std::fprintf(stderr, "quillon-list-bench: the list window did not open\n");
            return 1;
        }
        eListView& list = *window->ListView();
        WaitFor([] { return false; }, 200);  // shown and idle

        // The moments the rows were painted and the count arrived, on one clock.
        QElapsedTimer clock;
        clock.start();
        QTableView* grid = list.Grid();
        PaintWatch paint(grid, &list, &clock);
        int64_t count = 0;
        bool loaded = false;
        qint64 loadedAt = 0;
        QObject::connect(&list, &eListView::LoadComplete, [&](int32_t n) {
            count = n;
            loaded = true;
            loadedAt = clock.nsecsElapsed();
        });
        const auto ordered = [&](const QString& order, const QString& tail) {
            return QStringLiteral("SELECT * FROM (") + list.Statement() + QStringLiteral("\n) ORDER BY ") + order + tail;
        };
        const auto sortKeys = [&](bool backwards) {
            const QString dir = backwards ? QStringLiteral(" DESC") : QString();
            if (list.SortColumn() > 0)
                return QString::number(list.SortColumn() + 1) +
                       (list.SortDescending() != backwards ? QStringLiteral(" DESC") : QString()) +
                       QStringLiteral(", 1") + dir;
            return QStringLiteral("1") + dir;
        };

        // Go as the user clicks it: the list query starts; the rows are painted, the
        // record count and the statistics strip's values arrive, all off the window's thread.
        auto go = [&](const QString& where, const char* clickName, const char* firstName, const char* countName,
                      const char* statisticsName) {
            loaded = false;
            if (where.isEmpty())
                window->pmFilter()->ClearRows();
            else
                window->pmFilter()->LoadFilter(where, true);
            list.ScrollToRow(0);
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            const int runsBefore = window->StatisticsRuns();
            paint.arm([] { return 0; });
            const qint64 start = clock.nsecsElapsed();
            window->cmdGo_Click();
            const double click = static_cast<double>(clock.nsecsElapsed() - start) / 1e9;
            BlockedNow(clickName);
            WaitFor([&] { return paint.painted(); });
            const double first = static_cast<double>(paint.paintedAt() - start) / 1e9;
            Blocked(firstName);
            WaitFor([&] { return loaded; });
            const double all = static_cast<double>(loadedAt - start) / 1e9;
            Blocked(countName);
            // The statistics values are shown when their query has reported.
            WaitFor([&] { return window->StatisticsRuns() > runsBefore && !window->StatisticsPending(); }, 600000);
            const double statistics = static_cast<double>(clock.nsecsElapsed() - start) / 1e9;
            Blocked(statisticsName);
            Print(clickName, click, QString());
            Print(firstName, first, ordered(sortKeys(false), QStringLiteral(" LIMIT 300")));
            Print(countName, all, QStringLiteral("SELECT COUNT(*) FROM (") + list.Statement() + QStringLiteral("\n)"));
            Print(statisticsName, statistics, window->StatisticsStatement());
        };
        // Ctrl+End once the count is known: the last rows painted.
        auto toEnd = [&](const char* name) {
            WaitFor([&] { return list.RecordCount() >= 0; }, 600000);
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            paint.arm([&] { return list.RowCount() - 1; });
            grid->setFocus();
            const qint64 start = clock.nsecsElapsed();
            PressCtrl(grid, Qt::Key_End);
            WaitFor([&] { return paint.painted(); }, 600000);
            const double seconds = static_cast<double>(paint.paintedAt() - start) / 1e9;
            Blocked(name);
            Print(name, seconds, ordered(sortKeys(true), QStringLiteral(" LIMIT 300")));
            PressCtrl(grid, Qt::Key_Home);
            WaitFor([&] { return list.RowID(0) != 0; });
            WaitFor([] { return false; }, 20);
        };
        heartbeat.reset();
        go(QString(), "go_click_returns", "first_screen", "load_complete", "statistics");
        const int64_t allRows = count;
        toEnd("ctrl_end");
        go(filter, "go_click_returns_filtered", "first_screen_filtered", "load_complete_filtered",
           "statistics_filtered");
        go(QString(), "go_click_returns_again", "first_screen_again", "load_complete_again", "statistics_again");

        int sortColumn = 0;
        for (int c = 1; c <= list.ColumnCount(); ++c)
            if (list.ColumnCaption(c) == sortCaption)
                sortColumn = c;
        if (sortColumn > 0) {
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            paint.arm([] { return 0; });
            const qint64 start = clock.nsecsElapsed();
            list.ClickHeader(sortColumn);
            WaitFor([&] { return paint.painted(); }, 600000);
            const double seconds = static_cast<double>(paint.paintedAt() - start) / 1e9;
            Blocked("sort_first_screen");
            Print("sort_first_screen", seconds, ordered(sortKeys(false), QStringLiteral(" LIMIT 300")));
            toEnd("sort_ctrl_end");
        }

        // A jump to the middle of the result, as a drag of the scroll bar does.
        const int middle = static_cast<int>(std::min<int64_t>(allRows / 2, list.RowCount() - 1));
        {
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            paint.arm([middle] { return middle; });
            const qint64 start = clock.nsecsElapsed();
            list.ScrollToRow(middle);
            WaitFor([&] { return paint.painted(); }, 600000);
            const double seconds = static_cast<double>(paint.paintedAt() - start) / 1e9;
            Blocked("jump_to_middle");
            Print("jump_to_middle", seconds,
                  ordered(sortKeys(false), QStringLiteral(" LIMIT 300 OFFSET ") + QString::number(middle)));
        }
        // A selection by id near the end of the sorted result, right after the list
        // ran again, as RefreshList does it: no row of it is in memory yet.
        {
            const int last = list.RowCount() - 1;
            list.ScrollToRow(last);
            WaitFor([&] { return list.RowID(last) != 0; }, 600000);
            const int32_t id = list.RowID(last);
            list.ScrollToRow(0);
            WaitFor([&] { return list.RowID(0) != 0; }, 600000);
            loaded = false;
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            QElapsedTimer t;
            t.start();
            list.RunQuery();
            list.SelectRowByID(id);
            WaitFor([&] { return list.SelectedID() == id; }, 600000);
            const double seconds = Seconds(t);
            Blocked("select_by_id_at_end");
            Print("select_by_id_at_end", seconds, ordered(sortKeys(false), QString()));
            WaitFor([&] { return loaded; }, 600000);
        }
        // A right click on a row whose linked view's value list is a stored query that
        // would run for hours: the window waits for it in the busy wait, painting, until
        // the busy dialog (after its delay) is cancelled. The longest block of the event
        // loop in that wait is blocked_ms_stored_query_wait; stored_query_cancel runs
        // from the click on Cancel to the end of the right click.
        // The same time of an event loop with nothing to do (blocked_ms_idle_loop):
        // what the machine's scheduler alone gives, beside the stored query's wait.
        WaitFor([] { return false; }, 20);
        g_heartbeat->reset();
        WaitFor([] { return false; }, busywait::DialogDelay());
        Blocked("idle_loop");
        if (slowLink.isEmpty()) {
            std::fprintf(stderr, "quillon-list-bench: the view has no linked view to right-click\n");
        } else {
            const int32_t id = list.RowID(0);
            list.SelectRowByID(id);
            WaitFor([&] { return list.SelectedID() == id; }, 600000);
            int menus = 0;
            SetPopUpMenuAnswerer([&menus](const PopUpMenuRequest&) -> QAction* {
                ++menus;
                return nullptr;
            });
            qint64 cancelledAt = -1;
            QTimer cancel;
            QObject::connect(&cancel, &QTimer::timeout, [&] {
                if (QDialog* d = busywait::Dialog(); d && d->isVisible() && cancelledAt < 0) {
                    cancelledAt = clock.nsecsElapsed();
                    d->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
                }
            });
            cancel.start(20);
            WaitFor([] { return false; }, 20);
            g_heartbeat->reset();
            emit list.RightClick(12, 8);
            const qint64 end = clock.nsecsElapsed();
            cancel.stop();
            Blocked("stored_query_wait");
            SetPopUpMenuAnswerer(nullptr);
            if (cancelledAt < 0 || menus != 0)
                std::fprintf(stderr, "quillon-list-bench: the stored query was not cancelled\n");
            Print("stored_query_cancel", cancelledAt < 0 ? -1 : static_cast<double>(end - cancelledAt) / 1e9,
                  QString());
            auto literal = [](const Variant& v) { return v.isNull() ? QStringLiteral("NULL") : QuoteSQLString(v); };
            dbi.Execute(QStringLiteral("UPDATE LdBaseRelationships SET Column1Filter = ") + literal(slowLinkFilter) +
                        QStringLiteral(", Column1FilterTypeID = ") + literal(slowLinkType) +
                        QStringLiteral(" WHERE BaseRelationshipID = ") + slowLink);
        }
        std::printf("rows\t%lld\n", static_cast<long long>(allRows));
        std::printf("rows_in_memory\t%d\n", list.RowsInMemory());
        Blocked("end");
        double worst = 0;
        for (const Block& b : g_blocks) {
            std::printf("blocked_ms_%s\t%.1f\n", b.step.toUtf8().constData(), b.ms);
            worst = std::max(worst, b.ms);
        }
        std::printf("event_loop_worst_ms\t%.1f\n", worst);
        {
            double idle = 0, wait = -1;
            for (const Block& b : g_blocks) {
                if (b.step == QLatin1String("idle_loop"))
                    idle = b.ms;
                else if (b.step == QLatin1String("stored_query_wait"))
                    wait = b.ms;
            }
            if (idle > 0 && wait >= 0)
                std::printf("ratio_stored_query_wait_to_idle_loop\t%.2f\n", wait / idle);
        }
        // A statement of the window's own (a lookup): what one costs on the window's
        // thread as the program runs it (over ODBC handed to the connection's thread,
        // since the lock-wait observer is installed there) and called directly,
        // without the observer, in microseconds. Last: its calls hold the event loop.
        {
            constexpr int kCalls = 2000;
            auto perCall = [&] {
                QElapsedTimer t;
                t.start();
                for (int k = 0; k < kCalls; ++k)
                    dbi.DLookup(QStringLiteral("ViewName"), QStringLiteral("LdViews"),
                                QStringLiteral("ViewID = ") + QString::number(viewId));
                return static_cast<double>(t.nsecsElapsed()) / kCalls / 1e3;
            };
            perCall();  // warm
            const double asRun = perCall();
            const LockWaitObserver* installed = CurrentLockWaitObserver();
            const std::optional<LockWaitObserver> observer =
                installed ? std::optional<LockWaitObserver>(*installed) : std::nullopt;
            SetLockWaitObserver({});
            const double direct = perCall();
            if (observer)
                SetLockWaitObserver(*observer);
            std::printf("window_thread_call_us\t%.1f\n", asRun);
            std::printf("window_thread_call_direct_us\t%.1f\n", direct);
        }
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak_memory_mb\t%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        Unload(window);
        CloseSystemEngine();
        return 0;
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-list-bench: %s\n", e.description().toUtf8().constData());
        return 1;
    }
}
