#include "app/DetailsText.h"

#include <gtest/gtest.h>

namespace
{
TEST(DetailsTextTest, PaneTexts)
{
    EXPECT_EQ("服务描述:\n\n  说明\n\n补充:\n\n  建议", DetailsText::Description("说明", "建议"));
    EXPECT_EQ("服务描述:\n\n  \n\n补充:\n\n  ", DetailsText::Description("", ""));
    EXPECT_EQ("文件路径:\"C:\\a b\\x.exe\" -k", DetailsText::StatusLine("\"C:\\a b\\x.exe\" -k"));
    EXPECT_FALSE(DetailsText::IsShownDependency(""));
    EXPECT_FALSE(DetailsText::IsShownDependency("+"));
    EXPECT_TRUE(DetailsText::IsShownDependency("ab"));
}
} // namespace
