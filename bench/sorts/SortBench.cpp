// quillon-sort-bench: the typed sorts of the list helpers on 100,000 rows, under
// two locales. A report list view holds dates (in the locale's short form and the
// program's own forms, mixed), amounts (the locale's and the program's) and
// accented names; each sort is a header click of the list-view helper or the
// selection helper, and the line printed for it is how long the window was held:
// from the click until the list has painted the sorted rows.
//
//   quillon-sort-bench [--rows N]

#include "bench/BenchSupport.h"
#include "listhelpers/ListSelectHelper.h"
#include "listhelpers/clsListViewHelper.h"
#include "platform/controls/ReportListView.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QTreeView>

#include <cstdio>
#include <functional>

namespace {

// Milliseconds from the start of work() until the list has painted afterwards: the
// sort runs in one event handler, so this is the window's longest block for it.
double HeldMs(ReportListView& lv, const std::function<void()>& work)
{
    QCoreApplication::processEvents();
    bench::PaintCounter counter;
    lv.Tree()->viewport()->installEventFilter(&counter);
    QElapsedTimer t;
    t.start();
    work();
    lv.Tree()->viewport()->update();
    while (counter.paints == 0 && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    lv.Tree()->viewport()->removeEventFilter(&counter);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void Fill(ReportListView& lv, int rows, const QLocale& locale)
{
    const QStringList names = {"Émile", "Zoë", "Ärger", "apple", "Øst", "zeta", "Łukasz", "eva"};
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    lv.ClearItems();
    lv.ReserveItems(rows);
    ListRedrawLock lock(&lv);
    for (int i = 0; i < rows; ++i) {
        const QDateTime when = start.addSecs(static_cast<qint64>((i * 7919LL) % 100000) * 997);
        QString date;
        switch (i % 4) {
        case 0: date = locale.toString(when, QLocale::ShortFormat); break;
        case 1: date = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); break;
        case 2: date = when.toString(QStringLiteral("M/d/yyyy h:mm AP")); break;
        default: date = when.toString(QStringLiteral("dd.MM.yyyy HH:mm")); break;
        }
        const double amount = ((i * 104729LL) % 2000000 - 1000000) / 100.0;
        const QString number = i % 2 ? locale.toString(amount, 'f', 2) : QString::number(amount, 'f', 2);
        ListItem* row = lv.AddItem(0, QStringLiteral("ID%1").arg(i + 1), date);
        row->SetSubItem(1, number);
        row->SetSubItem(2, names[i % names.size()] + QString::number((i * 31) % rows));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bench::Options options(app.arguments().mid(1));
    const int rows = options.Value("--rows", QStringLiteral("100000")).toInt();
    bench::AnswerMessagesOnErrorOutput("quillon-sort-bench");
    std::printf("rows\t%d\n", rows);
    for (const char* name : {"en_US", "de_DE"}) {
        const QLocale locale{QString::fromLatin1(name)};
        QLocale::setDefault(locale);
        ReportListView lv;
        lv.resize(1000, 700);
        lv.AddColumn(0, QString(), QStringLiteral("When"));
        lv.AddColumn(0, QString(), QStringLiteral("Amount"), -1, 1);
        lv.AddColumn(0, QString(), QStringLiteral("Name"));
        lv.show();
        auto print = [&](const char* step, double ms) {
            std::printf("%s\t%s_ms\t%.1f\n", name, step, ms);
            std::fflush(stdout);
        };

        // The list-view helper: header clicks on typed columns ("1" date, "2" number) and a text column.
        Fill(lv, rows, locale);
        lv.Column(1)->SetTag(Variant(QStringLiteral("1")));
        lv.Column(2)->SetTag(Variant(QStringLiteral("2")));
        lv.Column(3)->SetTag(Variant(QStringLiteral("0")));
        {
            clsListViewHelper helper;
            helper.Init(&lv);
            print("listview_helper_date_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(1)); }));
            print("listview_helper_date_click_again", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(1)); }));
            print("listview_helper_number_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(2)); }));
            print("listview_helper_text_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(3)); }));
            print("listview_helper_resort", HeldMs(lv, [&] { helper.Resort(); }));
        }

        // The selection helper: "DATE" and "NUM" columns.
        lv.Column(1)->SetTag(Variant(QStringLiteral("DATE")));
        lv.Column(2)->SetTag(Variant(QStringLiteral("NUM")));
        {
            ListSelectHelper helper;
            helper.Init(&lv);
            print("select_helper_date_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(1)); }));
            print("select_helper_number_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(2)); }));
            print("select_helper_text_click", HeldMs(lv, [&] { emit lv.ColumnClick(lv.Column(3)); }));
        }
    }
    std::fflush(stdout);
    std::_Exit(0);
}
