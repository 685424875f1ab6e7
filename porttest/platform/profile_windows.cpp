// The settings file on Windows: read by the system's own profile function, so that users there get
// exactly the reader the shipped settings files were written for.
#include "profile.h"

#include "gbk.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// Section names are written in UTF-8 here and in GBK in the shipped files. The ANSI profile
// function compares names after reading both through the same ANSI code page, so GBK bytes find a
// GBK section on a Chinese system and on any other alike. A name GBK cannot hold matches nothing.
std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value_or(std::string()); }

} // namespace

ProfileIntReader OpenProfile(const std::string& path)
{
    return [path](std::string_view section, std::string_view key, int def) {
        const UINT value = GetPrivateProfileIntA(Gbk(section).c_str(), Gbk(key).c_str(), def, path.c_str());
        return static_cast<int>(value);
    };
}

ProfileStringReader OpenProfileStrings(const std::string& path)
{
    return [path](std::string_view section, std::string_view key) -> std::optional<std::string> {
        // A default no file holds tells a missing key from an empty one.
        constexpr const char* kMissing = "\x01";
        char value[1024] = {};
        GetPrivateProfileStringA(Gbk(section).c_str(), Gbk(key).c_str(), kMissing, value, sizeof value, path.c_str());
        if (std::string_view(value) == kMissing)
            return std::nullopt;
        return GbkToUtf8(value);
    };
}
