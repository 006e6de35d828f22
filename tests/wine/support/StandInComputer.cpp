#include "support/StandInComputer.h"

#include "common/RegKey.h"

#include <sddl.h>

#include <tuple>

namespace
{
const wchar_t* const kTestsKey = L"Software\\Quillmere Tests";

LONG SetValue(HKEY hKey, const wchar_t* pszName, DWORD dwType, const void* pData, size_t cbData)
{
    return RegSetValueExW(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), static_cast<DWORD>(cbData));
}

// The values in order until one fails; a text left empty is not written.
LONG WriteService(HKEY hKey, const StandInService& service)
{
    std::wstring wstrServices, wstrGroups;
    for (const std::wstring& wstrName : service.dependencies)
    {
        bool bGroup = !wstrName.empty() && wstrName[0] == L'+';
        (bGroup ? wstrGroups : wstrServices) += (bGroup ? wstrName.substr(1) : wstrName) + L'\0';
    }
    const std::pair<const wchar_t*, DWORD> dwords[] = {{L"Type", service.dwType},
                                                       {L"Start", service.dwStartType},
                                                       {L"ErrorControl", service.dwErrorControl},
                                                       {L"DelayedAutostart", DWORD(service.nDelayedAutostart)}};
    const std::tuple<const wchar_t*, DWORD, std::wstring> texts[] = {
        {L"ImagePath", REG_EXPAND_SZ, service.wstrPath}, {L"ObjectName", REG_SZ, L"LocalSystem"},
        {L"DisplayName", REG_SZ, service.wstrDisplayName}, {L"DependOnService", REG_MULTI_SZ, wstrServices},
        {L"DependOnGroup", REG_MULTI_SZ, wstrGroups}};
    LONG nResult = ERROR_SUCCESS;
    // The delayed flag, last, only when set.
    for (int i = 0; i < (service.nDelayedAutostart < 0 ? 3 : 4) && nResult == ERROR_SUCCESS; ++i)
        nResult = SetValue(hKey, dwords[i].first, REG_DWORD, &dwords[i].second, sizeof(DWORD));
    for (const auto& [pszName, dwType, wstrData] : texts)
    {
        if (nResult == ERROR_SUCCESS && !wstrData.empty())
            nResult = SetValue(hKey, pszName, dwType, wstrData.c_str(), (wstrData.size() + 1) * sizeof(wchar_t));
    }
    if (nResult != ERROR_SUCCESS || service.wstrSddl.empty())
        return nResult;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    ULONG cbDescriptor = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(service.wstrSddl.c_str(), SDDL_REVISION_1, &pDescriptor,
                                                              &cbDescriptor))
        return static_cast<LONG>(GetLastError());
    CRegKey security;
    nResult = security.Create(hKey, L"Security", KEY_SET_VALUE);
    if (nResult == ERROR_SUCCESS)
        nResult = SetValue(security.Get(), L"Security", REG_BINARY, pDescriptor, cbDescriptor);
    LocalFree(pDescriptor);
    return nResult;
}
} // namespace

CStandInComputer::CStandInComputer(const std::wstring& wstrComputerName)
    : m_wstrStoreKey(std::wstring(kTestsKey) + L"\\StandIn_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                     std::to_wstring(GetTickCount())),
      m_wstrComputerName(wstrComputerName.empty() ? L"local" : wstrComputerName)
{
    CRegKey().Create(HKEY_CURRENT_USER, (m_wstrStoreKey + L"\\" + m_wstrComputerName).c_str(), KEY_READ);
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
        CRegKey key;
        LONG nResult = key.Create(HKEY_CURRENT_USER, ServiceKey(service.wstrName).c_str(), KEY_ALL_ACCESS);
        if (nResult == ERROR_SUCCESS)
            nResult = WriteService(key.Get(), service);
        if (nResult != ERROR_SUCCESS)
            return testing::AssertionFailure() << "service " << service.wstrName << " not added: " << nResult;
    }
    return testing::AssertionSuccess();
}

std::unique_ptr<CStandInSession> CStandInComputer::Session() const
{
    return std::make_unique<CStandInSession>(HKEY_CURRENT_USER, m_wstrStoreKey, m_wstrComputerName);
}
