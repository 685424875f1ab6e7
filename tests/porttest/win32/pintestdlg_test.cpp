// Porvik's Win32 window created in-process from its real templates (under Wine with a display)
// over the virtual port and over a port that could not be opened. Wiring only: that a control
// reaches the tester and the cable and shows what comes back. The rules behind them are the
// core's and are tested there.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "pintestdlg.h"
#include "recording_port.h"
#include "resource.h"
#include "temp_dir.h"
#include "testertexts.h"
#include "virtualport.h"
#include "winioport.h"
#include "wintext.h"

namespace {

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
