#pragma once
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "entrydlg.h"
#include "filedialog.h"
#include "listdocument.h"
#include "listfind.h"
#include "mainwindowlogic.h"
#include "msgbox.h"

// Where the main window's questions, messages and file names come from. nullptr means the real
// message box or file dialog; tests put scripted ones here.
struct DeviceListServices {
    IPrompt* prompt = nullptr;
    IFileChooser* open = nullptr;
    IFileChooser* save = nullptr;
    IFileChooser* import = nullptr;
};

// The main window (template 102): the device list as a virtual list view beside seven buttons,
// and the find bar. It binds the controls, keys and context menu to the window logic (the
// command table and what each command leaves on screen), renders the view it hands back, and
// runs the entry dialogs and the About box for it.
class CDeviceListDlg : private IMainDialogs {
public:
    using Services = DeviceListServices;

    explicit CDeviceListDlg(HINSTANCE inst, const Services& services = {});
    ~CDeviceListDlg();
    CDeviceListDlg(const CDeviceListDlg&) = delete;
    CDeviceListDlg& operator=(const CDeviceListDlg&) = delete;

    // Creates the window (shown, as its template says); nullptr when it could not be made.
    HWND Create();
    // Runs the window's message loop until the exit flow closes it, keys included.
    int RunModalLoop();
    // Creates and runs: what the program does.
    int DoModal();
    // The loop's handling of one message: the window's keys first, then the dialog's own.
    bool PreTranslateMessage(MSG& msg);

    HWND Hwnd() const { return m_hWnd; }
    HWND ListView() const { return m_hList; }
    HWND ToolTips() const { return m_hTips; }
    bool IsClosed() const { return m_bClosed; }

    // What 打开文件 does once its dialog has named a file: the shell's file from the command line.
    void OpenListFile(const std::filesystem::path& path);
    // A dropped file: the save question first, then as above.
    void OpenDroppedFile(const std::filesystem::path& path);

    // The context menu as it would open now (the caller destroys it); each entry's command id.
    HMENU CreateContextMenu() const;
    static UINT MenuId(Command command);

    DeviceListDocument& Document() { return m_doc; }
    CAddDeviceDlg& AddDialog() { return m_dlgAdd; }
    CEditDeviceDlg& EditDialog() { return m_dlgEdit; }

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void SetupList();
    void OnCommand(int id, int code);
    bool OnNotify(const NMHDR& header, LRESULT& result);
    void OnGetDispInfo(NMLVDISPINFOW& info);
    void OnContextMenu(POINT at);
    void OnDropFiles(HDROP drop);

    AddResult RunAddDialog() override;
    void RunModifyDialog(DeviceRecord& record) override;
    void RunAboutBox() override;

    void Render(const MainView& view);
    void OnRowsChanged();
    void Close();
    // The window's control (the find bar's included) that `wnd` is or is in, 0 for none.
    int ControlOf(HWND wnd) const;
    long SelectedRow() const;
    void SelectRow(std::size_t row);
    void OnFindQueryChanged();
    void PostIdleWork();
    void PlaceList(bool withFindBar);

    HINSTANCE m_hInst;
    // The real prompt and choosers; the references below point at them unless tests injected
    // their own. Declared before the dialogs and the document that take those references.
    Win32Prompt m_realPrompt;
    Win32FileChooser m_realOpen;
    Win32FileChooser m_realSave;
    Win32FileChooser m_realImport;
    IPrompt& m_prompt;
    IFileChooser& m_openChooser;
    IFileChooser& m_saveChooser;
    IFileChooser& m_importChooser;

    CAddDeviceDlg m_dlgAdd;
    CEditDeviceDlg m_dlgEdit;
    DeviceListDocument m_doc;
    MainWindowLogic m_logic;

    HWND m_hWnd = nullptr;
    HWND m_hList = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HWND m_hTips = nullptr;  // the buttons' tooltips
    bool m_bClosed = false;
    bool m_bIdleWorkPosted = false;
    bool m_bShownLoading = false;  // the rows last shown were a file still being read
    std::wstring m_cellText;  // the text handed to the list view for the cell it asked for
};
