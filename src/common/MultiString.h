// Lists stored as NUL-separated names: REG_MULTI_SZ values and dependency
// lists.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The names up to an empty one or the end of the data, never past nBytes.
std::vector<std::string> SplitMultiString(const char* pData, std::size_t nBytes);
// The same for UTF-16 lists, nChars counted in characters.
std::vector<std::wstring> SplitMultiString(const wchar_t* pData, std::size_t nChars);
