// The statistics strip's query off the window's thread: its values arrive after
// the first rows, a newer query, Clear and closing the window stop it, and its
// failures are shown once, on the window's thread.

#include "ListWindowTestSupport.h"

#include "platform/controls/BackgroundQuery.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QAction>
#include <QSignalSpy>
#include <QThread>

using namespace listtest;

namespace {

// An aggregate that would run for hours: only an interrupt ends it in time.
const QString kEndlessWhere = QStringLiteral(
    "WHERE o.OrderID > (SELECT COUNT(*) FROM OrderLines a, OrderLines b, OrderLines c, OrderLines d)");

// Threads of this process named as the background query names its own.
int BackgroundThreads()
{
    int n = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "BackgroundQuery")
            ++n;
    }
    return n;
}

class ListWindowStatisticsTest : public ListWindowTest {
protected:
    static ListItem* StripRow(frmList* w) { return w->lvwStats()->FindItem(QStringLiteral("ID1")); }
    // The function cells of the strip (3 onwards), as texts.
    static QStringList Values(frmList* w)
    {
        QStringList values;
        ListItem* row = StripRow(w);
        for (int i = 2; row && i < w->lvwStats()->ColumnCount(); ++i)
            values << row->SubItem(i);
        return values;
    }
    static bool AnyBusy(frmList* w)
    {
        ListItem* row = StripRow(w);
        for (int i = 2; row && i < w->lvwStats()->ColumnCount(); ++i)
            if (row->SubItemBusy(i))
                return true;
        return false;
    }
    QStringList Expected(const QString& where)
    {
        const QStringList v =
            Rows(QStringLiteral("SELECT SUM(OrderTotal), AVG(OrderTotal), COUNT(OrderNumber) FROM Orders ") + where)
                .first()
                .split(QLatin1Char('|'));
        return {FormatSystemCurrency(Variant(v[0].toDouble())), FormatSystemCurrency(Variant(v[1].toDouble())), v[2]};
    }
};

TEST_F(ListWindowStatisticsTest, TheValuesComeAfterTheFirstRowsAndMatchTheDatabasesAggregate)
{
    frmList* orders = Open(4, QString(), nullptr, false);
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Open' )"), false);

    // At the first rows the strip's cells wait (busy, empty); the values follow.
    bool firstRows = false;
    bool busyAtFirstRows = false;
    QStringList valuesAtFirstRows;
    QMetaObject::Connection c = QObject::connect(orders->ListView(), &eListView::FirstRowsShown, [&] {
        firstRows = true;
        busyAtFirstRows = AnyBusy(orders) || orders->StatisticsPending();
        valuesAtFirstRows = Values(orders);
    });
    orders->cmdGo_Click();
    // Go returns before the first rows: they come from the query's threads, through the event loop.
    EXPECT_FALSE(firstRows);
    EXPECT_TRUE(orders->StatisticsPending());
    ASSERT_TRUE(WaitFor([&] { return orders->RecordCount() > 0 && !orders->StatisticsPending(); }));
    QObject::disconnect(c);
    EXPECT_TRUE(busyAtFirstRows);
    EXPECT_EQ(valuesAtFirstRows.join(QString()), QString());
    EXPECT_EQ(Values(orders), Expected(QStringLiteral("WHERE Status = 'Open'")));
    EXPECT_FALSE(AnyBusy(orders));
    EXPECT_EQ(StripRow(orders)->SubItem(1), Value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE Status = 'Open'")));

    // Go holds the window for no query of its own: with a search that would run for
    // hours it returns all the same (run on the window's thread, it would never
    // return). Clear ends the query, and the threads serve the next Go.
    QSignalSpy shown(orders->ListView(), &eListView::FirstRowsShown);
    orders->pmFilter()->LoadFilter(kEndlessWhere, true);
    orders->cmdGo_Click();
    EXPECT_TRUE(orders->ListView()->Statement().contains(kEndlessWhere));
    QTest::qWait(100);
    EXPECT_TRUE(shown.isEmpty());
    orders->cmdClear_Click();
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Open' )"), false);
    ASSERT_TRUE(Go(orders));
    EXPECT_EQ(Values(orders), Expected(QStringLiteral("WHERE Status = 'Open'")));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowStatisticsTest, ANewerQueryOrClearStopsTheRunningStatisticsAndOnlyTheNewerValuesShow)
{
    frmList* orders = Open(4, QString(), nullptr, false);
    struct Case {
        const char* name;
        std::function<void()> replace;
        bool newValues;
    };
    const Case cases[] = {
        {"second Go",
         [&] {
             orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Shipped' )"), false);
             orders->cmdGo_Click();
         },
         true},
        {"Clear", [&] { orders->cmdClear_Click(); }, false},
    };
    for (const Case& k : cases) {
        // The first query's statistics, long running.
        orders->RefreshStatistics(false, kEndlessWhere);
        ASSERT_TRUE(orders->StatisticsPending()) << k.name;
        ASSERT_TRUE(AnyBusy(orders)) << k.name;
        QTest::qWait(100);
        k.replace();
        // Had the first query not been interrupted, the strip's thread would still be in it.
        if (k.newValues) {
            ASSERT_TRUE(WaitFor([&] { return !orders->StatisticsPending(); })) << k.name;
            EXPECT_EQ(Values(orders), Expected(QStringLiteral("WHERE Status = 'Shipped'"))) << k.name;
        } else {
            EXPECT_FALSE(orders->StatisticsPending()) << k.name;
            QTest::qWait(100);
            EXPECT_EQ(Values(orders).join(QString()), QString()) << k.name;
        }
        EXPECT_FALSE(AnyBusy(orders)) << k.name;
        // A run after it works on the same connection: the cancelled one ended.
        orders->RefreshStatistics(false, QStringLiteral("WHERE o.Status = 'Open'"));
        ASSERT_TRUE(WaitFor([&] { return !orders->StatisticsPending(); })) << k.name;
        EXPECT_EQ(Values(orders), Expected(QStringLiteral("WHERE Status = 'Open'"))) << k.name;
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowStatisticsTest, ClosingTheWindowEndsARunningStatisticsQueryAndLeavesNoThreadOrConnection)
{
    const int threadsBefore = BackgroundThreads();
    const int connectionsBefore = BackgroundQuery::OpenConnections();
    frmList* orders = Open(4, QString(), nullptr, false);
    ASSERT_TRUE(Go(orders));
    EXPECT_EQ(BackgroundQuery::OpenConnections(), connectionsBefore + 1);
    orders->RefreshStatistics(false, kEndlessWhere);
    QTest::qWait(100);
    ASSERT_TRUE(orders->StatisticsPending());

    QElapsedTimer t;
    t.start();
    Unload(orders);
    // Closing waits for the query's thread, which ends only because the database was
    // interrupted: the query itself would run for hours.
    EXPECT_LT(t.elapsed(), 30000);
    CollectUnloadedForms();
    QTest::qWait(50);
    EXPECT_EQ(BackgroundQuery::OpenConnections(), connectionsBefore);
    EXPECT_EQ(BackgroundThreads(), threadsBefore);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowStatisticsTest, AFailingStatisticsQueryShowsItsMessageOnceOnTheWindowsThread)
{
    frmList* orders = Open(4, QString(), nullptr, false);
    std::vector<bool> onWindowThread;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        onWindowThread.push_back(QThread::currentThread() == qApp->thread());
        return static_cast<int>(vbOK);
    });
    struct Case {
        const char* name;
        QString searchName;  // the filter pane's search name
        QString filter;      // the window's current filter text
        QString expected;    // empty: the database's own message
    };
    const Case cases[] = {
        {"named search with a filter", QStringLiteral("Big Orders"), QStringLiteral("WHERE ( {Status} = 'Open' )"),
         QStringLiteral("The list failed on the selected filter 'Big Orders'.  Try recreating the filter and saving it "
                        "as a 'complex filter'.")},
        {"no filter text", QStringLiteral("QuickSearch"), QString(), QString()},
    };
    for (const Case& k : cases) {
        boxes.clear();
        onWindowThread.clear();
        orders->pmFilter()->ClearRows();
        if (!k.filter.isEmpty())
            orders->pmFilter()->LoadFilter(k.filter, false);
        orders->GetFilterWhere(QString());
        orders->pmFilter()->SetText(k.searchName);
        orders->RefreshStatistics(false, QStringLiteral("WHERE o.NoSuchColumn = 1"));
        // Nothing is shown before the query has run.
        EXPECT_TRUE(boxes.empty()) << k.name;
        ASSERT_TRUE(WaitFor([&] { return !orders->StatisticsPending(); })) << k.name;
        QTest::qWait(50);
        ASSERT_EQ(boxes.size(), 1u) << k.name << ": " << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        EXPECT_TRUE(onWindowThread[0]) << k.name;
        EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required")) << k.name;
        EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbExclamation)) << k.name;
        if (k.expected.isEmpty())
            EXPECT_NE(boxes[0].prompt.indexOf(QStringLiteral("NoSuchColumn"), 0, Qt::CaseInsensitive), -1)
                << k.name << ": " << qPrintable(boxes[0].prompt);
        else
            EXPECT_EQ(boxes[0].prompt, k.expected) << k.name;
        // The strip keeps its count and stops waiting.
        EXPECT_FALSE(AnyBusy(orders)) << k.name;
        EXPECT_EQ(StripRow(orders)->SubItem(1), QString::number(orders->RecordCount())) << k.name;
    }
}

TEST_F(ListWindowStatisticsTest, ARefusedSearchLeavesNoRowsOrFiguresOfThePreviousSearch)
{
    // Orders opens on its last used search; the user adds a date range it cannot read.
    frmList* orders = Open(4);
    FILTERLib::Filter* pane = orders->pmFilter();
    const int status = FilterField(pane, QStringLiteral("{Status}"));
    const int orderDate = FilterField(pane, QStringLiteral("{OrderDate}"));
    ASSERT_TRUE(status >= 0 && orderDate >= 0);
    struct Case {
        const char* name;
        std::function<void()> stillGoing;  // what of the previous search has not come yet
        bool byEnter;                      // Enter in the value, else Go
    };
    const Case cases[] = {
        {"its statistics still running, Enter", [&] { orders->RefreshStatistics(false, kEndlessWhere); }, true},
        {"its rows, count and statistics still coming, Go", [&] { orders->cmdGo_Click(); }, false},
    };
    for (const Case& k : cases) {
        pane->ClearRows();
        ASSERT_TRUE(pane->SetRow(0, status, FILTERLib::Filter::Op::Equals, QStringLiteral("Open"))) << k.name;
        ASSERT_TRUE(Go(orders)) << k.name;
        ASSERT_GT(orders->ListView()->RowCount(), 0) << k.name;
        ASSERT_NE(StripRow(orders)->SubItem(1), QString()) << k.name;
        ASSERT_NE(Values(orders).join(QString()), QString()) << k.name;
        k.stillGoing();
        ASSERT_TRUE(pane->SetRow(1, orderDate, FILTERLib::Filter::Op::Between, QStringLiteral("24-01-05x"),
                                 QStringLiteral("2024-12-31")))
            << k.name;
        const QString problem = pane->InvalidValue();
        ASSERT_TRUE(problem.startsWith(QStringLiteral("The value of 'Order Date'"))) << qPrintable(problem);
        boxes.clear();
        if (k.byEnter) {
            QLineEdit* value = ValueBox(orders, QStringLiteral("24-01-05x"));
            ASSERT_NE(value, nullptr) << k.name;
            value->setFocus();
            QTest::keyClick(value, Qt::Key_Return);
        } else {
            orders->cmdGo_Click();
        }
        ASSERT_EQ(boxes.size(), 1u) << k.name;
        EXPECT_EQ(boxes[0].prompt, problem) << k.name;

        // Nothing of the previous search is shown, nor comes later; the frame says nothing was listed.
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(orders->ListView()->RowCount(), 0) << k.name << " " << pass;
            EXPECT_EQ(StripRow(orders)->SubItem(1), QString()) << k.name << " " << pass;
            EXPECT_EQ(Values(orders).join(QString()), QString()) << k.name << " " << pass;
            EXPECT_FALSE(AnyBusy(orders)) << k.name << " " << pass;
            EXPECT_FALSE(orders->StatisticsPending()) << k.name << " " << pass;
            EXPECT_FALSE(orders->fraMessage()->isHidden()) << k.name << " " << pass;
            EXPECT_EQ(orders->lblMessage()->text(), QStringLiteral("Click go or select search criteria to list orders."))
                << k.name;
            EXPECT_FALSE(orders->Button(QStringLiteral("EXPORT"))->isEnabled()) << k.name << " " << pass;
            QTest::qWait(200);
        }
        EXPECT_EQ(boxes.size(), 1u) << k.name;
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault)) << k.name;
    }
}

}  // namespace
