// The change journal and undo from the main window, against test-bed
// services and the real service manager; the preview window where the
// user meets it.
#include "support/DialogDriver.h"
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/Pixels.h"
#include "support/TestFiles.h"
#include "support/StandInComputer.h"
#include "support/TextLists.h"

#include "changes/ChangePlanner.h"
#include "changes/JournalFile.h"
#include "changes/JournalledChange.h"
#include "changes/JournalSecurity.h"
#include "changes/JournalTexts.h"
#include "changes/ServiceRecordIO.h"
#include "changes/UndoRestore.h"
#include "common/RecordingReporter.h"
#include "common/KeyCopyIO.h"
#include "common/RegKey.h"
#include "startup/RunValues.h"

#include <fstream>

namespace
{
const char* const kBackupAdvice = "建议您在使用此配置前，备份您的当前服务配置！";
const char* const kUndoDone = "已撤销上次配置!";
const char* const kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

std::map<std::string, DWORD> AllStartTypes()
{
    std::map<std::string, DWORD> startTypes;
    for (const auto& entry : ManagerView())
        startTypes[entry.first] = CStartTypeSnapshot::StartTypeOf(entry.first);
    return startTypes;
}

// A value of the manager's store, as its bytes; "(none)" when absent.
std::string StoredValue(const std::string& strService, const char* pszValue)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + strService).c_str(), 0, KEY_QUERY_VALUE, &hKey) !=
        ERROR_SUCCESS)
        return "(no key)";
    char data[4096];
    DWORD dwSize = sizeof(data), dwType = 0;
    LONG lResult = RegQueryValueExA(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(data), &dwSize);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS ? std::to_string(dwType) + ":" + std::string(data, dwSize) : "(none)";
}

class UndoTest : public MainWindowHarness
{
protected:
    // The context menu's start type for one service.
    void SetStartTypeByMenu(const std::string& strName, UINT nCommand)
    {
        ASSERT_TRUE(Select(strName));
        SendCommand(static_cast<int>(nCommand));
    }

    // A double click on the row ticks it, as the user ticks rows.
    void Tick(const std::string& strName)
    {
        int nRow = RowOf(m_pDialog->ServiceList(), strName);
        ASSERT_NE(-1, nRow) << strName;
        ClickRow(nRow);
        ClickRow(nRow, NM_DBLCLK);
        ASSERT_TRUE(m_pDialog->ServiceList().GetCheck(nRow)) << strName;
    }

    std::vector<std::string> UndoAndTakeTexts()
    {
        SendCommand(ID_UNDO_LAST);
        return m_watcher.Take();
    }

    // A journal as another program could leave it: this entry alone.
    void WriteJournal(ChangeJournal::Entry entry)
    {
        entry.nId = 1;
        entry.strWhen = "2024-01-01 00:00:00";
        entry.bComplete = true;
        WriteFileText(m_strJournalPath, ChangeJournal::FormatJournal({entry}));
    }
};

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A Run value as the journal keeps it: UTF-16, ended.
ChangeJournal::RunValueRecord RunValue(const std::string& strName, const std::string& strRoot,
                                       const std::wstring& command)
{
    std::string data(reinterpret_cast<const char*>(command.c_str()), (command.size() + 1) * sizeof(wchar_t));
    return {strRoot, kRunKey, WideFromGbk(strName), REG_SZ, data, true};
}

TEST_F(UndoTest, AProfileIsTakenBackToEveryStartTypeBeforeIt)
{
    // Services of the knowledge base with start types the profile changes.
    const struct
    {
        const char* pszName;
        DWORD dwStartType;
    } kServices[] = {
        {"Alerter", SERVICE_AUTO_START},
        {"Messenger", SERVICE_DEMAND_START},
        {"lanmanworkstation", SERVICE_AUTO_START},
        {"MySQL", SERVICE_DISABLED},
        {"VMware NAT Service", SERVICE_AUTO_START},
    };
    std::vector<std::unique_ptr<CTestService>> services;
    for (const auto& service : kServices)
        ASSERT_TRUE(RegisterAll({Named(service.pszName, service.dwStartType)}, &services));
    CStartTypeSnapshot snapshot;
    std::map<std::string, DWORD> before = AllStartTypes();
    ASSERT_TRUE(OpenWindow());
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST)) << "an empty journal has nothing to undo";
    // Rows the knowledge base or the start of Windows holds are ticked too.
    m_bTickEverything = true;

    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, ApplyProfileByMenu(5));
    ASSERT_EQ(1u, m_previews.size());
    EXPECT_EQ("配置预览", m_previews[0].strTitle);
    EXPECT_TRUE(m_previews[0].bAnyChange);
    std::map<std::string, DWORD> applied = AllStartTypes();
    for (const auto& service : kServices)
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), applied[service.pszName]) << service.pszName;
    ASSERT_NE(before, applied);
    // Every change the preview named is one the profile made, and no other.
    for (const auto& entry : applied)
    {
        bool bChanged = before[entry.first] != entry.second;
        bool bShown = std::any_of(m_previews[0].rows.begin(), m_previews[0].rows.end(),
                                  [&](const PreviewRow& row) { return row.strName == entry.first; });
        EXPECT_EQ(bChanged, bShown) << entry.first;
    }
    EXPECT_TRUE(MenuItemEnabled(ID_UNDO_LAST));

    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    ASSERT_EQ(2u, m_previews.size());
    EXPECT_EQ("撤销上次配置", m_previews[1].strTitle);
    EXPECT_EQ(m_previews[0].rows.size(), m_previews[1].rows.size());
    EXPECT_EQ(before, AllStartTypes());
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST));
    // The list follows the undo on its next pass.
    EXPECT_TRUE(WaitFor([&] { return CellOf("MySQL", 3) == "已禁用" && CellOf("Alerter", 3) == "自动"; },
                        "the list after the undo"));

    // Nothing is left to take back.
    EXPECT_EQ(std::vector<std::string>{"没有可以撤销的配置。"}, UndoAndTakeTexts());
    EXPECT_EQ(before, AllStartTypes());
}

TEST_F(UndoTest, EachUndoTakesBackTheApplicationBeforeTheLast)
{
    CTestService service(TestBed("QmUndoTwice"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    SetStartTypeByMenu(service.Name(), ID_MENU_DISABLED);
    SetStartTypeByMenu(service.Name(), ID_MENU_AUTO);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), service.ConfiguredStartType());
    EXPECT_TRUE(m_previews.empty()) << "picked rows need no preview";

    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.ConfiguredStartType());
    EXPECT_TRUE(MenuItemEnabled(ID_UNDO_LAST));
    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST));

    // The journal survives the window: a new one can take back what the
    // old one did.
    SetStartTypeByMenu(service.Name(), ID_MENU_DISABLED);
    m_pDialog.reset();
    PumpMessages();
    ASSERT_TRUE(OpenWindow(true));
    EXPECT_TRUE(MenuItemEnabled(ID_UNDO_LAST));
    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
}

TEST_F(UndoTest, AStartTypeChangedElsewhereIsLeftAloneAndSaid)
{
    CTestService mine(TestBed("QmUndoMine"));
    CTestService theirs(TestBed("QmUndoTheirs"));
    ASSERT_TRUE(mine.Created());
    ASSERT_TRUE(theirs.Created());
    ASSERT_TRUE(OpenWindow());
    // One application of the toolbar: the ticked row and the remembered one.
    Tick(theirs.Name());
    ASSERT_TRUE(Select(mine.Name()));
    SendCommand(IDC_BTN_DISABLED);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_DISABLED), mine.ConfiguredStartType());
    ASSERT_EQ(static_cast<DWORD>(SERVICE_DISABLED), theirs.ConfiguredStartType());
    // Another program sets one of them meanwhile.
    ASSERT_TRUE(theirs.ChangeStartType(SERVICE_AUTO_START));

    std::vector<std::string> texts = UndoAndTakeTexts();
    ASSERT_EQ(1u, m_previews.size());
    ASSERT_EQ(1u, m_previews[0].rows.size());
    EXPECT_EQ(mine.Name(), m_previews[0].rows[0].strName);
    EXPECT_EQ("已禁用", m_previews[0].rows[0].strCurrent);
    EXPECT_EQ("手动", m_previews[0].rows[0].strNew);
    EXPECT_EQ("将恢复 1 项,0 项已是原样,1 项保留不动。", m_previews[0].strSummary);
    std::string strNote = "服务 " + theirs.Name() + " 的启动类型已在别处改为\"自动\",保留不动。";
    EXPECT_EQ(std::vector<std::string>{strNote}, m_previews[0].notes);
    // The preview named it before the user chose; the closing box is kept short.
    EXPECT_EQ(std::vector<std::string>{kUndoDone}, texts);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), mine.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), theirs.ConfiguredStartType());
}

TEST_F(UndoTest, ACancelledUndoPreviewChangesNothingAndKeepsTheEntry)
{
    CTestService service(TestBed("QmUndoCancel"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    SetStartTypeByMenu(service.Name(), ID_MENU_DISABLED);
    m_bAcceptPreviews = false;
    EXPECT_EQ(std::vector<std::string>{}, UndoAndTakeTexts());
    EXPECT_EQ(1u, m_previews.size());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.ConfiguredStartType());
    EXPECT_TRUE(MenuItemEnabled(ID_UNDO_LAST));
    m_bAcceptPreviews = true;
    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.ConfiguredStartType());
}

TEST_F(UndoTest, AJournalThatCannotBeWrittenStopsEveryChangeBeforeItStarts)
{
    CTestService service(TestBed("QmUndoNoJournal", "--accept=stop"));
    ASSERT_TRUE(service.Created());
    CTestService alerter(Named("Alerter"));
    ASSERT_TRUE(alerter.Created());
    CStartTypeSnapshot snapshot;
    // Its folder would have to be made where a file is.
    const CTempPath blocker("qm-blocker");
    WriteFileText(blocker, "not a folder");
    std::string strJournal = blocker.File("journal.svcj");
    std::string strFailed = "无法写入更改记录文件(" + strJournal + "),未做任何更改!";
    ASSERT_TRUE(OpenWindow());
    m_pDialog->SetJournalPath(strJournal);
    std::map<std::string, DWORD> before = AllStartTypes();

    SetStartTypeByMenu(service.Name(), ID_MENU_DISABLED);
    EXPECT_EQ(std::vector<std::string>{strFailed}, m_watcher.Take());
    EXPECT_EQ("手动", CellOf(service.Name(), 3)) << "the row shows no change that did not happen";

    Tick(service.Name());
    SendCommand(IDC_BTN_AUTO);
    EXPECT_EQ(std::vector<std::string>{strFailed}, m_watcher.Take());

    EXPECT_EQ((std::vector<std::string>{kBackupAdvice, strFailed}), ApplyProfileByMenu(5));

    m_watcher.SetAnswer(IDYES);
    ASSERT_TRUE(Select(service.Name()));
    SendCommand(ID_DELETE_SERVICE);
    ASSERT_EQ(2u, m_watcher.Texts().size());
    EXPECT_EQ(strFailed, m_watcher.Texts()[1]);
    m_watcher.Clear();
    m_watcher.SetAnswer(IDOK);
    EXPECT_TRUE(service.Exists());
    EXPECT_TRUE(Listed(m_pDialog->ServiceList(), service.Name()));

    EXPECT_EQ(before, AllStartTypes());
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST));
}

TEST_F(UndoTest, AForeignOrDamagedJournalIsSaidAndNothingChanges)
{
    CTestService service(TestBed("QmUndoDamaged"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(OpenWindow());
    // A real journal first, then lines of another kind after it.
    SetStartTypeByMenu(service.Name(), ID_MENU_DISABLED);
    std::string strJournal = ReadFileText(m_strJournalPath);
    ASSERT_FALSE(strJournal.empty());
    int nLines = static_cast<int>(std::count(strJournal.begin(), strJournal.end(), '\n'));
    auto damaged = [&](int nLine) {
        return "更改记录文件已损坏(第" + std::to_string(nLine) + "行无法识别),未做任何更改!";
    };
    // Entries another program could plant: a boot-start kernel driver made
    // as LocalSystem, a debugger for the sticky-keys program.
    const std::string strDriver = strJournal + "begin 900 service-removal - ;\r\n"
                                               "service QmPlanted 1 0 3 C:\\x.sys - LocalSystem - 0 - 0 ;\r\n"
                                               "deleted 900 0 ;\r\nend 900 ;\r\n";
    const std::string strDebugger =
        strJournal + "begin 901 startup-values - ;\r\n"
                     "runvalue HKLM SOFTWARE\\Microsoft\\Windows%20NT\\CurrentVersion\\Image%20File%20Execution%20"
                     "Options\\sethc.exe Debugger 1 43003A005C0078002E00650078006500 ;\r\n"
                     "deleted 901 0 ;\r\nend 901 ;\r\n";
    const struct
    {
        const char* pszCase;
        std::string strText;
        std::string strProblem;
        bool bEveryoneWrites;
    } kCases[] = {
        {"foreign", "[Services]\r\nAlerter=4\r\n",
         "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!", false},
        {"edited", strJournal + "end 99999999999999999999\n", damaged(nLines + 1), false},
        {"binary", std::string("\x00\xff\x01garbage", 10), "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!",
         false},
        {"a driver planted", strDriver, damaged(nLines + 2), false},
        {"a value planted outside the Run keys", strDebugger, damaged(nLines + 2), false},
        // Last: the file stays open to everyone.
        {"anyone may write it", strJournal,
         "更改记录(" + m_strJournalPath + ")可被管理员以外的帐户(" + JournalSecurity::AccountText("S-1-1-0") +
             ")修改,不能信任其中的记录,未做任何更改!",
         true},
    };
    for (const auto& test : kCases)
    {
        SCOPED_TRACE(test.pszCase);
        WriteFileText(m_strJournalPath, test.strText);
        if (test.bEveryoneWrites)
        {
            LetEveryoneWrite(m_strJournalPath);
            m_pDialog->SetJournalSecurityReader(ReadSecurityAsOnWindows);
        }
        EXPECT_EQ(std::vector<std::string>{test.strProblem}, UndoAndTakeTexts());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.ConfiguredStartType());
        // Nothing is applied over a journal that could not be kept.
        SetStartTypeByMenu(service.Name(), ID_MENU_AUTO);
        EXPECT_EQ(std::vector<std::string>{test.strProblem + "\n" + m_strJournalPath}, m_watcher.Take());
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.ConfiguredStartType());
        EXPECT_EQ(test.strText, ReadFileText(m_strJournalPath)) << "the file is left as it was";
    }
}

// An earlier version's journal, in a folder any program of the user may
// write, is named once at the start and never taken back.
TEST_F(UndoTest, AnEarlierVersionsJournalIsNamedOnceAndNeverUndone)
{
    const CTempPath legacy("qm-legacy", ".svcj");
    m_strLegacyJournalPath = legacy;
    const std::string strKept = m_strLegacyJournalPath + ".old";
    const std::string strLegacy = "Quillmere change journal 1 GBK\r\nbegin 1 service-removal - ;\r\n"
                                  "service QmLegacyPlanted 16 2 1 C:\\x.exe - LocalSystem - 0 - 0 ;\r\n"
                                  "deleted 1 0 ;\r\nend 1 ;\r\n";
    WriteFileText(m_strLegacyJournalPath, strLegacy);
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(std::vector<std::string>{JournalTexts::Moved(m_strJournalPath, strKept)}, m_watcher.Take());
    EXPECT_FALSE(FileExists(m_strLegacyJournalPath));
    EXPECT_EQ(strLegacy, ReadFileText(strKept));
    EXPECT_EQ(std::vector<std::string>{"没有可以撤销的配置。"}, UndoAndTakeTexts());
    EXPECT_EQ(0u, EnumeratedStates().count("QmLegacyPlanted"));
    // Said once: the next start finds nothing to say.
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts());
    DeleteFileA(strKept.c_str());
}

TEST_F(UndoTest, ADeletedServiceIsMadeAgainWithItsWholeConfigurationAndStarts)
{
    TestServiceSpec spec = TestBed("QmUndoDeleted", "--accept=stop", SERVICE_AUTO_START);
    spec.strDisplayName = "撤销测试服务 " + spec.strName;
    spec.strDescription = "被删除后应原样恢复的服务;含空格 % 与\"引号\"";
    spec.dependencies = {"RpcSs", "PlugPlay", "+TDI"};
    CTestService service(spec);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());
    ServiceConfigSeen before = ReadServiceConfig(service.Name());
    const std::wstring wstrKey = WideFromGbk(kServicesKey + service.Name());
    FillServiceKey(HKEY_LOCAL_MACHINE, wstrKey);
    KeyCopy keyBefore;
    ASSERT_EQ(ERROR_SUCCESS, ReadKeyCopy(HKEY_LOCAL_MACHINE, wstrKey, &keyBefore));
    ASSERT_NE(nullptr, keyBefore.Find(L"Parameters\\Deep\\Deeper", L""));
    ASSERT_TRUE(keyBefore.HasSubkey(L"Empty") && keyBefore.HasSubkey(L"TriggerInfo\\0"));
    std::string strDependOnService = StoredValue(service.Name(), "DependOnService");
    std::string strDependOnGroup = StoredValue(service.Name(), "DependOnGroup");
    ASSERT_NE("(none)", strDependOnService);
    ASSERT_EQ(spec.strDescription, before.strDescription);
    ASSERT_TRUE(OpenWindow());

    m_watcher.SetAnswer(IDYES);
    ASSERT_TRUE(Select(service.Name()));
    SendCommand(ID_DELETE_SERVICE);
    ASSERT_EQ(2u, m_watcher.Texts().size());
    EXPECT_EQ("删除成功!", m_watcher.Texts()[1]);
    m_watcher.Clear();
    m_watcher.SetAnswer(IDOK);
    ASSERT_TRUE(service.WaitUntilGone());

    EXPECT_EQ(std::vector<std::string>{kUndoDone}, UndoAndTakeTexts());
    ASSERT_EQ(1u, m_previews.size());
    ASSERT_EQ(1u, m_previews[0].rows.size());
    EXPECT_EQ(spec.strDisplayName, m_previews[0].rows[0].strDisplayName);
    EXPECT_EQ("已删除", m_previews[0].rows[0].strCurrent);
    EXPECT_EQ("重新创建(自动)", m_previews[0].rows[0].strNew);

    ASSERT_EQ(1u, m_previews[0].notes.size());
    EXPECT_NE(std::string::npos, m_previews[0].notes[0].find(",服务DLL %SystemRoot%\\qm\\托管.dll,账户 "))
        << m_previews[0].notes[0];
    ASSERT_TRUE(service.Exists());
    // The key as it was, byte for byte, before the service is started.
    KeyCopy keyAfter;
    ASSERT_EQ(ERROR_SUCCESS, ReadKeyCopy(HKEY_LOCAL_MACHINE, wstrKey, &keyAfter));
    EXPECT_EQ(std::vector<std::wstring>{}, KeyDifferences(keyBefore, keyAfter));
    EXPECT_EQ(before, ReadServiceConfig(service.Name()));
    EXPECT_EQ(strDependOnService, StoredValue(service.Name(), "DependOnService"));
    EXPECT_EQ(strDependOnGroup, StoredValue(service.Name(), "DependOnGroup"));
    EXPECT_TRUE(Listed(m_pDialog->ServiceList(), service.Name())) << "the list shows it again";
    EXPECT_TRUE(service.StartAndWaitRunning());
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST));
}

// The preview window itself, as the user meets it before a profile: its
// rows, then "取消" keeps everything and "应用" goes on to the backup question.
class PreviewFlowTest : public UndoTest
{
protected:
    // Clicks a button of the preview with the mouse once it is on screen,
    // after what it shows is read and, when given, the action is done.
    static void ClickWhenShown(HWND hPreview, int nId, const char* pszShot = nullptr,
                               std::function<void()> meanwhile = {})
    {
        s_hPreview = hPreview;
        s_nButton = nId;
        s_pszShot = pszShot != nullptr ? pszShot : nId == IDC_BTN_PREVIEW_CANCEL ? "preview-profile" : "preview-apply";
        s_meanwhile = std::move(meanwhile);
        SetTimer(hPreview, 1, 50, [](HWND hWnd, UINT, UINT_PTR nTimer, DWORD) {
            if (!IsWindowVisible(hWnd))
                return;
            KillTimer(hWnd, nTimer);
            s_rows = PreviewCellsOf(GetDlgItem(hWnd, IDC_PREVIEW_LIST));
            s_strSummary = TextOf(GetDlgItem(hWnd, IDC_PREVIEW_SUMMARY));
            s_strNotes = TextOf(GetDlgItem(hWnd, IDC_PREVIEW_NOTES));
            s_bApplyEnabled = IsWindowEnabled(GetDlgItem(hWnd, IDC_BTN_PREVIEW_APPLY)) != FALSE;
            s_bShot = SaveScreenshot(s_pszShot);
            if (s_meanwhile)
                s_meanwhile();
            ClickAt(CentreOf(GetDlgItem(hWnd, s_nButton)));
        });
    }
    // Undo through the real windows: the preview is answered with nButton
    // once the action is done, and the result window after it with 取消.
    void UndoInWindows(int nButton, const char* pszShot, std::function<void()> meanwhile = {})
    {
        m_pDialog->SetPreviewer(CChangeCommands::ShowPreviewWindow);
        s_strNotes.clear();
        CDialogDriver driver;
        driver.WhenWindow(IsPreviewWindow,
                          [&](HWND hPreview) { ClickWhenShown(hPreview, nButton, pszShot, meanwhile); });
        if (nButton == IDC_BTN_PREVIEW_APPLY)
            driver.WhenWindow([](HWND hWnd) { return IsPreviewWindow(hWnd) && hWnd != s_hPreview; },
                              [](HWND hResult) { ClickWhenShown(hResult, IDC_BTN_PREVIEW_CANCEL, "undo-result"); });
        SendCommand(ID_UNDO_LAST);
        EXPECT_TRUE(driver.AllDone()) << "a window did not open";
        EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts()) << "no message box";
    }
    // What the preview showed when it was clicked.
    static inline HWND s_hPreview = nullptr;
    static inline int s_nButton = 0;
    static inline std::vector<PreviewCells> s_rows;
    static inline std::string s_strSummary, s_strNotes;
    static inline bool s_bApplyEnabled = false, s_bShot = false;
    static inline const char* s_pszShot = nullptr;
    static inline std::function<void()> s_meanwhile;
};

TEST_F(PreviewFlowTest, TheProfilesPreviewNamesRunningDependentsAndGuardsTheChange)
{
    TestServiceSpec alerterSpec = TestBed("unused");
    alerterSpec.strName = "Alerter";
    alerterSpec.strDisplayName = "警报器";
    CTestService alerter(alerterSpec);
    ASSERT_TRUE(alerter.Created());
    ASSERT_TRUE(alerter.StartAndWaitRunning());
    TestServiceSpec dependentSpec = TestBed("QmNeedsAlerter", "--accept=stop");
    dependentSpec.strDisplayName = "依赖警报器的服务";
    dependentSpec.dependencies = {"Alerter"};
    CTestService dependent(dependentSpec);
    ASSERT_TRUE(dependent.Created());
    ASSERT_TRUE(dependent.StartAndWaitRunning());
    CStartTypeSnapshot snapshot;
    std::map<std::string, DWORD> before = AllStartTypes();
    ASSERT_TRUE(OpenWindow());
    m_pDialog->SetPreviewer(CChangeCommands::ShowPreviewWindow);

    // Profile 2 disables Alerter; "取消" leaves quick configuration open.
    m_watcher.SetAnswer(IDNO);
    HWND hQuick = nullptr;
    bool bQuickOpenAfterCancel = false;
    {
        CDialogDriver driver;
        driver.When(IDC_CHOICE_1, ChooseProfile(2, &hQuick));
        driver.WhenWindow(IsPreviewWindow, [](HWND hPreview) { ClickWhenShown(hPreview, IDC_BTN_PREVIEW_CANCEL); });
        driver.When(IDC_CHOICE_1, [&bQuickOpenAfterCancel](HWND hDialog) {
            bQuickOpenAfterCancel = true;
            CDialogDriver::Click(hDialog, IDC_BTN_CANCEL);
        });
        SendCommand(ID_QUICK_CONFIG);
        EXPECT_TRUE(driver.AllDone());
    }
    EXPECT_TRUE(bQuickOpenAfterCancel);
    EXPECT_TRUE(s_bShot);
    EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts()) << "no backup question after 取消";
    EXPECT_EQ(before, AllStartTypes());
    const PreviewCells* pAlerterRow = nullptr;
    for (const auto& row : s_rows)
    {
        if (row[1] == "Alerter")
            pAlerterRow = &row;
    }
    ASSERT_NE(nullptr, pAlerterRow);
    EXPECT_EQ("※警报器", (*pAlerterRow)[0]);
    EXPECT_EQ("手动", (*pAlerterRow)[2]);
    EXPECT_EQ("已禁用", (*pAlerterRow)[3]);
    EXPECT_EQ("依赖警报器的服务", (*pAlerterRow)[4]);
    EXPECT_EQ(0u, s_strSummary.find("将更改 ")) << s_strSummary;

    // "应用" goes on to the backup question and changes what it showed.
    {
        CDialogDriver driver;
        driver.When(IDC_CHOICE_1, ChooseProfile(2));
        driver.WhenWindow(IsPreviewWindow, [](HWND hPreview) { ClickWhenShown(hPreview, IDC_BTN_PREVIEW_APPLY); });
        SendCommand(ID_QUICK_CONFIG);
        EXPECT_TRUE(driver.AllDone());
    }
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    m_watcher.SetAnswer(IDOK);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());
    std::map<std::string, DWORD> applied = AllStartTypes();
    for (const auto& row : s_rows)
        EXPECT_EQ(row[3], ServiceTexts::StartTypeText(applied[row[1]])) << row[1];
}

// A journal entry may be forged: before anything is written, the preview's
// notes say in full what command a startup value will hold, in the code
// page's own characters (the program and account of a service likewise).
TEST_F(PreviewFlowTest, TheUndoPreviewShowsWhatItWouldWriteInFull)
{
    std::string strValue = "QmForgedTray" + std::to_string(GetCurrentProcessId());
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::StartupValues;
    entry.runValues = {RunValue(strValue, "HKCU", WideFromGbk("C:\\程序\\托盘.exe /min ") + L"\u00C0")};
    ASSERT_TRUE(OpenWindow());
    WriteJournal(entry);
    UndoInWindows(IDC_BTN_PREVIEW_CANCEL, "undo-preview-run-value");
    EXPECT_TRUE(s_bShot);
    // GBK has no "À": its code is shown, never a look-alike.
    EXPECT_EQ("将写回启动项 " + strValue + ":位置 HKCU\\" + kRunKey + ",命令 C:\\程序\\托盘.exe /min <U+00C0>。",
              s_strNotes);
    EXPECT_TRUE(s_bApplyEnabled);
    DWORD dwType = 0;
    std::string data;
    EXPECT_NE(ERROR_SUCCESS, RunValues::Read({HKEY_CURRENT_USER}, kRunKey, WideFromGbk(strValue), &dwType, &data)) << "取消 wrote";
}

// Whatever changes between the preview and its restore stays as it was
// made, and what was left alone or failed is named in the result window,
// which scrolls, never in message boxes.
TEST_F(PreviewFlowTest, WhatChangedMeanwhileOrFailedIsLeftAndShownAfterTheUndo)
{
    CTestService mine(TestBed("QmStaleMine"));
    ASSERT_TRUE(mine.Created());
    TestServiceSpec theirsSpec = TestBed("QmStaleTheirs");
    std::unique_ptr<CTestService> pTheirs;
    ChangeJournal::Entry service;
    service.kind = ChangeJournal::Kind::ServiceRemoval;
    service.services.resize(1);
    service.services[0].wstrName = WideFromGbk(theirsSpec.strName);
    service.services[0].wstrPath = WideFromGbk(CTestService::TestBedCommandLine(""));
    service.services[0].dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    service.services[0].dwStartType = SERVICE_AUTO_START;
    service.services[0].bDeleted = true;
    std::string strValue = "QmStaleTray" + std::to_string(GetCurrentProcessId());
    ChangeJournal::RunValueRecord theirs = RunValue(strValue, "HKCU", L"C:\\theirs.exe");
    ChangeJournal::Entry value;
    value.kind = ChangeJournal::Kind::StartupValues;
    value.runValues = {RunValue(strValue, "HKCU", L"C:\\mine.exe")};
    ChangeJournal::Entry unwritable = value;
    // Names longer than the registry holds (16,383 characters): no write can take.
    const std::string strLong1 = std::string(16384, 'V') + "1", strLong2 = std::string(16384, 'V') + "2";
    unwritable.runValues = {RunValue(strLong1, "HKCU", L"a"), RunValue(strLong2, "HKCU", L"b")};
    const std::string strRun = std::string("\\") + kRunKey;
    const struct
    {
        const char* pszCase;
        std::function<void()> setUp, meanwhile;
        std::string strNotes;
        std::function<bool()> kept;
    } kCases[] = {
        {"a start type set elsewhere", [&] { SetStartTypeByMenu(mine.Name(), ID_MENU_DISABLED); },
         [&] { EXPECT_TRUE(mine.ChangeStartType(SERVICE_AUTO_START)); },
         "服务 " + mine.Name() + " 的启动类型已在别处改为\"自动\",保留不动。",
         [&] { return mine.ConfiguredStartType() == SERVICE_AUTO_START; }},
        {"a startup value written elsewhere", [&] { WriteJournal(value); },
         [&] { EXPECT_EQ(ERROR_SUCCESS, RunValues::Write({HKEY_CURRENT_USER}, kRunKey, WideFromGbk(strValue), REG_SZ, theirs.data)); },
         "启动项 " + strValue + " 已在别处重新写入(HKCU" + strRun + "),保留不动。",
         [&] {
             DWORD dwType = 0;
             std::string data;
             return RunValues::Read({HKEY_CURRENT_USER}, kRunKey, WideFromGbk(strValue), &dwType, &data) == 0 && data == theirs.data;
         }},
        {"a service made elsewhere", [&] { WriteJournal(service); },
         [&] { pTheirs.reset(new CTestService(theirsSpec)); }, "服务 " + theirsSpec.strName + " 已重新存在,不再创建。",
         [&] { return pTheirs->Created() && pTheirs->ConfiguredStartType() == SERVICE_DEMAND_START; }},
        {"startup values that cannot be written", [&] { WriteJournal(unwritable); }, {},
         "启动项 " + strLong1 + " 无法写回 HKCU" + strRun + "!\r\n启动项 " + strLong2 + " 无法写回 HKCU" + strRun + "!",
         [] { return true; }},
    };
    ASSERT_TRUE(OpenWindow());
    int nCase = 0;
    for (const auto& test : kCases)
    {
        SCOPED_TRACE(test.pszCase);
        test.setUp();
        const std::string strShot = "undo-stale-preview-" + std::to_string(++nCase);
        UndoInWindows(IDC_BTN_PREVIEW_APPLY, strShot.c_str(), test.meanwhile);
        m_watcher.Clear();
        EXPECT_EQ(test.strNotes, s_strNotes);
        EXPECT_FALSE(s_bApplyEnabled);
        EXPECT_EQ(0u, s_strSummary.find("上次配置已撤销,但有部分内容未能恢复。(已恢复 0 项")) << s_strSummary;
        EXPECT_EQ("未恢复", s_rows.at(0)[3]);
        EXPECT_TRUE(test.kept());
    }
    CRegKey run;
    run.Open(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE);
    RegDeleteValueA(run.Get(), strValue.c_str());
}

// An entry of 10,000 records of services long gone: its notes go to the
// preview's scrolling box with "应用" off, not to a box taller than the screen.
TEST_F(PreviewFlowTest, AHugeEntryWithNothingToRestoreShowsItsNotesInThePreview)
{
    const int kRecords = 10000;
    ChangeJournal::Entry entry;
    std::string strStem = UniqueServiceName("QmGone") + "_";
    for (int i = 0; i < kRecords; ++i)
        entry.startTypes.push_back({WideFromGbk(strStem + std::to_string(i)), 2, 4, true, 4});
    ASSERT_TRUE(OpenWindow());
    WriteJournal(entry);
    UndoInWindows(IDC_BTN_PREVIEW_CANCEL, "undo-preview-10000");
    EXPECT_FALSE(s_bApplyEnabled);
    EXPECT_EQ("没有需要恢复的内容,不会做任何更改。(0 项已是原样,10000 项保留不动)", s_strSummary);
    EXPECT_EQ(kRecords - 1, std::count(s_strNotes.begin(), s_strNotes.end(), '\n'));
    std::string strLast = "服务 " + GbkText::FromWide(entry.startTypes.back().wstrName) + " 已不存在或无法读取,不能恢复它的启动类型。";
    EXPECT_EQ(s_strNotes.size() - strLast.size(), s_strNotes.rfind(strLast));
    EXPECT_FALSE(MenuItemEnabled(ID_UNDO_LAST)) << "the entry is done with";
}
} // namespace

// Windows' manager holds failure actions, the delayed start, privileges, the
// SID type and triggers in memory from its start: an undone deletion tells
// it each (the stand-in keeps what it is told), then the key is as before.
TEST(UndoStandInTest, AnUndoneDeletionTellsTheManagerWhatItHoldsAndRestoresTheKey)
{
    CStandInComputer computer;
    ASSERT_TRUE(computer.Add({StandInService(L"QmHeld", SERVICE_WIN32_SHARE_PROCESS, SERVICE_AUTO_START)}));
    auto pSession = computer.Session();
    FillServiceKey(HKEY_CURRENT_USER, computer.ServiceKey(L"QmHeld"));
    KeyCopy before, after;
    ASSERT_EQ(ERROR_SUCCESS, ReadKeyCopy(HKEY_CURRENT_USER, computer.ServiceKey(L"QmHeld"), &before));

    CTempPath journalPath("held", ".svcj");
    CJournalFile journal(journalPath.Path());
    CRecordingReporter reporter;
    bool bRefused = true;
    {
        CJournalledChange change(&journal, reporter);
        ASSERT_EQ(0u, DeleteServiceJournalled(*pSession, L"QmHeld", change, &bRefused));
    }
    ASSERT_FALSE(bRefused);
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ASSERT_EQ(ChangeJournal::ReadOutcome::Read, journal.Read(&entries, &strProblem)) << strProblem;
    ASSERT_EQ(1u, entries.size());
    UndoPlan::Facts facts;
    ASSERT_EQ(0u, ReadUndoFacts(*pSession, entries[0], &facts));
    UndoPlan::Plan plan = UndoPlan::Make(entries[0], facts, "t");
    ASSERT_EQ(1u, plan.services.size());
    EXPECT_TRUE(RestoreUndoPlan(*pSession, entries[0], plan).empty());

    ServiceKeyParts::Parts held;
    std::vector<DWORD> levels;
    ASSERT_TRUE(pSession->HeldParts(L"QmHeld", &held, &levels));
    EXPECT_EQ((std::vector<DWORD>{2, 3, 5, 6, 8}), levels);
    ASSERT_EQ(1u, held.failureActions.actions.size());
    EXPECT_EQ(60000u, held.failureActions.actions[0].dwDelay);
    EXPECT_EQ(86400u, held.failureActions.dwResetPeriod);
    EXPECT_EQ(L"C:\\qm\\failed.exe", held.failureActions.wstrCommand);
    EXPECT_TRUE(held.bDelayed);
    EXPECT_EQ(std::vector<std::wstring>{L"SeChangeNotifyPrivilege"}, held.privileges);
    EXPECT_EQ(1u, held.dwSidType);
    ASSERT_EQ(1u, held.triggers.size());
    EXPECT_EQ(std::string(16, '\x5A'), held.triggers[0].subtype);
    ASSERT_EQ(1u, held.triggers[0].items.size());
    EXPECT_EQ(Utf16Bytes(L"USBSTOR\\GenDisk"), held.triggers[0].items[0].data);
    ASSERT_EQ(ERROR_SUCCESS, ReadKeyCopy(HKEY_CURRENT_USER, computer.ServiceKey(L"QmHeld"), &after));
    EXPECT_EQ(std::vector<std::wstring>{}, KeyDifferences(before, after));
}

// A key the journal could not hold, or whose values say otherwise than the
// manager, is named and the service is left as it is.
TEST(UndoStandInTest, AKeyTheJournalCannotHoldKeepsTheService)
{
    CStandInComputer computer;
    const struct
    {
        const wchar_t* pszService;
        const wchar_t* pszValue;
        DWORD dwType;
        std::string data;
        const char* pszSaid;
    } kCases[] = {
        {L"QmBig", L"Planted", REG_BINARY, std::string(ChangeJournal::kMaxServiceKeyBytes, 'x'),
         "服务 QmBig 的注册表项过大(超过 256KB 或 4096 项),无法记入更改记录,未做任何更改!"},
        // A manager reads a list as its first text; the journal takes none.
        {L"QmList", L"ImagePath", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"C:\\qm.exe\0", 11)),
         "服务 QmList 的注册表项与其配置不符(ImagePath),无法记入更改记录,未做任何更改!"},
    };
    for (const auto& test : kCases)
    {
        ASSERT_TRUE(computer.Add({StandInService(test.pszService)}));
        CRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, computer.ServiceKey(test.pszService).c_str(), KEY_SET_VALUE));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), test.pszValue, 0, test.dwType,
                                                reinterpret_cast<const BYTE*>(test.data.data()),
                                                static_cast<DWORD>(test.data.size())));
        auto pSession = computer.Session();
        CTempPath journalPath("kept", ".svcj");
        CJournalFile journal(journalPath.Path());
        CRecordingReporter reporter;
        bool bRefused = false;
        {
            CJournalledChange change(&journal, reporter);
            EXPECT_EQ(0u, DeleteServiceJournalled(*pSession, test.pszService, change, &bRefused));
        }
        EXPECT_TRUE(bRefused);
        ASSERT_EQ(1u, reporter.Entries().size());
        EXPECT_EQ(test.pszSaid, reporter.Entries()[0].strText);
        CService service;
        EXPECT_EQ(0u, pSession->Open(test.pszService, GENERIC_READ, &service)) << "still there";
    }
}
