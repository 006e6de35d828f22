#include "startup/StartupItemRules.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using StartupItemRules::ExtractIconPath;

TEST(StartupItemRulesTest, IconPathIsCutOutOfTheCommand)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\"C:\\Program Files\\Tool\\tray.exe\" /background", "C:\\Program Files\\Tool\\tray.exe"},
        {"C:\\WINDOWS\\system32\\agent.exe -k", "C:\\WINDOWS\\system32\\agent.exe"},
        {"rundll32.exe C:\\WINDOWS\\system32\\x.dll,Start", "rundll32.exe"},
        {"C:\\WINDOWS\\system32\\x.dll,Start", "C:\\WINDOWS\\system32\\x.dll"},
        // Upper case is not ".exe": the first three characters.
        {"C:\\TOOLS\\AGENT.EXE", "C:\\"},
        {"%SystemRoot%\\system32\\y.exe", "%SystemRoot%\\system32\\y.exe"},
        {"notepad", "not"},
        {"ab", "ab"},
        {"", ""},
        // Text before the drive letter goes.
        {"start D:\\x.exe", "D:\\x.exe"},
        {":\\odd.exe", ":\\odd.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, ExtractIconPath(c.first)) << c.first;
}

TEST(StartupItemRulesTest, LocationsSplitBackIntoRootAndKey)
{
    std::string strLocation = StartupItemRules::LocationText("HKEY_LOCAL_MACHINE", StartupItemRules::kRunKeyPath);
    EXPECT_EQ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", strLocation);
    std::string strRoot, strKey;
    ASSERT_TRUE(StartupItemRules::SplitLocation(strLocation, &strRoot, &strKey));
    EXPECT_EQ("HKEY_LOCAL_MACHINE", strRoot);
    EXPECT_EQ(StartupItemRules::kRunKeyPath, strKey);
    EXPECT_FALSE(StartupItemRules::SplitLocation("no separator", &strRoot, &strKey));
}

TEST(StartupItemRulesTest, DataIsCutAtItsFirstNulWithinTheBytesReturned)
{
    struct Case
    {
        std::string strBytes;
        std::string strText;
    };
    const Case cases[] = {
        {std::string("C:\\a.exe\0", 9), "C:\\a.exe"},
        {std::string("x\0y\0", 4), "x"},
        {std::string("\x01\x02\x03", 3), "\x01\x02\x03"}, // binary without a NUL: all of it
        {std::string("", 0), ""},
        {std::string("\0tail", 5), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.strText, StartupItemRules::DataAsText(reinterpret_cast<const unsigned char*>(c.strBytes.data()),
                                                          c.strBytes.size()));
}

TEST(StartupItemRulesTest, DetailsUseFullWidthColons)
{
    EXPECT_EQ("\n项目名称：A\n\n执行命令：B\n\n注册表位置：C", StartupItemRules::DetailsText("A", "B", "C"));
    EXPECT_EQ("\n项目名称：\n\n执行命令：\n\n注册表位置：", StartupItemRules::DetailsText("", "", ""));
}
} // namespace
