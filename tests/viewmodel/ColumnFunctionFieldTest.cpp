// Quillon names a column function's column by the field "FunctionColumnDisplayName".

#include "ViewModelFixture.h"

TEST(ViewModelColumnFunction, ColumnNameComesFromFunctionColumnDisplayName)
{
    auto rs = std::make_shared<BrandleRecordset>(
        QStringList{"DisplayName", "FunctionSQL", "DataType", "FunctionOrder", "ColumnID", "FunctionColumnDisplayName",
                    "ColumnName", "ColumnFunction", "ColumnFunctionID"},
        std::vector<int32_t>(9, adVarChar),
        std::vector<std::vector<Variant>>{{"Sum", "SUM(x)", "money", int32_t(1), int32_t(5), "Amount Due", "AmtDue",
                                           "SUM", int32_t(2)}});
    coLdUVColumnFunction f;
    f.Load(rs);
    EXPECT_EQ(f.ColumnName, QStringLiteral("Amount Due"));
    EXPECT_EQ(f.DisplayName, QStringLiteral("Sum"));
    EXPECT_EQ(f.FunctionSQL, QStringLiteral("SUM(x)"));
    EXPECT_EQ(f.DataType, QStringLiteral("money"));
    EXPECT_EQ(f.Order, 1);
    EXPECT_EQ(f.ColumnID, 5);
    EXPECT_EQ(f.ColumnFunction, QStringLiteral("SUM"));
    EXPECT_EQ(f.ColumnFunctionID, 2);
}
