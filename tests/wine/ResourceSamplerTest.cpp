// The soak's sampler counts what a program holds: two runs of a target that
// differ only in how much they hold must differ by exactly that.
#include "soak/ResourceSampler.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{
// The target, sampled before and after it makes its objects: one process,
// so that only those objects lie between the two samples.
class CTarget
{
public:
    explicit CTarget(int nCount)
    {
        std::string strEvents = "QmSoakTarget_" + std::to_string(GetCurrentProcessId());
        for (int i = 0; i < 3; ++i)
            m_hEvents[i] = CreateEventA(nullptr, TRUE, FALSE, (strEvents + kSuffixes[i]).c_str());
        char szPath[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        std::string strPath = szPath;
        strPath = strPath.substr(0, strPath.find_last_of('\\') + 1) + "qm_soak_target.exe";
        std::string strCommand = "\"" + strPath + "\" " + std::to_string(nCount) + " " + strEvents;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        if (CreateProcessA(strPath.c_str(), &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &m_process))
            CloseHandle(m_process.hThread);
        else
            m_process.hProcess = nullptr;
    }
    ~CTarget()
    {
        if (m_process.hProcess != nullptr)
        {
            TerminateProcess(m_process.hProcess, 0);
            WaitForSingleObject(m_process.hProcess, 5000);
            CloseHandle(m_process.hProcess);
        }
        for (HANDLE hEvent : m_hEvents)
            CloseHandle(hEvent);
    }

    testing::AssertionResult SampleBeforeAndAfter(ResourceSample* pBefore, ResourceSample* pAfter)
    {
        if (m_process.hProcess == nullptr)
            return testing::AssertionFailure() << "the target did not start: " << GetLastError();
        if (!WaitFor(m_hEvents[0]))
            return testing::AssertionFailure() << "the target ended or never got ready";
        CResourceSampler sampler(m_process.dwProcessId);
        std::string strError;
        // The probe's first look makes the target set up its USER side,
        // which the program under soak has long done: the second counts.
        if (!sampler.Attach(&strError) || !sampler.Sample(pBefore, &strError) || !sampler.Sample(pBefore, &strError))
            return testing::AssertionFailure() << strError;
        SetEvent(m_hEvents[1]);
        if (!WaitFor(m_hEvents[2]))
            return testing::AssertionFailure() << "the target ended before it held its objects";
        if (!sampler.Sample(pAfter, &strError))
            return testing::AssertionFailure() << strError;
        return testing::AssertionSuccess();
    }

private:
    static constexpr const char* kSuffixes[] = {"_ready", "_go", "_holding"};

    bool WaitFor(HANDLE hEvent) const
    {
        HANDLE handles[] = {hEvent, m_process.hProcess};
        return WaitForMultipleObjects(2, handles, FALSE, 30000) == WAIT_OBJECT_0;
    }

    HANDLE m_hEvents[3] = {};
    PROCESS_INFORMATION m_process = {};
};

TEST(ResourceSamplerTest, CountsWhatTheProgramHolds)
{
    const int kCount = 40;
    ResourceSample none, some;
    CTarget target(kCount);
    ASSERT_TRUE(target.SampleBeforeAndAfter(&none, &some));
    // An event each, and a few of Wine's own for the objects below.
    EXPECT_GE(some.dwKernelHandles, none.dwKernelHandles + kCount);
    EXPECT_LE(some.dwKernelHandles, none.dwKernelHandles + kCount + 10);
    // A brush each, and the few bitmaps each icon keeps.
    EXPECT_GE(some.dwGdiObjects, none.dwGdiObjects + kCount);
    EXPECT_LE(some.dwGdiObjects, none.dwGdiObjects + 5 * kCount);
    // A menu and an icon each.
    EXPECT_GE(some.dwUserObjects, none.dwUserObjects + 2 * kCount);
    EXPECT_LE(some.dwUserObjects, none.dwUserObjects + 2 * kCount + 4);
    EXPECT_GE(some.dwPrivateKb, none.dwPrivateKb + kCount * 256);
    EXPECT_LT(some.dwPrivateKb, none.dwPrivateKb + kCount * 256 + 8192) << "nothing much beyond the blocks";
    EXPECT_GE(some.dwCpuMs, none.dwCpuMs + kCount * 20);
    EXPECT_GT(none.dwKernelHandles, 0u);
    EXPECT_GT(none.dwGdiObjects, 0u) << "the stock objects";
}

TEST(ResourceSamplerTest, SaysWhenTheProcessCannotBeReached)
{
    CResourceSampler sampler(0xFFFFFFF0);
    std::string strError;
    EXPECT_FALSE(sampler.Attach(&strError));
    EXPECT_NE(std::string::npos, strError.find("OpenProcess")) << strError;
}
} // namespace
