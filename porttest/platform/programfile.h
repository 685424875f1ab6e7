#pragma once
#include <string>

// The running program file, from the operating system (programfile_posix.cpp or
// programfile_windows.cpp); empty when it cannot be determined. No length limit.
std::string ProgramFile();

#ifdef _WIN32
// The same as UTF-16, whole, for the calls that take wide paths (Windows only). ProgramFile()
// gives it in the ANSI code page, or its short form where the long one has no ANSI form.
std::wstring ProgramFileW();
#endif

// Whether the settings file is also looked for in the XDG configuration folders (not on Windows,
// where it lives beside the program only).
#ifdef _WIN32
inline constexpr bool kXdgConfigFolders = false;
#else
inline constexpr bool kXdgConfigFolders = true;
#endif

// The separator between the directories of a path on this system.
extern const char kPathSeparator;
