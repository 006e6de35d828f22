#include "knowledge/ServiceAdvice.h"

#include "knowledge/ServiceKnowledgeBase.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
using KB = ServiceKnowledgeBase;

const std::string kAuto = "自动";
const std::string kManual = "手动";
const std::string kDisabled = "已禁用";

// 141's description holds "20%": the game profile must still come from the
// tail, not from the first "%" of the entry.
TEST(ServiceAdviceTest, MarkerInDescriptionDoesNotMoveTheTail)
{
    const ServiceAdvice advice(KB::Entry(141));
    EXPECT_EQ("RSVP", advice.ServiceName());
    EXPECT_NE(std::string::npos, advice.AdviceText().find("20%"));
    EXPECT_EQ(kDisabled, advice.StartTypeFor(4));
    EXPECT_EQ(kManual, advice.StartTypeFor(1));
    EXPECT_EQ(kManual, advice.StartTypeFor(3));
    EXPECT_EQ(kDisabled, advice.StartTypeFor(5));

    // In 141 no digit follows the "%", so a search over the whole entry would
    // still read disabled by luck; here every marker of the text has one.
    const ServiceAdvice decoy("X&@1#1 $1%1^1 text\n\n建议：手动@2#2$2%3^3");
    EXPECT_EQ("@1#1 $1%1^1 text\n\n建议：手动", decoy.AdviceText());
    EXPECT_EQ(kManual, decoy.StartTypeFor(1));
    EXPECT_EQ(kManual, decoy.StartTypeFor(2));
    EXPECT_EQ(kManual, decoy.StartTypeFor(3));
    EXPECT_EQ(kDisabled, decoy.StartTypeFor(4));
    EXPECT_EQ(kDisabled, decoy.StartTypeFor(5));
}

TEST(ServiceAdviceTest, ProtectionFlagIsNotPartOfTheAdvice)
{
    const std::string strEntry = KB::Entry(145);
    ASSERT_GE(strEntry.size(), 11u);
    EXPECT_EQ("@1#1$1%1^1|", strEntry.substr(strEntry.size() - 11));

    const ServiceAdvice advice(strEntry);
    EXPECT_TRUE(advice.IsProtected());
    const std::string& strAdvice = advice.AdviceText();
    ASSERT_GE(strAdvice.size(), kAuto.size());
    EXPECT_EQ(kAuto, strAdvice.substr(strAdvice.size() - kAuto.size()));
    EXPECT_EQ(std::string::npos, strAdvice.find('|'));
    EXPECT_EQ(std::string::npos, strAdvice.find("@1"));
    for (int nProfile = 1; nProfile <= 5; ++nProfile)
        EXPECT_EQ(kAuto, advice.StartTypeFor(nProfile)) << nProfile;

    // Without the flag the last tail digit is the enthusiast profile's.
    const ServiceAdvice workstation(KB::Entry(179));
    EXPECT_TRUE(workstation.IsProtected());
    EXPECT_EQ(kAuto, workstation.StartTypeFor(4));
    EXPECT_EQ(kDisabled, workstation.StartTypeFor(5));
}

// The advice word is display text only; 177's tail disables it everywhere.
TEST(ServiceAdviceTest, TailNotAdviceWordGivesTheStartType)
{
    const ServiceAdvice advice(KB::Entry(177));
    EXPECT_EQ("UMWdf", advice.ServiceName());
    const std::string& strAdvice = advice.AdviceText();
    ASSERT_GE(strAdvice.size(), kManual.size());
    EXPECT_EQ(kManual, strAdvice.substr(strAdvice.size() - kManual.size()));
    for (int nProfile = 1; nProfile <= 5; ++nProfile)
        EXPECT_EQ(kDisabled, advice.StartTypeFor(nProfile)) << nProfile;
    EXPECT_FALSE(advice.IsProtected());
}

TEST(ServiceAdviceTest, UnusualAdviceLines)
{
    struct Case
    {
        int nId;
        const char* pszName;
        const char* pszAdvice;
    };
    const Case cases[] = {
        {191, "WinHttpAutoProxySvc", "如上所说。建议：手动"},
        {192, "TrkSvr", " \n\n建议：已禁用"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nId);
        const ServiceAdvice advice(KB::Entry(c.nId));
        EXPECT_EQ(c.pszName, advice.ServiceName());
        EXPECT_EQ(c.pszAdvice, advice.AdviceText());
        EXPECT_FALSE(advice.IsProtected());
    }
}

TEST(ServiceAdviceTest, DigitsDecodeAsStartTypeCodes)
{
    // Only "1" and "2" mean something; every other character disables.
    const ServiceAdvice advice("X&text@1#2$3%0^a");
    EXPECT_EQ(kAuto, advice.StartTypeFor(1));
    EXPECT_EQ(kManual, advice.StartTypeFor(2));
    EXPECT_EQ(kDisabled, advice.StartTypeFor(3));
    EXPECT_EQ(kDisabled, advice.StartTypeFor(4));
    EXPECT_EQ(kDisabled, advice.StartTypeFor(5));

    // Markers are found in any order within the tail.
    const ServiceAdvice shuffled("X&text^1%2$1#2@2");
    EXPECT_EQ(kManual, shuffled.StartTypeFor(1));
    EXPECT_EQ(kManual, shuffled.StartTypeFor(2));
    EXPECT_EQ(kAuto, shuffled.StartTypeFor(3));
    EXPECT_EQ(kManual, shuffled.StartTypeFor(4));
    EXPECT_EQ(kAuto, shuffled.StartTypeFor(5));
}

TEST(ServiceAdviceTest, OutOfRangeProfileReadsDisabled)
{
    const ServiceAdvice advice(KB::Entry(145));
    for (int nProfile : {INT_MIN, -1, 0, 6, 7, INT_MAX})
        EXPECT_EQ(kDisabled, advice.StartTypeFor(nProfile)) << nProfile;
}

TEST(ServiceAdviceTest, MalformedEntriesGiveDocumentedResults)
{
    struct Case
    {
        const char* pszEntry;
        const char* pszName;
        const char* pszAdvice;
        bool bProtected;
        const char* pszDigits; // expected start types of profiles 1..5
    };
    const Case cases[] = {
        {"", "", "", false, "33333"},
        {"&", "", "", false, "33333"},
        {"|", "", "", true, "33333"},
        {"NoSeparator@1#1$1%1^1", "", "", false, "33333"},
        {"X&", "X", "", false, "33333"},
        {"X&|", "X", "", true, "33333"},
        {"X&@1", "X", "", false, "13333"},
        {"X&@1#2$", "X", "", false, "12333"},
        {"X&@1#1$1%1^1", "X", "", false, "11111"},
        {"X&@1#1$1%1^1|", "X", "", true, "11111"},
        {"&text@1#2$1%2^1", "", "text", false, "12121"},
        {"X&text@1#2$1%2^", "X", "tex", false, "12123"},
        {"X&text@1#1$1%1^1||", "X", "text@", true, "31111"},
        {"X&te|xt@1#2$1%2^1", "X", "te|xt", true, "12121"},
        {"A&B&text@2#2$2%2^2", "A", "B&text", false, "22222"},
        {"X&text 1234567890", "X", "text ", false, "33333"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszEntry);
        const ServiceAdvice advice(c.pszEntry);
        EXPECT_EQ(c.pszName, advice.ServiceName());
        EXPECT_EQ(c.pszAdvice, advice.AdviceText());
        EXPECT_EQ(c.bProtected, advice.IsProtected());
        for (int nProfile = 1; nProfile <= 5; ++nProfile)
        {
            const char digit = c.pszDigits[nProfile - 1];
            const std::string strExpected = digit == '1' ? kAuto : digit == '2' ? kManual : kDisabled;
            EXPECT_EQ(strExpected, advice.StartTypeFor(nProfile)) << nProfile;
        }
    }
}
} // namespace
