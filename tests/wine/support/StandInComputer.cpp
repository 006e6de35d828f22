#include "support/StandInComputer.h"

#include <sddl.h>

namespace
{
const wchar_t* const kTestsKey = L"Software\\Quillmere Tests";

LONG SetValue(HKEY hKey, const wchar_t* pszName, DWORD dwType, const void* pData, size_t cbData)
{
    return RegSetValueExW(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), static_cast<DWORD>(cbData));
}

LONG SetText(HKEY hKey, const wchar_t* pszName, DWORD dwType, const std::wstring& wstrData)
{
    return SetValue(hKey, pszName, dwType, wstrData.c_str(), (wstrData.size() + 1) * sizeof(wchar_t));
}

LONG WriteService(HKEY hKey, const StandInService& service)
{
    std::wstring wstrServices, wstrGroups;
    for (const std::wstring& wstrName : service.dependencies)
    {
        bool bGroup = !wstrName.empty() && wstrName[0] == L'+';
        (bGroup ? wstrGroups : wstrServices) += (bGroup ? wstrName.substr(1) : wstrName) + L'\0';
    }
    DWORD dwDelayed = static_cast<DWORD>(service.nDelayedAutostart);
    LONG nResult = ERROR_SUCCESS;
    // Written in order until one fails; a text left empty is not written.
    auto setDword = [&](const wchar_t* pszName, const DWORD& dwValue) {
        if (nResult == ERROR_SUCCESS)
            nResult = SetValue(hKey, pszName, REG_DWORD, &dwValue, sizeof(DWORD));
    };
    auto setText = [&](const wchar_t* pszName, DWORD dwType, const std::wstring& wstrData) {
        if (nResult == ERROR_SUCCESS && !wstrData.empty())
            nResult = SetText(hKey, pszName, dwType, wstrData);
    };
    setDword(L"Type", service.dwType);
    setDword(L"Start", service.dwStartType);
    setDword(L"ErrorControl", service.dwErrorControl);
    setText(L"ImagePath", REG_EXPAND_SZ, service.wstrPath);
    setText(L"ObjectName", REG_SZ, L"LocalSystem");
    setText(L"DisplayName", REG_SZ, service.wstrDisplayName);
    setText(L"DependOnService", REG_MULTI_SZ, wstrServices);
    setText(L"DependOnGroup", REG_MULTI_SZ, wstrGroups);
    if (service.nDelayedAutostart >= 0)
        setDword(L"DelayedAutostart", dwDelayed);
    if (nResult || service.wstrSddl.empty())
        return nResult;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    ULONG cbDescriptor = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(service.wstrSddl.c_str(), SDDL_REVISION_1, &pDescriptor,
                                                              &cbDescriptor))
        return static_cast<LONG>(GetLastError());
    HKEY hSecurity = nullptr;
    nResult = RegCreateKeyExW(hKey, L"Security", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hSecurity, nullptr);
    if (nResult == ERROR_SUCCESS)
    {
        nResult = SetValue(hSecurity, L"Security", REG_BINARY, pDescriptor, cbDescriptor);
        RegCloseKey(hSecurity);
    }
    LocalFree(pDescriptor);
    return nResult;
}
} // namespace

CStandInComputer::CStandInComputer(const std::wstring& wstrComputerName)
    : m_wstrStoreKey(std::wstring(kTestsKey) + L"\\StandIn_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                     std::to_wstring(GetTickCount())),
      m_wstrComputerName(wstrComputerName.empty() ? L"local" : wstrComputerName)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (m_wstrStoreKey + L"\\" + m_wstrComputerName).c_str(), 0, nullptr, 0,
                        KEY_READ, nullptr, &hKey, nullptr) == ERROR_SUCCESS)
        RegCloseKey(hKey);
}

CStandInComputer::~CStandInComputer()
{
    DeleteRegistryTree(HKEY_CURRENT_USER, m_wstrStoreKey);
    // Only when no other test's keys are left in it.
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestsKey);
}

std::wstring CStandInComputer::ServiceKey(const std::wstring& wstrName) const
{
    return m_wstrStoreKey + L"\\" + m_wstrComputerName + L"\\" + IServiceSession::kServicesKeyPath + L"\\" + wstrName;
}

testing::AssertionResult CStandInComputer::Add(const std::vector<StandInService>& added)
{
    for (const StandInService& service : added)
    {
        HKEY hKey = nullptr;
        LONG nResult = RegCreateKeyExW(HKEY_CURRENT_USER, ServiceKey(service.wstrName).c_str(), 0, nullptr, 0,
                                       KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
        if (nResult == ERROR_SUCCESS)
        {
            nResult = WriteService(hKey, service);
            RegCloseKey(hKey);
        }
        if (nResult != ERROR_SUCCESS)
            return testing::AssertionFailure() << "service " << service.wstrName << " not added: " << nResult;
    }
    return testing::AssertionSuccess();
}

std::unique_ptr<CStandInSession> CStandInComputer::Session() const
{
    return std::make_unique<CStandInSession>(HKEY_CURRENT_USER, m_wstrStoreKey, m_wstrComputerName);
}
