// On Windows the entries are the program's own string table, generated
// from KnowledgeBaseTable at build time.
#include "knowledge/ServiceKnowledgeBase.h"

#include "knowledge/StringResource.h"

std::string ServiceKnowledgeBase::Entry(int id)
{
    return GbkStringResource(GetModuleHandleA(nullptr), id);
}
