#include "common/WideText.h"

#include <cstdint>

namespace
{
bool IsHighSurrogate(std::uint32_t n)
{
    return n >= 0xD800 && n <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t n)
{
    return n >= 0xDC00 && n <= 0xDFFF;
}

void AppendUtf8(std::uint32_t nCodePoint, std::string* pText)
{
    if (nCodePoint < 0x80)
    {
        pText->push_back(static_cast<char>(nCodePoint));
    }
    else if (nCodePoint < 0x800)
    {
        pText->push_back(static_cast<char>(0xC0 | (nCodePoint >> 6)));
        pText->push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    }
    else if (nCodePoint < 0x10000)
    {
        pText->push_back(static_cast<char>(0xE0 | (nCodePoint >> 12)));
        pText->push_back(static_cast<char>(0x80 | ((nCodePoint >> 6) & 0x3F)));
        pText->push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    }
    else
    {
        pText->push_back(static_cast<char>(0xF0 | (nCodePoint >> 18)));
        pText->push_back(static_cast<char>(0x80 | ((nCodePoint >> 12) & 0x3F)));
        pText->push_back(static_cast<char>(0x80 | ((nCodePoint >> 6) & 0x3F)));
        pText->push_back(static_cast<char>(0x80 | (nCodePoint & 0x3F)));
    }
}
} // namespace

std::string Utf8FromWide(const std::wstring& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::wstring::size_type i = 0; i < text.size(); ++i)
    {
        std::uint32_t nUnit = static_cast<std::uint16_t>(text[i]);
        if (IsHighSurrogate(nUnit) && i + 1 < text.size() && IsLowSurrogate(static_cast<std::uint16_t>(text[i + 1])))
        {
            std::uint32_t nLow = static_cast<std::uint16_t>(text[++i]);
            AppendUtf8(0x10000 + ((nUnit - 0xD800) << 10) + (nLow - 0xDC00), &result);
        }
        else
        {
            AppendUtf8(nUnit, &result);
        }
    }
    return result;
}

bool WideFromUtf8(const std::string& text, std::wstring* pText)
{
    std::wstring result;
    result.reserve(text.size());
    bool bLastWasHighSurrogate = false;
    for (std::string::size_type i = 0; i < text.size();)
    {
        auto byte = [&](std::string::size_type n) { return static_cast<unsigned char>(text[n]); };
        unsigned char chLead = byte(i);
        int nTrail = chLead < 0x80 ? 0 : chLead >= 0xC2 && chLead <= 0xDF ? 1 : chLead >= 0xE0 && chLead <= 0xEF ? 2
                   : chLead >= 0xF0 && chLead <= 0xF4 ? 3 : -1;
        if (nTrail < 0 || i + nTrail >= text.size())
            return false;
        std::uint32_t nCodePoint = nTrail == 0 ? chLead : chLead & (0x3F >> nTrail);
        for (int n = 1; n <= nTrail; ++n)
        {
            if ((byte(i + n) & 0xC0) != 0x80)
                return false;
            nCodePoint = (nCodePoint << 6) | (byte(i + n) & 0x3F);
        }
        static const std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (nCodePoint < kSmallest[nTrail] || nCodePoint > 0x10FFFF)
            return false;
        // A surrogate pair spelt as two three-byte forms is not the one
        // spelling Utf8FromWide gives, so it is not read either.
        if (IsLowSurrogate(nCodePoint) && bLastWasHighSurrogate)
            return false;
        bLastWasHighSurrogate = IsHighSurrogate(nCodePoint);
        if (nCodePoint >= 0x10000)
        {
            nCodePoint -= 0x10000;
            result.push_back(static_cast<wchar_t>(0xD800 + (nCodePoint >> 10)));
            result.push_back(static_cast<wchar_t>(0xDC00 + (nCodePoint & 0x3FF)));
        }
        else
        {
            result.push_back(static_cast<wchar_t>(nCodePoint));
        }
        i += nTrail + 1;
    }
    *pText = std::move(result);
    return true;
}
