#include "core/CoreTestSupport.h"

#include "base/AnsiCodePage.h"
#include "base/AuUtilities.h"
#include "base/KeyMaterial.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString randomAnsiText(std::mt19937& rng, int length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    QString s;
    for (int i = 0; i < length; ++i)
        s += AnsiChar(uint8_t(byte(rng)));
    return s;
}

bool onlyBase64Alphabet(const QString& s)
{
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=");
    for (const QChar c : s)
        if (!alphabet.contains(c))
            return false;
    return true;
}

TEST(CipherCryptText, KnownPasswordVectors)
{
    struct Case { const char* user; const char* password; const char* stored; };
    for (const Case c : {Case{"ADMIN", "admin", "CkBFTEs="}, {"JDOE", "secret", "E1NIVV9X"}}) {
        const QString key = QString::fromLatin1(c.user).trimmed().toUpper();
        EXPECT_EQ(CryptText(1, QString::fromLatin1(c.password), key, true), QString::fromLatin1(c.stored)) << c.user;
        EXPECT_EQ(CryptText(1, QString::fromLatin1(c.stored), key, false), QString::fromLatin1(c.password)) << c.user;
    }
}

TEST(CipherCryptText, EmptyTextGivesEmptyResult)
{
    for (const int base64 : {0, 1})
        for (const bool encipher : {true, false}) {
            EXPECT_EQ(CryptText(base64, QString(), QStringLiteral("KEY"), encipher), QString());
            EXPECT_EQ(CryptText(base64, QString(), QString(), encipher), QString());
        }
}

TEST(CipherCryptText, EmptyKeyWithoutBase64UsesOnlyFeedbackAndPosition)
{
    const QString out = CryptText(0, QStringLiteral("ABCD"), QString(), true);
    ASSERT_EQ(out.size(), 4);
    // Position terms for j = 1..4 are 0, 1, 1, 1; the previous plain character starts at 42.
    EXPECT_EQ(AnsiCodeOf(out[0]), 'A' ^ 42);
    EXPECT_EQ(AnsiCodeOf(out[1]), 1 ^ 'A' ^ 'B');
    EXPECT_EQ(AnsiCodeOf(out[2]), 1 ^ 'B' ^ 'C');
    EXPECT_EQ(AnsiCodeOf(out[3]), 1 ^ 'C' ^ 'D');
}

TEST(CipherCryptText, RoundTripsArbitraryTextsAndKeys)
{
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> textLength(1, 600);
    std::uniform_int_distribution<int> keyLength(0, 255);
    for (int round = 0; round < 200; ++round) {
        const QString text = randomAnsiText(rng, textLength(rng));
        const QString key = randomAnsiText(rng, round == 0 ? 255 : keyLength(rng));
        const QString plain = CryptText(0, text, key, true);
        EXPECT_EQ(plain.size(), text.size());
        EXPECT_EQ(CryptText(0, plain, key, false), text) << round;
        const QString printable = CryptText(1, text, key, true);
        EXPECT_TRUE(onlyBase64Alphabet(printable)) << round;
        EXPECT_EQ(printable.size() % 4, 0) << round;
        EXPECT_EQ(CryptText(1, printable, key, false), text) << round;
    }
}

TEST(CipherCryptText, RoundTripsAtTheBase64Limits)
{
    std::mt19937 rng(7);
    const QString key = randomAnsiText(rng, 255);
    // Without Base64 there is no limit.
    const QString longText = randomAnsiText(rng, 40000);
    EXPECT_EQ(CryptText(0, CryptText(0, longText, key, true), key, false), longText);
    // 24,575 bytes are the most whose Base64 (32,767 characters without "=") decodes again.
    const QString text = longText.left(24575);
    const QString cipher = CryptText(1, text, key, true);
    EXPECT_EQ(cipher.size(), 32768);
    EXPECT_EQ(CryptText(1, cipher, key, false), text);
    const QString tooLong = CryptText(1, longText.left(24576), key, true);
    EXPECT_EQ(ErrorNumberOf([&] { CryptText(1, tooLong, key, false); }), 6);
    // Encoding stops at 32,767 bytes.
    EXPECT_NO_THROW(CryptText(1, longText.left(32767), key, true));
    EXPECT_EQ(ErrorNumberOf([&] { CryptText(1, longText.left(32768), key, true); }), 6);
}

TEST(CipherCryptText, KeyOf256CharactersFailsWithSubscriptOutOfRange)
{
    const QString key(256, QLatin1Char('k'));
    for (const int base64 : {0, 1})
        for (const bool encipher : {true, false})
            EXPECT_EQ(ErrorNumberOf([&] { CryptText(base64, QStringLiteral("AAAA"), key, encipher); }), 9);
}

TEST(CipherCryptText, FeedbackCarriesForwardNeverBackward)
{
    const QString key = QStringLiteral("JDOE");
    const QString a = QStringLiteral("The quick brown fox");
    for (const qsizetype at : {qsizetype(0), qsizetype(7), a.size() - 1}) {
        QString b = a;
        b[at] = QLatin1Char('#');
        const QString ea = CryptText(0, a, key, true);
        const QString eb = CryptText(0, b, key, true);
        EXPECT_EQ(ea.left(at), eb.left(at)) << at;
        EXPECT_NE(ea[at], eb[at]) << at;
        if (at == a.size() - 1)
            EXPECT_EQ(ea.left(at), eb.left(at));  // differ only in the last character
    }
}

TEST(CipherCryptText, CipherTextFaultsReachTheCaller)
{
    // A single Base64 character carries fewer than 8 bits.
    EXPECT_EQ(ErrorNumberOf([] { CryptText(1, QStringLiteral("Q"), QStringLiteral("K"), false); }), 9);
    // A character outside the Base64 alphabet deciphers to nothing.
    EXPECT_EQ(CryptText(1, QStringLiteral("CkBF TEs="), QStringLiteral("ADMIN"), false), QString());
    // Characters outside the code page, in the text or in the key.
    EXPECT_EQ(ErrorNumberOf([] { CryptText(0, QStringLiteral("\u0141ukasz"), QStringLiteral("K"), true); }), 6);
    EXPECT_EQ(ErrorNumberOf([] { CryptText(0, QStringLiteral("abc"), QStringLiteral("\u0141"), true); }), 6);
}

TEST(CipherDeriveCipherKey, TransformsLowBytesByPosition)
{
    struct Case { char16_t in; bool second; char16_t out; };
    // 'second': the character stands at an even 1-based position (its low byte is halved).
    const Case cases[] = {
        {3, true, 2},        {5, true, 2},      {7, true, 4},      {255, true, 0},   {1, true, 0},
        {2, true, 1},        {6, true, 3},      {'.', true, '.'},  {200, false, 72}, {255, false, 127},
        {'A', false, 'A'},   {'.', false, '.'}, {0x0141, false, 0x0141}, {0x0141, true, 0x0120},
        {0x01AE, true, 0x0157},
    };
    for (const Case& c : cases) {
        const QString material = c.second ? QString(QChar(u'Z')) + QChar(c.in) : QString(QChar(c.in));
        const QString key = DeriveCipherKey(material);
        ASSERT_EQ(key.size(), material.size());
        EXPECT_EQ(key.back().unicode(), c.out) << int(c.in) << " second=" << c.second;
    }
    // Odd-numbered characters keep their low seven bits whatever follows.
    EXPECT_EQ(DeriveCipherKey(QStringLiteral("abcdef")), QString::fromLatin1("a1c2e3"));
    EXPECT_EQ(DeriveCipherKey(QString()), QString());
}

TEST(CipherSessionKey, DerivedFromTheKeyMaterialAndUsableAsKey)
{
    const QString key = SessionCipherKey();
    EXPECT_EQ(key, DeriveCipherKey(QString::fromLatin1(kCipherKeyMaterial)));
    EXPECT_FALSE(key.isEmpty());
    EXPECT_LE(key.size(), 255);
    const QString secret = QStringLiteral("Sql-P\u00E4ss w0rd!");
    EXPECT_EQ(CryptText(1, CryptText(1, secret, key, true), key, false), secret);
}

}  // namespace
