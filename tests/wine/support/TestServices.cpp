#include "support/TestServices.h"

#include <atomic>

namespace
{
constexpr DWORD kPollMs = 10;

// Whether the service runs the test-bed program (or a path a test gave it);
// only those are ever deleted, so a test can never remove a real service
// such as the prefix's own RpcSs.
bool IsTestService(SC_HANDLE hService)
{
    DWORD dwNeeded = 0;
    QueryServiceConfigA(hService, nullptr, 0, &dwNeeded);
    std::vector<BYTE> buffer(dwNeeded + 1);
    auto* pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(hService, pConfig, static_cast<DWORD>(buffer.size()), &dwNeeded))
        return false;
    std::string strPath = pConfig->lpBinaryPathName != nullptr ? pConfig->lpBinaryPathName : "";
    for (const char* pszMark : {"qmtestsvc.exe", "\\qm\\", "qm_not_a_program", "null.sys"})
    {
        if (strPath.find(pszMark) != std::string::npos)
            return true;
    }
    return false;
}

// Deletes a service of that name, stopping it first, whatever it accepts.
// bOurs: registered by this process, whatever program it names.
void StopAndDeleteByName(SC_HANDLE hManager, const std::string& strName, bool bOurs = false)
{
    SC_HANDLE hService = OpenServiceA(hManager, strName.c_str(), SERVICE_ALL_ACCESS);
    if (hService == nullptr)
        return;
    if (!bOurs && !IsTestService(hService))
    {
        CloseServiceHandle(hService);
        return;
    }
    bool bAskedToQuit = false;
    SERVICE_STATUS status = {};
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 15000; Sleep(kPollMs))
    {
        if (!QueryServiceStatus(hService, &status) || status.dwCurrentState == SERVICE_STOPPED)
            break;
        if (!bAskedToQuit)
        {
            // The test bed's own way out works whatever controls it accepts.
            HANDLE hQuit = OpenEventA(EVENT_MODIFY_STATE, FALSE, ("QmTestBed.Quit." + strName).c_str());
            if (hQuit != nullptr)
            {
                bAskedToQuit = SetEvent(hQuit) != FALSE;
                CloseHandle(hQuit);
            }
            else
            {
                // Not a test bed, or one that has not made its event yet.
                SERVICE_STATUS ignored = {};
                bAskedToQuit = ControlService(hService, SERVICE_CONTROL_STOP, &ignored) != FALSE;
            }
        }
    }
    DeleteService(hService);
    CloseServiceHandle(hService);
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 15000; Sleep(kPollMs))
    {
        SC_HANDLE hCheck = OpenServiceA(hManager, strName.c_str(), SERVICE_QUERY_STATUS);
        if (hCheck == nullptr)
            return;
        CloseServiceHandle(hCheck);
    }
}

std::wstring MultiString(const std::vector<std::string>& items)
{
    std::wstring result;
    for (const std::string& item : items)
    {
        result += WideFromGbk(item);
        result += L'\0';
    }
    result += L'\0';
    return result;
}
} // namespace

std::wstring WideFromGbk(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int nChars = MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(nChars, L'\0');
    MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), &result[0], nChars);
    return result;
}

std::string GbkFromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int nBytes = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string result(nBytes, '\0');
    WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &result[0], nBytes, nullptr,
                        nullptr);
    return result;
}

std::string UniqueServiceName(const char* pszStem)
{
    static std::atomic<int> s_nCounter{0};
    return std::string(pszStem) + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++s_nCounter);
}

std::string CTestService::TestBedPath()
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strPath = szPath;
    strPath.erase(strPath.find_last_of('\\') + 1);
    return strPath + "qmtestsvc.exe";
}

std::string CTestService::TestBedCommandLine(const std::string& strArguments)
{
    std::string strLine = "\"" + TestBedPath() + "\"";
    if (!strArguments.empty())
        strLine += " " + strArguments;
    return strLine;
}

CTestService::CTestService(TestServiceSpec spec) : m_spec(std::move(spec))
{
    m_hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (m_hManager == nullptr)
    {
        m_dwCreateError = GetLastError();
        return;
    }
    // Fixed names (knowledge-base services) may be left over from a crash;
    // a "Qm" name is always a test's, whatever program it was given.
    StopAndDeleteByName(m_hManager, m_spec.strName, m_spec.strName.compare(0, 2, "Qm") == 0);

    std::string strPath =
        m_spec.strBinaryPath.empty() ? TestBedCommandLine(m_spec.strArguments) : m_spec.strBinaryPath;
    std::string strDisplay = m_spec.strDisplayName.empty() ? m_spec.strName : m_spec.strDisplayName;
    std::wstring dependencies = MultiString(m_spec.dependencies);
    // A leftover may hold the display name under another service name.
    char szKeyName[256] = {};
    DWORD dwKeyLength = sizeof(szKeyName);
    if (GetServiceKeyNameA(m_hManager, strDisplay.c_str(), szKeyName, &dwKeyLength) &&
        lstrcmpiA(szKeyName, m_spec.strName.c_str()) != 0)
        StopAndDeleteByName(m_hManager, szKeyName);
    // The wide call keeps the whole dependency list; Wine's narrow one keeps
    // only the first name.
    SC_HANDLE hService = CreateServiceW(
        m_hManager, WideFromGbk(m_spec.strName).c_str(), WideFromGbk(strDisplay).c_str(), SERVICE_ALL_ACCESS,
        m_spec.dwServiceType, m_spec.dwStartType, SERVICE_ERROR_IGNORE, WideFromGbk(strPath).c_str(), nullptr,
        nullptr, m_spec.dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr);
    if (hService == nullptr)
    {
        m_dwCreateError = GetLastError();
        return;
    }
    if (!m_spec.strDescription.empty())
    {
        std::wstring description = WideFromGbk(m_spec.strDescription);
        SERVICE_DESCRIPTIONW info = {&description[0]};
        if (!ChangeServiceConfig2W(hService, SERVICE_CONFIG_DESCRIPTION, &info))
            m_dwCreateError = GetLastError();
    }
    CloseServiceHandle(hService);
}

CTestService::~CTestService()
{
    Remove();
    if (m_hManager != nullptr)
        CloseServiceHandle(m_hManager);
}

void CTestService::Remove()
{
    if (m_bRemoved || m_hManager == nullptr)
        return;
    m_bRemoved = true;
    // A service given another program than the test bed is ours only when
    // its registration here succeeded.
    StopAndDeleteByName(m_hManager, m_spec.strName, m_dwCreateError == 0);
}

testing::AssertionResult CTestService::Created() const
{
    if (m_dwCreateError != 0)
        return testing::AssertionFailure() << "registering " << m_spec.strName << " failed with "
                                           << m_dwCreateError;
    return testing::AssertionSuccess();
}

testing::AssertionResult CTestService::StartAndWaitRunning()
{
    SC_HANDLE hService = OpenServiceA(m_hManager, m_spec.strName.c_str(), SERVICE_START);
    if (hService == nullptr)
        return testing::AssertionFailure() << "open for start failed with " << GetLastError();
    BOOL bStarted = StartServiceA(hService, 0, nullptr);
    DWORD dwError = GetLastError();
    CloseServiceHandle(hService);
    if (!bStarted)
        return testing::AssertionFailure() << "start of " << m_spec.strName << " failed with " << dwError;
    return WaitForState(SERVICE_RUNNING);
}

testing::AssertionResult CTestService::SendControl(DWORD dwControl)
{
    SC_HANDLE hService = OpenServiceA(m_hManager, m_spec.strName.c_str(), SERVICE_ALL_ACCESS);
    if (hService == nullptr)
        return testing::AssertionFailure() << "open for control failed with " << GetLastError();
    SERVICE_STATUS status = {};
    BOOL bSent = ControlService(hService, dwControl, &status);
    DWORD dwError = GetLastError();
    CloseServiceHandle(hService);
    if (!bSent)
        return testing::AssertionFailure() << "control " << dwControl << " failed with " << dwError;
    return testing::AssertionSuccess();
}

DWORD CTestService::CurrentState() const
{
    SC_HANDLE hService = OpenServiceA(m_hManager, m_spec.strName.c_str(), SERVICE_QUERY_STATUS);
    if (hService == nullptr)
        return 0;
    SERVICE_STATUS status = {};
    BOOL bQueried = QueryServiceStatus(hService, &status);
    CloseServiceHandle(hService);
    return bQueried ? status.dwCurrentState : 0;
}

DWORD CTestService::ConfiguredStartType() const
{
    SC_HANDLE hService = OpenServiceA(m_hManager, m_spec.strName.c_str(), SERVICE_QUERY_CONFIG);
    if (hService == nullptr)
        return 0xFFFFFFFF;
    DWORD dwNeeded = 0;
    QueryServiceConfigA(hService, nullptr, 0, &dwNeeded);
    std::vector<BYTE> buffer(dwNeeded + 1);
    DWORD dwStartType = 0xFFFFFFFF;
    auto* pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(hService, pConfig, static_cast<DWORD>(buffer.size()), &dwNeeded))
        dwStartType = pConfig->dwStartType;
    CloseServiceHandle(hService);
    return dwStartType;
}

bool CTestService::Exists() const
{
    SC_HANDLE hService = OpenServiceA(m_hManager, m_spec.strName.c_str(), SERVICE_QUERY_STATUS);
    if (hService == nullptr)
        return false;
    CloseServiceHandle(hService);
    return true;
}

testing::AssertionResult CTestService::WaitForState(DWORD dwState, DWORD dwTimeoutMs) const
{
    DWORD dwLast = 0;
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeoutMs; Sleep(kPollMs))
    {
        dwLast = CurrentState();
        if (dwLast == dwState)
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << m_spec.strName << " did not reach state " << dwState << " within "
                                       << dwTimeoutMs << " ms; last state " << dwLast;
}

testing::AssertionResult CTestService::WaitUntilGone(DWORD dwTimeoutMs) const
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeoutMs; Sleep(kPollMs))
    {
        if (!Exists())
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << m_spec.strName << " still exists after " << dwTimeoutMs << " ms";
}
