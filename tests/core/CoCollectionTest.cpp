#include "base/AppError.h"
#include "core/CoCollection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <vector>

namespace {

// An item that can be copied and described, as the snapshot and diagnostic code expect.
class TestItem : public VObject, public CloneableItem, public ModelItem {
public:
    explicit TestItem(QString name, std::vector<QString>* released = nullptr)
        : name(std::move(name)), m_released(released) {}
    ~TestItem() override
    {
        if (m_released)
            m_released->push_back(name);
    }
    ObjectRef Clone() override { return std::make_shared<TestItem>(name); }
    QString Model() override { return name; }

    QString name;

private:
    std::vector<QString>* m_released;
};

// An item without Clone or Model.
class PlainItem : public VObject {};

std::shared_ptr<TestItem> NewItem(const QString& name) { return std::make_shared<TestItem>(name); }

QString NameAt(CoCollection& c, int32_t index)
{
    auto item = std::dynamic_pointer_cast<TestItem>(c.Item(index));
    return item ? item->name : QStringLiteral("<none>");
}

std::optional<AppError> ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e;
    }
    return std::nullopt;
}

void ExpectError(const std::function<void()>& f, int32_t number, const QString& description, const QString& source)
{
    auto e = ErrorOf(f);
    ASSERT_TRUE(e.has_value()) << "no error, expected " << description.toStdString();
    EXPECT_EQ(e->number(), number);
    EXPECT_EQ(e->description(), description);
    EXPECT_EQ(e->source(), source);
}

int32_t ErrorNumber(const std::function<void()>& f)
{
    auto e = ErrorOf(f);
    return e ? e->number() : 0;
}

// Fills a collection with items named "1", "2", ... in order of adding.
void Fill(CoCollection& c, int32_t from, int32_t to)
{
    for (int32_t i = from; i <= to; ++i)
        c.Add(NewItem(QString::number(i)));
}

// Checks the chain against the expected names and the jump markers against their
// positions: the first node and every 1000th, linked both ways, and nothing else.
void ExpectChain(CoCollection& c, const std::vector<QString>& expected)
{
    ASSERT_EQ(c.Count(), static_cast<int32_t>(expected.size()));
    const int32_t count = c.Count();
    CoCollectionNodeRef node = c.Node(1);
    CoCollectionNodeRef previous;
    CoCollectionNodeRef previousJump;
    for (int32_t position = 1; position <= count; ++position) {
        ASSERT_TRUE(node) << "chain ends early at " << position;
        auto item = std::dynamic_pointer_cast<TestItem>(node->oData);
        ASSERT_TRUE(item);
        ASSERT_EQ(item->name, expected[position - 1]) << "at position " << position;
        ASSERT_EQ(node->oPrev, previous) << "back link at " << position;
        const bool shouldJump = count >= 1000 && (position == 1 || position % 1000 == 0);
        ASSERT_EQ(node->IsJumpNode(), shouldJump) << "jump marker at " << position;
        if (shouldJump) {
            ASSERT_EQ(node->oJumpPrev, previousJump) << "jump back link at " << position;
            if (previousJump)
                ASSERT_EQ(previousJump->oJumpNext, node) << "jump link into " << position;
            previousJump = node;
        }
        previous = node;
        node = node->oNext;
    }
    EXPECT_FALSE(node);
    if (previousJump)
        EXPECT_FALSE(previousJump->oJumpNext);
}

std::vector<QString> Names(int32_t from, int32_t to)
{
    std::vector<QString> names;
    for (int32_t i = from; i <= to; ++i)
        names.push_back(QString::number(i));
    return names;
}

TEST(CoCollection, PositionsOutsideTheListGiveNothingButRemoveFails)
{
    CoCollection c;
    Fill(c, 1, 3);
    for (int32_t index : {0, -1, 4}) {
        EXPECT_FALSE(c.Item(index)) << index;
        EXPECT_FALSE(c.Node(index)) << index;
        ExpectError([&] { c.Remove(index); }, 32768, "Index not in collection.", QString());
    }
    EXPECT_EQ(c.Count(), 3);

    CoCollection empty;
    EXPECT_FALSE(empty.Item(1));
    EXPECT_FALSE(empty.pop());
    ExpectError([&] { empty.Remove(1); }, 32768, "Index not in collection.", QString());
}

TEST(CoCollection, LookUpAcrossTheJumpPositionsInAnyOrder)
{
    CoCollection c;
    Fill(c, 1, 2500);
    ExpectChain(c, Names(1, 2500));
    for (int32_t index : {999, 1000, 1001, 1999, 2000, 2500, 1, 2000, 1001, 999, 2500, 1000, 2, 2499})
        EXPECT_EQ(NameAt(c, index), QString::number(index)) << index;
    // Walking backwards and forwards through the remembered position.
    for (int32_t index = 2500; index >= 1; --index)
        ASSERT_EQ(NameAt(c, index), QString::number(index));
    for (int32_t index = 1; index <= 2500; ++index)
        ASSERT_EQ(NameAt(c, index), QString::number(index));
}

TEST(CoCollection, RemovalMovesTheJumpMarkersAlong)
{
    CoCollection c;
    Fill(c, 1, 2500);
    c.Remove(500);
    EXPECT_EQ(NameAt(c, 1000), "1001");
    EXPECT_EQ(NameAt(c, 2499), "2500");
    auto expected = Names(1, 2500);
    expected.erase(expected.begin() + 499);
    ExpectChain(c, expected);

    // Removing the jump nodes themselves: position 1000, the first node, the last jump node.
    for (int32_t index : {1000, 1, 2000, 1999}) {
        c.Remove(index);
        expected.erase(expected.begin() + (index - 1));
        ExpectChain(c, expected);
    }
}

TEST(CoCollection, RemovingAtTheEndAndAddingAgainKeepsTheJumpChain)
{
    CoCollection c;
    Fill(c, 1, 2000);
    c.Remove(2000);
    c.Add(NewItem("a"));
    c.Add(NewItem("b"));
    EXPECT_EQ(NameAt(c, 1500), "1500");
    EXPECT_EQ(NameAt(c, 2000), "a");
    EXPECT_EQ(NameAt(c, 2001), "b");
    auto expected = Names(1, 1999);
    expected.push_back("a");
    expected.push_back("b");
    ExpectChain(c, expected);

    // Shrinking below 1000 takes the first node out of the jump chain; growing puts it back.
    CoCollection d;
    Fill(d, 1, 1000);
    d.Remove(1000);
    ExpectChain(d, Names(1, 999));
    d.Add(NewItem("1000"));
    ExpectChain(d, Names(1, 1000));
    d.Remove(1);
    ExpectChain(d, Names(2, 1000));
    d.Add(NewItem("1001"));
    ExpectChain(d, Names(2, 1001));
}

TEST(CoCollection, RandomRemovalsAndAdditionsMatchAPlainList)
{
    CoCollection c;
    std::vector<QString> model;
    std::mt19937 random(20240611);
    int32_t next = 1;
    for (; next <= 3200; ++next) {
        c.Add(NewItem(QString::number(next)));
        model.push_back(QString::number(next));
    }
    for (int round = 0; round < 1500; ++round) {
        const auto count = static_cast<int32_t>(model.size());
        const int choice = static_cast<int>(random() % 10);
        if (choice < 6 && count > 0) {
            const int32_t index = static_cast<int32_t>(random() % count) + 1;
            if (choice == 0)
                c.Item(index);  // removal of the remembered position
            c.Remove(index);
            model.erase(model.begin() + (index - 1));
        } else if (choice < 8) {
            c.Add(NewItem(QString::number(next)));
            model.push_back(QString::number(next++));
        } else if (count > 0) {
            const int32_t index = static_cast<int32_t>(random() % count) + 1;
            ASSERT_EQ(NameAt(c, index), model[index - 1]) << "round " << round;
        }
        if (round % 250 == 0)
            ExpectChain(c, model);
    }
    ExpectChain(c, model);
}

TEST(CoCollection, RemovingTheOnlyItemLeavesAnEmptyList)
{
    CoCollection c;
    c.Add(NewItem("a"));
    c.Remove(1);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_FALSE(c.Item(1));
    c.Add(NewItem("b"));
    EXPECT_EQ(NameAt(c, 1), "b");
    ExpectChain(c, {"b"});
}

TEST(CoCollection, PushAndPop)
{
    CoCollection c;
    EXPECT_FALSE(c.pop());
    auto a = NewItem("a");
    auto b = NewItem("b");
    c.Push(a);
    c.Push(b);
    EXPECT_EQ(c.pop(), b);
    EXPECT_EQ(c.pop(), a);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_FALSE(c.pop());
}

TEST(CoCollection, ItemsAreReleasedLastFirstWhenTheCollectionEnds)
{
    std::vector<QString> released;
    std::weak_ptr<TestItem> watched;
    {
        CoCollection c;
        for (const char* name : {"a", "b", "c"})
            c.Add(std::make_shared<TestItem>(name, &released));
        watched = std::dynamic_pointer_cast<TestItem>(c.Item(2));
        c.BeginStateRef();
        EXPECT_TRUE(released.empty());
    }
    EXPECT_EQ(released, (std::vector<QString>{"c", "b", "a"}));
    EXPECT_TRUE(watched.expired());
}

TEST(CoCollectionKeys, KeyedAccessOnlyOnAnEmptyCollection)
{
    CoCollection c;
    c.Add(NewItem("a"));
    ExpectError([&] { c.EnableKeyedAccess(); }, 32768,
                "Keyed Access can't be turned on after cocollection is populated.", "CoCollection");
    c.Clear();
    c.EnableKeyedAccess();
    c.Add(NewItem("b"), "B");
    EXPECT_EQ(c.IndexByKey("b"), 1);
}

TEST(CoCollectionKeys, KeyedOperationsNeedKeyedAccess)
{
    CoCollection c;
    c.Add(NewItem("a"));
    const QString byKey = "Keyed access has not been enabled.  You can't request an item by key without enabling it.";
    struct Case { std::function<void()> call; QString description; };
    const Case cases[] = {
        {[&] { c.Add(NewItem("x"), "x"); }, "Keyed access has not been enabled.  You can't supply a key without enabling it."},
        {[&] { c.ItemByKey("a"); }, byKey},
        {[&] { c.IndexByKey("a"); }, byKey},
        {[&] { c.ChangeKey("a", "b"); }, "Keyed access has not been enabled.  You can't change an item key without enabling it."},
    };
    for (const Case& k : cases)
        ExpectError(k.call, 32768, k.description, "CoCollection");
    EXPECT_EQ(c.Count(), 1);
    ExpectChain(c, {"a"});
}

TEST(CoCollectionKeys, DuplicateKeyInOtherCaseFailsAndChangesNothing)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("first"), "Alpha");
    EXPECT_EQ(ErrorNumber([&] { c.Add(NewItem("second"), "ALPHA"); }), vberr::KeyAlreadyAssociated);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(c.IndexByKey("alpha"), 1);
    EXPECT_EQ(std::dynamic_pointer_cast<TestItem>(c.ItemByKey("Alpha"))->name, "first");
    // The next keyed item still gets the next position.
    c.Add(NewItem("second"), "Beta");
    EXPECT_EQ(c.IndexByKey("beta"), 2);
}

TEST(CoCollectionKeys, KeysFollowTheirItemsOnRemove)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "ka");
    c.Add(NewItem("u"));  // without a key
    c.Add(NewItem("b"), "kb");
    c.Add(NewItem("c"), "kc");
    c.Remove(1);
    EXPECT_EQ(c.IndexByKey("kb"), 2);
    EXPECT_EQ(c.IndexByKey("kc"), 3);
    EXPECT_EQ(std::dynamic_pointer_cast<TestItem>(c.ItemByKey("KC"))->name, "c");
    EXPECT_EQ(ErrorNumber([&] { c.ItemByKey("ka"); }), vberr::InvalidProcedureCall);
    c.Remove(2);
    EXPECT_EQ(c.IndexByKey("kc"), 2);
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("kb"); }), vberr::InvalidProcedureCall);
    // The freed key can be used again.
    c.Add(NewItem("a2"), "KA");
    EXPECT_EQ(c.IndexByKey("ka"), 3);
}

TEST(CoCollectionKeys, ClearKeepsKeyedAccessAndTheOldKeys)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "a");
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.IndexByKey("a"), 1);
    EXPECT_FALSE(c.ItemByKey("a"));
    EXPECT_EQ(ErrorNumber([&] { c.Add(NewItem("again"), "A"); }), vberr::KeyAlreadyAssociated);
    EXPECT_EQ(c.Count(), 0);
    // Starting a new key list is how a keyed collection is refilled.
    c.EnableKeyedAccess();
    c.Add(NewItem("again"), "A");
    EXPECT_EQ(c.IndexByKey("a"), 1);
}

TEST(CoCollectionKeys, ChangeKey)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "a");
    c.Add(NewItem("b"), "b");

    c.ChangeKey("A", "renamed");
    EXPECT_EQ(c.IndexByKey("RENAMED"), 1);
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("a"); }), vberr::InvalidProcedureCall);

    // A key that another item holds fails, and the item keeps its own key.
    EXPECT_EQ(ErrorNumber([&] { c.ChangeKey("renamed", "B"); }), vberr::KeyAlreadyAssociated);
    EXPECT_EQ(c.IndexByKey("renamed"), 1);
    EXPECT_EQ(c.IndexByKey("b"), 2);

    // Only the letter case of its own key.
    c.ChangeKey("b", "B");
    EXPECT_EQ(c.IndexByKey("b"), 2);

    EXPECT_EQ(ErrorNumber([&] { c.ChangeKey("missing", "x"); }), vberr::InvalidProcedureCall);
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("x"); }), vberr::InvalidProcedureCall);
}

TEST(CoCollectionStates, RollbackRestoresReferencesOrderAndKeys)
{
    CoCollection c;
    c.EnableKeyedAccess();
    auto a = NewItem("a");
    auto b = NewItem("b");
    auto cc = NewItem("c");
    c.Add(a, "ka");
    c.Add(b, "kb");
    c.Add(cc, "kc");

    c.BeginStateRef();
    c.Remove(1);
    c.Add(NewItem("d"), "kd");
    b->name = "b changed";
    c.RollbackState();

    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(1), a);
    EXPECT_EQ(c.Item(2), b);
    EXPECT_EQ(c.Item(3), cc);
    EXPECT_EQ(b->name, "b changed");
    EXPECT_EQ(c.ItemByKey("ka"), a);
    EXPECT_EQ(c.IndexByKey("kc"), 3);
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("kd"); }), vberr::InvalidProcedureCall);
}

TEST(CoCollectionStates, CommitDropsTheSnapshotAndRollbackThenDoesNothing)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.RollbackState();
    c.CommitState();  // nothing to drop
    c.Add(NewItem("a"), "ka");
    c.BeginStateRef();
    c.Add(NewItem("b"), "kb");
    c.CommitState();
    c.RollbackState();
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.IndexByKey("kb"), 2);
}

TEST(CoCollectionStates, SnapshotsStack)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "ka");
    c.BeginStateRef();
    c.Add(NewItem("b"), "kb");
    c.BeginStateRef();
    c.Add(NewItem("c"), "kc");

    c.RollbackState();
    ExpectChain(c, {"a", "b"});
    EXPECT_EQ(c.IndexByKey("kb"), 2);
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("kc"); }), vberr::InvalidProcedureCall);

    c.RollbackState();
    ExpectChain(c, {"a"});
    EXPECT_EQ(ErrorNumber([&] { c.IndexByKey("kb"); }), vberr::InvalidProcedureCall);

    c.RollbackState();  // no snapshot left
    ExpectChain(c, {"a"});
}

TEST(CoCollectionStates, BeginStateKeepsCopies)
{
    CoCollection c;
    auto a = NewItem("a");
    c.Add(a);
    c.BeginState();
    a->name = "a changed";
    c.Remove(1);
    c.RollbackState();
    auto restored = std::dynamic_pointer_cast<TestItem>(c.Item(1));
    ASSERT_TRUE(restored);
    EXPECT_NE(restored, a);
    EXPECT_EQ(restored->name, "a");
}

TEST(CoCollectionStates, BeginStateOnItemsWithoutCloneFails)
{
    CoCollection c;
    c.Add(NewItem("a"));
    c.Add(std::make_shared<PlainItem>());
    ExpectError([&] { c.BeginState(); }, vberr::ObjectDoesntSupport,
                "Object doesn't support this property or method", QString());
    // Nothing was pushed; references alone need no Clone.
    c.Remove(1);
    c.RollbackState();
    EXPECT_EQ(c.Count(), 1);
    c.BeginStateRef();
    c.Remove(1);
    c.RollbackState();
    EXPECT_EQ(c.Count(), 1);
}

TEST(CoCollectionStates, SnapshotTakenBeforeKeyedAccessRestoresAnEmptyKeyList)
{
    CoCollection c;
    c.BeginStateRef();
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "ka");
    c.BeginStateRef();
    c.Add(NewItem("b"), "kb");
    c.RollbackState();
    EXPECT_EQ(c.IndexByKey("ka"), 1);
    c.RollbackState();
    EXPECT_EQ(c.Count(), 0);
    c.Add(NewItem("a"), "ka");
    EXPECT_EQ(c.IndexByKey("ka"), 1);
}

TEST(CoCollectionNode, DebugDisplay)
{
    CoCollection c;
    c.Add(NewItem("a"));
    c.Add(NewItem("b"));
    c.Add(nullptr);
    EXPECT_EQ(c.Node(1)->DebugDisplay(), "oData:a - oNext:b - ");
    EXPECT_EQ(c.Node(2)->DebugDisplay(), "oData:b - oNext:Missing oData - ");
    EXPECT_EQ(c.Node(3)->DebugDisplay(), "");

    CoCollection big;
    Fill(big, 1, 2000);
    EXPECT_EQ(big.Node(1000)->DebugDisplay(), "oData:1000 - oNext:1001 - oJumpNext:2000 oJumpPrev:1 ");

    CoCollection plain;
    plain.Add(std::make_shared<PlainItem>());
    EXPECT_EQ(ErrorNumber([&] { plain.Node(1)->DebugDisplay(); }), vberr::ObjectDoesntSupport);
}

#if QUILLON_WITH_LONGS

CoLongsRef Longs(std::initializer_list<int32_t> values)
{
    auto list = std::make_shared<CoLongs>();
    for (int32_t v : values)
        list->Add(v);
    return list;
}

TEST(CoCollectionByIndexes, RollbackPutsCopiesBackAndCutsToTheEarlierCount)
{
    CoCollection c;
    Fill(c, 1, 5);
    auto second = std::dynamic_pointer_cast<TestItem>(c.Item(2));
    auto indexes = Longs({2, 4});
    c.BeginState_ByIndexes(indexes);
    second->name = "changed";
    c.Add(NewItem("6"));
    c.Add(NewItem("7"));
    c.RollbackState_ByIndexes();

    ExpectChain(c, Names(1, 5));
    EXPECT_NE(c.Item(2), second);
    EXPECT_EQ(indexes->Count(), 0);  // the caller's list is emptied
}

TEST(CoCollectionByIndexes, CommitEmptiesTheIndexList)
{
    CoCollection c;
    Fill(c, 1, 3);
    auto first = c.Item(1);
    auto indexes = Longs({1});
    c.BeginState_ByIndexes(indexes);
    c.CommitState_ByIndexes();
    EXPECT_EQ(indexes->Count(), 0);
    EXPECT_EQ(c.Item(1), first);
    c.CommitState_ByIndexes();  // nothing left
    c.RollbackState_ByIndexes();
    EXPECT_EQ(c.Count(), 3);
}

TEST(CoCollectionByIndexes, IndexListChangedInBetweenFails)
{
    CoCollection c;
    Fill(c, 1, 3);
    auto indexes = Longs({1, 2});
    c.BeginState_ByIndexes(indexes);
    indexes->Add(3);
    ExpectError([&] { c.CommitState_ByIndexes(); }, 32768,
                "CommitState_ByIndexes: Collection Copy and Indexes don't match", QString());

    auto again = Longs({1});
    c.BeginState_ByIndexes(again);
    again->Clear();
    ExpectError([&] { c.RollbackState_ByIndexes(); }, 32768,
                "RollbackState_ByIndexes: Collection Copy and Indexes don't match", QString());
}

TEST(CoCollectionByIndexes, KeyedAccessIsRefusedLast)
{
    CoCollection c;
    c.EnableKeyedAccess();
    c.Add(NewItem("a"), "ka");
    c.Add(NewItem("b"), "kb");
    auto indexes = Longs({1});
    ExpectError([&] { c.BeginState_ByIndexes(indexes); }, 32768,
                "BeginState_ByIndexes: This does not support keyed access.", QString());
    c.Add(NewItem("c"));
    // The snapshot was pushed, so the rollback still does its work before refusing.
    ExpectError([&] { c.RollbackState_ByIndexes(); }, 32768,
                "RollbackState_ByIndexes: This does not support keyed access.", QString());
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.IndexByKey("kb"), 2);

    EXPECT_NE(ErrorOf([&] { c.BeginState_ByIndexes(Longs({2})); }), std::nullopt);
    ExpectError([&] { c.CommitState_ByIndexes(); }, 32768,
                "CommitState_ByIndexes: This does not support keyed access.", QString());
}

TEST(CoCollectionByIndexes, PositionOutsideTheListFails)
{
    CoCollection c;
    Fill(c, 1, 2);
    EXPECT_EQ(ErrorNumber([&] { c.BeginState_ByIndexes(Longs({3})); }), vberr::ObjectNotSet);
    c.Add(std::make_shared<PlainItem>());
    EXPECT_EQ(ErrorNumber([&] { c.BeginState_ByIndexes(Longs({3})); }), vberr::ObjectDoesntSupport);
}

#endif  // QUILLON_WITH_LONGS

}  // namespace
