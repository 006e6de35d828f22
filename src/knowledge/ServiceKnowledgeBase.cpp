#include "knowledge/ServiceKnowledgeBase.h"

#include "common/AsciiText.h"
#include "knowledge/ServiceAdvice.h"

std::optional<int> ServiceKnowledgeBase::FindByServiceName(const std::string& name)
{
    for (int id = kFirstEntryId; id <= kLastEntryId; ++id)
    {
        if (EqualsNoCaseAscii(ServiceAdvice(Entry(id)).ServiceName(), name))
            return id;
    }
    return std::nullopt;
}
