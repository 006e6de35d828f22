// The change journal's reader on any bytes: it never crashes, a journal it
// reads is written back as text it reads to the same journal, and a
// damaged one is named by a line that exists.
#include "fuzz/FuzzCheck.h"
#include "changes/ChangeJournal.h"

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
