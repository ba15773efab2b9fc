#include "CoreTestSupport.h"

#include "core/AuLibrary.h"
#include "base/AuUtilities.h"
#include "platform/forms/FormsRuntime.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QString L(const char* s) { return QString::fromLatin1(s); }

TEST(ValueHelpers, EmptyToNullAndNullToEmpty)
{
    for (const Variant& v : {Variant(), Variant(L("")), Variant(int32_t(0)), Variant(int16_t(0)), Variant(0.0),
                             Variant(false), Variant(Null)})
        EXPECT_TRUE(EmptyToNull(v).isNull()) << v.typeName().toStdString();
    for (const Variant& v : {Variant(int32_t(1)), Variant(L("0")), Variant(L(" ")), Variant(true), Variant(-0.5)})
        EXPECT_TRUE(EmptyToNull(v).identical(v)) << v.typeName().toStdString();

    EXPECT_TRUE(NullToEmpty(Variant(Null)).isEmpty());
    EXPECT_TRUE(NullToEmpty(Variant(L(""))).identical(Variant(L(""))));
    EXPECT_TRUE(NullToEmpty(Variant(int32_t(0))).identical(Variant(int32_t(0))));
}

TEST(ValueHelpers, SmallConversions)
{
    EXPECT_EQ(SpaceToEmpty(L(" ")), QString());
    EXPECT_EQ(SpaceToEmpty(L("  ")), L("  "));
    EXPECT_EQ(SpaceToEmpty(L("")), QString());
    EXPECT_EQ(SpaceToEmpty(L(" a")), L(" a"));

    EXPECT_TRUE(NegOneToZero(-1).identical(Variant(int32_t(0))));
    EXPECT_TRUE(NegOneToZero(7).identical(Variant(int32_t(7))));

    EXPECT_EQ(BoolToCheckValue(true), 1);
    EXPECT_EQ(BoolToCheckValue(false), 0);
    struct Check { int16_t value; bool checked; };
    for (const Check c : {Check{0, false}, {1, true}, {2, true}, {-1, true}})
        EXPECT_EQ(CheckValueToBool(c.value), c.checked) << c.value;
}

TEST(ValueHelpers, ListKeys)
{
    EXPECT_EQ(IDToListKey(0), L("ID0"));
    EXPECT_EQ(IDToListKey(17), L("ID17"));
    EXPECT_EQ(IDToListKey(-5), L("ID-5"));
    struct Case { const char* key; int32_t id; };
    for (const Case c : {Case{"ID0", 0}, {"ID", 0}, {"I", 0}, {"", 0}, {"S12", 2}, {"ID17", 17}, {"ID-5", -5},
                         {"xx2147483647", 2147483647}})
        EXPECT_EQ(ListKeyToID(L(c.key)), c.id) << c.key;
    EXPECT_EQ(ErrorNumberOf([] { ListKeyToID(L("IDx")); }), 13);
    EXPECT_EQ(ErrorNumberOf([] { ListKeyToID(L("ID99999999999")); }), 6);
}

TEST(ValueHelpers, StrReplaceOnTextsOfAnyLength)
{
    EXPECT_EQ(StrReplace(L("it's"), L("'"), L("''")), L("it''s"));
    EXPECT_EQ(StrReplace(L("'a''b'"), L("'"), L("''")), L("''a''''b''"));
    EXPECT_EQ(StrReplace(L("none"), L("'"), L("''")), L("none"));
    EXPECT_EQ(StrReplace(QString(), L("'"), L("''")), QString());

    // Beyond 32,767 characters, with the occurrences at both ends.
    const QString middle(40000, QLatin1Char('x'));
    const QString out = StrReplace(L("'") + middle + L("'"), L("'"), L("''"));
    EXPECT_EQ(out, L("''") + middle + L("''"));
}

TEST(ValueHelpers, ShowErrorMessageShowsTheCurrentError)
{
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        return int(vbOK);
    });
    SetCurrentError(AppError(5));
    ShowErrorMessage();
    SetMessageBoxAnswerer(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, L("(5) -- Invalid procedure call or argument"));
    EXPECT_EQ(boxes[0].buttons(), int(vbOKOnly));
    EXPECT_EQ(boxes[0].icon(), 0);
    EXPECT_EQ(boxes[0].title, L("Quillon"));
}

}  // namespace
