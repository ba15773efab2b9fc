#include "core/ProgramDefinition.h"

#include <gtest/gtest.h>

TEST(AnalyticsProgram, DefinitionDiffersWhereItShould)
{
    EXPECT_STREQ(kProgram.productName, "QuillonAnalytics");
    EXPECT_EQ(ProgramVersionText(), "7.6.0");
    EXPECT_FALSE(kProgram.withLongs);
    EXPECT_STREQ(kProgram.functionColumnField, "ColumnName");
}
