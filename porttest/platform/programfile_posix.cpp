#include "programfile.h"

#include <unistd.h>

#include <vector>

const char kPathSeparator = '/';

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
