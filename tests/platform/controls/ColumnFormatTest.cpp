// How the list and the statistics strip show values: by the column's data type
// and the user's locale.

#include "platform/controls/ColumnFormat.h"

#include <QDateTime>
#include <QLocale>
#include <gtest/gtest.h>

#include <utility>

namespace {

struct DefaultLocale {
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }
    QLocale m_previous = QLocale();
};

TEST(ColumnFormat, ValuesShowByTheirColumnsTypeInTheUsersLocale)
{
    struct Case {
        QLocale::Language language;
        QLocale::Territory territory;
        Variant value;
        const char* type;
        QString expected;  // empty: the locale's currency text of the value
    };
    const QString money;
    const Case cases[] = {
        {QLocale::English, QLocale::UnitedStates, Variant(1121.4), "money", money},
        {QLocale::English, QLocale::UnitedStates, Variant(19682.0), "Money", money},
        {QLocale::German, QLocale::Germany, Variant(1121.4), "money", money},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("1973064.11")), "money", money},
        {QLocale::English, QLocale::UnitedStates, Variant(int32_t(1189)), "int", QStringLiteral("1,189")},
        {QLocale::German, QLocale::Germany, Variant(int32_t(1189)), "int", QStringLiteral("1.189")},
        {QLocale::English, QLocale::UnitedStates, Variant(1189.0), "bigint", QStringLiteral("1,189")},
        {QLocale::English, QLocale::UnitedStates, Variant(2.5), "int", QStringLiteral("2.5")},  // an average of whole numbers
        {QLocale::English, QLocale::UnitedStates, Variant(12345.678), "decimal(18,4)", QStringLiteral("12,345.678")},
        {QLocale::German, QLocale::Germany, Variant(0.1), "float", QStringLiteral("0,1")},
        {QLocale::C, QLocale::AnyTerritory, Variant(int32_t(1189)), "int", QStringLiteral("1,189")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2026-12-10 01:02:03.000")), "datetime",
         QStringLiteral("12/10/2026 1:02:03 AM")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2026-12-10 01:02:03.250")), "datetime",
         QStringLiteral("12/10/2026 1:02:03 AM")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2023-08-19 00:00:00.000")), "datetime",
         QStringLiteral("8/19/2023")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2023-08-19")), "datetime", QStringLiteral("8/19/2023")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("not a date")), "datetime", QStringLiteral("not a date")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("SO-0000007")), "int", QStringLiteral("SO-0000007")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("1121.4")), "varchar", QStringLiteral("1121.4")},
        {QLocale::English, QLocale::UnitedStates, Variant(int32_t(1189)), "", QStringLiteral("1189")},
        {QLocale::English, QLocale::UnitedStates, Variant(Null), "money", QString()},
        {QLocale::English, QLocale::UnitedStates, Variant(), "int", QString()},
    };
    for (const Case& c : cases) {
        DefaultLocale locale{QLocale(c.language, c.territory)};
        const ColumnKind kind = ColumnKindOf(QString::fromLatin1(c.type));
        QString expected = c.expected;
        if (kind == ColumnKind::Money && !c.value.isNull())
            expected = QLocale().toCurrencyString(c.value.isString() ? c.value.toString().toDouble() : c.value.toDouble());
        EXPECT_EQ(FormatColumnValue(c.value, kind).toStdString(), expected.toStdString())
            << c.type << " " << QLocale().name().toStdString();
    }
    // A money text carries the locale's decimals and separators.
    DefaultLocale us{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(FormatColumnValue(Variant(1121.4), ColumnKind::Money), QStringLiteral("$1,121.40"));
    EXPECT_EQ(FormatCount(1973064), QStringLiteral("1,973,064"));
}

// Dates in the locale's order and separators with four-digit years, times as the
// locale writes them to the second: one form for a value with or without a
// fraction of seconds, and for a stored text or a date value.
TEST(ColumnFormat, DatesShowAsTheLocaleWritesThemToTheSecond)
{
    const Variant date(QStringLiteral("2023-02-20 00:00:00.000"));
    const Variant shortDate(QStringLiteral("2023-02-20"));
    const Variant time(QStringLiteral("2023-02-20 14:36:15.000"));
    const Variant timeWithMilliseconds(QStringLiteral("2023-02-20 14:36:15.215"));
    const Variant isoWithoutSeconds(QStringLiteral("2023-02-20T14:36"));
    const Variant dateValue(QDateTime(QDate(2023, 2, 20), QTime(14, 36, 15, 215)));
    struct Case {
        const char* locale;
        const char* date;
        const char* dateTime;
        const char* withoutSeconds;
    };
    const Case cases[] = {
        {"en_US", "2/20/2023", "2/20/2023 2:36:15 PM", "2/20/2023 2:36:00 PM"},
        {"de_DE", "20.02.2023", "20.02.2023 14:36:15", "20.02.2023 14:36:00"},
        {"fr_FR", "20/02/2023", "20/02/2023 14:36:15", "20/02/2023 14:36:00"},
        {"sv_SE", "2023-02-20", "2023-02-20 14:36:15", "2023-02-20 14:36:00"},
        // No regional settings: as the database writes them.
        {"C", "2023-02-20", "2023-02-20 14:36:15", "2023-02-20 14:36:00"},
    };
    for (const Case& c : cases) {
        DefaultLocale locale{QLocale(QString::fromLatin1(c.locale))};
        SCOPED_TRACE(c.locale);
        const auto shown = [](const Variant& v) { return FormatColumnValue(v, ColumnKind::DateTime).toStdString(); };
        EXPECT_EQ(shown(date), c.date);
        EXPECT_EQ(shown(shortDate), c.date);
        EXPECT_EQ(shown(time), c.dateTime);
        EXPECT_EQ(shown(timeWithMilliseconds), c.dateTime);
        EXPECT_EQ(shown(dateValue), c.dateTime);
        EXPECT_EQ(shown(isoWithoutSeconds), c.withoutSeconds);
        // What is not a date of the calendar stays as stored.
        EXPECT_EQ(shown(Variant(QStringLiteral("2023-02-30"))), "2023-02-30");
        EXPECT_EQ(shown(Variant(QStringLiteral("2023-02-20 25:00:00"))), "2023-02-20 25:00:00");
    }
}

TEST(ColumnFormat, NumbersThatNameRowsShowWithoutSeparators)
{
    struct Case {
        QLocale::Language language;
        QLocale::Territory territory;
        Variant value;
        const char* type;
        bool namesRows;
        QString expected;
    };
    const Case cases[] = {
        {QLocale::English, QLocale::UnitedStates, Variant(int32_t(1028)), "int", true, QStringLiteral("1028")},
        {QLocale::German, QLocale::Germany, Variant(int32_t(1028)), "int", true, QStringLiteral("1028")},
        {QLocale::C, QLocale::AnyTerritory, Variant(int32_t(1973064)), "bigint", true, QStringLiteral("1973064")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("1028")), "numeric(10,0)", true,
         QStringLiteral("1028")},
        {QLocale::English, QLocale::UnitedStates, Variant(int32_t(1028)), "int", false, QStringLiteral("1,028")},
        // Only number types: a text id stays as it is, money stays money.
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("SO-1,028")), "varchar", true,
         QStringLiteral("SO-1,028")},
        {QLocale::English, QLocale::UnitedStates, Variant(1028.0), "money", true, QStringLiteral("$1,028.00")},
        {QLocale::English, QLocale::UnitedStates, Variant(Null), "int", true, QString()},
    };
    for (const Case& c : cases) {
        DefaultLocale locale{QLocale(c.language, c.territory)};
        EXPECT_EQ(FormatColumnValue(c.value, ColumnKindOf(QString::fromLatin1(c.type), c.namesRows)).toStdString(),
                  c.expected.toStdString())
            << c.type << " " << QLocale().name().toStdString();
    }

    const std::pair<const char*, bool> names[] = {
        {"OrderID", true},    {"CustomerId", true}, {"order_id", true},   {"ID", true},        {"id", true},
        {"LineNumber", true}, {"line_number", true}, {" OrderID ", true}, {"Paid", false},     {"Valid", false},
        {"LineCount", false}, {"Quantity", false},  {"OrderTotal", false}, {"Identity", false},
    };
    for (const auto& [name, isId] : names)
        EXPECT_EQ(IsIdentifierName(QString::fromLatin1(name)), isId) << name;
}

}  // namespace
