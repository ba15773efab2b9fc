// CoLVCollection with a parent form on a real list view: loading through the
// header and row callbacks, adding, updating, removing (one, the selected ones,
// refused), the row map and its row IDs, the ID callbacks, and failures.

#include "LVCollectionTestSupport.h"

#include <gtest/gtest.h>

using namespace lvctest;

TEST(CoLVCollection, LoadsThroughTheHeaderAndRowCallbacks)
{
    ParentForm f;
    for (const char* n : {"apple", "banana", "cherry"})
        f.col->Add(Make(QString::fromLatin1(n), 0), QString::fromLatin1(n));
    EXPECT_FALSE(f.lvc.IsLoaded());
    f.lvc.Init(&f, f.lv, f.col);
    EXPECT_TRUE(f.lv->MultiSelect());  // the helper's styling
    f.lvc.InitView();
    EXPECT_EQ(f.Messages(), std::vector<COLVC_MSG>{lvcLoadHeaderRow});
    EXPECT_EQ(f.lv->ColumnCount(), 2);
    f.lvc.LoadView();
    ASSERT_EQ(f.calls.size(), 4u);
    for (int i = 1; i <= 3; ++i) {
        const Call& c = f.calls[static_cast<size_t>(i)];
        EXPECT_EQ(c.msg, lvcLoadRow);
        EXPECT_EQ(c.key, QStringLiteral("S%1").arg(i));
        EXPECT_EQ(c.colIndex, i);
        EXPECT_EQ(c.curObj, f.Names()[i - 1]);
    }
    EXPECT_EQ(f.RowKeys(), (QStringList{"S1", "S2", "S3"}));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(f.lvc.NextRowID(), 4);
    EXPECT_TRUE(f.lvc.IsLoaded());
    EXPECT_FALSE(f.lv->RedrawLocked());
    EXPECT_EQ(f.lvc.ColCount(), 3);
    EXPECT_EQ(f.lvc.ListCount(), 3);

    // InitView again empties the list and restarts the row IDs; the map waits for LoadView.
    f.calls.clear();
    f.lvc.InitView();
    EXPECT_EQ(f.lv->ItemCount(), 0);
    EXPECT_EQ(f.lvc.NextRowID(), 1);
    EXPECT_EQ(f.lvc.RowMap().size(), 3u);
    EXPECT_TRUE(f.lvc.IsLoaded());
}

TEST(CoLVCollection, LoadViewOfAnEmptyCollectionAndWithoutBindings)
{
    ParentForm f;
    f.Start({});
    EXPECT_EQ(f.lv->ItemCount(), 0);
    EXPECT_TRUE(f.lvc.RowMap().empty());
    EXPECT_EQ(f.lvc.NextRowID(), 1);
    EXPECT_TRUE(f.lvc.IsLoaded());
    // A sized, empty map: searching it finds nothing rather than failing.
    EXPECT_EQ(f.lvc.ListItem(1), nullptr);

    // With the collection or the list missing, LoadView does nothing at all.
    ParentForm g;
    g.lv->AddColumn();
    g.lv->AddItem(0, QStringLiteral("X"), QStringLiteral("kept"));
    g.lvc.Init(&g, g.lv, nullptr, false);
    g.lvc.LoadView();
    EXPECT_FALSE(g.lvc.IsLoaded());
    EXPECT_TRUE(g.calls.empty());
    EXPECT_EQ(g.lv->ItemCount(), 1);
    g.lvc.Init(&g, nullptr, g.col, false);
    g.lvc.LoadView();
    EXPECT_FALSE(g.lvc.IsLoaded());
    // Before the map is sized, a search of it fails.
    EXPECT_EQ(ErrorOf([&] { g.lvc.Update(1); }).number(), 9);
}

TEST(CoLVCollection, AddAppendsANewItemOrSelectsTheOneThere)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    f.Select({1, 3});

    // New: appended to the collection, a new row with the next row ID, the only one selected.
    EXPECT_EQ(f.lvc.Add(Make(QStringLiteral("d"), 104), QStringLiteral("dkey")), 4);
    ASSERT_EQ(f.Messages(), (std::vector<COLVC_MSG>{lvcAdd, lvcLoadRow}));
    EXPECT_EQ(f.calls[0].curObj, QStringLiteral("d"));
    EXPECT_EQ(f.calls[0].curObjColKey, QStringLiteral("dkey"));
    EXPECT_EQ(f.calls[1].key, QStringLiteral("S4"));
    EXPECT_EQ(f.calls[1].colIndex, 4);
    EXPECT_EQ(f.calls[1].curObjColKey, QStringLiteral("dkey"));
    EXPECT_EQ(f.col->IndexByKey(QStringLiteral("dkey")), 4);
    EXPECT_EQ(f.lvc.RowMap().back(), std::make_pair(4, 4));
    EXPECT_EQ(f.SelectedPositions(), QList<int>{4});
    EXPECT_EQ(f.lv->SelectedItem()->Key(), QStringLiteral("S4"));

    // Already there: the parent names its index; no row is added, its row alone is selected.
    f.calls.clear();
    EXPECT_EQ(f.lvc.Add(Make(QStringLiteral("b"), 0)), 2);
    EXPECT_EQ(f.Messages(), std::vector<COLVC_MSG>{lvcAdd});
    EXPECT_EQ(f.lv->ItemCount(), 4);
    EXPECT_EQ(f.SelectedPositions(), QList<int>{2});
    EXPECT_EQ(f.lvc.NextRowID(), 5);

    // An index without a row: nothing is selected anew, the index comes back.
    f.addAnswer = Variant(int32_t(9));
    EXPECT_EQ(f.lvc.Add(Make(QStringLiteral("z"), 0)), 9);
    EXPECT_EQ(f.SelectedPositions(), QList<int>{2});
    EXPECT_EQ(f.lv->ItemCount(), 4);
}

TEST(CoLVCollection, UpdatePublishesTheKeyAndTheItemOnly)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    f.lvc.IDFromItem(3);  // leaves ColIndex at 3
    std::dynamic_pointer_cast<Thing>(f.col->Item(2))->name = QStringLiteral("bb");
    f.lvc.Update(2);
    ASSERT_EQ(f.calls.size(), 2u);
    EXPECT_EQ(f.calls[1].msg, lvcUpdate);
    EXPECT_EQ(f.calls[1].key, QStringLiteral("S2"));
    EXPECT_EQ(f.calls[1].curObj, QStringLiteral("bb"));
    EXPECT_EQ(f.calls[1].colIndex, 3);
    EXPECT_EQ(f.RowTexts(), (QStringList{"a", "bb", "c"}));
}

TEST(CoLVCollection, RemoveCompactsTheMapAndRowIDsAreNotReusedUntilRebuilt)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    f.lvc.Add(Make(QStringLiteral("d"), 104));
    f.calls.clear();

    f.lvc.Remove(2);
    ASSERT_EQ(f.calls.size(), 1u);
    EXPECT_EQ(f.calls[0].msg, lvcRemove);
    EXPECT_EQ(f.calls[0].key, QStringLiteral("S2"));
    EXPECT_EQ(f.calls[0].colIndex, 2);
    EXPECT_EQ(f.calls[0].lvIndex, 2);
    EXPECT_EQ(f.calls[0].curObj, QStringLiteral("b"));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {3, 2}, {4, 3}}));
    EXPECT_EQ(f.Names(), (QStringList{"a", "c", "d"}));

    f.lvc.Add(Make(QStringLiteral("e"), 105));
    EXPECT_EQ(f.RowKeys(), (QStringList{"S1", "S3", "S4", "S5"}));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {3, 2}, {4, 3}, {5, 4}}));
    f.lvc.Remove(1);
    EXPECT_EQ(f.lvc.RowMap(), (Map{{3, 1}, {4, 2}, {5, 3}}));
    EXPECT_EQ(f.lvc.ListItem(1)->Key(), QStringLiteral("S3"));
    f.lvc.Add(Make(QStringLiteral("f"), 106));
    EXPECT_EQ(f.lv->Item(QStringLiteral("S6"))->Text(), QStringLiteral("f"));

    // Built again: row IDs from 1.
    f.lvc.InitView();
    f.lvc.LoadView();
    EXPECT_EQ(f.RowKeys(), (QStringList{"S1", "S2", "S3", "S4"}));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {2, 2}, {3, 3}, {4, 4}}));
    EXPECT_EQ(f.lvc.NextRowID(), 5);
}

TEST(CoLVCollection, ARefusedRemovalLeavesTheMapAlone)
{
    for (const Variant& answer : {Variant(int32_t(0)), Variant(int32_t(-1)), Variant(), Variant(Null)}) {
        ParentForm f;
        f.Start({"a", "b", "c"});
        f.removeAnswer = answer;
        f.lvc.Remove(2);
        EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {2, 2}, {3, 3}})) << answer.typeName().toStdString();
        f.Select({1, 3});
        EXPECT_TRUE(f.lvc.RemoveSelected());
        EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {2, 2}, {3, 3}}));
    }
    // A row the map does not know: the list's error, and the parent is not asked.
    ParentForm f;
    f.Start({"a", "b"});
    EXPECT_EQ(ErrorOf([&] { f.lvc.Remove(3); }).number(), 35601);
    EXPECT_TRUE(f.calls.empty());
}

TEST(CoLVCollection, RemoveSelectedGoesBottomUp)
{
    ParentForm f;
    f.Start({"a", "b", "c", "d", "e"});
    // No current row: no callback.
    EXPECT_TRUE(f.lvc.RemoveSelected());
    EXPECT_TRUE(f.calls.empty());

    f.Select({2, 4});
    EXPECT_TRUE(f.lvc.RemoveSelected());
    ASSERT_EQ(f.calls.size(), 2u);
    EXPECT_EQ(f.calls[0].lvIndex, 4);
    EXPECT_EQ(f.calls[0].colIndex, 4);
    EXPECT_EQ(f.calls[0].key, QStringLiteral("S4"));
    EXPECT_EQ(f.calls[0].curObj, QStringLiteral("d"));
    EXPECT_EQ(f.calls[1].lvIndex, 2);
    EXPECT_EQ(f.calls[1].colIndex, 2);
    EXPECT_EQ(f.calls[1].curObj, QStringLiteral("b"));
    EXPECT_EQ(f.Names(), (QStringList{"a", "c", "e"}));
    EXPECT_EQ(f.RowKeys(), (QStringList{"S1", "S3", "S5"}));
    EXPECT_EQ(f.lvc.RowMap(), (Map{{1, 1}, {3, 2}, {5, 3}}));

    // After a sort the positions and the collection indexes differ.
    f.lv->SetSortOrder(1);  // e, c, a
    f.Select({1, 3});
    f.calls.clear();
    f.lvc.RemoveSelected();
    ASSERT_EQ(f.calls.size(), 2u);
    EXPECT_EQ(std::make_pair(f.calls[0].lvIndex, f.calls[0].colIndex), std::make_pair(3, 1));
    EXPECT_EQ(std::make_pair(f.calls[1].lvIndex, f.calls[1].colIndex), std::make_pair(1, 2));
    EXPECT_EQ(f.Names(), QStringList{"c"});
    EXPECT_EQ(f.lvc.RowMap(), (Map{{3, 1}}));
}

TEST(CoLVCollection, IDCallbacksAndTheCollectionsKeys)
{
    ParentForm f;
    f.Start({"a", "b", "c"});
    EXPECT_TRUE(f.lvc.IDFromItem(2).identical(Variant(int32_t(102))));
    EXPECT_EQ(f.calls.back().msg, lvcGetID);
    EXPECT_EQ(f.lvc.ColIndex(), 2);

    EXPECT_EQ(NameOf(f.lvc.ItemFromID(Variant(int32_t(103)))), QStringLiteral("c"));
    EXPECT_TRUE(f.calls.back().varID.identical(Variant(int32_t(103))));
    EXPECT_EQ(f.lvc.ItemFromID(Variant(int32_t(999))), nullptr);

    // An answer of 0 gives nothing without reading the collection.
    ParentForm g;
    g.Start({"a"});
    g.lvc.Init(&g, g.lv, nullptr, false);
    EXPECT_EQ(g.lvc.ItemFromID(Variant(int32_t(999))), nullptr);

    f.lvc.ChangeColKey(QStringLiteral("b"), QStringLiteral("bee"));
    EXPECT_EQ(f.col->IndexByKey(QStringLiteral("bee")), 2);
    EXPECT_EQ(f.RowKeys(), (QStringList{"S1", "S2", "S3"}));
    EXPECT_EQ(ErrorOf([&] { f.lvc.ChangeColKey(QStringLiteral("a"), QStringLiteral("c")); }).number(), 457);

    EXPECT_EQ(CoLVCollection::IDToKey(12), QStringLiteral("S12"));
    EXPECT_EQ(CoLVCollection::KeyToID(QStringLiteral("S12")), 12);
    EXPECT_EQ(ErrorOf([] { CoLVCollection::KeyToID(QStringLiteral("ID")); }).number(), 13);
}

TEST(CoLVCollection, FailuresReachTheCaller)
{
    ParentForm f;
    f.Start({"a", "b"});
    f.failWith = 32768;
    const AppError e = ErrorOf([&] { f.lvc.Add(Make(QStringLiteral("c"), 0)); });
    EXPECT_EQ(e.number(), 32768);
    EXPECT_EQ(e.description(), QStringLiteral("The parent failed."));
    EXPECT_EQ(ErrorOf([&] { f.lvc.Remove(1); }).number(), 32768);
    EXPECT_EQ(f.lvc.RowMap().size(), 2u);
    f.failWith = 0;

    // No parent: the callback cannot be made.
    CoLVCollection orphan;
    ReportListView lv;
    orphan.Init(nullptr, &lv, std::make_shared<CoCollection>());
    EXPECT_EQ(ErrorOf([&] { orphan.InitView(); }).number(), 91);

    // Without a helper, Add of a new row fails where it would clear the selection.
    ParentForm g;
    g.Start({"a", "b"}, false);
    EXPECT_EQ(g.lvc.NumberSelected(), 0);
    g.lvc.Add(Make(QStringLiteral("c"), 0));  // no current row: nothing to clear
    EXPECT_EQ(g.lv->SelectedItem()->Key(), QStringLiteral("S3"));
    EXPECT_EQ(ErrorOf([&] { g.lvc.Add(Make(QStringLiteral("d"), 0)); }).number(), 91);
    EXPECT_EQ(g.lvc.ColCount(), 4);
}
