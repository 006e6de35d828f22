// The startup items window over the real Run keys of the prefix.
#include "support/DialogDriver.h"
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/TestFiles.h"
#include "support/TextLists.h"
#include "support/TickBoxes.h"

#include "changes/JournalFile.h"
#include "common/RegKey.h"
#include "common/RegistryListing.h"
#include "startup/StartupItemRules.h"
#include "startup/StartupItemsDlg.h"

namespace
{
const char* const kRunKey = StartupItemRules::kRunKeyPath;
const std::string kUserLocation = std::string("HKEY_CURRENT_USER\\") + kRunKey;
const std::string kMachineLocation = std::string("HKEY_LOCAL_MACHINE\\") + kRunKey;

// Empties the Run keys (the machine's in both views) for the test and puts
// back what was there, every value by its real name.
class CRunKeysScope
{
public:
    CRunKeysScope()
    {
        for (const auto& place : kPlaces)
        {
            CRegKey key = Open(place.first, place.second);
            ForEachRegistryValue(key.Get(), [&](const std::wstring& wstrName, DWORD dwType, const BYTE* pData,
                                                DWORD dwData) {
                m_saved.push_back({place, wstrName, dwType, std::vector<BYTE>(pData, pData + dwData)});
            });
            Empty(key.Get());
        }
    }
    ~CRunKeysScope()
    {
        for (const auto& place : kPlaces)
            Empty(Open(place.first, place.second).Get());
        for (const Saved& saved : m_saved)
            RegSetValueExW(Open(saved.place.first, saved.place.second).Get(), saved.wstrName.c_str(), 0, saved.dwType,
                           saved.data.data(), static_cast<DWORD>(saved.data.size()));
    }
    static CRegKey Open(HKEY hRoot, REGSAM samView = 0)
    {
        CRegKey key;
        key.Create(hRoot, kRunKey, KEY_ALL_ACCESS | samView);
        return key;
    }
    static void Set(HKEY hRoot, const std::string& strName, DWORD dwType, const std::string& strData,
                    REGSAM samView = 0)
    {
        RegSetValueExA(Open(hRoot, samView).Get(), strName.c_str(), 0, dwType,
                       reinterpret_cast<const BYTE*>(strData.data()), static_cast<DWORD>(strData.size()));
    }
    static void SetWide(HKEY hRoot, const std::wstring& wstrName, const std::wstring& wstrCommand)
    {
        RegSetValueExW(Open(hRoot).Get(), wstrName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(wstrCommand.c_str()),
                       static_cast<DWORD>((wstrCommand.size() + 1) * sizeof(wchar_t)));
    }
    static bool Has(HKEY hRoot, const std::string& strName, REGSAM samView = 0)
    {
        return RegQueryValueExW(Open(hRoot, samView).Get(), WideFromGbk(strName).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }
    static bool HasWide(HKEY hRoot, const std::wstring& wstrName)
    {
        return RegQueryValueExW(Open(hRoot).Get(), wstrName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

private:
    static void Empty(HKEY hKey)
    {
        std::vector<std::wstring> names;
        ForEachRegistryValue(hKey, [&](const std::wstring& wstrName, DWORD, const BYTE*, DWORD) {
            names.push_back(wstrName);
        });
        for (const std::wstring& wstrName : names)
            RegDeleteValueW(hKey, wstrName.c_str());
    }
    using Place = std::pair<HKEY, REGSAM>;
    static inline const Place kPlaces[] = {
        {HKEY_CURRENT_USER, 0}, {HKEY_LOCAL_MACHINE, 0}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}};
    struct Saved
    {
        Place place;
        std::wstring wstrName;
        DWORD dwType;
        std::vector<BYTE> data;
    };
    std::vector<Saved> m_saved;
};

class StartupItemsTest : public MainWindowHarness
{
protected:
    testing::AssertionResult OpenItems(CJournalFile* pJournal = nullptr)
    {
        m_pItems.reset(new CStartupItemsDlg(nullptr, pJournal, HKEY_LOCAL_MACHINE));
        if (!m_pItems->Create())
            return testing::AssertionFailure() << "the window was not created";
        return testing::AssertionSuccess();
    }
    // Opened and shown in front, for clicks on its check boxes.
    testing::AssertionResult ShowItems(CJournalFile* pJournal)
    {
        testing::AssertionResult opened = OpenItems(pJournal);
        if (!opened)
            return opened;
        ShowWindow(Items(), SW_SHOW);
        SetForegroundWindow(Items());
        PumpMessages();
        return testing::AssertionSuccess();
    }
    HWND Items() const { return m_pItems->GetSafeHwnd(); }
    const CListCtrl& List() const { return m_pItems->ItemList(); }
    std::vector<std::string> Column(int nColumn) const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < List().GetItemCount(); ++i)
            texts.push_back(List().GetItemText(i, nColumn));
        return texts;
    }
    void Notify(UINT nCode, int nSelected)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        List().SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        if (nSelected >= 0)
        {
            item.state = LVIS_SELECTED;
            List().SendMessage(LVM_SETITEMSTATE, nSelected, reinterpret_cast<LPARAM>(&item));
        }
        NMITEMACTIVATE notify = {};
        notify.hdr = {List().GetSafeHwnd(), IDC_STARTUP_LIST, nCode};
        notify.iItem = nSelected;
        SendMessageA(Items(), WM_NOTIFY, IDC_STARTUP_LIST, reinterpret_cast<LPARAM>(&notify));
    }
    // A real click on a row's check box, then the tick it makes.
    testing::AssertionResult ClickCheckBox(int nRow)
    {
        BOOL bBefore = List().GetCheck(nRow);
        testing::AssertionResult clicked = ClickTickBox(List().GetSafeHwnd(), nRow);
        if (!clicked)
            return clicked;
        return WaitFor([&] { return List().GetCheck(nRow) != bBefore; }, "the tick of row " + std::to_string(nRow),
                       5000);
    }
    void PressDelete()
    {
        SendMessageA(Items(), WM_COMMAND, MAKEWPARAM(IDC_BTN_STARTUP_DELETE, BN_CLICKED), 0);
    }

    void TearDown() override
    {
        m_pItems.reset();
        MainWindowHarness::TearDown();
    }

    std::unique_ptr<CStartupItemsDlg> m_pItems;
};

TEST_F(StartupItemsTest, EmptyKeysListNothing)
{
    CRunKeysScope keys;
    ASSERT_TRUE(OpenItems());
    EXPECT_EQ(0, List().GetItemCount());
    PressDelete();
    EXPECT_EQ(0, List().GetItemCount());
}

TEST_F(StartupItemsTest, ValuesOfBothKeysAreListedWithTheirIcons)
{
    CRunKeysScope keys;
    std::string strBig(65536, 'x');
    std::string strBinary("\x01\x02\x03\x04", 4);
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Tray", REG_SZ, std::string("\"C:\\windows\\notepad.exe\" /min") + '\0');
    CRunKeysScope::Set(HKEY_CURRENT_USER, "", REG_SZ, std::string("C:\\qm\\missing.exe") + '\0');
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Big", REG_SZ, strBig + '\0');
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Raw", REG_BINARY, strBinary);
    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "Tray", REG_EXPAND_SZ, std::string("%SystemRoot%\\agent.exe") + '\0');
    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "Gone", REG_SZ, std::string("D:\\nowhere\\gone.exe -k") + '\0');

    ASSERT_TRUE(OpenItems());
    // Per user first; within a key in the order the registry gives.
    EXPECT_EQ((std::vector<std::string>{kUserLocation, kUserLocation, kUserLocation, kUserLocation, kMachineLocation,
                                        kMachineLocation}),
              Column(2));
    std::vector<std::string> names = Column(0);
    std::vector<std::string> commands = Column(1);
    auto commandOf = [&](const std::string& strName, const std::string& strLocation) -> std::string {
        for (std::size_t i = 0; i < names.size(); ++i)
        {
            if (names[i] == strName && Column(2)[i] == strLocation)
                return commands[i];
        }
        return "(no row)";
    };
    EXPECT_EQ("\"C:\\windows\\notepad.exe\" /min", commandOf("Tray", kUserLocation));
    EXPECT_EQ("%SystemRoot%\\agent.exe", commandOf("Tray", kMachineLocation)) << "not expanded";
    EXPECT_EQ("C:\\qm\\missing.exe", commandOf("", kUserLocation)) << "the default value";
    EXPECT_EQ(strBig, commandOf("Big", kUserLocation));
    EXPECT_EQ(strBinary, commandOf("Raw", kUserLocation)) << "binary data without a NUL, as returned";

    // One image per row; a missing program gets the program's own icon.
    HIMAGELIST hImages = reinterpret_cast<HIMAGELIST>(List().SendMessage(LVM_GETIMAGELIST, LVSIL_SMALL));
    ASSERT_EQ(List().GetItemCount(), ImageList_GetImageCount(hImages));
    CImageList fallback;
    fallback.Create(16, 16, ILC_COLOR32, 1, 1);
    HICON hAppIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
    ImageList_ReplaceIcon(fallback.GetSafeHandle(), -1, hAppIcon);
    auto imageOf = [&](const std::string& strName, const std::string& strLocation) {
        for (int i = 0; i < List().GetItemCount(); ++i)
        {
            if (names[i] == strName && Column(2)[i] == strLocation)
                return ImageListPixels(hImages, List().GetItemImage(i));
        }
        return std::vector<COLORREF>();
    };
    std::vector<COLORREF> appIcon = ImageListPixels(fallback.GetSafeHandle(), 0);
    EXPECT_EQ(appIcon, imageOf("", kUserLocation));
    EXPECT_EQ(appIcon, imageOf("Gone", kMachineLocation));
    EXPECT_NE(appIcon, imageOf("Tray", kUserLocation)) << "notepad has an icon of its own";

    ShowWindow(Items(), SW_SHOW);
    RedrawWindow(Items(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("startup-items"));
}

TEST_F(StartupItemsTest, ClickShowsDetailsAndDoubleClickTicks)
{
    CRunKeysScope keys;
    CRunKeysScope::Set(HKEY_CURRENT_USER, "One", REG_SZ, std::string("C:\\one.exe") + '\0');
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Two", REG_SZ, std::string("C:\\two.exe") + '\0');
    ASSERT_TRUE(OpenItems());
    HWND hDetails = GetDlgItem(Items(), IDC_SUMMARY);
    Notify(NM_CLICK, 1);
    EXPECT_EQ("\n项目名称：Two\n\n执行命令：C:\\two.exe\n\n注册表位置：" + kUserLocation, TextOf(hDetails));
    Notify(NM_CLICK, -1);
    EXPECT_EQ("\n项目名称：\n\n执行命令：\n\n注册表位置：", TextOf(hDetails));

    Notify(NM_DBLCLK, 0);
    EXPECT_TRUE(List().GetCheck(0));
    EXPECT_FALSE(List().GetCheck(1));
    Notify(NM_DBLCLK, 0);
    EXPECT_FALSE(List().GetCheck(0));
}

TEST_F(StartupItemsTest, TickedValuesAreDeletedAndOnlyThose)
{
    CRunKeysScope keys;
    for (const char* pszName : {"A", "B", "C", "D", "E"})
    {
        CRunKeysScope::Set(HKEY_CURRENT_USER, pszName, REG_SZ, std::string("C:\\x.exe") + '\0');
        CRunKeysScope::Set(HKEY_LOCAL_MACHINE, pszName, REG_SZ, std::string("C:\\y.exe") + '\0');
    }
    ASSERT_TRUE(OpenItems());
    ASSERT_EQ(10, List().GetItemCount());
    // Ticks: user B, machine A and E; machine D stays ticked... no: D unticked.
    auto rowOf = [&](const std::string& strName, const std::string& strLocation) {
        for (int i = 0; i < List().GetItemCount(); ++i)
        {
            if (List().GetItemText(i, 0) == strName && List().GetItemText(i, 2) == strLocation)
                return i;
        }
        return -1;
    };
    List().SetCheck(rowOf("B", kUserLocation), TRUE);
    List().SetCheck(rowOf("A", kMachineLocation), TRUE);
    List().SetCheck(rowOf("E", kMachineLocation), TRUE);
    PressDelete();
    EXPECT_EQ(7, List().GetItemCount());
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_CURRENT_USER, "B"));
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "A"));
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "E"));
    for (const char* pszName : {"A", "C", "D", "E"})
        EXPECT_TRUE(CRunKeysScope::Has(HKEY_CURRENT_USER, pszName)) << pszName;
    for (int i = 0; i < List().GetItemCount(); ++i)
        EXPECT_FALSE(List().GetCheck(i));
    EXPECT_EQ(-1, rowOf("B", kUserLocation));
}

// A row keeps acting on its own value after rows above it have gone: its
// details and its deletion name that value, not the one once in its place.
TEST_F(StartupItemsTest, RowsLeftAfterADeletionKeepTheirOwnValues)
{
    CRunKeysScope keys;
    for (const char* pszName : {"A", "B", "C"})
        CRunKeysScope::Set(HKEY_CURRENT_USER, pszName, REG_SZ, std::string("C:\\user_") + pszName + ".exe" + '\0');
    for (const char* pszName : {"D", "E"})
        CRunKeysScope::Set(HKEY_LOCAL_MACHINE, pszName, REG_SZ,
                           std::string("C:\\machine_") + pszName + ".exe" + '\0');
    ASSERT_TRUE(OpenItems());
    ShowWindow(Items(), SW_SHOW);
    SetForegroundWindow(Items());
    ASSERT_EQ((std::vector<std::string>{"A", "B", "C", "D", "E"}), Column(0));

    ASSERT_TRUE(ClickCheckBox(1));
    ASSERT_TRUE(ClickCheckBox(3));
    PressDelete();
    ASSERT_EQ((std::vector<std::string>{"A", "C", "E"}), Column(0));
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_CURRENT_USER, "B"));
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "D"));

    const struct
    {
        const char* pszName;
        const char* pszCommand;
        std::string strLocation;
    } left[] = {
        {"A", "C:\\user_A.exe", kUserLocation},
        {"C", "C:\\user_C.exe", kUserLocation},
        {"E", "C:\\machine_E.exe", kMachineLocation},
    };
    HWND hDetails = GetDlgItem(Items(), IDC_SUMMARY);
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(left[i].pszName);
        Notify(NM_CLICK, i);
        EXPECT_EQ(StartupItemRules::DetailsText(left[i].pszName, left[i].pszCommand, left[i].strLocation),
                  TextOf(hDetails));
        EXPECT_EQ(left[i].pszCommand, List().GetItemText(i, 1));
        EXPECT_EQ(left[i].strLocation, List().GetItemText(i, 2));
    }

    // Where B was, C is now: its tick deletes C, under the user's key.
    ASSERT_TRUE(ClickCheckBox(1));
    PressDelete();
    EXPECT_EQ((std::vector<std::string>{"A", "E"}), Column(0));
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_CURRENT_USER, "C"));
    EXPECT_TRUE(CRunKeysScope::Has(HKEY_CURRENT_USER, "A"));
    EXPECT_TRUE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "E"));
}

// Mended: a row whose value is still in the registry stays in the list.
TEST_F(StartupItemsTest, ValuesThatCouldNotBeDeletedKeepTheirRows)
{
    CRunKeysScope keys;
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Vanished", REG_SZ, std::string("C:\\v.exe") + '\0');
    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "Kept", REG_SZ, std::string("C:\\k.exe") + '\0');
    ASSERT_TRUE(OpenItems());
    ASSERT_EQ(2, List().GetItemCount());
    // One value is gone behind the window's back: its deletion fails.
    RegDeleteValueA(CRunKeysScope::Open(HKEY_CURRENT_USER).Get(), "Vanished");
    List().SetCheck(0, TRUE);
    PressDelete();
    EXPECT_EQ(std::vector<std::string>{"Error!"}, m_watcher.Texts());
    m_watcher.Clear();
    EXPECT_EQ(2, List().GetItemCount());

    // A key that cannot be opened for deleting says the same and keeps it.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, kRunKey));
    PressDelete();
    EXPECT_EQ(std::vector<std::string>{"Error!"}, m_watcher.Texts());
    m_watcher.Clear();
    EXPECT_EQ(2, List().GetItemCount());
    EXPECT_TRUE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "Kept"));
}

// A value as the registry keeps it: its type and bytes (strings in UTF-16).
std::string RawValue(HKEY hRoot, const std::wstring& wideName)
{
    CRegKey key = CRunKeysScope::Open(hRoot);
    DWORD dwSize = 0, dwType = 0;
    if (RegQueryValueExW(key.Get(), wideName.c_str(), nullptr, &dwType, nullptr, &dwSize) != ERROR_SUCCESS)
        return "(none)";
    std::string data(dwSize, '\0');
    if (RegQueryValueExW(key.Get(), wideName.c_str(), nullptr, &dwType, reinterpret_cast<BYTE*>(&data[0]), &dwSize) !=
        ERROR_SUCCESS)
        return "(none)";
    return std::to_string(dwType) + ":" + data.substr(0, dwSize);
}

std::string RawValue(HKEY hRoot, const std::string& strName)
{
    return RawValue(hRoot, WideFromGbk(strName));
}

// Bytes written as the registry will keep them: no code page between, and
// nothing added after them.
void SetRawValue(HKEY hRoot, const std::string& strName, DWORD dwType, const std::string& bytes)
{
    std::string guarded = bytes + "\xFF\xFF"; // not a NUL: the registry would count it in
    RegSetValueExW(CRunKeysScope::Open(hRoot).Get(), WideFromGbk(strName).c_str(), 0, dwType,
                   reinterpret_cast<const BYTE*>(guarded.data()), static_cast<DWORD>(bytes.size()));
}

TEST_F(StartupItemsTest, DeletedValuesComeBackByteForByteOnUndo)
{
    CRunKeysScope keys;
    const struct
    {
        HKEY hRoot;
        const char* pszName;
        DWORD dwType;
        std::string data;
        bool bTicked;
        bool bRaw = false; // data are the registry's own bytes
    } kValues[] = {
        {HKEY_CURRENT_USER, "Tray", REG_SZ, std::string("\"C:\\Program Files\\tray.exe\" /min") + '\0', true},
        {HKEY_LOCAL_MACHINE, "Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x.exe -a %TEMP%") + '\0', true},
        {HKEY_CURRENT_USER, "Blob", REG_BINARY, std::string("\x00\x01\xff\x7f\x80 %\r\n", 9), true},
        {HKEY_LOCAL_MACHINE, "中文 启动项", REG_SZ, std::string("C:\\程序\\启动.exe") + '\0', true},
        // A string whose stored bytes have no terminator.
        {HKEY_CURRENT_USER, "NoEnd", REG_SZ, "C:\\n.exe", true},
        {HKEY_CURRENT_USER, "Kept", REG_SZ, std::string("C:\\kept.exe") + '\0', false},
        // UTF-16 with no terminator: not one byte more comes back.
        {HKEY_LOCAL_MACHINE, "WideNoEnd", REG_EXPAND_SZ, std::string("C\0:\0\\\0w\0.\0e\0x\0e\0", 16), true, true},
        // Megabytes any user can plant after the NUL: deleted, and kept
        // beside the journal to come back whole.
        {HKEY_CURRENT_USER, "Planted", REG_SZ, std::string("C\0:\0\\\0p\0\0\0", 10) + std::string(2200000, 'A'),
         true, true},
    };
    std::vector<std::string> before;
    for (const auto& value : kValues)
    {
        if (value.bRaw)
            SetRawValue(value.hRoot, value.pszName, value.dwType, value.data);
        else
            CRunKeysScope::Set(value.hRoot, value.pszName, value.dwType, value.data);
        before.push_back(RawValue(value.hRoot, value.pszName));
        ASSERT_NE("(none)", before.back()) << value.pszName;
    }
    ASSERT_TRUE(OpenWindow());
    CJournalFile journal(m_strJournalPath);
    ASSERT_TRUE(ShowItems(&journal));
    ASSERT_EQ(8, List().GetItemCount());
    for (int i = 0; i < List().GetItemCount(); ++i)
    {
        for (const auto& value : kValues)
        {
            if (value.bTicked && List().GetItemText(i, 0) == value.pszName)
            {
                ASSERT_TRUE(ClickCheckBox(i)) << value.pszName;
            }
        }
    }
    PressDelete();
    EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts());
    EXPECT_EQ(std::vector<std::string>{"Kept"}, Column(0));
    for (const auto& value : kValues)
        EXPECT_EQ(!value.bTicked, CRunKeysScope::Has(value.hRoot, value.pszName)) << value.pszName;
    m_pItems.reset();
    EXPECT_LT(ReadFileText(m_strJournalPath).size(), 64u * 1024) << "the planted megabytes went into the journal";

    SendCommand(ID_UNDO_LAST);
    EXPECT_EQ(std::vector<std::string>{"已撤销上次配置!"}, m_watcher.Texts());
    m_watcher.Clear();
    ASSERT_EQ(1u, m_previews.size());
    EXPECT_EQ(7u, m_previews[0].rows.size());
    for (size_t i = 0; i < std::size(kValues); ++i)
        EXPECT_EQ(before[i], RawValue(kValues[i].hRoot, kValues[i].pszName)) << kValues[i].pszName;
    int nAside = 0; // the planted data, kept beside the journal
    for (size_t i = 0; i < std::size(kValues); ++i)
        nAside += DeleteFileA((m_strJournalPath + ".1-" + std::to_string(i) + ".dat").c_str()) ? 1 : 0;
    EXPECT_EQ(1, nAside);

    // A value written again meanwhile is not overwritten by a later undo.
    ASSERT_TRUE(ShowItems(&journal));
    for (int i = 0; i < List().GetItemCount(); ++i)
    {
        if (List().GetItemText(i, 0) == "Tray")
        {
            ASSERT_TRUE(ClickCheckBox(i));
        }
    }
    PressDelete();
    m_pItems.reset();
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Tray", REG_SZ, std::string("C:\\other.exe") + '\0');
    std::string strOther = RawValue(HKEY_CURRENT_USER, "Tray");
    SendCommand(ID_UNDO_LAST);
    ASSERT_EQ(2u, m_previews.size());
    EXPECT_FALSE(m_previews[1].bAnyChange);
    EXPECT_EQ(1, std::count_if(m_previews[1].notes.begin(), m_previews[1].notes.end(),
                               [](const std::string& strNote) { return strNote.find("保留不动") != std::string::npos; }));
    EXPECT_EQ(strOther, RawValue(HKEY_CURRENT_USER, "Tray"));
}

// Two values whose names GBK shows alike ("QmRun?"): the ticked row deletes
// its own value, leaves the list, and comes back by its real name on undo.
TEST_F(StartupItemsTest, ValuesShownAlikeAreEachActedOnByTheirRealName)
{
    CRunKeysScope keys;
    const std::wstring wstrKorean = L"QmRun\uAC00", wstrAsked = L"QmRun?";
    CRunKeysScope::SetWide(HKEY_CURRENT_USER, wstrKorean, L"C:\\kr.exe");
    CRunKeysScope::SetWide(HKEY_CURRENT_USER, wstrAsked, L"C:\\q.exe");
    std::string strBefore = RawValue(HKEY_CURRENT_USER, wstrKorean);
    ASSERT_TRUE(OpenWindow());
    CJournalFile journal(m_strJournalPath);
    ASSERT_TRUE(ShowItems(&journal));
    EXPECT_EQ((std::vector<std::string>{"QmRun?", "QmRun?"}), Column(0));
    std::vector<std::string> commands = Column(1);
    auto korean = std::find(commands.begin(), commands.end(), "C:\\kr.exe");
    ASSERT_NE(commands.end(), korean);
    ASSERT_TRUE(ClickCheckBox(static_cast<int>(korean - commands.begin())));
    PressDelete();
    EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts());
    EXPECT_FALSE(CRunKeysScope::HasWide(HKEY_CURRENT_USER, wstrKorean));
    EXPECT_TRUE(CRunKeysScope::HasWide(HKEY_CURRENT_USER, wstrAsked));
    EXPECT_EQ(std::vector<std::string>{"C:\\q.exe"}, Column(1));
    m_pItems.reset();

    SendCommand(ID_UNDO_LAST);
    EXPECT_EQ(std::vector<std::string>{"已撤销上次配置!"}, m_watcher.Texts());
    m_watcher.Clear();
    ASSERT_EQ(1u, m_previews.size());
    EXPECT_NE(std::string::npos, m_previews[0].notes.at(0).find("QmRun<U+AC00>")) << m_previews[0].notes.at(0);
    EXPECT_EQ(strBefore, RawValue(HKEY_CURRENT_USER, wstrKorean));
    EXPECT_TRUE(CRunKeysScope::HasWide(HKEY_CURRENT_USER, wstrAsked));
}

// A journal that cannot take the deletion is named as every change names
// it: one that cannot be written, and one that is damaged or another
// program's, with what is wrong and where it is.
TEST_F(StartupItemsTest, AJournalThatCannotTakeTheDeletionDeletesNothing)
{
    CRunKeysScope keys;
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Stays", REG_SZ, std::string("C:\\s.exe") + '\0');
    std::string strBlocker = "C:\\windows\\temp\\qm-startup-blocker-" + std::to_string(GetCurrentProcessId());
    WriteFileText(strBlocker, "a file where the folder would be");
    const std::string strJournal = strBlocker + ".svcj";
    const struct
    {
        std::string strPath;
        const char* pszContent; // nullptr: nothing is written there
        std::string strSaid;
    } cases[] = {
        {strBlocker + "\\journal.svcj", nullptr, "无法写入更改记录文件(" + strBlocker + "\\journal.svcj),未做任何更改!"},
        {strJournal, "Alerter&已禁用\r\n",
         "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!\n" + strJournal},
        {strJournal, "Quillmere change journal 2 UTF-8\r\nend 99 ;\r\n",
         "更改记录文件已损坏(第2行无法识别),未做任何更改!\n" + strJournal},
    };
    for (const auto& c : cases)
    {
        if (c.pszContent != nullptr)
            WriteFileText(c.strPath, c.pszContent);
        CJournalFile journal(c.strPath);
        ASSERT_TRUE(ShowItems(&journal));
        ASSERT_EQ(1, List().GetItemCount());
        ASSERT_TRUE(ClickCheckBox(0));
        PressDelete();
        EXPECT_EQ(std::vector<std::string>{c.strSaid}, m_watcher.Texts());
        m_watcher.Clear();
        EXPECT_TRUE(CRunKeysScope::Has(HKEY_CURRENT_USER, "Stays"));
        EXPECT_EQ(1, List().GetItemCount());
        if (c.pszContent != nullptr)
        {
            EXPECT_EQ(c.pszContent, ReadFileText(c.strPath)) << "the journal is left as it was";
        }
        m_pItems.reset();
    }
    DeleteFileA(strBlocker.c_str());
    DeleteFileA(strJournal.c_str());
}

// A 32-bit program's value lives in the machine key's 32-bit view: it is
// listed as such, deleted from that view alone, and put back into it.
TEST_F(StartupItemsTest, TheMachineKeysTwoViewsAreListedAndActedOnApart)
{
    CRunKeysScope keys;
    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "QmBoth", REG_SZ, std::string("C:\\64.exe") + '\0');
    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "QmBoth", REG_SZ, std::string("C:\\32.exe") + '\0', KEY_WOW64_32KEY);
    ASSERT_TRUE(OpenWindow());
    CJournalFile journal(m_strJournalPath);
    ASSERT_TRUE(ShowItems(&journal));
    EXPECT_EQ((std::vector<std::string>{"C:\\64.exe", "C:\\32.exe"}), Column(1));
    EXPECT_EQ((std::vector<std::string>{kMachineLocation, kMachineLocation + " (32位)"}), Column(2));
    ASSERT_TRUE(ClickCheckBox(1));
    PressDelete();
    EXPECT_FALSE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "QmBoth", KEY_WOW64_32KEY));
    EXPECT_TRUE(CRunKeysScope::Has(HKEY_LOCAL_MACHINE, "QmBoth"));
    EXPECT_NE(std::string::npos, ReadFileText(m_strJournalPath).find("HKLM32")) << "the view goes to the journal";
    m_pItems.reset();

    CRunKeysScope::Set(HKEY_LOCAL_MACHINE, "QmBoth", REG_SZ, std::string("C:\\other64.exe") + '\0');
    SendCommand(ID_UNDO_LAST);
    EXPECT_EQ(std::vector<std::string>{"已撤销上次配置!"}, m_watcher.Texts());
    m_watcher.Clear();
    ASSERT_TRUE(ShowItems(nullptr));
    EXPECT_EQ((std::vector<std::string>{"C:\\other64.exe", "C:\\32.exe"}), Column(1));
}

TEST_F(StartupItemsTest, TheToolsMenuOpensTheWindow)
{
    CRunKeysScope keys;
    CRunKeysScope::Set(HKEY_CURRENT_USER, "Menu", REG_SZ, std::string("C:\\m.exe") + '\0');
    ASSERT_TRUE(OpenWindow());
    CDialogDriver driver;
    int nRows = -1;
    driver.When(IDC_BTN_STARTUP_DELETE, [&nRows](HWND hDialog) {
        nRows = static_cast<int>(SendDlgItemMessageA(hDialog, IDC_STARTUP_LIST, LVM_GETITEMCOUNT, 0, 0));
        CDialogDriver::Click(hDialog, IDC_BTN_STARTUP_EXIT);
    });
    SendCommand(ID_STARTUP_ITEMS);
    EXPECT_EQ(1, nRows);
}
} // namespace
