#include "common/RecordingReporter.h"

ReportAnswer CRecordingReporter::Report(ReportKind kind, const std::string& strText)
{
    m_entries.push_back({kind, strText});
    // Only a question can be answered otherwise than with OK.
    if (kind != ReportKind::Question)
        return ReportAnswer::Ok;
    return m_answer;
}

std::vector<std::string> CRecordingReporter::Texts() const
{
    std::vector<std::string> texts;
    for (const Entry& entry : m_entries)
        texts.push_back(entry.strText);
    return texts;
}
