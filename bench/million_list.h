#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "numbered_records.h"
#include "record.h"

// The million-record list both window benchmarks open (the Qt window's and the native Windows
// one's), so that their times compare: distinct names and signatures, file order as numbered.

inline constexpr std::size_t kMillionRecords = 1000000;

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
