#include "tooltip.h"

#include <commctrl.h>

#include "wintext.h"

HWND CreateToolTips(HWND dialog)
{
    return CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
}

namespace {

TOOLINFOW ToolOf(HWND control, wchar_t* text)
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    return tool;
}

}  // namespace

void AddToolTip(HWND tips, HWND control, std::string_view utf8)
{
    if (!tips || !control) return;
    std::wstring text = Utf8ToWide(utf8);  // the tooltip window keeps its own copy
    TOOLINFOW tool = ToolOf(control, text.data());
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string ToolTipText(HWND tips, HWND control)
{
    // A tooltip text is at most 80 characters unless it is asked for with a length of its own.
    wchar_t text[256] = {};
    TOOLINFOW tool = ToolOf(control, text);
    SendMessageW(tips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return WideToUtf8(text);
}
