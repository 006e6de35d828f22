#include "knowledge/ServiceKnowledgeBase.h"

#include "common/AsciiText.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/WizardQuestion.h"
#include "services/ServiceTexts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <optional>
#include <string>

namespace
{
using KB = ServiceKnowledgeBase;

struct ExpectedEntry
{
    int nId;
    const char* pszName;
    const char* pszDigits; // profiles 1..5
    bool bProtected;
    const char* pszAdviceWord;
};

// Names, profile digits, flags and advice words, written down apart from the
// program's table so that a slip in either shows.
const ExpectedEntry kExpectedEntries[] = {
    {102, "Alerter", "23333", false, "已禁用"},
    {103, "ALG", "22133", false, "已禁用"},
    {104, "AppMgmt", "22222", false, "手动"},
    {105, "wuauserv", "13133", false, "已禁用"},
    {106, "BITS", "23233", false, "已禁用"},
    {107, "ClipSrv", "33333", false, "已禁用"},
    {108, "EventSystem", "22223", false, "手动"},
    {109, "COMSysApp", "22223", false, "手动"},
    {110, "Browser", "12233", false, "已禁用"},
    {111, "CryptSvc", "11123", false, "手动"},
    {112, "Dhcp", "11113", false, "手动"},
    {113, "Dnscache", "11113", false, "自动"},
    {114, "TrkWks", "12223", false, "已禁用"},
    {115, "MSDTC", "22223", false, "已禁用"},
    {116, "ERSvc", "13333", false, "已禁用"},
    {117, "Eventlog", "11111", false, "自动"},
    {118, "FastUserSwitchingCompatibility", "22223", false, "手动"},
    {119, "helpsvc", "13333", false, "已禁用"},
    {120, "HidServ", "22223", false, "已禁用"},
    {121, "ImapiService", "21122", false, "已禁用"},
    {122, "PolicyAgent", "11223", false, "手动"},
    {123, "cisvc", "23233", false, "已禁用"},
    {124, "SharedAccess", "11133", false, "已禁用"},
    {125, "dmserver", "12223", false, "自动"},
    {126, "dmadmin", "22223", false, "手动"},
    {127, "SwPrv", "22233", false, "已禁用"},
    {128, "Messenger", "13333", false, "已禁用"},
    {129, "NtLmSsp", "22233", false, "已禁用"},
    {130, "Netlogon", "13333", false, "已禁用"},
    {131, "mnmsrvc", "23333", false, "已禁用"},
    {132, "Netman", "22223", false, "手动"},
    {133, "NetDDE", "22333", false, "已禁用"},
    {134, "NetDDEdsdm", "23333", false, "已禁用"},
    {135, "Nla", "22233", false, "已禁用"},
    {136, "SysmonLog", "23233", false, "已禁用"},
    {137, "PlugPlay", "11111", false, "自动"},
    {138, "WmdmPmSN", "23333", false, "已禁用"},
    {139, "Spooler", "11133", false, "已禁用"},
    {140, "ProtectedStorage", "11111", false, "自动"},
    {141, "RSVP", "22233", false, "已禁用"},
    {142, "RasAuto", "22223", false, "手动"},
    {143, "RasMan", "22223", false, "手动"},
    {144, "RDSessMgr", "23333", false, "已禁用"},
    {145, "RpcSs", "11111", true, "自动"},
    {146, "RpcLocator", "22233", false, "已禁用"},
    {147, "RemoteRegistry", "13333", false, "已禁用"},
    {148, "NtmsSvc", "22233", false, "已禁用"},
    {149, "RemoteAccess", "22233", false, "已禁用"},
    {150, "SSDPSRV", "23333", false, "已禁用"},
    {151, "seclogon", "11123", false, "自动"},
    {152, "SamSs", "11111", false, "自动"},
    {153, "lanmanserver", "11113", false, "已禁用"},
    {154, "ShellHWDetection", "22223", false, "自动"},
    {155, "SCardSvr", "23333", false, "已禁用"},
    {156, "SCardDrv", "23333", false, "已禁用"},
    {157, "SENS", "11111", false, "自动"},
    {158, "srservice", "13333", false, "已禁用"},
    {159, "LmHosts", "11123", false, "已禁用"},
    {160, "Schedule", "12223", false, "手动"},
    {161, "TapiSrv", "22223", false, "手动"},
    {162, "TlntSvr", "23233", false, "已禁用"},
    {163, "TermService", "22223", false, "手动"},
    {164, "Themes", "11111", false, "自动"},
    {165, "UPS", "22223", false, "已禁用"},
    {166, "upnphost", "23233", false, "已禁用"},
    {167, "uploadmgr", "12123", false, "手动"},
    {168, "VSS", "22233", false, "已禁用"},
    {169, "WmiApSrv", "23333", false, "已禁用"},
    {170, "WebClient", "23133", false, "已禁用"},
    {171, "AudioSrv", "11111", false, "自动"},
    {172, "stisvc", "22223", false, "手动"},
    {173, "MSIServer", "22222", false, "手动"},
    {174, "winmgmt", "11111", false, "自动"},
    {175, "Wmi", "22222", false, "手动"},
    {176, "W32Time", "23333", false, "已禁用"},
    {177, "UMWdf", "33333", false, "手动"},
    {178, "WZCSVC", "23223", false, "已禁用"},
    {179, "lanmanworkstation", "11113", true, "自动"},
    {180, "MySQL", "12123", false, "自动"},
    {181, "VMAuthdService", "23333", false, "手动"},
    {182, "VMnetDHCP", "22223", false, "自动"},
    {183, "VMware NAT Service", "22223", false, "自动"},
    {184, "Ati HotKey Poller", "23333", false, "已禁用"},
    {185, "ATI Smart", "13333", false, "已禁用"},
    {186, "AeLookupSvc", "11113", false, "自动"},
    {187, "Fax", "22233", false, "已禁用"},
    {188, "UtilMan", "23233", false, "已禁用"},
    {189, "DcomLaunch", "11113", false, "自动"},
    {190, "HTTPFilter", "22233", false, "手动"},
    {191, "WinHttpAutoProxySvc", "22223", false, "手动"},
    {192, "TrkSvr", "22233", false, "已禁用"},
    {193, "Irmon", "11123", false, "已禁用"},
    {194, "wscsvc", "13233", false, "已禁用"},
};

std::string WordForDigit(char digit)
{
    switch (digit)
    {
    case '1':
        return "自动";
    case '2':
        return "手动";
    default:
        return "已禁用";
    }
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The start-type word that occurs last in a text, or empty when none does.
std::string LastStartTypeWord(const std::string& text)
{
    std::string strLast;
    std::string::size_type nLast = 0;
    for (const char* pszWord : {ServiceTexts::kAuto, ServiceTexts::kManual, ServiceTexts::kDisabled})
    {
        const std::string::size_type nPos = text.rfind(pszWord);
        if (nPos != std::string::npos && (strLast.empty() || nPos > nLast))
        {
            strLast = pszWord;
            nLast = nPos;
        }
    }
    return strLast;
}

// Every byte from 0x80 up must open a GB2312 pair: a lead byte of a symbol
// row (0xA1..0xA9) or a hanzi row (0xB0..0xF7) and a trail byte 0xA1..0xFE.
// Such a pair never holds an ASCII separator.
testing::AssertionResult IsAsciiOrGb2312(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80)
            continue;
        const bool bLeadOk = (lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xF7);
        if (!bLeadOk)
            return testing::AssertionFailure() << "byte " << i << " is no GB2312 lead byte";
        if (i + 1 >= text.size())
            return testing::AssertionFailure() << "byte " << i << " opens a pair at the end";
        const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
        if (trail < 0xA1 || trail > 0xFE)
            return testing::AssertionFailure() << "byte " << i + 1 << " is no GB2312 trail byte";
        ++i;
    }
    return testing::AssertionSuccess();
}

bool IsAscii(const std::string& text)
{
    for (char ch : text)
    {
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    }
    return true;
}

TEST(ServiceKnowledgeBaseTest, EntriesMatchExpectedNamesDigitsAndAdvice)
{
    ASSERT_EQ(static_cast<std::size_t>(KB::kLastEntryId - KB::kFirstEntryId + 1),
              sizeof(kExpectedEntries) / sizeof(kExpectedEntries[0]));
    int nNextId = KB::kFirstEntryId;
    for (const ExpectedEntry& e : kExpectedEntries)
    {
        SCOPED_TRACE(e.nId);
        ASSERT_EQ(nNextId++, e.nId);
        const std::string strEntry = KB::Entry(e.nId);
        const ServiceAdvice advice(strEntry);

        EXPECT_EQ(e.pszName, advice.ServiceName());
        const std::string strDigits = e.pszDigits;
        const std::string strTail = std::string("@") + strDigits[0] + "#" + strDigits[1] + "$" + strDigits[2] +
                                    "%" + strDigits[3] + "^" + strDigits[4] + (e.bProtected ? "|" : "");
        EXPECT_TRUE(EndsWith(strEntry, strTail)) << strTail;
        for (int nProfile = 1; nProfile <= 5; ++nProfile)
            EXPECT_EQ(WordForDigit(strDigits[nProfile - 1]), advice.StartTypeFor(nProfile)) << nProfile;
        EXPECT_EQ(e.bProtected, advice.IsProtected());

        // The advice text is what lies between "&" and the tail, so the
        // pieces must add up to the whole entry.
        EXPECT_EQ(strEntry, std::string(e.pszName) + "&" + advice.AdviceText() + strTail);
        EXPECT_EQ(e.pszAdviceWord, LastStartTypeWord(advice.AdviceText()));
        EXPECT_EQ(std::string::npos, advice.AdviceText().find('|'));
        EXPECT_EQ(std::string::npos, advice.AdviceText().find('&'));

        // The advice line closes the text: "建议" with either colon, an
        // optional space, then the word.
        const std::string strAdvice = advice.AdviceText();
        const std::string::size_type nLine = strAdvice.rfind("建议");
        ASSERT_NE(std::string::npos, nLine);
        const std::string strLine = strAdvice.substr(nLine);
        const std::string strWord = e.pszAdviceWord;
        EXPECT_TRUE(strLine == "建议：" + strWord || strLine == "建议： " + strWord || strLine == "建议:" + strWord ||
                    strLine == "建议: " + strWord)
            << strLine;
    }
}

TEST(ServiceKnowledgeBaseTest, StoredStringsAreGb2312)
{
    for (int id = KB::kAboutItemId; id <= KB::kLastQuestionId; ++id)
    {
        SCOPED_TRACE(id);
        const std::string strText = KB::Entry(id);
        EXPECT_TRUE(IsAsciiOrGb2312(strText));
        if (id >= KB::kFirstEntryId && id <= KB::kLastEntryId)
        {
            const std::string strName = ServiceAdvice(strText).ServiceName();
            EXPECT_FALSE(strName.empty());
            EXPECT_TRUE(IsAscii(strName)) << strName;
        }
    }
}

TEST(ServiceKnowledgeBaseTest, Gb2312CheckRejectsOtherBytes)
{
    struct Case
    {
        const char* pszText;
        bool bAccepted;
    };
    const Case cases[] = {
        {"RpcSs", true},
        {"\xD7\xD4\xB6\xAF", true},     // 自动
        {"\xA3\xBA", true},             // full-width colon
        {"\x81\x40", false},            // GBK only, trail byte is '@'
        {"\xD7\x7C", false},            // trail byte '|'
        {"\xAA\xA1", false},            // empty row of GB2312
        {"\xF8\xA1", false},            // beyond the hanzi rows
        {"\xD7", false},                // cut-off pair
        {"a\xD7\xD4\xB6", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszText);
        EXPECT_EQ(c.bAccepted, static_cast<bool>(IsAsciiOrGb2312(c.pszText)));
    }
}

TEST(ServiceKnowledgeBaseTest, TextsAreCompiledToGbk)
{
    EXPECT_EQ("\xD7\xD4\xB6\xAF", std::string(ServiceTexts::kAuto));
    EXPECT_EQ("\xB9\xD8\xD3\xDA QMR(&A)...", KB::Entry(KB::kAboutItemId));
    // 145 ends in "建议： 自动" and its tail.
    EXPECT_TRUE(EndsWith(KB::Entry(145), "\xBD\xA8\xD2\xE9\xA3\xBA \xD7\xD4\xB6\xAF@1#1$1%1^1|"));
}

TEST(ServiceKnowledgeBaseTest, EveryIdOfTheTableHasTextAndNoOtherDoes)
{
    EXPECT_EQ("关于 QMR(&A)...", KB::Entry(101));
    for (int id = KB::kFirstEntryId; id <= KB::kLastEntryId; ++id)
        EXPECT_FALSE(KB::Entry(id).empty()) << id;
    for (int id = KB::kFirstReservedId; id <= KB::kLastReservedId; ++id)
        EXPECT_EQ("Wait", KB::Entry(id)) << id;
    for (int id = KB::kFirstQuestionId; id <= KB::kLastQuestionId; ++id)
        EXPECT_FALSE(KB::Entry(id).empty()) << id;

    for (int id : {INT_MIN, -1, 0, 1, 100, 229, 230, 1000, INT_MAX})
        EXPECT_EQ("", KB::Entry(id)) << id;
}

TEST(ServiceKnowledgeBaseTest, QuotedEntriesAreByteExact)
{
    struct Case
    {
        int nId;
        const char* pszText;
    };
    const Case cases[] = {
    {102, "Alerter&一般家用计算机根本不需要传送或接收计算机系统管理来的警示(Administrative Alerts)，"
              "除非你的计算机用在局域网络上。\n\n建议： 已禁用@2#3$3%3^3"},
    {145, "RpcSs&一些装置都依存它，别去动它。\n\n建议： 自动@1#1$1%1^1|"},
    {179, "lanmanworkstation&因特网联机中所必要的一些功能。\n\n建议： 自动@1#1$1%1^3|"},
    {191, "WinHttpAutoProxySvc&如上所说。建议：手动@2#2$2%2^3"},
    {192, "TrkSvr& \n\n建议：已禁用@2#2$2%3^3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.pszText, KB::Entry(c.nId)) << c.nId;
}

// Every entry must be reachable by its own name; a duplicate further down
// would be shadowed by the first.
TEST(ServiceKnowledgeBaseTest, EveryEntryIsFoundByItsName)
{
    for (int id = KB::kFirstEntryId; id <= KB::kLastEntryId; ++id)
    {
        const std::string strName = ServiceAdvice(KB::Entry(id)).ServiceName();
        SCOPED_TRACE(strName);
        EXPECT_EQ(std::optional<int>(id), KB::FindByServiceName(strName));
        EXPECT_EQ(std::optional<int>(id), KB::FindByServiceName(AsciiLower(strName)));
    }
}

TEST(ServiceKnowledgeBaseTest, FindByServiceName)
{
    struct Case
    {
        const char* pszName;
        std::optional<int> nId;
    };
    const Case cases[] = {
        {"RpcSs", 145},
        {"rpcss", 145},
        {"RPCSS", 145},
        {"rPcSs", 145},
        {"rpcss ", std::nullopt},
        {" RpcSs", std::nullopt},
        {"RpcSs&", std::nullopt},
        {"RpcS", std::nullopt},
        {"LanManWorkstation", 179},
        {"VMware NAT Service", 183},
        {"vmware nat service", 183},
        {"VMware  NAT Service", std::nullopt},
        {"VMwareNATService", std::nullopt},
        {"ati hotkey poller", 184},
        {"ATI SMART", 185},
        {"alerter", 102},
        {"WSCSVC", 194},
        {"NoSuchService", std::nullopt},
        {"", std::nullopt},
        {"Wait", std::nullopt},
        {"自动", std::nullopt},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(c.nId, KB::FindByServiceName(c.pszName));
    }
}

TEST(ServiceKnowledgeBaseTest, ProtectionFollowsTheLookup)
{
    const std::optional<int> nRpc = KB::FindByServiceName("RPCSS");
    ASSERT_TRUE(nRpc.has_value());
    EXPECT_TRUE(ServiceAdvice(KB::Entry(*nRpc)).IsProtected());

    const std::optional<int> nWorkstation = KB::FindByServiceName("LANMANWORKSTATION");
    ASSERT_TRUE(nWorkstation.has_value());
    EXPECT_TRUE(ServiceAdvice(KB::Entry(*nWorkstation)).IsProtected());

    int nProtected = 0;
    for (int id = KB::kFirstEntryId; id <= KB::kLastEntryId; ++id)
        nProtected += ServiceAdvice(KB::Entry(id)).IsProtected() ? 1 : 0;
    EXPECT_EQ(2, nProtected);
}

// The wizard writes a start type for each service a question names, so each
// must be one the knowledge base knows.
TEST(ServiceKnowledgeBaseTest, QuestionServicesHaveEntries)
{
    for (int id = KB::kFirstQuestionId; id <= KB::kLastQuestionId; ++id)
    {
        const WizardQuestion question(KB::Entry(id));
        ASSERT_FALSE(question.Services().empty()) << id;
        for (const std::string& strService : question.Services())
            EXPECT_TRUE(KB::FindByServiceName(strService).has_value()) << id << " " << strService;
    }
}
} // namespace
