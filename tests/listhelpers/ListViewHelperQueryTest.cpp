// clsListViewHelper filling a list from the demo company: a dialog type from the
// database, column sort types from field types, the texts of Null, money and
// flags, one row again, the column string and its widths, ids.

#include "listhelpers/clsListViewHelper.h"

#include "listwindow/ListWindowTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

class ListViewHelperQuery : public listtest::ListWindowTest {
protected:
    void SetUp() override
    {
        ListWindowTest::SetUp();
        lv.resize(4500 / TwipsPerPixelX(), 200);
        helper.Init(&lv);
        Exec(QStringLiteral("CREATE TABLE HelperRows (ID INTEGER, Name TEXT, Amount MONEY, Flag BIT, Note TEXT)"));
        Exec(QStringLiteral("INSERT INTO HelperRows VALUES (17, 'Acme', -1234.5, 1, NULL), (18, 'Brandle', 0, 0, 'x'), "
                            "(19, 'Corbin', 1000000, 1, 'y')"));
    }
    QStringList Row(int i) const
    {
        QStringList out{lv.Item(i)->Text()};
        for (int c = 1; c < lv.ColumnCount(); ++c)
            out << lv.Item(i)->SubItem(c);
        return out;
    }
    QString TagOf(int column) const { return lv.Column(column)->Tag().toString(); }
    ReportListView lv;
    clsListViewHelper helper;
};

TEST_F(ListViewHelperQuery, DialogTypeFromTheDatabaseFillsAndTypesTheColumns)
{
    SessionEngine().DBI().ClearStatementLog();
    helper.SetDialogType(QStringLiteral("Invoices"));
    EXPECT_TRUE(SessionEngine().DBI().StatementLog().contains(QStringLiteral("EXEC ListDialogTypes_Load 'Invoices'")));
    ASSERT_EQ(lv.ColumnCount(), 5);
    EXPECT_EQ(lv.Column(3)->Text(), QStringLiteral("Date"));
    EXPECT_EQ(lv.Column(3)->Alignment(), 2);
    EXPECT_EQ(lv.Column(4)->Alignment(), 1);
    EXPECT_EQ(helper.GetListQuery(),
              QStringLiteral("SELECT i.InvoiceID, i.InvoiceNumber, c.Name, i.InvoiceDate, i.Amount, i.Paid "
                             "FROM Invoices i JOIN Customers c ON c.CustomerID = i.CustomerID "));
    QSignalSpy refreshed(&helper, &clsListViewHelper::AfterRefresh);
    helper.Refresh();
    EXPECT_EQ(refreshed.count(), 1);
    EXPECT_EQ(QString::number(lv.ItemCount()), Value(QStringLiteral("SELECT COUNT(*) FROM Invoices")));
    QStringList tags;
    for (int c = 1; c <= 5; ++c)
        tags << TagOf(c);
    EXPECT_EQ(tags, (QStringList{"0", "0", "1", "2", "3"}));
    const QString paid = lv.Item(1)->SubItem(4);
    EXPECT_TRUE(paid == QStringLiteral("Yes") || paid.isEmpty());
    // A sort by the number column orders the amounts.
    emit lv.ColumnClick(lv.Column(4));
    for (int i = 2; i <= lv.ItemCount(); ++i)
        ASSERT_LE(lv.Item(i - 1)->SubItem(3).toDouble(), lv.Item(i)->SubItem(3).toDouble());

    // An unknown type, and a name with an apostrophe (quoted), change nothing.
    SessionEngine().DBI().ClearStatementLog();
    helper.SetDialogType(QStringLiteral("O'Brien"));
    EXPECT_EQ(SessionEngine().DBI().StatementLog().value(0), QStringLiteral("EXEC ListDialogTypes_Load 'O''Brien'"));
    EXPECT_EQ(lv.ColumnCount(), 5);
}

TEST_F(ListViewHelperQuery, RefreshWritesNullMoneyAndFlagsAndKeysRowsById)
{
    helper.SetListColumns(QStringLiteral("Name,0,Amount,1,Flag,2,Note,0,"));
    helper.SetQueryString(QStringLiteral("SELECT ID, Name, Amount, Flag, Note FROM HelperRows"));
    helper.SetQueryWhere(QStringLiteral("ORDER BY ID"), false);
    helper.Refresh();
    ASSERT_EQ(lv.ItemCount(), 3);
    EXPECT_EQ(lv.Item(1)->Key(), QStringLiteral("ID17"));
    EXPECT_EQ(lv.Item(1)->Tag().toInt32(), 17);
    EXPECT_EQ(Row(1), (QStringList{"Acme", "($1,234.50)", "Yes", "  "}));
    EXPECT_EQ(Row(2), (QStringList{"Brandle", "$0.00", "", "x"}));
    EXPECT_EQ(Row(3), (QStringList{"Corbin", "$1,000,000.00", "Yes", "y"}));
    EXPECT_EQ(TagOf(2), QStringLiteral("2"));
    EXPECT_EQ(TagOf(3), QStringLiteral("3"));
    // Money sorts as numbers, the negative amount in parentheses first.
    emit lv.ColumnClick(lv.Column(2));
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("Acme"));
    EXPECT_EQ(lv.Item(3)->Text(), QStringLiteral("Corbin"));
    emit lv.ColumnClick(lv.Column(2));
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("Corbin"));

    EXPECT_EQ(helper.SelectedItemID(), -1);
    helper.SelectItemByID(17);
    EXPECT_EQ(helper.NumberSelected(), 1);
    EXPECT_TRUE(lv.Item(QStringLiteral("ID17"))->Selected());
    lv.SetSelectedItem(lv.Item(QStringLiteral("ID17")));
    EXPECT_EQ(helper.SelectedItemID(), 17);
    helper.SelectItemByID(0);
    EXPECT_EQ(helper.NumberSelected(), 0);
    helper.SelectItemByID(99);
    EXPECT_EQ(helper.NumberSelected(), 0);

    // With check boxes a flag in the first field ticks the row and leaves its text empty.
    lv.SetCheckboxes(true);
    helper.SetListColumns(QStringLiteral("Flag,2,Name,0,"));
    helper.SetQueryString(QStringLiteral("SELECT ID, Flag, Name FROM HelperRows"));
    helper.Refresh();
    EXPECT_EQ(helper.NumberChecked(), 2);
    EXPECT_EQ(lv.Item(QStringLiteral("ID17"))->Text(), QString());
}

// A date field shows as the user's regional settings write it, in the first column
// as in the others; the date sort reads that form as dates, and Ctrl+C copies the
// shown text.
TEST_F(ListViewHelperQuery, DatesShowAsTheLocaleWritesThemAndSortAsDates)
{
    Exec(QStringLiteral("CREATE TABLE HelperDates (ID INTEGER, Stamp DATETIME, Name TEXT, Due DATETIME)"));
    Exec(QStringLiteral("INSERT INTO HelperDates VALUES (1, '2024-01-03 00:00:00.000', 'a', '2024-01-03 08:05:09.500'), "
                        "(2, '2023-02-20 14:36:15.215', 'b', '2023-02-20'), (3, '2023-12-31', 'c', '2023-12-31 23:59:59')"));
    struct Case {
        const char* locale;
        QStringList stamps;  // rows 1 to 3
        QStringList dues;
    };
    const Case cases[] = {
        {"en_US", {"1/3/2024", "2/20/2023 2:36:15 PM", "12/31/2023"}, {"1/3/2024 8:05:09 AM", "2/20/2023", "12/31/2023 11:59:59 PM"}},
        {"de_DE", {"03.01.2024", "20.02.2023 14:36:15", "31.12.2023"}, {"03.01.2024 08:05:09", "20.02.2023", "31.12.2023 23:59:59"}},
        {"fr_FR", {"03/01/2024", "20/02/2023 14:36:15", "31/12/2023"}, {"03/01/2024 08:05:09", "20/02/2023", "31/12/2023 23:59:59"}},
        {"sv_SE", {"2024-01-03", "2023-02-20 14:36:15", "2023-12-31"}, {"2024-01-03 08:05:09", "2023-02-20", "2023-12-31 23:59:59"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        const QLocale before;
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        helper.SetListColumns(QStringLiteral("Stamp,0,Name,0,Due,0,"));
        helper.SetQueryString(QStringLiteral("SELECT ID, Stamp, Name, Due FROM HelperDates"));
        helper.SetQueryWhere(QStringLiteral("ORDER BY ID"), false);
        helper.Refresh();
        ASSERT_EQ(lv.ItemCount(), 3);
        for (int id = 1; id <= 3; ++id) {
            const ListItem* row = lv.Item(QStringLiteral("ID%1").arg(id));
            EXPECT_EQ(row->Text(), c.stamps[id - 1]) << id;
            EXPECT_EQ(row->SubItem(2), c.dues[id - 1]) << id;
        }
        EXPECT_EQ(TagOf(3), QStringLiteral("1"));
        // By date, not by text: 2023-02-20, 2023-12-31, 2024-01-03.
        helper.ManualSortList(3, 0);
        QStringList names;
        for (int i = 1; i <= 3; ++i)
            names << lv.Item(i)->SubItem(1);
        EXPECT_EQ(names, (QStringList{"b", "c", "a"}));
        helper.ManualSortList(3, 1);
        EXPECT_EQ(lv.Item(1)->SubItem(1), QStringLiteral("a"));
        lv.Item(QStringLiteral("ID2"))->SetSelected(true);
        helper.KeyDown(67, 2);
        EXPECT_EQ(QGuiApplication::clipboard()->text(),
                  QStringLiteral("Stamp\tName\tDue\r\n") + c.stamps[1] + QStringLiteral("\tb\t") + c.dues[1] +
                      QStringLiteral("\r\n"));
        QLocale::setDefault(before);
    }
}

TEST_F(ListViewHelperQuery, RefreshLineItemWithAndWithoutWhere)
{
    helper.SetListColumns(QStringLiteral("Name,0,Note,0,"));
    helper.SetQueryString(QStringLiteral("SELECT ID, Name, Note FROM HelperRows"));
    helper.Refresh();
    const int row = lv.Item(QStringLiteral("ID18"))->Index();
    Exec(QStringLiteral("UPDATE HelperRows SET Name = 'Brandle Ltd' WHERE ID = 18"));
    SessionEngine().DBI().ClearStatementLog();
    helper.RefreshLineItem(row, QStringLiteral("ID = 18"));
    EXPECT_EQ(SessionEngine().DBI().StatementLog().value(0),
              QStringLiteral("SELECT ID, Name, Note FROM HelperRows  WHERE ID = 18"));
    EXPECT_EQ(lv.Item(QStringLiteral("ID18"))->Text(), QStringLiteral("Brandle Ltd"));

    helper.SetQueryWhere(QStringLiteral("WHERE Flag = 0"), false);
    Exec(QStringLiteral("UPDATE HelperRows SET Flag = 1 WHERE ID = 18"));
    SessionEngine().DBI().ClearStatementLog();
    helper.RefreshLineItem(row, QStringLiteral("ID = 18"));
    EXPECT_EQ(SessionEngine().DBI().StatementLog().value(0),
              QStringLiteral("SELECT ID, Name, Note FROM HelperRows WHERE Flag = 0 AND ID = 18"));
    EXPECT_EQ(lv.FindItem(QStringLiteral("ID18")), nullptr);  // no longer matches: removed
    EXPECT_EQ(lv.ItemCount(), 2);
    EXPECT_THROW(helper.RefreshLineItem(9, QStringLiteral("ID = 1")), AppError);
}

// Query texts come from stored definitions: a second statement never runs.
TEST_F(ListViewHelperQuery, QueriesRunAsOneStatementThatCannotWrite)
{
    helper.SetListColumns(QStringLiteral("Name,0,"));
    helper.SetQueryString(QStringLiteral("SELECT ID, Name FROM HelperRows"));
    helper.SetQueryWhere(QStringLiteral("WHERE 1 = 1; DELETE FROM HelperRows"), false);
    EXPECT_THROW(helper.Refresh(), AppError);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM HelperRows")), QStringLiteral("3"));

    helper.SetIsProcType(true);
    helper.SetQueryString(QStringLiteral("ListDialogTypes_Load"));
    helper.SetProcParams(QStringLiteral("'Customers'"));
    EXPECT_EQ(helper.GetListQuery(), QStringLiteral("EXEC ListDialogTypes_Load 'Customers'"));
    helper.SetProcParams(QStringLiteral("'Customers'; DELETE FROM HelperRows"));
    EXPECT_THROW(helper.Refresh(), AppError);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM HelperRows")), QStringLiteral("3"));
}

TEST_F(ListViewHelperQuery, ColumnStringsAndWidths)
{
    const double w = lv.WidthTwips();
    helper.SetListColumns(QStringLiteral("Name,0,Amount,1,Date,2,"));
    ASSERT_EQ(lv.ColumnCount(), 3);
    EXPECT_EQ(lv.Column(1)->Alignment(), 0);
    EXPECT_EQ(lv.Column(2)->Alignment(), 1);
    EXPECT_EQ(lv.Column(3)->Alignment(), 2);
    EXPECT_DOUBLE_EQ(lv.Column(2)->Width(), w / 3 - 33);
    // Further characters after the alignment are ignored; a trailing caption is not added.
    helper.SetListColumns(QStringLiteral("A,1xx,B,0,C"));
    EXPECT_EQ(lv.ColumnCount(), 2);
    EXPECT_EQ(lv.Column(1)->Alignment(), 1);
    helper.SetListColumns(QStringLiteral("1,0,2,0,3,0,4,0,5,0,6,0,7,0,8,0,"));
    EXPECT_DOUBLE_EQ(lv.Column(8)->Width(), w / 8 - 12);  // R(12.5) = 12
    lv.SetCheckboxes(true);
    helper.SetListColumns(QStringLiteral("Name,0,Amount,1,Date,2,"));
    EXPECT_EQ(lv.Column(1)->Width(), 700);
    EXPECT_DOUBLE_EQ(lv.Column(3)->Width(), w / 2 - 400);

    auto errorOf = [&](const QString& columns) {
        try {
            helper.SetListColumns(columns);
        } catch (const AppError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(QStringLiteral("Name,0,")), 11);  // one column with check boxes
    EXPECT_EQ(lv.Column(1)->Width(), 700);
    lv.SetCheckboxes(false);
    EXPECT_EQ(errorOf(QStringLiteral("no columns")), 11);
    EXPECT_EQ(lv.ColumnCount(), 0);
    EXPECT_EQ(errorOf(QStringLiteral("A,0,B,7,")), 380);
    EXPECT_EQ(lv.ColumnCount(), 1);
}

}  // namespace

namespace {

// A Refresh whose query finds no rows keeps the direction of the last sort for the
// next one that finds some.
TEST_F(ListViewHelperQuery, ARefreshWithoutRowsKeepsTheSortDirection)
{
    helper.SetListColumns(QStringLiteral("Name,0,Amount,1,"));
    helper.SetQueryString(QStringLiteral("SELECT ID, Name, Amount FROM HelperRows"));
    helper.SetQueryWhere(QStringLiteral("ORDER BY ID"), false);
    helper.Refresh();
    emit lv.ColumnClick(lv.Column(2));
    emit lv.ColumnClick(lv.Column(2));
    auto names = [&] {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << lv.Item(i)->Text();
        return out;
    };
    EXPECT_EQ(names(), (QStringList{"Corbin", "Brandle", "Acme"}));
    helper.SetQueryWhere(QStringLiteral("WHERE ID < 0"), false);
    helper.Refresh();
    EXPECT_EQ(lv.ItemCount(), 0);
    helper.SetQueryWhere(QStringLiteral("ORDER BY ID"), false);
    helper.Refresh();
    EXPECT_EQ(names(), (QStringList{"Corbin", "Brandle", "Acme"}));
    EXPECT_EQ(helper.SortOrder(), 1);
    EXPECT_EQ(lv.Column(2)->Image(), 1);
}

}  // namespace
