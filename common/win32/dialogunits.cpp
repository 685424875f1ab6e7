#include "dialogunits.h"

RECT DialogRect(HWND dlg, int x, int y, int w, int h)
{
    RECT r{x, y, x + w, y + h};
    MapDialogRect(dlg, &r);
    return r;
}

void PlaceControl(HWND dlg, HWND control, int x, int y, int w, int h)
{
    const RECT r = DialogRect(dlg, x, y, w, h);
    SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int DialogUnitsX(HWND dlg, int units)
{
    const RECT r = DialogRect(dlg, 0, 0, units, 0);
    return r.right - r.left;
}
