// The tick boxes of the preview as the user meets them: an import whose
// rows are ticked or held, changed by clicks and keys, and only the ticked
// services changed; and the services Windows needs to start, read from a
// computer's store.
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/StandInComputer.h"
#include "support/TestFiles.h"
#include "support/TickBoxes.h"

#include "changes/ChangePlanner.h"
#include "changes/JournalTexts.h"
#include "changes/StartTypeApplier.h"

namespace
{
class PreviewTicksTest : public MainWindowHarness
{
protected:
    // Runs the script in the real preview window once it shows.
    void WhenPreviewShows(CDialogDriver& driver, std::function<void(HWND)> script)
    {
        m_pDialog->SetPreviewer(CChangeCommands::ShowPreviewWindow);
        s_script = std::move(script);
        driver.WhenWindow(IsPreviewWindow, [](HWND hPreview) {
            SetTimer(hPreview, 1, 50, [](HWND hWnd, UINT, UINT_PTR nTimer, DWORD) {
                if (!IsWindowVisible(hWnd))
                    return;
                KillTimer(hWnd, nTimer);
                s_script(hWnd);
            });
        });
    }
    static inline std::function<void(HWND)> s_script;
};

TEST_F(PreviewTicksTest, AnImportAppliesOnlyTheTickedRows)
{
    auto spec = [](const char* pszStem, const char* pszDisplay, DWORD dwStartType) {
        TestServiceSpec made = TestBed(pszStem, "", dwStartType);
        made.strDisplayName = pszDisplay;
        return made;
    };
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({spec("QmTickPlain", "勾选后取消", SERVICE_AUTO_START),
                             spec("QmTickSevere", "严重错误级别", SERVICE_AUTO_START),
                             spec("QmTickCritical", "关键错误级别", SERVICE_AUTO_START),
                             spec("QmTickBase", "被依赖的服务", SERVICE_DEMAND_START)},
                            &services));
    CTestService& plain = *services[0];
    CTestService& severe = *services[1];
    CTestService& critical = *services[2];
    CTestService& base = *services[3];
    ASSERT_TRUE(severe.SetStoredDword("ErrorControl", SERVICE_ERROR_SEVERE));
    ASSERT_TRUE(critical.SetStoredDword("ErrorControl", SERVICE_ERROR_CRITICAL));
    TestServiceSpec dependentSpec = spec("QmTickNeedsBase", "需要它的服务", SERVICE_AUTO_START);
    dependentSpec.dependencies = {base.Name()};
    CTestService dependent(dependentSpec);
    ASSERT_TRUE(dependent.Created());
    ASSERT_TRUE(OpenWindow());

    const CTempPath file("qm_import_ticks", ".svc");
    WriteFileText(file, plain.Name() + "&已禁用\r\n" + severe.Name() + "&手动\r\n" + critical.Name() +
                            "&已禁用\r\n" + base.Name() + "&已禁用\r\n");
    ChooseFile(file);
    std::vector<PreviewCells> rows;
    std::vector<bool> ticksAtFirst, ticksAtEnd;
    std::vector<std::string> summaries;
    std::string strNotes;
    CDialogDriver driver;
    WhenPreviewShows(driver, [&](HWND hPreview) {
        HWND hList = GetDlgItem(hPreview, IDC_PREVIEW_LIST);
        HWND hSummary = GetDlgItem(hPreview, IDC_PREVIEW_SUMMARY);
        rows = PreviewCellsOf(hList);
        ticksAtFirst = TicksOf(hList);
        strNotes = TextOf(GetDlgItem(hPreview, IDC_PREVIEW_NOTES));
        summaries.push_back(TextOf(hSummary));
        RedrawWindow(hPreview, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(hPreview);
        EXPECT_TRUE(SaveScreenshot("preview-ticks-held"));
        // A click on the first row's box unticks it; a click on the second
        // row's text selects it, and space ticks it.
        EXPECT_TRUE(ClickTickBox(hList, 0));
        EXPECT_TRUE(WaitFor([&] { return !TicksOf(hList)[0]; }, "the first row unticked", 3000, hPreview));
        summaries.push_back(TextOf(hSummary));
        EXPECT_TRUE(ClickRowText(hList, 1));
        // Space goes where the focus is: only once the list has it.
        EXPECT_TRUE(WaitFor(
            [&] { return GetFocus() == hList && SendMessageA(hList, LVM_GETNEXTITEM, -1, LVNI_FOCUSED) == 1; },
            "the second row focused", 3000, hPreview));
        PressKey(VK_SPACE);
        EXPECT_TRUE(WaitFor([&]() -> bool { return TicksOf(hList)[1]; }, "the second row ticked", 3000, hPreview));
        summaries.push_back(TextOf(hSummary));
        ticksAtEnd = TicksOf(hList);
        ClickAt(CentreOf(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY)));
    });
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_TRUE(driver.AllDone()) << "the preview did not open";

    const std::string strHeld = "【系统启动所需】";
    const std::vector<PreviewCells> kRows = {
        {"勾选后取消", plain.Name(), "自动", "已禁用", ""},
        {"严重错误级别", severe.Name(), "自动", "手动", strHeld},
        {"关键错误级别", critical.Name(), "自动", "已禁用", strHeld},
        {"△被依赖的服务", base.Name(), "手动", "已禁用", ""},
    };
    EXPECT_EQ(kRows, rows);
    EXPECT_EQ((std::vector<bool>{true, false, false, true}), ticksAtFirst);
    EXPECT_EQ((std::vector<bool>{false, true, false, true}), ticksAtEnd);
    EXPECT_EQ((std::vector<std::string>{"将更改 2 个服务的启动类型,2 个不变,0 个未安装。",
                                        "将更改 1 个服务的启动类型,3 个不变,0 个未安装。",
                                        "将更改 2 个服务的启动类型,2 个不变,0 个未安装。"}),
              summaries);
    EXPECT_EQ("△ 禁用 被依赖的服务 后,依赖它的自动服务 需要它的服务 下次启动 Windows 时将无法启动。", strNotes);

    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), plain.ConfiguredStartType()) << "unticked by the user";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), severe.ConfiguredStartType()) << "ticked by the user";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), critical.ConfiguredStartType()) << "left unticked";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), base.ConfiguredStartType()) << "left ticked";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), dependent.ConfiguredStartType());
}

// The undo's preview has the same boxes: a restore that would take a
// severe service off automatic starts unticked, a row the user unticks is
// left as it is.
TEST_F(PreviewTicksTest, AnUndoRestoresOnlyTheTickedRows)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({TestBed("QmUndoTickA"), TestBed("QmUndoTickB"), TestBed("QmUndoTickSevere")}, &services));
    CTestService& a = *services[0];
    CTestService& b = *services[1];
    CTestService& severe = *services[2];
    ASSERT_TRUE(severe.SetStoredDword("ErrorControl", SERVICE_ERROR_SEVERE));
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_undo_ticks", ".svc");
    WriteFileText(file, a.Name() + "&已禁用\r\n" + b.Name() + "&已禁用\r\n" + severe.Name() + "&自动\r\n");
    ChooseFile(file);
    SendCommand(ID_IMPORT_CONFIG);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), severe.ConfiguredStartType());

    std::vector<std::string> summaries;
    std::vector<bool> ticksAtFirst;
    std::string strSevereCell;
    CDialogDriver driver;
    WhenPreviewShows(driver, [&](HWND hPreview) {
        HWND hList = GetDlgItem(hPreview, IDC_PREVIEW_LIST);
        ticksAtFirst = TicksOf(hList);
        strSevereCell = PreviewCellsOf(hList).back()[4];
        summaries.push_back(TextOf(GetDlgItem(hPreview, IDC_PREVIEW_SUMMARY)));
        EXPECT_TRUE(ClickTickBox(hList, 0));
        EXPECT_TRUE(WaitFor([&] { return !TicksOf(hList)[0]; }, "the first row unticked", 3000, hPreview));
        summaries.push_back(TextOf(GetDlgItem(hPreview, IDC_PREVIEW_SUMMARY)));
        ClickAt(CentreOf(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY)));
    });
    SendCommand(ID_UNDO_LAST);
    EXPECT_TRUE(driver.AllDone()) << "the undo's preview did not open";
    EXPECT_EQ(std::vector<std::string>{JournalTexts::kUndoDone}, m_watcher.Take());
    EXPECT_EQ((std::vector<bool>{true, true, false}), ticksAtFirst);
    EXPECT_EQ("【系统启动所需】", strSevereCell);
    EXPECT_EQ((std::vector<std::string>{"将恢复 2 项,0 项已是原样,1 项保留不动。",
                                        "将恢复 1 项,0 项已是原样,2 项保留不动。"}),
              summaries);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), a.ConfiguredStartType()) << "unticked by the user";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), b.ConfiguredStartType()) << "restored";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), severe.ConfiguredStartType()) << "held";
}

// The services Windows needs, and what they depend on, read from the store
// of a computer whose manager answers as Windows' does.
TEST_F(PreviewTicksTest, WhatTheBootServicesDependOnIsHeld)
{
    CStandInComputer computer;
    StandInService rpc(L"RpcSs", SERVICE_WIN32_SHARE_PROCESS, SERVICE_AUTO_START);
    rpc.dependencies = {L"QmStandNeeded", L"+QmGroup"};
    StandInService needed(L"QmStandNeeded", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START);
    needed.dependencies = {L"QmStandDeep"};
    StandInService deep(L"QmStandDeep", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START);
    StandInService free(L"QmStandFree", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START);
    StandInService grouped(L"QmGroup", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START);
    ASSERT_TRUE(computer.Add({rpc, needed, deep, free, grouped}));
    std::unique_ptr<CStandInSession> pSession = computer.Session();

    StartTypeRequest request;
    for (const char* pszName : {"RpcSs", "QmStandNeeded", "QmStandDeep", "QmStandFree", "QmGroup"})
        request.targets.push_back({pszName, SERVICE_DISABLED});
    StartTypePlan plan;
    ASSERT_EQ(0u, PlanStartTypes(*pSession, request, &plan));
    PreviewContent content = PreviewStartTypePlan(*pSession, plan, JournalTexts::kPreviewTitle);
    std::vector<std::pair<std::string, std::string>> held;
    for (const PreviewRow& row : content.rows)
        held.push_back({row.strName, row.strHeld});
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"RpcSs", "知识库建议保留"},
                                                                {"QmStandNeeded", "系统启动所需"},
                                                                {"QmStandDeep", "系统启动所需"},
                                                                {"QmStandFree", ""},
                                                                {"QmGroup", ""}}),
              held);
}
} // namespace
