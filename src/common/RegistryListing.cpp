#include "common/RegistryListing.h"

#include <algorithm>
#include <vector>

namespace
{
// Reads of one index that may answer ERROR_MORE_DATA before the walk ends.
constexpr int kTriesPerIndex = 4;
// A key name is at most 255 characters.
constexpr DWORD kFirstKeyNameChars = 256;
constexpr DWORD kMaxKeyNameChars = 4096;
} // namespace

// Any other answer than success ends the walk, once ERROR_MORE_DATA has had
// its few tries with more room: a key deleted meanwhile (ERROR_KEY_DELETED)
// answers the same for every index, and skipping on to the next one would
// go on through all four billion.
LONG ForEachRegistryValue(HKEY hKey, const RegistryValueVisitor& visit)
{
    DWORD dwMaxName = 0, dwMaxData = 0;
    LONG nInfo = RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dwMaxName,
                                  &dwMaxData, nullptr, nullptr);
    if (nInfo != ERROR_SUCCESS)
        return nInfo;
    std::vector<wchar_t> name(dwMaxName + 1);
    std::vector<BYTE> data(dwMaxData + 1);
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        LONG nResult = ERROR_MORE_DATA;
        DWORD dwNameLength = 0, dwDataLength = 0, dwType = 0;
        // A value that grew since the sizes were read is read again with
        // room enough; nothing is taken from a buffer that was not filled.
        for (int nTry = 0; nTry < kTriesPerIndex && nResult == ERROR_MORE_DATA; ++nTry)
        {
            if (nTry > 0)
            {
                DWORD dwNeededName = 0, dwNeededData = 0;
                RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &dwNeededName, &dwNeededData, nullptr, nullptr);
                name.resize(std::max<std::size_t>(name.size(), dwNeededName + 1) * 2);
                data.resize(std::max<std::size_t>(data.size(), dwNeededData + 1) * 2);
            }
            dwNameLength = static_cast<DWORD>(name.size());
            dwDataLength = static_cast<DWORD>(data.size());
            dwType = 0;
            nResult = RegEnumValueW(hKey, dwIndex, name.data(), &dwNameLength, nullptr, &dwType, data.data(),
                                    &dwDataLength);
        }
        if (nResult == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (nResult != ERROR_SUCCESS)
            return nResult;
        visit(std::wstring(name.data(), dwNameLength), dwType, data.data(), dwDataLength);
    }
}

LONG ForEachRegistrySubkey(HKEY hKey, const RegistrySubkeyVisitor& visit)
{
    std::vector<wchar_t> name(kFirstKeyNameChars);
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        LONG nResult = ERROR_MORE_DATA;
        DWORD dwLength = 0;
        for (int nTry = 0; nTry < kTriesPerIndex && nResult == ERROR_MORE_DATA; ++nTry)
        {
            if (nTry > 0 && name.size() < kMaxKeyNameChars)
                name.resize(name.size() * 2);
            dwLength = static_cast<DWORD>(name.size());
            nResult = RegEnumKeyExW(hKey, dwIndex, name.data(), &dwLength, nullptr, nullptr, nullptr, nullptr);
        }
        if (nResult == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (nResult != ERROR_SUCCESS)
            return nResult;
        visit(std::wstring(name.data(), dwLength));
    }
}
