// The date literals a list window writes for its session's server: on a SQL
// Server the forms every login language reads the same, in the last used search
// it opens with, in a search of the filter pane (and the statistics over it), in
// the search editor's helper and in a linked view's filter; on the embedded
// server its own forms, as stored.
//
// No SQL Server is needed: a server lookup of the test's own answers the window's
// thread that the session's server is a SQL Server, where the window chooses its
// date forms, while the list's own threads reach the embedded server's files as
// before. The texts are what is checked; the SQL Server stand-in's tests
// (OdbcSqlServerDates) show which rows such texts select. A linked view's
// date-time is a date only where the list reads its rows over ODBC (CTest's
// second run of these tests).

#include "LinkedViewsTestSupport.h"

#include "listwindow/frmListSearchEditSQL.h"
#include "platform/controls/FilterControl.h"
#include "platform/database/OdbcServers.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>

using namespace listtest;

namespace {

class ListWindowSqlServerDatesTest : public ListWindowLinkedViewsTest {
protected:
    void TearDown() override
    {
        ListWindowLinkedViewsTest::TearDown();
        SetOdbcServerLookup(&erpdb::ClientOdbcServer);
    }
    // The session's server is a SQL Server to the window's thread.
    static void LookUpAsSqlServer()
    {
        SetOdbcServerLookup([](const QString& server) -> std::optional<OdbcServerConfig> {
            if (QThread::currentThread() == QCoreApplication::instance()->thread() &&
                server.trimmed().compare(kServer, Qt::CaseInsensitive) == 0)
                return OdbcServerConfig{};
            return erpdb::ClientOdbcServer(server);
        });
    }
};

TEST_F(ListWindowSqlServerDatesTest, TheWindowWritesItsDatesInTheFormsItsServerReads)
{
    const int invoices = ViewId(QStringLiteral("INVOICES_1"));
    const QString invoice = Value("SELECT MIN(InvoiceID) FROM Invoices");
    const QString overdue = Value("SELECT ViewFilterID FROM LdViewFilters WHERE FilterName = 'Overdue'");
    Exec("UPDATE Invoices SET InvoiceDate = '2024-06-01 10:11:12.345' WHERE InvoiceID = " + invoice);
    Relate(7, BaseColumn("INVOICES_1", "InvoiceDate"), BaseColumn("ORDERS_1", "OrderDate"));
    // A search stored in the embedded server's forms, with a day whose month and day a dmy login swaps.
    Exec("UPDATE LdViewFilters SET FilterString = 'WHERE ( {AmountDue} > 0 AND {DueDate} < ''2025-01-13'' )' "
         "WHERE ViewFilterID = " + overdue);
    const QString search = QStringLiteral("WHERE ( ({InvoiceDate} >= '2024-06-01' AND {InvoiceDate} < '2024-06-02') )");

    const struct {
        bool sqlServer;
        const char* stored;  // the last used search's day
        const char* day;     // the pane's search: the day and the day after
        const char* next;
        const char* link;    // the linked view's date-time
    } cases[] = {
        {false, "< '2025-01-13'", ">= '2024-06-01'", "< '2024-06-02'", "= '2024-06-01 10:11:12.345'"},
        {true, "< '20250113'", ">= '20240601'", "< '20240602'", "= '2024-06-01T10:11:12.345'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sqlServer ? "SQL Server" : "embedded server");
        // Closing a window records its search as the view's last used one.
        Exec("UPDATE LdViews SET LastUsedFilter = " + overdue + " WHERE ViewID = " + QString::number(invoices));
        if (c.sqlServer)
            LookUpAsSqlServer();

        QPointer<frmList> w = Open(invoices);
        ASSERT_TRUE(w);
        EXPECT_FALSE(w->pmFilter()->IsTextRow());
        EXPECT_TRUE(ListStatement(w).contains(QLatin1String(c.stored))) << qPrintable(ListStatement(w));

        w->pmFilter()->LoadFilter(search, false);
        ASSERT_FALSE(w->pmFilter()->IsTextRow());
        ASSERT_TRUE(Go(w));
        for (const QString& statement : {ListStatement(w), w->StatisticsStatement()}) {
            EXPECT_TRUE(statement.contains(QLatin1String(c.day)) && statement.contains(QLatin1String(c.next)))
                << qPrintable(statement);
        }

        // The search editor's helper writes a complex search's text, stored as written.
        {
            QString columnSql;
            for (const CoLdUVColumnRef& column : *w->View()->Columns())
                if (column->ColumnName == QLatin1String("InvoiceDate"))
                    columnSql = column->ColumnSQL;
            frmListSearchEditSQL editor;
            KeepAfterUnload(&editor);
            editor.Init(w->View(), Variant(QString()), QStringLiteral("Dates"));
            editor.pmFilter()->LoadFilter(QString(search).replace(QLatin1String("{InvoiceDate}"), columnSql), false);
            ASSERT_FALSE(editor.pmFilter()->IsTextRow()) << qPrintable(columnSql);
            editor.cmdGo()->click();
            const QString written = editor.txtSQLCreate()->toPlainText();
            EXPECT_TRUE(written.contains(QLatin1String(c.day)) && written.contains(QLatin1String(c.next)))
                << qPrintable(written);
            Unload(&editor);
        }

        w->cmdClear_Click();
        ASSERT_TRUE(Go(w));
        ASSERT_TRUE(Select(w, invoice.toInt()));
        // The list over ODBC gives the row's date-time as a date, as a SQL Server's
        // list does; the embedded server's own connections give its stored text,
        // which the link takes as it is.
        bool typed = false;
        for (const CoLdUVColumnRef& column : *w->View()->Columns())
            if (column->Viewable && column->ColumnName == QLatin1String("InvoiceDate"))
                typed = w->ListView()->ColumnValue(column->Order).isDate();
        EXPECT_EQ(typed, qEnvironmentVariableIntValue("QUILLON_TESTS_OVER_ODBC") == 1);
        QPointer<frmList> linked = RightClick(w, QStringLiteral("Orders"));
        ASSERT_TRUE(linked);
        const QLatin1String link(typed ? c.link : "= '2024-06-01 10:11:12.345'");
        EXPECT_TRUE(linked->InitialFilter().contains(link)) << qPrintable(linked->InitialFilter());

        for (frmList* f : ListWindows())
            Unload(f);
        SetOdbcServerLookup(&erpdb::ClientOdbcServer);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
}

}  // namespace
