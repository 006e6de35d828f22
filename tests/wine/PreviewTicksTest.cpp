// The preview's tick boxes as the user meets them: held rows unticked,
// clicks that change the ticks and the summary, only the ticked rows
// applied or restored; and the services Windows needs, read from a store.
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/StandInComputer.h"
#include "support/TestFiles.h"
#include "support/TickBoxes.h"

#include "changes/ChangePlanner.h"
#include "changes/JournalTexts.h"

namespace
{
// What the preview showed, with its summary after each click.
struct Seen
{
    std::vector<PreviewCells> rows;
    std::vector<bool> ticks;
    std::vector<std::string> summaries;
    std::string strNotes;
};

class PreviewTicksTest : public MainWindowHarness
{
protected:
    // The real preview: once it is up it is read, each row given has its box
    // clicked, and 应用 is clicked.
    Seen RunPreview(int nCommand, std::vector<int> clicks)
    {
        m_pDialog->SetPreviewer(CChangeCommands::ShowPreviewWindow);
        s_clicks = std::move(clicks);
        s_seen = Seen();
        CDialogDriver driver;
        driver.WhenWindow(IsPreviewWindow, [](HWND hPreview) {
            SetTimer(hPreview, 1, 50, [](HWND hWnd, UINT, UINT_PTR nTimer, DWORD) {
                if (!IsWindowVisible(hWnd))
                    return;
                KillTimer(hWnd, nTimer);
                HWND hList = GetDlgItem(hWnd, IDC_PREVIEW_LIST);
                s_seen = {PreviewCellsOf(hList), TicksOf(hList), {TextOf(GetDlgItem(hWnd, IDC_PREVIEW_SUMMARY))},
                          TextOf(GetDlgItem(hWnd, IDC_PREVIEW_NOTES))};
                EXPECT_TRUE(SaveScreenshot(s_clicks.size() > 1 ? "preview-ticks-held" : "preview-ticks-undo"));
                for (int nRow : s_clicks)
                {
                    bool bWas = TicksOf(hList)[nRow];
                    EXPECT_TRUE(ClickTickBox(hList, nRow));
                    EXPECT_TRUE(WaitFor([&] { return TicksOf(hList)[nRow] != bWas; }, "a click on a box", 3000, hWnd));
                    s_seen.summaries.push_back(TextOf(GetDlgItem(hWnd, IDC_PREVIEW_SUMMARY)));
                }
                ClickAt(CentreOf(GetDlgItem(hWnd, IDC_BTN_PREVIEW_APPLY)));
            });
        });
        SendCommand(nCommand);
        EXPECT_TRUE(driver.AllDone()) << "the preview did not open";
        return s_seen;
    }
    static inline std::vector<int> s_clicks;
    static inline Seen s_seen;
};

TEST_F(PreviewTicksTest, AnImportAndItsUndoApplyOnlyTheTickedRows)
{
    auto shown = [](const char* pszStem, const char* pszDisplay, DWORD dwStartType) {
        TestServiceSpec spec = TestBed(pszStem, "", dwStartType);
        spec.strDisplayName = pszDisplay;
        return spec;
    };
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({shown("QmTickPlain", "勾选后取消", SERVICE_AUTO_START),
                             shown("QmTickSevere", "严重错误级别", SERVICE_AUTO_START),
                             shown("QmTickBase", "被依赖的服务", SERVICE_DEMAND_START),
                             shown("QmTickLater", "关键错误级别", SERVICE_DEMAND_START)},
                            &services));
    // Through the manager, which writes its whole record back at each change.
    for (std::pair<int, DWORD> set : {std::make_pair(1, SERVICE_ERROR_SEVERE), {3, SERVICE_ERROR_CRITICAL}})
        ASSERT_TRUE(ChangeServiceConfigA(COpenedService(services[set.first]->Name(), SERVICE_CHANGE_CONFIG).Get(),
                                         SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, set.second, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
    TestServiceSpec dependentSpec = shown("QmTickNeedsBase", "需要它的服务", SERVICE_AUTO_START);
    dependentSpec.dependencies = {services[2]->Name()};
    CTestService dependent(dependentSpec);
    ASSERT_TRUE(dependent.Created());
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_import_ticks", ".svc");
    WriteFileText(file, services[0]->Name() + "&已禁用\r\n" + services[1]->Name() + "&手动\r\n" +
                            services[2]->Name() + "&已禁用\r\n" + services[3]->Name() + "&自动\r\n");
    ChooseFile(file);
    auto expectStartTypes = [&](std::vector<DWORD> expected) {
        for (size_t i = 0; i < services.size(); ++i)
            EXPECT_EQ(expected[i], services[i]->ConfiguredStartType()) << services[i]->Name();
    };

    // The first row unticked, the second (held) ticked.
    Seen seen = RunPreview(ID_IMPORT_CONFIG, {0, 1});
    const std::string strHeld = "【系统启动所需】";
    EXPECT_EQ((std::vector<PreviewCells>{{"勾选后取消", services[0]->Name(), "自动", "已禁用", ""},
                                         {"严重错误级别", services[1]->Name(), "自动", "手动", strHeld},
                                         {"△被依赖的服务", services[2]->Name(), "手动", "已禁用", ""},
                                         {"关键错误级别", services[3]->Name(), "手动", "自动", ""}}),
              seen.rows);
    EXPECT_EQ((std::vector<bool>{true, false, true, true}), seen.ticks);
    EXPECT_EQ((std::vector<std::string>{"将更改 3 个服务的启动类型,1 个不变,0 个未安装。",
                                        "将更改 2 个服务的启动类型,2 个不变,0 个未安装。",
                                        "将更改 3 个服务的启动类型,1 个不变,0 个未安装。"}),
              seen.summaries);
    EXPECT_EQ("△ 禁用 被依赖的服务 后,依赖它的自动服务 需要它的服务 下次启动 Windows 时将无法启动。", seen.strNotes);
    expectStartTypes({SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, SERVICE_AUTO_START});

    // The undo's rows are what was applied; taking the critical service off
    // automatic again is held, and the first row is unticked.
    seen = RunPreview(ID_UNDO_LAST, {0});
    EXPECT_EQ(std::vector<std::string>{JournalTexts::kUndoDone}, m_watcher.Take());
    EXPECT_EQ((std::vector<bool>{true, true, false}), seen.ticks);
    ASSERT_EQ(3u, seen.rows.size());
    EXPECT_EQ(strHeld, seen.rows[2][4]);
    EXPECT_EQ((std::vector<std::string>{"将恢复 2 项,0 项已是原样,1 项保留不动。",
                                        "将恢复 1 项,0 项已是原样,2 项保留不动。"}),
              seen.summaries);
    expectStartTypes({SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DEMAND_START, SERVICE_AUTO_START});
}

// RpcSs needs a service that needs another; a group is no service.
TEST_F(PreviewTicksTest, WhatTheBootServicesDependOnIsHeld)
{
    CStandInComputer computer;
    std::vector<StandInService> added;
    StartTypeRequest request;
    for (const char* pszName : {"RpcSs", "QmStandNeeded", "QmStandDeep", "QmStandFree", "QmGroup"})
    {
        added.emplace_back(GbkText::ToWide(pszName), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START);
        request.targets.push_back({pszName, SERVICE_DEMAND_START});
    }
    added[0].dependencies = {L"QmStandNeeded", L"+QmGroup"};
    added[1].dependencies = {L"QmStandDeep"};
    ASSERT_TRUE(computer.Add(added));
    std::unique_ptr<CStandInSession> pSession = computer.Session();
    StartTypePlan plan;
    ASSERT_EQ(0u, PlanStartTypes(*pSession, request, &plan));
    std::vector<std::string> held;
    for (const PreviewRow& row : PreviewStartTypePlan(*pSession, plan, JournalTexts::kPreviewTitle).rows)
        held.push_back(row.strName + ":" + row.strHeld);
    EXPECT_EQ((std::vector<std::string>{"RpcSs:系统启动所需", "QmStandNeeded:系统启动所需",
                                        "QmStandDeep:系统启动所需", "QmStandFree:", "QmGroup:"}),
              held);
}
} // namespace
