// QuillonAnalytics names a column function's column by the field "ColumnName".

#include "viewmodel/ViewModelFixture.h"

using namespace vmtest;

TEST(AnalyticsViewModel, FunctionColumnNameComesFromColumnName)
{
    auto rs = std::make_shared<BrandleRecordset>(
        QStringList{"DisplayName", "FunctionSQL", "DataType", "FunctionOrder", "ColumnID", "FunctionColumnDisplayName",
                    "ColumnName", "ColumnFunction", "ColumnFunctionID"},
        std::vector<int32_t>(9, adVarChar),
        std::vector<std::vector<Variant>>{{"Sum", "SUM(x)", "money", int32_t(1), int32_t(5), "Amount Due", "AmtDue",
                                           "SUM", int32_t(2)}});
    coLdUVColumnFunction f;
    f.Load(rs);
    EXPECT_EQ(f.ColumnName, QStringLiteral("AmtDue"));
}

TEST_F(ViewModelTest, AnalyticsLoadsTheFunctionsColumnName)
{
    CoLdUVRef view = GetView(12, 0);
    ASSERT_EQ(view->ColumnFunctions()->Count(), 3);
    EXPECT_EQ(view->ColumnFunctions()->Item(1)->ColumnName, QStringLiteral(" Total "));
    EXPECT_EQ(view->ColumnFunctions()->Item(3)->ColumnName, QStringLiteral("CustID"));
}
