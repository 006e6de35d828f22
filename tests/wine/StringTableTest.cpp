// The built program's string table against the table in the sources: the
// same strings, byte for byte as GBK, in the language the table is written
// in, and read by the program from there, not from a copy of its own.
#include "knowledge/KnowledgeBaseTable.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/StringResource.h"
#include "support/TestFiles.h"
#include "support/TestServices.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
using KB = ServiceKnowledgeBase;

std::string ProgramPath()
{
    std::string strPath = CTestService::TestBedPath();
    return strPath.erase(strPath.find_last_of('\\') + 1) + "quillmere.exe";
}

// The built program, loaded for its resources only.
class StringTableTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_hProgram = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_hProgram) << ProgramPath() << ": " << GetLastError();
    }
    void TearDown() override
    {
        if (m_hProgram != nullptr)
            FreeLibrary(m_hProgram);
    }

    HMODULE m_hProgram = nullptr;
};

std::size_t LongestText()
{
    std::size_t nLongest = 0;
    for (int id = KB::kAboutItemId; id <= KB::kLastQuestionId; ++id)
        nLongest = std::max(nLongest, std::strlen(KnowledgeBaseTable::Text(id)));
    return nLongest;
}

TEST_F(StringTableTest, ProgramHoldsTheTableByteForByte)
{
    // Room for twice the longest text, so a longer string would show.
    const std::size_t nLongest = LongestText();
    ASSERT_GT(nLongest, 100u);
    std::vector<char> buffer(2 * nLongest + 2);
    for (int id = KB::kAboutItemId; id <= KB::kLastQuestionId; ++id)
    {
        SCOPED_TRACE(id);
        const int nLength = LoadStringA(m_hProgram, id, buffer.data(), static_cast<int>(buffer.size()));
        EXPECT_EQ(KnowledgeBaseTable::Text(id), std::string(buffer.data(), nLength > 0 ? nLength : 0));
        EXPECT_EQ(KnowledgeBaseTable::Text(id), GbkStringResource(m_hProgram, id));
        EXPECT_NE(nullptr, FindResourceExA(m_hProgram, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1),
                                           MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)));
    }
    // Nothing else shares the blocks of the first and the last string.
    for (int id : {96, 97, 98, 99, 100, 229, 230, 239})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, LoadStringA(m_hProgram, id, buffer.data(), static_cast<int>(buffer.size())));
        EXPECT_EQ("", GbkStringResource(m_hProgram, id));
    }
    for (int id : {-1, 0, 1, 1000, 0x10000})
        EXPECT_EQ("", GbkStringResource(m_hProgram, id)) << id;
}

// The program reads the entries from its string table: its file holds them
// only there, as UTF-16, and no GBK copy of any entry or question.
TEST_F(StringTableTest, ProgramCarriesNoCopyOfItsOwn)
{
    const std::string strProgram = ReadFileText(ProgramPath());
    ASSERT_GT(strProgram.size(), 100000u);
    for (int id = KB::kFirstEntryId; id <= KB::kLastQuestionId; ++id)
    {
        if (id >= KB::kFirstReservedId && id <= KB::kLastReservedId)
            continue;
        EXPECT_EQ(std::string::npos, strProgram.find(KnowledgeBaseTable::Text(id))) << id;
    }
    // While a UTF-16 string of the table is there.
    const std::wstring strWide = L"RpcSs&";
    EXPECT_NE(std::string::npos,
              strProgram.find(std::string(reinterpret_cast<const char*>(strWide.data()), strWide.size() * 2)));
}

// This test program links the same string table, as every program of the
// build does, and the knowledge base answers from it.
TEST(KnowledgeBaseOnWindowsTest, EntriesComeFromTheStringTable)
{
    for (int id = KB::kAboutItemId; id <= KB::kLastQuestionId; ++id)
        EXPECT_EQ(KnowledgeBaseTable::Text(id), KB::Entry(id)) << id;
    EXPECT_EQ("", KB::Entry(KB::kAboutItemId - 1));
    EXPECT_EQ("", KB::Entry(KB::kLastQuestionId + 1));
}
} // namespace
