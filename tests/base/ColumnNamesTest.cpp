// The one rule of a base column's SQL name, and how searches name a column by its token.

#include "base/ColumnNames.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnNames, SqlNamesAreLettersDigitsAndUnderscoreNotBeginningWithADigitAndNotTheRowId)
{
    struct Case {
        QString name;
        bool allowed;
        bool reserved;
    };
    const Case cases[] = {
        {QStringLiteral("Segment"), true, false},
        {QStringLiteral("_Segment2"), true, false},
        {QStringLiteral("Stra\u00DFe"), true, false},
        {QStringLiteral(""), false, false},
        {QStringLiteral("2Segment"), false, false},
        {QStringLiteral("Seg@ment"), false, false},
        {QStringLiteral("Seg ment"), false, false},
        {QStringLiteral("City\t"), false, false},
        {QStringLiteral("Seg\r\nment"), false, false},
        {QStringLiteral("Seg\x01ment"), false, false},
        {QStringLiteral("Seg-ment"), false, false},
        {QString(QChar(0xD800)) + QStringLiteral("x"), false, false},
        {QStringLiteral("ID"), true, true},
        {QStringLiteral("id"), true, true},
        {QStringLiteral("IDs"), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(SqlColumnNameAllowed(c.name), c.allowed);
        EXPECT_EQ(SqlColumnNameReserved(c.name), c.reserved);
    }
}

TEST(ColumnNames, LoneSurrogatesAreFoundAndPairsAreNot)
{
    EXPECT_FALSE(HasLoneSurrogate(QStringLiteral("Plain")));
    EXPECT_FALSE(HasLoneSurrogate(QString::fromUcs4(U"\U0001F600 ok")));
    EXPECT_TRUE(HasLoneSurrogate(QStringLiteral("a") + QChar(0xD83D)));
    EXPECT_TRUE(HasLoneSurrogate(QString(QChar(0xDE00)) + QStringLiteral("a")));
    EXPECT_TRUE(HasLoneSurrogate(QString(QChar(0xDE00)) + QChar(0xD83D)));
}

TEST(ColumnNames, SearchTokensAreFoundAndRenamedOutsideTextsAndComments)
{
    struct Case {
        const char* text;
        bool uses;
        const char* renamed;
    };
    const Case cases[] = {
        {"WHERE ( {Segment} = 'Retail' )", true, "WHERE ( {Market} = 'Retail' )"},
        {"WHERE {Segment} IS NULL OR {Segment} = ''", true, "WHERE {Market} IS NULL OR {Market} = ''"},
        {"WHERE ( {City} = '{Segment}' )", false, "WHERE ( {City} = '{Segment}' )"},
        {"WHERE {City} = 'x' -- {Segment}", false, "WHERE {City} = 'x' -- {Segment}"},
        {"WHERE {SegmentX} = 1", false, "WHERE {SegmentX} = 1"},
        {"WHERE {segment} = 1", false, "WHERE {segment} = 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(SearchUsesColumn(text, QStringLiteral("Segment")), c.uses);
        EXPECT_EQ(RenameColumnInSearch(text, QStringLiteral("Segment"), QStringLiteral("Market")), QString::fromUtf8(c.renamed));
    }
}

}  // namespace
