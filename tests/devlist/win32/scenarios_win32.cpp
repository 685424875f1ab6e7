// The behaviour scenarios (tests/devlist/scenarios) against the native Windows window, created
// in-process from the program's own templates under Wine: keys go through the window's message
// loop as the system would deliver them, clicks are the controls' own messages, modal dialogs
// are answered by a timer that fires inside their loops.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "dialoglayout.h"
#include "main_driver.h"
#include "mainwnd.h"
#include "next_dialog.h"
#include "tooltip.h"
#include "winkeys.h"
#include "wintext.h"

namespace {

class Win32MainWindowDriver : public MainWindowDriver {
public:
    Win32MainWindowDriver()
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        m_wnd = m_dlg.Create();
        EXPECT_NE(m_wnd, nullptr);
        m_list = m_dlg.ListView();
    }

    void OpenFile(const std::filesystem::path& path) override { m_dlg.OpenListFile(path); }

    void Focus(int control) override
    {
        SetFocus(GetDlgItem(m_wnd, control));
        Pump();
    }
    void Press(KeyChord key) override { Key(VirtualKeyOf(key.key), key.ctrl, key.shift); }
    void Press(NavKey key) override { Key(key == NavKey::Home ? VK_HOME : VK_END, false, false); }
    void Type(const std::string& utf8) override
    {
        for (const wchar_t c : Utf8ToWide(utf8)) SendMessageW(GetFocus(), WM_CHAR, c, 1);
        Pump();
    }
    void Click(int control) override { SendMessageW(GetDlgItem(m_wnd, control), BM_CLICK, 0, 0); }
    void DoubleClick(long row) override
    {
        RECT r{};
        if (row >= 0) {
            ListView_GetItemRect(m_list, static_cast<int>(row), &r, LVIR_BOUNDS);
        } else {
            ListView_GetItemRect(m_list, ListView_GetItemCount(m_list) - 1, &r, LVIR_BOUNDS);
            OffsetRect(&r, 0, 2 * (r.bottom - r.top));
        }
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        // Posted, as the system delivers them: the list view looks ahead in the queue for the
        // button going up before it takes a press for a click.
        for (const UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            PostMessageW(m_list, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
        Pump();
    }
    void Select(long row) override
    {
        ListView_SetItemState(m_list, -1, 0, LVIS_SELECTED);
        if (row < 0) return;
        ListView_SetItemState(m_list, static_cast<int>(row), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(m_list, static_cast<int>(row));
        ListView_EnsureVisible(m_list, static_cast<int>(row), FALSE);
    }
    void ChooseFindField(int index) override
    {
        // As the user's choice in the drop-down list tells it.
        const HWND field = GetDlgItem(m_wnd, IDC_FIND_FIELD);
        SendMessageW(field, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(m_wnd, WM_COMMAND, MAKEWPARAM(IDC_FIND_FIELD, CBN_SELCHANGE), reinterpret_cast<LPARAM>(field));
    }
    void CloseBox() override { SendMessageW(m_wnd, WM_SYSCOMMAND, SC_CLOSE, 0); }
    void OnNextDialog(DialogScript script) override
    {
        ::OnNextDialog(m_wnd, [this, script](HWND dlg) {
            ++dialogs;
            dialogTitle = GetWindowUtf8(dlg);
            for (const auto& [id, text] : script.texts) SetDlgItemUtf8(dlg, id, text);
            SendMessageW(GetDlgItem(dlg, script.press), BM_CLICK, 0, 0);
        });
    }
    void ChooseMenu(Command command) override
    {
        SendMessageW(m_wnd, WM_COMMAND, CDeviceListDlg::MenuId(command), 0);
        Pump();
    }

    int Rows() override { return ListView_GetItemCount(m_list); }
    std::string Cell(int row, int column) override
    {
        wchar_t text[256] = {};
        ListView_GetItemText(m_list, row, column, text, 256);
        return WideToUtf8(text);
    }
    long Selection() override { return ListView_GetNextItem(m_list, -1, LVNI_SELECTED); }
    bool RowInView(long row) override
    {
        const int top = ListView_GetTopIndex(m_list);
        return row >= top && row < top + ListView_GetCountPerPage(m_list);
    }
    int FocusedControl() override
    {
        HWND w = GetFocus();
        while (w && GetParent(w) != m_wnd) w = GetParent(w);
        return w ? GetDlgCtrlID(w) : 0;
    }
    bool FindBarOpen() override { return IsWindowVisible(GetDlgItem(m_wnd, IDC_FIND_TEXT)) != FALSE; }
    std::string FindText() override { return GetDlgItemUtf8(m_wnd, IDC_FIND_TEXT); }
    std::string StatusText() override { return GetDlgItemUtf8(m_wnd, IDC_FIND_STATUS); }
    std::string ToolTip(int control) override { return ToolTipText(m_dlg.ToolTips(), GetDlgItem(m_wnd, control)); }
    std::vector<std::pair<std::string, bool>> ContextMenu() override
    {
        std::vector<std::pair<std::string, bool>> entries;
        HMENU menu = m_dlg.CreateContextMenu();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            if (state & MF_SEPARATOR) continue;
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            entries.emplace_back(WideToUtf8(text), !(state & MF_GRAYED));
        }
        DestroyMenu(menu);
        return entries;
    }
    bool Closed() override { return m_dlg.IsClosed(); }
    bool Modified() override { return m_dlg.Document().IsModified(); }

private:
    // What the program's message loop does with what is waiting.
    void Pump()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (m_dlg.IsClosed()) {
                DispatchMessageW(&msg);
                continue;
            }
            m_dlg.PreTranslateMessage(msg);
        }
    }

    // A key going down on the focused control, with Ctrl and Shift held while it is taken in.
    void Key(WPARAM vk, bool ctrl, bool shift)
    {
        BYTE state[256] = {};
        GetKeyboardState(state);
        BYTE held[256];
        std::memcpy(held, state, sizeof held);
        held[VK_CONTROL] = ctrl ? 0x80 : 0;
        held[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(held);
        const HWND target = GetFocus() ? GetFocus() : m_wnd;
        MSG msg{target, WM_KEYDOWN, vk, 1, 0, {}};
        if (!m_dlg.IsClosed()) m_dlg.PreTranslateMessage(msg);
        Pump();
        SetKeyboardState(state);
    }

    CDeviceListDlg m_dlg{GetModuleHandleW(nullptr), {&prompt, &open, &save, &import}};
    HWND m_wnd = nullptr;
    HWND m_list = nullptr;
};

}  // namespace

std::unique_ptr<MainWindowDriver> MakeMainWindowDriver() { return std::make_unique<Win32MainWindowDriver>(); }
