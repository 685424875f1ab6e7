#pragma once
#include "record.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

inline DeviceRecord MakeRecord(std::string_view name, std::uint8_t fid, std::int32_t romKb, float voltage,
                               std::uint8_t s0, std::uint8_t s1, std::uint8_t s2)
{
    DeviceRecord r{};
    std::memcpy(r.name, name.data(), name.size() < 20 ? name.size() : 20);
    r.fid = fid;
    r.romKb = romKb;
    r.voltage = voltage;
    r.signature[0] = s0;
    r.signature[1] = s1;
    r.signature[2] = s2;
    return r;
}

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
