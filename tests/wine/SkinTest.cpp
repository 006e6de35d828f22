// The skin as the screen shows it: frame, title, colours and the buttons'
// pictures, read back pixel by pixel.
#include "support/DialogDriver.h"
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"

#include "knowledge/QuickConfigDlg.h"
#include "knowledge/WizardDlg.h"
#include "services/ProgressDlg.h"
#include "skin/AboutDlg.h"
#include "skin/SkinDialog.h"
#include "startup/StartupItemsDlg.h"

#include <cstdlib>

namespace
{
// A pixel of a bitmap resource of the program, at a point given as a
// fraction of its size (where a stretched copy puts the same pixel).
COLORREF BitmapPixel(UINT nId, double fx, double fy)
{
    HBITMAP hBitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nId), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info = {};
    GetObjectA(hBitmap, sizeof(info), &info);
    HDC hMemory = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    COLORREF crPixel = GetPixel(hMemory, static_cast<int>(fx * info.bmWidth), static_cast<int>(fy * info.bmHeight));
    SelectObject(hMemory, hOld);
    DeleteDC(hMemory);
    DeleteObject(hBitmap);
    return crPixel;
}

COLORREF BitmapCentre(UINT nId)
{
    return BitmapPixel(nId, 0.5, 0.5);
}

void Repaint(HWND hWnd)
{
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpMessages();
}

class SkinTest : public MainWindowHarness
{
protected:
    // Checks one skinned window as it shows on screen; the corners show
    // what was behind them before it appeared.
    void ExpectFrame(HWND hWnd, bool bTitle, COLORREF crBehindTopLeft, COLORREF crBehindBottomRight)
    {
        Repaint(hWnd);
        RECT window = ScreenRectOf(hWnd);
        std::vector<COLORREF> pixels = ScreenPixels(window);
        EXPECT_EQ(0, CountOf(pixels, RGB(255, 0, 0))) << "a red key pixel shows";
        EXPECT_EQ(crBehindTopLeft, ScreenPixel(window.left, window.top));
        EXPECT_EQ(crBehindBottomRight, ScreenPixel(window.right - 1, window.bottom - 1));
        EXPECT_NE(crBehindTopLeft, ScreenPixel(window.left + 12, window.top + 12));
        if (bTitle)
        {
            RECT strip = {window.left + 25, window.top + 7, window.left + 160, window.top + 20};
            EXPECT_GT(CountOf(ScreenPixels(strip), RGB(255, 255, 255)), 20) << "the white title";
        }
    }

    // Whether a WM_NCLBUTTONDOWN for the caption was posted by a press.
    bool PressStartsDrag(HWND hWnd, int x, int y)
    {
        MSG msg;
        while (PeekMessageA(&msg, hWnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE))
        {
        }
        SendMessageA(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        bool bPosted = PeekMessageA(&msg, hWnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE) &&
                       msg.wParam == HTCAPTION;
        SendMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        return bPosted;
    }
};

TEST_F(SkinTest, TheMainWindowWearsTheFrame)
{
    RECT screenCorner = {0, 0, 883, 678};
    COLORREF crTopLeft = ScreenPixel(screenCorner.left, screenCorner.top);
    COLORREF crBottomRight = ScreenPixel(screenCorner.right - 1, screenCorner.bottom - 1);
    ASSERT_TRUE(OpenWindow());
    ExpectFrame(Window(), true, crTopLeft, crBottomRight);
    // Static texts dark blue on light blue.
    RECT summary = ScreenRectOf(GetDlgItem(Window(), IDC_SUMMARY));
    std::vector<COLORREF> pixels = ScreenPixels(summary);
    EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticBack), static_cast<int>(pixels.size()) / 2);
    EXPECT_GT(CountOf(pixels, CSkinDialog::kStaticText), 5);
    // The start button, disabled by its owner, shows its grey picture.
    RECT start = ScreenRectOf(GetDlgItem(Window(), IDC_BTN_START));
    COLORREF crShown = ScreenPixel((start.left + start.right) / 2, (start.top + start.bottom) / 2);
    EXPECT_LT(Distance(crShown, BitmapCentre(IDB_START_DISABLED)), Distance(crShown, BitmapCentre(IDB_START_NORMAL)))
        << "the disabled picture, not the normal one";
    EXPECT_TRUE(SaveScreenshot("skin-main"));

    EXPECT_FALSE(PressStartsDrag(Window(), 0, 10));
    EXPECT_TRUE(PressStartsDrag(Window(), 1, 25));
    EXPECT_FALSE(PressStartsDrag(Window(), 1, 26));
}

TEST_F(SkinTest, EveryDialogWearsTheFrame)
{
    ASSERT_TRUE(OpenWindow());
    struct Case
    {
        const char* pszName;
        std::function<CDialog*()> make;
        bool bDraggable;
    };
    std::vector<std::unique_ptr<CDialog>> keep;
    CMainDlg* pMain = m_pDialog.get();
    const Case cases[] = {
        {"quick-config", [pMain] { return new CQuickConfigDlg(pMain); }, true},
        {"startup-items", [] { return new CStartupItemsDlg(nullptr, nullptr, HKEY_LOCAL_MACHINE); }, true},
        {"about", [pMain] { return new CAboutDlg(pMain); }, false},
        {"wizard", [pMain] { return new CWizardDlg(pMain); }, true},
        {"please-wait", [pMain] { return new CProgressDlg(pMain, [](HWND) {}); }, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        std::unique_ptr<CDialog> pDialog(c.make());
        ASSERT_TRUE(pDialog->Create());
        HWND hDialog = pDialog->GetSafeHwnd();
        // The please-wait window would do its work and close on its tick.
        KillTimer(hDialog, CProgressDlg::kWorkTimer);
        SetWindowPos(hDialog, HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
        RECT window = ScreenRectOf(hDialog);
        Repaint(Window());
        COLORREF crTopLeft = ScreenPixel(window.left, window.top);
        COLORREF crBottomRight = ScreenPixel(window.right - 1, window.bottom - 1);
        ShowWindow(hDialog, SW_SHOW);
        bool bTitled = std::string(c.pszName) != "please-wait";
        ExpectFrame(hDialog, bTitled, crTopLeft, crBottomRight);
        EXPECT_TRUE(SaveScreenshot(std::string("skin-") + c.pszName));
        EXPECT_EQ(c.bDraggable, PressStartsDrag(hDialog, 1, 25));
    }
}

// The real pointer over a dialog button: hover, then pressed and held.
TEST_F(SkinTest, ButtonsFollowThePointer)
{
    ASSERT_TRUE(OpenWindow());
    CAboutDlg about(m_pDialog.get());
    ASSERT_TRUE(about.Create());
    HWND hAbout = about.GetSafeHwnd();
    ShowWindow(hAbout, SW_SHOW);
    SetWindowPos(hAbout, HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(hAbout);
    HWND hButton = GetDlgItem(hAbout, IDOK);
    SetFocus(hButton);
    Repaint(hAbout);
    RECT button = ScreenRectOf(hButton);
    // A sample near the left end, clear of the caption, and where that
    // point lies in the stretched bitmaps.
    POINT sample = {button.left + 8, (button.top + button.bottom) / 2};
    const double fx = 8.0 / (button.right - button.left), fy = 0.5;
    auto closestTo = [&](COLORREF crShown, UINT nExpected, double fxAt) {
        int nBest = Distance(crShown, BitmapPixel(nExpected, fxAt, fy));
        for (UINT nOther : {IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, IDB_BUTTON_PRESSED, IDB_BUTTON_FOCUS})
        {
            if (nOther != nExpected && Distance(crShown, BitmapPixel(nOther, fxAt, fy)) < nBest)
                return false;
        }
        return true;
    };
    COLORREF crFocused = ScreenPixel(sample.x, sample.y);
    // The focus picture differs from the others in its inner border, two
    // pixels wide in the bitmap: two pixels in, however it is stretched.
    const double fxBorder = 2.0 / (button.right - button.left);
    EXPECT_TRUE(closestTo(ScreenPixel(button.left + 2, sample.y), IDB_BUTTON_FOCUS, fxBorder))
        << "focused, pointer away";

    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2 + 1);
    ASSERT_TRUE(WaitFor([&] { return ScreenPixel(sample.x, sample.y) != crFocused; }, "the hover picture", 3000));
    COLORREF crHover = ScreenPixel(sample.x, sample.y);

    SendMouseButton(true);
    ASSERT_TRUE(WaitFor([&] { return ScreenPixel(sample.x, sample.y) != crHover; }, "the pressed picture", 3000));
    EXPECT_TRUE(closestTo(crHover, IDB_BUTTON_HOVER, fx)) << "hover";
    EXPECT_TRUE(closestTo(ScreenPixel(sample.x, sample.y), IDB_BUTTON_PRESSED, fx)) << "pressed and held";
    EXPECT_TRUE(SaveScreenshot("skin-button-pressed"));
    // Released off the button, so that it does not close the window.
    SetCursorPos(button.left - 40, button.top - 40);
    SendMouseButton(false);
    PumpMessages();
}

// What an About window shows: its size, its owner and every control's
// class and text.
std::string Described(HWND hAbout)
{
    RECT rect;
    GetWindowRect(hAbout, &rect);
    std::string strSeen = std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
                          " owner " + std::to_string(reinterpret_cast<UINT_PTR>(GetWindow(hAbout, GW_OWNER)));
    for (HWND hChild = GetWindow(hAbout, GW_CHILD); hChild != nullptr; hChild = GetWindow(hChild, GW_HWNDNEXT))
    {
        char szClass[32] = {};
        GetClassNameA(hChild, szClass, sizeof(szClass));
        strSeen += std::string("|") + szClass + ":" + TextOf(hChild);
    }
    return strSeen;
}

// Picks the first item of the popup menu that opens next, with the keys a
// user presses; a popup that never comes is given up after a while.
int g_nMenuTicks = 0;
VOID CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR nId, DWORD)
{
    HWND hPopup = nullptr;
    while ((hPopup = FindWindowExA(nullptr, hPopup, "#32768", nullptr)) != nullptr && !IsWindowVisible(hPopup))
    {
    }
    if (hPopup == nullptr)
    {
        if (++g_nMenuTicks > 200)
            KillTimer(nullptr, nId);
        return;
    }
    KillTimer(nullptr, nId);
    PostMessageA(hPopup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(hPopup, WM_KEYDOWN, VK_RETURN, 0);
}

// The title button and the help menu's "关于" each open the About window,
// as the system command does, and it is the same window each time.
TEST_F(SkinTest, AboutOpensFromTheButtonTheHelpMenuAndTheSystemCommand)
{
    ASSERT_TRUE(OpenWindow());
    std::vector<std::string> seen;
    for (const char* pszWay : {"title button", "help menu", "system command"})
    {
        SCOPED_TRACE(pszWay);
        CDialogDriver driver;
        int nOpened = 0;
        // The About window is the one whose only button is "关闭".
        driver.When(IDOK, [&](HWND hAbout) {
            ++nOpened;
            seen.push_back(Described(hAbout));
            EXPECT_EQ(Window(), GetWindow(hAbout, GW_OWNER));
            EXPECT_EQ("关闭", TextOf(GetDlgItem(hAbout, IDOK)));
            CDialogDriver::Click(hAbout, IDOK);
        });
        if (pszWay == std::string("title button"))
        {
            SendMessageA(GetDlgItem(Window(), IDC_BTN_ABOUT), BM_CLICK, 0, 0);
        }
        else if (pszWay == std::string("help menu"))
        {
            g_nMenuTicks = 0;
            UINT_PTR nTimer = SetTimer(nullptr, 0, 30, ChooseFirstMenuItem);
            SendMessageA(GetDlgItem(Window(), IDC_BTN_HELP), BM_CLICK, 0, 0);
            KillTimer(nullptr, nTimer);
            // The chosen item arrives as a posted command.
            EXPECT_TRUE(WaitFor([&] { return nOpened > 0; }, "the About window", 5000));
        }
        else
        {
            SendMessageA(Window(), WM_SYSCOMMAND, CMainDlg::kAboutSystemCommand, 0);
        }
        EXPECT_TRUE(WaitFor([&] { return driver.AllDone(); }, "the About window"));
        PumpMessages();
        EXPECT_EQ(1, nOpened);
    }
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0], seen[2]);
    EXPECT_NE(std::string::npos, seen[0].find("Quillmere Fernhollow特别版本")) << seen[0];
}
} // namespace
