// Registers test-bed services under chosen names for one test and removes
// them again, looking at the manager through handles of its own.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct TestServiceSpec
{
    std::string strName;
    // The real name when set, for names GBK cannot hold; strName is then
    // made from it ("?" for such characters) and only names it in messages.
    std::wstring wstrName;
    std::string strDisplayName; // GBK; the name when empty
    std::string strArguments;   // options of the test-bed program
    DWORD dwStartType = SERVICE_DEMAND_START;
    DWORD dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    std::vector<std::string> dependencies; // "+Group" names a group
    std::string strDescription;            // GBK; none when empty
    std::string strBinaryPath;             // replaces the test-bed path when set
    // False for a service the test makes itself: the name is only cleared
    // beforehand and the service removed afterwards.
    bool bRegister = true;
};

// A test-bed service under a name unique to this run, made from the stem.
TestServiceSpec TestBed(const char* pszStem, const std::string& strArguments = "",
                        DWORD dwStartType = SERVICE_DEMAND_START);
// A test bed under a fixed name, such as a service the knowledge base knows.
TestServiceSpec Named(const char* pszName, DWORD dwStartType = SERVICE_DEMAND_START);

// A service of this computer's manager, opened by name through handles of
// the test's own and closed at the end of the scope; Get() is nullptr when
// it could not be opened.
class COpenedService
{
public:
    COpenedService(const std::wstring& wstrName, DWORD dwAccess);
    COpenedService(const std::string& strName, DWORD dwAccess);
    ~COpenedService();
    COpenedService(const COpenedService&) = delete;
    COpenedService& operator=(const COpenedService&) = delete;
    SC_HANDLE Get() const { return m_hService; }

private:
    SC_HANDLE m_hManager = nullptr;
    SC_HANDLE m_hService = nullptr;
};

// What the manager answers to QueryServiceConfigA, asked for the size first
// and then with room for it, and to QueryServiceConfig2A for the description
// ("(null)" when it has none); bRead is false when the service could not be
// opened or queried.
struct ServiceConfigSeen
{
    bool bRead = false;
    DWORD dwServiceType = 0;
    DWORD dwStartType = 0xFFFFFFFF;
    DWORD dwErrorControl = 0;
    std::string strBinaryPath, strGroup, strAccount, strDisplayName, strDescription;
    bool operator==(const ServiceConfigSeen& other) const;
};
std::ostream& operator<<(std::ostream& out, const ServiceConfigSeen& config);
ServiceConfigSeen ReadServiceConfig(SC_HANDLE hService);
ServiceConfigSeen ReadServiceConfig(const std::string& strName);
// Through the manager, as another program would; false when it refused.
bool SetStartTypeOf(const std::string& strName, DWORD dwStartType);

// EnumServicesStatusA of every Win32 service: the size query, then the
// exactly sized call. 0 or the error of the call that failed.
DWORD EnumerateServicesInto(SC_HANDLE hManager, std::vector<BYTE>* pBuffer, DWORD* pdwCount);
// The current state of every Win32 service the manager lists, by name;
// empty when it cannot be asked.
std::map<std::string, DWORD> EnumeratedStates();

class CTestService
{
public:
    explicit CTestService(TestServiceSpec spec);
    ~CTestService();

    CTestService(const CTestService&) = delete;
    CTestService& operator=(const CTestService&) = delete;

    // Whether the registration succeeded, with the reason when not.
    testing::AssertionResult Created() const;
    const std::string& Name() const { return m_spec.strName; }
    // The name the manager knows it by.
    std::wstring WideName() const;

    // Returns once the manager has started it (it may still be pending).
    testing::AssertionResult Start();
    testing::AssertionResult StartAndWaitRunning();
    testing::AssertionResult SendControl(DWORD dwControl);
    // Through the manager, as another program would change it.
    testing::AssertionResult ChangeStartType(DWORD dwStartType);
    // Writes or deletes a value of the service's key in the manager's
    // registry store directly, where the manager would refuse the change.
    testing::AssertionResult SetStoredValue(const char* pszValue, DWORD dwType, const std::string& strData);
    testing::AssertionResult SetStoredDword(const char* pszValue, DWORD dwData);
    testing::AssertionResult DeleteStoredValue(const char* pszValue);
    testing::AssertionResult WaitForState(DWORD dwState, DWORD dwTimeoutMs = 15000) const;
    // Waits until the manager no longer knows the service.
    testing::AssertionResult WaitUntilGone(DWORD dwTimeoutMs = 15000) const;

    // What the manager answers to QueryServiceStatus; false when it cannot.
    bool QueryStatus(SERVICE_STATUS* pStatus) const;
    DWORD CurrentState() const;   // 0 when it cannot be queried
    DWORD ConfiguredStartType() const; // 0xFFFFFFFF when it cannot be queried
    bool Exists() const;

    // Stops and deletes the service now; the destructor does it otherwise.
    void Remove();

    // HKLM\SYSTEM\CurrentControlSet\Services\<name>, for a name GBK holds.
    std::string KeyPath() const;

    // Full path of the test-bed program beside the running test program.
    static std::string TestBedPath();
    // The quoted path plus options, as a service's binary path.
    static std::string TestBedCommandLine(const std::string& strArguments);

private:
    SC_HANDLE OpenOwn(DWORD dwAccess) const;

    TestServiceSpec m_spec;
    SC_HANDLE m_hManager = nullptr;
    DWORD m_dwCreateError = 0;
    bool m_bRemoved = false;
};

// Registers a test-bed service for each description into pServices; the first failure, if any.
testing::AssertionResult RegisterAll(const std::vector<TestServiceSpec>& specs,
                                     std::vector<std::unique_ptr<CTestService>>* pServices);

// A name unique to this process, so that leftovers of an earlier crashed
// run never collide with this one.
std::string UniqueServiceName(const char* pszStem);

// GBK to UTF-16 and back, for the wide calls that keep whole lists.
std::wstring WideFromGbk(const std::string& text);

// A text as the registry stores it: UTF-16 and its NUL.
std::string Utf16Bytes(const std::wstring& wstrText);
// What Windows keeps in a service's key (wstrKey below hRoot) beyond its
// configuration, each kind of value and keys nested below: a hosted
// service's DLL, failure actions, its descriptor, a trigger, the delayed
// start, privileges, its SID type.
void FillServiceKey(HKEY hRoot, const std::wstring& wstrKey);
std::string GbkFromWide(const std::wstring& text);

// Start types of every Win32 service, put back at the end of a test that
// applies a profile to the whole machine.
class CStartTypeSnapshot
{
public:
    CStartTypeSnapshot()
    {
        for (const auto& entry : EnumeratedStates())
            m_startTypes[entry.first] = StartTypeOf(entry.first);
    }
    ~CStartTypeSnapshot()
    {
        for (const auto& entry : m_startTypes)
            SetStartTypeOf(entry.first, entry.second);
    }
    static DWORD StartTypeOf(const std::string& strName) { return ReadServiceConfig(strName).dwStartType; }

private:
    std::map<std::string, DWORD> m_startTypes;
};
