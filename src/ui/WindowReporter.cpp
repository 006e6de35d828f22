#include "ui/WindowReporter.h"

#include "common/AppTexts.h"

ReportAnswer CWindowReporter::Report(ReportKind kind, const std::string& strText)
{
    // The wrapper's notices never had an owner and carry the program's name.
    if (kind == ReportKind::Plain)
    {
        MessageBoxA(nullptr, strText.c_str(), kApplicationTitle, MB_OK);
        return ReportAnswer::Ok;
    }
    UINT nType = MB_OK | MB_ICONEXCLAMATION;
    if (kind == ReportKind::Information)
        nType = MB_OK | MB_ICONINFORMATION;
    else if (kind == ReportKind::Question)
        nType = MB_YESNO | MB_ICONEXCLAMATION;
    int nAnswer = MessageBoxA(m_owner ? m_owner() : nullptr, strText.c_str(), kNoticeCaption, nType);
    if (kind != ReportKind::Question)
        return ReportAnswer::Ok;
    return nAnswer == IDYES ? ReportAnswer::Yes : ReportAnswer::No;
}
