#include "writeaccess.h"

#include <io.h>

bool MayWrite(const std::filesystem::path& path)
{
    constexpr int kWrite = 2; // _waccess's mode for writing
    return _waccess(path.c_str(), kWrite) == 0;
}
