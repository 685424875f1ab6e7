#pragma once
// Answering a modal dialog of the native window from a test: a timer fires inside the dialog's
// own modal loop once the dialog is up.
#include <windows.h>

#include <cstring>
#include <functional>
#include <utility>

namespace next_dialog_detail {

inline std::function<void(HWND)> g_drive;
inline HWND g_owner = nullptr;

inline void CALLBACK DriveTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM out) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(wnd, cls, 16);
            if (wnd != g_owner && IsWindowVisible(wnd) && std::wcscmp(cls, L"#32770") == 0) {
                *reinterpret_cast<HWND*>(out) = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found) return;  // not up yet: the timer fires again
    KillTimer(nullptr, id);
    auto drive = std::move(g_drive);
    g_drive = nullptr;
    drive(found);
}

}  // namespace next_dialog_detail

// Runs `drive` on the next dialog this thread opens over `owner` (an entry dialog, the About box).
inline void OnNextDialog(HWND owner, std::function<void(HWND)> drive)
{
    next_dialog_detail::g_owner = owner;
    next_dialog_detail::g_drive = std::move(drive);
    SetTimer(nullptr, 0, 20, next_dialog_detail::DriveTimer);
}
