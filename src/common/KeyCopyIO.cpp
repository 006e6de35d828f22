#include "common/KeyCopyIO.h"

#include "common/RegKey.h"
#include "common/RegistryListing.h"

#include <vector>

namespace
{
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// One path of keys after another; either may be empty.
std::wstring Below(const std::wstring& wstrPath, const std::wstring& wstrSubkey)
{
    if (wstrPath.empty() || wstrSubkey.empty())
        return wstrPath + wstrSubkey;
    return wstrPath + L"\\" + wstrSubkey;
}

LONG ReadBelow(HKEY hKey, const std::wstring& wstrSubkey, KeyCopy* pCopy)
{
    LONG nResult = ForEachRegistryValue(hKey, [&](const std::wstring& wstrName, DWORD dwType, const BYTE* pData,
                                                  DWORD dwDataSize) {
        pCopy->values.push_back({wstrSubkey, wstrName, dwType,
                                 std::string(reinterpret_cast<const char*>(pData), dwDataSize)});
    });
    if (nResult != ERROR_SUCCESS)
        return nResult;
    std::vector<std::wstring> children;
    nResult = ForEachRegistrySubkey(hKey, [&](const std::wstring& wstrName) { children.push_back(wstrName); });
    if (nResult != ERROR_SUCCESS)
        return nResult;
    for (const std::wstring& wstrChild : children)
    {
        std::wstring wstrPath = Below(wstrSubkey, wstrChild);
        CRegKey child;
        if ((nResult = child.Open(hKey, wstrChild.c_str(), kReadAccess)) != ERROR_SUCCESS)
            return nResult;
        pCopy->subkeys.push_back(wstrPath);
        if ((nResult = ReadBelow(child.Get(), wstrPath, pCopy)) != ERROR_SUCCESS)
            return nResult;
    }
    return ERROR_SUCCESS;
}
} // namespace

LONG DeleteRegistryTree(HKEY hParent, const std::wstring& wstrSubkey)
{
    CRegKey key;
    LONG nResult = key.Open(hParent, wstrSubkey.c_str(), KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE);
    if (nResult != ERROR_SUCCESS)
        return nResult;
    std::vector<std::wstring> children;
    ForEachRegistrySubkey(key.Get(), [&](const std::wstring& wstrName) { children.push_back(wstrName); });
    for (const std::wstring& wstrChild : children)
    {
        if ((nResult = DeleteRegistryTree(key.Get(), wstrChild)) != ERROR_SUCCESS)
            return nResult;
    }
    key.Close();
    return RegDeleteKeyW(hParent, wstrSubkey.c_str());
}

LONG ReadKeyCopy(HKEY hParent, const std::wstring& wstrPath, KeyCopy* pCopy)
{
    *pCopy = KeyCopy();
    CRegKey key;
    LONG nResult = key.Open(hParent, wstrPath.c_str(), kReadAccess);
    return nResult == ERROR_SUCCESS ? ReadBelow(key.Get(), L"", pCopy) : nResult;
}

LONG WriteKeyCopy(HKEY hParent, const std::wstring& wstrPath, const KeyCopy& copy)
{
    LONG nFirst = ERROR_SUCCESS;
    auto note = [&nFirst](LONG nResult) {
        if (nFirst == ERROR_SUCCESS)
            nFirst = nResult;
    };
    KeyCopy now;
    LONG nRead = ReadKeyCopy(hParent, wstrPath, &now);
    if (nRead != ERROR_FILE_NOT_FOUND)
        note(nRead);
    // What is there and should not be goes first, deepest keys first.
    for (auto it = now.subkeys.rbegin(); it != now.subkeys.rend(); ++it)
    {
        if (!copy.HasSubkey(*it))
            note(DeleteRegistryTree(hParent, Below(wstrPath, *it)));
    }
    for (const KeyValueCopy& value : now.values)
    {
        if (copy.Find(value.wstrSubkey, value.wstrName) != nullptr || !copy.HasSubkey(value.wstrSubkey))
            continue;
        CRegKey key;
        LONG nResult = key.Open(hParent, Below(wstrPath, value.wstrSubkey).c_str(), KEY_SET_VALUE);
        note(nResult == ERROR_SUCCESS ? RegDeleteValueW(key.Get(), value.wstrName.c_str()) : nResult);
    }
    CRegKey root;
    note(root.Create(hParent, wstrPath.c_str(), KEY_SET_VALUE));
    for (const std::wstring& wstrSubkey : copy.subkeys)
    {
        CRegKey key;
        note(key.Create(hParent, Below(wstrPath, wstrSubkey).c_str(), KEY_SET_VALUE));
    }
    for (const KeyValueCopy& value : copy.values)
    {
        const KeyValueCopy* pNow = now.Find(value.wstrSubkey, value.wstrName);
        if (pNow != nullptr && pNow->dwType == value.dwType && pNow->data == value.data)
            continue;
        CRegKey key;
        LONG nResult = key.Open(hParent, Below(wstrPath, value.wstrSubkey).c_str(), KEY_SET_VALUE);
        if (nResult == ERROR_SUCCESS)
            nResult = RegSetValueExW(key.Get(), value.wstrName.empty() ? nullptr : value.wstrName.c_str(), 0,
                                     value.dwType, reinterpret_cast<const BYTE*>(value.data.data()),
                                     static_cast<DWORD>(value.data.size()));
        note(nResult);
    }
    return nFirst;
}
