// The change journal's file: appended to, kept short, and never touched
// when it is not a journal this program can read.
#include "changes/JournalFile.h"
#include "changes/JournalSecurity.h"
#include "common/AsciiText.h"
#include "support/TestFiles.h"


#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
using namespace ChangeJournal;

const char* const kForeign = "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!";

Entry StartTypes(std::vector<std::wstring> names)
{
    Entry entry;
    entry.kind = Kind::StartTypes;
    DWORD dwBefore = SERVICE_AUTO_START;
    for (const std::wstring& wstrName : names)
        entry.startTypes.push_back({wstrName, dwBefore++ % 5, SERVICE_DISABLED, false, 0});
    return entry;
}

Entry StartupValues(size_t nValues)
{
    Entry entry;
    entry.kind = Kind::StartupValues;
    for (size_t i = 0; i < nValues; ++i)
        entry.runValues.push_back({"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                   L"工具 " + std::to_wstring(i), REG_SZ, std::string("C:\\t.exe\0", 9), false});
    return entry;
}

Entry ServiceRemoval()
{
    Entry entry;
    entry.kind = Kind::ServiceRemoval;
    ServiceRecord service;
    service.wstrName = L"QmGone";
    service.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    service.dwStartType = SERVICE_DEMAND_START;
    service.dwErrorControl = SERVICE_ERROR_NORMAL;
    service.wstrPath = L"\"C:\\Program Files\\Qm\\gone.exe\" -service";
    service.dependencies = {L"RpcSs", L"+NetworkProvider"};
    service.wstrAccount = L"LocalSystem";
    service.wstrDisplayName = L"已删除的服务";
    service.bHasDescription = true;
    service.wstrDescription = L"多行\r\n说明 100%";
    entry.services.push_back(service);
    return entry;
}

class JournalFileTest : public testing::Test
{
protected:
    std::vector<Entry> ReadBack(const std::string& strPath)
    {
        std::vector<Entry> entries;
        std::string strProblem;
        EXPECT_EQ(static_cast<int>(ReadOutcome::Read),
                  static_cast<int>(CJournalFile(strPath).Read(&entries, &strProblem)))
            << strProblem;
        return entries;
    }
    std::vector<Entry> ReadBack() { return ReadBack(m_strPath); }

    // A journal of nEntries finished entries, begun by the file itself.
    void MakeEntries(size_t nEntries)
    {
        for (size_t i = 0; i < nEntries; ++i)
        {
            CJournalFile journal(m_strPath);
            Entry entry = StartTypes({L"Svc" + std::to_wstring(i)});
            ASSERT_TRUE(journal.Begin(&entry)) << i;
            ASSERT_TRUE(journal.RecordStartTypeTook(entry.startTypes[0].wstrName, static_cast<DWORD>(i % 5))) << i;
            ASSERT_TRUE(journal.End()) << i;
        }
    }

    CTempPath m_folder{"qm_journal", "", CTempPath::kFolder};
    const std::string m_strFolder = m_folder;
    std::string m_strPath = m_folder.File("journal.svcj");
};

TEST_F(JournalFileTest, AMissingFileIsAnEmptyJournal)
{
    std::vector<Entry> entries(1);
    std::string strProblem = "stale";
    EXPECT_EQ(ReadOutcome::Empty, CJournalFile(m_strPath).Read(&entries, &strProblem));
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ("", strProblem);
    EXPECT_EQ(ReadOutcome::Empty, CJournalFile(m_strFolder + "\\no\\such\\journal.svcj").Read(&entries, &strProblem));
    EXPECT_FALSE(FileExists(m_strPath)) << "reading made a file";
}

TEST_F(JournalFileTest, EntriesAreWrittenAsTheyGoAndReadBack)
{
    // In folders that are not there yet.
    const std::string strPath = m_strFolder + "\\AppData\\Quillmere\\journal.svcj";
    CJournalFile journal(strPath);
    EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", 4)) << "nothing begun";
    EXPECT_FALSE(journal.End()) << "nothing begun";

    Entry first = StartTypes({L"Alerter", L"服务 名"});
    SYSTEMTIME before = {};
    GetLocalTime(&before);
    ASSERT_TRUE(journal.Begin(&first));
    EXPECT_EQ(1u, first.nId);
    ASSERT_EQ(19u, first.strWhen.size()) << first.strWhen;
    char szDay[16];
    snprintf(szDay, sizeof(szDay), "%04u-%02u-%02u ", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(szDay, first.strWhen.substr(0, 11)); // a test run at midnight may see this fail
    for (size_t i : {13u, 16u})
        EXPECT_EQ(':', first.strWhen[i]);
    // On the disk at once, before anything is changed.
    std::string strText = ReadFileText(strPath);
    EXPECT_EQ(FormatHeader() + FormatBegin(first), strText);

    ASSERT_TRUE(journal.RecordStartTypeTook(L"服务 名", SERVICE_DEMAND_START));
    EXPECT_EQ(strText + FormatStartTypeTook(1, L"服务 名", SERVICE_DEMAND_START), ReadFileText(strPath));
    ASSERT_TRUE(journal.RecordStartTypeTook(L"Alerter", SERVICE_DISABLED));
    ASSERT_TRUE(journal.End());
    EXPECT_FALSE(journal.End()) << "ended twice";
    EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", SERVICE_DISABLED)) << "after the end";

    Entry second = StartupValues(3);
    ASSERT_TRUE(journal.Begin(&second));
    EXPECT_EQ(2u, second.nId);
    ASSERT_TRUE(journal.RecordDeleted(2));
    ASSERT_TRUE(journal.RecordDeleted(0));
    ASSERT_TRUE(journal.End());

    // Another object, as the next run of the program, goes on counting.
    CJournalFile later(strPath);
    Entry third = ServiceRemoval();
    ASSERT_TRUE(later.Begin(&third));
    EXPECT_EQ(3u, third.nId);
    ASSERT_TRUE(later.RecordDeleted(0));
    ASSERT_TRUE(later.End());

    std::vector<Entry> entries = ReadBack(strPath);
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(first.strWhen, entries[0].strWhen);
    ASSERT_EQ(2u, entries[0].startTypes.size());
    EXPECT_EQ(L"Alerter", entries[0].startTypes[0].wstrName);
    EXPECT_EQ(static_cast<uint32_t>(SERVICE_AUTO_START), entries[0].startTypes[0].dwBefore);
    EXPECT_EQ(static_cast<uint32_t>(SERVICE_DISABLED), entries[0].startTypes[0].dwSet);
    EXPECT_TRUE(entries[0].startTypes[0].bTookKnown);
    EXPECT_EQ(static_cast<uint32_t>(SERVICE_DISABLED), entries[0].startTypes[0].dwTook);
    EXPECT_EQ(static_cast<uint32_t>(SERVICE_DEMAND_START), entries[0].startTypes[1].dwTook);
    EXPECT_TRUE(entries[0].bComplete);
    ASSERT_EQ(3u, entries[1].runValues.size());
    EXPECT_EQ(std::string("C:\\t.exe\0", 9), entries[1].runValues[1].data);
    EXPECT_TRUE(entries[1].runValues[0].bDeleted);
    EXPECT_FALSE(entries[1].runValues[1].bDeleted);
    EXPECT_TRUE(entries[1].runValues[2].bDeleted);
    ASSERT_EQ(1u, entries[2].services.size());
    EXPECT_EQ(third.services[0].wstrPath, entries[2].services[0].wstrPath);
    EXPECT_EQ(third.services[0].wstrDescription, entries[2].services[0].wstrDescription);
    EXPECT_EQ(third.services[0].dependencies, entries[2].services[0].dependencies);
    EXPECT_TRUE(entries[2].services[0].bDeleted);
    EXPECT_TRUE(entries[2].bComplete);
    EXPECT_EQ(std::vector<std::string>{"journal.svcj"}, NamesIn(m_strFolder + "\\AppData\\Quillmere"));
}

// Results the file could not read back are refused and leave it as it was.
TEST_F(JournalFileTest, ResultsThatWouldSpoilTheJournalAreRefused)
{
    CJournalFile journal(m_strPath);
    Entry twice = StartTypes({L"Alerter", L"Alerter"});
    EXPECT_FALSE(journal.Begin(&twice)) << "two records of one service";
    Entry mixed = StartTypes({L"Alerter"});
    mixed.runValues = StartupValues(1).runValues;
    EXPECT_FALSE(journal.Begin(&mixed)) << "records of another kind";
    EXPECT_FALSE(FileExists(m_strPath));

    Entry entry = StartTypes({L"Alerter", L"Browser"});
    ASSERT_TRUE(journal.Begin(&entry));
    ASSERT_TRUE(journal.RecordStartTypeTook(L"Alerter", 4));
    const std::string strText = ReadFileText(m_strPath);
    EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", 3)) << "a second result";
    EXPECT_FALSE(journal.RecordStartTypeTook(L"alerter", 3)) << "a name not in the entry";
    EXPECT_FALSE(journal.RecordDeleted(0)) << "start types are not deleted";
    EXPECT_EQ(strText, ReadFileText(m_strPath));

    Entry values = StartupValues(2);
    ASSERT_TRUE(journal.Begin(&values));
    const std::string strValues = ReadFileText(m_strPath);
    EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", 4)) << "belongs to the entry before";
    EXPECT_FALSE(journal.RecordDeleted(2)) << "out of range";
    ASSERT_TRUE(journal.RecordDeleted(1));
    EXPECT_FALSE(journal.RecordDeleted(1)) << "deleted twice";
    EXPECT_EQ(strValues + FormatDeleted(values.nId, 1), ReadFileText(m_strPath));
    ASSERT_TRUE(journal.End());
    ReadBack();
}

TEST_F(JournalFileTest, OnlyTheLastTwentyEntriesAreKept)
{
    ASSERT_NO_FATAL_FAILURE(MakeEntries(kKeptEntries));
    std::vector<Entry> entries = ReadBack();
    ASSERT_EQ(kKeptEntries, entries.size());
    // Marks of the entries kept survive the rewriting.
    ASSERT_TRUE(CJournalFile(m_strPath).MarkUndone(20));
    ASSERT_TRUE(CJournalFile(m_strPath).MarkUndone(5));

    CJournalFile journal(m_strPath);
    for (uint32_t nNext = 21; nNext <= 25; ++nNext)
    {
        Entry entry = StartTypes({L"New" + std::to_wstring(nNext)});
        ASSERT_TRUE(journal.Begin(&entry));
        EXPECT_EQ(nNext, entry.nId);
        // The entry cut off by the next Begin is kept as it was.
        if (nNext != 23)
        {
            ASSERT_TRUE(journal.End());
        }
        entries = ReadBack();
        ASSERT_EQ(kKeptEntries, entries.size());
        EXPECT_EQ(nNext - kKeptEntries + 1, entries.front().nId);
        EXPECT_EQ(nNext, entries.back().nId);
        for (size_t i = 1; i < entries.size(); ++i)
            EXPECT_EQ(entries[i - 1].nId + 1, entries[i].nId);
    }
    EXPECT_FALSE(entries[4].bUndone);  // 10
    EXPECT_TRUE(entries[14].bUndone);  // 20
    EXPECT_EQ(20u, entries[14].nId);
    EXPECT_TRUE(entries[14].startTypes[0].bTookKnown);
    EXPECT_EQ(19u % 5, entries[14].startTypes[0].dwTook);
    EXPECT_FALSE(entries[17].bComplete); // 23
    EXPECT_TRUE(entries[18].bComplete);
    // The rewriting left nothing beside the journal.
    EXPECT_EQ(std::vector<std::string>{"journal.svcj"}, NamesIn(m_strFolder));
}

TEST_F(JournalFileTest, AForeignOrDamagedFileIsRefusedAndLeftAsItIs)
{
    struct Case
    {
        const char* pszWhat;
        std::string strText;
        ReadOutcome outcome;
        std::string strProblem;
    };
    std::string strTwenty;
    {
        // Twenty entries, so that a Begin would also rewrite the file.
        std::vector<Entry> entries(kKeptEntries);
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i].nId = static_cast<uint32_t>(i + 1);
        strTwenty = FormatJournal(entries);
    }
    const Case cases[] = {
        {"a configuration file", "Alerter&已禁用\r\nBrowser&自动\r\n", ReadOutcome::Foreign, kForeign},
        {"another version", "Quillmere change journal 2 GBK\r\nbegin 1 start-types - ;\r\n", ReadOutcome::Foreign,
         kForeign},
        {"binary", std::string("\x00\x01\xFF\xFE\r\n\x00", 7), ReadOutcome::Foreign, kForeign},
        {"a damaged line", strTwenty + "end 99 ;\r\n", ReadOutcome::Damaged,
         "更改记录文件已损坏(第" + std::to_string(kKeptEntries + 2) + "行无法识别),未做任何更改!"},
        {"cut off in the middle of a line", FormatHeader() + "begin 1 start-types - ;\r\nstarttype Alert",
         ReadOutcome::Damaged, "更改记录文件已损坏(第3行无法识别),未做任何更改!"},
        {"too large", FormatHeader() + std::string(kMaxJournalBytes, '#'), ReadOutcome::Foreign,
         kTooLargeProblem},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        WriteFileText(m_strPath, c.strText);
        std::vector<Entry> entries(1);
        std::string strProblem;
        EXPECT_EQ(static_cast<int>(c.outcome), static_cast<int>(CJournalFile(m_strPath).Read(&entries, &strProblem)));
        EXPECT_EQ(c.strProblem, strProblem);
        EXPECT_TRUE(entries.empty());

        CJournalFile journal(m_strPath);
        Entry entry = StartTypes({L"Alerter"});
        EXPECT_FALSE(journal.Begin(&entry));
        EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", 4));
        EXPECT_FALSE(journal.End());
        EXPECT_FALSE(journal.MarkUndone(1));
        EXPECT_TRUE(ReadFileText(m_strPath) == c.strText) << "the file was changed";
        EXPECT_EQ(std::vector<std::string>{"journal.svcj"}, NamesIn(m_strFolder));
    }
}

// An earlier version's journal, its names in GBK: read with their real
// text, and written again whole in UTF-8 by the next Begin.
TEST_F(JournalFileTest, AnEarlierJournalInGbkIsReadAndRewrittenInUtf8)
{
    WriteFileText(m_strPath, kEarlierHeaderLine + std::string("\r\nbegin 1 start-types - ;\r\nstarttype 服务 2 4 ;\r\n"
                                                              "took 1 服务 4 ;\r\nend 1 ;\r\n"));
    std::vector<Entry> entries = ReadBack();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(L"服务", entries[0].startTypes.at(0).wstrName);
    EXPECT_TRUE(entries[0].startTypes[0].bTookKnown);
    CJournalFile journal(m_strPath);
    Entry entry = StartTypes({L"Alerter"});
    ASSERT_TRUE(journal.Begin(&entry));
    EXPECT_EQ(2u, entry.nId);
    EXPECT_EQ(FormatHeader() + u8"begin 1 start-types - ;\r\nstarttype 服务 2 4 ;\r\ntook 1 服务 4 ;\r\nend 1 ;\r\n" +
                  FormatBegin(entry),
              ReadFileText(m_strPath));
}

// Edited by hand and saved without an end to its last line: read, and
// added to on a line of its own.
TEST_F(JournalFileTest, ALastLineWithoutAnEndIsAddedToOnANewLine)
{
    ASSERT_NO_FATAL_FAILURE(MakeEntries(1));
    std::string strText = ReadFileText(m_strPath);
    ASSERT_EQ("\r\n", strText.substr(strText.size() - 2));
    strText.resize(strText.size() - 2);
    WriteFileText(m_strPath, strText);
    CJournalFile journal(m_strPath);
    Entry entry = StartTypes({L"Alerter"});
    ASSERT_TRUE(journal.Begin(&entry));
    EXPECT_EQ(2u, entry.nId);
    EXPECT_EQ(strText + "\r\n" + FormatBegin(entry), ReadFileText(m_strPath));
    EXPECT_EQ(2u, ReadBack().size());
}

TEST_F(JournalFileTest, AJournalWhoseFolderCannotBeMadeFailsToBegin)
{
    const std::string strFile = m_strFolder + "\\a file";
    WriteFileText(strFile, "not a folder");
    for (const std::string& strPath : {strFile + "\\journal.svcj", strFile + "\\Quillmere\\journal.svcj"})
    {
        SCOPED_TRACE(strPath);
        CJournalFile journal(strPath);
        Entry entry = StartTypes({L"Alerter"});
        EXPECT_FALSE(journal.Begin(&entry));
        EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", 4));
        EXPECT_FALSE(journal.End());
    }
    EXPECT_EQ("not a folder", ReadFileText(strFile));
    EXPECT_EQ(std::vector<std::string>{"a file"}, NamesIn(m_strFolder));
    // Nor where the journal itself is a folder.
    ASSERT_TRUE(CreateDirectoryA(m_strPath.c_str(), nullptr));
    CJournalFile journal(m_strPath);
    Entry entry = StartTypes({L"Alerter"});
    EXPECT_FALSE(journal.Begin(&entry));
    EXPECT_TRUE(NamesIn(m_strPath).empty());
    EXPECT_FALSE(CJournalFile("").Begin(&entry)) << "no path at all";
}

TEST_F(JournalFileTest, AReadOnlyJournalFailsToBeginAndIsLeftAlone)
{
    // With room left, and with twenty entries that Begin would rewrite.
    for (size_t nEntries : {size_t(1), kKeptEntries})
    {
        SCOPED_TRACE(nEntries);
        RemoveTree(m_strPath);
        ASSERT_NO_FATAL_FAILURE(MakeEntries(nEntries));
        const std::string strText = ReadFileText(m_strPath);
        ASSERT_TRUE(SetFileAttributesA(m_strPath.c_str(), FILE_ATTRIBUTE_READONLY));
        CJournalFile journal(m_strPath);
        Entry entry = StartTypes({L"Alerter"});
        EXPECT_FALSE(journal.Begin(&entry));
        EXPECT_FALSE(journal.MarkUndone(1));
        EXPECT_EQ(strText, ReadFileText(m_strPath));
        EXPECT_NE(0u, GetFileAttributesA(m_strPath.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(std::vector<std::string>{"journal.svcj"}, NamesIn(m_strFolder));
        // Still read, for the user to see what it holds.
        EXPECT_EQ(nEntries, ReadBack().size());
        ASSERT_TRUE(SetFileAttributesA(m_strPath.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
}

// A program that ends between Begin and End leaves an entry that is kept,
// marked incomplete, with the results it did record.
TEST_F(JournalFileTest, AnEntryCutOffBeforeItsEndReadsAsIncomplete)
{
    {
        CJournalFile journal(m_strPath);
        Entry entry = StartTypes({L"Alerter", L"Browser"});
        ASSERT_TRUE(journal.Begin(&entry));
        ASSERT_TRUE(journal.RecordStartTypeTook(L"Browser", SERVICE_DISABLED));
    }
    std::vector<Entry> entries = ReadBack();
    ASSERT_EQ(1u, entries.size());
    EXPECT_FALSE(entries[0].bComplete);
    EXPECT_FALSE(entries[0].startTypes[0].bTookKnown);
    EXPECT_TRUE(entries[0].startTypes[1].bTookKnown);
    EXPECT_EQ(&entries[0], LastUndoable(entries));

    CJournalFile journal(m_strPath);
    Entry next = StartupValues(1);
    ASSERT_TRUE(journal.Begin(&next));
    EXPECT_EQ(2u, next.nId);
    EXPECT_FALSE(journal.RecordStartTypeTook(L"Alerter", SERVICE_DISABLED)) << "the old entry is not open";
    ASSERT_TRUE(journal.End());
    entries = ReadBack();
    ASSERT_EQ(2u, entries.size());
    EXPECT_FALSE(entries[0].bComplete);
    EXPECT_TRUE(entries[1].bComplete);
}

TEST_F(JournalFileTest, MarkUndoneChangesTheLastUndoable)
{
    ASSERT_NO_FATAL_FAILURE(MakeEntries(3));
    CJournalFile journal(m_strPath);
    std::vector<Entry> entries = ReadBack();
    ASSERT_NE(nullptr, LastUndoable(entries));
    EXPECT_EQ(3u, LastUndoable(entries)->nId);

    ASSERT_TRUE(journal.MarkUndone(3));
    entries = ReadBack();
    ASSERT_NE(nullptr, LastUndoable(entries));
    EXPECT_EQ(2u, LastUndoable(entries)->nId);
    EXPECT_TRUE(entries[2].bUndone);

    const std::string strText = ReadFileText(m_strPath);
    EXPECT_FALSE(journal.MarkUndone(3)) << "already undone";
    EXPECT_FALSE(journal.MarkUndone(4)) << "no such entry";
    EXPECT_FALSE(journal.MarkUndone(0)) << "no such entry";
    EXPECT_EQ(strText, ReadFileText(m_strPath));

    ASSERT_TRUE(journal.MarkUndone(1)); // out of turn
    entries = ReadBack();
    EXPECT_EQ(2u, LastUndoable(entries)->nId);
    ASSERT_TRUE(journal.MarkUndone(2));
    EXPECT_EQ(nullptr, LastUndoable(ReadBack()));
    EXPECT_FALSE(CJournalFile(m_strFolder + "\\none.svcj").MarkUndone(1)) << "no journal";
    EXPECT_FALSE(FileExists(m_strFolder + "\\none.svcj"));
}

// The journal in the machine's folder, which only administrators may change;
// the one earlier versions kept in the user's own folder.
TEST(JournalFileDefaultPathTest, IsInTheMachinesApplicationDataFolder)
{
    for (const auto& c : {std::make_pair(CJournalFile::DefaultPath(), "ProgramData"),
                          std::make_pair(CJournalFile::LegacyPath(), "APPDATA")})
    {
        SCOPED_TRACE(c.second);
        const std::string strEnd = "\\Quillmere\\journal.svcj";
        ASSERT_GT(c.first.size(), strEnd.size());
        EXPECT_EQ(strEnd, c.first.substr(c.first.size() - strEnd.size()));
        EXPECT_EQ(std::string::npos, c.first.find("\\\\")) << c.first;
        std::string strFolder = c.first.substr(0, c.first.size() - strEnd.size());
        DWORD dwAttributes = GetFileAttributesA(strFolder.c_str());
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, dwAttributes) << strFolder;
        EXPECT_NE(0u, dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
        const char* pszFolder = getenv(c.second);
        ASSERT_NE(nullptr, pszFolder);
        EXPECT_TRUE(EqualsNoCaseAscii(pszFolder, strFolder)) << pszFolder << " / " << strFolder;
    }
    // Wine enforces no file access lists: the check is left out there.
    EXPECT_FALSE(CJournalFile::DefaultSecurityReader());
}

// A journal whose folder anyone may write is not read, not added to and
// left as it is; the refusal names the folder and who may write it (the
// window's refusal of such a file: UndoTest).
TEST_F(JournalFileTest, AJournalOthersMayWriteIsRefused)
{
    CJournalFile journal(m_strPath);
    journal.SetSecurityReader(ReadSecurityAsOnWindows);
    Entry entry = StartupValues(1);
    ASSERT_TRUE(journal.Begin(&entry));
    ASSERT_TRUE(journal.End());
    LetEveryoneWrite(m_strFolder);
    const std::string strBefore = ReadFileText(m_strPath);
    std::vector<Entry> entries;
    std::string strProblem;
    EXPECT_EQ(static_cast<int>(ReadOutcome::Foreign), static_cast<int>(journal.Read(&entries, &strProblem)));
    EXPECT_EQ("更改记录(" + m_strFolder + ")可被管理员以外的帐户(" + JournalSecurity::AccountText("S-1-1-0") +
                  ")修改,不能信任其中的记录,未做任何更改!",
              strProblem);
    EXPECT_FALSE(journal.Begin(&entry));
    EXPECT_FALSE(journal.MarkUndone(1));
    EXPECT_EQ(strBefore, ReadFileText(m_strPath));
    // Read as Wine reports it, the Unix user owns everything: refused too.
    journal.SetSecurityReader(JournalSecurity::Read);
    EXPECT_EQ(static_cast<int>(ReadOutcome::Foreign), static_cast<int>(journal.Read(&entries, &strProblem)));
}

// Data too large to stand in the journal is kept beside it, loaded whole
// for an undo, refused when changed since, and goes with its entry.
TEST_F(JournalFileTest, LargeDataIsKeptBesideTheJournal)
{
    Entry entry = StartupValues(3);
    entry.runValues[1].data = std::string("C\0:\0\0\0", 6) + std::string(2200000, 'A');
    entry.runValues[2].data = std::string(kInlineDataBytes, 'B'); // just fits in a line
    CJournalFile journal(m_strPath);
    ASSERT_TRUE(journal.Begin(&entry));
    ASSERT_TRUE(journal.End());
    EXPECT_LT(ReadFileText(m_strPath).size(), 3 * kInlineDataBytes);
    const std::string strAside = m_strPath + "." + std::to_string(entry.nId) + "-1.dat";
    EXPECT_EQ((std::vector<std::string>{"journal.svcj", "journal.svcj.1-1.dat"}), NamesIn(m_strFolder));
    std::vector<Entry> entries = ReadBack();
    ASSERT_EQ(1u, entries.size());
    std::string strProblem;
    ASSERT_TRUE(journal.LoadAsideData(&entries[0], &strProblem)) << strProblem;
    for (size_t i = 0; i < entry.runValues.size(); ++i)
        EXPECT_EQ(entry.runValues[i].data, entries[0].runValues[i].data) << i;

    for (const std::string& strChanged : {std::string(entry.runValues[1].data).replace(9, 1, "Z"), std::string()})
    {
        WriteFileText(strAside, strChanged);
        entries = ReadBack();
        EXPECT_FALSE(journal.LoadAsideData(&entries[0], &strProblem));
        EXPECT_EQ("更改记录附带的数据文件(" + strAside + ")已损坏或丢失,未做任何更改!", strProblem);
    }
    MakeEntries(kKeptEntries);
    EXPECT_FALSE(FileExists(strAside)) << "kept after its entry was dropped";
}

// Run with a limit on the size of every file written (wine.journal_full_disk),
// as on a full disk: a write that fails part-way is taken back.
class JournalFullDiskTest : public JournalFileTest
{
protected:
    void SetUp() override
    {
        JournalFileTest::SetUp();
        const char* pszLimit = getenv("QM_FILE_SIZE_LIMIT");
        if (pszLimit == nullptr)
            GTEST_SKIP() << "runs only with a file size limit";
        m_nLimit = std::strtoul(pszLimit, nullptr, 10);
    }
    unsigned long m_nLimit = 0;
};

TEST_F(JournalFullDiskTest, AWriteThatFillsTheDiskLeavesTheJournalReadable)
{
    ASSERT_NO_FATAL_FAILURE(MakeEntries(2));
    std::string strText = ReadFileText(m_strPath);
    ASSERT_LT(strText.size() + 200, m_nLimit);

    // Records longer than the room left: Begin fails, the file is as it was.
    CJournalFile journal(m_strPath);
    Entry bulky = StartTypes({std::wstring(m_nLimit, L'x')});
    EXPECT_FALSE(journal.Begin(&bulky));
    EXPECT_EQ(strText, ReadFileText(m_strPath));

    // A result that does not fit: refused, and the rest still reads.
    size_t nRoom = m_nLimit - strText.size();
    // The begin line and two records take 83 bytes with the name, leaving
    // room for the short result only.
    std::wstring wstrLong(nRoom - 110, L'y');
    Entry entry = StartTypes({L"A", wstrLong});
    ASSERT_TRUE(journal.Begin(&entry));
    strText = ReadFileText(m_strPath);
    ASSERT_LT(strText.size(), m_nLimit);
    ASSERT_GT(strText.size() + FormatStartTypeTook(entry.nId, wstrLong, 4).size(), m_nLimit);
    EXPECT_FALSE(journal.RecordStartTypeTook(wstrLong, 4));
    EXPECT_EQ(strText, ReadFileText(m_strPath));
    EXPECT_TRUE(journal.RecordStartTypeTook(L"A", 4));
    EXPECT_EQ(3u, ReadBack().size());
}
} // namespace
