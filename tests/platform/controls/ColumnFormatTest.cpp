// How the list and the statistics strip show values: by the column's data type
// and the user's locale.

#include "platform/controls/ColumnFormat.h"

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
         QStringLiteral("2026-12-10 01:02:03")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2026-12-10 01:02:03.250")), "datetime",
         QStringLiteral("2026-12-10 01:02:03.250")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2023-08-19 00:00:00.000")), "datetime",
         QStringLiteral("2023-08-19")},
        {QLocale::English, QLocale::UnitedStates, Variant(QStringLiteral("2023-08-19")), "datetime", QStringLiteral("2023-08-19")},
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
