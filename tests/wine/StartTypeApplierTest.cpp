// The applier of start-type requests on its own, against real services.
#include "services/StartTypeApplier.h"
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
        return CStartTypeApplier(*m_pSession, [this](const std::wstring& wstrName, DWORD dwError) {
            m_failures.push_back({GbkText::FromWide(wstrName), dwError});
        });
    }

    std::unique_ptr<IServiceSession> m_pSession = OpenServiceSession();
    std::vector<Failure> m_failures;
};

// One service by code, and the failures the caller is told of by name.
TEST_F(StartTypeApplierTest, OneServiceTakesTheCodeOrReportsWhyNot)
{
    CTestService service(Named(UniqueServiceName("QmApplyOne").c_str(), SERVICE_DEMAND_START));
    ASSERT_TRUE(service.Created());
    CStartTypeApplier applier = Applier();
    for (DWORD dwStartType : {SERVICE_AUTO_START, SERVICE_DISABLED, SERVICE_DEMAND_START})
    {
        EXPECT_EQ(0u, applier.ApplyToService(WideFromGbk(service.Name()), dwStartType));
        EXPECT_EQ(dwStartType, service.ConfiguredStartType());
    }
    // Boot start cannot be given to a Win32 service; a missing one is 1060.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), applier.ApplyToService(WideFromGbk(service.Name()), SERVICE_BOOT_START));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), applier.ApplyToService(WideFromGbk("QmNoSuchService"), 2));
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
    CStartTypeApplier applier = Applier();

    applier.ApplyProfile(2); // the safe profile disables Alerter
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), plain.ConfiguredStartType());

    ApplyRequest request;
    request.mode = kApplyFile;
    request.bTextGiven = true;
    request.strText = plain.Name() + "&已禁用\r\n" + driver.Name() + "&已禁用\r\n" + plain.Name() + "&自动\r\n" +
                      "Alerter&未知\r\nQmNotInstalled&自动\r\n";
    EXPECT_EQ(CStartTypeApplier::FileOutcome::Applied, applier.ApplyFile(request));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), plain.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), driver.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());

    request.bTextGiven = false;
    request.strPath = "C:\\windows\\temp\\qm_no_such_config.svc";
    EXPECT_EQ(CStartTypeApplier::FileOutcome::Unreadable, applier.ApplyFile(request));
    EXPECT_TRUE(m_failures.empty()) << "file records fail silently";
}
} // namespace
