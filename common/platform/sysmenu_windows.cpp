#include "sysmenu.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

void AppendSystemMenuCommand(std::uintptr_t window, unsigned command, const char16_t* text)
{
    if (HMENU sys = ::GetSystemMenu(reinterpret_cast<HWND>(window), FALSE)) {
        ::AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sys, MF_STRING, command, reinterpret_cast<LPCWSTR>(text));
    }
}

bool IsSystemMenuCommand(const void* message, unsigned command)
{
    const MSG* msg = static_cast<const MSG*>(message);
    // Windows keeps the low four bits of a system command for itself.
    return msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == command;
}
