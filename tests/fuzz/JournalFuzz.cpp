// The change journal's reader on any bytes: it never crashes, a journal it
// reads is written back as text it reads to the same journal, a damaged one
// is named by a line that exists, and nothing it accepts asks for what the
// program never records (checked against rules written out again here).
#include "fuzz/FuzzCheck.h"
#include "changes/ChangeJournal.h"
#include "common/AsciiText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// The 1-based line number in "...(第N行...", or 0 when there is none.
int LineNumberOf(const std::string& strProblem)
{
    const std::string strMark = "\xB5\xDA"; // 第 in GBK
    size_t nAt = strProblem.find(strMark);
    if (nAt == std::string::npos)
        return 0;
    return std::atoi(strProblem.c_str() + nAt + strMark.size());
}

void CheckAsked(const ChangeJournal::Entry& entry)
{
    for (const ChangeJournal::StartTypeRecord& record : entry.startTypes)
    {
        if (record.wstrName.empty() || record.dwBefore > 4 || record.dwSet < 2 || record.dwSet > 4 ||
            (record.bTookKnown && record.dwTook > 4))
            Fail("a start type the program never sets was accepted");
    }
    for (const ChangeJournal::RunValueRecord& record : entry.runValues)
    {
        if ((record.strRoot != "HKLM" && record.strRoot != "HKCU") ||
            AsciiLower(record.strKey) != "software\\microsoft\\windows\\currentversion\\run")
            Fail("a value outside the Run keys was accepted");
        if (record.dwType > 11)
            Fail("a value of an unknown type was accepted");
        if (record.bDataAside ? !record.data.empty() || record.nAsideSize <= ChangeJournal::kInlineDataBytes ||
                                    record.nAsideSize > ChangeJournal::kMaxValueDataBytes
                              : record.data.size() > ChangeJournal::kInlineDataBytes)
            Fail("value data of a size the program never records was accepted");
    }
    for (const ChangeJournal::ServiceRecord& record : entry.services)
    {
        uint32_t dwKind = record.dwServiceType & 0x30;
        if ((dwKind != 0x10 && dwKind != 0x20) || (record.dwServiceType & ~0x1F0u) != 0)
            Fail("a service of a kind the list never shows (a driver) was accepted");
        if (record.dwStartType < 2 || record.dwStartType > 4 || record.dwErrorControl > 3)
            Fail("a service start or error control the program never records was accepted");
        if (record.wstrName.empty() || record.wstrPath.empty())
            Fail("a service without a name or program was accepted");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strText(reinterpret_cast<const char*>(pData), nSize);
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::ReadOutcome outcome = ChangeJournal::Parse(strText, &entries, &strProblem);
    switch (outcome)
    {
    case ChangeJournal::ReadOutcome::Empty:
        if (!strText.empty())
            Fail("text that is not empty read as empty");
        break;
    case ChangeJournal::ReadOutcome::Foreign:
    case ChangeJournal::ReadOutcome::Damaged:
    {
        if (!entries.empty() || strProblem.empty())
            Fail("a refused journal left entries or no problem text");
        int nLine = LineNumberOf(strProblem);
        int nLines = 1;
        for (char ch : strText)
            nLines += ch == '\n' ? 1 : 0;
        if (outcome == ChangeJournal::ReadOutcome::Damaged && nLine != 0 && (nLine < 1 || nLine > nLines))
            Fail("a damaged journal named a line it does not have");
        break;
    }
    case ChangeJournal::ReadOutcome::Read:
    {
        // Written back, it reads as the same journal, and writing that
        // again gives the same text.
        std::string strWritten = ChangeJournal::FormatJournal(entries);
        std::vector<ChangeJournal::Entry> again;
        std::string strAgainProblem;
        if (ChangeJournal::Parse(strWritten, &again, &strAgainProblem) != ChangeJournal::ReadOutcome::Read)
            Fail("a journal written back could not be read");
        if (ChangeJournal::FormatJournal(again) != strWritten)
            Fail("a journal written back reads as another journal");
        if (again.size() != entries.size())
            Fail("entries were lost or made up");
        for (const ChangeJournal::Entry& entry : entries)
            CheckAsked(entry);
        const ChangeJournal::Entry* pLast = ChangeJournal::LastUndoable(entries);
        if (pLast != nullptr && pLast->bUndone)
            Fail("an undone entry was offered for undo");
        for (size_t i = 1; i < entries.size(); ++i)
        {
            if (entries[i].nId <= entries[i - 1].nId)
                Fail("entry ids do not increase");
        }
        break;
    }
    }
    return 0;
}
