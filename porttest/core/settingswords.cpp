#include "settingswords.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "asciitext.h"
#include "gbk.h"
#include "utf8.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text) { return TrimAscii(text, kBlanks); }

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
} // namespace

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


std::string FoldProfileName(std::string_view name)
{
    std::string folded(Trimmed(name));
    for (char& c : folded)
        c = AsciiLower(c);
    return folded;
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


void ForEachProfileLine(std::string_view text, const std::function<void(int, std::string_view)>& each)
{
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        // Text after an embedded NUL is lost, as the system's string functions would lose it.
        line = Trimmed(line.substr(0, line.find('\0')));
        if (!line.empty())
            each(number, line);
    }
}

std::optional<std::string> ReadProfileBytes(const std::string& path)
{
    // Only a regular file counts: a directory or a pipe of that name must neither throw nor
    // block. Plain C reads, because the stream library reports a failed read by throwing.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        bytes.append(buf, n);
    std::fclose(file);
    return bytes;
}

std::string QuoteLine(const SettingsLine& line)
{
    return "第 " + std::to_string(line.number) + " 行 \"" + line.text + "\"";
}

std::optional<SettingsLine> SettingsScan::Given(std::string_view section, std::string_view key) const
{
    const auto it = given.find({std::string(section), std::string(key)});
    if (it == given.end())
        return std::nullopt;
    return it->second;
}

namespace {

const SettingsWord* FindWord(std::string_view foldedSection, std::string_view foldedKey)
{
    for (const SettingsWord& w : kSettingsWords)
        if (FoldProfileName(w.section) == foldedSection && (foldedKey.empty() || FoldProfileName(w.key) == foldedKey))
            return &w;
    return nullptr;
}

bool IsPlainNumber(std::string_view value)
{
    if (!value.empty() && (value.front() == '+' || value.front() == '-'))
        value.remove_prefix(1);
    return !value.empty() && std::all_of(value.begin(), value.end(), IsAsciiDigit);
}

// What is wrong with a known key's value, or nothing.
std::optional<std::string> ValueProblem(const SettingsWord& word, std::string_view value)
{
    if (word.value == SettingsValue::Text)
        return std::nullopt;
    if (value.empty())
        return std::string("没有值, 用缺省值");
    if (!IsPlainNumber(value))
        return "\"" + std::string(value) + "\" 不是数字, 按 " + std::to_string(ParseProfileInt(value)) + " 处理";
    const int number = ParseProfileInt(value);
    if (word.value == SettingsValue::Level && number != 0 && number != 1)
        return std::string("电平应为 0 或 1, 按高电平 (1) 处理");
    return std::nullopt;
}

} // namespace

SettingsScan ScanSettingsWords(std::string_view bytes)
{
    // The reader's rules (CProfileFile::FromBytes, and Windows' own): a header is '[' up to the
    // last ']' of its line, a line without one changes no section; only '=' gives a value; the
    // first occurrence of a key wins, across repeated sections of one name too.
    SettingsScan scan;
    const SettingsWord* section = nullptr; // the known section the lines are in
    bool inSection = false;
    std::string sectionName;
    auto warn = [&](const SettingsLine& line, const std::string& why) { scan.warnings.push_back(QuoteLine(line) + ": " + why); };
    ForEachProfileLine(DecodeProfileText(bytes), [&](int number, std::string_view text) {
        const SettingsLine line{number, std::string(text)};
        if (text.front() == ';' || text.front() == '#')
            return; // a comment
        if (text.front() == '[') {
            const std::size_t close = text.rfind(']');
            if (close == std::string_view::npos) {
                warn(line, "节名缺少 \"]\", 该行不起作用" +
                               (inSection ? ", 其后的项仍属于 [" + sectionName + "]" : std::string()));
                return;
            }
            sectionName = std::string(Trimmed(text.substr(1, close - 1)));
            section = FindWord(FoldProfileName(sectionName), {});
            inSection = true;
            if (!section)
                warn(line, "不认识的节 [" + sectionName + "], 其中的项都不起作用");
            return;
        }
        const std::size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            warn(line, "没有 \"=\", 该行不起作用 (键与值之间只认 \"=\")");
            return;
        }
        if (!inSection) {
            warn(line, "在第一个节之前, 不属于任何节, 该行不起作用");
            return;
        }
        if (!section)
            return; // said once, at the section's header
        const std::string key(Trimmed(text.substr(0, eq)));
        const SettingsWord* word = FindWord(FoldProfileName(section->section), FoldProfileName(key));
        if (!word) {
            warn(line, "[" + std::string(section->section) + "] 中没有 \"" + key + "\" 这一项, 该行不起作用");
            return;
        }
        const auto [it, first] = scan.given.emplace(std::make_pair(std::string(word->section), std::string(word->key)), line);
        if (!first) {
            warn(line, std::string(word->key) + " 已在第 " + std::to_string(it->second.number) + " 行给出, 以第一次为准, 该行不起作用");
            return;
        }
        if (const auto problem = ValueProblem(*word, Trimmed(text.substr(eq + 1))))
            warn(line, *problem);
    });
    return scan;
}

SettingsScan ScanSettingsFile(const std::string& path)
{
    const auto bytes = ReadProfileBytes(path);
    return bytes ? ScanSettingsWords(*bytes) : SettingsScan{};
}
