// The service enumerations against managers that answer the way Windows
// does (partial batches with a resume handle, bytes needed for the rest
// only) and the way Wine does, then the real manager and the main window's
// list and export.
#include "support/MainWindowHarness.h"

#include "common/FileHandle.h"
#include "config/ServiceConfigFile.h"
#include "services/ServiceEnumeration.h"
#include "support/ListingBridge.h"
#include "support/TestFiles.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <type_traits>

namespace
{
struct FakeService
{
    std::string strName;        // GBK
    std::string strDisplayName; // GBK
    DWORD dwState;
};

DWORD WideLength(const std::string& text)
{
    return static_cast<DWORD>(WideFromGbk(text).size());
}

enum class FakeBehaviour
{
    Windows,
    Wine,
    NeverEnough, // more data, never any progress
};

// A service manager of the test's making, answering the 8-bit or the wide
// call (Entry: ENUM_SERVICE_STATUSA or W). Windows fills the buffer from the
// front with as many entries as fit (their strings from the back), returns
// ERROR_MORE_DATA with the resume handle on the next entry and the bytes
// the remaining entries need; Wine returns nothing but the size of the
// whole list in wide characters, an untrustworthy count and the resume
// handle as it was.
template <typename Entry>
class CFakeManagerOf
{
public:
    using Behaviour = FakeBehaviour;
    static constexpr bool kWide = std::is_same<Entry, ENUM_SERVICE_STATUSW>::value;
    using Char = std::conditional_t<kWide, wchar_t, char>;
    using Text = std::basic_string<Char>;
    using BatchFunction = std::function<BOOL(SC_HANDLE, DWORD, DWORD, Entry*, DWORD, DWORD*, DWORD*, DWORD*)>;

    explicit CFakeManagerOf(Behaviour behaviour = Behaviour::Windows) : m_behaviour(behaviour) {}

    std::vector<FakeService> services;
    // Runs before the call with that number (from 1) is answered.
    std::function<void(int nCall)> beforeCall;
    // From this call on, every call fails with m_dwError.
    int nFailFromCall = 0;
    DWORD dwError = 0;
    // When set, the list is read afresh from the real manager on each call.
    bool bFromRealManager = false;
    // At most this many entries per call, as when the manager's own limit
    // on a batch is reached before the caller's buffer is full.
    DWORD dwMaxPerCall = 0xFFFFFFFF;

    int Calls() const { return m_nCalls; }

    BatchFunction Function()
    {
        return [this](SC_HANDLE, DWORD, DWORD, Entry* pServices, DWORD cbBufSize, DWORD* pcbNeeded,
                      DWORD* pdwReturned, DWORD* pdwResume) {
            return Answer(pServices, cbBufSize, pcbNeeded, pdwReturned, pdwResume);
        };
    }

    // A name as this call gives it.
    static Text TextOf(const std::string& gbk)
    {
        if constexpr (kWide)
            return WideFromGbk(gbk);
        else
            return gbk;
    }

    static DWORD EntryBytes(const FakeService& service)
    {
        return static_cast<DWORD>(sizeof(Entry) + (TextOf(service.strName).size() + 1 +
                                                   TextOf(service.strDisplayName).size() + 1) * sizeof(Char));
    }

private:
    BOOL Answer(Entry* pServices, DWORD cbBufSize, DWORD* pcbNeeded, DWORD* pdwReturned, DWORD* pdwResume)
    {
        ++m_nCalls;
        if (beforeCall)
            beforeCall(m_nCalls);
        if (bFromRealManager)
            ReadRealManager();
        if (pServices != nullptr)
            std::memset(pServices, 0xAB, cbBufSize); // what a careless reader would take for entries
        if (nFailFromCall != 0 && m_nCalls >= nFailFromCall)
        {
            *pdwReturned = 7;
            SetLastError(dwError);
            return FALSE;
        }
        if (m_behaviour == Behaviour::NeverEnough)
        {
            *pdwReturned = 0;
            *pcbNeeded = cbBufSize + 1000;
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }
        DWORD dwStart = m_behaviour == Behaviour::Windows ? *pdwResume : 0;
        if (dwStart > services.size())
            dwStart = static_cast<DWORD>(services.size());
        DWORD dwTaken = 0, dwUsed = 0;
        for (DWORD i = dwStart; i < services.size() && dwTaken < dwMaxPerCall; ++i, ++dwTaken)
        {
            if (dwUsed + EntryBytes(services[i]) > cbBufSize)
                break;
            dwUsed += EntryBytes(services[i]);
        }
        bool bAll = dwStart + dwTaken == services.size();
        if (m_behaviour == Behaviour::Wine && !bAll)
            return AnswerAsWine(cbBufSize, pcbNeeded, pdwReturned);

        Char* pStrings = reinterpret_cast<Char*>(pServices) + cbBufSize / sizeof(Char);
        for (DWORD i = 0; i < dwTaken; ++i)
        {
            const Text name = TextOf(services[dwStart + i].strName);
            const Text display = TextOf(services[dwStart + i].strDisplayName);
            pStrings -= name.size() + 1;
            std::memcpy(pStrings, name.c_str(), (name.size() + 1) * sizeof(Char));
            pServices[i].lpServiceName = pStrings;
            pStrings -= display.size() + 1;
            std::memcpy(pStrings, display.c_str(), (display.size() + 1) * sizeof(Char));
            pServices[i].lpDisplayName = pStrings;
            pServices[i].ServiceStatus = {SERVICE_WIN32_OWN_PROCESS, services[dwStart + i].dwState,
                                          SERVICE_ACCEPT_STOP, 0, 0, 0, 0};
        }
        *pdwReturned = dwTaken;
        if (bAll)
        {
            *pcbNeeded = 0;
            *pdwResume = 0;
            return TRUE;
        }
        DWORD dwRemaining = 0;
        for (DWORD i = dwStart + dwTaken; i < services.size(); ++i)
            dwRemaining += EntryBytes(services[i]);
        *pcbNeeded = dwRemaining;
        *pdwResume = dwStart + dwTaken;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }

    BOOL AnswerAsWine(DWORD cbBufSize, DWORD* pcbNeeded, DWORD* pdwReturned)
    {
        DWORD dwWide = 0;
        for (const FakeService& service : services)
            dwWide += static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUSW)) +
                      (WideLength(service.strName) + 1 + WideLength(service.strDisplayName) + 1) * 2;
        *pdwReturned = 7;
        // The 8-bit call fetches the wide list into twice the caller's size;
        // when that held it, only the narrowing failed.
        if (!kWide && 2 * cbBufSize >= dwWide)
        {
            *pcbNeeded = 0;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        }
        else
        {
            *pcbNeeded = dwWide;
            SetLastError(ERROR_MORE_DATA);
        }
        return FALSE;
    }

    void ReadRealManager()
    {
        services.clear();
        SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
        std::vector<BYTE> buffer;
        DWORD dwCount = 0;
        if (EnumerateServicesInto(hManager, &buffer, &dwCount) == 0)
        {
            const auto* pEntries = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
            for (DWORD i = 0; i < dwCount; ++i)
                services.push_back({pEntries[i].lpServiceName, pEntries[i].lpDisplayName,
                                    pEntries[i].ServiceStatus.dwCurrentState});
        }
        CloseServiceHandle(hManager);
    }

    Behaviour m_behaviour;
    int m_nCalls = 0;
};
using CFakeManager = CFakeManagerOf<ENUM_SERVICE_STATUSA>;
using CFakeWideManager = CFakeManagerOf<ENUM_SERVICE_STATUSW>;

std::vector<FakeService> FakeServices(int nCount)
{
    std::vector<FakeService> services;
    for (int i = 0; i < nCount; ++i)
    {
        char szName[32];
        std::snprintf(szName, sizeof(szName), "QmFake%04d", i);
        services.push_back({szName, "测试服务" + std::string(szName) + " 带一个较长的显示名称",
                            i % 3 == 0 ? static_cast<DWORD>(SERVICE_RUNNING) : static_cast<DWORD>(SERVICE_STOPPED)});
    }
    return services;
}

std::vector<std::string> NamesOf(const std::vector<EnumeratedServiceA>& services)
{
    std::vector<std::string> names;
    for (const EnumeratedServiceA& service : services)
        names.push_back(service.strName);
    return names;
}

// The entries of the list against what the manager holds, in its order.
testing::AssertionResult SameServices(const std::vector<FakeService>& expected,
                                      const std::vector<EnumeratedServiceA>& actual)
{
    if (expected.size() != actual.size())
        return testing::AssertionFailure() << actual.size() << " entries instead of " << expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        if (expected[i].strName != actual[i].strName || expected[i].strDisplayName != actual[i].strDisplayName ||
            expected[i].dwState != actual[i].status.dwCurrentState)
            return testing::AssertionFailure() << "entry " << i << " is " << actual[i].strName << " / "
                                               << actual[i].status.dwCurrentState << " instead of "
                                               << expected[i].strName << " / " << expected[i].dwState;
    }
    return testing::AssertionSuccess();
}

// A manager whose list outgrows the first buffer several times over.
constexpr int kManyServices = 1500;

TEST(ServiceEnumerationTest, EveryServiceIsListedOnceWhateverTheBatches)
{
    struct Case
    {
        const char* pszWhat;
        CFakeManager::Behaviour behaviour;
        int nServices;
        // Changes the manager's list before the given call.
        std::function<void(std::vector<FakeService>& services, int nCall)> change;
        int nMinCalls; // so that a change falls between two calls

    };
    const Case cases[] = {
        {"a short list", CFakeManager::Behaviour::Windows, 20, nullptr, 1},
        {"batches of what fits", CFakeManager::Behaviour::Windows, kManyServices, nullptr, 1},
        {"a service installed behind the resume point", CFakeManager::Behaviour::Windows, kManyServices,
         [](std::vector<FakeService>& services, int nCall) {
             if (nCall == 2)
                 services.push_back({"QmZLate", "后来安装的服务", SERVICE_STOPPED});
         },
         2},
        {"a service installed before the resume point", CFakeManager::Behaviour::Windows, kManyServices,
         [](std::vector<FakeService>& services, int nCall) {
             if (nCall == 2)
                 services.insert(services.begin(), {"QmAEarly", "先来的服务", SERVICE_RUNNING});
         },
         2},
        {"a service installed before each call", CFakeManager::Behaviour::Windows, kManyServices,
         [](std::vector<FakeService>& services, int nCall) {
             services.push_back({"QmZNew" + std::to_string(nCall), "新服务", SERVICE_STOPPED});
         },
         2},
        {"Wine's answers", CFakeManager::Behaviour::Wine, kManyServices, nullptr, 1},
        {"Wine's answers, a service installed between calls", CFakeManager::Behaviour::Wine, kManyServices,
         [](std::vector<FakeService>& services, int nCall) {
             if (nCall == 2)
                 services.push_back({"QmZLate", "后来安装的服务", SERVICE_STOPPED});
         },
         2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CFakeManager manager(c.behaviour);
        manager.services = FakeServices(c.nServices);
        std::vector<FakeService> original = manager.services;
        if (c.change)
            manager.beforeCall = [&](int nCall) { c.change(manager.services, nCall); };

        std::vector<EnumeratedServiceA> listed;
        ASSERT_EQ(0u, EnumerateWin32Services(nullptr, &listed, manager.Function()));
        EXPECT_GE(manager.Calls(), c.nMinCalls);

        std::vector<std::string> names = NamesOf(listed);
        std::set<std::string> distinct(names.begin(), names.end());
        EXPECT_EQ(distinct.size(), names.size()) << "a service was listed twice";
        for (const FakeService& service : original)
            EXPECT_EQ(1u, distinct.count(service.strName)) << service.strName << " is missing";
        if (!c.change)
        {
            EXPECT_TRUE(SameServices(original, listed));
        }
        // A service installed after the resume point is listed in a later batch.
        if (c.change && manager.services.back().strName.compare(0, 4, "QmZ") == 0)
        {
            EXPECT_EQ(1u, distinct.count(manager.services.back().strName));
        }
        for (const EnumeratedServiceA& service : listed)
        {
            // Entries read from a buffer that was never filled would show here.
            ASSERT_EQ(0u, service.strName.find("Qm")) << testing::PrintToString(service.strName);
            ASSERT_FALSE(service.strDisplayName.empty());
        }
    }
}

TEST(ServiceEnumerationTest, AnErrorEndsTheEnumerationWithAnEmptyList)
{
    struct Case
    {
        const char* pszWhat;
        CFakeManager::Behaviour behaviour;
        int nFailFromCall;
        DWORD dwError;
        DWORD dwExpected; // 0: any error code will do
    };
    const Case cases[] = {
        {"refused at once", CFakeManager::Behaviour::Windows, 1, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {"refused after the first batch", CFakeManager::Behaviour::Windows, 2, ERROR_ACCESS_DENIED,
         ERROR_ACCESS_DENIED},
        {"handle closed after the first batch", CFakeManager::Behaviour::Windows, 2, ERROR_INVALID_HANDLE,
         ERROR_INVALID_HANDLE},
        {"refused after Wine's size answer", CFakeManager::Behaviour::Wine, 2, ERROR_ACCESS_DENIED,
         ERROR_ACCESS_DENIED},
        {"more data that never comes", CFakeManager::Behaviour::NeverEnough, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CFakeManager manager(c.behaviour);
        manager.services = FakeServices(kManyServices);
        manager.nFailFromCall = c.nFailFromCall;
        manager.dwError = c.dwError;
        std::vector<EnumeratedServiceA> listed = {{"left over", "", {}}};
        DWORD dwResult = EnumerateWin32Services(nullptr, &listed, manager.Function());
        if (c.dwExpected != 0)
        {
            EXPECT_EQ(c.dwExpected, dwResult);
        }
        else
        {
            EXPECT_NE(0u, dwResult);
        }
        EXPECT_TRUE(listed.empty()) << listed.size() << " entries";
        if (c.nFailFromCall != 0)
        {
            EXPECT_EQ(c.nFailFromCall, manager.Calls()) << "a refusal is not asked again";
        }
        EXPECT_LE(manager.Calls(), 40) << "the enumeration gives up within bounds";
    }
}

// The wide loop against the same stand-ins answering the wide call: its
// resume logic, its answer to Wine's whole-list sizes and its errors.
TEST(ServiceListingTest, TheWideLoopListsEveryServiceOnceWhateverTheBatches)
{
    using Behaviour = FakeBehaviour;
    auto installOnSecondCall = [](bool bFront) {
        return [bFront](std::vector<FakeService>& services, int nCall) {
            FakeService late = {bFront ? "QmAEarly" : "QmZLate", "后来安装的服务", SERVICE_STOPPED};
            if (nCall == 2)
                services.insert(bFront ? services.begin() : services.end(), late);
        };
    };
    struct Case
    {
        const char* pszWhat;
        Behaviour behaviour;
        int nServices;
        std::function<void(std::vector<FakeService>& services, int nCall)> change;
        int nMinCalls;
        int nFailFromCall;
        DWORD dwError; // the loop's answer: 0, the refusal, or ~0u for any error
    };
    const DWORD dwAnyError = ~0u;
    const Case cases[] = {
        {"a short list", Behaviour::Windows, 20, nullptr, 1, 0, 0},
        {"batches of what fits", Behaviour::Windows, kManyServices, nullptr, 2, 0, 0},
        {"a service installed behind the resume point", Behaviour::Windows, kManyServices, installOnSecondCall(false),
         2, 0, 0},
        {"a service installed before the resume point", Behaviour::Windows, kManyServices, installOnSecondCall(true),
         2, 0, 0},
        {"Wine's answers", Behaviour::Wine, kManyServices, nullptr, 2, 0, 0},
        {"Wine's answers, a service installed between calls", Behaviour::Wine, kManyServices,
         installOnSecondCall(false), 2, 0, 0},
        {"refused after the first batch", Behaviour::Windows, kManyServices, nullptr, 2, 2, ERROR_ACCESS_DENIED},
        {"refused after Wine's size answer", Behaviour::Wine, kManyServices, nullptr, 2, 2, ERROR_ACCESS_DENIED},
        {"more data that never comes", Behaviour::NeverEnough, kManyServices, nullptr, 2, 0, dwAnyError},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CFakeWideManager manager(c.behaviour);
        manager.services = FakeServices(c.nServices);
        const std::vector<FakeService> original = manager.services;
        if (c.change)
            manager.beforeCall = [&](int nCall) { c.change(manager.services, nCall); };
        manager.nFailFromCall = c.nFailFromCall;
        manager.dwError = c.dwError;
        std::vector<EnumeratedService> listed = {{L"left over", L"", {}}};
        DWORD dwResult = ListServicesThrough(nullptr, SERVICE_WIN32, &listed, manager.Function());
        EXPECT_GE(manager.Calls(), c.nMinCalls);
        EXPECT_LE(manager.Calls(), 40) << "the enumeration gives up within bounds";
        if (c.dwError != 0)
        {
            if (c.dwError != dwAnyError)
            {
                EXPECT_EQ(c.dwError, dwResult);
            }
            EXPECT_NE(0u, dwResult);
            EXPECT_TRUE(listed.empty()) << listed.size() << " entries";
            if (c.nFailFromCall != 0)
            {
                EXPECT_EQ(c.nFailFromCall, manager.Calls()) << "a refusal is not asked again";
            }
            continue;
        }
        ASSERT_EQ(0u, dwResult);
        // Every service once, in the manager's order, with the one installed
        // meanwhile unless it went in ahead of the resume point.
        const bool bAhead = c.change && manager.services.front().strName == "QmAEarly";
        const std::vector<FakeService>& expected = bAhead ? original : manager.services;
        ASSERT_EQ(expected.size(), listed.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            ASSERT_EQ(WideFromGbk(expected[i].strName), listed[i].wstrName) << "entry " << i;
            EXPECT_EQ(WideFromGbk(expected[i].strDisplayName), listed[i].wstrDisplayName) << "entry " << i;
            EXPECT_EQ(expected[i].dwState, listed[i].status.dwCurrentState) << "entry " << i;
        }
        EXPECT_EQ(original.size() + (c.change && !bAhead ? 1 : 0), listed.size());
    }
}

// EnumDependentServicesA has no resume handle: too small a buffer gets
// ERROR_MORE_DATA and the size of the whole list.
class CFakeDependents
{
public:
    std::vector<std::string> names;
    std::function<void(int nCall)> beforeCall;
    DWORD dwError = 0;    // every call fails with it when set
    bool bNeverEnough = false;

    int Calls() const { return m_nCalls; }

    EnumDependentsFunction Function()
    {
        return [this](SC_HANDLE, DWORD, ENUM_SERVICE_STATUSA* pServices, DWORD cbBufSize, DWORD* pcbNeeded,
                      DWORD* pdwReturned) {
            ++m_nCalls;
            if (beforeCall)
                beforeCall(m_nCalls);
            if (pServices != nullptr)
                std::memset(pServices, 0xAB, cbBufSize);
            *pdwReturned = 5;
            if (dwError != 0)
            {
                SetLastError(dwError);
                return FALSE;
            }
            DWORD dwNeeded = 0;
            for (const std::string& strName : names)
                dwNeeded += static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUSA) + 2 * (strName.size() + 1));
            if (bNeverEnough)
                dwNeeded = cbBufSize + 100;
            if (dwNeeded > cbBufSize)
            {
                *pcbNeeded = dwNeeded;
                SetLastError(ERROR_MORE_DATA);
                return FALSE;
            }
            char* pStrings = reinterpret_cast<char*>(pServices) + cbBufSize;
            for (std::size_t i = 0; i < names.size(); ++i)
            {
                pStrings -= names[i].size() + 1;
                std::memcpy(pStrings, names[i].c_str(), names[i].size() + 1);
                pServices[i].lpServiceName = pStrings;
                pStrings -= names[i].size() + 1;
                std::memcpy(pStrings, names[i].c_str(), names[i].size() + 1);
                pServices[i].lpDisplayName = pStrings;
                pServices[i].ServiceStatus = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
            }
            *pdwReturned = static_cast<DWORD>(names.size());
            *pcbNeeded = 0;
            return TRUE;
        };
    }

private:
    int m_nCalls = 0;
};

TEST(ServiceEnumerationTest, DependentsAreListedWhenTheListGrowsMeanwhile)
{
    std::vector<std::string> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back("QmDependent服务" + std::to_string(i));
    struct Case
    {
        const char* pszWhat;
        std::vector<std::string> names;
        // Registers dependents before the given call.
        std::function<void(std::vector<std::string>& names, int nCall)> change;
        int nMinCalls; // so that a change falls between two calls
    };
    const Case cases[] = {
        {"none", {}, nullptr, 1},
        {"three", {"QmA", "QmB", "服务C"}, nullptr, 1},
        {"more than a first buffer holds", many, nullptr, 1},
        {"one registered after the first answer", many,
         [](std::vector<std::string>& names, int nCall) {
             if (nCall == 2)
                 names.push_back("QmLate");
         },
         2},
        {"hundreds registered before each of the first calls", {"QmA"},
         [](std::vector<std::string>& names, int nCall) {
             for (int i = 0; nCall <= 3 && i < 300; ++i)
                 names.push_back("QmLate" + std::to_string(nCall) + "_" + std::to_string(i));
         },
         3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CFakeDependents fake;
        fake.names = c.names;
        if (c.change)
            fake.beforeCall = [&](int nCall) { c.change(fake.names, nCall); };
        std::vector<std::string> names = {"left over"};
        ASSERT_EQ(0u, EnumerateDependentServices(nullptr, &names, fake.Function()));
        EXPECT_GE(fake.Calls(), c.nMinCalls);
        // The list as it stood when the manager gave its whole answer.
        EXPECT_EQ(fake.names, names);
        if (!c.change)
        {
            EXPECT_EQ(c.names, names);
        }
    }
}

TEST(ServiceEnumerationTest, AFailedDependentsQueryGivesItsErrorAndNoNames)
{
    CFakeDependents refused;
    refused.names = {"QmA"};
    refused.dwError = ERROR_ACCESS_DENIED;
    std::vector<std::string> names = {"left over"};
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), EnumerateDependentServices(nullptr, &names, refused.Function()));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(1, refused.Calls());

    CFakeDependents endless;
    endless.names = {"QmA"};
    endless.bNeverEnough = true;
    names = {"left over"};
    EXPECT_NE(0u, EnumerateDependentServices(nullptr, &names, endless.Function()));
    EXPECT_TRUE(names.empty());
    EXPECT_LE(endless.Calls(), 20);
}

// The real manager under Wine, against its own answer to one large call.
TEST(ServiceEnumerationTest, TheRealManagerIsListedWhole)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName("QmEnumReal");
    spec.strDisplayName = "枚举测试服务 " + spec.strName;
    CTestService service(spec);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());

    SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    ASSERT_NE(nullptr, hManager);
    std::vector<EnumeratedServiceA> listed;
    DWORD dwResult = EnumerateWin32Services(hManager, &listed);
    CloseServiceHandle(hManager);
    ASSERT_EQ(0u, dwResult);

    std::map<std::string, std::pair<std::string, std::string>> view = ManagerView();
    std::vector<std::string> expected;
    for (const auto& entry : view)
        expected.push_back(entry.first);
    std::vector<std::string> names = NamesOf(listed);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(expected, names);
    const EnumeratedServiceA* pOurs = nullptr;
    for (const EnumeratedServiceA& entry : listed)
    {
        if (entry.strName == spec.strName)
            pOurs = &entry;
    }
    ASSERT_NE(nullptr, pOurs);
    EXPECT_EQ(spec.strDisplayName, pOurs->strDisplayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), pOurs->status.dwCurrentState);
}

// The main window's list and export with a manager answering in batches.
class EnumerationWindowTest : public MainWindowHarness
{
protected:
    testing::AssertionResult OpenWindowWith(CFakeManager& manager)
    {
        m_pDialog.reset(new CMainDlg(nullptr));
        m_pDialog->SetServiceEnumerator(manager.Function());
        if (!m_pDialog->Create())
            return testing::AssertionFailure() << "the main window was not created: " << GetLastError();
        PumpMessages();
        return testing::AssertionSuccess();
    }

    void ChooseFile(const std::string& strPath)
    {
        m_pDialog->SetFileChooser([strPath](HWND, bool, std::string* pstrPath) {
            *pstrPath = strPath;
            return true;
        });
    }

    // Two real services in a manager that hands out three entries a call;
    // a third service is registered before the second call from now.
    void RegisterServices()
    {
        for (const char* pszStem : {"QmBatchA", "QmBatchB"})
        {
            m_services.push_back(std::make_unique<CTestService>(TestBed(pszStem, "", SERVICE_DISABLED)));
            ASSERT_TRUE(m_services.back()->Created());
        }
        m_manager.bFromRealManager = true;
        m_manager.dwMaxPerCall = 3;
        int nSecondCall = m_manager.Calls() + 2;
        m_manager.beforeCall = [this, nSecondCall](int nCall) {
            if (nCall != nSecondCall)
                return;
            m_services.push_back(std::make_unique<CTestService>(TestBed("QmBatchLate", "", SERVICE_AUTO_START)));
        };
    }

    const std::string m_strPath = "C:\\windows\\temp\\qm_enumeration_export.svc";
    CFakeManager m_manager;
    std::vector<std::unique_ptr<CTestService>> m_services;
};

TEST_F(EnumerationWindowTest, ListShowsEveryServiceWhenBatchesMeetAnInstallation)
{
    RegisterServices();
    ASSERT_TRUE(OpenWindowWith(m_manager));
    EXPECT_TRUE(m_watcher.Texts().empty());
    ASSERT_EQ(3u, m_services.size());
    EXPECT_GE(m_manager.Calls(), 3);
    std::vector<ListRow> rows = RowsOf(m_pDialog->ServiceList());
    std::map<std::string, std::pair<std::string, std::string>> view = ManagerView();
    EXPECT_EQ(view.size(), rows.size());
    for (const auto& entry : view)
    {
        const ListRow* pRow = FindRow(rows, entry.first);
        ASSERT_NE(nullptr, pRow) << entry.first;
        EXPECT_EQ(entry.second.second, pRow->strStartType) << entry.first;
    }
}

TEST_F(EnumerationWindowTest, ExportWritesEveryServiceWhenBatchesMeetAnInstallation)
{
    ASSERT_TRUE(OpenWindowWith(m_manager));
    RegisterServices();
    ChooseFile(m_strPath);
    SendCommand(ID_EXPORT_CONFIG);
    EXPECT_EQ(std::vector<std::string>{"服务配置文件保存成功!"}, m_watcher.Texts());
    m_watcher.Clear();
    ASSERT_EQ(3u, m_services.size());
    std::string strFile = ReadFileText(m_strPath);
    EXPECT_EQ(ManagerView().size(), ServiceConfigFile::ParseRecords(strFile).size()) << "one line per service";
    EXPECT_NE(std::string::npos, strFile.find(m_services[0]->Name() + "&已禁用\r\n"));
    EXPECT_NE(std::string::npos, strFile.find(m_services[2]->Name() + "&自动\r\n"));
    DeleteFileA(m_strPath.c_str());
}

TEST_F(EnumerationWindowTest, AFailedEnumerationExportsNothingAndKeepsTheOldFile)
{
    struct Case
    {
        const char* pszWhat;
        bool bOldFile;
        int nFailFromCall; // counted from the export's first call
        DWORD dwError;
    };
    const Case cases[] = {
        {"refused at once, no file before", false, 1, ERROR_ACCESS_DENIED},
        {"refused after the first batch, no file before", false, 2, ERROR_ACCESS_DENIED},
        {"refused after the first batch over an older file", true, 2, ERROR_ACCESS_DENIED},
        {"handle gone after the first batch over an older file", true, 2, ERROR_INVALID_HANDLE},
    };
    const std::string strOld = "QmOlder&自动\r\n";
    m_manager.bFromRealManager = true;
    m_manager.dwMaxPerCall = 3;
    ASSERT_TRUE(OpenWindowWith(m_manager));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        DeleteFileA(m_strPath.c_str());
        if (c.bOldFile)
        {
            CFileHandle file;
            ASSERT_TRUE(file.Create(m_strPath));
            ASSERT_TRUE(file.Write(strOld));
        }
        m_manager.nFailFromCall = m_manager.Calls() + c.nFailFromCall;
        m_manager.dwError = c.dwError;
        ChooseFile(m_strPath);
        SendCommand(ID_EXPORT_CONFIG);
        m_manager.nFailFromCall = 0;
        EXPECT_EQ(std::vector<std::string>{"配置文件无法写入,本次导出失败!"}, m_watcher.Texts());
        m_watcher.Clear();
        if (c.bOldFile)
        {
            EXPECT_EQ(strOld, ReadFileText(m_strPath));
        }
        else
        {
            EXPECT_FALSE(FileExists(m_strPath)) << "no empty file is left behind";
        }
        EXPECT_TRUE(IsWindow(Window()));
    }
    DeleteFileA(m_strPath.c_str());
}
} // namespace
