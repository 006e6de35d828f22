#include "changes/JournalledChange.h"

#include "changes/JournalFile.h"
#include "changes/JournalTexts.h"
#include "common/Reporter.h"

#include <vector>

CJournalledChange::CJournalledChange(CJournalFile* pJournal, IReporter& reporter)
    : m_pJournal(pJournal), m_reporter(reporter)
{
}

CJournalledChange::~CJournalledChange()
{
    End();
}

bool CJournalledChange::Begin(ChangeJournal::Entry* pEntry)
{
    if (m_pJournal == nullptr || (pEntry->startTypes.empty() && pEntry->runValues.empty() && pEntry->services.empty()))
        return true;
    if (!m_pJournal->Begin(pEntry))
    {
        m_reporter.Report(ReportKind::Warning, RefusalText(*m_pJournal));
        return false;
    }
    m_bOpen = true;
    return true;
}

void CJournalledChange::RecordStartTypeTook(const std::wstring& wstrName, DWORD dwTook)
{
    if (m_bOpen)
        m_pJournal->RecordStartTypeTook(wstrName, dwTook);
}

void CJournalledChange::RecordDeleted(size_t nIndex)
{
    if (m_bOpen)
        m_pJournal->RecordDeleted(nIndex);
}

void CJournalledChange::End()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_pJournal->End();
}

std::string CJournalledChange::RefusalText(const CJournalFile& journal)
{
    // Data too large to record is named; a journal this program cannot
    // read is said as such, so the user knows which file stands in the way.
    if (!journal.LastProblem().empty())
        return journal.LastProblem();
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::ReadOutcome outcome = journal.Read(&entries, &strProblem);
    if (outcome == ChangeJournal::ReadOutcome::Foreign || outcome == ChangeJournal::ReadOutcome::Damaged)
        return strProblem + "\n" + journal.Path();
    return JournalTexts::WriteFailed(journal.Path());
}
