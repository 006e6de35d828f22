// Runs start-type requests against the service manager: chosen services, a
// profile of the knowledge base, or a configuration file's records. Each
// application first notes in the change journal what every service had,
// then changes them and notes what really took.
#pragma once

#include "config/ServiceConfigFile.h"
#include "services/ApplyRequest.h"
#include "services/ServiceSession.h"

#include <functional>
#include <string>
#include <vector>

class CJournalFile;

// One service and the start type a request gives it.
struct StartTypeTarget
{
    std::wstring wstrName; // as the manager lists it
    DWORD dwStartType = 0;
};

// What a profile or a file would set, service by service, in the order it
// sets them; each service once, with the value its last record gives.
struct StartTypePlan
{
    std::vector<StartTypeTarget> targets;
    // Services the request names that the manager does not know.
    int nNotInstalled = 0;
    // The manager's list the plan was made against.
    std::vector<EnumeratedService> services;
    // Names the request gives that the manager knows as drivers, which no
    // start-type request changes; each once, as first written (GBK).
    std::vector<std::string> drivers;
    // A file's lines the reader does not take, and its encoding.
    ServiceConfigFile::Findings file;
};

class CStartTypeApplier
{
public:
    // Told of each failure that is not silent, with the service's name.
    using FailureReport = std::function<void(const std::wstring& wstrName, DWORD dwError)>;

    enum class Outcome
    {
        Applied,
        Unreadable,    // not a file that can be read, or far too large
        NotListed,     // the manager's list could not be had (reported)
        JournalFailed, // the journal could not be written; nothing changed
    };
    using FileOutcome = Outcome;

    // Which failures of single services are told.
    enum class Reporting
    {
        Everything,     // the user picked them: every failure
        ChangesOnly,    // a profile: a service that cannot be opened is not installed
        Nothing,        // a file's records fail silently
    };

    CStartTypeApplier(IServiceSession& session, FailureReport reportFailure);

    // Every application is journalled there first; none when not set.
    void SetJournal(CJournalFile* pJournal) { m_pJournal = pJournal; }

    // The services a profile or a file request would change, without
    // changing anything. The row modes name their services themselves.
    Outcome Plan(const ApplyRequest& request, StartTypePlan* pPlan);

    // The targets in order. onDone hears of every target, with 0 or the
    // error that stopped it (already reported as the policy says), unless
    // the journal failed, when nothing is changed and nobody is told.
    Outcome Apply(const std::vector<StartTypeTarget>& targets, Reporting reporting,
                  const std::function<void(const std::wstring& wstrName, DWORD dwError)>& onDone = {});

    // One service to a start type code; 0 or the error, already reported.
    DWORD ApplyToService(const std::wstring& wstrName, DWORD dwStartType);
    // The profile's start type for every installed service of the
    // knowledge base; one not installed is skipped without a word.
    Outcome ApplyProfile(int nProfile);
    // The request's file or text: later records override earlier ones,
    // only Win32 services the manager lists now are changed (as export
    // writes them), and failures of single records are silent.
    Outcome ApplyFile(const ApplyRequest& request);

private:
    // Counts the names not listed as Win32 services: drivers, or not installed.
    void ClassifyMissing(const std::vector<std::wstring>& missing, StartTypePlan* pPlan);

    IServiceSession& m_session;
    FailureReport m_reportFailure;
    CJournalFile* m_pJournal = nullptr;
};
