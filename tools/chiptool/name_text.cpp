#include "name_text.h"

#include "asciitext.h"
#include "gbk.h"
#include "message_text.h"

#include <cstdint>
#include <optional>

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool IsAsciiOnly(std::string_view s)
{
    for (const char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

// One piece of a name: a single byte (ASCII or undecodable) or a decoded multi-byte character.
struct Piece {
    std::string_view bytes;
    std::string utf8;  // empty when the bytes do not stand for a character
};

bool IsOneCharacter(std::string_view utf8)
{
    std::size_t starts = 0;
    for (const char ch : utf8)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++starts;
    return starts == 1;
}

// GBK is stateless: a byte below 0x80 stands alone, anything else either starts a two-byte
// character or, in code page 936, may be a character by itself (0x80). A character only counts
// as decoded when its UTF-8 form converts back to the very same bytes; otherwise the bytes
// would not survive an export/import round trip. Two bytes must also make one character: 0x80
// followed by an ASCII byte decodes as two, and that ASCII byte (a backslash, a control byte)
// must still be escaped on its own.
Piece NextPiece(std::string_view s, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) return {s.substr(pos, 1), std::string(1, static_cast<char>(lead))};
    for (std::size_t len : {std::size_t{2}, std::size_t{1}}) {
        if (pos + len > s.size()) continue;
        const std::string_view bytes = s.substr(pos, len);
        if (!IsValidGbk(bytes)) continue;
        std::string utf8 = GbkToUtf8(bytes);
        const std::optional<std::string> back = Utf8ToGbk(utf8);
        if (back && *back == bytes && IsOneCharacter(utf8)) return {bytes, std::move(utf8)};
    }
    return {s.substr(pos, 1), {}};
}

void AppendHexEscape(std::string& out, unsigned char c)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0f];
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

std::string EscapeName(std::string_view gbk)
{
    std::string out;
    out.reserve(gbk.size() + 8);
    for (std::size_t pos = 0; pos < gbk.size();) {
        const auto c = static_cast<unsigned char>(gbk[pos]);
        if (c < 0x80) {
            if (c == '\\')
                out += "\\\\";
            else if (IsControl(c))
                AppendHexEscape(out, c);
            else
                out += static_cast<char>(c);
            ++pos;
            continue;
        }
        const Piece piece = NextPiece(gbk, pos);
        if (piece.utf8.empty())
            AppendHexEscape(out, c);
        else
            out += piece.utf8;
        pos += piece.bytes.size();
    }
    return out;
}

bool UnescapeName(std::string_view text, std::string& gbk, std::string& error)
{
    gbk.clear();
    std::size_t runStart = 0;  // start of the plain text not yet converted
    auto flushRun = [&](std::size_t end) {
        const std::string_view run = text.substr(runStart, end - runStart);
        if (run.empty()) return true;
        if (IsAsciiOnly(run)) {
            gbk += run;
            return true;
        }
        const std::optional<std::string> converted = Utf8ToGbk(run);
        if (!converted) {
            // A CSV saved in GBK rather than UTF-8 ends up here too, hence both causes in the text.
            error = "text " + Quoted(run) + " is not UTF-8 or holds a character that GBK cannot represent";
            return false;
        }
        gbk += *converted;
        return true;
    };
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] != '\\') {
            ++pos;
            continue;
        }
        if (!flushRun(pos)) return false;
        if (pos + 1 < text.size() && text[pos + 1] == '\\') {
            gbk += '\\';
            pos += 2;
        } else if (pos + 3 < text.size() && text[pos + 1] == 'x' && HexDigitValue(text[pos + 2]) >= 0 &&
                   HexDigitValue(text[pos + 3]) >= 0) {
            gbk += static_cast<char>(HexDigitValue(text[pos + 2]) * 16 + HexDigitValue(text[pos + 3]));
            pos += 4;
        } else {
            error = "bad escape at " + Quoted(text.substr(pos, 4)) +
                    " (only \\\\ and \\xHH are known)";
            return false;
        }
        runStart = pos;
    }
    if (!flushRun(text.size())) return false;
    if (gbk.find('\0') != std::string::npos) {
        error = "a name cannot hold a NUL byte";
        return false;
    }
    return true;
}

std::string DisplayName(std::string_view gbk, std::size_t* columns)
{
    std::string out;
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < gbk.size();) {
        const auto c = static_cast<unsigned char>(gbk[pos]);
        if (c < 0x80) {
            if (IsControl(c))
                out += kReplacement;
            else
                out += static_cast<char>(c);
            ++width;
            ++pos;
            continue;
        }
        const Piece piece = NextPiece(gbk, pos);
        if (piece.utf8.empty()) {
            out += kReplacement;
            ++width;
        } else {
            out += piece.utf8;
            width += piece.bytes.size();
        }
        pos += piece.bytes.size();
    }
    if (columns) *columns = width;
    return out;
}
