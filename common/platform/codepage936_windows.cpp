// Code page 936 through the Windows converter, giving the same answers as the iconv build: a
// byte sequence is either decoded whole or refused, and nothing is ever substituted.
#include "codepage936.h"

#include <windows.h>

#include <climits>

namespace {

constexpr UINT kGbk = 936;

// The converters count in int; no field or line comes anywhere near that.
bool Fits(std::size_t n) { return n <= static_cast<std::size_t>(INT_MAX); }

bool WideToUtf8(const std::wstring& wide, std::string& out)
{
    if (wide.empty())
        return true;
    const int wlen = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, out.data() + at, n, nullptr, nullptr);
    return true;
}

// Strict: false for any byte sequence the code page does not define.
bool ToWide(UINT codePage, std::string_view text, std::wstring& wide)
{
    wide.clear();
    if (text.empty())
        return true;
    if (!Fits(text.size()))
        return false;
    const int len = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), len, nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(n));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), len, wide.data(), n) == n;
}

// The bytes one character takes: ASCII and 0x80 (the euro sign) stand alone, 0x81..0xFE lead a
// pair; 0 for a byte that starts nothing.
std::size_t CharLength(unsigned char lead)
{
    if (lead <= 0x80)
        return 1;
    return lead == 0xFF ? 0 : 2;
}

// How many leading bytes of `gbk` decode, character by character; only used once the text as a
// whole has been refused, so the common case costs one call.
std::size_t DecodablePrefix(std::string_view gbk)
{
    std::size_t at = 0;
    std::wstring scratch;
    while (at < gbk.size()) {
        const std::size_t len = CharLength(static_cast<unsigned char>(gbk[at]));
        if (len == 0 || at + len > gbk.size() || !ToWide(kGbk, gbk.substr(at, len), scratch))
            break;
        at += len;
    }
    return at;
}

}  // namespace

bool Cp936DecoderAvailable() { return ::IsValidCodePage(kGbk) != 0; }

bool Cp936ToUtf8Prefix(std::string_view& gbk, std::string& out)
{
    std::wstring wide;
    if (ToWide(kGbk, gbk, wide)) {
        if (WideToUtf8(wide, out)) {
            gbk.remove_prefix(gbk.size());
            return true;
        }
        return false;
    }
    const std::size_t good = DecodablePrefix(gbk);
    if (ToWide(kGbk, gbk.substr(0, good), wide))
        WideToUtf8(wide, out);
    gbk.remove_prefix(good);
    return false;
}

bool Utf8ToCp936(std::string_view utf8, std::string& out)
{
    std::wstring wide;
    if (!ToWide(CP_UTF8, utf8, wide))
        return false;  // not UTF-8 (lone surrogates included)
    if (wide.empty())
        return true;
    const int wlen = static_cast<int>(wide.size());
    // No best fit: a character without its own GBK code is refused, not approximated.
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, out.data() + at, n, nullptr, &usedDefault);
    return !usedDefault;
}
