#include <gtest/gtest.h>

#include "msgbox.h"
#include "wintext.h"

// Texts reach the Windows API as UTF-16: every conversion must keep Chinese, say where bytes were
// not text, and never turn an unstorable character into a '?' that would then be saved.

TEST(Win32Text, Utf8AndGbkReachUtf16Unchanged)
{
    struct Row {
        std::string utf8;
        std::string gbk;
        std::wstring wide;
    };
    const Row rows[] = {
        {"", "", L""},
        {"AT89C51", "AT89C51", L"AT89C51"},
        {"芯片", "\xD0\xBE\xC6\xAC", L"\x82AF\x7247"},
        {"24C02芯片", "24C02\xD0\xBE\xC6\xAC", L"24C02\x82AF\x7247"},
        {"€", "\x80", L"\x20AC"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Utf8ToWide(r.utf8), r.wide) << r.utf8;
        EXPECT_EQ(WideToUtf8(r.wide), r.utf8) << r.utf8;
        EXPECT_EQ(GbkToWide(r.gbk), r.wide) << r.utf8;
        EXPECT_EQ(WideToGbk(r.wide), std::optional<std::string>(r.gbk)) << r.utf8;
    }
    // A character beyond the BMP is a surrogate pair in UTF-16 and four bytes in UTF-8.
    EXPECT_EQ(WideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST(Win32Text, BadInputShowsAsReplacementAndIsNeverStored)
{
    EXPECT_EQ(GbkToWide("A\xFF"), L"A\xFFFD");
    EXPECT_EQ(Utf8ToWide("A\xC3"), L"A\xFFFD");
    for (const std::wstring& text : {std::wstring(L"\xD83D\xDE00"), std::wstring(L"\xD55C"), std::wstring(L"A\xD800")})
        EXPECT_EQ(WideToGbk(text), std::nullopt);
}

TEST(Win32Prompt, QuestionsAskAndMessagesWarn)
{
    EXPECT_EQ(MessageBoxFlags(IPrompt::Buttons::Ok), UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(MessageBoxFlags(IPrompt::Buttons::YesNo), UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(MessageBoxFlags(IPrompt::Buttons::YesNoCancel), UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
}
