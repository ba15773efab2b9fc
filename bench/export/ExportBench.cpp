// quillon-export-bench: logs on to a company, opens a view in a list window
// (offscreen), runs it, and times the export from the click on EXPORT to the
// closed workbook; a heartbeat timer measures the longest time the event loop
// was blocked meanwhile, and the peak memory of the process is read before and
// after. With --baseline it is instead the plain program the export is measured
// against: the same statement on the same file through SQLite, its cells
// written with libxlsxwriter alone in constant-memory mode.
//
//   quillon-export-bench --server NAME [--user ID --password PW] [--view VIEWNAME]
//   quillon-export-bench --baseline DBFILE OUTFILE SQL

#include "bench/BenchSupport.h"
#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "core/SpreadsheetExport.h"
#include "core/StartUp.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "listwindow/frmList.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/eListView.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <sqlite3.h>
#include <sys/resource.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double PeakMemoryMb()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Seconds(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e9; }

int Baseline(const char* dbFile, const char* outFile, const char* sql)
{
    QElapsedTimer clock;
    clock.start();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbFile, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "baseline: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(outFile, &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    const int columns = sqlite3_column_count(st);
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), sqlite3_column_name(st, c), nullptr);
    lxw_row_t row = 1;
    long long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (row >= 1048576) {
            sheet = workbook_add_worksheet(book, nullptr);
            row = 1;
        }
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c), sqlite3_column_double(st, c), nullptr);
                break;
            case SQLITE_NULL:
                break;
            default:
                worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c),
                                       reinterpret_cast<const char*>(sqlite3_column_text(st, c)), nullptr);
            }
        }
        ++row;
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    const lxw_error closed = workbook_close(book);
    std::printf("baseline_seconds\t%.3f\n", Seconds(clock));
    std::printf("baseline_rows\t%lld\n", rows);
    std::printf("baseline_peak_memory_mb\t%.1f\n", PeakMemoryMb());
    std::printf("baseline_file_mb\t%.1f\n", static_cast<double>(QFileInfo(QString::fromLocal8Bit(outFile)).size()) / 1e6);
    return closed == LXW_NO_ERROR ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--baseline")
        return Baseline(argv[2], argv[3], argv[4]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    const bench::Options options(app.arguments().mid(1));
    const QString server = options.Value("--server", QStringLiteral("BENCH"));
    const QString user = options.Value("--user", QStringLiteral("admin"));
    const QString password = options.Value("--password", QStringLiteral("admin"));
    const QString viewName = options.Value("--view", QStringLiteral("ORDERLINES_1"));
    bench::AnswerMessagesOnErrorOutput("quillon-export-bench");
    QString written;
    SetSpreadsheetOpener([&written](const QString& path) {
        written = path;
        return true;
    });
    try {
        if (!bench::LogOnTo(server, QString::fromLatin1(erpdb::kDemoCompanyID), user, password))
            return 1;
        const Variant viewId = GetSQLValue(QStringLiteral("SELECT ViewID FROM LdViews WHERE ViewName = ") +
                                           QuoteSQLString(viewName));
        auto* window = new frmList;
        window->Init(viewId.toInt32(), QString(), nullptr, false);
        window->resize(1400, 900);
        Show(window);
        window->cmdGo_Click();
        QElapsedTimer wait;
        wait.start();
        while (window->ListView()->RecordCount() < 0 && wait.elapsed() < 300000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double peakBefore = PeakMemoryMb();

        // The heartbeat: the longest gap between two ticks of a 5 ms timer, less the interval.
        QElapsedTimer beat;
        beat.start();
        qint64 last = -1, worst = 0;
        QTimer heartbeat;
        heartbeat.setInterval(5);
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = beat.nsecsElapsed();
            if (last >= 0)
                worst = std::max(worst, now - last - 5'000'000);
            last = now;
        });
        heartbeat.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

        QElapsedTimer clock;
        clock.start();
        window->Button(QStringLiteral("EXPORT"))->trigger();
        const double seconds = Seconds(clock);
        heartbeat.stop();

        std::printf("statement\t%s\n", window->ExportStatement().simplified().toUtf8().constData());
        std::printf("export_seconds\t%.3f\n", seconds);
        std::printf("export_rows\t%lld\n", static_cast<long long>(window->ListView()->RecordCount()));
        std::printf("event_loop_worst_ms\t%.1f\n", static_cast<double>(worst) / 1e6);
        std::printf("peak_memory_mb_before_export\t%.1f\n", peakBefore);
        std::printf("peak_memory_mb_after_export\t%.1f\n", PeakMemoryMb());
        std::printf("export_file_mb\t%.1f\n", static_cast<double>(QFileInfo(written).size()) / 1e6);
        std::printf("export_file\t%s\n", written.toUtf8().constData());
        Unload(window);
        CloseSystemEngine();
        return written.isEmpty() ? 1 : 0;
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-export-bench: %s\n", e.description().toUtf8().constData());
        return 1;
    }
}
