// The startup items' text rules on any bytes: a value's data as text, the
// icon path cut out of a command, and the location split back.
#include "fuzz/FuzzCheck.h"
#include "startup/StartupItemRules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::vector<unsigned char> data(pData, pData + nSize);
    std::string strText = StartupItemRules::DataAsText(data.data(), data.size());
    const void* pNul = data.empty() ? nullptr : std::memchr(data.data(), 0, data.size());
    size_t nExpected = pNul != nullptr ? static_cast<const unsigned char*>(pNul) - data.data() : data.size();
    if (strText.size() != nExpected || (nExpected != 0 && std::memcmp(strText.data(), data.data(), nExpected) != 0))
        Fail("DataAsText is not the bytes up to the first NUL");

    // The icon path is a piece of the command, never longer than it.
    std::string strPath = StartupItemRules::ExtractIconPath(strText);
    if (strPath.size() > strText.size() || strText.find(strPath) == std::string::npos)
        Fail("the icon path is not a piece of the command");

    // A location made from a root without a backslash splits back.
    std::string strRoot = strText.substr(0, strText.find('\\'));
    std::string strSubkey = strText.size() > strRoot.size() ? strText.substr(strRoot.size() + 1) : "Run";
    std::string strRootBack, strSubkeyBack;
    if (!StartupItemRules::SplitLocation(StartupItemRules::LocationText(strRoot, strSubkey), &strRootBack,
                                         &strSubkeyBack) ||
        strRootBack != strRoot || strSubkeyBack != strSubkey)
        Fail("a location does not split back into its root and key");
    return 0;
}
