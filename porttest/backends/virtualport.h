#pragma once
#include <cstdint>
#include <memory>
#include <random>
#include <vector>
#include <utility>

#include "loopbackplug.h"
#include "portchoice.h"
#include "portio.h"
#include "portplatform.h"

// An in-memory port with a standard loopback plug (kLoopbackPlug) in its connector, so that
// every output can be driven and read back on a machine without a parallel port.
//
// The status register follows the electrical levels with the hardware's inversions (pins 1, 14,
// 17 and 11 inverted), so a pin driven high through the pin layer reads back high on its partner.
// Status bits 0-2 read 0. Data pins 3-9 are not looped back. A line that nothing drives reads
// high, as TTL inputs float.
//
// Data reads return the data latch, except while control bit 5 (reverse direction) is set: the
// data lines are then inputs with nothing driving them and read 0xFF, and pin 15, wired to the
// floating pin 2, reads high with them. Control reads return the last byte written.
//
// Faults (PlugFaults) change the plug only: a cut wire, lines that touch, a line held at one level,
// a loose contact that is cut for single reads, by a chance drawn from the faults' seed.
class VirtualPort : public IPortIo {
public:
    // A freshly claimed port holds control 0x0C (pins 1, 14, 16 high, pin 17 low).
    explicit VirtualPort(std::uint8_t data = 0x00, std::uint8_t control = 0x0C, PlugFaults faults = {})
        : m_data(data), m_control(control), m_faults(std::move(faults)),
          m_chance(static_cast<std::mt19937::result_type>(m_faults.seed)) {}

    // Status reads that a loose contact changed: what a wiring test had the chance to see.
    long VisibleFlickers() const { return m_visibleFlickers; }

    std::uint8_t ReadData() override;
    void WriteData(std::uint8_t value) override { m_data = value; }
    std::uint8_t ReadStatus() override;
    std::uint8_t ReadControl() override { return m_control; }
    void WriteControl(std::uint8_t value) override { m_control = value; }

private:
    std::uint8_t StatusWithCut(const std::vector<PlugWire>& cut) const;

    std::uint8_t m_data;
    std::uint8_t m_control;
    PlugFaults m_faults;
    std::mt19937 m_chance;
    long m_visibleFlickers = 0;
};

// A platform whose driver always starts and whose every register goes to one VirtualPort:
// the driver path's major version, InitializeDriver and InstallDriver succeed, ShutdownDriver does nothing.
class VirtualPlatform : public IPortPlatform {
public:
    explicit VirtualPlatform(PlugFaults faults = {}) : m_port(0x00, 0x0C, std::move(faults)) {}
    int MajorVersion() override { return kMajorVersionDriver; }
    bool InitializeDriver() override { return true; }
    bool InstallDriver(const std::string&) override { return true; }
    void ShutdownDriver() override {}
    IPortIo& DirectIo() override { return m_port; }
    IPortIo& DriverIo() override { return m_port; }
    PortInUse InUse() const override { return {true, "virtual (loopback plug)", false, kPortKindVirtual}; }

    VirtualPort& Port() { return m_port; }

private:
    VirtualPort m_port;
};

// The virtual backend of the port choice.
std::unique_ptr<IPortPlatform> MakeVirtualPlatform(const PortChoice& choice);
