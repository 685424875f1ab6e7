#include "message_text.h"

#include <cstdio>

#include "utf8.h"

std::string MessageText(std::string_view text, std::size_t maxChars)
{
    std::string out;
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < text.size(); ++chars) {
        if (chars == maxChars) return out + "...";
        const auto c = static_cast<unsigned char>(text[pos]);
        const std::size_t len = Utf8SequenceLength(text, pos);
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
