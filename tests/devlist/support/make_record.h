#pragma once
#include "record.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

// A record for tests: the name's bytes as given (20 fill the field with no NUL, longer ones are
// cut to 20), every other byte zero.
inline DeviceRecord MakeRecord(std::string_view name, std::uint8_t fid, std::uint8_t s0, std::uint8_t s1,
                               std::uint8_t s2, std::int32_t romKb = 0, float voltage = 0.0f)
{
    DeviceRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.name, name.data(), std::min(name.size(), sizeof r.name));
    r.fid = fid;
    r.romKb = romKb;
    r.voltage = voltage;
    r.signature[0] = s0;
    r.signature[1] = s1;
    r.signature[2] = s2;
    return r;
}
