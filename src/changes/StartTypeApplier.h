// Start types, planned and applied: a request becomes a plan against the
// manager's list once, the preview shows that plan, and exactly its
// targets are applied. Each application first notes in the change journal
// what every service had, then changes them and notes what really took.
#pragma once

#include "changes/StartTypeRequest.h"
#include "services/ServiceSession.h"

#include <functional>
#include <string>
#include <vector>

class CJournalFile;
class IReporter;

// One service and the start type a request gives it.
struct StartTypeTarget
{
    std::wstring wstrName; // as the manager lists it
    DWORD dwStartType = 0;
};

// What a request would set, service by service, in the order it sets
// them; each service once, with the value its last record gives.
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
    bool bFromFile = false;
};

// The plan of a request against the manager's list now: only what the
// manager lists as a Win32 service is changed, by the name it lists it
// under. 0, or the listing's error.
DWORD PlanStartTypes(IServiceSession& session, const StartTypeRequest& request, StartTypePlan* pPlan);

class CStartTypeApplier
{
public:
    // Told of each failure that is not silent, with the service's name.
    using FailureReport = std::function<void(const std::wstring& wstrName, DWORD dwError)>;

    // Which failures of single services are told.
    enum class Reporting
    {
        Everything,  // the user picked them: every failure
        ChangesOnly, // a profile: a service that cannot be opened is not installed
        Nothing,     // a file's records fail silently
    };
    static Reporting ReportingFor(const StartTypePlan& plan)
    {
        return plan.bFromFile ? Reporting::Nothing : Reporting::ChangesOnly;
    }

    // Every application is journalled in pJournal first (none when null);
    // a journal that refuses is told to reporter.
    CStartTypeApplier(IServiceSession& session, CJournalFile* pJournal, IReporter& reporter,
                      FailureReport reportFailure);

    // The targets in order. onDone hears of every target, with 0 or the
    // error that stopped it (already reported as the policy says). False
    // when the journal refused: nothing is changed and nobody else is told.
    bool Apply(const std::vector<StartTypeTarget>& targets, Reporting reporting,
               const std::function<void(const std::wstring& wstrName, DWORD dwError)>& onDone = {});

private:
    IServiceSession& m_session;
    CJournalFile* m_pJournal;
    IReporter& m_reporter;
    FailureReport m_reportFailure;
};
