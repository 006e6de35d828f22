// Registers test-bed services under chosen names for one test and removes
// them again, looking at the manager through handles of its own.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct TestServiceSpec
{
    std::string strName;
    std::string strDisplayName; // GBK; the name when empty
    std::string strArguments;   // options of the test-bed program
    DWORD dwStartType = SERVICE_DEMAND_START;
    DWORD dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    std::vector<std::string> dependencies; // "+Group" names a group
    std::string strDescription;            // GBK; none when empty
    std::string strBinaryPath;             // replaces the test-bed path when set
};

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

    testing::AssertionResult StartAndWaitRunning();
    testing::AssertionResult SendControl(DWORD dwControl);
    testing::AssertionResult WaitForState(DWORD dwState, DWORD dwTimeoutMs = 15000) const;
    // Waits until the manager no longer knows the service.
    testing::AssertionResult WaitUntilGone(DWORD dwTimeoutMs = 15000) const;

    DWORD CurrentState() const;   // 0 when it cannot be queried
    DWORD ConfiguredStartType() const; // 0xFFFFFFFF when it cannot be queried
    bool Exists() const;

    // Stops and deletes the service now; the destructor does it otherwise.
    void Remove();

    // Full path of the test-bed program beside the running test program.
    static std::string TestBedPath();
    // The quoted path plus options, as a service's binary path.
    static std::string TestBedCommandLine(const std::string& strArguments);

private:
    TestServiceSpec m_spec;
    SC_HANDLE m_hManager = nullptr;
    DWORD m_dwCreateError = 0;
    bool m_bRemoved = false;
};

// A name unique to this process, so that leftovers of an earlier crashed
// run never collide with this one.
std::string UniqueServiceName(const char* pszStem);

// GBK to UTF-16 and back, for the wide calls that keep whole lists.
std::wstring WideFromGbk(const std::string& text);
std::string GbkFromWide(const std::wstring& text);
