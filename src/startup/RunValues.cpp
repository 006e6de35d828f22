#include "startup/RunValues.h"

#include "common/RegKey.h"

#include <vector>

namespace
{
const struct
{
    const char* pszToken;
    bool bLocalMachine;
    REGSAM samView;
} kPlaces[] = {
    {"HKCU", false, 0},
    {"HKLM64", true, KEY_WOW64_64KEY},
    {"HKLM32", true, KEY_WOW64_32KEY},
    {"HKLM", true, 0},
};
} // namespace

namespace RunValues
{
const char* PlaceToken(const Place& place, HKEY hLocalMachine)
{
    for (const auto& known : kPlaces)
    {
        HKEY hRoot = known.bLocalMachine ? hLocalMachine : HKEY_CURRENT_USER;
        if (place.hRoot != nullptr && place.hRoot == hRoot && place.samView == known.samView)
            return known.pszToken;
    }
    return nullptr;
}

bool PlaceFromToken(const std::string& strToken, HKEY hLocalMachine, Place* pPlace)
{
    for (const auto& known : kPlaces)
    {
        if (strToken != known.pszToken)
            continue;
        *pPlace = {known.bLocalMachine ? hLocalMachine : HKEY_CURRENT_USER, known.samView};
        return pPlace->hRoot != nullptr;
    }
    return false;
}

bool HasSeparate32BitView(HKEY hLocalMachine)
{
    CRegKey key;
    return hLocalMachine != nullptr &&
           key.Open(hLocalMachine, "SOFTWARE\\Wow6432Node", KEY_QUERY_VALUE | KEY_WOW64_64KEY) == ERROR_SUCCESS;
}

LONG Read(const Place& place, const std::string& strSubkey, const std::wstring& wstrName, DWORD* pdwType,
          std::string* pData)
{
    CRegKey key;
    LONG lResult = key.Open(place.hRoot, strSubkey.c_str(), KEY_QUERY_VALUE | place.samView);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    // The value may grow between the size query and the read.
    std::vector<BYTE> data(256);
    for (int nTry = 0; nTry < 4; ++nTry)
    {
        DWORD dwSize = static_cast<DWORD>(data.size());
        lResult = RegQueryValueExW(key.Get(), wstrName.c_str(), nullptr, pdwType, data.data(), &dwSize);
        if (lResult == ERROR_SUCCESS)
        {
            pData->assign(reinterpret_cast<const char*>(data.data()), dwSize);
            return ERROR_SUCCESS;
        }
        if (lResult != ERROR_MORE_DATA)
            return lResult;
        data.assign(dwSize > data.size() ? dwSize : data.size() * 2, 0);
    }
    return lResult;
}

LONG Write(const Place& place, const std::string& strSubkey, const std::wstring& wstrName, DWORD dwType,
           const std::string& data)
{
    CRegKey key;
    LONG lResult = key.Create(place.hRoot, strSubkey.c_str(), KEY_SET_VALUE | place.samView);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    // The registry adds a closing NUL to string data that lacks one when the
    // character after the data is NUL; a guard that is not NUL keeps the
    // bytes exactly as recorded.
    std::string guarded = data;
    guarded.append(2, '\xFF');
    return RegSetValueExW(key.Get(), wstrName.c_str(), 0, dwType,
                          reinterpret_cast<const BYTE*>(guarded.data()), static_cast<DWORD>(data.size()));
}

LONG Delete(const Place& place, const std::string& strSubkey, const std::wstring& wstrName)
{
    CRegKey key;
    LONG lResult = key.Open(place.hRoot, strSubkey.c_str(), KEY_SET_VALUE | place.samView);
    return lResult != ERROR_SUCCESS ? lResult : RegDeleteValueW(key.Get(), wstrName.c_str());
}
} // namespace RunValues
