// The list control on the demo company: the first batch before the count, the
// count of the whole result, batches read as the grid scrolls with a bounded
// number of rows in memory, sorting in the database, selection by id deep in the
// result, cancellation, errors and refused statements, selection and keys.

#include "platform/controls/eListView.h"

#include "base/AppError.h"
#include "db/ClientOdbcConfig.h"

#include "platform/controls/ControlsTestSupport.h"
#include "platform/controls/eListViewModel.h"
#include "platform/database/OdbcBackend.h"
#include "WaitFor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>

using namespace controlstest;

namespace {

// Holds the list's query threads before their work while it is held: a query that
// lasts as long as the test wants. A hold ends by itself after its length, so that
// a control that waits for its threads is slow rather than stuck. Installed before
// any query runs and left installed (a thread may still be on its way out of it);
// it does nothing while nothing is held.
class QueryThreadHold {
public:
    QueryThreadHold()
    {
        if (!elistview::QueryThreadFault())
            elistview::QueryThreadFault() = [] {
                State& s = state();
                std::unique_lock lock(s.mutex);
                s.wake.wait_until(lock, s.until, [&s] { return !s.held; });
            };
    }
    ~QueryThreadHold() { Release(); }
    void Hold(std::chrono::milliseconds length)
    {
        State& s = state();
        const std::lock_guard lock(s.mutex);
        s.held = true;
        s.until = std::chrono::steady_clock::now() + length;
    }
    void Release()
    {
        State& s = state();
        {
            const std::lock_guard lock(s.mutex);
            s.held = false;
        }
        s.wake.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        bool held = false;
        std::chrono::steady_clock::time_point until;
    };
    static State& state()
    {
        static State s;
        return s;
    }
};

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = &ControlsServer::Get();
        list = std::make_unique<eListView>();
        list->resize(900, 500);
        list->show();
        list->Connect(kServer, QStringLiteral("coexecutive"), ControlsServer::EncipheredPassword(), kDatabase);
        list->Configure(300);
        SetView(QStringLiteral("ORDERLINES_1"));
    }
    void TearDown() override { list.reset(); }

    void SetView(const QString& name)
    {
        pieces = server->View(name);
        list->SetView(name, pieces.select, pieces.from, pieces.fromEx, pieces.columns);
    }
    // Runs the list with a filter and waits for its load event; the count it reported.
    int Run(const QString& where, bool fromEx = false)
    {
        QSignalSpy loaded(list.get(), &eListView::LoadComplete);
        list->SetFilter(where, fromEx);
        list->RunQuery();
        EXPECT_TRUE(loaded.wait(20000) || loaded.count() > 0);
        QTest::qWait(20);  // the grid lays out its new rows
        return loaded.isEmpty() ? -1 : loaded.takeFirst().at(0).toInt();
    }
    int ColumnOf(const QString& caption) const
    {
        for (int c = 1; c <= list->ColumnCount(); ++c)
            if (list->ColumnCaption(c) == caption)
                return c;
        return 0;
    }
    QString Base() const { return pieces.select + QStringLiteral(" ") + pieces.from; }

    QueryThreadHold hold;  // before any query of the test
    ControlsServer* server = nullptr;
    ControlsServer::ViewPieces pieces;
    std::unique_ptr<eListView> list;
};

TEST_F(ListViewTest, ShowsTheFirstBatchAndReportsTheWholeCount)
{
    const int count = Run(QString());
    EXPECT_EQ(count, kOrderLines);
    EXPECT_TRUE(WaitFor([&] { return list->RowCount() == kOrderLines; }));
    EXPECT_EQ(list->ColumnCaption(1), QStringLiteral("Order Number"));
    EXPECT_EQ(list->ColumnCount(), 11);
    // By row id without a header sort.
    const std::vector<int64_t> expected =
        server->Ids(QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol ORDER BY ol.OrderLineID LIMIT 5"));
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(list->RowID(r), expected[r]);
    EXPECT_LE(list->RowsInMemory(), 20300);
}

TEST_F(ListViewTest, ScrollingReadsBatchesAndKeepsMemoryBounded)
{
    Run(QString());
    QTableView* grid = list->Grid();
    // Through the whole result, a screen at a time from far apart places.
    for (int row : {1000, 5000, 12000, 29990, 15000, 300, 22222}) {
        grid->scrollTo(grid->model()->index(row, 0), QAbstractItemView::PositionAtTop);
        ASSERT_TRUE(WaitFor([&] { return list->RowID(row) != 0; })) << row;
        EXPECT_LE(list->RowsInMemory(), 20300);
    }
    const std::vector<int64_t> all =
        server->Ids(QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol ORDER BY ol.OrderLineID"));
    for (int row : {1000, 5000, 12000, 29990, 15000, 300, 22222})
        if (list->RowID(row) != 0)
            EXPECT_EQ(list->RowID(row), all[row]) << row;
    grid->scrollToBottom();
    ASSERT_TRUE(WaitFor([&] { return list->RowID(kOrderLines - 1) != 0; }));
    EXPECT_EQ(list->RowID(kOrderLines - 1), all.back());
}

// A result larger than the grid's window: the control's own scroll bar stands for
// the whole result, the window follows it, keys and a selection by id move it, and
// the selected row survives a move of the window.
TEST_F(ListViewTest, WindowedGridShowsTheRightRowsAnywhereInTheResult)
{
    list->SetWindowRows(1000);
    Run(QString());
    ASSERT_TRUE(WaitFor([&] { return list->RowCount() == kOrderLines; }));
    QTableView* grid = list->Grid();
    EXPECT_LE(grid->model()->rowCount(), 1000);
    ASSERT_TRUE(list->ScrollBar()->isVisible());
    EXPECT_EQ(list->ScrollBar()->maximum() + list->ScrollBar()->pageStep(), kOrderLines);
    const std::vector<int64_t> all =
        server->Ids(QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol ORDER BY ol.OrderLineID"));
    // The painted top row of the grid is the result row the scroll bar names.
    const auto topShownId = [&] {
        const QModelIndex top = grid->indexAt(QPoint(1, 1));
        return top.isValid() ? grid->model()->index(top.row(), 0).data().toString() : QString();
    };
    const int orderNumber = 1;
    for (int64_t row : {int64_t{15000}, int64_t{29950}, int64_t{400}, int64_t{22222}, int64_t{0}}) {
        list->ScrollToRow(row);
        EXPECT_EQ(list->TopRow(), row);
        EXPECT_EQ(list->ScrollBar()->value(), row);
        ASSERT_TRUE(WaitFor([&] { return list->RowID(static_cast<int>(row)) != 0 && !topShownId().isEmpty(); })) << row;
        EXPECT_EQ(list->RowID(static_cast<int>(row)), all[row]) << row;
        EXPECT_EQ(topShownId(), list->CellText(static_cast<int>(row), orderNumber)) << row;
        EXPECT_LE(grid->model()->rowCount(), 1000);
    }
    // The grid's own scrolling (keys, wheel) moves the window before it reaches its edge.
    list->ScrollToRow(0);
    grid->verticalScrollBar()->setValue(900);
    ASSERT_TRUE(WaitFor([&] { return list->WindowStart() > 0; }));
    EXPECT_EQ(list->TopRow(), 900);
    EXPECT_EQ(list->ScrollBar()->value(), 900);

    grid->setFocus();
    ASSERT_TRUE(WaitFor([&] { return list->ContainsFocus(); }));
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return list->SelectedID() == all.back(); }));
    EXPECT_EQ(list->ScrollBar()->value(), list->ScrollBar()->maximum());
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(list->SelectedID(), all[kOrderLines - 2]);
    // Away and back: the selected row is kept as a row of the result.
    list->ScrollToRow(100);
    list->ScrollToRow(29000);
    EXPECT_EQ(list->SelectedID(), all[kOrderLines - 2]);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return list->SelectedID() == all.front(); }));
    EXPECT_EQ(list->WindowStart(), 0);

    // A selection by id far outside the window lands on its row, on the screen.
    const int64_t position = 20500;
    list->SelectRowByID(static_cast<int32_t>(all[position]));
    ASSERT_TRUE(WaitFor([&] { return list->SelectedID() == all[position]; }));
    EXPECT_EQ(list->WindowStart() + grid->currentIndex().row(), position);
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
}

TEST_F(ListViewTest, HeaderClickSortsTheWholeResultInTheDatabase)
{
    Run(QStringLiteral("WHERE ol.Quantity >= 3"));
    const int product = ColumnOf(QStringLiteral("Product"));
    ASSERT_GT(product, 0);
    const QString filter = QStringLiteral(" WHERE ol.Quantity >= 3");
    for (bool descending : {false, true}) {
        QSignalSpy shown(list.get(), &eListView::FirstRowsShown);
        QSignalSpy loaded(list.get(), &eListView::LoadComplete);
        list->ClickHeader(product);
        ASSERT_TRUE(shown.wait(20000));
        EXPECT_EQ(list->SortColumn(), product);
        EXPECT_EQ(list->SortDescending(), descending);
        EXPECT_EQ(list->Grid()->horizontalHeader()->sortIndicatorSection(), product - 1);
        EXPECT_EQ(list->Grid()->horizontalHeader()->sortIndicatorOrder(),
                  descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        const std::vector<int64_t> expected = server->Ids(
            QStringLiteral("SELECT ol.OrderLineID ") + pieces.from + filter + QStringLiteral(" ORDER BY p.Name ") +
            (descending ? QStringLiteral("DESC") : QString()) + QStringLiteral(", ol.OrderLineID LIMIT 400"));
        for (int r = 0; r < 400; r += 37) {
            list->Grid()->scrollTo(list->Grid()->model()->index(r, 0));
            ASSERT_TRUE(WaitFor([&] { return list->RowID(r) != 0; }));
            EXPECT_EQ(list->RowID(r), expected[r]) << r;
        }
        // The count does not change with the order, and is not reported again.
        EXPECT_TRUE(loaded.isEmpty());
    }
}

TEST_F(ListViewTest, ANewSortShowsTheTopOfTheResultAndKeepsTheSelectedRowSelected)
{
    list->SetWindowRows(1000);
    Run(QString());
    ASSERT_TRUE(WaitFor([&] { return list->RowCount() == kOrderLines; }));
    const int lineTotal = ColumnOf(QStringLiteral("Line Total"));
    ASSERT_GT(lineTotal, 0);
    QTableView* grid = list->Grid();
    const auto topShownRow = [&] {
        const QModelIndex top = grid->indexAt(QPoint(1, 1));
        return top.isValid() ? list->WindowStart() + top.row() : int64_t{-1};
    };
    // A row deep in the result, and one near its top, scrolled to and selected.
    for (int64_t row : {int64_t{15000}, int64_t{20}}) {
        list->ScrollToRow(row);
        ASSERT_TRUE(WaitFor([&] { return list->RowID(static_cast<int>(row)) != 0; })) << row;
        const int32_t id = list->RowID(static_cast<int>(row));
        grid->selectionModel()->setCurrentIndex(grid->model()->index(static_cast<int>(row - list->WindowStart()), 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ASSERT_EQ(list->SelectedID(), id);

        QSignalSpy shown(list.get(), &eListView::FirstRowsShown);
        const bool descending = list->SortColumn() == lineTotal && !list->SortDescending();
        list->ClickHeader(lineTotal);
        ASSERT_TRUE(shown.wait(20000));
        QTest::qWait(20);
        const std::vector<int64_t> sorted = server->Ids(
            QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol ORDER BY ol.LineTotal ") +
            (descending ? QStringLiteral("DESC") : QString()) + QStringLiteral(", ol.OrderLineID LIMIT 1"));
        EXPECT_EQ(list->TopRow(), 0) << row;
        EXPECT_EQ(topShownRow(), 0) << row;
        EXPECT_EQ(list->ScrollBar()->value(), 0) << row;
        EXPECT_EQ(list->RowID(0), sorted[0]) << row;
        // The selected row is still the selected one, wherever the order put it,
        // and finding it did not move the rows shown.
        EXPECT_TRUE(WaitFor([&] { return list->SelectedID() == id; })) << row;
        QTest::qWait(50);
        EXPECT_EQ(list->SelectedID(), id) << row;
        EXPECT_EQ(topShownRow(), 0) << row;
    }
}

TEST_F(ListViewTest, PagesNearerTheEndAreReadBackwardsInTheSameOrderWithTheSameTieBreak)
{
    // Small batches, so that pages read from either end meet in the middle; a
    // sort column with many ties, so that the tie-break decides the order.
    list->Configure(50);
    const QString filter = QStringLiteral(" WHERE ol.Quantity >= 3 AND ol.OrderLineID <= 3000");
    const int count = Run(filter.trimmed());
    ASSERT_GT(count, 200);
    const int product = ColumnOf(QStringLiteral("Product"));
    struct Case {
        const char* name;
        int clicks;  // header clicks on Product: 0 none, 1 ascending, 2 descending
        QString order;
    };
    const Case cases[] = {
        {"by row id", 0, QStringLiteral(" ORDER BY ol.OrderLineID")},
        {"Product ascending", 1, QStringLiteral(" ORDER BY p.Name, ol.OrderLineID")},
        {"Product descending", 1, QStringLiteral(" ORDER BY p.Name DESC, ol.OrderLineID")},
    };
    for (const Case& k : cases) {
        for (int i = 0; i < k.clicks; ++i) {
            QSignalSpy shown(list.get(), &eListView::FirstRowsShown);
            list->ClickHeader(product);
            ASSERT_TRUE(shown.wait(20000)) << k.name;
        }
        ASSERT_EQ(list->RowCount(), count) << k.name;
        const std::vector<int64_t> expected =
            server->Ids(QStringLiteral("SELECT ol.OrderLineID ") + pieces.from + filter + k.order);
        ASSERT_EQ(static_cast<int>(expected.size()), count);
        // From the end (as Ctrl+End goes there) up to the start, a page at a time.
        QTableView* grid = list->Grid();
        grid->scrollToBottom();
        ASSERT_TRUE(WaitFor([&] { return list->RowID(count - 1) != 0; })) << k.name;
        for (int r = count - 1; r >= 0; r -= 50) {
            grid->scrollTo(grid->model()->index(r, 0));
            ASSERT_TRUE(WaitFor([&] { return list->RowID(r) != 0; })) << k.name << " " << r;
        }
        for (int r = 0; r < count; ++r)
            ASSERT_EQ(list->RowID(r), expected[static_cast<size_t>(r)]) << k.name << " row " << r;
    }
}

TEST_F(ListViewTest, WhereTextWithItsOwnOrderOrACommentKeepsWorking)
{
    const int count = Run(QStringLiteral("WHERE ol.Quantity > 5 ORDER BY ol.Quantity DESC"));
    const std::vector<int64_t> expected = server->Ids(
        QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol WHERE ol.Quantity > 5 ORDER BY ol.Quantity DESC, "
                       "ol.OrderLineID"));
    EXPECT_EQ(count, static_cast<int>(expected.size()));
    for (int r = 0; r < 200; r += 13) {
        list->Grid()->scrollTo(list->Grid()->model()->index(r, 0));
        ASSERT_TRUE(WaitFor([&] { return list->RowID(r) != 0; }));
        EXPECT_EQ(list->RowID(r), expected[r]) << r;
    }
    EXPECT_EQ(Run(QStringLiteral("WHERE ol.Quantity > 5 -- the big lines")), static_cast<int>(expected.size()));
    // An order with a LIMIT of its own keeps it (the row id breaking its ties, so
    // that the rows it takes are the same each time); a LIMIT inside a subquery
    // is not the text's own.
    EXPECT_EQ(Run(QStringLiteral("WHERE ol.Quantity > 5 ORDER BY ol.Quantity DESC LIMIT 10")), 10);
    EXPECT_EQ(Run(QStringLiteral("WHERE ol.OrderLineID IN (SELECT OrderLineID FROM OrderLines LIMIT 3) ORDER BY "
                                 "ol.Quantity")),
              3);
    // A header sort on a text with its own order still sorts by the header.
    const int line = ColumnOf(QStringLiteral("Line"));
    Run(QStringLiteral("WHERE ol.Quantity > 5 ORDER BY ol.Quantity DESC -- by size"));
    QSignalSpy shown(list.get(), &eListView::FirstRowsShown);
    list->ClickHeader(line);
    ASSERT_TRUE(shown.wait(20000));
    const std::vector<int64_t> byLine = server->Ids(
        QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol WHERE ol.Quantity > 5 ORDER BY ol.LineNumber, "
                       "ol.OrderLineID LIMIT 50"));
    for (int r = 0; r < 50; r += 7)
        EXPECT_EQ(list->RowID(r), byLine[r]) << r;
}

// The same company through ODBC (the SQLite driver on its files): while the
// list only shows its rows, no query is left open on the server; scrolling on
// gives every row once, in the WHERE text's own order with its ties (each page
// a statement of its own).
TEST_F(ListViewTest, OverOdbcNoQueryStaysOpenWhileTheListIsIdleAndScrollingOnGivesEveryRowOnce)
{
    OdbcServerConfig config;
    config.dialect = OdbcServerConfig::Dialect::SqliteFiles;
    config.driver = QStringLiteral("SQLite3");
    config.filesServer = kServer;
    const QString odbcServer = QStringLiteral("CTLLISTODBC");
    erpdb::WriteClientOdbcServer(odbcServer, config);
    list->Connect(odbcServer, QStringLiteral("coexecutive"), ControlsServer::EncipheredPassword(), kDatabase);
    list->Configure(300);
    SetView(QStringLiteral("ORDERLINES_1"));
    const int count = Run(QStringLiteral("WHERE ol.Quantity > 2 ORDER BY ol.Quantity DESC"));
    const std::vector<int64_t> expected = server->Ids(
        QStringLiteral("SELECT ol.OrderLineID FROM OrderLines ol WHERE ol.Quantity > 2 ORDER BY ol.Quantity DESC, "
                       "ol.OrderLineID"));
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    const int rows = std::min(count, 4000);
    ASSERT_GT(rows, 1500);
    for (int r = 0; r < rows; r += 40) {
        list->Grid()->scrollTo(list->Grid()->model()->index(r, 0));
        ASSERT_TRUE(WaitFor([&] { return list->RowID(r) != 0; })) << r;
        // the user only looks
        QTest::qWait(5);
        EXPECT_EQ(OdbcBackend::openQueriesInProcess(), 0) << "idle at row " << r;
    }
    for (int r = 0; r < rows; ++r)
        ASSERT_EQ(list->RowID(r), expected[static_cast<size_t>(r)]) << r;
}

TEST_F(ListViewTest, SelectsARowByIdDeepInTheResultWithoutBlocking)
{
    Run(QString());
    const int product = ColumnOf(QStringLiteral("Product"));
    QSignalSpy shown(list.get(), &eListView::FirstRowsShown);
    list->ClickHeader(product);
    ASSERT_TRUE(shown.wait(20000));
    const std::vector<int64_t> order = server->Ids(
        QStringLiteral("SELECT ol.OrderLineID ") + pieces.from + QStringLiteral(" ORDER BY p.Name, ol.OrderLineID"));
    const int position = 27123;
    const int64_t id = order[position];
    // The call itself reads nothing of the result: it returns with the row not yet
    // found, and while the query threads are held the grid waits for them.
    auto found = [&] { return list->SelectedID() == id || list->Grid()->currentIndex().row() == position; };
    hold.Hold(std::chrono::seconds(60));
    list->SelectRowByID(static_cast<int32_t>(id));
    EXPECT_FALSE(found());
    QTest::qWait(200);
    EXPECT_FALSE(found());
    hold.Release();
    ASSERT_TRUE(WaitFor([&] { return list->SelectedID() == id; }));
    EXPECT_EQ(list->Grid()->currentIndex().row(), position);
    EXPECT_EQ(list->SelectedCount(), 1);
    EXPECT_EQ(list->ColumnText(0).toLongLong(), id);
    // The row is on the screen.
    const QRect r = list->Grid()->visualRect(list->Grid()->model()->index(position, 0));
    EXPECT_TRUE(list->Grid()->viewport()->rect().intersects(r));

    // An id the result does not hold, and one below 1, clear the selection.
    list->SelectRowByID(999999);
    EXPECT_TRUE(WaitFor([&] { return list->SelectedCount() == 0; }));
    list->SelectRowByID(static_cast<int32_t>(order[5]));
    EXPECT_EQ(list->SelectedID(), order[5]);
    list->SelectRowByID(0);
    EXPECT_EQ(list->SelectedID(), 0);
    EXPECT_EQ(list->SelectedCount(), 0);

    // Right after RunQuery, before any row is in.
    list->SetFilter(QString(), false);
    list->RunQuery();
    list->SelectRowByID(static_cast<int32_t>(order[20000]));
    EXPECT_TRUE(WaitFor([&] { return list->SelectedID() == order[20000]; }));
}

TEST_F(ListViewTest, ANewQueryOrClearRowsCancelsTheRunningOne)
{
    BoxRecorder boxes;
    QSignalSpy loaded(list.get(), &eListView::LoadComplete);
    list->SetFilter(QString(), false);
    list->RunQuery();
    list->SetFilter(QStringLiteral("WHERE ol.Quantity = 1"), false);
    list->RunQuery();
    const int64_t ones = server->Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines WHERE Quantity = 1")).front();
    ASSERT_TRUE(loaded.wait(20000));
    QTest::qWait(300);
    ASSERT_EQ(loaded.count(), 1);  // only the second query reports
    EXPECT_EQ(loaded.at(0).at(0).toInt(), ones);
    EXPECT_EQ(list->RowCount(), ones);

    // ClearRows: nothing is reported, the hourglass is reset.
    loaded.clear();
    SetScreenMousePointer(vbHourglass);
    list->SetFilter(QString(), false);
    list->RunQuery();
    list->ClearRows();
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
    QTest::qWait(500);
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_TRUE(boxes.boxes.empty());

    // Closing while a query runs neither waits for it nor reports it: the query,
    // which would run for days, is interrupted.
    SetScreenMousePointer(vbHourglass);
    list->SetFilter(QStringLiteral("WHERE ol.OrderLineID > (SELECT COUNT(*) FROM OrderLines a, OrderLines b, "
                                   "OrderLines c)"),
                    false);
    list->RunQuery();
    QTest::qWait(100);
    QElapsedTimer t;
    t.start();
    list.reset();
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
}

TEST_F(ListViewTest, FailedAndRefusedQueriesAreReportedThenLoadCompleteZero)
{
    const int64_t before = server->Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines")).front();
    struct Case {
        const char* where;
        const char* message;  // part of the box's text
    };
    const Case cases[] = {
        {"WHERE ol.NoSuchColumn = 1", "no such column"},
        {"WHERE 1 = 1; DELETE FROM OrderLines", "single query"},
        {"WHERE 1 = 1\r\nDELETE FROM OrderLines", "single query"},
        {"WHERE 1 = 1; UPDATE OrderLines SET Quantity = 0 --", "single query"},
    };
    for (const Case& c : cases) {
        BoxRecorder boxes;
        EXPECT_EQ(Run(QString::fromLatin1(c.where)), 0) << c.where;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.where;
        EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("Attention Required"));
        EXPECT_EQ(boxes.boxes[0].icon(), vbExclamation);
        EXPECT_TRUE(boxes.boxes[0].prompt.contains(QString::fromLatin1(c.message), Qt::CaseInsensitive))
            << boxes.boxes[0].prompt.toStdString();
        EXPECT_EQ(list->RowCount(), 0);
    }
    EXPECT_EQ(server->Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines")).front(), before);
    // Subqueries and UNION inside a complex search are fine.
    BoxRecorder boxes;
    const int n = Run(QStringLiteral("WHERE ol.OrderLineID IN (SELECT OrderLineID FROM OrderLines WHERE Quantity = 2 "
                                     "UNION SELECT OrderLineID FROM OrderLines WHERE Quantity = 3)"));
    EXPECT_EQ(n, server->Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines WHERE Quantity IN (2, 3)")).front());
    EXPECT_TRUE(boxes.boxes.empty());

    // A row deep in the result that fails after the count was reported: the rows go,
    // the box says why and the window learns that none are left.
    list->SetView(QStringLiteral("ORDERLINES_1"),
                  QStringLiteral("SELECT ol.OrderLineID, CASE WHEN ol.OrderLineID > 2000 THEN "
                                 "ABS(-9223372036854775807 - 1) ELSE ol.Quantity END"),
                  pieces.from, pieces.fromEx, QStringLiteral("Quantity,1"));
    QSignalSpy loads(list.get(), &eListView::LoadComplete);
    EXPECT_GT(Run(QString()), 2000);
    ASSERT_TRUE(boxes.boxes.empty());
    list->Grid()->scrollToBottom();
    ASSERT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_TRUE(boxes.boxes[0].prompt.contains(QStringLiteral("overflow"), Qt::CaseInsensitive))
        << boxes.boxes[0].prompt.toStdString();
    ASSERT_TRUE(WaitFor([&] { return loads.count() >= 2; }));
    EXPECT_EQ(loads.last().at(0).toInt(), 0);
    EXPECT_EQ(list->RowCount(), 0);
    boxes.boxes.clear();
    SetView(QStringLiteral("ORDERLINES_1"));

    // A refused logon is reported the same way.
    list->Connect(kServer, QStringLiteral("coexecutive"),
                  CryptText(1, QStringLiteral("wrong"), SessionCipherKey(), true), kDatabase);
    EXPECT_EQ(Run(QString()), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, QStringLiteral("Login failed for user 'coexecutive'."));
}

TEST_F(ListViewTest, AnyFailureOfTheQueryThreadsIsAFailedQuery)
{
    // Not only database errors: the window must get its load event whatever the failure.
    struct Case {
        const char* what;
        std::function<void()> fault;
        QString message;
    } cases[] = {
        {"out of memory", [] { throw std::bad_alloc(); }, QStringLiteral("Out of memory")},
        {"a library's exception", [] { throw std::runtime_error("disk quota exceeded"); },
         QStringLiteral("disk quota exceeded")},
        {"anything else", [] { throw 42; }, QStringLiteral("The list query failed unexpectedly.")},
    };
    for (const Case& c : cases) {
        BoxRecorder boxes;
        elistview::QueryThreadFault() = c.fault;
        const int count = Run(QString());
        elistview::QueryThreadFault() = nullptr;
        EXPECT_EQ(count, 0) << c.what;
        ASSERT_FALSE(boxes.boxes.empty()) << c.what;
        for (const auto& box : boxes.boxes)
            EXPECT_EQ(box.prompt, c.message) << c.what;
        EXPECT_EQ(list->RowCount(), 0) << c.what;
    }
    // The control works on afterwards.
    EXPECT_GT(Run(QString()), 0);
}

TEST_F(ListViewTest, AViewWithoutItsSqlOrWithTooManyColumnsIsRefused)
{
    auto columns = [](int n) {
        QString text;
        for (int i = 0; i < n; ++i)
            text += QStringLiteral("C%1,0,").arg(i);
        return text;
    };
    struct Case {
        const char* what;
        QString select, from, columns, message;
    } cases[] = {
        {"no select list", QString(), pieces.from, pieces.columns,
         QStringLiteral("The view 'V' cannot be listed: its SQL is missing (SELECT list). Save the view again to "
                        "rebuild it.")},
        {"no FROM clause", pieces.select, QStringLiteral("  "), pieces.columns,
         QStringLiteral("The view 'V' cannot be listed: its SQL is missing (FROM clause). Save the view again to "
                        "rebuild it.")},
        {"neither", QString(), QString(), pieces.columns,
         QStringLiteral("The view 'V' cannot be listed: its SQL is missing (SELECT list and FROM clause). Save the "
                        "view again to rebuild it.")},
        {"a damaged column string", pieces.select, pieces.from, columns(16000),
         QStringLiteral("The view 'V' has 16000 columns; a list shows at most 2000.")},
    };
    const int shown = Run(QString());
    ASSERT_GT(shown, 0);
    for (const Case& c : cases) {
        try {
            list->SetView(QStringLiteral("V"), c.select, c.from, QString(), c.columns);
            ADD_FAILURE() << c.what;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), vberr::ProgramDefined) << c.what;
            EXPECT_EQ(e.description(), c.message) << c.what;
        }
        // Nothing changed: the view before still lists.
        EXPECT_EQ(list->RowCount(), shown) << c.what;
    }
    // As many columns as a query returns are fine.
    list->SetView(QStringLiteral("V"), pieces.select, pieces.from, pieces.fromEx, columns(eListView::kMaxColumns));
    EXPECT_EQ(list->ColumnCount(), eListView::kMaxColumns);
    EXPECT_EQ(Run(QString()), shown);
}

TEST_F(ListViewTest, SelectionMouseAndKeys)
{
    Run(QStringLiteral("WHERE ol.OrderLineID <= 50"));
    ASSERT_TRUE(WaitFor([&] { return list->RowID(0) != 0; }));
    QTableView* grid = list->Grid();
    EXPECT_EQ(list->SelectedID(), 0);

    // The right button selects the row under the pointer, then RightClick in control pixels.
    QSignalSpy right(list.get(), &eListView::RightClick);
    const QRect third = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, third.center());
    ASSERT_EQ(right.count(), 1);
    const QPoint inControl = grid->viewport()->mapTo(list.get(), third.center());
    EXPECT_EQ(right.at(0).at(0).toInt(), inControl.x());
    EXPECT_EQ(right.at(0).at(1).toInt(), inControl.y());
    EXPECT_EQ(list->SelectedID(), list->RowID(2));
    EXPECT_EQ(list->SelectedCount(), 1);
    // ColumnText is the database's value, not a display format.
    const std::vector<int64_t> line =
        server->Ids(QStringLiteral("SELECT ol.LineNumber FROM OrderLines ol WHERE ol.OrderLineID = ") +
                    QString::number(list->RowID(2)));
    EXPECT_EQ(list->ColumnText(ColumnOf(QStringLiteral("Line"))), QString::number(line.front()));

    QSignalSpy dbl(list.get(), &eListView::DblClick);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(4, 0)).center());
    EXPECT_EQ(dbl.count(), 1);

    // Keys: the window sees them first and may keep them from the grid.
    grid->setFocus();
    ASSERT_TRUE(WaitFor([&] { return list->ContainsFocus(); }));
    grid->selectionModel()->setCurrentIndex(grid->model()->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    std::vector<int> seen;
    bool swallow = false;
    QObject::connect(list.get(), &eListView::KeyDown, list.get(), [&](int& key, int) {
        seen.push_back(key);
        if (swallow)
            key = 0;
    });
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, Qt::Key_End);
    EXPECT_EQ(grid->currentIndex().row(), 49);
    QTest::keyClick(grid, Qt::Key_Home);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    QTest::keyClick(grid, Qt::Key_PageDown);
    EXPECT_GT(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->SelectedCount(), 50);
    swallow = true;
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(list->SelectedCount(), 50);  // kept from the grid
    seen.erase(std::remove(seen.begin(), seen.end(), 17), seen.end());  // the Ctrl key itself
    EXPECT_EQ(seen, (std::vector<int>{40, 35, 36, 34, 65, 38}));

    // TabStop switches the focus policy; the focus test holds inside the control.
    list->SetTabStop(false);
    EXPECT_EQ(grid->focusPolicy(), Qt::ClickFocus);
    list->SetTabStop(true);
    EXPECT_EQ(grid->focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(list->ContainsFocus());
}

}  // namespace
