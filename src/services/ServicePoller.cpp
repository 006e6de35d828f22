#include "services/ServicePoller.h"

#include "common/AsciiText.h"
#include "services/ServiceRegistry.h"

#include <vector>

CServicePoller::CServicePoller()
{
    m_hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CServicePoller::~CServicePoller()
{
    if (m_hWatchedKey != nullptr)
        RegCloseKey(m_hWatchedKey);
    if (m_hChanged != nullptr)
        CloseHandle(m_hChanged);
}

void CServicePoller::WatchServicesKey()
{
    if (m_hWatchedKey == nullptr &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_NOTIFY, &m_hWatchedKey) !=
            ERROR_SUCCESS)
        m_hWatchedKey = nullptr;
    ResetEvent(m_hChanged);
    // Without a watch every start type is read again on every pass.
    if (m_hWatchedKey == nullptr || m_hChanged == nullptr ||
        RegNotifyChangeKeyValue(m_hWatchedKey, TRUE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                m_hChanged, TRUE) != ERROR_SUCCESS)
        m_bStartTypesStale = true;
}

bool CServicePoller::StartTypesMayHaveChanged()
{
    if (m_bStartTypesStale)
        return true;
    return m_hChanged == nullptr || WaitForSingleObject(m_hChanged, 0) != WAIT_TIMEOUT;
}

DWORD CServicePoller::Refresh(SC_HANDLE hManager)
{
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    for (int nTry = 0;; ++nTry)
    {
        DWORD dwNeeded = 0, dwResume = 0;
        dwCount = 0;
        if (EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL,
                                reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data()),
                                static_cast<DWORD>(buffer.size()), &dwNeeded, &dwCount, &dwResume))
            break;
        DWORD dwError = GetLastError();
        if ((dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER) || dwNeeded <= buffer.size() ||
            nTry == 2)
            return dwError;
        buffer.assign(dwNeeded, 0);
    }

    // Re-arm the watch before reading, so that a change during the read is
    // seen by the next pass.
    bool bReread = StartTypesMayHaveChanged();
    if (bReread)
    {
        m_bStartTypesStale = false;
        WatchServicesKey();
        m_startTypes.clear();
    }

    CServicesKey servicesKey;
    const auto* pServices = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
    m_services.clear();
    for (DWORD i = 0; i < dwCount; ++i)
    {
        std::string strKey = AsciiLower(pServices[i].lpServiceName);
        Status status = {pServices[i].ServiceStatus.dwCurrentState, pServices[i].ServiceStatus.dwControlsAccepted,
                         false, 0};
        auto cached = m_startTypes.find(strKey);
        if (cached != m_startTypes.end())
        {
            status.bStartTypeKnown = true;
            status.dwStartType = cached->second;
        }
        else if (servicesKey.ReadStartType(pServices[i].lpServiceName, &status.dwStartType))
        {
            status.bStartTypeKnown = true;
            m_startTypes[strKey] = status.dwStartType;
        }
        m_services[strKey] = status;
    }
    return 0;
}

const CServicePoller::Status* CServicePoller::Find(const std::string& strServiceName) const
{
    auto found = m_services.find(AsciiLower(strServiceName));
    return found != m_services.end() ? &found->second : nullptr;
}
