#include "placement.h"

#include <algorithm>

void CentreWindow(HWND wnd, HWND over)
{
    RECT r;
    GetWindowRect(wnd, &r);
    const bool useOwner = over && IsWindowVisible(over) && !IsIconic(over);
    HMONITOR monitor = MonitorFromWindow(useOwner ? over : wnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    const RECT work = info.rcWork;
    RECT target = work;
    if (useOwner)
        GetWindowRect(over, &target);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    int x = target.left + ((target.right - target.left) - width) / 2;
    int y = target.top + ((target.bottom - target.top) - height) / 2;
    // Inside the work area, its top-left corner first: the caption must stay reachable.
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
