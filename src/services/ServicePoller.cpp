#include "services/ServicePoller.h"

#include "common/AsciiText.h"
#include "services/ServiceEnumeration.h"

#include <vector>

CServicePoller::CServicePoller()
{
    m_hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CServicePoller::~CServicePoller()
{
    CloseServiceKeys();
    if (m_hServicesKey != nullptr)
        RegCloseKey(m_hServicesKey);
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

void CServicePoller::CloseServiceKeys()
{
    for (auto& entry : m_serviceKeys)
        RegCloseKey(entry.second);
    m_serviceKeys.clear();
}

bool CServicePoller::ReadStartType(const std::string& strKey, const char* pszName, DWORD* pdwStartType)
{
    if (m_hServicesKey == nullptr &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_READ, &m_hServicesKey) !=
            ERROR_SUCCESS)
    {
        m_hServicesKey = nullptr;
        return false;
    }
    // A kept key may belong to a service deleted and made again since; it
    // is opened afresh once when it no longer answers.
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        auto found = m_serviceKeys.find(strKey);
        if (found == m_serviceKeys.end())
        {
            HKEY hKey = nullptr;
            if (RegOpenKeyExA(m_hServicesKey, pszName, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
                return false;
            found = m_serviceKeys.emplace(strKey, hKey).first;
        }
        DWORD dwType = 0, dwValue = 0, dwSize = sizeof(dwValue);
        LONG nResult =
            RegQueryValueExA(found->second, "Start", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &dwSize);
        if (nResult == ERROR_SUCCESS && dwType == REG_DWORD && dwSize == sizeof(dwValue))
        {
            *pdwStartType = dwValue;
            return true;
        }
        RegCloseKey(found->second);
        m_serviceKeys.erase(found);
        if (nResult != ERROR_KEY_DELETED)
            return false;
    }
    return false;
}

bool CServicePoller::StartTypesMayHaveChanged()
{
    if (m_bStartTypesStale)
        return true;
    return m_hChanged == nullptr || WaitForSingleObject(m_hChanged, 0) != WAIT_TIMEOUT;
}

DWORD CServicePoller::Refresh(SC_HANDLE hManager)
{
    std::vector<EnumeratedService> services;
    if (DWORD dwError = EnumerateWin32Services(hManager, &services))
        return dwError;

    // Re-arm the watch before reading, so that a change during the read is
    // seen by the next pass.
    bool bReread = StartTypesMayHaveChanged();
    if (bReread)
    {
        m_bStartTypesStale = false;
        WatchServicesKey();
        m_startTypes.clear();
    }

    m_services.clear();
    for (const EnumeratedService& service : services)
    {
        std::string strKey = AsciiLower(service.strName);
        Status status = {service.status.dwCurrentState, service.status.dwControlsAccepted, false, 0};
        auto cached = m_startTypes.find(strKey);
        if (cached != m_startTypes.end())
        {
            status.bStartTypeKnown = true;
            status.dwStartType = cached->second;
        }
        else if (ReadStartType(strKey, service.strName.c_str(), &status.dwStartType))
        {
            status.bStartTypeKnown = true;
            m_startTypes[strKey] = status.dwStartType;
        }
        m_services[strKey] = status;
    }
    // Keys of services that are gone are let go.
    for (auto it = m_serviceKeys.begin(); it != m_serviceKeys.end();)
    {
        if (m_services.count(it->first) == 0)
        {
            RegCloseKey(it->second);
            it = m_serviceKeys.erase(it);
        }
        else
        {
            ++it;
        }
    }
    return 0;
}

const CServicePoller::Status* CServicePoller::Find(const std::string& strServiceName) const
{
    auto found = m_services.find(AsciiLower(strServiceName));
    return found != m_services.end() ? &found->second : nullptr;
}
