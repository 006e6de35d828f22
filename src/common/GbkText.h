// The GBK side of real (UTF-16) names: what is shown, what a .svc file
// holds, and what the program's own GBK texts say in UTF-16.
#pragma once

#include <string>

namespace GbkText
{
constexpr unsigned kCodePage = 936;

// For display: a character GBK lacks becomes "?".
std::string FromWide(const std::wstring& text);
// True only when every character has its own GBK spelling, so that the
// text reads back as itself (no "?", no look-alike).
bool FromWideExactly(const std::wstring& text, std::string* pGbk);
// GBK bytes that are no GBK character come out as U+FFFD.
std::wstring ToWide(const std::string& gbk);
} // namespace GbkText
