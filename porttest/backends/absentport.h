#pragma once
#include <cstdint>

#include "portio.h"

// The registers of a port that could not be opened. Nothing drives any line, so every read gives
// 0xFF, as a port with nothing behind it reads, and every write goes nowhere. Unlike the loopback
// plug of the virtual port it answers no click: a failed open must never pass for a good cable.
// How such a platform names the port in use (PortInUse::description).
inline constexpr const char* kNoPortDescription = "no port";

class AbsentPort : public IPortIo {
public:
    std::uint8_t ReadData() override { return 0xFF; }
    void WriteData(std::uint8_t) override {}
    std::uint8_t ReadStatus() override { return 0xFF; }
    std::uint8_t ReadControl() override { return 0xFF; }
    void WriteControl(std::uint8_t) override {}
};
