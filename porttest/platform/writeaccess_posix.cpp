#include "writeaccess.h"

#include <unistd.h>

bool MayWrite(const std::filesystem::path& path) { return access(path.c_str(), W_OK) == 0; }
