#include "changes/UndoPlan.h"

#include "changes/JournalTexts.h"
#include "services/ServiceTexts.h"

#include <cstdio>

namespace
{
const char* const kDeletedWord = "已删除";
const char* const kRestoreWord = "恢复";
const char* const kNotRestoredWord = "未恢复";

std::string Format(const char* pszFormat, const std::string& strA, const std::string& strB = std::string())
{
    // Names come from the journal: long ones must not be cut mid-character.
    std::vector<char> text(strA.size() + strB.size() + 256);
    std::snprintf(text.data(), text.size(), pszFormat, strA.c_str(), strB.c_str());
    return text.data();
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
    return record.strRoot + "\\" + record.strKey;
}

std::string RunValueName(const ChangeJournal::RunValueRecord& record)
{
    return record.strName.empty() ? "(默认)" : record.strName;
}

Verdict JudgeStartType(const ChangeJournal::StartTypeRecord& record, const CurrentStartType& current,
                       std::string* pstrNote)
{
    if (!current.bInstalled || !current.bKnown)
    {
        *pstrNote = Format("服务 %s 已不存在或无法读取,不能恢复它的启动类型。", record.strName);
        return Verdict::LeftAlone;
    }
    if (current.dwCurrent == record.dwBefore)
        return Verdict::AsBefore;
    // Only a value this program left there goes back; one set since by
    // someone else is theirs.
    std::uint32_t dwOwn = record.bTookKnown ? record.dwTook : record.dwSet;
    if (current.dwCurrent != dwOwn)
    {
        *pstrNote = Format("服务 %s 的启动类型已在别处改为\"%s\",保留不动。", record.strName,
                           ServiceTexts::StartTypeText(current.dwCurrent));
        return Verdict::LeftAlone;
    }
    return Verdict::Restore;
}

Verdict JudgeRunValue(const ChangeJournal::RunValueRecord& record, const CurrentRunValue& current,
                      std::string* pstrNote)
{
    if (!current.bPresent)
        return Verdict::Restore;
    if (current.dwType == record.dwType && current.data == record.data)
        return Verdict::AsBefore;
    *pstrNote = Format("启动项 %s 已在别处重新写入(%s),保留不动。", RunValueName(record),
                       RunValueLocation(record));
    return Verdict::LeftAlone;
}

Verdict JudgeService(const ChangeJournal::ServiceRecord& record, const CurrentService& current,
                     std::string* pstrNote)
{
    if (!current.bPresent)
        return Verdict::Restore;
    if (!record.bDeleted)
        return Verdict::AsBefore;
    *pstrNote = Format("服务 %s 已重新存在,不再创建。", record.strName);
    return Verdict::LeftAlone;
}

Plan Make(const ChangeJournal::Entry& entry, const Facts& facts, const std::string& strTitle)
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
        if (!judged(JudgeStartType(record, current, &strNote), strNote))
            continue;
        plan.startTypes.push_back({record.strName, record.dwBefore, i});
        PreviewRow row;
        row.strDisplayName = current.strDisplayName.empty() ? record.strName : current.strDisplayName;
        row.strName = record.strName;
        row.strCurrent = ServiceTexts::StartTypeText(current.dwCurrent);
        row.strNew = ServiceTexts::StartTypeText(record.dwBefore);
        preview.rows.push_back(row);
    }

    for (size_t i = 0; i < entry.runValues.size() && i < facts.runValues.size(); ++i)
    {
        const ChangeJournal::RunValueRecord& record = entry.runValues[i];
        std::string strNote;
        if (!judged(JudgeRunValue(record, facts.runValues[i], &strNote), strNote))
            continue;
        plan.runValues.push_back(i);
        PreviewRow row;
        row.strDisplayName = RunValueName(record);
        row.strName = RunValueLocation(record);
        row.strCurrent = kDeletedWord;
        row.strNew = kRestoreWord;
        preview.rows.push_back(row);
    }

    for (size_t i = 0; i < entry.services.size() && i < facts.services.size(); ++i)
    {
        const ChangeJournal::ServiceRecord& record = entry.services[i];
        std::string strNote;
        if (!judged(JudgeService(record, facts.services[i], &strNote), strNote))
            continue;
        plan.services.push_back(i);
        PreviewRow row;
        row.strDisplayName = record.strDisplayName.empty() ? record.strName : record.strDisplayName;
        row.strName = record.strName;
        row.strCurrent = kDeletedWord;
        row.strNew = std::string("重新创建(") + ServiceTexts::StartTypeText(record.dwStartType) + ")";
        preview.rows.push_back(row);
    }

    preview.bAnyChange = plan.Any();
    preview.strSummary = SummaryText(static_cast<int>(preview.rows.size()), nAsBefore, nLeftAlone);
    return plan;
}

std::string StartTypeFailed(const std::string& strName, const std::string& strError)
{
    return Format("服务 %s 的启动类型未能恢复:%s", strName, strError);
}

std::string RunValueFailed(const ChangeJournal::RunValueRecord& record)
{
    return Format("启动项 %s 无法写回 %s!", RunValueName(record), RunValueLocation(record));
}

std::string ServiceFailed(const std::string& strName, const std::string& strError)
{
    return Format("服务 %s 未能重新创建:%s", strName, strError);
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
            result.rows.back().strNew = kNotRestoredWord;
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
