#include "config/ServiceConfigFile.h"

#include "services/ServiceTexts.h"

namespace ServiceConfigFile
{
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
} // namespace ServiceConfigFile
