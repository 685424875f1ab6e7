#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes away.
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "appdir.h"
#include "programfile.h"

class TempDir {
public:
    TempDir()
    {
        // A name nobody else has taken: create_directory fails on one that exists.
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = base / ("porttest-" + std::to_string(random()));
            if (std::filesystem::create_directory(m_path))
                return;
        }
        throw std::runtime_error("no fresh temporary directory");
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The directory with a trailing separator, as g_strAppDir holds it.
    std::string Dir() const { return m_path.string() + kPathSeparator; }

    void Write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream out(m_path / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path m_path;
};

// A fresh directory that stands in for the program directory (g_strAppDir) while it lives.
class ScratchAppDir : public TempDir {
public:
    ScratchAppDir() : m_saved(g_strAppDir) { g_strAppDir = Dir(); }
    ~ScratchAppDir() { g_strAppDir = m_saved; }

private:
    std::string m_saved;
};
