#include "services/ServicePoller.h"

#include "common/WideText.h"
#include "services/ServiceRegistry.h"
#include "services/ServiceSession.h"

#include <vector>

CServicePoller::CServicePoller()
{
    m_hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CServicePoller::~CServicePoller()
{
    if (m_hChanged != nullptr)
        CloseHandle(m_hChanged);
}

void CServicePoller::WatchServicesKey()
{
    if (!m_watchedKey.IsOpen())
        m_watchedKey.Open(m_hRoot, IServiceSession::kServicesKeyPath, KEY_NOTIFY);
    ResetEvent(m_hChanged);
    // Without a watch every start type is read again on every pass.
    if (m_hRoot == nullptr || !m_watchedKey.IsOpen() || m_hChanged == nullptr ||
        RegNotifyChangeKeyValue(m_watchedKey.Get(), TRUE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                m_hChanged, TRUE) != ERROR_SUCCESS)
        m_bStartTypesStale = true;
}

bool CServicePoller::ReadStartType(const std::wstring& wstrKey, const wchar_t* pszName, DWORD* pdwStartType)
{
    if (m_hRoot == nullptr)
        return false;
    if (!m_servicesKey.IsOpen() &&
        m_servicesKey.Open(m_hRoot, IServiceSession::kServicesKeyPath, KEY_READ) != ERROR_SUCCESS)
        return false;
    // A kept key may belong to a service deleted and made again since; it
    // is opened afresh once when it no longer answers.
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        auto found = m_serviceKeys.find(wstrKey);
        if (found == m_serviceKeys.end())
        {
            CRegKey key;
            if (key.Open(m_servicesKey.Get(), pszName, KEY_QUERY_VALUE) != ERROR_SUCCESS)
                return false;
            found = m_serviceKeys.emplace(wstrKey, std::move(key)).first;
        }
        LONG nResult = CServicesKey::ReadStartValue(found->second.Get(), pdwStartType);
        if (nResult == ERROR_SUCCESS)
            return true;
        m_serviceKeys.erase(found);
        if (nResult != ERROR_KEY_DELETED)
            return false;
    }
    return false;
}

void CServicePoller::UseRoot(HKEY hRoot)
{
    if (hRoot == m_hRoot)
        return;
    m_hRoot = hRoot;
    m_serviceKeys.clear();
    m_startTypes.clear();
    m_servicesKey.Close();
    m_watchedKey.Close();
    m_bStartTypesStale = true;
}

bool CServicePoller::StartTypesMayHaveChanged()
{
    if (m_bStartTypesStale)
        return true;
    return m_hChanged == nullptr || WaitForSingleObject(m_hChanged, 0) != WAIT_TIMEOUT;
}

void CServicePoller::CheckStartTypes()
{
    // Re-arm the watch before reading, so that a change during the read is
    // seen by the next check.
    if (!StartTypesMayHaveChanged())
        return;
    m_bStartTypesStale = false;
    WatchServicesKey();
    m_startTypes.clear();
}

bool CServicePoller::KeptStartType(const std::wstring& wstrKey, const wchar_t* pszName, DWORD* pdwStartType)
{
    auto kept = m_startTypes.find(wstrKey);
    if (kept != m_startTypes.end())
    {
        *pdwStartType = kept->second;
        return true;
    }
    if (!ReadStartType(wstrKey, pszName, pdwStartType))
        return false;
    m_startTypes[wstrKey] = *pdwStartType;
    return true;
}

DWORD CServicePoller::Refresh(IServiceSession& session)
{
    std::vector<EnumeratedService> services;
    if (DWORD dwError = session.Enumerate(SERVICE_WIN32, &services))
        return dwError;
    UseRoot(session.RegistryRoot());

    CheckStartTypes();
    m_services.clear();
    for (const EnumeratedService& service : services)
    {
        std::wstring wstrKey = WideAsciiLower(service.wstrName);
        Status status = {service.status.dwCurrentState, service.status.dwControlsAccepted, false, 0};
        status.bStartTypeKnown = KeptStartType(wstrKey, service.wstrName.c_str(), &status.dwStartType);
        m_services[wstrKey] = status;
    }
    // Keys of services that are gone are let go.
    for (auto it = m_serviceKeys.begin(); it != m_serviceKeys.end();)
    {
        if (m_services.count(it->first) == 0)
            it = m_serviceKeys.erase(it);
        else
            ++it;
    }
    return 0;
}

bool CServicePoller::StartTypeOf(const std::wstring& wstrServiceName, DWORD* pdwStartType)
{
    return KeptStartType(WideAsciiLower(wstrServiceName), wstrServiceName.c_str(), pdwStartType);
}

const CServicePoller::Status* CServicePoller::Find(const std::wstring& wstrServiceName) const
{
    auto found = m_services.find(WideAsciiLower(wstrServiceName));
    return found != m_services.end() ? &found->second : nullptr;
}
