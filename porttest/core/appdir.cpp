#include "appdir.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

std::string g_strAppDir;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';

std::string ProgramFile()
{
    std::vector<char> buf(260);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size())
            return std::string(buf.data(), n);
        buf.resize(buf.size() * 2); // cut to fit: try again with room to spare
    }
}
#else
constexpr char kSeparator = '/';

std::string ProgramFile()
{
    std::vector<char> buf(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        // readlink never says that it cut the link short: a full buffer may mean just that.
        if (static_cast<std::size_t>(n) < buf.size())
            return std::string(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}
#endif

} // namespace

std::string ProgramDirectory()
{
    const std::string file = ProgramFile();
    const auto slash = file.rfind(kSeparator);
    if (slash == std::string::npos)
        return {};
    return file.substr(0, slash + 1);
}
