#include "services/ServiceEnumeration.h"

DWORD EnumerateWin32Services(SC_HANDLE hManager, std::vector<EnumeratedService>* pServices,
                             const EnumServicesFunction& enumerate)
{
    pServices->clear();
    std::vector<BYTE> buffer;
    for (int nTry = 0;; ++nTry)
    {
        DWORD dwNeeded = 0, dwResume = 0, dwCount = 0;
        auto* pBatch = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
        if (enumerate(hManager, SERVICE_WIN32, SERVICE_STATE_ALL, pBatch, static_cast<DWORD>(buffer.size()),
                      &dwNeeded, &dwCount, &dwResume))
        {
            for (DWORD i = 0; i < dwCount; ++i)
                pServices->push_back({pBatch[i].lpServiceName, pBatch[i].lpDisplayName, pBatch[i].ServiceStatus});
            return 0;
        }
        DWORD dwError = GetLastError();
        if ((dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER) || dwNeeded <= buffer.size() ||
            nTry == 2)
            return dwError;
        buffer.assign(dwNeeded, 0);
    }
}

DWORD EnumerateDependentServices(SC_HANDLE hService, std::vector<std::string>* pNames,
                                 const EnumDependentsFunction& enumerate)
{
    pNames->clear();
    DWORD dwNeeded = 0, dwCount = 0;
    if (enumerate(hService, SERVICE_STATE_ALL, nullptr, 0, &dwNeeded, &dwCount) ||
        GetLastError() != ERROR_MORE_DATA || dwNeeded == 0)
        return 0;
    std::vector<BYTE> buffer(dwNeeded, 0);
    auto* pDependents = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
    if (!enumerate(hService, SERVICE_STATE_ALL, pDependents, dwNeeded, &dwNeeded, &dwCount))
        return GetLastError();
    for (DWORD i = 0; i < dwCount; ++i)
        pNames->emplace_back(pDependents[i].lpServiceName);
    return 0;
}
