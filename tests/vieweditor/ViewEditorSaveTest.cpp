// The view editor's OK on the demo company: the required fields, the SQL name,
// the searches and functions checked against the lists, the fields written by
// mode, the store and what is left behind when it fails.

#include "vieweditor/ViewEditorTestSupport.h"

#include "shell/CFieldRequired.h"

#include <QProcess>

namespace {

using editortest::ViewEditorTest;

class ViewEditorSaveTest : public ViewEditorTest {
protected:
    // Presses OK on a dialog that Add or Edit hid again: true when it stored.
    bool PressOK(frmListViewEdit* d)
    {
        Show(d);
        d->cmdOK()->click();
        EXPECT_EQ(ScreenMousePointer(), vbDefault);
        const bool stored = IsFormLoaded(d) && !d->isVisible();
        Hide(d);
        return stored;
    }
    QString Row(int32_t viewId, const char* fields)
    {
        return Value(QStringLiteral("SELECT %1 FROM LdViews WHERE ViewID = %2").arg(QLatin1String(fields)).arg(viewId));
    }
    void Remove(frmListViewEdit* d, int tab, const QStringList& names)
    {
        SelectByName(d->lvwList(tab), names);
        Press(d, tab, d->cmdRemoveList(tab));
    }
    QStringList Prompts() const
    {
        QStringList p;
        for (const MessageBoxRequest& r : boxes)
            p << r.prompt;
        return p;
    }
};

TEST_F(ViewEditorSaveTest, NewViewFromOrdersWithColumnsAndASum)
{
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    int32_t result = 0;
    bool shared = false;
    auto* d = new frmListViewEdit;
    QTimer::singleShot(0, d, [this, d] {
        d->txtDisplayName()->setText(QStringLiteral("Rep Totals"));
        d->txtViewDesc()->setText(QString());  // the description may stay empty
        Remove(d, 0, {QStringLiteral("Lines")});
        d->cmdOK()->click();
        if (d->isVisible())
            Hide(d);  // refused: end the modal show all the same
    });
    result = d->Add(orders, shared);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts().join(QStringLiteral("\n--\n")));
    ASSERT_TRUE(IsFormLoaded(d));
    ASSERT_GT(result, orders);
    EXPECT_FALSE(d->NewViewCreated());
    EXPECT_EQ(d->NewViewID(), 0);
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
    // Without Create SQL View the hidden SQL name box still names the view.
    EXPECT_EQ(Row(result, "ViewName, DisplayName, Description, BaseID, Custom, Shared, CreateSQLView, "
                          "CreatorID, SQLViewApplicationID"),
              QStringLiteral("ORDERS_4|Rep Totals||11|1|0|0|jdoe|<null>"));
    EXPECT_EQ(Value(QStringLiteral("SELECT IsMyView FROM LdMyViews WHERE UserID = 'jdoe' AND ViewID = %1").arg(result)),
              QStringLiteral("1"));
    // The columns in the list's order without the removed one, the base's functions.
    EXPECT_EQ(Value(QStringLiteral("SELECT ColumnString FROM LdViews WHERE ViewID = %1").arg(result)),
              QStringLiteral("Order Number,0,Order Date,0,Customer,0,Customer No,1,Status,0,Sales Rep,0,"
                             "Order Total,1,Order ID,1,"));
    EXPECT_EQ(Rows(QStringLiteral("SELECT f.ColumnFunction, bc.DisplayName, vf.FunctionOrder FROM LdViewColumnFunctions vf "
                                  "JOIN LdColumnFunctions f ON f.ColumnFunctionID = vf.ColumnFunctionID JOIN LdBaseColumns "
                                  "bc ON bc.ColumnID = vf.BaseColumnID WHERE vf.ViewID = %1 ORDER BY vf.FunctionOrder")
                       .arg(result)),
              (QStringList{QStringLiteral("Sum|Order Total|1"), QStringLiteral("Average|Order Total|2"),
                           QStringLiteral("Count|Order Number|3")}));
    // The base view is untouched.
    EXPECT_EQ(Row(orders, "DisplayName, Custom"), QStringLiteral("Orders|0"));
}

TEST_F(ViewEditorSaveTest, RequiredHeaderFieldsAreNamedInOneMessage)
{
    frmListViewEdit* d = OpenAdd(0);
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Information Required"));
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("The following fields require you to enter information:\n\n"
                                              "   - Name\n   - Based on\n\n"
                                              "Please enter the information in the required fields,\n"
                                              "which are indicated with an asterisk (*)."));
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")), QStringLiteral("12"));

    // With Create SQL View: the SQL name and the destination, in tab order after the name.
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")));
    d->chkCreateSQLView()->setChecked(true);
    d->txtSQLViewName()->clear();
    boxes.clear();
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("   - Name\n   - SQL Name\n   - Destination application\n\n")))
        << qPrintable(boxes[0].prompt);
}

TEST_F(ViewEditorSaveTest, SqlNameRulesCompareExactlyAndLeaveTheViewsOwnRowOut)
{
    LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
    OpenLookupConnection();
    // A name with a bracket of another view: LIKE could not find it.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'ORD[ERS' WHERE ViewName = 'ORDERS_3'"));
    const QString charsMessage = QStringLiteral("The sql name cannot contain the following characters: \r\n' ]");
    const QString existsMessage = QStringLiteral("The sql name already exists in the database.");
    struct Case {
        const char* name;
        bool saveAsNew;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"CUSTOMERS_2", false, nullptr},  // the view's own name, typed again
        {"ORDERS_1", false, "exists"},
        {"orders_1", false, "exists"},    // the database's collation ignores case
        {"ORD[ERS", false, "exists"},
        {"ORDERSX1", false, nullptr},     // no wildcard: "_" and "X" differ
        {"ORDERS%", false, nullptr},
        {"CUSTOMERS_2", true, "exists"},  // as a new view its own row counts
        {"bad]name", false, "chars"},
        {"o'name", false, "chars"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("CUSTOMERS_2")));
        ASSERT_TRUE(d->chkCreateSQLView()->isChecked());
        if (c.saveAsNew)
            d->chkSaveAsNewView()->setChecked(true);
        d->txtSQLViewName()->setText(QString::fromLatin1(c.name));
        boxes.clear();
        EXPECT_EQ(d->ValidateSQLViewName(), c.message == nullptr);
        if (c.message) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].prompt, QLatin1String(c.message) == QLatin1String("exists") ? existsMessage : charsMessage);
            EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
            EXPECT_EQ(boxes[0].icon(), vbExclamation);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        Unload(d);
    }
    // Unchanged since loading: accepted without asking the database.
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("CUSTOMERS_2")));
    TakeStatements();
    EXPECT_TRUE(d->ValidateSQLViewName());
    EXPECT_TRUE(TakeStatements().isEmpty());
}

TEST_F(ViewEditorSaveTest, SearchesNeedTheirFiltersAndFunctionsTheirColumns)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_1")));
    // Status is used by two searches in use (in the order the view lists them); removing
    // it refuses both, each in its own message.
    Remove(d, 1, {QStringLiteral("Status")});
    Remove(d, 0, {QStringLiteral("Order Total")});
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 2u) << qPrintable(Prompts().join(QStringLiteral("\n--\n")));
    EXPECT_EQ(boxes[1].prompt, QStringLiteral("Search: 'Open Orders' requires the addition \r\n"
                                              "of the following filters to the filter list:\r\n\r\n"
                                              "   -  Status\r\n\r\n\r\n"
                                              "Either add the required filter(s) or remove this search"));
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("Search: 'Not Yet Invoiced' requires the addition ")));
    EXPECT_EQ(boxes[0].icon(), vbExclamation);
    EXPECT_EQ(boxes[0].title, App().title);

    // Status back: now the two functions on the column no longer shown, the column once.
    SelectByName(d->lvwPickList(1), {QStringLiteral("Status")});
    Press(d, 1, d->cmdQuickAddList(1));
    boxes.clear();
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("The following function(s):\r\n\r\n"
                                              "   - Sum:Order Total\r\n   - Average:Order Total\r\n\r\n"
                                              " require(s) the addition of the following column(s) to the column list:"
                                              "\r\n\r\n   - Order Total\r\n\r\n\r\n"
                                              "Either add the required columns(s) or remove the function(s)"));
    EXPECT_EQ(boxes[0].title, App().title);
    // Nothing was written, and the dialog stays as it was.
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = %1 AND Viewable <> 0")
                        .arg(ViewId(QStringLiteral("ORDERS_1")))),
              QStringLiteral("9"));
}

TEST_F(ViewEditorSaveTest, FieldsWrittenByMode)
{
    const int32_t big = ViewId(QStringLiteral("ORDERS_2"));
    const QString before = Row(big, "ViewName, DisplayName, Description, Shared, CreatorID");

    // Not the owner (asmith): orders and columns are stored, the header is not.
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    frmListViewEdit* d = OpenEdit(big);
    ASSERT_FALSE(d->Owner());
    d->txtDisplayName()->setText(QStringLiteral("Renamed"));
    d->chkShared()->setChecked(true);
    SelectByName(d->lvwList(0), {QStringLiteral("Status")});
    Press(d, 0, d->cmdMoveListUp(0));
    EXPECT_TRUE(PressOK(d));
    EXPECT_EQ(Row(big, "ViewName, DisplayName, Description, Shared, CreatorID"), before);
    EXPECT_FALSE(d->View()->UpdateViewInstancing);
    EXPECT_EQ(Row(big, "ColumnString"), QStringLiteral("Order Number,0,Order Date,0,Customer,0,Status,0,Order Total,1,"
                                                       "Order ID,1,Customer No,1,"));
    Unload(d);

    // The owner: name, description, sharing; the instancing flag follows the column change.
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    OpenLookupConnection();
    d = OpenEdit(big);
    ASSERT_TRUE(d->Owner());
    d->txtDisplayName()->setText(QStringLiteral("Biggest Orders"));
    d->txtViewDesc()->setText(QStringLiteral("Mine"));
    d->chkShared()->setChecked(true);
    Remove(d, 0, {QStringLiteral("Customer")});
    EXPECT_TRUE(PressOK(d));
    EXPECT_TRUE(d->View()->UpdateViewInstancing);
    EXPECT_FALSE(d->NewViewCreated());
    EXPECT_EQ(Row(big, "ViewName, DisplayName, Description, Shared, CreatorID"),
              QStringLiteral("ORDERS_2|Biggest Orders|Mine|1|jdoe"));
    Unload(d);

    // Save as new view: a second view with its own id; the first stays.
    const int32_t count = Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")).toInt();
    d = OpenEdit(big);
    d->chkSaveAsNewView()->setChecked(true);
    d->txtDisplayName()->setText(QStringLiteral("Copy of Big"));
    EXPECT_TRUE(PressOK(d));
    EXPECT_TRUE(d->NewViewCreated());
    ASSERT_GT(d->NewViewID(), big);
    EXPECT_EQ(d->View()->ViewID(), d->NewViewID());
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")).toInt(), count + 1);
    EXPECT_EQ(Row(d->NewViewID(), "ViewName, DisplayName, Custom, CreatorID"),
              QStringLiteral("ORDERS_4|Copy of Big|1|jdoe"));
    EXPECT_EQ(Row(big, "DisplayName"), QStringLiteral("Biggest Orders"));
    // Its searches came along.
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewFilters WHERE ViewID = %1").arg(d->NewViewID())),
              Value(QStringLiteral("SELECT COUNT(*) FROM LdViewFilters WHERE ViewID = %1").arg(big)));
}

TEST_F(ViewEditorSaveTest, AFailedStoreKeepsTheDialogOpenAndWritesNothing)
{
    const int32_t big = ViewId(QStringLiteral("ORDERS_2"));
    // A column whose SQL makes the statement longer than a view may have.
    Exec(QStringLiteral("UPDATE LdBaseColumns SET ColumnSQL = '(o.OrderTotal") + QStringLiteral(" + 0").repeated(2100) +
         QStringLiteral(")' WHERE BaseID = 11 AND ColumnName = 'OrderTotal'"));
    frmListViewEdit* d = OpenEdit(big);
    d->txtDisplayName()->setText(QStringLiteral("Too Long"));
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("Too many columns and/or filters have been selected.  You must remove "
                                              "some in order for this view to function."));
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
    EXPECT_EQ(Row(big, "DisplayName"), QStringLiteral("My Big Orders"));

    // An error while the functions are rebuilt: the standard error box, the default pointer.
    Exec(QStringLiteral("UPDATE LdColumnFunctions SET ColumnFunction = 'Total' WHERE ColumnFunction = 'Sum'"));
    boxes.clear();
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("(94) -- "))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
}

TEST_F(ViewEditorSaveTest, FunctionNamesGoIntoTheLookupQuoted)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    ASSERT_GT(d->lvwList(2)->ItemCount(), 0);
    d->lvwList(2)->Item(1)->SetSubItem(1, QStringLiteral("Sum' OR ColumnFunction = 'Count"));
    TakeStatements();
    EXPECT_THROW(d->ApplyListsToModel(), AppError);  // no such function: its id is Null
    const QStringList sent = TakeStatements();
    EXPECT_TRUE(sent.join(QLatin1Char('\n')).contains(QStringLiteral("ColumnFunction = 'Sum'' OR ColumnFunction = ''Count'")))
        << qPrintable(sent.join(QLatin1Char('\n')));
}


// The sqlite3 shell's answer to a query on the company file, read-only, as another program reads it.
QString ShellQuery(const QString& file, const QString& sql)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), file, sql});
    if (!shell.waitForFinished(10000))
        return QStringLiteral("<no answer>");
    return QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError()).trimmed();
}

TEST_F(ViewEditorSaveTest, CreateSqlViewMakesAViewOtherProgramsReadAndDropsIt)
{
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    const QString file = erpdb::FindDatabaseFile(listtest::kServer, QString::fromLatin1(erpdb::kDemoDatabaseName));
    ASSERT_FALSE(file.isEmpty());
    auto newView = [&](const QString& sqlName) {
        frmListViewEdit* d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")));
        d->txtDisplayName()->setText(QStringLiteral("Orders for Reporting"));
        d->chkCreateSQLView()->setChecked(true);
        d->txtSQLViewName()->setText(sqlName);
        EXPECT_TRUE(d->lkupSQLViewApplications()->WaitUntilLoaded());
        d->lkupSQLViewApplications()->SetSelectedID(1);
        return d;
    };

    frmListViewEdit* d = newView(QStringLiteral("ORDERS_RPT"));
    ASSERT_TRUE(PressOK(d)) << qPrintable(Prompts().join(QStringLiteral(" | ")));
    const int32_t id = d->View()->ViewID();
    EXPECT_EQ(Row(id, "CreateSQLView, SQLViewApplicationID, SQLViewName"), QStringLiteral("1|1|ORDERS_RPT"));
    EXPECT_EQ(ShellQuery(file, QStringLiteral("SELECT COUNT(*) FROM ORDERS_RPT;")),
              Value(QStringLiteral("SELECT COUNT(*) FROM Orders")));
    EXPECT_TRUE(ShellQuery(file, QStringLiteral("SELECT OrderNumber, OrderTotal FROM ORDERS_RPT LIMIT 1;"))
                    .contains(QLatin1Char('|')));
    Unload(d);

    // A name the database cannot take for a view (a table has it): its message, nothing stored.
    const QString views = Value(QStringLiteral("SELECT COUNT(*) FROM LdViews"));
    d = newView(QStringLiteral("CoUsers"));
    boxes.clear();
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("CoUsers"))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")), views);
    Unload(d);

    // The owner clears the box: the SQL view goes.
    d = OpenEdit(id);
    ASSERT_TRUE(d->Owner());
    d->chkCreateSQLView()->setChecked(false);
    boxes.clear();
    EXPECT_TRUE(PressOK(d));
    EXPECT_EQ(Row(id, "CreateSQLView, SQLViewApplicationID, SQLViewName"), QStringLiteral("0|<null>|<null>"));
    EXPECT_TRUE(ShellQuery(file, QStringLiteral("SELECT COUNT(*) FROM ORDERS_RPT;")).contains(QStringLiteral("no such table")));
}

TEST_F(ViewEditorSaveTest, TheViewNameStaysUniqueByEveryPathAsTheDatabaseComparesNames)
{
    LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
    OpenLookupConnection();
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    const QString views = QStringLiteral("SELECT COUNT(*) FROM LdViews");
    const QString before = Value(views);
    struct Case {
        const char* name;
        bool ticked;  // Create SQL View
        bool refused;
    };
    const Case cases[] = {
        {"ORDERS_1", true, true},    // the base view's own name: a new view is another view
        {"orders_1 ", true, true},   // letter case and trailing blanks aside
        {"ldmyviews", true, true},   // the catalogues leave it out without regard to case
        {"LDVIEWS", true, true},
        {"ORDERS_1", false, false},  // hidden: stored under a free default name instead
        {"ldmyviews", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.ticked ? " ticked" : " hidden"));
        frmListViewEdit* d = OpenAdd(orders);
        d->txtDisplayName()->setText(QStringLiteral("Twin %1").arg(QString::fromLatin1(c.name)));
        d->chkCreateSQLView()->setChecked(true);
        d->txtSQLViewName()->setText(QString::fromLatin1(c.name));
        EXPECT_TRUE(d->lkupSQLViewApplications()->WaitUntilLoaded());
        d->lkupSQLViewApplications()->SetSelectedID(1);
        d->chkCreateSQLView()->setChecked(c.ticked);
        boxes.clear();
        EXPECT_EQ(PressOK(d), !c.refused);
        if (c.refused) {
            EXPECT_EQ(Prompts(), QStringList{QStringLiteral("The sql name already exists in the database.")});
            EXPECT_EQ(Value(views), before);
        } else {
            EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts().join(QLatin1Char('|')));
            const QString stored = Row(d->View()->ViewID(), "ViewName");
            EXPECT_TRUE(stored.startsWith(QLatin1String("ORDERS_"))) << qPrintable(stored);
            EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE UPPER(RTRIM(ViewName)) = UPPER('%1')").arg(stored)),
                      QStringLiteral("1"));
            // Listed by the catalogue.
            EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdCatalogViews WHERE v_ViewID = %1").arg(d->View()->ViewID())),
                      QStringLiteral("1"));
        }
        Unload(d);
    }
}

TEST_F(ViewEditorSaveTest, HeaderTextsWithAnIncompleteCharacterAreRefusedWhereTyped)
{
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    const QString views = QStringLiteral("SELECT COUNT(*) FROM LdViews");
    const QString before = Value(views);
    const QString half = QString(QChar(0xD83D));
    for (const char* field : {"Name", "Description"}) {
        SCOPED_TRACE(field);
        frmListViewEdit* d = OpenAdd(orders);
        d->txtDisplayName()->setText(QStringLiteral("Smile"));
        (QLatin1String(field) == QLatin1String("Name") ? d->txtDisplayName() : d->txtViewDesc())
            ->setText(QStringLiteral("Smile ") + half);
        EXPECT_FALSE(PressOK(d));
        EXPECT_EQ(Prompts(), QStringList{QStringLiteral("The %1 holds an incomplete character that cannot be stored. Please "
                                                        "type it again.")
                                             .arg(QLatin1String(field))});
        EXPECT_EQ(Value(views), before);
        boxes.clear();
        Unload(d);
    }
}

TEST_F(ViewEditorSaveTest, EveryColumnOfferedIsStoredAndListedInvoiceNumberWithTheExtendedFrom)
{
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    frmListViewEdit* d = OpenAdd(orders);
    d->txtDisplayName()->setText(QStringLiteral("Orders with invoices"));
    // Everything the Columns tab offers.
    ReportListView* pick = d->lvwPickList(0);
    ASSERT_TRUE(Column(pick, 1).contains(QStringLiteral("Invoice Number")));
    SelectByName(pick, Column(pick, 1));
    Press(d, 0, d->cmdQuickAddList(0));
    EXPECT_EQ(pick->ItemCount(), 0);
    ASSERT_TRUE(PressOK(d)) << qPrintable(Prompts().join(QLatin1Char('|')));
    const int32_t id = d->View()->ViewID();
    EXPECT_TRUE(Value(QStringLiteral("SELECT ColumnString FROM LdViews WHERE ViewID = %1").arg(id)).contains(QLatin1String("Invoice Number")));
    // Listed as the list runs it, with a search on the invoice and without one.
    const QString statement = Value(QStringLiteral("SELECT SQLSelect || ' ' || SQLFrom FROM LdViews WHERE ViewID = %1").arg(id));
    const QString fromEx = Value(QStringLiteral("SELECT COALESCE(SQLFromEx, '') FROM LdViews WHERE ViewID = %1").arg(id));
    EXPECT_EQ(Rows(statement).size(), Value(QStringLiteral("SELECT COUNT(*) FROM Orders")).toInt());
    EXPECT_FALSE(Rows(statement + QStringLiteral(" ") + fromEx + QStringLiteral(" WHERE ( xi.InvoiceNumber IS NOT NULL )")).isEmpty());
}

}  // namespace

namespace {

// The message of OK when shown columns that links relate rows by are removed.
QString LinkColumnsMessage(const QString& linkLines, const QString& columnLines)
{
    return QStringLiteral("The following linked view(s):\r\n\r\n") + linkLines +
           QStringLiteral("\r\n require(s) the addition of the following column(s) to the column list:\r\n\r\n") +
           columnLines +
           QStringLiteral("\r\n\r\nEither add the required column(s) or remove the linked view(s) on the Links tab");
}

}  // namespace

TEST_F(ViewEditorSaveTest, LinksNeedTheColumnsTheyRelateRowsByShown)
{
    // Orders opens Customers by the customer number, and Order Lines by the order
    // and customer numbers; its link to Sales Analysis (switched off) by the same.
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    const QString customerNo = QStringLiteral("SELECT Viewable FROM LdViewColumns WHERE ViewID = %1 AND BaseColumnID = "
                                              "(SELECT ColumnID FROM LdBaseColumns WHERE BaseID = 11 AND ColumnName = "
                                              "'CustomerID')")
                                   .arg(orders);
    const QString shown = Value(customerNo);
    frmListViewEdit* d = OpenEdit(orders);
    Remove(d, 0, {QStringLiteral("Customer No")});
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u) << qPrintable(Prompts().join(QStringLiteral("\n--\n")));
    EXPECT_EQ(boxes[0].prompt, LinkColumnsMessage(QStringLiteral("   - Customers:Customer No\r\n"
                                                                 "   - Order Lines:Customer No\r\n"),
                                                  QStringLiteral("   - Customer No\r\n")));
    EXPECT_EQ(boxes[0].icon(), vbExclamation);
    EXPECT_EQ(boxes[0].title, App().title);
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(Value(customerNo), shown);

    // Both relation columns of Order Lines gone: each named once.
    Remove(d, 0, {QStringLiteral("Order ID")});
    boxes.clear();
    EXPECT_FALSE(PressOK(d));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, LinkColumnsMessage(QStringLiteral("   - Customers:Customer No\r\n"
                                                                 "   - Order Lines:Order ID\r\n"
                                                                 "   - Order Lines:Customer No\r\n"),
                                                  QStringLiteral("   - Customer No\r\n   - Order ID\r\n")))
        << qPrintable(boxes[0].prompt);

    // Without the links that need them (a link switched off needs nothing) the view is stored.
    SelectByName(d->lvwList(3), {QStringLiteral("Customers"), QStringLiteral("Order Lines")});
    Press(d, 3, d->cmdRemoveList(3));
    boxes.clear();
    EXPECT_TRUE(PressOK(d)) << qPrintable(Prompts().join(QStringLiteral("\n--\n")));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Value(customerNo), QStringLiteral("0"));
}

// Another program on the company deletes the view: the editor does not open
// empty on it, and OK in an editor opened before stores nothing.
TEST_F(ViewEditorSaveTest, AViewDeletedElsewhereIsSaidToBeGoneAndNothingIsStored)
{
    const int32_t big = ViewId(QStringLiteral("ORDERS_2"));
    const QString views = Value(QStringLiteral("SELECT COUNT(*) || '/' || MAX(ViewID) FROM LdViews"));
    frmListViewEdit* d = OpenEdit(big);
    Remove(d, 0, {QStringLiteral("Status")});
    Exec(QStringLiteral("EXEC Ld_DeleteView ") + QString::number(big));
    EXPECT_FALSE(PressOK(d));
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("The view 'My Big Orders' no longer exists: it has been deleted."
                                                    "\r\n\r\nYour changes were not saved.")});
    EXPECT_EQ(boxes[0].icon(), vbExclamation);
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) || '/' || MAX(ViewID) FROM LdViews")),
              QString::number(views.section(QLatin1Char('/'), 0, 0).toInt() - 1) + QLatin1Char('/') +
                  views.section(QLatin1Char('/'), 1));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = %1").arg(big)), QStringLiteral("0"));
    Unload(d);

    boxes.clear();
    Variant result;
    d = OpenEdit(big, &result);
    EXPECT_FALSE(IsFormLoaded(d));
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("This view no longer exists: it has been deleted.")});
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
}
