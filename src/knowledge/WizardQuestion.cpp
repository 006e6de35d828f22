#include "knowledge/WizardQuestion.h"

namespace
{
constexpr char kTextStart[] = "您";
constexpr char kTextEnd = '&';
constexpr char kServiceSeparator = ',';
} // namespace

WizardQuestion::WizardQuestion(const std::string& question) : m_strQuestion(question)
{
    const std::string::size_type nTextEnd = question.find(kTextEnd);
    const std::string strHead = question.substr(0, nTextEnd);
    const std::string::size_type nTextStart = strHead.find(kTextStart);
    if (nTextStart != std::string::npos)
        m_strText = strHead.substr(nTextStart);

    if (nTextEnd == std::string::npos)
        return;
    std::string::size_type nStart = nTextEnd + 1;
    while (nStart <= question.size())
    {
        std::string::size_type nEnd = question.find(kServiceSeparator, nStart);
        if (nEnd == std::string::npos)
            nEnd = question.size();
        if (nEnd > nStart)
            m_vecServices.push_back(question.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
}

bool WizardQuestion::AppliesTo(const std::string& osMarker) const
{
    return osMarker.empty() || m_strQuestion.find(osMarker) != std::string::npos;
}
