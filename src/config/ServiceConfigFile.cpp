#include "config/ServiceConfigFile.h"

#include "changes/StartTypeRequest.h"
#include "services/ServiceTexts.h"

#include <cstring>

namespace ServiceConfigFile
{
namespace
{
// The three words as UTF-8 writes them: a file holding one is UTF-8.
const char* const kUtf8Words[] = {"\xE8\x87\xAA\xE5\x8A\xA8", "\xE6\x89\x8B\xE5\x8A\xA8",
                                  "\xE5\xB7\xB2\xE7\xA6\x81\xE7\x94\xA8"};

// Export writes "未知" for a start type no request can set, and the reader
// leaves that service as it is, which is all the line asks.
bool IsUnderstood(const Record& record)
{
    if (record.bBlank || IsApplicable(record))
        return true;
    return !record.strName.empty() && record.strName.find('\0') == std::string::npos &&
           record.strWord == ServiceTexts::kUnknownStartType;
}

Encoding EncodingOf(const std::string& strData, const std::vector<Record>& records)
{
    auto startsWith = [&](const char* pszMark) { return strData.compare(0, std::strlen(pszMark), pszMark) == 0; };
    if (startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))
        return Encoding::Utf16;
    // GBK text never holds a zero byte, and UTF-16 without a mark writes one
    // beside the ASCII character a service name starts with.
    if (strData.size() >= 2 && (strData[0] == '\0') != (strData[1] == '\0'))
        return Encoding::Utf16;
    for (const Record& record : records)
    {
        for (const char* pszWord : kUtf8Words)
        {
            if (record.strWord == pszWord)
                return Encoding::Utf8;
        }
    }
    return Encoding::Gbk;
}
} // namespace

std::string FormatRecord(const std::string& strName, const std::string& strWord)
{
    return strName + "&" + strWord + "\r\n";
}

std::vector<Record> ParseRecords(const std::string& strData)
{
    std::vector<Record> records;
    std::string::size_type nStart = 0;
    while (nStart < strData.size())
    {
        std::string::size_type nEnd = strData.find('\n', nStart);
        std::string::size_type nNext = nEnd == std::string::npos ? strData.size() : nEnd + 1;
        if (nEnd == std::string::npos)
            nEnd = strData.size();
        std::string strLine = strData.substr(nStart, nEnd - nStart);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        Record record;
        std::string::size_type nSeparator = strLine.find('&');
        if (nSeparator != std::string::npos)
        {
            record.strName = strLine.substr(0, nSeparator);
            record.strWord = strLine.substr(nSeparator + 1);
        }
        record.bBlank = strLine.find_first_not_of(std::string(" \t\r\0", 4)) == std::string::npos;
        records.push_back(record);
        nStart = nNext;
    }
    return records;
}

bool IsApplicable(const Record& record)
{
    // A name with a NUL in it would reach the manager cut short, as another
    // service's name.
    return !record.strName.empty() && record.strName.find('\0') == std::string::npos &&
           ServiceTexts::IsSettableStartTypeWord(record.strWord);
}

Findings Examine(const std::string& strData, const std::vector<Record>& records)
{
    Findings findings;
    findings.encoding = EncodingOf(strData, records);
    for (size_t i = 0; i < records.size(); ++i)
    {
        if (IsUnderstood(records[i]))
            continue;
        if (findings.nNotUnderstood++ == 0)
            findings.nFirstNotUnderstood = static_cast<int>(i + 1);
    }
    return findings;
}
} // namespace ServiceConfigFile

StartTypeRequest ServiceConfigRequest(const std::string& strData)
{
    StartTypeRequest request;
    std::vector<ServiceConfigFile::Record> records = ServiceConfigFile::ParseRecords(strData);
    for (const ServiceConfigFile::Record& record : records)
    {
        std::uint32_t dwStartType = 0;
        if (ServiceConfigFile::IsApplicable(record) && ServiceTexts::StartTypeFromWord(record.strWord, &dwStartType))
            request.targets.push_back({record.strName, dwStartType});
    }
    request.file = ServiceConfigFile::Examine(strData, records);
    request.bFromFile = true;
    return request;
}
