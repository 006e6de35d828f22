// The service listing against managers that answer the way Windows does
// (partial batches with a resume handle, bytes needed for the rest only)
// and the way Wine does, then the real manager and the main window's list
// and export.
#include "support/MainWindowHarness.h"

#include "common/FileHandle.h"
#include "config/ServiceConfigFile.h"
#include "services/ManagerSession.h"
#include "services/ServiceListing.h"
#include "support/TestFiles.h"

#include <cstdio>
#include <cstring>

namespace
{
struct FakeService
{
    std::string strName;        // GBK
    std::string strDisplayName; // GBK
    DWORD dwState;
};

// A service manager of the test's making, answering EnumServicesStatusW.
// Windows fills the buffer from the front with as many entries as fit
// (their strings from the back), returns ERROR_MORE_DATA with the resume
// handle on the next entry and the bytes the remaining entries need; Wine
// returns nothing but the size of the whole list, an untrustworthy count
// and the resume handle as it was.
class CFakeManager
{
public:
    enum class Behaviour
    {
        Windows,
        Wine,
        NeverEnough, // more data, never any progress
    };

    explicit CFakeManager(Behaviour behaviour = Behaviour::Windows) : m_behaviour(behaviour) {}

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

    EnumServicesFunction Function()
    {
        return [this](SC_HANDLE, DWORD, DWORD, ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize, DWORD* pcbNeeded,
                      DWORD* pdwReturned, DWORD* pdwResume) {
            return Answer(pServices, cbBufSize, pcbNeeded, pdwReturned, pdwResume);
        };
    }

    static DWORD EntryBytes(const FakeService& service)
    {
        return static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUSW) + (WideFromGbk(service.strName).size() + 1 +
                                                                  WideFromGbk(service.strDisplayName).size() + 1) *
                                                                     sizeof(wchar_t));
    }

private:
    BOOL Answer(ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize, DWORD* pcbNeeded, DWORD* pdwReturned,
                DWORD* pdwResume)
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
        {
            *pdwReturned = 7;
            *pcbNeeded = 0;
            for (const FakeService& service : services)
                *pcbNeeded += EntryBytes(service);
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }

        wchar_t* pStrings = reinterpret_cast<wchar_t*>(pServices) + cbBufSize / sizeof(wchar_t);
        for (DWORD i = 0; i < dwTaken; ++i)
        {
            const std::wstring name = WideFromGbk(services[dwStart + i].strName);
            const std::wstring display = WideFromGbk(services[dwStart + i].strDisplayName);
            pStrings -= name.size() + 1;
            std::memcpy(pStrings, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
            pServices[i].lpServiceName = pStrings;
            pStrings -= display.size() + 1;
            std::memcpy(pStrings, display.c_str(), (display.size() + 1) * sizeof(wchar_t));
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

// The entries of the list against what the manager holds, in its order.
testing::AssertionResult SameServices(const std::vector<FakeService>& expected,
                                      const std::vector<EnumeratedService>& actual)
{
    if (expected.size() != actual.size())
        return testing::AssertionFailure() << actual.size() << " entries instead of " << expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        const std::string strName = GbkFromWide(actual[i].wstrName);
        if (expected[i].strName != strName || expected[i].strDisplayName != GbkFromWide(actual[i].wstrDisplayName) ||
            expected[i].dwState != actual[i].status.dwCurrentState)
            return testing::AssertionFailure() << "entry " << i << " is " << strName << " / "
                                               << actual[i].status.dwCurrentState << " instead of "
                                               << expected[i].strName << " / " << expected[i].dwState;
    }
    return testing::AssertionSuccess();
}

// A manager whose list outgrows the first buffer several times over.
constexpr int kManyServices = 1500;

// Every service once, in the manager's order, whatever the batches and the
// services installed meanwhile; an error ends the listing with none.
TEST(ServiceListingTest, EveryServiceIsListedOnceWhateverTheBatches)
{
    using Behaviour = CFakeManager::Behaviour;
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
        // Changes the manager's list before the given call.
        std::function<void(std::vector<FakeService>& services, int nCall)> change;
        int nMinCalls; // so that a change falls between two calls
        int nFailFromCall;
        DWORD dwError; // the listing's answer: 0, the refusal, or ~0u for any error
    };
    const DWORD dwAnyError = ~0u;
    const Case cases[] = {
        {"a short list", Behaviour::Windows, 20, nullptr, 1, 0, 0},
        {"batches of what fits", Behaviour::Windows, kManyServices, nullptr, 2, 0, 0},
        {"a service installed behind the resume point", Behaviour::Windows, kManyServices, installOnSecondCall(false),
         2, 0, 0},
        {"a service installed before the resume point", Behaviour::Windows, kManyServices, installOnSecondCall(true),
         2, 0, 0},
        {"a service installed before each call", Behaviour::Windows, kManyServices,
         [](std::vector<FakeService>& services, int nCall) {
             services.push_back({"QmZNew" + std::to_string(nCall), "新服务", SERVICE_STOPPED});
         },
         2, 0, 0},
        {"Wine's answers", Behaviour::Wine, kManyServices, nullptr, 2, 0, 0},
        {"Wine's answers, a service installed between calls", Behaviour::Wine, kManyServices,
         installOnSecondCall(false), 2, 0, 0},
        {"refused at once", Behaviour::Windows, kManyServices, nullptr, 1, 1, ERROR_ACCESS_DENIED},
        {"refused after the first batch", Behaviour::Windows, kManyServices, nullptr, 2, 2, ERROR_ACCESS_DENIED},
        {"handle closed after the first batch", Behaviour::Windows, kManyServices, nullptr, 2, 2,
         ERROR_INVALID_HANDLE},
        {"refused after Wine's size answer", Behaviour::Wine, kManyServices, nullptr, 2, 2, ERROR_ACCESS_DENIED},
        {"more data that never comes", Behaviour::NeverEnough, kManyServices, nullptr, 2, 0, dwAnyError},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CFakeManager manager(c.behaviour);
        manager.services = FakeServices(c.nServices);
        const std::vector<FakeService> original = manager.services;
        if (c.change)
            manager.beforeCall = [&](int nCall) { c.change(manager.services, nCall); };
        manager.nFailFromCall = c.nFailFromCall;
        manager.dwError = c.dwError;
        std::vector<EnumeratedService> listed = {{L"left over", L"", {}}};
        DWORD dwResult = ListServices(nullptr, SERVICE_WIN32, &listed, manager.Function());
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
        // Those installed meanwhile are listed too, unless one went in ahead
        // of the resume point; entries read from a buffer that was never
        // filled, or listed twice, would show here.
        const bool bAhead = c.change && manager.services.front().strName == "QmAEarly";
        EXPECT_TRUE(SameServices(bAhead ? original : manager.services, listed));
        EXPECT_EQ(c.change != nullptr && !bAhead, listed.size() > original.size());
    }
}

// EnumDependentServicesW has no resume handle: too small a buffer gets
// ERROR_MORE_DATA and the size of the whole list.
class CFakeDependents
{
public:
    std::vector<std::wstring> names;
    std::function<void(int nCall)> beforeCall;
    DWORD dwError = 0;    // every call fails with it when set
    bool bNeverEnough = false;

    int Calls() const { return m_nCalls; }

    EnumDependentsFunction Function()
    {
        return [this](SC_HANDLE, DWORD, ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize, DWORD* pcbNeeded,
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
            for (const std::wstring& wstrName : names)
                dwNeeded +=
                    static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUSW) + 2 * (wstrName.size() + 1) * sizeof(wchar_t));
            if (bNeverEnough)
                dwNeeded = cbBufSize + 100;
            if (dwNeeded > cbBufSize)
            {
                *pcbNeeded = dwNeeded;
                SetLastError(ERROR_MORE_DATA);
                return FALSE;
            }
            wchar_t* pStrings = reinterpret_cast<wchar_t*>(pServices) + cbBufSize / sizeof(wchar_t);
            for (std::size_t i = 0; i < names.size(); ++i)
            {
                const std::size_t nBytes = (names[i].size() + 1) * sizeof(wchar_t);
                pStrings -= names[i].size() + 1;
                std::memcpy(pStrings, names[i].c_str(), nBytes);
                pServices[i].lpServiceName = pStrings;
                pStrings -= names[i].size() + 1;
                std::memcpy(pStrings, names[i].c_str(), nBytes);
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

TEST(ServiceListingTest, DependentsAreListedWhenTheListGrowsMeanwhile)
{
    std::vector<std::wstring> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back(L"QmDependent服务" + std::to_wstring(i));
    struct Case
    {
        const char* pszWhat;
        std::vector<std::wstring> names;
        // Registers dependents before the given call.
        std::function<void(std::vector<std::wstring>& names, int nCall)> change;
        int nMinCalls; // so that a change falls between two calls
    };
    const Case cases[] = {
        {"none", {}, nullptr, 1},
        {"three", {L"QmA", L"QmB", L"服务C"}, nullptr, 1},
        {"more than a first buffer holds", many, nullptr, 1},
        {"one registered after the first answer", many,
         [](std::vector<std::wstring>& names, int nCall) {
             if (nCall == 2)
                 names.push_back(L"QmLate");
         },
         2},
        {"hundreds registered before each of the first calls", {L"QmA"},
         [](std::vector<std::wstring>& names, int nCall) {
             for (int i = 0; nCall <= 3 && i < 300; ++i)
                 names.push_back(L"QmLate" + std::to_wstring(nCall) + L"_" + std::to_wstring(i));
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
        std::vector<std::wstring> names = {L"left over"};
        ASSERT_EQ(0u, ListDependentServices(nullptr, &names, fake.Function()));
        EXPECT_GE(fake.Calls(), c.nMinCalls);
        // The list as it stood when the manager gave its whole answer.
        EXPECT_EQ(fake.names, names);
        if (!c.change)
        {
            EXPECT_EQ(c.names, names);
        }
    }
}

TEST(ServiceListingTest, AFailedDependentsQueryGivesItsErrorAndNoNames)
{
    CFakeDependents refused;
    refused.names = {L"QmA"};
    refused.dwError = ERROR_ACCESS_DENIED;
    std::vector<std::wstring> names = {L"left over"};
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ListDependentServices(nullptr, &names, refused.Function()));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(1, refused.Calls());

    CFakeDependents endless;
    endless.names = {L"QmA"};
    endless.bNeverEnough = true;
    names = {L"left over"};
    EXPECT_NE(0u, ListDependentServices(nullptr, &names, endless.Function()));
    EXPECT_TRUE(names.empty());
    EXPECT_LE(endless.Calls(), 20);
}

// The real manager under Wine, against its own answer to one large call.
TEST(ServiceListingTest, TheRealManagerIsListedWhole)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName("QmEnumReal");
    spec.strDisplayName = "枚举测试服务 " + spec.strName;
    CTestService service(spec);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());

    SC_HANDLE hManager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    ASSERT_NE(nullptr, hManager);
    std::vector<EnumeratedService> listed;
    DWORD dwResult = ListServices(hManager, SERVICE_WIN32, &listed);
    CloseServiceHandle(hManager);
    ASSERT_EQ(0u, dwResult);

    std::vector<std::string> expected;
    for (const auto& entry : ManagerView())
        expected.push_back(entry.first);
    std::vector<std::string> names;
    const EnumeratedService* pOurs = nullptr;
    for (const EnumeratedService& entry : listed)
    {
        names.push_back(GbkFromWide(entry.wstrName));
        if (names.back() == spec.strName)
            pOurs = &entry;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(expected, names);
    ASSERT_NE(nullptr, pOurs);
    EXPECT_EQ(WideFromGbk(spec.strDisplayName), pOurs->wstrDisplayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), pOurs->status.dwCurrentState);
}

// The main window's list and export with a manager answering in batches.
class EnumerationWindowTest : public MainWindowHarness
{
protected:
    testing::AssertionResult OpenWindowWith(CFakeManager& manager)
    {
        return OpenWindow(false, [&manager](CMainDlg& dialog) {
            auto pSession = std::make_unique<CManagerSession>(std::wstring());
            pSession->SetEnumerators(manager.Function(), {});
            dialog.SetServiceSession(std::move(pSession));
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

    const CTempPath m_path{"qm_enumeration_export", ".svc"};
    const std::string& m_strPath = m_path;
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
    EXPECT_EQ(std::vector<std::string>{"服务配置文件保存成功!"}, m_watcher.Take());
    ASSERT_EQ(3u, m_services.size());
    std::string strFile = ReadFileText(m_strPath);
    EXPECT_EQ(ManagerView().size(), ServiceConfigFile::ParseRecords(strFile).size()) << "one line per service";
    EXPECT_NE(std::string::npos, strFile.find(m_services[0]->Name() + "&已禁用\r\n"));
    EXPECT_NE(std::string::npos, strFile.find(m_services[2]->Name() + "&自动\r\n"));
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
        EXPECT_EQ(std::vector<std::string>{"配置文件无法写入,本次导出失败!"}, m_watcher.Take());
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
}
} // namespace
