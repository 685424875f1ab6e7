// The settings file on Windows: read by the system's own profile function, so that users there get
// exactly the reader the shipped settings files were written for.
#include "profile.h"

#include "gbk.h"
#include "programfile.h"

#include <iterator>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// Section names are written in UTF-8 here and in GBK in the shipped files. The profile function
// reads a file without a UTF-16 mark through the ANSI code page; the names are handed over as the
// same GBK bytes read through that code page, exactly as the ANSI function would pass them on, so
// that GBK names find a GBK section on a Chinese system and on any other alike. A name GBK cannot
// hold matches nothing.
std::wstring AsAnsiReadsIt(std::string_view utf8)
{
    const std::string gbk = Utf8ToGbk(utf8).value_or(std::string());
    if (gbk.empty())
        return {};
    const int len = static_cast<int>(gbk.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, gbk.data(), len, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, gbk.data(), len, wide.data(), n);
    return wide;
}

} // namespace

ProfileIntReader OpenProfile(const std::string& path)
{
    // The path whole, as UTF-16: a folder with any name holds the file.
    return [file = Utf8ToWidePath(path)](std::string_view section, std::string_view key, int def) {
        const UINT value =
            GetPrivateProfileIntW(AsAnsiReadsIt(section).c_str(), AsAnsiReadsIt(key).c_str(), def, file.c_str());
        return static_cast<int>(value);
    };
}

ProfileStringReader OpenProfileStrings(const std::string& path)
{
    return [file = Utf8ToWidePath(path)](std::string_view section, std::string_view key) -> std::optional<std::string> {
        // A default no file holds tells a missing key from an empty one.
        constexpr const wchar_t* kMissing = L"\x01";
        wchar_t value[1024] = {};
        GetPrivateProfileStringW(AsAnsiReadsIt(section).c_str(), AsAnsiReadsIt(key).c_str(), kMissing, value,
                                 static_cast<DWORD>(std::size(value)), file.c_str());
        if (std::wstring_view(value) == kMissing)
            return std::nullopt;
        // The text as the ANSI function hands it out, read as GBK as the shipped files are.
        char ansi[4 * std::size(value)] = {};
        WideCharToMultiByte(CP_ACP, 0, value, -1, ansi, static_cast<int>(sizeof ansi), nullptr, nullptr);
        return GbkToUtf8(ansi);
    };
}
