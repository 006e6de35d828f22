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
    // Nothing but spaces, tabs, CRs and NULs: an empty line, or what a
    // UTF-16 line end leaves of the last one.
    bool bBlank = false;
};

// What a file's bytes show of the encoding it was written in.
enum class Encoding
{
    Gbk, // as expected, or nothing says otherwise
    Utf8,
    Utf16,
};

// What the reader makes of a whole file beyond the records it applies.
struct Findings
{
    Encoding encoding = Encoding::Gbk;
    // Lines that are neither blank nor a record the reader takes.
    int nNotUnderstood = 0;
    // The first of them, from 1; 0 when there is none.
    int nFirstNotUnderstood = 0;
};

// One record as written: name, "&", word, CR LF.
std::string FormatRecord(const std::string& strName, const std::string& strWord);

// Every line of the data as a record, in file order. The name is what comes
// before the first "&" and the word everything after it.
std::vector<Record> ParseRecords(const std::string& strData);

// Whether applying the record changes a start type: a name, and one of
// "自动", "手动", "已禁用" exactly.
bool IsApplicable(const Record& record);

// The file's data and the records ParseRecords made of it.
Findings Examine(const std::string& strData, const std::vector<Record>& records);
} // namespace ServiceConfigFile

struct StartTypeRequest;
// What a configuration file's text asks for: the records it applies, in
// file order, and what the reader made of the rest.
StartTypeRequest ServiceConfigRequest(const std::string& strData);
