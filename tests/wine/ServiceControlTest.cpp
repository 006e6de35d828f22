// CServiceControl against Wine's real service control manager, with
// services registered from the test-bed program.
#include "services/ServiceControl.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"
#include "support/TextLists.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
// Polls the wrapper's state text until it reads strTarget, returning the
// distinct texts seen on the way (the target last).
std::vector<std::string> StatesUntil(CServiceControl& control, const std::string& strTarget,
                                     DWORD dwTimeoutMs = 15000)
{
    std::vector<std::string> seen;
    PollFor(
        [&] {
            std::string strState = "(query failed)";
            control.QueryStatus(&strState, nullptr);
            if (seen.empty() || seen.back() != strState)
                seen.push_back(strState);
            return strState == strTarget;
        },
        "state \"" + strTarget + "\"", dwTimeoutMs);
    return seen;
}

TEST(ServiceControlOpenTest, OpenAnswersWithTheManagersCodes)
{
    CTestService service(TestBed("QmOpen", ""));
    ASSERT_TRUE(service.Created());
    struct Case
    {
        std::string strName;
        DWORD dwExpected;
    };
    const Case cases[] = {
        {service.Name(), 0},
        {"qmopen" + service.Name().substr(6), 0}, // names match without case
        {service.Name() + " ", ERROR_SERVICE_DOES_NOT_EXIST},
        {UniqueServiceName("QmMissing"), ERROR_SERVICE_DOES_NOT_EXIST},
        {"", ERROR_INVALID_NAME},
    };
    CServiceControl control;
    for (const Case& c : cases)
    {
        SCOPED_TRACE("name \"" + c.strName + "\"");
        EXPECT_EQ(c.dwExpected, control.Open(c.strName, CServiceControl::kAccessRead));
        EXPECT_EQ(c.dwExpected == 0, control.ServiceHandle() != nullptr);
        control.Close();
        EXPECT_EQ(nullptr, control.ServiceHandle());
    }
}

// Every operation on no open service answers 6, whether no Open was made
// or the last one failed.
TEST(ServiceControlOpenTest, OperationsWithoutAnOpenServiceAnswerInvalidHandle)
{
    CServiceControl control;
    for (bool bFailedOpen : {false, true})
    {
        SCOPED_TRACE(bFailedOpen ? "after a failed open" : "without an open");
        if (bFailedOpen)
        {
            ASSERT_EQ(ERROR_SERVICE_DOES_NOT_EXIST,
                      control.Open(UniqueServiceName("QmMissing"), CServiceControl::kAccessDelete));
        }
        std::string strText = "kept";
        int nIndex = 7;
        DWORD dwAccepted = 99;
        SERVICE_STATUS status = {};
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.QueryStatus(&strText, &dwAccepted));
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.QueryConfig(&strText, &strText, &strText, &strText, &nIndex));
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.QueryDescription(&strText));
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.ChangeStartType("自动"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.Start());
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.Control(SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(ERROR_INVALID_HANDLE, control.StopAndDelete());
        // A failed query sets no output.
        EXPECT_EQ("kept", strText);
        EXPECT_EQ(7, nIndex);
        EXPECT_EQ(99u, dwAccepted);
    }
}

// Saying why is the caller's (see the main window's test).
TEST(ServiceControlOpenTest, WithoutAManagerOpenAnswersInvalidHandleAndRaisesNoBox)
{
    CMessageBoxWatcher watcher;
    CServiceControl control("QmNoSuchDatabase");
    ASSERT_EQ(nullptr, control.ManagerHandle());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), control.Open("Spooler", CServiceControl::kAccessRead));
    EXPECT_TRUE(watcher.Boxes().empty());
    EXPECT_EQ(ERROR_INVALID_HANDLE, control.Start());
}

TEST(ServiceControlStatusTest, RunStatesReadAsTheirTexts)
{
    CTestService service(TestBed("QmStates", "--accept=stop,pause --start-pending=700 --stop-pending=700 "
                                             "--pause-pending=700 --continue-pending=700"));
    ASSERT_TRUE(service.Created());
    CServiceControl control;
    ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessDelete));

    std::string strState = "x";
    ASSERT_EQ(0u, control.QueryStatus(&strState, nullptr));
    EXPECT_EQ("", strState) << "a stopped service reads as the empty text";

    SERVICE_STATUS status = {};
    struct Step
    {
        const char* pszWhat;
        std::function<DWORD()> action;
        std::string strPending;
        std::string strTarget;
    };
    const Step steps[] = {
        {"start", [&] { return control.Start(); }, "正在启动", "已启动"},
        {"pause", [&] { return control.Control(SERVICE_CONTROL_PAUSE, &status); }, "未知状态", "已暂停"},
        {"continue", [&] { return control.Control(SERVICE_CONTROL_CONTINUE, &status); }, "未知状态", "已启动"},
        {"stop", [&] { return control.Control(SERVICE_CONTROL_STOP, &status); }, "正在停止", ""},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        ASSERT_EQ(0u, step.action());
        std::vector<std::string> seen = StatesUntil(control, step.strTarget);
        ASSERT_EQ(step.strTarget, seen.back());
        EXPECT_TRUE(Contains(seen, step.strPending)) << "the pending state was never read";
    }
}

TEST(ServiceControlStatusTest, AcceptedControlsArePassedOnUnchanged)
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
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszAccept);
        CTestService service(TestBed("QmAccept", c.pszAccept));
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(service.StartAndWaitRunning());
        CServiceControl control;
        ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessRead));
        DWORD dwAccepted = 0xDEAD;
        std::string strState;
        ASSERT_EQ(0u, control.QueryStatus(nullptr, &dwAccepted));
        EXPECT_EQ(c.dwExpected, dwAccepted);
        ASSERT_EQ(0u, control.QueryStatus(&strState, nullptr));
        EXPECT_EQ("已启动", strState);
    }
}

TEST(ServiceControlConfigTest, StartTypesReadAsTextAndIndex)
{
    struct Case
    {
        const char* pszWhat;
        DWORD dwServiceType;
        DWORD dwStartType;
        std::string strText;
        int nIndex;
    };
    // Boot and system start exist only on driver entries.
    const std::string strDriver = "C:\\windows\\system32\\drivers\\null.sys";
    const Case cases[] = {
        {"automatic", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, "自动", 0},
        {"manual", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, "手动", 1},
        {"disabled", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED, "已禁用", 2},
        {"boot driver", SERVICE_KERNEL_DRIVER, SERVICE_BOOT_START, "未知", 2},
        {"system driver", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, "未知", 2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        TestServiceSpec spec = TestBed("QmStartType", "", c.dwStartType);
        spec.dwServiceType = c.dwServiceType;
        if (c.dwServiceType == SERVICE_KERNEL_DRIVER)
            spec.strBinaryPath = strDriver;
        CTestService service(spec);
        ASSERT_TRUE(service.Created());
        CServiceControl control;
        ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessRead));
        std::string strText;
        int nIndex = -1;
        ASSERT_EQ(0u, control.QueryConfig(&strText, nullptr, nullptr, nullptr, &nIndex));
        EXPECT_EQ(c.strText, strText);
        EXPECT_EQ(c.nIndex, nIndex);
    }
}

TEST(ServiceControlConfigTest, StartTypeIsSetOnlyWhenTextAndIndexAreBothWanted)
{
    CTestService service(TestBed("QmHalf", "", SERVICE_AUTO_START));
    ASSERT_TRUE(service.Created());
    CServiceControl control;
    ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessRead));
    std::string strText = "kept";
    std::string strDisplay;
    int nIndex = 7;
    ASSERT_EQ(0u, control.QueryConfig(&strText, nullptr, nullptr, &strDisplay, nullptr));
    EXPECT_EQ("kept", strText);
    EXPECT_EQ(service.Name(), strDisplay) << "the other outputs are still set";
    ASSERT_EQ(0u, control.QueryConfig(nullptr, nullptr, nullptr, nullptr, &nIndex));
    EXPECT_EQ(7, nIndex);
}

TEST(ServiceControlConfigTest, PathDisplayNameAndDescriptionComeBackAsStored)
{
    TestServiceSpec spec = TestBed("QmDetails", "--accept=stop");
    spec.strDisplayName = "测试服务甲";
    spec.strDescription = "用于测试的服务。\n第二行";
    CTestService described(spec);
    ASSERT_TRUE(described.Created());
    CTestService plain(TestBed("QmPlain", ""));
    ASSERT_TRUE(plain.Created());

    CServiceControl control;
    ASSERT_EQ(0u, control.Open(described.Name(), CServiceControl::kAccessRead));
    std::string strPath, strDependency = "kept", strDisplay, strDescription;
    ASSERT_EQ(0u, control.QueryConfig(nullptr, &strPath, &strDependency, &strDisplay, nullptr));
    EXPECT_EQ(CTestService::TestBedCommandLine("--accept=stop"), strPath);
    EXPECT_EQ("", strDependency);
    EXPECT_EQ("测试服务甲", strDisplay);
    ASSERT_EQ(0u, control.QueryDescription(&strDescription));
    EXPECT_EQ("用于测试的服务。\n第二行", strDescription);

    ASSERT_EQ(0u, control.Open(plain.Name(), CServiceControl::kAccessRead));
    strDescription = "kept";
    ASSERT_EQ(0u, control.QueryDescription(&strDescription));
    EXPECT_EQ("", strDescription) << "no description reads as the empty text";
}

// A record longer than the first 4096-byte buffer used to fail with 122 and
// end the program; it must be read whole, and shorter ones after it too.
TEST(ServiceControlConfigTest, RecordsLongerThanTheFirstBufferAreReadWhole)
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

    CServiceControl control;
    for (int nRound = 0; nRound < 2; ++nRound)
    {
        SCOPED_TRACE(nRound);
        std::string strPath, strDescription, strText;
        int nIndex = -1;
        ASSERT_EQ(0u, control.Open(longService.Name(), CServiceControl::kAccessRead));
        ASSERT_EQ(0u, control.QueryConfig(&strText, &strPath, nullptr, nullptr, &nIndex));
        EXPECT_EQ(CTestService::TestBedCommandLine(strPadding), strPath);
        EXPECT_EQ("手动", strText);
        ASSERT_EQ(0u, control.QueryDescription(&strDescription));
        EXPECT_EQ(spec.strDescription, strDescription);

        ASSERT_EQ(0u, control.Open(shortService.Name(), CServiceControl::kAccessRead));
        ASSERT_EQ(0u, control.QueryConfig(nullptr, &strPath, nullptr, nullptr, nullptr));
        EXPECT_EQ(CTestService::TestBedCommandLine("--accept=stop"), strPath);
        ASSERT_EQ(0u, control.QueryDescription(&strDescription));
        EXPECT_EQ("短", strDescription);
        control.Close();
    }
}

TEST(ServiceControlChangeTest, EachWordSetsItsStartType)
{
    CTestService service(TestBed("QmChange", ""));
    ASSERT_TRUE(service.Created());
    struct Case
    {
        std::string strWord;
        DWORD dwExpected;
    };
    // Alternating with manual, so that every step is a real change.
    const Case cases[] = {
        {"自动", SERVICE_AUTO_START}, {"已禁用", SERVICE_DISABLED}, {"手动", SERVICE_DEMAND_START},
        {"未知", SERVICE_DISABLED},   {"手动", SERVICE_DEMAND_START}, {"bogus", SERVICE_DISABLED},
        {"手动", SERVICE_DEMAND_START}, {"", SERVICE_DISABLED},       {"自动", SERVICE_AUTO_START},
    };
    CServiceControl control;
    for (const Case& c : cases)
    {
        SCOPED_TRACE("word \"" + c.strWord + "\"");
        ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessChangeConfig));
        EXPECT_EQ(0u, control.ChangeStartType(c.strWord));
        control.Close();
        EXPECT_EQ(c.dwExpected, service.ConfiguredStartType());
    }
}

// The database lock is released on the failure path as well: the next
// change goes through.
TEST(ServiceControlChangeTest, AFailedChangeLeavesTheDatabaseUnlocked)
{
    CTestService service(TestBed("QmLock", ""));
    ASSERT_TRUE(service.Created());
    CServiceControl control;
    ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessRead));
    EXPECT_EQ(ERROR_ACCESS_DENIED, control.ChangeStartType("自动"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());

    ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessChangeConfig));
    EXPECT_EQ(0u, control.ChangeStartType("自动"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), service.ConfiguredStartType());
}

TEST(ServiceControlDeleteTest, StoppedAndRunningServicesAreDeleted)
{
    for (bool bRunning : {false, true})
    {
        SCOPED_TRACE(bRunning ? "running" : "stopped");
        CTestService service(TestBed("QmDelete", "--accept=stop"));
        ASSERT_TRUE(service.Created());
        if (bRunning)
        {
            ASSERT_TRUE(service.StartAndWaitRunning());
        }
        CServiceControl control;
        ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessDelete));
        // Stopping a stopped service would have failed with 1062 and kept it.
        EXPECT_EQ(0u, control.StopAndDelete());
        control.Close();
        EXPECT_TRUE(service.WaitUntilGone());
    }
}

TEST(ServiceControlDeleteTest, AServiceThatWillNotStopIsNotDeleted)
{
    CTestService service(TestBed("QmKeep", "--accept=none"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());
    CServiceControl control;
    ASSERT_EQ(0u, control.Open(service.Name(), CServiceControl::kAccessDelete));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), control.StopAndDelete());
    control.Close();
    EXPECT_TRUE(service.Exists());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.CurrentState());
}

// The codes the manager answers reach the caller unchanged; each is one
// the error table has a message for.
TEST(ServiceControlErrorTest, RefusalsReachTheCallerAsTheirCodes)
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
        std::function<DWORD(CServiceControl&)> action;
        DWORD dwExpected;
    };
    SERVICE_STATUS status = {};
    auto start = [](CServiceControl& control) { return control.Start(); };
    auto control = [&status](DWORD dwCode) {
        return [&status, dwCode](CServiceControl& c) { return c.Control(dwCode, &status); };
    };
    const DWORD dwAll = CServiceControl::kAccessDelete;
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
        {"start without the right", "", SERVICE_DEMAND_START, "", false, CServiceControl::kAccessRead, start, 5},
        {"program missing", "", SERVICE_DEMAND_START, "C:\\qm\\no\\such\\program.exe", false, dwAll, start, 2},
        {"not a program", "", SERVICE_DEMAND_START, strNotExecutable, false, dwAll, start, 193},
        {"exits before reporting", "--exit-at-start", SERVICE_DEMAND_START, "", false, dwAll, start, 1053},
        {"never reports", "--never-report", SERVICE_DEMAND_START, "", false, dwAll, start, 1053},
    };
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
        CServiceControl wrapper;
        ASSERT_EQ(0u, wrapper.Open(service.Name(), c.dwAccess));
        EXPECT_EQ(c.dwExpected, c.action(wrapper));
    }

    // A control while the service is still stopping.
    CTestService slow(TestBed("QmSlow", "--accept=stop --stop-pending=3000"));
    ASSERT_TRUE(slow.Created());
    ASSERT_TRUE(slow.StartAndWaitRunning());
    CServiceControl wrapper;
    ASSERT_EQ(0u, wrapper.Open(slow.Name(), CServiceControl::kAccessDelete));
    ASSERT_EQ(0u, wrapper.Control(SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(slow.WaitForState(SERVICE_STOP_PENDING));
    EXPECT_EQ(1061u, wrapper.Control(SERVICE_CONTROL_STOP, &status));
    DeleteFileA(strNotExecutable.c_str());
}
} // namespace
