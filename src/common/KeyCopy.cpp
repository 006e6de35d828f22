#include "common/KeyCopy.h"

#include "common/MultiString.h"
#include "common/WideText.h"

namespace
{
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegMultiSz = 7;

// The data's UTF-16 code units; false for an odd length.
bool Utf16Units(const KeyValueCopy& value, std::wstring* pwstrUnits)
{
    if (value.data.size() % 2 != 0)
        return false;
    pwstrUnits->clear();
    for (size_t i = 0; i < value.data.size(); i += 2)
        pwstrUnits->push_back(static_cast<wchar_t>(static_cast<unsigned char>(value.data[i]) |
                                                   (static_cast<unsigned char>(value.data[i + 1]) << 8)));
    return true;
}

bool SameItem(const KeyValueCopy& value, const std::wstring& wstrSubkey, const std::wstring& wstrName)
{
    return EqualsNoCaseWide(value.wstrSubkey, wstrSubkey) && EqualsNoCaseWide(value.wstrName, wstrName);
}
} // namespace

const KeyValueCopy* KeyCopy::Find(const std::wstring& wstrSubkey, const std::wstring& wstrName) const
{
    for (const KeyValueCopy& value : values)
    {
        if (SameItem(value, wstrSubkey, wstrName))
            return &value;
    }
    return nullptr;
}

bool KeyCopy::HasSubkey(const std::wstring& wstrSubkey) const
{
    if (wstrSubkey.empty())
        return true;
    for (const std::wstring& wstrKnown : subkeys)
    {
        if (EqualsNoCaseWide(wstrKnown, wstrSubkey))
            return true;
    }
    return false;
}

size_t KeyCopy::DataBytes() const
{
    size_t nBytes = 0;
    for (const KeyValueCopy& value : values)
        nBytes += value.data.size();
    return nBytes;
}

std::wstring KeyItemName(const std::wstring& wstrSubkey, const std::wstring& wstrName)
{
    // "(默认)", spelled by code so that a GBK copy of this file reads the same.
    std::wstring wstrValue = wstrName.empty() ? L"(\x9ED8\x8BA4)" : wstrName;
    return wstrSubkey.empty() ? wstrValue : wstrSubkey + L"\\" + wstrValue;
}

std::vector<std::wstring> KeyDifferences(const KeyCopy& wanted, const KeyCopy& found)
{
    std::vector<std::wstring> differences;
    for (const std::wstring& wstrSubkey : wanted.subkeys)
    {
        if (!found.HasSubkey(wstrSubkey))
            differences.push_back(wstrSubkey);
    }
    for (const KeyValueCopy& value : wanted.values)
    {
        const KeyValueCopy* pFound = found.Find(value.wstrSubkey, value.wstrName);
        if (pFound == nullptr || pFound->dwType != value.dwType || pFound->data != value.data)
            differences.push_back(KeyItemName(value.wstrSubkey, value.wstrName));
    }
    for (const std::wstring& wstrSubkey : found.subkeys)
    {
        if (!wanted.HasSubkey(wstrSubkey))
            differences.push_back(wstrSubkey);
    }
    for (const KeyValueCopy& value : found.values)
    {
        // A value in a subkey already named as extra is not named again.
        if (wanted.Find(value.wstrSubkey, value.wstrName) == nullptr && wanted.HasSubkey(value.wstrSubkey))
            differences.push_back(KeyItemName(value.wstrSubkey, value.wstrName));
    }
    return differences;
}

bool KeyValueText(const KeyValueCopy& value, std::wstring* pwstrText)
{
    std::wstring wstrUnits;
    if (value.dwType != kRegSz && value.dwType != kRegExpandSz && value.dwType != kRegMultiSz)
        return false;
    if (!Utf16Units(value, &wstrUnits))
        return false;
    *pwstrText = wstrUnits.substr(0, wstrUnits.find(L'\0'));
    return true;
}

bool KeyValueNames(const KeyValueCopy& value, std::vector<std::wstring>* pNames)
{
    std::wstring wstrUnits;
    if (value.dwType != kRegMultiSz || !Utf16Units(value, &wstrUnits))
        return false;
    *pNames = SplitMultiString(wstrUnits.data(), wstrUnits.size());
    return true;
}

bool KeyValueNumber(const KeyValueCopy& value, uint32_t* pdwNumber)
{
    if (value.dwType != kRegDword || value.data.size() != 4)
        return false;
    uint32_t dwNumber = 0;
    for (int i = 3; i >= 0; --i)
        dwNumber = (dwNumber << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    *pdwNumber = dwNumber;
    return true;
}
