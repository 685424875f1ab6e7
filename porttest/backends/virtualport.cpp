#include "virtualport.h"

#include <array>
#include <numeric>

#include "pinmap.h"

namespace {

using Lines = std::array<bool, kConnectorPins + 1>; // electrical level by pin number

// Lines joined by the plug's wires and by shorts, as groups: each pin points to its group's root.
struct LineGroups {
    std::array<int, kConnectorPins + 1> parent{};
    LineGroups() { std::iota(parent.begin(), parent.end(), 0); }
    int Root(int pin)
    {
        while (parent[pin] != pin)
            pin = parent[pin];
        return pin;
    }
    void Join(int a, int b) { parent[Root(a)] = Root(b); }
};

bool IsCut(const PlugFaults& faults, const std::vector<PlugWire>& cutNow, const PlugWire& wire)
{
    for (const std::vector<PlugWire>* cuts : {&faults.open, &cutNow})
        for (const PlugWire& cut : *cuts)
            if (cut == wire)
                return true;
    return false;
}

} // namespace

std::uint8_t VirtualPort::ReadData()
{
    // Reverse direction: nothing in the plug drives the data lines, so they float high.
    if (m_control & kReverseDirectionBit)
        return 0xFF;
    return m_data;
}

std::uint8_t VirtualPort::ReadStatus()
{
    std::vector<PlugWire> cutNow;
    for (const PlugFaults::Flaky& loose : m_faults.flaky)
        // The engine's words are 32 bits on every platform: the same seed cuts the same reads.
        if (static_cast<double>(m_chance()) < loose.chance * 4294967296.0)
            cutNow.push_back(loose.wire);
    const std::uint8_t status = StatusWithCut(cutNow);
    if (!cutNow.empty() && status != StatusWithCut({}))
        ++m_visibleFlickers;
    return status;
}

std::uint8_t VirtualPort::StatusWithCut(const std::vector<PlugWire>& cutNow) const
{
    LineGroups groups;
    for (const PlugWire& wire : kLoopbackPlug)
        if (!IsCut(m_faults, cutNow, wire))
            groups.Join(wire.output, wire.input);
    for (const PlugWire& touching : m_faults.shorts)
        groups.Join(touching.output, touching.input);

    // A group floats high unless a driver pulls it low; a held line beats every driver.
    Lines level;
    level.fill(true);
    const bool dataDriven = (m_control & kReverseDirectionBit) == 0;
    for (int pin = 1; pin <= kConnectorPins; ++pin) {
        const PinInfo& info = kPinMap[pin];
        bool driven = false;
        bool high = true;
        if (info.reg == PinRegister::Data && dataDriven) {
            driven = true;
            high = (m_data & info.mask) != 0;
        } else if (info.reg == PinRegister::Control) {
            driven = true;
            high = ((m_control & info.mask) != 0) != info.inverted;
        }
        if (driven && !high)
            level[groups.Root(pin)] = false;
    }
    for (const PlugFaults::Stuck& held : m_faults.stuck)
        level[groups.Root(held.pin)] = held.high;

    std::uint8_t status = 0;
    for (int pin = 1; pin <= kConnectorPins; ++pin) {
        const PinInfo& info = kPinMap[pin];
        if (info.reg == PinRegister::Status && level[groups.Root(pin)] != info.inverted)
            status = static_cast<std::uint8_t>(status | info.mask);
    }
    return status;
}

std::unique_ptr<IPortPlatform> MakeVirtualPlatform(const PortChoice& choice)
{
    return std::make_unique<VirtualPlatform>(choice.faults);
}
