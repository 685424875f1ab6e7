// The settings file on Windows: read by the system's own profile function, so that users there get
// exactly the reader the shipped settings files were written for.
#include "settings.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// Section names are written in UTF-8 here and in GBK in the shipped files. The ANSI profile
// function compares names after reading both through the same ANSI code page, so GBK bytes find a
// GBK section on a Chinese system and on any other alike.
std::string Utf8ToGbk(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int len = static_cast<int>(utf8.size());
    const int wn = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wn > 0 ? wn : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, wide.data(), wn);
    constexpr UINT kGbk = 936;
    const int n = WideCharToMultiByte(kGbk, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(kGbk, 0, wide.data(), wn, gbk.data(), n, nullptr, nullptr);
    return gbk;
}

} // namespace

ProfileIntReader OpenProfile(const std::string& path)
{
    return [path](std::string_view section, std::string_view key, int def) {
        const UINT value = GetPrivateProfileIntA(Utf8ToGbk(section).c_str(), Utf8ToGbk(key).c_str(), def, path.c_str());
        return static_cast<int>(value);
    };
}
