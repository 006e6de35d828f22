// CServicesKey against the manager's real registry store: start types as
// stored, and the dependency lists that Wine's own calls leave empty.
#include "services/ServiceRegistry.h"

#include "common/AsciiText.h"
#include "support/TestServices.h"
#include "support/TextLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ServiceRegistryTest, StartTypesAreReadAsStored)
{
    struct Case
    {
        const char* pszWhat;
        DWORD dwServiceType;
        DWORD dwCreatedAs;
        std::function<testing::AssertionResult(CTestService&)> prepare;
        bool bRead;
        DWORD dwExpected;
    };
    auto none = [](CTestService&) { return testing::AssertionSuccess(); };
    const DWORD dwWin32 = SERVICE_WIN32_OWN_PROCESS;
    const Case cases[] = {
        {"automatic", dwWin32, SERVICE_AUTO_START, none, true, SERVICE_AUTO_START},
        {"manual", dwWin32, SERVICE_DEMAND_START, none, true, SERVICE_DEMAND_START},
        {"disabled", dwWin32, SERVICE_DISABLED, none, true, SERVICE_DISABLED},
        {"boot driver", SERVICE_KERNEL_DRIVER, SERVICE_BOOT_START, none, true, SERVICE_BOOT_START},
        {"system start written to the store", dwWin32, SERVICE_DEMAND_START,
         [](CTestService& service) { return service.SetStoredDword("Start", SERVICE_SYSTEM_START); }, true,
         SERVICE_SYSTEM_START},
        {"text", dwWin32, SERVICE_DEMAND_START,
         [](CTestService& service) { return service.SetStoredValue("Start", REG_SZ, std::string("2\0", 2)); },
         false, 0},
        // A DWORD's size, not its type.
        {"four binary bytes", dwWin32, SERVICE_DEMAND_START,
         [](CTestService& service) {
             return service.SetStoredValue("Start", REG_BINARY, std::string("\x02\0\0\0", 4));
         },
         false, 0},
        {"eight binary bytes", dwWin32, SERVICE_DEMAND_START,
         [](CTestService& service) { return service.SetStoredValue("Start", REG_BINARY, std::string(8, '\x02')); },
         false, 0},
        {"no Start value", dwWin32, SERVICE_DEMAND_START,
         [](CTestService& service) { return service.DeleteStoredValue("Start"); }, false, 0},
    };
    CServicesKey servicesKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(servicesKey.IsOpen());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec definition = TestBed("QmStoreStart", "", c.dwCreatedAs);
        definition.dwServiceType = c.dwServiceType;
        if (c.dwServiceType == SERVICE_KERNEL_DRIVER)
            definition.strBinaryPath = "C:\\windows\\system32\\drivers\\null.sys";
        CTestService service(definition);
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(c.prepare(service));
        DWORD dwRead = 0xDEAD;
        EXPECT_EQ(c.bRead, servicesKey.ReadStartType(WideFromGbk(service.Name()), &dwRead));
        EXPECT_EQ(c.bRead ? c.dwExpected : 0xDEAD, dwRead) << "nothing is written when nothing was read";
    }
    DWORD dwRead = 0xDEAD;
    EXPECT_FALSE(servicesKey.ReadStartType(WideFromGbk(UniqueServiceName("QmStoreNeverRegistered")), &dwRead));
    EXPECT_EQ(0xDEADu, dwRead);
}

TEST(ServiceRegistryTest, DependenciesAreReadFromTheStore)
{
    const std::string strGbkName = UniqueServiceName("QmStore依赖服务");
    struct Case
    {
        const char* pszWhat;
        std::vector<std::string> dependencies; // given at registration
        std::function<testing::AssertionResult(CTestService&)> prepare;
        std::vector<std::string> expected;
    };
    auto none = [](CTestService&) { return testing::AssertionSuccess(); };
    const Case cases[] = {
        {"none", {}, none, {}},
        {"services, then groups", {"QmStoreA", "+QmStoreGroup", "QmStoreB"}, none,
         {"QmStoreA", "QmStoreB", "+QmStoreGroup"}},
        {"a GBK name", {strGbkName}, none, {strGbkName}},
        {"one name stored as text", {},
         [](CTestService& service) {
             return service.SetStoredValue("DependOnService", REG_SZ, std::string("QmStoreSingle\0", 14));
         },
         {"QmStoreSingle"}},
        {"a list without its closing NULs", {},
         [](CTestService& service) {
             return service.SetStoredValue("DependOnService", REG_MULTI_SZ, std::string("QmStoreA\0QmStoreB", 17));
         },
         {"QmStoreA", "QmStoreB"}},
        {"a list of another type", {},
         [](CTestService& service) {
             return service.SetStoredValue("DependOnService", REG_BINARY, std::string("QmStoreA\0\0", 10));
         },
         {}},
    };
    CServicesKey servicesKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(servicesKey.IsOpen());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec definition = TestBed("QmStoreDepends");
        definition.dependencies = c.dependencies;
        CTestService service(definition);
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(c.prepare(service));
        EXPECT_EQ(c.expected, InGbk(servicesKey.ReadDependencies(WideFromGbk(service.Name()))));
    }
    EXPECT_EQ(std::vector<std::string>{}, InGbk(servicesKey.ReadDependencies(WideFromGbk(UniqueServiceName("QmStoreNeverRegistered")))));
}

// Every service naming the target in DependOnService, without regard to the
// case of ASCII letters; a group of that name or a name that only looks
// alike is not the target.
TEST(ServiceRegistryTest, DependentsAreTheServicesNamingTheTarget)
{
    TestServiceSpec targetDefinition = TestBed("QmStoreTarget");
    // A trail byte that reads as 'A', and the same character with 'a'.
    TestServiceSpec gbkTargetDefinition = TestBed("QmStoreGbk");
    gbkTargetDefinition.strName += "\x81\x41";
    const std::string strTarget = targetDefinition.strName;
    const std::string strGbkTarget = gbkTargetDefinition.strName;
    const std::string strGbkOther = strGbkTarget.substr(0, strGbkTarget.size() - 1) + "\x61";
    CTestService target(targetDefinition);
    CTestService gbkTarget(gbkTargetDefinition);
    ASSERT_TRUE(target.Created());
    ASSERT_TRUE(gbkTarget.Created());

    struct Dependent
    {
        const char* pszStem;
        std::vector<std::string> dependencies;
    };
    const Dependent dependents[] = {
        {"QmStoreFirst", {strTarget}},
        {"QmStoreFolded", {"QmStoreOther", AsciiLower(strTarget)}},
        {"QmStoreLonger", {strTarget + "x"}},
        {"QmStoreGroup", {"+" + strTarget}},
        {"QmStoreGbkOne", {strGbkTarget}},
        {"QmStoreGbkOther", {strGbkOther}},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const Dependent& dependent : dependents)
    {
        TestServiceSpec definition = TestBed(dependent.pszStem);
        definition.dependencies = dependent.dependencies;
        services.push_back(std::make_unique<CTestService>(definition));
        ASSERT_TRUE(services.back()->Created());
    }
    CServicesKey servicesKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(servicesKey.IsOpen());
    EXPECT_EQ(Sorted({services[0]->Name(), services[1]->Name()}), Sorted(InGbk(servicesKey.ReadDependents(WideFromGbk(strTarget)))));
    EXPECT_EQ(std::vector<std::string>{services[4]->Name()}, InGbk(servicesKey.ReadDependents(WideFromGbk(strGbkTarget))));
    EXPECT_EQ(std::vector<std::string>{}, InGbk(servicesKey.ReadDependents(WideFromGbk(services[0]->Name()))));
}
} // namespace
