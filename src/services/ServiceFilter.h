// Which services a category of the list stands for, as a predicate over the
// values of a service: every one, those in one run state, or those of one
// start type.
#pragma once

#include "services/ServiceRow.h"

#include <cstdint>

struct ServiceFilter
{
    enum class Kind
    {
        All,
        RunState,
        StartType,
        Nothing, // a category this program does not know
    };
    Kind kind = Kind::All;
    RunState runState = RunState::Unknown;
    std::uint32_t dwStartType = 0;

    static ServiceFilter All() { return {}; }
    static ServiceFilter Nothing() { return {Kind::Nothing, RunState::Unknown, 0}; }
    static ServiceFilter OfRunState(RunState state) { return {Kind::RunState, state, 0}; }
    static ServiceFilter OfStartType(std::uint32_t dwCode) { return {Kind::StartType, RunState::Unknown, dwCode}; }

    // A row showing a run command's word until the next pass is in no run
    // state yet; a start type not known is of none.
    bool Passes(const ServiceRow& row) const
    {
        switch (kind)
        {
        case Kind::All:
            return true;
        case Kind::RunState:
            return row.pszPendingWord == nullptr && row.state == runState;
        case Kind::StartType:
            return row.bStartTypeKnown && row.startType.dwCode == dwStartType;
        case Kind::Nothing:
            break;
        }
        return false;
    }
};
