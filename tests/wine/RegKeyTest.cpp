// CRegKey on real keys: each key it is given is closed exactly once, by
// whoever holds it last.
#include "common/RegKey.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

namespace
{
const char* const kPath = "Software\\Quillmere tests\\regkey\\inner";

// Whether a handle still names an open key (a closed one answers 6).
LONG QueryOf(HKEY hKey)
{
    return RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
}

class RegKeyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, kPath);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillmere tests\\regkey");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(RegKeyTest, OpenAndCreateAnswerWithTheRegistrysCodes)
{
    CRegKey key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, kPath, KEY_READ));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(nullptr, key.Get());

    // Create makes the keys above too; a later Open finds it.
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS));
    HKEY hCreated = key.Get();
    EXPECT_EQ(ERROR_SUCCESS, QueryOf(hCreated));
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kPath, KEY_READ));
    EXPECT_EQ(ERROR_INVALID_HANDLE, QueryOf(hCreated)) << "the key held before is closed";
    HKEY hOpened = key.Get();

    // A failed open leaves nothing held, and closes what was.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, "Software\\Quillmere tests\\no such key", KEY_READ));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(ERROR_INVALID_HANDLE, QueryOf(hOpened));
}

TEST_F(RegKeyTest, TheLastHolderClosesTheKey)
{
    struct Case
    {
        const char* pszWhat;
        // Hands the key on from the first owner; returns the handle the
        // survivor should hold, or nullptr when it holds none.
        std::function<HKEY(CRegKey& first, CRegKey& survivor)> handOn;
    };
    const Case cases[] = {
        {"moved into an empty owner", [](CRegKey& first, CRegKey& survivor) {
             survivor = std::move(first);
             return survivor.Get();
         }},
        {"moved on through another owner", [](CRegKey& first, CRegKey& survivor) {
             CRegKey moved(std::move(first));
             survivor = std::move(moved);
             return survivor.Get();
         }},
        {"moved over an open key", [](CRegKey& first, CRegKey& survivor) {
             EXPECT_EQ(ERROR_SUCCESS, survivor.Open(HKEY_CURRENT_USER, kPath, KEY_READ));
             HKEY hOld = survivor.Get();
             survivor = std::move(first);
             EXPECT_EQ(ERROR_INVALID_HANDLE, QueryOf(hOld)) << "the key moved over is closed";
             return survivor.Get();
         }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        HKEY hKey = nullptr;
        HKEY hHeld = nullptr;
        {
            CRegKey survivor;
            {
                CRegKey first;
                ASSERT_EQ(ERROR_SUCCESS, first.Create(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS));
                hKey = first.Get();
                hHeld = c.handOn(first, survivor);
                EXPECT_FALSE(first.IsOpen()) << "the first owner let it go";
            }
            EXPECT_EQ(hKey, hHeld);
            EXPECT_EQ(ERROR_SUCCESS, QueryOf(hKey)) << "still open after the first owner went";
        }
        EXPECT_EQ(ERROR_INVALID_HANDLE, QueryOf(hKey)) << "closed with the survivor";
    }

    // Released, the key is the caller's to close.
    HKEY hReleased = nullptr;
    {
        CRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS));
        hReleased = key.Release();
        EXPECT_FALSE(key.IsOpen());
    }
    EXPECT_EQ(ERROR_SUCCESS, QueryOf(hReleased));
    RegCloseKey(hReleased);
}
} // namespace
