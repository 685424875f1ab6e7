#pragma once
#include <string>

// The running program file, from the operating system (programfile_posix.cpp or
// programfile_windows.cpp); empty when it cannot be determined. No length limit.
std::string ProgramFile();

// The separator between the directories of a path on this system.
extern const char kPathSeparator;
