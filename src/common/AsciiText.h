// Text helpers for GBK strings that must never depend on a locale.
#pragma once

#include <string>

// A GBK lead byte; the byte after it is a trail byte (0x40..0xFE), which may
// look like an ASCII letter but is part of a double-byte character.
inline bool IsGbkLeadByte(char ch)
{
    return static_cast<unsigned char>(ch) >= 0x81 && static_cast<unsigned char>(ch) <= 0xFE;
}

// Folds only 'A'..'Z'. For a whole GBK string use AsciiLower or
// EqualsNoCaseAscii, which step over both bytes of each double-byte character.
inline char AsciiToLower(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

inline bool EqualsNoCaseAscii(const std::string& left, const std::string& right)
{
    if (left.size() != right.size())
        return false;
    for (std::string::size_type i = 0; i < left.size(); ++i)
    {
        if (IsGbkLeadByte(left[i]))
        {
            // Equal lead bytes mean both sides hold a double-byte character here.
            if (left[i] != right[i] || (i + 1 < left.size() && left[i + 1] != right[i + 1]))
                return false;
            ++i;
            continue;
        }
        if (AsciiToLower(left[i]) != AsciiToLower(right[i]))
            return false;
    }
    return true;
}

inline std::string AsciiLower(std::string text)
{
    for (std::string::size_type i = 0; i < text.size(); ++i)
    {
        if (IsGbkLeadByte(text[i]))
            ++i;
        else
            text[i] = AsciiToLower(text[i]);
    }
    return text;
}
