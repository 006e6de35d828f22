#include "StringTableScript.h"

#include "knowledge/KnowledgeBaseTable.h"
#include "knowledge/ServiceKnowledgeBase.h"

namespace StringTableScript
{
bool Quote(const std::string& strText, std::string* pQuoted)
{
    std::string strQuoted = "\"";
    for (char ch : strText)
    {
        const unsigned char byte = static_cast<unsigned char>(ch);
        if (ch == '"')
            strQuoted += "\"\"";
        else if (ch == '\\')
            strQuoted += "\\\\";
        else if (ch == '\n')
            strQuoted += "\\n";
        else if (byte < 0x20 || byte == 0x7F)
            return false;
        else
            strQuoted += ch;
    }
    *pQuoted = strQuoted + "\"";
    return true;
}

bool Write(std::string* pScript, std::string* pstrError)
{
    std::string strScript = "// Written at build time from src/knowledge/KnowledgeBaseTable.cpp.\n"
                            "#pragma code_page(65001)\n"
                            "#include <windows.h>\n"
                            "\n"
                            "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n"
                            "\n"
                            "STRINGTABLE\n"
                            "BEGIN\n";
    for (int id = ServiceKnowledgeBase::kAboutItemId; id <= ServiceKnowledgeBase::kLastQuestionId; ++id)
    {
        const char* pszText = KnowledgeBaseTable::Text(id);
        std::string strQuoted;
        if (pszText == nullptr || *pszText == '\0')
        {
            *pstrError = "string " + std::to_string(id) + " has no text";
            return false;
        }
        if (!Quote(pszText, &strQuoted))
        {
            *pstrError = "string " + std::to_string(id) + " holds a control character";
            return false;
        }
        strScript += "    " + std::to_string(id) + ", " + strQuoted + "\n";
    }
    *pScript = strScript + "END\n";
    return true;
}
} // namespace StringTableScript
