// The main window in this process, driven with the messages a user's
// actions send, against test-bed services in the real manager.
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/CountingSession.h"

#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "services/ManagerSession.h"

namespace
{
class MainWindowTest : public MainWindowHarness
{
};
TEST_F(MainWindowTest, ListShowsEveryServiceAsTheManagerSeesIt)
{
    TestServiceSpec running;
    running.strName = UniqueServiceName("QmListRun");
    running.strDisplayName = "测试运行中";
    running.strArguments = "--accept=stop,pause";
    running.dwStartType = SERVICE_AUTO_START;
    TestServiceSpec paused = running;
    paused.strName = UniqueServiceName("QmListPause");
    paused.strDisplayName = "测试已暂停";
    TestServiceSpec starting = running;
    starting.strName = UniqueServiceName("QmListStarting");
    starting.strDisplayName = "测试启动中";
    starting.strArguments = "--start-pending=60000";
    TestServiceSpec disabled;
    disabled.strName = UniqueServiceName("QmListDisabled");
    disabled.dwStartType = SERVICE_DISABLED;

    CTestService runningService(running), pausedService(paused), startingService(starting),
        disabledService(disabled);
    ASSERT_TRUE(runningService.Created());
    ASSERT_TRUE(pausedService.Created());
    ASSERT_TRUE(startingService.Created());
    ASSERT_TRUE(disabledService.Created());
    ASSERT_TRUE(runningService.StartAndWaitRunning());
    ASSERT_TRUE(pausedService.StartAndWaitRunning());
    ASSERT_TRUE(pausedService.SendControl(SERVICE_CONTROL_PAUSE));
    ASSERT_TRUE(pausedService.WaitForState(SERVICE_PAUSED));
    ASSERT_TRUE(startingService.Start());
    ASSERT_TRUE(startingService.WaitForState(SERVICE_START_PENDING));

    ASSERT_TRUE(OpenWindow());
    std::vector<ListRow> rows = RowsOf(m_pDialog->ServiceList());
    auto view = ManagerView();
    ASSERT_EQ(view.size(), rows.size());
    for (const auto& entry : view)
    {
        SCOPED_TRACE(entry.first);
        const ListRow* pRow = FindRow(rows, entry.first);
        ASSERT_NE(nullptr, pRow);
        EXPECT_EQ(entry.second.first, pRow->strState);
        EXPECT_EQ(entry.second.second, pRow->strStartType);
        int nExpectedImage = pRow->strStartType == "自动" ? 0 : pRow->strStartType == "手动" ? 1 : 2;
        EXPECT_EQ(nExpectedImage, pRow->nImage);
    }
    EXPECT_EQ("已启动", FindRow(rows, running.strName)->strState);
    EXPECT_EQ("测试运行中", FindRow(rows, running.strName)->strDisplay);
    EXPECT_EQ(0, FindRow(rows, running.strName)->nImage);
    EXPECT_EQ("已暂停", FindRow(rows, paused.strName)->strState);
    EXPECT_EQ("正在启动", FindRow(rows, starting.strName)->strState);
    EXPECT_EQ("", FindRow(rows, disabled.strName)->strState);
    EXPECT_EQ("已禁用", FindRow(rows, disabled.strName)->strStartType);
    EXPECT_EQ(2, FindRow(rows, disabled.strName)->nImage);
    EXPECT_EQ("共有" + std::to_string(rows.size()) + "项全部系统服务", TextOf(GetDlgItem(Window(), IDC_SUMMARY)));
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(rows[i - 1].strDisplay, rows[i].strDisplay) << "sorted by bytes";

    // After start-up nothing is remembered and the run commands are off.
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    for (int nId : {IDC_BTN_START, IDC_BTN_PAUSE, IDC_BTN_STOP})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Window(), nId))) << nId;
    for (UINT nId : {ID_START_SERVICE, ID_PAUSE_SERVICE, ID_STOP_SERVICE})
        EXPECT_FALSE(MenuItemEnabled(nId)) << nId;
    EXPECT_TRUE(MenuItemEnabled(ID_DELETE_SERVICE));
}

TEST_F(MainWindowTest, CategoryLabelsFilterTheList)
{
    TestServiceSpec runningSpec;
    runningSpec.strName = UniqueServiceName("QmCatRun");
    runningSpec.strArguments = "--accept=stop";
    runningSpec.dwStartType = SERVICE_AUTO_START;
    TestServiceSpec startingSpec = runningSpec;
    startingSpec.strName = UniqueServiceName("QmCatStarting");
    startingSpec.strArguments = "--start-pending=60000";
    startingSpec.dwStartType = SERVICE_DEMAND_START;
    TestServiceSpec disabledSpec;
    disabledSpec.strName = UniqueServiceName("QmCatDisabled");
    disabledSpec.dwStartType = SERVICE_DISABLED;
    TestServiceSpec unknownSpec;
    unknownSpec.strName = UniqueServiceName("QmCatSystemStart");
    CTestService running(runningSpec), starting(startingSpec), disabled(disabledSpec), unknown(unknownSpec);
    ASSERT_TRUE(running.Created());
    ASSERT_TRUE(starting.Created());
    ASSERT_TRUE(disabled.Created());
    ASSERT_TRUE(unknown.Created());
    ASSERT_TRUE(running.StartAndWaitRunning());
    ASSERT_TRUE(starting.Start());
    // Win32 services cannot be given system start through the manager;
    // the list reads start types from its store, where it can be written.
    ASSERT_TRUE(unknown.SetStoredDword("Start", SERVICE_SYSTEM_START));

    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    int nAll = list.GetItemCount();
    ASSERT_TRUE(Listed(list, unknownSpec.strName));
    EXPECT_EQ("未知", list.GetItemText(RowOf(list, unknownSpec.strName), 3));
    EXPECT_EQ(2, list.GetItemImage(RowOf(list, unknownSpec.strName)));

    // Remember a row first, so that the reset a click makes can be seen.
    ClickRow(RowOf(list, runningSpec.strName));
    ASSERT_NE(-1, m_pDialog->SelectedRow());
    ASSERT_NE(nullptr, m_pDialog->DependencyTree().GetNextItem(nullptr, TVGN_ROOT));

    struct Case
    {
        std::string strLabel;
        std::string strSummaryFilter;
        bool bRunning, bStarting, bDisabled, bUnknown;
    };
    const Case cases[] = {
        {"已启动", "已启动", true, false, false, false},
        {"已暂停", "已暂停", false, false, false, false},
        {"已停止", "已停止", false, false, true, true},
        {"自动", "自动", true, false, false, false},
        {"手动", "手动", false, true, false, false},
        {"已禁用", "已禁用", false, false, true, false},
        {"运行状态", "全部", true, true, true, true},
        {"启动类型", "全部", true, true, true, true},
        {"Windows系统服务", "全部", true, true, true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.strLabel);
        ClickCategory(c.strLabel);
        EXPECT_EQ(c.bRunning, Listed(list, runningSpec.strName));
        EXPECT_EQ(c.bStarting, Listed(list, startingSpec.strName));
        EXPECT_EQ(c.bDisabled, Listed(list, disabledSpec.strName));
        EXPECT_EQ(c.bUnknown, Listed(list, unknownSpec.strName));
        EXPECT_EQ("共有" + std::to_string(list.GetItemCount()) + "项" + c.strSummaryFilter + "系统服务",
                  TextOf(GetDlgItem(Window(), IDC_SUMMARY)));
        if (c.strSummaryFilter == "全部")
        {
            EXPECT_EQ(nAll, list.GetItemCount());
        }
        bool bStateLeaf = c.strLabel == "已启动" || c.strLabel == "已暂停";
        for (int i = 0; i < list.GetItemCount(); ++i)
        {
            if (c.strLabel == "已停止")
            {
                EXPECT_EQ("", list.GetItemText(i, 2));
            }
            else if (bStateLeaf)
            {
                EXPECT_EQ(c.strLabel, list.GetItemText(i, 2));
            }
            else if (c.strSummaryFilter != "全部")
            {
                EXPECT_EQ(c.strLabel, list.GetItemText(i, 3));
            }
        }
        EXPECT_EQ(-1, m_pDialog->SelectedRow());
        EXPECT_EQ(nullptr, m_pDialog->DependencyTree().GetNextItem(nullptr, TVGN_ROOT));
        EXPECT_EQ("", TextOf(GetDlgItem(Window(), IDC_STATUS_LINE)));
        for (int nId : {IDC_BTN_START, IDC_BTN_PAUSE, IDC_BTN_STOP})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Window(), nId))) << nId;
    }

    // A click beside the labels changes nothing.
    ClickCategory("已禁用");
    std::string strSummary = TextOf(GetDlgItem(Window(), IDC_SUMMARY));
    RECT rect;
    GetClientRect(m_pDialog->CategoryTree().GetSafeHwnd(), &rect);
    POINT pt = {rect.right - 5, rect.bottom - 5};
    ClientToScreen(m_pDialog->CategoryTree().GetSafeHwnd(), &pt);
    SetCursorPos(pt.x, pt.y);
    NMHDR notify = {m_pDialog->CategoryTree().GetSafeHwnd(), IDC_CATEGORY_TREE, static_cast<UINT>(NM_CLICK)};
    SendMessageA(Window(), WM_NOTIFY, IDC_CATEGORY_TREE, reinterpret_cast<LPARAM>(&notify));
    EXPECT_EQ(strSummary, TextOf(GetDlgItem(Window(), IDC_SUMMARY)));

    // Down on the last item finds nothing below and lists everything.
    const CTreeCtrl& tree = m_pDialog->CategoryTree();
    tree.SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, "已禁用")));
    NMTVKEYDOWN key = {};
    key.hdr = {tree.GetSafeHwnd(), IDC_CATEGORY_TREE, static_cast<UINT>(TVN_KEYDOWN)};
    key.wVKey = VK_DOWN;
    SendMessageA(Window(), WM_NOTIFY, IDC_CATEGORY_TREE, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ(nAll, list.GetItemCount());
    // Up from there lists the item above.
    key.wVKey = VK_UP;
    SendMessageA(Window(), WM_NOTIFY, IDC_CATEGORY_TREE, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ("共有" + std::to_string(list.GetItemCount()) + "项手动系统服务", TextOf(GetDlgItem(Window(), IDC_SUMMARY)));
}

// A category click shows the services the last listing or pass knew and
// asks the manager nothing; the passes then update the rows it chose, take
// out one deleted meanwhile and leave out one registered since, which the
// next click shows.
TEST_F(MainWindowTest, ACategoryClickShowsWhatThePassesKnowWithoutTheManager)
{
    TestServiceSpec staysSpec;
    staysSpec.strName = UniqueServiceName("QmLeafStays");
    staysSpec.strArguments = "--accept=stop";
    staysSpec.dwStartType = SERVICE_DEMAND_START;
    TestServiceSpec goesSpec = staysSpec, comesSpec = staysSpec;
    goesSpec.strName = UniqueServiceName("QmLeafGoes");
    comesSpec.strName = UniqueServiceName("QmLeafComes");
    CTestService stays(staysSpec), goes(goesSpec);
    ASSERT_TRUE(stays.Created());
    ASSERT_TRUE(goes.Created());
    ASSERT_TRUE(OpenWindow());
    KillTimer(Window(), CMainDlg::kStatusTimer);
    CCountingSession::Counts calls;
    m_pDialog->SetServiceSession(std::make_unique<CCountingSession>(OpenServiceSession(), &calls));
    m_pDialog->RefreshServiceStates();
    CTestService comes(comesSpec);
    ASSERT_TRUE(comes.Created());
    ASSERT_TRUE(stays.StartAndWaitRunning());

    const CListCtrl& list = m_pDialog->ServiceList();
    int nCallsBefore = calls.Total();
    ClickCategory("已停止");
    EXPECT_EQ(nCallsBefore, calls.Total()) << "a category click asked the manager";
    EXPECT_TRUE(Listed(list, staysSpec.strName)) << "running since the last pass only";
    EXPECT_TRUE(Listed(list, goesSpec.strName));
    EXPECT_FALSE(Listed(list, comesSpec.strName)) << "registered after the last pass";

    goes.Remove();
    ASSERT_FALSE(goes.Exists());
    m_pDialog->RefreshServiceStates();
    EXPECT_EQ("已启动", list.GetItemText(RowOf(list, staysSpec.strName), 2)) << "a pass updates the rows shown";
    EXPECT_FALSE(Listed(list, goesSpec.strName));
    EXPECT_FALSE(Listed(list, comesSpec.strName)) << "shown only at the next click";

    nCallsBefore = calls.Total();
    ClickCategory("已停止");
    EXPECT_EQ(nCallsBefore, calls.Total());
    EXPECT_FALSE(Listed(list, staysSpec.strName));
    EXPECT_TRUE(Listed(list, comesSpec.strName));
}

TEST_F(MainWindowTest, HeaderClicksSortByDisplayNameBytes)
{
    std::vector<std::unique_ptr<CTestService>> services;
    for (const char* pszDisplay : {"zz 小写", "ZZ Upper", "测试排序", "AA first"})
    {
        TestServiceSpec spec;
        spec.strName = UniqueServiceName("QmSort");
        spec.strDisplayName = pszDisplay;
        services.emplace_back(new CTestService(spec));
        ASSERT_TRUE(services.back()->Created());
    }
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    auto isSorted = [&list] {
        for (int i = 1; i < list.GetItemCount(); ++i)
        {
            std::string strPrevious = list.GetItemText(i - 1, 0), strThis = list.GetItemText(i, 0);
            // Unsigned bytes: std::string compares char_traits<char>, which
            // is unsigned comparison as well.
            if (strPrevious.compare(strThis) > 0)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(isSorted());
    EXPECT_LT(RowOf(list, services[1]->Name()), RowOf(list, services[0]->Name())) << "upper case first";
    EXPECT_LT(RowOf(list, services[0]->Name()), RowOf(list, services[2]->Name())) << "GBK after ASCII";
    for (int nColumn : {3, 1, 1})
    {
        std::vector<ListRow> before = RowsOf(list);
        NMLISTVIEW notify = {};
        notify.hdr = {list.GetSafeHwnd(), IDC_SERVICE_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
        notify.iSubItem = nColumn;
        SendMessageA(Window(), WM_NOTIFY, IDC_SERVICE_LIST, reinterpret_cast<LPARAM>(&notify));
        EXPECT_TRUE(isSorted());
        std::vector<ListRow> after = RowsOf(list);
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(before[i].strDisplay, after[i].strDisplay);
    }
}

TEST_F(MainWindowTest, DetailsPaneShowsDescriptionAdviceDependenciesAndPath)
{
    TestServiceSpec targetSpec;
    targetSpec.strName = UniqueServiceName("QmDepTarget");
    targetSpec.strDisplayName = "依赖目标";
    TestServiceSpec plainSpec;
    plainSpec.strName = UniqueServiceName("QmDepPlain");
    // Protected in the knowledge base, with a description and several
    // dependencies, one of them a group and one too short to show.
    TestServiceSpec workstationSpec;
    workstationSpec.strName = "lanmanworkstation";
    workstationSpec.strDescription = "工作站服务测试";
    workstationSpec.strArguments = "--accept=stop";
    workstationSpec.dependencies = {targetSpec.strName, "x", plainSpec.strName, "+QmTestGroup"};
    TestServiceSpec dependentSpec;
    dependentSpec.strName = UniqueServiceName("QmDependent");
    dependentSpec.strDisplayName = "依赖者";
    dependentSpec.dependencies = {"lanmanworkstation"};
    TestServiceSpec alerterSpec;
    alerterSpec.strName = "Alerter";
    CTestService target(targetSpec), plain(plainSpec), workstation(workstationSpec), dependent(dependentSpec),
        alerter(alerterSpec);
    for (CTestService* pService : {&target, &plain, &workstation, &dependent, &alerter})
        ASSERT_TRUE(pService->Created());
    ASSERT_TRUE(workstation.StartAndWaitRunning());

    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    HWND hSummary = GetDlgItem(Window(), IDC_SUMMARY);
    HWND hStatus = GetDlgItem(Window(), IDC_STATUS_LINE);

    ClickRow(RowOf(list, "lanmanworkstation"));
    ServiceAdvice workstationAdvice(ServiceKnowledgeBase::Entry(179));
    EXPECT_EQ("服务描述:\n\n  工作站服务测试\n\n补充:\n\n  " + workstationAdvice.AdviceText(), TextOf(hSummary));
    EXPECT_EQ("文件路径:" + CTestService::TestBedCommandLine("--accept=stop"), TextOf(hStatus));
    EXPECT_FALSE(MenuItemEnabled(ID_DELETE_SERVICE));
    // Running, accepting stop only.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Window(), IDC_BTN_START)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Window(), IDC_BTN_PAUSE)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Window(), IDC_BTN_STOP)));
    const CTreeCtrl& depends = m_pDialog->DependencyTree();
    ASSERT_EQ((std::vector<std::string>{"此服务依赖于以下服务", "以下服务依赖于此服务"}), TreeTexts(depends, nullptr));
    HTREEITEM hDependsOn = depends.GetNextItem(nullptr, TVGN_ROOT);
    HTREEITEM hDependents = depends.GetNextItem(hDependsOn, TVGN_NEXT);
    EXPECT_EQ((std::vector<std::string>{"依赖目标", plainSpec.strName, "+QmTestGroup"}), TreeTexts(depends, hDependsOn));
    EXPECT_EQ((std::vector<std::string>{"依赖者"}), TreeTexts(depends, hDependents));
    EXPECT_TRUE(depends.SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hDependsOn), TVIS_EXPANDED) &
                TVIS_EXPANDED);
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("main-window-details"));

    // A second click on the same row does not show it again.
    SetWindowTextA(hSummary, "marker");
    ClickRow(RowOf(list, "lanmanworkstation"));
    EXPECT_EQ("marker", TextOf(hSummary));

    // No knowledge-base entry: nothing appended, the delete item untouched.
    ClickRow(RowOf(list, plainSpec.strName));
    EXPECT_EQ("服务描述:\n\n  \n\n补充:\n\n  ", TextOf(hSummary));
    EXPECT_FALSE(MenuItemEnabled(ID_DELETE_SERVICE));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Window(), IDC_BTN_START))) << "stopped and startable";
    EXPECT_EQ((std::vector<std::string>{}), TreeTexts(depends, depends.GetNextItem(nullptr, TVGN_ROOT)));

    // An entry without protection enables it again.
    ClickRow(RowOf(list, "Alerter"));
    EXPECT_TRUE(MenuItemEnabled(ID_DELETE_SERVICE));
    EXPECT_NE(std::string::npos, TextOf(hSummary).find(ServiceAdvice(ServiceKnowledgeBase::Entry(102)).AdviceText()));

    // Up on the first row and Down on the last show that row again.
    for (bool bDown : {false, true})
    {
        SCOPED_TRACE(bDown ? "down at the end" : "up at the start");
        int nEdge = bDown ? list.GetItemCount() - 1 : 0;
        ClickRow(nEdge);
        SetWindowTextA(hSummary, "marker");
        PressKeyInList(bDown ? VK_DOWN : VK_UP);
        EXPECT_EQ(nEdge, m_pDialog->SelectedRow());
        EXPECT_NE("marker", TextOf(hSummary));
    }
    // A click on empty space forgets the row and leaves the pane alone.
    SetWindowTextA(hSummary, "marker");
    ClickRow(-1);
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    EXPECT_EQ("marker", TextOf(hSummary));
}

// A service gone behind the list is reported once, with its code, and its
// row leaves; nothing further is asked of it and the program goes on.
TEST_F(MainWindowTest, ServiceGoneBehindTheListIsReportedWithoutFollowUps)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName("QmGone");
    auto pService = std::make_unique<CTestService>(spec);
    ASSERT_TRUE(pService->Created());
    TestServiceSpec otherSpec;
    otherSpec.strName = UniqueServiceName("QmStaysOn");
    CTestService other(otherSpec);
    ASSERT_TRUE(other.Created());
    ASSERT_TRUE(OpenWindow());
    int nRow = RowOf(m_pDialog->ServiceList(), spec.strName);
    ASSERT_NE(-1, nRow);
    HWND hStatus = GetDlgItem(Window(), IDC_STATUS_LINE);
    ClickRow(RowOf(m_pDialog->ServiceList(), otherSpec.strName));
    ASSERT_EQ("文件路径:" + CTestService::TestBedCommandLine(""), TextOf(hStatus));
    pService.reset();

    ClickRow(nRow);
    EXPECT_EQ((std::vector<std::string>{"服务不存在(错误代码1060),本次操作失败!"}), m_watcher.Texts());
    // The open failed: the status line names no path, neither the last
    // service's nor none at all.
    EXPECT_EQ("文件路径:", TextOf(hStatus));
    ASSERT_EQ(1u, m_watcher.Boxes().size());
    EXPECT_EQ("提示", m_watcher.Boxes()[0].strCaption);
    m_watcher.Clear();
    EXPECT_FALSE(Listed(m_pDialog->ServiceList(), spec.strName));
    EXPECT_EQ(-1, m_pDialog->SelectedRow());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    // The polling goes on.
    ASSERT_TRUE(other.StartAndWaitRunning());
    EXPECT_TRUE(WaitFor([&] { return CellOf(otherSpec.strName, 2) == "已启动"; }, "a later pass"));
}

// Only what the program cannot go on from ends it: here, no manager, so no
// first listing.
TEST_F(MainWindowTest, WithoutAFirstListingTheProgramEndsAfterItsMessage)
{
    m_pDialog.reset(new CMainDlg(nullptr, "QmNoSuchDatabase"));
    ASSERT_TRUE(m_pDialog->Create());
    EXPECT_EQ((std::vector<std::string>{"服务句柄无效!程序将退出!"}), m_watcher.Texts());
    m_watcher.Clear();
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0, m_pDialog->ServiceList().GetItemCount());
}

// A user whose rights end at the list: this computer's list, no manager.
class CListOnlySession : public CManagerSession
{
public:
    CListOnlySession() : CManagerSession(std::wstring(), L"QmNoSuchDatabase") {}
    DWORD Enumerate(DWORD dwType, std::vector<EnumeratedService>* pServices) override
    {
        return m_pList->Enumerate(dwType, pServices);
    }

private:
    std::unique_ptr<IServiceSession> m_pList = OpenServiceSession();
};

// Listed through another door all the same, a row with no manager behind
// it first says why, under the program's name and owned by no window.
TEST_F(MainWindowTest, WithoutAManagerARowSaysWhyBeforeItsFailure)
{
    m_pDialog.reset(new CMainDlg(nullptr, "QmNoSuchDatabase"));
    m_pDialog->SetServiceSession(std::make_unique<CListOnlySession>());
    ASSERT_TRUE(m_pDialog->Create());
    KillTimer(Window(), CMainDlg::kStatusTimer);
    m_watcher.Clear();
    EXPECT_TRUE(Select("Spooler"));
    PumpMessages();
    // A sync the click posted may read the row again: each failure comes as a pair.
    const auto& boxes = m_watcher.Boxes();
    ASSERT_FALSE(boxes.empty());
    ASSERT_EQ(0u, boxes.size() % 2);
    for (std::size_t i = 0; i < boxes.size(); i += 2)
    {
        EXPECT_EQ("Quillmere", boxes[i].strCaption);
        EXPECT_EQ("服务管理句柄错误!", boxes[i].strText);
        EXPECT_EQ(nullptr, boxes[i].hOwner);
        EXPECT_EQ("服务句柄无效(错误代码6),本次操作失败!", boxes[i + 1].strText);
    }
    m_watcher.Clear();
    m_pDialog.reset();
}
std::string BinaryPathOf(const std::string& strName)
{
    ServiceConfigSeen config = ReadServiceConfig(strName);
    return config.bRead ? config.strBinaryPath : "(query failed)";
}

void SendKey(WORD wKey, bool bUp = false)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = wKey;
    input.ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(INPUT));
}

// Whatever moves the highlight (keys, type-ahead, clicks with Ctrl or
// Shift, clicks beside the label), the remembered row is the highlighted
// one and the details pane shows it.
TEST_F(MainWindowTest, TheRememberedRowFollowsTheHighlightWhateverMovesIt)
{
    std::vector<std::unique_ptr<CTestService>> services;
    for (const char* pszStem : {"QmHighlightA", "QmHighlightB", "QmHighlightC"})
    {
        TestServiceSpec spec;
        spec.strName = UniqueServiceName(pszStem);
        services.emplace_back(new CTestService(spec));
        ASSERT_TRUE(services.back()->Created());
    }
    ASSERT_TRUE(OpenWindow());
    const CListCtrl& list = m_pDialog->ServiceList();
    HWND hList = list.GetSafeHwnd();
    SetForegroundWindow(Window());
    SetFocus(hList);
    int nCount = list.GetItemCount();
    ASSERT_GT(nCount, 10);

    auto highlighted = [&] {
        int nFocused = list.GetNextItem(-1, LVNI_FOCUSED);
        if (nFocused != -1 && (list.SendMessage(LVM_GETITEMSTATE, nFocused, LVIS_SELECTED) & LVIS_SELECTED))
            return nFocused;
        return list.GetNextItem(-1, LVNI_SELECTED);
    };
    auto cellCentre = [&](int nRow, int nColumn) {
        RECT rect = {};
        rect.top = nColumn;
        rect.left = LVIR_BOUNDS;
        list.SendMessage(LVM_GETSUBITEMRECT, nRow, reinterpret_cast<LPARAM>(&rect));
        POINT pt = {rect.left + 8, (rect.top + rect.bottom) / 2};
        ClientToScreen(hList, &pt);
        return pt;
    };
    auto click = [&](int nRow, int nColumn, WORD wModifier) {
        list.SendMessage(LVM_ENSUREVISIBLE, nRow, FALSE);
        POINT pt = cellCentre(nRow, nColumn);
        SetCursorPos(pt.x, pt.y);
        if (wModifier != 0)
            SendKey(wModifier);
        ClickAt(pt);
        if (wModifier != 0)
            SendKey(wModifier, true);
    };
    int nTarget = RowOf(list, services[1]->Name());
    ASSERT_NE(-1, nTarget);
    struct Step
    {
        const char* pszWhat;
        std::function<void()> act;
        int nExpected; // -2: any other row than before
    };
    const Step steps[] = {
        {"click beside the label", [&] { click(nTarget, 2, 0); }, nTarget},
        {"Home", [&] { PressKey(VK_HOME); }, 0},
        {"End", [&] { PressKey(VK_END); }, nCount - 1},
        {"Page Up", [&] { PressKey(VK_PRIOR); }, -2},
        {"Page Down", [&] { PressKey(VK_NEXT); }, -2},
        {"Ctrl+click", [&] { click(nTarget - 1, 1, VK_CONTROL); }, nTarget - 1},
        {"Shift+click", [&] { click(nTarget + 1, 3, VK_SHIFT); }, nTarget + 1},
        {"Home again", [&] { PressKey(VK_HOME); }, 0},
        {"type-ahead", [&] { for (WORD wKey : {'Q', 'M', 'H', 'I'}) PressKey(wKey); }, RowOf(list, services[0]->Name())},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        int nBefore = highlighted();
        step.act();
        ASSERT_TRUE(WaitFor(
            [&] {
                int nNow = highlighted();
                bool bMoved = step.nExpected == -2 ? nNow != nBefore && nNow != -1 : nNow == step.nExpected;
                return bMoved && m_pDialog->SelectedRow() == nNow;
            },
            "the remembered row following the highlight", 5000))
            << "highlighted " << highlighted() << ", remembered " << m_pDialog->SelectedRow();
        int nRow = highlighted();
        EXPECT_EQ("文件路径:" + BinaryPathOf(list.GetItemText(nRow, 1)),
                  TextOf(GetDlgItem(Window(), IDC_STATUS_LINE)));
    }
    // And a command acts on that row: here the one type-ahead found.
    SendCommand(IDC_BTN_START);
    EXPECT_TRUE(services[0]->WaitForState(SERVICE_RUNNING));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), services[1]->CurrentState());
}

bool IsGroupBox(HWND hWnd)
{
    char szClass[16] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return lstrcmpiA(szClass, "Button") == 0 && (GetWindowLongA(hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

std::string RectText(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "-" + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

// Also run on the 800-pixel screen. Group boxes frame the controls inside
// them; every other control has its own place inside the window.
TEST_F(MainWindowTest, NoControlCoversAnotherInEitherLayout)
{
    ASSERT_TRUE(OpenWindow());
    RECT client;
    GetClientRect(Window(), &client);
    struct Placed
    {
        int nId;
        RECT rect;
    };
    std::vector<Placed> placed;
    for (HWND hChild = GetWindow(Window(), GW_CHILD); hChild != nullptr; hChild = GetWindow(hChild, GW_HWNDNEXT))
    {
        if (!IsWindowVisible(hChild) || IsGroupBox(hChild))
            continue;
        Placed control = {GetDlgCtrlID(hChild), ClientRectOf(Window(), GetDlgCtrlID(hChild))};
        RECT inside;
        IntersectRect(&inside, &control.rect, &client);
        EXPECT_TRUE(EqualRect(&inside, &control.rect))
            << control.nId << " at " << RectText(control.rect) << " leaves the window " << RectText(client);
        placed.push_back(control);
    }
    ASSERT_GT(placed.size(), 20u);
    for (std::size_t i = 0; i < placed.size(); ++i)
    {
        for (std::size_t j = i + 1; j < placed.size(); ++j)
        {
            RECT common;
            EXPECT_FALSE(IntersectRect(&common, &placed[i].rect, &placed[j].rect))
                << placed[i].nId << " at " << RectText(placed[i].rect) << " and " << placed[j].nId << " at "
                << RectText(placed[j].rect);
        }
    }

    // What the screen shows: the menu-bar and toolbar rows look the same
    // with the list and the category tree hidden, and those two look the
    // same with the rows hidden, so neither is drawn over the other.
    const int rowIds[] = {IDC_BTN_CONFIGURE, IDC_BTN_WIZARD, IDC_BTN_TOOLS,   IDC_BTN_HELP,   IDC_MENU_STRIP,
                          IDC_BTN_EXPORT,    IDC_BTN_IMPORT, IDC_BTN_AUTO,    IDC_BTN_MANUAL, IDC_BTN_DISABLED,
                          IDC_BTN_START,     IDC_BTN_PAUSE,  IDC_BTN_STOP,    IDC_TOOL_STRIP};
    const int paneIds[] = {IDC_SERVICE_LIST, IDC_CATEGORY_TREE};
    // Within the window: the screen is read only where it is.
    auto screenRect = [this](const auto& ids) {
        RECT all = {};
        for (int nId : ids)
        {
            RECT rect;
            GetWindowRect(GetDlgItem(Window(), nId), &rect);
            UnionRect(&all, &all, &rect);
        }
        RECT window;
        GetWindowRect(Window(), &window);
        IntersectRect(&all, &all, &window);
        return all;
    };
    auto shown = [this](const RECT& rect) {
        RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        return ScreenPixels(rect);
    };
    auto showAll = [this](const auto& ids, bool bShow) {
        for (int nId : ids)
            ShowWindow(GetDlgItem(Window(), nId), bShow ? SW_SHOWNA : SW_HIDE);
    };
    auto differing = [](const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
        std::size_t nDiffering = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
            nDiffering += a[i] != b[i] ? 1 : 0;
        return nDiffering;
    };
    const RECT rows = screenRect(rowIds), panes = screenRect(paneIds);
    std::vector<COLORREF> rowsWithPanes = shown(rows), panesWithRows = shown(panes);
    showAll(paneIds, false);
    std::vector<COLORREF> rowsAlone = shown(rows);
    showAll(paneIds, true);
    showAll(rowIds, false);
    std::vector<COLORREF> panesAlone = shown(panes);
    showAll(rowIds, true);
    EXPECT_EQ(0u, differing(rowsWithPanes, rowsAlone)) << "pixels of the rows the panes change";
    EXPECT_EQ(0u, differing(panesWithRows, panesAlone)) << "pixels of the panes the rows change";
    shown(rows);
    HDC hScreen = GetDC(nullptr);
    bool bCompact = GetDeviceCaps(hScreen, HORZRES) == 800;
    ReleaseDC(nullptr, hScreen);
    EXPECT_TRUE(SaveScreenshot(bCompact ? "main-window-rows-compact" : "main-window-rows-standard"));
}

// Run once on an 800-pixel screen and once on a wider one (the runner sets
// QM_EXPECT_SCREEN_WIDTH so that the wrong screen cannot pass unnoticed).
TEST_F(MainWindowTest, LayoutFollowsTheScreenWidth)
{
    HDC hScreen = GetDC(nullptr);
    int nScreenWidth = GetDeviceCaps(hScreen, HORZRES);
    ReleaseDC(nullptr, hScreen);
    if (const char* pszExpected = getenv("QM_EXPECT_SCREEN_WIDTH"))
    {
        ASSERT_EQ(atoi(pszExpected), nScreenWidth);
    }
    bool bCompact = nScreenWidth == 800;
    ASSERT_TRUE(OpenWindow());

    RECT window;
    GetWindowRect(Window(), &window);
    HWND hRule = GetDlgItem(Window(), IDC_DEPENDS_RULE);
    int nNameWidth = static_cast<int>(m_pDialog->ServiceList().SendMessage(LVM_GETCOLUMNWIDTH, 1));
    if (bCompact)
    {
        EXPECT_TRUE(HasRect(window, 0, 0, 800, 570));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_SERVICE_LIST), 153, 78, 480, 435));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_DEPENDS_TREE), 12, 353, 141, 160));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_STATUS_LINE), 46, 532, 740, 12));
        EXPECT_EQ(568, ClientRectOf(Window(), IDC_MENU_STRIP).right - ClientRectOf(Window(), IDC_MENU_STRIP).left);
        EXPECT_FALSE(IsWindowVisible(hRule));
        EXPECT_EQ(90, nNameWidth);
    }
    else
    {
        EXPECT_TRUE(HasRect(window, 0, 0, 883, 678));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_SERVICE_LIST), 157, 78, 542, 531));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_DEPENDS_TREE), 699, 399, 173, 210));
        EXPECT_TRUE(HasRect(ClientRectOf(Window(), IDC_CATEGORY_TREE), 12, 78, 145, 531));
        EXPECT_TRUE(IsWindowVisible(hRule));
        EXPECT_EQ(150, nNameWidth);
    }
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot(bCompact ? "main-window-compact" : "main-window-standard"));

    // A double-click in the title strip (x > 0, y <= 25) brings the window
    // back to its layout; anywhere else it does not.
    struct Case
    {
        int x, y;
        bool bBack;
    };
    const Case cases[] = {{10, 26, false}, {0, 10, false}, {10, 25, true}, {300, 0, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        SetWindowPos(Window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SendMessageA(Window(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(c.x, c.y));
        GetWindowRect(Window(), &window);
        EXPECT_EQ(c.bBack ? 0 : 40, window.left);
        EXPECT_EQ(c.bBack ? 0 : 30, window.top);
    }
}
} // namespace
