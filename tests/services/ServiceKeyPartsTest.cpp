#include "services/ServiceKeyParts.h"

#include <gtest/gtest.h>

namespace
{
using namespace ServiceKeyParts;

// Every level laid out as the manager stores it reads back as it was told.
TEST(ServiceKeyPartsTest, EachLevelReadsBackFromTheKeyItIsStoredAs)
{
    Parts told;
    told.failureActions = {86400, {{1, 60000}, {0, 0}, {3, 5}}, true, L"重启", true, L"C:\\run.exe /x"};
    told.bNonCrashFailures = true;
    told.bDelayed = true;
    told.privileges = {L"SeChangeNotifyPrivilege", L"SeImpersonatePrivilege"};
    told.dwSidType = 3;
    told.triggers = {{1, 1, std::string(16, '\x7A'), {{2, std::string("U\0S\0B\0\0\0\0\0", 10)}, {1, "\x01"}}},
                     {20, 2, std::string(16, '\x01'), {}}};
    KeyCopy key;
    for (uint32_t dwLevel : {kLevelFailureActions, kLevelDelayedAutoStart, kLevelFailureActionsFlag, kLevelSidType,
                             kLevelRequiredPrivileges, kLevelTriggers})
    {
        KeyCopy level = ToKey(told, dwLevel);
        key.subkeys.insert(key.subkeys.end(), level.subkeys.begin(), level.subkeys.end());
        key.values.insert(key.values.end(), level.values.begin(), level.values.end());
    }
    Parts read = FromKey(key);
    EXPECT_EQ((std::vector<uint32_t>{2, 3, 4, 5, 6, 8}), read.Levels());
    EXPECT_EQ(told.failureActions.dwResetPeriod, read.failureActions.dwResetPeriod);
    ASSERT_EQ(3u, read.failureActions.actions.size());
    EXPECT_EQ(60000u, read.failureActions.actions[0].dwDelay);
    EXPECT_EQ(3u, read.failureActions.actions[2].dwType);
    EXPECT_EQ(L"重启", read.failureActions.wstrRebootMessage);
    EXPECT_EQ(L"C:\\run.exe /x", read.failureActions.wstrCommand);
    EXPECT_TRUE(read.bNonCrashFailures && read.bDelayed);
    EXPECT_EQ(told.privileges, read.privileges);
    EXPECT_EQ(3u, read.dwSidType);
    ASSERT_EQ(2u, read.triggers.size());
    EXPECT_EQ(told.triggers[0].subtype, read.triggers[0].subtype);
    ASSERT_EQ(2u, read.triggers[0].items.size());
    EXPECT_EQ(told.triggers[0].items[0].data, read.triggers[0].items[0].data);
    EXPECT_EQ(20u, read.triggers[1].dwType);
    EXPECT_TRUE(read.triggers[1].items.empty());
}

// Bytes not in the manager's layout are left to the key alone.
TEST(ServiceKeyPartsTest, PartsNotInTheManagersLayoutAreNotToldToIt)
{
    auto partsOf = [](std::vector<KeyValueCopy> values, std::vector<std::wstring> subkeys = {}) {
        KeyCopy key;
        key.values = std::move(values);
        key.subkeys = std::move(subkeys);
        return FromKey(key).Levels();
    };
    const std::string kHeader(12, '\0');
    EXPECT_EQ(std::vector<uint32_t>{}, partsOf({{L"", L"FailureActions", 3, std::string(19, '\0')}}));
    EXPECT_EQ(std::vector<uint32_t>{},
              partsOf({{L"", L"FailureActions", 3, kHeader + std::string("\x02\0\0\0\0\0\0\0", 8) + "12345678"}}));
    EXPECT_EQ(std::vector<uint32_t>{}, partsOf({{L"", L"DelayedAutostart", 3, std::string(4, '\1')}}));
    EXPECT_EQ(std::vector<uint32_t>{}, partsOf({{L"", L"RequiredPrivileges", 1, "S\0\0\0"}}));
    EXPECT_EQ(std::vector<uint32_t>{}, partsOf({{L"TriggerInfo\\0", L"Type", 4, std::string(4, '\0')}},
                                               {L"TriggerInfo", L"TriggerInfo\\0"}));
    EXPECT_EQ(std::vector<uint32_t>{8}, partsOf({}, {L"TriggerInfo"}));
}

TEST(ServiceKeyPartsTest, DifferencesNameEachItemOnce)
{
    KeyCopy wanted;
    wanted.subkeys = {L"Parameters", L"Security"};
    wanted.values = {{L"", L"Start", 4, std::string("\2\0\0\0", 4)}, {L"Parameters", L"ServiceDll", 2, "a"},
                     {L"", L"", 1, "d"}};
    KeyCopy found = wanted;
    EXPECT_EQ(std::vector<std::wstring>{}, KeyDifferences(wanted, found));
    found.subkeys = {L"PARAMETERS", L"Extra"};
    found.values = {{L"", L"start", 4, std::string("\3\0\0\0", 4)}, {L"parameters", L"servicedll", 7, "a"},
                    {L"Extra", L"x", 1, ""}, {L"", L"More", 1, ""}};
    EXPECT_EQ((std::vector<std::wstring>{L"Security", L"Start", L"Parameters\\ServiceDll", L"(默认)", L"Extra", L"More"}),
              KeyDifferences(wanted, found));
}
} // namespace
