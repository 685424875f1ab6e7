#include "portstart.h"

#include <algorithm>

#include "asciitext.h"
#include "mapsource.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string Where(const std::string& file, const char* key)
{
    return "设置文件 " + file + " 中 [" + kPortSection + "] " + key;
}

} // namespace

std::optional<unsigned> ParseSettleUs(std::string_view text)
{
    text = TrimAscii(text, kBlanks);
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), IsAsciiDigit))
        return std::nullopt;
    unsigned value = 0;
    for (char c : text)
        value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > kMaxSettleUs)
        return std::nullopt;
    return value;
}

std::string BadSettleText(const std::string& where, std::string_view value)
{
    return where + " 的值 \"" + std::string(value) + "\" 无效 (应为 0 到 " + std::to_string(kMaxSettleUs) +
           " 的整数, 单位微秒)";
}

PortSettings ReadPortSettings(const ProfileStringReader& read, const std::string& file)
{
    PortSettings s;
    s.file = file;
    if (auto port = read(kPortSection, kPortKey)) {
        const std::string_view text = TrimAscii(*port, kBlanks);
        if (!text.empty()) {
            std::string reason;
            if (!ParsePortChoice(text, &reason))
                s.problems.push_back(Where(file, kPortKey) + " 的值 \"" + std::string(text) + "\" 无效" +
                                     (reason.empty() ? "" : ": " + reason));
            s.port = std::string(text);
        }
    }
    if (auto settle = read(kPortSection, kSettleKey)) {
        if (!TrimAscii(*settle, kBlanks).empty()) {
            s.settleUs = ParseSettleUs(*settle);
            if (!s.settleUs)
                s.problems.push_back(BadSettleText(Where(file, kSettleKey), TrimAscii(*settle, kBlanks)) +
                                     ", 未使用");
        }
    }
    return s;
}

PortSettings ReadPortSettings(const std::vector<std::string>& folders)
{
    const auto file = FindSettingsFile(folders);
    if (!file)
        return {};
    return ReadPortSettings(OpenProfileStrings(*file), *file);
}

StartPort ChooseStartPort(const std::optional<std::string>& cliValue, const char* envValue,
                          const std::optional<std::string>& remembered, const PortSettings& settings)
{
    using Source = StartPort::Source;
    if (cliValue && !cliValue->empty())
        return {ChoosePort(cliValue, nullptr), Source::CommandLine};
    if (envValue && *envValue)
        return {ChoosePort(std::nullopt, envValue), Source::Environment};
    if (remembered)
        if (auto kept = ParsePortChoice(*remembered))
            return {*kept, Source::Remembered};
    if (settings.port)
        return {ChoosePort(settings.port, nullptr), Source::SettingsFile};
    return {PortChoice{PortChoice::Auto}, Source::Default};
}

std::string StartPortNote(const StartPort& start, const PortSettings& settings, unsigned settleUs, bool kept)
{
    std::vector<std::string> lines;
    if (kept)
        lines.push_back("此并口已保留, 下次启动仍用它 (右键菜单“并口”中可取消)");
    else if (start.source == StartPort::Source::SettingsFile && settings.file)
        lines.push_back("并口由设置文件 " + *settings.file + " 指定: " + *settings.port);
    if (settleUs > 0)
        lines.push_back("写入后等待 " + std::to_string(settleUs) + " 微秒再读输入");
    lines.insert(lines.end(), settings.problems.begin(), settings.problems.end());
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string WithStartNote(const std::string& status, const std::string& note)
{
    if (note.empty())
        return status;
    const std::size_t end = status.find('\n');
    if (end == std::string::npos)
        return status + "\n" + note;
    return status.substr(0, end) + "\n" + note + status.substr(end);
}

bool IsKeptPort(const PortChoice& current, const std::optional<std::string>& remembered)
{
    if (!remembered)
        return false;
    const auto kept = ParsePortChoice(*remembered);
    return kept && *kept == current;
}

std::optional<std::string> KeptAfterToggle(const PortChoice& current, const std::optional<std::string>& remembered)
{
    if (IsKeptPort(current, remembered))
        return std::nullopt;
    return PortChoiceText(current);
}
