#include "knowledge/WizardSteps.h"

#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/WizardQuestion.h"
#include "services/ServiceTexts.h"

namespace WizardSteps
{
std::string OsMarkerFor(unsigned long dwMajor, unsigned long dwMinor)
{
    // Vista is 6.0 and Windows 7 is 6.1: the minor version alone would ask
    // them the questions of Windows 2000 and XP.
    if (dwMajor != 5)
        return std::string();
    switch (dwMinor)
    {
    case 0:
        return "@";
    case 1:
        return "#";
    case 2:
        return "$";
    default:
        return std::string();
    }
}

int NextQuestion(int nQuestion, const std::string& strMarker)
{
    for (int nId = nQuestion + 1; nId <= ServiceKnowledgeBase::kLastQuestionId; ++nId)
    {
        if (WizardQuestion(ServiceKnowledgeBase::Entry(nId)).AppliesTo(strMarker))
            return nId;
    }
    return 0;
}

int PreviousQuestion(int nQuestion, const std::string& strMarker)
{
    for (int nId = nQuestion - 1; nId >= ServiceKnowledgeBase::kFirstQuestionId; --nId)
    {
        if (WizardQuestion(ServiceKnowledgeBase::Entry(nId)).AppliesTo(strMarker))
            return nId;
    }
    return nQuestion;
}

const char* WordFor(Answer answer)
{
    switch (answer)
    {
    case kAnswerYes:
        return ServiceTexts::kAuto;
    case kAnswerLater:
        return ServiceTexts::kManual;
    default:
        return ServiceTexts::kDisabled;
    }
}
} // namespace WizardSteps
