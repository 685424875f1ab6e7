#pragma once
#include <string>

#include <windows.h>

#include "filechooser_iface.h"

// IFileChooser over the system's own file dialogs (GetOpenFileNameW / GetSaveFileNameW), with the
// device-list filter and default extension. Each chooser is made once and kept, so it offers the
// name last chosen in it, as the file dialogs of the main window and the add dialog do.
class Win32FileChooser : public IFileChooser {
public:
    enum class Mode { Open, Save };
    explicit Win32FileChooser(Mode mode) : m_mode(mode) {}

    // The window the dialog is modal to; none keeps it parentless.
    void SetOwner(HWND owner) { m_owner = owner; }
    std::optional<std::filesystem::path> Choose() override;

private:
    Mode m_mode;
    HWND m_owner = nullptr;
    std::wstring m_lastPath;
};

// "器件列表文件(*.chip)\0*.chip\0\0": the filter in the form the file dialogs take.
std::wstring ChipFileFilter();
