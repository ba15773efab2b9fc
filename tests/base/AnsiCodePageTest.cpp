#include "core/CoreTestSupport.h"

#include "base/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(AnsiCodePage, MapsAll256BytesOneToOne)
{
    std::set<char16_t> seen;
    for (int code = 0; code < 256; ++code) {
        const QChar ch = AnsiChar(uint8_t(code));
        seen.insert(ch.unicode());
        EXPECT_EQ(AnsiCodeOf(ch), code);
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(AnsiCodePage, Windows1252Characters)
{
    struct Case { int code; char16_t unicode; };
    const Case cases[] = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F},
                          {0x90, 0x0090}, {0x9D, 0x009D}, {0x8A, 0x0160}, {0x99, 0x2122}, {0x9F, 0x0178},
                          {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x00, 0x0000}};
    for (const Case c : cases)
        EXPECT_EQ(AnsiChar(uint8_t(c.code)).unicode(), c.unicode) << c.code;
}

TEST(AnsiCodePage, CharacterOutsideTheTableFailsWithOverflow)
{
    // Latin-1's own C1 codes that Windows-1252 puts other characters on are outside too.
    for (const char16_t u : {char16_t(0x0141), char16_t(0x0080), char16_t(0x009F), char16_t(0x20AD), char16_t(0xD83D)}) {
        EXPECT_EQ(AnsiCodeOf(QChar(u)), -1) << int(u);
        EXPECT_EQ(ErrorNumberOf([&] { AnsiBytesFromText(QStringLiteral("ab") + QChar(u)); }), 6) << int(u);
    }
    const QString text = QStringLiteral("Caf\u00E9 \u20AC5");
    EXPECT_EQ(AnsiBytesFromText(text), QByteArray("Caf\xE9 \x80" "5"));
    EXPECT_EQ(AnsiTextFromBytes(AnsiBytesFromText(text)), text);
}

}  // namespace

TEST(AnsiCodePage, UpperCaseIsOneCharacterForOneWithinTheTable)
{
    struct Case {
        QString text, upper;
    } cases[] = {
        {QStringLiteral("jdoe"), QStringLiteral("JDOE")},
        // No one-character capital: stays.
        {QStringLiteral("stra\u00DFe"), QStringLiteral("STRA\u00DFE")},
        // The capital of the micro sign (Greek Mu) is outside the table: stays.
        {QStringLiteral("\u00B5ser"), QStringLiteral("\u00B5SER")},
        // Capitals in the table's high controls are used.
        {QStringLiteral("\u0161\u00FF\u0153\u00E9"), QStringLiteral("\u0160\u0178\u0152\u00C9")},
        // A capital outside the table leaves its character as it is.
        {QStringLiteral("\u0142\u00F3d\u017A\u017E"), QStringLiteral("\u0142\u00D3D\u017A\u017D")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiUpperCase(c.text), c.upper) << c.text.toStdString();
        EXPECT_EQ(AnsiUpperCase(c.text).size(), c.text.size());
    }
    EXPECT_TRUE(IsAnsiText(QStringLiteral("STRA\u00DFE \u20AC")));
    EXPECT_FALSE(IsAnsiText(QStringLiteral("\u0141\u00F3d\u017A")));
}
