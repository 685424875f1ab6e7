#pragma once
#include <cstddef>
#include <string_view>

// The length of the UTF-8 sequence that starts at `pos` (1 for ASCII), or 0 when none starts
// there: a stray or cut-off byte, an overlong form, a surrogate or a code point past U+10FFFF.
constexpr std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) return 1;
    std::size_t len = 0;
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
    if (len == 0 || pos + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[pos + k]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(s[pos + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return len;
}

constexpr bool IsValidUtf8(std::string_view s)
{
    for (std::size_t pos = 0; pos < s.size();) {
        const std::size_t len = Utf8SequenceLength(s, pos);
        if (len == 0) return false;
        pos += len;
    }
    return true;
}
