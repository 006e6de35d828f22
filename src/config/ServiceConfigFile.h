// The .svc format: one record per line, the service's key name, "&" and a
// start-type word, GBK, CR LF as written. Readers also take a bare LF and a
// last line without an end.
#pragma once

#include <string>
#include <vector>

namespace ServiceConfigFile
{
// The wizard's working file.
constexpr const char* kTempConfigPath = "c:\\temp.svc";

struct Record
{
    std::string strName; // empty for a line without "&"
    std::string strWord; // as written, byte for byte
};

// One record as written: name, "&", word, CR LF.
std::string FormatRecord(const std::string& strName, const std::string& strWord);

// Every line of the data as a record, in file order. The name is what comes
// before the first "&" and the word everything after it.
std::vector<Record> ParseRecords(const std::string& strData);

// Whether applying the record changes a start type: a name, and one of
// "自动", "手动", "已禁用" exactly.
bool IsApplicable(const Record& record);
} // namespace ServiceConfigFile
