#include "services/ManagerSession.h"

#include "common/WideText.h"

#include <new>
#include <utility>

// The manager, the registry root and the enumerations of one session.
struct CManagerSession::Shared
{
    Shared() = default;
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    ~Shared()
    {
        if (hManager != nullptr)
            CloseServiceHandle(hManager);
        if (bOwnRoot)
            RegCloseKey(hRoot);
    }

    SC_HANDLE hManager = nullptr;
    HKEY hRoot = nullptr;
    bool bOwnRoot = false;
    DWORD dwError = 0;
    EnumServicesFunction enumerateServices = EnumServicesStatusW;
    EnumDependentsFunction enumerateDependents = EnumDependentServicesW;
};

namespace
{
// First size tried for a configuration or description record; larger
// records grow the buffer to what the manager asks for.
constexpr DWORD kInitialBufferSize = 4096;

// SERVICE_CONFIG_DELAYED_AUTO_START_INFO and its record, which the headers
// for Windows XP do not declare.
constexpr DWORD kConfigDelayedAutoStart = 3;
struct DelayedAutoStartInfo
{
    BOOL fDelayedAutostart;
};
// Where Windows keeps that flag, in the service's key.
constexpr const wchar_t* kDelayedAutoStartValue = L"DelayedAutostart";

std::wstring TextOf(const wchar_t* psz)
{
    return psz != nullptr ? psz : L"";
}

const wchar_t* OptionalText(const std::wstring& wstr)
{
    return wstr.empty() ? nullptr : wstr.c_str();
}

std::wstring WithoutLeadingBackslashes(const std::wstring& wstrName)
{
    std::wstring::size_type nStart = wstrName.find_first_not_of(L'\\');
    return nStart == std::wstring::npos ? std::wstring() : wstrName.substr(nStart);
}

// One open service of a real manager; its handle is closed when it goes.
class CManagerServiceHandle : public IServiceHandle
{
public:
    CManagerServiceHandle(std::shared_ptr<CManagerSession::Shared> pShared, SC_HANDLE hService,
                          const std::wstring& wstrName)
        : m_pShared(std::move(pShared)), m_hService(hService), m_wstrName(wstrName)
    {
        // A buffer that cannot be had now is left empty: its query then
        // grows it to what the manager asks for.
        for (std::vector<BYTE>* pBuffer : {&m_configBuffer, &m_config2Buffer})
        {
            try
            {
                pBuffer->assign(kInitialBufferSize, 0);
            }
            catch (const std::bad_alloc&)
            {
            }
        }
    }
    ~CManagerServiceHandle() override { CloseServiceHandle(m_hService); }
    CManagerServiceHandle(const CManagerServiceHandle&) = delete;
    CManagerServiceHandle& operator=(const CManagerServiceHandle&) = delete;

    DWORD QueryStatus(SERVICE_STATUS* pStatus) override
    {
        return QueryServiceStatus(m_hService, pStatus) ? 0 : GetLastError();
    }

    DWORD QueryConfig(ServiceConfig* pConfig) override
    {
        DWORD dwError = QueryInto(&m_configBuffer, [this](BYTE* pBuffer, DWORD cbBuffer, DWORD* pcbNeeded) {
            return QueryServiceConfigW(m_hService, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(pBuffer), cbBuffer,
                                       pcbNeeded);
        });
        if (dwError != 0)
            return dwError;
        const auto* pRecord = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(m_configBuffer.data());
        ServiceConfig config;
        config.dwServiceType = pRecord->dwServiceType;
        config.dwStartType = pRecord->dwStartType;
        config.dwErrorControl = pRecord->dwErrorControl;
        config.wstrBinaryPath = TextOf(pRecord->lpBinaryPathName);
        config.wstrLoadOrderGroup = TextOf(pRecord->lpLoadOrderGroup);
        for (const wchar_t* p = pRecord->lpDependencies; p != nullptr && *p != L'\0'; p += lstrlenW(p) + 1)
            config.dependencies.emplace_back(p);
        config.wstrAccount = TextOf(pRecord->lpServiceStartName);
        config.wstrDisplayName = TextOf(pRecord->lpDisplayName);
        *pConfig = std::move(config);
        return 0;
    }

    DWORD QueryDescription(std::wstring* pwstrDescription) override
    {
        DWORD dwError = QueryConfig2(SERVICE_CONFIG_DESCRIPTION);
        if (dwError == 0)
            *pwstrDescription =
                TextOf(reinterpret_cast<const SERVICE_DESCRIPTIONW*>(m_config2Buffer.data())->lpDescription);
        return dwError;
    }

    // Managers before Vista (and Wine) know no such level and answer 124;
    // the flag is then read where Windows keeps it.
    DWORD QueryDelayedAutoStart(bool* pbDelayed) override
    {
        DWORD dwError = QueryConfig2(kConfigDelayedAutoStart);
        if (dwError == 0)
        {
            *pbDelayed =
                reinterpret_cast<const DelayedAutoStartInfo*>(m_config2Buffer.data())->fDelayedAutostart != FALSE;
            return 0;
        }
        if (dwError != ERROR_INVALID_LEVEL)
            return dwError;
        return ReadDelayedAutoStartValue(pbDelayed);
    }

    DWORD EnumerateDependents(std::vector<std::wstring>* pNames) override
    {
        return ListDependentServices(m_hService, pNames, m_pShared->enumerateDependents);
    }

    DWORD ChangeStartType(DWORD dwStartType) override
    {
        SC_LOCK hLock = LockServiceDatabase(m_pShared->hManager);
        if (hLock == nullptr)
            return GetLastError();
        DWORD dwError = 0;
        if (!ChangeServiceConfigW(m_hService, SERVICE_NO_CHANGE, dwStartType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr))
            dwError = GetLastError();
        UnlockServiceDatabase(hLock);
        return dwError;
    }

    DWORD ChangeDescription(const std::wstring& wstrDescription) override
    {
        std::wstring wstrText = wstrDescription;
        SERVICE_DESCRIPTIONW description = {&wstrText[0]};
        return ChangeServiceConfig2W(m_hService, SERVICE_CONFIG_DESCRIPTION, &description) ? 0 : GetLastError();
    }

    DWORD ChangeConfig2(DWORD dwInfoLevel, void* pInfo) override
    {
        return ChangeServiceConfig2W(m_hService, dwInfoLevel, pInfo) ? 0 : GetLastError();
    }

    DWORD Start() override { return StartServiceW(m_hService, 0, nullptr) ? 0 : GetLastError(); }

    DWORD Control(DWORD dwControl, SERVICE_STATUS* pStatus) override
    {
        SERVICE_STATUS ignored = {};
        return ControlService(m_hService, dwControl, pStatus != nullptr ? pStatus : &ignored) ? 0 : GetLastError();
    }

    DWORD Delete() override { return DeleteService(m_hService) ? 0 : GetLastError(); }

private:
    // Runs the query into the buffer, grown once to the size the manager
    // asks for when it is too small.
    template <typename Query>
    static DWORD QueryInto(std::vector<BYTE>* pBuffer, const Query& query)
    {
        for (int nTry = 0; nTry < 2; ++nTry)
        {
            DWORD dwNeeded = 0;
            if (query(pBuffer->data(), static_cast<DWORD>(pBuffer->size()), &dwNeeded))
                return 0;
            DWORD dwError = GetLastError();
            if (dwError != ERROR_INSUFFICIENT_BUFFER || dwNeeded <= pBuffer->size())
                return dwError;
            try
            {
                pBuffer->assign(dwNeeded, 0);
            }
            catch (const std::bad_alloc&)
            {
                return ERROR_NOT_ENOUGH_MEMORY;
            }
        }
        return ERROR_INSUFFICIENT_BUFFER;
    }

    DWORD QueryConfig2(DWORD dwInfoLevel)
    {
        return QueryInto(&m_config2Buffer, [this, dwInfoLevel](BYTE* pBuffer, DWORD cbBuffer, DWORD* pcbNeeded) {
            return QueryServiceConfig2W(m_hService, dwInfoLevel, pBuffer, cbBuffer, pcbNeeded);
        });
    }

    // A missing value is a service that does not wait.
    DWORD ReadDelayedAutoStartValue(bool* pbDelayed)
    {
        if (m_pShared->hRoot == nullptr)
            return ERROR_INVALID_HANDLE;
        std::wstring wstrPath = std::wstring(IServiceSession::kServicesKeyPath) + L"\\" + m_wstrName;
        HKEY hKey = nullptr;
        LONG nResult = RegOpenKeyExW(m_pShared->hRoot, wstrPath.c_str(), 0, KEY_QUERY_VALUE, &hKey);
        if (nResult != ERROR_SUCCESS)
            return static_cast<DWORD>(nResult);
        DWORD dwType = 0, dwValue = 0, cbValue = sizeof(dwValue);
        nResult = RegQueryValueExW(hKey, kDelayedAutoStartValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue),
                                   &cbValue);
        RegCloseKey(hKey);
        if (nResult == ERROR_FILE_NOT_FOUND)
        {
            *pbDelayed = false;
            return 0;
        }
        bool bNotADword = nResult == ERROR_SUCCESS && (dwType != REG_DWORD || cbValue != sizeof(dwValue));
        if (nResult == ERROR_MORE_DATA || bNotADword)
            return ERROR_INVALID_DATA;
        if (nResult != ERROR_SUCCESS)
            return static_cast<DWORD>(nResult);
        *pbDelayed = dwValue != 0;
        return 0;
    }

    std::shared_ptr<CManagerSession::Shared> m_pShared;
    SC_HANDLE m_hService;
    std::wstring m_wstrName;
    std::vector<BYTE> m_configBuffer;
    std::vector<BYTE> m_config2Buffer;
};
} // namespace


namespace
{
// The service handed over to *pService, or closed again when there is no
// room for its object.
DWORD Adopt(const std::shared_ptr<CManagerSession::Shared>& pShared, SC_HANDLE hService,
            const std::wstring& wstrName, CService* pService)
{
    try
    {
        *pService = CService(std::make_unique<CManagerServiceHandle>(pShared, hService, wstrName));
    }
    catch (const std::bad_alloc&)
    {
        CloseServiceHandle(hService);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
}
} // namespace

CManagerSession::CManagerSession(const std::wstring& wstrComputerName, const wchar_t* pszDatabaseName)
    : m_wstrComputerName(WithoutLeadingBackslashes(wstrComputerName)),
      m_pShared(std::make_shared<Shared>())
{
    Shared& shared = *m_pShared;
    const std::wstring wstrUncName = m_wstrComputerName.empty() ? std::wstring() : L"\\\\" + m_wstrComputerName;
    shared.hManager = OpenSCManagerW(OptionalText(wstrUncName), pszDatabaseName, SC_MANAGER_ALL_ACCESS);
    if (shared.hManager == nullptr)
    {
        shared.dwError = GetLastError();
        if (shared.dwError == 0)
            shared.dwError = ERROR_INVALID_HANDLE;
    }
    if (m_wstrComputerName.empty())
    {
        shared.hRoot = HKEY_LOCAL_MACHINE;
    }
    else
    {
        HKEY hRoot = nullptr;
        LONG nResult = RegConnectRegistryW(wstrUncName.c_str(), HKEY_LOCAL_MACHINE, &hRoot);
        if (nResult == ERROR_SUCCESS)
        {
            shared.hRoot = hRoot;
            // Wine answers this computer's own name with the predefined key.
            shared.bOwnRoot = hRoot != HKEY_LOCAL_MACHINE;
        }
        else if (shared.dwError == 0)
        {
            shared.dwError = static_cast<DWORD>(nResult);
        }
    }
    // A computer whose registry cannot be reached has no session: Wine's
    // manager would otherwise answer for this computer whatever the name.
    if (shared.dwError != 0 && shared.hManager != nullptr)
    {
        CloseServiceHandle(shared.hManager);
        shared.hManager = nullptr;
    }
}

CManagerSession::~CManagerSession() = default;

void CManagerSession::SetEnumerators(EnumServicesFunction enumerateServices,
                                     EnumDependentsFunction enumerateDependents)
{
    m_pShared->enumerateServices = enumerateServices ? std::move(enumerateServices) : EnumServicesStatusW;
    m_pShared->enumerateDependents = enumerateDependents ? std::move(enumerateDependents) : EnumDependentServicesW;
}

DWORD CManagerSession::ManagerError() const
{
    return m_pShared->dwError;
}

HKEY CManagerSession::RegistryRoot() const
{
    return m_pShared->hRoot;
}

DWORD CManagerSession::Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices)
{
    if (m_pShared->hManager == nullptr)
    {
        pServices->clear();
        return ERROR_INVALID_HANDLE;
    }
    // The list fills the caller's places again, their strings' room reused.
    return ListServices(m_pShared->hManager, dwServiceType, pServices, m_pShared->enumerateServices,
                        &m_dwListingBytes);
}

DWORD CManagerSession::Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService)
{
    pService->Close();
    if (m_pShared->hManager == nullptr)
        return ERROR_INVALID_HANDLE;
    SC_HANDLE hService = OpenServiceW(m_pShared->hManager, wstrName.c_str(), dwDesiredAccess);
    if (hService == nullptr)
        return GetLastError();
    return Adopt(m_pShared, hService, wstrName, pService);
}

DWORD CManagerSession::Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService)
{
    pService->Close();
    if (m_pShared->hManager == nullptr)
        return ERROR_INVALID_HANDLE;
    std::wstring wstrDependencies;
    for (const std::wstring& wstrDependency : config.dependencies)
    {
        if (!wstrDependency.empty())
            wstrDependencies.append(wstrDependency).push_back(L'\0');
    }
    bool bDependencies = !wstrDependencies.empty();
    wstrDependencies.push_back(L'\0');
    // The manager's own account is given as none.
    const wchar_t* pszAccount =
        EqualsNoCaseWide(config.wstrAccount, L"LocalSystem") ? nullptr : OptionalText(config.wstrAccount);
    SC_HANDLE hService =
        CreateServiceW(m_pShared->hManager, wstrName.c_str(), OptionalText(config.wstrDisplayName),
                       SERVICE_ALL_ACCESS, config.dwServiceType, config.dwStartType, config.dwErrorControl,
                       config.wstrBinaryPath.c_str(), OptionalText(config.wstrLoadOrderGroup), nullptr,
                       bDependencies ? wstrDependencies.c_str() : nullptr, pszAccount, nullptr);
    if (hService == nullptr)
        return GetLastError();
    DWORD dwError = 0;
    // Said once more on its own: some managers (Wine's) keep only the first
    // dependency of a new service.
    if (bDependencies &&
        !ChangeServiceConfigW(hService, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, wstrDependencies.c_str(), nullptr, nullptr, nullptr))
        dwError = GetLastError();
    DWORD dwAdopted = Adopt(m_pShared, hService, wstrName, pService);
    return dwError != 0 ? dwError : dwAdopted;
}

std::unique_ptr<IServiceSession> OpenServiceSession(const std::wstring& wstrComputerName)
{
    return std::make_unique<CManagerSession>(wstrComputerName);
}
