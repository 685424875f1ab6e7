#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "portplatform.h"
#include "prompt.h"
#include "testersession.h"

class Win32Prompt;

// Porvik's one window on Windows (dialog template 102 of porvik.rc): the 17 connector pins as
// check boxes beside the connector picture, the three registers in hexadecimal, the chosen
// cable's signals, and below them the line that says which port is driven.
//
// The window binds and renders: its keys and menu entries come from the command table of
// porttest/core, every user action goes to CTesterSession, and what it shows is the session's view.
class CPinTestDlg {
public:
    // How the window ended.
    enum Result { kEnded = IDCANCEL, kReopen = 100 };

    // No port access here: the port is opened when the window is created. `platform` and `prompt`
    // must outlive the window; `instance` holds the templates (the program's, or a test's).
    CPinTestDlg(IPortPlatform& platform, IPrompt& prompt, HINSTANCE instance);
    ~CPinTestDlg();
    CPinTestDlg(const CPinTestDlg&) = delete;
    CPinTestDlg& operator=(const CPinTestDlg&) = delete;

    // Creates the window (start-up runs in it) and runs its modal loop until the exit button, Esc
    // or the close box ends it (kEnded), or "重新打开并口" asks for the port again (kReopen).
    // `boxes`, when given, are the message boxes of `prompt`: they are made modal to the window
    // while it exists.
    INT_PTR DoModal(Win32Prompt* boxes = nullptr, HWND owner = nullptr);

    // The window without its loop (tests drive it with messages): created and started, or null.
    HWND Create(HWND owner = nullptr);
    HWND Hwnd() const { return m_hWnd; }
    // What the loop does with each message before dispatching it: the keys of the command table
    // (F1, F5, Shift+F5), then the dialog keys (Tab, Enter, Esc). True when it was used.
    bool PreTranslateMessage(MSG& msg);
    // The exit button, Esc or the close box was used, or the port is to be opened again.
    bool Ended() const { return m_result.has_value(); }
    INT_PTR EndResult() const { return m_result.value_or(kEnded); }

    // The status line's whole text (also when the line shows only a part of it).
    const std::string& StatusLine() const { return m_session.View().statusLine; }
    const TesterView& View() const { return m_session.View(); }
    // The tooltip window of the dialog (tests read the buttons' texts from it).
    HWND ToolTips() const { return m_hToolTips; }

    // Asks where to save a wiring record; nothing saves nothing. The system's save dialog unless
    // a test puts an answer here.
    std::function<std::optional<std::string>(HWND owner)> chooseReportFile;
    // The wait between a write and the next read of the inputs (CParallelPort::SetSettleTime).
    void SetSettleTime(unsigned us) { m_session.Tester().Cable().SetSettleTime(us); }

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void OnInitDialog();
    void OnCommand(int id, int code);
    void Do(TesterCommand command);
    void Act(CTesterSession::Effect effect);
    void Render();
    void ShowStatusLine();
    void AddCommandEntries();
    void CentreOnScreen();

    IPrompt& m_prompt;
    HINSTANCE m_hInstance;
    CTesterSession m_session;
    HWND m_hWnd = nullptr;
    HACCEL m_hAccel = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HBRUSH m_hStatusBrush = nullptr;
    HWND m_hToolTips = nullptr; // the dialog's tooltip window, gone with it
    HBITMAP m_hPicture = nullptr; // bitmap 130 scaled to the font in use, when it had to be
    std::optional<INT_PTR> m_result;
};
