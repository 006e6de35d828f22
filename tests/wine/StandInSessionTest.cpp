// The stand-in session answers where Wine's manager cannot as Windows' does:
// the program's tests of those answers stand on these.
#include "services/StandInSession.h"

#include "common/RegKey.h"
#include "common/WideText.h"
#include "support/StandInComputer.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace
{
using Action = std::function<DWORD(CStandInSession&, CService&)>;

// Everyone may do everything but change the configuration.
const wchar_t* const kNoChanges = L"O:SYG:SYD:(D;;DC;;;WD)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;WD)";
constexpr DWORD kUserInstance = SERVICE_WIN32_SHARE_PROCESS | 0x40 | CStandInSession::kUserServiceInstance;
const ServiceConfig kMade = {SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, 0, L"x.exe", L"", {}, L"", L""};

SERVICE_STATUS Running(DWORD dwAccepts)
{
    return {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, dwAccepts, 0, 0, 0, 0};
}

DWORD StateOf(CService& service)
{
    SERVICE_STATUS status = {};
    return service.QueryStatus(&status) == 0 ? status.dwCurrentState : 0;
}

Action Control(DWORD dwControl, DWORD dwStateAfter)
{
    return [=](CStandInSession&, CService& service) {
        SERVICE_STATUS status = {};
        DWORD dwError = service.Control(dwControl, &status);
        EXPECT_EQ(dwStateAfter, StateOf(service));
        return dwError;
    };
}

Action CreateAs(const wchar_t* pszName)
{
    return [=](CStandInSession& session, CService& service) { return session.Create(pszName, kMade, &service); };
}
} // namespace

// Each row opens the service with the rights, then gives the action's answer
// (or the open's, when it fails): the rights come from the descriptor and
// the handle, states move and refusals come as on Windows.
TEST(StandInSessionTest, RightsStatesAndRefusalsComeAsOnWindows)
{
    CStandInComputer computer;
    StandInService guarded(L"QmGuarded");
    guarded.wstrSddl = kNoChanges;
    ASSERT_TRUE(computer.Add({guarded, {L"QmOpen"}, {L"QmUser", kUserInstance},
                              {L"QmOff", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED}, {L"QmPlain"}, {L"QmBusy"}}));
    auto pSession = computer.Session();
    ASSERT_EQ(0u, pSession->SetStatus(L"qmbusy", Running(SERVICE_ACCEPT_STOP)));
    const DWORD dwAll = SERVICE_ALL_ACCESS;
    const Action open = [](CStandInSession&, CService& service) { return service.IsOpen() ? 0u : 6u; };
    const Action change = [](CStandInSession&, CService& s) { return s.ChangeStartType(SERVICE_DISABLED); };
    const Action start = [](CStandInSession&, CService& service) { return service.Start(); };
    const std::tuple<const wchar_t*, DWORD, Action, DWORD> steps[] = {
        {L"qmGUARDED", GENERIC_READ, open, 0},
        {L"QmGuarded", SERVICE_START | SERVICE_STOP, open, 0},
        {L"QmGuarded", SERVICE_CHANGE_CONFIG, open, ERROR_ACCESS_DENIED},
        {L"QmGuarded", IServiceSession::kAccessChangeAndRead, open, ERROR_ACCESS_DENIED},
        {L"QmGuarded", GENERIC_WRITE, open, ERROR_ACCESS_DENIED},
        {L"QmGuarded", GENERIC_ALL, open, ERROR_ACCESS_DENIED},
        // Opened for all it may have, it still may not change.
        {L"QmGuarded", MAXIMUM_ALLOWED, change, ERROR_ACCESS_DENIED},
        {L"QmOpen", SERVICE_QUERY_STATUS, [](CStandInSession&, CService& s) { return StateOf(s); }, SERVICE_STOPPED},
        {L"QmOpen", SERVICE_QUERY_STATUS, change, ERROR_ACCESS_DENIED},
        {L"QmOpen", SERVICE_QUERY_STATUS, Control(SERVICE_CONTROL_STOP, SERVICE_STOPPED), ERROR_ACCESS_DENIED},
        {L"QmOpen", GENERIC_READ, [](CStandInSession&, CService& s) { return s.Delete(); }, ERROR_ACCESS_DENIED},
        {L"QmOpen", GENERIC_EXECUTE, change, ERROR_ACCESS_DENIED},
        {L"QmOpen", GENERIC_WRITE, change, 0},
        {L"QmOpen ", GENERIC_READ, open, ERROR_SERVICE_DOES_NOT_EXIST},
        {L"", GENERIC_READ, open, ERROR_INVALID_NAME},
        {L"QmUser", dwAll, change, ERROR_INVALID_PARAMETER},
        {L"QmUser", dwAll, [](CStandInSession&, CService& s) { return s.ChangeDescription(L"x"); },
         ERROR_INVALID_PARAMETER},
        {L"QmPlain", dwAll, [](CStandInSession&, CService& s) { return s.ChangeStartType(SERVICE_SYSTEM_START); },
         ERROR_INVALID_PARAMETER},
        {L"QmOff", dwAll, start, ERROR_SERVICE_DISABLED},
        {L"QmBusy", dwAll, start, ERROR_SERVICE_ALREADY_RUNNING},
        {L"QmBusy", dwAll, Control(SERVICE_CONTROL_PAUSE, SERVICE_RUNNING), ERROR_INVALID_SERVICE_CONTROL},
        {L"QmPlain", dwAll, Control(SERVICE_CONTROL_STOP, SERVICE_STOPPED), ERROR_SERVICE_NOT_ACTIVE},
        {L"QmPlain", dwAll, start, 0},
        {L"QmPlain", dwAll, Control(SERVICE_CONTROL_INTERROGATE, SERVICE_RUNNING), 0},
        {L"QmPlain", dwAll, Control(SERVICE_CONTROL_STOP, SERVICE_STOPPED), 0},
        {L"QmBusy", dwAll, CreateAs(L"QMPLAIn"), ERROR_SERVICE_EXISTS},
        {L"QmBusy", dwAll, CreateAs(L""), ERROR_INVALID_NAME},
    };
    int nStep = 0;
    for (const auto& [pszName, dwAccess, action, dwExpected] : steps)
    {
        SCOPED_TRACE(testing::Message() << "step " << nStep++ << " on " << pszName);
        CService service;
        DWORD dwError = pSession->Open(pszName, dwAccess, &service);
        EXPECT_EQ(dwExpected, dwError != 0 ? dwError : action(*pSession, service));
    }
}

TEST(StandInSessionTest, ALongListComesWholeAndInOrderThroughBatches)
{
    CStandInComputer computer;
    std::vector<StandInService> added;
    for (int i = 0; i < 3000; ++i)
    {
        // Upper and lower case alternate, so that only a case-blind order holds.
        added.emplace_back(std::wstring(i % 2 ? L"QM" : L"qm") + std::to_wstring(100000 + i * 7919 % 3000));
        added.back().wstrDisplayName = std::wstring(200, L'\x6f22') + added.back().wstrName;
    }
    ASSERT_TRUE(computer.Add(added));
    auto pSession = computer.Session();
    std::vector<EnumeratedService> services;
    ASSERT_EQ(0u, pSession->Enumerate(SERVICE_WIN32, &services));
    ASSERT_EQ(added.size(), services.size());
    for (size_t i = 0; i < services.size(); ++i)
    {
        EXPECT_EQ(std::wstring(200, L'\x6f22') + services[i].wstrName, services[i].wstrDisplayName);
        if (i > 0)
        {
            EXPECT_LT(WideAsciiLower(services[i - 1].wstrName), WideAsciiLower(services[i].wstrName));
        }
    }
    // About 1.3 MB: five full batches at least, none over Windows' limit.
    EXPECT_GE(pSession->BatchCalls(), 6u);
    EXPECT_LE(pSession->LargestBatchBytes(), CStandInSession::kBatchLimitBytes);
    EXPECT_GT(pSession->LargestBatchBytes(), CStandInSession::kBatchLimitBytes - 1024);
}

TEST(StandInSessionTest, ReadsWhatTheStoreHoldsUnderRealNames)
{
    CStandInComputer computer;
    std::vector<StandInService> added = {{L"QmKr\xAC00"}, {L"QmKr?"}, {L"QmBase"},
                                         {L"QmAfter", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START},
                                         {L"QmAuto", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START}};
    added[0].wstrDisplayName = L"\xD55C\xAE00";
    added[1].wstrDisplayName = L"Question";
    added[3].dependencies = {L"qmbase", L"+QmGroup"};
    added[3].nDelayedAutostart = 1;
    added[4].nDelayedAutostart = 0;
    ASSERT_TRUE(computer.Add(added));
    auto pSession = computer.Session();
    ASSERT_NE(nullptr, pSession->RegistryRoot());

    CService made;
    ServiceConfig madeConfig{SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, 1, L"%SystemRoot%\\m\xAC00.exe", L"G",
                             {L"QmKr\xAC00", L"+QmGroup"}, L".\\qm", L"\xD55C"};
    ASSERT_EQ(0u, pSession->Create(L"QmMade", madeConfig, &made));
    // The name, the delayed flag, the display name, dependencies, dependents.
    const std::tuple<const wchar_t*, bool, std::wstring, std::vector<std::wstring>, std::vector<std::wstring>>
        cases[] = {
            {L"QmKr\xAC00", false, L"\xD55C\xAE00", {}, {L"QmMade"}},
            {L"qmkr?", false, L"Question", {}, {}},
            {L"QmBase", false, L"QmBase", {}, {L"QmAfter"}},
            {L"QmAfter", true, L"QmAfter", {L"qmbase", L"+QmGroup"}, {}},
            {L"QmAuto", false, L"QmAuto", {}, {}},
            {L"QmMade", false, L"\xD55C", madeConfig.dependencies, {}},
        };
    for (const auto& [pszName, bExpected, wstrDisplayName, dependencies, expectedDependents] : cases)
    {
        SCOPED_TRACE(testing::Message() << pszName);
        CService service;
        ServiceConfig config;
        bool bDelayed = !bExpected;
        std::vector<std::wstring> dependents;
        ASSERT_EQ(0u, pSession->Open(pszName, IServiceSession::kAccessDetails, &service));
        ASSERT_EQ(0u, service.QueryConfig(&config));
        EXPECT_EQ(0u, service.QueryDelayedAutoStart(&bDelayed));
        EXPECT_EQ(0u, service.EnumerateDependents(&dependents));
        EXPECT_EQ(bExpected, bDelayed);
        EXPECT_EQ(wstrDisplayName, config.wstrDisplayName);
        EXPECT_EQ(dependencies, config.dependencies);
        EXPECT_EQ(expectedDependents, dependents);
    }
    ServiceConfig config;
    ASSERT_EQ(0u, made.QueryConfig(&config));
    EXPECT_EQ(madeConfig.wstrBinaryPath, config.wstrBinaryPath);
    EXPECT_EQ(madeConfig.wstrAccount, config.wstrAccount);
    EXPECT_EQ(madeConfig.wstrLoadOrderGroup, config.wstrLoadOrderGroup);

    // Deleting one of the two look-alike names leaves the other, and a name
    // changed in the store since the last list shows in the next.
    CService question;
    ASSERT_EQ(0u, pSession->Open(L"QmKr?", SERVICE_ALL_ACCESS, &question));
    EXPECT_EQ(0u, question.Delete());
    added[0].wstrDisplayName = L"\xD55C";
    ASSERT_TRUE(computer.Add({added[0]}));
    std::vector<EnumeratedService> services;
    ASSERT_EQ(0u, pSession->Enumerate(SERVICE_WIN32, &services));
    ASSERT_EQ(5u, services.size());
    EXPECT_EQ(L"QmKr\xAC00", services[3].wstrName);
    EXPECT_EQ(L"\xD55C", services[3].wstrDisplayName);
}

TEST(StandInSessionTest, AComputerOutOfReachAnswers1722Everywhere)
{
    CStandInComputer computer;
    CStandInSession session(HKEY_CURRENT_USER, computer.StoreKey(), L"\\\\far");
    std::vector<EnumeratedService> services;
    CService service;
    DWORD dwNeeded = 0, dwCount = 0, dwResume = 0;
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), session.ManagerError());
    EXPECT_EQ(nullptr, session.RegistryRoot());
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), session.Enumerate(SERVICE_WIN32, &services));
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), session.Open(L"QmAny", GENERIC_READ, &service));
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), session.Create(L"QmAny", kMade, &service));
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), session.SetStatus(L"QmAny", Running(0)));
    EXPECT_FALSE(session.EnumerateBatch(nullptr, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &dwNeeded, &dwCount,
                                        &dwResume));
    EXPECT_EQ(DWORD(RPC_S_SERVER_UNAVAILABLE), GetLastError());
    EXPECT_TRUE(services.empty());
    EXPECT_FALSE(service.IsOpen());
}

TEST(StandInSessionTest, ARunningServiceDeletedIsMarkedUntilStoppedAndClosed)
{
    CStandInComputer computer;
    ASSERT_TRUE(computer.Add({StandInService(L"QmDoomed")}));
    auto pSession = computer.Session();
    ASSERT_EQ(0u, pSession->SetStatus(L"QmDoomed", Running(SERVICE_ACCEPT_STOP)));
    auto keyExists = [&] {
        return CRegKey().Open(HKEY_CURRENT_USER, computer.ServiceKey(L"QmDoomed").c_str(), KEY_READ) == ERROR_SUCCESS;
    };
    CService first, second;
    ASSERT_EQ(0u, pSession->Open(L"QmDoomed", SERVICE_ALL_ACCESS, &first));
    ASSERT_EQ(0u, first.Delete());
    ASSERT_EQ(0u, pSession->Open(L"QmDoomed", SERVICE_ALL_ACCESS, &second));
    for (CService* pService : {&first, &second})
    {
        EXPECT_EQ(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), pService->ChangeStartType(SERVICE_DISABLED));
        EXPECT_EQ(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), pService->ChangeDescription(L"x"));
        EXPECT_EQ(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), pService->Delete());
    }
    SERVICE_STATUS status = {};
    EXPECT_EQ(0u, second.Control(SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), first.Start());
    first.Close();
    EXPECT_TRUE(keyExists()) << "a handle is still open";
    second.Close();
    EXPECT_FALSE(keyExists());
    EXPECT_EQ(DWORD(ERROR_SERVICE_DOES_NOT_EXIST), pSession->Open(L"QmDoomed", GENERIC_READ, &first));
}
