#include "changes/TickRule.h"

#include "common/AsciiText.h"
#include "common/WideText.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "services/ServiceTexts.h"

namespace TickRule
{
namespace
{
bool IsAsciiSpace(const std::string& strText, std::string::size_type nAt)
{
    return nAt < strText.size() && (strText[nAt] == ' ' || strText[nAt] == '\t');
}

bool Disables(bool bCurrentKnown, std::uint32_t dwCurrent, std::uint32_t dwNew)
{
    return dwNew == ServiceTexts::kStartDisabled && !(bCurrentKnown && dwCurrent == ServiceTexts::kStartDisabled);
}

bool IsBootService(const std::wstring& wstrName)
{
    for (const std::wstring& wstrBoot : BootServices())
    {
        if (EqualsNoCaseWide(wstrBoot, wstrName))
            return true;
    }
    return false;
}
} // namespace

const std::vector<std::wstring>& BootServices()
{
    static const std::vector<std::wstring> s_names = {
        L"RpcSs",  L"DcomLaunch",           L"RpcEptMapper",           L"SamSs",
        L"LSM",    L"PlugPlay",             L"Power",                  L"ProfSvc",
        L"BrokerInfrastructure", L"CoreMessagingRegistrar", L"SystemEventsBroker", L"EventLog",
        L"gpsvc",
    };
    return s_names;
}

std::unordered_set<std::wstring> NeededToStart(const DependencyReader& readDependencies)
{
    std::unordered_set<std::wstring> needed;
    std::vector<std::wstring> pending;
    for (const std::wstring& wstrName : BootServices())
    {
        if (needed.insert(WideAsciiLower(wstrName)).second)
            pending.push_back(wstrName);
    }
    while (!pending.empty())
    {
        std::wstring wstrName = std::move(pending.back());
        pending.pop_back();
        for (const std::wstring& wstrDependency : readDependencies(wstrName))
        {
            // A group starts nothing by itself being kept.
            if (wstrDependency.empty() || wstrDependency[0] == L'+')
                continue;
            if (needed.insert(WideAsciiLower(wstrDependency)).second)
                pending.push_back(wstrDependency);
        }
    }
    return needed;
}

bool AdvisesAutomatic(const std::string& strAdvice)
{
    const std::string strAdviceWord = "建议", strWideColon = "：", strWideSpace = "　", strAutomatic = "自动";
    // The last advice in the text counts. Character by character, so that a
    // trail byte never starts a match.
    std::string::size_type nWord = std::string::npos;
    for (std::string::size_type i = 0; i < strAdvice.size(); i += IsGbkLeadByte(strAdvice[i]) ? 2 : 1)
    {
        if (strAdvice.compare(i, strAdviceWord.size(), strAdviceWord) != 0)
            continue;
        std::string::size_type nAfter = i + strAdviceWord.size();
        if (strAdvice.compare(nAfter, strWideColon.size(), strWideColon) == 0)
            nWord = nAfter + strWideColon.size();
        else if (nAfter < strAdvice.size() && strAdvice[nAfter] == ':')
            nWord = nAfter + 1;
    }
    if (nWord == std::string::npos)
        return false;
    for (;;)
    {
        if (IsAsciiSpace(strAdvice, nWord))
            ++nWord;
        else if (strAdvice.compare(nWord, strWideSpace.size(), strWideSpace) == 0)
            nWord += strWideSpace.size();
        else
            break;
    }
    return strAdvice.compare(nWord, strAutomatic.size(), strAutomatic) == 0;
}

CKnowledgeHolds::CKnowledgeHolds()
{
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        if (advice.IsProtected() || AdvisesAutomatic(advice.AdviceText()))
        {
            // Entries name services in ASCII.
            const std::string& strName = advice.ServiceName();
            m_kept.insert(WideAsciiLower(std::wstring(strName.begin(), strName.end())));
        }
    }
}

const CKnowledgeHolds& CKnowledgeHolds::Shared()
{
    static const CKnowledgeHolds s_holds;
    return s_holds;
}

bool CKnowledgeHolds::Keeps(const std::wstring& wstrName) const
{
    return m_kept.count(WideAsciiLower(wstrName)) != 0;
}

bool TakesOffAutomatic(bool bCurrentKnown, std::uint32_t dwCurrent, std::uint32_t dwNew)
{
    return dwNew > ServiceTexts::kStartAuto && (!bCurrentKnown || dwCurrent <= ServiceTexts::kStartAuto);
}

bool NeedsFacts(bool bCurrentKnown, std::uint32_t dwCurrent, std::uint32_t dwNew)
{
    return Disables(bCurrentKnown, dwCurrent, dwNew) || TakesOffAutomatic(bCurrentKnown, dwCurrent, dwNew);
}

std::string HeldReason(const CKnowledgeHolds& knowledge, const std::wstring& wstrName, bool bCurrentKnown,
                       std::uint32_t dwCurrent, std::uint32_t dwNew, const StartFacts& facts)
{
    if (!NeedsFacts(bCurrentKnown, dwCurrent, dwNew))
        return std::string();
    if (Disables(bCurrentKnown, dwCurrent, dwNew) && knowledge.Keeps(wstrName))
        return kKeptByAdvice;
    // Disabled or left to be started by hand, a service the start needs
    // is not there in time.
    if (facts.bNeededToStart || IsBootService(wstrName))
        return kNeededToStart;
    // Severe or critical: a failed start at boot makes Windows fall back
    // to the last known good configuration or stop.
    constexpr std::uint32_t kSevere = 2;
    if (TakesOffAutomatic(bCurrentKnown, dwCurrent, dwNew) && facts.bErrorControlKnown &&
        facts.dwErrorControl >= kSevere)
        return kNeededToStart;
    return std::string();
}
} // namespace TickRule
