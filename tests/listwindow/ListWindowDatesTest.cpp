// Dates where the user meets them, under the locales of the sites: the list, All
// Views' last update (stored with milliseconds, as a new view's is) and the
// statistics strip show the locale's form, in columns wide enough for it; a linked
// view and the row's values read back the stored value.

#include "LinkedViewsTestSupport.h"

#include "UserLocale.h"
#include "platform/controls/ReportListView.h"

#include <QHeaderView>
#include <QTableView>

using namespace listtest;

namespace {

using ListWindowDatesTest = ListWindowLinkedViewsTest;

int ColumnOf(const eListView* list, const QString& caption)
{
    for (int c = 1; c <= list->ColumnCount(); ++c)
        if (list->ColumnCaption(c) == caption)
            return c;
    return 0;
}

QString StripValue(frmList* w, const QString& caption)
{
    for (int c = 1; c <= w->lvwStats()->ColumnCount(); ++c)
        if (w->lvwStats()->Column(c)->Text() == caption)
            return w->lvwStats()->Item(1)->SubItem(c - 1);
    return QStringLiteral("<no column>");
}

QString CellOfRow(const eListView* list, int32_t id, int column)
{
    for (int r = 0; r < list->RowCount(); ++r)
        if (list->RowID(r) == id)
            return list->CellText(r, column);
    return QStringLiteral("<no row>");
}

TEST_F(ListWindowDatesTest, DatesShowAsTheLocaleWritesThemAndReadBackAsStored)
{
    const QString first = Value("SELECT MIN(OrderID) FROM Orders");
    const QString last = Value("SELECT MAX(OrderID) FROM Orders");
    const QString invoice = Value("SELECT MIN(InvoiceID) FROM Invoices");
    const QString stamped = QStringLiteral("2023-02-21 14:36:15.215");
    Exec("UPDATE Orders SET OrderDate = '2023-02-20 00:00:00.000' WHERE OrderID = " + first);
    Exec("UPDATE Orders SET OrderDate = '" + stamped + "' WHERE OrderID = " + last);
    // The order view's own row in All Views, as a view saved now stores it.
    Exec(QStringLiteral("UPDATE LdViews SET LastUpdate = '2026-12-11 09:05:07.215' WHERE ViewName = 'ORDERS_1'"));
    const int32_t ordersView = ViewId(QStringLiteral("ORDERS_1"));
    // The lowest and highest order date in the strip.
    for (const int function : {4, 5})
        Exec(QStringLiteral("INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) "
                            "VALUES (%1, %2, %3, %4)")
                 .arg(ordersView)
                 .arg(BaseColumn("ORDERS_1", "OrderDate"))
                 .arg(function)
                 .arg(10 + function));
    // An invoice that links to the orders of its date and time.
    Exec("UPDATE Invoices SET InvoiceDate = '" + stamped + "' WHERE InvoiceID = " + invoice);
    Relate(7, BaseColumn("INVOICES_1", "InvoiceDate"), BaseColumn("ORDERS_1", "OrderDate"));
    const QString numbers = Rows("SELECT OrderNumber FROM Orders WHERE OrderID IN (" + first + "," + last + ")")
                                .join(QStringLiteral("' OR {OrderNumber} = '"));
    const QString filter = QStringLiteral("WHERE ( {OrderNumber} = '") + numbers + QStringLiteral("' )");

    struct Case {
        const char* locale;
        const char* date;      // 2023-02-20
        const char* dateTime;  // 2023-02-21 14:36:15.215
        const char* updated;   // 2026-12-11 09:05:07.215
    };
    const Case cases[] = {
        {"en_US.UTF-8", "2/20/2023", "2/21/2023 2:36:15 PM", "12/11/2026 9:05:07 AM"},
        {"de_DE.UTF-8", "20.02.2023", "21.02.2023 14:36:15", "11.12.2026 09:05:07"},
        {"fr_FR.UTF-8", "20/02/2023", "21/02/2023 14:36:15", "11/12/2026 09:05:07"},
        {"sv_SE.UTF-8", "2023-02-20", "2023-02-21 14:36:15", "2026-12-11 09:05:07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        const UserLocale user(c.locale);
        if (!user.IsSet())
            continue;

        frmList* orders = Open(ordersView, filter, nullptr, false);
        eListView* list = orders->ListView();
        ASSERT_EQ(list->RowCount(), 2);
        const int date = ColumnOf(list, QStringLiteral("Order Date"));
        ASSERT_GT(date, 0);
        EXPECT_EQ(CellOfRow(list, first.toInt(), date), QLatin1String(c.date));
        EXPECT_EQ(CellOfRow(list, last.toInt(), date), QLatin1String(c.dateTime));
        // The column is as wide as its longest date.
        EXPECT_GE(list->Grid()->columnWidth(date - 1),
                  list->Grid()->fontMetrics().horizontalAdvance(QLatin1String(c.dateTime)));
        EXPECT_EQ(StripValue(orders, QStringLiteral("Minimum of Order Date")), QLatin1String(c.date));
        EXPECT_EQ(StripValue(orders, QStringLiteral("Maximum of Order Date")), QLatin1String(c.dateTime));
        // The selected row's value, which links and searches take, is the stored one.
        ASSERT_TRUE(Select(orders, last.toInt()));
        EXPECT_EQ(orders->GetSelectedColumnValue(QStringLiteral("OrderDate")), stamped);

        frmList* views = WithRow(ViewId(QStringLiteral("LdViews")), ordersView, false);
        const int updated = ColumnOf(views->ListView(), QStringLiteral("Last Updated"));
        ASSERT_GT(updated, 0);
        EXPECT_EQ(CellOfRow(views->ListView(), ordersView, updated), QLatin1String(c.updated));
        EXPECT_GE(views->ListView()->Grid()->columnWidth(updated - 1),
                  views->ListView()->Grid()->fontMetrics().horizontalAdvance(QLatin1String(c.updated)));

        // The linked view finds the order by the stored date and time, milliseconds and all.
        frmList* invoices = WithRow(ViewId(QStringLiteral("INVOICES_1")), invoice.toInt(), false);
        frmList* linked = RightClick(invoices, QStringLiteral("Orders"));
        ASSERT_NE(linked, nullptr);
        EXPECT_TRUE(linked->InitialFilter().contains(QStringLiteral("'") + stamped + QStringLiteral("'")))
            << qPrintable(linked->InitialFilter());
        EXPECT_EQ(linked->ListView()->RecordCount(), 1);
        EXPECT_EQ(linked->ListView()->RowID(0), last.toInt());
        for (frmList* w : {linked, invoices, views, orders})
            Unload(w);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

}  // namespace
