#include "services/ServiceDetails.h"

#include "services/ServiceRegistry.h"

DWORD ReadServiceDetails(CServiceControl& service, const std::string& strName, ServiceDetails* pDetails,
                         const std::function<void(DWORD dwError)>& report,
                         const EnumDependentsFunction& enumerateDependents)
{
    *pDetails = ServiceDetails();
    {
        CServiceControl::COpenService open(service, strName, CServiceControl::kAccessDetails);
        if (open.Error() == ERROR_SERVICE_DOES_NOT_EXIST)
            return open.Error();
        if (open.Error() != 0)
        {
            report(open.Error());
        }
        else
        {
            if (DWORD dwError = service.QueryStatus(nullptr, &pDetails->dwAccepted))
                report(dwError);
            if (DWORD dwError = service.QueryDescription(&pDetails->strDescription))
                report(dwError);
            if (DWORD dwError = service.QueryConfig(nullptr, &pDetails->strBinaryPath, nullptr, nullptr, nullptr))
                report(dwError);
            service.QueryDependencies(&pDetails->dependencies);
            if (DWORD dwDependentsError =
                    EnumerateDependentServices(service.ServiceHandle(), &pDetails->dependents, enumerateDependents))
                report(dwDependentsError);
        }
    }
    // Wine answers both dependency queries empty although the registry
    // holds the lists; on Windows the two agree.
    CServicesKey servicesKey;
    if (pDetails->dependencies.empty())
        pDetails->dependencies = servicesKey.ReadDependencies(strName);
    if (pDetails->dependents.empty())
        pDetails->dependents = servicesKey.ReadDependents(strName);
    return 0;
}

std::string DisplayNameOf(CServiceControl& service, const std::string& strName)
{
    std::string strDisplay;
    CServiceControl::COpenService open(service, strName, CServiceControl::kAccessRead);
    if (open.Error() == 0 && service.QueryConfig(nullptr, nullptr, nullptr, &strDisplay, nullptr) == 0 &&
        !strDisplay.empty())
        return strDisplay;
    return strName;
}
