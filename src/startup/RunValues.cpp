#include "startup/RunValues.h"

#include "common/RegKey.h"

#include <vector>

namespace
{
const char kLocalMachineToken[] = "HKLM";
const char kCurrentUserToken[] = "HKCU";
} // namespace

namespace RunValues
{
const char* RootToken(HKEY hRoot, HKEY hLocalMachine)
{
    if (hRoot == nullptr)
        return nullptr;
    if (hRoot == hLocalMachine)
        return kLocalMachineToken;
    return hRoot == HKEY_CURRENT_USER ? kCurrentUserToken : nullptr;
}

HKEY RootFromToken(const std::string& strToken, HKEY hLocalMachine)
{
    if (strToken == kLocalMachineToken)
        return hLocalMachine;
    return strToken == kCurrentUserToken ? HKEY_CURRENT_USER : nullptr;
}

LONG Read(HKEY hRoot, const std::string& strSubkey, const std::wstring& wstrName, DWORD* pdwType,
          std::string* pData)
{
    CRegKey key;
    LONG lResult = key.Open(hRoot, strSubkey.c_str(), KEY_QUERY_VALUE);
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

LONG Write(HKEY hRoot, const std::string& strSubkey, const std::wstring& wstrName, DWORD dwType,
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
    return RegSetValueExW(key.Get(), wstrName.c_str(), 0, dwType,
                          reinterpret_cast<const BYTE*>(guarded.data()), static_cast<DWORD>(data.size()));
}
} // namespace RunValues
