#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes away.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>
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
    std::string Dir() const
    {
        // UTF-8 on every system, as the program's own paths are.
        const std::u8string u8 = m_path.u8string();
        return std::string(u8.begin(), u8.end()) + kPathSeparator;
    }

    void Write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream out(m_path / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path m_path;
};

// A fresh directory that stands in for the program directory (g_strAppDir) while it lives. The
// configuration folders searched after it point into it too (folders that do not exist), so
// that a settings file of the user running the tests changes nothing.
class ScratchAppDir : public TempDir {
public:
    ScratchAppDir() : m_saved(g_strAppDir)
    {
        g_strAppDir = Dir();
#ifndef _WIN32
        for (const char* name : kConfigVariables) {
            const char* value = std::getenv(name);
            m_savedEnv.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            setenv(name, (Dir() + "unset-" + name).c_str(), 1);
        }
#endif
    }
    ~ScratchAppDir()
    {
        g_strAppDir = m_saved;
#ifndef _WIN32
        for (std::size_t i = 0; i < m_savedEnv.size(); ++i) {
            if (m_savedEnv[i])
                setenv(kConfigVariables[i], m_savedEnv[i]->c_str(), 1);
            else
                unsetenv(kConfigVariables[i]);
        }
#endif
    }

private:
    static constexpr const char* kConfigVariables[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};
    std::string m_saved;
    std::vector<std::optional<std::string>> m_savedEnv;
};
