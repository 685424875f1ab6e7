#include "message_text.h"

#include <cstdio>

namespace {

// Length of the UTF-8 sequence starting at `pos`, or 0 when it is not one.
std::size_t Utf8Length(std::string_view s, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t len = 0;
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
    if (len == 0 || pos + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[pos + k]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(s[pos + 1]);
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return len;
}

}  // namespace

std::string MessageText(std::string_view text, std::size_t maxChars)
{
    std::string out;
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < text.size(); ++chars) {
        if (chars == maxChars) return out + "...";
        const auto c = static_cast<unsigned char>(text[pos]);
        const std::size_t len = c < 0x80 ? 1 : Utf8Length(text, pos);
        if (len == 0 || c < 0x20 || c == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(c));
            out += hex;
            ++pos;
            continue;
        }
        out.append(text.substr(pos, len));
        pos += len;
    }
    return out;
}

std::string Quoted(std::string_view text) { return "\"" + MessageText(text) + "\""; }
