#pragma once
#include <cstdint>

// Where each connector pin of a PC parallel port sits in the registers (Inv: the port hardware
// inverts the line, the pin is high when its bit is 0):
//   pin 1  control bit 0 Inv out     pin 10 status bit 6     in
//   pins 2-9 data bits 0-7     out   pin 11 status bit 7 Inv in
//   pin 14 control bit 1 Inv out     pin 12 status bit 5     in
//   pin 16 control bit 2     out     pin 13 status bit 4     in
//   pin 17 control bit 3 Inv out     pin 15 status bit 3     in
// Shared by the pin layer and the virtual port, so that both read the connector the same way.
enum class PinRegister { None, Data, Status, Control };

struct PinInfo {
    PinRegister reg;
    std::uint8_t mask;
    bool inverted;
};

inline constexpr int kConnectorPins = 17;

// Index = connector pin number; entry 0 stands for "no such pin".
inline constexpr PinInfo kPinMap[kConnectorPins + 1] = {
    {PinRegister::None, 0x00, false},
    {PinRegister::Control, 0x01, true},  // 1
    {PinRegister::Data, 0x01, false},    // 2
    {PinRegister::Data, 0x02, false},    // 3
    {PinRegister::Data, 0x04, false},    // 4
    {PinRegister::Data, 0x08, false},    // 5
    {PinRegister::Data, 0x10, false},    // 6
    {PinRegister::Data, 0x20, false},    // 7
    {PinRegister::Data, 0x40, false},    // 8
    {PinRegister::Data, 0x80, false},    // 9
    {PinRegister::Status, 0x40, false},  // 10
    {PinRegister::Status, 0x80, true},   // 11
    {PinRegister::Status, 0x20, false},  // 12
    {PinRegister::Status, 0x10, false},  // 13
    {PinRegister::Control, 0x02, true},  // 14
    {PinRegister::Status, 0x08, false},  // 15
    {PinRegister::Control, 0x04, false}, // 16
    {PinRegister::Control, 0x08, true},  // 17
};

// Null for numbers outside 1..17.
constexpr const PinInfo* LookupPin(int pin)
{
    return pin < 1 || pin > kConnectorPins ? nullptr : &kPinMap[pin];
}

constexpr bool IsOutputPin(int pin)
{
    const PinInfo* info = LookupPin(pin);
    return info && (info->reg == PinRegister::Data || info->reg == PinRegister::Control);
}

constexpr bool IsInputPin(int pin)
{
    const PinInfo* info = LookupPin(pin);
    return info && info->reg == PinRegister::Status;
}

// Control bit 5: the data lines are inputs (reverse direction), nothing on the port drives them.
inline constexpr std::uint8_t kReverseDirectionBit = 0x20;
