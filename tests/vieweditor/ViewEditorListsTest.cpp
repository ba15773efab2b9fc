// The view editor's four tab lists on the demo company.

#include "vieweditor/ViewEditorTestSupport.h"

#include "base/AuUtilities.h"

namespace {

using ViewEditorListsTest = editortest::ViewEditorTest;

QStringList Orders(int n)
{
    QStringList texts;
    for (int i = 1; i <= n; ++i)
        texts << frmListViewEdit::FormatOrder(i);
    return texts;
}

struct Flags {
    bool columns, filters, functions, links;
    bool operator==(const Flags&) const = default;
};
Flags DirtyOf(const frmListViewEdit* d)
{
    return {d->DirtyColumns(), d->DirtyFilters(), d->DirtyFunctions(), d->DirtyLinksTo()};
}
std::ostream& operator<<(std::ostream& os, const Flags& f)
{
    return os << f.columns << f.filters << f.functions << f.links;
}

TEST_F(ViewEditorListsTest, FormatOrder)
{
    EXPECT_EQ(frmListViewEdit::FormatOrder(1), QStringLiteral("01"));
    EXPECT_EQ(frmListViewEdit::FormatOrder(9), QStringLiteral("09"));
    EXPECT_EQ(frmListViewEdit::FormatOrder(10), QStringLiteral("10"));
    EXPECT_EQ(frmListViewEdit::FormatOrder(100), QStringLiteral("100"));
}

TEST_F(ViewEditorListsTest, ColumnsAddMoveRemoveKeepTheUsersOrder)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    ReportListView* list = d->lvwList(0);
    ReportListView* pick = d->lvwPickList(0);
    const auto columns = d->View()->Columns();
    int viewable = 0;
    for (const auto& c : *columns)
        viewable += c->Viewable ? 1 : 0;
    ASSERT_EQ(list->ItemCount(), viewable);
    ASSERT_GE(pick->ItemCount(), 3);
    EXPECT_EQ(list->ItemCount() + pick->ItemCount(), columns->Count());
    EXPECT_EQ(Column(list, 3), Orders(viewable));
    for (int tab = 0; tab < 4; ++tab) {
        EXPECT_FALSE(d->cmdQuickAddList(tab)->isEnabled());
        EXPECT_FALSE(d->cmdRemoveList(tab)->isEnabled());
    }
    EXPECT_FALSE(d->cmdMoveListUp(0)->isEnabled());

    // One selected row enables both move buttons wherever it stands; two disable them.
    SelectByName(list, {Column(list, 1).last()});
    emit list->ItemClick(list->SelectedItem());
    EXPECT_TRUE(d->cmdMoveListUp(0)->isEnabled());
    EXPECT_TRUE(d->cmdMoveListDown(0)->isEnabled());
    EXPECT_TRUE(d->cmdRemoveList(0)->isEnabled());
    SelectByName(list, Column(list, 1).mid(0, 2));
    emit list->ItemClick(list->SelectedItem());
    EXPECT_FALSE(d->cmdMoveListUp(0)->isEnabled());

    // Moving the first row up or the last one down does nothing.
    SelectByName(list, {Column(list, 1).first()});
    Press(d, 0, d->cmdMoveListUp(0));
    EXPECT_EQ(DirtyOf(d), (Flags{false, false, false, false}));

    // Add three pick rows: they land at the end in pick-list order; the last row is selected.
    const QStringList picked = Column(pick, 1).mid(0, 3);
    SelectByName(pick, picked);
    emit pick->ItemClick(pick->SelectedItem());
    ASSERT_TRUE(d->cmdQuickAddList(0)->isEnabled());
    Press(d, 0, d->cmdQuickAddList(0));
    EXPECT_EQ(Column(list, 1).mid(viewable), picked);
    EXPECT_EQ(Column(list, 3), Orders(viewable + 3));
    EXPECT_TRUE(list->Item(list->ItemCount())->Selected());
    EXPECT_EQ(list->SelectedCount(), 1);
    EXPECT_EQ(DirtyOf(d), (Flags{true, false, false, false}));
    for (const QString& name : picked)
        EXPECT_FALSE(Column(pick, 1).contains(name));

    // The last row moved to the top, then another row removed: it stays on top.
    const QString top = Column(list, 1).last();
    for (int i = 0; i < list->ItemCount(); ++i) {
        SelectByName(list, {top});
        Press(d, 0, d->cmdMoveListUp(0));
    }
    ASSERT_EQ(Column(list, 1).first(), top);
    const QString removed = Column(list, 1).at(2);
    SelectByName(list, {removed});
    Press(d, 0, d->cmdRemoveList(0));
    EXPECT_EQ(Column(list, 1).first(), top);
    EXPECT_FALSE(Column(list, 1).contains(removed));
    EXPECT_TRUE(Column(pick, 1).contains(removed));
    EXPECT_EQ(Column(list, 3), Orders(viewable + 2));
    EXPECT_FALSE(columns->Item(Variant(int32_t(d->View()->Columns()->Count())))->DisplayName.isEmpty());
}

// Up and Down follow the selection as every move leaves it, without a click in
// the list after it: a row moved across is the one selected row of its list.
TEST_F(ViewEditorListsTest, MoveButtonsFollowTheSelectionAfterEveryMove)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    struct Move {
        const char* name;
        int tab;
        std::function<void()> run;
        bool oneSelected;  // what the move leaves selected in the chosen list
    };
    // Nothing chosen in the list before an add: its buttons start disabled.
    const auto pickFirst = [d](int tab) {
        d->lvwList(tab)->UnSelectAll();
        emit d->lvwList(tab)->ItemClick(nullptr);
        ASSERT_FALSE(d->cmdMoveListUp(tab)->isEnabled());
        ReportListView* pick = d->lvwPickList(tab);
        pick->UnSelectAll();
        pick->SetSelectedItem(pick->Item(1));
        emit pick->ItemClick(pick->SelectedItem());
    };
    const auto chooseLast = [d](int tab) {
        ReportListView* list = d->lvwList(tab);
        list->UnSelectAll();
        list->SetSelectedItem(list->Item(list->ItemCount()));
        emit list->ItemClick(list->SelectedItem());
    };
    const auto chooseTwo = [d](int tab) {
        ReportListView* list = d->lvwList(tab);
        list->UnSelectAll();
        list->SetSelectedItem(list->Item(1));
        list->Item(1)->SetSelected(true);
        list->Item(2)->SetSelected(true);
        emit list->ItemClick(list->SelectedItem());
    };
    const std::vector<Move> moves = {
        {"add button, columns", 0, [&] { pickFirst(0); d->cmdQuickAddList(0)->click(); }, true},
        {"add by double click, filters", 1, [&] { pickFirst(1); emit d->lvwPickList(1)->DblClick(); }, true},
        {"add button, functions", 2, [&] { pickFirst(2); d->cmdQuickAddList(2)->click(); }, true},
        {"up", 0, [&] { chooseLast(0); d->cmdMoveListUp(0)->click(); }, true},
        {"down", 2, [&] { chooseLast(2); d->cmdMoveListUp(2)->click(); d->cmdMoveListDown(2)->click(); }, true},
        {"remove button, columns", 0, [&] { chooseLast(0); d->cmdRemoveList(0)->click(); }, true},
        {"remove by double click, filters", 1, [&] { chooseLast(1); emit d->lvwList(1)->DblClick(); }, true},
        {"remove two, columns", 0, [&] { chooseTwo(0); d->cmdRemoveList(0)->click(); }, true},
        {"sync with columns", 1, [&] { chooseLast(1); d->cmdSyncWithColumns()->click(); }, false},
    };
    for (const Move& move : moves) {
        SCOPED_TRACE(move.name);
        d->SSTab1()->setCurrentIndex(move.tab);
        move.run();
        ASSERT_EQ(d->lvwList(move.tab)->SelectedCount() == 1, move.oneSelected);
        EXPECT_EQ(d->cmdMoveListUp(move.tab)->isEnabled(), move.oneSelected);
        EXPECT_EQ(d->cmdMoveListDown(move.tab)->isEnabled(), move.oneSelected);
    }
}

TEST_F(ViewEditorListsTest, RequiredRowsStayAndFlagsFollowRemovals)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    ReportListView* list = d->lvwList(0);
    // Make the first listed column required.
    const QString requiredName = Column(list, 1).first();
    d->View()->Columns()->Item(Variant(ListKeyToID(list->Item(1)->Key())))->Required = true;
    d->PopulateAllTabs();
    EXPECT_EQ(list->Item(1)->SubItem(2), QStringLiteral("Yes"));
    SelectByName(list, {requiredName});
    Press(d, 0, d->cmdRemoveList(0));
    EXPECT_TRUE(Column(list, 1).contains(requiredName));
    EXPECT_EQ(DirtyOf(d), (Flags{false, false, false, false}));
    const QString other = Column(list, 1).at(1);
    SelectByName(list, {requiredName, other});
    Press(d, 0, d->cmdRemoveList(0));
    EXPECT_TRUE(Column(list, 1).contains(requiredName));
    EXPECT_FALSE(Column(list, 1).contains(other));
    EXPECT_EQ(DirtyOf(d), (Flags{true, false, false, false}));
}

TEST_F(ViewEditorListsTest, FunctionsPerColumnAndOrderKeptOnRemove)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_1")));
    ReportListView* list = d->lvwList(2);
    ReportListView* pick = d->lvwPickList(2);
    // Two columns that allow functions.
    QStringList allowing;
    for (const auto& c : *d->View()->Columns())
        if (c->AllowFunctions)
            allowing << c->DisplayName;
    ASSERT_GE(allowing.size(), 2);
    const int before = list->ItemCount();
    auto pickRows = [&](const QString& column) {
        QStringList functions;
        for (int i = 1; i <= pick->ItemCount(); ++i)
            if (pick->Item(i)->SubItem(2) == column)
                functions << pick->Item(i)->SubItem(1);
        return functions;
    };
    const QString a = allowing[0], b = allowing[1];
    ASSERT_TRUE(pickRows(a).contains(QStringLiteral("Minimum")) || !pickRows(a).isEmpty());
    const QString fn = pickRows(a).first();
    const bool bHadIt = pickRows(b).contains(fn);
    pick->UnSelectAll();
    for (int i = 1; i <= pick->ItemCount(); ++i)
        if (pick->Item(i)->SubItem(1) == fn && pick->Item(i)->SubItem(2) == a) {
            pick->SetSelectedItem(pick->Item(i));
            break;
        }
    Press(d, 2, d->cmdQuickAddList(2));
    EXPECT_EQ(list->ItemCount(), before + 1);
    EXPECT_FALSE(pickRows(a).contains(fn));
    EXPECT_EQ(pickRows(b).contains(fn), bHadIt);
    EXPECT_EQ(DirtyOf(d), (Flags{false, false, true, false}));
    EXPECT_EQ(list->Item(list->ItemCount())->Key(), QString());

    // Move the new row to the top, remove another: the new row stays on top.
    for (int i = 0; i < list->ItemCount(); ++i) {
        list->UnSelectAll();
        for (int r = 1; r <= list->ItemCount(); ++r)
            if (list->Item(r)->Key().isEmpty())
                list->SetSelectedItem(list->Item(r));
        Press(d, 2, d->cmdMoveListUp(2));
    }
    ASSERT_TRUE(list->Item(1)->Key().isEmpty());
    if (list->ItemCount() >= 2) {
        list->UnSelectAll();
        list->SetSelectedItem(list->Item(list->ItemCount()));
        Press(d, 2, d->cmdRemoveList(2));
        EXPECT_TRUE(list->Item(1)->Key().isEmpty());
        EXPECT_EQ(Column(list, 3), Orders(list->ItemCount()));
    }
}

TEST_F(ViewEditorListsTest, SyncWithColumnsAndFilterRemoval)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_1")));
    ReportListView* filters = d->lvwList(1);
    QStringList viewable;
    for (const auto& c : *d->View()->Columns())
        if (c->Viewable)
            viewable << c->DisplayName;
    EXPECT_NE(Column(filters, 1), Column(d->lvwList(0), 1));  // one filter-only column
    Press(d, 1, d->cmdSyncWithColumns());
    EXPECT_EQ(Column(filters, 1), Column(d->lvwList(0), 1));
    EXPECT_EQ(Column(filters, 3), Orders(filters->ItemCount()));
    EXPECT_EQ(DirtyOf(d), (Flags{false, true, false, false}));
    SelectByName(filters, {Column(filters, 1).at(1)});
    Press(d, 1, d->cmdRemoveList(1));
    EXPECT_EQ(filters->ItemCount(), viewable.size() - 1);
    EXPECT_EQ(d->lvwPickList(1)->ItemCount() + filters->ItemCount(), d->View()->Columns()->Count());
}

TEST_F(ViewEditorListsTest, LinksStaySortedByName)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_1")));
    ReportListView* list = d->lvwList(3);
    ReportListView* pick = d->lvwPickList(3);
    const int total = list->ItemCount() + pick->ItemCount();
    ASSERT_GE(total, 2);
    // Everything in, then the first out.
    if (pick->ItemCount() > 0) {
        pick->SelectAll();
        Press(d, 3, d->cmdQuickAddList(3));
    }
    EXPECT_EQ(list->ItemCount(), total);
    QStringList names = Column(list, 1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& x, const QString& y) {
        return x.compare(y, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(names, sorted);
    EXPECT_TRUE(DirtyOf(d).links);
    list->UnSelectAll();
    list->SetSelectedItem(list->Item(1));
    Press(d, 3, d->cmdRemoveList(3));
    EXPECT_EQ(list->ItemCount(), total - 1);
    EXPECT_EQ(Column(list, 1), sorted.mid(1));
    EXPECT_EQ(Column(list, 3), Orders(total - 1));
    EXPECT_FALSE(d->View()->AssocViews()->Item(Variant(ListKeyToID(pick->Item(1)->Key())))->UseMe);
    EXPECT_EQ(d->cmdMoveListUp(3), nullptr);
}

TEST_F(ViewEditorListsTest, PickListHeaderClickFlipsTheDirection)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    ReportListView* pick = d->lvwPickList(0);
    EXPECT_EQ(pick->SortKey(), 1);
    EXPECT_TRUE(pick->Sorted());
    const int before = pick->SortOrder();
    emit pick->ColumnClick(pick->Column(2));
    EXPECT_EQ(pick->SortOrder(), 1 - before);
    emit pick->ColumnClick(pick->Column(3));  // "Imported"
    EXPECT_EQ(pick->SortKey(), 2);
    EXPECT_EQ(pick->SortOrder(), before);
    emit pick->ColumnClick(pick->Column(3));
    EXPECT_EQ(pick->SortOrder(), 1 - before);
    // A refill sorts by name again in the direction last chosen.
    SelectByName(pick, {Column(pick, 1).first()});
    Press(d, 0, d->cmdQuickAddList(0));
    EXPECT_EQ(pick->SortKey(), 1);
    EXPECT_EQ(pick->SortOrder(), 1 - before);
    QStringList names = Column(pick, 1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& x, const QString& y) {
        return x.compare(y, Qt::CaseInsensitive) > 0;
    });
    EXPECT_EQ(names, sorted);
    // The selected lists ignore header clicks.
    const int key = d->lvwList(0)->SortKey();
    emit d->lvwList(0)->ColumnClick(d->lvwList(0)->Column(2));
    EXPECT_EQ(d->lvwList(0)->SortKey(), key);
}

TEST_F(ViewEditorListsTest, PopupMenusByMode)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    ReportListView* list = d->lvwList(0);
    ReportListView* pick = d->lvwPickList(0);
    list->SetSelectedItem(list->Item(1));
    menuChoice = QStringLiteral("View SQL Column Name");
    emit list->MouseUp(2, 0, 5, 5);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], QStringList{QStringLiteral("View SQL Column Name")});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, d->View()->Columns()->Item(Variant(ListKeyToID(list->Item(1)->Key())))->ColumnName);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbInformation));
    emit list->MouseUp(1, 0, 5, 5);  // the left button: nothing
    d->lvwList(1)->SetSelectedItem(d->lvwList(1)->Item(1));
    emit d->lvwList(1)->MouseUp(2, 0, 5, 5);  // the Filters tab has no menu
    EXPECT_EQ(menus.size(), 1u);

    // The pick list: "Import New Columns", with Delete and Edit for an imported column.
    menuChoice.clear();
    pick->SetSelectedItem(pick->Item(1));
    emit pick->MouseUp(2, 0, 5, 5);
    const auto col = d->View()->Columns()->Item(Variant(ListKeyToID(pick->Item(1)->Key())));
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[1], QStringList{QStringLiteral("Import New Columns")});
    col->Imported = true;
    d->PopulateAllTabs();
    pick->SetSelectedItem(pick->FindItem(IDToListKey(ListKeyToID(pick->Item(1)->Key()))));
    for (int i = 1; i <= pick->ItemCount(); ++i)
        if (pick->Item(i)->SubItem(2) == QStringLiteral("Yes"))
            pick->SetSelectedItem(pick->Item(i));
    emit pick->MouseUp(2, 0, 5, 5);
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[2], (QStringList{QStringLiteral("Import New Columns"), QStringLiteral("Delete"), QStringLiteral("Edit")}));
    // Save as new view ticked: no menu.
    d->chkSaveAsNewView()->click();
    emit pick->MouseUp(2, 0, 5, 5);
    EXPECT_EQ(menus.size(), 3u);
    Unload(d);

    // A new view: no pick-list menu.
    d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")));
    d->lvwPickList(0)->SetSelectedItem(d->lvwPickList(0)->Item(1));
    emit d->lvwPickList(0)->MouseUp(2, 0, 5, 5);
    EXPECT_EQ(menus.size(), 3u);
}

TEST_F(ViewEditorListsTest, OrdersOfAHundredAndMoreSortAsNumbers)
{
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    auto columns = d->View()->Columns();
    for (const auto& c : *columns)
        c->Viewable = false;
    for (int i = 1; i <= 110; ++i) {
        auto c = std::make_shared<CoLdUVColumn>();
        c->DisplayName = QStringLiteral("Column %1").arg(111 - i);
        c->Viewable = true;
        c->Order = static_cast<int16_t>(111 - i);
        columns->Add(c);
    }
    d->PopulateAllTabs();
    ReportListView* list = d->lvwList(0);
    ASSERT_EQ(list->ItemCount(), 110);
    EXPECT_EQ(Column(list, 3), Orders(110));
    EXPECT_EQ(list->Item(100)->SubItem(1), QStringLiteral("Column 100"));
    // Down from 10: 10 and 11 trade places, 100 stays after 99.
    SelectByName(list, {QStringLiteral("Column 10")});
    Press(d, 0, d->cmdMoveListDown(0));
    EXPECT_EQ(list->Item(11)->SubItem(1), QStringLiteral("Column 10"));
    EXPECT_TRUE(list->Item(11)->Selected());
    EXPECT_EQ(list->Item(10)->SubItem(1), QStringLiteral("Column 11"));
    EXPECT_EQ(Column(list, 3), Orders(110));
}

}  // namespace
