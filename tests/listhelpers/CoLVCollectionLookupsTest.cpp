// CoLVCollection's lookups and navigation: the three names of an item after a
// sort, the current row, the walks over the selected rows, display-order
// navigation, selecting by row ID, ItemExists, the diagnostics, and what fails.

#include "LVCollectionTestSupport.h"

#include <gtest/gtest.h>

using namespace lvctest;

TEST(CoLVCollectionLookups, IndexPositionAndRowIDAreKeptApartAfterASort)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    f.lvc.Remove(1);                           // b: index 1, row ID 2; c: index 2, row ID 3
    f.lvc.Add(Make(QStringLiteral("d"), 0));  // d: index 3, row ID 4
    f.lv->SetSortOrder(1);                     // shown d, c, b
    EXPECT_EQ(f.RowTexts(), (QStringList{"d", "c", "b"}));

    struct {
        int32_t index;
        QString key;
        int position;
    } items[] = {{1, "S2", 3}, {2, "S3", 2}, {3, "S4", 1}};
    for (const auto& it : items) {
        ListItem* row = f.lvc.ListItem(it.index);
        ASSERT_NE(row, nullptr) << it.index;
        EXPECT_EQ(row->Key(), it.key);
        EXPECT_EQ(row->Index(), it.position);
        EXPECT_EQ(f.lvc.GetColIndexFromLVIndex(it.position), it.index);
        EXPECT_EQ(NameOf(f.lvc.ObjectFromListItem(row).toObject()), NameOf(f.lvc.Item(it.index)));
    }
    EXPECT_EQ(f.lvc.ListItem(4), nullptr);
    EXPECT_FALSE(f.lvc.Selected(4));
    EXPECT_EQ(f.lvc.Item(4), nullptr);
    EXPECT_EQ(f.lvc.Item(0), nullptr);
    EXPECT_EQ(ErrorOf([&] { f.lvc.GetColIndexFromLVIndex(4); }).number(), 35601);

    // Selecting by row ID, not by index or position.
    f.lvc.SelectItemByID(2);
    EXPECT_EQ(f.SelectedPositions(), QList<int>{3});
    EXPECT_TRUE(f.lvc.Selected(1));
    EXPECT_EQ(f.lvc.SelectedItem(), 1);
    EXPECT_EQ(NameOf(f.lvc.SelectedObject()), QStringLiteral("b"));
    for (int32_t id : {0, 1, 99}) {
        f.lvc.SelectItemByID(id);
        EXPECT_EQ(f.lv->SelectedCount(), 0) << id;
    }

    // A row whose row ID the map does not have.
    ListItem* stray = f.lv->AddItem(0, QStringLiteral("S77"), QStringLiteral("stray"));
    EXPECT_TRUE(f.lvc.ObjectFromListItem(stray).isEmpty());
    EXPECT_EQ(f.lvc.GetColIndexFromLVIndex(stray->Index()), -1);
}

TEST(CoLVCollectionLookups, SelectedItemMakesASelectedRowCurrent)
{
    ParentForm f;
    f.Start({"a", "b", "c", "d", "e"});
    EXPECT_EQ(f.lvc.SelectedItem(), -1);
    EXPECT_EQ(f.lvc.SelectedObject(), nullptr);

    // The current row 3 is not selected; rows 2 and 5 are.
    f.lv->SetSelectedItem(f.lv->Item(3));
    f.lv->Item(3)->SetSelected(false);
    f.lv->Item(2)->SetSelected(true);
    f.lv->Item(5)->SetSelected(true);
    EXPECT_EQ(f.lvc.SelectedItem(), 5);
    EXPECT_EQ(f.lv->SelectedItem(), f.lv->Item(5));
    EXPECT_EQ(f.SelectedPositions(), (QList<int>{2, 5}));

    // Current and selected: itself.
    f.lv->SetSelectedItem(f.lv->Item(2));
    EXPECT_EQ(f.lvc.SelectedItem(), 2);

    // Current but nothing selected: it stays, unselected.
    f.lv->UnSelectAll();
    EXPECT_EQ(f.lvc.SelectedItem(), 2);
    EXPECT_EQ(f.lv->SelectedCount(), 0);

    // The parent removed the current row while others stay selected.
    f.Select({1, 2, 4});
    f.lv->SetSelectedItem(f.lv->Item(2));
    f.lvc.Remove(2);
    EXPECT_EQ(f.lv->SelectedItem(), nullptr);
    EXPECT_EQ(f.lvc.SelectedItem(), 3);  // d, now index 3 at position 3
    EXPECT_EQ(NameOf(f.lvc.SelectedObject()), QStringLiteral("d"));
}

TEST(CoLVCollectionLookups, NextSelectedItemWalksUpAndStartsAgain)
{
    ParentForm f;
    f.Start({"a", "b", "c", "d"});
    EXPECT_EQ(f.lvc.NextSelectedItem(), -1);  // nothing selected

    f.Select({1, 2, 4});
    const std::vector<int32_t> walk = {4, 2, 1, -1, 4, 2};
    for (size_t i = 0; i < walk.size(); ++i)
        EXPECT_EQ(f.lvc.NextSelectedItem(), walk[i]) << i;
    EXPECT_EQ(f.lvc.NextSelectedItem(true), 4);
    EXPECT_EQ(f.lvc.NextSelectedItem(), 2);

    // In display order: after a reverse sort the walk goes over the collection upward.
    f.lv->SetSortOrder(1);  // d, c, b, a
    EXPECT_EQ(f.lvc.NextSelectedItem(true), 1);
    EXPECT_EQ(f.lvc.NextSelectedItem(), 2);
    EXPECT_EQ(f.lvc.NextSelectedItem(), 4);
    EXPECT_EQ(f.lvc.NextSelectedItem(), -1);
}

TEST(CoLVCollectionLookups, RemoveNextSelectedobjectRemovesFromTheBottomUp)
{
    ParentForm f;
    f.Start({"a", "b", "c", "d", "e"});
    f.Select({2, 4, 5});
    f.lv->SetSelectedItem(f.lv->Item(4));  // the current row goes too
    QStringList removed;
    while (ObjectRef obj = f.lvc.RemoveNextSelectedobject())
        removed << NameOf(obj);
    EXPECT_EQ(removed, (QStringList{"e", "d", "b"}));
    EXPECT_EQ(f.Names(), (QStringList{"a", "c"}));
    EXPECT_EQ(f.RowTexts(), (QStringList{"a", "c"}));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {3, 2}}));
    std::vector<int32_t> positions;
    for (const Call& c : f.calls)
        positions.push_back(c.lvIndex);
    EXPECT_EQ(positions, (std::vector<int32_t>{5, 4, 2}));

    // A refused removal: the walk goes on above the row, which stays.
    f.Select({1, 2});
    f.removeAnswer = Variant(int32_t(0));
    EXPECT_EQ(NameOf(f.lvc.RemoveNextSelectedobject()), QStringLiteral("c"));
    EXPECT_EQ(NameOf(f.lvc.RemoveNextSelectedobject()), QStringLiteral("a"));
    EXPECT_EQ(f.lvc.RemoveNextSelectedobject(), nullptr);
    EXPECT_EQ(f.Names(), (QStringList{"a", "c"}));

    // A selected row whose index has no item.
    f.removeAnswer.reset();
    f.Select({2});
    f.col->Remove(2);  // behind the collection object's back
    const AppError e = ErrorOf([&] { f.lvc.RemoveNextSelectedobject(); });
    EXPECT_EQ(e.number(), 32768);
    EXPECT_EQ(e.description(), QStringLiteral("Collection does not contain selected object."));
    EXPECT_EQ(f.lv->ItemCount(), 2);
}

TEST(CoLVCollectionLookups, NavigationInDisplayOrder)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    EXPECT_EQ(f.lvc.NextItemSorted(1), 2);
    EXPECT_EQ(f.lvc.NextItemSorted(3), 3);
    EXPECT_EQ(f.lvc.PreviousItemSorted(1), 1);
    EXPECT_EQ(f.lvc.PreviousItemSorted(3), 2);

    f.lv->SetSortOrder(1);  // c, b, a
    EXPECT_EQ(f.lvc.NextItemSorted(3), 2);      // shown first -> shown second
    EXPECT_EQ(f.lvc.NextItemSorted(1), 1);      // shown last stays
    EXPECT_EQ(f.lvc.PreviousItemSorted(3), 3);  // shown first stays
    EXPECT_EQ(f.lvc.PreviousItemSorted(1), 2);

    for (int32_t bad : {0, 4, -1}) {
        for (auto step : {&CoLVCollection::NextItemSorted, &CoLVCollection::PreviousItemSorted}) {
            const AppError e = ErrorOf([&] { (f.lvc.*step)(bad); });
            EXPECT_EQ(e.number(), 32768) << bad;
            EXPECT_EQ(e.description(), QStringLiteral("Invalid index.")) << bad;
        }
    }
    // An item without a row.
    f.col->Add(Make(QStringLiteral("z"), 0));
    EXPECT_NE(ErrorOf([&] { f.lvc.NextItemSorted(4); }).number(), 0);
}

TEST(CoLVCollectionLookups, ResortSortsAgainAndSelectsByRowID)
{
    ParentForm f;
    f.Start({"b", "c", "a"});  // shown a, b, c
    EXPECT_EQ(f.RowTexts(), (QStringList{"a", "b", "c"}));
    f.lvc.SetSorted(false);
    EXPECT_FALSE(f.lvc.Sorted());
    std::dynamic_pointer_cast<Thing>(f.col->Item(1))->name = QStringLiteral("z");
    f.lvc.Update(1);
    EXPECT_EQ(f.RowTexts(), (QStringList{"a", "z", "c"}));
    f.Select({1});
    f.lvc.Resort();
    EXPECT_EQ(f.RowTexts(), (QStringList{"a", "c", "z"}));
    EXPECT_EQ(f.SelectedPositions(), QList<int>{1});  // no selection of its own
    f.lvc.Resort(1);
    EXPECT_EQ(f.SelectedPositions(), QList<int>{3});
    EXPECT_EQ(f.lv->SelectedItem()->Text(), QStringLiteral("z"));

    f.lvc.SelectAll();
    EXPECT_EQ(f.lvc.NumberSelected(), 3);
    f.lvc.UnSelectAll();
    EXPECT_EQ(f.lvc.NumberSelected(), 0);
    f.lv->SetCheckboxes(true);
    f.lv->Item(2)->SetChecked(true);
    EXPECT_EQ(f.lvc.NumberChecked(), 1);
}

TEST(CoLVCollectionLookups, ItemExistsPassesOverDeletedItems)
{
    ParentForm f;
    f.Start({});
    EXPECT_FALSE(f.lvc.ItemExists(Make(QStringLiteral("a"), 0)).toBool());
    f.Start({"a", "b", "a2"});
    auto first = std::dynamic_pointer_cast<Thing>(f.col->Item(1));
    auto third = std::dynamic_pointer_cast<Thing>(f.col->Item(3));
    third->name = QStringLiteral("a");  // two equal items
    EXPECT_TRUE(f.lvc.ItemExists(Make(QStringLiteral("a"), 0)).toBool());
    first->isDeleted = true;
    EXPECT_TRUE(f.lvc.ItemExists(Make(QStringLiteral("a"), 0)).toBool());
    third->isDeleted = true;
    const Variant result = f.lvc.ItemExists(Make(QStringLiteral("a"), 0));
    EXPECT_TRUE(result.isBool());
    EXPECT_FALSE(result.toBool());

    // Items that cannot compare themselves.
    struct Plain : VObject {};
    f.col->Add(std::make_shared<Plain>());
    EXPECT_EQ(ErrorOf([&] { f.lvc.ItemExists(Make(QStringLiteral("x"), 0)); }).number(), 438);
}

TEST(CoLVCollectionLookups, DiagnosticsDescribeMapRowsAndItemsAndChangeNothing)
{
    ParentForm f;
    f.Start({"a", "b"});
    f.lvc.Remove(1);
    const QString all = f.lvc.SHOWALL();
    EXPECT_TRUE(all.contains(QStringLiteral("1: 2, 1"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("1: S2, b"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("1: b"))) << all.toStdString();
    EXPECT_EQ(f.lvc.RowMap(), (Map{{2, 1}}));
    EXPECT_EQ(f.RowKeys(), QStringList{"S2"});
}

TEST(CoLVCollectionLookups, WithoutAHelperOrAMap)
{
    ParentForm f;
    f.Start({"a", "b"}, false);
    EXPECT_EQ(f.lvc.NumberSelected(), 0);
    EXPECT_EQ(f.lvc.NumberChecked(), 0);
    for (auto op : std::initializer_list<std::function<void()>>{
             [&] { f.lvc.SelectAll(); }, [&] { f.lvc.UnSelectAll(); }, [&] { f.lvc.Resort(); },
             [&] { f.lvc.SelectItemByID(1); }}) {
        EXPECT_EQ(ErrorOf(op).number(), 91);
    }

    // Bound but never loaded: the map was never sized, and searching it fails.
    ParentForm g;
    g.lvc.Init(&g, g.lv, g.col);
    EXPECT_FALSE(g.lvc.IsLoaded());
    EXPECT_EQ(ErrorOf([&] { g.lvc.ListItem(1); }).number(), 9);
    EXPECT_EQ(ErrorOf([&] { g.lvc.Selected(1); }).number(), 9);
}
