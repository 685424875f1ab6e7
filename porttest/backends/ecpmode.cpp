#include "ecpmode.h"

std::optional<std::uint8_t> EnterEcpByteMode(std::uint16_t base, const PortInFn& in, const PortOutFn& out)
{
    if (!EcrInReach(base))
        return std::nullopt;
    const auto control = static_cast<std::uint16_t>(base + 2);
    const auto ecr = static_cast<std::uint16_t>(base + kEcrOffset);
    const std::uint8_t foundControl = in(control);
    auto result = [&](std::optional<std::uint8_t> found) {
        out(control, foundControl);
        return found;
    };

    // Where the "ECR" only mirrors the control register (the address decodes to it), its low
    // bits follow a change of control bit 1.
    constexpr std::uint8_t kProbeControl = 0x0C;
    out(control, kProbeControl);
    if ((in(ecr) & 0x03) == (kProbeControl & 0x03)) {
        out(control, kProbeControl ^ 0x02);
        const std::uint8_t readBack = in(control);
        if ((in(ecr) & 0x02) == (readBack & 0x02))
            return result(std::nullopt);
    }
    const std::uint8_t found = in(ecr);
    if ((found & 0x03) != 0x01) // FIFO empty and not full, as after any reset
        return result(std::nullopt);
    out(ecr, kEcrByteMode);
    if (in(ecr) != (kEcrByteMode | 0x01)) {
        out(ecr, found);
        return result(std::nullopt);
    }
    return result(found);
}

void LeaveEcpByteMode(std::uint16_t base, std::uint8_t found, const PortOutFn& out)
{
    // The FIFO bits are read-only: writing them back changes nothing.
    out(static_cast<std::uint16_t>(base + kEcrOffset), found);
}
