// A view deleted while list windows show it: All Views' Delete closes the view's
// windows; a window (or a catalogue row) whose view another program on the
// company deleted says so at its next command, writes nothing and closes (the
// catalogue lists its rows again).

#include "ExportTestSupport.h"

#include "platform/controls/MenuButton.h"
#include "platform/forms/VbKeys.h"
#include "shell/PopUpMenu.h"
#include "viewmodel/GetView.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>

using namespace listtest;

namespace {

// The export fixture keeps a workbook an unmended window would write away from the user's programs.
class ListWindowDeletedViewTest : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        // jdoe may create, edit and delete in All Views.
        Exec(QStringLiteral("UPDATE CoSecuredObjectRights SET Rights = 15 WHERE SecuredObjectID = 'QuillonAllViews' "
                            "AND PrincipalID = 'jdoe'"));
        // The context menu: the entry the test names, else dismissed.
        SetPopUpMenuAnswerer([this](const PopUpMenuRequest& r) -> QAction* {
            ++menus;
            for (QAction* a : r.menu->actions())
                if (a->text() == menuChoice)
                    return a;
            return nullptr;
        });
    }
    void TearDown() override
    {
        SetPopUpMenuAnswerer(nullptr);
        ExportTest::TearDown();
    }

    // A copy of jdoe's "My Big Orders" that he may delete, opening with a saved search.
    int32_t NewView(const QString& name)
    {
        CoLdUVRef view = GetView(ViewId(QStringLiteral("ORDERS_2")), 1);
        view->Columns();
        view->AssocViews();
        view->ColumnFunctions();
        view->ViewName = QStringLiteral("ORDERS_GONE_") + QString::number(++m_views);
        view->DisplayName = name;
        view->ViewUser = QStringLiteral("jdoe");
        view->Custom = true;
        EXPECT_TRUE(view->Store(true));
        const QString id = QString::number(view->ViewID());
        Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID, "
                            "UpdatorID, CreateDate, LastUpdate) VALUES (") +
             id + QStringLiteral(", 'Open', 'WHERE ( {Status} = ''Open'' )', 0, 0, 'jdoe', 'jdoe', "
                                 "'2025-02-01 09:15:00.000', '2025-02-01 09:15:00.000')"));
        Exec(QStringLiteral("UPDATE LdViews SET LastUsedFilter = (SELECT MAX(ViewFilterID) FROM LdViewFilters) "
                            "WHERE ViewID = ") + id);
        return view->ViewID();
    }
    // Another program on the company deletes the view.
    void DeleteElsewhere(int32_t viewId) { Exec(QStringLiteral("EXEC Ld_DeleteView ") + QString::number(viewId)); }
    // The statements of the session that write, since the last call.
    QStringList Writes()
    {
        QStringList writes;
        for (const QString& s : TakeStatements()) {
            const QString start = s.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
            if (start == QLatin1String("INSERT") || start == QLatin1String("UPDATE") ||
                start == QLatin1String("DELETE") || s.contains(QLatin1String("Ld_UpdateSQLStmts")) ||
                s.contains(QLatin1String("Ld_DeleteView")))
                writes << s;
        }
        return writes;
    }
    static QString Gone(const QString& name)
    {
        return QStringLiteral("The view '") + name + QStringLiteral("' no longer exists: it has been deleted.");
    }
    bool ViewWindowOpen(int32_t viewId)
    {
        for (frmList* w : ListWindows())
            if (w->ViewID() == viewId)
                return true;
        return false;
    }

    QString menuChoice;
    int menus = 0;

private:
    int m_views = 0;
};

TEST_F(ListWindowDeletedViewTest, DeletingAViewInAllViewsClosesItsWindows)
{
    const int32_t id = NewView(QStringLiteral("Orders to Close"));
    const int32_t other = NewView(QStringLiteral("Orders to Keep"));
    QPointer<frmList> first = Open(id, QString(), nullptr, false);
    QPointer<frmList> second = Open(id, QString(), nullptr, false);
    QPointer<frmList> kept = Open(other, QString(), nullptr, false);
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, id));
    boxes.clear();
    TakeStatements();
    answers = {vbYes};
    ASSERT_TRUE(Loads(all, [all] { all->DeleteSelectedView(); }));
    EXPECT_EQ(Prompts(boxes), QStringList{QStringLiteral("Are you sure you want to delete the 'Orders to Close' view?")});
    EXPECT_TRUE(!first || !IsFormLoaded(first));
    EXPECT_TRUE(!second || !IsFormLoaded(second));
    EXPECT_FALSE(ViewWindowOpen(id));
    ASSERT_TRUE(kept && IsFormLoaded(kept));
    // Their closing stored nothing for the view that is gone.
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("EXEC Ld_DeleteView ") + QString::number(id)});
}

// Each command of a view's window whose view another program deleted.
TEST_F(ListWindowDeletedViewTest, ACommandInAWindowWhoseViewWasDeletedElsewhereSaysSoAndWritesNothing)
{
    struct Case {
        const char* command;
        std::function<void(frmList*)> run;
    };
    const Case cases[] = {
        {"Go", [](frmList* w) { w->cmdGo_Click(); }},
        {"Refresh", [](frmList* w) { w->tbMain_ButtonClick(QStringLiteral("REFRESH")); }},
        {"F5", [](frmList* w) { w->Form_KeyDown(vbkey::F5, 0, false); }},
        {"Customize", [](frmList* w) { w->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE")); }},
        {"Export", [](frmList* w) { w->tbMain_ButtonClick(QStringLiteral("EXPORT")); }},
        {"Save search", [](frmList* w) { emit w->mbSearches()->ItemClick(QStringLiteral("SAVE")); }},
        {"Delete search", [](frmList* w) { emit w->mbSearches()->ItemClick(QStringLiteral("DELETE")); }},
        {"Linked view", [](frmList* w) { emit w->ListView()->RightClick(12, 8); }},
        {"Auto Populate", [](frmList* w) { w->chkAutoPopulate()->click(); }},
    };
    for (const Case& c : cases) {
        const QString name = QStringLiteral("Orders for ") + QLatin1String(c.command);
        const int32_t id = NewView(name);
        QPointer<frmList> w = Open(id, QString(), nullptr, false);
        ASSERT_TRUE(w);
        ASSERT_TRUE(Go(w));
        ASSERT_GT(w->RecordCount(), 0) << c.command;
        ASSERT_TRUE(Select(w, w->ListView()->SelectedID() > 0 ? w->ListView()->SelectedID()
                                                               : Value(QStringLiteral("SELECT MIN(OrderID) FROM Orders "
                                                                                      "WHERE Status = 'Open'"))
                                                                     .toInt()));
        DeleteElsewhere(id);
        boxes.clear();
        menus = 0;
        menuChoice = QStringLiteral("Order Lines");
        editorShown = 0;
        WhenEditorShows(nullptr);  // an editor that opened would be cancelled
        TakeStatements();
        const int windows = static_cast<int>(ListWindows().size());
        c.run(w);
        EXPECT_EQ(Prompts(boxes), QStringList{Gone(name) + QStringLiteral("\r\n\r\nThis window will be closed.")})
            << c.command << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        EXPECT_EQ(boxes.empty() ? 0 : boxes[0].icon(), vbExclamation) << c.command;
        EXPECT_TRUE(!w || !IsFormLoaded(w)) << c.command;
        EXPECT_EQ(Writes(), QStringList()) << c.command;
        EXPECT_EQ(menus, 0) << c.command;
        EXPECT_EQ(editorShown, 0) << c.command;
        EXPECT_EQ(static_cast<int>(ListWindows().size()), windows - 1) << c.command;
        EXPECT_TRUE(Exports().isEmpty()) << c.command;
        EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE ViewID = ") + QString::number(id)),
                  QStringLiteral("0"));
        if (w)
            Unload(w);
    }
}

// A catalogue row whose view another program deleted since the list ran.
TEST_F(ListWindowDeletedViewTest, ACatalogueCommandOnAViewDeletedElsewhereSaysSoAndListsAgain)
{
    struct Case {
        const char* command;
        std::function<void(frmList*)> run;
    };
    const Case cases[] = {
        {"Open", [](frmList* w) { w->OpenSelectedView(); }},
        {"Customize", [](frmList* w) { w->CustomizeSelectedView(); }},
        {"Delete", [](frmList* w) { w->DeleteSelectedView(); }},
        {"Add", [](frmList* w) { w->AddSelectedToMyViews(); }},
        {"Auto Populate", [this](frmList* w) {
             menuChoice = QStringLiteral("Enable Auto Populate");
             emit w->ListView()->RightClick(12, 8);
         }},
    };
    frmList* all = OpenView(QStringLiteral("LdViews"));
    for (const Case& c : cases) {
        const QString name = QStringLiteral("Listed ") + QLatin1String(c.command);
        const int32_t id = NewView(name);
        ASSERT_TRUE(Go(all));
        ASSERT_TRUE(Select(all, id)) << c.command;
        const int32_t listed = all->RecordCount();
        DeleteElsewhere(id);
        boxes.clear();
        answers = {vbYes};
        editorShown = 0;
        WhenEditorShows(nullptr);
        TakeStatements();
        const size_t windows = ListWindows().size();
        ASSERT_TRUE(Loads(all, [&] { c.run(all); })) << c.command;
        EXPECT_EQ(Prompts(boxes), QStringList{Gone(name)}) << c.command << qPrintable(Prompts(boxes).join(QLatin1Char('\n')));
        EXPECT_EQ(Writes(), QStringList()) << c.command;
        EXPECT_EQ(editorShown, 0) << c.command;
        EXPECT_EQ(ListWindows().size(), windows) << c.command;
        // The list ran again without it.
        EXPECT_EQ(all->RecordCount(), listed - 1) << c.command;
        answers.clear();
    }
}

// A linked view another program deleted since the source view was loaded.
TEST_F(ListWindowDeletedViewTest, ALinkedViewDeletedElsewhereIsSaidToBeGone)
{
    const int32_t target = NewView(QStringLiteral("Orders of the Name"));
    const int32_t customers = ViewId(QStringLiteral("CUSTOMERS_1"));
    // Customers opens the copy by the customer's name (a link without filters of its own).
    Exec(QStringLiteral("INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe) "
                        "VALUES (%1, 8, %2, -1)")
             .arg(customers)
             .arg(target));
    frmList* source = Open(customers, QString(), nullptr, true);
    source->cmdClear_Click();
    ASSERT_TRUE(Go(source));
    ASSERT_TRUE(Select(source, Value(QStringLiteral("SELECT MIN(CustomerID) FROM Customers")).toInt()));
    source->View()->AssocViews();
    DeleteElsewhere(target);
    boxes.clear();
    TakeStatements();
    menuChoice = QStringLiteral("Orders of the Name");
    emit source->ListView()->RightClick(12, 8);
    EXPECT_EQ(Prompts(boxes), QStringList{Gone(QStringLiteral("Orders of the Name"))})
        << qPrintable(Prompts(boxes).join(QLatin1Char('\n'))) << menus;
    EXPECT_EQ(Writes(), QStringList());
    EXPECT_EQ(ListWindows().size(), 1u);
    // The link is gone with the view.
    boxes.clear();
    emit source->ListView()->RightClick(12, 8);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ListWindows().size(), 1u);
}

}  // namespace
