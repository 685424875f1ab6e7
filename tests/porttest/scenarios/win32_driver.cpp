// The scenarios' driver for the Win32 window, in-process under Wine with a display: messages to
// the dialog's controls, keys through the window's own message handling, modal dialogs found
// from a timer inside their own loop.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "pintestdlg.h"
#include "porvik_driver.h"
#include "resource.h"
#include "tooltip.h"
#include "wintext.h"

namespace {

// The colour a dialog gives a static control's text, asked as the system asks before drawing it.
Rgb StaticColour(HWND dlg, HWND control)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// The key as the loop of a modal window gets it: the window's own handling first.
void SendKey(const std::function<bool(MSG&)>& pretranslate, HWND fallback, WORD vk, bool shift)
{
    BYTE keys[256] = {};
    if (shift)
        keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    MSG msg{GetFocus() ? GetFocus() : fallback, WM_KEYDOWN, vk, 1, 0, {}};
    if (!pretranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

class Win32WiringDialog : public IWiringDialogDriver {
public:
    Win32WiringDialog(HWND dlg, std::function<std::optional<std::string>(HWND)>& chooser)
        : m_dlg(dlg), m_chooser(chooser)
    {
    }
    std::vector<Row> Rows() override
    {
        const HWND table = GetDlgItem(m_dlg, IDC_WIRING_TABLE);
        const int count = static_cast<int>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0));
        std::vector<Row> rows;
        for (int r = 0; r < count; ++r) {
            Row row;
            for (int c = 0; c < 4; ++c) {
                wchar_t text[512] = {};
                LVITEMW item{};
                item.iSubItem = c;
                item.pszText = text;
                item.cchTextMax = 512;
                SendMessageW(table, LVM_GETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
                row.cells.push_back(WideToUtf8(text));
            }
            // The row's tone, as the dialog's custom drawing colours it.
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = r;
            SendMessageW(table, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            row.background = ToneRow(static_cast<Tone>(item.lParam));
            rows.push_back(row);
        }
        return rows;
    }
    std::string Subject() override { return GetDlgItemUtf8(m_dlg, IDC_WIRING_EXPECTED); }
    std::string Summary() override { return GetDlgItemUtf8(m_dlg, IDC_WIRING_SUMMARY); }
    Rgb SummaryColour() override { return StaticColour(m_dlg, GetDlgItem(m_dlg, IDC_WIRING_SUMMARY)); }
    std::string RepeatCaption() override { return GetDlgItemUtf8(m_dlg, IDC_WIRING_REPEAT); }
    bool RepeatEnabled() override { return IsWindowEnabled(GetDlgItem(m_dlg, IDC_WIRING_REPEAT)) != FALSE; }
    void ClickRepeat() override { SendMessageW(GetDlgItem(m_dlg, IDC_WIRING_REPEAT), BM_CLICK, 0, 0); }
    void ClickSave(const std::string& file) override
    {
        m_chooser = [file](HWND) { return std::optional<std::string>(file); };
        SendMessageW(GetDlgItem(m_dlg, IDC_WIRING_SAVE), BM_CLICK, 0, 0);
    }
    bool PumpUntil(const std::function<bool()>& done) override
    {
        const DWORD start = GetTickCount();
        while (!done() && GetTickCount() - start < 5000) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(1);
        }
        return done();
    }

private:
    HWND m_dlg;
    std::function<std::optional<std::string>(HWND)>& m_chooser;
};

// The modal dialog that opens while a key's action runs, found from a thread timer inside its loop.
struct ModalWatch {
    static inline ModalWatch* s_active = nullptr;
    HWND owner;
    std::function<void(HWND)> inside;
    std::string title;
    bool busy = false;

    static BOOL CALLBACK Find(HWND wnd, LPARAM)
    {
        ModalWatch& self = *s_active;
        if (wnd == self.owner || !IsWindowVisible(wnd) || GetWindow(wnd, GW_OWNER) != self.owner)
            return TRUE;
        self.title = GetWindowUtf8(wnd);
        self.busy = true;
        if (self.inside)
            self.inside(wnd);
        PostMessageW(wnd, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (s_active && !s_active->busy && s_active->title.empty())
            EnumThreadWindows(GetCurrentThreadId(), Find, 0);
    }
};

class Win32Driver : public IPorvikDriver {
public:
    void Open(IPortPlatform& platform, IPrompt& prompt) override
    {
        m_dlg = std::make_unique<CPinTestDlg>(platform, prompt, GetModuleHandleW(nullptr));
        ASSERT_TRUE(m_dlg->Create());
    }
    void Focus(int control) override
    {
        // As Tab does it: a push button that gets the focus becomes the default one.
        SendMessageW(m_dlg->Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(control)), TRUE);
    }
    void Press(TesterKey key, bool shift) override
    {
        constexpr struct {
            TesterKey key;
            WORD vk;
        } keys[] = {{TesterKey::Enter, VK_RETURN}, {TesterKey::Escape, VK_ESCAPE}, {TesterKey::F1, VK_F1}, {TesterKey::F5, VK_F5}};
        for (const auto& k : keys)
            if (k.key == key)
                SendKey([this](MSG& msg) { return m_dlg->PreTranslateMessage(msg); }, m_dlg->Hwnd(), k.vk, shift);
    }
    void Click(int control) override { SendMessageW(Item(control), BM_CLICK, 0, 0); }
    void Type(int control, const std::string& text) override { SetDlgItemUtf8(m_dlg->Hwnd(), control, text); }
    bool Ticked(int control) override { return IsDlgButtonChecked(m_dlg->Hwnd(), control) == BST_CHECKED; }
    std::string Text(int control) override { return GetDlgItemUtf8(m_dlg->Hwnd(), control); }
    std::string Tooltip(int control) override { return ToolTipText(m_dlg->ToolTips(), Item(control)); }
    std::string StatusText() override { return m_dlg->StatusLine(); }
    Rgb StatusColour() override { return StaticColour(m_dlg->Hwnd(), Item(IDC_PORT_STATUS)); }
    bool Enabled(TesterCommand command) override
    {
        const TesterCommandRow& row = CommandRow(command);
        if (row.control)
            return IsWindowEnabled(Item(row.control)) != FALSE;
        // A menu entry: in the system menu, as the window has no context menu.
        HMENU menu = GetSystemMenu(m_dlg->Hwnd(), FALSE);
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            if (WideToUtf8(text).rfind(row.menuText, 0) == 0)
                return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
        }
        ADD_FAILURE() << "no menu entry " << row.menuText;
        return false;
    }
    bool Ended() override { return m_dlg->Ended(); }
    std::string WithModal(const std::function<void()>& action,
                          const std::function<void(IWiringDialogDriver&)>& inside) override
    {
        ModalWatch watch{m_dlg->Hwnd(), {}, {}};
        if (inside)
            watch.inside = [&](HWND dlg) {
                if (!GetDlgItem(dlg, IDC_WIRING_TABLE))
                    return;
                Win32WiringDialog d(dlg, m_dlg->chooseReportFile);
                inside(d);
            };
        ModalWatch::s_active = &watch;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, ModalWatch::OnTimer);
        action();
        KillTimer(nullptr, timer);
        ModalWatch::s_active = nullptr;
        return watch.title;
    }

private:
    HWND Item(int control) { return GetDlgItem(m_dlg->Hwnd(), control); }
    std::unique_ptr<CPinTestDlg> m_dlg;
};

} // namespace

std::unique_ptr<IPorvikDriver> MakePorvikDriver() { return std::make_unique<Win32Driver>(); }
