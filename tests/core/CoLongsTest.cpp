#include "base/AppError.h"
#include "core/CoLongs.h"

#include <gtest/gtest.h>

#if QUILLON_WITH_LONGS

namespace {

int32_t ErrorNumber(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

TEST(CoLongs, AddRemoveAndText)
{
    CoLongs list;
    EXPECT_EQ(list.ToString(), "");
    EXPECT_EQ(list.Add(1), 1);
    EXPECT_EQ(list.ToString(), "1");
    EXPECT_EQ(list.Add(-2), 2);
    EXPECT_EQ(list.Add(30), 3);
    EXPECT_EQ(list.Add(-2), 4);  // values may repeat
    EXPECT_EQ(list.ToString(), "1, -2, 30, -2");
    EXPECT_EQ(list.Item(Variant(int32_t(3))), 30);
    EXPECT_EQ(list.Item(Variant(2.0)), -2);

    list.Remove(Variant(int16_t(1)));
    EXPECT_EQ(list.ToString(), "-2, 30, -2");
    EXPECT_EQ(list.Count(), 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ToString(), "");
}

TEST(CoLongs, PositionsOutsideTheListFail)
{
    CoLongs list;
    list.Add(7);
    list.Add(8);
    struct Case { Variant index; int32_t error; };
    const Case cases[] = {
        {Variant(int32_t(0)), vberr::SubscriptOutOfRange},
        {Variant(int32_t(3)), vberr::SubscriptOutOfRange},
        {Variant(int32_t(-1)), vberr::SubscriptOutOfRange},
        {Variant(QString("1")), vberr::InvalidProcedureCall},  // a text is a key, and there are none
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorNumber([&] { list.Item(c.index); }), c.error) << c.index.typeName().toStdString();
        EXPECT_EQ(ErrorNumber([&] { list.Remove(c.index); }), c.error) << c.index.typeName().toStdString();
    }
    EXPECT_EQ(list.ToString(), "7, 8");
}

TEST(CoLongs, IsDirtyAgainstTheRememberedClone)
{
    CoLongs list;
    EXPECT_TRUE(list.IsDirty());
    list.Add(5);
    list.Add(6);
    CoLongsRef clone = list.CreateClone();
    EXPECT_EQ(clone->ToString(), "5, 6");
    EXPECT_FALSE(list.IsDirty());

    list.Add(7);
    EXPECT_TRUE(list.IsDirty());
    list.Remove(Variant(int32_t(3)));
    EXPECT_FALSE(list.IsDirty());

    // Same length, one value differs.
    list.Remove(Variant(int32_t(2)));
    list.Add(9);
    EXPECT_TRUE(list.IsDirty());
    list.Remove(Variant(int32_t(2)));
    list.Add(6);
    EXPECT_FALSE(list.IsDirty());

    // A change by the holder of the clone counts too.
    clone->Add(1);
    EXPECT_TRUE(list.IsDirty());

    // A new clone replaces the old one.
    CoLongsRef second = list.CreateClone();
    EXPECT_NE(second, clone);
    EXPECT_FALSE(list.IsDirty());
    EXPECT_EQ(clone->Count(), 3);
}

TEST(CoLongs, DisposeReleasesValuesAndClone)
{
    CoLongs list;
    list.Add(1);
    std::weak_ptr<CoLongs> clone = list.CreateClone();
    list.Dispose();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.IsDirty());
    EXPECT_TRUE(clone.expired());
    EXPECT_EQ(list.Add(4), 1);  // usable again with a new, empty list
}

TEST(CoLongs, MoreThan32767ValuesOverflowCountAndCopy)
{
    CoLongs list;
    for (int32_t i = 1; i <= 32767; ++i)
        list.Add(i);
    EXPECT_EQ(list.Count(), 32767);
    EXPECT_EQ(list.CreateClone()->Count(), 32767);
    EXPECT_EQ(list.Add(32768), 32768);
    EXPECT_EQ(ErrorNumber([&] { list.Count(); }), vberr::Overflow);
    EXPECT_EQ(ErrorNumber([&] { list.CreateClone(); }), vberr::Overflow);
    EXPECT_EQ(list.Item(Variant(int32_t(32768))), 32768);
}

}  // namespace

#endif  // QUILLON_WITH_LONGS
