#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "portstart.h"

// Every word of the settings file accounted for: the sections and keys Porvik knows, and a
// check of the file's own text that names, with its line number and its text as written, each
// line that does nothing or not what it seems to (no '=', an unknown section or key, a key given
// twice, a section header without ']', a value that is not a number or not a level). The values
// themselves are read elsewhere (on Windows by the system); this reads only to tell the user.
// Runs on every platform.

inline constexpr const char* kPinSection = "引脚控制";
inline constexpr const char* kLeSection = "锁存控制(LE)";
inline constexpr const char* kOeSection = "输出控制(OE)";

// What a key's value must be.
enum class SettingsValue {
    Pin,    // a connector pin number (checked further against the map, PinMapWarnings)
    Level,  // 0 low or 1 high (any other number counts as high)
    Text,   // any text
};

struct SettingsWord {
    const char* section;
    const char* key;
    SettingsValue value;
};

inline constexpr SettingsWord kSettingsWords[] = {
    {kPinSection, "MOSI", SettingsValue::Pin},      {kPinSection, "MISO", SettingsValue::Pin},
    {kPinSection, "SCK", SettingsValue::Pin},       {kPinSection, "RST", SettingsValue::Pin},
    {kPinSection, "LE", SettingsValue::Pin},        {kPinSection, "OE", SettingsValue::Pin},
    {kPinSection, "R1", SettingsValue::Pin},        {kPinSection, "R2", SettingsValue::Pin},
    {kLeSection, "Enable", SettingsValue::Level},   {kLeSection, "Disable", SettingsValue::Level},
    {kOeSection, "Enable", SettingsValue::Level},   {kOeSection, "Disable", SettingsValue::Level},
    // The port's entries are judged where they are read (ReadPortSettings), each value once.
    {kPortSection, kPortKey, SettingsValue::Text},  {kPortSection, kSettleKey, SettingsValue::Text},
};

// One line of the file: its number (from 1) and its text without surrounding blanks, in UTF-8.
struct SettingsLine {
    int number = 0;
    std::string text;
};
// 第 3 行 "MOSI=abc"
std::string QuoteLine(const SettingsLine& line);

struct SettingsScan {
    std::vector<std::string> warnings; // in the order of the lines, each quoting its line
    // The line that gives each known key its value (its first occurrence), by section and key as
    // kSettingsWords spells them.
    std::map<std::pair<std::string, std::string>, SettingsLine> given;
    std::optional<SettingsLine> Given(std::string_view section, std::string_view key) const;
};

// Checks the file's bytes (any encoding CProfileFile reads) as the reader takes them.
SettingsScan ScanSettingsWords(std::string_view bytes);
// The same for a file; nothing to say when it cannot be read.
SettingsScan ScanSettingsFile(const std::string& path);

// Each line of the text that is not blank, with its number (from 1), without surrounding blanks
// and cut at an embedded NUL, as the reader takes it: whole lines of any length.
void ForEachProfileLine(std::string_view text, const std::function<void(int number, std::string_view line)>& each);
// A regular file's bytes; nothing for anything else (a folder, a pipe) or a failed read.
std::optional<std::string> ReadProfileBytes(const std::string& path);
// The file's text in UTF-8: UTF-16 by its byte-order mark, else line by line UTF-8 or GBK.
std::string DecodeProfileText(std::string_view bytes);
// A section or key name as the profile functions compare it: without surrounding blanks, ASCII
// letters in lower case.
std::string FoldProfileName(std::string_view name);

// Decimal value as the Windows profile functions read it: leading blanks, an optional sign,
// digits up to the first non-digit; no digits at all gives 0. Unlike the 32-bit conversion of
// those functions, a value beyond the int range saturates (at INT_MAX or INT_MIN) instead of
// wrapping, so that a huge number never aliases to a real pin number or flips a level to 0.
int ParseProfileInt(std::string_view value);
