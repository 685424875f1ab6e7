#pragma once
#include <cstdint>

// The five register operations of one parallel port. Everything above them (pin map, register
// copies, cable model) is written against this interface only, so it runs unchanged over the
// kernel driver, the processor's port instructions, the in-memory loopback port or a test double.
// Values are raw register bytes: the hardware inversions are the pin layer's business.
class IPortIo {
public:
    virtual ~IPortIo() = default;
    virtual std::uint8_t ReadData() = 0;
    virtual void WriteData(std::uint8_t value) = 0;
    virtual std::uint8_t ReadStatus() = 0;
    virtual std::uint8_t ReadControl() = 0;
    virtual void WriteControl(std::uint8_t value) = 0;
};
