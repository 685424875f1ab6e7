#include "portchoice.h"

#include <algorithm>
#include <cstdio>

#include "asciitext.h"

namespace {

struct Keyword {
    const char* word;
    PortChoice::Kind kind;
};

constexpr Keyword kKeywords[] = {
    {"auto", PortChoice::Auto},
    {"virtual", PortChoice::Virtual},
    {"direct", PortChoice::Direct},
};

bool IsShortDeviceName(std::string_view text)
{
    constexpr std::string_view prefix = "parport";
    if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view digits = text.substr(prefix.size());
    return digits.size() <= 3 && std::all_of(digits.begin(), digits.end(), IsAsciiDigit);
}

// "0xD010" or "53264": a card's base address, checked against the I/O space a port may use.
std::optional<std::uint16_t> ParseBase(std::string_view text, std::string& error)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    unsigned long value = 0;
    bool ok = !digits.empty() && digits.size() <= 8;
    for (char c : digits) {
        if (!ok)
            break;
        const int d = IsAsciiDigit(c) ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        ok = d >= 0;
        value = value * (hex ? 16 : 10) + static_cast<unsigned long>(d < 0 ? 0 : d);
    }
    if (!ok) {
        error = "基地址 \"" + std::string(text) + "\" 不是数 (例: direct:0xD010)";
        return std::nullopt;
    }
    if (value < kMinPortBase || value > kMaxPortBase || value % 4 != 0) {
        char range[64];
        std::snprintf(range, sizeof range, "应为 0x%X 到 0x%X 之间 4 的倍数", kMinPortBase, kMaxPortBase);
        error = "基地址 " + std::string(text) + " 不可用: " + range;
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::optional<PortChoice> ParsePortChoice(std::string_view text, std::string* error)
{
    if (text.empty())
        return std::nullopt;
    constexpr std::string_view faultsPrefix = "virtual:";
    if (text.size() >= faultsPrefix.size() && EqualsAsciiNoCase(text.substr(0, faultsPrefix.size()), faultsPrefix)) {
        auto faults = ParsePlugFaults(text.substr(faultsPrefix.size()), error);
        if (!faults)
            return std::nullopt;
        return PortChoice{PortChoice::Virtual, {}, std::move(*faults)};
    }
    constexpr std::string_view basePrefix = "direct:";
    if (text.size() >= basePrefix.size() && EqualsAsciiNoCase(text.substr(0, basePrefix.size()), basePrefix)) {
        std::string reason;
        const auto base = ParseBase(text.substr(basePrefix.size()), reason);
        if (!base) {
            if (error)
                *error = std::move(reason);
            return std::nullopt;
        }
        PortChoice choice{PortChoice::Direct};
        choice.base = *base;
        return choice;
    }
    for (const Keyword& k : kKeywords)
        if (EqualsAsciiNoCase(text, k.word))
            return PortChoice{k.kind, {}};
    if (text.find('/') != std::string_view::npos)
        return PortChoice{PortChoice::Device, std::string(text)};
    if (IsShortDeviceName(text))
        return PortChoice{PortChoice::Device, "/dev/" + std::string(text)};
    return std::nullopt;
}

std::string PortChoiceText(const PortChoice& choice)
{
    switch (choice.kind) {
    case PortChoice::Auto:
        return "auto";
    case PortChoice::Device:
        return choice.device;
    case PortChoice::Direct: {
        if (choice.base == PortChoice::kDefaultBase)
            return "direct";
        char text[32];
        std::snprintf(text, sizeof text, "direct:0x%X", unsigned(choice.base));
        return text;
    }
    case PortChoice::Virtual:
        return choice.faults.Empty() ? "virtual" : "virtual:" + PlugFaultsText(choice.faults);
    }
    return "auto";
}

PortChoice ChoosePort(std::optional<std::string> cliValue, const char* envValue)
{
    auto resolve = [](std::string_view value) {
        if (auto choice = ParsePortChoice(value))
            return *choice;
        return PortChoice{PortChoice::Device, std::string(value)};
    };
    if (cliValue && !cliValue->empty())
        return resolve(*cliValue);
    if (envValue && *envValue)
        return resolve(envValue);
    return PortChoice{PortChoice::Auto, {}};
}

std::vector<PortOffer> PortOffers(const std::vector<FoundPort>& found)
{
    std::vector<PortOffer> offers{{"自动 (0x378 处的并口)", PortChoice{PortChoice::Auto}}};
    for (const FoundPort& f : found) {
        char base[16];
        std::snprintf(base, sizeof base, "0x%x", f.base);
        std::string label = f.device + " (" + base + (f.modes.empty() ? "" : ", " + f.modes) + ")";
        offers.push_back({std::move(label), PortChoice{PortChoice::Device, f.device}});
    }
    offers.push_back({"虚拟并口 (内存中, 带回环插头, 不需要硬件)", PortChoice{PortChoice::Virtual}});
    return offers;
}

std::vector<PortOffer> WithCurrentPort(std::vector<PortOffer> offers, const PortChoice& current)
{
    for (const PortOffer& o : offers)
        if (o.choice == current)
            return offers;
    offers.push_back({PortChoiceText(current) + " (启动时所选)", current});
    return offers;
}
