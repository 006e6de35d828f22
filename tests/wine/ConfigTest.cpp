// Export, import, quick configuration and the wizard from the main window,
// against test-bed services and real files.
#include "support/DialogDriver.h"
#include "support/Input.h"
#include "support/MainWindowHarness.h"
#include "support/StandInComputer.h"
#include "support/TestFiles.h"

#include "common/AsciiText.h"
#include "common/FileHandle.h"
#include "common/RecordingReporter.h"
#include "config/ServiceConfigFile.h"
#include "knowledge/QuickConfigDlg.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/WizardDlg.h"
#include "services/ServiceErrors.h"

#include <cstdlib>

namespace
{
const char* const kBackupAdvice = "建议您在使用此配置前，备份您的当前服务配置！";

// The please-wait window, told by its text.
bool IsProgressWindow(HWND hWnd)
{
    HWND hText = FindWindowExA(hWnd, nullptr, "Static", nullptr);
    return hText != nullptr && TextOf(hText) == "正在配置......请稍候";
}

class ConfigTest : public MainWindowHarness
{
protected:
    // What the please-wait window was like when it appeared.
    struct ProgressSeen
    {
        int nWindows = 0;
        HWND hOwner = nullptr;
        bool bCallerEnabled = true;
    };
    // While the please-wait window is up, the caller's buttons are pressed
    // as a click that got through all the same would press them.
    static void WatchProgress(CDialogDriver& driver, const HWND& hCaller, std::vector<int> presses,
                              ProgressSeen* pSeen)
    {
        driver.WhenWindow(IsProgressWindow, [&hCaller, presses, pSeen](HWND hProgress) {
            ++pSeen->nWindows;
            pSeen->hOwner = GetWindow(hProgress, GW_OWNER);
            pSeen->bCallerEnabled = IsWindowEnabled(hCaller) != FALSE;
            for (int nId : presses)
            {
                CDialogDriver::Click(hCaller, nId);
                PostMessageA(GetDlgItem(hCaller, nId), BM_CLICK, 0, 0);
            }
        });
    }
    // One backup, its boxes and the please-wait window, all modal to hCaller.
    void ExpectModalTo(HWND hCaller, const ProgressSeen& progress)
    {
        EXPECT_EQ(1, m_nChooserCalls);
        EXPECT_EQ(hCaller, m_hLastChooserOwner);
        EXPECT_EQ(1, progress.nWindows);
        EXPECT_EQ(hCaller, progress.hOwner);
        EXPECT_FALSE(progress.bCallerEnabled);
        EXPECT_EQ((std::vector<std::string>{kBackupAdvice, "服务配置文件保存成功!"}), m_watcher.Texts());
        for (const CMessageBoxWatcher::Box& box : m_watcher.Boxes())
            EXPECT_EQ(hCaller, box.hOwner) << box.strText;
        m_watcher.Clear();
        m_watcher.SetAnswer(IDOK);
    }

    void TearDown() override
    {
        m_pWizard.reset();
        MainWindowHarness::TearDown();
    }
    // The wizard as its button makes it, on its first question; nullptr
    // when it is not ready or its window was not made.
    HWND OpenWizard()
    {
        m_pWizard.reset(new CWizardDlg(m_pDialog.get()));
        return m_pWizard->IsReady() && m_pWizard->Create() ? m_pWizard->GetSafeHwnd() : nullptr;
    }
    void Press(HWND hWizard, int nId) { SendMessageA(hWizard, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0); }
    // 下一步 until the wizard ends or the condition holds, 40 presses at most.
    int PressNextUntil(HWND hWizard, const std::function<bool()>& done = [] { return false; })
    {
        int nPresses = 0;
        for (; nPresses < 40 && IsWindow(hWizard) && !done(); ++nPresses)
            Press(hWizard, IDC_BTN_NEXT);
        return nPresses;
    }

    std::unique_ptr<CWizardDlg> m_pWizard;
};

TEST_F(ConfigTest, ExportThenImportRestoresStartTypes)
{
    CTestService automatic(TestBed("QmCfgAuto", "", SERVICE_AUTO_START)),
        manual(TestBed("QmCfgManual", "", SERVICE_DEMAND_START)),
        disabled(TestBed("QmCfgDisabled", "", SERVICE_DISABLED));
    for (CTestService* pService : {&automatic, &manual, &disabled})
        ASSERT_TRUE(pService->Created());
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_roundtrip", ".svc");
    // An older file there is replaced whole.
    WriteFileText(file, "old&自动\r\nleft over from before\r\n");

    ChooseFile(file);
    SendCommand(ID_EXPORT_CONFIG);
    EXPECT_TRUE(m_bLastChooserSave);
    EXPECT_EQ(std::vector<std::string>{"服务配置文件保存成功!"}, m_watcher.Take());
    std::string strFile = ReadFileText(file);
    EXPECT_EQ(std::string::npos, strFile.find("left over")) << "the old file was replaced";
    EXPECT_NE(std::string::npos, strFile.find(automatic.Name() + "&自动\r\n"));
    EXPECT_NE(std::string::npos, strFile.find(manual.Name() + "&手动\r\n"));
    EXPECT_NE(std::string::npos, strFile.find(disabled.Name() + "&已禁用\r\n"));
    EXPECT_EQ(ManagerView().size(), ServiceConfigFile::ParseRecords(strFile).size()) << "one line per service";

    ASSERT_TRUE(automatic.ChangeStartType(SERVICE_DISABLED));
    ASSERT_TRUE(manual.ChangeStartType(SERVICE_AUTO_START));
    ASSERT_TRUE(disabled.ChangeStartType(SERVICE_DEMAND_START));
    SendCommand(IDC_BTN_IMPORT);
    EXPECT_FALSE(m_bLastChooserSave);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), automatic.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), manual.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), disabled.ConfiguredStartType());
}

TEST_F(ConfigTest, ImportAppliesOnlyWellFormedRecordsInOrder)
{
    CTestService first(TestBed("QmImpA", "", SERVICE_DEMAND_START)),
        second(TestBed("QmImpB", "", SERVICE_DEMAND_START)), third(TestBed("QmImpC", "", SERVICE_DEMAND_START)),
        fourth(TestBed("QmImpD", "", SERVICE_DEMAND_START));
    for (CTestService* pService : {&first, &second, &third, &fourth})
        ASSERT_TRUE(pService->Created());
    std::string strLower = first.Name();
    for (char& ch : strLower)
        ch = AsciiToLower(ch);
    std::string strData = strLower + "&已禁用\r\n"                 // other letter case: applied
                          + second.Name() + "&自动 \r\n"           // trailing space: skipped
                          + third.Name() + "&\xE8\x87\xAA\xE5\x8A\xA8\n" // UTF-8 word: skipped
                          + "QmNotInstalledAnywhere&自动\r\n"      // missing: silently skipped
                          + "\r\n" + "no separator here\r\n"
                          + third.Name() + "&未知\r\n"
                          + fourth.Name() + "&自动\r\n" + fourth.Name() + "&已禁用"; // last one wins, no end
    const CTempPath file("qm_import", ".svc");
    WriteFileText(file, strData);
    ASSERT_TRUE(OpenWindow());
    ChooseFile(file);
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), first.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), second.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), third.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), fourth.ConfiguredStartType());
    EXPECT_TRUE(m_watcher.Texts().empty());
    // The preview named exactly the two services that changed, each once,
    // with the value its last record gives; the missing one is counted.
    ASSERT_EQ(1u, m_previews.size());
    std::vector<std::string> shown;
    for (const PreviewRow& row : m_previews[0].rows)
        shown.push_back(AsciiLower(row.strName) + "=" + row.strNew);
    std::sort(shown.begin(), shown.end());
    std::vector<std::string> expected = {AsciiLower(first.Name()) + "=已禁用", AsciiLower(fourth.Name()) + "=已禁用"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, shown);
    EXPECT_NE(std::string::npos, m_previews[0].strSummary.find("1 个未安装")) << m_previews[0].strSummary;
}

TEST_F(ConfigTest, FilesThatCannotBeUsedAreReported)
{
    ASSERT_TRUE(OpenWindow());
    const CTempPath missing("qm_no_such_file", ".svc");
    ChooseFile(missing);
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_EQ(std::vector<std::string>{"文件错误！请选择正确的配置文件！"}, m_watcher.Take());

    // No success message for a file that was never written.
    ChooseFile("C:\\qm\\no\\such\\folder\\config.svc");
    SendCommand(IDC_BTN_EXPORT);
    EXPECT_EQ(std::vector<std::string>{"配置文件无法写入,本次导出失败!"}, m_watcher.Take());

    // Cancelling either chooser does nothing.
    ChooseFile("");
    SendCommand(ID_EXPORT_CONFIG);
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_EQ(2, m_nChooserCalls);
    EXPECT_TRUE(m_watcher.Texts().empty());
}

// Types a name into the real save dialog and presses its Save button.
struct SaveDialogSeen
{
    std::string strFilter;
    std::string strInitialName;
    bool bSeen = false;
};
SaveDialogSeen g_saveDialog;
std::string g_strTypedPath;
int g_nSaveDialogTicks = 0;

VOID CALLBACK DriveSaveDialog(HWND, UINT, UINT_PTR nId, DWORD)
{
    HWND hDialog = FindThreadWindow([](HWND hWnd) { return GetDlgItem(hWnd, 0x47C) != nullptr; });
    if (hDialog == nullptr)
    {
        // Never leave the test hanging in a dialog that was not recognised.
        if (++g_nSaveDialogTicks > 200)
        {
            KillTimer(nullptr, nId);
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND hWnd, LPARAM) -> BOOL {
                    char szClass[16] = {};
                    GetClassNameA(hWnd, szClass, sizeof(szClass));
                    if (IsWindowVisible(hWnd) && lstrcmpA(szClass, "#32770") == 0)
                        PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
                    return TRUE;
                },
                0);
        }
        return;
    }
    KillTimer(nullptr, nId);
    g_saveDialog.bSeen = true;
    char szText[MAX_PATH] = {};
    HWND hFilter = GetDlgItem(hDialog, 0x470);
    SendMessageA(hFilter, CB_GETLBTEXT, SendMessageA(hFilter, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(szText));
    g_saveDialog.strFilter = szText;
    HWND hName = GetDlgItem(hDialog, 0x47C);
    GetWindowTextA(hName, szText, sizeof(szText));
    g_saveDialog.strInitialName = szText;
    SetWindowTextA(hName, g_strTypedPath.c_str());
    PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDialog, IDOK)));
}

TEST_F(ConfigTest, TheRealSaveDialogOffersSvcFilesAndAddsTheExtension)
{
    ASSERT_TRUE(OpenWindow());
    const CTempPath expected("qm_chosen", ".svc");
    g_saveDialog = SaveDialogSeen();
    g_nSaveDialogTicks = 0;
    g_strTypedPath = expected.Path().substr(0, expected.Path().size() - 4);
    UINT_PTR nTimer = SetTimer(nullptr, 0, 50, DriveSaveDialog);
    SendCommand(ID_EXPORT_CONFIG);
    KillTimer(nullptr, nTimer);
    ASSERT_TRUE(g_saveDialog.bSeen);
    EXPECT_EQ("服务配置文件(*.svc)", g_saveDialog.strFilter);
    EXPECT_EQ("config.svc", g_saveDialog.strInitialName);
    EXPECT_TRUE(FileExists(expected)) << "the default extension was added";
    EXPECT_EQ(std::vector<std::string>{"服务配置文件保存成功!"}, m_watcher.Take());
}

// Knowledge-base services registered as test beds, with the start type each
// profile gives them.
struct ProfileCase
{
    const char* pszName;
    DWORD dwByProfile[5];
};
// The last three are ones the knowledge base advises keeping automatic: the
// fifth profile's row that disables them starts unticked, so they stay manual.
const ProfileCase kProfileServices[] = {
    {"Alerter", {3, 4, 4, 4, 4}},
    {"Messenger", {2, 4, 4, 4, 4}},
    {"lanmanworkstation", {2, 2, 2, 2, 3}},
    {"MySQL", {2, 3, 2, 3, 3}},
    {"VMware NAT Service", {3, 3, 3, 3, 3}},
};
std::vector<TestServiceSpec> ProfileServices()
{
    std::vector<TestServiceSpec> specs;
    for (const ProfileCase& c : kProfileServices)
        specs.push_back(Named(c.pszName));
    return specs;
}

TEST_F(ConfigTest, QuickConfigurationAppliesEachProfile)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll(ProfileServices(), &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    for (int nProfile = 1; nProfile <= 5; ++nProfile)
    {
        SCOPED_TRACE(nProfile);
        for (auto& pService : services)
            ASSERT_TRUE(pService->ChangeStartType(SERVICE_DEMAND_START));
        // The user's way in: the menu item, a profile, "应用", no backup.
        EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, ApplyProfileByMenu(nProfile));
        for (std::size_t i = 0; i < services.size(); ++i)
            EXPECT_EQ(kProfileServices[i].dwByProfile[nProfile - 1], services[i]->ConfiguredStartType())
                << kProfileServices[i].pszName;
    }
    // The enthusiast profile keeps RpcSs automatic.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), CStartTypeSnapshot::StartTypeOf("RpcSs"));
    m_watcher.SetAnswer(IDOK);
}

TEST_F(ConfigTest, QuickConfigurationAsksForAProfileAndOffersABackup)
{
    CTestService alerter(Named("Alerter"));
    ASSERT_TRUE(alerter.Created());
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());

    CQuickConfigDlg dialog(m_pDialog.get());
    ASSERT_TRUE(dialog.Create());
    HWND hDialog = dialog.GetSafeHwnd();
    ShowWindow(hDialog, SW_SHOW);
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("quick-config"));
    // Nothing is preselected.
    SendMessageA(hDialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::vector<std::string>{"请选择配置!"}, m_watcher.Take());
    ASSERT_TRUE(IsWindow(hDialog));

    // Yes to the backup, then the chooser cancelled: the profile still applies.
    ChooseFile("");
    m_watcher.SetAnswer(IDYES);
    SendMessageA(GetDlgItem(hDialog, IDC_CHOICE_2), BM_CLICK, 0, 0);
    SendMessageA(hDialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, m_nChooserCalls);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), alerter.ConfiguredStartType());
    EXPECT_FALSE(IsWindow(hDialog));
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    m_watcher.SetAnswer(IDOK);

    // Cancel changes nothing.
    ASSERT_TRUE(alerter.ChangeStartType(SERVICE_AUTO_START));
    CQuickConfigDlg cancelled(m_pDialog.get());
    // Given a reporter, the window says through it what it would box.
    CRecordingReporter reporter;
    cancelled.SetReporter(reporter);
    ASSERT_TRUE(cancelled.Create());
    SendMessageA(cancelled.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::vector<std::string>{"请选择配置!"}, reporter.Texts());
    EXPECT_TRUE(m_watcher.Texts().empty());
    SendMessageA(GetDlgItem(cancelled.GetSafeHwnd(), IDC_CHOICE_5), BM_CLICK, 0, 0);
    SendMessageA(cancelled.GetSafeHwnd(), WM_COMMAND, IDC_BTN_CANCEL, 0);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), alerter.ConfiguredStartType());
}

class WizardTest : public ConfigTest
{
protected:
    // The click a user makes on the answer, through the button's own handling.
    void Answer(HWND hWizard, int nChoice) { SendMessageA(GetDlgItem(hWizard, nChoice), BM_CLICK, 0, 0); }
    // The lines written after the 93 starting records.
    std::vector<std::string> AnswerLines()
    {
        std::vector<std::string> lines;
        auto records = ServiceConfigFile::ParseRecords(ReadFileText(ServiceConfigFile::kTempConfigPath));
        for (std::size_t i = 93; i < records.size(); ++i)
            lines.push_back(records[i].strName + "&" + records[i].strWord);
        return lines;
    }
};

// Run in a child process per Windows version (see the test below).
TEST_F(WizardTest, AsksTheQuestionsOfTheRunningSystem)
{
    const char* pszExpected = getenv("QM_EXPECT_QUESTIONS");
    if (pszExpected == nullptr)
        GTEST_SKIP() << "runs in a child process with a chosen Windows version";
    // Tells the parent that its filter found this test.
    if (const char* pszMarker = getenv("QM_CHILD_MARKER"))
        WriteFileText(pszMarker, "ran");
    ASSERT_TRUE(OpenWindow());
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);
    std::string strAsked;
    m_watcher.SetAnswer(IDNO);
    CStartTypeSnapshot snapshot;
    PressNextUntil(hWizard, [&] {
        strAsked += (strAsked.empty() ? "" : ",") + std::to_string(m_pWizard->CurrentQuestion());
        return false;
    });
    m_watcher.Clear();
    EXPECT_EQ(pszExpected, strAsked);
    EXPECT_FALSE(FileExists(ServiceConfigFile::kTempConfigPath));
}

TEST_F(WizardTest, EachWindowsVersionIsAskedItsQuestions)
{
    if (getenv("QM_EXPECT_QUESTIONS") != nullptr)
        GTEST_SKIP() << "already the child";
    struct Case
    {
        const char* pszVersion;
        const char* pszQuestions;
    };
    const Case cases[] = {
        {"win2k", "212,214,216,218,220,223,224,225,227,228"},
        {"winxp", "212,213,214,215,216,217,218,219,220,221,222,223,224,225,226,227"},
        {"win2003", "212,213,214,215,216,218,219,220,221,222,223,224,225,227"},
        {"win7", "212,213,214,215,216,217,218,219,220,221,222,223,224,225,226,227,228"},
    };
    char szSelf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szSelf, MAX_PATH);
    std::string strExe = szSelf;
    std::string strKey = "Software\\Wine\\AppDefaults\\" + strExe.substr(strExe.find_last_of('\\') + 1);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszVersion);
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                                 nullptr, &hKey, nullptr));
        RegSetValueExA(hKey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.pszVersion),
                       lstrlenA(c.pszVersion) + 1);
        RegCloseKey(hKey);
        SetEnvironmentVariableA("QM_EXPECT_QUESTIONS", c.pszQuestions);
        const CTempPath marker("qm_child_ran");
        SetEnvironmentVariableA("QM_CHILD_MARKER", marker.c_str());
        std::string strCommand = "\"" + strExe + "\" --gtest_filter=WizardTest.AsksTheQuestionsOfTheRunningSystem";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        DWORD dwExitCode = 1;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
        GetExitCodeProcess(process.hProcess, &dwExitCode);
        EXPECT_EQ(0u, dwExitCode) << "the child's questions differ; its output above says how";
        EXPECT_TRUE(FileExists(marker)) << "the child's filter picked no test";
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        SetEnvironmentVariableA("QM_EXPECT_QUESTIONS", nullptr);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, strKey.c_str());
}

TEST_F(WizardTest, AnswersAreRecordedAndTheResultApplied)
{
    struct Expected
    {
        const char* pszName;
        DWORD dwStartType;
    };
    // Fax (228) answered yes, Messenger (227) no, MySQL asked nowhere keeps
    // profile 4 (manual), Alerter asked nowhere keeps profile 4 (disabled).
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Fax", SERVICE_AUTO_START), Named("Messenger", SERVICE_AUTO_START),
                             Named("MySQL", SERVICE_DISABLED), Named("Alerter", SERVICE_AUTO_START)},
                            &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());

    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);
    CWizardDlg& wizard = *m_pWizard;
    ShowWindow(hWizard, SW_SHOW);
    RedrawWindow(hWizard, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("wizard"));
    EXPECT_EQ("您是否安装了打印设备？", TextOf(GetDlgItem(hWizard, IDC_QUESTION)));
    EXPECT_EQ("Print Spooler", TextOf(GetDlgItem(hWizard, IDC_QUESTION_SERVICES)));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hWizard, IDC_CHOICE_1));
    Press(hWizard, IDC_BTN_PREV);
    EXPECT_EQ(212, wizard.CurrentQuestion()) << "back on the first question does nothing";

    // 212 yes, back, then no: Spooler ends disabled.
    Press(hWizard, IDC_BTN_NEXT);
    Press(hWizard, IDC_BTN_PREV);
    EXPECT_EQ(212, wizard.CurrentQuestion());
    Answer(hWizard, IDC_CHOICE_2);
    Press(hWizard, IDC_BTN_NEXT);
    EXPECT_EQ((std::vector<std::string>{"Spooler&自动", "Spooler&已禁用"}), AnswerLines());
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hWizard, IDC_CHOICE_2)) << "the last answer stays selected";

    while (wizard.CurrentQuestion() < 223)
        Press(hWizard, IDC_BTN_NEXT);
    Press(hWizard, IDC_BTN_NEXT); // 223 answered no
    std::vector<std::string> lines = AnswerLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{"ALG&已禁用", "Dhcp&已禁用", "Dnscache&已禁用", "PolicyAgent&已禁用",
                                        "SharedAccess&已禁用", "LmHosts&已禁用"}),
              std::vector<std::string>(lines.end() - 6, lines.end()));

    // The rest: "最近将配置" until the last two, Messenger no, Fax yes.
    Answer(hWizard, IDC_CHOICE_3);
    while (wizard.CurrentQuestion() < 227)
        Press(hWizard, IDC_BTN_NEXT);
    Answer(hWizard, IDC_CHOICE_2);
    Press(hWizard, IDC_BTN_NEXT);
    bool bAskedFax = wizard.CurrentQuestion() == 228;
    EXPECT_EQ(wizard.OsMarker().empty() || wizard.OsMarker() == "@", bAskedFax);
    if (bAskedFax)
    {
        Answer(hWizard, IDC_CHOICE_1);
        Press(hWizard, IDC_BTN_NEXT);
    }
    EXPECT_FALSE(IsWindow(hWizard)) << "finished after the last question";
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    EXPECT_FALSE(FileExists(ServiceConfigFile::kTempConfigPath));

    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), CStartTypeSnapshot::StartTypeOf("Spooler"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[1]->ConfiguredStartType()) << "Messenger";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), services[2]->ConfiguredStartType()) << "MySQL, profile 4";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[3]->ConfiguredStartType()) << "Alerter, profile 4";
    if (bAskedFax)
    {
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType()) << "Fax";
    }
}

TEST_F(WizardTest, ExitAndEscLeaveNoFileAndChangeNothing)
{
    CTestService alerter(Named("Alerter", SERVICE_AUTO_START));
    ASSERT_TRUE(alerter.Created());
    ASSERT_TRUE(OpenWindow());
    for (int nWay : {IDC_BTN_EXIT, IDCANCEL})
    {
        SCOPED_TRACE(nWay);
        CWizardDlg wizard(m_pDialog.get());
        ASSERT_TRUE(wizard.IsReady());
        ASSERT_TRUE(FileExists(ServiceConfigFile::kTempConfigPath));
        const std::string strStart = "Alerter&已禁用\r\nALG&已禁用\r\nAppMgmt&手动\r\n";
        EXPECT_EQ(strStart, ReadFileText(ServiceConfigFile::kTempConfigPath).substr(0, strStart.size()));
        ASSERT_TRUE(wizard.Create());
        Press(wizard.GetSafeHwnd(), IDC_BTN_NEXT);
        SendMessageA(wizard.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(nWay, BN_CLICKED), 0);
        EXPECT_FALSE(IsWindow(wizard.GetSafeHwnd()));
        EXPECT_FALSE(FileExists(ServiceConfigFile::kTempConfigPath));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), alerter.ConfiguredStartType());
    }
    EXPECT_TRUE(m_watcher.Texts().empty());
}
// Mended: a wizard that cannot write its working file would apply nothing
// it was told; it says so and does not open.
TEST_F(WizardTest, AWorkingFileThatCannotBeWrittenKeepsTheWizardShut)
{
    ASSERT_TRUE(CreateDirectoryA(ServiceConfigFile::kTempConfigPath, nullptr));
    ASSERT_TRUE(OpenWindow());
    CDialogDriver driver;
    bool bOpened = false;
    driver.When(IDC_BTN_NEXT, [&bOpened](HWND hDialog) {
        bOpened = true;
        CDialogDriver::Click(hDialog, IDC_BTN_EXIT);
    });
    SendCommand(IDC_BTN_WIZARD);
    RemoveDirectoryA(ServiceConfigFile::kTempConfigPath);
    EXPECT_FALSE(bOpened);
    EXPECT_EQ(std::vector<std::string>{CWizardDlg::kTempFileFailed}, m_watcher.Take());
}

// The five profiles are one choice however the user picks: a click, the
// arrow keys inside the group, or the button's own click message.
TEST_F(ConfigTest, TheFiveProfilesAreOneChoice)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll(ProfileServices(), &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    CQuickConfigDlg dialog(m_pDialog.get());
    ASSERT_TRUE(dialog.Create());
    HWND hDialog = dialog.GetSafeHwnd();
    ShowWindow(hDialog, SW_SHOW);
    SetForegroundWindow(hDialog);
    PumpMessages();

    auto ticked = [hDialog] {
        std::vector<int> ids;
        for (int nId = IDC_CHOICE_1; nId <= IDC_CHOICE_5; ++nId)
        {
            if (IsDlgButtonChecked(hDialog, nId) == BST_CHECKED)
                ids.push_back(nId - IDC_CHOICE_1 + 1);
        }
        return ids;
    };
    auto click = [hDialog](int nId) {
        RECT rect;
        GetWindowRect(GetDlgItem(hDialog, nId), &rect);
        ClickAt({rect.left + 6, (rect.top + rect.bottom) / 2});
    };
    struct Step
    {
        const char* pszWhat;
        std::function<void()> act;
        int nTicked;
    };
    const Step steps[] = {
        {"click 默认配置", [&] { click(IDC_CHOICE_1); }, 1},
        {"click 网络配置", [&] { click(IDC_CHOICE_3); }, 3},
        {"Down", [&] { PressKey(VK_DOWN); }, 4},
        {"Up", [&] { PressKey(VK_UP); }, 3},
        {"Up", [&] { PressKey(VK_UP); }, 2},
        {"BM_CLICK 发烧配置", [&] { PostMessageA(GetDlgItem(hDialog, IDC_CHOICE_5), BM_CLICK, 0, 0); }, 5},
        {"Down past the last", [&] { PressKey(VK_DOWN); }, 1},
        {"click 网络配置 again", [&] { click(IDC_CHOICE_3); }, 3},
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pszWhat);
        step.act();
        int nWanted = step.nTicked;
        // The dialog manager's own handling of keys, as the dialog's loop does it.
        ASSERT_TRUE(WaitFor([&] { return IsDlgButtonChecked(hDialog, IDC_CHOICE_1 + nWanted - 1) == BST_CHECKED; },
                            "the tick", 5000, hDialog))
            << "the profile " << nWanted << " was never ticked";
        EXPECT_EQ(std::vector<int>{nWanted}, ticked());
    }
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(SaveScreenshot("quick-config-one-choice"));

    // What is ticked is what is applied: the network profile.
    for (auto& pService : services)
        ASSERT_TRUE(pService->ChangeStartType(SERVICE_DEMAND_START));
    m_watcher.SetAnswer(IDNO);
    SendMessageA(GetDlgItem(hDialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    for (std::size_t i = 0; i < services.size(); ++i)
        EXPECT_EQ(kProfileServices[i].dwByProfile[2], services[i]->ConfiguredStartType())
            << kProfileServices[i].pszName;
    m_watcher.SetAnswer(IDOK);
}

// Everything quick configuration opens is modal to it, down to the boxes
// of the application, which are modal to the please-wait window; a press
// that reaches it meanwhile does not apply a second time.
TEST_F(ConfigTest, WindowsOpenedFromQuickConfigurationAreModalToIt)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_modal_backup", ".svc");
    ChooseFile(file);
    HWND hQuick = nullptr;
    ProgressSeen progress;
    m_watcher.SetAnswer(IDYES);
    CDialogDriver driver;
    driver.When(IDC_CHOICE_1, ChooseProfile(2, &hQuick));
    WatchProgress(driver, hQuick, {IDOK}, &progress);
    SendCommand(ID_QUICK_CONFIG);
    ASSERT_NE(nullptr, hQuick);
    EXPECT_FALSE(IsWindow(hQuick));
    ExpectModalTo(hQuick, progress);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[0]->ConfiguredStartType());
}

TEST_F(WizardTest, WindowsOpenedFromTheWizardAreModalToIt)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_wizard_backup", ".svc");
    ChooseFile(file);
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);

    ProgressSeen progress;
    CDialogDriver driver;
    WatchProgress(driver, hWizard, {IDC_BTN_NEXT, IDC_BTN_PREV, IDC_BTN_EXIT}, &progress);
    m_watcher.SetAnswer(IDYES);
    m_watcher.SetAction([&](HWND, const std::string& strText) {
        // Presses that reach the wizard while its question is open.
        if (strText == kBackupAdvice)
            CDialogDriver::Click(hWizard, IDC_BTN_NEXT);
    });
    PressNextUntil(hWizard);
    ASSERT_FALSE(IsWindow(hWizard));
    m_watcher.SetAction(nullptr);

    ExpectModalTo(hWizard, progress);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[0]->ConfiguredStartType()) << "applied once";
}

// A backup that was asked for and could not be written stops the change:
// quick configuration stays open with nothing changed.
TEST_F(ConfigTest, AFailedBackupChangesNothing)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    ChooseFile("C:\\qm\\no\\such\\folder\\backup.svc");
    CQuickConfigDlg dialog(m_pDialog.get());
    ASSERT_TRUE(dialog.Create());
    HWND hDialog = dialog.GetSafeHwnd();
    SendMessageA(GetDlgItem(hDialog, IDC_CHOICE_5), BM_CLICK, 0, 0);
    m_watcher.SetAnswer(IDYES);
    SendMessageA(hDialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ((std::vector<std::string>{kBackupAdvice, "配置文件无法写入,本次导出失败!"}), m_watcher.Take());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType());
    EXPECT_TRUE(IsWindow(hDialog)) << "the user can try again or cancel";

    // The same in the wizard: its answers stay for another try.
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);
    PressNextUntil(hWizard, [&] { return !m_watcher.Texts().empty(); });
    EXPECT_EQ((std::vector<std::string>{kBackupAdvice, "配置文件无法写入,本次导出失败!"}), m_watcher.Take());
    EXPECT_TRUE(IsWindow(hWizard));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType());
    m_watcher.SetAnswer(IDOK);
    Press(hWizard, IDC_BTN_EXIT);
    EXPECT_FALSE(FileExists(ServiceConfigFile::kTempConfigPath));
}

// What the wizard applies is what it wrote: rewriting its working file
// while the backup question is open changes nothing.
TEST_F(WizardTest, TheWizardAppliesOnlyWhatItWrote)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    CTestService victim(TestBed("QmWizardVictim", "", SERVICE_DEMAND_START));
    ASSERT_TRUE(victim.Created());
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);

    const std::string strForged = victim.Name() + "&已禁用\r\nAlerter&自动\r\n";
    const CTempPath prepared("qm_forged", ".svc");
    std::vector<std::string> ways;
    m_watcher.SetAnswer(IDNO);
    m_watcher.SetAction([&](HWND, const std::string& strText) {
        if (strText != kBackupAdvice)
            return;
        const char* pszPath = ServiceConfigFile::kTempConfigPath;
        // Overwrite in place.
        HANDLE hFile = CreateFileA(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, CREATE_ALWAYS, 0, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
        {
            DWORD dwWritten = 0;
            WriteFile(hFile, strForged.data(), static_cast<DWORD>(strForged.size()), &dwWritten, nullptr);
            CloseHandle(hFile);
            ways.push_back("overwritten");
        }
        // Or put another file in its place.
        CFileHandle preparedFile;
        if (preparedFile.Create(prepared) && preparedFile.Write(strForged))
        {
            preparedFile.Close();
            if (MoveFileExA(prepared.c_str(), pszPath, MOVEFILE_REPLACE_EXISTING))
                ways.push_back("replaced");
        }
        if (DeleteFileA(pszPath))
        {
            CFileHandle recreated;
            if (recreated.Create(pszPath) && recreated.Write(strForged))
                ways.push_back("recreated");
        }
    });
    PressNextUntil(hWizard);
    m_watcher.SetAction(nullptr);
    ASSERT_FALSE(IsWindow(hWizard));
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    m_watcher.SetAnswer(IDOK);
    EXPECT_EQ(std::vector<std::string>{}, ways) << "the working file could be changed under the wizard";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), victim.ConfiguredStartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[0]->ConfiguredStartType()) << "the game profile";
    DeleteFileA(ServiceConfigFile::kTempConfigPath);
}

// The working file is made new: a file already at its path, here a second
// name of someone else's file, is never opened and written through.
TEST_F(WizardTest, ACancelledPreviewKeepsTheWizardOnItsLastQuestion)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);
    m_bAcceptPreviews = false;
    PressNextUntil(hWizard, [&] { return !m_previews.empty(); });
    ASSERT_EQ(1u, m_previews.size());
    EXPECT_TRUE(m_previews[0].bAnyChange);
    EXPECT_TRUE(IsWindow(hWizard)) << "the wizard stays for another try";
    std::string strQuestion = TextOf(GetDlgItem(hWizard, IDC_QUESTION));
    EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts()) << "no backup question before the preview is accepted";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType());

    // The answers are kept: accepted now, the same result is applied.
    m_bAcceptPreviews = true;
    m_watcher.SetAnswer(IDNO);
    Press(hWizard, IDC_BTN_NEXT);
    EXPECT_FALSE(IsWindow(hWizard));
    ASSERT_EQ(2u, m_previews.size());
    EXPECT_EQ(m_previews[0].rows.size(), m_previews[1].rows.size());
    EXPECT_EQ(std::vector<std::string>{kBackupAdvice}, m_watcher.Take());
    m_watcher.SetAnswer(IDOK);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services[0]->ConfiguredStartType());
    EXPECT_FALSE(strQuestion.empty());
    DeleteFileA(ServiceConfigFile::kTempConfigPath);
}

TEST_F(WizardTest, TheWorkingFileIsMadeNew)
{
    const CTempPath theirs("qm_theirs", ".svc");
    const std::string& strTheirs = theirs;
    WriteFileText(strTheirs, "theirs\r\n");
    DeleteFileA(ServiceConfigFile::kTempConfigPath);
    ASSERT_TRUE(CreateHardLinkA(ServiceConfigFile::kTempConfigPath, strTheirs.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(OpenWindow());
    {
        CWizardDlg wizard(m_pDialog.get());
        ASSERT_TRUE(wizard.IsReady());
        EXPECT_EQ("theirs\r\n", ReadFileText(strTheirs));
        const std::string strStart = "Alerter&已禁用\r\n";
        EXPECT_EQ(strStart, ReadFileText(ServiceConfigFile::kTempConfigPath).substr(0, strStart.size()));
    }
    EXPECT_EQ("theirs\r\n", ReadFileText(strTheirs));
}

// Import changes only Win32 services the manager lists at that moment, as
// export writes them; a driver's line and a name holding a NUL are skipped,
// and the preview says so.
// What Windows refuses and Wine does not: a service that denies changes
// (5), a per-user instance (87) and one marked for deletion (1072). After
// the import each is named in one window with its code and the table's
// text; the service that could be changed was, and no box was raised.
TEST_F(ConfigTest, AnImportNamesEveryServiceItCouldNotChange)
{
    CStandInComputer computer;
    StandInService denied(L"QmDenied"), perUser(L"QmPerUser_1a2b", SERVICE_WIN32_OWN_PROCESS | 0x80), doomed(L"QmDoomed"),
        plain(L"QmPlain");
    denied.wstrDisplayName = L"Denied display";
    denied.wstrSddl = L"O:SYG:SYD:(D;;DC;;;WD)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;WD)";
    ASSERT_TRUE(computer.Add({denied, perUser, doomed, plain}));
    std::unique_ptr<CStandInSession> pSession = computer.Session();
    SERVICE_STATUS running = {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};
    CService service;
    ASSERT_EQ(0u, pSession->SetStatus(L"QmDoomed", running));
    ASSERT_EQ(0u, pSession->Open(L"QmDoomed", DELETE, &service));
    ASSERT_EQ(0u, service.Delete());
    service.Close();
    CStandInSession* pStandIn = pSession.get();
    ASSERT_TRUE(OpenWindow(false, [&](CMainDlg& dialog) { dialog.SetServiceSession(std::move(pSession)); }));
    const CTempPath file("qm_import_refused", ".svc");
    WriteFileText(file, "QmDenied&已禁用\r\nQmPerUser_1a2b&已禁用\r\nQmDoomed&已禁用\r\nQmPlain&已禁用\r\n");
    ChooseFile(file);
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_TRUE(m_watcher.Texts().empty());
    ASSERT_EQ(2u, m_previews.size());
    EXPECT_EQ("将更改 4 个服务的启动类型,0 个不变,0 个未安装。", m_previews[0].strSummary);
    const PreviewContent& failed = m_previews[1];
    EXPECT_EQ("未能更改的服务", failed.strTitle);
    EXPECT_EQ("有 3 个服务未能更改。", failed.strSummary);
    std::vector<std::string> rows;
    for (const PreviewRow& row : failed.rows)
        rows.push_back(row.strDisplayName + "|" + row.strName + "|" + row.strCurrent + "|" + row.strNew + "|" +
                       row.runningDependents.at(0));
    EXPECT_EQ((std::vector<std::string>{
                  "Denied display|QmDenied|5|已禁用|" + ServiceFailureText(ERROR_ACCESS_DENIED),
                  "QmPerUser_1a2b|QmPerUser_1a2b|87|已禁用|" + ServiceFailureText(ERROR_INVALID_PARAMETER),
                  "QmDoomed|QmDoomed|1072|已禁用|" + ServiceFailureText(ERROR_SERVICE_MARKED_FOR_DELETE)}),
              rows);
    DWORD dwStartType = 0;
    ASSERT_EQ(0u, pStandIn->Open(L"QmPlain", SERVICE_QUERY_CONFIG, &service));
    EXPECT_EQ(0u, service.QueryStartType(&dwStartType));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), dwStartType);
}

TEST_F(ConfigTest, ImportChangesOnlyListedWin32Services)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_DEMAND_START)}, &services));
    CTestService plain(TestBed("QmImportPlain", "", SERVICE_DEMAND_START));
    TestServiceSpec driverSpec = TestBed("QmImportDriver", "", SERVICE_DEMAND_START);
    driverSpec.dwServiceType = SERVICE_KERNEL_DRIVER;
    driverSpec.strBinaryPath = "C:\\windows\\system32\\drivers\\qm_no_such.sys";
    CTestService driver(driverSpec);
    ASSERT_TRUE(plain.Created());
    ASSERT_TRUE(driver.Created());
    ASSERT_TRUE(OpenWindow());
    std::string strData = driver.Name() + "&已禁用\r\n" + std::string("Alerter\0x&已禁用\r\n", 18) +
                          plain.Name() + "&已禁用\r\nQmNotInstalledAnywhere&自动\r\n";
    const CTempPath file("qm_import_kinds", ".svc");
    WriteFileText(file, strData);
    ChooseFile(file);
    SendCommand(ID_IMPORT_CONFIG);
    EXPECT_TRUE(m_watcher.Texts().empty());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), driver.ConfiguredStartType()) << "a driver";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), services[0]->ConfiguredStartType()) << "Alerter\\0x";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), plain.ConfiguredStartType()) << "the listed service";
    // The preview told the driver from the service that is not installed.
    ASSERT_EQ(1u, m_previews.size());
    EXPECT_EQ("将更改 1 个服务的启动类型,0 个不变,1 个未安装,1 个不适用,1 行无法识别。", m_previews[0].strSummary);
    ASSERT_EQ(2u, m_previews[0].notes.size());
    EXPECT_EQ("不适用(驱动程序,不更改):" + driver.Name(), m_previews[0].notes[1]);
}

// A file saved as editors save it, in UTF-8 or UTF-16 with their marks: the
// import's preview says the file is not GBK.
TEST_F(ConfigTest, TheImportsPreviewSaysAFileIsNotGbk)
{
    CTestService plain(TestBed("QmImportSaid", "", SERVICE_DEMAND_START));
    ASSERT_TRUE(plain.Created());
    const std::wstring strWide = WideFromGbk(plain.Name() + "&已禁用\r\nAlerter&自动\r\n");
    char szUtf8[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, strWide.c_str(), -1, szUtf8, sizeof(szUtf8), nullptr, nullptr);
    const struct
    {
        std::string strData, strInNotes;
    } kCases[] = {
        {"\xEF\xBB\xBF" + std::string(szUtf8), "文件是 UTF-8 编码"},
        {"\xFF\xFE" + std::string(reinterpret_cast<const char*>(strWide.data()), strWide.size() * 2),
         "文件是 UTF-16 编码"},
    };
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_import_said", ".svc");
    for (const auto& c : kCases)
    {
        WriteFileText(file, c.strData);
        ChooseFile(file);
        SendCommand(ID_IMPORT_CONFIG);
        ASSERT_FALSE(m_previews.empty());
        const PreviewContent& preview = m_previews.back();
        EXPECT_EQ("没有需要更改的服务,不会做任何更改。(0 个不变,0 个未安装,2 行无法识别)", preview.strSummary);
        ASSERT_FALSE(preview.notes.empty());
        EXPECT_NE(std::string::npos, preview.notes[0].find(c.strInNotes)) << preview.notes[0];
    }
}

// Run by wine.full_disk with every file of the process limited in size
// (see run-with-file-limit): writes past the limit fail as on a full disk.
class FullDiskTest : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        const char* pszLimit = getenv("QM_FILE_SIZE_LIMIT");
        if (pszLimit == nullptr)
            GTEST_SKIP() << "runs only with a file size limit";
        m_nLimit = std::strtoul(pszLimit, nullptr, 10);
    }
    unsigned long m_nLimit = 0;
};

// A backup that fails part-way leaves no file and stops the change.
TEST_F(FullDiskTest, ABackupThatFillsTheDiskIsRemovedAndStopsTheChange)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    // Long names make the export outgrow the limit.
    std::vector<std::unique_ptr<CTestService>> bulky;
    for (std::size_t nBytes = 0; nBytes <= m_nLimit;)
    {
        std::string strStem = "QmBulky" + std::string(200, 'x');
        bulky.emplace_back(new CTestService(TestBed(strStem.c_str(), "", SERVICE_DEMAND_START)));
        ASSERT_TRUE(bulky.back()->Created());
        nBytes += bulky.back()->Name().size();
    }
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    const CTempPath file("qm_full_backup", ".svc");

    // From the main window: the message, and no half file.
    ChooseFile(file);
    SendCommand(ID_EXPORT_CONFIG);
    EXPECT_EQ(std::vector<std::string>{"配置文件无法写入,本次导出失败!"}, m_watcher.Take());
    EXPECT_FALSE(FileExists(file));

    // As the backup of quick configuration: nothing changes either.
    CQuickConfigDlg dialog(m_pDialog.get());
    ASSERT_TRUE(dialog.Create());
    SendMessageA(GetDlgItem(dialog.GetSafeHwnd(), IDC_CHOICE_5), BM_CLICK, 0, 0);
    m_watcher.SetAnswer(IDYES);
    SendMessageA(dialog.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ((std::vector<std::string>{kBackupAdvice, "配置文件无法写入,本次导出失败!"}), m_watcher.Take());
    m_watcher.SetAnswer(IDOK);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType());
}

// The working file fills up after the first answers: the wizard says it
// cannot go on, ends, and applies nothing.
TEST_F(FullDiskTest, AWizardWhoseWritesFailAppliesNothing)
{
    std::vector<std::unique_ptr<CTestService>> services;
    ASSERT_TRUE(RegisterAll({Named("Alerter", SERVICE_AUTO_START)}, &services));
    std::size_t nStartBytes = 0;
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        nStartBytes += ServiceConfigFile::FormatRecord(advice.ServiceName(), advice.StartTypeFor(4)).size();
    }
    ASSERT_LT(nStartBytes, m_nLimit) << "the starting records alone outgrow the limit; raise it";
    CStartTypeSnapshot snapshot;
    ASSERT_TRUE(OpenWindow());
    HWND hWizard = OpenWizard();
    ASSERT_NE(nullptr, hWizard);
    int nPresses = PressNextUntil(hWizard, [&] { return !m_watcher.Texts().empty(); });
    EXPECT_EQ(std::vector<std::string>{CWizardDlg::kTempFileFailed}, m_watcher.Take()) << nPresses << " presses";
    EXPECT_FALSE(IsWindow(hWizard));
    EXPECT_FALSE(FileExists(ServiceConfigFile::kTempConfigPath));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services[0]->ConfiguredStartType());
}
} // namespace
