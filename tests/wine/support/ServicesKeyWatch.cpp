#include "support/ServicesKeyWatch.h"

#include "services/ServiceRegistry.h"

CServicesKeyWatch::CServicesKeyWatch()
{
    m_key.Open(HKEY_LOCAL_MACHINE, CServicesKey::kPath, KEY_NOTIFY);
    m_hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CServicesKeyWatch::~CServicesKeyWatch()
{
    if (m_hChanged != nullptr)
        CloseHandle(m_hChanged);
}

bool CServicesKeyWatch::Arm()
{
    if (!m_key.IsOpen() || m_hChanged == nullptr)
        return false;
    ResetEvent(m_hChanged);
    return RegNotifyChangeKeyValue(m_key.Get(), TRUE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                   m_hChanged, TRUE) == ERROR_SUCCESS;
}
