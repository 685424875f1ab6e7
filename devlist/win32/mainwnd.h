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
// and the find bar. It binds the controls to the list document, which owns the records and every
// flow, and to the two entry dialogs.
class CDeviceListDlg {
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
    bool IsClosed() const { return m_bClosed; }

    // What 打开文件 does once its dialog has named a file: the shell's file from the command line.
    void OpenListFile(const std::filesystem::path& path);
    // A dropped file: the save question first, then as above.
    void OpenDroppedFile(const std::filesystem::path& path);

    DeviceListDocument& Document() { return m_doc; }
    CAddDeviceDlg& AddDialog() { return m_dlgAdd; }
    CEditDeviceDlg& EditDialog() { return m_dlgEdit; }

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void SetupList();
    void OnCommand(int id, int code, HWND control);
    bool OnNotify(const NMHDR& header, LRESULT& result);
    void OnGetDispInfo(NMLVDISPINFOW& info);
    void OnContextMenu(POINT at);
    void OnDropFiles(HDROP drop);

    void OnOpenFile();
    void OnSaveFile();
    void OnAddDevice();
    void DeleteDevice();
    void ModifyDevice();
    void OnCancel();
    void OnOK();
    void OnRowsChanged();
    void Close();

    long SelectedRow() const;
    void SelectRow(std::size_t row);

    bool FindBarOpen() const;
    bool InFindBar(HWND wnd) const;
    void OpenFindBar();
    void CloseFindBar();
    void FindNext(FindDirection direction);
    void FindFrom(FindDirection direction, bool again);
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

    HWND m_hWnd = nullptr;
    HWND m_hList = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HACCEL m_hAccel = nullptr;
    bool m_bClosed = false;
    bool m_bIdleWorkPosted = false;
    bool m_bShownLoading = false;  // the rows last shown were a file still being read
    std::wstring m_cellText;  // the text handed to the list view for the cell it asked for
};
