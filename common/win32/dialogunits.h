#pragma once
#include <windows.h>

// Dialog units: templates give positions in them, in the dialog's own font; a control made or
// moved at run time must be placed in the same units to line up with the template's.

// The rectangle of the template units (x, y, w, h) in pixels of dialog `dlg`'s client area.
RECT DialogRect(HWND dlg, int x, int y, int w, int h);
// Moves and sizes `control` (a child of `dlg`) to the template units (x, y, w, h).
void PlaceControl(HWND dlg, HWND control, int x, int y, int w, int h);
// Horizontal dialog units in pixels (column widths, margins).
int DialogUnitsX(HWND dlg, int units);
