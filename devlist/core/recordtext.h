#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "record.h"

// The record's fields as the list window shows them and chiptool's `show` prints them: one home,
// so that the two always agree.

// "%04zu": the row number, four digits at least.
std::string FormatRowNumber(std::size_t row);
// "%02x": two lower-case hex digits (the FID column, and each signature byte).
std::string FormatHexByte(std::uint8_t byte);
// "%dK".
std::string FormatRomCell(std::int32_t romKb);
// "%.2fV".
std::string FormatVoltageCell(float voltage);
// "%02x %02x %02x", index 0 first: "1e 52 06".
std::string FormatSignature(const std::uint8_t (&signature)[3]);
