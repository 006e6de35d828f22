#include "changes/ChangeJournal.h"

#include "common/AsciiText.h"
#include "common/WideText.h"
#include "startup/StartupItemRules.h"

#include <algorithm>
#include <cstdio>

// The format, one line each, fields parted by one space, every line but the
// first closed by a last field ";" so that a line cut short anywhere is
// never read as a shorter valid one; lines end in CR LF (a bare LF and a
// last line without an end are read as well):
//
//   Quillmere change journal 2 UTF-8
//   begin <id> start-types|startup-values|service-removal <when> ;
//   starttype <name> <before> <set> ;
//   runvalue <root> <key> <name> <type> <data> ;
//   service <name> <type> <start> <error> <path> <group> <account> <display>
//           <has description 0|1> <description> <n> <dependency>... ;
//   servicekey <subkey> ;
//   servicevalue <subkey> <value name> <type> <data> ;
//   took <id> <name> <took> ;
//   deleted <id> <index> ;
//   end <id> ;
//   undone <id> ;
//
// Record lines follow their begin line directly. A service's key follows
// its service line: "servicekey -" for the key itself, then each key below
// it after the key it lies in, then its values, each in a key named above. Texts: "-" is the empty
// text; bytes below 0x21, 0x7F and '%' are written %XX (upper-case hex), as
// is a text that is just "-" ("%2D"); every other byte, UTF-8 included, as it
// is. Only that one spelling of each text is read. Data: upper-case hex, "-"
// when empty, or "@<size>:<checksum>" (decimal, 16 upper-case hex digits)
// for data kept in a file beside the journal. Numbers: decimal without
// sign or leading zeros, 32 bits.
//
// A record that asks for what this program never records (a driver, a
// boot start, a value outside the Run keys, a key that says otherwise than
// its service line) makes the journal damaged.
namespace ChangeJournal
{
namespace
{
const char kHeaderLine[] = "Quillmere change journal 2 UTF-8";
const char kLineEnd[] = "\r\n";
const char kLineClose[] = ";";

const char kForeignProblem[] = "更改记录文件格式不符(不是本程序的记录或版本不同),未做任何更改!";

std::string DamagedProblem(size_t nLine)
{
    return "更改记录文件已损坏(第" + std::to_string(nLine) + "行无法识别),未做任何更改!";
}

const char* KindWord(Kind kind)
{
    switch (kind)
    {
    case Kind::StartTypes:
        return "start-types";
    case Kind::StartupValues:
        return "startup-values";
    case Kind::ServiceRemoval:
        return "service-removal";
    }
    return "?";
}

bool ParseKind(const std::string& strWord, Kind* pKind)
{
    for (Kind kind : {Kind::StartTypes, Kind::StartupValues, Kind::ServiceRemoval})
    {
        if (strWord == KindWord(kind))
        {
            *pKind = kind;
            return true;
        }
    }
    return false;
}

bool MustEscape(unsigned char ch)
{
    return ch < 0x21 || ch == 0x7F || ch == '%';
}

const char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1; // lower case too: only one spelling is read
}

std::string EscapeText(const std::string& strText)
{
    if (strText.empty())
        return "-";
    if (strText == "-")
        return "%2D";
    std::string strField;
    for (char ch : strText)
    {
        unsigned char byte = static_cast<unsigned char>(ch);
        if (MustEscape(byte))
        {
            strField += '%';
            strField += kHexDigits[byte >> 4];
            strField += kHexDigits[byte & 0x0F];
        }
        else
            strField += ch;
    }
    return strField;
}

bool UnescapeText(const std::string& strField, std::string* pstrText)
{
    pstrText->clear();
    if (strField == "-")
        return true;
    if (strField == "%2D")
    {
        *pstrText = "-";
        return true;
    }
    if (strField.empty())
        return false;
    for (size_t i = 0; i < strField.size(); ++i)
    {
        unsigned char byte = static_cast<unsigned char>(strField[i]);
        if (byte == '%')
        {
            if (i + 2 >= strField.size())
                return false;
            int nHigh = HexValue(strField[i + 1]);
            int nLow = HexValue(strField[i + 2]);
            if (nHigh < 0 || nLow < 0)
                return false;
            unsigned char decoded = static_cast<unsigned char>(nHigh * 16 + nLow);
            // A byte that needs no escape written as one is not how this
            // program writes it.
            if (!MustEscape(decoded))
                return false;
            *pstrText += static_cast<char>(decoded);
            i += 2;
        }
        else if (MustEscape(byte))
            return false;
        else
            *pstrText += static_cast<char>(byte);
    }
    return true;
}

// Names and texts: their UTF-8, escaped as above; text that is no UTF-8
// is not read.
std::string EscapeText(const std::wstring& wstrText)
{
    return EscapeText(Utf8FromWide(wstrText));
}

bool UnescapeText(const std::string& strField, std::wstring* pwstrText)
{
    std::string strText;
    return UnescapeText(strField, &strText) && WideFromUtf8(strText, pwstrText);
}

std::string HexData(const std::string& data)
{
    if (data.empty())
        return "-";
    std::string strField;
    for (char ch : data)
    {
        unsigned char byte = static_cast<unsigned char>(ch);
        strField += kHexDigits[byte >> 4];
        strField += kHexDigits[byte & 0x0F];
    }
    return strField;
}

bool ParseHexData(const std::string& strField, std::string* pData)
{
    pData->clear();
    if (strField == "-")
        return true;
    if (strField.empty() || strField.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < strField.size(); i += 2)
    {
        int nHigh = HexValue(strField[i]);
        int nLow = HexValue(strField[i + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        *pData += static_cast<char>(nHigh * 16 + nLow);
    }
    return true;
}

std::string Number(uint64_t nValue)
{
    return std::to_string(nValue);
}

std::string AsideData(uint64_t nSize, uint64_t nChecksum)
{
    char szChecksum[17];
    std::snprintf(szChecksum, sizeof(szChecksum), "%016llX", static_cast<unsigned long long>(nChecksum));
    return "@" + Number(nSize) + ":" + szChecksum;
}

bool ParseNumber(const std::string& strField, uint32_t* pnValue)
{
    if (strField.empty() || strField.size() > 10 || (strField.size() > 1 && strField[0] == '0'))
        return false;
    uint64_t nValue = 0;
    for (char ch : strField)
    {
        if (ch < '0' || ch > '9')
            return false;
        nValue = nValue * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (nValue > 0xFFFFFFFFull)
        return false;
    *pnValue = static_cast<uint32_t>(nValue);
    return true;
}

// "@<size>:<checksum>", in its one spelling.
bool ParseAsideData(const std::string& strField, uint64_t* pnSize, uint64_t* pnChecksum)
{
    size_t nColon = strField.find(':');
    if (strField.size() < 2 || strField[0] != '@' || nColon == std::string::npos ||
        strField.size() - nColon - 1 != 16)
        return false;
    uint32_t nSize = 0;
    if (!ParseNumber(strField.substr(1, nColon - 1), &nSize))
        return false;
    uint64_t nChecksum = 0;
    for (size_t i = nColon + 1; i < strField.size(); ++i)
    {
        int nDigit = HexValue(strField[i]);
        if (nDigit < 0)
            return false;
        nChecksum = nChecksum * 16 + static_cast<uint64_t>(nDigit);
    }
    // Only data too long to stand in the line is kept aside.
    if (nSize <= kInlineDataBytes || nSize > kMaxValueDataBytes)
        return false;
    *pnSize = nSize;
    *pnChecksum = nChecksum;
    return true;
}

std::string Flag(bool bValue)
{
    return bValue ? "1" : "0";
}

bool ParseFlag(const std::string& strField, bool* pbValue)
{
    if (strField != "0" && strField != "1")
        return false;
    *pbValue = strField == "1";
    return true;
}

std::string Line(const std::vector<std::string>& fields)
{
    std::string strLine;
    for (const std::string& strField : fields)
    {
        strLine += strField;
        strLine += ' ';
    }
    return strLine + kLineClose + kLineEnd;
}

std::string FormatStartType(const StartTypeRecord& record)
{
    return Line({"starttype", EscapeText(record.wstrName), Number(record.dwBefore), Number(record.dwSet)});
}

std::string FormatRunValue(const RunValueRecord& record)
{
    return Line({"runvalue", EscapeText(record.strRoot), EscapeText(record.strKey), EscapeText(record.wstrName),
                 Number(record.dwType),
                 record.bDataAside ? AsideData(record.nAsideSize, record.nAsideChecksum) : HexData(record.data)});
}

std::string FormatService(const ServiceRecord& record)
{
    std::vector<std::string> fields = {"service",
                                       EscapeText(record.wstrName),
                                       Number(record.dwServiceType),
                                       Number(record.dwStartType),
                                       Number(record.dwErrorControl),
                                       EscapeText(record.wstrPath),
                                       EscapeText(record.wstrLoadOrderGroup),
                                       EscapeText(record.wstrAccount),
                                       EscapeText(record.wstrDisplayName),
                                       Flag(record.bHasDescription),
                                       EscapeText(record.wstrDescription),
                                       Number(record.dependencies.size())};
    for (const std::wstring& wstrDependency : record.dependencies)
        fields.push_back(EscapeText(wstrDependency));
    std::string strLines = Line(fields);
    if (!record.bKeyRecorded)
        return strLines;
    strLines += Line({"servicekey", "-"});
    for (const std::wstring& wstrSubkey : record.key.subkeys)
        strLines += Line({"servicekey", EscapeText(wstrSubkey)});
    for (const KeyValueCopy& value : record.key.values)
        strLines += Line({"servicevalue", EscapeText(value.wstrSubkey), EscapeText(value.wstrName),
                          Number(value.dwType), HexData(value.data)});
    return strLines;
}

// A path of keys below a service's key: parts that are not empty.
bool IsSubkeyPath(const std::wstring& wstrPath)
{
    return !wstrPath.empty() && wstrPath.front() != L'\\' && wstrPath.back() != L'\\' &&
           wstrPath.find(L"\\\\") == std::wstring::npos;
}

std::wstring ParentOf(const std::wstring& wstrPath)
{
    size_t nSlash = wstrPath.rfind(L'\\');
    return nSlash == std::wstring::npos ? std::wstring() : wstrPath.substr(0, nSlash);
}

// Reads the lines after the header, one at a time.
class CParser
{
public:
    explicit CParser(std::vector<Entry>* pEntries) : m_entries(*pEntries) {}

    // False when the line is not understood.
    bool Line(const std::string& strLine)
    {
        std::vector<std::string> fields;
        size_t nStart = 0;
        for (;;)
        {
            size_t nSpace = strLine.find(' ', nStart);
            if (nSpace == std::string::npos)
            {
                fields.push_back(strLine.substr(nStart));
                break;
            }
            fields.push_back(strLine.substr(nStart, nSpace - nStart));
            nStart = nSpace + 1;
        }
        if (fields.size() < 2 || fields.back() != kLineClose)
            return false;
        fields.pop_back();
        const std::string& strKeyword = fields[0];
        bool bRecord = strKeyword == "starttype" || strKeyword == "runvalue" || strKeyword == "service" ||
                       strKeyword == "servicekey" || strKeyword == "servicevalue";
        // Records belong to the begin line right above them.
        if (!bRecord)
            m_bRecordsOpen = false;
        if (strKeyword == "begin")
            return Begin(fields);
        if (bRecord)
        {
            if (!m_bRecordsOpen)
                return false;
            if (strKeyword == "starttype")
                return StartType(fields);
            if (strKeyword == "runvalue")
                return RunValue(fields);
            if (strKeyword == "servicekey")
                return ServiceKey(fields);
            if (strKeyword == "servicevalue")
                return ServiceValue(fields);
            return Service(fields);
        }
        if (strKeyword == "took")
            return Took(fields);
        if (strKeyword == "deleted")
            return Deleted(fields);
        if (strKeyword == "end")
            return End(fields);
        if (strKeyword == "undone")
            return Undone(fields);
        return false;
    }

private:
    using Fields = std::vector<std::string>;

    // The entry with that id, or nullptr.
    Entry* Find(const std::string& strId)
    {
        uint32_t nId = 0;
        if (!ParseNumber(strId, &nId))
            return nullptr;
        auto it = std::lower_bound(m_entries.begin(), m_entries.end(), nId,
                                   [](const Entry& entry, uint32_t n) { return entry.nId < n; });
        return it != m_entries.end() && it->nId == nId ? &*it : nullptr;
    }

    bool Begin(const Fields& fields)
    {
        Entry entry;
        std::wstring wstrWhen; // every text of the file is UTF-8, the time too
        if (fields.size() != 4 || !ParseNumber(fields[1], &entry.nId) || !ParseKind(fields[2], &entry.kind) ||
            !UnescapeText(fields[3], &wstrWhen))
            return false;
        entry.strWhen = Utf8FromWide(wstrWhen);
        if (!m_entries.empty() && entry.nId <= m_entries.back().nId)
            return false;
        m_entries.push_back(entry);
        m_bRecordsOpen = true;
        return true;
    }

    bool StartType(const Fields& fields)
    {
        Entry& entry = m_entries.back();
        StartTypeRecord record;
        if (entry.kind != Kind::StartTypes || fields.size() != 4 || !UnescapeText(fields[1], &record.wstrName) ||
            !ParseNumber(fields[2], &record.dwBefore) || !ParseNumber(fields[3], &record.dwSet) ||
            record.wstrName.empty() || !IsStartTypeCode(record.dwBefore) || !IsAllowedServiceStartType(record.dwSet))
            return false;
        // A result names its record: two of one name could not be told apart.
        for (const StartTypeRecord& other : entry.startTypes)
        {
            if (other.wstrName == record.wstrName)
                return false;
        }
        entry.startTypes.push_back(record);
        return true;
    }

    bool RunValue(const Fields& fields)
    {
        Entry& entry = m_entries.back();
        RunValueRecord record;
        if (entry.kind != Kind::StartupValues || fields.size() != 6 || !UnescapeText(fields[1], &record.strRoot) ||
            !UnescapeText(fields[2], &record.strKey) || !UnescapeText(fields[3], &record.wstrName) ||
            !ParseNumber(fields[4], &record.dwType) ||
            !IsAllowedRunValueLocation(record.strRoot, record.strKey) || !IsAllowedRunValueType(record.dwType))
            return false;
        record.bDataAside = !fields[5].empty() && fields[5][0] == '@';
        if (record.bDataAside ? !ParseAsideData(fields[5], &record.nAsideSize, &record.nAsideChecksum)
                              : !ParseHexData(fields[5], &record.data) || record.data.size() > kInlineDataBytes)
            return false;
        entry.runValues.push_back(record);
        return true;
    }

    bool Service(const Fields& fields)
    {
        Entry& entry = m_entries.back();
        ServiceRecord record;
        uint32_t nDependencies = 0;
        if (entry.kind != Kind::ServiceRemoval || fields.size() < 12 || !UnescapeText(fields[1], &record.wstrName) ||
            !ParseNumber(fields[2], &record.dwServiceType) || !ParseNumber(fields[3], &record.dwStartType) ||
            !ParseNumber(fields[4], &record.dwErrorControl) || !UnescapeText(fields[5], &record.wstrPath) ||
            !UnescapeText(fields[6], &record.wstrLoadOrderGroup) || !UnescapeText(fields[7], &record.wstrAccount) ||
            !UnescapeText(fields[8], &record.wstrDisplayName) || !ParseFlag(fields[9], &record.bHasDescription) ||
            !UnescapeText(fields[10], &record.wstrDescription) || !ParseNumber(fields[11], &nDependencies) ||
            fields.size() - 12 != nDependencies)
            return false;
        if (record.wstrName.empty() || record.wstrPath.empty() || !IsAllowedServiceType(record.dwServiceType) ||
            !IsAllowedServiceStartType(record.dwStartType) || !IsAllowedErrorControl(record.dwErrorControl))
            return false;
        for (size_t i = 12; i < fields.size(); ++i)
        {
            record.dependencies.emplace_back();
            if (!UnescapeText(fields[i], &record.dependencies.back()))
                return false;
        }
        entry.services.push_back(record);
        return true;
    }

    // The service the key lines belong to: the last one, whose values have
    // not begun unless bValues.
    ServiceRecord* KeyedService(bool bValues)
    {
        Entry& entry = m_entries.back();
        if (entry.kind != Kind::ServiceRemoval || entry.services.empty())
            return nullptr;
        ServiceRecord& record = entry.services.back();
        return bValues || record.key.values.empty() ? &record : nullptr;
    }

    bool ServiceKey(const Fields& fields)
    {
        ServiceRecord* pRecord = KeyedService(false);
        std::wstring wstrSubkey;
        if (pRecord == nullptr || fields.size() != 2 || !UnescapeText(fields[1], &wstrSubkey))
            return false;
        KeyCopy& key = pRecord->key;
        if (wstrSubkey.empty())
        {
            if (pRecord->bKeyRecorded)
                return false;
            pRecord->bKeyRecorded = true;
            return true;
        }
        if (!pRecord->bKeyRecorded || !IsSubkeyPath(wstrSubkey) || key.HasSubkey(wstrSubkey) ||
            !key.HasSubkey(ParentOf(wstrSubkey)) || key.subkeys.size() >= kMaxServiceKeyItems)
            return false;
        key.subkeys.push_back(wstrSubkey);
        return true;
    }

    bool ServiceValue(const Fields& fields)
    {
        ServiceRecord* pRecord = KeyedService(true);
        KeyValueCopy value;
        if (pRecord == nullptr || !pRecord->bKeyRecorded || fields.size() != 5 ||
            !UnescapeText(fields[1], &value.wstrSubkey) || !UnescapeText(fields[2], &value.wstrName) ||
            !ParseNumber(fields[3], &value.dwType) || !ParseHexData(fields[4], &value.data))
            return false;
        KeyCopy& key = pRecord->key;
        if (!key.HasSubkey(value.wstrSubkey) || key.Find(value.wstrSubkey, value.wstrName) != nullptr ||
            key.values.size() >= kMaxServiceKeyItems ||
            key.DataBytes() + value.data.size() > kMaxServiceKeyBytes)
            return false;
        bool bAtRoot = value.wstrSubkey.empty();
        key.values.push_back(std::move(value));
        return !bAtRoot || ServiceKeyAgrees(*pRecord);
    }

    // Results come before the entry's end.
    bool Took(const Fields& fields)
    {
        std::wstring wstrName;
        uint32_t dwTook = 0;
        Entry* pEntry = fields.size() == 4 ? Find(fields[1]) : nullptr;
        if (pEntry == nullptr || pEntry->bComplete || !UnescapeText(fields[2], &wstrName) ||
            !ParseNumber(fields[3], &dwTook) || !IsStartTypeCode(dwTook))
            return false;
        for (StartTypeRecord& record : pEntry->startTypes)
        {
            if (record.wstrName == wstrName)
            {
                if (record.bTookKnown)
                    return false;
                record.bTookKnown = true;
                record.dwTook = dwTook;
                return true;
            }
        }
        return false;
    }

    bool Deleted(const Fields& fields)
    {
        uint32_t nIndex = 0;
        Entry* pEntry = fields.size() == 3 ? Find(fields[1]) : nullptr;
        if (pEntry == nullptr || pEntry->bComplete || !ParseNumber(fields[2], &nIndex))
            return false;
        bool* pbDeleted = nullptr;
        if (pEntry->kind == Kind::StartupValues && nIndex < pEntry->runValues.size())
            pbDeleted = &pEntry->runValues[nIndex].bDeleted;
        else if (pEntry->kind == Kind::ServiceRemoval && nIndex < pEntry->services.size())
            pbDeleted = &pEntry->services[nIndex].bDeleted;
        if (pbDeleted == nullptr || *pbDeleted)
            return false;
        *pbDeleted = true;
        return true;
    }

    bool End(const Fields& fields)
    {
        Entry* pEntry = fields.size() == 2 ? Find(fields[1]) : nullptr;
        if (pEntry == nullptr || pEntry->bComplete)
            return false;
        pEntry->bComplete = true;
        return true;
    }

    bool Undone(const Fields& fields)
    {
        Entry* pEntry = fields.size() == 2 ? Find(fields[1]) : nullptr;
        if (pEntry == nullptr || pEntry->bUndone)
            return false;
        pEntry->bUndone = true;
        return true;
    }

    std::vector<Entry>& m_entries;
    bool m_bRecordsOpen = false;
};
} // namespace

bool ServiceKeyAgrees(const ServiceRecord& record, std::wstring* pwstrItem)
{
    auto disagrees = [pwstrItem](const wchar_t* pszItem) {
        if (pwstrItem != nullptr)
            *pwstrItem = pszItem;
        return false;
    };
    const KeyCopy& key = record.key;
    if (key.DataBytes() > kMaxServiceKeyBytes || key.values.size() > kMaxServiceKeyItems ||
        key.subkeys.size() > kMaxServiceKeyItems)
        return disagrees(L"");
    const std::pair<const wchar_t*, uint32_t> numbers[] = {
        {L"Type", record.dwServiceType}, {L"Start", record.dwStartType}, {L"ErrorControl", record.dwErrorControl}};
    for (const auto& number : numbers)
    {
        const KeyValueCopy* pValue = key.Find(L"", number.first);
        uint32_t dwStored = 0;
        if (pValue != nullptr && (!KeyValueNumber(*pValue, &dwStored) || dwStored != number.second))
            return disagrees(number.first);
    }
    std::wstring wstrText;
    const KeyValueCopy* pPath = key.Find(L"", L"ImagePath");
    if (pPath != nullptr && (pPath->dwType == 7 || !KeyValueText(*pPath, &wstrText) || wstrText != record.wstrPath))
        return disagrees(L"ImagePath");
    // The manager's own account reads as none, or by its name.
    const KeyValueCopy* pAccount = key.Find(L"", L"ObjectName");
    auto isSystem = [](const std::wstring& wstrAccount) {
        return wstrAccount.empty() || EqualsNoCaseWide(wstrAccount, L"LocalSystem");
    };
    if (pAccount != nullptr &&
        (pAccount->dwType == 7 || !KeyValueText(*pAccount, &wstrText) ||
         !(EqualsNoCaseWide(wstrText, record.wstrAccount) || (isSystem(wstrText) && isSystem(record.wstrAccount)))))
        return disagrees(L"ObjectName");
    return true;
}

bool IsAllowedServiceType(uint32_t dwServiceType)
{
    const uint32_t kOwnProcess = 0x10, kShareProcess = 0x20, kUserService = 0x40, kUserServiceInstance = 0x80,
                   kInteractive = 0x100;
    const uint32_t kProcessKind = dwServiceType & (kOwnProcess | kShareProcess);
    return (kProcessKind == kOwnProcess || kProcessKind == kShareProcess) &&
           (dwServiceType & ~(kOwnProcess | kShareProcess | kUserService | kUserServiceInstance | kInteractive)) == 0;
}

bool IsAllowedServiceStartType(uint32_t dwStartType)
{
    return dwStartType >= 2 && dwStartType <= 4; // automatic, on demand, disabled
}

bool IsAllowedErrorControl(uint32_t dwErrorControl)
{
    return dwErrorControl <= 3; // ignore, normal, severe, critical
}

bool IsAllowedRunValueLocation(const std::string& strRoot, const std::string& strKey)
{
    // "HKLM" is how earlier versions named the machine's key, in the view
    // they saw; "HKLM64" and "HKLM32" name the two views themselves.
    return (strRoot == "HKLM" || strRoot == "HKLM64" || strRoot == "HKLM32" || strRoot == "HKCU") &&
           AsciiLower(strKey) == AsciiLower(StartupItemRules::kRunKeyPath);
}

bool IsAllowedRunValueType(uint32_t dwType)
{
    return dwType <= 11; // REG_NONE to REG_QWORD
}

bool IsStartTypeCode(uint32_t dwStartType)
{
    return dwStartType <= 4;
}

uint64_t DataChecksum(const std::string& data)
{
    uint64_t nHash = 0xCBF29CE484222325ull;
    for (char ch : data)
    {
        nHash ^= static_cast<unsigned char>(ch);
        nHash *= 0x100000001B3ull;
    }
    return nHash;
}

std::string FormatHeader()
{
    return std::string(kHeaderLine) + kLineEnd;
}

std::string FormatBegin(const Entry& entry)
{
    std::string strLines = Line({"begin", Number(entry.nId), KindWord(entry.kind), EscapeText(entry.strWhen)});
    for (const StartTypeRecord& record : entry.startTypes)
        strLines += FormatStartType(record);
    for (const RunValueRecord& record : entry.runValues)
        strLines += FormatRunValue(record);
    for (const ServiceRecord& record : entry.services)
        strLines += FormatService(record);
    return strLines;
}

std::string FormatStartTypeTook(uint32_t nId, const std::wstring& wstrName, uint32_t dwTook)
{
    return Line({"took", Number(nId), EscapeText(wstrName), Number(dwTook)});
}

std::string FormatDeleted(uint32_t nId, size_t nIndex)
{
    return Line({"deleted", Number(nId), Number(nIndex)});
}

std::string FormatEnd(uint32_t nId)
{
    return Line({"end", Number(nId)});
}

std::string FormatUndone(uint32_t nId)
{
    return Line({"undone", Number(nId)});
}

std::string FormatJournal(const std::vector<Entry>& entries)
{
    std::string strText = FormatHeader();
    for (const Entry& entry : entries)
    {
        strText += FormatBegin(entry);
        for (const StartTypeRecord& record : entry.startTypes)
        {
            if (record.bTookKnown)
                strText += FormatStartTypeTook(entry.nId, record.wstrName, record.dwTook);
        }
        for (size_t i = 0; i < entry.runValues.size(); ++i)
        {
            if (entry.runValues[i].bDeleted)
                strText += FormatDeleted(entry.nId, i);
        }
        for (size_t i = 0; i < entry.services.size(); ++i)
        {
            if (entry.services[i].bDeleted)
                strText += FormatDeleted(entry.nId, i);
        }
        if (entry.bComplete)
            strText += FormatEnd(entry.nId);
        if (entry.bUndone)
            strText += FormatUndone(entry.nId);
    }
    return strText;
}

bool IsEarlierFormat(const std::string& strText)
{
    const std::string strHeader = kEarlierHeaderLine;
    return strText.compare(0, strHeader.size(), strHeader) == 0 &&
           (strText.size() == strHeader.size() || strText[strHeader.size()] == '\r' ||
            strText[strHeader.size()] == '\n');
}

std::string WithCurrentHeader(const std::string& strText)
{
    size_t nEnd = strText.find_first_of("\r\n");
    return kHeaderLine + (nEnd == std::string::npos ? std::string() : strText.substr(nEnd));
}

ReadOutcome Parse(const std::string& strText, std::vector<Entry>* pEntries, std::string* pstrProblem)
{
    std::vector<Entry> entries;
    std::string strProblem;
    auto finish = [&](ReadOutcome outcome, const std::string& strWhy) {
        if (pEntries != nullptr)
        {
            pEntries->clear();
            if (outcome == ReadOutcome::Read)
                pEntries->swap(entries);
        }
        if (pstrProblem != nullptr)
            *pstrProblem = strWhy;
        return outcome;
    };
    if (strText.empty())
        return finish(ReadOutcome::Empty, "");
    if (strText.size() > kMaxJournalBytes)
        return finish(ReadOutcome::Foreign, kTooLargeProblem);

    CParser parser(&entries);
    size_t nLine = 0;
    size_t nStart = 0;
    while (nStart < strText.size())
    {
        ++nLine;
        size_t nEnd = strText.find('\n', nStart);
        size_t nNext = nEnd == std::string::npos ? strText.size() : nEnd + 1;
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        std::string strLine = strText.substr(nStart, nEnd - nStart);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        nStart = nNext;
        if (nLine == 1)
        {
            if (strLine != kHeaderLine)
                return finish(ReadOutcome::Foreign, kForeignProblem);
            continue;
        }
        if (!parser.Line(strLine))
            return finish(ReadOutcome::Damaged, DamagedProblem(nLine));
    }
    return finish(ReadOutcome::Read, "");
}

const Entry* LastUndoable(const std::vector<Entry>& entries)
{
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    {
        if (!it->bUndone)
            return &*it;
    }
    return nullptr;
}
} // namespace ChangeJournal
