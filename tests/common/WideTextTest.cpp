#include "common/WideText.h"

#include <gtest/gtest.h>

namespace
{
TEST(WideTextTest, EveryUtf16TextComesBackFromItsUtf8)
{
    const std::pair<std::wstring, std::string> kCases[] = {
        {L"", ""},
        {L"QmSvc -k", "QmSvc -k"},
        {L"服务", u8"服务"},
        {L"QmKr\uAC00\u00E9\u07FF\u0800\uFFFF", "QmKr\xEA\xB0\x80\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {{wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDBFF), wchar_t(0xDFFF)}, "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        // Lone surrogates as their three bytes, a low one before a high one too.
        {{L'a', wchar_t(0xD83D)}, "a\xED\xA0\xBD"},
        {{wchar_t(0xDE00), wchar_t(0xD83D), L'b'}, "\xED\xB8\x80\xED\xA0\xBD" "b"},
        {std::wstring(L"nul\0", 4), std::string("nul\0", 4)},
    };
    for (const auto& [wstrText, strUtf8] : kCases)
    {
        EXPECT_EQ(strUtf8, Utf8FromWide(wstrText));
        std::wstring wstrRead = L"stale";
        EXPECT_TRUE(WideFromUtf8(strUtf8, &wstrRead)) << strUtf8;
        EXPECT_EQ(wstrText, wstrRead);
    }
}

TEST(WideTextTest, BytesNoUtf16TextWritesAreRefused)
{
    // Cut short (alone and inside a text), a trail byte alone, overlong forms
    // of '/' and U+FFFF, a pair as two three-byte forms, 0xFF, above U+10FFFF, GBK.
    for (const char* pszBytes : {"\xE6\x9C", "a\xE6\x9C" "b", "\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xF0\x8F\xBF\xBF",
                                 "\xED\xA0\xBD\xED\xB8\x80", "\xFF", "\xF4\x90\x80\x80", "\xB7\xFE\xCE\xF1"})
    {
        std::wstring wstrText = L"untouched";
        EXPECT_FALSE(WideFromUtf8(pszBytes, &wstrText)) << testing::PrintToString(std::string(pszBytes));
        EXPECT_EQ(L"untouched", wstrText);
    }
}
} // namespace
