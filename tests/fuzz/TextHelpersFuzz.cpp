// The GBK text helpers and the multi-string splitter on any bytes, against
// plain references written here.
#include "fuzz/FuzzCheck.h"
#include "common/AsciiText.h"
#include "common/MultiString.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// Folds A-Z that are single-byte characters, walking the text character
// by character.
std::string ReferenceLower(const std::string& str)
{
    std::string out;
    for (size_t i = 0; i < str.size(); ++i)
    {
        unsigned char ch = static_cast<unsigned char>(str[i]);
        if (ch >= 0x81 && ch <= 0xFE)
        {
            out += str[i];
            if (i + 1 < str.size())
                out += str[++i];
            continue;
        }
        out += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : str[i];
    }
    return out;
}

std::vector<std::string> ReferenceSplit(const char* pData, size_t nBytes)
{
    std::vector<std::string> names;
    size_t nStart = 0;
    while (nStart < nBytes)
    {
        size_t nEnd = nStart;
        while (nEnd < nBytes && pData[nEnd] != '\0')
            ++nEnd;
        if (nEnd == nStart)
            break;
        names.emplace_back(pData + nStart, nEnd - nStart);
        nStart = nEnd + 1;
    }
    return names;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The first half and the rest, to compare two texts.
    std::string strAll(reinterpret_cast<const char*>(pData), nSize);
    std::string strLeft = strAll.substr(0, nSize / 2), strRight = strAll.substr(nSize / 2);

    std::string strLower = AsciiLower(strAll);
    if (strLower != ReferenceLower(strAll))
        Fail("AsciiLower differs from the reference");
    if (strLower.size() != strAll.size())
        Fail("AsciiLower changed the length");
    if (AsciiLower(strLower) != strLower)
        Fail("AsciiLower is not idempotent");
    if (!EqualsNoCaseAscii(strAll, strLower))
        Fail("a text is not equal to its own lower case");
    if (EqualsNoCaseAscii(strLeft, strRight) != (strLeft.size() == strRight.size() &&
                                                  ReferenceLower(strLeft) == ReferenceLower(strRight)))
        Fail("EqualsNoCaseAscii disagrees with comparing the folded texts");

    // The splitter gets a copy of exactly nSize bytes, so ASan sees any read
    // past them.
    std::vector<char> data(strAll.begin(), strAll.end());
    if (SplitMultiString(data.data(), data.size()) != ReferenceSplit(data.data(), data.size()))
        Fail("SplitMultiString differs from the reference");
    return 0;
}
