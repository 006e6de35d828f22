#include "support/TestServices.h"

#include "common/GbkText.h"
#include "common/RegKey.h"
#include "services/ServiceRegistry.h"
#include "support/Waiting.h"

#include <sddl.h>

#include <atomic>

namespace
{
// Whether the service runs the test-bed program (or a path a test gave it);
// only those are ever deleted, so a test can never remove a real service
// such as the prefix's own RpcSs.
bool IsTestService(SC_HANDLE hService)
{
    ServiceConfigSeen config = ReadServiceConfig(hService);
    if (!config.bRead)
        return false;
    for (const char* pszMark : {"qmtestsvc.exe", "\\qm\\", "qm_not_a_program", "null.sys"})
    {
        if (config.strBinaryPath.find(pszMark) != std::string::npos)
            return true;
    }
    return false;
}

// Deletes a service of that name, stopping it first, whatever it accepts.
// bOurs: registered by this process, whatever program it names.
void StopAndDeleteByName(SC_HANDLE hManager, const std::wstring& wstrName, bool bOurs = false)
{
    const std::string strName = GbkFromWide(wstrName); // for the messages
    SC_HANDLE hService = OpenServiceW(hManager, wstrName.c_str(), SERVICE_ALL_ACCESS);
    if (hService == nullptr)
        return;
    if (!bOurs && !IsTestService(hService))
    {
        CloseServiceHandle(hService);
        return;
    }
    bool bAskedToQuit = false;
    PollFor(
        [&] {
            SERVICE_STATUS status = {};
            if (!QueryServiceStatus(hService, &status) || status.dwCurrentState == SERVICE_STOPPED)
                return true;
            if (!bAskedToQuit)
            {
                // The test bed's own way out works whatever controls it accepts.
                HANDLE hQuit = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"QmTestBed.Quit." + wstrName).c_str());
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
            return false;
        },
        strName + " stopping");
    DeleteService(hService);
    CloseServiceHandle(hService);
    PollFor(
        [&] {
            SC_HANDLE hCheck = OpenServiceW(hManager, wstrName.c_str(), SERVICE_QUERY_STATUS);
            if (hCheck == nullptr)
                return true;
            CloseServiceHandle(hCheck);
            return false;
        },
        strName + " leaving the manager");
}

// Closes a service handle at the end of the scope.
struct CClosing
{
    SC_HANDLE h;
    ~CClosing()
    {
        if (h != nullptr)
            CloseServiceHandle(h);
    }
};

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

// As the program turns its texts, so that what a test expects is what a
// window shows.
std::wstring WideFromGbk(const std::string& text)
{
    return GbkText::ToWide(text);
}

std::string GbkFromWide(const std::wstring& text)
{
    return GbkText::FromWide(text);
}

TestServiceSpec TestBed(const char* pszStem, const std::string& strArguments, DWORD dwStartType)
{
    TestServiceSpec definition;
    definition.strName = UniqueServiceName(pszStem);
    definition.strArguments = strArguments;
    definition.dwStartType = dwStartType;
    return definition;
}

TestServiceSpec Named(const char* pszName, DWORD dwStartType)
{
    TestServiceSpec definition;
    definition.strName = pszName;
    definition.dwStartType = dwStartType;
    return definition;
}

testing::AssertionResult RegisterAll(const std::vector<TestServiceSpec>& specs,
                                     std::vector<std::unique_ptr<CTestService>>* pServices)
{
    for (const TestServiceSpec& spec : specs)
    {
        pServices->emplace_back(new CTestService(spec));
        testing::AssertionResult created = pServices->back()->Created();
        if (!created)
            return created;
    }
    return testing::AssertionSuccess();
}

COpenedService::COpenedService(const std::wstring& wstrName, DWORD dwAccess)
{
    m_hManager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (m_hManager != nullptr)
        m_hService = OpenServiceW(m_hManager, wstrName.c_str(), dwAccess);
}

COpenedService::COpenedService(const std::string& strName, DWORD dwAccess) : COpenedService(WideFromGbk(strName), dwAccess)
{
}

COpenedService::~COpenedService()
{
    CClosing manager{m_hManager}, service{m_hService}; // the service first
}

bool ServiceConfigSeen::operator==(const ServiceConfigSeen& other) const
{
    return bRead == other.bRead && dwServiceType == other.dwServiceType && dwStartType == other.dwStartType &&
           dwErrorControl == other.dwErrorControl && strBinaryPath == other.strBinaryPath &&
           strGroup == other.strGroup && strAccount == other.strAccount && strDisplayName == other.strDisplayName &&
           strDescription == other.strDescription;
}

std::ostream& operator<<(std::ostream& out, const ServiceConfigSeen& c)
{
    return out << (c.bRead ? "" : "(not read) ") << c.dwServiceType << "/" << c.dwStartType << "/"
               << c.dwErrorControl << " [" << c.strBinaryPath << "] [" << c.strGroup << "] [" << c.strAccount
               << "] [" << c.strDisplayName << "] [" << c.strDescription << "]";
}

ServiceConfigSeen ReadServiceConfig(SC_HANDLE hService)
{
    ServiceConfigSeen seen;
    DWORD dwNeeded = 0;
    QueryServiceConfigA(hService, nullptr, 0, &dwNeeded);
    std::vector<BYTE> buffer(dwNeeded + 1);
    auto* pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(hService, pConfig, static_cast<DWORD>(buffer.size()), &dwNeeded))
        return seen;
    auto text = [](const char* psz) { return std::string(psz != nullptr ? psz : ""); };
    seen.bRead = true;
    seen.dwServiceType = pConfig->dwServiceType;
    seen.dwStartType = pConfig->dwStartType;
    seen.dwErrorControl = pConfig->dwErrorControl;
    seen.strBinaryPath = text(pConfig->lpBinaryPathName);
    seen.strGroup = text(pConfig->lpLoadOrderGroup);
    seen.strAccount = text(pConfig->lpServiceStartName);
    seen.strDisplayName = text(pConfig->lpDisplayName);
    std::vector<BYTE> description(8192);
    if (QueryServiceConfig2A(hService, SERVICE_CONFIG_DESCRIPTION, description.data(),
                             static_cast<DWORD>(description.size()), &dwNeeded))
    {
        const char* psz = reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data())->lpDescription;
        seen.strDescription = psz != nullptr ? psz : "(null)";
    }
    return seen;
}

ServiceConfigSeen ReadServiceConfig(const std::string& strName)
{
    COpenedService service(strName, SERVICE_QUERY_CONFIG);
    return service.Get() != nullptr ? ReadServiceConfig(service.Get()) : ServiceConfigSeen();
}

bool SetStartTypeOf(const std::string& strName, DWORD dwStartType)
{
    COpenedService service(strName, SERVICE_CHANGE_CONFIG);
    return service.Get() != nullptr &&
           ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, dwStartType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr);
}

DWORD EnumerateServicesInto(SC_HANDLE hManager, std::vector<BYTE>* pBuffer, DWORD* pdwCount)
{
    DWORD dwNeeded = 0, dwCount = 0, dwResume = 0;
    *pdwCount = 0;
    if (EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &dwNeeded, &dwCount,
                            &dwResume))
        return 0;
    DWORD dwError = GetLastError();
    if (dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER)
        return dwError;
    pBuffer->assign(dwNeeded, 0);
    dwResume = 0;
    // Wine leaves the size error behind on success: the return value decides.
    if (!EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL,
                             reinterpret_cast<ENUM_SERVICE_STATUSA*>(pBuffer->data()), dwNeeded, &dwNeeded,
                             &dwCount, &dwResume))
        return GetLastError();
    *pdwCount = dwCount;
    return 0;
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
    if (!m_spec.wstrName.empty())
        m_spec.strName = GbkFromWide(m_spec.wstrName);
    m_hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (m_hManager == nullptr)
    {
        m_dwCreateError = GetLastError();
        return;
    }
    // Fixed names (knowledge-base services) may be left over from a crash;
    // a "Qm" name is always a test's, whatever program it was given.
    StopAndDeleteByName(m_hManager, WideName(), WideName().compare(0, 2, L"Qm") == 0);
    if (!m_spec.bRegister)
        return;

    std::string strPath =
        m_spec.strBinaryPath.empty() ? TestBedCommandLine(m_spec.strArguments) : m_spec.strBinaryPath;
    std::wstring wstrDisplay = m_spec.strDisplayName.empty() ? WideName() : WideFromGbk(m_spec.strDisplayName);
    std::wstring dependencies = MultiString(m_spec.dependencies);
    // A leftover may hold the display name under another service name.
    wchar_t szKeyName[256] = {};
    DWORD dwKeyLength = ARRAYSIZE(szKeyName);
    if (GetServiceKeyNameW(m_hManager, wstrDisplay.c_str(), szKeyName, &dwKeyLength) &&
        lstrcmpiW(szKeyName, WideName().c_str()) != 0)
        StopAndDeleteByName(m_hManager, szKeyName);
    // The wide call keeps the whole dependency list; Wine's narrow one keeps
    // only the first name.
    SC_HANDLE hService = CreateServiceW(
        m_hManager, WideName().c_str(), wstrDisplay.c_str(), SERVICE_ALL_ACCESS,
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
    StopAndDeleteByName(m_hManager, WideName(), m_dwCreateError == 0);
}

std::wstring CTestService::WideName() const
{
    return m_spec.wstrName.empty() ? WideFromGbk(m_spec.strName) : m_spec.wstrName;
}

SC_HANDLE CTestService::OpenOwn(DWORD dwAccess) const
{
    return OpenServiceW(m_hManager, WideName().c_str(), dwAccess);
}

testing::AssertionResult CTestService::Created() const
{
    if (m_dwCreateError != 0)
        return testing::AssertionFailure() << "registering " << m_spec.strName << " failed with "
                                           << m_dwCreateError;
    return testing::AssertionSuccess();
}

testing::AssertionResult CTestService::Start()
{
    CClosing service{OpenOwn(SERVICE_START)};
    if (service.h == nullptr)
        return testing::AssertionFailure() << "open for start failed with " << GetLastError();
    if (!StartServiceA(service.h, 0, nullptr))
        return testing::AssertionFailure() << "start of " << m_spec.strName << " failed with " << GetLastError();
    return testing::AssertionSuccess();
}

testing::AssertionResult CTestService::StartAndWaitRunning()
{
    testing::AssertionResult started = Start();
    if (!started)
        return started;
    return WaitForState(SERVICE_RUNNING);
}

testing::AssertionResult CTestService::ChangeStartType(DWORD dwStartType)
{
    CClosing service{OpenOwn(SERVICE_CHANGE_CONFIG)};
    if (service.h == nullptr)
        return testing::AssertionFailure() << "open for a change failed with " << GetLastError();
    if (!ChangeServiceConfigA(service.h, SERVICE_NO_CHANGE, dwStartType, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr))
        return testing::AssertionFailure() << "start type " << dwStartType << " of " << m_spec.strName
                                           << " failed with " << GetLastError();
    return testing::AssertionSuccess();
}

std::string CTestService::KeyPath() const
{
    return std::string(CServicesKey::kPath) + "\\" + m_spec.strName;
}

testing::AssertionResult CTestService::SetStoredValue(const char* pszValue, DWORD dwType, const std::string& strData)
{
    CRegKey key;
    LONG nResult = key.Open(HKEY_LOCAL_MACHINE, KeyPath().c_str(), KEY_SET_VALUE);
    if (nResult == ERROR_SUCCESS)
        nResult = RegSetValueExA(key.Get(), pszValue, 0, dwType, reinterpret_cast<const BYTE*>(strData.data()),
                                 static_cast<DWORD>(strData.size()));
    if (nResult != ERROR_SUCCESS)
        return testing::AssertionFailure() << "writing " << pszValue << " of " << m_spec.strName << " failed with "
                                           << nResult;
    return testing::AssertionSuccess();
}

testing::AssertionResult CTestService::SetStoredDword(const char* pszValue, DWORD dwData)
{
    return SetStoredValue(pszValue, REG_DWORD, std::string(reinterpret_cast<const char*>(&dwData), sizeof(dwData)));
}

testing::AssertionResult CTestService::DeleteStoredValue(const char* pszValue)
{
    CRegKey key;
    LONG nResult = key.Open(HKEY_LOCAL_MACHINE, KeyPath().c_str(), KEY_SET_VALUE);
    if (nResult == ERROR_SUCCESS)
        nResult = RegDeleteValueA(key.Get(), pszValue);
    if (nResult != ERROR_SUCCESS)
        return testing::AssertionFailure() << "deleting " << pszValue << " of " << m_spec.strName << " failed with "
                                           << nResult;
    return testing::AssertionSuccess();
}

testing::AssertionResult CTestService::SendControl(DWORD dwControl)
{
    CClosing service{OpenOwn(SERVICE_ALL_ACCESS)};
    if (service.h == nullptr)
        return testing::AssertionFailure() << "open for control failed with " << GetLastError();
    SERVICE_STATUS status = {};
    if (!ControlService(service.h, dwControl, &status))
        return testing::AssertionFailure() << "control " << dwControl << " failed with " << GetLastError();
    return testing::AssertionSuccess();
}

bool CTestService::QueryStatus(SERVICE_STATUS* pStatus) const
{
    CClosing service{OpenOwn(SERVICE_QUERY_STATUS)};
    return service.h != nullptr && QueryServiceStatus(service.h, pStatus);
}

DWORD CTestService::CurrentState() const
{
    SERVICE_STATUS status = {};
    return QueryStatus(&status) ? status.dwCurrentState : 0;
}

DWORD CTestService::ConfiguredStartType() const
{
    CClosing service{OpenOwn(SERVICE_QUERY_CONFIG)};
    return service.h != nullptr ? ReadServiceConfig(service.h).dwStartType : 0xFFFFFFFF;
}

bool CTestService::Exists() const
{
    return CClosing{OpenOwn(SERVICE_QUERY_STATUS)}.h != nullptr;
}

testing::AssertionResult CTestService::WaitForState(DWORD dwState, DWORD dwTimeoutMs) const
{
    DWORD dwLast = 0;
    testing::AssertionResult reached = PollFor(
        [&] {
            dwLast = CurrentState();
            return dwLast == dwState;
        },
        m_spec.strName + " reaching state " + std::to_string(dwState), dwTimeoutMs);
    if (!reached)
        reached << "; last state " << dwLast;
    return reached;
}

testing::AssertionResult CTestService::WaitUntilGone(DWORD dwTimeoutMs) const
{
    return PollFor([this] { return !Exists(); }, m_spec.strName + " leaving the manager", dwTimeoutMs);
}

std::map<std::string, DWORD> EnumeratedStates()
{
    std::map<std::string, DWORD> states;
    SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    if (hManager != nullptr && EnumerateServicesInto(hManager, &buffer, &dwCount) == 0)
    {
        const auto* pServices = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
        for (DWORD i = 0; i < dwCount; ++i)
            states[pServices[i].lpServiceName] = pServices[i].ServiceStatus.dwCurrentState;
    }
    if (hManager != nullptr)
        CloseServiceHandle(hManager);
    return states;
}

namespace
{
// A value below a service's key, the keys on the way made.
void PutValue(HKEY hRoot, const std::wstring& wstrKey, const wchar_t* pszName, DWORD dwType, const std::string& data)
{
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(hRoot, wstrKey.c_str(), KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), pszName, 0, dwType,
                                            reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())));
}
} // namespace

std::string Utf16Bytes(const std::wstring& wstrText)
{
    return std::string(reinterpret_cast<const char*>(wstrText.c_str()), (wstrText.size() + 1) * sizeof(wchar_t));
}

void FillServiceKey(HKEY hRoot, const std::wstring& wstrKey)
{
    const std::string kDword1("\1\0\0\0", 4);
    PutValue(hRoot, wstrKey + L"\\Parameters", L"ServiceDll", REG_EXPAND_SZ, Utf16Bytes(L"%SystemRoot%\\qm\\托管.dll"));
    PutValue(hRoot, wstrKey + L"\\Parameters\\Deep\\Deeper", L"", REG_SZ, Utf16Bytes(L"default of a nested key"));
    PutValue(hRoot, wstrKey, L"FailureActions", REG_BINARY,
             std::string("\x80\x51\x01\0\0\0\0\0\0\0\0\0\x01\0\0\0\x14\0\0\0\x01\0\0\0\x60\xEA\0\0", 28));
    PutValue(hRoot, wstrKey, L"FailureCommand", REG_SZ, Utf16Bytes(L"C:\\qm\\failed.exe"));
    PutValue(hRoot, wstrKey, L"DelayedAutostart", REG_DWORD, kDword1);
    PutValue(hRoot, wstrKey, L"RequiredPrivileges", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"SeChangeNotifyPrivilege\0", 24)));
    PutValue(hRoot, wstrKey, L"ServiceSidType", REG_DWORD, kDword1);
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    ULONG cbDescriptor = 0;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:SYG:SYD:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)", SDDL_REVISION_1, &pDescriptor,
        &cbDescriptor));
    std::string descriptor(static_cast<const char*>(pDescriptor), cbDescriptor);
    LocalFree(pDescriptor);
    PutValue(hRoot, wstrKey + L"\\Security", L"Security", REG_BINARY, descriptor);
    PutValue(hRoot, wstrKey + L"\\TriggerInfo\\0", L"Type", REG_DWORD, kDword1);
    PutValue(hRoot, wstrKey + L"\\TriggerInfo\\0", L"Action", REG_DWORD, kDword1);
    PutValue(hRoot, wstrKey + L"\\TriggerInfo\\0", L"GUID", REG_BINARY, std::string(16, '\x5A'));
    PutValue(hRoot, wstrKey + L"\\TriggerInfo\\0", L"Data0", REG_BINARY, Utf16Bytes(L"USBSTOR\\GenDisk"));
    PutValue(hRoot, wstrKey + L"\\TriggerInfo\\0", L"DataType0", REG_DWORD, std::string("\2\0\0\0", 4));
    // Every type the registry has, one it does not, and no data at all.
    for (DWORD dwType : std::initializer_list<DWORD>{REG_NONE, REG_DWORD_BIG_ENDIAN, REG_LINK, REG_RESOURCE_LIST, REG_FULL_RESOURCE_DESCRIPTOR,
                         REG_RESOURCE_REQUIREMENTS_LIST, REG_QWORD, DWORD(0x12345)})
        PutValue(hRoot, wstrKey, (L"QmType" + std::to_wstring(dwType)).c_str(), dwType, std::string("\0\xFF\x10\x80\0\0\0\x01", 8));
    PutValue(hRoot, wstrKey + L"\\Empty", L"QmNothing", REG_BINARY, "");
}
