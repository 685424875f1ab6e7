#include "virtualport.h"

namespace {

constexpr std::uint8_t kReverseDirection = 0x20; // control bit 5: the data lines are inputs

} // namespace

std::uint8_t VirtualPort::ReadData()
{
    // Reverse direction: nothing in the plug drives the data lines, so they float high.
    if (m_control & kReverseDirection)
        return 0xFF;
    return m_data;
}

std::uint8_t VirtualPort::ReadStatus()
{
    // Electrical levels of the driving outputs (pins 1, 14 and 17 are inverted by the port).
    const bool pin1 = (m_control & 0x01) == 0;
    // Pin 2 as the plug sees it: in reverse direction the line floats high like the others.
    const bool pin2 = (ReadData() & 0x01) != 0;
    const bool pin14 = (m_control & 0x02) == 0;
    const bool pin16 = (m_control & 0x04) != 0;
    const bool pin17 = (m_control & 0x08) == 0;

    std::uint8_t status = 0;
    if (pin2)
        status |= 0x08; // pin 15, bit 3
    if (pin1)
        status |= 0x10; // pin 13, bit 4
    if (pin14)
        status |= 0x20; // pin 12, bit 5
    if (pin16)
        status |= 0x40; // pin 10, bit 6
    if (!pin17)
        status |= 0x80; // pin 11, bit 7, inverted by the port
    return status;
}

std::unique_ptr<IPortPlatform> MakeVirtualPlatform(const PortChoice&)
{
    return std::make_unique<VirtualPlatform>();
}
