#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "record.h"

// The million-record list both window benchmarks open (the Qt window's and the native Windows
// one's), so that their times compare: distinct names and signatures, file order as numbered.

inline constexpr std::size_t kMillionRecords = 1000000;

// Record `i`, named `prefix` and its number.
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

// Writes the list to `path` (replacing it).
inline void WriteMillionList(const std::filesystem::path& path)
{
    std::vector<DeviceRecord> recs(kMillionRecords);
    for (std::size_t i = 0; i < kMillionRecords; ++i) recs[i] = Numbered(i, "DEV");
    const std::uint32_t header[2] = {1, static_cast<std::uint32_t>(kMillionRecords)};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(recs.data()), static_cast<std::streamsize>(recs.size() * sizeof(DeviceRecord)));
}
