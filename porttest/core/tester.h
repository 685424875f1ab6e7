#pragma once
#include <array>
#include <cstdint>

#include "cable.h"

// What the tester does with the cable, apart from any window: the cable chosen by its entry in
// the selector, the five toggle lines with the level each drove last, and reading every pin and
// register back. The window wires its controls to this.
//
// The toggle levels belong to the process, not to one tester: a second window goes on from the
// level its button drove last in the first, and nothing but a toggle's own click changes it.
class CCableTester {
public:
    // In the window's order; each has its level and its pin in the cable's map.
    enum class Toggle { Mosi, Sck, Rst, R1, R2 };
    static constexpr int kToggles = 5;
    static constexpr int kPins = 17;

    // Selector entries, in the order they stand in the list: entry + 1 is the cable type.
    static constexpr int kQorelIspEntry = CIspCable::CABLE_QOREL_ISP - 1;
    // Each entry's name in the selector and its word on the command line.
    struct CableEntry {
        const char* name;
        const char* keyword;
    };
    static constexpr CableEntry kCableEntries[] = {
        {"Qorel Isp下载线", "qorel"},
        {"Atmel ByteBlaster下载线", "atmel"},
        {"Altera ByteBlaster下载线", "altera"},
    };

    // No port access here: the port is opened by Start().
    CCableTester(IPortPlatform& platform, IPrompt& prompt);

    CIspCable& Cable() { return m_cable; }
    const CIspCable& Cable() const { return m_cable; }

    // Opens the port and loads the Qorel Isp cable's map, once at start-up.
    void Start();
    // Loads the map of a selector entry (no port access, except what the cable itself drives).
    void ChooseCable(int entry);
    // The Qorel Isp cable is chosen and its settings file was not found or gave nothing usable:
    // its defaults apply.
    bool UsesDefaultQorelMap() const;

    // Drives the opposite of the toggle's last level on its line and returns that level: MOSI,
    // SCK and Rst as the cable's signals with their latch sequence, R1 and R2 as plain pins.
    int FlipToggle(Toggle toggle);
    // The chosen selector entry.
    int Entry() const { return m_entry; }
    // Puts the five levels back to their initial 1 (tests run several windows in one process).
    static void ResetToggleLevels();
    // The pin the chosen cable's map gives the toggle's line.
    int PinOf(Toggle toggle) const;

    // Pins 1 to 17 in that order (index = pin number), then the data, control and status
    // registers: the twenty reads of one refresh.
    struct Reading {
        std::array<bool, kPins + 1> pinHigh{};
        std::uint8_t data = 0;
        std::uint8_t control = 0;
        std::uint8_t status = 0;
    };
    Reading ReadAll();

private:
    CIspCable m_cable;
    int m_entry = kQorelIspEntry;
};
