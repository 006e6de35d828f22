// Text helpers for GBK strings that must never depend on a locale.
#pragma once

#include <string>

// Folds only 'A'..'Z'; every other byte, including both bytes of a GBK
// character, passes through unchanged.
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
        if (AsciiToLower(left[i]) != AsciiToLower(right[i]))
            return false;
    }
    return true;
}

inline std::string AsciiLower(std::string text)
{
    for (char& ch : text)
        ch = AsciiToLower(ch);
    return text;
}
