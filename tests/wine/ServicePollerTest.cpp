// The status poller against the real manager and its registry store: what a
// pass sees of states, accepted controls and start types, and what the next
// pass sees after changes made elsewhere.
#include "services/ServicePoller.h"

#include "support/ServicesKeyWatch.h"
#include "support/TestServices.h"
#include "support/TextLists.h"
#include "services/ServiceSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kUnknownStartType = 0xFFFFFFFF;
// A change notice follows a write to the store within milliseconds.
constexpr DWORD kNoticeTimeoutMs = 2000;

// One look of the poller at the manager, through a handle of the test's own.
testing::AssertionResult Pass(CServicePoller& poller)
{
    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    if (DWORD dwError = pSession->ManagerError())
        return testing::AssertionFailure() << "no manager: " << dwError;
    DWORD dwError = poller.Refresh(*pSession);
    if (dwError != 0)
        return testing::AssertionFailure() << "the pass failed with " << dwError;
    return testing::AssertionSuccess();
}

// What the last pass holds for a service: the state expected, the accepted
// controls the manager answers for it now, and the start type expected
// (kUnknownStartType: none could be read).
testing::AssertionResult Reports(const CServicePoller& poller, const CTestService& service, DWORD dwState,
                                 DWORD dwStartType)
{
    const ServiceRow* pStatus = poller.Find(WideFromGbk(service.Name()));
    if (pStatus == nullptr)
        return testing::AssertionFailure() << service.Name() << " is not in the last pass";
    SERVICE_STATUS manager = {};
    if (!service.QueryStatus(&manager))
        return testing::AssertionFailure() << service.Name() << " cannot be queried";
    bool bKnown = dwStartType != kUnknownStartType;
    if (pStatus->state != ServiceTexts::RunStateOf(dwState) || pStatus->dwAccepted != manager.dwControlsAccepted ||
        pStatus->bStartTypeKnown != bKnown || (bKnown && pStatus->startType.dwCode != dwStartType))
        return testing::AssertionFailure()
               << service.Name() << " reads state " << static_cast<DWORD>(pStatus->state) << ", accepted "
               << pStatus->dwAccepted << ", start type "
               << (pStatus->bStartTypeKnown ? std::to_string(pStatus->startType.dwCode) : "unknown")
               << "; expected state " << dwState << ", accepted " << manager.dwControlsAccepted << ", start type "
               << (bKnown ? std::to_string(dwStartType) : "unknown");
    return testing::AssertionSuccess();
}

TEST(ServicePollerTest, APassReportsStatesControlsAndStoredStartTypes)
{
    struct Case
    {
        const char* pszWhat;
        const char* pszArguments;
        DWORD dwCreatedAs;
        std::function<testing::AssertionResult(CTestService&)> prepare;
        DWORD dwState;
        DWORD dwStartType;
    };
    auto none = [](CTestService&) { return testing::AssertionSuccess(); };
    const Case cases[] = {
        {"running, stop and pause accepted", "--accept=stop,pause", SERVICE_AUTO_START,
         [](CTestService& service) { return service.StartAndWaitRunning(); }, SERVICE_RUNNING, SERVICE_AUTO_START},
        {"running, nothing accepted", "--accept=none", SERVICE_DEMAND_START,
         [](CTestService& service) { return service.StartAndWaitRunning(); }, SERVICE_RUNNING, SERVICE_DEMAND_START},
        {"paused", "--accept=stop,pause", SERVICE_DEMAND_START,
         [](CTestService& service) {
             testing::AssertionResult done = service.StartAndWaitRunning();
             if (done)
                 done = service.SendControl(SERVICE_CONTROL_PAUSE);
             return done ? service.WaitForState(SERVICE_PAUSED) : done;
         },
         SERVICE_PAUSED, SERVICE_DEMAND_START},
        {"stopped, disabled", "", SERVICE_DISABLED, none, SERVICE_STOPPED, SERVICE_DISABLED},
        // The manager refuses system start for a Win32 service; the store has it.
        {"system start in the store", "", SERVICE_DEMAND_START,
         [](CTestService& service) { return service.SetStoredDword("Start", SERVICE_SYSTEM_START); },
         SERVICE_STOPPED, SERVICE_SYSTEM_START},
        {"Start stored as text", "", SERVICE_DEMAND_START,
         [](CTestService& service) { return service.SetStoredValue("Start", REG_SZ, std::string("3\0", 2)); },
         SERVICE_STOPPED, kUnknownStartType},
        {"Start stored as four binary bytes", "", SERVICE_DEMAND_START,
         [](CTestService& service) {
             return service.SetStoredValue("Start", REG_BINARY, std::string("\x03\0\0\0", 4));
         },
         SERVICE_STOPPED, kUnknownStartType},
        {"no Start value", "", SERVICE_DEMAND_START,
         [](CTestService& service) { return service.DeleteStoredValue("Start"); }, SERVICE_STOPPED,
         kUnknownStartType},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        services.push_back(std::make_unique<CTestService>(TestBed("QmPollPass", c.pszArguments, c.dwCreatedAs)));
        ASSERT_TRUE(services.back()->Created());
        ASSERT_TRUE(c.prepare(*services.back()));
    }
    CServicePoller poller;
    ASSERT_TRUE(Pass(poller));
    for (std::size_t i = 0; i < services.size(); ++i)
    {
        SCOPED_TRACE(cases[i].pszWhat);
        EXPECT_TRUE(Reports(poller, *services[i], cases[i].dwState, cases[i].dwStartType));
    }
    EXPECT_EQ(nullptr, poller.Find(WideFromGbk(UniqueServiceName("QmPollNeverRegistered"))));
}

// States come with every enumeration; a start type is read again only after
// the store's change notice, and each notice is watched for anew.
TEST(ServicePollerTest, ChangesMadeElsewhereAreSeenByTheNextPass)
{
    CTestService runner(TestBed("QmPollRunner", "--accept=stop,pause"));
    CTestService changed(TestBed("QmPollChanged", "", SERVICE_AUTO_START));
    ASSERT_TRUE(runner.Created());
    ASSERT_TRUE(changed.Created());
    CServicePoller poller;
    ASSERT_TRUE(Pass(poller));
    ASSERT_TRUE(Reports(poller, runner, SERVICE_STOPPED, SERVICE_DEMAND_START));
    ASSERT_TRUE(Reports(poller, changed, SERVICE_STOPPED, SERVICE_AUTO_START));

    CServicesKeyWatch watch;
    struct Step
    {
        const char* pszWhat;
        std::function<testing::AssertionResult()> act;
        bool bWritesTheStore;
        DWORD dwRunnerState;
        DWORD dwChangedStartType;
    };
    const Step steps[] = {
        {"started", [&] { return runner.StartAndWaitRunning(); }, false, SERVICE_RUNNING, SERVICE_AUTO_START},
        {"disabled through the manager", [&] { return changed.ChangeStartType(SERVICE_DISABLED); }, true,
         SERVICE_RUNNING, SERVICE_DISABLED},
        {"paused",
         [&] {
             testing::AssertionResult sent = runner.SendControl(SERVICE_CONTROL_PAUSE);
             return sent ? runner.WaitForState(SERVICE_PAUSED) : sent;
         },
         false, SERVICE_PAUSED, SERVICE_DISABLED},
        {"manual through the manager", [&] { return changed.ChangeStartType(SERVICE_DEMAND_START); }, true,
         SERVICE_PAUSED, SERVICE_DEMAND_START},
        {"automatic through the manager", [&] { return changed.ChangeStartType(SERVICE_AUTO_START); }, true,
         SERVICE_PAUSED, SERVICE_AUTO_START},
        {"system start written to the store", [&] { return changed.SetStoredDword("Start", SERVICE_SYSTEM_START); },
         true, SERVICE_PAUSED, SERVICE_SYSTEM_START},
        {"stopped",
         [&] {
             testing::AssertionResult sent = runner.SendControl(SERVICE_CONTROL_STOP);
             return sent ? runner.WaitForState(SERVICE_STOPPED) : sent;
         },
         false, SERVICE_STOPPED, SERVICE_SYSTEM_START},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        ASSERT_TRUE(watch.Arm());
        ASSERT_TRUE(step.act());
        if (step.bWritesTheStore)
        {
            ASSERT_TRUE(watch.WaitChanged(kNoticeTimeoutMs)) << "no change notice from the store";
        }
        ASSERT_TRUE(Pass(poller));
        EXPECT_TRUE(Reports(poller, runner, step.dwRunnerState, SERVICE_DEMAND_START));
        EXPECT_TRUE(Reports(poller, changed, SERVICE_STOPPED, step.dwChangedStartType));
    }
}

// The list's fill asks for start types between passes: each answer follows
// the store after its change notice, agrees with the next pass, and a key
// that cannot be read answers nothing.
TEST(ServicePollerTest, StartTypesAskedBetweenPassesFollowTheStore)
{
    CTestService changed(TestBed("QmPollAsked", "", SERVICE_AUTO_START));
    CTestService unreadable(TestBed("QmPollUnreadable"));
    ASSERT_TRUE(changed.Created());
    ASSERT_TRUE(unreadable.Created());
    ASSERT_TRUE(unreadable.SetStoredValue("Start", REG_SZ, std::string("3\0", 2)));
    std::string strUpper = changed.Name();
    for (char& c : strUpper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);

    // Before any pass as well: the window fills its list first, under its
    // session's root.
    CServicePoller poller;
    DWORD dwStartType = 0;
    poller.UseRoot(HKEY_LOCAL_MACHINE);
    poller.CheckStartTypes();
    ASSERT_TRUE(poller.StartTypeOf(WideFromGbk(changed.Name()), &dwStartType));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), dwStartType);
    EXPECT_FALSE(poller.StartTypeOf(WideFromGbk(unreadable.Name()), &dwStartType));
    EXPECT_FALSE(poller.StartTypeOf(WideFromGbk(UniqueServiceName("QmPollNeverRegistered")), &dwStartType));
    ASSERT_TRUE(Pass(poller));

    CServicesKeyWatch watch;
    const struct
    {
        const char* pszWhat;
        std::function<testing::AssertionResult()> act;
        DWORD dwStartType;
    } steps[] = {
        {"disabled through the manager", [&] { return changed.ChangeStartType(SERVICE_DISABLED); }, SERVICE_DISABLED},
        {"manual through the manager", [&] { return changed.ChangeStartType(SERVICE_DEMAND_START); },
         SERVICE_DEMAND_START},
        {"system start written to the store", [&] { return changed.SetStoredDword("Start", SERVICE_SYSTEM_START); },
         SERVICE_SYSTEM_START},
        {"automatic through the manager", [&] { return changed.ChangeStartType(SERVICE_AUTO_START); },
         SERVICE_AUTO_START},
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        ASSERT_TRUE(watch.Arm());
        ASSERT_TRUE(step.act());
        ASSERT_TRUE(watch.WaitChanged(kNoticeTimeoutMs)) << "no change notice from the store";
        poller.CheckStartTypes();
        dwStartType = 0;
        EXPECT_TRUE(poller.StartTypeOf(WideFromGbk(strUpper), &dwStartType));
        EXPECT_EQ(step.dwStartType, dwStartType);
        EXPECT_FALSE(poller.StartTypeOf(WideFromGbk(unreadable.Name()), &dwStartType));
        ASSERT_TRUE(Pass(poller));
        EXPECT_TRUE(Reports(poller, changed, SERVICE_STOPPED, step.dwStartType));
    }
}

// A service deleted elsewhere leaves the next pass; one made again under the
// same name is read afresh, even when the key the poller kept open for the
// old one was deleted under it.
TEST(ServicePollerTest, DeletedServicesLeaveAndNamesMadeAgainAreReadAfresh)
{
    TestServiceSpec goneDefinition = TestBed("QmPollGone", "", SERVICE_DISABLED);
    TestServiceSpec remadeDefinition = TestBed("QmPollRemade", "", SERVICE_DISABLED);
    auto pGone = std::make_unique<CTestService>(goneDefinition);
    auto pRemade = std::make_unique<CTestService>(remadeDefinition);
    CTestService stays(TestBed("QmPollStays"));
    for (CTestService* pService : {pGone.get(), pRemade.get(), &stays})
        ASSERT_TRUE(pService->Created());
    CServicePoller poller;
    ASSERT_TRUE(Pass(poller));
    ASSERT_TRUE(Reports(poller, *pGone, SERVICE_STOPPED, SERVICE_DISABLED));
    ASSERT_TRUE(Reports(poller, *pRemade, SERVICE_STOPPED, SERVICE_DISABLED));

    // No pass between the deletion and the new registration.
    CServicesKeyWatch watch;
    ASSERT_TRUE(watch.Arm());
    pGone->Remove();
    pRemade->Remove();
    ASSERT_FALSE(pRemade->Exists());
    remadeDefinition.dwStartType = SERVICE_AUTO_START;
    pRemade = std::make_unique<CTestService>(remadeDefinition);
    ASSERT_TRUE(pRemade->Created());
    ASSERT_TRUE(watch.WaitChanged(kNoticeTimeoutMs)) << "no change notice from the store";

    ASSERT_TRUE(Pass(poller));
    EXPECT_EQ(nullptr, poller.Find(WideFromGbk(goneDefinition.strName)));
    EXPECT_TRUE(Reports(poller, *pRemade, SERVICE_STOPPED, SERVICE_AUTO_START));
    EXPECT_TRUE(Reports(poller, stays, SERVICE_STOPPED, SERVICE_DEMAND_START));

    // And once more with a pass that saw it gone in between.
    ASSERT_TRUE(watch.Arm());
    pRemade->Remove();
    ASSERT_TRUE(Pass(poller));
    EXPECT_EQ(nullptr, poller.Find(WideFromGbk(remadeDefinition.strName)));
    ASSERT_TRUE(watch.Arm());
    remadeDefinition.dwStartType = SERVICE_DEMAND_START;
    pRemade = std::make_unique<CTestService>(remadeDefinition);
    ASSERT_TRUE(pRemade->Created());
    ASSERT_TRUE(watch.WaitChanged(kNoticeTimeoutMs)) << "no change notice from the store";
    ASSERT_TRUE(Pass(poller));
    EXPECT_TRUE(Reports(poller, *pRemade, SERVICE_STOPPED, SERVICE_DEMAND_START));
}

// Service names that differ only in the trail byte of a GBK character are
// different services; ASCII case folding must not merge their entries.
TEST(ServicePollerTest, NamesDifferingInATrailByteKeepTheirOwnStatus)
{
    const std::string strStem = UniqueServiceName("QmFold");
    const struct
    {
        std::string strUpper, strLower; // trail byte 0x41..0x5A and the same plus 0x20
    } pairs[] = {
        {strStem + "\x81\x41", strStem + "\x81\x61"},
        {strStem + "\xB0\x5A", strStem + "\xB0\x7A"},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const auto& pair : pairs)
    {
        TestServiceSpec upper;
        upper.strName = pair.strUpper;
        upper.dwStartType = SERVICE_DISABLED;
        TestServiceSpec lower;
        lower.strName = pair.strLower;
        lower.dwStartType = SERVICE_DEMAND_START;
        for (const TestServiceSpec& spec : {upper, lower})
        {
            services.push_back(std::make_unique<CTestService>(spec));
            ASSERT_TRUE(services.back()->Created());
        }
    }

    std::unique_ptr<IServiceSession> pSession = OpenServiceSession();
    ASSERT_EQ(0u, pSession->ManagerError());
    CServicePoller poller;
    DWORD dwResult = poller.Refresh(*pSession);
    ASSERT_EQ(0u, dwResult);
    for (const auto& pair : pairs)
    {
        SCOPED_TRACE(testing::PrintToString(pair.strUpper));
        const ServiceRow* pUpper = poller.Find(WideFromGbk(pair.strUpper));
        const ServiceRow* pLower = poller.Find(WideFromGbk(pair.strLower));
        ASSERT_NE(nullptr, pUpper);
        ASSERT_NE(nullptr, pLower);
        EXPECT_NE(pUpper, pLower);
        EXPECT_TRUE(pUpper->bStartTypeKnown);
        EXPECT_TRUE(pLower->bStartTypeKnown);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), pUpper->startType.dwCode);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), pLower->startType.dwCode);
    }
    // ASCII letters still fold: the manager matches names without regard to case.
    std::string strAsciiLower = pairs[0].strUpper;
    strAsciiLower[0] = 'q';
    strAsciiLower[1] = 'M';
    EXPECT_EQ(poller.Find(WideFromGbk(pairs[0].strUpper)), poller.Find(WideFromGbk(strAsciiLower)));
}

} // namespace
