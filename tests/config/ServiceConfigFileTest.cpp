#include "config/ServiceConfigFile.h"

#include "changes/StartTypeRequest.h"
#include "services/ServiceTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using ServiceConfigFile::ParseRecords;
using ServiceConfigFile::Record;

struct Expected
{
    std::string strName;
    std::string strWord;
    bool bApplicable;
};

void ExpectRecords(const std::string& strData, const std::vector<Expected>& expected)
{
    std::vector<Record> records = ParseRecords(strData);
    ASSERT_EQ(expected.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].strName, records[i].strName);
        EXPECT_EQ(expected[i].strWord, records[i].strWord);
        EXPECT_EQ(expected[i].bApplicable, ServiceConfigFile::IsApplicable(records[i]));
    }
    // The file's request asks for exactly the records it applies, in order.
    std::vector<std::string> applicable, requested;
    for (const Expected& record : expected)
    {
        if (record.bApplicable)
            applicable.push_back(record.strName + "&" + record.strWord);
    }
    StartTypeRequest request = ServiceConfigRequest(strData);
    for (const NamedStartType& target : request.targets)
        requested.push_back(target.strName + "&" + ServiceTexts::StartTypeText(target.dwStartType));
    EXPECT_EQ(applicable, requested);
    EXPECT_TRUE(request.bFromFile);
}

TEST(ServiceConfigFileTest, RecordsAreWrittenWithCrLf)
{
    EXPECT_EQ("Alerter&\xD2\xD1\xBD\xFB\xD3\xC3\r\n", ServiceConfigFile::FormatRecord("Alerter", "已禁用"));
    EXPECT_EQ("VMware NAT Service&自动\r\n", ServiceConfigFile::FormatRecord("VMware NAT Service", "自动"));
    // What the writer writes, the reader reads back.
    std::string strFile = ServiceConfigFile::FormatRecord("A", "手动") + ServiceConfigFile::FormatRecord("B", "未知");
    ExpectRecords(strFile, {{"A", "手动", true}, {"B", "未知", false}});
}

TEST(ServiceConfigFileTest, ReaderRules)
{
    struct Case
    {
        const char* pszWhat;
        std::string strData;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"CR LF", "A&自动\r\nB&手动\r\n", {{"A", "自动", true}, {"B", "手动", true}}},
        {"bare LF", "A&自动\nB&已禁用\n", {{"A", "自动", true}, {"B", "已禁用", true}}},
        {"last line without an end", "A&自动\r\nB&手动", {{"A", "自动", true}, {"B", "手动", true}}},
        {"empty line", "A&自动\r\n\r\nB&手动\r\n", {{"A", "自动", true}, {"", "", false}, {"B", "手动", true}}},
        {"no separator", "Alerter 自动\r\n", {{"", "", false}}},
        {"trailing space", "A&自动 \r\n", {{"A", "自动 ", false}}},
        {"unknown start type", "A&未知\r\n", {{"A", "未知", false}}},
        {"name with spaces", "VMware NAT Service&手动\r\n", {{"VMware NAT Service", "手动", true}}},
        {"second ampersand", "A&B&自动\r\n", {{"A", "B&自动", false}}},
        {"empty name", "&自动\r\n", {{"", "自动", false}}},
        {"two records, in order", "A&自动\r\nA&已禁用\r\n", {{"A", "自动", true}, {"A", "已禁用", true}}},
        // UTF-8 bytes of "自动" are not the GBK word.
        {"UTF-8 file", "A&\xE8\x87\xAA\xE5\x8A\xA8\r\n", {{"A", "\xE8\x87\xAA\xE5\x8A\xA8", false}}},
        {"empty file", "", {}},
        {"lone CR", "A&自动\r", {{"A", "自动", true}}},
        // Cut at the NUL, the name would be another service's.
        {"NUL inside the name", std::string("Alerter\0x&已禁用\r\n", 18),
         {{std::string("Alerter\0x", 9), "已禁用", false}}},
        {"NUL at the end of the name", std::string("Alerter\0&自动\r\n", 15), {{std::string("Alerter\0", 8), "自动", false}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        ExpectRecords(c.strData, c.expected);
    }
}

TEST(ServiceConfigFileTest, LongLinesAndBinaryDataApplyNothing)
{
    std::string strLong = std::string(1 << 20, 'x') + "&" + std::string(1 << 16, 'y');
    ExpectRecords(strLong, {{std::string(1 << 20, 'x'), std::string(1 << 16, 'y'), false}});

    std::string strBinary;
    for (int i = 0; i < 4096; ++i)
        strBinary += static_cast<char>((i * 37 + 11) & 0xFF);
    std::vector<Record> records = ParseRecords(strBinary);
    EXPECT_FALSE(records.empty());
    for (const Record& record : records)
        EXPECT_FALSE(ServiceConfigFile::IsApplicable(record));
}
TEST(ServiceConfigFileTest, LinesNotUnderstoodAndForeignEncodingsAreFound)
{
    using ServiceConfigFile::Encoding;
    const struct
    {
        std::string strData;
        Encoding encoding;
        int nNotUnderstood, nFirst;
    } kCases[] = {
        {"\r\nA&自动\r\n \t\r\n\nB&未知\r\n\r\n", Encoding::Gbk, 0, 0}, // blank lines; the export's own 未知
        {"A&自动\nno separator\n&自动\nB&未定\nC&自动 \n" + std::string("D\0&手动", 6), Encoding::Gbk, 5, 2},
        {"\xEF\xBB\xBF" "A&\xE8\x87\xAA\xE5\x8A\xA8\r\n", Encoding::Utf8, 1, 1},
        {"A&手动\r\nB&\xE8\x87\xAA\xE5\x8A\xA8", Encoding::Utf8, 1, 2}, // no mark, a word in UTF-8
        {std::string("\xFE\xFF\0A\0&\x81\xEA\x52\xA8\0\n", 12), Encoding::Utf16, 1, 1}, // "A&自动\n" big-endian
        {std::string("A\0&\0\xEA\x81\xA8\x52\r\0\n\0B\0", 14), Encoding::Utf16, 2, 1}, // "A&自动\r\nB", no mark
    };
    for (const auto& c : kCases)
    {
        ServiceConfigFile::Findings findings = ServiceConfigFile::Examine(c.strData, ParseRecords(c.strData));
        EXPECT_EQ(c.encoding, findings.encoding) << c.strData;
        EXPECT_EQ(c.nNotUnderstood, findings.nNotUnderstood) << c.strData;
        EXPECT_EQ(c.nFirst, findings.nFirstNotUnderstood) << c.strData;
    }
}
} // namespace
