// The .svc reader on any bytes, against a plain reference written here: the
// same records in the same order, formatting a record and reading it gives
// it back, and no record splits a GBK character at its "&".
#include "fuzz/FuzzCheck.h"
#include "config/ServiceConfigFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// Lines end at LF, a CR before it is dropped, a last line without an end
// counts, an empty last piece does not; the name is before the first '&',
// the word after it, and a line without one is an empty record.
std::vector<ServiceConfigFile::Record> Reference(const std::string& strData)
{
    std::vector<ServiceConfigFile::Record> records;
    size_t nStart = 0;
    while (nStart < strData.size())
    {
        size_t nEnd = strData.find('\n', nStart);
        std::string strLine = strData.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        ServiceConfigFile::Record record;
        size_t nAmp = strLine.find('&');
        if (nAmp != std::string::npos)
        {
            record.strName = strLine.substr(0, nAmp);
            record.strWord = strLine.substr(nAmp + 1);
        }
        records.push_back(record);
        if (nEnd == std::string::npos)
            break;
        nStart = nEnd + 1;
    }
    return records;
}
// Whole GBK: ASCII, or a lead byte 0x81-0xFE with a trail 0x40-0xFE
// other than 0x7F.
bool IsWholeGbk(const std::string& str)
{
    for (size_t i = 0; i < str.size(); ++i)
    {
        unsigned char ch = static_cast<unsigned char>(str[i]);
        if (ch < 0x80)
            continue;
        if (ch == 0x80 || ch == 0xFF || i + 1 >= str.size())
            return false;
        unsigned char chTrail = static_cast<unsigned char>(str[++i]);
        if (chTrail < 0x40 || chTrail == 0x7F || chTrail == 0xFF)
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strData(reinterpret_cast<const char*>(pData), nSize);
    std::vector<ServiceConfigFile::Record> records = ServiceConfigFile::ParseRecords(strData);
    std::vector<ServiceConfigFile::Record> expected = Reference(strData);
    if (records.size() != expected.size())
        Fail("another number of records than the reference");
    for (size_t i = 0; i < records.size(); ++i)
    {
        if (records[i].strName != expected[i].strName || records[i].strWord != expected[i].strWord)
            Fail("a record differs from the reference");
        const ServiceConfigFile::Record& record = records[i];
        if (record.strName.empty() || record.strName.find_first_of("\r\n") != std::string::npos ||
            record.strWord.find_first_of("\r\n") != std::string::npos)
            continue;
        std::vector<ServiceConfigFile::Record> back =
            ServiceConfigFile::ParseRecords(ServiceConfigFile::FormatRecord(record.strName, record.strWord));
        if (back.size() != 1 || back[0].strName != record.strName || back[0].strWord != record.strWord)
            Fail("a record formatted and read again is another record");
        // The "&" never falls inside a double-byte character: a record of
        // whole GBK has a name and a word of whole GBK.
        if (IsWholeGbk(record.strName + "&" + record.strWord) &&
            (!IsWholeGbk(record.strName) || !IsWholeGbk(record.strWord)))
            Fail("a GBK character was split at the separator");
    }
    return 0;
}
