#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "make_record.h"
#include "record.h"

// References to `recs`, in order.
DeviceList ListOf(std::vector<DeviceRecord>& recs);

std::vector<std::byte> Bytes(std::initializer_list<int> values);
std::vector<std::byte> ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::vector<std::byte>& data);

// A fresh directory removed (with its contents) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

#ifndef _WIN32
// Runs `body` in a child process and returns its exit status (or -1 on a signal).
int InChild(const std::function<int()>& body);
#endif

std::size_t EntriesIn(const std::filesystem::path& dir);
