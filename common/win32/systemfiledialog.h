#pragma once
#include <optional>
#include <string>

#include <windows.h>

// The system's own open or save dialog (GetOpenFileNameW / GetSaveFileNameW), set up the one way
// both programs want it: room for the longest path a long-path-aware program takes, the current
// folder left alone, overwriting asked about. `filter` is in the dialogs' form ("name\0pattern\0");
// `initialName` is offered in the name field. Nothing when the user cancels.
struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = false;
    std::wstring filter;
    std::wstring defaultExtension; // without the dot
    std::wstring title;            // empty: the system's own
    std::wstring initialName;
};
std::optional<std::wstring> RunFileDialog(const FileDialogRequest& request);
