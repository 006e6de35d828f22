// What a preview window shows: one row for each thing a change would do,
// and a summary. Portable: filled by the code that plans the change.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct PreviewRow
{
    std::string strDisplayName;
    std::string strName;
    std::string strCurrent; // e.g. "自动"
    std::string strNew;     // e.g. "已禁用"
    // Display names of running services that depend on this one.
    std::vector<std::string> runningDependents;
    // The change would stop running dependents; the row is marked.
    bool bMarked = false;
    // Display names of automatic services that need this one and would
    // fail at the next start of Windows once it is disabled.
    std::vector<std::string> failingAtStart;
    // Whether the row's tick box starts ticked, and why not ("" when it is).
    bool bTicked = true;
    std::string strHeld;
    // Which of the planned items (targets, records) the row shows.
    std::size_t nItem = 0;
};

struct PreviewContent
{
    std::string strTitle;   // the window's title
    std::vector<PreviewRow> rows;
    std::string strSummary; // the counts line
    // Lines shown under the list, e.g. what will be left alone.
    std::vector<std::string> notes;
    // False when nothing would change: the window says so and "应用" is off.
    bool bAnyChange = false;
    // The list's headings when the window shows something else than a
    // change of start types (what failed, say); null for those.
    const std::array<const char*, 5>* pHeadings = nullptr;
    // Each row has a tick box, and only ticked rows are applied.
    bool bTickBoxes = false;
    // The summary again when the user has unticked that many rows; none
    // keeps strSummary whatever is ticked.
    std::function<std::string(int nUnticked)> summaryFor;
};
