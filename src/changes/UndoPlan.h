// What taking back one journal entry would do, decided from the entry and
// what is there now: start types this program set go back, deleted Run
// values and services come back, and whatever someone else changed since
// is left alone and said so. Portable: the caller reads the machine.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/ChangePreview.h"

#include <cstdint>
#include <string>
#include <vector>

namespace UndoPlan
{
// What is there now, one for each record of the entry, in its order.
struct CurrentStartType
{
    bool bInstalled = false;
    bool bKnown = false; // the start type could be read
    std::uint32_t dwCurrent = 0;
    std::string strDisplayName;
};
struct CurrentRunValue
{
    bool bPresent = false;
    std::uint32_t dwType = 0;
    std::string data;
};
struct CurrentService
{
    bool bPresent = false;
};
struct Facts
{
    std::vector<CurrentStartType> startTypes;
    std::vector<CurrentRunValue> runValues;
    std::vector<CurrentService> services;
};

struct StartTypeRestore
{
    std::string strName;
    std::uint32_t dwStartType = 0;
};

struct Plan
{
    std::vector<StartTypeRestore> startTypes;
    std::vector<size_t> runValues; // indices of the entry's records to write back
    std::vector<size_t> services;  // indices of the entry's services to create
    PreviewContent preview;
    // Something is to be done; when false the entry only needs marking.
    bool Any() const { return !startTypes.empty() || !runValues.empty() || !services.empty(); }
};

// The words the preview and its notes use for the three kinds.
std::string RunValueLocation(const ChangeJournal::RunValueRecord& record);

// facts must hold one item for each record of the entry's kind.
Plan Make(const ChangeJournal::Entry& entry, const Facts& facts, const std::string& strTitle);
} // namespace UndoPlan
