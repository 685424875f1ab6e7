#include "aboutbox.h"

#include <iterator>

#include "placement.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        // The template has no position of its own: centred over the window it was opened from.
        CentreWindow(dlg, GetWindow(dlg, GW_OWNER));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

void AppendAboutMenuItem(HWND wnd, HINSTANCE inst, UINT textId)
{
    wchar_t text[128] = {};
    if (LoadStringW(inst, textId, text, static_cast<int>(std::size(text))) <= 0) return;
    HMENU menu = GetSystemMenu(wnd, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void RunAboutBox(HINSTANCE inst, HWND owner, int templateId)
{
    DialogBoxParamW(inst, MAKEINTRESOURCEW(templateId), owner, AboutProc, 0);
}
