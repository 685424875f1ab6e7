#pragma once
#include <filesystem>

// Whether this process may write the file or folder at `path` as the system would decide on
// opening it (writeaccess_posix.cpp, writeaccess_windows.cpp): asked before a long test, so that
// a report that could not be written is said before the test rather than after it.
bool MayWrite(const std::filesystem::path& path);
