// Files the tests write for the program to read, or read after it wrote them.
#pragma once

#include <string>

// The whole file; "(unreadable)" when it cannot be read.
std::string ReadFileText(const std::string& strPath);
bool FileExists(const std::string& strPath);
// Creates or replaces the file; a failure fails the test.
void WriteFileText(const std::string& strPath, const std::string& strData);
