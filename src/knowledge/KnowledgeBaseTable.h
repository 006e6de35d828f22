// The knowledge base's texts as they are written in the sources, one per id
// of the string table. The native build reads them from here; the Windows
// build's string table is generated from them, and a test holds the built
// program's strings to them byte for byte.
#pragma once

namespace KnowledgeBaseTable
{
// The text stored under an id, or nullptr for an id without one.
const char* Text(int id);
} // namespace KnowledgeBaseTable
