#pragma once
#include <string>
#include <string_view>

#include <windows.h>

// Tooltips on a dialog's controls: one tooltip window per dialog, each control a tool of it that
// shows its text when the mouse rests on the control. Texts are UTF-8.
HWND CreateToolTips(HWND dialog);
void AddToolTip(HWND tips, HWND control, std::string_view utf8);
// The text `control` shows, empty when it has none.
std::string ToolTipText(HWND tips, HWND control);
