#include "gbk.h"

#include "codepage936.h"

#include <algorithm>

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsAscii(std::string_view s)
{
    for (unsigned char ch : s)
        if (ch >= 0x80)
            return false;
    return true;
}

// True when `utf8` holds a character of the Private Use Area (U+E000..U+F8FF): EE xx xx, or
// EF 80..A3 xx.
bool HasPrivateUse(std::string_view utf8)
{
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b == 0xEE) return true;
        if (b == 0xEF && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0xA3) return true;
    }
    return false;
}

// One character of the platform's converter, under our rule: false when it does not decode or
// decodes to a private-use character.
bool DecodeOne(std::string_view piece, std::string& out)
{
    std::string one;
    if (!Cp936ToUtf8Prefix(piece, one) || HasPrivateUse(one)) return false;
    out += one;
    return true;
}

// The bytes a character of code page 936 takes: ASCII and 0x80 (the euro sign) alone, a lead
// byte with the byte after it.
std::size_t CharLength(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

// Decodes `gbk` by one rule on every system: the pairs of GBK proper decode; the user-defined
// areas, which Windows maps to private-use characters and other converters refuse, are refused
// everywhere, so that a list or a text file reads the same on Linux and Windows and no name
// turns into characters that mean nothing elsewhere (its bytes are kept all the same). Every byte
// that starts no valid character becomes one U+FFFD and decoding resumes at the next byte, so an
// ASCII byte after a stray lead byte is kept. Returns whether everything decoded.
bool Decode(std::string_view gbk, std::string* out)
{
    if (IsAscii(gbk)) {
        if (out)
            out->assign(gbk);
        return true;
    }
    bool valid = true;
    if (!Cp936DecoderAvailable()) {
        // Without a converter only ASCII can be shown faithfully.
        for (unsigned char ch : gbk) {
            if (ch < 0x80) {
                if (out)
                    out->push_back(static_cast<char>(ch));
            } else {
                valid = false;
                if (out)
                    out->append(kReplacementUtf8);
            }
        }
        return valid;
    }
    // The whole text at once, nearly always; character by character only when that is refused.
    thread_local std::string whole;
    whole.clear();
    std::string_view rest = gbk;
    if (Cp936ToUtf8Prefix(rest, whole) && !HasPrivateUse(whole)) {
        if (out)
            out->append(whole);
        return true;
    }
    if (!out)
        return false;
    for (std::size_t at = 0; at < gbk.size();) {
        const std::size_t len = std::min(CharLength(static_cast<unsigned char>(gbk[at])), gbk.size() - at);
        if (DecodeOne(gbk.substr(at, len), *out)) {
            at += len;
        } else {
            out->append(kReplacementUtf8);
            ++at;
        }
    }
    return false;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk)
{
    std::string out;
    out.reserve(gbk.size() * 3 / 2 + 4);
    Decode(gbk, &out);
    return out;
}

bool IsValidGbk(std::string_view gbk) { return Decode(gbk, nullptr); }

std::optional<std::string> Utf8ToGbk(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    // Under the same rule as decoding: no private-use character, and only a text that reads back
    // as itself (no two characters share one code).
    std::string out;
    if (HasPrivateUse(utf8) || !Utf8ToCp936(utf8, out) || GbkToUtf8(out) != utf8)
        return std::nullopt;
    return out;
}

std::optional<std::string> GbkFieldBytes(std::string_view loadedBytes, std::string_view typedUtf8)
{
    if (typedUtf8 == GbkToUtf8(loadedBytes)) return std::string(loadedBytes);
    return Utf8ToGbk(typedUtf8);
}
