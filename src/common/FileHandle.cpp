#include "common/FileHandle.h"

bool ReadWholeFile(const std::string& strPath, std::string* pstrData, DWORD nMaxBytes)
{
    CFileHandle file(CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    pstrData->clear();
    char buffer[65536];
    for (;;)
    {
        DWORD dwRead = 0;
        if (!ReadFile(file.Get(), buffer, sizeof(buffer), &dwRead, nullptr))
            return false;
        if (dwRead == 0)
            return true;
        if (pstrData->size() + dwRead > nMaxBytes)
            return false;
        pstrData->append(buffer, dwRead);
    }
}
