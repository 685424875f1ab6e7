#include "programfile.h"

#include <windows.h>

#include <vector>

const char kPathSeparator = '\\';

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
