// Start-type requests planned and applied on their own, against real services.
#include "changes/StartTypeApplier.h"
#include "common/RecordingReporter.h"
#include "config/ServiceConfigStore.h"
#include "knowledge/ProfileRequest.h"
#include "support/TestServices.h"
#include "support/TextLists.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
struct Failure
{
    std::string strName;
    DWORD dwError;
    bool operator==(const Failure& other) const { return strName == other.strName && dwError == other.dwError; }
};

void PrintTo(const Failure& failure, std::ostream* pOut)
{
    *pOut << failure.strName << ":" << failure.dwError;
}

class StartTypeApplierTest : public testing::Test
{
protected:
    CStartTypeApplier Applier()
    {
        return CStartTypeApplier(*m_pSession, nullptr, m_reporter, [this](const std::wstring& wstrName, DWORD dwError) {
            m_failures.push_back({GbkText::FromWide(wstrName), dwError});
        });
    }
    // One service by code: 0 or the error it ended with.
    DWORD ApplyOne(const std::string& strName, DWORD dwStartType)
    {
        DWORD dwResult = 0;
        Applier().Apply({{WideFromGbk(strName), dwStartType}}, CStartTypeApplier::Reporting::Everything,
                        [&](const std::wstring&, DWORD dwError) { dwResult = dwError; });
        return dwResult;
    }
    // The request planned against the manager's list and applied as planned.
    StartTypePlan PlanAndApply(const StartTypeRequest& request)
    {
        StartTypePlan plan;
        EXPECT_EQ(0u, PlanStartTypes(*m_pSession, request, &plan));
        EXPECT_TRUE(Applier().Apply(plan.targets, CStartTypeApplier::Reporting::Nothing));
        return plan;
    }

    std::unique_ptr<IServiceSession> m_pSession = OpenServiceSession();
    std::vector<Failure> m_failures;
    CRecordingReporter m_reporter;
};

// One service by code, and the failures the caller is told of by name.
TEST_F(StartTypeApplierTest, OneServiceTakesTheCodeOrReportsWhyNot)
{
    CTestService service(Named(UniqueServiceName("QmApplyOne").c_str(), SERVICE_DEMAND_START));
    ASSERT_TRUE(service.Created());
    for (DWORD dwStartType : {SERVICE_AUTO_START, SERVICE_DISABLED, SERVICE_DEMAND_START})
    {
        EXPECT_EQ(0u, ApplyOne(service.Name(), dwStartType));
        EXPECT_EQ(dwStartType, service.ConfiguredStartType());
    }
    // Boot start cannot be given to a Win32 service; a missing one is 1060.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), ApplyOne(service.Name(), SERVICE_BOOT_START));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), ApplyOne("QmNoSuchService", 2));
    EXPECT_EQ((std::vector<Failure>{{service.Name(), ERROR_INVALID_PARAMETER},
                                    {"QmNoSuchService", ERROR_SERVICE_DOES_NOT_EXIST}}),
              m_failures);
}

// A profile reaches the installed services of the knowledge base only; a
// file's text only Win32 services the manager lists, later lines winning.
TEST_F(StartTypeApplierTest, ProfilesAndFilesChangeOnlyWhatTheyMay)
{
    CTestService alerter(Named("Alerter", SERVICE_DEMAND_START));
    CTestService plain(Named(UniqueServiceName("QmApplyFile").c_str(), SERVICE_DEMAND_START));
    TestServiceSpec driverSpec = Named(UniqueServiceName("QmApplyDriver").c_str(), SERVICE_DEMAND_START);
    driverSpec.dwServiceType = SERVICE_KERNEL_DRIVER;
    driverSpec.strBinaryPath = "C:\\windows\\system32\\drivers\\qm_no_such.sys";
    CTestService driver(driverSpec);
    for (CTestService* pService : {&alerter, &plain, &driver})
        ASSERT_TRUE(pService->Created());
    // The profile reaches the prefix's own services too: they are put back.
    CStartTypeSnapshot snapshot;
    PlanAndApply(ProfileRequest(2)); // the safe profile disables Alerter
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), plain.ConfiguredStartType());

    StartTypePlan plan =
        PlanAndApply(ServiceConfigRequest(plain.Name() + "&已禁用\r\n" + driver.Name() + "&已禁用\r\n" + plain.Name() +
                                          "&自动\r\nAlerter&未知\r\nQmNotInstalled&自动\r\n"));
    EXPECT_EQ(std::vector<std::string>{driver.Name()}, plan.drivers);
    EXPECT_EQ(1, plan.nNotInstalled);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), plain.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), driver.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());

    std::string strText;
    EXPECT_FALSE(ReadServiceConfigFile("C:\\windows\\temp\\qm_no_such_config.svc", &strText));
    EXPECT_TRUE(m_failures.empty()) << "file records fail silently";
    EXPECT_TRUE(m_reporter.Texts().empty());
}
} // namespace
