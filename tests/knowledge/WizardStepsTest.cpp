#include "knowledge/WizardSteps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<int> QuestionsAsked(const std::string& strMarker)
{
    // The first question is shown without a test; the rest follow "下一步".
    std::vector<int> asked = {212};
    for (int nId = WizardSteps::NextQuestion(212, strMarker); nId != 0; nId = WizardSteps::NextQuestion(nId, strMarker))
        asked.push_back(nId);
    return asked;
}

TEST(WizardStepsTest, VersionsGiveTheirMarkers)
{
    struct Case
    {
        unsigned long dwMajor, dwMinor;
        std::string strMarker;
    };
    const Case cases[] = {
        {5, 0, "@"}, {5, 1, "#"}, {5, 2, "$"}, {5, 3, ""},
        // Later systems get every question, not those of 2000 or XP.
        {6, 0, ""},  {6, 1, ""},  {6, 2, ""},  {10, 0, ""}, {4, 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.strMarker, WizardSteps::OsMarkerFor(c.dwMajor, c.dwMinor)) << c.dwMajor << "." << c.dwMinor;
}

TEST(WizardStepsTest, EachSystemIsAskedItsQuestionsInOrder)
{
    EXPECT_EQ((std::vector<int>{212, 214, 216, 218, 220, 223, 224, 225, 227, 228}), QuestionsAsked("@"));
    EXPECT_EQ((std::vector<int>{212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227}),
              QuestionsAsked("#"));
    EXPECT_EQ((std::vector<int>{212, 213, 214, 215, 216, 218, 219, 220, 221, 222, 223, 224, 225, 227}),
              QuestionsAsked("$"));
    EXPECT_EQ(17u, QuestionsAsked("").size());
}

TEST(WizardStepsTest, BackStopsAtTheFirstQuestionAndSkipsOthers)
{
    EXPECT_EQ(212, WizardSteps::PreviousQuestion(212, "#"));
    EXPECT_EQ(212, WizardSteps::PreviousQuestion(214, "@"));
    EXPECT_EQ(216, WizardSteps::PreviousQuestion(218, "@"));
    EXPECT_EQ(227, WizardSteps::PreviousQuestion(228, "@"));
    EXPECT_EQ(216, WizardSteps::PreviousQuestion(218, "$"));
    EXPECT_EQ(0, WizardSteps::NextQuestion(228, ""));
    EXPECT_EQ(0, WizardSteps::NextQuestion(227, "#"));
}

TEST(WizardStepsTest, AnswersWriteTheirWords)
{
    EXPECT_STREQ("自动", WizardSteps::WordFor(WizardSteps::kAnswerYes));
    EXPECT_STREQ("已禁用", WizardSteps::WordFor(WizardSteps::kAnswerNo));
    EXPECT_STREQ("手动", WizardSteps::WordFor(WizardSteps::kAnswerLater));
}
} // namespace
