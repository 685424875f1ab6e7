#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loopbackplug.h"

// Which port the tester drives, as the user asked for it.
//   Auto    - the port at 0x378 through the kernel driver (on Windows: as the OS version says)
//   Device  - a named port device, e.g. /dev/parport1 for a card at another address
//   Direct  - the processor's port instructions at `base` (0x378 unless a card's base is named)
//   Virtual - the in-memory loopback port, for a machine without a parallel port, with any
//             faults put into its plug
struct PortChoice {
    enum Kind { Auto, Device, Direct, Virtual } kind = Auto;
    static constexpr int kKinds = Virtual + 1;
    std::string device; // only for Device
    PlugFaults faults;  // only for Virtual
    std::uint16_t base = kDefaultBase; // only for Direct

    static constexpr std::uint16_t kDefaultBase = 0x378;

    PortChoice() = default;
    PortChoice(Kind k, std::string dev = {}, PlugFaults f = {})
        : kind(k), device(std::move(dev)), faults(std::move(f)) {}

    friend bool operator==(const PortChoice&, const PortChoice&) = default;
};

// "auto", "virtual", "direct" (any ASCII case), a device path (anything with a '/'), or the
// short form "parportN" for /dev/parportN, or "virtual:" followed by the plug's faults
// (ParsePlugFaults), or "direct:" followed by a card's base address (0xD010, or decimal).
// Nothing else, and not the empty text. `error`, when given, gets the reason why faults or a
// base address were not understood.
std::optional<PortChoice> ParsePortChoice(std::string_view text, std::string* error = nullptr);

// The lowest and highest base address a card may have: below 0x100 lie the machine's own timer,
// interrupt and DMA controllers, and the three registers must fit in the 16-bit I/O space.
inline constexpr unsigned kMinPortBase = 0x100;
inline constexpr unsigned kMaxPortBase = 0xFFFC;

// The choice as ParsePortChoice reads it back ("direct:0xd010", "/dev/parport1", "virtual:open=2-15"),
// for keeping it in the user's settings.
std::string PortChoiceText(const PortChoice& choice);

// The option --port beats the environment variable PORVIK_PORT, which beats Auto. An empty
// value counts as not given. A value that is not understood is taken as a device name, so that
// opening it fails visibly with its name in the reason rather than being ignored in silence.
PortChoice ChoosePort(std::optional<std::string> cliValue, const char* envValue);

// The platform that serves a choice is made by the port backends (backends.h): the window and its
// command line need the choice only.

// A port the window offers to switch to, with the words it is listed by.
struct PortOffer {
    std::string label;
    PortChoice choice;
};

// A port the system lists: its device, base address and what the kernel says it can do.
struct FoundPort {
    std::string device;
    unsigned base = 0;
    std::string modes; // e.g. "PCSPP,TRISTATE"; empty when unknown
};

// What the window's port chooser lists: the automatic choice, each port found ("/dev/parport0
// (0x378, PCSPP,TRISTATE)"), then the virtual port.
std::vector<PortOffer> PortOffers(const std::vector<FoundPort>& found);

// `offers` with the port the program was started on (`current`, from --port or PORVIK_PORT)
// added at the end when it is not among them (a device the system does not list, the direct
// instructions, a virtual plug with faults), so that it can be chosen again.
std::vector<PortOffer> WithCurrentPort(std::vector<PortOffer> offers, const PortChoice& current);
