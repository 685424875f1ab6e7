#pragma once
#include <cstdint>
#include <functional>
#include <optional>

// An ECP port's extended control register (ECR), at base + 0x402. Many ports come up in a mode
// whose data lines are neither driven the way the pins are meant nor read back; for a test driven
// by register, the ECR is put in the byte mode (001, PS/2: data lines driven, direction from
// control bit 5) and back as it was found afterwards. Only where an ECR answers the probe: at
// base + 0x402 of a port without one may lie another card's register.
inline constexpr unsigned kEcrOffset = 0x402;
// Mode 001 in bits 7-5, the error and service interrupts off (bits 4 and 2).
inline constexpr std::uint8_t kEcrByteMode = 0x34;

using PortInFn = std::function<std::uint8_t(std::uint16_t port)>;
using PortOutFn = std::function<void(std::uint16_t port, std::uint8_t value)>;

// Whether the ECR's address is inside the 16-bit I/O space for this base.
constexpr bool EcrInReach(std::uint16_t base) { return base + kEcrOffset <= 0xFFFF; }

// Probes as the kernel's parport_pc driver does: the register at base + 0x402 must not follow
// the control register, must read "FIFO empty, not full" (low bits 01), and must read back
// 0x35 after 0x34 is written. Where it answers, it is left in byte mode and its value as found
// is returned; the control register is put back as found either way.
std::optional<std::uint8_t> EnterEcpByteMode(std::uint16_t base, const PortInFn& in, const PortOutFn& out);
// Puts the ECR back as EnterEcpByteMode found it.
void LeaveEcpByteMode(std::uint16_t base, std::uint8_t found, const PortOutFn& out);
