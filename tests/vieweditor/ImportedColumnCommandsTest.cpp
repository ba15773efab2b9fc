// The view editor's imported-column commands on a copy of the demo company: the
// Create right, Import with its save offer, OK against Cancel, Delete and Edit
// with the other views named and confirmed, their transactions rolled back whole
// on a failing statement, and the editor loaded again after a failure.
#include "ViewEditorTestSupport.h"

#include "base/AppError.h"
#include "base/SqlText.h"
#include "core/SecurityRights.h"
#include "vieweditor/frmEditImportedColumn.h"
#include "vieweditor/frmImportColumn.h"

#include <QComboBox>
#include <QRegularExpression>

namespace {

using editortest::ViewEditorTest;
using listtest::Prompts;

constexpr int kOrdersByRep = 10;     // Orders by Sales Rep, jdoe's own
constexpr int kCustomers = 3;        // Customers, on the same base as the report
constexpr int kCustomerReport = 12;  // Customer Report, admin's own; its base has custom properties
constexpr int kCustomersBase = 10;

const QString kMustSave =
    QStringLiteral("You must save any changes you may have already made to continue.  Continue?");

class ImportedColumnCommandsTest : public ViewEditorTest {
protected:
    void SetUp() override
    {
        ViewEditorTest::SetUp();
        LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
        OpenLookupConnection();
    }

    // The editor on a view, shown without a modal loop of its own so that the
    // test drives it and the commands' reload finds it open.
    frmListViewEdit* Customize(int32_t viewId)
    {
        frmListViewEdit* d = OpenEdit(viewId);
        Show(d);
        return d;
    }

    // Runs f on the dialog of type T once a command has shown it modally; Cancel
    // unless f closed it. shown counts the dialogs met.
    template <class T>
    void WhenShown(const std::function<void(T*)>& f)
    {
        auto poll = std::make_shared<std::function<void(int)>>();
        *poll = [this, f, poll](int tries) {
            for (Form* form : LoadedForms()) {
                auto* dialog = qobject_cast<T*>(form);
                if (!dialog || !dialog->isVisible())
                    continue;
                ++shown;
                if (f)
                    f(dialog);
                if (IsFormLoaded(dialog) && dialog->isVisible())
                    dialog->cmdCancel()->click();
                return;
            }
            if (tries > 0)
                QTimer::singleShot(10, [poll, tries] { (*poll)(tries - 1); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(500); });
    }

    // Picks the custom-property source and its first group in the import dialog.
    static void ChooseProperties(frmImportColumn* d)
    {
        ASSERT_TRUE(d->lkupView()->WaitUntilLoaded());
        d->cboSources()->setCurrentIndex(1);
        emit d->cboSources()->activated(1);
        ASSERT_TRUE(d->lkupView()->WaitUntilLoaded());
        ASSERT_GT(d->lkupView()->OfferedCount(), 0);
        d->lkupView()->ChooseOffered(0);
    }

    // An imported custom property on the Customers base, its column id.
    int32_t ImportSegment()
    {
        Exec(QStringLiteral("EXEC Ld_ImportCustomProperty 12,1,'Segment','Segment',1"));
        return Value(QStringLiteral("SELECT ColumnID FROM LdBaseColumns WHERE BaseID = 10 AND ColumnName = 'Segment'"))
            .toInt();
    }
    // The column shown by another view.
    void ShowIn(int32_t viewId, int32_t columnId)
    {
        Exec(QStringLiteral("INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, Viewable) VALUES (%1, %2, 40, 1)")
                 .arg(viewId)
                 .arg(columnId));
        Exec(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, 10"));
    }
    // Makes the row with that display name the current row of the Columns pick list.
    static void Current(frmListViewEdit* d, const QString& name)
    {
        SelectByName(d->lvwPickList(0), {name});
        ASSERT_NE(d->lvwPickList(0)->SelectedItem(), nullptr) << name.toStdString();
        ASSERT_EQ(d->lvwPickList(0)->SelectedItem()->SubItem(1), name);
    }
    void Menu(frmListViewEdit* d, const QString& choice)
    {
        menuChoice = choice;
        emit d->lvwPickList(0)->MouseUp(2, 0, 5, 5);
    }
    // Adds the pick list's row of that name to the view's columns: the Columns flag turns dirty.
    static void AddColumn(frmListViewEdit* d, const QString& name)
    {
        SelectByName(d->lvwPickList(0), {name});
        Press(d, 0, d->cmdQuickAddList(0));
        ASSERT_TRUE(d->DirtyColumns());
    }
    int BaseColumnsNamed(const QString& name)
    {
        return Value(QStringLiteral("SELECT COUNT(*) FROM LdBaseColumns WHERE ColumnName = '%1'").arg(name)).toInt();
    }
    // Whether the view's stored statement runs.
    bool ViewRuns(int32_t viewId)
    {
        const QString sql = Value(QStringLiteral("SELECT SQLSelect || ' ' || SQLFrom FROM LdViews WHERE ViewID = %1").arg(viewId));
        try {
            Rows(sql);
            return true;
        } catch (const AppError& e) {
            ADD_FAILURE() << viewId << ": " << e.description().toStdString();
            return false;
        }
    }

    // The dialog's picture for the screenshot script, when it asks for one.
    static void Snapshot(QWidget* dialog, const QString& file)
    {
        const QString dir = qEnvironmentVariable("QUILLON_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            dialog->grab().save(dir + QLatin1Char('/') + file);
    }

    int shown = 0;
};

TEST_F(ImportedColumnCommandsTest, WithoutTheCreateRightTheButtonIsOffAndTheMenuRefusesTheImport)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    frmListViewEdit* d = Customize(kOrdersByRep);
    EXPECT_FALSE(d->cmdImportNewColumns()->isEnabled());
    d->cmdImportNewColumns()->click();
    EXPECT_TRUE(boxes.empty());
    d->lvwPickList(0)->SetSelectedItem(d->lvwPickList(0)->Item(1));
    Menu(d, QStringLiteral("Import New Columns"));
    ASSERT_EQ(boxes.size(), 1u);
    for (const MessageBoxRequest& b : boxes)
        EXPECT_TRUE(b.prompt.contains(RightsEntry(kRightCreate, QStringLiteral("Import View Columns"))))
            << b.prompt.toStdString();
    for (Form* form : LoadedForms())
        EXPECT_EQ(qobject_cast<frmImportColumn*>(form), nullptr);
}

TEST_F(ImportedColumnCommandsTest, ImportWithOkReloadsTheViewAndSelectsTheNewColumnWhichTheViewCanShow)
{
    frmListViewEdit* d = Customize(kCustomerReport);
    WhenShown<frmImportColumn>([](frmImportColumn* dialog) {
        ChooseProperties(dialog);
        Snapshot(dialog, QStringLiteral("import-column.png"));
        dialog->cmdApply()->click();  // Preferred Carrier
        dialog->cmdOK()->click();     // Segment
    });
    d->cmdImportNewColumns()->click();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
    ReportListView* pick = d->lvwPickList(0);
    const QStringList names = Column(pick, 1);
    ASSERT_TRUE(names.contains(QStringLiteral("Customer Profile Preferred Carrier")));
    ASSERT_NE(pick->SelectedItem(), nullptr);
    EXPECT_EQ(pick->SelectedItem()->SubItem(1), QStringLiteral("Segment"));
    EXPECT_EQ(pick->SelectedItem()->SubItem(2), QStringLiteral("Yes"));
    EXPECT_TRUE(d->cmdQuickAddList(0)->isEnabled());
    for (Form* form : LoadedForms())
        EXPECT_EQ(qobject_cast<frmImportColumn*>(form), nullptr);

    // Shown by the view, it lists its values.
    Press(d, 0, d->cmdQuickAddList(0));
    d->cmdOK()->click();
    ASSERT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(ViewRuns(kCustomerReport));
    const QString sql = Value(QStringLiteral("SELECT SQLSelect || ' ' || SQLFrom FROM LdViews WHERE ViewID = 12"));
    EXPECT_TRUE(sql.contains(QLatin1String("Segment"))) << sql.toStdString();
    EXPECT_FALSE(Rows(QStringLiteral("SELECT Segment FROM (") + sql + QStringLiteral(") WHERE Segment IS NOT NULL")).isEmpty());
}

// What the import offers of each view's linked views, as a right click on a row of
// the view offers them: the entries the lookup lists, and the columns each lists.
TEST_F(ImportedColumnCommandsTest, EveryViewOffersItsLinkedViewsAndEachListsTheLinkedBasesColumns)
{
    struct Case {
        int view;
        QStringList linked;  // the linked views the lookup offers, by name
    };
    const Case cases[] = {
        {kCustomers, {QStringLiteral("Invoices"), QStringLiteral("Orders"), QStringLiteral("Orders by Sales Rep")}},
        {4, {QStringLiteral("Customers"), QStringLiteral("Order Lines")}},
        {5, {QStringLiteral("Products")}},
        {6, {QStringLiteral("Order Lines")}},
        {7, {QStringLiteral("Orders")}},
        {kOrdersByRep, {QStringLiteral("Customers")}},
        {kCustomerReport, {QStringLiteral("Orders"), QStringLiteral("Orders by Sales Rep")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        frmListViewEdit* d = Customize(c.view);
        shown = 0;
        QStringList offered;
        QStringList missing;  // an entry that lists none of its base's columns
        WhenShown<frmImportColumn>([&](frmImportColumn* dialog) {
            ASSERT_TRUE(dialog->lkupView()->WaitUntilLoaded());
            EXPECT_EQ(dialog->cboSources()->currentText(), QStringLiteral("Linked Views"));
            dialog->lkupView()->TypeText(QString());
            const int entries = dialog->lkupView()->OfferedCount();
            for (int row = 0; row < entries; ++row) {
                dialog->lkupView()->TypeText(QString());
                offered << dialog->lkupView()->OfferedText(row);
                dialog->lkupView()->ChooseOffered(row);
                const QString base = Value(QStringLiteral("SELECT COUNT(*) FROM LdBaseColumns bc INNER JOIN LdViews v ON "
                                                          "v.BaseID = bc.BaseID WHERE v.ViewID = %1")
                                               .arg(dialog->lkupView()->ColumnValue(QStringLiteral("FKViewID"))));
                if (dialog->lstViews()->ItemCount() == 0 || QString::number(dialog->lstViews()->ItemCount()) != base)
                    missing << offered.back();
            }
        });
        d->cmdImportNewColumns()->click();
        EXPECT_EQ(shown, 1);
        EXPECT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
        offered.sort();
        EXPECT_EQ(offered, c.linked);
        EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('|')).toStdString();
        Unload(d);
    }
}

// Order Lines imports a column of its linked view Products, and a customer's view
// one of its orders (a link to many rows: the first order by its id); shown by the
// views, the columns hold the linked rows' values.
TEST_F(ImportedColumnCommandsTest, AColumnOfALinkedViewIsImportedWithOkAndTheViewListsTheLinkedRowsValues)
{
    struct Case {
        int view;
        const char* linked;    // the lookup's entry
        const char* column;    // the row of Available Columns
        const char* name;      // the names the dialog gives it
        const char* sqlName;
        const char* expected;  // each row's key and the value it should show
        const char* shown;     // the same from the view's own statement
    };
    const Case cases[] = {
        {5, "Products", "Category", "Product Category", "ProductCategory",
         "SELECT ol.OrderLineID, p.Category FROM OrderLines ol INNER JOIN Products p ON p.ProductID = ol.ProductID",
         "SELECT ID, [Product Category] FROM (%1)"},
        {kCustomers, "Orders", "Order Number", "First Order Order Number", "FirstOrderOrderNumber",
         "SELECT c.CustomerID, (SELECT o.OrderNumber FROM Orders o WHERE o.OrderID = (SELECT MIN(f.OrderID) FROM Orders f "
         "WHERE f.CustomerID = c.CustomerID)) FROM Customers c",
         "SELECT ID, [First Order Order Number] FROM (%1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        frmListViewEdit* d = Customize(c.view);
        shown = 0;
        WhenShown<frmImportColumn>([&c](frmImportColumn* dialog) {
            ASSERT_TRUE(dialog->lkupView()->WaitUntilLoaded());
            dialog->lkupView()->TypeText(QLatin1String(c.linked));
            ASSERT_EQ(dialog->lkupView()->OfferedText(0), QLatin1String(c.linked));
            dialog->lkupView()->ChooseOffered(0);
            ReportListView* list = dialog->lstViews();
            for (int i = 1; i <= list->ItemCount(); ++i) {
                if (list->Item(i)->Text() == QLatin1String(c.column)) {
                    list->SetSelectedItem(list->Item(i));
                    emit list->ItemClick(list->Item(i));
                }
            }
            EXPECT_EQ(dialog->txtColumnName()->text(), QLatin1String(c.name));
            EXPECT_EQ(dialog->txtSQLColumnName()->text(), QLatin1String(c.sqlName));
            dialog->cmdOK()->click();
        });
        d->cmdImportNewColumns()->click();
        EXPECT_EQ(shown, 1);
        ASSERT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
        ASSERT_NE(d->lvwPickList(0)->SelectedItem(), nullptr);
        EXPECT_EQ(d->lvwPickList(0)->SelectedItem()->SubItem(1), QLatin1String(c.name));
        Press(d, 0, d->cmdQuickAddList(0));
        d->cmdOK()->click();
        ASSERT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
        ASSERT_TRUE(ViewRuns(c.view));
        const QString sql = Value(QStringLiteral("SELECT SQLSelect || ' ' || SQLFrom FROM LdViews WHERE ViewID = %1").arg(c.view));
        QStringList expected = Rows(QLatin1String(c.expected));
        QStringList got = Rows(QString::fromLatin1(c.shown).arg(sql));
        expected.sort();
        got.sort();
        EXPECT_FALSE(got.isEmpty());
        EXPECT_EQ(got, expected);
    }
}

TEST_F(ImportedColumnCommandsTest, ImportClosedWithCancelReloadsNothingEvenAfterApply)
{
    frmListViewEdit* d = Customize(kCustomerReport);
    const QStringList before = Column(d->lvwPickList(0), 1);
    WhenShown<frmImportColumn>([](frmImportColumn* dialog) {
        ChooseProperties(dialog);
        dialog->cmdApply()->click();
    });
    d->cmdImportNewColumns()->click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("CustomerProfileCarrier")), 1);
    EXPECT_EQ(Column(d->lvwPickList(0), 1), before);
}

TEST_F(ImportedColumnCommandsTest, TheImportsSaveOfferSavesGoesOnWithoutOrStopsWhenTheSaveFails)
{
    struct Case {
        const char* name;
        int answer;
        bool breakSave;      // the required name left empty: the save refuses
        bool imported;       // the import dialog was shown
        bool addedKept;      // the pick list's added column is still in the view's columns list
        bool addedStored;    // the view's stored columns hold it
    };
    const Case cases[] = {
        {"No: the lists show the stored view", vbNo, false, true, false, false},
        {"Yes: saved, then imported", vbYes, false, true, true, true},
        {"Yes, the save refused: nothing imported", vbYes, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frmListViewEdit* d = Customize(kCustomerReport);
        AddColumn(d, QStringLiteral("Phone"));
        if (c.breakSave)
            d->txtDisplayName()->clear();
        shown = 0;
        boxes.clear();
        answers = {c.answer};
        if (c.imported)
            WhenShown<frmImportColumn>([](frmImportColumn* dialog) {
                ChooseProperties(dialog);
                dialog->cmdOK()->click();
            });
        d->cmdImportNewColumns()->click();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].prompt, QStringLiteral("Do you want to save any changes you may have already made?"));
        EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
        EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbQuestion));
        EXPECT_EQ(shown, c.imported ? 1 : 0);
        EXPECT_EQ(Column(d->lvwList(0), 1).contains(QStringLiteral("Phone")), c.addedKept);
        EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns vc JOIN LdBaseColumns bc ON bc.ColumnID = "
                                       "vc.BaseColumnID WHERE vc.ViewID = 12 AND vc.Viewable <> 0 AND bc.ColumnName = 'Phone'"))
                      .toInt(),
                  c.addedStored ? 1 : 0);
        EXPECT_TRUE(d->DirtyColumns());
        EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
        Unload(d);
        Exec(QStringLiteral("DELETE FROM LdViewColumns WHERE ViewID = 12 AND BaseColumnID IN (SELECT ColumnID FROM "
                            "LdBaseColumns WHERE ColumnName = 'Phone')"));
        Exec(QStringLiteral("DELETE FROM LdBaseColumns WHERE ColumnName = 'CustomerProfileCarrier'"));
    }
}

TEST_F(ImportedColumnCommandsTest, DeleteNamesTheOtherViewsAsksAndDeletesInOneTransaction)
{
    const int32_t column = ImportSegment();
    // Another view of the same name as the edited one is another view.
    Exec(QStringLiteral("UPDATE LdViews SET DisplayName = 'Customer Report' WHERE ViewID = 3"));
    ShowIn(kCustomers, column);
    frmListViewEdit* d = Customize(kCustomerReport);
    Current(d, QStringLiteral("Segment"));

    const QString question = QStringLiteral(
        "The following views are using this imported column: \r\n\r\nCustomer Report\r\n\r\nIf you continue, this "
        "column will be deleted from these views.  Do you want to continue?");
    Menu(d, QStringLiteral("Delete"));  // answered No
    ASSERT_EQ(Prompts(boxes), QStringList{question});
    EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbQuestion));
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 1);

    boxes.clear();
    answers = {vbYes};
    TakeStatements();
    Menu(d, QStringLiteral("Delete"));
    EXPECT_EQ(Prompts(boxes), QStringList{question});
    const QStringList statements = TakeStatements();
    EXPECT_TRUE(statements.contains(QStringLiteral("Exec Ld_DeleteColumn_IDs %1").arg(column)));
    EXPECT_TRUE(statements.contains(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, %1").arg(kCustomersBase)));
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 0);
    EXPECT_FALSE(Column(d->lvwPickList(0), 1).contains(QStringLiteral("Segment")));
    EXPECT_FALSE(Column(d->lvwList(0), 1).contains(QStringLiteral("Segment")));
    EXPECT_EQ(SessionEngine().DBI().TransactionDepth(), 0);
    // Every view of the base still opens.
    for (const QString& id : Rows(QStringLiteral("SELECT ViewID FROM LdViews WHERE BaseID = 10")))
        EXPECT_TRUE(ViewRuns(id.toInt()));

    // A column no other view uses goes at once.
    ImportSegment();
    Unload(d);
    d = Customize(kCustomerReport);
    Current(d, QStringLiteral("Segment"));
    boxes.clear();
    Menu(d, QStringLiteral("Delete"));
    EXPECT_TRUE(boxes.empty()) << Prompts(boxes).join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 0);
}

TEST_F(ImportedColumnCommandsTest, DeleteWithUnsavedChangesSavesFirstAndStopsOnNoOrAFailedSave)
{
    ImportSegment();
    struct Case {
        const char* name;
        int answer;
        bool breakSave;
        bool deleted;
    };
    for (const Case& c : {Case{"No", vbNo, false, false}, Case{"Yes, the save refused", vbYes, true, false},
                          Case{"Yes, saved", vbYes, false, true}}) {
        SCOPED_TRACE(c.name);
        frmListViewEdit* d = Customize(kCustomerReport);
        AddColumn(d, QStringLiteral("Phone"));
        if (c.breakSave)
            d->txtDisplayName()->clear();
        Current(d, QStringLiteral("Segment"));
        boxes.clear();
        answers = {c.answer};
        Menu(d, QStringLiteral("Delete"));
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].prompt, kMustSave);
        EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), c.deleted ? 0 : 1);
        Unload(d);
    }
}

TEST_F(ImportedColumnCommandsTest, AFailedDeleteRollsBackWholeReportsTheErrorAndLoadsTheViewAgain)
{
    const int32_t column = ImportSegment();
    ShowIn(kCustomers, column);
    // The delete rewrites the statement of the view that shows the column; the
    // reset that follows, writing it unchanged, is refused: the failure comes
    // after the editor's model lost the column.
    Exec(QStringLiteral("CREATE TRIGGER RefuseReset BEFORE UPDATE OF SQLSelect ON LdViews WHEN NEW.ViewID = 3 AND "
                        "NEW.SQLSelect IS OLD.SQLSelect BEGIN SELECT RAISE(ABORT, 'reset refused'); END"));
    frmListViewEdit* d = Customize(kCustomerReport);
    Current(d, QStringLiteral("Segment"));
    answers = {vbYes};
    Menu(d, QStringLiteral("Delete"));
    ASSERT_EQ(boxes.size(), 2u);
    boxes.erase(boxes.begin());  // the other view named and confirmed
    EXPECT_TRUE(boxes[0].prompt.startsWith(QLatin1String("Error "))) << boxes[0].prompt.toStdString();
    EXPECT_TRUE(boxes[0].prompt.contains(QRegularExpression(QStringLiteral("^Error -?\\d+: .*reset refused"))))
        << boxes[0].prompt.toStdString();
    EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbExclamation));
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(SessionEngine().DBI().TransactionDepth(), 0);
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns WHERE BaseColumnID = %1").arg(column)), QStringLiteral("1"));
    // The editor shows the view as stored again: the column is back in its lists and model.
    EXPECT_TRUE(Column(d->lvwPickList(0), 1).contains(QStringLiteral("Segment")));
    bool inModel = false;
    for (const auto& c : *d->View()->Columns())
        inModel = inModel || c->ColumnID == column;
    EXPECT_TRUE(inModel);
    EXPECT_TRUE(d->isVisible());
}

TEST_F(ImportedColumnCommandsTest, EditRenamesAfterNamingOtherViewsByIdAndRollsBackWholeOnFailure)
{
    const int32_t column = ImportSegment();
    Exec(QStringLiteral("UPDATE LdViews SET DisplayName = 'Customer Report' WHERE ViewID = 3"));
    ShowIn(kCustomers, column);
    frmListViewEdit* d = Customize(kCustomerReport);

    // Unchanged names: nothing is asked or written.
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>([](frmEditImportedColumn* dialog) { dialog->cmdOK()->click(); });
    TakeStatements();
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("Update LdBaseColumns")).isEmpty());

    const QString question = QStringLiteral(
        "The following views are using this imported column: \r\n\r\nCustomer Report\r\n\r\nIf you continue, this "
        "column's name will be changed in these views.  Do you want to continue?");
    auto rename = [](frmEditImportedColumn* dialog) {
        dialog->txtColumnName()->setText(QStringLiteral("Market Segment"));
        dialog->txtSQLColumnName()->setText(QStringLiteral("MarketSegment"));
        Snapshot(dialog, QStringLiteral("edit-imported-column.png"));
        dialog->cmdOK()->click();
    };
    // No: nothing changes.
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(rename);
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(Prompts(boxes), QStringList{question});
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 1);

    // A failing reset rolls the rename back and the editor shows the stored names again.
    Exec(QStringLiteral("CREATE TRIGGER RefuseReset BEFORE UPDATE OF SQLSelect ON LdViews BEGIN SELECT RAISE(ABORT, "
                        "'reset refused'); END"));
    boxes.clear();
    answers = {vbYes};
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(rename);
    Menu(d, QStringLiteral("Edit"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].prompt.contains(QRegularExpression(QStringLiteral("^Error -?\\d+: .*reset refused"))))
        << boxes[1].prompt.toStdString();
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 1);
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("MarketSegment")), 0);
    EXPECT_TRUE(Column(d->lvwPickList(0), 1).contains(QStringLiteral("Segment")));
    EXPECT_EQ(SessionEngine().DBI().TransactionDepth(), 0);

    // Yes: renamed in the base, the model and the lists.
    Exec(QStringLiteral("DROP TRIGGER RefuseReset"));
    boxes.clear();
    answers = {vbYes};
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(rename);
    TakeStatements();
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(Prompts(boxes), QStringList{question});
    const QStringList statements = TakeStatements();
    EXPECT_TRUE(statements.contains(
        QStringLiteral("Update LdBaseColumns Set ColumnName = 'MarketSegment' , DisplayName = 'Market Segment' Where "
                       "ColumnID = %1")
            .arg(column)));
    EXPECT_TRUE(statements.contains(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, 10")));
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("MarketSegment")), 1);
    EXPECT_TRUE(Column(d->lvwPickList(0), 1).contains(QStringLiteral("Market Segment")));
    EXPECT_TRUE(ViewRuns(kCustomers));
}

TEST_F(ImportedColumnCommandsTest, EditWithUnsavedChangesAsksToSaveFirstAndStopsOnNo)
{
    ImportSegment();
    frmListViewEdit* d = Customize(kCustomerReport);
    AddColumn(d, QStringLiteral("Phone"));
    Current(d, QStringLiteral("Segment"));
    Menu(d, QStringLiteral("Edit"));  // answered No
    EXPECT_EQ(Prompts(boxes), QStringList{kMustSave});
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(Column(d->lvwList(0), 1).contains(QStringLiteral("Phone")));

    // Yes: saved, then the dialog.
    boxes.clear();
    answers = {vbYes};
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(nullptr);
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(Prompts(boxes), QStringList{kMustSave});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewColumns vc JOIN LdBaseColumns bc ON bc.ColumnID = "
                                   "vc.BaseColumnID WHERE vc.ViewID = 12 AND vc.Viewable <> 0 AND bc.ColumnName = 'Phone'")),
              QStringLiteral("1"));
}

// Searches of two users on two views of the base use the column: one by its
// filter-column row on each view, a copy made by Save as new (no filter-column
// row, the view's last used search) and one that holds the token only in a text.
class ImportedColumnSearchesTest : public ImportedColumnCommandsTest {
protected:
    void SetUp() override
    {
        ImportedColumnCommandsTest::SetUp();
        column = ImportSegment();
        ShowIn(kCustomers, column);
        first = Value(QStringLiteral("SELECT MAX(ViewFilterID) + 1 FROM LdViewFilters")).toInt();
        const int32_t own = AddSearch(kCustomerReport, "Retail~s own", "WHERE ( {Segment} = 'Retail' )", "admin");
        Exec(QStringLiteral("INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (%1, %2)").arg(own).arg(column));
        const int32_t other = AddSearch(kCustomers, "Wholesale", "WHERE ( {Segment} LIKE 'Whole%' )", "jdoe");
        Exec(QStringLiteral("INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (%1, %2)").arg(other).arg(column));
        copy = AddSearch(kCustomers, "Wholesale copy", "WHERE ( {Segment} LIKE 'Whole%' OR {Segment} IS NULL )", "jdoe");
        Exec(QStringLiteral("UPDATE LdViews SET LastUsedFilter = %1 WHERE ViewID = %2").arg(copy).arg(kCustomers));
        AddSearch(kCustomers, "Braces", "WHERE ( {City} = '{Segment}' )", "jdoe");
    }
    int32_t AddSearch(int32_t viewId, const char* name, const char* text, const char* user)
    {
        Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID, UseMe) "
                            "VALUES (%1, %2, %3, 1, 0, %4, 1)")
                 .arg(viewId)
                 .arg(QuoteSQLString(QString::fromUtf8(name)), QuoteSQLString(QString::fromUtf8(text)),
                      QuoteSQLString(QString::fromUtf8(user))));
        return Value(QStringLiteral("SELECT MAX(ViewFilterID) FROM LdViewFilters")).toInt();
    }
    QStringList SearchTexts()
    {
        return Rows(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID >= %1 ORDER BY ViewFilterID")
                        .arg(first));
    }
    int32_t column = 0;
    int32_t first = 0;  // the first of the searches made here
    int32_t copy = 0;
};

TEST_F(ImportedColumnSearchesTest, RenamingTheSqlNameCarriesItIntoEverySearchOfTheBaseInTheSameTransaction)
{
    const QStringList before = SearchTexts();
    frmListViewEdit* d = Customize(kCustomerReport);
    auto rename = [](frmEditImportedColumn* dialog) {
        dialog->txtSQLColumnName()->setText(QStringLiteral("MarketSegment"));
        dialog->cmdOK()->click();
    };
    // A failing reset takes the searches' change back with the rename.
    Exec(QStringLiteral("CREATE TRIGGER RefuseReset BEFORE UPDATE OF SQLSelect ON LdViews BEGIN SELECT RAISE(ABORT, "
                        "'reset refused'); END"));
    answers = {vbYes};
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(rename);
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(SearchTexts(), before);
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 1);

    Exec(QStringLiteral("DROP TRIGGER RefuseReset"));
    boxes.clear();
    answers = {vbYes};
    Current(d, QStringLiteral("Segment"));
    WhenShown<frmEditImportedColumn>(rename);
    Menu(d, QStringLiteral("Edit"));
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("MarketSegment")), 1);
    EXPECT_EQ(SearchTexts(), (QStringList{QStringLiteral("WHERE ( {MarketSegment} = 'Retail' )"),
                                          QStringLiteral("WHERE ( {MarketSegment} LIKE 'Whole%' )"),
                                          QStringLiteral("WHERE ( {MarketSegment} LIKE 'Whole%' OR {MarketSegment} IS NULL )"),
                                          QStringLiteral("WHERE ( {City} = '{Segment}' )")}));
    EXPECT_EQ(SessionEngine().DBI().TransactionDepth(), 0);
    // The view reopens with its last used search (the copy) and lists its rows.
    const QString where = Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewFilterID = %1").arg(copy))
                              .replace(QStringLiteral("{MarketSegment}"),
                                       Value(QStringLiteral("SELECT ColumnSQL FROM LdBaseColumns WHERE ColumnID = %1").arg(column)));
    EXPECT_NO_THROW(Rows(Value(QStringLiteral("SELECT SQLSelect || ' ' || SQLFrom FROM LdViews WHERE ViewID = 3")) +
                         QStringLiteral(" ") + where));
}

TEST_F(ImportedColumnSearchesTest, DeleteNamesEverySearchThatWillGoOfEveryUserAndDeletesTheCopiesToo)
{
    frmListViewEdit* d = Customize(kCustomerReport);
    Current(d, QStringLiteral("Segment"));
    Menu(d, QStringLiteral("Delete"));  // answered No
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt,
              QStringLiteral("The following views are using this imported column: \r\n\r\nCustomers\r\n\r\n"
                             "The following searches use this imported column and will be deleted with it: \r\n\r\n"
                             "Customer Report: Retail's own (admin)\r\nCustomers: Wholesale (jdoe)\r\n"
                             "Customers: Wholesale copy (jdoe)\r\n\r\n"
                             "If you continue, this column will be deleted from these views.  Do you want to continue?"));
    EXPECT_EQ(SearchTexts().size(), 4);

    boxes.clear();
    answers = {vbYes};
    Menu(d, QStringLiteral("Delete"));
    EXPECT_EQ(BaseColumnsNamed(QStringLiteral("Segment")), 0);
    EXPECT_EQ(SearchTexts(), QStringList{QStringLiteral("WHERE ( {City} = '{Segment}' )")});
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE LastUsedFilter = %1").arg(copy)), QStringLiteral("0"));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewFilterColumns WHERE BaseColumnID = %1").arg(column)),
              QStringLiteral("0"));
}

}  // namespace
