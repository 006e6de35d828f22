// The session over the real manager (CManagerSession) and its owned service
// handles against Wine's service control manager, with services registered
// from the test-bed program.
#include "common/MultiString.h"
#include "common/RegKey.h"
#include "common/WideText.h"
#include "services/ManagerSession.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestFiles.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using Access = IServiceSession;

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

std::wstring TestBedLine(const std::string& strArguments)
{
    return WideFromGbk(CTestService::TestBedCommandLine(strArguments));
}

ServiceConfig TestBedConfig(DWORD dwStartType, const std::wstring& wstrPath = TestBedLine(""),
                            const std::wstring& wstrDisplayName = L"Qm")
{
    ServiceConfig config;
    config.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    config.dwStartType = dwStartType;
    config.wstrBinaryPath = wstrPath;
    config.wstrDisplayName = wstrDisplayName;
    return config;
}

// The distinct states read until the state is dwTarget (the target last).
std::vector<DWORD> StatesUntil(CService& service, DWORD dwTarget)
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
        "state " + std::to_string(dwTarget));
    return seen;
}

// DependOnService of a service's key, where Wine keeps the whole list.
std::vector<std::wstring> StoredDependencies(const std::wstring& wstrName)
{
    CRegKey key;
    wchar_t buffer[2048] = {};
    DWORD cbData = sizeof(buffer) - 2 * sizeof(wchar_t);
    if (key.Open(HKEY_LOCAL_MACHINE, (std::wstring(Access::kServicesKeyPath) + L"\\" + wstrName).c_str(),
                 KEY_QUERY_VALUE) != ERROR_SUCCESS ||
        RegQueryValueExW(key.Get(), L"DependOnService", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &cbData) != ERROR_SUCCESS)
        return {};
    return SplitMultiString(buffer, cbData / sizeof(wchar_t));
}

// Makes a service through the session under a name of this run (its display
// name followed by that name), gives it the description and reads all of it
// back as given. The CTestService only removes it, on every way out.
void CreateAndReadBack(IServiceSession& session, ServiceConfig config, const std::wstring& wstrDescription)
{
    TestServiceSpec spec = TestBed("QmMade");
    spec.bRegister = false;
    CTestService made(spec);
    const std::wstring wstrName = made.WideName();
    config.wstrDisplayName += L" " + wstrName;
    CService created;
    ASSERT_EQ(0u, session.Create(wstrName, config, &created));
    ASSERT_TRUE(created.IsOpen());
    EXPECT_EQ(0u, created.ChangeDescription(wstrDescription));
    EXPECT_EQ(config.wstrBinaryPath, ConfigOf(created).wstrBinaryPath) << "the created handle answers";

    CService handle = OpenOrNothing(session, wstrName, Access::kAccessRead);
    ServiceConfig read = ConfigOf(handle);
    EXPECT_EQ(config.dwServiceType, read.dwServiceType);
    EXPECT_EQ(config.dwStartType, read.dwStartType);
    EXPECT_EQ(config.dwErrorControl, read.dwErrorControl);
    EXPECT_EQ(config.wstrBinaryPath, read.wstrBinaryPath);
    EXPECT_EQ(config.wstrDisplayName, read.wstrDisplayName);
    // Wine's manager answers no dependencies at all; its registry has them.
    if (!read.dependencies.empty())
    {
        EXPECT_EQ(config.dependencies, read.dependencies);
    }
    EXPECT_EQ(config.dependencies, StoredDependencies(wstrName));
    EXPECT_EQ(L"LocalSystem", read.wstrAccount);
    std::wstring wstrRead = L"kept";
    ASSERT_EQ(0u, handle.QueryDescription(&wstrRead));
    EXPECT_EQ(wstrDescription, wstrRead);
    EXPECT_EQ(0u, created.Delete());
}

// Every call of a handle that is not open answers 6 and sets no output.
void ExpectNothingAnswers(CService& closed)
{
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
    EXPECT_EQ(99u, status.dwCurrentState);
    EXPECT_EQ(L"kept", config.wstrDisplayName);
    EXPECT_EQ(L"kept", wstrText);
    EXPECT_TRUE(bDelayed);
    EXPECT_EQ(std::vector<std::wstring>{L"kept"}, names);
    EXPECT_EQ(77u, dwStartType);
}

// Open answers with the manager's codes; a failed open closes what the
// handle held. A handle not open, never opened or moved away, answers 6.
TEST(ServiceSessionOpenTest, OpenAnswersWithTheManagersCodesAndAClosedHandleWith6)
{
    CTestService service(TestBed("QmOpen", "--accept=stop"));
    ASSERT_TRUE(service.Created());
    const std::pair<std::wstring, DWORD> cases[] = {
        {service.WideName(), 0},
        {L"qmopen" + service.WideName().substr(6), 0}, // names match without case
        {service.WideName() + L" ", ERROR_SERVICE_DOES_NOT_EXIST},
        {WideFromGbk(UniqueServiceName("QmMissing")), ERROR_SERVICE_DOES_NOT_EXIST},
        {L"", ERROR_INVALID_NAME},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    ASSERT_EQ(0u, pSession->ManagerError());
    for (const auto& [wstrName, dwExpected] : cases)
    {
        SCOPED_TRACE(GbkFromWide(L"name \"" + wstrName + L"\""));
        CService opened = OpenOrNothing(*pSession, service.WideName(), Access::kAccessDelete);
        ASSERT_TRUE(opened.IsOpen());
        EXPECT_EQ(dwExpected, pSession->Open(wstrName, Access::kAccessRead, &opened));
        EXPECT_EQ(dwExpected == 0, opened.IsOpen());
        if (dwExpected != 0)
            ExpectNothingAnswers(opened);
        opened.Close();
        EXPECT_FALSE(opened.IsOpen());
    }
    CService never, moved = OpenOrNothing(*pSession, service.WideName(), Access::kAccessDelete);
    CService taker = std::move(moved);
    SERVICE_STATUS status = {};
    EXPECT_EQ(0u, taker.QueryStatus(&status)) << "the handle moved on answers";
    ExpectNothingAnswers(never);
    ExpectNothingAnswers(moved);
    EXPECT_TRUE(service.Exists());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
}

// A database that does not exist, or a computer Wine's manager opens for
// any name but whose registry is not there: no manager at all, so this
// computer's services are not passed off as the other's. Saying why is the
// caller's (see the main window's test).
TEST(ServiceSessionOpenTest, WithoutAManagerEveryCallAnswersInvalidHandleAndRaisesNoBox)
{
    CMessageBoxWatcher watcher;
    // The computer, the database, the manager's error (0: any but 0), whether
    // the registry is there.
    const std::tuple<const wchar_t*, const wchar_t*, DWORD, bool> cases[] = {
        {L"", L"QmNoSuchDatabase", 0, true},
        {L"qm-no-such-host", nullptr, ERROR_BAD_NETPATH, false},
        {L"\\\\qm-no-such-host", nullptr, ERROR_BAD_NETPATH, false},
    };
    for (const auto& [pszComputer, pszDatabase, dwError, bRegistry] : cases)
    {
        SCOPED_TRACE(GbkFromWide(pszComputer));
        CManagerSession session(pszComputer, pszDatabase);
        EXPECT_EQ(pszComputer[0] ? L"qm-no-such-host" : L"", session.ComputerName());
        EXPECT_TRUE(dwError == 0 ? session.ManagerError() != 0 : session.ManagerError() == dwError)
            << session.ManagerError();
        EXPECT_EQ(bRegistry, session.RegistryRoot() != nullptr);
        std::vector<EnumeratedService> listed = {{L"left over", L"", {}}};
        EXPECT_EQ(ERROR_INVALID_HANDLE, session.Enumerate(SERVICE_WIN32, &listed));
        EXPECT_TRUE(listed.empty());
        CService service;
        EXPECT_EQ(ERROR_INVALID_HANDLE, session.Open(L"Spooler", Access::kAccessRead, &service));
        EXPECT_FALSE(service.IsOpen());
        EXPECT_EQ(ERROR_INVALID_HANDLE, session.Create(WideFromGbk(UniqueServiceName("QmNoManager")),
                                                       TestBedConfig(SERVICE_DEMAND_START), &service));
        EXPECT_FALSE(service.IsOpen());
        EXPECT_EQ(ERROR_INVALID_HANDLE, service.Start());
    }
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
    // The control (0 to start), the pending state read on the way, the target.
    const std::tuple<DWORD, DWORD, DWORD> steps[] = {
        {0, SERVICE_START_PENDING, SERVICE_RUNNING},
        {SERVICE_CONTROL_PAUSE, SERVICE_PAUSE_PENDING, SERVICE_PAUSED},
        {SERVICE_CONTROL_CONTINUE, SERVICE_CONTINUE_PENDING, SERVICE_RUNNING},
        {SERVICE_CONTROL_STOP, SERVICE_STOP_PENDING, SERVICE_STOPPED},
    };
    for (const auto& [dwControl, dwPending, dwTarget] : steps)
    {
        SCOPED_TRACE(testing::Message() << "control " << dwControl);
        ASSERT_EQ(0u, dwControl == 0 ? handle.Start() : handle.Control(dwControl, &status));
        std::vector<DWORD> seen = StatesUntil(handle, dwTarget);
        ASSERT_EQ(dwTarget, seen.back());
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), dwPending)) << "the pending state was never read";
    }
}

// All open at once (the first service twice), every handle answers for its
// own record as registered, twice, and goes on doing so with its session
// gone and the extra handle closed after the first round. A record longer
// than the first 4096-byte buffer is read whole, again from the grown
// buffers. Boot and system start exist only on drivers.
TEST(ServiceSessionConfigTest, EachHandleReadsItsOwnRecordAsRegistered)
{
    const std::string strPadding = "--pad=" + std::string(5000, 'p');
    const wchar_t* const pszDriver = L"C:\\windows\\system32\\drivers\\null.sys";
    const struct
    {
        std::string strArguments;
        DWORD dwServiceType;
        DWORD dwStartType;
        std::wstring wstrDisplayName; // the name when empty
        std::wstring wstrDescription;
    } cases[] = {
        {"", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, L"", L""},
        {"--accept=stop", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, L"测试服务甲", L"用于测试的服务。\n第二行"},
        {"", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED, L"", L""},
        {"", SERVICE_KERNEL_DRIVER, SERVICE_BOOT_START, L"", L""},
        {"", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, L"", L""},
        {strPadding, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, L"", std::wstring(2500, L'服')},
        {"--accept=stop", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, L"", L"短"},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    std::vector<std::unique_ptr<CTestService>> services;
    std::vector<CService> handles;
    for (const auto& c : cases)
    {
        TestServiceSpec spec = TestBed("QmConfig", c.strArguments, c.dwStartType);
        spec.dwServiceType = c.dwServiceType;
        spec.strBinaryPath = c.dwServiceType == SERVICE_KERNEL_DRIVER ? GbkFromWide(pszDriver) : "";
        spec.strDisplayName = GbkFromWide(c.wstrDisplayName);
        spec.strDescription = GbkFromWide(c.wstrDescription);
        services.push_back(std::make_unique<CTestService>(spec));
        ASSERT_TRUE(services.back()->Created());
        handles.push_back(OpenOrNothing(*pSession, services.back()->WideName(), Access::kAccessChangeAndRead));
        ASSERT_TRUE(handles.back().IsOpen());
    }
    handles.push_back(OpenOrNothing(*pSession, services[0]->WideName(), Access::kAccessRead));
    ASSERT_TRUE(handles.back().IsOpen());
    pSession.reset();
    for (std::size_t nRound = 0; nRound < 2; ++nRound)
    {
        for (std::size_t i = 0; i < handles.size() - nRound; ++i)
        {
            const std::size_t n = i % services.size();
            const auto& c = cases[n];
            SCOPED_TRACE("case " + std::to_string(i) + ", round " + std::to_string(nRound));
            ServiceConfig config = ConfigOf(handles[i]);
            EXPECT_EQ(c.dwServiceType, config.dwServiceType);
            EXPECT_EQ(c.dwStartType, config.dwStartType);
            EXPECT_EQ(c.dwServiceType == SERVICE_KERNEL_DRIVER ? pszDriver : TestBedLine(c.strArguments),
                      config.wstrBinaryPath);
            EXPECT_EQ(c.wstrDisplayName.empty() ? services[n]->WideName() : c.wstrDisplayName,
                      config.wstrDisplayName);
            EXPECT_TRUE(config.dependencies.empty());
            EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.dwErrorControl);
            EXPECT_EQ(L"LocalSystem", config.wstrAccount) << "the account is passed on as the manager names it";
            DWORD dwStartType = 0;
            EXPECT_EQ(0u, handles[i].QueryStartType(&dwStartType));
            EXPECT_EQ(c.dwStartType, dwStartType);
            std::wstring wstrDescription = L"kept";
            ASSERT_EQ(0u, handles[i].QueryDescription(&wstrDescription));
            EXPECT_EQ(c.wstrDescription, wstrDescription) << "no description reads as the empty text";
        }
        handles.back().Close();
    }
    EXPECT_EQ(0u, handles[0].ChangeStartType(SERVICE_DEMAND_START)) << "changes need the manager the session left";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), services[0]->ConfiguredStartType());
}

// Each start type is set (alternating with manual, so that every step is a
// real change); a refused change leaves the database unlocked for the next.
TEST(ServiceSessionChangeTest, StartTypesAndDescriptionsAreChanged)
{
    CTestService service(TestBed("QmChange", ""));
    ASSERT_TRUE(service.Created());
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    const DWORD dwChange = Access::kAccessChangeConfig;
    // The access, the start type asked for, the answer, the start type stored.
    const std::tuple<DWORD, DWORD, DWORD, DWORD> steps[] = {
        {Access::kAccessRead, SERVICE_AUTO_START, ERROR_ACCESS_DENIED, SERVICE_DEMAND_START},
        {dwChange, SERVICE_AUTO_START, 0, SERVICE_AUTO_START},
        {dwChange, SERVICE_DEMAND_START, 0, SERVICE_DEMAND_START},
        {dwChange, SERVICE_DISABLED, 0, SERVICE_DISABLED},
        {dwChange, SERVICE_DEMAND_START, 0, SERVICE_DEMAND_START},
        {dwChange, SERVICE_AUTO_START, 0, SERVICE_AUTO_START},
    };
    for (const auto& [dwAccess, dwStartType, dwExpected, dwStored] : steps)
    {
        SCOPED_TRACE(testing::Message() << "access " << dwAccess << ", start type " << dwStartType);
        CService handle = OpenOrNothing(*pSession, service.WideName(), dwAccess);
        EXPECT_EQ(dwExpected, handle.ChangeStartType(dwStartType));
        handle.Close();
        EXPECT_EQ(dwStored, service.ConfiguredStartType());
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

// One service per row, started first when asked (it then reports the
// controls it accepts unchanged): the action's code reaches the caller as
// the manager answers it, each one the error table has a message for.
TEST(ServiceSessionActionTest, ActionsAnswerTheManagersCodes)
{
    const CTempPath notExecutable("qm_not_a_program", ".exe");
    const std::string& strNotExecutable = notExecutable;
    ASSERT_NO_FATAL_FAILURE(WriteFileText(strNotExecutable, "just text\r\n"));

    using Action = std::function<DWORD(CService&, CTestService&)>;
    SERVICE_STATUS status = {};
    const Action start = [](CService& service, CTestService&) { return service.Start(); };
    auto control = [&status](DWORD dwCode) -> Action {
        return [&status, dwCode](CService& service, CTestService&) { return service.Control(dwCode, &status); };
    };
    const Action stopWhileStopping = [&status](CService& service, CTestService& test) {
        EXPECT_EQ(0u, service.Control(SERVICE_CONTROL_STOP, &status));
        EXPECT_TRUE(test.WaitForState(SERVICE_STOP_PENDING));
        return service.Control(SERVICE_CONTROL_STOP, &status);
    };
    // Stopping a stopped service would fail with 1062 and keep it.
    const Action deleteGone = [](CService& service, CTestService& test) {
        DWORD dwError = service.StopAndDelete();
        service.Close();
        EXPECT_TRUE(test.WaitUntilGone());
        return dwError;
    };
    const Action deleteKept = [](CService& service, CTestService& test) {
        DWORD dwError = service.StopAndDelete();
        service.Close();
        EXPECT_TRUE(test.Exists());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), test.CurrentState());
        return dwError;
    };
    const DWORD dwAll = Access::kAccessDelete, dwStop = SERVICE_ACCEPT_STOP, dwPause = SERVICE_ACCEPT_PAUSE_CONTINUE;
    const DWORD dwManual = SERVICE_DEMAND_START, dwNotStarted = 0xFFFFFFFF;
    const struct
    {
        const char* pszWhat;
        std::string strArguments;
        DWORD dwStartType;
        std::string strBinaryPath;
        DWORD dwAccepted; // what it accepts once started, or not started
        DWORD dwAccess;
        Action action;
        DWORD dwExpected;
    } cases[] = {
        {"start while running", "--accept=stop,pause", dwManual, "", dwStop | dwPause, dwAll, start, 1056},
        {"start disabled", "", SERVICE_DISABLED, "", dwNotStarted, dwAll, start, 1058},
        {"stop a stopped service", "", dwManual, "", dwNotStarted, dwAll, control(SERVICE_CONTROL_STOP), 1062},
        {"pause not accepted", "--accept=stop", dwManual, "", dwStop, dwAll, control(SERVICE_CONTROL_PAUSE), 1052},
        {"stop not accepted", "--accept=none", dwManual, "", 0, dwAll, control(SERVICE_CONTROL_STOP), 1052},
        {"no such control", "--accept=pause", dwManual, "", dwPause, dwAll, control(256), 87},
        {"start without the right", "", dwManual, "", dwNotStarted, Access::kAccessRead, start, 5},
        {"program missing", "", dwManual, "C:\\qm\\no\\such\\program.exe", dwNotStarted, dwAll, start, 2},
        {"not a program", "", dwManual, strNotExecutable, dwNotStarted, dwAll, start, 193},
        {"exits before reporting", "--exit-at-start", dwManual, "", dwNotStarted, dwAll, start, 1053},
        {"never reports", "--never-report", dwManual, "", dwNotStarted, dwAll, start, 1053},
        {"stop while stopping", "--stop-pending=3000", dwManual, "", dwStop, dwAll, stopWhileStopping, 1061},
        {"delete a stopped service", "", dwManual, "", dwNotStarted, dwAll, deleteGone, 0},
        {"delete a running service", "", dwManual, "", dwStop, dwAll, deleteGone, 0},
        {"delete one that will not stop", "--accept=none", dwManual, "", 0, dwAll, deleteKept,
         ERROR_INVALID_SERVICE_CONTROL},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec spec = TestBed("QmAction", c.strArguments, c.dwStartType);
        spec.strBinaryPath = c.strBinaryPath;
        CTestService service(spec);
        ASSERT_TRUE(service.Created());
        CService handle;
        ASSERT_EQ(0u, pSession->Open(service.WideName(), c.dwAccess, &handle));
        if (c.dwAccepted != dwNotStarted)
        {
            ASSERT_TRUE(service.StartAndWaitRunning());
            status.dwControlsAccepted = 0xDEAD;
            ASSERT_EQ(0u, handle.QueryStatus(&status));
            EXPECT_EQ(c.dwAccepted, status.dwControlsAccepted);
            EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
        }
        EXPECT_EQ(c.dwExpected, c.action(handle, service));
    }
}

// What Create is given comes back whole, the dependencies (said twice for
// Wine's sake) included; descriptions likewise.
TEST(ServiceSessionNamesTest, TextsGbkCannotHoldRoundTripThroughCreate)
{
    const std::wstring wstrPath = TestBedLine("") + L" --note=\uAC00\u00E9\u20AC";
    const struct
    {
        std::wstring wstrDisplayName;
        std::wstring wstrAccount;
        std::vector<std::wstring> dependencies;
        std::wstring wstrDescription;
    } cases[] = {
        {L"会话测试服务", L"", {}, L"中文说明"},
        {L"Qm \uAC00\uB098\uB2E4 \u00E9\u00E8 \U0001F600", L"LocalSystem", {}, L"\uC124\uBA85 \u00E9\n\U0001F600 第二行"},
        {L"Qm \uAC00 依赖", L"localsystem", {L"RpcSs", L"QmDep\uAC00", L"Spooler"}, L""},
    };
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(GbkFromWide(c.wstrDisplayName));
        ServiceConfig config = TestBedConfig(SERVICE_DISABLED, wstrPath, c.wstrDisplayName);
        config.dwErrorControl = SERVICE_ERROR_NORMAL;
        config.wstrAccount = c.wstrAccount;
        config.dependencies = c.dependencies;
        CreateAndReadBack(*pSession, config, c.wstrDescription);
    }
}

// This computer by its own name goes through the named paths (the manager
// by name, the registry through RegConnectRegistryW, which Wine answers
// with HKEY_LOCAL_MACHINE itself) end to end. Wine's manager, like XP's,
// knows no delayed-start level: every session reads the flag from the
// service key's DelayedAutostart value, as Windows keeps it.
TEST(ServiceSessionComputerTest, ThisComputerWorksByItsOwnNameAndWithout)
{
    wchar_t szComputer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD dwLength = ARRAYSIZE(szComputer);
    GetComputerNameW(szComputer, &dwLength);
    const std::wstring wstrComputer = szComputer;
    ASSERT_FALSE(wstrComputer.empty());
    CTestService service(TestBed("QmNamed", "", SERVICE_AUTO_START));
    ASSERT_TRUE(service.Created());
    {
        COpenedService opened(service.WideName(), SERVICE_QUERY_CONFIG);
        BYTE buffer[64] = {};
        DWORD dwNeeded = 0;
        BOOL bAnswered = QueryServiceConfig2W(opened.Get(), 3, buffer, sizeof(buffer), &dwNeeded);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), bAnswered ? 0 : GetLastError())
            << "the manager answered itself: the registry path is not what runs here";
    }

    const std::pair<std::wstring, std::wstring> computers[] = {
        {L"", L""}, {wstrComputer, wstrComputer}, {L"\\\\" + wstrComputer, wstrComputer}};
    std::vector<std::unique_ptr<IServiceSession>> sessions;
    for (const auto& [wstrGiven, wstrName] : computers)
    {
        SCOPED_TRACE(GbkFromWide(L"computer \"" + wstrGiven + L"\""));
        sessions.push_back(OpenServiceSession(wstrGiven));
        IServiceSession& session = *sessions.back();
        ASSERT_EQ(0u, session.ManagerError());
        EXPECT_EQ(wstrName, session.ComputerName());
        ASSERT_NE(nullptr, session.RegistryRoot());
        std::vector<EnumeratedService> listed;
        ASSERT_EQ(0u, session.Enumerate(SERVICE_WIN32, &listed));
        EXPECT_EQ(1, std::count_if(listed.begin(), listed.end(), [&](const EnumeratedService& entry) {
            return entry.wstrName == service.WideName();
        }));
        CService handle = OpenOrNothing(session, service.WideName(), Access::kAccessChangeAndRead);
        EXPECT_EQ(0u, handle.ChangeStartType(SERVICE_DISABLED));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), ConfigOf(handle).dwStartType);
        EXPECT_EQ(0u, handle.ChangeStartType(SERVICE_AUTO_START));
        CreateAndReadBack(session, TestBedConfig(SERVICE_DEMAND_START), L"");
    }
    // What is stored, the answer and the flag (a failure leaves it alone).
    const std::tuple<const char*, std::function<testing::AssertionResult()>, DWORD, bool> cases[] = {
        {"no value", [] { return testing::AssertionSuccess(); }, 0, false},
        {"1", [&] { return service.SetStoredDword("DelayedAutostart", 1); }, 0, true},
        {"0", [&] { return service.SetStoredDword("DelayedAutostart", 0); }, 0, false},
        {"2", [&] { return service.SetStoredDword("DelayedAutostart", 2); }, 0, true},
        {"deleted", [&] { return service.DeleteStoredValue("DelayedAutostart"); }, 0, false},
        {"not a number", [&] { return service.SetStoredValue("DelayedAutostart", REG_SZ, std::string("1\0", 2)); },
         ERROR_INVALID_DATA, false},
    };
    for (const auto& [pszWhat, store, dwExpected, bExpected] : cases)
    {
        ASSERT_TRUE(store()) << pszWhat;
        for (std::size_t i = 0; i < sessions.size(); ++i)
        {
            SCOPED_TRACE(std::string(pszWhat) + " through session " + std::to_string(i));
            CService handle = OpenOrNothing(*sessions[i], service.WideName(), Access::kAccessRead);
            bool bDelayed = !bExpected;
            EXPECT_EQ(dwExpected, handle.QueryDelayedAutoStart(&bDelayed));
            EXPECT_EQ(dwExpected == 0 ? bExpected : !bExpected, bDelayed);
        }
    }
}
} // namespace
