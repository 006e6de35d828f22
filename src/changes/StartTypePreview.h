// What a start-type change would do, as the preview shows it: the services
// whose start type would change, and for each that would be disabled the
// running services that would stop with it. Portable: the caller reads the
// manager and hands the facts in.
#pragma once

#include "changes/ChangePreview.h"
#include "changes/TickRule.h"
#include "config/ServiceConfigFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One service a request names, with what it has now and would get.
struct PlannedService
{
    std::string strName;
    std::string strDisplayName;
    bool bCurrentKnown = false;
    std::uint32_t dwCurrent = 0;
    std::uint32_t dwNew = 0;
    // Display names of the running services that would stop with it.
    std::vector<std::string> runningDependents;
    // What the registry says of it, where the change disables it or takes
    // it off automatic.
    TickRule::StartFacts start = {};
    // Display names of the automatic services that need it, which would
    // fail at the next start of Windows once it is disabled.
    std::vector<std::string> failingAtStart = {};
};

// Which running services depend on which service: built from each running
// service's own dependencies, so it asks the registry only for those. The
// automatic services that would fail at the next start are found the same
// way, from the automatic services' dependencies.
class CRunningDependents
{
public:
    // A running service by its real name, the text that shows it (its
    // display name, or its name when it has none), and the services it
    // depends on (groups, marked by a leading '+', are not followed).
    void AddRunning(const std::wstring& wstrName, const std::string& strShownName,
                    const std::vector<std::wstring>& dependencies);
    // What shows every running service that needs wstrName, directly or
    // through another running service, each once, in the order found.
    std::vector<std::string> Of(const std::wstring& wstrName) const;

private:
    std::map<std::wstring, std::string> m_displayNames;                // lower-case name -> shown text
    std::map<std::wstring, std::vector<std::wstring>> m_dependentsOf;  // lower-case name -> lower-case names
};

// A service a plan could not change, and why.
struct FailedService
{
    std::string strName;
    std::string strDisplayName;
    std::uint32_t dwNew = 0;
    std::uint32_t dwError = 0;
};

namespace StartTypePreview
{
constexpr const char* kFailuresTitle = "未能更改的服务";
constexpr std::array<const char*, 5> kFailureHeadings = {"显示名称", "服务名称", "错误代码", "新启动类型",
                                                         "错误说明"};
// The window shown after an application in which services failed: one row
// each, with the code and the error table's text for it.
PreviewContent Failures(const std::vector<FailedService>& failed);

// What the request gave that the plan leaves out.
struct Skipped
{
    int nNotInstalled = 0;
    // Drivers the request named, which no start-type request changes.
    std::vector<std::string> drivers;
    // A file's lines not understood, and its encoding.
    ServiceConfigFile::Findings file;
};

// The summary line for the counts; a count of drivers or of lines not
// understood is added only when there are any.
std::string SummaryText(int nChanges, int nUnchanged, const Skipped& skipped);
// Rows for the services whose start type would change, in the order given;
// unchanged ones are counted. What was skipped, other than services not
// installed, is said in the notes too. Each row has a tick box, unticked
// where TickRule holds it; the summary counts the ticked rows as changes
// and the others as unchanged.
PreviewContent Build(const std::string& strTitle, const std::vector<PlannedService>& services,
                     const Skipped& skipped);
} // namespace StartTypePreview
