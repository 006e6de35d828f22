// An owned Win32 file handle.
#pragma once

#include <windows.h>

#include <string>

class CFileHandle
{
public:
    CFileHandle() = default;
    explicit CFileHandle(HANDLE hFile) : m_hFile(hFile) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFile; }
    void Close()
    {
        if (IsOpen())
            CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    // Creates or truncates the file for writing.
    bool Create(const std::string& strPath)
    {
        Close();
        m_hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        return IsOpen();
    }
    // Makes a new file in place of whatever the path held, never opening an
    // existing one (whose owner and rights someone else chose); others may
    // read it while it is open, but not write, rename or delete it.
    bool CreateFresh(const std::string& strPath)
    {
        Close();
        DeleteFileA(strPath.c_str());
        m_hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        return IsOpen();
    }
    // Writes all of it, or reports that it could not.
    bool Write(const std::string& strData) const
    {
        DWORD dwWritten = 0;
        return IsOpen() && WriteFile(m_hFile, strData.data(), static_cast<DWORD>(strData.size()), &dwWritten,
                                     nullptr) &&
               dwWritten == strData.size();
    }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

// The whole file, up to nMaxBytes; false when it cannot be opened or read,
// or is larger than that.
bool ReadWholeFile(const std::string& strPath, std::string* pstrData, DWORD nMaxBytes);
