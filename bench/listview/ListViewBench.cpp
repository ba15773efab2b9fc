// quillon-listview-bench: logs on to a demo company and fills a report list view
// with 100,000 order lines through clsListViewHelper::Refresh, sorts it by a
// number column with a header click, and prints the time until the rows are
// painted and the memory the rows take; beside it the same rows in a plain Qt
// item view (QStandardItemModel + QTreeView, numbers held as numbers, sorted by
// the model), and the time a header-click sort of 10,000 rows holds the window.
//
//   quillon-listview-bench --server NAME [--rows N]

#include "bench/BenchSupport.h"
#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/StartUp.h"
#include "core/clsLogonProfile.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "listhelpers/clsListViewHelper.h"
#include "platform/controls/ReportListView.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

// Resident memory of the process in MB.
double ResidentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096.0 / 1048576.0 : 0;
}

// Seconds from the start of work() until the viewport has painted afterwards.
double TimeToPainted(QAbstractItemView* view, const std::function<void()>& work)
{
    bench::PaintCounter counter;
    view->viewport()->installEventFilter(&counter);
    QElapsedTimer t;
    t.start();
    work();
    const int before = counter.paints;
    view->viewport()->update();
    while (counter.paints == before && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    view->viewport()->removeEventFilter(&counter);
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

void Print(const char* name, double value, const char* unit) { std::printf("%s\t%.3f\t%s\n", name, value, unit); }

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    const bench::Options options(app.arguments().mid(1));
    const QString server = options.Value("--server", QStringLiteral("BENCH"));
    const int rows = options.Value("--rows", QStringLiteral("100000")).toInt();
    bench::AnswerMessagesOnErrorOutput("quillon-listview-bench");
    try {
        if (!bench::LogOnTo(server, QString::fromLatin1(erpdb::kDemoCompanyID), QStringLiteral("admin"),
                            QStringLiteral("admin")))
            return 1;
        const QString select = QStringLiteral("SELECT OrderLineID, OrderLineID, OrderID, LineNumber, Quantity, UnitPrice, "
                                              "LineTotal FROM OrderLines");
        const QString where = QStringLiteral("WHERE OrderLineID <= %1 ORDER BY OrderLineID").arg(rows);
        const QString columns = QStringLiteral("Line,0,Order,1,No,1,Quantity,1,Price,1,Total,1,");

        // ---- The report list view through the helper.
        const double memBefore = ResidentMb();
        ReportListView lv;
        lv.resize(1000, 700);
        lv.show();
        clsListViewHelper helper;
        helper.Init(&lv);
        helper.SetListColumns(columns);
        helper.SetQueryString(select);
        helper.SetQueryWhere(where, false);
        const double fill = TimeToPainted(lv.Tree(), [&] { helper.Refresh(); });
        const double listMem = ResidentMb() - memBefore;
        const double sort = TimeToPainted(lv.Tree(), [&] { emit lv.ColumnClick(lv.Column(6)); });
        const double sortAgain = TimeToPainted(lv.Tree(), [&] { emit lv.ColumnClick(lv.Column(6)); });
        const int filled = lv.ItemCount();
        const double scroll = TimeToPainted(lv.Tree(), [&] { lv.Item(filled / 2)->EnsureVisible(); });

        // ---- The same rows in a plain Qt item view.
        const double plainBefore = ResidentMb();
        QStandardItemModel model;
        QTreeView plain;
        plain.setUniformRowHeights(true);
        plain.setRootIsDecorated(false);
        plain.setModel(&model);
        plain.resize(1000, 700);
        plain.show();
        const double plainFill = TimeToPainted(&plain, [&] {
            BrandleRecordsetPtr rs;
            SessionEngine().DBI().OpenReadOnlyRecordset(select + QLatin1Char(' ') + where, rs);
            model.setHorizontalHeaderLabels({"Line", "Order", "No", "Quantity", "Price", "Total"});
            for (; rs->HasRecord(); rs->MoveNext()) {
                QList<QStandardItem*> items;
                for (int f = 1; f <= 6; ++f) {
                    auto* item = new QStandardItem;
                    item->setData(f == 1 ? QVariant(rs->Item(f).toString()) : QVariant(rs->Item(f).toDouble()),
                                  Qt::DisplayRole);
                    items << item;
                }
                model.appendRow(items);
            }
        });
        const double plainMem = ResidentMb() - plainBefore;
        const double plainSort = TimeToPainted(&plain, [&] { model.sort(5, Qt::AscendingOrder); });

        // ---- A header-click sort of 10,000 rows: how long it holds the window.
        helper.SetQueryWhere(QStringLiteral("WHERE OrderLineID <= 10000"), false);
        helper.Refresh();
        QElapsedTimer held;
        held.start();
        emit lv.ColumnClick(lv.Column(6));
        const double sort10k = static_cast<double>(held.nsecsElapsed()) / 1e6;

        std::printf("rows\t%d\n", filled);
        Print("list_fill_to_painted", fill, "s");
        Print("plain_fill_to_painted", plainFill, "s");
        Print("list_sort_number_to_painted", sort, "s");
        Print("list_sort_again_descending", sortAgain, "s");
        Print("plain_sort_number_to_painted", plainSort, "s");
        Print("list_scroll_to_middle", scroll, "s");
        Print("list_memory", listMem, "MB");
        Print("plain_memory", plainMem, "MB");
        Print("sort_10000_rows_holds_window", sort10k, "ms");
        std::printf("ratio_fill\t%.2f\n", fill / plainFill);
        std::printf("ratio_sort\t%.2f\n", sort / plainSort);
        std::printf("ratio_memory\t%.2f\n", plainMem > 0 ? listMem / plainMem : 0.0);
        // Freeing the plain model's 600,000 items after its sort takes Qt about a
        // minute (each finds its row again); there is nothing left to measure.
        std::fflush(stdout);
        std::_Exit(0);
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-listview-bench: (%d) %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
