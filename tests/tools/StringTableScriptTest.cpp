// The string table is written from the table in the sources; read back as
// the resource compiler reads it, every string must be that table's text.
#include "StringTableScript.h"

#include "knowledge/KnowledgeBaseTable.h"
#include "knowledge/ServiceKnowledgeBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace
{
using KB = ServiceKnowledgeBase;

// The rc string syntax the script uses: doubled quotes, \\ and \n.
testing::AssertionResult Unquote(const std::string& strQuoted, std::string* pText)
{
    if (strQuoted.size() < 2 || strQuoted.front() != '"' || strQuoted.back() != '"')
        return testing::AssertionFailure() << "not quoted: " << strQuoted;
    std::string strText;
    for (std::size_t i = 1; i + 1 < strQuoted.size(); ++i)
    {
        const char ch = strQuoted[i];
        if (ch == '"' || ch == '\\')
        {
            if (i + 2 >= strQuoted.size())
                return testing::AssertionFailure() << "a lone " << ch << " at the end";
            const char next = strQuoted[++i];
            if (ch == '"' && next == '"')
                strText += '"';
            else if (ch == '\\' && next == '\\')
                strText += '\\';
            else if (ch == '\\' && next == 'n')
                strText += '\n';
            else
                return testing::AssertionFailure() << "unknown escape " << ch << next;
        }
        else
        {
            strText += ch;
        }
    }
    *pText = strText;
    return testing::AssertionSuccess();
}

TEST(StringTableScriptTest, QuotesWhatTheResourceCompilerWouldReadOtherwise)
{
    struct Case
    {
        const char* pszText;
        bool bWritten;
        const char* pszQuoted;
    };
    const Case cases[] = {
        {"RpcSs&自动@1#1$1%1^1|", true, "\"RpcSs&自动@1#1$1%1^1|\""},
        {"a\n\nb", true, "\"a\\n\\nb\""},
        {"say \"hi\"", true, "\"say \"\"hi\"\"\""},
        {"c:\\temp.svc", true, "\"c:\\\\temp.svc\""},
        {"", true, "\"\""},
        {"tab\there", false, ""},
        {"cr\r\n", false, ""},
        {"del\x7F", false, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszText);
        std::string strQuoted = "untouched";
        ASSERT_EQ(c.bWritten, StringTableScript::Quote(c.pszText, &strQuoted));
        if (!c.bWritten)
        {
            EXPECT_EQ("untouched", strQuoted);
            continue;
        }
        EXPECT_EQ(c.pszQuoted, strQuoted);
        std::string strBack;
        ASSERT_TRUE(Unquote(strQuoted, &strBack));
        EXPECT_EQ(c.pszText, strBack);
    }
}

TEST(StringTableScriptTest, HoldsEveryStringOfTheTableOnceInOrder)
{
    std::string strScript, strError;
    ASSERT_TRUE(StringTableScript::Write(&strScript, &strError)) << strError;
    EXPECT_NE(std::string::npos, strScript.find("#pragma code_page(65001)\n"));
    EXPECT_NE(std::string::npos, strScript.find("LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n"));

    std::istringstream lines(strScript);
    std::string strLine;
    while (std::getline(lines, strLine) && strLine != "BEGIN")
    {
    }
    int nNextId = KB::kAboutItemId;
    while (std::getline(lines, strLine) && strLine != "END")
    {
        SCOPED_TRACE(strLine);
        const std::string::size_type nComma = strLine.find(", ");
        ASSERT_NE(std::string::npos, nComma);
        ASSERT_EQ(std::to_string(nNextId), strLine.substr(0, nComma).erase(0, strLine.find_first_not_of(' ')));
        std::string strText;
        ASSERT_TRUE(Unquote(strLine.substr(nComma + 2), &strText));
        EXPECT_EQ(KnowledgeBaseTable::Text(nNextId), strText);
        ++nNextId;
    }
    EXPECT_EQ("END", strLine);
    EXPECT_EQ(KB::kLastQuestionId + 1, nNextId);
    EXPECT_FALSE(std::getline(lines, strLine)) << "after END: " << strLine;
}
} // namespace
