// Real names of services and registry values are UTF-16: they are kept as
// such and turned into GBK only to be shown or written to a .svc file. What
// is written to our own files is UTF-8, which carries every UTF-16 text,
// a lone surrogate included (encoded as its three bytes, as WTF-8 does).
// Portable: a std::wstring holds UTF-16 code units on every platform here.
#pragma once

#include <string>

std::string Utf8FromWide(const std::wstring& text);
// False (and *pText untouched) for bytes no UTF-16 text encodes to: a bad
// sequence, an overlong form, a pair of surrogates written as two.
bool WideFromUtf8(const std::string& text, std::wstring* pText);

// Folds only 'A'..'Z', as the manager's names are compared here.
inline wchar_t WideAsciiToLower(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

inline std::wstring WideAsciiLower(std::wstring text)
{
    for (wchar_t& ch : text)
        ch = WideAsciiToLower(ch);
    return text;
}

inline bool EqualsNoCaseWide(const std::wstring& left, const std::wstring& right)
{
    if (left.size() != right.size())
        return false;
    for (std::wstring::size_type i = 0; i < left.size(); ++i)
    {
        if (WideAsciiToLower(left[i]) != WideAsciiToLower(right[i]))
            return false;
    }
    return true;
}

// A text of ASCII letters only (names in the program's own tables), widened.
inline std::wstring WideFromAscii(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}
