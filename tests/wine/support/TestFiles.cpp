#include "support/TestFiles.h"

#include "common/FileHandle.h"

#include <gtest/gtest.h>

std::string ReadFileText(const std::string& strPath)
{
    std::string strData;
    if (!ReadWholeFile(strPath, &strData, 1 << 24))
        return "(unreadable)";
    return strData;
}

bool FileExists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileText(const std::string& strPath, const std::string& strData)
{
    CFileHandle file;
    ASSERT_TRUE(file.Create(strPath)) << strPath;
    ASSERT_TRUE(file.Write(strData)) << strPath;
}
