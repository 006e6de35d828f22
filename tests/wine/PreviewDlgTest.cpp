// The change preview as the user meets it: what it lists, how each way of
// leaving it ends, that it is modal to its owner, and how it looks.
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/TickBoxes.h"

#include "changes/PreviewDlg.h"
#include "changes/StartTypePreview.h"
#include "services/ServiceErrors.h"
#include "skin/SkinRules.h"

#include <array>
#include <cstdlib>

namespace
{
using Cells = PreviewCells;

PreviewRow Row(const char* pszDisplay, const char* pszName, const char* pszCurrent, const char* pszNew,
               std::vector<std::string> dependents = {}, bool bMarked = false)
{
    PreviewRow row;
    row.strDisplayName = pszDisplay;
    row.strName = pszName;
    row.strCurrent = pszCurrent;
    row.strNew = pszNew;
    row.runningDependents = std::move(dependents);
    row.bMarked = bMarked;
    return row;
}

// What the 安全配置 profile might do on a workstation: two of its services
// have running dependents.
PreviewContent RealisticContent()
{
    PreviewContent content;
    content.strTitle = "配置预览";
    content.rows = {
        Row("Alerter", "Alerter", "手动", "已禁用"),
        Row("Messenger", "Messenger", "自动", "已禁用"),
        Row("Remote Registry", "RemoteRegistry", "自动", "已禁用"),
        Row("Workstation", "lanmanworkstation", "自动", "已禁用",
            {"Computer Browser", "Net Logon", "Remote Desktop Help Session Manager"}, true),
        Row("Telephony", "TapiSrv", "手动", "已禁用", {"Remote Access Connection Manager"}, true),
        Row("Wireless Zero Configuration", "WZCSVC", "自动", "手动"),
        Row("Error Reporting Service", "ERSvc", "自动", "已禁用"),
        Row("Help and Support", "helpsvc", "自动", "手动"),
        Row("Indexing Service", "CiSvc", "手动", "已禁用"),
    };
    content.strSummary = "将更改 9 项服务的启动类型，其中 2 项会停止正在运行的依赖服务。";
    content.notes = {"保持不变：41 项服务的启动类型已符合所选配置。", "未安装：3 项服务不在本机，已跳过。"};
    content.bAnyChange = true;
    return content;
}

PreviewContent NoChangeContent()
{
    PreviewContent content;
    content.strTitle = "撤销上次配置";
    content.strSummary = "没有可撤销的配置：上次的配置已经撤销过了。";
    content.bAnyChange = false;
    return content;
}

PreviewContent LargeContent(int nRows)
{
    PreviewContent content;
    content.strTitle = "配置预览";
    for (int i = 0; i < nRows; ++i)
    {
        std::string strIndex = std::to_string(i + 1);
        content.rows.push_back(Row("", "", "自动", "已禁用"));
        content.rows.back().strDisplayName = "测试服务 " + strIndex;
        content.rows.back().strName = "QmPreview" + strIndex;
        if (i % 10 == 3)
        {
            content.rows.back().runningDependents = {"依赖服务 " + strIndex};
            content.rows.back().bMarked = true;
        }
    }
    content.strSummary = "将更改 " + std::to_string(nRows) + " 项服务的启动类型。";
    content.bAnyChange = true;
    return content;
}

// The preview window this thread shows, or nullptr.
HWND FindPreview()
{
    return FindThreadWindow(IsPreviewWindow);
}

void Repaint(HWND hWnd)
{
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

std::string HeadingOf(HWND hList, int nColumn)
{
    char szText[256] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = szText;
    column.cchTextMax = sizeof(szText);
    if (!SendMessageA(hList, LVM_GETCOLUMNA, nColumn, reinterpret_cast<LPARAM>(&column)))
        return "(no column)";
    return szText;
}

int ColumnCount(HWND hList)
{
    HWND hHeader = reinterpret_cast<HWND>(SendMessageA(hList, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0));
}

// The darkest pixel a button shows inside its border: on the light face,
// a pixel of the caption in its full colour (its edges are blended).
COLORREF DarkestPixelInside(HWND hButton)
{
    RECT rect = ScreenRectOf(hButton);
    InflateRect(&rect, -4, -4);
    COLORREF crDarkest = RGB(255, 255, 255);
    for (COLORREF crPixel : ScreenPixels(rect))
    {
        if (GetRValue(crPixel) + GetGValue(crPixel) + GetBValue(crPixel) <
            GetRValue(crDarkest) + GetGValue(crDarkest) + GetBValue(crDarkest))
            crDarkest = crPixel;
    }
    return crDarkest;
}

// Wine hands what a window drew to the screen a little later: until then the
// screen may show the dialog's background where its controls are.
testing::AssertionResult WaitUntilOnScreen(HWND hPreview)
{
    auto drawn = [hPreview](int nId) {
        std::vector<COLORREF> pixels = ScreenPixels(ScreenRectOf(GetDlgItem(hPreview, nId)));
        return CountOf(pixels, CSkinDialog::kStaticBack) < static_cast<int>(pixels.size()) / 2;
    };
    return WaitFor([&] { return drawn(IDC_PREVIEW_LIST) && drawn(IDC_BTN_PREVIEW_CANCEL); },
                   "the preview on the screen", 5000, hPreview);
}

// A window that owns the preview and nothing else.
class COwnerWindow
{
public:
    COwnerWindow()
    {
        m_hWnd = CreateWindowExA(0, "STATIC", "preview owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        m_wnd.Attach(m_hWnd);
    }
    ~COwnerWindow() { DestroyWindow(m_hWnd); }
    COwnerWindow(const COwnerWindow&) = delete;
    COwnerWindow& operator=(const COwnerWindow&) = delete;
    CWnd* Wnd() { return &m_wnd; }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
    CWnd m_wnd;
};

// What DoModal returns when the watchdog had to end the window.
constexpr INT_PTR kTimedOut = 0x7E57;
constexpr DWORD kTickMs = 30;
constexpr int kWatchdogTicks = 5000 / kTickMs;

// One modal run of the preview. The script runs once, on a thread timer's
// tick inside the window's own modal loop, as soon as the window shows; it
// looks, and sends the input whose outcome DoModal then returns. A window
// still up five seconds later is ended with kTimedOut.
struct ModalRun
{
    std::function<void(HWND hPreview)> script;
    bool bScriptRan = false;
    bool bInScript = false;
    int nTicksAfter = 0;
    HWND hPreview = nullptr;
};
ModalRun* g_pRun = nullptr;

VOID CALLBACK ModalTick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalRun& run = *g_pRun;
    if (run.bInScript)
        return;
    if (!run.bScriptRan)
    {
        HWND hPreview = FindPreview();
        if (hPreview == nullptr)
            return;
        run.bScriptRan = run.bInScript = true;
        run.hPreview = hPreview;
        Repaint(hPreview);
        EXPECT_TRUE(WaitUntilOnScreen(hPreview));
        run.script(hPreview);
        run.bInScript = false;
        return;
    }
    if (++run.nTicksAfter > kWatchdogTicks && IsWindow(run.hPreview))
        EndDialog(run.hPreview, kTimedOut);
}

INT_PTR RunModal(CWnd* pOwner, const PreviewContent& content, std::function<void(HWND hPreview)> script,
                 bool* pbScriptRan = nullptr)
{
    ModalRun run;
    run.script = std::move(script);
    g_pRun = &run;
    UINT_PTR nTimer = SetTimer(nullptr, 0, kTickMs, ModalTick);
    CPreviewDlg dialog(pOwner, content);
    INT_PTR nResult = dialog.DoModal();
    KillTimer(nullptr, nTimer);
    g_pRun = nullptr;
    if (pbScriptRan != nullptr)
        *pbScriptRan = run.bScriptRan;
    return nResult;
}

const char* ResultName(INT_PTR nResult)
{
    switch (nResult)
    {
    case IDOK:
        return "IDOK";
    case IDCANCEL:
        return "IDCANCEL";
    case kTimedOut:
        return "still open after 5 s";
    default:
        return "something else";
    }
}

class PreviewDlgTest : public MainWindowHarness
{
protected:
    // The preview shown modeless, for reading what it shows.
    testing::AssertionResult Open(const PreviewContent& content)
    {
        m_pPreview.reset(new CPreviewDlg(m_owner.Wnd(), content));
        if (!m_pPreview->Create())
            return testing::AssertionFailure() << "the preview was not created";
        ShowWindow(Preview(), SW_SHOW);
        PumpMessages();
        return testing::AssertionSuccess();
    }
    HWND Preview() const { return m_pPreview->GetSafeHwnd(); }
    HWND Item(int nId) const { return GetDlgItem(Preview(), nId); }

    void TearDown() override
    {
        m_pPreview.reset();
        MainWindowHarness::TearDown();
    }

    COwnerWindow m_owner;
    std::unique_ptr<CPreviewDlg> m_pPreview;
};

TEST_F(PreviewDlgTest, ShowsTheRowsSummaryAndNotesExactly)
{
    const Cells headings = {"显示名称", "服务名称", "当前启动类型", "新启动类型", "运行中的依赖服务"};
    const std::string strLegend = "※ 禁用后将停止正在运行的依赖服务";
    PreviewContent plain;
    plain.strTitle = "配置预览";
    plain.rows = {Row("Print Spooler", "Spooler", "自动", "手动"), Row("Alerter", "Alerter", "手动", "已禁用")};
    plain.strSummary = "将更改 2 项服务的启动类型。";
    plain.notes = {"保持不变：5 项服务。"};
    plain.bAnyChange = true;

    PreviewContent notesOnly = plain;
    notesOnly.notes = {};

    PreviewContent manyNotes = plain;
    manyNotes.notes = {"1", "2", "3", "4", "5", "6", "7"};
    manyNotes.rows[0].bMarked = true;

    PreviewContent undo;
    undo.strTitle = "撤销上次配置";
    undo.rows = {Row("Workstation", "lanmanworkstation", "已禁用", "自动"),
                 Row("Server", "lanmanserver", "手动", "已禁用", {"Computer Browser", "Net Logon", "远程桌面"}, true),
                 Row("A & B", "a&b", "自动", "已禁用", {"&Dependent"}, true)};
    undo.strSummary = "将撤销上次配置：3 项服务 & 2 项会停止依赖服务。";
    undo.notes = {"第一行", "第二行"};
    undo.bAnyChange = true;

    struct Case
    {
        const char* pszWhat;
        PreviewContent content;
        std::vector<Cells> rows;
        std::string strNotes;
        bool bNotesScroll;
    };
    const Case cases[] = {
        {"plain rows", plain,
         {{"Print Spooler", "Spooler", "自动", "手动", ""}, {"Alerter", "Alerter", "手动", "已禁用", ""}},
         "保持不变：5 项服务。", false},
        {"no notes, nothing marked", notesOnly,
         {{"Print Spooler", "Spooler", "自动", "手动", ""}, {"Alerter", "Alerter", "手动", "已禁用", ""}},
         "", false},
        {"more notes than the box shows", manyNotes,
         {{"※Print Spooler", "Spooler", "自动", "手动", ""}, {"Alerter", "Alerter", "手动", "已禁用", ""}},
         "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n" + strLegend, true},
        {"marked rows with dependents", undo,
         {{"Workstation", "lanmanworkstation", "已禁用", "自动", ""},
          {"※Server", "lanmanserver", "手动", "已禁用", "Computer Browser、Net Logon、远程桌面"},
          {"※A & B", "a&b", "自动", "已禁用", "&Dependent"}},
         "第一行\r\n第二行\r\n" + strLegend, false},
        {"no change", NoChangeContent(), {}, "", false},
        // What an application could not change, under the failures' own headings.
        {"failures",
         StartTypePreview::Failures({{"QmDenied", "Denied display", 4, 5}, {"QmDoomed", "QmDoomed", 2, 1072}}),
         {{"Denied display", "QmDenied", "5", "已禁用", ServiceFailureText(5)},
          {"QmDoomed", "QmDoomed", "1072", "自动", ServiceFailureText(1072)}},
         "", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        ASSERT_TRUE(Open(c.content));
        HWND hList = Item(IDC_PREVIEW_LIST);
        ASSERT_EQ(5, ColumnCount(hList));
        const Cells failureHeadings = {"显示名称", "服务名称", "错误代码", "新启动类型", "错误说明"};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ((c.content.pHeadings != nullptr ? failureHeadings : headings)[i], HeadingOf(hList, i))
                << "column " << i;
        if (c.content.pHeadings != nullptr)
        {
            EXPECT_TRUE(SaveScreenshot("preview-failures"));
        }
        EXPECT_EQ(c.rows, PreviewCellsOf(hList));
        EXPECT_EQ(c.content.bTickBoxes, HasTickBoxes(hList)) << "the failures window has none";
        EXPECT_EQ(c.content.strSummary, TextOf(Item(IDC_PREVIEW_SUMMARY)));
        EXPECT_EQ(c.strNotes, TextOf(Item(IDC_PREVIEW_NOTES)));
        EXPECT_EQ(c.bNotesScroll, (GetWindowLongPtrA(Item(IDC_PREVIEW_NOTES), GWL_STYLE) & WS_VSCROLL) != 0);
        EXPECT_EQ(c.content.strTitle, TextOf(Preview()));
        EXPECT_EQ(c.content.bAnyChange, IsWindowEnabled(Item(IDC_BTN_PREVIEW_APPLY)) != FALSE);
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_BTN_PREVIEW_CANCEL)));
        EXPECT_EQ("应用", TextOf(Item(IDC_BTN_PREVIEW_APPLY)));
        EXPECT_EQ("取消", TextOf(Item(IDC_BTN_PREVIEW_CANCEL)));
        // The ampersands are shown, not taken for mnemonics.
        EXPECT_TRUE(GetWindowLongPtrA(Item(IDC_PREVIEW_SUMMARY), GWL_STYLE) & SS_NOPREFIX);
        // The notes are read, never edited.
        EXPECT_TRUE(GetWindowLongPtrA(Item(IDC_PREVIEW_NOTES), GWL_STYLE) & ES_READONLY);
        m_pPreview.reset();
    }
}

// Each way out, by real input: only "应用" applies.
TEST_F(PreviewDlgTest, OnlyApplyReturnsIdok)
{
    auto click = [](int nId) { return [nId](HWND hPreview) { ClickAt(CentreOf(GetDlgItem(hPreview, nId))); }; };
    auto press = [](WORD wKey) { return [wKey](HWND) { PressKey(wKey); }; };
    auto clickFirstRowThenEnter = [](HWND hPreview) {
        HWND hList = GetDlgItem(hPreview, IDC_PREVIEW_LIST);
        RECT row = {LVIR_LABEL, 0, 0, 0};
        SendMessageA(hList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        POINT pt = {row.left + 10, (row.top + row.bottom) / 2};
        ClientToScreen(hList, &pt);
        ClickAt(pt);
        PressKey(VK_RETURN);
    };
    auto shiftTabThenSpace = [](HWND) {
        // From "取消" back to "应用", then the space bar presses it.
        SendKey(VK_SHIFT);
        PressKey(VK_TAB);
        SendKey(VK_SHIFT, true);
        PressKey(VK_SPACE);
    };
    struct Case
    {
        const char* pszWhat;
        std::function<void(HWND)> script;
        INT_PTR nExpected;
    };
    const Case cases[] = {
        {"click 应用", click(IDC_BTN_PREVIEW_APPLY), IDOK},
        {"Shift+Tab to 应用, Space", shiftTabThenSpace, IDOK},
        {"click 取消", click(IDC_BTN_PREVIEW_CANCEL), IDCANCEL},
        {"click the close box", click(IDCANCEL), IDCANCEL},
        {"Esc", press(VK_ESCAPE), IDCANCEL},
        {"Enter", press(VK_RETURN), IDCANCEL},
        {"Space on 取消", press(VK_SPACE), IDCANCEL},
        {"click a row, Enter", clickFirstRowThenEnter, IDCANCEL},
        {"WM_CLOSE", [](HWND hPreview) { PostMessageA(hPreview, WM_CLOSE, 0, 0); }, IDCANCEL},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        bool bScriptRan = false;
        INT_PTR nResult = RunModal(m_owner.Wnd(), RealisticContent(), c.script, &bScriptRan);
        EXPECT_TRUE(bScriptRan);
        EXPECT_EQ(c.nExpected, nResult) << ResultName(nResult);
    }
}

TEST_F(PreviewDlgTest, IsModalToItsOwnerWithTheFocusOnCancel)
{
    struct Seen
    {
        HWND hOwner = nullptr;
        bool bOwnerEnabled = true;
        HWND hFocus = nullptr;
        HWND hCancel = nullptr;
        LRESULT nDefId = 0;
        bool bOwnerClickIgnored = false;
    } seen;
    HWND hOwner = m_owner.Get();
    INT_PTR nResult = RunModal(m_owner.Wnd(), RealisticContent(), [&](HWND hPreview) {
        seen.hOwner = GetWindow(hPreview, GW_OWNER);
        seen.bOwnerEnabled = IsWindowEnabled(hOwner) != FALSE;
        seen.hFocus = GetFocus();
        seen.hCancel = GetDlgItem(hPreview, IDC_BTN_PREVIEW_CANCEL);
        seen.nDefId = SendMessageA(hPreview, DM_GETDEFID, 0, 0);
        // A click on the owner leaves the preview up: then Esc ends it.
        ClickAt(CentreOf(hOwner));
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, nResult) << ResultName(nResult);
    EXPECT_EQ(hOwner, seen.hOwner);
    EXPECT_FALSE(seen.bOwnerEnabled) << "the owner takes no input while the preview is up";
    EXPECT_EQ(seen.hCancel, seen.hFocus) << "the focus starts on 取消";
    EXPECT_EQ(MAKELRESULT(IDC_BTN_PREVIEW_CANCEL, DC_HASDEFID), seen.nDefId) << "取消 is the default button";
    EXPECT_TRUE(IsWindowEnabled(hOwner)) << "the owner takes input again";
}

TEST_F(PreviewDlgTest, WithoutAChangeApplyIsOffAndDoesNothing)
{
    struct Case
    {
        const char* pszWhat;
        std::function<void(HWND)> first;
    };
    const Case cases[] = {
        {"click on 应用", [](HWND hPreview) { ClickAt(CentreOf(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY))); }},
        {"its command posted all the same",
         [](HWND hPreview) {
             PostMessageA(hPreview, WM_COMMAND, MAKEWPARAM(IDC_BTN_PREVIEW_APPLY, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY)));
         }},
        {"IDOK posted", [](HWND hPreview) { PostMessageA(hPreview, WM_COMMAND, IDOK, 0); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        bool bApplyEnabled = true;
        std::string strSummary;
        int nBackground = 0, nPixels = 0;
        COLORREF crApplyCaption = 0, crCancelCaption = 0;
        // Whatever the first action did is handled before the click on
        // 取消 that comes after it: had it applied, the result would be IDOK.
        INT_PTR nResult = RunModal(m_owner.Wnd(), NoChangeContent(), [&](HWND hPreview) {
            bApplyEnabled = IsWindowEnabled(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY)) != FALSE;
            strSummary = TextOf(GetDlgItem(hPreview, IDC_PREVIEW_SUMMARY));
            if (&c == &cases[0])
            {
                HWND hApply = GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY);
                std::vector<COLORREF> pixels = ScreenPixels(ScreenRectOf(hApply));
                nBackground = CountOf(pixels, CSkinDialog::kStaticBack);
                nPixels = static_cast<int>(pixels.size());
                crApplyCaption = DarkestPixelInside(hApply);
                crCancelCaption = DarkestPixelInside(GetDlgItem(hPreview, IDC_BTN_PREVIEW_CANCEL));
                EXPECT_TRUE(SaveScreenshot("preview-no-change"));
            }
            c.first(hPreview);
            ClickAt(CentreOf(GetDlgItem(hPreview, IDC_BTN_PREVIEW_CANCEL)));
        });
        EXPECT_FALSE(bApplyEnabled);
        EXPECT_EQ(NoChangeContent().strSummary, strSummary);
        if (&c == &cases[0])
        {
            // A button face under a grey caption; 取消 keeps its dark blue.
            EXPECT_LT(nBackground, nPixels / 4) << "the face of 应用 shows";
            EXPECT_LT(Distance(crApplyCaption, CSkinButton::kDisabledCaptionColour),
                      Distance(crApplyCaption, CSkinButton::kCaptionColour))
                << "应用 is captioned in grey";
            EXPECT_LT(Distance(crCancelCaption, CSkinButton::kCaptionColour),
                      Distance(crCancelCaption, CSkinButton::kDisabledCaptionColour))
                << "取消 is captioned in dark blue";
        }
        EXPECT_EQ(IDCANCEL, nResult) << ResultName(nResult);
    }
    // With a change, the same posted command applies.
    INT_PTR nResult = RunModal(m_owner.Wnd(), RealisticContent(), [](HWND hPreview) {
        PostMessageA(hPreview, WM_COMMAND, MAKEWPARAM(IDC_BTN_PREVIEW_APPLY, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hPreview, IDC_BTN_PREVIEW_APPLY)));
    });
    EXPECT_EQ(IDOK, nResult) << ResultName(nResult);
}

TEST_F(PreviewDlgTest, ManyRowsScrollInsideTheList)
{
    ASSERT_TRUE(Open(RealisticContent()));
    RECT smallWindow = ScreenRectOf(Preview());
    RECT smallList = ScreenRectOf(Item(IDC_PREVIEW_LIST));
    m_pPreview.reset();

    const int nRows = 93;
    ASSERT_TRUE(Open(LargeContent(nRows)));
    HWND hList = Item(IDC_PREVIEW_LIST);
    ASSERT_EQ(nRows, static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)));
    RECT largeWindow = ScreenRectOf(Preview()), largeList = ScreenRectOf(hList);
    EXPECT_TRUE(EqualRect(&smallWindow, &largeWindow)) << "the window keeps its size";
    EXPECT_TRUE(EqualRect(&smallList, &largeList)) << "the list keeps its size";
    int nPerPage = static_cast<int>(SendMessageA(hList, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(nPerPage, 3);
    EXPECT_LT(nPerPage, nRows);
    EXPECT_TRUE(GetWindowLongPtrA(hList, GWL_STYLE) & WS_VSCROLL) << "a vertical scroll bar";
    EXPECT_FALSE(GetWindowLongPtrA(hList, GWL_STYLE) & WS_HSCROLL) << "the columns fit across";
    EXPECT_EQ("※测试服务 4", PreviewCellsOf(hList)[3][0]);

    // The last row scrolls into the list's own client area.
    SendMessageA(hList, LVM_ENSUREVISIBLE, nRows - 1, FALSE);
    PumpMessages();
    EXPECT_GT(SendMessageA(hList, LVM_GETTOPINDEX, 0, 0), 0);
    RECT last = {LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(SendMessageA(hList, LVM_GETITEMRECT, nRows - 1, reinterpret_cast<LPARAM>(&last)));
    RECT client;
    GetClientRect(hList, &client);
    EXPECT_GE(last.top, client.top);
    EXPECT_LE(last.bottom, client.bottom);
    Repaint(Preview());
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("preview-93-rows"));
}

// Run on the default screen and, as wine.preview_800, on an 800x600 one
// (the runner sets QM_EXPECT_SCREEN_WIDTH so that the wrong screen cannot
// pass unnoticed): over the main window, the realistic preview lies whole
// on the screen, its controls inside it and apart, its texts unclipped.
TEST_F(PreviewDlgTest, FitsTheScreenAndLooksRight)
{
    HDC hScreen = GetDC(nullptr);
    const int nScreenWidth = GetDeviceCaps(hScreen, HORZRES), nScreenHeight = GetDeviceCaps(hScreen, VERTRES);
    ReleaseDC(nullptr, hScreen);
    if (const char* pszExpected = getenv("QM_EXPECT_SCREEN_WIDTH"))
    {
        ASSERT_EQ(atoi(pszExpected), nScreenWidth);
    }
    ASSERT_TRUE(OpenWindow());
    const std::string strShot = "preview-" + std::to_string(nScreenWidth) + "x" + std::to_string(nScreenHeight);

    INT_PTR nResult = RunModal(m_pDialog.get(), RealisticContent(), [&](HWND hPreview) {
        RECT window = ScreenRectOf(hPreview);
        RECT workArea;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
        EXPECT_GE(window.left, workArea.left);
        EXPECT_GE(window.top, workArea.top);
        EXPECT_LE(window.right, workArea.right);
        EXPECT_LE(window.bottom, workArea.bottom);
        RECT client;
        GetClientRect(hPreview, &client);

        // Every control inside the window and, but for the close box, below
        // the title strip; none overlaps another (the group box holds them).
        const int ids[] = {IDC_PREVIEW_SUMMARY, IDC_PREVIEW_LIST, IDC_PREVIEW_NOTES, IDC_BTN_PREVIEW_APPLY,
                           IDC_BTN_PREVIEW_CANCEL, IDCANCEL};
        for (int nId : ids)
        {
            SCOPED_TRACE(nId);
            RECT rect = ClientRectOf(hPreview, nId);
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(hPreview, nId)));
            EXPECT_GE(rect.left, 6);
            EXPECT_LE(rect.right, client.right - 6);
            EXPECT_LE(rect.bottom, client.bottom - 6);
            if (nId == IDCANCEL)
            {
                EXPECT_LE(rect.bottom, SkinRules::kTitleStripHeight) << "the close box sits in the strip";
            }
            else
            {
                EXPECT_GT(rect.top, SkinRules::kTitleStripHeight);
            }
            for (int nOther : ids)
            {
                RECT other = ClientRectOf(hPreview, nOther), overlap;
                if (nOther != nId)
                {
                    EXPECT_FALSE(IntersectRect(&overlap, &rect, &other)) << "overlaps " << nOther;
                }
            }
        }

        // The summary's text fits its control, as the control wraps it.
        HWND hSummary = GetDlgItem(hPreview, IDC_PREVIEW_SUMMARY);
        RECT summary;
        GetClientRect(hSummary, &summary);
        RECT needed = summary;
        HDC hDC = GetDC(hSummary);
        HGDIOBJ hOld = SelectObject(hDC, reinterpret_cast<HFONT>(SendMessageA(hSummary, WM_GETFONT, 0, 0)));
        std::string strSummary = TextOf(hSummary);
        DrawTextA(hDC, strSummary.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(hDC, &metrics);
        SelectObject(hDC, hOld);
        ReleaseDC(hSummary, hDC);
        EXPECT_LE(needed.bottom, summary.bottom) << "the summary is cut off";
        EXPECT_LE(needed.right, summary.right);

        // The notes show every line without scrolling.
        HWND hNotes = GetDlgItem(hPreview, IDC_PREVIEW_NOTES);
        RECT notes;
        SendMessageA(hNotes, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&notes));
        int nLines = static_cast<int>(SendMessageA(hNotes, EM_GETLINECOUNT, 0, 0));
        EXPECT_EQ(3, nLines) << "two notes and the legend, none wrapped";
        EXPECT_LE(nLines * metrics.tmHeight, notes.bottom - notes.top) << "the notes are cut off";

        // The columns fit across without a horizontal scroll bar. Only the
        // dependents may be cut short (the list view ends them with "..."
        // and the heading can be dragged): every other column is wider than
        // its longest text, and the dependents fill the rest.
        HWND hList = GetDlgItem(hPreview, IDC_PREVIEW_LIST);
        RECT listClient;
        GetClientRect(hList, &listClient);
        auto textWidth = [hList](const std::string& strText) {
            return static_cast<int>(SendMessageA(hList, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(strText.c_str())));
        };
        int nTotal = 0;
        for (int nColumn = 0; nColumn < 5; ++nColumn)
        {
            int nWidth = static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, nColumn, 0));
            nTotal += nWidth;
            int nLongest = textWidth(HeadingOf(hList, nColumn));
            EXPECT_GT(nWidth, nLongest) << "column " << nColumn << " cuts its heading";
            for (const Cells& cells : PreviewCellsOf(hList))
                nLongest = std::max(nLongest, textWidth(cells[nColumn]));
            if (nColumn < 4)
            {
                EXPECT_GT(nWidth, nLongest) << "column " << nColumn << " cuts its text";
            }
        }
        EXPECT_EQ(listClient.right, nTotal) << "the columns end at the list's edge";
        EXPECT_FALSE(GetWindowLongPtrA(hList, GWL_STYLE) & WS_HSCROLL);
        EXPECT_FALSE(GetWindowLongPtrA(hNotes, GWL_STYLE) & WS_VSCROLL) << "nothing to scroll in the notes";

        // Dark blue on light blue for the texts, the white title in the strip.
        std::vector<COLORREF> pixels = ScreenPixels(ScreenRectOf(hSummary));
        EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticText), 20);
        EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticBack), static_cast<int>(pixels.size()) / 2);
        pixels = ScreenPixels(ScreenRectOf(hNotes));
        EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticText), 20) << "the notes";
        EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticBack), static_cast<int>(pixels.size()) / 2) << "the notes";
        RECT strip = {window.left + 25, window.top + 7, window.left + 120, window.top + 20};
        EXPECT_GT(CountOf(ScreenPixels(strip), RGB(255, 255, 255)), 20) << "the white title";
        EXPECT_TRUE(SaveScreenshot(strShot));
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, nResult) << ResultName(nResult);
}
} // namespace
