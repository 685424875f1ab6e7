#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The integer keys of one settings file as this platform's reader gives them: on Windows the
// profile function GetPrivateProfileIntW itself (with the file's wide path, read as the ANSI one reads) (profile_windows.cpp), elsewhere our own reader,
// CProfileFile (porttest/core/settings.cpp). Either gives `def` when the file, the section or the
// key is missing or the value is empty.
using ProfileIntReader = std::function<int(std::string_view section, std::string_view key, int def)>;
ProfileIntReader OpenProfile(const std::string& path);

// The text keys of the same file by the same reader (on Windows GetPrivateProfileStringW, its
// text as the ANSI function gives it, read as GBK, in UTF-8); nothing when the file, the section or the key is missing.
using ProfileStringReader = std::function<std::optional<std::string>(std::string_view section, std::string_view key)>;
ProfileStringReader OpenProfileStrings(const std::string& path);
