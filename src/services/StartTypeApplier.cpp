#include "services/StartTypeApplier.h"

#include "common/AsciiText.h"
#include "config/ServiceConfigFile.h"
#include "config/ServiceConfigStore.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "services/ServiceTexts.h"

#include <unordered_set>
#include <utility>

CStartTypeApplier::CStartTypeApplier(CServiceControl& service, FailureReport reportFailure,
                                     EnumServicesFunction enumerate)
    : m_service(service), m_reportFailure(std::move(reportFailure)), m_enumerate(std::move(enumerate))
{
}

DWORD CStartTypeApplier::ApplyToService(const std::string& strName, DWORD dwStartType)
{
    DWORD dwError = 0;
    {
        CServiceControl::COpenService open(m_service, strName, CServiceControl::kAccessChangeConfig);
        dwError = open.Error();
        if (dwError == 0)
            dwError = m_service.ChangeStartType(dwStartType);
    }
    if (dwError != 0)
        m_reportFailure(strName, dwError);
    return dwError;
}

void CStartTypeApplier::ApplyProfile(int nProfile)
{
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        DWORD dwError = 0;
        {
            CServiceControl::COpenService open(m_service, advice.ServiceName(), CServiceControl::kAccessChangeConfig);
            if (open.Error() != 0)
                continue;
            dwError = m_service.ChangeStartType(static_cast<DWORD>(advice.StartTypeCodeFor(nProfile)));
        }
        if (dwError != 0)
            m_reportFailure(advice.ServiceName(), dwError);
    }
}

CStartTypeApplier::FileOutcome CStartTypeApplier::ApplyFile(const ApplyRequest& request)
{
    std::string strData = request.strText;
    if (!request.bTextGiven && !ReadServiceConfigFile(request.strPath, &strData))
        return FileOutcome::Unreadable;
    // A line naming a driver is skipped like an unknown word.
    std::vector<EnumeratedService> services;
    if (DWORD dwError = EnumerateWin32Services(m_service.ManagerHandle(), &services, m_enumerate))
    {
        m_reportFailure(std::string(), dwError);
        return FileOutcome::NotListed;
    }
    std::unordered_set<std::string> listed;
    for (const EnumeratedService& service : services)
        listed.insert(AsciiLower(service.strName));
    for (const ServiceConfigFile::Record& record : ServiceConfigFile::ParseRecords(strData))
    {
        if (!ServiceConfigFile::IsApplicable(record) || listed.count(AsciiLower(record.strName)) == 0)
            continue;
        CServiceControl::COpenService open(m_service, record.strName, CServiceControl::kAccessChangeConfig);
        if (open.Error() == 0)
            m_service.ChangeStartType(static_cast<DWORD>(ServiceTexts::StartTypeFromWord(record.strWord)));
    }
    return FileOutcome::Applied;
}
