#include "changes/ChangeJournal.h"
#include "common/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace ChangeJournal;

const char* const kForeign = "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!";
const char* const kTooLarge = "更改记录文件过大(超过4MB,不是本程序的记录),未做任何更改!";
const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Damaged(int nLine)
{
    return "更改记录文件已损坏(第" + std::to_string(nLine) + "行无法识别),未做任何更改!";
}

// Every byte shown, so that a difference in a NUL or a CR is seen.
std::string Shown(const std::string& strText)
{
    std::string strShown = "\"";
    for (char ch : strText)
    {
        unsigned char byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7F && ch != '\\')
            strShown += ch;
        else
        {
            char szHex[8];
            std::snprintf(szHex, sizeof(szHex), "\\x%02X", byte);
            strShown += szHex;
        }
    }
    return strShown + "\"";
}

// Each field of every entry on a line of its own, so that a failed
// comparison points at the field. Written here, not with the format.
std::string Dump(const std::vector<Entry>& entries)
{
    std::string strDump;
    auto field = [&](const char* pszName, const std::string& strValue) {
        strDump += std::string("  ") + pszName + "=" + strValue + "\n";
    };
    auto number = [&](const char* pszName, uint64_t nValue) { field(pszName, std::to_string(nValue)); };
    for (const Entry& entry : entries)
    {
        strDump += "entry\n";
        number("id", entry.nId);
        number("kind", static_cast<int>(entry.kind));
        field("when", Shown(entry.strWhen));
        number("complete", entry.bComplete);
        number("undone", entry.bUndone);
        for (const StartTypeRecord& record : entry.startTypes)
        {
            strDump += " starttype\n";
            field("name", Shown(Utf8FromWide(record.wstrName)));
            number("before", record.dwBefore);
            number("set", record.dwSet);
            number("tookKnown", record.bTookKnown);
            number("took", record.dwTook);
        }
        for (const RunValueRecord& record : entry.runValues)
        {
            strDump += " runvalue\n";
            field("root", Shown(record.strRoot));
            field("key", Shown(record.strKey));
            field("name", Shown(Utf8FromWide(record.wstrName)));
            number("type", record.dwType);
            field("data", Shown(record.data));
            number("deleted", record.bDeleted);
        }
        for (const ServiceRecord& record : entry.services)
        {
            strDump += " service\n";
            field("name", Shown(Utf8FromWide(record.wstrName)));
            number("type", record.dwServiceType);
            number("start", record.dwStartType);
            number("error", record.dwErrorControl);
            field("path", Shown(Utf8FromWide(record.wstrPath)));
            field("group", Shown(Utf8FromWide(record.wstrLoadOrderGroup)));
            number("dependencies", record.dependencies.size());
            for (const std::wstring& wstrDependency : record.dependencies)
                field("dependency", Shown(Utf8FromWide(wstrDependency)));
            field("account", Shown(Utf8FromWide(record.wstrAccount)));
            field("display", Shown(Utf8FromWide(record.wstrDisplayName)));
            number("hasDescription", record.bHasDescription);
            field("description", Shown(Utf8FromWide(record.wstrDescription)));
            number("keyRecorded", record.bKeyRecorded);
            for (const std::wstring& wstrSubkey : record.key.subkeys)
                field("subkey", Shown(Utf8FromWide(wstrSubkey)));
            for (const KeyValueCopy& value : record.key.values)
                field("value", Shown(Utf8FromWide(value.wstrSubkey)) + " " + Shown(Utf8FromWide(value.wstrName)) +
                                   " " + std::to_string(value.dwType) + " " + Shown(value.data));
            number("deleted", record.bDeleted);
        }
    }
    return strDump;
}

// A text as the registry stores it: UTF-16 and its NUL.
std::string Utf16(const std::wstring& wstrText)
{
    std::string data;
    for (wchar_t ch : wstrText)
        data += {static_cast<char>(ch & 0xFF), static_cast<char>((ch >> 8) & 0xFF)};
    return data + std::string(2, '\0');
}

std::string Dword(uint32_t dwNumber)
{
    return {static_cast<char>(dwNumber & 0xFF), static_cast<char>((dwNumber >> 8) & 0xFF),
            static_cast<char>((dwNumber >> 16) & 0xFF), static_cast<char>(dwNumber >> 24)};
}

std::string Hex(const std::string& data)
{
    std::string strHex;
    char szByte[3];
    for (char ch : data)
    {
        std::snprintf(szByte, sizeof(szByte), "%02X", static_cast<unsigned char>(ch));
        strHex += szByte;
    }
    return strHex;
}

std::string AllBytes()
{
    std::string data;
    for (int i = 0; i < 256; ++i)
        data += static_cast<char>(i);
    return data;
}

// Texts that would break a field or a line if they were written as they are.
std::vector<std::wstring> HostileTexts()
{
    return {L"",
            L"-",
            L"--",
            L"%",
            L"%2D",
            L"%%41",
            L"a b",
            L" leading and trailing ",
            L"tab\there",
            L"line\r\nbreak",
            L"\n",
            L"\r",
            L";",
            L"x ;",
            L"中文 服务 名称-控制",
            // Hangul, a surrogate pair, a lone low and a lone high surrogate.
            std::wstring{L'Q', wchar_t(0xAC00), wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDC00), wchar_t(0xD800)},
            std::wstring(L"nul\0inside", 10),
            std::wstring(1, L'\0'),
            L"\x7F",
            L"\xFF\xFE\x80\x81",
            WideFromAscii(AllBytes().substr(1, 0x7F)) + L"\x80\xFF\x7FF\x800\xD7FF\xE000\xFFFD\xFFFF",
            std::wstring(5000, L'x'),
            // GBK has no U+AC00: both names were once read back as "QmKr?".
            L"QmKr\uAC00",
            L"QmKr?"};
}

std::vector<Entry> AllKindsWithHostileFields(const std::vector<std::wstring>& texts = HostileTexts())
{
    std::vector<Entry> entries;

    Entry startTypes;
    startTypes.nId = 1;
    startTypes.kind = Kind::StartTypes;
    startTypes.strWhen = "2024-05-01 12:00:00";
    for (size_t i = 0; i < texts.size(); ++i)
    {
        StartTypeRecord record;
        record.wstrName = L"S" + texts[i]; // all different: results name their record
        record.dwBefore = static_cast<uint32_t>(i % 5);
        record.dwSet = static_cast<uint32_t>(2 + i % 3);
        record.bTookKnown = i % 3 != 0;
        record.dwTook = record.bTookKnown ? static_cast<uint32_t>(i % 5) : 0;
        startTypes.startTypes.push_back(record);
    }
    startTypes.bComplete = true;
    entries.push_back(startTypes);

    Entry runValues;
    runValues.nId = 2;
    runValues.kind = Kind::StartupValues;
    runValues.strWhen = "";
    for (size_t i = 0; i < texts.size(); ++i)
    {
        RunValueRecord record;
        record.strRoot = i % 2 ? "HKLM" : "HKCU";
        record.strKey = kRunKey;
        record.wstrName = texts[i];
        record.dwType = static_cast<uint32_t>(i % 12);
        record.data = i == 0 ? std::string() : i == 1 ? AllBytes() : Utf8FromWide(texts[i]);
        record.bDeleted = i % 2 == 0;
        runValues.runValues.push_back(record);
    }
    runValues.bComplete = true;
    runValues.bUndone = true;
    entries.push_back(runValues);

    for (size_t i = 0; i < texts.size(); ++i)
    {
        Entry removal;
        removal.nId = static_cast<uint32_t>(10 + 7 * i);
        removal.kind = Kind::ServiceRemoval;
        removal.strWhen = Utf8FromWide(texts[(i + 1) % texts.size()]);
        ServiceRecord record;
        record.wstrName = L"S" + texts[i];
        record.dwServiceType = i % 2 ? 0x10 : 0x1E0;
        record.dwStartType = static_cast<uint32_t>(2 + i % 3);
        record.dwErrorControl = static_cast<uint32_t>(i % 4);
        record.wstrPath = L"P" + texts[(i + 2) % texts.size()];
        record.wstrLoadOrderGroup = texts[(i + 4) % texts.size()];
        switch (i % 4)
        {
        case 0:
            break; // no dependencies
        case 1:
            record.dependencies = {L""};
            break;
        case 2:
            record.dependencies = {L"RpcSs", L"+Network Group", L"-", L";"};
            break;
        default:
            record.dependencies = texts;
            break;
        }
        record.wstrAccount = texts[(i + 5) % texts.size()];
        record.wstrDisplayName = texts[(i + 6) % texts.size()];
        record.bHasDescription = i % 2 == 0;
        record.wstrDescription = texts[(i + 7) % texts.size()];
        record.bDeleted = i % 3 == 1;
        // Every other one with its key: hostile names in keys nested below.
        if (i % 2 == 0)
        {
            record.bKeyRecorded = true;
            auto keyName = [](std::wstring wstrName) {
                std::replace(wstrName.begin(), wstrName.end(), L'\\', L'/');
                return wstrName + L"!";
            };
            std::wstring wstrSubkey = keyName(texts[i]);
            std::wstring wstrNested = wstrSubkey + L"\\" + keyName(texts[(i + 3) % texts.size()]);
            record.key.subkeys = {L"Parameters", wstrSubkey, wstrNested};
            record.key.values = {{L"", L"Type", 4, Dword(record.dwServiceType)},
                                 {L"", texts[i], static_cast<uint32_t>(i * 0x10001), i == 0 ? AllBytes() : Utf8FromWide(texts[i])},
                                 {L"Parameters", L"ServiceDll", 2, Utf16(texts[(i + 8) % texts.size()])},
                                 {wstrNested, texts[(i + 9) % texts.size()], 0, ""}};
        }
        removal.services.push_back(record);
        removal.bComplete = i % 2 == 1;
        removal.bUndone = i % 5 == 2;
        entries.push_back(removal);
    }

    Entry lastId;
    lastId.nId = 0xFFFFFFFFu;
    lastId.kind = Kind::StartupValues;
    lastId.strWhen = "2099-12-31 23:59:59";
    entries.push_back(lastId); // no records, cut off before its end
    return entries;
}

void ExpectRoundTrip(const std::vector<Entry>& entries)
{
    std::string strText = FormatJournal(entries);
    std::vector<Entry> read;
    std::string strProblem = "stale";
    ASSERT_EQ(ReadOutcome::Read, Parse(strText, &read, &strProblem)) << strProblem;
    EXPECT_EQ("", strProblem);
    EXPECT_EQ(Dump(entries), Dump(read));
    // One spelling only: what was read is written back the same.
    EXPECT_EQ(strText, FormatJournal(read));
}

TEST(ChangeJournalTest, EveryKindRoundTripsWithHostileFields)
{
    std::vector<Entry> entries = AllKindsWithHostileFields();
    for (const Entry& entry : entries)
    {
        SCOPED_TRACE(entry.nId);
        ExpectRoundTrip({entry});
    }
    ExpectRoundTrip(entries);
    ExpectRoundTrip({});
}

TEST(ChangeJournalTest, WrittenLinesHoldNoRawControlBytes)
{
    std::string strText = FormatJournal(AllKindsWithHostileFields());
    ASSERT_EQ("\r\n", strText.substr(strText.size() - 2));
    size_t nStart = 0;
    int nLine = 0;
    while (nStart < strText.size())
    {
        ++nLine;
        size_t nEnd = strText.find("\r\n", nStart);
        ASSERT_NE(std::string::npos, nEnd);
        std::string strLine = strText.substr(nStart, nEnd - nStart);
        nStart = nEnd + 2;
        SCOPED_TRACE(nLine);
        for (char ch : strLine)
        {
            unsigned char byte = static_cast<unsigned char>(ch);
            ASSERT_TRUE(byte == ' ' || (byte > 0x20 && byte != 0x7F)) << Shown(strLine);
        }
        EXPECT_EQ(std::string::npos, strLine.find("  ")) << "an empty field";
        EXPECT_NE(' ', strLine.front());
        if (nLine > 1)
        {
            EXPECT_EQ(" ;", strLine.substr(strLine.size() - 2));
        }
    }
}

// The format as other programs and later versions will find it.
TEST(ChangeJournalTest, LinesAreWrittenAsDocumented)
{
    EXPECT_EQ("Quillmere change journal 2 UTF-8\r\n", FormatHeader());

    Entry startTypes;
    startTypes.nId = 7;
    startTypes.kind = Kind::StartTypes;
    startTypes.strWhen = "2024-05-01 12:00:00";
    startTypes.startTypes.push_back({L"Alerter", 2, 4, true, 4}); // results are not part of the begin
    startTypes.startTypes.push_back({L"VMware NAT Service", 3, 4, false, 0});
    startTypes.bComplete = true;
    EXPECT_EQ("begin 7 start-types 2024-05-01%2012:00:00 ;\r\n"
              "starttype Alerter 2 4 ;\r\n"
              "starttype VMware%20NAT%20Service 3 4 ;\r\n",
              FormatBegin(startTypes));

    Entry runValues;
    runValues.nId = 8;
    runValues.kind = Kind::StartupValues;
    runValues.strWhen = "2024-05-01 12:00:01";
    runValues.runValues.push_back({"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"", 1,
                                   std::string("C:\\\0", 4), false});
    runValues.runValues.push_back({"HKLM", kRunKey, L"-", 3, "", false});
    EXPECT_EQ("begin 8 startup-values 2024-05-01%2012:00:01 ;\r\n"
              "runvalue HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Run - 1 433A5C00 ;\r\n"
              "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run %2D 3 - ;\r\n",
              FormatBegin(runValues));

    Entry removal;
    removal.nId = 9;
    removal.kind = Kind::ServiceRemoval;
    removal.strWhen = "2024-05-01 12:00:02";
    ServiceRecord service;
    service.wstrName = L"Spooler";
    service.dwServiceType = 16;
    service.dwStartType = 2;
    service.dwErrorControl = 1;
    service.wstrPath = L"C:\\WINDOWS\\system32\\spoolsv.exe";
    service.wstrLoadOrderGroup = L"SpoolerGroup";
    service.dependencies = {L"RPCSS", L"+Net Group"};
    service.wstrAccount = L"LocalSystem";
    service.wstrDisplayName = L"打印 后台处理程序";
    service.bHasDescription = true;
    service.wstrDescription = L"100% 可靠";
    removal.services.push_back(service);
    EXPECT_EQ("begin 9 service-removal 2024-05-01%2012:00:02 ;\r\n"
              "service Spooler 16 2 1 C:\\WINDOWS\\system32\\spoolsv.exe SpoolerGroup LocalSystem "
              u8"打印%20后台处理程序 1 100%25%20可靠 2 RPCSS +Net%20Group ;\r\n",
              FormatBegin(removal));
    service.dependencies.clear();
    service.bHasDescription = false;
    service.wstrDescription.clear();
    service.wstrLoadOrderGroup.clear();
    removal.services = {service};
    EXPECT_EQ(u8"service Spooler 16 2 1 C:\\WINDOWS\\system32\\spoolsv.exe - LocalSystem 打印%20后台处理程序 0 - 0 ;\r\n",
              FormatBegin(removal).substr(FormatBegin(removal).find("\r\n") + 2));

    EXPECT_EQ("took 7 Alerter 4 ;\r\n", FormatStartTypeTook(7, L"Alerter", 4));
    EXPECT_EQ("took 7 - 4294967295 ;\r\n", FormatStartTypeTook(7, L"", 0xFFFFFFFFu));
    EXPECT_EQ("took 7 %2D 0 ;\r\n", FormatStartTypeTook(7, L"-", 0));
    EXPECT_EQ("took 7 -- 0 ;\r\n", FormatStartTypeTook(7, L"--", 0));
    EXPECT_EQ("took 7 a%25b%0D%0Ac%09%7F%00 0 ;\r\n",
              FormatStartTypeTook(7, std::wstring(L"a%b\r\nc\t\x7F\0", 9), 0));
    // UTF-8: Hangul, a surrogate pair as one four-byte form, a lone surrogate as three bytes.
    EXPECT_EQ("took 7 \xEA\xB0\x80\xF0\x9F\x98\x80\xED\xA0\xBD 0 ;\r\n",
              FormatStartTypeTook(7, {wchar_t(0xAC00), wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xD83D)}, 0));
    EXPECT_EQ("deleted 8 12 ;\r\n", FormatDeleted(8, 12));
    EXPECT_EQ("end 4294967295 ;\r\n", FormatEnd(0xFFFFFFFFu));
    EXPECT_EQ("undone 0 ;\r\n", FormatUndone(0));
}

// What JournalFile appends, one step at a time, with a second entry begun
// before the first one's results: each line finds its entry by id.
TEST(ChangeJournalTest, AppendedLinesAddUp)
{
    Entry first;
    first.nId = 3;
    first.kind = Kind::StartTypes;
    first.strWhen = "2024-05-01 12:00:00";
    first.startTypes = {{L"A", 2, 4, false, 0}, {L"服务", 3, 4, false, 0}, {L"C", 4, 2, false, 0}};
    Entry second;
    second.nId = 4;
    second.kind = Kind::StartupValues;
    second.strWhen = "2024-05-01 12:00:05";
    second.runValues = {{"HKLM", kRunKey, L"x", 1, "y", false}, {"HKCU", kRunKey, L"z", 1, "", false}};
    std::string strText = FormatHeader() + FormatBegin(first) + FormatStartTypeTook(3, L"服务", 4) +
                          FormatBegin(second) + FormatStartTypeTook(3, L"A", 3) + FormatDeleted(4, 1) +
                          FormatEnd(4) + FormatUndone(4) + FormatEnd(3);
    std::vector<Entry> entries;
    std::string strProblem;
    ASSERT_EQ(ReadOutcome::Read, Parse(strText, &entries, &strProblem)) << strProblem;
    first.startTypes[0].bTookKnown = true;
    first.startTypes[0].dwTook = 3;
    first.startTypes[1].bTookKnown = true;
    first.startTypes[1].dwTook = 4;
    first.bComplete = true;
    second.runValues[1].bDeleted = true;
    second.bComplete = true;
    second.bUndone = true;
    EXPECT_EQ(Dump({first, second}), Dump(entries));
    ASSERT_NE(nullptr, LastUndoable(entries));
    EXPECT_EQ(3u, LastUndoable(entries)->nId);
}

// A small journal of every kind, one line a piece, to edit in the cases below.
const std::vector<std::string> kSample = {
    "Quillmere change journal 2 UTF-8",                                                            // 1
    "begin 1 start-types 2024-05-01%2012:00:00 ;",                                                 // 2
    "starttype Alerter 2 4 ;",                                                                     // 3
    u8"starttype 服务 3 4 ;",                                                                      // 4
    "took 1 Alerter 4 ;",                                                                          // 5
    "end 1 ;",                                                                                     // 6
    "begin 2 startup-values 2024-05-02%2008:30:00 ;",                                              // 7
    "runvalue HKLM Software\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 433A5C00 ;",           // 8
    "deleted 2 0 ;",                                                                               // 9
    "end 2 ;",                                                                                     // 10
    "begin 5 service-removal 2024-05-03%2009:00:00 ;",                                             // 11
    "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;",         // 12
    "deleted 5 0 ;",                                                                               // 13
    "undone 2 ;",                                                                                  // 14
};

std::string Joined(const std::vector<std::string>& lines, const std::string& strEnd = "\r\n")
{
    std::string strText;
    for (const std::string& strLine : lines)
        strText += strLine + strEnd;
    return strText;
}

// The sample with line nLine (1-based) replaced.
std::string WithLine(size_t nLine, const std::string& strLine)
{
    std::vector<std::string> lines = kSample;
    lines.at(nLine - 1) = strLine;
    return Joined(lines);
}

// The sample with a line put in before line nLine (one past the end: added).
std::string WithLineBefore(size_t nLine, const std::string& strLine)
{
    std::vector<std::string> lines = kSample;
    lines.insert(lines.begin() + static_cast<long>(nLine - 1), strLine);
    return Joined(lines);
}

std::string WithoutLine(size_t nLine)
{
    std::vector<std::string> lines = kSample;
    lines.erase(lines.begin() + static_cast<long>(nLine - 1));
    return Joined(lines);
}

TEST(ChangeJournalTest, SampleReadsAsItSays)
{
    std::vector<Entry> entries;
    std::string strProblem;
    ASSERT_EQ(ReadOutcome::Read, Parse(Joined(kSample), &entries, &strProblem)) << strProblem;
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(1u, entries[0].nId);
    EXPECT_EQ("2024-05-01 12:00:00", entries[0].strWhen);
    ASSERT_EQ(2u, entries[0].startTypes.size());
    EXPECT_TRUE(entries[0].startTypes[0].bTookKnown);
    EXPECT_EQ(4u, entries[0].startTypes[0].dwTook);
    EXPECT_EQ(L"服务", entries[0].startTypes[1].wstrName);
    EXPECT_FALSE(entries[0].startTypes[1].bTookKnown);
    EXPECT_TRUE(entries[0].bComplete);
    EXPECT_FALSE(entries[0].bUndone);
    ASSERT_EQ(1u, entries[1].runValues.size());
    EXPECT_EQ(std::string("C:\\\0", 4), entries[1].runValues[0].data);
    EXPECT_TRUE(entries[1].runValues[0].bDeleted);
    EXPECT_TRUE(entries[1].bUndone);
    ASSERT_EQ(1u, entries[2].services.size());
    const ServiceRecord& service = entries[2].services[0];
    EXPECT_EQ(L"", service.wstrLoadOrderGroup);
    EXPECT_EQ(L"Print Spooler", service.wstrDisplayName);
    EXPECT_TRUE(service.bHasDescription);
    EXPECT_EQ(L"", service.wstrDescription);
    EXPECT_EQ((std::vector<std::wstring>{L"RPCSS", L"+Group"}), service.dependencies);
    EXPECT_TRUE(service.bDeleted);
    // Cut off by a crash: kept, but not complete.
    EXPECT_FALSE(entries[2].bComplete);
    ASSERT_EQ(&entries[2], LastUndoable(entries));
}

TEST(ChangeJournalTest, HostileInputs)
{
    const std::string kKey = "servicekey - ;\r\n";
    struct Case
    {
        const char* pszWhat;
        std::string strText;
        ReadOutcome outcome;
        int nLine; // the line named for Damaged
    };
    const std::string strSample = Joined(kSample);
    const Case cases[] = {
        {"the sample", strSample, ReadOutcome::Read, 0},
        {"bare LF", Joined(kSample, "\n"), ReadOutcome::Read, 0},
        {"CR LF and LF mixed", std::string(strSample).replace(strSample.find("took 1 Alerter 4 ;\r\n") + 18, 2, "\n"),
         ReadOutcome::Read, 0},
        {"last line without an end", strSample.substr(0, strSample.size() - 2), ReadOutcome::Read, 0},
        {"last line ends in CR only", strSample.substr(0, strSample.size() - 1), ReadOutcome::Read, 0},
        {"header only", "Quillmere change journal 2 UTF-8", ReadOutcome::Read, 0},
        {"undone right after its end", WithLineBefore(7, "undone 1 ;"), ReadOutcome::Read, 0},
        {"an entry without records", WithLineBefore(15, "begin 6 start-types - ;"), ReadOutcome::Read, 0},
        {"largest id", WithLineBefore(15, "begin 4294967295 start-types - ;"), ReadOutcome::Read, 0},
        {"largest number", WithLine(3, "starttype Alerter 4294967295 4 ;"), ReadOutcome::Damaged, 3},
        // Only what this program could have recorded: a forged entry must not
        // make an undo create a driver or write a value anywhere.
        {"start type beyond disabled", WithLine(3, "starttype Alerter 5 4 ;"), ReadOutcome::Damaged, 3},
        {"boot start set", WithLine(3, "starttype Alerter 2 0 ;"), ReadOutcome::Damaged, 3},
        {"system start before", WithLine(3, "starttype Alerter 1 4 ;"), ReadOutcome::Read, 0},
        {"start type nameless", WithLine(3, "starttype - 2 4 ;"), ReadOutcome::Damaged, 3},
        {"took beyond disabled", WithLine(5, "took 1 Alerter 7 ;"), ReadOutcome::Damaged, 5},
        {"kernel driver", WithLine(12, "service Spooler 1 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"driver bit beside a process", WithLine(12, "service Spooler 17 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"neither own nor shared", WithLine(12, "service Spooler 256 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"own and shared at once", WithLine(12, "service Spooler 48 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"shared, interactive, per-user", WithLine(12, "service Spooler 480 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Read, 0},
        {"unknown type bit", WithLine(12, "service Spooler 528 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"boot start service", WithLine(12, "service Spooler 16 0 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"disabled service", WithLine(12, "service Spooler 16 4 3 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Read, 0},
        {"error control beyond critical", WithLine(12, "service Spooler 16 2 4 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"service without a program", WithLine(12, "service Spooler 16 2 1 - - LocalSystem Print%20Spooler 1 - 2 RPCSS +Group ;"), ReadOutcome::Damaged, 12},
        {"value outside the Run keys",
         WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows%20NT\\CurrentVersion\\Image%20File%20Execution%20Options\\sethc.exe Debugger 1 43 ;"),
         ReadOutcome::Damaged, 8},
        {"value under a Run subkey", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\x Tool 1 43 ;"), ReadOutcome::Damaged, 8},
        {"Run key in another case", WithLine(8, "runvalue HKLM software\\microsoft\\windows\\currentversion\\run Tool 1 43 ;"),
         ReadOutcome::Read, 0},
        {"another root", WithLine(8, "runvalue HKCR SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 43 ;"), ReadOutcome::Damaged, 8},
        {"unknown value type", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 12 43 ;"), ReadOutcome::Damaged, 8},
        {"data kept aside", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 @16385:0123456789ABCDEF ;"), ReadOutcome::Read, 0},
        {"small data kept aside", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 @16384:0123456789ABCDEF ;"),
         ReadOutcome::Damaged, 8},
        {"aside data over the limit", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 @67108865:0123456789ABCDEF ;"),
         ReadOutcome::Damaged, 8},
        {"aside checksum cut short", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 @16385:0123456789ABCDE ;"),
         ReadOutcome::Damaged, 8},
        {"large data inline", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 " + std::string(2 * kInlineDataBytes + 2, 'A') + " ;"),
         ReadOutcome::Damaged, 8},
        {"nothing", "", ReadOutcome::Empty, 0},

        {"other version", WithLine(1, "Quillmere change journal 3 UTF-8"), ReadOutcome::Foreign, 0},
        {"the earlier version's header", WithLine(1, kEarlierHeaderLine), ReadOutcome::Foreign, 0},
        {"other encoding", WithLine(1, "Quillmere change journal 2 GBK"), ReadOutcome::Foreign, 0},
        {"header with a space after it", WithLine(1, "Quillmere change journal 2 UTF-8 "), ReadOutcome::Foreign, 0},
        {"header in lower case", WithLine(1, "quillmere change journal 2 utf-8"), ReadOutcome::Foreign, 0},
        {"byte order mark", "\xEF\xBB\xBF" + strSample, ReadOutcome::Foreign, 0},
        {"header cut short", "Quillmere change journ", ReadOutcome::Foreign, 0},
        {"blank first line", "\r\n" + strSample, ReadOutcome::Foreign, 0},
        {"a .svc file", "Alerter&已禁用\r\nSpooler&自动\r\n", ReadOutcome::Foreign, 0},
        {"binary garbage", std::string("\x00\xFF\x13\x8B\x08\x00\r\n\x01", 9), ReadOutcome::Foreign, 0},
        {"records without the header", WithoutLine(1), ReadOutcome::Foreign, 0},

        {"binary garbage after the header", Joined({kSample[0]}) + std::string("\x00\xFF\x13\x8B", 4),
         ReadOutcome::Damaged, 2},
        {"empty line", WithLineBefore(7, ""), ReadOutcome::Damaged, 7},
        {"empty line at the end", strSample + "\r\n", ReadOutcome::Damaged, 15},
        {"line of spaces", WithLineBefore(7, "   "), ReadOutcome::Damaged, 7},
        {"unknown keyword", WithLine(9, "removed 2 0 ;"), ReadOutcome::Damaged, 9},
        {"keyword in upper case", WithLine(2, "BEGIN 1 start-types 2024-05-01%2012:00:00 ;"), ReadOutcome::Damaged, 2},
        {"unknown kind", WithLine(2, "begin 1 start-type 2024-05-01%2012:00:00 ;"), ReadOutcome::Damaged, 2},
        {"time not UTF-8", WithLine(2, "begin 1 start-types 2024-05-01\xFF ;"), ReadOutcome::Damaged, 2},
        {"no closing field", WithLine(6, "end 1"), ReadOutcome::Damaged, 6},
        {"closing field glued on", WithLine(6, "end 1;"), ReadOutcome::Damaged, 6},
        {"space after the closing field", WithLine(6, "end 1 ; "), ReadOutcome::Damaged, 6},
        {"two spaces", WithLine(5, "took 1  Alerter 4 ;"), ReadOutcome::Damaged, 5},
        {"tab for a space", WithLine(5, "took 1\tAlerter 4 ;"), ReadOutcome::Damaged, 5},
        {"field missing", WithLine(5, "took 1 Alerter ;"), ReadOutcome::Damaged, 5},
        {"field too many", WithLine(5, "took 1 Alerter 4 4 ;"), ReadOutcome::Damaged, 5},
        {"begin field missing", WithLine(2, "begin 1 start-types ;"), ReadOutcome::Damaged, 2},
        {"run value field missing", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 ;"), ReadOutcome::Damaged, 8},
        {"end with no id", WithLine(6, "end ;"), ReadOutcome::Damaged, 6},
        {"last line cut in a number", strSample + u8"took 1 服务 4", ReadOutcome::Damaged, 15},
        {"last line cut in a text", strSample + u8"took 1 服", ReadOutcome::Damaged, 15},
        {"last line cut in the data", strSample.substr(0, strSample.find("433A5C00") + 4), ReadOutcome::Damaged, 8},
        {"last line cut in an escape", strSample.substr(0, strSample.find("%2012:00:00") + 2), ReadOutcome::Damaged,
         2},
        {"last line cut before its closing field", strSample + "end 5 ", ReadOutcome::Damaged, 15},
        {"cut in a dependency",
         Joined(std::vector<std::string>(kSample.begin(), kSample.begin() + 11)) +
             "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 2 RPCSS +Gr",
         ReadOutcome::Damaged, 12},

        {"letter in a number", WithLine(3, "starttype Alerter 2x 4 ;"), ReadOutcome::Damaged, 3},
        {"minus sign", WithLine(3, "starttype Alerter -2 4 ;"), ReadOutcome::Damaged, 3},
        {"plus sign", WithLine(3, "starttype Alerter +2 4 ;"), ReadOutcome::Damaged, 3},
        {"leading zero", WithLine(3, "starttype Alerter 02 4 ;"), ReadOutcome::Damaged, 3},
        {"hex number", WithLine(3, "starttype Alerter 0x2 4 ;"), ReadOutcome::Damaged, 3},
        {"one past 32 bits", WithLine(3, "starttype Alerter 4294967296 4 ;"), ReadOutcome::Damaged, 3},
        {"wraps to a small number", WithLine(3, "starttype Alerter 4294967298 4 ;"), ReadOutcome::Damaged, 3},
        {"huge number", WithLine(3, "starttype Alerter 99999999999999999999999 4 ;"), ReadOutcome::Damaged, 3},
        {"huge id", WithLine(11, "begin 18446744073709551621 service-removal - ;"), ReadOutcome::Damaged, 11},
        {"huge index", WithLine(9, "deleted 2 18446744073709551616 ;"), ReadOutcome::Damaged, 9},
        {"flag that is not 0 or 1",
         WithLine(12, "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 2 - 2 RPCSS +Group ;"),
         ReadOutcome::Damaged, 12},

        {"escape cut short", WithLine(3, "starttype Alert%2 2 4 ;"), ReadOutcome::Damaged, 3},
        {"lone percent", WithLine(3, "starttype % 2 4 ;"), ReadOutcome::Damaged, 3},
        {"escape not hex", WithLine(3, "starttype Alert%ZZ 2 4 ;"), ReadOutcome::Damaged, 3},
        {"escape in lower case", WithLine(3, "starttype Alert%0a 2 4 ;"), ReadOutcome::Damaged, 3},
        {"escape of a plain letter", WithLine(3, "starttype Alert%41 2 4 ;"), ReadOutcome::Damaged, 3},
        {"escaped minus inside a text", WithLine(3, "starttype a%2Db 2 4 ;"), ReadOutcome::Damaged, 3},
        {"raw DEL", WithLine(3, "starttype Alert\x7F 2 4 ;"), ReadOutcome::Damaged, 3},
        {"raw NUL", WithLine(3, std::string("starttype Ale\0rter 2 4 ;", 24)), ReadOutcome::Damaged, 3},
        {"raw CR inside a line", WithLine(3, "starttype Alerter\r 2 4 ;"), ReadOutcome::Damaged, 3},
        // Texts are UTF-8 (a narrow literal is GBK), a lone surrogate as its three bytes.
        {"name in GBK", WithLine(4, "starttype 服务 3 4 ;"), ReadOutcome::Damaged, 4},
        {"lone surrogate", WithLine(4, "starttype \xED\xB8\x80 3 4 ;"), ReadOutcome::Read, 0},
        {"overlong value name", WithLine(8, "runvalue HKLM Software\\Microsoft\\Windows\\CurrentVersion\\Run T\xC0\xAF 1 43 ;"),
         ReadOutcome::Damaged, 8},
        {"dependency with a pair as two forms",
         WithLine(12, "service Spooler 16 2 1 C:\\x.exe - LocalSystem P 1 - 1 \xED\xA0\xBD\xED\xB8\x80 ;"),
         ReadOutcome::Damaged, 12},

        {"data of odd length", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 433A5C0 ;"), ReadOutcome::Damaged, 8},
        {"data in lower case", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 433a5c00 ;"), ReadOutcome::Damaged, 8},
        {"data not hex", WithLine(8, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 43G35C00 ;"), ReadOutcome::Damaged, 8},
        {"dependencies fewer than counted",
         WithLine(12, "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 3 RPCSS +Group ;"),
         ReadOutcome::Damaged, 12},
        {"dependencies more than counted",
         WithLine(12, "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 1 RPCSS +Group ;"),
         ReadOutcome::Damaged, 12},
        {"dependency count huge",
         WithLine(12, "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 4294967295 RPCSS ;"),
         ReadOutcome::Damaged, 12},

        {"a service's key that agrees", WithLineBefore(13, kKey + "servicevalue - Type 4 10000000 ;\r\n"
                                                        "servicevalue - ImagePath 2 " + Hex(Utf16(L"C:\\x.exe")) +
                                                        " ;\r\nservicevalue - ObjectName 1 " +
                                                        Hex(Utf16(L"localsystem")) + " ;"),
         ReadOutcome::Read, 0},
        {"key value before its key", WithLineBefore(13, "servicevalue - Type 4 10000000 ;"), ReadOutcome::Damaged, 13},
        {"key of a start-type entry", WithLineBefore(5, "servicekey - ;"), ReadOutcome::Damaged, 5},
        {"the key itself twice", WithLineBefore(13, kKey + "servicekey - ;"), ReadOutcome::Damaged, 14},
        {"subkey before its parent", WithLineBefore(13, kKey + "servicekey A\\B ;"), ReadOutcome::Damaged, 14},
        {"subkey with an empty part", WithLineBefore(13, kKey + "servicekey A ;\r\nservicekey A\\\\B ;"),
         ReadOutcome::Damaged, 15},
        {"subkey twice in another case", WithLineBefore(13, kKey + "servicekey A ;\r\nservicekey a ;"),
         ReadOutcome::Damaged, 15},
        {"subkey after a value", WithLineBefore(13, kKey + "servicevalue - X 1 - ;\r\nservicekey A ;"),
         ReadOutcome::Damaged, 15},
        {"value in a subkey not named", WithLineBefore(13, kKey + "servicevalue A X 1 - ;"), ReadOutcome::Damaged, 14},
        {"value twice in another case", WithLineBefore(13, kKey + "servicevalue - X 1 - ;\r\nservicevalue - x 1 - ;"),
         ReadOutcome::Damaged, 15},
        {"Type otherwise than the service", WithLineBefore(13, kKey + "servicevalue - Type 4 20000000 ;"),
         ReadOutcome::Damaged, 14},
        {"Start as a text", WithLineBefore(13, kKey + "servicevalue - Start 1 3200 ;"), ReadOutcome::Damaged, 14},
        {"ErrorControl of eight bytes",
         WithLineBefore(13, kKey + "servicevalue - ErrorControl 4 0100000000000000 ;"), ReadOutcome::Damaged, 14},
        {"another program", WithLineBefore(13, kKey + "servicevalue - ImagePath 2 " + Hex(Utf16(L"C:\\y.exe")) + " ;"),
         ReadOutcome::Damaged, 14},
        {"another account", WithLineBefore(13, kKey + "servicevalue - ObjectName 1 " + Hex(Utf16(L"Guest")) + " ;"),
         ReadOutcome::Damaged, 14},
        {"key larger than recorded keys may be",
         WithLineBefore(13, kKey + "servicevalue - X 3 " + std::string(2 * kMaxServiceKeyBytes + 2, 'A') + " ;"),
         ReadOutcome::Damaged, 14},

        {"took for an unknown id", WithLine(5, "took 3 Alerter 4 ;"), ReadOutcome::Damaged, 5},
        {"took for a name not in the entry", WithLine(5, "took 1 Spooler 4 ;"), ReadOutcome::Damaged, 5},
        {"took for a name in another case", WithLine(5, "took 1 alerter 4 ;"), ReadOutcome::Damaged, 5},
        {"took twice", WithLineBefore(6, "took 1 Alerter 2 ;"), ReadOutcome::Damaged, 6},
        {"took after the end", strSample + u8"took 1 服务 4 ;\r\n", ReadOutcome::Damaged, 15},
        {"took for a startup value", WithLineBefore(10, "took 2 Tool 1 ;"), ReadOutcome::Damaged, 10},
        {"deleted out of range", WithLine(9, "deleted 2 1 ;"), ReadOutcome::Damaged, 9},
        {"deleted for a start type", WithLineBefore(6, "deleted 1 0 ;"), ReadOutcome::Damaged, 6},
        {"deleted twice", WithLineBefore(10, "deleted 2 0 ;"), ReadOutcome::Damaged, 10},
        {"deleted for an unknown id", WithLine(13, "deleted 4 0 ;"), ReadOutcome::Damaged, 13},
        {"deleted after the end", WithLineBefore(11, "deleted 2 0 ;"), ReadOutcome::Damaged, 11},
        {"end for an unknown id", WithLine(6, "end 3 ;"), ReadOutcome::Damaged, 6},
        {"end twice", WithLineBefore(7, "end 1 ;"), ReadOutcome::Damaged, 7},
        {"undone for an unknown id", WithLine(14, "undone 3 ;"), ReadOutcome::Damaged, 14},
        {"undone twice", strSample + "undone 2 ;\r\n", ReadOutcome::Damaged, 15},
        {"undone before its begin", WithLineBefore(7, "undone 2 ;"), ReadOutcome::Damaged, 7},

        {"record before any begin", WithLineBefore(2, "starttype Alerter 2 4 ;"), ReadOutcome::Damaged, 2},
        {"record after a result", WithLineBefore(6, "starttype Browser 2 4 ;"), ReadOutcome::Damaged, 6},
        {"record after the end", WithLineBefore(7, "starttype Browser 2 4 ;"), ReadOutcome::Damaged, 7},
        {"run value in a start-type entry", WithLineBefore(4, "runvalue HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run Tool 1 - ;"), ReadOutcome::Damaged,
         4},
        {"start type in a startup-value entry", WithLineBefore(9, "starttype Alerter 2 4 ;"), ReadOutcome::Damaged,
         9},
        {"service in a start-type entry",
         WithLineBefore(4, "service Spooler 16 2 1 C:\\x.exe - LocalSystem Print%20Spooler 1 - 0 ;"),
         ReadOutcome::Damaged, 4},
        {"two records of one service", WithLine(4, "starttype Alerter 3 4 ;"), ReadOutcome::Damaged, 4},
        {"duplicate id", WithLine(7, "begin 1 startup-values 2024-05-02%2008:30:00 ;"), ReadOutcome::Damaged, 7},
        {"id going down", WithLine(11, "begin 0 service-removal - ;"), ReadOutcome::Damaged, 11},
        {"id edited to an unknown one", WithLine(7, "begin 3 startup-values 2024-05-02%2008:30:00 ;"),
         ReadOutcome::Damaged, 9},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        std::vector<Entry> entries(2); // whatever was there before goes
        std::string strProblem = "stale";
        ReadOutcome outcome = Parse(c.strText, &entries, &strProblem);
        ASSERT_EQ(static_cast<int>(c.outcome), static_cast<int>(outcome)) << strProblem;
        switch (c.outcome)
        {
        case ReadOutcome::Read:
            EXPECT_EQ("", strProblem);
            break;
        case ReadOutcome::Empty:
            EXPECT_EQ("", strProblem);
            EXPECT_TRUE(entries.empty());
            break;
        case ReadOutcome::Foreign:
            EXPECT_EQ(kForeign, strProblem);
            EXPECT_TRUE(entries.empty());
            break;
        case ReadOutcome::Damaged:
            EXPECT_EQ(Damaged(c.nLine), strProblem);
            EXPECT_TRUE(entries.empty());
            break;
        }
    }
}

// A crash can end the file anywhere: only a cut at the end of a line reads,
// and then as the lines before it; any other is the line it cut.
TEST(ChangeJournalTest, AJournalCutAnywhereIsNeverMisread)
{
    // Short texts, as the file is read again for every cut.
    std::vector<std::wstring> texts = HostileTexts();
    texts.resize(16);
    const std::string strText = FormatJournal(AllKindsWithHostileFields(texts));
    for (size_t nCut = 1; nCut < strText.size(); ++nCut)
    {
        std::string strCut = strText.substr(0, nCut);
        int nLine = 1;
        size_t nLineStart = 0;
        for (size_t i = 0; i < nCut; ++i)
        {
            if (strCut[i] == '\n')
            {
                ++nLine;
                nLineStart = i + 1;
            }
        }
        std::string strLast = strCut.substr(nLineStart);
        if (!strLast.empty() && strLast.back() == '\r')
            strLast.pop_back();
        // Cut where a line of the journal ends, before or inside its CR LF.
        bool bWholeLine = strLast.empty() || strText[nCut] == '\r' || strText[nCut] == '\n';
        std::vector<Entry> read;
        std::string strProblem;
        ReadOutcome outcome = Parse(strCut, &read, &strProblem);
        SCOPED_TRACE(nCut);
        if (bWholeLine)
        {
            ASSERT_EQ(static_cast<int>(ReadOutcome::Read), static_cast<int>(outcome)) << Shown(strLast);
            // What it read is what those lines say: written again, the same.
            std::string strPrefix = strCut.substr(0, nLineStart) + strLast;
            std::string strWritten = FormatJournal(read);
            EXPECT_EQ(strPrefix, strWritten.substr(0, strPrefix.size()));
        }
        else if (nLine == 1)
            ASSERT_EQ(static_cast<int>(ReadOutcome::Foreign), static_cast<int>(outcome));
        else
        {
            ASSERT_EQ(static_cast<int>(ReadOutcome::Damaged), static_cast<int>(outcome)) << Shown(strLast);
            ASSERT_EQ(Damaged(nLine), strProblem);
        }
    }
}

// A journal that just fits: the limit of the file, and one byte more.
TEST(ChangeJournalTest, TextOverFourMegabytesIsNotAJournal)
{
    const std::string strStart =
        FormatHeader() + "begin 1 service-removal - ;\r\nservice S 16 2 1 C:\\s.exe - LocalSystem D 1 ";
    const std::string strClose = " 0 ;\r\n";
    std::string strDescription(kMaxJournalBytes - strStart.size() - strClose.size(), 'A');
    std::string strText = strStart + strDescription + strClose;
    ASSERT_EQ(kMaxJournalBytes, strText.size());
    std::vector<Entry> entries;
    std::string strProblem;
    ASSERT_EQ(ReadOutcome::Read, Parse(strText, &entries, &strProblem)) << strProblem;
    ASSERT_EQ(1u, entries.size());
    ASSERT_EQ(1u, entries[0].services.size());
    EXPECT_EQ(std::wstring(strDescription.size(), L'A'), entries[0].services[0].wstrDescription);

    strText.insert(strStart.size(), "X");
    EXPECT_EQ(ReadOutcome::Foreign, Parse(strText, &entries, &strProblem));
    EXPECT_EQ(kTooLarge, strProblem);
    EXPECT_TRUE(entries.empty());
    // Even when what is over the limit is nothing but more lines.
    EXPECT_EQ(ReadOutcome::Foreign, Parse(Joined(kSample) + std::string(kMaxJournalBytes, '\n'), &entries,
                                          &strProblem));
    EXPECT_EQ(kTooLarge, strProblem);
}

// The file converts an earlier journal's GBK (a narrow literal) to UTF-8
// (natively: the u8 literal) and puts this version's header on it.
TEST(ChangeJournalTest, AnEarlierJournalIsReadOnlyInThisVersionsText)
{
    auto journal = [](const std::string& strName) {
        return std::string(kEarlierHeaderLine) + "\nbegin 1 start-types - ;\nstarttype " + strName + " 3 4 ;\n";
    };
    std::vector<Entry> entries;
    std::string strProblem;
    EXPECT_TRUE(IsEarlierFormat(journal("服务")));
    EXPECT_EQ(ReadOutcome::Damaged, Parse(WithCurrentHeader(journal("服务")), &entries, &strProblem));
    EXPECT_EQ(Damaged(3), strProblem);
    ASSERT_EQ(ReadOutcome::Read, Parse(WithCurrentHeader(journal(u8"服务")), &entries, &strProblem)) << strProblem;
    EXPECT_EQ(L"服务", entries.at(0).startTypes.at(0).wstrName);
    EXPECT_EQ(FormatHeader(), WithCurrentHeader(kEarlierHeaderLine + std::string("\r\n")));
    EXPECT_TRUE(IsEarlierFormat(kEarlierHeaderLine));
    for (const std::string& strText : {FormatHeader(), kEarlierHeaderLine + std::string(" \r\n"),
                                       kEarlierHeaderLine + std::string("X"), std::string(kEarlierHeaderLine, 29)})
        EXPECT_FALSE(IsEarlierFormat(strText)) << strText;
}

TEST(ChangeJournalTest, LastUndoableIsTheNewestNotUndone)
{
    EXPECT_EQ(nullptr, LastUndoable({}));
    std::vector<Entry> entries(4);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].nId = static_cast<uint32_t>(i + 1);
    EXPECT_EQ(&entries[3], LastUndoable(entries));
    // An entry cut off by a crash is still the one to take back.
    entries[3].bComplete = false;
    entries[2].bComplete = true;
    EXPECT_EQ(&entries[3], LastUndoable(entries));
    entries[3].bUndone = true;
    EXPECT_EQ(&entries[2], LastUndoable(entries));
    // Undoing an older one out of turn leaves the newer ones to go first.
    entries[0].bUndone = true;
    EXPECT_EQ(&entries[2], LastUndoable(entries));
    entries[2].bUndone = true;
    entries[1].bUndone = true;
    EXPECT_EQ(nullptr, LastUndoable(entries));
    entries[2].bUndone = false;
    EXPECT_EQ(&entries[2], LastUndoable(entries));
}
} // namespace
