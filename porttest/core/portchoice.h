#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loopbackplug.h"

// Which port the tester drives, as the user asked for it.
//   Auto    - the port at 0x378 through the kernel driver (on Windows: as the OS version says)
//   Device  - a named port device, e.g. /dev/parport1 for a card at another address
//   Direct  - the processor's port instructions at 0x378
//   Virtual - the in-memory loopback port, for a machine without a parallel port, with any
//             faults put into its plug
struct PortChoice {
    enum Kind { Auto, Device, Direct, Virtual } kind = Auto;
    static constexpr int kKinds = Virtual + 1;
    std::string device; // only for Device
    PlugFaults faults;  // only for Virtual

    PortChoice() = default;
    PortChoice(Kind k, std::string dev = {}, PlugFaults f = {})
        : kind(k), device(std::move(dev)), faults(std::move(f)) {}

    friend bool operator==(const PortChoice&, const PortChoice&) = default;
};

// "auto", "virtual", "direct" (any ASCII case), a device path (anything with a '/'), or the
// short form "parportN" for /dev/parportN, or "virtual:" followed by the plug's faults
// (ParsePlugFaults). Nothing else, and not the empty text. `error`, when given, gets the reason
// why faults were not understood.
std::optional<PortChoice> ParsePortChoice(std::string_view text, std::string* error = nullptr);

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
