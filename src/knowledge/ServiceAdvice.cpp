#include "knowledge/ServiceAdvice.h"

#include "services/ServiceTexts.h"

#include <algorithm>

namespace
{
// Entries hold only ASCII and GB2312 characters, whose bytes are all 0xA1 or
// above, so a byte search for a separator cannot land inside a character.
constexpr char kNameEnd = '&';
constexpr char kProtectedFlag = '|';
constexpr std::string::size_type kTailLength = 10;
constexpr char kProfileMarkers[] = "@#$%^";

std::uint32_t StartTypeCode(char digit)
{
    switch (digit)
    {
    case '1':
        return ServiceTexts::kStartAuto;
    case '2':
        return ServiceTexts::kStartDemand;
    default:
        return ServiceTexts::kStartDisabled;
    }
}
} // namespace

ServiceAdvice::ServiceAdvice(const std::string& entry)
{
    // Any "|" protects: keeping a service by mistake is harmless, deleting
    // one is not.
    m_bProtected = entry.find(kProtectedFlag) != std::string::npos;

    const std::string::size_type nNameEnd = entry.find(kNameEnd);
    if (nNameEnd == std::string::npos)
        return;
    m_strName = entry.substr(0, nNameEnd);

    std::string strRest = entry.substr(nNameEnd + 1);
    if (!strRest.empty() && strRest.back() == kProtectedFlag)
        strRest.pop_back();
    const std::string::size_type nTail = std::min(kTailLength, strRest.size());
    m_strAdvice = strRest.substr(0, strRest.size() - nTail);
    m_strTail = strRest.substr(strRest.size() - nTail);
}

std::string ServiceAdvice::StartTypeFor(int profile) const
{
    return ServiceTexts::StartTypeText(StartTypeCodeFor(profile));
}

std::uint32_t ServiceAdvice::StartTypeCodeFor(int profile) const
{
    if (profile < kFirstProfile || profile > kLastProfile)
        return ServiceTexts::kStartDisabled;
    // The advice text may hold marker characters itself; only the tail counts.
    const std::string::size_type nMarker = m_strTail.find(kProfileMarkers[profile - kFirstProfile]);
    if (nMarker == std::string::npos || nMarker + 1 >= m_strTail.size())
        return ServiceTexts::kStartDisabled;
    return StartTypeCode(m_strTail[nMarker + 1]);
}
