// The preview of a start-type plan: what each named service has now, read
// from the manager's store, and which running services depend on those the
// plan would disable.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/ChangePreview.h"
#include "changes/UndoPlan.h"
#include "services/ServiceSession.h"
#include "changes/StartTypeApplier.h"

#include <string>

class CServicePoller;
// Start types come from the poller's store when one is given. Dependencies
// are read only when the plan disables something: those of running
// services (which would stop) and of automatic ones (which would fail at
// the next start); each service key is opened at most once.
PreviewContent PreviewStartTypePlan(IServiceSession& session, const StartTypePlan& plan, const std::string& strTitle,
                                    CServicePoller* pPoller = nullptr);

// What is there now of everything the entry changed, for UndoPlan::Make:
// one enumeration of the manager and at most one registry read per record,
// however many records the entry holds; start types come from the poller's
// store when one is given. 0, or the enumeration's error.
DWORD ReadUndoFacts(IServiceSession& session, const ChangeJournal::Entry& entry, UndoPlan::Facts* pFacts,
                    CServicePoller* pPoller = nullptr);
// The code page's own spelling for the undo preview, never a look-alike.
bool SpellInGbk(std::uint32_t nCodePoint, std::string* pstrGbk);
