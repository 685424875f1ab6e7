// Porvik's Win32 window created in-process from its real templates (under Wine with a display)
// over the virtual port and over a port that could not be opened. Wiring only: that a control
// reaches the tester and the cable and shows what comes back. The rules behind them are the
// core's and are tested there.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "pintestdlg.h"
#include "recording_port.h"
#include "resource.h"
#include "temp_dir.h"
#include "testertexts.h"
#include "virtualport.h"
#include "winioport.h"
#include "wintext.h"

namespace {

// Closes the next modal dialog of this thread titled `title`, from inside its own loop, and
// remembers what it showed.
struct ModalCloser {
    static inline std::string s_title;
    static inline bool s_seen = false;
    static inline int s_rows = -1;
    static inline RECT s_rect{};

    static BOOL CALLBACK Find(HWND wnd, LPARAM)
    {
        if (!IsWindowVisible(wnd) || GetWindowUtf8(wnd) != s_title)
            return TRUE;
        s_seen = true;
        GetWindowRect(wnd, &s_rect);
        if (HWND table = GetDlgItem(wnd, IDC_WIRING_TABLE))
            s_rows = static_cast<int>(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0));
        PostMessageW(wnd, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        EnumThreadWindows(GetCurrentThreadId(), Find, 0);
    }

    explicit ModalCloser(std::string title)
    {
        s_title = std::move(title);
        s_seen = false;
        s_rows = -1;
        m_timer = SetTimer(nullptr, 0, 50, OnTimer);
    }
    ~ModalCloser() { KillTimer(nullptr, m_timer); }
    UINT_PTR m_timer;
};

struct Window : ::testing::Test {
    ScratchAppDir dir;
    RecordingPrompt prompt;

    void SetUp() override { CCableTester::ResetToggleLevels(); }

    static HWND Item(CPinTestDlg& dlg, int id) { return GetDlgItem(dlg.Hwnd(), id); }
    static void Click(CPinTestDlg& dlg, int id) { SendMessageW(Item(dlg, id), BM_CLICK, 0, 0); }
    static bool Checked(CPinTestDlg& dlg, int id) { return IsDlgButtonChecked(dlg.Hwnd(), id) == BST_CHECKED; }
    static std::string Text(CPinTestDlg& dlg, int id) { return GetDlgItemUtf8(dlg.Hwnd(), id); }
};

} // namespace

TEST_F(Window, PinBoxDrivesItsPinAndShowsTheReadBack)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    // Start-up reads nothing: boxes clear, register edits empty.
    EXPECT_EQ(Text(dlg, IDC_DATA), "");

    Click(dlg, IDC_PIN2); // pin 2 high: data bit 0, looped back into pin 15
    EXPECT_EQ(platform.Port().ReadData(), 0x01);
    EXPECT_TRUE(Checked(dlg, IDC_PIN2));
    EXPECT_TRUE(Checked(dlg, IDC_PIN15));
    EXPECT_EQ(Text(dlg, IDC_DATA), "01");

    Click(dlg, IDC_PIN15); // a display-only box: its tick goes back to the input's level
    EXPECT_TRUE(Checked(dlg, IDC_PIN15));
    Click(dlg, IDC_PIN2);
    EXPECT_EQ(platform.Port().ReadData(), 0x00);
    EXPECT_FALSE(Checked(dlg, IDC_PIN15));
}

TEST_F(Window, RegisterEditsWriteOrSayWhyNot)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    SetDlgItemUtf8(dlg.Hwnd(), IDC_DATA, "a5");
    Click(dlg, IDC_WRITE_DATA);
    EXPECT_EQ(platform.Port().ReadData(), 0xA5);
    SetDlgItemUtf8(dlg.Hwnd(), IDC_CONTROL, "0x7");
    Click(dlg, IDC_WRITE_CONTROL);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], kBadRegisterValue);
    EXPECT_EQ(Text(dlg, IDC_CONTROL), "0C"); // the register as it stands, not the refused text
}

TEST_F(Window, TogglesDriveTheirLinesAndCablesRelabelThem)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(Text(dlg, IDC_MOSI_PIN), "使用PIN14");
    EXPECT_EQ(Text(dlg, IDC_R1), "R1(保留)=1");

    Click(dlg, IDC_MOSI); // the Qorel Isp cable's MOSI is pin 14
    EXPECT_EQ(Text(dlg, IDC_MOSI), "MOSI=0");
    EXPECT_FALSE(Checked(dlg, IDC_PIN14));
    Click(dlg, IDC_MOSI);
    EXPECT_EQ(Text(dlg, IDC_MOSI), "MOSI=1");
    EXPECT_TRUE(Checked(dlg, IDC_PIN14));

    // The Atmel ByteBlaster (entry 1) puts MOSI on pin 2.
    SendMessageW(Item(dlg, IDC_CABLE), CB_SETCURSEL, 1, 0);
    SendMessageW(dlg.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CABLE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(dlg, IDC_CABLE)));
    EXPECT_EQ(Text(dlg, IDC_MOSI_PIN), "使用PIN2");
    Click(dlg, IDC_MOSI);
    EXPECT_FALSE(Checked(dlg, IDC_PIN2));
    EXPECT_EQ(Text(dlg, IDC_MOSI), "MOSI=0");
}

TEST_F(Window, FailedOpenShowsTheAbsentPortAndTheWholeReasonOneClickAway)
{
    // No WINIO.dll in this folder: the driver path cannot start.
    TempDir empty;
    WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, Utf8ToWide(empty.Dir()));
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    const std::string line = Text(dlg, IDC_PORT_STATUS);
    EXPECT_NE(line.find("未驱动任何并口"), std::string::npos) << line;
    EXPECT_EQ(line, dlg.StatusLine());
    EXPECT_NE(dlg.StatusLine().find("WINIO.dll"), std::string::npos);

    Click(dlg, IDC_PIN2); // nothing is driven: inputs read as undriven lines
    EXPECT_EQ(Text(dlg, IDC_DATA), "FF");
    // The reason with its folder never fits two lines: the whole of it is behind the button.
    ASSERT_TRUE(IsWindowVisible(Item(dlg, IDC_PORT_DETAILS)));
    prompt.messages.clear();
    Click(dlg, IDC_PORT_DETAILS);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], dlg.StatusLine());
}

// F1 and the rest of the keys are the scenario suite's; here only where the box stands.
TEST_F(Window, AboutBoxIsCentredOverTheWindow)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    ModalCloser closer("关于 Porvik");
    SendMessageW(dlg.Hwnd(), WM_SYSCOMMAND, 0x0010, 0);
    EXPECT_TRUE(ModalCloser::s_seen);
    RECT main;
    GetWindowRect(dlg.Hwnd(), &main);
    const RECT& about = ModalCloser::s_rect;
    EXPECT_NEAR((about.left + about.right) / 2, (main.left + main.right) / 2, 2);
    EXPECT_NEAR((about.top + about.bottom) / 2, (main.top + main.bottom) / 2, 2);
}

// Every one-line label (the connector's "GND" among them) holds its whole text in the dialog font
// the window got, here the stand-in font of CI's Wine.
TEST_F(Window, OneLineLabelsAreNotClipped)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    struct Found {
        int labels = 0;
        std::vector<std::string> clipped;
    } found;
    EnumChildWindows(
        dlg.Hwnd(),
        [](HWND wnd, LPARAM param) {
            auto& f = *reinterpret_cast<Found*>(param);
            wchar_t cls[16] = {};
            GetClassNameW(wnd, cls, 16);
            const LONG style = GetWindowLongW(wnd, GWL_STYLE);
            const std::string text = GetWindowUtf8(wnd);
            if (lstrcmpiW(cls, L"Static") != 0 || (style & SS_TYPEMASK) != SS_LEFT || text.empty() ||
                !IsWindowVisible(wnd))
                return TRUE;
            const std::wstring wide = Utf8ToWide(text);
            HDC dc = GetDC(wnd);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
            SIZE extent{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(wnd, dc);
            RECT client;
            GetClientRect(wnd, &client);
            RECT twoLines{0, 0, 0, 12}; // the templates give a label of two lines 15 units or more
            MapDialogRect(GetParent(wnd), &twoLines);
            if (client.bottom >= twoLines.bottom)
                return TRUE; // it wraps
            ++f.labels;
            if (extent.cx > client.right)
                f.clipped.push_back(text + " " + std::to_string(extent.cx) + ">" + std::to_string(client.right));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    EXPECT_GE(found.labels, 8); // the eight "GND" at least
    EXPECT_TRUE(found.clipped.empty()) << ::testing::PrintToString(found.clipped);
}

TEST_F(Window, AboutEntryOfTheSystemMenuIsString101)
{
    VirtualPlatform platform;
    CPinTestDlg dlg(platform, prompt, GetModuleHandleW(nullptr));
    ASSERT_TRUE(dlg.Create());
    HMENU menu = GetSystemMenu(dlg.Hwnd(), FALSE);
    const int last = GetMenuItemCount(menu) - 1;
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(last), text, 64, MF_BYPOSITION);
    EXPECT_EQ(WideToUtf8(text), kAboutMenuText);
    EXPECT_EQ(GetMenuItemID(menu, last), 0x0010u);
}
