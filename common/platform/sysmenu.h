#pragma once
#include <cstdint>

// A window's system menu, which Windows has and X11 and Wayland do not: there these do nothing.
// `window` is the native window handle (QWidget::winId()); `text` is UTF-16, NUL-terminated.
void AppendSystemMenuCommand(std::uintptr_t window, unsigned command, const char16_t* text);
// True when `message`, a native message (a Windows MSG), is the system command `command`.
bool IsSystemMenuCommand(const void* message, unsigned command);
