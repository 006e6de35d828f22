#include "services/ServiceListing.h"

#include "common/WideText.h"

#include <algorithm>
#include <unordered_set>

namespace
{
// Room for several hundred services, so that one call is usually enough.
constexpr DWORD kFirstServicesBufferBytes = 64 * 1024;
constexpr DWORD kFirstDependentsBufferBytes = 4 * 1024;
// Far beyond any real list: a manager asking for more is not believed.
constexpr DWORD kMaxBufferBytes = 64 * 1024 * 1024;
// Windows' manager serves at most this much a call (its protocol bounds the
// buffer); larger buffers are asked for only of a manager that brought
// nothing with this much room, as Wine's does when the whole list does not fit.
constexpr DWORD kMaxServedBytes = 256 * 1024;
// Calls in a row that bring nothing before the enumeration gives up.
constexpr int kMaxCallsWithoutProgress = 8;

// The size for the next call after one that brought nothing: what the
// manager asked for plus a quarter, for services registered meanwhile, or
// twice the size when it asked for nothing larger. 0 past the limit.
DWORD NextBufferSize(DWORD dwCurrent, DWORD dwNeeded)
{
    unsigned long long nNext =
        dwNeeded > dwCurrent ? dwNeeded + dwNeeded / 4ull : static_cast<unsigned long long>(dwCurrent) * 2;
    return nNext > kMaxBufferBytes ? 0 : static_cast<DWORD>(nNext);
}

// A string the manager put inside the buffer, ended inside it.
bool InBuffer(const wchar_t* psz, const std::vector<BYTE>& buffer)
{
    const auto* pBegin = reinterpret_cast<const wchar_t*>(buffer.data());
    const wchar_t* pEnd = pBegin + buffer.size() / sizeof(wchar_t);
    return psz != nullptr && psz >= pBegin && psz < pEnd && std::find(psz, pEnd, L'\0') != pEnd;
}

// Writes an entry into the list's next place, reusing the strings an
// earlier list left there: the polling lists every half second.
void Put(const ENUM_SERVICE_STATUSW& entry, std::vector<EnumeratedService>* pServices, std::size_t* pnTaken)
{
    if (*pnTaken < pServices->size())
    {
        EnumeratedService& slot = (*pServices)[*pnTaken];
        slot.wstrName.assign(entry.lpServiceName);
        slot.wstrDisplayName.assign(entry.lpDisplayName);
        slot.status = entry.ServiceStatus;
    }
    else
    {
        pServices->push_back({entry.lpServiceName, entry.lpDisplayName, entry.ServiceStatus});
    }
    ++*pnTaken;
}

// Entries of one answer, checked before anything is copied: the strings
// live in the buffer, which the next call overwrites. The first *pnTaken
// places of the list hold what earlier answers brought.
bool TakeBatch(const std::vector<BYTE>& buffer, DWORD dwCount, std::vector<EnumeratedService>* pServices,
               std::size_t* pnTaken, std::unordered_set<std::wstring>* pSeen, bool bFirstMayRepeat)
{
    if (dwCount > buffer.size() / sizeof(ENUM_SERVICE_STATUSW))
        return false;
    const auto* pBatch = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (!InBuffer(pBatch[i].lpServiceName, buffer) || !InBuffer(pBatch[i].lpDisplayName, buffer))
            return false;
    }
    // A service registered ahead of the resume point moves the rest along,
    // so a batch can repeat the last entry of the one before; the first
    // batch of the services, most often the only one, repeats nothing.
    if (*pnTaken == 0 && !bFirstMayRepeat)
    {
        for (DWORD i = 0; i < dwCount; ++i)
            Put(pBatch[i], pServices, pnTaken);
        return true;
    }
    if (pSeen->empty())
    {
        for (std::size_t i = 0; i < *pnTaken; ++i)
            pSeen->insert(WideAsciiLower((*pServices)[i].wstrName));
    }
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (pSeen->insert(WideAsciiLower(pBatch[i].lpServiceName)).second)
            Put(pBatch[i], pServices, pnTaken);
    }
    return true;
}
} // namespace

// Windows answers a buffer too small with the entries that fit, the resume
// handle on the next one and, in the bytes needed, the size of the rest
// only; it is asked again from there until it says it is done. Wine returns
// no entries at all, a count not to be trusted, the resume handle as it was
// and the size of the whole list (or ERROR_INSUFFICIENT_BUFFER and nothing
// when only the narrowing of its wide list did not fit): an answer that did
// not move the resume handle brings nothing, and the buffer grows instead.
DWORD ListServices(SC_HANDLE hManager, DWORD dwServiceType, std::vector<EnumeratedService>* pServices,
                        const EnumServicesFunction& enumerate, DWORD* pdwBufferBytes)
{
    std::size_t nTaken = 0;
    std::unordered_set<std::wstring> seen;
    DWORD dwFirstBytes = kFirstServicesBufferBytes;
    if (pdwBufferBytes != nullptr && *pdwBufferBytes > dwFirstBytes && *pdwBufferBytes <= kMaxBufferBytes)
        dwFirstBytes = *pdwBufferBytes;
    std::vector<BYTE> buffer(dwFirstBytes);
    DWORD dwResume = 0;
    for (int nWithoutProgress = 0;;)
    {
        DWORD dwNeeded = 0, dwCount = 0, dwResumeBefore = dwResume;
        BOOL bDone = enumerate(hManager, dwServiceType, SERVICE_STATE_ALL,
                               reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data()),
                               static_cast<DWORD>(buffer.size()), &dwNeeded, &dwCount, &dwResume);
        DWORD dwError = bDone ? 0 : GetLastError();
        if (bDone)
        {
            if (TakeBatch(buffer, dwCount, pServices, &nTaken, &seen, false))
            {
                pServices->resize(nTaken);
                if (pdwBufferBytes != nullptr)
                    *pdwBufferBytes = static_cast<DWORD>(buffer.size());
                return 0;
            }
            dwError = ERROR_INVALID_DATA;
        }
        else if (dwError == ERROR_MORE_DATA && dwResume != dwResumeBefore && dwCount > 0 &&
                 TakeBatch(buffer, dwCount, pServices, &nTaken, &seen, false))
        {
            nWithoutProgress = 0;
            // The rest comes in batches: never more room than one is served.
            DWORD dwWanted = std::min(dwNeeded, kMaxServedBytes);
            if (dwWanted > buffer.size())
                buffer.resize(dwWanted);
            continue;
        }
        if (dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER)
        {
            pServices->clear();
            return dwError;
        }
        DWORD dwNext = NextBufferSize(static_cast<DWORD>(buffer.size()), dwNeeded);
        if (buffer.size() < kMaxServedBytes)
            dwNext = std::min(dwNext, kMaxServedBytes);
        if (++nWithoutProgress >= kMaxCallsWithoutProgress || dwNext == 0)
        {
            pServices->clear();
            return dwError;
        }
        // Asked again from where this call started, with more room.
        dwResume = dwResumeBefore;
        buffer.assign(dwNext, 0);
    }
}

// Without a resume handle every call answers for the whole list: a list
// grown since the size was given is simply asked for again, larger.
DWORD ListDependentServices(SC_HANDLE hService, std::vector<std::wstring>* pNames,
                                 const EnumDependentsFunction& enumerate)
{
    pNames->clear();
    std::vector<BYTE> buffer(kFirstDependentsBufferBytes);
    for (int nTry = 0;; ++nTry)
    {
        DWORD dwNeeded = 0, dwCount = 0;
        if (enumerate(hService, SERVICE_STATE_ALL, reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data()),
                      static_cast<DWORD>(buffer.size()), &dwNeeded, &dwCount))
        {
            std::vector<EnumeratedService> dependents;
            std::size_t nTaken = 0;
            std::unordered_set<std::wstring> seen;
            if (!TakeBatch(buffer, dwCount, &dependents, &nTaken, &seen, true))
                return ERROR_INVALID_DATA;
            for (const EnumeratedService& dependent : dependents)
                pNames->push_back(dependent.wstrName);
            return 0;
        }
        DWORD dwError = GetLastError();
        DWORD dwNext = NextBufferSize(static_cast<DWORD>(buffer.size()), dwNeeded);
        if ((dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER) || dwNext == 0 ||
            nTry + 1 >= kMaxCallsWithoutProgress)
            return dwError;
        buffer.assign(dwNext, 0);
    }
}
