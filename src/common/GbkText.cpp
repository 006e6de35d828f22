#include "common/GbkText.h"

#include <windows.h>

namespace GbkText
{
namespace
{
std::string Convert(const std::wstring& text, BOOL* pbUsedDefault)
{
    if (text.empty())
        return std::string();
    // No best fit: a look-alike would name another service.
    DWORD dwFlags = WC_NO_BEST_FIT_CHARS;
    int nBytes = WideCharToMultiByte(kCodePage, dwFlags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, pbUsedDefault);
    std::string result(nBytes > 0 ? nBytes : 0, '\0');
    if (nBytes > 0)
        WideCharToMultiByte(kCodePage, dwFlags, text.data(), static_cast<int>(text.size()), &result[0], nBytes,
                            nullptr, pbUsedDefault);
    return result;
}
} // namespace

std::string FromWide(const std::wstring& text)
{
    return Convert(text, nullptr);
}

bool FromWideExactly(const std::wstring& text, std::string* pGbk)
{
    BOOL bUsedDefault = FALSE;
    std::string gbk = Convert(text, &bUsedDefault);
    // Checked both ways: a lone surrogate is not always said to be a default.
    if (bUsedDefault || ToWide(gbk) != text)
        return false;
    *pGbk = std::move(gbk);
    return true;
}

std::wstring ToWide(const std::string& gbk)
{
    if (gbk.empty())
        return std::wstring();
    int nChars = MultiByteToWideChar(kCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring result(nChars > 0 ? nChars : 0, L'\0');
    if (nChars > 0)
        MultiByteToWideChar(kCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), &result[0], nChars);
    return result;
}
} // namespace GbkText
