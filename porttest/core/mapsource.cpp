#include "mapsource.h"

#include <algorithm>
#include <cstdlib>

#include "pinmap.h"
#include "programfile.h"
#include "settings.h"

namespace {

std::string WithSeparator(std::string dir)
{
    if (!dir.empty() && dir.back() != kPathSeparator)
        dir += kPathSeparator;
    return dir;
}

bool IsAbsolute(const std::string& dir) { return !dir.empty() && dir.front() == '/'; }

std::string Joined(const std::vector<std::string>& parts, const char* between)
{
    std::string text;
    for (const std::string& p : parts)
        text += (text.empty() ? "" : between) + p;
    return text;
}

// The signals whose pins must differ (R1 and R2 are reserved lines, free to share).
constexpr const char* kSignals[] = {"MOSI", "MISO", "SCK", "RST", "LE", "OE"};

bool IsSignal(const char* key)
{
    return std::any_of(std::begin(kSignals), std::end(kSignals), [&](const char* s) { return std::string(s) == key; });
}

bool NeedsInput(const char* key) { return std::string(key) == "MISO"; }

bool IsMainSignal(const char* key)
{
    const std::string k = key;
    return k == "MOSI" || k == "MISO" || k == "SCK" || k == "RST";
}

// The entry as the file wrote it, with its line; a default as key=value.
std::string Named(const MapEntry& e)
{
    if (e.line)
        return QuoteLine(*e.line);
    return std::string(e.key) + "=" + std::to_string(e.value);
}

} // namespace

std::optional<std::string> ProcessEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::vector<std::string> SettingsFolders(const std::string& appDir, bool xdg, const EnvLookup& env)
{
    std::vector<std::string> folders{appDir};
    if (!xdg)
        return folders;
    auto add = [&](const std::string& base) {
        if (!IsAbsolute(base))
            return;
        const std::string dir = WithSeparator(base) + "porvik" + kPathSeparator;
        if (std::find(folders.begin(), folders.end(), dir) == folders.end())
            folders.push_back(dir);
    };
    const auto home = env("XDG_CONFIG_HOME");
    if (home && !home->empty()) {
        add(*home);
    } else if (const auto user = env("HOME"); user && !user->empty()) {
        add(WithSeparator(*user) + ".config");
    }
    const auto dirs = env("XDG_CONFIG_DIRS");
    std::string list = dirs && !dirs->empty() ? *dirs : std::string("/etc/xdg");
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        add(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::vector<std::string> PinMapWarnings(const std::vector<MapEntry>& entries)
{
    std::vector<std::string> warnings;
    for (const MapEntry& e : entries) {
        if (!e.present)
            continue;
        const std::string head = Named(e) + ": ";
        if (e.value < 0 || e.value > kConnectorPins) {
            warnings.push_back(head + "引脚号应在 0 到 17 之间");
        } else if (e.value == 0) {
            if (IsMainSignal(e.key))
                warnings.push_back(head + "该信号不接任何引脚 (值不是 1 到 17 的数字?)");
        } else if (NeedsInput(e.key) ? !IsInputPin(e.value) : !IsOutputPin(e.value)) {
            warnings.push_back(head + "PIN" + std::to_string(e.value) +
                               (NeedsInput(e.key) ? " 是输出引脚, 读不到该信号" : " 是输入引脚, 驱动不了该信号"));
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MapEntry& a = entries[i];
        if (!IsSignal(a.key) || a.value < 1 || a.value > kConnectorPins)
            continue;
        for (std::size_t j = i + 1; j < entries.size(); ++j) {
            const MapEntry& b = entries[j];
            if (!IsSignal(b.key) || b.value != a.value || (!a.present && !b.present))
                continue;
            const MapEntry& blamed = b.present ? b : a;
            const MapEntry& other = b.present ? a : b;
            warnings.push_back(Named(blamed) + ": 与 " + other.key + " 同用 PIN" + std::to_string(blamed.value));
        }
    }
    return warnings;
}

std::string MapSourceText(const MapSource& s)
{
    if (!s.settingsCable)
        return "引脚表: 内置 (该下载线的引脚是固定的)";
    if (!s.file)
        return "引脚表: 内置 (没有找到设置文件 QorelIsp.ini)";
    if (s.usableEntries == 0)
        return "引脚表: 内置 (设置文件 " + *s.file + " 中没有可用的项)";
    return "引脚表: 设置文件 " + *s.file;
}

std::string MapSourceStatusText(const MapSource& s)
{
    std::string text = MapSourceText(s);
    if (s.settingsCable && !s.file)
        text += ", 查找过: " + Joined(s.searched, ", ");
    if (!s.warnings.empty())
        text += "; 警告: " + Joined(s.warnings, "; ");
    return text;
}

std::optional<std::string> FindSettingsFile(const std::vector<std::string>& folders)
{
    for (const std::string& dir : folders)
        if (auto file = FindFileIgnoringCase(dir, QOREL_ISP_INI))
            return file;
    return std::nullopt;
}
