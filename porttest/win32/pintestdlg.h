#pragma once
#include <windows.h>

#include <string>

#include "portplatform.h"
#include "prompt.h"
#include "tester.h"

class Win32Prompt;

// Porvik's one window on Windows (dialog template 102 of porvik.rc): the 17 connector pins as
// check boxes beside the connector picture, the three registers in hexadecimal, the chosen
// cable's signals, and below them the line that says which port is driven.
//
// Wiring only: what a click does to the cable is CCableTester's (toggle levels, the cable's map,
// the read-back), and every port access goes through its cable. There is no timer and no
// polling; every handler that touches the port ends with RefreshFromPort().
class CPinTestDlg {
public:
    // No port access here: the port is opened when the window is created. `platform` and `prompt`
    // must outlive the window; `instance` holds the templates (the program's, or a test's).
    CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, HINSTANCE instance);
    ~CPinTestDlg();
    CPinTestDlg(const CPinTestDlg&) = delete;
    CPinTestDlg& operator=(const CPinTestDlg&) = delete;

    // Creates the window (start-up runs in it) and runs its modal loop until the exit button, Esc
    // or the close box ends it; returns IDCANCEL. `boxes`, when given, are the message boxes of
    // `prompt`: they are made modal to the window while it exists.
    INT_PTR DoModal(Win32Prompt* boxes = nullptr, HWND owner = nullptr);

    // The window without its loop (tests drive it with messages): created and started, or null.
    HWND Create(HWND owner = nullptr);
    HWND Hwnd() const { return m_hWnd; }
    // What the loop does with each message before dispatching it: the keys of the accelerator
    // table (F1, F5, Shift+F5), then the dialog keys (Tab, Enter, Esc). True when it was used.
    bool PreTranslateMessage(MSG& msg);
    // The exit button, Esc or the close box was used.
    bool Ended() const { return m_bEnded; }

    // The status line's whole text (also when the line shows only a part of it).
    const std::string& StatusLine() const { return m_strStatusLine; }
    // The wait between a write and the next read of the inputs (CParallelPort::SetSettleTime).
    void SetSettleTime(unsigned us) { m_cable.SetSettleTime(us); }

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void OnInitDialog();
    void OnCommand(int id, int code);
    void RefreshFromPort();
    void ApplyCable(int entry);
    void ShowPortInUse();
    void OnPinBox(int id);
    void OnWriteRegister(int editId, void (CIspCable::*write)(std::uint8_t));
    void OnToggle(CCableTester::Toggle toggle);
    void OnReadMiso();
    void OnWiringTest(bool selectedCable);
    void OnAbout();
    void CentreOnScreen();

    IPortPlatform& m_platform;
    IPrompt& m_prompt;
    HINSTANCE m_hInstance;
    CCableTester m_tester;
    CIspCable& m_cable; // m_tester's
    HWND m_hWnd = nullptr;
    HACCEL m_hAccel = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HBRUSH m_hStatusBrush = nullptr;
    HBITMAP m_hPicture = nullptr; // bitmap 130 scaled to the font in use, when it had to be
    bool m_bInitialized = false;
    bool m_bEnded = false;
    bool m_bStatusWarns = false;
    std::string m_strStatusLine;
};
