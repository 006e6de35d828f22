// Away from Windows the entries come from the table compiled in.
#include "knowledge/KnowledgeBaseTable.h"
#include "knowledge/ServiceKnowledgeBase.h"

std::string ServiceKnowledgeBase::Entry(int id)
{
    const char* pszText = KnowledgeBaseTable::Text(id);
    return pszText != nullptr ? std::string(pszText) : std::string();
}
