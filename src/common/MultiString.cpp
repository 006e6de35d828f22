#include "common/MultiString.h"

namespace
{
template <typename Char>
std::vector<std::basic_string<Char>> Split(const Char* pData, std::size_t nLength)
{
    std::vector<std::basic_string<Char>> names;
    std::size_t nStart = 0;
    while (nStart < nLength && pData[nStart] != 0)
    {
        std::size_t nEnd = nStart;
        while (nEnd < nLength && pData[nEnd] != 0)
            ++nEnd;
        names.emplace_back(pData + nStart, nEnd - nStart);
        nStart = nEnd + 1;
    }
    return names;
}
} // namespace

std::vector<std::string> SplitMultiString(const char* pData, std::size_t nBytes)
{
    return Split(pData, nBytes);
}

std::vector<std::wstring> SplitMultiString(const wchar_t* pData, std::size_t nChars)
{
    return Split(pData, nChars);
}
