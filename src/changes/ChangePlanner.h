// The preview of a start-type plan: what each named service has now, read
// from the manager's store, and which running services depend on those the
// plan would disable.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/ChangePreview.h"
#include "changes/UndoPlan.h"
#include "services/ServiceControl.h"
#include "services/StartTypeApplier.h"

#include <string>

PreviewContent PreviewStartTypePlan(CServiceControl& service, const StartTypePlan& plan, const std::string& strTitle);

// What is there now of everything the entry changed, for UndoPlan::Make.
UndoPlan::Facts ReadUndoFacts(CServiceControl& service, const ChangeJournal::Entry& entry);
