#pragma once
#include "make_record.h"
#include "record.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

// Writes a .chip file by hand so tests control every byte: `count` defaults to the number of
// records, `cutBytes` shortens the file at its end.
inline void WriteChip(const std::filesystem::path& path, const std::vector<DeviceRecord>& recs, long count = -1,
                      std::size_t cutBytes = 0)
{
    std::vector<char> image(8 + recs.size() * sizeof(DeviceRecord));
    const std::uint32_t version = 1;
    const std::int32_t n = count < 0 ? static_cast<std::int32_t>(recs.size()) : static_cast<std::int32_t>(count);
    std::memcpy(image.data(), &version, 4);
    std::memcpy(image.data() + 4, &n, 4);
    if (!recs.empty()) std::memcpy(image.data() + 8, recs.data(), recs.size() * sizeof(DeviceRecord));
    image.resize(image.size() - cutBytes);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(image.data(), static_cast<std::streamsize>(image.size()));
}

inline std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Three devices with distinct keys, in no tidy order.
inline std::vector<DeviceRecord> ThreeDevices()
{
    return {MakeRecord("AT89C51", 0x01, 0x1e, 0x51, 0x06, 4, 12.0f),
            MakeRecord("W78E52", 0x0a, 0x00, 0xff, 0x10, -1, 3.3f),
            MakeRecord("SST89E516", 0x02, 0xbf, 0x93, 0x02, 64, 5.0f)};
}
