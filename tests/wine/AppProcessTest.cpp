// Quillmere as a user runs it: the real program in its own process, found
// by its window and driven with real input.
#include "res/resource.h"
#include "support/Input.h"
#include "support/ProgramProcess.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
TEST(AppProcessTest, EscClosesTheMainWindowWithoutAQuestion)
{
    CProgramProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kProgramTitle);
    ASSERT_NE(nullptr, hMain);
    SetForegroundWindow(hMain);
    SetFocus(hMain);
    PressKey(VK_ESCAPE);
    DWORD dwExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&dwExitCode)) << "quillmere.exe still runs";
    EXPECT_EQ(0u, dwExitCode);
}

TEST(AppProcessTest, TheCloseButtonEndsTheProgram)
{
    CProgramProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kProgramTitle);
    ASSERT_NE(nullptr, hMain);
    RECT rect;
    GetWindowRect(GetDlgItem(hMain, IDC_BTN_CLOSE), &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    DWORD dwExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&dwExitCode)) << "quillmere.exe still runs";
    EXPECT_EQ(0u, dwExitCode);
}

// A service gone behind the program is one service's failure: its message,
// its row leaves, and the program goes on.
TEST(AppProcessTest, AServiceGoneBehindTheProgramNeverEndsIt)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName("QmFatal");
    auto pService = std::make_unique<CTestService>(spec);
    ASSERT_TRUE(pService->Created());

    CProgramProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kProgramTitle);
    ASSERT_NE(nullptr, hMain);
    HWND hList = GetDlgItem(hMain, IDC_SERVICE_LIST);
    int nRow = -1;
    int nCount = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount && nRow == -1; ++i)
    {
        if (program.ListText(hList, i, 1) == spec.strName)
            nRow = i;
    }
    ASSERT_NE(-1, nRow);

    // Gone behind the program's back, then clicked.
    pService.reset();
    RECT rect = program.ListItemRect(hList, nRow);
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(hList, &pt);
    ClickAt(pt);

    HWND hBox = program.WaitForWindow("提示");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ("服务不存在(错误代码1060),本次操作失败!", TextOfOtherProcessWindow(GetDlgItem(hBox, 0xFFFF)));
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    PollFor([hBox] { return !IsWindow(hBox); }, "the box closing");
    ASSERT_FALSE(IsWindow(hBox));
    EXPECT_TRUE(program.Running());
    int nNow = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(nCount - 1, nNow) << "the row left with its service";
    for (int i = 0; i < nNow; ++i)
        EXPECT_NE(spec.strName, program.ListText(hList, i, 1));
}
} // namespace
