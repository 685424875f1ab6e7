#include "settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "asciitext.h"
#include "gbk.h"
#include "utf8.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 without its byte-order mark to UTF-8; a lone surrogate becomes U+FFFD and an odd last
// byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

// A file that starts with a UTF-16 byte-order mark is UTF-16, as Windows reads it. Any other
// file is decoded line by line: a line that is valid UTF-8 stays, any other line is GBK. Files
// get mixed by hand: a UTF-8 file may carry a comment pasted from a GBK one, and that comment
// must not turn the values of every other line into mojibake.
std::string DecodeProfileText(std::string_view bytes)
{
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return Utf16ToUtf8(bytes.substr(2), true);
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes.substr(0, bom.size()) == bom)
        bytes.remove_prefix(bom.size());
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::size_t len = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::string_view line = bytes.substr(0, len);
        if (IsValidUtf8(line))
            text += line;
        else
            text += GbkToUtf8(line);
        bytes.remove_prefix(len);
    }
    return text;
}

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text) { return TrimAscii(text, kBlanks); }

} // namespace

std::string CProfileFile::Fold(std::string_view name)
{
    std::string folded(Trimmed(name));
    for (char& c : folded)
        c = AsciiLower(c);
    return folded;
}

CProfileFile CProfileFile::FromBytes(std::string_view bytes)
{
    const std::string text = DecodeProfileText(bytes);

    // Read as the Windows profile functions read a file: whole lines of any length, a section
    // header is '[' up to the last ']' of its line (a line without one is no header and changes
    // nothing), and only '=' separates a key from its value; a line without '=' holds no value.
    // Anything before the first header belongs to no section anyone asks for.
    CProfileFile profile;
    std::string section;
    bool inSection = false;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        // Text after an embedded NUL is lost, as the system's string functions would lose it.
        line = Trimmed(line.substr(0, line.find('\0')));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos)
                continue;
            section = Fold(line.substr(1, close - 1));
            inSection = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos)
            continue;
        // The first occurrence wins, as with the profile functions.
        profile.m_values.emplace(std::make_pair(section, Fold(line.substr(0, eq))),
                                 std::string(Trimmed(line.substr(eq + 1))));
    }
    return profile;
}

CProfileFile CProfileFile::Load(const std::string& path)
{
    // Only a regular file counts: a directory or a pipe of that name must neither throw nor
    // block. Plain C reads, because the stream library reports a failed read by throwing.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {};
    std::string bytes;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        bytes.append(buf, n);
    std::fclose(file);
    return FromBytes(bytes);
}

std::optional<std::string> CProfileFile::GetString(std::string_view section, std::string_view key) const
{
    const auto it = m_values.find(std::make_pair(Fold(section), Fold(key)));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

int CProfileFile::GetInt(std::string_view section, std::string_view key, int def) const
{
    const auto value = GetString(section, key);
    if (!value || value->empty())
        return def;
    return ParseProfileInt(*value);
}

int ParseProfileInt(std::string_view value)
{
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Accumulate the magnitude with a ceiling just past the int range, so no digit count overflows.
    constexpr long long limit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    if (negative)
        return static_cast<int>(-magnitude); // -limit is INT_MIN exactly
    return magnitude >= limit ? INT_MAX : static_cast<int>(magnitude);
}

ProfileIntReader OpenProfile(const std::string& path)
{
    return [profile = CProfileFile::Load(path)](std::string_view section, std::string_view key, int def) {
        return profile.GetInt(section, key, def);
    };
}

ProfileStringReader OpenProfileStrings(const std::string& path)
{
    return [profile = CProfileFile::Load(path)](std::string_view section, std::string_view key) {
        return profile.GetString(section, key);
    };
}
