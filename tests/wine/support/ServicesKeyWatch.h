// A watch of the test's own on the key the status poller watches: it tells
// when the manager's registry store has reported a change, so that a look
// taken after it is known to follow one.
#pragma once

#include "common/RegKey.h"

#include <windows.h>

class CServicesKeyWatch
{
public:
    CServicesKeyWatch();
    ~CServicesKeyWatch();
    CServicesKeyWatch(const CServicesKeyWatch&) = delete;
    CServicesKeyWatch& operator=(const CServicesKeyWatch&) = delete;

    // Forgets earlier changes and watches for the next; false when the key
    // cannot be watched.
    bool Arm();
    bool WaitChanged(DWORD dwTimeoutMs) const { return WaitForSingleObject(m_hChanged, dwTimeoutMs) == WAIT_OBJECT_0; }

private:
    CRegKey m_key;
    HANDLE m_hChanged = nullptr;
};
