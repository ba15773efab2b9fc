// New and Customize of the list window through the view editor on the demo
// company: the rights, the creator rule, the list run again on the new or
// customized view, the reloads by what the editor changed, and the window a
// view saved as new replaces.

#include "ListWindowTestSupport.h"

#include "platform/controls/ReportListView.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

using namespace listtest;

namespace {

const QString kOnlyCreator = QStringLiteral("You can only customize views that were created by %1 unless you are an "
                                            "administrator or part of the admin security group");

class ListWindowCustomizeTest : public ListWindowTest {
protected:
    frmList* CatalogueWith(const QString& catalogue, int32_t viewId)
    {
        frmList* w = OpenView(catalogue);
        EXPECT_TRUE(Go(w));
        EXPECT_TRUE(Select(w, viewId)) << viewId;
        return w;
    }
    // Removes the editor list's rows with those names (sub-item 1) of a tab.
    static void RemoveRows(frmListViewEdit* d, int tab, const QStringList& names)
    {
        ReportListView* list = d->lvwList(tab);
        list->UnSelectAll();
        for (int i = 1; i <= list->ItemCount(); ++i)
            if (names.contains(list->Item(i)->SubItem(1)))
                list->Item(i)->SetSelected(true);
        d->SSTab1()->setCurrentIndex(tab);
        emit list->ItemClick(list->SelectedItem());
        d->cmdRemoveList(tab)->click();
    }
};

TEST_F(ListWindowCustomizeTest, NewViewFromAllViewsAppearsSelectedInTheCatalogue)
{
    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    frmList* all = CatalogueWith(QStringLiteral("LdViews"), orders);
    WhenEditorShows([](frmListViewEdit* d) {
        EXPECT_EQ(d->Caption(), QStringLiteral("New View"));
        EXPECT_TRUE(d->chkShared()->isChecked());  // shared outside My Views
        d->txtDisplayName()->setText(QStringLiteral("Orders per Rep"));
        d->txtViewDesc()->setText(QStringLiteral("Orders with their sales rep"));
        // The customer number stays: its links (Customers, Order Lines) find their rows by it.
        RemoveRows(d, 0, {QStringLiteral("Lines"), QStringLiteral("Customer")});
        d->cmdOK()->click();
    });
    EXPECT_TRUE(Loads(all, [all] { all->tbMain_ButtonClick(QStringLiteral("NEW")); }));
    EXPECT_EQ(editorShown, 1);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    const int32_t created = ViewId(QStringLiteral("ORDERS_4"));
    ASSERT_GT(created, 0);
    EXPECT_TRUE(WaitFor([&] { return all->ListView()->SelectedID() == created; }));
    EXPECT_EQ(all->ListView()->ColumnText(1).trimmed(), QStringLiteral("Orders per Rep"));
    // The list holds the focus, so that Enter opens the new view.
    QWidget* focus = all->focusWidget();
    EXPECT_TRUE(focus && (focus == all->ListView() || all->ListView()->isAncestorOf(focus)))
        << (focus ? qPrintable(focus->objectName()) : "none");
    for (Form* f : LoadedForms())
        EXPECT_EQ(qobject_cast<frmListViewEdit*>(f), nullptr);  // the editor was unloaded

    // It opens with its columns and its statistics.
    frmList* opened = Open(created, QString(), nullptr, false);
    ASSERT_TRUE(Go(opened));
    EXPECT_EQ(opened->Caption(), QStringLiteral("Orders per Rep"));
    EXPECT_EQ(opened->lvwStats()->ColumnCount(), 2 + 3);
    // With QUILLON_SCREENSHOT_DIR set, its picture is saved there (scripts/screenshots.sh).
    const QString dir = qEnvironmentVariable("QUILLON_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QTest::qWait(300);
        opened->grab().save(dir + QStringLiteral("/new-view-list.png"));
    }

    // In My Views the editor starts unshared; a user without Create is refused.
    frmList* mine = CatalogueWith(QStringLiteral("LdMyViews"), orders);
    WhenEditorShows([](frmListViewEdit* d) { EXPECT_FALSE(d->chkShared()->isChecked()); });
    mine->tbMain_ButtonClick(QStringLiteral("NEW"));
    EXPECT_EQ(editorShown, 2);
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    frmList* guestViews = CatalogueWith(QStringLiteral("LdMyViews"), ViewId(QStringLiteral("CUSTOMERS_1")));
    boxes.clear();
    WhenEditorShows({});
    guestViews->tbMain_ButtonClick(QStringLiteral("NEW"));
    QTest::qWait(50);
    EXPECT_EQ(editorShown, 2);
    EXPECT_EQ(boxes.size(), 1u);  // the refusal of the rights
}

TEST_F(ListWindowCustomizeTest, CustomizeInACatalogueByRightsAndCreator)
{
    const int32_t big = ViewId(QStringLiteral("ORDERS_2"));
    // jdoe may not edit in All Views: the rights refuse before anything else.
    frmList* all = CatalogueWith(QStringLiteral("LdViews"), big);
    WhenEditorShows({});
    all->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    QTest::qWait(50);
    EXPECT_EQ(editorShown, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt, kOnlyCreator.arg(QStringLiteral("jdoe")));

    // In My Views: a standard view is refused by the creator rule, his own opens.
    frmList* mine = CatalogueWith(QStringLiteral("LdMyViews"), ViewId(QStringLiteral("ORDERS_1")));
    boxes.clear();
    mine->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    EXPECT_EQ(Prompts(boxes), QStringList{kOnlyCreator.arg(QStringLiteral("jdoe"))});
    EXPECT_EQ(boxes[0].icon(), vbExclamation);
    EXPECT_EQ(boxes[0].title, App().title);

    ASSERT_TRUE(Select(mine, big));
    boxes.clear();
    WhenEditorShows([](frmListViewEdit* d) {
        EXPECT_EQ(d->Caption(), QStringLiteral("Customize View"));
        d->txtDisplayName()->setText(QStringLiteral("Biggest Orders"));
        d->cmdOK()->click();
    });
    EXPECT_TRUE(Loads(mine, [mine] { mine->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE")); }));
    EXPECT_EQ(editorShown, 1);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(WaitFor([&] { return mine->ListView()->SelectedID() == big; }));
    EXPECT_EQ(mine->ListView()->ColumnText(1).trimmed(), QStringLiteral("Biggest Orders"));

    // An administrator passes the creator rule on another's shared view; Cancel leaves the list alone.
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    frmList* admins = CatalogueWith(QStringLiteral("LdViews"), ViewId(QStringLiteral("ORDERS_3")));
    const QString statement = ListStatement(admins);
    WhenEditorShows({});
    admins->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    EXPECT_EQ(editorShown, 2);
    EXPECT_EQ(ListStatement(admins), statement);
    EXPECT_EQ(Value(QStringLiteral("SELECT DisplayName FROM LdViews WHERE ViewID = %1").arg(big)),
              QStringLiteral("Biggest Orders"));
}

TEST_F(ListWindowCustomizeTest, CustomizeTheOpenViewReloadsWhatChanged)
{
    const int32_t big = ViewId(QStringLiteral("ORDERS_2"));
    frmList* w = Open(big, QString(), nullptr, false);
    ASSERT_TRUE(Go(w));
    const int statistics = w->lvwStats()->ColumnCount();

    // Columns: the definition is read again and the list runs again.
    WhenEditorShows([](frmListViewEdit* d) {
        RemoveRows(d, 0, {QStringLiteral("Status")});
        d->cmdOK()->click();
    });
    EXPECT_TRUE(Loads(w, [w] { w->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE")); }));
    EXPECT_EQ(editorShown, 1);
    EXPECT_FALSE(w->View()->ColumnString.contains(QStringLiteral("Status")));
    EXPECT_FALSE(ListStatement(w).contains(QStringLiteral("o.Status")));

    // Functions only: the statistics strip, the list stays.
    const QString statement = ListStatement(w);
    WhenEditorShows([](frmListViewEdit* d) {
        RemoveRows(d, 2, {QStringLiteral("Sum")});
        d->cmdOK()->click();
    });
    w->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    EXPECT_EQ(editorShown, 2);
    EXPECT_EQ(w->lvwStats()->ColumnCount(), statistics - 1);
    EXPECT_EQ(ListStatement(w), statement);

    // Saved as a new view: a window of its own replaces this one.
    WhenEditorShows([](frmListViewEdit* d) {
        d->chkSaveAsNewView()->setChecked(true);
        d->txtDisplayName()->setText(QStringLiteral("Second Big"));
        d->cmdOK()->click();
    });
    QPointer<frmList> old(w);
    w->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    EXPECT_EQ(editorShown, 3);
    EXPECT_TRUE(!old || !IsFormLoaded(old));
    const int32_t created = ViewId(QStringLiteral("ORDERS_4"));
    ASSERT_GT(created, big);
    const auto windows = ListWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0]->ViewID(), created);
    EXPECT_FALSE(windows[0]->IsMainView());

    // Someone else's view: the creator rule, before the rights.
    frmList* standard = Open(ViewId(QStringLiteral("ORDERS_1")), QString(), nullptr, false);
    boxes.clear();
    standard->tbMain_ButtonClick(QStringLiteral("CUSTOMIZE"));
    EXPECT_EQ(Prompts(boxes), QStringList{kOnlyCreator.arg(QStringLiteral("jdoe"))});
}

}  // namespace
