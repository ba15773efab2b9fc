// The catalogue commands of the list window on the demo company: the secured
// object of a window, opening a view from a catalogue, deleting (or taking out
// of My Views), adding to My Views, the Auto Populate box, and the main window's
// My Views and All Views.

#include "ListWindowTestSupport.h"

#include "db/Schema.h"
#include "platform/controls/FilterControl.h"
#include "shell/frmMDIFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QMdiSubWindow>

#include <sqlite3.h>

using namespace listtest;

namespace {

const QString kAttention = QStringLiteral("Attention Required");

class ListWindowCatalogueTest : public ListWindowTest {
protected:
    void TearDown() override
    {
        frmMDIFrame::SetListWindowOpener(nullptr);
        SetMainWindowProvider(nullptr);
        SetSplashWindowFactory(nullptr);
        ListWindowTest::TearDown();
    }
    // Runs statements on the company file directly (schema changes the
    // database interface does not take).
    void ExecOnFile(const QString& sql)
    {
        if (m_probe)
            m_probe->CloseConnection();
        m_probe.reset();
        sqlite3* db = erpdb::OpenServerDatabase(kServer, QString::fromLatin1(erpdb::kDemoDatabaseName), false);
        try {
            erpdb::ExecScript(db, sql);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
    }
    // A catalogue window with its rows loaded and the view's row selected.
    frmList* CatalogueWith(const QString& catalogue, int32_t viewId)
    {
        frmList* w = OpenView(catalogue);
        EXPECT_TRUE(Go(w));
        EXPECT_TRUE(Select(w, viewId)) << viewId;
        return w;
    }
    // The statements that changed LdMyViews or deleted a view.
    QStringList Writes()
    {
        QStringList writes;
        for (const QString& s : TakeStatements())
            if (s.startsWith(QLatin1String("UPDATE")) || s.startsWith(QLatin1String("INSERT")) ||
                s.startsWith(QLatin1String("EXEC Ld_DeleteView")))
                writes << s;
        return writes;
    }
};

TEST_F(ListWindowCatalogueTest, TheSecuredObjectIsTheCatalogueThatHoldsTheView)
{
    frmList* all = OpenView(QStringLiteral("LdViews"));
    int32_t id = 0;
    EXPECT_EQ(all->GetSecurityObject(id), QStringLiteral("QuillonAllViews"));
    EXPECT_EQ(id, ViewId(QStringLiteral("LdViews")));
    id = 0;
    EXPECT_EQ(OpenView(QStringLiteral("LdMyViews"))->GetSecurityObject(id), QStringLiteral("QuillonMyViews"));

    // An ordinary view: My Views when the user has it there (jdoe: Orders yes, Products
    // with IsMyView 0 no, Customers no row).
    struct Case {
        int32_t view;
        const char* object;
    };
    for (const Case& c : {Case{4, "QuillonMyViews"}, Case{6, "QuillonAllViews"}, Case{3, "QuillonAllViews"}}) {
        frmList* w = Open(c.view, QString(), nullptr, false);
        int32_t none = 0;
        EXPECT_EQ(w->GetSecurityObject(none), QLatin1String(c.object)) << c.view;
        EXPECT_EQ(none, c.view);
        int32_t negative = -1;
        EXPECT_EQ(w->GetSecurityObject(negative), QString());
    }
    TakeStatements();
    EXPECT_TRUE(all->IsInMyViews(4));
    EXPECT_FALSE(all->IsInMyViews(6));
    EXPECT_EQ(TakeStatements().last(),
              QStringLiteral("SELECT COUNT(*) FROM LdMyViews WHERE  IsMyView = 1 AND ViewID =6 AND UserID ='jdoe'"));
}

TEST_F(ListWindowCatalogueTest, OpeningFromACatalogueShowsTheViewCascadedBelowTheCatalogue)
{
    frmList* all = CatalogueWith(QStringLiteral("LdViews"), 4);
    all->move(40, 30);
    // Double click, Enter (in the layout tests) and the toolbar's Open.
    emit all->ListView()->DblClick();
    ASSERT_EQ(ListWindows().size(), 2u);
    frmList* orders = ListWindows().back();
    EXPECT_EQ(orders->ViewID(), 4);
    EXPECT_FALSE(orders->IsMainView());
    EXPECT_EQ(orders->Caption(), QStringLiteral("Orders"));
    EXPECT_EQ(orders->pos(), QPoint(40 + 180 / TwipsPerPixelX(), 30 + 350 / TwipsPerPixelY()));
    EXPECT_EQ(orders->width(), all->width());
    EXPECT_EQ(orders->height(), (all->height() * TwipsPerPixelY() - 350) / TwipsPerPixelY());

    all->Button(QStringLiteral("OPEN"))->trigger();
    EXPECT_EQ(ListWindows().size(), 3u);

    // Nothing selected, or an ordinary view's window: nothing opens.
    all->ListView()->SelectRowByID(0);
    all->OpenSelectedView();
    orders->OpenSelectedView();
    EXPECT_EQ(ListWindows().size(), 3u);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowCatalogueTest, AViewTheUserMayNotSeeDoesNotOpen)
{
    // guest has Invoices among his My Views but no right on its base.
    Exec(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (7, 'guest', 1, 0)"));
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    frmList* mine = CatalogueWith(QStringLiteral("LdMyViews"), 7);
    mine->OpenSelectedView();
    EXPECT_EQ(ListWindows().size(), 1u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("View rights to 'Invoices'"))) << qPrintable(boxes[0].prompt);
}

TEST_F(ListWindowCatalogueTest, DeletingFromAllViewsIsRefusedForSystemViewsAndOtherUsersViews)
{
    const QString views = Value(QStringLiteral("SELECT COUNT(*) FROM LdViews"));
    // Without the Delete right on All Views: the rights refusal.
    frmList* all = CatalogueWith(QStringLiteral("LdViews"), 10);
    all->DeleteSelectedView();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("Delete rights to 'All Views'"))) << qPrintable(boxes[0].prompt);
    Unload(all);
    boxes.clear();

    Exec(QStringLiteral("UPDATE CoSecuredObjectRights SET Rights = 11 WHERE SecuredObjectID = 'QuillonAllViews' "
                        "AND PrincipalID = 'jdoe'"));
    struct Case {
        int32_t view;
        QString prompt;
        int style;
    };
    const Case cases[] = {
        {3, QStringLiteral("You can not delete system views."), vbExclamation},
        {12, QStringLiteral("You can only delete views that were created by jdoe"), vbExclamation},
        // His own view: asked, and No keeps it.
        {10, QStringLiteral("Are you sure you want to delete the 'Orders by Sales Rep' view?"), vbYesNo | vbQuestion},
    };
    for (const Case& c : cases) {
        frmList* w = CatalogueWith(QStringLiteral("LdViews"), c.view);
        TakeStatements();
        boxes.clear();
        w->DeleteSelectedView();
        ASSERT_EQ(boxes.size(), 1u) << c.view;
        EXPECT_EQ(boxes[0].prompt, c.prompt);
        EXPECT_EQ(boxes[0].style, c.style);
        EXPECT_EQ(boxes[0].title, kAttention);
        EXPECT_TRUE(Writes().isEmpty());
        Unload(w);
    }
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")), views);
}

TEST_F(ListWindowCatalogueTest, CreatorsAndAdministratorsDeleteCustomViews)
{
    struct Case {
        const char* user;
        const char* password;
        const char* sessionId;
        int32_t view;
        const char* name;
    };
    const Case cases[] = {
        {"jdoe", "secret", "jdoe", 9, "My Big Orders"},                // his own
        {"asmith", "alice", "asmith", 12, "Customer Report"},          // a member of 'admins'
        {"admin", "admin", "AdMiN", 10, "Orders by Sales Rep"},        // admin in any letter case
    };
    Exec(QStringLiteral("UPDATE CoSecuredObjectRights SET Rights = 11 WHERE SecuredObjectID = 'QuillonAllViews' "
                        "AND PrincipalID = 'jdoe'"));
    for (const Case& c : cases) {
        LogOnAs(QLatin1String(c.user), QLatin1String(c.password));
        g_sUserID = QLatin1String(c.sessionId);
        frmList* w = CatalogueWith(QStringLiteral("LdViews"), c.view);
        const int before = w->RecordCount();
        boxes.clear();
        TakeStatements();
        answers = {vbYes};
        ASSERT_TRUE(Loads(w, [w] { w->DeleteSelectedView(); }));
        ASSERT_EQ(boxes.size(), 1u) << c.sessionId;
        EXPECT_EQ(boxes[0].prompt, QStringLiteral("Are you sure you want to delete the '") + QLatin1String(c.name) +
                                       QStringLiteral("' view?"));
        EXPECT_EQ(Writes(), QStringList{QStringLiteral("EXEC Ld_DeleteView ") + QString::number(c.view)});
        EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE ViewID = ") + QString::number(c.view)),
                  QStringLiteral("0"));
        // The list ran again without the view.
        EXPECT_EQ(w->RecordCount(), before - 1) << c.sessionId;
        Unload(w);
    }
}

TEST_F(ListWindowCatalogueTest, DeletingFromMyViewsOnlyTakesTheViewOutOfMyViews)
{
    frmList* mine = CatalogueWith(QStringLiteral("LdMyViews"), 5);
    const int before = mine->RecordCount();
    TakeStatements();
    answers = {vbYes};
    ASSERT_TRUE(Loads(mine, [mine] { mine->DeleteSelectedView(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("Are you sure you want to delete the 'Order Lines' view?"));
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("UPDATE LdMyViews SET IsMyView = 0 WHERE ViewID = 5 AND UserID = 'jdoe'")});
    EXPECT_EQ(mine->RecordCount(), before - 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE ViewID = 5")), QStringLiteral("1"));
    EXPECT_EQ(Value(QStringLiteral("SELECT IsMyView FROM LdMyViews WHERE ViewID = 5 AND UserID = 'jdoe'")),
              QStringLiteral("0"));

    // The Delete key on the list of My Views asks the same question; No changes nothing.
    ASSERT_TRUE(Select(mine, 4));
    boxes.clear();
    mine->Form_KeyDown(46, 0, true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("Are you sure you want to delete the 'Orders' view?"));
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(ListWindowCatalogueTest, DeleteWithNothingListedAsksNothingAndWritesNothing)
{
    // jdoe may delete from All Views here, so that only the missing row stops it.
    Exec(QStringLiteral("UPDATE CoSecuredObjectRights SET Rights = 11 WHERE SecuredObjectID = 'QuillonAllViews' "
                        "AND PrincipalID = 'jdoe'"));
    for (const char* catalogue : {"LdViews", "LdMyViews"}) {
        frmList* w = OpenView(QString::fromLatin1(catalogue));
        ASSERT_TRUE(Go(w));
        w->cmdClear_Click();
        ASSERT_EQ(w->ListView()->RowCount(), 0);
        boxes.clear();
        TakeStatements();
        answers = {vbYes};
        w->Form_KeyDown(46, 0, true);
        EXPECT_TRUE(boxes.empty()) << catalogue << ": " << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        EXPECT_TRUE(Writes().isEmpty()) << catalogue;
        answers.clear();
        Unload(w);
    }
}

TEST_F(ListWindowCatalogueTest, AFailedDeleteIsReportedAndTheListRunsAgain)
{
    ExecOnFile(QStringLiteral("CREATE TRIGGER test_block BEFORE UPDATE ON LdMyViews "
                              "BEGIN SELECT RAISE(ABORT, 'blocked by the test'); END;"));
    frmList* mine = CatalogueWith(QStringLiteral("LdMyViews"), 5);
    const int before = mine->RecordCount();
    answers = {vbYes};
    ASSERT_TRUE(Loads(mine, [mine] { mine->DeleteSelectedView(); }));
    ASSERT_EQ(boxes.size(), 2u) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    // The standard error box: "(<number>) -- " and the database's message.
    EXPECT_TRUE(boxes[1].prompt.startsWith(QStringLiteral("(") + QString::number(kDatabaseErrorNumber) +
                                           QStringLiteral(") -- ")))
        << qPrintable(boxes[1].prompt);
    EXPECT_TRUE(boxes[1].prompt.contains(QStringLiteral("blocked by the test"))) << qPrintable(boxes[1].prompt);
    EXPECT_EQ(mine->RecordCount(), before);
}

TEST_F(ListWindowCatalogueTest, AddingToMyViewsWritesOnlyWhatIsMissing)
{
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(Go(all));
    struct Case {
        int32_t view;
        QString prompt;
        int icon;
        QString write;  // "" for none; "%1" stands for the row's MyViewID
    };
    const QString productsRow = Value(QStringLiteral("SELECT MyViewID FROM LdMyViews WHERE ViewID = 6 AND UserID = 'jdoe'"));
    const Case cases[] = {
        {4, QStringLiteral("'Orders' has already been added to your MyViews."), vbExclamation, QString()},
        // Taken out of My Views before: its row is switched back on.
        {6, QStringLiteral("'Products' has been added to your MyViews."), vbInformation,
         QStringLiteral("UPDATE LdMyViews SET IsMyView = 1 WHERE MyViewID = ") + productsRow},
        // No row yet.
        {7, QStringLiteral("'Invoices' has been added to your MyViews."), vbInformation,
         QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (7, 'jdoe',1)")},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Select(all, c.view));
        boxes.clear();
        TakeStatements();
        const QString listed = ListStatement(all);
        all->Button(QStringLiteral("ADD"))->trigger();
        ASSERT_EQ(boxes.size(), 1u) << c.view;
        EXPECT_EQ(boxes[0].prompt, c.prompt);
        EXPECT_EQ(boxes[0].icon(), c.icon);
        EXPECT_EQ(boxes[0].title, App().title);
        EXPECT_EQ(Writes(), c.write.isEmpty() ? QStringList() : QStringList{c.write}) << c.view;
        EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdMyViews WHERE IsMyView = 1 AND UserID = 'jdoe' AND "
                                       "ViewID = ") +
                        QString::number(c.view)),
                  QStringLiteral("1"));
        // The list is not run again.
        EXPECT_EQ(all->ListView()->SelectedID(), c.view);
    }

    // Nothing selected: nothing happens.
    all->ListView()->SelectRowByID(0);
    boxes.clear();
    all->AddSelectedToMyViews();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(ListWindowCatalogueTest, AddingARowWithoutIsMyViewCountsItAsNotAdded)
{
    // A back end whose LdMyViews lets IsMyView be NULL, as rows auto populate wrote can be.
    const QString view = [this] {
        return Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = 'LdCatalogMyViews'"));
    }();
    ExecOnFile(QStringLiteral(
                   "DROP VIEW LdCatalogMyViews;"
                   "CREATE TABLE LdMyViewsLoose (MyViewID INTEGER PRIMARY KEY AUTOINCREMENT, ViewID INTEGER NOT NULL, "
                   "UserID TEXT(8) NOT NULL COLLATE NOCASE, IsMyView BIT NULL, AutoPopulate BIT NOT NULL DEFAULT 0);"
                   "INSERT INTO LdMyViewsLoose SELECT * FROM LdMyViews;"
                   "DROP TABLE LdMyViews;"
                   "ALTER TABLE LdMyViewsLoose RENAME TO LdMyViews;"
                   "INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (3, 'jdoe', NULL, -1);") +
               view + QStringLiteral(";"));
    frmList* all = CatalogueWith(QStringLiteral("LdViews"), 3);
    const QString row = Value(QStringLiteral("SELECT MyViewID FROM LdMyViews WHERE ViewID = 3 AND UserID = 'jdoe'"));
    TakeStatements();
    all->AddSelectedToMyViews();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("'Customers' has been added to your MyViews."));
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("UPDATE LdMyViews SET IsMyView = 1 WHERE MyViewID = ") + row});
    EXPECT_EQ(Value(QStringLiteral("SELECT IsMyView FROM LdMyViews WHERE MyViewID = ") + row), QStringLiteral("1"));
}

TEST_F(ListWindowCatalogueTest, TheAutoPopulateBoxStoresTheUsersFlag)
{
    // Opening a view that auto populates writes nothing.
    frmList* products = Open(6, QString(), nullptr, false);
    EXPECT_TRUE(products->chkAutoPopulate()->isChecked());
    EXPECT_TRUE(Writes().isEmpty());

    // A view the user never added: a row with the flag only, not in My Views.
    frmList* invoices = Open(7, QString(), nullptr, false);
    ASSERT_FALSE(invoices->chkAutoPopulate()->isChecked());
    invoices->chkAutoPopulate()->click();
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (7, 'jdoe',-1)")});
    EXPECT_EQ(Value(QStringLiteral("SELECT IsMyView, AutoPopulate FROM LdMyViews WHERE ViewID = 7 AND UserID = 'jdoe'")),
              QStringLiteral("0|1"));
    EXPECT_FALSE(invoices->IsInMyViews(7));
    const QString row = Value(QStringLiteral("SELECT MyViewID FROM LdMyViews WHERE ViewID = 7 AND UserID = 'jdoe'"));
    invoices->chkAutoPopulate()->click();
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("UPDATE LdMyViews SET AutoPopulate = 0 WHERE MyViewID = ") + row});
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdMyViews WHERE ViewID = 7 AND UserID = 'jdoe'")),
              QStringLiteral("1"));

    // The next window of the view opens with the user's flag.
    invoices->chkAutoPopulate()->click();
    Unload(invoices);
    frmList* again = Open(7, QString(), nullptr, false);
    EXPECT_TRUE(again->chkAutoPopulate()->isChecked());
    EXPECT_FALSE(ListStatement(again).isEmpty());

    // No view: nothing is written.
    TakeStatements();
    again->SaveAutoPopulate(0, true);
    EXPECT_TRUE(Writes().isEmpty());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowCatalogueTest, UserIdsGoIntoTheCatalogueStatementsAsLiterals)
{
    // Unquoted, this id would make every row match: another user's row would be read and changed.
    frmList* invoices = Open(7, QString(), nullptr, false);
    g_sUserID = QStringLiteral("a'OR'1");
    const QString id = QStringLiteral("'a''OR''1'");
    TakeStatements();
    EXPECT_FALSE(invoices->IsInMyViews(4));
    EXPECT_EQ(TakeStatements().last(),
              QStringLiteral("SELECT COUNT(*) FROM LdMyViews WHERE  IsMyView = 1 AND ViewID =4 AND UserID =") + id);
    const QString others = Value(QStringLiteral("SELECT group_concat(UserID || AutoPopulate) FROM LdMyViews WHERE ViewID = 7"));
    invoices->SaveAutoPopulate(7, true);
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (7, ") +
                                    id + QStringLiteral(",-1)")});
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(UserID || AutoPopulate) FROM LdMyViews WHERE ViewID = 7 AND "
                                   "UserID <> ") + id),
              others);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowCatalogueTest, TheMainWindowOpensTheCataloguesAsChildWindows)
{
    RegisterShellWindows();
    RegisterListWindows();
    ShowMainWindow();
    frmMDIFrame* main = frmMDIFrame::Instance();
    ASSERT_TRUE(main->IsLoaded());
    auto children = [&main] {
        std::vector<frmList*> lists;
        for (Form* f : main->ChildForms())
            if (auto* w = qobject_cast<frmList*>(f))
                lists.push_back(w);
        return lists;
    };

    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    ASSERT_EQ(children().size(), 3u);
    EXPECT_EQ(children()[0]->View()->ViewName, QStringLiteral("LdViews"));
    EXPECT_EQ(children()[1]->View()->ViewName, QStringLiteral("LdMyViews"));
    EXPECT_EQ(children()[2]->View()->ViewName, QStringLiteral("LdMyViews"));
    for (frmList* w : children()) {
        EXPECT_TRUE(w->IsMainView());
        EXPECT_NE(main->ChildFrameOf(w), nullptr);
    }
    // A catalogue window opens its views as child windows too.
    frmList* all = children()[0];
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, 4));
    all->OpenSelectedView();
    ASSERT_EQ(children().size(), 4u);
    EXPECT_EQ(children()[3]->ViewID(), 4);
    EXPECT_NE(main->ChildFrameOf(children()[3]), nullptr);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));

    // Closing the main window closes them, each storing its state.
    Unload(main);
    EXPECT_TRUE(children().empty());

    // A user without the View right on All Views: the refusal and no window.
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    ShowMainWindow();
    main = frmMDIFrame::Instance();
    boxes.clear();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    EXPECT_TRUE(children().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("View rights to 'All Views'")));

    // No row for the system view: no window, and the user is told why.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'LdMyViewsGone' WHERE ViewName = 'LdMyViews'"));
    boxes.clear();
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(Prompts(boxes), QStringList{QStringLiteral("The company DEMO has no views.")});
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
}

}  // namespace
