#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The standard loopback plug: each output pin wired to one input pin, as the usual loopback test
// plugs are. Levels are pin levels: the port's own inversions (pins 1, 11, 14, 17) are the pin
// layer's business, so a pin driven high reads high on its partner.
struct PlugWire {
    int output;
    int input;
    friend bool operator==(const PlugWire&, const PlugWire&) = default;
};

inline constexpr PlugWire kLoopbackPlug[] = {
    {1, 13},  // STROBE   -> SELECT
    {2, 15},  // D0       -> ERROR
    {16, 10}, // INIT     -> ACK
    {17, 11}, // SELECTIN -> BUSY
    {14, 12}, // AUTOFD   -> PAPEROUT
};

// Faults put into the virtual port's plug, so that a wiring test can be shown each thing it finds.
//   open=A-B   the plug's wire between A and B is cut; the input then floats high
//   short=A-B  lines A and B touch: where two outputs fight, low wins
//   stuck=P    line P is held low (stuck=P:1 holds it high), whatever drives it
//   flaky=A-B:C  the plug's wire between A and B is cut for one read of the status register in
//              C (0 < C <= 1; 0.01 when left out), a loose contact
//   seed=N     where the loose contacts' chance starts (1 when left out), so that a run repeats
struct PlugFaults {
    struct Stuck {
        int pin;
        bool high;
        friend bool operator==(const Stuck&, const Stuck&) = default;
    };
    std::vector<PlugWire> open; // as the plug's wires, output first
    std::vector<PlugWire> shorts;
    std::vector<Stuck> stuck;
    struct Flaky {
        PlugWire wire;
        double chance;
        friend bool operator==(const Flaky&, const Flaky&) = default;
    };
    std::vector<Flaky> flaky;
    unsigned long seed = 1;

    bool Empty() const { return open.empty() && shorts.empty() && stuck.empty() && flaky.empty(); }
    friend bool operator==(const PlugFaults&, const PlugFaults&) = default;
};

// "open=2-15,short=2-3,stuck=11,flaky=14-12:0.05,seed=7" (one or more, comma-separated). Nothing else: on failure
// `error`, when given, gets a plain Chinese reason.
std::optional<PlugFaults> ParsePlugFaults(std::string_view text, std::string* error = nullptr);
// The faults as ParsePlugFaults reads them back: opens, then shorts, then stuck lines.
std::string PlugFaultsText(const PlugFaults& faults);
