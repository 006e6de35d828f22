// The registry walks behind the startup items and the dependents list, on
// real keys of the registry that change while they are walked.
#include "common/RegKey.h"
#include "common/GbkText.h"
#include "common/RegistryListing.h"
#include "services/StandInSession.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
const std::string kTestRoot = "Software\\Quillmere tests";

// Deletes a key with everything under it.
LONG DeleteKeyTree(HKEY hRoot, const std::string& strPath)
{
    return DeleteRegistryTree(hRoot, GbkText::ToWide(strPath));
}

// A key of the test's own under HKCU, made with what a case asks for and
// deleted again at the end.
class CTestKey
{
public:
    explicit CTestKey(const std::string& strName) : m_strPath(kTestRoot + "\\" + strName)
    {
        DeleteKeyTree(HKEY_CURRENT_USER, m_strPath);
        m_nCreated = m_key.Create(HKEY_CURRENT_USER, m_strPath.c_str(), KEY_ALL_ACCESS);
    }
    ~CTestKey()
    {
        m_key.Close();
        DeleteKeyTree(HKEY_CURRENT_USER, m_strPath);
    }
    CTestKey(const CTestKey&) = delete;
    CTestKey& operator=(const CTestKey&) = delete;

    testing::AssertionResult Created() const
    {
        if (m_nCreated != ERROR_SUCCESS)
            return testing::AssertionFailure() << "creating " << m_strPath << " failed with " << m_nCreated;
        return testing::AssertionSuccess();
    }
    HKEY Handle() const { return m_key.Get(); }
    const std::string& Path() const { return m_strPath; }

    testing::AssertionResult SetValue(const std::string& strName, const std::string& strData) const
    {
        LONG nResult = RegSetValueExA(m_key.Get(), strName.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(strData.c_str()),
                                      static_cast<DWORD>(strData.size() + 1));
        if (nResult != ERROR_SUCCESS)
            return testing::AssertionFailure() << "setting " << strName << " failed with " << nResult;
        return testing::AssertionSuccess();
    }
    testing::AssertionResult AddSubkey(const std::string& strName) const
    {
        CRegKey subkey;
        LONG nResult = subkey.Create(m_key.Get(), strName.c_str(), KEY_ALL_ACCESS);
        if (nResult != ERROR_SUCCESS)
            return testing::AssertionFailure() << "creating subkey " << strName << " failed with " << nResult;
        return testing::AssertionSuccess();
    }
    LONG Delete() const { return DeleteKeyTree(HKEY_CURRENT_USER, m_strPath); }

private:
    std::string m_strPath;
    CRegKey m_key;
    LONG m_nCreated = ERROR_SUCCESS;
};

// Runs a walk on a thread of its own, so that a walk that never ends shows
// as a failure rather than a hung test program.
struct Walk
{
    std::function<LONG()> run;
    LONG nResult = -1;
};

DWORD WINAPI RunWalk(void* pParameter)
{
    auto* pWalk = static_cast<Walk*>(pParameter);
    pWalk->nResult = pWalk->run();
    return 0;
}

// The walk's result, or a failure when it was still going after the time
// allowed (far longer than any walk of a few entries takes).
testing::AssertionResult WalkEnds(std::function<LONG()> run, LONG* pnResult)
{
    auto* pWalk = new Walk{std::move(run)};
    HANDLE hThread = CreateThread(nullptr, 0, RunWalk, pWalk, 0, nullptr);
    if (hThread == nullptr)
    {
        delete pWalk;
        return testing::AssertionFailure() << "no thread: " << GetLastError();
    }
    DWORD dwWait = WaitForSingleObject(hThread, 30000);
    if (dwWait != WAIT_OBJECT_0)
    {
        // The walk is stopped where it spins; its state is let go with it.
        TerminateThread(hThread, 1);
        CloseHandle(hThread);
        return testing::AssertionFailure() << "the walk was still going after 30 s";
    }
    CloseHandle(hThread);
    *pnResult = pWalk->nResult;
    delete pWalk;
    return testing::AssertionSuccess();
}

const std::string kLongChineseName = [] {
    std::string strName = "长";
    for (int i = 0; i < 199; ++i)
        strName += "名";
    return strName; // 200 characters, 400 bytes
}();

TEST(RegistryListingTest, ValueWalkEndsWithWhatWasReadWhenTheKeyChanges)
{
    struct Case
    {
        const char* pszWhat;
        int nValues;
        int nActAfter;        // after this many values have been seen (-1: before the walk)
        bool bDeleteKey;      // the act: delete the key, or make the last value larger
        int nExpectedSeen;
        LONG nExpectedResult; // what the walk ends with
    };
    const Case cases[] = {
        {"deleted before the walk", 4, -1, true, 0, ERROR_KEY_DELETED},
        {"deleted after the first value", 4, 1, true, 1, ERROR_KEY_DELETED},
        {"deleted after the third value", 4, 3, true, 3, ERROR_KEY_DELETED},
        {"a value grown after the sizes were read", 4, 1, false, 4, ERROR_SUCCESS},
        {"nothing happens", 4, 100, true, 4, ERROR_SUCCESS},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CTestKey key("values");
        ASSERT_TRUE(key.Created());
        std::vector<std::string> names;
        for (int i = 0; i < c.nValues; ++i)
        {
            names.push_back("值" + std::to_string(i));
            ASSERT_TRUE(key.SetValue(names.back(), "data " + std::to_string(i)));
        }
        const std::string strGrown = std::string(5000, 'g') + "命令";

        CRegKey walked;
        ASSERT_EQ(ERROR_SUCCESS, walked.Open(HKEY_CURRENT_USER, key.Path().c_str(), KEY_QUERY_VALUE));
        HKEY hKey = walked.Get();
        auto act = [&] {
            if (c.bDeleteKey)
            {
                EXPECT_EQ(ERROR_SUCCESS, key.Delete());
            }
            else
            {
                EXPECT_TRUE(key.SetValue(names.back(), strGrown));
            }
        };
        if (c.nActAfter < 0)
            act();
        std::vector<std::pair<std::string, std::string>> seen;
        LONG nResult = -1;
        auto walk = [&] {
            return ForEachRegistryValue(hKey, [&](const std::wstring& wstrName, DWORD dwType, const BYTE* pData,
                                                  DWORD dwDataSize) {
                EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType);
                // Names and string data come back as UTF-16.
                std::wstring wstrData(reinterpret_cast<const wchar_t*>(pData), dwDataSize / sizeof(wchar_t));
                seen.emplace_back(GbkText::FromWide(wstrName), GbkText::FromWide(wstrData.substr(0, wstrData.find(L'\0'))));
                if (static_cast<int>(seen.size()) == c.nActAfter)
                    act();
            });
        };
        ASSERT_TRUE(WalkEnds(walk, &nResult));
        walked.Close();
        EXPECT_EQ(c.nExpectedResult, nResult);
        ASSERT_EQ(static_cast<std::size_t>(c.nExpectedSeen), seen.size());
        for (int i = 0; i < c.nExpectedSeen; ++i)
        {
            EXPECT_EQ(names[i], seen[i].first);
            bool bGrown = !c.bDeleteKey && i == c.nValues - 1;
            EXPECT_EQ(bGrown ? strGrown : "data " + std::to_string(i), seen[i].second);
        }
    }
}

TEST(RegistryListingTest, SubkeyWalkEndsWithWhatWasReadWhenTheKeyChanges)
{
    struct Case
    {
        const char* pszWhat;
        std::vector<std::string> subkeys; // in the order the registry gives them
        int nDeleteAfter;                 // -1: before the walk; past the end: never
        int nExpectedSeen;
        LONG nExpectedResult;
    };
    const Case cases[] = {
        {"deleted before the walk", {"a", "b", "c"}, -1, 0, ERROR_KEY_DELETED},
        {"deleted after the first subkey", {"a", "b", "c"}, 1, 1, ERROR_KEY_DELETED},
        {"deleted after the second subkey", {"a", "b", "c"}, 2, 2, ERROR_KEY_DELETED},
        {"a name longer than 255 bytes", {"a", "b", kLongChineseName}, 100, 3, ERROR_SUCCESS},
        {"nothing happens", {"a", "b", "c"}, 100, 3, ERROR_SUCCESS},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        CTestKey key("subkeys");
        ASSERT_TRUE(key.Created());
        for (const std::string& strName : c.subkeys)
            ASSERT_TRUE(key.AddSubkey(strName));
        CRegKey walked;
        ASSERT_EQ(ERROR_SUCCESS, walked.Open(HKEY_CURRENT_USER, key.Path().c_str(), KEY_READ));
        HKEY hKey = walked.Get();
        if (c.nDeleteAfter < 0)
        {
            ASSERT_EQ(ERROR_SUCCESS, key.Delete());
        }
        std::vector<std::string> seen;
        LONG nResult = -1;
        auto walk = [&] {
            return ForEachRegistrySubkey(hKey, [&](const std::wstring& wstrName) {
                seen.push_back(GbkText::FromWide(wstrName));
                if (static_cast<int>(seen.size()) == c.nDeleteAfter)
                {
                    EXPECT_EQ(ERROR_SUCCESS, key.Delete());
                }
            });
        };
        ASSERT_TRUE(WalkEnds(walk, &nResult));
        walked.Close();
        EXPECT_EQ(c.nExpectedResult, nResult);
        EXPECT_EQ(std::vector<std::string>(c.subkeys.begin(), c.subkeys.begin() + c.nExpectedSeen), seen);
    }
}
} // namespace
