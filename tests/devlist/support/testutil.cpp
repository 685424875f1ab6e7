#include "testutil.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

std::vector<std::byte> Bytes(std::initializer_list<int> values)
{
    std::vector<std::byte> out;
    for (int v : values)
        out.push_back(static_cast<std::byte>(v));
    return out;
}

std::vector<std::byte> ReadAll(const std::filesystem::path& path)
{
    // In one piece: lists of a few MB are read in loops, also in the sanitizer build.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::byte> out(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return out;
}

void WriteAll(const std::filesystem::path& path, const std::vector<std::byte>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

TempDir::TempDir()
{
#ifdef _WIN32
    std::random_device rd;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const auto p = std::filesystem::temp_directory_path() / ("devlist-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p))
            m_path = p;
    }
    if (m_path.empty())
        throw std::runtime_error("cannot create a temporary directory");
#else
    std::string templ = (std::filesystem::temp_directory_path() / "devlist-test-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = templ;
#endif
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

DeviceList ListOf(std::vector<DeviceRecord>& recs)
{
    DeviceList list;
    for (auto& r : recs)
        list.Append(&r);
    return list;
}

#ifndef _WIN32
int InChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

std::size_t EntriesIn(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}
