#include "changes/JournalFile.h"

#include "changes/JournalSecurity.h"
#include "common/FileHandle.h"
#include "common/GbkText.h"
#include "common/WideText.h"

#include <shlobj.h>

#include <cstdio>
#include <utility>

using namespace ChangeJournal;

namespace
{
const char kUnreadableProblem[] = "无法读取更改记录文件,未做任何更改!";

std::string AsideProblem(const std::string& strPath)
{
    return "更改记录附带的数据文件(" + strPath + ")已损坏或丢失,未做任何更改!";
}

std::string TooLargeValueProblem(const ChangeJournal::RunValueRecord& record)
{
    return "启动项 " + (record.wstrName.empty() ? std::string("(默认)") : GbkText::FromWide(record.wstrName)) +
           " 的数据过大(" +
           std::to_string(record.data.size()) + " 字节,超过 " + std::to_string(kMaxValueDataBytes / (1024 * 1024)) +
           "MB),无法记入更改记录,未做任何更改!";
}

// A deleted service's key that the journal cannot hold, or that says
// otherwise than the service's configuration read a moment before.
std::string ServiceKeyProblem(const ChangeJournal::ServiceRecord& record)
{
    std::wstring wstrItem;
    if (!record.bKeyRecorded || ServiceKeyAgrees(record, &wstrItem))
        return std::string();
    std::string strName = GbkText::FromWide(record.wstrName);
    if (wstrItem.empty())
        return "服务 " + strName + " 的注册表项过大(超过 " + std::to_string(kMaxServiceKeyBytes / 1024) +
               "KB 或 " + std::to_string(kMaxServiceKeyItems) + " 项),无法记入更改记录,未做任何更改!";
    return "服务 " + strName + " 的注册表项与其配置不符(" + GbkText::FromWide(wstrItem) +
           "),无法记入更改记录,未做任何更改!";
}

enum class FileText
{
    Read,
    Missing,  // no such file (or folder)
    TooLarge, // over kMaxJournalBytes
    Failed,   // there, but not to be read
};

// A journal an earlier version wrote in GBK, in this version's text: its
// escapes are all ASCII, so only the raw text changes. False otherwise.
bool FromEarlierFormat(std::string* pstrText)
{
    if (!IsEarlierFormat(*pstrText))
        return false;
    *pstrText = WithCurrentHeader(Utf8FromWide(GbkText::ToWide(*pstrText)));
    return true;
}

// The whole file through an open handle.
FileText ReadThrough(HANDLE hFile, std::string* pstrText)
{
    pstrText->clear();
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(hFile, &size))
        return FileText::Failed;
    if (size.QuadPart > static_cast<LONGLONG>(kMaxJournalBytes))
        return FileText::TooLarge;
    char buffer[65536];
    for (;;)
    {
        DWORD dwRead = 0;
        if (!ReadFile(hFile, buffer, sizeof(buffer), &dwRead, nullptr))
            return FileText::Failed;
        if (dwRead == 0)
            return FileText::Read;
        // It may have grown since its size was taken.
        if (pstrText->size() + dwRead > kMaxJournalBytes)
            return FileText::TooLarge;
        pstrText->append(buffer, dwRead);
    }
}

bool IsMissing(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

std::string FolderOf(const std::string& strPath)
{
    std::string::size_type nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? std::string() : strPath.substr(0, nSlash);
}

// Windows refuses to write a read-only file, to an administrator too; Wine
// run as root writes it all the same, so the attribute is asked as well.
bool IsReadOnly(const std::string& strPath)
{
    DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool IsFolder(const std::string& strPath)
{
    DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder and every folder above it that is missing; the journal's own
// folder (the innermost) gets the rights that keep others out.
bool MakeFolders(const std::string& strFolder, bool bJournalFolder = true)
{
    if (strFolder.empty() || IsFolder(strFolder))
        return true;
    // "C:" or "\\server\share" cannot be made; being missing, they fail below.
    std::string strParent = FolderOf(strFolder);
    if (!strParent.empty() && strParent != strFolder && strParent.back() != ':' && !MakeFolders(strParent, false))
        return false;
    if (!bJournalFolder)
        return CreateDirectoryA(strFolder.c_str(), nullptr) || IsFolder(strFolder);
    JournalSecurity::CAttributes attributes(JournalSecurity::CAttributes::For::Folder);
    return attributes.Get() != nullptr && CreateDirectoryA(strFolder.c_str(), attributes.Get());
}

// A new file, owned by Administrators, in place of whatever the path held;
// an owner the token cannot give falls back to the default one, which the
// check then names.
HANDLE CreateOwnedFile(const std::string& strPath)
{
    DeleteFileA(strPath.c_str());
    JournalSecurity::CAttributes attributes(JournalSecurity::CAttributes::For::File);
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, attributes.Get(), CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_OWNER)
        hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    return hFile;
}

bool WriteOwnedFile(const std::string& strPath, const std::string& strData)
{
    CFileHandle file(CreateOwnedFile(strPath));
    bool bWritten = file.IsOpen() && file.Write(strData) && FlushFileBuffers(file.Get());
    file.Close();
    if (!bWritten)
        DeleteFileA(strPath.c_str());
    return bWritten;
}

bool Exists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LocalTimeNow()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char szWhen[32];
    std::snprintf(szWhen, sizeof(szWhen), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return szWhen;
}

// Lines the entry may still append: one result per record, its end, and an
// undone line for each entry kept, so that a journal once begun never grows
// past what Parse reads.
size_t RoomForResults(const Entry& entry)
{
    size_t nRoom = FormatEnd(0xFFFFFFFFu).size() + kKeptEntries * FormatUndone(0xFFFFFFFFu).size();
    for (const StartTypeRecord& record : entry.startTypes)
        nRoom += FormatStartTypeTook(0xFFFFFFFFu, record.wstrName, 0xFFFFFFFFu).size();
    nRoom += (entry.runValues.size() + entry.services.size()) * FormatDeleted(0xFFFFFFFFu, 0xFFFFFFFFu).size();
    return nRoom;
}

// Writes the text into a new file beside the journal, then puts it in the
// journal's place in one step.
bool ReplaceWhole(const std::string& strPath, const std::string& strText)
{
    const std::string strTemp = strPath + ".new";
    if (!WriteOwnedFile(strTemp, strText) ||
        !MoveFileExA(strTemp.c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileA(strTemp.c_str());
        return false;
    }
    return true;
}
} // namespace

namespace
{
std::string JournalIn(int nFolder)
{
    char szFolder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, szFolder)) || szFolder[0] == '\0')
        return std::string();
    std::string strPath = szFolder;
    if (strPath.back() != '\\')
        strPath += '\\';
    return strPath + "Quillmere\\journal.svcj";
}
} // namespace

std::string CJournalFile::DefaultPath()
{
    return JournalIn(CSIDL_COMMON_APPDATA);
}

std::string CJournalFile::LegacyPath()
{
    return JournalIn(CSIDL_APPDATA);
}

CJournalFile::SecurityReader CJournalFile::DefaultSecurityReader()
{
    if (!JournalSecurity::SystemEnforcesFileAcls())
        return SecurityReader();
    return JournalSecurity::Read;
}

CJournalFile::CJournalFile(std::string strPath) : m_strPath(std::move(strPath)) {}

bool CJournalFile::IsTrusted(const std::string& strPath, std::string* pstrProblem) const
{
    if (!m_readSecurity)
        return true;
    // The folder first: whoever may change it may put any file in its place.
    for (const std::string& strObject : {FolderOf(strPath), strPath})
    {
        if (strObject.empty() || !Exists(strObject))
            continue;
        JournalTrust::Descriptor descriptor;
        if (!m_readSecurity(strObject, &descriptor))
        {
            *pstrProblem = JournalTrust::UnreadableSecurityText(strObject);
            return false;
        }
        std::string strHolder = JournalTrust::UntrustedHolder(descriptor);
        if (!strHolder.empty())
        {
            *pstrProblem = JournalTrust::UntrustedText(strObject, JournalSecurity::AccountText(strHolder));
            return false;
        }
    }
    return true;
}

std::string CJournalFile::AsidePath(uint32_t nId, size_t nIndex) const
{
    return m_strPath + "." + std::to_string(nId) + "-" + std::to_string(nIndex) + ".dat";
}

bool CJournalFile::MarkAside(Entry* pEntry)
{
    for (RunValueRecord& record : pEntry->runValues)
    {
        record.bDataAside = record.data.size() > kInlineDataBytes;
        if (!record.bDataAside)
            continue;
        if (record.data.size() > kMaxValueDataBytes)
        {
            m_strProblem = TooLargeValueProblem(record);
            return false;
        }
        record.nAsideSize = record.data.size();
        record.nAsideChecksum = DataChecksum(record.data);
    }
    for (const ServiceRecord& record : pEntry->services)
    {
        m_strProblem = ServiceKeyProblem(record);
        if (!m_strProblem.empty())
            return false;
    }
    return true;
}

bool CJournalFile::WriteAside(const Entry& entry, std::vector<std::string>* pWritten) const
{
    for (size_t i = 0; i < entry.runValues.size(); ++i)
    {
        if (!entry.runValues[i].bDataAside)
            continue;
        std::string strAside = AsidePath(entry.nId, i);
        if (!WriteOwnedFile(strAside, entry.runValues[i].data))
            return false;
        pWritten->push_back(strAside);
    }
    return true;
}

bool CJournalFile::LoadAsideData(Entry* pEntry, std::string* pstrProblem) const
{
    for (size_t i = 0; i < pEntry->runValues.size(); ++i)
    {
        RunValueRecord& record = pEntry->runValues[i];
        if (!record.bDataAside)
            continue;
        std::string strAside = AsidePath(pEntry->nId, i);
        if (!IsTrusted(strAside, pstrProblem))
            return false;
        std::string data;
        if (!ReadWholeFile(strAside, &data, static_cast<DWORD>(kMaxValueDataBytes)) ||
            data.size() != record.nAsideSize || DataChecksum(data) != record.nAsideChecksum)
        {
            *pstrProblem = AsideProblem(strAside);
            return false;
        }
        record.data = std::move(data);
    }
    return true;
}

ReadOutcome CJournalFile::Read(std::vector<Entry>* pEntries, std::string* pstrProblem) const
{
    pEntries->clear();
    pstrProblem->clear();
    if (!IsTrusted(m_strPath, pstrProblem))
        return ReadOutcome::Foreign;
    CFileHandle file(CreateFileA(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string strText;
    FileText read = FileText::Missing;
    if (file.IsOpen())
        read = ReadThrough(file.Get(), &strText);
    else if (!IsMissing(GetLastError()))
        read = FileText::Failed;
    switch (read)
    {
    case FileText::Read:
        FromEarlierFormat(&strText);
        return Parse(strText, pEntries, pstrProblem);
    case FileText::Missing:
        return ReadOutcome::Empty;
    case FileText::TooLarge:
        *pstrProblem = kTooLargeProblem; // as Parse says of such text
        return ReadOutcome::Foreign;
    case FileText::Failed:
        break;
    }
    *pstrProblem = kUnreadableProblem;
    return ReadOutcome::Damaged;
}

bool CJournalFile::Begin(Entry* pEntry)
{
    m_nOpenId = 0;
    m_openEntry = Entry();
    m_strProblem.clear();
    std::string strUntrusted;
    if (m_strPath.empty() || IsReadOnly(m_strPath) || !IsTrusted(m_strPath, &strUntrusted))
        return false;

    // The journal as it is; opened for writing too, so that one that cannot
    // be added to fails here, before anything is dropped from it.
    std::string strText;
    {
        CFileHandle file(CreateFileA(m_strPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsOpen())
        {
            if (ReadThrough(file.Get(), &strText) != FileText::Read)
                return false;
        }
        else if (!IsMissing(GetLastError()))
            return false;
    }
    bool bNewFile = strText.empty();
    // Written again whole in this version's text before anything is added.
    bool bEarlierFormat = FromEarlierFormat(&strText);
    std::vector<Entry> entries;
    std::string strProblem;
    ReadOutcome outcome = Parse(strText, &entries, &strProblem);
    if (outcome != ReadOutcome::Read && outcome != ReadOutcome::Empty)
        return false;

    Entry entry = *pEntry;
    if (!entries.empty() && entries.back().nId == 0xFFFFFFFFu)
        return false;
    entry.nId = entries.empty() ? 1 : entries.back().nId + 1;
    entry.strWhen = LocalTimeNow();
    entry.bComplete = false;
    entry.bUndone = false;
    for (StartTypeRecord& record : entry.startTypes)
        record.bTookKnown = false;
    for (RunValueRecord& record : entry.runValues)
        record.bDeleted = false;
    for (ServiceRecord& record : entry.services)
        record.bDeleted = false;

    if (!MarkAside(&entry))
        return false;
    const std::string strBegin = FormatBegin(entry);
    // An entry the journal could not read back (two records of one service,
    // records of another kind, something it never asks for) would make the
    // whole file unreadable.
    std::vector<Entry> alone;
    if (Parse(FormatHeader() + strBegin, &alone, &strProblem) != ReadOutcome::Read || alone.size() != 1)
        return false;

    if (bNewFile)
    {
        // Made empty first, so that results never make a file of their own.
        if (!MakeFolders(FolderOf(m_strPath)) || !IsTrusted(m_strPath, &strUntrusted))
            return false;
        CFileHandle file(CreateOwnedFile(m_strPath));
        if (!file.IsOpen())
            return false;
    }
    // Whatever was put aside goes again when Begin fails after.
    std::vector<std::string> aside;
    auto fail = [&aside]() {
        for (const std::string& strAside : aside)
            DeleteFileA(strAside.c_str());
        return false;
    };
    if (!WriteAside(entry, &aside))
        return fail();

    if (entries.size() + 1 > kKeptEntries || bEarlierFormat)
    {
        size_t nDropped = entries.size() + 1 > kKeptEntries ? entries.size() + 1 - kKeptEntries : 0;
        std::vector<Entry> dropped(entries.begin(), entries.begin() + static_cast<long>(nDropped));
        entries.erase(entries.begin(), entries.begin() + static_cast<long>(nDropped));
        strText = FormatJournal(entries);
        if (strText.size() + strBegin.size() + RoomForResults(entry) > kMaxJournalBytes ||
            !ReplaceWhole(m_strPath, strText))
            return fail();
        for (const Entry& old : dropped)
        {
            for (size_t i = 0; i < old.runValues.size(); ++i)
            {
                if (old.runValues[i].bDataAside)
                    DeleteFileA(AsidePath(old.nId, i).c_str());
            }
        }
    }

    std::string strAppend;
    if (strText.empty())
        strAppend = FormatHeader();
    else if (strText.back() != '\n')
        strAppend = "\r\n"; // its last line had no end
    strAppend += strBegin;
    if (strText.size() + strAppend.size() + RoomForResults(entry) > kMaxJournalBytes || !Append(strAppend))
        return fail();

    m_nOpenId = entry.nId;
    m_openEntry = entry;
    pEntry->nId = entry.nId;
    pEntry->strWhen = entry.strWhen;
    return true;
}

bool CJournalFile::RecordStartTypeTook(const std::wstring& wstrName, DWORD dwTook)
{
    if (m_nOpenId == 0)
        return false;
    for (StartTypeRecord& record : m_openEntry.startTypes)
    {
        if (record.wstrName != wstrName)
            continue;
        // A second result for one record would make the file unreadable.
        if (record.bTookKnown || !Append(FormatStartTypeTook(m_nOpenId, wstrName, dwTook)))
            return false;
        record.bTookKnown = true;
        record.dwTook = dwTook;
        return true;
    }
    return false;
}

bool CJournalFile::RecordDeleted(size_t nIndex)
{
    if (m_nOpenId == 0)
        return false;
    bool* pbDeleted = nullptr;
    if (m_openEntry.kind == Kind::StartupValues && nIndex < m_openEntry.runValues.size())
        pbDeleted = &m_openEntry.runValues[nIndex].bDeleted;
    else if (m_openEntry.kind == Kind::ServiceRemoval && nIndex < m_openEntry.services.size())
        pbDeleted = &m_openEntry.services[nIndex].bDeleted;
    if (pbDeleted == nullptr || *pbDeleted || !Append(FormatDeleted(m_nOpenId, nIndex)))
        return false;
    *pbDeleted = true;
    return true;
}

bool CJournalFile::End()
{
    if (m_nOpenId == 0 || !Append(FormatEnd(m_nOpenId)))
        return false;
    m_nOpenId = 0;
    m_openEntry = Entry();
    return true;
}

bool CJournalFile::MarkUndone(uint32_t nId)
{
    std::vector<Entry> entries;
    std::string strProblem;
    if (Read(&entries, &strProblem) != ReadOutcome::Read)
        return false;
    for (const Entry& entry : entries)
    {
        // Marked once: a second mark would make the file unreadable.
        if (entry.nId == nId)
            return !entry.bUndone && Append(FormatUndone(nId));
    }
    return false;
}

bool CJournalFile::Append(const std::string& strLines)
{
    if (IsReadOnly(m_strPath))
        return false;
    CFileHandle file(CreateFileA(m_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    LARGE_INTEGER end = {};
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file.Get(), zero, &end, FILE_END))
        return false;
    if (file.Write(strLines) && FlushFileBuffers(file.Get()))
        return true;
    // Half a line would leave the journal unreadable: cut back what went in.
    if (SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
        SetEndOfFile(file.Get());
    FlushFileBuffers(file.Get());
    return false;
}
