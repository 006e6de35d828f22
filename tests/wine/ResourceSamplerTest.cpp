// The soak's sampler counts what a program holds: two runs of a target that
// differ only in how much they hold must differ by exactly that.
#include "soak/ResourceSampler.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{
class CTarget
{
public:
    explicit CTarget(int nCount)
    {
        std::string strEvent = "QmSoakTarget_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(nCount);
        m_hReady = CreateEventA(nullptr, TRUE, FALSE, strEvent.c_str());
        char szPath[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        std::string strPath = szPath;
        strPath = strPath.substr(0, strPath.find_last_of('\\') + 1) + "qm_soak_target.exe";
        std::string strCommand = "\"" + strPath + "\" " + std::to_string(nCount) + " " + strEvent;
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
        CloseHandle(m_hReady);
    }

    testing::AssertionResult Sample(ResourceSample* pSample)
    {
        if (m_process.hProcess == nullptr)
            return testing::AssertionFailure() << "the target did not start: " << GetLastError();
        HANDLE handles[] = {m_hReady, m_process.hProcess};
        if (WaitForMultipleObjects(2, handles, FALSE, 30000) != WAIT_OBJECT_0)
            return testing::AssertionFailure() << "the target ended or never got ready";
        CResourceSampler sampler(m_process.dwProcessId);
        std::string strError;
        // The probe's first look makes the target set up its USER side,
        // which the program under soak has long done: the second counts.
        if (!sampler.Attach(&strError) || !sampler.Sample(pSample, &strError) || !sampler.Sample(pSample, &strError))
            return testing::AssertionFailure() << strError;
        return testing::AssertionSuccess();
    }

private:
    HANDLE m_hReady = nullptr;
    PROCESS_INFORMATION m_process = {};
};

TEST(ResourceSamplerTest, CountsWhatTheProgramHolds)
{
    const int kCount = 40;
    ResourceSample none, some;
    {
        CTarget target(0);
        ASSERT_TRUE(target.Sample(&none));
    }
    {
        CTarget target(kCount);
        ASSERT_TRUE(target.Sample(&some));
    }
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
    EXPECT_GE(some.dwCpuMs, static_cast<DWORD>(kCount * 20));
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
