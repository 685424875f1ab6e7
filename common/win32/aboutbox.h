#pragma once
#include <windows.h>

// The About box of both programs: a dialog template of the program's resources (its icon, texts
// and OK button) reached from the main window's system menu.

// The system-menu command of the About item (its low four bits are the system's own).
inline constexpr UINT IDM_ABOUTBOX = 0x0010;

// Appends a separator and the item whose text is string `textId` of `inst` to `wnd`'s system
// menu; nothing when that string is empty or missing.
void AppendAboutMenuItem(HWND wnd, HINSTANCE inst, UINT textId);
// True for the WM_SYSCOMMAND wParam of that item.
inline bool IsAboutCommand(WPARAM command) { return (command & 0xFFF0) == IDM_ABOUTBOX; }
// Runs template `templateId` of `inst` modally, centred over `owner`; OK, Esc and the close box
// end it.
void RunAboutBox(HINSTANCE inst, HWND owner, int templateId);
