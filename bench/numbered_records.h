#pragma once
// The records of the generated benchmark lists: name PREFIX + seven digits, FIDs out of order
// (so a tidy moves nearly every record), distinct signatures below 2^24.
#include "record.h"

#include <cstdint>
#include <cstdio>

inline DeviceRecord Numbered(std::size_t i, const char* prefix)
{
    DeviceRecord r{};
    std::snprintf(r.name, sizeof r.name, "%.3s%07u", prefix, static_cast<unsigned>(i % 10000000));
    r.fid = static_cast<std::uint8_t>(i * 7);
    r.romKb = static_cast<std::int32_t>(i % 1024);
    r.voltage = 5.0f;
    r.signature[0] = static_cast<std::uint8_t>(i >> 16);
    r.signature[1] = static_cast<std::uint8_t>(i >> 8);
    r.signature[2] = static_cast<std::uint8_t>(i);
    return r;
}
