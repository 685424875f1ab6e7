#include "gbk.h"

#include "codepage936.h"

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsAscii(std::string_view s)
{
    for (unsigned char ch : s)
        if (ch >= 0x80)
            return false;
    return true;
}

// Decodes `gbk`; every byte that starts no valid character becomes one U+FFFD and decoding
// resumes at the next byte, so an ASCII byte after a stray lead byte is kept. Returns whether
// everything decoded.
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
    // IsValidGbk asks without wanting the text; the converted bytes then go to a scratch buffer.
    thread_local std::string scratch;
    scratch.clear();
    std::string& sink = out ? *out : scratch;
    while (!Cp936ToUtf8Prefix(gbk, sink)) {
        valid = false;
        if (!out)
            return false;
        out->append(kReplacementUtf8);
        gbk.remove_prefix(1);
    }
    return valid;
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
    std::string out;
    if (!Utf8ToCp936(utf8, out))
        return std::nullopt;
    return out;
}

std::optional<std::string> GbkFieldBytes(std::string_view loadedBytes, std::string_view typedUtf8)
{
    if (typedUtf8 == GbkToUtf8(loadedBytes)) return std::string(loadedBytes);
    return Utf8ToGbk(typedUtf8);
}
