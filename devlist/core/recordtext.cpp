#include "recordtext.h"

#include <cstdio>

namespace {

// Every format here fits: the longest is %.2f of a float near FLT_MAX, 39 integer digits.
template <class... Args>
std::string Printed(const char* format, Args... args)
{
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, format, args...);
    return std::string(buf, n < 0 ? 0 : static_cast<std::size_t>(n));
}

}  // namespace

std::string FormatRowNumber(std::size_t row) { return Printed("%04zu", row); }

std::string FormatHexByte(std::uint8_t byte) { return Printed("%02x", static_cast<unsigned>(byte)); }

std::string FormatRomCell(std::int32_t romKb) { return Printed("%dK", static_cast<int>(romKb)); }

std::string FormatVoltageCell(float voltage) { return Printed("%.2fV", static_cast<double>(voltage)); }

std::string FormatSignature(const std::uint8_t (&signature)[3])
{
    return Printed("%02x %02x %02x", static_cast<unsigned>(signature[0]), static_cast<unsigned>(signature[1]),
                   static_cast<unsigned>(signature[2]));
}
