#include "base/ProgramDefinition.h"

#include <gtest/gtest.h>

TEST(AnalyticsProgram, DefinitionDiffersWhereItShould)
{
    EXPECT_STREQ(Program().productName, "QuillonAnalytics");
    EXPECT_EQ(ProgramVersionText(), "7.6.0");
    EXPECT_FALSE(Program().withLongs);
    EXPECT_STREQ(Program().functionColumnField, "ColumnName");
}
