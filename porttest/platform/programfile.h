#pragma once
#include <string>

// The running program file, from the operating system (programfile_posix.cpp or
// programfile_windows.cpp); empty when it cannot be determined. No length limit. On Windows in
// UTF-8, whatever the ANSI code page: every path of the program is UTF-8 until the system call
// that takes it as UTF-16.
std::string ProgramFile();

#ifdef _WIN32
// The same as UTF-16, whole, for the calls that take wide paths (Windows only).
std::wstring ProgramFileW();
// A UTF-8 path as UTF-16 and back.
std::wstring Utf8ToWidePath(const std::string& utf8);
std::string WideToUtf8Path(const std::wstring& wide);
// A UTF-8 path in the ANSI code page, for a library that takes only such paths: its 8.3 short
// form where the long one has no ANSI form; empty when neither has.
std::string AnsiPath(const std::string& utf8);
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
