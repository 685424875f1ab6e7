#include "programfile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

const char kPathSeparator = '\\';

namespace {

// The path in the ANSI code page, which the driver library takes; nothing when a character has
// no ANSI form, since a path with a stand-in character names some other file.
std::string ToAnsi(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    BOOL lossy = FALSE;
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), len, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return {};
    std::string ansi(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), len, ansi.data(), n, nullptr, nullptr);
    return ansi;
}

std::wstring ShortForm(const std::wstring& path)
{
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring shortPath(n, L'\0');
    const DWORD written = GetShortPathNameW(path.c_str(), shortPath.data(), n);
    if (written == 0 || written >= n)
        return {};
    shortPath.resize(written);
    return shortPath;
}

} // namespace

std::wstring ProgramFileW()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        // A path that does not fit comes back cut to the buffer's size: try again with more room.
        if (n < buf.size())
            return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramFile() { return WideToUtf8Path(ProgramFileW()); }

std::wstring Utf8ToWidePath(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int len = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, wide.data(), n);
    return wide;
}

std::string WideToUtf8Path(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string AnsiPath(const std::string& utf8)
{
    const std::wstring wide = Utf8ToWidePath(utf8);
    std::string ansi = ToAnsi(wide);
    // A folder name outside the ANSI code page may still have an 8.3 short form that fits it.
    if (ansi.empty() && !wide.empty())
        ansi = ToAnsi(ShortForm(wide));
    return ansi;
}
