#include "common/MultiString.h"

std::vector<std::string> SplitMultiString(const char* pData, std::size_t nBytes)
{
    std::vector<std::string> names;
    std::size_t nStart = 0;
    while (nStart < nBytes && pData[nStart] != '\0')
    {
        std::size_t nEnd = nStart;
        while (nEnd < nBytes && pData[nEnd] != '\0')
            ++nEnd;
        names.emplace_back(pData + nStart, nEnd - nStart);
        nStart = nEnd + 1;
    }
    return names;
}
