// Numbers written with the runtime's number patterns (in the C locale the tests
// run in: "." and ","), a pattern read once and reused across values.

#include "base/VbFormat.h"

#include <gtest/gtest.h>

TEST(VbFormat, NumbersWrittenWithPatterns)
{
    const QString sortKey = QString(30, QLatin1Char('0')) + QStringLiteral(".000000");
    const struct {
        double value;
        QString pattern;
        const char* text;
    } cases[] = {
        {0, QStringLiteral("0"), "0"},
        {0, QStringLiteral("#"), ""},
        {2.5, QStringLiteral("0"), "3"},  // halves away from zero
        {-2.5, QStringLiteral("0"), "-3"},
        {-0.004, QStringLiteral("0.00"), "0.00"},  // rounds to zero: no minus sign
        {1234567.891, QStringLiteral("#,##0.00"), "1,234,567.89"},
        {999.995, QStringLiteral("#,##0.00"), "1,000.00"},
        {-1234.5, QStringLiteral("$#,##0.00;($#,##0.00)"), "($1,234.50)"},
        {1234.5, QStringLiteral("$#,##0.00;($#,##0.00)"), "$1,234.50"},
        {-1, QStringLiteral("0;"), "-1"},  // an empty second section: the first with a minus
        {-1, QStringLiteral("0;\"\""), ""},
        {12.5, QStringLiteral("#.##"), "12.5"},
        {12, QStringLiteral("#.##"), "12"},
        {0.5, QStringLiteral("#.0#"), ".5"},
        {7, QStringLiteral("\"No.\" 0"), "No. 7"},
        {7, QStringLiteral("0 \\#"), "7 #"},
        {7, QStringLiteral("abc"), "abc"},
        {42, sortKey, "000000000000000000000000000042.000000"},
        {-0.25, sortKey, "-000000000000000000000000000000.250000"},
        {1e15, sortKey, "000000000000001000000000000000.000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.pattern).toStdString(), c.text) << c.value << " " << qPrintable(c.pattern);
    // The same values again, patterns alternating: nothing of one pattern stays with the next.
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.pattern).toStdString(), c.text) << c.value << " " << qPrintable(c.pattern);
}
