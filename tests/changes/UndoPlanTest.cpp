#include "changes/UndoPlan.h"

#include <gtest/gtest.h>

namespace
{
using ChangeJournal::Entry;
using UndoPlan::Facts;

constexpr uint32_t kAuto = 2, kManual = 3, kDisabled = 4;

Entry StartTypesEntry(std::vector<ChangeJournal::StartTypeRecord> records)
{
    Entry entry;
    entry.nId = 7;
    entry.kind = ChangeJournal::Kind::StartTypes;
    entry.startTypes = std::move(records);
    entry.bComplete = true;
    return entry;
}

// Spells the characters of wstrKnown as the GBK literal strGbk has them (two bytes each), no others.
UndoPlan::GbkSpeller SpellerOf(const std::wstring& wstrKnown, const std::string& strGbk)
{
    return [=](std::uint32_t nCodePoint, std::string* pstrGbk) {
        size_t nAt = nCodePoint > 0xFFFF ? std::wstring::npos : wstrKnown.find(static_cast<wchar_t>(nCodePoint));
        if (nAt != std::wstring::npos)
            *pstrGbk = strGbk.substr(2 * nAt, 2);
        return nAt != std::wstring::npos;
    };
}

TEST(UndoPlanTest, StartTypesGoBackOnlyWhereThisProgramsValueStillStands)
{
    const struct
    {
        const char* pszCase;
        ChangeJournal::StartTypeRecord record;
        UndoPlan::CurrentStartType current;
        bool bRestored;
        int nNotes;
    } kCases[] = {
        {"took and still there", {L"A", kAuto, kDisabled, true, kDisabled}, {true, true, kDisabled, "甲"}, true, 0},
        {"already back", {L"A", kAuto, kDisabled, true, kDisabled}, {true, true, kAuto, ""}, false, 0},
        {"changed elsewhere", {L"A", kAuto, kDisabled, true, kDisabled}, {true, true, kManual, ""}, false, 1},
        // A crash before the result was written: what was set counts.
        {"took not recorded", {L"A", kAuto, kDisabled, false, 0}, {true, true, kDisabled, ""}, true, 0},
        // The manager kept another value than was asked: that one is ours.
        {"took differs from set", {L"A", kAuto, kDisabled, true, kManual}, {true, true, kManual, ""}, true, 0},
        {"took differs, set there", {L"A", kAuto, kDisabled, true, kManual}, {true, true, kDisabled, ""}, false, 1},
        {"gone", {L"A", kAuto, kDisabled, true, kDisabled}, {false, false, 0, ""}, false, 1},
        {"unreadable", {L"A", kAuto, kDisabled, true, kDisabled}, {true, false, 0, ""}, false, 1},
    };
    for (const auto& test : kCases)
    {
        Facts facts;
        facts.startTypes = {test.current};
        UndoPlan::Plan plan = UndoPlan::Make(StartTypesEntry({test.record}), facts, "撤销上次配置");
        ASSERT_EQ(test.bRestored ? 1u : 0u, plan.startTypes.size()) << test.pszCase;
        EXPECT_EQ(test.bRestored, plan.Any()) << test.pszCase;
        EXPECT_EQ(test.bRestored, plan.preview.bAnyChange) << test.pszCase;
        EXPECT_EQ(static_cast<size_t>(test.nNotes), plan.preview.notes.size()) << test.pszCase;
        if (test.bRestored)
        {
            EXPECT_EQ(test.record.dwBefore, plan.startTypes[0].dwStartType) << test.pszCase;
            ASSERT_EQ(1u, plan.preview.rows.size()) << test.pszCase;
        }
    }
}

TEST(UndoPlanTest, PreviewRowsAndSummaryOfAMixedEntry)
{
    Entry entry = StartTypesEntry({
        {L"Back", kAuto, kDisabled, true, kDisabled},
        {L"Same", kManual, kDisabled, true, kDisabled},
        {L"Theirs", kManual, kDisabled, true, kDisabled},
    });
    Facts facts;
    facts.startTypes = {{true, true, kDisabled, "回来"}, {true, true, kManual, ""}, {true, true, kAuto, ""}};
    UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "撤销上次配置");
    ASSERT_EQ(1u, plan.preview.rows.size());
    const PreviewRow& row = plan.preview.rows[0];
    EXPECT_EQ("回来", row.strDisplayName);
    EXPECT_EQ("Back", row.strName);
    EXPECT_EQ("已禁用", row.strCurrent);
    EXPECT_EQ("自动", row.strNew);
    EXPECT_EQ("撤销上次配置", plan.preview.strTitle);
    EXPECT_EQ("将恢复 1 项,1 项已是原样,1 项保留不动。", plan.preview.strSummary);
    ASSERT_EQ(1u, plan.preview.notes.size());
    EXPECT_NE(std::string::npos, plan.preview.notes[0].find("Theirs"));
    EXPECT_NE(std::string::npos, plan.preview.notes[0].find("自动"));
}

TEST(UndoPlanTest, RunValuesComeBackUnlessSomethingElseIsThereNow)
{
    ChangeJournal::RunValueRecord record{"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Tray",
                                         1, std::string("c\0:\0", 4), true};
    const struct
    {
        const char* pszCase;
        UndoPlan::CurrentRunValue current;
        bool bRestored;
        int nNotes;
    } kCases[] = {
        // The one note says what will be written, in full.
        {"absent", {false, 0, ""}, true, 1},
        {"back exactly", {true, 1, std::string("c\0:\0", 4)}, false, 0},
        {"other bytes", {true, 1, std::string("d\0:\0", 4)}, false, 1},
        {"other type", {true, 2, std::string("c\0:\0", 4)}, false, 1},
    };
    for (const auto& test : kCases)
    {
        Entry entry;
        entry.kind = ChangeJournal::Kind::StartupValues;
        entry.runValues = {record};
        entry.bComplete = true;
        Facts facts;
        facts.runValues = {test.current};
        UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t");
        EXPECT_EQ(test.bRestored ? std::vector<size_t>{0} : std::vector<size_t>{}, plan.runValues) << test.pszCase;
        ASSERT_EQ(static_cast<size_t>(test.nNotes), plan.preview.notes.size()) << test.pszCase;
        if (test.bRestored)
        {
            EXPECT_EQ(0u, plan.preview.notes[0].find("将写回启动项 Tray:")) << plan.preview.notes[0];
        }
    }
}

TEST(UndoPlanTest, DeletedServiceIsMadeAgainOnlyWhenAbsent)
{
    Entry entry;
    entry.kind = ChangeJournal::Kind::ServiceRemoval;
    ChangeJournal::ServiceRecord record;
    record.wstrName = L"QmGone";
    record.wstrDisplayName = L"已删服务";
    record.dwStartType = kManual;
    record.bDeleted = true;
    entry.services = {record};
    entry.bComplete = true;
    for (bool bPresent : {false, true})
    {
        Facts facts;
        facts.services = {{bPresent}};
        UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t", SpellerOf(L"已删服务", "已删服务"));
        EXPECT_EQ(!bPresent, plan.Any());
        EXPECT_EQ(1u, plan.preview.notes.size());
        if (!bPresent)
        {
            ASSERT_EQ(1u, plan.preview.rows.size());
            EXPECT_EQ("已删服务", plan.preview.rows[0].strDisplayName);
            EXPECT_EQ("重新创建(手动)", plan.preview.rows[0].strNew);
        }
        else
        {
            EXPECT_EQ("没有需要恢复的内容,不会做任何更改。(0 项已是原样,1 项保留不动)", plan.preview.strSummary);
        }
    }
}

TEST(UndoPlanTest, AnEntryCutOffSaysSoAndFactsShorterThanTheEntryAreNotReadPast)
{
    Entry entry = StartTypesEntry({{L"A", kAuto, kDisabled, false, 0}, {L"B", kAuto, kDisabled, false, 0}});
    entry.bComplete = false;
    Facts facts;
    facts.startTypes = {{true, true, kDisabled, ""}};
    UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t");
    EXPECT_EQ(1u, plan.startTypes.size());
    ASSERT_FALSE(plan.preview.notes.empty());
    EXPECT_NE(std::string::npos, plan.preview.notes[0].find("没有做完"));
}

// A character GBK lacks is shown by its code, never as "?": QmKr<U+AC00> is
// not the service QmKr?, and the restore goes to the real name.
TEST(UndoPlanTest, CharactersGbkLacksAreShownByTheirCode)
{
    ChangeJournal::ServiceRecord service;
    service.wstrName = L"QmKr\uAC00";
    service.dwServiceType = 0x10;
    service.wstrPath = L"C:\\服务\\\uAC00" + std::wstring{wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDC00)};
    Entry entry = StartTypesEntry(
        {{service.wstrName, kAuto, kDisabled, true, kDisabled}, {L"QmKr?", kAuto, kDisabled, true, kDisabled}});
    entry.services = {service};
    Facts facts;
    facts.startTypes.assign(2, {true, true, kDisabled, ""});
    facts.services = {{false}};
    for (bool bSpeller : {false, true})
    {
        UndoPlan::GbkSpeller spell = bSpeller ? SpellerOf(L"服务", "服务") : UndoPlan::GbkSpeller();
        UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t", spell);
        EXPECT_EQ(service.wstrName, plan.startTypes.at(0).wstrName);
        EXPECT_EQ("QmKr<U+AC00>", plan.preview.rows.at(0).strName);
        EXPECT_EQ("QmKr?", plan.preview.rows.at(1).strName);
        EXPECT_EQ(std::vector<std::string>{"将重新创建服务 QmKr<U+AC00>:程序 C:\\" +
                                           std::string(bSpeller ? "服务" : "<U+670D><U+52A1>") +
                                           "\\<U+AC00><U+1F600><U+DC00>,账户 LocalSystem,类型 独立进程服务,启动类型 未知(0)。"},
                  plan.preview.notes);
        EXPECT_EQ("服务 QmKr<U+AC00> 未能重新创建:e", UndoPlan::ServiceFailed(service.wstrName, "e", spell));
    }
}

// A forged entry must not make a service or a startup command the user
// cannot see: the notes say in full what will run, and as whom.
TEST(UndoPlanTest, NotesShowWhatARestoreWillRunInFull)
{
    const std::string strRun = "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto utf16 = [](std::initializer_list<char16_t> units) {
        std::string bytes;
        for (char16_t unit : units)
            bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        return bytes;
    };
    ChangeJournal::ServiceRecord service;
    service.wstrName = L"QmGone";
    service.dwServiceType = 0x110;
    service.wstrAccount = L".\\admin";
    service.wstrPath = L"C:\\a.exe\r\n账户 LocalSystem";
    auto value = [](uint32_t dwType, std::string data) {
        return ChangeJournal::RunValueRecord{"HKCU", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"T",
                                             dwType, data};
    };
    const struct
    {
        const char* pszCase;
        ChangeJournal::RunValueRecord value;
        std::string strShown;
    } kCases[] = {
        // A line break in a forged path shows as what it is.
        {"service", {}, "将重新创建服务 QmGone:程序 C:\\a.exe<U+000D><U+000A>账户 LocalSystem,账户 .\\admin,"
                        "类型 独立进程服务(允许与桌面交互),启动类型 未知(0)。"},
        {"string", value(1, utf16({'c', ' ', 0x4E2D, 0x0E01, 0xD83D, 0xDE00, 0})), "命令 c 中<U+0E01><U+1F600>"},
        {"more after its end", value(2, utf16({'%', 'A', '%', 0, 'B', 0})),
         "命令(REG_EXPAND_SZ) %A%(其后另有数据 42 00 00 00)"},
        {"odd length", value(1, utf16({'a'}) + "b"), "命令 a(其后另有数据 62)"},
        {"binary", value(3, std::string("\x01\x0A\xFF", 3)), "数据(REG_BINARY) 01 0A FF"},
        // Megabytes planted after the command: the first bytes, and how many.
        {"planted after its end", value(1, utf16({'p', 0}) + std::string(2200000, 'A')),
         "命令 p(其后另有数据 " + [] { std::string s; for (int i = 0; i < 256; ++i) s += i ? " 41" : "41"; return s; }() +
             " ...(共 2200000 字节))"},
        {"empty, of no type known", value(99, ""), "数据(类型 99) (空)"},
    };
    UndoPlan::GbkSpeller spell = SpellerOf(L"中账户", "中账户");
    for (const auto& test : kCases)
    {
        Entry entry;
        entry.bComplete = true;
        Facts facts;
        bool bService = test.value.strRoot.empty();
        entry.services.assign(bService ? 1 : 0, service);
        facts.services.assign(bService ? 1 : 0, {false});
        entry.runValues.assign(bService ? 0 : 1, test.value);
        facts.runValues.assign(bService ? 0 : 1, {});
        UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t", spell);
        std::string strNote = bService ? test.strShown : "将写回启动项 T:位置 " + strRun + "," + test.strShown + "。";
        EXPECT_EQ(std::vector<std::string>{strNote}, plan.preview.notes) << test.pszCase;
    }

    // A service svchost hosts runs the DLL its key names; a key restored in
    // part says which items it lacks.
    service.bKeyRecorded = true;
    service.key.subkeys = {L"Parameters"};
    service.key.values = {{L"Parameters", L"ServiceDll", 2, utf16({'C', ':', '\\', 0x4E2D, '.', 'd', 'l', 'l', 0})}};
    Entry entry;
    entry.bComplete = true;
    entry.services = {service};
    Facts facts;
    facts.services = {{false}};
    UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "t", spell);
    EXPECT_EQ(std::vector<std::string>{"将重新创建服务 QmGone:程序 C:\\a.exe<U+000D><U+000A>账户 LocalSystem,服务DLL C:\\中.dll,"
                                       "账户 .\\admin,类型 独立进程服务(允许与桌面交互),启动类型 未知(0)。"},
              plan.preview.notes);
    std::string strPartly = UndoPlan::ServiceKeyPartly(L"QmGone", {L"Parameters\\ServiceDll", L""}, spell);
    EXPECT_EQ("服务 QmGone 已重新创建,但其注册表项中这些未能恢复:Parameters\\ServiceDll、注册表项", strPartly);
    PreviewContent result = UndoPlan::Result(plan, {{0, strPartly, true}});
    ASSERT_EQ(1u, result.rows.size());
    EXPECT_EQ("部分恢复", result.rows[0].strNew);
}
} // namespace
