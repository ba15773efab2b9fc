#include "base/AppError.h"
#include "base/Variant.h"

#include <gtest/gtest.h>

namespace {

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

TEST(Variant, EmptyAndNullAreDistinct)
{
    Variant empty, null(Null);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(null.isNull());
    EXPECT_EQ(empty.toString(), QString(""));
    EXPECT_EQ(errorOf([&] { null.toString(); }), 94);
    EXPECT_FALSE(empty.equals(null).has_value());
}

TEST(Variant, IntegerConversionsRoundHalfToEvenAndOverflow)
{
    struct Case { double in; int32_t out; };
    for (const Case c : {Case{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {3.5, 4}})
        EXPECT_EQ(Variant(c.in).toInt32(), c.out) << c.in;
    EXPECT_EQ(Variant(32767.4).toInt16(), 32767);
    EXPECT_EQ(errorOf([] { Variant(32767.5).toInt16(); }), 6);
    EXPECT_EQ(errorOf([] { Variant(2147483648.0).toInt32(); }), 6);
    EXPECT_EQ(Variant(QString(" 42 ")).toInt32(), 42);
    EXPECT_EQ(errorOf([] { Variant(QString("4x")).toInt32(); }), 13);
    EXPECT_EQ(errorOf([] { Variant(Null).toInt32(); }), 94);
    EXPECT_EQ(Variant(true).toInt32(), -1);
}

TEST(Variant, ADatabaseIntegerKeepsEveryDigit)
{
    constexpr int64_t kExact = int64_t(1) << 53;
    struct Case {
        int64_t value;
        VarType type;
        const char* text;
    };
    const Case cases[] = {
        {2147483647, VarType::Long, "2147483647"},
        {2147483648LL, VarType::Double, "2147483648"},
        {kExact, VarType::Double, "9007199254740992"},
        {kExact + 1, VarType::String, "9007199254740993"},
        {-kExact - 1, VarType::String, "-9007199254740993"},
        {INT64_MAX, VarType::String, "9223372036854775807"},
        {INT64_MIN, VarType::String, "-9223372036854775808"},
    };
    for (const Case& c : cases) {
        const Variant v = Variant::fromInt64Exact(c.value);
        EXPECT_EQ(v.type(), c.type) << c.text;
        if (c.type == VarType::String)
            EXPECT_EQ(v.toString(), QLatin1String(c.text));
        else
            EXPECT_EQ(v.toDouble(), static_cast<double>(c.value)) << c.text;  // exactly
    }
}

TEST(Variant, BooleanConversion)
{
    struct Case { Variant in; bool out; };
    const Case cases[] = {{Variant(), false},           {Variant(int16_t(0)), false}, {Variant(int32_t(2)), true},
                          {Variant(-0.4), true},        {Variant(QString("True")), true},
                          {Variant(QString(" false ")), false}, {Variant(QString("0")), false},
                          {Variant(QString("-1")), true}};
    for (const Case& c : cases)
        EXPECT_EQ(c.in.toBool(), c.out) << c.in.typeName().toStdString();
    EXPECT_EQ(errorOf([] { Variant(QString("yes")).toBool(); }), 13);
    EXPECT_EQ(errorOf([] { Variant(QString("")).toBool(); }), 13);
    EXPECT_EQ(errorOf([] { Variant(Null).toBool(); }), 94);
}

TEST(Variant, TextOfNumbersAndBooleans)
{
    EXPECT_EQ(Variant(int16_t(-5)).toString(), "-5");
    EXPECT_EQ(Variant(2.5).toString(), "2.5");
    EXPECT_EQ(Variant(1e20).toString(), "1E+20");
    EXPECT_EQ(Variant(true).toString(), "True");
    EXPECT_EQ(Variant(Currency::fromDouble(12.3400)).toString(), "12.34");
    EXPECT_EQ(Variant(Currency::fromDouble(-0.5)).toString(), "-0.5");

    // Doubles: whole numbers keep every digit up to 15 of them, then the exponent form.
    const struct {
        double value;
        const char* text;
    } doubles[] = {{-123.0, "-123"},
                   {999999999999999.0, "999999999999999"},
                   {-999999999999999.0, "-999999999999999"},
                   {1e15, "1E+15"},
                   {1234567890123456.0, "1.23456789012346E+15"},
                   {0.1, "0.1"},
                   {-2.75, "-2.75"},
                   {1.0 / 3.0, "0.333333333333333"},
                   {1e-5, "1E-05"}};
    for (const auto& c : doubles)
        EXPECT_EQ(Variant(c.value).toString(), QString::fromLatin1(c.text)) << c.text;
}

TEST(Variant, NumericTextsReadAsTheRuntimeReadsThem)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {{"007", 7.0},
                 {" 42 ", 42.0},
                 {"999999999999999", 999999999999999.0},
                 {"9007199254740993", 9007199254740992.0},  // past 15 digits: the nearest double
                 {"1.5", 1.5},
                 {"-5", -5.0},
                 {"1e3", 1000.0},
                 {"&H10", 16.0},
                 {"", std::nullopt},
                 {"12a", std::nullopt},
                 {"inf", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseNumericText(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Variant, Comparison)
{
    EXPECT_TRUE(*Variant(int32_t(1)).equals(Variant(1.0)));
    EXPECT_TRUE(*Variant(QString("a")).equals(Variant(QString("a"))));
    EXPECT_FALSE(*Variant(QString("a")).equals(Variant(QString("A"))));
    EXPECT_TRUE(*Variant(int32_t(5)).equals(Variant(QString("5"))));
    EXPECT_FALSE(Variant(int32_t(5)).equals(Variant(Null)).has_value());
}

TEST(AppError, StandardDescriptionsAndObjectErrorBase)
{
    EXPECT_EQ(AppError(91).description(), "Object variable or With block variable not set");
    EXPECT_EQ(AppError(5).description(), "Invalid procedure call or argument");
    EXPECT_EQ(AppError(32768, "Mine").description(), "Mine");
    EXPECT_EQ(vberr::kObjectErrorBase, static_cast<int32_t>(0x80040000u));
}

}  // namespace
