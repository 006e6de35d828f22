#include "knowledge/StringResource.h"

namespace
{
constexpr UINT kGbkCodePage = 936;
constexpr WORD kTableLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
// A block of the table holds 16 strings, each its length in UTF-16 units
// followed by the units.
constexpr int kStringsPerBlock = 16;
constexpr int kLastStringId = 0xFFFF;
} // namespace

std::string GbkStringResource(HMODULE hModule, int id)
{
    if (id < 0 || id > kLastStringId)
        return std::string();
    HRSRC hBlock = FindResourceExA(hModule, RT_STRING, MAKEINTRESOURCEA(id / kStringsPerBlock + 1), kTableLanguage);
    if (hBlock == nullptr)
        return std::string();
    const auto* pUnit = static_cast<const WCHAR*>(LockResource(LoadResource(hModule, hBlock)));
    if (pUnit == nullptr)
        return std::string();
    const WCHAR* pEnd = pUnit + SizeofResource(hModule, hBlock) / sizeof(WCHAR);
    for (int i = 0; i < id % kStringsPerBlock && pUnit < pEnd; ++i)
        pUnit += 1 + *pUnit;
    if (pUnit >= pEnd || *pUnit == 0 || *pUnit > pEnd - pUnit - 1)
        return std::string();
    const int nUnits = *pUnit++;
    const int nBytes = WideCharToMultiByte(kGbkCodePage, 0, pUnit, nUnits, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return std::string();
    std::string strText(static_cast<std::size_t>(nBytes), '\0');
    WideCharToMultiByte(kGbkCodePage, 0, pUnit, nUnits, &strText[0], nBytes, nullptr, nullptr);
    return strText;
}
