// Takes back what an undo plan restores. Each record is looked at again
// just before it is restored and judged as the preview judged it, so that
// what another program changed while the preview was open is left alone.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/UndoPlan.h"
#include "services/ServiceSession.h"

#include <vector>

// The plan's rows that were not restored, each with its note; nothing is
// told on the way, however many fail.
std::vector<UndoPlan::Unrestored> RestoreUndoPlan(IServiceSession& session, const ChangeJournal::Entry& entry,
                                                  const UndoPlan::Plan& plan);
