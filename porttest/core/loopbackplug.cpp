#include "loopbackplug.h"

#include <charconv>

#include "pinmap.h"

namespace {

// One fault's argument: "A-B" or "P" with an optional ":0" / ":1".
struct FaultArgs {
    int first = 0;
    int second = 0;
    bool high = false;
    double chance = 0.01;
    unsigned long seed = 0;
};

bool ParsePin(std::string_view text, int& pin)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, pin);
    return ec == std::errc() && ptr == end && LookupPin(pin) != nullptr;
}

std::optional<FaultArgs> ParsePair(std::string_view text)
{
    const auto dash = text.find('-');
    FaultArgs args;
    if (dash == std::string_view::npos || !ParsePin(text.substr(0, dash), args.first) ||
        !ParsePin(text.substr(dash + 1), args.second) || args.first == args.second)
        return std::nullopt;
    return args;
}

std::optional<FaultArgs> ParseLevelPin(std::string_view text)
{
    FaultArgs args;
    const auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view level = text.substr(colon + 1);
        if (level != "0" && level != "1")
            return std::nullopt;
        args.high = level == "1";
        text = text.substr(0, colon);
    }
    if (!ParsePin(text, args.first))
        return std::nullopt;
    return args;
}

// "A-B" or "A-B:C" with 0 < C <= 1.
std::optional<FaultArgs> ParseChancePair(std::string_view text)
{
    const auto colon = text.find(':');
    auto args = ParsePair(text.substr(0, colon));
    if (!args || colon == std::string_view::npos)
        return args;
    const std::string_view chance = text.substr(colon + 1);
    const char* end = chance.data() + chance.size();
    const auto [ptr, ec] = std::from_chars(chance.data(), end, args->chance);
    if (ec != std::errc() || ptr != end || !(args->chance > 0.0 && args->chance <= 1.0))
        return std::nullopt;
    return args;
}

std::optional<FaultArgs> ParseSeed(std::string_view text)
{
    FaultArgs args;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, args.seed);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return args;
}

std::optional<PlugWire> FindPlugWire(int a, int b)
{
    for (const PlugWire& w : kLoopbackPlug)
        if ((w.output == a && w.input == b) || (w.output == b && w.input == a))
            return w;
    return std::nullopt;
}

// Adds one parsed fault; false with a reason when it cannot stand.
using AddFault = bool (*)(PlugFaults&, const FaultArgs&, std::string&);

struct FaultKind {
    const char* name;
    std::optional<FaultArgs> (*parse)(std::string_view);
    AddFault add;
    const char* form; // how it is written, for the reason when its argument is not understood
};

// The plug's wire between two pins, or a reason naming the fault.
std::optional<PlugWire> PlugWireOf(const char* fault, const FaultArgs& a, std::string& error)
{
    const auto wire = FindPlugWire(a.first, a.second);
    if (!wire)
        error = std::string(fault) + "=" + std::to_string(a.first) + "-" + std::to_string(a.second) +
                " 不是回环插头上的线 (插头的线: 1-13, 2-15, 16-10, 17-11, 14-12)";
    return wire;
}

constexpr FaultKind kFaultKinds[] = {
    {"open", ParsePair,
     [](PlugFaults& f, const FaultArgs& a, std::string& error) {
         const auto wire = PlugWireOf("open", a, error);
         if (wire)
             f.open.push_back(*wire);
         return wire.has_value();
     },
     "open=A-B, A 与 B 为 1 到 17 的两个不同引脚"},
    {"flaky", ParseChancePair,
     [](PlugFaults& f, const FaultArgs& a, std::string& error) {
         const auto wire = PlugWireOf("flaky", a, error);
         if (wire)
             f.flaky.push_back({*wire, a.chance});
         return wire.has_value();
     },
     "flaky=A-B:C, A-B 为插头上的线, C 为每次读取时断开的概率 (0 到 1, 例: 0.01)"},
    {"seed", ParseSeed,
     [](PlugFaults& f, const FaultArgs& a, std::string&) {
         f.seed = a.seed;
         return true;
     },
     "seed=N, N 为非负整数"},
    {"short", ParsePair,
     [](PlugFaults& f, const FaultArgs& a, std::string&) {
         f.shorts.push_back({a.first, a.second});
         return true;
     },
     "short=A-B, A 与 B 为 1 到 17 的两个不同引脚"},
    {"stuck", ParseLevelPin,
     [](PlugFaults& f, const FaultArgs& a, std::string&) {
         f.stuck.push_back({a.first, a.high});
         return true;
     },
     "stuck=P 或 stuck=P:1, P 为 1 到 17 的引脚"},
};

} // namespace

std::optional<PlugFaults> ParsePlugFaults(std::string_view text, std::string* error)
{
    std::string reason;
    PlugFaults faults;
    auto fail = [&](std::string why) -> std::optional<PlugFaults> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    if (text.empty())
        return fail("虚拟并口的故障说明为空 (例: open=2-15, short=2-3, stuck=11)");
    for (bool more = true; more;) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        more = comma != std::string_view::npos;
        if (more)
            text = text.substr(comma + 1);

        const auto eq = item.find('=');
        const std::string_view name = item.substr(0, eq);
        const FaultKind* kind = nullptr;
        for (const FaultKind& k : kFaultKinds)
            if (name == k.name)
                kind = &k;
        if (!kind || eq == std::string_view::npos)
            return fail("不认识的故障 \"" + std::string(item) + "\" (可用: open=A-B, short=A-B, stuck=P, flaky=A-B:C, seed=N)");
        const auto args = kind->parse(item.substr(eq + 1));
        if (!args)
            return fail("故障 \"" + std::string(item) + "\" 无效: 应写作 " + kind->form);
        if (!kind->add(faults, *args, reason))
            return fail(reason);
    }
    return faults;
}

std::string PlugFaultsText(const PlugFaults& faults)
{
    std::string text;
    auto add = [&text](const char* name, const std::string& args) {
        text += (text.empty() ? "" : ",") + std::string(name) + "=" + args;
    };
    for (const PlugWire& w : faults.open)
        add("open", std::to_string(w.output) + "-" + std::to_string(w.input));
    for (const PlugWire& w : faults.shorts)
        add("short", std::to_string(w.output) + "-" + std::to_string(w.input));
    for (const PlugFaults::Stuck& s : faults.stuck)
        add("stuck", std::to_string(s.pin) + (s.high ? ":1" : ""));
    return text;
}
