// Keeps what was reported, in order, and answers every question alike: for
// code that needs only the texts, with no window.
#pragma once

#include "common/Reporter.h"

#include <string>
#include <vector>

class CRecordingReporter : public IReporter
{
public:
    struct Entry
    {
        ReportKind kind;
        std::string strText;
    };

    explicit CRecordingReporter(ReportAnswer answer = ReportAnswer::Yes) : m_answer(answer) {}

    ReportAnswer Report(ReportKind kind, const std::string& strText) override;

    const std::vector<Entry>& Entries() const { return m_entries; }
    std::vector<std::string> Texts() const;
    void SetAnswer(ReportAnswer answer) { m_answer = answer; }
    void Clear() { m_entries.clear(); }

private:
    ReportAnswer m_answer;
    std::vector<Entry> m_entries;
};
