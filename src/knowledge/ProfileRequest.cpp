#include "knowledge/ProfileRequest.h"

#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"

StartTypeRequest ProfileRequest(int nProfile)
{
    StartTypeRequest request;
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        request.targets.push_back({advice.ServiceName(), advice.StartTypeCodeFor(nProfile)});
    }
    return request;
}
