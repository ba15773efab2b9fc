// Linked views on the values of real rows: a NULL in a value list or in the
// relation column, real numbers and date-times that the row's display text
// would not match, date literals in the locale's forms, and stored queries that
// are slow or never end, which keep the window responsive and can be cancelled.

#include "LinkedViewsTestSupport.h"

#include "core/StoredQuery.h"
#include "platform/forms/DatabaseBusyWait.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace listtest;

namespace {

using ListWindowLinkValuesTest = ListWindowLinkedViewsTest;

TEST_F(ListWindowLinkValuesTest, ANullInAValueListIsLeftOut)
{
    Exec(QStringLiteral("UPDATE LdBaseRelationships SET Column1Filter = 'SELECT NULL UNION ALL SELECT ProductID FROM "
                        "Products WHERE Discontinued = 0 UNION ALL SELECT NULL' WHERE BaseRelationshipID = 5"));
    const QString sold = Value("SELECT MIN(ProductID) FROM Products WHERE Discontinued = 0");
    frmList* w = WithRow(ViewId(QStringLiteral("PRODUCTS_1")), sold.toInt());
    EXPECT_EQ(RightClick(w), nullptr);
    EXPECT_EQ(built, QStringLiteral("Order Lines"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
    int values = 0;
    for (const CoLdUVAssocViewRef& link : *w->View()->AssocViews())
        for (const CoLdUVAssocViewContraintRef& value : *link->Contraints1()) {
            EXPECT_FALSE(value->Value.isEmpty());
            ++values;
        }
    EXPECT_EQ(QString::number(values), Value("SELECT COUNT(*) FROM Products WHERE Discontinued = 0"));
}

TEST_F(ListWindowLinkValuesTest, ARowWhoseRelationColumnIsNullIsOfferedNoLinkOnIt)
{
    // The orders of one customer list that customer's number as NULL.
    const QString customer = Value("SELECT MIN(CustomerID) FROM Orders");
    const QString nulled = Value("SELECT MIN(OrderID) FROM Orders WHERE CustomerID = " + customer);
    const QString other = Value("SELECT MIN(OrderID) FROM Orders WHERE Status <> 'Cancelled' AND CustomerID <> " + customer);
    const int orders = ViewId(QStringLiteral("ORDERS_1"));
    ASSERT_TRUE(Value(QStringLiteral("SELECT SQLSelect FROM LdViews WHERE ViewID = %1").arg(orders))
                    .contains(QLatin1String("o.CustomerID")));
    Exec(QStringLiteral("UPDATE LdViews SET SQLSelect = REPLACE(SQLSelect, 'o.CustomerID', 'NULLIF(o.CustomerID, %1)') "
                        "WHERE ViewID = %2")
             .arg(customer)
             .arg(orders));
    Exec(QStringLiteral("UPDATE Orders SET Status = 'Open' WHERE OrderID = ") + nulled);
    struct Case {
        QString row;
        const char* menu;  // Customers on the customer; Order Lines on the order and the customer
    };
    const Case cases[] = {{nulled, ""}, {other, "Customers,Order Lines"}};
    for (const Case& c : cases) {
        frmList* w = WithRow(orders, c.row.toInt());
        EXPECT_EQ(RightClick(w), nullptr);
        EXPECT_EQ(built, QLatin1String(c.menu)) << qPrintable(c.row);
        Unload(w);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

TEST_F(ListWindowLinkValuesTest, RealNumberAndDateTimeLinksFindTheRowsThatHoldTheSameValue)
{
    const QString order = Value("SELECT MIN(OrderID) FROM Orders");
    const QString customer = Value("SELECT MAX(CustomerID) FROM Customers");
    const QString invoice = Value("SELECT MIN(InvoiceID) FROM Invoices");
    const QString invoiceOrder = Value("SELECT MAX(OrderID) FROM Orders");
    // 0.1 + 0.2 shows as 0.3, which is not what the rows hold; a time with milliseconds.
    Exec("UPDATE Orders SET OrderTotal = 0.1 + 0.2 WHERE OrderID = " + order);
    Exec("UPDATE Customers SET CreditLimit = 0.1 + 0.2 WHERE CustomerID = " + customer);
    Exec("UPDATE Invoices SET InvoiceDate = '2024-06-01 10:11:12.345' WHERE InvoiceID = " + invoice);
    Exec("UPDATE Orders SET OrderDate = '2024-06-01 10:11:12.345' WHERE OrderID = " + invoiceOrder);
    Relate(3, BaseColumn("ORDERS_1", "OrderTotal"), BaseColumn("CUSTOMERS_1", "CreditLimit"));
    Relate(7, BaseColumn("INVOICES_1", "InvoiceDate"), BaseColumn("ORDERS_1", "OrderDate"));
    struct Case {
        const char* view;
        QString row;
        const char* entry;
        QString listed;  // the one row the linked view lists
    };
    const Case cases[] = {
        {"ORDERS_1", order, "Customers", customer},
        {"INVOICES_1", invoice, "Orders", invoiceOrder},
    };
    for (const Case& c : cases) {
        frmList* source = WithRow(ViewId(QLatin1String(c.view)), c.row.toInt());
        frmList* linked = RightClick(source, QLatin1String(c.entry));
        ASSERT_NE(linked, nullptr) << c.view;
        EXPECT_EQ(linked->ListView()->RecordCount(), 1) << qPrintable(linked->InitialFilter());
        EXPECT_EQ(linked->ListView()->RowID(0), c.listed.toInt()) << qPrintable(linked->InitialFilter());
        Unload(linked);
        Unload(source);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

TEST_F(ListWindowLinkValuesTest, DateLiteralsInTheLocalesLongAndShortFormsCompareAsDates)
{
    const QLocale before;
    struct Case {
        QLocale::Language language;
        QLocale::Territory territory;
        const char* literal;
        bool equal;  // to 1 June 2024
    };
    const Case cases[] = {
        {QLocale::English, QLocale::UnitedStates, "June 1, 2024", true},
        {QLocale::English, QLocale::UnitedStates, "Saturday, June 1, 2024", true},
        {QLocale::English, QLocale::UnitedStates, "Jun 1, 2024", true},
        {QLocale::English, QLocale::UnitedStates, "6/1/24", true},
        {QLocale::English, QLocale::UnitedStates, "6/1/2024", true},
        {QLocale::English, QLocale::UnitedStates, "2024-06-01", true},
        {QLocale::English, QLocale::UnitedStates, "June 2, 2024", false},
        {QLocale::English, QLocale::UnitedStates, "June 1, 1924", false},
        {QLocale::German, QLocale::Germany, "1. Juni 2024", true},
        {QLocale::German, QLocale::Germany, "Samstag, 1. Juni 2024", true},
        {QLocale::German, QLocale::Germany, "01.06.24", true},
        {QLocale::German, QLocale::Germany, "01.06.2024", true},
        {QLocale::French, QLocale::France, "1 juin 2024", true},
        {QLocale::French, QLocale::France, "01/06/2024", true},
        {QLocale::English, QLocale::UnitedStates, "the first of June", false},
    };
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(c.language, c.territory));
        const QString literal = QString::fromUtf8(c.literal);
        EXPECT_EQ(frmList::CompareValues(QStringLiteral("2024-06-01"), literal, Variant(QStringLiteral("=")), 3), c.equal)
            << c.literal;
        // Not equal is its opposite only for a literal that is a date.
        EXPECT_EQ(frmList::CompareValues(QStringLiteral("2024-06-01"), literal, Variant(QStringLiteral("<>")), 3),
                  !c.equal && literal != QLatin1String("the first of June"))
            << c.literal;
    }
    QLocale::setDefault(before);
}

// A stored query that would run for hours, so that only Cancel ends it. Cancel
// comes from the busy dialog, which shows once the wait has lasted its delay: to
// the window the query lasts that long at least. A window that waited without
// turning its event loop would be blocked for all of it (or hang); one that turns
// it is blocked a few milliseconds at a time, and on a busy machine now and then
// for a few hundred (a thread that sleeps 10 ms may wake 100 ms later or more).
// The test holds the longest block to a third of the delay, far from either; how
// long the window is blocked is measured by the list benchmark
// (bench/run-list-bench.sh: blocked_ms_stored_query_wait).
class ListWindowSlowStoredQueryTest : public ListWindowLinkValuesTest {
protected:
    static constexpr int kDialogDelayMs = 4500;
    // A query over OrderLines to the fourth power: as good as endless.
    static QString Slow(const char* select)
    {
        return QString::fromLatin1(select) +
               QStringLiteral(" FROM OrderLines a, OrderLines b, OrderLines c, OrderLines d WHERE a.Quantity + "
                              "b.Quantity + c.Quantity + d.Quantity < 0");
    }
    struct Run {
        qint64 elapsed = 0;
        qint64 longestBlock = 0;
        int turns = 0;
    };
    // Right-clicks (choosing entry when given), the event loop's turns timed throughout.
    Run TimedRightClick(frmList* w, const std::optional<QString>& entry)
    {
        Run run;
        QElapsedTimer clock, sinceTurn;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            run.longestBlock = std::max(run.longestBlock, sinceTurn.restart());
            ++run.turns;
        });
        clock.start();
        sinceTurn.start();
        tick.start();
        RightClick(w, entry);
        tick.stop();
        run.longestBlock = std::max(run.longestBlock, sinceTurn.elapsed());
        run.elapsed = clock.elapsed();
        return run;
    }
    void TearDown() override
    {
        busywait::SetDialogDelay(3000);
        ListWindowLinkValuesTest::TearDown();
    }
};

TEST_F(ListWindowSlowStoredQueryTest, ASlowStoredQueryLeavesTheWindowResponsiveAndCancelEndsTheRightClick)
{
    const QString customer = Value("SELECT MIN(CustomerID) FROM Orders");
    const QString sold = Value("SELECT MIN(ProductID) FROM Products WHERE Discontinued = 0");
    // A Cancel in the busy dialog, once it shows.
    busywait::SetDialogDelay(kDialogDelayMs);
    bool cancelled = false;
    QString said;  // what the busy dialog says the wait is for
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* d = busywait::Dialog(); d && d->isVisible()) {
            said = d->findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
            d->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            cancelled = true;
        }
    });
    poll.start(20);
    struct Case {
        const char* what;
        std::function<void()> store;
        const char* view;
        QString row;
        std::optional<QString> entry;
        std::function<void()> restore;  // the stored query as it was
        QString offered;                // the link the menu offers with it
    };
    const QString valueList = LinkFilter(5, "Column1Filter");
    const QString extraFilter = LinkFilter(1);
    const int extraType = LinkFilter(1, "MiscFilterTypeID").toInt();
    auto setValueList = [&](const QString& sql) {
        Exec("UPDATE LdBaseRelationships SET Column1Filter = " + QuoteSQLString(Variant(sql)) +
             " WHERE BaseRelationshipID = 5");
    };
    const std::vector<Case> cases = {
        {"value list", [&] { setValueList(Slow("SELECT a.ProductID")); }, "PRODUCTS_1", sold, std::nullopt,
         [&] { setValueList(valueList); }, QStringLiteral("Order Lines")},
        {"extra filter", [&] { SetExtraFilter(1, ">=,OrderDate," + Slow("SELECT MIN(a.OrderLineID)"), 3); },
         "CUSTOMERS_1", customer, QStringLiteral("Orders"), [&] { SetExtraFilter(1, extraFilter, extraType); },
         QStringLiteral("Orders")},
    };
    for (const Case& c : cases) {
        c.store();
        frmList* w = WithRow(ViewId(QLatin1String(c.view)), c.row.toInt());
        cancelled = false;
        said.clear();
        boxes.clear();
        const int menusBefore = menus;
        const Run run = TimedRightClick(w, c.entry);
        EXPECT_TRUE(cancelled) << c.what;
        EXPECT_EQ(said, QString::fromLatin1(kStoredQueryWaitMessage)) << c.what;
        // The wait lasted the dialog's delay (the dialog shows no sooner), and
        // Cancel ended it: the query itself would have run for hours.
        EXPECT_GE(run.elapsed, kDialogDelayMs) << c.what;
        EXPECT_LT(run.elapsed, 30000) << c.what;
        // The event loop kept turning throughout: the busy wait turns it every 15 ms
        // or so, hundreds of times in the delay (a few dozen on a busy machine).
        EXPECT_GT(run.turns, 20) << c.what;
        EXPECT_LT(run.longestBlock, kDialogDelayMs / 3) << c.what;
        // Cancelled: no menu (the value list) or no linked view (the extra filter), and no message.
        EXPECT_EQ(menus - menusBefore, c.entry ? 1 : 0) << c.what;
        EXPECT_EQ(ListWindows().size(), 1u) << c.what;
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        // The cancelled query is asked again at the next right click, and its link is back.
        c.restore();
        RightClick(w);
        EXPECT_TRUE(built.split(QLatin1Char(',')).contains(c.offered)) << c.what << ": " << qPrintable(built);
        Unload(w);
    }
}

// A stored query runs no longer than the session's command timeout, as the
// session's own statements do: it ends with the timeout's message, without
// waiting for the user's Cancel (the busy dialog's, here far later, is the
// test's guard against a query that is never stopped).
TEST_F(ListWindowSlowStoredQueryTest, AStoredQueryEndsAtTheSessionsCommandTimeout)
{
    const QString sold = Value("SELECT MIN(ProductID) FROM Products WHERE Discontinued = 0");
    const QString valueList = LinkFilter(5, "Column1Filter");
    Exec("UPDATE LdBaseRelationships SET Column1Filter = " + QuoteSQLString(Variant(Slow("SELECT a.ProductID"))) +
         " WHERE BaseRelationshipID = 5");
    BrandleDatabase& dbi = SessionEngine().DBI();
    const int32_t timeout = dbi.CommandTimeout();
    dbi.SetCommandTimeout(1);
    busywait::SetDialogDelay(20000);
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* d = busywait::Dialog(); d && d->isVisible()) {
            d->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            cancelled = true;
        }
    });
    poll.start(20);
    frmList* w = WithRow(ViewId(QStringLiteral("PRODUCTS_1")), sold.toInt());
    boxes.clear();
    const int menusBefore = menus;
    const Run run = TimedRightClick(w, std::nullopt);
    poll.stop();
    dbi.SetCommandTimeout(timeout);
    EXPECT_FALSE(cancelled);
    EXPECT_GE(run.elapsed, 1000);
    EXPECT_LT(run.elapsed, 15000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.front().prompt.contains(QStringLiteral("Query timeout expired"))) << qPrintable(boxes.front().prompt);
    EXPECT_EQ(menus, menusBefore);  // no menu: its value list did not load
    Exec("UPDATE LdBaseRelationships SET Column1Filter = " + QuoteSQLString(Variant(valueList)) +
         " WHERE BaseRelationshipID = 5");
    Unload(w);
}

}  // namespace
