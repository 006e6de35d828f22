#include "services/ServiceEnumeration.h"

DWORD EnumerateWin32Services(SC_HANDLE hManager, std::vector<BYTE>* pBuffer, DWORD* pdwCount)
{
    pBuffer->clear();
    for (int nTry = 0;; ++nTry)
    {
        DWORD dwNeeded = 0, dwResume = 0;
        *pdwCount = 0;
        if (EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL,
                                reinterpret_cast<ENUM_SERVICE_STATUSA*>(pBuffer->data()),
                                static_cast<DWORD>(pBuffer->size()), &dwNeeded, pdwCount, &dwResume))
            return 0;
        DWORD dwError = GetLastError();
        *pdwCount = 0;
        if ((dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER) || dwNeeded <= pBuffer->size() ||
            nTry == 2)
            return dwError;
        pBuffer->assign(dwNeeded, 0);
    }
}
