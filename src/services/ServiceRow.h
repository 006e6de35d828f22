// What one service stands for in the table of services and in a row of the
// service list. Decisions read these values, never the list's display text,
// which is written from them.
#pragma once

#include "services/CommandState.h"
#include "services/ServiceTexts.h"

#include <cstdint>
#include <string>

struct ServiceRow
{
    std::wstring wstrName;        // the real name, which every command uses
    std::wstring wstrDisplayName; // as the manager lists it
    std::string strName;          // GBK, for display ("?" where GBK has no character)
    std::string strDisplayName;   // GBK, for display
    RunState state = RunState::Stopped;
    // Unknown when neither the store nor the manager could say.
    bool bStartTypeKnown = true;
    StartType startType;
    std::uint32_t dwAccepted = 0;
    // The word a run command shows until the next pass says how it went.
    const char* pszPendingWord = nullptr;

    std::string StateText() const
    {
        return pszPendingWord != nullptr ? pszPendingWord : ServiceTexts::RunStateText(state);
    }
    const StartTypeInfo& StartTypeEntry() const
    {
        return ServiceTexts::StartTypeOf(bStartTypeKnown ? startType.dwCode : ServiceTexts::kStartBoot);
    }
    std::string StartTypeText() const { return StartTypeEntry().pszWord; }
    // What the run commands may do for the row, given the controls accepted.
    CommandState Commands(std::uint32_t dwAcceptedNow) const
    {
        return CommandStateFor(state, dwAcceptedNow, bStartTypeKnown, startType.dwCode);
    }
    // The row's icon: the start type's, or the boot one's when unknown.
    int Image() const { return StartTypeEntry().nIndex; }
};
