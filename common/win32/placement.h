#pragma once
#include <windows.h>

// Places `wnd` (its size unchanged) centred over `over`'s window, or over the work area of the
// monitor it is on when `over` is null or hidden, then moved back inside that monitor's work
// area where it would stick out.
void CentreWindow(HWND wnd, HWND over);
