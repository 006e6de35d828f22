// The session over the real manager (CManagerSession) and its owned service
// handles against Wine's service control manager, with services registered
// from the test-bed program.
#include "common/WideText.h"
#include "services/ManagerSession.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace
{
using Access = IServiceSession;

std::wstring Wide(const std::string& gbk)
{
    return WideFromGbk(gbk);
}

CService OpenOrNothing(IServiceSession& session, const std::wstring& wstrName, DWORD dwAccess)
{
    CService service;
    session.Open(wstrName, dwAccess, &service);
    return service;
}

ServiceConfig ConfigOf(CService& service)
{
    ServiceConfig config;
    EXPECT_EQ(0u, service.QueryConfig(&config));
    return config;
}

// Polls the state until it is dwTarget, returning the distinct states seen
// on the way (the target last).
std::vector<DWORD> StatesUntil(CService& service, DWORD dwTarget, DWORD dwTimeoutMs = 15000)
{
    std::vector<DWORD> seen;
    PollFor(
        [&] {
            SERVICE_STATUS status = {};
            DWORD dwState = service.QueryStatus(&status) == 0 ? status.dwCurrentState : 0;
            if (seen.empty() || seen.back() != dwState)
                seen.push_back(dwState);
            return dwState == dwTarget;
        },
        "state " + std::to_string(dwTarget), dwTimeoutMs);
    return seen;
}

// The entries of a list with exactly that name.
std::vector<EnumeratedService> Named(const std::vector<EnumeratedService>& list, const std::wstring& wstrName)
{
    std::vector<EnumeratedService> found;
    std::copy_if(list.begin(), list.end(), std::back_inserter(found),
                 [&](const EnumeratedService& entry) { return entry.wstrName == wstrName; });
    return found;
}

// Deletes a service the test made through a session, on every way out.
class CMadeService
{
public:
    CMadeService(IServiceSession& session, std::wstring wstrName) : m_session(session), m_wstrName(std::move(wstrName))
    {
    }
    ~CMadeService()
    {
        CService service;
        if (m_session.Open(m_wstrName, Access::kAccessDelete, &service) == 0)
            service.StopAndDelete();
    }
    CMadeService(const CMadeService&) = delete;
    CMadeService& operator=(const CMadeService&) = delete;

private:
    IServiceSession& m_session;
    std::wstring m_wstrName;
};

// DependOnService of a service's key, where Wine keeps the whole list.
std::vector<std::wstring> StoredDependencies(const std::wstring& wstrName)
{
    std::vector<std::wstring> names;
    std::wstring wstrPath = std::wstring(IServiceSession::kServicesKeyPath) + L"\\" + wstrName;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wstrPath.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> buffer(4096, L'\0');
    DWORD cbData = static_cast<DWORD>((buffer.size() - 2) * sizeof(wchar_t));
    if (RegQueryValueExW(hKey, L"DependOnService", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                         &cbData) == ERROR_SUCCESS)
    {
        for (const wchar_t* p = buffer.data(); *p != L'\0'; p += lstrlenW(p) + 1)
            names.emplace_back(p);
    }
    RegCloseKey(hKey);
    return names;
}

std::wstring ThisComputersName()
{
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD dwLength = ARRAYSIZE(szName);
    GetComputerNameW(szName, &dwLength);
    return szName;
}

TEST(ServiceSessionOpenTest, OpenAnswersWithTheManagersCodes)
{
    CTestService service(TestBed("QmOpen", ""));
    ASSERT_TRUE(service.Created());
    struct Case
    {
        std::wstring wstrName;
        DWORD dwExpected;
    };
    const Case cases[] = {
        {service.WideName(), 0},
        {L"qmopen" + service.WideName().substr(6), 0}, // names match without case
        {service.WideName() + L" ", ERROR_SERVICE_DOES_NOT_EXIST},
        {Wide(UniqueServiceName("QmMissing")), ERROR_SERVICE_DOES_NOT_EXIST},
        {L"", ERROR_INVALID_NAME},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    ASSERT_EQ(0u, pSession->ManagerError());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(GbkFromWide(L"name \"" + c.wstrName + L"\""));
        CService opened;
        EXPECT_EQ(c.dwExpected, pSession->Open(c.wstrName, Access::kAccessRead, &opened));
        EXPECT_EQ(c.dwExpected == 0, opened.IsOpen());
        opened.Close();
        EXPECT_FALSE(opened.IsOpen());
    }
}

// Every call of a handle that is not open answers 6, whether nothing was
// opened, the last open failed (closing what it held) or it was moved away.
TEST(ServiceSessionOpenTest, OperationsWithoutAnOpenServiceAnswerInvalidHandle)
{
    CTestService service(TestBed("QmClosed", "--accept=stop"));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    const char* ways[] = {"without an open", "after a failed open", "moved from"};
    for (const char* pszWay : ways)
    {
        SCOPED_TRACE(pszWay);
        CService closed, taker;
        if (pszWay != ways[0])
        {
            ASSERT_EQ(0u, pSession->Open(service.WideName(), Access::kAccessDelete, &closed));
        }
        if (pszWay == ways[1])
        {
            ASSERT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST),
                      pSession->Open(Wide(UniqueServiceName("QmMissing")), Access::kAccessDelete, &closed));
        }
        if (pszWay == ways[2])
        {
            taker = std::move(closed);
            SERVICE_STATUS status = {};
            EXPECT_EQ(0u, taker.QueryStatus(&status)) << "the handle moved on answers";
        }
        EXPECT_FALSE(closed.IsOpen());
        SERVICE_STATUS status = {};
        status.dwCurrentState = 99;
        ServiceConfig config;
        config.wstrDisplayName = L"kept";
        std::wstring wstrText = L"kept";
        bool bDelayed = true;
        std::vector<std::wstring> names = {L"kept"};
        DWORD dwStartType = 77;
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.QueryStatus(&status));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.QueryConfig(&config));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.QueryStartType(&dwStartType));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.QueryDescription(&wstrText));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.QueryDelayedAutoStart(&bDelayed));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.EnumerateDependents(&names));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.ChangeStartType(SERVICE_AUTO_START));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.ChangeDescription(L"x"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.Start());
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.Control(SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.StopAndDelete());
        EXPECT_EQ(ERROR_INVALID_HANDLE, closed.Delete());
        // A failed call sets no output.
        EXPECT_EQ(99u, status.dwCurrentState);
        EXPECT_EQ(L"kept", config.wstrDisplayName);
        EXPECT_EQ(L"kept", wstrText);
        EXPECT_TRUE(bDelayed);
        EXPECT_EQ(std::vector<std::wstring>{L"kept"}, names);
        EXPECT_EQ(77u, dwStartType);
        EXPECT_TRUE(service.Exists());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
    }
}

// Where one shared slot used to close the outer service, every handle
// answers for its own, and one that outlives its session still does.
TEST(ServiceSessionOpenTest, HandlesOpenAtOnceEachAnswerForTheirOwnService)
{
    CTestService first(TestBed("QmFirst", "", SERVICE_DISABLED));
    CTestService second(TestBed("QmSecond", "", SERVICE_AUTO_START));
    ASSERT_TRUE(first.Created());
    ASSERT_TRUE(second.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService handles[3];
    ASSERT_EQ(0u, pSession->Open(first.WideName(), Access::kAccessRead, &handles[0]));
    ASSERT_EQ(0u, pSession->Open(second.WideName(), Access::kAccessChangeAndRead, &handles[1]));
    ASSERT_EQ(0u, pSession->Open(first.WideName(), Access::kAccessRead, &handles[2]));
    pSession.reset();
    const DWORD expected[] = {SERVICE_DISABLED, SERVICE_AUTO_START, SERVICE_DISABLED};
    // The second time round the third handle is closed: the others answer on.
    for (int nRound = 0; nRound < 2; ++nRound)
    {
        for (int i = 0; i < 3 - nRound; ++i)
        {
            SCOPED_TRACE("handle " + std::to_string(i) + ", round " + std::to_string(nRound));
            DWORD dwStartType = 0;
            ASSERT_EQ(0u, handles[i].QueryStartType(&dwStartType));
            EXPECT_EQ(expected[i], dwStartType);
            EXPECT_EQ(i == 1 ? second.WideName() : first.WideName(), ConfigOf(handles[i]).wstrDisplayName);
        }
        handles[2].Close();
    }
    EXPECT_EQ(0u, handles[1].ChangeStartType(SERVICE_DEMAND_START)) << "changes need the manager the session left";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), second.ConfiguredStartType());
}

// Saying why is the caller's (see the main window's test).
TEST(ServiceSessionOpenTest, WithoutAManagerEveryCallAnswersInvalidHandleAndRaisesNoBox)
{
    CMessageBoxWatcher watcher;
    CManagerSession session(L"", L"QmNoSuchDatabase");
    EXPECT_NE(0u, session.ManagerError());
    std::vector<EnumeratedService> listed = {{L"left over", L"", {}}};
    EXPECT_EQ(ERROR_INVALID_HANDLE, session.Enumerate(SERVICE_WIN32, &listed));
    EXPECT_TRUE(listed.empty());
    CService service;
    EXPECT_EQ(ERROR_INVALID_HANDLE, session.Open(L"Spooler", Access::kAccessRead, &service));
    EXPECT_FALSE(service.IsOpen());
    ServiceConfig config;
    config.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    config.dwStartType = SERVICE_DEMAND_START;
    config.wstrBinaryPath = Wide(CTestService::TestBedCommandLine(""));
    EXPECT_EQ(ERROR_INVALID_HANDLE, session.Create(Wide(UniqueServiceName("QmNoManager")), config, &service));
    EXPECT_FALSE(service.IsOpen());
    EXPECT_EQ(ERROR_INVALID_HANDLE, service.Start());
    EXPECT_TRUE(watcher.Boxes().empty());
}

TEST(ServiceSessionStatusTest, RunStatesAreReadAsTheManagerGivesThem)
{
    CTestService service(TestBed("QmStates", "--accept=stop,pause --start-pending=700 --stop-pending=700 "
                                             "--pause-pending=700 --continue-pending=700"));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessDelete);
    ASSERT_TRUE(handle.IsOpen());

    SERVICE_STATUS status = {};
    ASSERT_EQ(0u, handle.QueryStatus(&status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);
    struct Step
    {
        const char* pszWhat;
        std::function<DWORD()> action;
        DWORD dwPending;
        DWORD dwTarget;
    };
    const Step steps[] = {
        {"start", [&] { return handle.Start(); }, SERVICE_START_PENDING, SERVICE_RUNNING},
        {"pause", [&] { return handle.Control(SERVICE_CONTROL_PAUSE, &status); }, SERVICE_PAUSE_PENDING,
         SERVICE_PAUSED},
        {"continue", [&] { return handle.Control(SERVICE_CONTROL_CONTINUE, &status); }, SERVICE_CONTINUE_PENDING,
         SERVICE_RUNNING},
        {"stop", [&] { return handle.Control(SERVICE_CONTROL_STOP, &status); }, SERVICE_STOP_PENDING,
         SERVICE_STOPPED},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        ASSERT_EQ(0u, step.action());
        std::vector<DWORD> seen = StatesUntil(handle, step.dwTarget);
        ASSERT_EQ(step.dwTarget, seen.back());
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), step.dwPending))
            << "the pending state was never read";
    }
}

TEST(ServiceSessionStatusTest, AcceptedControlsArePassedOnUnchanged)
{
    struct Case
    {
        const char* pszAccept;
        DWORD dwExpected;
    };
    const Case cases[] = {
        {"--accept=none", 0},
        {"--accept=stop", SERVICE_ACCEPT_STOP},
        {"--accept=pause", SERVICE_ACCEPT_PAUSE_CONTINUE},
        {"--accept=stop,pause", SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszAccept);
        CTestService service(TestBed("QmAccept", c.pszAccept));
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(service.StartAndWaitRunning());
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessRead);
        SERVICE_STATUS status = {};
        status.dwControlsAccepted = 0xDEAD;
        ASSERT_EQ(0u, handle.QueryStatus(&status));
        EXPECT_EQ(c.dwExpected, status.dwControlsAccepted);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    }
}

TEST(ServiceSessionConfigTest, TypesAndStartTypesComeBackAsStored)
{
    struct Case
    {
        const char* pszWhat;
        DWORD dwServiceType;
        DWORD dwStartType;
    };
    // Boot and system start exist only on driver entries.
    const Case cases[] = {
        {"automatic", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START},
        {"manual", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START},
        {"disabled", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED},
        {"boot driver", SERVICE_KERNEL_DRIVER, SERVICE_BOOT_START},
        {"system driver", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec spec = TestBed("QmStartType", "", c.dwStartType);
        spec.dwServiceType = c.dwServiceType;
        if (c.dwServiceType == SERVICE_KERNEL_DRIVER)
            spec.strBinaryPath = "C:\\windows\\system32\\drivers\\null.sys";
        CTestService service(spec);
        ASSERT_TRUE(service.Created());
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessRead);
        ServiceConfig config = ConfigOf(handle);
        EXPECT_EQ(c.dwServiceType, config.dwServiceType);
        EXPECT_EQ(c.dwStartType, config.dwStartType);
        DWORD dwStartType = 0;
        EXPECT_EQ(0u, handle.QueryStartType(&dwStartType));
        EXPECT_EQ(c.dwStartType, dwStartType);
    }
}

TEST(ServiceSessionConfigTest, PathDisplayNameAndDescriptionComeBackAsStored)
{
    TestServiceSpec spec = TestBed("QmDetails", "--accept=stop");
    spec.strDisplayName = "测试服务甲";
    spec.strDescription = "用于测试的服务。\n第二行";
    CTestService described(spec);
    ASSERT_TRUE(described.Created());
    CTestService plain(TestBed("QmPlain", ""));
    ASSERT_TRUE(plain.Created());

    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService handle = OpenOrNothing(*pSession, described.WideName(), Access::kAccessRead);
    ServiceConfig config = ConfigOf(handle);
    EXPECT_EQ(Wide(CTestService::TestBedCommandLine("--accept=stop")), config.wstrBinaryPath);
    EXPECT_TRUE(config.dependencies.empty());
    EXPECT_EQ(L"测试服务甲", config.wstrDisplayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.dwErrorControl);
    EXPECT_EQ(L"LocalSystem", config.wstrAccount) << "the account is passed on as the manager names it";
    std::wstring wstrDescription;
    ASSERT_EQ(0u, handle.QueryDescription(&wstrDescription));
    EXPECT_EQ(L"用于测试的服务。\n第二行", wstrDescription);

    handle = OpenOrNothing(*pSession, plain.WideName(), Access::kAccessRead);
    wstrDescription = L"kept";
    ASSERT_EQ(0u, handle.QueryDescription(&wstrDescription));
    EXPECT_EQ(L"", wstrDescription) << "no description reads as the empty text";
}

// A record longer than the first 4096-byte buffer must be read whole, again
// from the grown buffers, while another handle reads a short one.
TEST(ServiceSessionConfigTest, RecordsLongerThanTheFirstBufferAreReadWhole)
{
    std::string strPadding = "--pad=" + std::string(5000, 'p');
    TestServiceSpec spec = TestBed("QmLong", strPadding);
    for (int i = 0; i < 2500; ++i)
        spec.strDescription += "服";
    CTestService longService(spec);
    ASSERT_TRUE(longService.Created());
    TestServiceSpec shortSpec = TestBed("QmShort", "--accept=stop");
    shortSpec.strDescription = "短";
    CTestService shortService(shortSpec);
    ASSERT_TRUE(shortService.Created());

    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService longHandle = OpenOrNothing(*pSession, longService.WideName(), Access::kAccessRead);
    CService shortHandle = OpenOrNothing(*pSession, shortService.WideName(), Access::kAccessRead);
    for (int nRound = 0; nRound < 2; ++nRound)
    {
        SCOPED_TRACE(nRound);
        std::wstring wstrDescription;
        ServiceConfig config = ConfigOf(longHandle);
        EXPECT_EQ(Wide(CTestService::TestBedCommandLine(strPadding)), config.wstrBinaryPath);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.dwStartType);
        ASSERT_EQ(0u, longHandle.QueryDescription(&wstrDescription));
        EXPECT_EQ(Wide(spec.strDescription), wstrDescription);

        EXPECT_EQ(Wide(CTestService::TestBedCommandLine("--accept=stop")), ConfigOf(shortHandle).wstrBinaryPath);
        ASSERT_EQ(0u, shortHandle.QueryDescription(&wstrDescription));
        EXPECT_EQ(L"短", wstrDescription);
    }
}

TEST(ServiceSessionChangeTest, EachStartTypeIsSetAndDescriptionsAreChanged)
{
    CTestService service(TestBed("QmChange", ""));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    // Alternating with manual, so that every step is a real change.
    for (DWORD dwStartType : {SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, SERVICE_DEMAND_START,
                              SERVICE_AUTO_START})
    {
        SCOPED_TRACE(dwStartType);
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessChangeConfig);
        EXPECT_EQ(0u, handle.ChangeStartType(dwStartType));
        handle.Close();
        EXPECT_EQ(dwStartType, service.ConfiguredStartType());
    }
    for (const std::wstring& wstrDescription : {std::wstring(L"新的说明"), std::wstring(L"")})
    {
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessChangeAndRead);
        EXPECT_EQ(0u, handle.ChangeDescription(wstrDescription));
        std::wstring wstrRead = L"kept";
        ASSERT_EQ(0u, OpenOrNothing(*pSession, service.WideName(), Access::kAccessRead).QueryDescription(&wstrRead));
        EXPECT_EQ(wstrDescription, wstrRead);
    }
}

// The database lock is released on the failure path as well: the next
// change goes through.
TEST(ServiceSessionChangeTest, AFailedChangeLeavesTheDatabaseUnlocked)
{
    CTestService service(TestBed("QmLock", ""));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService reader = OpenOrNothing(*pSession, service.WideName(), Access::kAccessRead);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), reader.ChangeStartType(SERVICE_AUTO_START));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());

    CService changer = OpenOrNothing(*pSession, service.WideName(), Access::kAccessChangeConfig);
    EXPECT_EQ(0u, changer.ChangeStartType(SERVICE_AUTO_START));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), service.ConfiguredStartType());
}

TEST(ServiceSessionDeleteTest, StoppedAndRunningServicesAreDeleted)
{
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (bool bRunning : {false, true})
    {
        SCOPED_TRACE(bRunning ? "running" : "stopped");
        CTestService service(TestBed("QmDelete", "--accept=stop"));
        ASSERT_TRUE(service.Created());
        if (bRunning)
        {
            ASSERT_TRUE(service.StartAndWaitRunning());
        }
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessDelete);
        // Stopping a stopped service would have failed with 1062 and kept it.
        EXPECT_EQ(0u, handle.StopAndDelete());
        handle.Close();
        EXPECT_TRUE(service.WaitUntilGone());
    }
}

TEST(ServiceSessionDeleteTest, AServiceThatWillNotStopIsNotDeleted)
{
    CTestService service(TestBed("QmKeep", "--accept=none"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessDelete);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), handle.StopAndDelete());
    handle.Close();
    EXPECT_TRUE(service.Exists());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.CurrentState());
}

// The codes the manager answers reach the caller unchanged; each is one
// the error table has a message for.
TEST(ServiceSessionErrorTest, RefusalsReachTheCallerAsTheirCodes)
{
    std::string strNotExecutable = "C:\\windows\\temp\\qm_not_a_program.exe";
    HANDLE hFile = CreateFileA(strNotExecutable.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    DWORD dwWritten = 0;
    WriteFile(hFile, "just text\r\n", 11, &dwWritten, nullptr);
    CloseHandle(hFile);

    struct Case
    {
        const char* pszWhat;
        std::string strArguments;
        DWORD dwStartType;
        std::string strBinaryPath;
        bool bStartFirst;
        DWORD dwAccess;
        std::function<DWORD(CService&)> action;
        DWORD dwExpected;
    };
    SERVICE_STATUS status = {};
    auto start = [](CService& service) { return service.Start(); };
    auto control = [&status](DWORD dwCode) {
        return [&status, dwCode](CService& service) { return service.Control(dwCode, &status); };
    };
    const DWORD dwAll = Access::kAccessDelete;
    const Case cases[] = {
        {"start while running", "", SERVICE_DEMAND_START, "", true, dwAll, start, 1056},
        {"start disabled", "", SERVICE_DISABLED, "", false, dwAll, start, 1058},
        {"stop a stopped service", "", SERVICE_DEMAND_START, "", false, dwAll, control(SERVICE_CONTROL_STOP),
         1062},
        {"pause not accepted", "--accept=stop", SERVICE_DEMAND_START, "", true, dwAll,
         control(SERVICE_CONTROL_PAUSE), 1052},
        {"stop not accepted", "--accept=none", SERVICE_DEMAND_START, "", true, dwAll,
         control(SERVICE_CONTROL_STOP), 1052},
        {"no such control", "", SERVICE_DEMAND_START, "", true, dwAll, control(256), 87},
        {"start without the right", "", SERVICE_DEMAND_START, "", false, Access::kAccessRead, start, 5},
        {"program missing", "", SERVICE_DEMAND_START, "C:\\qm\\no\\such\\program.exe", false, dwAll, start, 2},
        {"not a program", "", SERVICE_DEMAND_START, strNotExecutable, false, dwAll, start, 193},
        {"exits before reporting", "--exit-at-start", SERVICE_DEMAND_START, "", false, dwAll, start, 1053},
        {"never reports", "--never-report", SERVICE_DEMAND_START, "", false, dwAll, start, 1053},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec spec = TestBed("QmError", c.strArguments, c.dwStartType);
        spec.strBinaryPath = c.strBinaryPath;
        CTestService service(spec);
        ASSERT_TRUE(service.Created());
        if (c.bStartFirst)
        {
            ASSERT_TRUE(service.StartAndWaitRunning());
        }
        CService handle;
        ASSERT_EQ(0u, pSession->Open(service.WideName(), c.dwAccess, &handle));
        EXPECT_EQ(c.dwExpected, c.action(handle));
    }

    // A control while the service is still stopping.
    CTestService slow(TestBed("QmSlow", "--accept=stop --stop-pending=3000"));
    ASSERT_TRUE(slow.Created());
    ASSERT_TRUE(slow.StartAndWaitRunning());
    CService handle = OpenOrNothing(*pSession, slow.WideName(), Access::kAccessDelete);
    ASSERT_EQ(0u, handle.Control(SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(slow.WaitForState(SERVICE_STOP_PENDING));
    EXPECT_EQ(1061u, handle.Control(SERVICE_CONTROL_STOP, &status));
    DeleteFileA(strNotExecutable.c_str());
}

// ---- Names and texts GBK cannot hold ----

// The 8-bit calls made "QmKr가…" and "QmKr?…" one service: listed twice
// under the second's name, each change landing on whichever the manager
// matched. The session keeps them apart, whichever of the two is acted on.
TEST(ServiceSessionNamesTest, NamesGbkCannotHoldAreListedAndChangedApart)
{
    const std::wstring wstrSuffix = WideFromAscii(UniqueServiceName(""));
    // A name of such characters only, unique to the run: the suffix's
    // characters moved into the Hangul block.
    std::wstring wstrOnly;
    for (wchar_t ch : wstrSuffix)
        wstrOnly += static_cast<wchar_t>(0xAC00 + ch);
    const std::wstring names[] = {L"QmKr\uAC00" + wstrSuffix, L"QmKr?" + wstrSuffix};
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (int nActedOn : {0, 1})
    {
        SCOPED_TRACE(GbkFromWide(L"acting on " + names[nActedOn]));
        std::vector<std::unique_ptr<CTestService>> services;
        for (const std::wstring& wstrName : {names[0], names[1], wstrOnly})
        {
            TestServiceSpec spec = TestBed("QmKr");
            spec.wstrName = wstrName;
            services.push_back(std::make_unique<CTestService>(spec));
            ASSERT_TRUE(services.back()->Created());
        }
        std::vector<EnumeratedService> listed;
        ASSERT_EQ(0u, pSession->Enumerate(SERVICE_WIN32, &listed));
        for (const std::wstring& wstrName : {names[0], names[1], wstrOnly})
        {
            std::vector<EnumeratedService> found = Named(listed, wstrName);
            ASSERT_EQ(1u, found.size()) << GbkFromWide(wstrName);
            EXPECT_EQ(wstrName, found[0].wstrDisplayName);
        }
        const std::wstring& wstrKept = names[1 - nActedOn];
        CService kept = OpenOrNothing(*pSession, wstrKept, Access::kAccessRead);
        ServiceConfig keptBefore = ConfigOf(kept);
        ASSERT_EQ(wstrKept, keptBefore.wstrDisplayName);

        CService acted = OpenOrNothing(*pSession, names[nActedOn], Access::kAccessDelete);
        ASSERT_EQ(0u, acted.ChangeStartType(SERVICE_DISABLED));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), ConfigOf(acted).dwStartType);
        EXPECT_EQ(names[nActedOn], ConfigOf(acted).wstrDisplayName);
        ASSERT_EQ(0u, acted.Delete());
        acted.Close();
        EXPECT_TRUE(services[nActedOn]->WaitUntilGone());

        ServiceConfig keptAfter = ConfigOf(kept);
        EXPECT_EQ(keptBefore.dwStartType, keptAfter.dwStartType);
        EXPECT_EQ(keptBefore.wstrBinaryPath, keptAfter.wstrBinaryPath);
        EXPECT_EQ(keptBefore.wstrDisplayName, keptAfter.wstrDisplayName);
        EXPECT_TRUE(services[1 - nActedOn]->Exists());
        ASSERT_EQ(0u, pSession->Enumerate(SERVICE_WIN32, &listed));
        EXPECT_EQ(0u, Named(listed, names[nActedOn]).size());
        EXPECT_EQ(1u, Named(listed, wstrKept).size());
        EXPECT_EQ(1u, Named(listed, wstrOnly).size());
    }
}

// What Create is given comes back whole from QueryConfig, the dependencies
// (said twice for Wine's sake) included; descriptions likewise.
TEST(ServiceSessionNamesTest, TextsGbkCannotHoldRoundTripThroughCreate)
{
    const std::wstring wstrPath = Wide(CTestService::TestBedCommandLine("")) + L" --note=\uAC00\u00E9\u20AC";
    struct Case
    {
        const char* pszWhat;
        std::wstring wstrDisplayName;
        std::wstring wstrAccount;
        std::vector<std::wstring> dependencies;
        std::wstring wstrDescription;
    };
    const Case cases[] = {
        {"GBK texts", L"会话测试服务", L"", {}, L"中文说明"},
        {"Hangul, accents and an emoji", L"Qm \uAC00\uB098\uB2E4 \u00E9\u00E8 \U0001F600", L"LocalSystem",
         {}, L"\uC124\uBA85 \u00E9\n\U0001F600 第二行"},
        {"dependencies", L"Qm \uAC00 依赖", L"localsystem", {L"RpcSs", L"QmDep\uAC00", L"Spooler"}, L""},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        const std::wstring wstrName = Wide(UniqueServiceName("QmMade"));
        CMadeService made(*pSession, wstrName);
        ServiceConfig config;
        config.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        config.dwStartType = SERVICE_DISABLED;
        config.dwErrorControl = SERVICE_ERROR_NORMAL;
        config.wstrBinaryPath = wstrPath;
        config.wstrDisplayName = c.wstrDisplayName + L" " + wstrName;
        config.wstrAccount = c.wstrAccount;
        config.dependencies = c.dependencies;
        CService created;
        ASSERT_EQ(0u, pSession->Create(wstrName, config, &created));
        ASSERT_TRUE(created.IsOpen());
        EXPECT_EQ(0u, created.ChangeDescription(c.wstrDescription));

        CService handle = OpenOrNothing(*pSession, wstrName, Access::kAccessRead);
        ServiceConfig read = ConfigOf(handle);
        EXPECT_EQ(config.dwServiceType, read.dwServiceType);
        EXPECT_EQ(config.dwStartType, read.dwStartType);
        EXPECT_EQ(config.dwErrorControl, read.dwErrorControl);
        EXPECT_EQ(wstrPath, read.wstrBinaryPath);
        EXPECT_EQ(config.wstrDisplayName, read.wstrDisplayName);
        // Wine's manager answers no dependencies at all; its registry has them.
        if (!read.dependencies.empty())
        {
            EXPECT_EQ(c.dependencies, read.dependencies);
        }
        EXPECT_EQ(c.dependencies, StoredDependencies(wstrName));
        EXPECT_EQ(L"LocalSystem", read.wstrAccount);
        std::wstring wstrDescription = L"kept";
        ASSERT_EQ(0u, handle.QueryDescription(&wstrDescription));
        EXPECT_EQ(c.wstrDescription, wstrDescription);
        EXPECT_EQ(0u, created.Delete());
    }
}

// Wine's manager, like XP's, knows no delayed-start level: the flag is read
// from the service key's DelayedAutostart value, as Windows keeps it.
TEST(ServiceSessionDelayedTest, TheDelayedFlagIsReadFromTheServicesKey)
{
    CTestService service(TestBed("QmDelayed", "", SERVICE_AUTO_START));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    {
        SC_HANDLE hManager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE hService = OpenServiceW(hManager, service.WideName().c_str(), SERVICE_QUERY_CONFIG);
        BYTE buffer[64] = {};
        DWORD dwNeeded = 0;
        BOOL bAnswered = QueryServiceConfig2W(hService, 3, buffer, sizeof(buffer), &dwNeeded);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), bAnswered ? 0 : GetLastError())
            << "the manager answered itself: the registry path is not what runs here";
        CloseServiceHandle(hService);
        CloseServiceHandle(hManager);
    }
    struct Case
    {
        const char* pszWhat;
        std::function<testing::AssertionResult()> store;
        DWORD dwExpected;
        bool bDelayed; // the answer; a failure leaves the output alone
    };
    const Case cases[] = {
        {"no value", [] { return testing::AssertionSuccess(); }, 0, false},
        {"1", [&] { return service.SetStoredDword("DelayedAutostart", 1); }, 0, true},
        {"0", [&] { return service.SetStoredDword("DelayedAutostart", 0); }, 0, false},
        {"2", [&] { return service.SetStoredDword("DelayedAutostart", 2); }, 0, true},
        {"deleted", [&] { return service.DeleteStoredValue("DelayedAutostart"); }, 0, false},
        {"not a number", [&] { return service.SetStoredValue("DelayedAutostart", REG_SZ, std::string("1\0", 2)); },
         ERROR_INVALID_DATA, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        ASSERT_TRUE(c.store());
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessRead);
        bool bDelayed = !c.bDelayed;
        EXPECT_EQ(c.dwExpected, handle.QueryDelayedAutoStart(&bDelayed));
        EXPECT_EQ(c.dwExpected == 0 ? c.bDelayed : !c.bDelayed, bDelayed);
    }
}

// ---- Computers ----

// Wine's manager opens for any name; the registry tells an unknown
// computer, and the session then has no manager at all.
TEST(ServiceSessionComputerTest, AnUnknownComputerHasNoManagerAndNoRegistry)
{
    for (const wchar_t* pszName : {L"qm-no-such-host", L"\\\\qm-no-such-host"})
    {
        SCOPED_TRACE(GbkFromWide(pszName));
        CManagerSession session(pszName);
        EXPECT_EQ(L"qm-no-such-host", session.ComputerName());
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), session.ManagerError());
        EXPECT_EQ(nullptr, session.RegistryRoot());
        std::vector<EnumeratedService> listed;
        EXPECT_EQ(ERROR_INVALID_HANDLE, session.Enumerate(SERVICE_WIN32, &listed));
        EXPECT_TRUE(listed.empty()) << "this computer's services are not passed off as the other's";
        CService service;
        EXPECT_EQ(ERROR_INVALID_HANDLE, session.Open(L"Spooler", Access::kAccessRead, &service));
    }
}

// This computer by its own name goes through the named paths (the manager
// by name, the registry through RegConnectRegistryW, which Wine answers
// with HKEY_LOCAL_MACHINE itself) end to end.
TEST(ServiceSessionComputerTest, ThisComputerWorksByItsOwnNameAndWithout)
{
    const std::wstring wstrComputer = ThisComputersName();
    ASSERT_FALSE(wstrComputer.empty());
    CTestService service(TestBed("QmNamed", "", SERVICE_AUTO_START));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.SetStoredDword("DelayedAutostart", 1));
    struct Case
    {
        std::wstring wstrGiven;
        std::wstring wstrName;
    };
    const Case cases[] = {{L"", L""}, {wstrComputer, wstrComputer}, {L"\\\\" + wstrComputer, wstrComputer}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(GbkFromWide(L"computer \"" + c.wstrGiven + L"\""));
        std::unique_ptr<IServiceSession> pSession = OpenServiceSession(c.wstrGiven);
        ASSERT_EQ(0u, pSession->ManagerError());
        EXPECT_EQ(c.wstrName, pSession->ComputerName());
        ASSERT_NE(nullptr, pSession->RegistryRoot());

        std::vector<EnumeratedService> listed;
        ASSERT_EQ(0u, pSession->Enumerate(SERVICE_WIN32, &listed));
        EXPECT_EQ(1u, Named(listed, service.WideName()).size());
        CService handle = OpenOrNothing(*pSession, service.WideName(), Access::kAccessChangeAndRead);
        bool bDelayed = false;
        EXPECT_EQ(0u, handle.QueryDelayedAutoStart(&bDelayed));
        EXPECT_TRUE(bDelayed);
        EXPECT_EQ(0u, handle.ChangeStartType(SERVICE_DISABLED));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), ConfigOf(handle).dwStartType);
        EXPECT_EQ(0u, handle.ChangeStartType(SERVICE_AUTO_START));

        const std::wstring wstrMade = Wide(UniqueServiceName("QmMadeNamed"));
        CMadeService made(*pSession, wstrMade);
        ServiceConfig config;
        config.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        config.dwStartType = SERVICE_DEMAND_START;
        config.wstrBinaryPath = Wide(CTestService::TestBedCommandLine(""));
        CService created;
        ASSERT_EQ(0u, pSession->Create(wstrMade, config, &created));
        EXPECT_EQ(config.wstrBinaryPath, ConfigOf(created).wstrBinaryPath);
        EXPECT_EQ(0u, created.Delete());
    }
}

// The stand-ins a test gives the session answer its lists; without them
// the system's calls do again.
TEST(ServiceSessionEnumerationTest, InjectedEnumeratorsAnswerTheLists)
{
    CTestService service(TestBed("QmListed"));
    ASSERT_TRUE(service.Created());
    const std::vector<std::wstring> fakeNames = {L"QmFake\uAC00", L"QmFake?", L"\uAC00"};
    // One whole answer with the names given, strings from the buffer's end.
    auto fill = [](const std::vector<std::wstring>& names, ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize,
                   DWORD* pdwReturned) {
        auto* pStrings = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(pServices) + cbBufSize);
        for (std::size_t i = 0; i < names.size(); ++i)
        {
            pStrings -= names[i].size() + 1;
            std::copy(names[i].c_str(), names[i].c_str() + names[i].size() + 1, pStrings);
            pServices[i] = {pStrings, pStrings, {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0}};
        }
        *pdwReturned = static_cast<DWORD>(names.size());
        return TRUE;
    };
    CManagerSession session(L"");
    CService handle = OpenOrNothing(session, service.WideName(), Access::kAccessDetails);
    ASSERT_TRUE(handle.IsOpen());
    for (bool bInjected : {true, false})
    {
        SCOPED_TRACE(bInjected ? "stand-ins" : "the system's");
        if (bInjected)
            session.SetEnumerators(
                [&](SC_HANDLE, DWORD, DWORD, ENUM_SERVICE_STATUSW* p, DWORD cb, DWORD*, DWORD* pdwReturned,
                    DWORD*) { return fill(fakeNames, p, cb, pdwReturned); },
                [&](SC_HANDLE, DWORD, ENUM_SERVICE_STATUSW* p, DWORD cb, DWORD*, DWORD* pdwReturned) {
                    return fill(fakeNames, p, cb, pdwReturned);
                });
        else
            session.SetEnumerators(nullptr, nullptr);
        std::vector<EnumeratedService> listed;
        ASSERT_EQ(0u, session.Enumerate(SERVICE_WIN32, &listed));
        std::vector<std::wstring> names;
        ASSERT_EQ(0u, handle.EnumerateDependents(&names));
        EXPECT_EQ(bInjected ? 0u : 1u, Named(listed, service.WideName()).size());
        if (bInjected)
        {
            ASSERT_EQ(fakeNames.size(), listed.size());
            for (std::size_t i = 0; i < fakeNames.size(); ++i)
                EXPECT_EQ(fakeNames[i], listed[i].wstrName);
            EXPECT_EQ(fakeNames, names);
        }
        else
        {
            EXPECT_TRUE(names.empty()) << "nothing depends on the test service";
        }
    }
}
} // namespace
