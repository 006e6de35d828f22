#include "startup/RunValues.h"

#include "common/RegKey.h"

#include <vector>

namespace
{
const struct
{
    HKEY hRoot;
    const char* pszToken;
} kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKLM"},
    {HKEY_CURRENT_USER, "HKCU"},
};
// Values are read and written in the registry's own form, so that the
// bytes of a string go back exactly as they were, whatever the code page.
std::wstring Wide(const std::string& str)
{
    if (str.empty())
        return std::wstring();
    int nLength = MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(nLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), &wide[0], nLength);
    return wide;
}
} // namespace

namespace RunValues
{
const char* RootToken(HKEY hRoot)
{
    for (const auto& root : kRoots)
    {
        if (root.hRoot == hRoot)
            return root.pszToken;
    }
    return nullptr;
}

HKEY RootFromToken(const std::string& strToken)
{
    for (const auto& root : kRoots)
    {
        if (strToken == root.pszToken)
            return root.hRoot;
    }
    return nullptr;
}

LONG Read(HKEY hRoot, const std::string& strSubkey, const std::string& strName, DWORD* pdwType, std::string* pData)
{
    CRegKey key;
    LONG lResult = key.Open(hRoot, strSubkey.c_str(), KEY_QUERY_VALUE);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    std::wstring wideName = Wide(strName);
    // The value may grow between the size query and the read.
    std::vector<BYTE> data(256);
    for (int nTry = 0; nTry < 4; ++nTry)
    {
        DWORD dwSize = static_cast<DWORD>(data.size());
        lResult = RegQueryValueExW(key.Get(), wideName.c_str(), nullptr, pdwType, data.data(), &dwSize);
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

LONG Write(HKEY hRoot, const std::string& strSubkey, const std::string& strName, DWORD dwType,
           const std::string& data)
{
    CRegKey key;
    LONG lResult = key.Create(hRoot, strSubkey.c_str(), KEY_SET_VALUE);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    // The registry adds a closing NUL to string data that lacks one when the
    // character after the data is NUL; a guard that is not NUL keeps the
    // bytes exactly as recorded.
    std::string guarded = data;
    guarded.append(2, '\xFF');
    return RegSetValueExW(key.Get(), Wide(strName).c_str(), 0, dwType,
                          reinterpret_cast<const BYTE*>(guarded.data()), static_cast<DWORD>(data.size()));
}
} // namespace RunValues
