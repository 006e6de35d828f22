// The main window's commands against test-bed services: run states with the
// polling that follows them, start-type changes, deletion and the menus.
#include "support/DialogDriver.h"
#include "support/MainWindowHarness.h"
#include "support/TestFiles.h"
#include "support/TextLists.h"

#include "services/ServiceSession.h"

#include <tuple>
#include <unordered_map>

namespace
{
class CommandsTest : public MainWindowHarness
{
protected:
    // Registers and opens the window, then remembers the service's row.
    testing::AssertionResult CommandsAre(bool bStart, bool bPause, bool bStop)
    {
        bool actual[] = {ButtonEnabled(IDC_BTN_START), ButtonEnabled(IDC_BTN_PAUSE), ButtonEnabled(IDC_BTN_STOP)};
        bool menu[] = {MenuItemEnabled(ID_START_SERVICE), MenuItemEnabled(ID_PAUSE_SERVICE),
                       MenuItemEnabled(ID_STOP_SERVICE)};
        bool expected[] = {bStart, bPause, bStop};
        for (int i = 0; i < 3; ++i)
        {
            if (actual[i] != expected[i] || menu[i] != expected[i])
                return testing::AssertionFailure()
                       << "start/pause/stop buttons " << actual[0] << actual[1] << actual[2] << ", menu " << menu[0]
                       << menu[1] << menu[2] << ", expected " << bStart << bPause << bStop;
        }
        return testing::AssertionSuccess();
    }

    // Waits for the list to show a state, recording the texts on the way.
    testing::AssertionResult WaitForState(const std::string& strName, const std::string& strState,
                                          std::vector<std::string>* pSeen = nullptr)
    {
        return WaitFor(
            [&] {
                std::string strNow = CellOf(strName, 2);
                if (pSeen != nullptr && (pSeen->empty() || pSeen->back() != strNow))
                    pSeen->push_back(strNow);
                return strNow == strState;
            },
            ("state \"" + strState + "\" of " + strName).c_str());
    }
};

TEST_F(CommandsTest, StartPauseContinueAndStopFollowTheService)
{
    CTestService service(TestBed("QmRun", "--accept=stop,pause --start-pending=600 --stop-pending=600 "
                                       "--pause-pending=600 --continue-pending=600"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    ASSERT_TRUE(Select(service.Name()));
    EXPECT_TRUE(CommandsAre(true, false, false));

    // Start: the pending word at once and only Stop, then what the manager says.
    SendCommand(IDC_BTN_START);
    EXPECT_EQ("正在启动", CellOf(service.Name(), 2));
    EXPECT_TRUE(CommandsAre(false, false, true));
    std::vector<std::string> seen;
    ASSERT_TRUE(WaitForState(service.Name(), "已启动", &seen));
    EXPECT_TRUE(CommandsAre(false, true, true));

    // Pause: its own word, then "未知状态" while the service pauses.
    SendCommand(IDC_BTN_PAUSE);
    EXPECT_EQ("正在暂停", CellOf(service.Name(), 2));
    EXPECT_TRUE(CommandsAre(true, false, true));
    seen.clear();
    ASSERT_TRUE(WaitForState(service.Name(), "已暂停", &seen));
    EXPECT_TRUE(Contains(seen, "未知状态")) << "PAUSE_PENDING was never shown";
    EXPECT_TRUE(CommandsAre(true, false, true));

    // Start on a paused service continues it.
    SendCommand(ID_START_SERVICE);
    EXPECT_EQ("正在继续", CellOf(service.Name(), 2));
    ASSERT_TRUE(WaitForState(service.Name(), "已启动"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.CurrentState());

    SendCommand(ID_STOP_SERVICE);
    EXPECT_EQ("正在停止", CellOf(service.Name(), 2));
    EXPECT_TRUE(CommandsAre(true, false, false));
    ASSERT_TRUE(WaitForState(service.Name(), ""));
    EXPECT_TRUE(CommandsAre(true, false, false));
}

TEST_F(CommandsTest, AcceptedControlsDecideTheCommands)
{
    struct Case
    {
        const char* pszArguments;
        DWORD dwStartType;
        bool bRun;
        bool bStart, bPause, bStop;
    };
    const Case cases[] = {
        {"--accept=none", SERVICE_DEMAND_START, true, false, false, false},
        {"--accept=stop", SERVICE_DEMAND_START, true, false, false, true},
        {"--accept=pause", SERVICE_DEMAND_START, true, false, true, true},
        {"--accept=stop,pause", SERVICE_DEMAND_START, true, false, true, true},
        {"", SERVICE_DISABLED, false, false, false, false},
        {"", SERVICE_AUTO_START, false, true, false, false},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const Case& c : cases)
    {
        services.emplace_back(new CTestService(TestBed("QmAccepts", c.pszArguments, c.dwStartType)));
        ASSERT_TRUE(services.back()->Created());
        if (c.bRun)
        {
            ASSERT_TRUE(services.back()->StartAndWaitRunning());
        }
    }
    ASSERT_TRUE(OpenWindow());
    for (std::size_t i = 0; i < services.size(); ++i)
    {
        SCOPED_TRACE(cases[i].pszArguments + std::string(cases[i].bRun ? " running" : " stopped"));
        ASSERT_TRUE(Select(services[i]->Name()));
        EXPECT_TRUE(CommandsAre(cases[i].bStart, cases[i].bPause, cases[i].bStop)) << "when shown";
        // The polling applies the same rule to the remembered row.
        UpdateRunCommandsTo(kCommandsNone);
        ASSERT_TRUE(WaitFor([&] { return CommandsAre(cases[i].bStart, cases[i].bPause, cases[i].bStop); },
                            "the commands after a pass"));
    }
}

TEST_F(CommandsTest, RefusalsShowTheirMessagesAndChangeNothing)
{
    CTestService running(TestBed("QmRefuse", "--accept=stop"));
    CTestService stopped(TestBed("QmRefuseStopped", ""));
    CTestService stopping(TestBed("QmRefuseStopping", "--accept=stop --stop-pending=4000"));
    ASSERT_TRUE(running.Created());
    ASSERT_TRUE(stopped.Created());
    ASSERT_TRUE(stopping.Created());
    ASSERT_TRUE(running.StartAndWaitRunning());
    ASSERT_TRUE(stopping.StartAndWaitRunning());
    ASSERT_TRUE(OpenWindow());

    struct Case
    {
        const CTestService* pService;
        int nCommand;
        const char* pszMessage;
    };
    const Case cases[] = {
        {&running, IDC_BTN_START, "服务已经运行,本次操作失败!"},
        {&running, IDC_BTN_PAUSE, "此项服务停用无效,本次操作失败!"},
        {&stopped, IDC_BTN_STOP, "此服务没有启动,本次操作失败!"},
        {&stopping, IDC_BTN_STOP, "服务拒绝控制,本次操作失败!"},
    };
    bool bStoppingAsked = false;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszMessage);
        if (c.pService == &stopping && !bStoppingAsked)
        {
            ASSERT_TRUE(stopping.SendControl(SERVICE_CONTROL_STOP));
            ASSERT_TRUE(stopping.WaitForState(SERVICE_STOP_PENDING));
            ASSERT_TRUE(WaitForState(stopping.Name(), "正在停止"));
            bStoppingAsked = true;
        }
        ASSERT_TRUE(Select(c.pService->Name()));
        std::string strBefore = CellOf(c.pService->Name(), 2);
        SendCommand(c.nCommand);
        EXPECT_EQ(std::vector<std::string>{c.pszMessage}, m_watcher.Take());
        EXPECT_EQ(strBefore, CellOf(c.pService->Name(), 2));
        ClickRow(-1);
    }
}

TEST_F(CommandsTest, AServiceDeletedBehindTheProgramLeavesTheList)
{
    auto pService = std::make_unique<CTestService>(TestBed("QmVanish", "--accept=stop"));
    CTestService other(TestBed("QmStays", ""));
    ASSERT_TRUE(pService->Created());
    ASSERT_TRUE(other.Created());
    ASSERT_TRUE(pService->StartAndWaitRunning());
    std::string strName = pService->Name();
    ASSERT_TRUE(OpenWindow());
    ASSERT_TRUE(Select(strName));
    EXPECT_TRUE(CommandsAre(false, false, true));

    pService.reset();
    ASSERT_TRUE(WaitFor([&] { return !Listed(m_pDialog->ServiceList(), strName); }, "the row leaving"));
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    EXPECT_TRUE(CommandsAre(false, false, false));
    EXPECT_TRUE(IsWindow(Window()));
    EXPECT_TRUE(Listed(m_pDialog->ServiceList(), other.Name()));
    // And the polling goes on.
    ASSERT_TRUE(other.StartAndWaitRunning());
    EXPECT_TRUE(WaitForState(other.Name(), "已启动"));
}

TEST_F(CommandsTest, ChangesMadeElsewhereShowWithinAPass)
{
    CTestService service(TestBed("QmElsewhere", "--accept=stop"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    // A state change seen means passes have run and read the start types.
    ASSERT_TRUE(service.StartAndWaitRunning());
    ASSERT_TRUE(WaitForState(service.Name(), "已启动"));
    ASSERT_TRUE(service.ChangeStartType(SERVICE_DISABLED));
    EXPECT_TRUE(WaitFor([&] { return CellOf(service.Name(), 3) == "已禁用"; }, "the new start type", 2000));
    EXPECT_EQ(2, m_pDialog->ServiceList().GetItemImage(RowOf(m_pDialog->ServiceList(), service.Name())));
}

TEST_F(CommandsTest, StartTypeButtonsChangeTickedAndSelectedRows)
{
    CTestService first(TestBed("QmTickA", "")), second(TestBed("QmTickB", "")),
        selected(TestBed("QmTickC", "")), untouched(TestBed("QmTickD", ""));
    for (CTestService* pService : {&first, &second, &selected, &untouched})
        ASSERT_TRUE(pService->Created());
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();

    // Ticks without a remembered row: refused, nothing changes.
    list.SetCheck(RowOf(list, first.Name()), TRUE);
    list.SetCheck(RowOf(list, second.Name()), TRUE);
    SendCommand(IDC_BTN_DISABLED);
    EXPECT_EQ(std::vector<std::string>{"请选择服务!"}, m_watcher.Take());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), first.ConfiguredStartType());

    ASSERT_TRUE(Select(selected.Name()));
    SendCommand(IDC_BTN_DISABLED);
    for (const CTestService* pService : {&first, &second, &selected})
    {
        SCOPED_TRACE(pService->Name());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), pService->ConfiguredStartType());
        EXPECT_EQ("已禁用", CellOf(pService->Name(), 3));
        EXPECT_FALSE(list.GetCheck(RowOf(list, pService->Name())));
        EXPECT_EQ(2, list.GetItemImage(RowOf(list, pService->Name())));
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), untouched.ConfiguredStartType());
    // The stopped remembered service cannot be started once disabled, at once.
    EXPECT_TRUE(CommandsAre(false, false, false));

    SendCommand(IDC_BTN_AUTO);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), selected.ConfiguredStartType());
    EXPECT_TRUE(CommandsAre(true, false, false));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), first.ConfiguredStartType()) << "its tick was cleared";
    EXPECT_EQ(0, list.GetItemImage(RowOf(list, selected.Name())));
}

TEST_F(CommandsTest, ContextMenuStartTypeSetsTheCommands)
{
    CTestService paused(TestBed("QmCtxPaused", "--accept=stop,pause", SERVICE_AUTO_START));
    CTestService stopped(TestBed("QmCtxStopped", ""));
    ASSERT_TRUE(paused.Created());
    ASSERT_TRUE(stopped.Created());
    ASSERT_TRUE(paused.StartAndWaitRunning());
    ASSERT_TRUE(paused.SendControl(SERVICE_CONTROL_PAUSE));
    ASSERT_TRUE(paused.WaitForState(SERVICE_PAUSED));
    ASSERT_TRUE(OpenWindow());

    ASSERT_TRUE(Select(paused.Name()));
    SendCommand(ID_MENU_MANUAL);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), paused.ConfiguredStartType());
    EXPECT_EQ("手动", CellOf(paused.Name(), 3));
    EXPECT_TRUE(CommandsAre(true, false, true));

    ASSERT_TRUE(Select(stopped.Name()));
    SendCommand(ID_MENU_DISABLED);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), stopped.ConfiguredStartType());
    EXPECT_TRUE(CommandsAre(false, false, false));
    SendCommand(ID_MENU_AUTO);
    EXPECT_TRUE(CommandsAre(true, false, false));
    EXPECT_TRUE(m_watcher.Texts().empty());

    ClickRow(-1);
    SendCommand(ID_MENU_AUTO);
    EXPECT_EQ(std::vector<std::string>{"请选择服务!"}, m_watcher.Take());
}

TEST_F(CommandsTest, AProfileChangesTheInstalledKnowledgeBaseServices)
{
    struct Case
    {
        const char* pszName;
        DWORD dwExpected; // under profile 3, the network profile
    };
    const Case cases[] = {
        {"Alerter", SERVICE_DISABLED},
        {"Messenger", SERVICE_DISABLED},
        {"lanmanworkstation", SERVICE_AUTO_START},
        {"VMware NAT Service", SERVICE_DEMAND_START},
        {"MySQL", SERVICE_AUTO_START},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const Case& c : cases)
    {
        DWORD dwBefore = c.dwExpected == SERVICE_DISABLED ? SERVICE_AUTO_START : SERVICE_DISABLED;
        ASSERT_TRUE(RegisterAll({Named(c.pszName, dwBefore)}, &services));
    }
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    // Past the backup question, the dozens of services not installed here
    // pass without a word.
    EXPECT_EQ(std::vector<std::string>{"建议您在使用此配置前，备份您的当前服务配置！"}, ApplyProfileByMenu(3));
    for (std::size_t i = 0; i < services.size(); ++i)
        EXPECT_EQ(cases[i].dwExpected, services[i]->ConfiguredStartType()) << cases[i].pszName;
    // The prefix's own Spooler is in the profile too ($1: automatic).
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), CStartTypeSnapshot::StartTypeOf("Spooler"));
    EXPECT_TRUE(WaitFor([&] { return CellOf("Alerter", 3) == "已禁用"; }, "the list following"));
}

// What is applied is the plan the preview showed, not one made again: a
// service of the profile installed while the user reads the preview is
// left as it is.
TEST_F(CommandsTest, AProfileAppliesThePlanItsPreviewShowed)
{
    TestServiceSpec spec;
    spec.strName = "Alerter";
    spec.dwStartType = SERVICE_AUTO_START;
    CTestService alerter(spec);
    ASSERT_TRUE(alerter.Created());
    CStartTypeSnapshot snapshot;
    std::unique_ptr<CTestService> pLate;
    ASSERT_TRUE(OpenWindow());
    m_pDialog->SetPreviewer([&](const PreviewContent&, HWND, std::vector<bool>*) {
        spec.strName = "Messenger";
        pLate = std::make_unique<CTestService>(spec);
        return true;
    });
    EXPECT_EQ(std::vector<std::string>{"建议您在使用此配置前，备份您的当前服务配置！"}, ApplyProfileByMenu(3));
    ASSERT_TRUE(pLate != nullptr && pLate->Created());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), pLate->ConfiguredStartType());
}

TEST_F(CommandsTest, DeletionAsksFirstThenStopsAndDeletes)
{
    auto pRunning = std::make_unique<CTestService>(TestBed("QmDelRun", "--accept=stop"));
    auto pStopped = std::make_unique<CTestService>(TestBed("QmDelStopped", ""));
    ASSERT_TRUE(pRunning->Created());
    ASSERT_TRUE(pStopped->Created());
    ASSERT_TRUE(pRunning->StartAndWaitRunning());
    ASSERT_TRUE(OpenWindow());

    // No: nothing changes and the polling goes on.
    m_watcher.SetAnswer(IDNO);
    ASSERT_TRUE(Select(pRunning->Name()));
    SendCommand(ID_DELETE_SERVICE);
    ASSERT_EQ(1u, m_watcher.Boxes().size());
    EXPECT_EQ("警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?", m_watcher.Texts()[0]);
    m_watcher.Clear();
    EXPECT_TRUE(pRunning->Exists());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), pRunning->CurrentState());
    ASSERT_TRUE(pStopped->StartAndWaitRunning());
    EXPECT_TRUE(WaitForState(pStopped->Name(), "已启动")) << "the polling still runs";
    ASSERT_TRUE(pStopped->SendControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(pStopped->WaitForState(SERVICE_STOPPED));
    ASSERT_TRUE(WaitForState(pStopped->Name(), ""));

    m_watcher.SetAnswer(IDYES);
    for (CTestService* pService : {pRunning.get(), pStopped.get()})
    {
        SCOPED_TRACE(pService->Name());
        ASSERT_TRUE(Select(pService->Name()));
        SendCommand(ID_DELETE_SERVICE);
        EXPECT_EQ((std::vector<std::string>{
                      "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?",
                      "删除成功!"}),
                  m_watcher.Take());
        EXPECT_FALSE(Listed(m_pDialog->ServiceList(), pService->Name()));
        EXPECT_EQ(-1, m_pDialog->SelectedRow());
        EXPECT_TRUE(pService->WaitUntilGone());
    }

    // Without a remembered row the command asks for one and deletes nothing.
    SendCommand(ID_DELETE_SERVICE);
    EXPECT_EQ(std::vector<std::string>{"请选择服务!"}, m_watcher.Take());
    EXPECT_TRUE(IsWindow(Window()));
}

TEST_F(CommandsTest, DoubleClickTicksARowOrClearsEveryTick)
{
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    ASSERT_GE(list.GetItemCount(), 3);
    auto doubleClick = [&](int nRow) { ClickRow(nRow, NM_DBLCLK); };
    doubleClick(1);
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_EQ(1, m_pDialog->SelectedRow());
    doubleClick(2);
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_TRUE(list.GetCheck(2));
    doubleClick(2);
    EXPECT_FALSE(list.GetCheck(2));
    doubleClick(-1);
    for (int i = 0; i < list.GetItemCount(); ++i)
        EXPECT_FALSE(list.GetCheck(i)) << i;
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
}
// Catches the popup menu that the command under test opens, notes where
// it is and which menu it shows, and closes it.
struct PopupSeen
{
    bool bSeen = false;
    RECT rect = {};
    HMENU hMenu = nullptr;
};
PopupSeen g_popup;
const char* g_pszPopupShot = nullptr; // a screenshot's name, when one is wanted

int g_nPopupTicks = 0;

VOID CALLBACK CatchPopup(HWND, UINT, UINT_PTR nId, DWORD)
{
    // Menu windows exist hidden too; the shown one is the popup.
    HWND hPopup = nullptr;
    while ((hPopup = FindWindowExA(nullptr, hPopup, "#32768", nullptr)) != nullptr && !IsWindowVisible(hPopup))
    {
    }
    if (hPopup == nullptr)
    {
        // Never leave a test hanging in a menu that was not recognised.
        if (++g_nPopupTicks > 200)
        {
            KillTimer(nullptr, nId);
            EndMenu();
        }
        return;
    }
    g_popup.bSeen = true;
    GetWindowRect(hPopup, &g_popup.rect);
    g_popup.hMenu = reinterpret_cast<HMENU>(SendMessageA(hPopup, MN_GETHMENU, 0, 0));
    KillTimer(nullptr, nId);
    if (g_pszPopupShot != nullptr)
        SaveScreenshot(g_pszPopupShot);
    EndMenu();
}

PopupSeen RunCatchingPopup(const std::function<void()>& action)
{
    g_popup = PopupSeen();
    g_nPopupTicks = 0;
    UINT_PTR nTimer = SetTimer(nullptr, 0, 30, CatchPopup);
    action();
    KillTimer(nullptr, nTimer);
    return g_popup;
}

TEST_F(CommandsTest, MenuBarButtonsOpenTheirPopupsUnderThem)
{
    ASSERT_TRUE(OpenWindow());
    const struct
    {
        int nButton;
        int nPopup;
    } cases[] = {{IDC_BTN_CONFIGURE, 0}, {IDC_BTN_TOOLS, 2}, {IDC_BTN_HELP, 3}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.nButton);
        PopupSeen popup = RunCatchingPopup([&] { SendCommand(c.nButton); });
        ASSERT_TRUE(popup.bSeen);
        RECT button;
        GetWindowRect(GetDlgItem(Window(), c.nButton), &button);
        EXPECT_EQ(button.left, popup.rect.left);
        EXPECT_EQ(button.bottom, popup.rect.top);
        EXPECT_EQ(m_pDialog->Menu().GetSubMenu(c.nPopup), popup.hMenu);
    }
    // The wizard button opens the wizard itself, no popup.
    CDialogDriver driver;
    bool bWizardOpened = false;
    driver.When(IDC_BTN_EXIT, [&bWizardOpened](HWND hWizard) {
        bWizardOpened = true;
        CDialogDriver::Click(hWizard, IDC_BTN_EXIT);
    });
    PopupSeen popup = RunCatchingPopup([&] { SendCommand(IDC_BTN_WIZARD); });
    EXPECT_FALSE(popup.bSeen);
    EXPECT_TRUE(bWizardOpened);
}

TEST_F(CommandsTest, RightClickRemembersTheRowThenOpensTheContextMenu)
{
    CTestService service(TestBed("QmRightClick", "--accept=stop"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    int nRow = RowOf(list, service.Name());
    ASSERT_NE(-1, nRow);
    POINT ptCursor = {300, 300};
    SetCursorPos(ptCursor.x, ptCursor.y);
    GetCursorPos(&ptCursor);
    auto rightClick = [&](int nItem) { ClickRow(nItem, NM_RCLICK); };

    g_pszPopupShot = "context-menu";
    PopupSeen popup = RunCatchingPopup([&] { rightClick(nRow); });
    g_pszPopupShot = nullptr;
    ASSERT_TRUE(popup.bSeen);
    EXPECT_EQ(nRow, m_pDialog->SelectedRow());
    EXPECT_EQ("文件路径:" + CTestService::TestBedCommandLine("--accept=stop"),
              TextOf(GetDlgItem(Window(), IDC_STATUS_LINE)))
        << "the row is shown before the menu opens";
    EXPECT_EQ(m_pDialog->Menu().GetSubMenu(1), popup.hMenu);
    EXPECT_EQ(ptCursor.x, popup.rect.left);
    EXPECT_EQ(ptCursor.y, popup.rect.top);

    // On empty space: the row is forgotten, the pane stays, the menu opens.
    popup = RunCatchingPopup([&] { rightClick(-1); });
    EXPECT_TRUE(popup.bSeen);
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    EXPECT_EQ("文件路径:" + CTestService::TestBedCommandLine("--accept=stop"),
              TextOf(GetDlgItem(Window(), IDC_STATUS_LINE)));
}
// Closes the please-wait window with Esc as soon as it is up.
HHOOK g_hCancelHook = nullptr;
LRESULT CALLBACK CancelProgress(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_ACTIVATE)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        // The please-wait window is the dialog without a message-box text.
        if (GetDlgItem(hWnd, 0xFFFF) == nullptr && GetDlgItem(hWnd, IDOK) != nullptr &&
            GetParent(hWnd) != nullptr)
            PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(g_hCancelHook, nCode, wParam, lParam);
}

TEST_F(CommandsTest, EscBeforeTheFirstTickAppliesNothing)
{
    CTestService service(TestBed("QmEscape", ""));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    ASSERT_TRUE(Select(service.Name()));
    g_hCancelHook = SetWindowsHookExA(WH_CBT, CancelProgress, nullptr, GetCurrentThreadId());
    SendCommand(IDC_BTN_DISABLED);
    UnhookWindowsHookEx(g_hCancelHook);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
    EXPECT_EQ("手动", CellOf(service.Name(), 3));

    // Without Esc the same request goes through.
    SendCommand(IDC_BTN_DISABLED);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.ConfiguredStartType());
}

// A pass that falls due while the deletion question is open cannot change
// the list under it; Yes acts on the service the question named, and one
// gone meanwhile is reported and leaves, with the program going on.
TEST_F(CommandsTest, DeletionActsOnlyOnTheServiceItAskedAbout)
{
    auto pDoomed = std::make_unique<CTestService>(TestBed("QmDelRace", ""));
    CTestService bystander(TestBed("QmDelBystander", ""));
    ASSERT_TRUE(pDoomed->Created());
    ASSERT_TRUE(bystander.Created());
    std::string strName = pDoomed->Name();
    ASSERT_TRUE(OpenWindow());
    ASSERT_TRUE(Select(strName));

    m_watcher.SetAnswer(IDYES);
    m_watcher.SetAction([&](HWND, const std::string& strText) {
        if (strText.find("警告") != 0)
            return;
        // Removed elsewhere, then the status timer's tick.
        pDoomed.reset();
        SendMessageA(Window(), WM_TIMER, CMainDlg::kStatusTimer, 0);
    });
    SendCommand(ID_DELETE_SERVICE);
    m_watcher.SetAction(nullptr);
    EXPECT_EQ((std::vector<std::string>{
                  "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?",
                  "服务不存在(错误代码1060),本次操作失败!"}),
              m_watcher.Take());
    m_watcher.SetAnswer(IDOK);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_FALSE(Listed(m_pDialog->ServiceList(), strName));
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    EXPECT_TRUE(bystander.Exists());
    // The polling runs again after the question.
    ASSERT_TRUE(bystander.StartAndWaitRunning());
    EXPECT_TRUE(WaitForState(bystander.Name(), "已启动"));
}

// No failure of one service ends the program: a start whose program is
// missing or not a program, and commands on a row whose service was
// removed a moment ago, each show a go-on message with the code.
TEST_F(CommandsTest, OneServicesFailureNeverEndsTheProgram)
{
    TestServiceSpec missing = TestBed("QmNoProgram", "");
    missing.strBinaryPath = "C:\\windows\\qm_no_such_program.exe";
    TestServiceSpec notProgram = TestBed("QmNotAProgram", "");
    notProgram.strBinaryPath = "C:\\windows\\win.ini";
    CTestService missingService(missing), notProgramService(notProgram);
    ASSERT_TRUE(missingService.Created());
    ASSERT_TRUE(notProgramService.Created());
    std::vector<std::unique_ptr<CTestService>> vanishing;
    for (int i = 0; i < 4; ++i)
    {
        vanishing.emplace_back(new CTestService(TestBed("QmVanishing", "")));
        ASSERT_TRUE(vanishing.back()->Created());
    }
    ASSERT_TRUE(OpenWindow());
    m_watcher.SetAnswer(IDYES);
    struct Case
    {
        std::string strName;
        int nCommand;
        const char* pszMessage;
        std::function<void()> before;
        bool bRowLeaves;
    };
    const Case cases[] = {
        {missing.strName, IDC_BTN_START, "服务程序文件不存在(错误代码2),本次操作失败!", nullptr, false},
        {notProgram.strName, IDC_BTN_START, "服务程序不是有效的可执行文件(错误代码193),本次操作失败!", nullptr,
         false},
        {vanishing[0]->Name(), IDC_BTN_START, "服务不存在(错误代码1060),本次操作失败!",
         [&] { vanishing[0]->Remove(); }, true},
        {vanishing[1]->Name(), IDC_BTN_STOP, "服务不存在(错误代码1060),本次操作失败!",
         [&] { vanishing[1]->Remove(); }, true},
        {vanishing[2]->Name(), ID_DELETE_SERVICE, "服务不存在(错误代码1060),本次操作失败!",
         [&] { vanishing[2]->Remove(); }, true},
        {vanishing[3]->Name(), ID_MENU_AUTO, "服务不存在(错误代码1060),本次操作失败!",
         [&] { vanishing[3]->Remove(); }, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszMessage + (" from " + c.strName) + " by " + std::to_string(c.nCommand));
        ASSERT_TRUE(Select(c.strName));
        ASSERT_TRUE(m_watcher.Texts().empty());
        if (c.before)
            c.before();
        SendCommand(c.nCommand);
        // Deletion asks first.
        std::vector<std::string> texts = m_watcher.Texts();
        if (c.nCommand == ID_DELETE_SERVICE && !texts.empty())
            texts.erase(texts.begin());
        EXPECT_EQ(std::vector<std::string>{c.pszMessage}, texts);
        m_watcher.Clear();
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(!c.bRowLeaves, Listed(m_pDialog->ServiceList(), c.strName));
        ClickRow(-1);
    }
    m_watcher.SetAnswer(IDOK);
    EXPECT_TRUE(IsWindow(Window()));
}
// Path, display name, description and start type, by the real name.
using WideConfig = std::tuple<std::wstring, std::wstring, std::wstring, DWORD>;
WideConfig ReadWideConfig(const std::wstring& wstrName)
{
    CService service;
    ServiceConfig config;
    std::wstring wstrText;
    bool bRead = OpenServiceSession()->Open(wstrName, IServiceSession::kAccessRead, &service) == 0 &&
                 service.QueryConfig(&config) == 0 && service.QueryDescription(&wstrText) == 0;
    return bRead ? WideConfig(config.wstrBinaryPath, config.wstrDisplayName, wstrText, config.dwStartType) : WideConfig();
}

// Names GBK cannot hold: QmKr<U+AC00> and QmKr? show alike, yet each row
// acts on its own service; one alone is listed; a deletion comes back
// whole; the backup leaves out what it cannot name and says so.
TEST_F(CommandsTest, ServicesShownAlikeAreEachActedOnByTheirRealName)
{
    const std::wstring wstrStem = WideFromGbk(UniqueServiceName("QmKr"));
    TestServiceSpec korean, asked, alone;
    korean.wstrName = wstrStem + L"\uAC00";
    asked.wstrName = wstrStem + L"?";
    asked.strDisplayName = "问号名服务";
    alone.wstrName = WideFromGbk(UniqueServiceName("QmAlone")) + L"\uAC01";
    alone.strDisplayName = "独有韩文服务";
    CTestService koreanService(korean), askedService(asked), aloneService(alone);
    for (CTestService* pService : {&koreanService, &askedService, &aloneService})
        ASSERT_TRUE(pService->Created());
    // What the deletion must bring back, spelt in characters GBK lacks.
    const std::wstring wstrPath = L"C:\\\uAC00\\svc.exe -k", wstrDisplay = L"Disp \uAC00",
                       wstrDescription = L"\uAC00\uAC01 text";
    {
        COpenedService opened(korean.wstrName, SERVICE_ALL_ACCESS); // closed before the deletion below
        SERVICE_DESCRIPTIONW description = {const_cast<wchar_t*>(wstrDescription.c_str())};
        ASSERT_TRUE(ChangeServiceConfigW(opened.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         wstrPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                         wstrDisplay.c_str()) &&
                    ChangeServiceConfig2W(opened.Get(), SERVICE_CONFIG_DESCRIPTION, &description));
    }
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    auto rowShowing = [&list](const std::string& strDisplay) {
        int nRow = list.GetItemCount() - 1;
        while (nRow >= 0 && list.GetItemText(nRow, 0) != strDisplay)
            --nRow;
        return nRow;
    };
    const std::string strKoreanShown = GbkFromWide(wstrDisplay); // "Disp ?"
    for (const std::string& strDisplay : {strKoreanShown, std::string("问号名服务"), std::string("独有韩文服务")})
        EXPECT_NE(-1, rowShowing(strDisplay)) << strDisplay;
    EXPECT_EQ(list.GetItemText(rowShowing(strKoreanShown), 1), list.GetItemText(rowShowing("问号名服务"), 1));

    ClickRow(rowShowing(strKoreanShown));
    SendCommand(IDC_BTN_DISABLED);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), koreanService.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), askedService.ConfiguredStartType());
    SendCommand(IDC_BTN_MANUAL);

    m_watcher.SetAnswer(IDYES);
    ClickRow(rowShowing(strKoreanShown));
    SendCommand(ID_DELETE_SERVICE);
    EXPECT_EQ("删除成功!", m_watcher.Texts().back());
    m_watcher.Clear();
    EXPECT_TRUE(koreanService.WaitUntilGone());
    EXPECT_TRUE(askedService.Exists());

    SendCommand(ID_UNDO_LAST);
    EXPECT_EQ(std::vector<std::string>{"已撤销上次配置!"}, m_watcher.Take());
    EXPECT_EQ(WideConfig(wstrPath, wstrDisplay, wstrDescription, SERVICE_DEMAND_START), ReadWideConfig(korean.wstrName));

    const CTempPath file("qm_names", ".svc");
    const std::string& strPath = file;
    m_pDialog->SetFileChooser([strPath](HWND, bool, std::string* pstrPath) { return !(*pstrPath = strPath).empty(); });
    SendCommand(ID_EXPORT_CONFIG);
    EXPECT_EQ((std::vector<std::string>{"服务配置文件保存成功!",
                                        "有 2 个服务的名称含有配置文件无法表示的字符,未写入此文件。"}),
              m_watcher.Take());
    std::string strFile = ReadFileText(strPath);
    EXPECT_NE(std::string::npos, strFile.find(GbkFromWide(asked.wstrName) + "&手动\r\n"));
    EXPECT_EQ(strFile.find(GbkFromWide(asked.wstrName) + "&"), strFile.rfind(GbkFromWide(asked.wstrName) + "&"));
}

} // namespace
