#include "services/ServiceDetails.h"

#include "common/GbkText.h"
#include "services/ServiceRegistry.h"

DWORD ReadServiceDetails(IServiceSession& session, const std::wstring& wstrName, ServiceDetails* pDetails,
                         const std::function<void(DWORD dwError)>& report)
{
    *pDetails = ServiceDetails();
    {
        CService service;
        DWORD dwOpen = session.Open(wstrName, IServiceSession::kAccessDetails, &service);
        if (dwOpen == ERROR_SERVICE_DOES_NOT_EXIST)
            return dwOpen;
        if (dwOpen != 0)
        {
            report(dwOpen);
        }
        else
        {
            SERVICE_STATUS status = {};
            if (DWORD dwError = service.QueryStatus(&status))
                report(dwError);
            pDetails->dwAccepted = status.dwControlsAccepted;
            std::wstring wstrDescription;
            if (DWORD dwError = service.QueryDescription(&wstrDescription))
                report(dwError);
            pDetails->strDescription = GbkText::FromWide(wstrDescription);
            ServiceConfig config;
            if (DWORD dwError = service.QueryConfig(&config))
                report(dwError);
            pDetails->strBinaryPath = GbkText::FromWide(config.wstrBinaryPath);
            pDetails->dependencies = config.dependencies;
            if (DWORD dwDependentsError = service.EnumerateDependents(&pDetails->dependents))
                report(dwDependentsError);
        }
    }
    // Wine answers both dependency queries empty although the registry
    // holds the lists; on Windows the two agree.
    CServicesKey servicesKey(session.RegistryRoot());
    if (pDetails->dependencies.empty())
        pDetails->dependencies = servicesKey.ReadDependencies(wstrName);
    if (pDetails->dependents.empty())
        pDetails->dependents = servicesKey.ReadDependents(wstrName);
    return 0;
}

std::string DisplayNameOf(IServiceSession& session, const std::wstring& wstrName)
{
    CService service;
    ServiceConfig config;
    if (session.Open(wstrName, IServiceSession::kAccessRead, &service) == 0 && service.QueryConfig(&config) == 0 &&
        !config.wstrDisplayName.empty())
        return GbkText::FromWide(config.wstrDisplayName);
    return GbkText::FromWide(wstrName);
}
