#include "services/StandInSession.h"

#include "services/ServiceConfig2.h"

#include "common/WideText.h"

#include <algorithm>
#include <map>
#include <type_traits>

namespace
{
// Windows refuses longer service names.
constexpr std::wstring::size_type kMaxNameLength = 256;
// Registry key names are at most 255 characters.
constexpr DWORD kKeyNameChars = 256;

const GENERIC_MAPPING kServiceMapping = {
    STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
        SERVICE_ENUMERATE_DEPENDENTS,
    STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG,
    STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL,
    SERVICE_ALL_ACCESS};

struct KeyCloser
{
    void operator()(HKEY hKey) const { RegCloseKey(hKey); }
};
using KeyPtr = std::unique_ptr<std::remove_pointer<HKEY>::type, KeyCloser>;

LONG OpenKey(HKEY hParent, const std::wstring& wstrSubkey, REGSAM samDesired, KeyPtr* pKey)
{
    HKEY hKey = nullptr;
    LONG nResult = RegOpenKeyExW(hParent, wstrSubkey.c_str(), 0, samDesired, &hKey);
    pKey->reset(nResult == ERROR_SUCCESS ? hKey : nullptr);
    return nResult;
}

LONG CreateKey(HKEY hParent, const std::wstring& wstrSubkey, KeyPtr* pKey)
{
    HKEY hKey = nullptr;
    LONG nResult =
        RegCreateKeyExW(hParent, wstrSubkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    pKey->reset(nResult == ERROR_SUCCESS ? hKey : nullptr);
    return nResult;
}

LONG ReadDword(HKEY hKey, const wchar_t* pszValue, DWORD* pdwValue)
{
    DWORD dwType = 0, dwValue = 0, dwSize = sizeof(dwValue);
    LONG nResult = RegQueryValueExW(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &dwSize);
    if (nResult == ERROR_SUCCESS && (dwType != REG_DWORD || dwSize != sizeof(dwValue)))
        return ERROR_INVALID_DATA;
    if (nResult == ERROR_SUCCESS)
        *pdwValue = dwValue;
    return nResult;
}

// The value's bytes whatever its type: texts, lists and descriptors.
LONG ReadBytes(HKEY hKey, const wchar_t* pszValue, DWORD* pdwType, std::vector<BYTE>* pData)
{
    for (int nTry = 0; nTry < 3; ++nTry)
    {
        DWORD dwSize = static_cast<DWORD>(pData->size());
        LONG nResult = RegQueryValueExW(hKey, pszValue, nullptr, pdwType, pData->empty() ? nullptr : pData->data(),
                                        &dwSize);
        if (nResult == ERROR_MORE_DATA || (nResult == ERROR_SUCCESS && pData->empty() && dwSize > 0))
        {
            // Grown meanwhile, or first asked for its size.
            pData->assign(dwSize, 0);
            continue;
        }
        if (nResult == ERROR_SUCCESS)
            pData->resize(dwSize);
        return nResult;
    }
    return ERROR_MORE_DATA;
}

// The NUL-separated texts of a string or list value (one for REG_SZ).
LONG ReadTexts(HKEY hKey, const wchar_t* pszValue, std::vector<std::wstring>* pTexts)
{
    pTexts->clear();
    DWORD dwType = 0;
    // Room for most texts, so that one call usually reads them.
    std::vector<BYTE> data(512);
    LONG nResult = ReadBytes(hKey, pszValue, &dwType, &data);
    if (nResult != ERROR_SUCCESS)
        return nResult;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ && dwType != REG_MULTI_SZ)
        return ERROR_INVALID_DATA;
    // A stored text need not end in NUL, nor have an even length.
    std::wstring wstrAll(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    for (std::wstring::size_type nStart = 0; nStart < wstrAll.size() && wstrAll[nStart] != L'\0';)
    {
        std::wstring::size_type nEnd = std::min(wstrAll.find(L'\0', nStart), wstrAll.size());
        pTexts->push_back(wstrAll.substr(nStart, nEnd - nStart));
        if (dwType != REG_MULTI_SZ)
            break;
        nStart = nEnd + 1;
    }
    return ERROR_SUCCESS;
}

// One text; empty when the value is missing.
LONG ReadText(HKEY hKey, const wchar_t* pszValue, std::wstring* pwstrText)
{
    std::vector<std::wstring> texts;
    LONG nResult = ReadTexts(hKey, pszValue, &texts);
    pwstrText->assign(texts.empty() ? std::wstring() : texts.front());
    return nResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : nResult;
}

LONG WriteText(HKEY hKey, const wchar_t* pszValue, DWORD dwType, const std::wstring& wstrData)
{
    // wstrData already ends in its own NUL for a list; the last one ends it.
    return RegSetValueExW(hKey, pszValue, 0, dwType, reinterpret_cast<const BYTE*>(wstrData.c_str()),
                          static_cast<DWORD>((wstrData.size() + 1) * sizeof(wchar_t)));
}

LONG WriteDword(HKEY hKey, const wchar_t* pszValue, DWORD dwValue)
{
    return RegSetValueExW(hKey, pszValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

std::vector<std::wstring> SubkeyNames(HKEY hKey)
{
    std::vector<std::wstring> names;
    wchar_t szName[kKeyNameChars];
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        DWORD cchName = kKeyNameChars;
        LONG nResult = RegEnumKeyExW(hKey, dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr);
        if (nResult == ERROR_MORE_DATA)
            continue;
        if (nResult != ERROR_SUCCESS)
            return names;
        names.emplace_back(szName, cchName);
    }
}

bool IsStopped(const SERVICE_STATUS& status)
{
    return status.dwCurrentState == SERVICE_STOPPED;
}

bool IsPending(DWORD dwState)
{
    return dwState == SERVICE_START_PENDING || dwState == SERVICE_STOP_PENDING ||
           dwState == SERVICE_CONTINUE_PENDING || dwState == SERVICE_PAUSE_PENDING;
}

// A self-relative descriptor whose parts lie inside its bytes:
// IsValidSecurityDescriptor follows the offsets without knowing the size
// (and an absolute one's pointers anywhere).
bool PartsInside(const std::vector<BYTE>& descriptor)
{
    SECURITY_DESCRIPTOR_RELATIVE header;
    if (descriptor.size() < sizeof(header))
        return false;
    std::copy(descriptor.begin(), descriptor.begin() + sizeof(header), reinterpret_cast<BYTE*>(&header));
    if (!(header.Control & SE_SELF_RELATIVE))
        return false;
    for (DWORD dwOffset : {header.Owner, header.Group, header.Sacl, header.Dacl})
    {
        // A SID's and an ACL's header both take 8 bytes and give their length.
        if (dwOffset != 0 && (dwOffset > descriptor.size() - 8))
            return false;
    }
    for (DWORD dwOffset : {header.Owner, header.Group})
    {
        if (dwOffset != 0 && dwOffset + 8 + 4u * descriptor[dwOffset + 1] > descriptor.size())
            return false;
    }
    for (DWORD dwOffset : {header.Sacl, header.Dacl})
    {
        if (dwOffset != 0 && dwOffset + (descriptor[dwOffset + 2] | descriptor[dwOffset + 3] << 8) > descriptor.size())
            return false;
    }
    return true;
}

// Whether the calling process may open a service under this descriptor with
// these rights; the rights granted in *pdwGranted. The real AccessCheck,
// as the manager does it, against the process's own token: Wine enforces
// nothing on its services but its AccessCheck walks a DACL as Windows does.
DWORD CheckAccess(const std::vector<BYTE>& descriptor, DWORD dwDesired, DWORD* pdwGranted)
{
    auto* pDescriptor = const_cast<BYTE*>(descriptor.data());
    if (!PartsInside(descriptor) || !IsValidSecurityDescriptor(pDescriptor))
        return ERROR_INVALID_SECURITY_DESCR;

    HANDLE hProcessToken = nullptr, hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &hProcessToken))
        return GetLastError();
    // AccessCheck wants an impersonation token.
    BOOL bDuplicated = DuplicateToken(hProcessToken, SecurityImpersonation, &hToken);
    DWORD dwError = bDuplicated ? 0 : GetLastError();
    CloseHandle(hProcessToken);
    if (dwError != 0)
        return dwError;

    GENERIC_MAPPING mapping = kServiceMapping;
    MapGenericMask(&dwDesired, &mapping);
    PRIVILEGE_SET privileges = {};
    DWORD cbPrivileges = sizeof(privileges);
    BOOL bGranted = FALSE;
    if (!AccessCheck(pDescriptor, hToken, dwDesired, &mapping, &privileges, &cbPrivileges, pdwGranted, &bGranted))
        dwError = GetLastError();
    else if (!bGranted)
        dwError = ERROR_ACCESS_DENIED;
    CloseHandle(hToken);
    return dwError;
}

// The control's right on the handle, or 0 for a code no service takes.
DWORD RightFor(DWORD dwControl)
{
    if (dwControl == SERVICE_CONTROL_STOP)
        return SERVICE_STOP;
    if (dwControl == SERVICE_CONTROL_INTERROGATE)
        return SERVICE_INTERROGATE;
    if (dwControl >= SERVICE_CONTROL_PAUSE && dwControl <= SERVICE_CONTROL_NETBINDDISABLE &&
        dwControl != SERVICE_CONTROL_INTERROGATE && dwControl != SERVICE_CONTROL_SHUTDOWN)
        return SERVICE_PAUSE_CONTINUE;
    if (dwControl >= 128 && dwControl <= 255)
        return SERVICE_USER_DEFINED_CONTROL;
    return 0;
}

// The control's flag in dwControlsAccepted; 0 when any running service
// takes it.
DWORD AcceptFlagFor(DWORD dwControl)
{
    switch (dwControl)
    {
    case SERVICE_CONTROL_STOP:
        return SERVICE_ACCEPT_STOP;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
        return SERVICE_ACCEPT_PAUSE_CONTINUE;
    case SERVICE_CONTROL_PARAMCHANGE:
        return SERVICE_ACCEPT_PARAMCHANGE;
    case SERVICE_CONTROL_NETBINDADD:
    case SERVICE_CONTROL_NETBINDREMOVE:
    case SERVICE_CONTROL_NETBINDENABLE:
    case SERVICE_CONTROL_NETBINDDISABLE:
        return SERVICE_ACCEPT_NETBINDCHANGE;
    default:
        return 0;
    }
}

SERVICE_STATUS NeverStarted(DWORD dwType)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = dwType;
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwWin32ExitCode = ERROR_SERVICE_NEVER_STARTED;
    return status;
}

struct Listed
{
    std::wstring wstrName;
    std::wstring wstrDisplayName;
    SERVICE_STATUS status;
    std::wstring wstrSortKey;
};

DWORD EntryBytes(const Listed& entry)
{
    return static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUSW) +
                              (entry.wstrName.size() + entry.wstrDisplayName.size() + 2) * sizeof(wchar_t));
}

// Copies entries from nFirst on into the buffer as the manager lays them
// out, records in front and texts from the end, as many as fit in cbRoom.
// Returns how many; *pcbUsed gets the bytes they take.
size_t Pack(const std::vector<Listed>& entries, size_t nFirst, ENUM_SERVICE_STATUSW* pBuffer, DWORD cbRoom,
            DWORD* pcbUsed)
{
    *pcbUsed = 0;
    auto* pText = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(pBuffer) + (cbRoom & ~1u));
    size_t nPacked = 0;
    for (size_t i = nFirst; i < entries.size(); ++i, ++nPacked)
    {
        const Listed& entry = entries[i];
        if (*pcbUsed + EntryBytes(entry) > cbRoom)
            break;
        *pcbUsed += EntryBytes(entry);
        pText -= entry.wstrDisplayName.size() + 1;
        std::copy(entry.wstrDisplayName.c_str(), entry.wstrDisplayName.c_str() + entry.wstrDisplayName.size() + 1,
                  pText);
        pBuffer[nPacked].lpDisplayName = pText;
        pText -= entry.wstrName.size() + 1;
        std::copy(entry.wstrName.c_str(), entry.wstrName.c_str() + entry.wstrName.size() + 1, pText);
        pBuffer[nPacked].lpServiceName = pText;
        pBuffer[nPacked].ServiceStatus = entry.status;
    }
    return nPacked;
}
} // namespace

// The run state and handle count of one service. A record removed from the
// store's map (its key deleted) lives on in the handles still open on it.
struct StandInRecord
{
    std::wstring wstrKeyName; // as stored
    SERVICE_STATUS status = {};
    DWORD dwAcceptsWhenRunning = SERVICE_ACCEPT_STOP;
    int nHandles = 0;
    bool bMarkedForDelete = false;
    bool bGone = false;
    // What the manager was told through ChangeServiceConfig2, level by
    // level, as Windows' manager holds it in memory.
    ServiceKeyParts::Parts held;
    std::vector<DWORD> heldLevels;
};

struct StandInStore
{
    KeyPtr root;
    KeyPtr services;
    std::map<std::wstring, std::shared_ptr<StandInRecord>> records; // by the ASCII-folded name

    // The stored name that matches without regard to ASCII case, with its
    // Type; false when the store has no such service.
    bool Find(const std::wstring& wstrName, std::wstring* pwstrKeyName, DWORD* pdwType) const
    {
        // The registry folds more than ASCII: its answer only rules out.
        KeyPtr key;
        if (wstrName.empty() || OpenKey(services.get(), wstrName, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        for (const std::wstring& wstrKeyName : SubkeyNames(services.get()))
        {
            if (EqualsNoCaseWide(wstrKeyName, wstrName))
            {
                *pwstrKeyName = wstrKeyName;
                return OpenKey(services.get(), wstrKeyName, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
                       ReadDword(key.get(), L"Type", pdwType) == ERROR_SUCCESS;
            }
        }
        return false;
    }

    std::shared_ptr<StandInRecord> RecordOf(const std::wstring& wstrKeyName, DWORD dwType)
    {
        std::shared_ptr<StandInRecord>& pRecord = records[WideAsciiLower(wstrKeyName)];
        if (!pRecord)
        {
            pRecord = std::make_shared<StandInRecord>();
            pRecord->wstrKeyName = wstrKeyName;
            pRecord->status = NeverStarted(dwType);
        }
        return pRecord;
    }

    // The status of a listed service, a stopped one when nothing is known.
    SERVICE_STATUS StatusOf(const std::wstring& wstrKeyName, DWORD dwType) const
    {
        auto it = records.find(WideAsciiLower(wstrKeyName));
        return it != records.end() ? it->second->status : NeverStarted(dwType);
    }

    void Remove(StandInRecord* pRecord)
    {
        DeleteRegistryTree(services.get(), pRecord->wstrKeyName);
        pRecord->bGone = true;
        auto it = records.find(WideAsciiLower(pRecord->wstrKeyName));
        if (it != records.end() && it->second.get() == pRecord)
            records.erase(it);
    }

    // A marked service goes once it has stopped and its last handle closed.
    void RemoveIfDone(StandInRecord* pRecord)
    {
        if (pRecord->bMarkedForDelete && !pRecord->bGone && pRecord->nHandles == 0 && IsStopped(pRecord->status))
            Remove(pRecord);
    }

    // Every service of the types in the state filter, ordered as Windows
    // lists them: by name, ASCII letters folded to lower case.
    std::vector<Listed> List(DWORD dwServiceType, DWORD dwServiceState)
    {
        std::vector<Listed> entries;
        std::map<std::wstring, Listing> listings;
        wchar_t szName[kKeyNameChars];
        FILETIME ftWritten = {};
        for (DWORD dwIndex = 0;; ++dwIndex)
        {
            DWORD cchName = kKeyNameChars;
            LONG nResult = RegEnumKeyExW(services.get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr,
                                         &ftWritten);
            if (nResult == ERROR_MORE_DATA)
                continue;
            if (nResult != ERROR_SUCCESS)
                break;
            std::wstring wstrName(szName, cchName);
            Listing& listing = listings[wstrName];
            auto itKnown = listed.find(wstrName);
            if (itKnown != listed.end() && CompareFileTime(&itKnown->second.ftWritten, &ftWritten) == 0)
                listing = itKnown->second;
            else
                listing = Read(wstrName, ftWritten);
            if (!listing.bService || !(listing.dwType & dwServiceType))
                continue;
            Listed entry{wstrName, listing.wstrDisplayName, StatusOf(wstrName, listing.dwType), std::wstring()};
            if (dwServiceState & (IsStopped(entry.status) ? SERVICE_INACTIVE : SERVICE_ACTIVE))
                entries.push_back(std::move(entry));
        }
        listed.swap(listings);
        for (Listed& entry : entries)
            entry.wstrSortKey = WideAsciiLower(entry.wstrName);
        std::sort(entries.begin(), entries.end(), [](const Listed& left, const Listed& right) {
            return left.wstrSortKey != right.wstrSortKey ? left.wstrSortKey < right.wstrSortKey
                                                         : left.wstrName < right.wstrName;
        });
        return entries;
    }

private:
    // What a list shows of one key, kept while the key's last write time
    // (which every value written to it moves) stays the same: reading
    // thousands of keys for each batch would make long lists slow.
    struct Listing
    {
        FILETIME ftWritten = {};
        bool bService = false;
        DWORD dwType = 0;
        std::wstring wstrDisplayName;
    };

    Listing Read(const std::wstring& wstrName, const FILETIME& ftWritten) const
    {
        Listing listing;
        listing.ftWritten = ftWritten;
        KeyPtr key;
        listing.bService = OpenKey(services.get(), wstrName, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
                           ReadDword(key.get(), L"Type", &listing.dwType) == ERROR_SUCCESS;
        if (listing.bService &&
            (ReadText(key.get(), L"DisplayName", &listing.wstrDisplayName) != ERROR_SUCCESS ||
             listing.wstrDisplayName.empty()))
            listing.wstrDisplayName = wstrName;
        return listing;
    }

    std::map<std::wstring, Listing> listed; // by the stored name
};

namespace
{
class CStandInHandle : public IServiceHandle
{
public:
    CStandInHandle(std::shared_ptr<StandInStore> pStore, std::shared_ptr<StandInRecord> pRecord, DWORD dwGranted)
        : m_pStore(std::move(pStore)), m_pRecord(std::move(pRecord)), m_dwGranted(dwGranted)
    {
        ++m_pRecord->nHandles;
    }
    ~CStandInHandle() override
    {
        --m_pRecord->nHandles;
        m_pStore->RemoveIfDone(m_pRecord.get());
    }

    DWORD QueryStatus(SERVICE_STATUS* pStatus) override
    {
        if (!(m_dwGranted & SERVICE_QUERY_STATUS))
            return ERROR_ACCESS_DENIED;
        *pStatus = m_pRecord->status;
        return 0;
    }

    DWORD QueryConfig(ServiceConfig* pConfig) override
    {
        KeyPtr key;
        if (DWORD dwError = OpenFor(SERVICE_QUERY_CONFIG, false, KEY_QUERY_VALUE, &key))
            return dwError;
        ServiceConfig config;
        std::vector<std::wstring> groups;
        LONG nResult = ReadDword(key.get(), L"Type", &config.dwServiceType);
        if (nResult == ERROR_SUCCESS)
            nResult = ReadDword(key.get(), L"Start", &config.dwStartType);
        if (nResult == ERROR_SUCCESS)
            nResult = ReadDword(key.get(), L"ErrorControl", &config.dwErrorControl);
        const std::pair<const wchar_t*, std::wstring*> texts[] = {{L"ImagePath", &config.wstrBinaryPath},
                                                                  {L"Group", &config.wstrLoadOrderGroup},
                                                                  {L"ObjectName", &config.wstrAccount},
                                                                  {L"DisplayName", &config.wstrDisplayName}};
        for (const auto& text : texts)
        {
            if (nResult == ERROR_SUCCESS)
                nResult = ReadText(key.get(), text.first, text.second);
        }
        if (nResult == ERROR_SUCCESS)
            nResult = ReadList(key.get(), L"DependOnService", &config.dependencies);
        if (nResult == ERROR_SUCCESS)
            nResult = ReadList(key.get(), L"DependOnGroup", &groups);
        if (nResult != ERROR_SUCCESS)
            return static_cast<DWORD>(nResult);
        for (const std::wstring& wstrGroup : groups)
            config.dependencies.push_back(SC_GROUP_IDENTIFIERW + wstrGroup);
        if (EqualsNoCaseWide(config.wstrAccount, L"LocalSystem"))
            config.wstrAccount.clear();
        if (config.wstrDisplayName.empty())
            config.wstrDisplayName = m_pRecord->wstrKeyName;
        *pConfig = std::move(config);
        return 0;
    }

    DWORD QueryDescription(std::wstring* pwstrDescription) override
    {
        KeyPtr key;
        if (DWORD dwError = OpenFor(SERVICE_QUERY_CONFIG, false, KEY_QUERY_VALUE, &key))
            return dwError;
        return static_cast<DWORD>(ReadText(key.get(), L"Description", pwstrDescription));
    }

    DWORD QueryDelayedAutoStart(bool* pbDelayed) override
    {
        KeyPtr key;
        if (DWORD dwError = OpenFor(SERVICE_QUERY_CONFIG, false, KEY_QUERY_VALUE, &key))
            return dwError;
        DWORD dwDelayed = 0;
        LONG nResult = ReadDword(key.get(), L"DelayedAutostart", &dwDelayed);
        if (nResult != ERROR_SUCCESS && nResult != ERROR_FILE_NOT_FOUND)
            return static_cast<DWORD>(nResult);
        *pbDelayed = nResult == ERROR_SUCCESS && dwDelayed != 0;
        return 0;
    }

    // The services whose DependOnService names this one, served whole in
    // EnumDependentServicesW's shape to the program's own loop.
    DWORD EnumerateDependents(std::vector<std::wstring>* pNames) override
    {
        pNames->clear();
        KeyPtr key;
        if (DWORD dwError = OpenFor(SERVICE_ENUMERATE_DEPENDENTS, false, KEY_QUERY_VALUE, &key))
            return dwError;
        std::vector<Listed> dependents;
        for (Listed& entry : m_pStore->List(SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL))
        {
            KeyPtr dependent;
            std::vector<std::wstring> names;
            if (OpenKey(m_pStore->services.get(), entry.wstrName, KEY_QUERY_VALUE, &dependent) == ERROR_SUCCESS &&
                ReadList(dependent.get(), L"DependOnService", &names) == ERROR_SUCCESS &&
                std::any_of(names.begin(), names.end(), [&](const std::wstring& wstrName) {
                    return EqualsNoCaseWide(wstrName, m_pRecord->wstrKeyName);
                }))
                dependents.push_back(std::move(entry));
        }
        return ListDependentServices(nullptr, pNames,
                                     [&](SC_HANDLE, DWORD, ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize,
                                         DWORD* pcbBytesNeeded, DWORD* pServicesReturned) {
                                         DWORD cbUsed = 0, cbAll = 0;
                                         for (const Listed& entry : dependents)
                                             cbAll += EntryBytes(entry);
                                         *pServicesReturned = 0;
                                         *pcbBytesNeeded = cbAll;
                                         if (cbAll > cbBufSize)
                                         {
                                             SetLastError(ERROR_MORE_DATA);
                                             return FALSE;
                                         }
                                         *pServicesReturned =
                                             static_cast<DWORD>(Pack(dependents, 0, pServices, cbBufSize, &cbUsed));
                                         return TRUE;
                                     });
    }

    DWORD ChangeStartType(DWORD dwStartType) override
    {
        KeyPtr key;
        DWORD dwType = 0;
        if (DWORD dwError = OpenForChange(&key, &dwType))
            return dwError;
        // Boot and system starts are for drivers only.
        if (dwStartType > SERVICE_DISABLED || ((dwType & SERVICE_WIN32) && dwStartType < SERVICE_AUTO_START))
            return ERROR_INVALID_PARAMETER;
        return static_cast<DWORD>(WriteDword(key.get(), L"Start", dwStartType));
    }

    DWORD ChangeDescription(const std::wstring& wstrDescription) override
    {
        KeyPtr key;
        DWORD dwType = 0;
        if (DWORD dwError = OpenForChange(&key, &dwType))
            return dwError;
        if (!wstrDescription.empty())
            return static_cast<DWORD>(WriteText(key.get(), L"Description", REG_SZ, wstrDescription));
        // An empty text takes the description away, as ChangeServiceConfig2 does.
        LONG nResult = RegDeleteValueW(key.get(), L"Description");
        return nResult == ERROR_FILE_NOT_FOUND ? 0 : static_cast<DWORD>(nResult);
    }

    // Kept as told and written to the key as Windows' manager writes it.
    DWORD ChangeConfig2(DWORD dwInfoLevel, void* pInfo) override
    {
        KeyPtr key;
        DWORD dwType = 0;
        if (DWORD dwError = OpenForChange(&key, &dwType))
            return dwError;
        if (LONG nResult = OpenKey(m_pStore->services.get(), m_pRecord->wstrKeyName, KEY_ALL_ACCESS, &key))
            return static_cast<DWORD>(nResult);
        ServiceKeyParts::Parts told = m_pRecord->held;
        if (!ServiceConfig2::ReadRecord(dwInfoLevel, pInfo, &told))
            return pInfo == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_LEVEL;
        if (dwInfoLevel == ServiceKeyParts::kLevelTriggers)
            DeleteRegistryTree(key.get(), L"TriggerInfo");
        KeyCopy written = ServiceKeyParts::ToKey(told, dwInfoLevel);
        for (const std::wstring& wstrSubkey : written.subkeys)
        {
            KeyPtr subkey;
            if (LONG nResult = CreateKey(key.get(), wstrSubkey, &subkey))
                return static_cast<DWORD>(nResult);
        }
        for (const KeyValueCopy& value : written.values)
        {
            KeyPtr subkey;
            LONG nResult = value.wstrSubkey.empty() ? ERROR_SUCCESS
                                                    : OpenKey(key.get(), value.wstrSubkey, KEY_SET_VALUE, &subkey);
            if (nResult == ERROR_SUCCESS)
                nResult = RegSetValueExW(value.wstrSubkey.empty() ? key.get() : subkey.get(), value.wstrName.c_str(),
                                         0, value.dwType, reinterpret_cast<const BYTE*>(value.data.data()),
                                         static_cast<DWORD>(value.data.size()));
            if (nResult != ERROR_SUCCESS)
                return static_cast<DWORD>(nResult);
        }
        m_pRecord->held = std::move(told);
        m_pRecord->heldLevels.push_back(dwInfoLevel);
        return 0;
    }

    DWORD Start() override
    {
        KeyPtr key;
        if (DWORD dwError = OpenFor(SERVICE_START, true, KEY_QUERY_VALUE, &key))
            return dwError;
        DWORD dwStartType = 0;
        if (!IsStopped(m_pRecord->status))
            return ERROR_SERVICE_ALREADY_RUNNING;
        if (LONG nResult = ReadDword(key.get(), L"Start", &dwStartType))
            return static_cast<DWORD>(nResult);
        if (dwStartType == SERVICE_DISABLED)
            return ERROR_SERVICE_DISABLED;
        SERVICE_STATUS& status = m_pRecord->status;
        status.dwCurrentState = SERVICE_RUNNING;
        status.dwControlsAccepted = m_pRecord->dwAcceptsWhenRunning;
        status.dwWin32ExitCode = status.dwServiceSpecificExitCode = status.dwCheckPoint = status.dwWaitHint = 0;
        return 0;
    }

    // The stand-in's service answers at once: an accepted stop leaves it
    // stopped, a pause paused, and the status it answers is the new one.
    DWORD Control(DWORD dwControl, SERVICE_STATUS* pStatus) override
    {
        DWORD dwRight = RightFor(dwControl);
        if (dwRight == 0)
            return ERROR_INVALID_PARAMETER;
        if (pStatus == nullptr)
            return RPC_X_NULL_REF_POINTER;
        if (!(m_dwGranted & dwRight))
            return ERROR_ACCESS_DENIED;
        SERVICE_STATUS& status = m_pRecord->status;
        if (IsStopped(status))
            return ERROR_SERVICE_NOT_ACTIVE;
        if (dwControl != SERVICE_CONTROL_INTERROGATE && IsPending(status.dwCurrentState))
            return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
        DWORD dwAccept = AcceptFlagFor(dwControl);
        if (dwAccept != 0 && !(status.dwControlsAccepted & dwAccept))
            return ERROR_INVALID_SERVICE_CONTROL;
        if (dwControl == SERVICE_CONTROL_STOP)
        {
            status.dwCurrentState = SERVICE_STOPPED;
            status.dwControlsAccepted = 0;
            status.dwWin32ExitCode = 0;
        }
        else if (dwControl == SERVICE_CONTROL_PAUSE)
            status.dwCurrentState = SERVICE_PAUSED;
        else if (dwControl == SERVICE_CONTROL_CONTINUE)
            status.dwCurrentState = SERVICE_RUNNING;
        *pStatus = status;
        return 0;
    }

    DWORD Delete() override
    {
        if (!(m_dwGranted & DELETE))
            return ERROR_ACCESS_DENIED;
        if (m_pRecord->bGone || m_pRecord->bMarkedForDelete)
            return ERROR_SERVICE_MARKED_FOR_DELETE;
        if (IsStopped(m_pRecord->status))
            m_pStore->Remove(m_pRecord.get());
        else
            m_pRecord->bMarkedForDelete = true;
        return 0;
    }

private:
    static LONG ReadList(HKEY hKey, const wchar_t* pszValue, std::vector<std::wstring>* pNames)
    {
        LONG nResult = ReadTexts(hKey, pszValue, pNames);
        return nResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : nResult;
    }

    // The service's key, once the handle's rights allow the call and the
    // service is still there (and, for a change, not marked for deletion).
    DWORD OpenFor(DWORD dwRight, bool bChange, REGSAM samDesired, KeyPtr* pKey)
    {
        if (!(m_dwGranted & dwRight))
            return ERROR_ACCESS_DENIED;
        if (m_pRecord->bGone || (bChange && m_pRecord->bMarkedForDelete))
            return ERROR_SERVICE_MARKED_FOR_DELETE;
        return static_cast<DWORD>(OpenKey(m_pStore->services.get(), m_pRecord->wstrKeyName, samDesired, pKey));
    }

    // Per-user instances take their configuration from their template.
    DWORD OpenForChange(KeyPtr* pKey, DWORD* pdwType)
    {
        if (DWORD dwError = OpenFor(SERVICE_CHANGE_CONFIG, true, KEY_QUERY_VALUE | KEY_SET_VALUE, pKey))
            return dwError;
        if (LONG nResult = ReadDword(pKey->get(), L"Type", pdwType))
            return static_cast<DWORD>(nResult);
        return (*pdwType & CStandInSession::kUserServiceInstance) ? ERROR_INVALID_PARAMETER : 0;
    }

    std::shared_ptr<StandInStore> m_pStore;
    std::shared_ptr<StandInRecord> m_pRecord;
    DWORD m_dwGranted;
};
} // namespace

CStandInSession::CStandInSession(HKEY hParent, const std::wstring& wstrStoreKey, const std::wstring& wstrComputerName)
    : m_wstrComputerName(wstrComputerName), m_pStore(std::make_shared<StandInStore>())
{
    std::wstring wstrComputer = wstrComputerName.substr(std::min(wstrComputerName.find_first_not_of(L'\\'),
                                                                 wstrComputerName.size()));
    std::wstring wstrPath = wstrStoreKey + L"\\" + (wstrComputer.empty() ? std::wstring(L"local") : wstrComputer);
    LONG nResult = OpenKey(hParent, wstrPath, KEY_ALL_ACCESS, &m_pStore->root);
    HKEY hServices = nullptr;
    if (nResult == ERROR_SUCCESS)
        nResult = RegCreateKeyExW(m_pStore->root.get(), kServicesKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &hServices, nullptr);
    m_pStore->services.reset(nResult == ERROR_SUCCESS ? hServices : nullptr);
    // A computer whose key is missing is one the network cannot reach.
    m_dwManagerError = nResult == ERROR_FILE_NOT_FOUND ? RPC_S_SERVER_UNAVAILABLE : static_cast<DWORD>(nResult);
}

HKEY CStandInSession::RegistryRoot() const
{
    return m_dwManagerError == 0 ? m_pStore->root.get() : nullptr;
}

DWORD CStandInSession::Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices)
{
    return ListServices(nullptr, dwServiceType, pServices, BatchFunction());
}

EnumServicesFunction CStandInSession::BatchFunction()
{
    return [this](SC_HANDLE hManager, DWORD dwServiceType, DWORD dwServiceState, ENUM_SERVICE_STATUSW* pServices,
                  DWORD cbBufSize, DWORD* pcbBytesNeeded, DWORD* pServicesReturned, DWORD* pResumeHandle) {
        return EnumerateBatch(hManager, dwServiceType, dwServiceState, pServices, cbBufSize, pcbBytesNeeded,
                              pServicesReturned, pResumeHandle);
    };
}

// Windows serves the entries that fit (at most 256 KB of them; a larger
// buffer is refused), moves the resume handle to the first left out and
// asks, in the bytes needed, for the room the rest take; done, it sets the
// resume handle back to 0.
BOOL CStandInSession::EnumerateBatch(SC_HANDLE, DWORD dwServiceType, DWORD dwServiceState,
                                     ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize, DWORD* pcbBytesNeeded,
                                     DWORD* pServicesReturned, DWORD* pResumeHandle)
{
    ++m_nBatchCalls;
    DWORD dwError = m_dwManagerError;
    if (dwError == 0 && (pcbBytesNeeded == nullptr || pServicesReturned == nullptr))
        dwError = ERROR_INVALID_ADDRESS;
    // Any of the kinds up to the packaged services' 0x200; nothing else.
    if (dwError == 0 && (!(dwServiceType & 0x3F) || (dwServiceType & ~0x3FFu) || dwServiceState == 0 ||
                         (dwServiceState & ~SERVICE_STATE_ALL)))
        dwError = ERROR_INVALID_PARAMETER;
    // The protocol carries at most 256 KB: a larger buffer is refused.
    if (dwError == 0 && pServices != nullptr && cbBufSize > kBatchLimitBytes)
        dwError = ERROR_INVALID_PARAMETER;
    if (dwError != 0)
    {
        SetLastError(dwError);
        return FALSE;
    }
    std::vector<Listed> entries = m_pStore->List(dwServiceType, dwServiceState);
    size_t nFirst = std::min<size_t>(pResumeHandle != nullptr ? *pResumeHandle : 0, entries.size());
    DWORD cbUsed = 0;
    DWORD cbRoom = pServices != nullptr ? std::min(cbBufSize, m_cbBatchLimit) : 0;
    size_t nNext = nFirst + Pack(entries, nFirst, pServices, cbRoom, &cbUsed);
    m_cbLargestBatch = std::max(m_cbLargestBatch, cbUsed);
    *pServicesReturned = static_cast<DWORD>(nNext - nFirst);
    *pcbBytesNeeded = 0;
    for (size_t i = nNext; i < entries.size(); ++i)
        *pcbBytesNeeded += EntryBytes(entries[i]);
    if (pResumeHandle != nullptr)
        *pResumeHandle = nNext < entries.size() ? static_cast<DWORD>(nNext) : 0;
    if (nNext == entries.size())
        return TRUE;
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
}

DWORD CStandInSession::Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService)
{
    pService->Close();
    if (m_dwManagerError != 0)
        return m_dwManagerError;
    if (wstrName.empty())
        return ERROR_INVALID_NAME;
    std::wstring wstrKeyName;
    DWORD dwType = 0;
    if (!m_pStore->Find(wstrName, &wstrKeyName, &dwType))
        return ERROR_SERVICE_DOES_NOT_EXIST;

    // A service without a descriptor grants what is asked.
    DWORD dwGranted = (dwDesiredAccess & MAXIMUM_ALLOWED) ? SERVICE_ALL_ACCESS : dwDesiredAccess;
    GENERIC_MAPPING mapping = kServiceMapping;
    MapGenericMask(&dwGranted, &mapping);
    KeyPtr security;
    DWORD dwValueType = 0;
    std::vector<BYTE> descriptor;
    if (OpenKey(m_pStore->services.get(), wstrKeyName + L"\\Security", KEY_QUERY_VALUE, &security) == ERROR_SUCCESS &&
        ReadBytes(security.get(), L"Security", &dwValueType, &descriptor) == ERROR_SUCCESS)
    {
        if (dwValueType != REG_BINARY)
            return ERROR_INVALID_SECURITY_DESCR;
        if (DWORD dwError = CheckAccess(descriptor, dwDesiredAccess, &dwGranted))
            return dwError;
    }
    *pService =
        CService(std::make_unique<CStandInHandle>(m_pStore, m_pStore->RecordOf(wstrKeyName, dwType), dwGranted));
    return 0;
}

DWORD CStandInSession::Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService)
{
    pService->Close();
    if (m_dwManagerError != 0)
        return m_dwManagerError;
    if (wstrName.empty() || wstrName.size() > kMaxNameLength || wstrName.find_first_of(L"\\/") != std::wstring::npos)
        return ERROR_INVALID_NAME;
    std::wstring wstrKeyName;
    DWORD dwType = 0;
    if (m_pStore->Find(wstrName, &wstrKeyName, &dwType))
    {
        auto it = m_pStore->records.find(WideAsciiLower(wstrKeyName));
        return it != m_pStore->records.end() && it->second->bMarkedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE
                                                                              : ERROR_SERVICE_EXISTS;
    }
    DWORD dwKind = config.dwServiceType & ~SERVICE_INTERACTIVE_PROCESS;
    bool bWin32 = dwKind == SERVICE_WIN32_OWN_PROCESS || dwKind == SERVICE_WIN32_SHARE_PROCESS;
    bool bDriver = dwKind == SERVICE_KERNEL_DRIVER || dwKind == SERVICE_FILE_SYSTEM_DRIVER;
    if ((!bWin32 && !bDriver) || (bDriver && dwKind != config.dwServiceType) ||
        config.dwStartType > SERVICE_DISABLED || (bWin32 && config.dwStartType < SERVICE_AUTO_START) ||
        config.dwErrorControl > SERVICE_ERROR_CRITICAL || config.wstrBinaryPath.empty())
        return ERROR_INVALID_PARAMETER;

    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    LONG nResult = RegCreateKeyExW(m_pStore->services.get(), wstrName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                   &hKey, &dwDisposition);
    if (nResult != ERROR_SUCCESS)
        return static_cast<DWORD>(nResult);
    KeyPtr key(hKey);
    if (dwDisposition != REG_CREATED_NEW_KEY)
        return ERROR_SERVICE_EXISTS;

    std::wstring wstrServices, wstrGroups;
    for (const std::wstring& wstrDependency : config.dependencies)
    {
        if (!wstrDependency.empty() && wstrDependency[0] == SC_GROUP_IDENTIFIERW)
            wstrGroups += wstrDependency.substr(1) + L'\0';
        else if (!wstrDependency.empty())
            wstrServices += wstrDependency + L'\0';
    }
    std::wstring wstrAccount = config.wstrAccount.empty() && bWin32 ? L"LocalSystem" : config.wstrAccount;
    const std::pair<const wchar_t*, DWORD> dwords[] = {
        {L"Type", config.dwServiceType}, {L"Start", config.dwStartType}, {L"ErrorControl", config.dwErrorControl}};
    for (const auto& value : dwords)
    {
        if (nResult == ERROR_SUCCESS)
            nResult = WriteDword(key.get(), value.first, value.second);
    }
    struct TextValue
    {
        const wchar_t* pszName;
        DWORD dwType;
        const std::wstring& wstrData;
    };
    const std::wstring& wstrDisplayName = config.wstrDisplayName.empty() ? wstrName : config.wstrDisplayName;
    const TextValue texts[] = {{L"ImagePath", REG_EXPAND_SZ, config.wstrBinaryPath},
                               {L"DisplayName", REG_SZ, wstrDisplayName},
                               {L"ObjectName", REG_SZ, wstrAccount},
                               {L"Group", REG_SZ, config.wstrLoadOrderGroup},
                               {L"DependOnService", REG_MULTI_SZ, wstrServices},
                               {L"DependOnGroup", REG_MULTI_SZ, wstrGroups}};
    for (const TextValue& text : texts)
    {
        if (nResult == ERROR_SUCCESS && !text.wstrData.empty())
            nResult = WriteText(key.get(), text.pszName, text.dwType, text.wstrData);
    }
    key.reset();
    if (nResult != ERROR_SUCCESS)
    {
        // Nothing half made is left behind.
        DeleteRegistryTree(m_pStore->services.get(), wstrName);
        return static_cast<DWORD>(nResult);
    }
    *pService = CService(std::make_unique<CStandInHandle>(m_pStore, m_pStore->RecordOf(wstrName, config.dwServiceType),
                                                          SERVICE_ALL_ACCESS));
    return 0;
}

bool CStandInSession::HeldParts(const std::wstring& wstrName, ServiceKeyParts::Parts* pParts,
                                std::vector<DWORD>* pLevels) const
{
    auto it = m_pStore->records.find(WideAsciiLower(wstrName));
    if (it == m_pStore->records.end())
        return false;
    *pParts = it->second->held;
    *pLevels = it->second->heldLevels;
    return true;
}

DWORD CStandInSession::SetStatus(const std::wstring& wstrName, const SERVICE_STATUS& status)
{
    std::wstring wstrKeyName;
    DWORD dwType = 0;
    if (m_dwManagerError != 0)
        return m_dwManagerError;
    if (!m_pStore->Find(wstrName, &wstrKeyName, &dwType))
        return ERROR_SERVICE_DOES_NOT_EXIST;
    std::shared_ptr<StandInRecord> pRecord = m_pStore->RecordOf(wstrKeyName, dwType);
    pRecord->status = status;
    pRecord->status.dwServiceType = dwType;
    if (!IsStopped(status))
        pRecord->dwAcceptsWhenRunning = status.dwControlsAccepted;
    m_pStore->RemoveIfDone(pRecord.get());
    return 0;
}
