#include "knowledge/WizardQuestion.h"

#include "knowledge/ServiceKnowledgeBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using KB = ServiceKnowledgeBase;

struct ExpectedQuestion
{
    int nId;
    const char* pszMarkers;
    const char* pszText;
    std::vector<std::string> vecServices;
};

// The questions as they must be stored, written down apart from the program's
// table so that a slip in either shows.
const std::vector<ExpectedQuestion> kExpectedQuestions = {
    {212, "@#$", "您是否安装了打印设备？", {"Spooler"}},
    {213, "#$", "您是否安装了刻录设备？", {"ImapiService"}},
    {214, "@#$", "您是否开启硬盘驱动器管理服务？", {"dmserver", "dmadmin"}},
    {215, "#$", "您是否开启帮助和支持中心？", {"helpsvc"}},
    {216, "@#$", "您是否安装了智能卡？", {"SCardSvr", "SCardDrv"}},
    {217, "#", "您是否启用系统还原服务？", {"srservice"}},
    {218, "@#$", "您是否开启计划任务服务？", {"Schedule"}},
    {219, "#$", "您是否开启WindowsXP桌面主题(即XP风格界面)？", {"Themes"}},
    {220, "@#$", "您是否安装了UPS不间断电源？", {"UPS"}},
    {221, "#$", "您是否开启系统自带的备份功能？", {"VSS"}},
    {222, "#$", "您是否安装了扫描仪或摄像设备？", {"stisvc"}},
    {223, "@#$", "您是否连接到了网络（局域网或Internet）？", {"ALG", "Dhcp", "Dnscache", "PolicyAgent", "SharedAccess", "LmHosts"}},
    {224, "@#$", "您是否启动自动更新服务？", {"wuauserv", "BITS"}},
    {225, "@#$", "您是否开启有关远程控制的服务？", {"RemoteRegistry"}},
    {226, "#", "您是否开启系统安全中心（就是任务栏右下角的红色盾牌）？", {"wscsvc"}},
    {227, "@#$", "您是否开信使服务(应用于局域网间的消息发送)？", {"Messenger"}},
    {228, "@", "您是否安装了传真设备？", {"Fax"}},
};

std::string Join(const std::vector<std::string>& vecNames)
{
    std::string strJoined;
    for (const std::string& strName : vecNames)
        strJoined += (strJoined.empty() ? "" : ",") + strName;
    return strJoined;
}

TEST(WizardQuestionTest, QuestionsMatchExpectedTextAndServices)
{
    ASSERT_EQ(static_cast<std::size_t>(KB::kLastQuestionId - KB::kFirstQuestionId + 1), kExpectedQuestions.size());
    int nNextId = KB::kFirstQuestionId;
    for (const ExpectedQuestion& q : kExpectedQuestions)
    {
        SCOPED_TRACE(q.nId);
        ASSERT_EQ(nNextId++, q.nId);
        const std::string strStored = KB::Entry(q.nId);
        EXPECT_EQ(std::string(q.pszMarkers) + q.pszText + "&" + Join(q.vecServices), strStored);

        const WizardQuestion question(strStored);
        EXPECT_EQ(q.pszText, question.Text());
        EXPECT_EQ(q.vecServices, question.Services());
        const std::string strMarkers = q.pszMarkers;
        for (const char* pszMarker : {"@", "#", "$"})
            EXPECT_EQ(strMarkers.find(pszMarker) != std::string::npos, question.AppliesTo(pszMarker)) << pszMarker;
    }
}

TEST(WizardQuestionTest, StoredFormOfFirstQuestion)
{
    EXPECT_EQ("@#$您是否安装了打印设备？&Spooler", KB::Entry(212));
    // "您" in GBK opens the text.
    EXPECT_EQ("\xC4\xFA", WizardQuestion(KB::Entry(212)).Text().substr(0, 2));
}

TEST(WizardQuestionTest, ApplicabilityPerOsMarker)
{
    struct Case
    {
        const char* pszMarker;
        int nId;
        bool bApplies;
    };
    const Case cases[] = {
        {"#", 217, true},  {"#", 226, true},  {"#", 228, false}, {"@", 228, true},  {"@", 213, false},
        {"@", 215, false}, {"@", 217, false}, {"@", 219, false}, {"@", 221, false}, {"@", 222, false},
        {"@", 226, false}, {"@", 212, true},  {"$", 217, false}, {"$", 226, false}, {"$", 228, false},
        {"$", 213, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszMarker) + " " + std::to_string(c.nId));
        EXPECT_EQ(c.bApplies, WizardQuestion(KB::Entry(c.nId)).AppliesTo(c.pszMarker));
    }
}

TEST(WizardQuestionTest, NumberOfQuestionsPerOsMarker)
{
    struct Case
    {
        const char* pszMarker;
        int nCount;
    };
    // Windows 2000, XP and Server 2003; an empty marker asks everything.
    const Case cases[] = {{"", 17}, {"@", 10}, {"#", 16}, {"$", 14}};
    for (const Case& c : cases)
    {
        int nCount = 0;
        for (int id = KB::kFirstQuestionId; id <= KB::kLastQuestionId; ++id)
            nCount += WizardQuestion(KB::Entry(id)).AppliesTo(c.pszMarker) ? 1 : 0;
        EXPECT_EQ(c.nCount, nCount) << c.pszMarker;
    }
}

TEST(WizardQuestionTest, NetworkQuestionNamesSixServicesInOrder)
{
    const std::vector<std::string> vecExpected = {"ALG", "Dhcp", "Dnscache", "PolicyAgent", "SharedAccess", "LmHosts"};
    EXPECT_EQ(vecExpected, WizardQuestion(KB::Entry(223)).Services());
}

TEST(WizardQuestionTest, MalformedQuestionsGiveDocumentedResults)
{
    struct Case
    {
        const char* pszQuestion;
        const char* pszText;
        std::vector<std::string> vecServices;
        bool bAppliesToAt;
    };
    const std::vector<Case> cases = {
        {"", "", {}, false},
        {"&", "", {}, false},
        {"@#$", "", {}, true},
        {"@没有称呼？&Spooler", "", {"Spooler"}, true},
        {"#您好？", "您好？", {}, false},
        {"@您&", "您", {}, true},
        {"@您？&A,,B,", "您？", {"A", "B"}, true},
        {"@您？&,A", "您？", {"A"}, true},
        {"#前言您？&A", "您？", {"A"}, false},
        {"#&A您", "", {"A您"}, false},
        {"$您？&A&B", "您？", {"A&B"}, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszQuestion);
        const WizardQuestion question(c.pszQuestion);
        EXPECT_EQ(c.pszText, question.Text());
        EXPECT_EQ(c.vecServices, question.Services());
        EXPECT_EQ(c.bAppliesToAt, question.AppliesTo("@"));
        EXPECT_TRUE(question.AppliesTo(""));
    }
}
} // namespace
