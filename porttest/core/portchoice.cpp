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
    for (const Keyword& k : kKeywords)
        if (EqualsAsciiNoCase(text, k.word))
            return PortChoice{k.kind, {}};
    if (text.find('/') != std::string_view::npos)
        return PortChoice{PortChoice::Device, std::string(text)};
    if (IsShortDeviceName(text))
        return PortChoice{PortChoice::Device, "/dev/" + std::string(text)};
    return std::nullopt;
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
    std::string label;
    switch (current.kind) {
    case PortChoice::Auto:
        label = "自动";
        break;
    case PortChoice::Device:
        label = current.device;
        break;
    case PortChoice::Direct:
        label = "直接端口指令";
        break;
    case PortChoice::Virtual:
        label = "虚拟并口, 插头带故障";
        break;
    }
    offers.push_back({label + " (启动时所选)", current});
    return offers;
}
