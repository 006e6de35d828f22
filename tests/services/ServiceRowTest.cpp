#include "services/ServiceRow.h"

#include <gtest/gtest.h>

namespace
{
// What a row shows is written from its data: the pending word of a run
// command over the state, and the boot icon for a start type not known.
TEST(ServiceRowTest, TextsAndIconComeFromTheData)
{
    struct Case
    {
        std::uint32_t dwState;
        const char* pszPending;
        bool bKnown;
        std::uint32_t dwStartType;
        std::string strState, strStartType;
        int nImage;
    };
    const Case cases[] = {
        {ServiceTexts::kStateRunning, nullptr, true, ServiceTexts::kStartAuto, "已启动", "自动", 0},
        {ServiceTexts::kStateStopped, nullptr, true, ServiceTexts::kStartDemand, "", "手动", 1},
        {ServiceTexts::kStatePaused, nullptr, true, ServiceTexts::kStartDisabled, "已暂停", "已禁用", 2},
        {ServiceTexts::kStatePausePending, ServiceTexts::kPausing, true, ServiceTexts::kStartAuto, "正在暂停", "自动", 0},
        {ServiceTexts::kStatePausePending, nullptr, true, ServiceTexts::kStartAuto, "未知状态", "自动", 0},
        {ServiceTexts::kStateStopped, nullptr, false, ServiceTexts::kStartAuto, "", "未知", 2},
        {ServiceTexts::kStateStopped, nullptr, true, ServiceTexts::kStartBoot, "", "未知", 2},
    };
    for (const Case& c : cases)
    {
        ServiceRow row;
        row.state = ServiceTexts::RunStateOf(c.dwState);
        row.pszPendingWord = c.pszPending;
        row.bStartTypeKnown = c.bKnown;
        row.startType.dwCode = c.dwStartType;
        SCOPED_TRACE(c.strState + "|" + c.strStartType);
        EXPECT_EQ(c.strState, row.StateText());
        EXPECT_EQ(c.strStartType, row.StartTypeText());
        EXPECT_EQ(c.nImage, row.Image());
    }
}
} // namespace
