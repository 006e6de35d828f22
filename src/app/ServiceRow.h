// What one row of the service list stands for. Decisions read this, never
// the list's display text, which is written from it.
#pragma once

#include "services/CommandState.h"
#include "services/ServiceTexts.h"

#include <cstdint>
#include <string>

struct ServiceRow
{
    std::wstring wstrName;      // the real name, which every command uses
    std::string strName;        // GBK, for display ("?" where GBK has no character)
    std::string strDisplayName; // GBK, for display
    std::uint32_t dwState = ServiceTexts::kStateStopped;
    // Unknown when neither the store nor the manager could say.
    bool bStartTypeKnown = true;
    std::uint32_t dwStartType = ServiceTexts::kStartDemand;
    std::uint32_t dwAccepted = 0;
    // The word a run command shows until the next pass says how it went.
    const char* pszPendingWord = nullptr;

    std::string StateText() const
    {
        return pszPendingWord != nullptr ? pszPendingWord : ServiceTexts::RunStateText(dwState);
    }
    std::string StartTypeText() const
    {
        return bStartTypeKnown ? ServiceTexts::StartTypeText(dwStartType) : ServiceTexts::kUnknownStartType;
    }
    // What the run commands may do for the row, given the controls accepted.
    CommandState Commands(std::uint32_t dwAcceptedNow) const
    {
        return CommandStateFor(dwState, dwAcceptedNow, bStartTypeKnown, dwStartType);
    }
    // The row's icon: the start type's, or the boot one's when unknown.
    int Image() const
    {
        return ServiceTexts::StartTypeIndex(bStartTypeKnown ? dwStartType : ServiceTexts::kStartBoot);
    }
};
