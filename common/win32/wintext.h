#pragma once
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

// Text between the programs' own strings and the UTF-16 of the Windows API. The programs keep
// their texts in UTF-8 (one home for both front ends) and device names in GBK bytes; a window
// only ever sees UTF-16, converted at the call.

// UTF-8 -> UTF-16. Bytes that are not UTF-8 become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// UTF-16 -> UTF-8. A lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

// GBK bytes (a device name) -> UTF-16, by the programs' own GBK rule (gbk.h): bytes that do not
// decode show as U+FFFD.
std::wstring GbkToWide(std::string_view gbk);
// UTF-16 -> GBK bytes, or nothing when a character has no GBK form (never a '?').
std::optional<std::string> WideToGbk(std::wstring_view wide);

// A window's or a dialog control's text, in UTF-8.
void SetWindowUtf8(HWND wnd, std::string_view utf8);
std::string GetWindowUtf8(HWND wnd);
void SetDlgItemUtf8(HWND dlg, int id, std::string_view utf8);
std::string GetDlgItemUtf8(HWND dlg, int id);
