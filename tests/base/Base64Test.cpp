#include "core/CoreTestSupport.h"

#include "base/AnsiCodePage.h"
#include "base/CoBase64.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString L(const char* s) { return QString::fromLatin1(s); }

TEST(Base64, Rfc4648VectorsBothWays)
{
    struct Case { const char* plain; const char* encoded; };
    const Case cases[] = {{"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
                          {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    CoBase64 b64;
    for (const Case& c : cases) {
        EXPECT_EQ(b64.Encode(L(c.plain)), L(c.encoded)) << c.plain;
        EXPECT_EQ(b64.Decode(L(c.encoded)), L(c.plain)) << c.encoded;
    }
}

TEST(Base64, AgreesWithQtOnEveryByteValue)
{
    std::mt19937 rng(4648);
    std::uniform_int_distribution<int> byte(0, 255);
    CoBase64 b64;
    for (int length = 1; length <= 300; length += 7) {
        QByteArray bytes;
        for (int i = 0; i < length; ++i)
            bytes.append(char(byte(rng)));
        const QString text = AnsiTextFromBytes(bytes);
        const QString encoded = b64.Encode(text);
        EXPECT_EQ(encoded, QString::fromLatin1(bytes.toBase64())) << length;
        EXPECT_EQ(b64.Decode(encoded), text) << length;
    }
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(b64.Decode(b64.Encode(AnsiTextFromBytes(all))), AnsiTextFromBytes(all));
}

TEST(Base64, DecodeDropsEveryEqualsSign)
{
    CoBase64 b64;
    for (const char* variant : {"Zm9vYmE", "Zm9vYmE=", "Zm9vYmE=====", "=Zm9v=YmE", "Z=m=9=v=Y=m=E"})
        EXPECT_EQ(b64.Decode(L(variant)), L("fooba")) << variant;
    // Leftover bits that make no whole byte are dropped.
    EXPECT_EQ(b64.Decode(L("Zm9vY")), L("foo"));
}

TEST(Base64, DecodeReadsCharactersWithTheHighBitCleared)
{
    CoBase64 b64;
    // 189 reads as "=" and is skipped; 218 reads as "Z".
    EXPECT_EQ(b64.Decode(L("Zm9v") + QChar(0xBD) + L("YmFy")), L("foobar"));
    EXPECT_EQ(b64.Decode(QString(QChar(0xDA)) + L("m8=")), L("fo"));
}

TEST(Base64, InvalidCharacterGivesEmptyText)
{
    CoBase64 b64;
    // A character outside the code page is outside the alphabet too: no error.
    for (const QString& bad : {L("Zm9v YmFy"), L("Zm9v\r\nYmFy"), L("Zm9v\nYmFy"), L("Zm9v-mFy"), L("Z*"),
                               L("Zm9v") + QChar(0x0141) + L("YmFy"), QString(QChar(0x4E2D))})
        EXPECT_EQ(b64.Decode(bad), QString()) << bad.toStdString();
}

TEST(Base64, FewerThanEightBitsFailWithSubscriptOutOfRange)
{
    CoBase64 b64;
    for (const char* input : {"Z", "Z==", "=", "===="})
        EXPECT_EQ(ErrorNumberOf([&] { b64.Decode(L(input)); }), 9) << input;
    // The error travels unchanged, standard description and all.
    try {
        b64.Decode(L("Q"));
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(), L("Subscript out of range"));
        EXPECT_EQ(CurrentError().number, 9);
    }
    // The object is usable again afterwards.
    EXPECT_EQ(b64.Decode(L("Zm8=")), L("fo"));
}

TEST(Base64, LengthLimitsAndCodePage)
{
    CoBase64 b64;
    EXPECT_EQ(b64.Encode(QString(32767, QLatin1Char('a'))).size(), 43692);
    EXPECT_EQ(ErrorNumberOf([&] { b64.Encode(QString(32768, QLatin1Char('a'))); }), 6);
    const QString maxDecode(32767, QLatin1Char('A'));
    EXPECT_EQ(b64.Decode(maxDecode).size(), 24575);
    EXPECT_EQ(b64.Decode(maxDecode + L("==")).size(), 24575);  // "=" does not count
    EXPECT_EQ(ErrorNumberOf([&] { b64.Decode(maxDecode + QLatin1Char('A')); }), 6);
    // Outside the ANSI code page: Encode cannot take it; to Decode it is just not
    // an alphabet character.
    EXPECT_EQ(ErrorNumberOf([&] { b64.Encode(L("ab") + QChar(0x0141)); }), 6);
    EXPECT_EQ(ErrorNumberOf([&] { EXPECT_EQ(b64.Decode(L("Zm") + QChar(0x0141)), QString()); }), 0);
}

}  // namespace
