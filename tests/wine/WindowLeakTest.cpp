// Windows the main window opens again and again leave nothing behind: after
// the first two times (Wine fills some caches for good on the second),
// opening and closing one changes none of the process's GDI and USER counts.
#include "soak/ObjectCounts.h"
#include "support/DialogDriver.h"
#include "support/MainWindowHarness.h"

#include <string>

namespace
{
struct Counts
{
    DWORD dwGdi, dwUser;
};

Counts CountsNow()
{
    PumpMessages();
    return {CountGdiObjects(), CountUserObjects()};
}

class WindowLeakTest : public MainWindowHarness
{
protected:
    // Runs the step twice to warm up, then kTimes more, and holds the counts
    // before those to the counts after them.
    void ExpectNothingLeftBy(const char* pszWhat, const std::function<void()>& step)
    {
        const int kTimes = 8;
        step();
        step();
        Counts before = CountsNow();
        for (int i = 0; i < kTimes; ++i)
            step();
        Counts after = CountsNow();
        EXPECT_EQ(before.dwGdi, after.dwGdi) << "GDI objects left by " << kTimes << " x " << pszWhat;
        EXPECT_EQ(before.dwUser, after.dwUser) << "USER objects left by " << kTimes << " x " << pszWhat;
    }
};

TEST_F(WindowLeakTest, TheStartupItemsWindow)
{
    ASSERT_TRUE(OpenWindow());
    // Rows with icons of their own and with the fallback icon.
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                             0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    const std::string strNotepad = "C:\\windows\\notepad.exe /leak";
    const std::string strMissing = "C:\\qm\\missing.exe";
    RegSetValueExA(hKey, "QmLeakNotepad", 0, REG_SZ, reinterpret_cast<const BYTE*>(strNotepad.c_str()),
                   static_cast<DWORD>(strNotepad.size() + 1));
    RegSetValueExA(hKey, "QmLeakMissing", 0, REG_SZ, reinterpret_cast<const BYTE*>(strMissing.c_str()),
                   static_cast<DWORD>(strMissing.size() + 1));
    ExpectNothingLeftBy("the startup items window", [this] {
        CDialogDriver driver;
        driver.When(IDC_BTN_STARTUP_EXIT, [](HWND hDialog) { CDialogDriver::Click(hDialog, IDC_BTN_STARTUP_EXIT); });
        SendCommand(ID_STARTUP_ITEMS);
        EXPECT_TRUE(driver.AllDone()) << "the startup items window did not open";
    });
    RegDeleteValueA(hKey, "QmLeakNotepad");
    RegDeleteValueA(hKey, "QmLeakMissing");
    RegCloseKey(hKey);
}

TEST_F(WindowLeakTest, ThePleaseWaitWindowOfTheToolbar)
{
    CTestService service(TestBed("QmLeak"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    ASSERT_TRUE(Select(service.Name()));
    int nTurn = 0;
    ExpectNothingLeftBy("a start type set from the toolbar", [&] {
        SendCommand(++nTurn % 2 == 0 ? IDC_BTN_MANUAL : IDC_BTN_DISABLED);
        PumpMessages();
    });
    EXPECT_EQ(nTurn % 2 == 0 ? ServiceTexts::kManual : ServiceTexts::kDisabled, CellOf(service.Name(), 3))
        << "the last one took";
}

TEST_F(WindowLeakTest, TheAboutWindow)
{
    ASSERT_TRUE(OpenWindow());
    ExpectNothingLeftBy("the About window", [this] {
        CDialogDriver driver;
        driver.WhenWindow([this](HWND hDialog) { return hDialog != Window() && GetParent(hDialog) == Window(); },
                          [](HWND hDialog) { PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0); });
        SendCommand(IDC_BTN_ABOUT);
        EXPECT_TRUE(driver.AllDone()) << "the About window did not open";
    });
}
} // namespace
