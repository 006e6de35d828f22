#include "changes/UndoPlan.h"

#include "changes/JournalTexts.h"
#include "changes/PreviewText.h"
#include "common/AsciiText.h"
#include "services/ServiceTexts.h"
#include "startup/StartupItemRules.h"

#include <cstdio>

namespace
{
const char* const kDeletedWord = "已删除";
const char* const kRestoreWord = "恢复";
const char* const kNotRestoredWord = "未恢复";
const char* const kPartlyRestoredWord = "部分恢复";
const char* const kLocalSystem = "LocalSystem";
constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2;

std::string Format(const char* pszFormat, const std::string& strA, const std::string& strB = std::string(),
                   const std::string& strC = std::string(), const std::string& strD = std::string(),
                   const std::string& strE = std::string())
{
    // Names come from the journal: long ones must not be cut mid-character.
    std::vector<char> text(strA.size() + strB.size() + strC.size() + strD.size() + strE.size() + 256);
    std::snprintf(text.data(), text.size(), pszFormat, strA.c_str(), strB.c_str(), strC.c_str(), strD.c_str(),
                  strE.c_str());
    return text.data();
}

std::string CodeText(std::uint32_t nCodePoint)
{
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "<U+%04X>", static_cast<unsigned>(nCodePoint));
    return szCode;
}

// Journal texts go into a multi-line box: a line break or a NUL in a
// forged one must show as what it is, not start a line or end the text.
std::string Shown(const std::string& strText)
{
    std::string strShown;
    for (size_t i = 0; i < strText.size(); ++i)
    {
        unsigned char byte = static_cast<unsigned char>(strText[i]);
        unsigned char next = i + 1 < strText.size() ? static_cast<unsigned char>(strText[i + 1]) : 0;
        if (IsGbkLeadByte(strText[i]) && next >= 0x40 && next != 0x7F && next != 0xFF)
        {
            strShown.append(strText, i, 2);
            ++i;
        }
        else if (byte < 0x20 || byte == 0x7F)
        {
            strShown += CodeText(byte);
        }
        else
        {
            strShown += strText[i];
        }
    }
    return strShown;
}

std::string CharacterText(std::uint32_t nCodePoint, const UndoPlan::GbkSpeller& spell);

// A name or text from the journal: each character GBK has as itself, any
// other by its code, so that QmKr<U+AC00> is never mistaken for QmKr?.
std::string Shown(const std::wstring& wstrText, const UndoPlan::GbkSpeller& spell)
{
    std::string strShown;
    for (size_t i = 0; i < wstrText.size(); ++i)
    {
        std::uint32_t nUnit = static_cast<std::uint16_t>(wstrText[i]);
        std::uint32_t nNext = i + 1 < wstrText.size() ? static_cast<std::uint16_t>(wstrText[i + 1]) : 0;
        if (nUnit >= 0xD800 && nUnit < 0xDC00 && nNext >= 0xDC00 && nNext < 0xE000)
        {
            nUnit = 0x10000 + ((nUnit - 0xD800) << 10) + (nNext - 0xDC00);
            ++i;
        }
        strShown += CharacterText(nUnit, spell);
    }
    return strShown;
}

std::string CharacterText(std::uint32_t nCodePoint, const UndoPlan::GbkSpeller& spell)
{
    if (nCodePoint < 0x20 || nCodePoint == 0x7F)
        return CodeText(nCodePoint);
    if (nCodePoint < 0x80)
        return std::string(1, static_cast<char>(nCodePoint));
    std::string strGbk;
    if (spell && spell(nCodePoint, &strGbk))
        return strGbk;
    return CodeText(nCodePoint);
}

// Bytes in hex; past the first 256 only their count, so that megabytes
// planted after a command do not bury the notes.
std::string Hex(const std::string& data)
{
    static const char kDigits[] = "0123456789ABCDEF";
    constexpr size_t kShownBytes = 256;
    std::string strHex;
    for (size_t i = 0; i < data.size() && i < kShownBytes; ++i)
    {
        unsigned char byte = static_cast<unsigned char>(data[i]);
        if (!strHex.empty())
            strHex += ' ';
        strHex += kDigits[byte >> 4];
        strHex += kDigits[byte & 0x0F];
    }
    if (data.size() > kShownBytes)
        strHex += " ...(共 " + std::to_string(data.size()) + " 字节)";
    return strHex;
}

std::string RegistryTypeName(std::uint32_t dwType)
{
    static const char* const kNames[] = {"REG_NONE",  "REG_SZ",   "REG_EXPAND_SZ",       "REG_BINARY",
                                         "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ"};
    if (dwType < sizeof(kNames) / sizeof(kNames[0]))
        return kNames[dwType];
    if (dwType == 11)
        return "REG_QWORD";
    return "类型 " + std::to_string(dwType);
}

// The start type a service will be made with, its code kept where no word fits.
std::string StartTypeWithCode(std::uint32_t dwStartType)
{
    std::string strText = ServiceTexts::StartTypeText(dwStartType);
    if (strText == ServiceTexts::kUnknownStartType)
        strText += "(" + std::to_string(dwStartType) + ")";
    return strText;
}

std::string SummaryText(int nRestores, int nAsBefore, int nLeftAlone)
{
    char szText[200];
    if (nRestores == 0)
        std::snprintf(szText, sizeof(szText), "没有需要恢复的内容,不会做任何更改。(%d 项已是原样,%d 项保留不动)",
                      nAsBefore, nLeftAlone);
    else
        std::snprintf(szText, sizeof(szText), "将恢复 %d 项,%d 项已是原样,%d 项保留不动。", nRestores, nAsBefore,
                      nLeftAlone);
    return szText;
}
} // namespace

namespace UndoPlan
{
std::string RunValueLocation(const ChangeJournal::RunValueRecord& record)
{
    // Either view of the machine's key reads as the machine's, the 32-bit
    // one marked as the startup items window marks it.
    bool bThirtyTwoBit = record.strRoot == "HKLM32";
    return StartupItemRules::LocationText(bThirtyTwoBit || record.strRoot == "HKLM64" ? "HKLM" : record.strRoot,
                                          record.strKey, bThirtyTwoBit);
}

std::string RunValueName(const ChangeJournal::RunValueRecord& record, const GbkSpeller& spell)
{
    return record.wstrName.empty() ? "(默认)" : Shown(record.wstrName, spell);
}

std::string DataText(std::uint32_t dwType, const std::string& data, const GbkSpeller& spell)
{
    if (dwType != kRegSz && dwType != kRegExpandSz)
        return "数据(" + RegistryTypeName(dwType) + ") " + (data.empty() ? std::string("(空)") : Hex(data));
    auto unitAt = [&data](size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[i + 1])) << 8;
    };
    std::string strText = dwType == kRegExpandSz ? "命令(REG_EXPAND_SZ) " : "命令 ";
    size_t i = 0;
    while (i + 1 < data.size())
    {
        std::uint32_t nUnit = unitAt(i);
        i += 2;
        if (nUnit == 0)
            break;
        if (nUnit >= 0xD800 && nUnit < 0xDC00 && i + 1 < data.size() && unitAt(i) >= 0xDC00 && unitAt(i) < 0xE000)
        {
            nUnit = 0x10000 + ((nUnit - 0xD800) << 10) + (unitAt(i) - 0xDC00);
            i += 2;
        }
        strText += CharacterText(nUnit, spell);
    }
    // What runs ends at the first NUL; anything after it is shown apart.
    std::string rest = data.substr(i < data.size() ? i : data.size());
    if (rest.find_first_not_of('\0') != std::string::npos)
        strText += "(其后另有数据 " + Hex(rest) + ")";
    return strText;
}

std::string ServiceTypeText(std::uint32_t dwServiceType)
{
    constexpr std::uint32_t kInteractive = 0x100;
    std::string strText;
    switch (dwServiceType & ~kInteractive)
    {
    case 0x1:
        strText = "内核驱动程序";
        break;
    case 0x2:
        strText = "文件系统驱动程序";
        break;
    case 0x10:
        strText = "独立进程服务";
        break;
    case 0x20:
        strText = "共享进程服务";
        break;
    default:
        strText = "未知(" + std::to_string(dwServiceType) + ")";
        return strText;
    }
    if (dwServiceType & kInteractive)
        strText += "(允许与桌面交互)";
    return strText;
}

Verdict JudgeStartType(const ChangeJournal::StartTypeRecord& record, const CurrentStartType& current,
                       std::string* pstrNote, const GbkSpeller& spell)
{
    if (!current.bInstalled || !current.bKnown)
    {
        *pstrNote = Format("服务 %s 已不存在或无法读取,不能恢复它的启动类型。", Shown(record.wstrName, spell));
        return Verdict::LeftAlone;
    }
    if (current.dwCurrent == record.dwBefore)
        return Verdict::AsBefore;
    // Only a value this program left there goes back; one set since by
    // someone else is theirs.
    std::uint32_t dwOwn = record.bTookKnown ? record.dwTook : record.dwSet;
    if (current.dwCurrent != dwOwn)
    {
        *pstrNote = Format("服务 %s 的启动类型已在别处改为\"%s\",保留不动。", Shown(record.wstrName, spell),
                           ServiceTexts::StartTypeText(current.dwCurrent));
        return Verdict::LeftAlone;
    }
    return Verdict::Restore;
}

Verdict JudgeRunValue(const ChangeJournal::RunValueRecord& record, const CurrentRunValue& current,
                      std::string* pstrNote, const GbkSpeller& spell)
{
    if (!current.bPresent)
        return Verdict::Restore;
    if (current.dwType == record.dwType && current.data == record.data)
        return Verdict::AsBefore;
    *pstrNote = Format("启动项 %s 已在别处重新写入(%s),保留不动。", RunValueName(record, spell),
                       Shown(RunValueLocation(record)));
    return Verdict::LeftAlone;
}

Verdict JudgeService(const ChangeJournal::ServiceRecord& record, const CurrentService& current,
                     std::string* pstrNote, const GbkSpeller& spell)
{
    if (!current.bPresent)
        return Verdict::Restore;
    if (!record.bDeleted)
        return Verdict::AsBefore;
    *pstrNote = Format("服务 %s 已重新存在,不再创建。", Shown(record.wstrName, spell));
    return Verdict::LeftAlone;
}

Plan Make(const ChangeJournal::Entry& entry, const Facts& facts, const std::string& strTitle, const GbkSpeller& spell)
{
    Plan plan;
    PreviewContent& preview = plan.preview;
    preview.strTitle = strTitle;
    int nAsBefore = 0;
    int nLeftAlone = 0;
    if (!entry.bComplete)
        preview.notes.push_back("这次配置没有做完(程序中途结束),只恢复记录下的部分。");
    // Counts what is not restored; true for a record to restore.
    auto judged = [&](Verdict verdict, std::string& strNote) {
        if (verdict == Verdict::AsBefore)
            ++nAsBefore;
        if (verdict == Verdict::LeftAlone)
        {
            ++nLeftAlone;
            preview.notes.push_back(std::move(strNote));
        }
        return verdict == Verdict::Restore;
    };

    for (size_t i = 0; i < entry.startTypes.size() && i < facts.startTypes.size(); ++i)
    {
        const ChangeJournal::StartTypeRecord& record = entry.startTypes[i];
        const CurrentStartType& current = facts.startTypes[i];
        std::string strNote;
        if (!judged(JudgeStartType(record, current, &strNote, spell), strNote))
            continue;
        plan.startTypes.push_back({record.wstrName, record.dwBefore, i});
        PreviewRow row;
        row.strName = Shown(record.wstrName, spell);
        row.strDisplayName = current.strDisplayName.empty() ? row.strName : current.strDisplayName;
        row.strCurrent = ServiceTexts::StartTypeText(current.dwCurrent);
        row.strNew = ServiceTexts::StartTypeText(record.dwBefore);
        row.strHeld = TickRule::HeldReason(TickRule::CKnowledgeHolds::Shared(), record.wstrName, current.bKnown,
                                           current.dwCurrent, record.dwBefore, current.start);
        row.bTicked = row.strHeld.empty();
        preview.rows.push_back(row);
    }

    for (size_t i = 0; i < entry.runValues.size() && i < facts.runValues.size(); ++i)
    {
        const ChangeJournal::RunValueRecord& record = entry.runValues[i];
        std::string strNote;
        if (!judged(JudgeRunValue(record, facts.runValues[i], &strNote, spell), strNote))
            continue;
        plan.runValues.push_back(i);
        PreviewRow row;
        row.strDisplayName = RunValueName(record, spell);
        row.strName = RunValueLocation(record);
        row.strCurrent = kDeletedWord;
        row.strNew = kRestoreWord;
        preview.rows.push_back(row);
        // The list has no room for the whole location or for the command
        // at all; the notes show both in full.
        preview.notes.push_back(Format("将写回启动项 %s:位置 %s,%s。", RunValueName(record, spell),
                                       Shown(RunValueLocation(record)), DataText(record.dwType, record.data, spell)));
    }

    for (size_t i = 0; i < entry.services.size() && i < facts.services.size(); ++i)
    {
        const ChangeJournal::ServiceRecord& record = entry.services[i];
        std::string strNote;
        if (!judged(JudgeService(record, facts.services[i], &strNote, spell), strNote))
            continue;
        plan.services.push_back(i);
        PreviewRow row;
        row.strName = Shown(record.wstrName, spell);
        row.strDisplayName =
            record.wstrDisplayName.empty() ? row.strName : Shown(record.wstrDisplayName, spell);
        row.strCurrent = kDeletedWord;
        row.strNew = std::string("重新创建(") + ServiceTexts::StartTypeText(record.dwStartType) + ")";
        preview.rows.push_back(row);
        // What the service will run, and as whom, is read before it is made;
        // a service hosted by svchost runs its DLL, not the program.
        std::string strProgram = Shown(record.wstrPath, spell);
        std::wstring wstrDll = ServiceDllOf(record);
        if (!wstrDll.empty())
            strProgram += ",服务DLL " + Shown(wstrDll, spell);
        preview.notes.push_back(Format("将重新创建服务 %s:程序 %s,账户 %s,类型 %s,启动类型 %s。",
                                       Shown(record.wstrName, spell), strProgram,
                                       record.wstrAccount.empty() ? kLocalSystem : Shown(record.wstrAccount, spell),
                                       ServiceTypeText(record.dwServiceType), StartTypeWithCode(record.dwStartType)));
    }

    preview.bAnyChange = plan.Any();
    preview.bTickBoxes = true;
    // Rows are the plan's items in order; an unticked one is left alone.
    for (size_t i = 0; i < preview.rows.size(); ++i)
        preview.rows[i].nItem = i;
    const int nRows = static_cast<int>(preview.rows.size());
    preview.summaryFor = [nRows, nAsBefore, nLeftAlone](int nUnticked) {
        return SummaryText(nRows - nUnticked, nAsBefore, nLeftAlone + nUnticked);
    };
    preview.strSummary = PreviewText::SummaryFor(preview, PreviewText::DefaultTicks(preview));
    return plan;
}

Plan KeepTicked(const Plan& plan, const std::vector<bool>& ticked)
{
    Plan kept = plan;
    kept.startTypes.clear();
    kept.runValues.clear();
    kept.services.clear();
    kept.preview.rows.clear();
    size_t nRow = 0;
    auto keep = [&](auto& to, const auto& item) {
        if (nRow < ticked.size() && ticked[nRow])
        {
            to.push_back(item);
            kept.preview.rows.push_back(plan.preview.rows[nRow]);
            kept.preview.rows.back().nItem = kept.preview.rows.size() - 1;
        }
        ++nRow;
    };
    for (const StartTypeRestore& restore : plan.startTypes)
        keep(kept.startTypes, restore);
    for (size_t nIndex : plan.runValues)
        keep(kept.runValues, nIndex);
    for (size_t nIndex : plan.services)
        keep(kept.services, nIndex);
    kept.preview.bAnyChange = kept.Any();
    return kept;
}

std::string StartTypeFailed(const std::wstring& wstrName, const std::string& strError, const GbkSpeller& spell)
{
    return Format("服务 %s 的启动类型未能恢复:%s", Shown(wstrName, spell), strError);
}

std::string RunValueFailed(const ChangeJournal::RunValueRecord& record, const GbkSpeller& spell)
{
    return Format("启动项 %s 无法写回 %s!", RunValueName(record, spell), Shown(RunValueLocation(record)));
}

std::string ServiceFailed(const std::wstring& wstrName, const std::string& strError, const GbkSpeller& spell)
{
    return Format("服务 %s 未能重新创建:%s", Shown(wstrName, spell), strError);
}

std::string ServiceKeyPartly(const std::wstring& wstrName, const std::vector<std::wstring>& items,
                             const GbkSpeller& spell)
{
    std::string strItems;
    for (const std::wstring& wstrItem : items)
    {
        if (!strItems.empty())
            strItems += "、";
        strItems += wstrItem.empty() ? std::string("注册表项") : Shown(wstrItem, spell);
    }
    return Format("服务 %s 已重新创建,但其注册表项中这些未能恢复:%s", Shown(wstrName, spell), strItems);
}

std::wstring ServiceDllOf(const ChangeJournal::ServiceRecord& record)
{
    std::wstring wstrDll;
    for (const wchar_t* pszSubkey : {L"Parameters", L""})
    {
        const KeyValueCopy* pValue = record.key.Find(pszSubkey, L"ServiceDll");
        if (pValue != nullptr && KeyValueText(*pValue, &wstrDll) && !wstrDll.empty())
            return wstrDll;
    }
    return std::wstring();
}

PreviewContent Result(const Plan& plan, const std::vector<Unrestored>& unrestored)
{
    PreviewContent result;
    result.strTitle = plan.preview.strTitle;
    for (const Unrestored& item : unrestored)
    {
        if (item.nRow < plan.preview.rows.size())
        {
            result.rows.push_back(plan.preview.rows[item.nRow]);
            result.rows.back().strNew = item.bPartly ? kPartlyRestoredWord : kNotRestoredWord;
        }
        result.notes.push_back(item.strNote);
    }
    char szCounts[120];
    std::snprintf(szCounts, sizeof(szCounts), "(已恢复 %d 项,%d 项未能恢复,见下方说明)",
                  static_cast<int>(plan.preview.rows.size() - result.rows.size()), static_cast<int>(unrestored.size()));
    result.strSummary = std::string(JournalTexts::kUndoPartly) + szCounts;
    return result;
}
} // namespace UndoPlan
