#include "services/ServiceTexts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{
// The texts must reach the program as GBK whatever the compiler's own
// encoding is; spell the expected bytes out instead of trusting literals.
TEST(ServiceTextsTest, WordsAreCompiledToGbk)
{
    struct Case
    {
        const char* pszWord;
        const char* pszGbk;
    };
    const Case cases[] = {
        {ServiceTexts::kAuto, "\xD7\xD4\xB6\xAF"},
        {ServiceTexts::kManual, "\xCA\xD6\xB6\xAF"},
        {ServiceTexts::kDisabled, "\xD2\xD1\xBD\xFB\xD3\xC3"},
        {ServiceTexts::kUnknownStartType, "\xCE\xB4\xD6\xAA"},
        {ServiceTexts::kRunning, "\xD2\xD1\xC6\xF4\xB6\xAF"},
        {ServiceTexts::kPaused, "\xD2\xD1\xD4\xDD\xCD\xA3"},
        {ServiceTexts::kStartPending, "\xD5\xFD\xD4\xDA\xC6\xF4\xB6\xAF"},
        {ServiceTexts::kStopPending, "\xD5\xFD\xD4\xDA\xCD\xA3\xD6\xB9"},
        {ServiceTexts::kUnknownState, "\xCE\xB4\xD6\xAA\xD7\xB4\xCC\xAC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(c.pszGbk), c.pszWord);
}

TEST(ServiceTextsTest, RunStateTexts)
{
    struct Case
    {
        std::uint32_t dwState;
        std::string strText;
    };
    const Case cases[] = {
        {1, ""},         {2, "正在启动"}, {3, "正在停止"}, {4, "已启动"},
        {5, "未知状态"}, {6, "未知状态"}, {7, "已暂停"},   {0, "未知状态"},
        {8, "未知状态"}, {0xFFFFFFFF, "未知状态"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.dwState);
        EXPECT_EQ(c.strText, ServiceTexts::RunStateText(c.dwState));
    }
}

TEST(ServiceTextsTest, StartTypeTextsAndIndices)
{
    struct Case
    {
        std::uint32_t dwStartType;
        std::string strText;
        int nIndex;
    };
    const Case cases[] = {
        {0, "未知", 2}, {1, "未知", 2},   {2, "自动", 0},
        {3, "手动", 1}, {4, "已禁用", 2}, {5, "未知", 2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.dwStartType);
        EXPECT_EQ(c.strText, ServiceTexts::StartTypeText(c.dwStartType));
        EXPECT_EQ(c.nIndex, ServiceTexts::StartTypeIndex(c.dwStartType));
    }
}

TEST(ServiceTextsTest, WordsMapBackToStartTypes)
{
    struct Case
    {
        std::string strWord;
        std::uint32_t dwStartType;
        bool bSettable;
    };
    const Case cases[] = {
        {"自动", 2, true},
        {"手动", 3, true},
        {"已禁用", 4, true},
        // Everything else asks for no start type (it used to disable, which
        // an unknown word must never do), and none of it is a word a user sets.
        {"未知", 0xFFFF, false},
        {"", 0xFFFF, false},
        {"自动 ", 0xFFFF, false},
        {"auto", 0xFFFF, false},
        {"\xD7\xD4", 0xFFFF, false}, // half of "自动"
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.strWord);
        std::uint32_t dwStartType = 0xFFFF;
        EXPECT_EQ(c.bSettable, ServiceTexts::StartTypeFromWord(c.strWord, &dwStartType));
        EXPECT_EQ(c.dwStartType, dwStartType);
        EXPECT_EQ(c.bSettable, ServiceTexts::IsSettableStartTypeWord(c.strWord));
    }
}

// The one table of start types: the tree's leaves and the words a user sets
// are the same three, in the order of the tree and of the icons.
TEST(ServiceTextsTest, StartTypeTableNamesLeavesAndSettableTypes)
{
    std::size_t nCount = 0;
    const StartTypeInfo* pTable = ServiceTexts::StartTypeTable(&nCount);
    std::vector<std::string> leaves, settable;
    for (std::size_t i = 0; i < nCount; ++i)
    {
        SCOPED_TRACE(pTable[i].pszWord);
        if (pTable[i].bLeaf)
            leaves.push_back(pTable[i].pszWord);
        if (pTable[i].bSettable)
            settable.push_back(pTable[i].pszWord);
        EXPECT_EQ(std::string(pTable[i].pszWord), pTable[i].pszFileWord);
        EXPECT_EQ(pTable[i].nIndex, ServiceTexts::StartTypeIndex(pTable[i].dwCode));
    }
    const std::vector<std::string> expected = {"自动", "手动", "已禁用"};
    EXPECT_EQ(expected, leaves);
    EXPECT_EQ(expected, settable);
    EXPECT_EQ(RunState::Paused, ServiceTexts::RunStateOf(7));
    EXPECT_EQ(RunState::Unknown, ServiceTexts::RunStateOf(8));
}
} // namespace
