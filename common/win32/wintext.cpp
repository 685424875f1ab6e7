#include "wintext.h"

#include "gbk.h"

std::wstring Utf8ToWide(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring GbkToWide(std::string_view gbk) { return Utf8ToWide(GbkToUtf8(gbk)); }

std::optional<std::string> WideToGbk(std::wstring_view wide)
{
    // A lone surrogate has no GBK form; WideToUtf8 would hide it behind U+FFFD, which GBK lacks too.
    return Utf8ToGbk(WideToUtf8(wide));
}

void SetWindowUtf8(HWND wnd, std::string_view utf8) { SetWindowTextW(wnd, Utf8ToWide(utf8).c_str()); }

std::string GetWindowUtf8(HWND wnd)
{
    const int len = GetWindowTextLengthW(wnd);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    const int got = GetWindowTextW(wnd, text.data(), len + 1);
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return WideToUtf8(text);
}

void SetDlgItemUtf8(HWND dlg, int id, std::string_view utf8) { SetWindowUtf8(GetDlgItem(dlg, id), utf8); }

std::string GetDlgItemUtf8(HWND dlg, int id) { return GetWindowUtf8(GetDlgItem(dlg, id)); }
