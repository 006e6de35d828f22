#include "services/ServiceControl.h"

#include "services/ServiceTexts.h"

#include <new>

namespace
{
// First size tried for a configuration or description record; larger
// records grow the buffer to what the manager asks for.
constexpr DWORD kInitialBufferSize = 4096;

// How long StopAndDelete gives a service to stop before marking it.
constexpr DWORD kStopGraceMs = 500;
constexpr DWORD kStopPollMs = 25;
} // namespace

CServiceControl::CServiceControl()
{
    Init(nullptr);
}

CServiceControl::CServiceControl(const char* pszDatabaseName)
{
    Init(pszDatabaseName);
}

void CServiceControl::Init(const char* pszDatabaseName)
{
    m_hSCManager = OpenSCManagerA(nullptr, pszDatabaseName, SC_MANAGER_ALL_ACCESS);
    try
    {
        m_configBuffer.assign(kInitialBufferSize, 0);
    }
    catch (const std::bad_alloc&)
    {
        // Left empty; the owner reports it, and queries still grow the
        // buffer to what the manager asks for.
        m_bBuffersReady = false;
    }
    try
    {
        m_descriptionBuffer.assign(kInitialBufferSize, 0);
    }
    catch (const std::bad_alloc&)
    {
        // Not reported; the description query then asks for the real size.
    }
}

CServiceControl::~CServiceControl()
{
    Close();
    if (m_hSCManager != nullptr)
        CloseServiceHandle(m_hSCManager);
}

DWORD CServiceControl::Open(const std::string& strServiceName, DWORD dwDesiredAccess)
{
    // What the manager answers for a null handle; the caller says why.
    if (m_hSCManager == nullptr)
        return ERROR_INVALID_HANDLE;
    // A service still open here would otherwise leak its handle.
    Close();
    m_hService = OpenServiceA(m_hSCManager, strServiceName.c_str(), dwDesiredAccess);
    return m_hService != nullptr ? 0 : GetLastError();
}

void CServiceControl::Close()
{
    if (m_hService != nullptr)
    {
        CloseServiceHandle(m_hService);
        m_hService = nullptr;
    }
}

DWORD CServiceControl::QueryStatus(std::string* pstrState, DWORD* pdwControlsAccepted)
{
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(m_hService, &status))
        return GetLastError();
    if (pstrState != nullptr)
        *pstrState = ServiceTexts::RunStateText(status.dwCurrentState);
    if (pdwControlsAccepted != nullptr)
        *pdwControlsAccepted = status.dwControlsAccepted;
    return 0;
}

DWORD CServiceControl::QueryConfigRecord()
{
    DWORD dwNeeded = 0;
    auto* pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(m_configBuffer.data());
    if (QueryServiceConfigA(m_hService, pConfig, static_cast<DWORD>(m_configBuffer.size()), &dwNeeded))
        return 0;
    DWORD dwError = GetLastError();
    if (dwError != ERROR_INSUFFICIENT_BUFFER || dwNeeded <= m_configBuffer.size())
        return dwError;
    try
    {
        m_configBuffer.assign(dwNeeded, 0);
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(m_configBuffer.data());
    if (QueryServiceConfigA(m_hService, pConfig, static_cast<DWORD>(m_configBuffer.size()), &dwNeeded))
        return 0;
    return GetLastError();
}

DWORD CServiceControl::QueryConfig(std::string* pstrStartType, std::string* pstrBinaryPath,
                                   std::string* pstrFirstDependency, std::string* pstrDisplayName,
                                   int* pnStartTypeIndex)
{
    DWORD dwError = QueryConfigRecord();
    if (dwError != 0)
        return dwError;
    const auto* pConfig = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(m_configBuffer.data());
    if (pstrStartType != nullptr && pnStartTypeIndex != nullptr)
    {
        *pstrStartType = ServiceTexts::StartTypeText(pConfig->dwStartType);
        *pnStartTypeIndex = ServiceTexts::StartTypeIndex(pConfig->dwStartType);
    }
    if (pstrBinaryPath != nullptr)
        *pstrBinaryPath = pConfig->lpBinaryPathName != nullptr ? pConfig->lpBinaryPathName : "";
    if (pstrFirstDependency != nullptr)
        *pstrFirstDependency = pConfig->lpDependencies != nullptr ? pConfig->lpDependencies : "";
    if (pstrDisplayName != nullptr)
        *pstrDisplayName = pConfig->lpDisplayName != nullptr ? pConfig->lpDisplayName : "";
    return 0;
}

DWORD CServiceControl::QueryStartType(DWORD* pdwStartType)
{
    DWORD dwError = QueryConfigRecord();
    if (dwError == 0)
        *pdwStartType = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(m_configBuffer.data())->dwStartType;
    return dwError;
}

DWORD CServiceControl::QueryDependencies(std::vector<std::string>* pDependencies)
{
    DWORD dwError = QueryConfigRecord();
    if (dwError != 0)
        return dwError;
    const auto* pConfig = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(m_configBuffer.data());
    pDependencies->clear();
    for (const char* p = pConfig->lpDependencies; p != nullptr && *p != '\0'; p += lstrlenA(p) + 1)
        pDependencies->emplace_back(p);
    return 0;
}

DWORD CServiceControl::QueryDescription(std::string* pstrDescription)
{
    DWORD dwNeeded = 0;
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        if (QueryServiceConfig2A(m_hService, SERVICE_CONFIG_DESCRIPTION, m_descriptionBuffer.data(),
                                 static_cast<DWORD>(m_descriptionBuffer.size()), &dwNeeded))
        {
            const auto* pDescription =
                reinterpret_cast<const SERVICE_DESCRIPTIONA*>(m_descriptionBuffer.data());
            *pstrDescription = pDescription->lpDescription != nullptr ? pDescription->lpDescription : "";
            return 0;
        }
        DWORD dwError = GetLastError();
        if (dwError != ERROR_INSUFFICIENT_BUFFER || dwNeeded <= m_descriptionBuffer.size())
            return dwError;
        try
        {
            m_descriptionBuffer.assign(dwNeeded, 0);
        }
        catch (const std::bad_alloc&)
        {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

DWORD CServiceControl::ChangeStartType(std::string strStartType)
{
    return ChangeStartType(static_cast<DWORD>(ServiceTexts::StartTypeFromWord(strStartType)));
}

DWORD CServiceControl::ChangeStartType(DWORD dwStartType)
{
    SC_LOCK hLock = LockServiceDatabase(m_hSCManager);
    if (hLock == nullptr)
        return GetLastError();
    DWORD dwError = 0;
    if (!ChangeServiceConfigA(m_hService, SERVICE_NO_CHANGE, dwStartType, SERVICE_NO_CHANGE, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        dwError = GetLastError();
    UnlockServiceDatabase(hLock);
    return dwError;
}

DWORD CServiceControl::Start()
{
    return StartServiceA(m_hService, 0, nullptr) ? 0 : GetLastError();
}

DWORD CServiceControl::Control(DWORD dwControl, SERVICE_STATUS* pStatus)
{
    return ControlService(m_hService, dwControl, pStatus) ? 0 : GetLastError();
}

DWORD CServiceControl::QueryWholeConfig(ChangeJournal::ServiceRecord* pRecord)
{
    DWORD dwError = QueryConfigRecord();
    if (dwError != 0)
        return dwError;
    const auto* pConfig = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(m_configBuffer.data());
    auto text = [](const char* psz) { return std::string(psz != nullptr ? psz : ""); };
    pRecord->dwServiceType = pConfig->dwServiceType;
    pRecord->dwStartType = pConfig->dwStartType;
    pRecord->dwErrorControl = pConfig->dwErrorControl;
    pRecord->strPath = text(pConfig->lpBinaryPathName);
    pRecord->strLoadOrderGroup = text(pConfig->lpLoadOrderGroup);
    pRecord->strAccount = text(pConfig->lpServiceStartName);
    pRecord->strDisplayName = text(pConfig->lpDisplayName);
    pRecord->dependencies.clear();
    for (const char* p = pConfig->lpDependencies; p != nullptr && *p != '\0'; p += lstrlenA(p) + 1)
        pRecord->dependencies.emplace_back(p);
    // No description is not an error: the service simply has none.
    pRecord->bHasDescription = QueryDescription(&pRecord->strDescription) == 0;
    if (!pRecord->bHasDescription)
        pRecord->strDescription.clear();
    return 0;
}

DWORD CServiceControl::CreateFromRecord(const ChangeJournal::ServiceRecord& record)
{
    if (m_hSCManager == nullptr)
        return ERROR_INVALID_HANDLE;
    std::string dependencies;
    for (const std::string& strDependency : record.dependencies)
        dependencies.append(strDependency).push_back('\0');
    dependencies.push_back('\0');
    auto optional = [](const std::string& str) { return str.empty() ? nullptr : str.c_str(); };
    // The manager's own account is given as none, as it was at the start.
    const char* pszAccount = lstrcmpiA(record.strAccount.c_str(), "LocalSystem") == 0 ? nullptr
                                                                                       : optional(record.strAccount);
    SC_HANDLE hService =
        CreateServiceA(m_hSCManager, record.strName.c_str(), optional(record.strDisplayName), SERVICE_ALL_ACCESS,
                       record.dwServiceType, record.dwStartType, record.dwErrorControl, record.strPath.c_str(),
                       optional(record.strLoadOrderGroup), nullptr, dependencies.c_str(), pszAccount,
                       nullptr);
    if (hService == nullptr)
        return GetLastError();
    DWORD dwError = 0;
    // Said once more on its own: some managers keep only the first
    // dependency of a new service.
    if (!record.dependencies.empty() &&
        !ChangeServiceConfigA(hService, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, dependencies.c_str(), nullptr, nullptr, nullptr))
        dwError = GetLastError();
    if (dwError == 0 && record.bHasDescription)
    {
        std::string strDescription = record.strDescription;
        SERVICE_DESCRIPTIONA description = {&strDescription[0]};
        if (!ChangeServiceConfig2A(hService, SERVICE_CONFIG_DESCRIPTION, &description))
            dwError = GetLastError();
    }
    CloseServiceHandle(hService);
    return dwError;
}

DWORD CServiceControl::StopAndDelete()
{
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(m_hService, &status))
        return GetLastError();
    if (status.dwCurrentState != SERVICE_STOPPED)
    {
        if (!ControlService(m_hService, SERVICE_CONTROL_STOP, &status))
            return GetLastError();
        // Give the service a moment to stop so that it can go at once; a
        // slower one is still marked and goes when it has stopped.
        for (DWORD dwWaited = 0; dwWaited < kStopGraceMs; dwWaited += kStopPollMs)
        {
            if (QueryServiceStatus(m_hService, &status) && status.dwCurrentState == SERVICE_STOPPED)
                break;
            Sleep(kStopPollMs);
        }
    }
    return DeleteService(m_hService) ? 0 : GetLastError();
}
