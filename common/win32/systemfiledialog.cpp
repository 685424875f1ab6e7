#include "systemfiledialog.h"

#include <commdlg.h>

#include <vector>

std::optional<std::wstring> RunFileDialog(const FileDialogRequest& request)
{
    // Room for the longest path Windows takes, now that the programs are long-path aware.
    std::vector<wchar_t> buffer(32768, L'\0');
    request.initialName.copy(buffer.data(), buffer.size() - 1);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = request.filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = request.defaultExtension.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    // The current folder is the process's, not the dialog's to move. A name that does not exist
    // is not refused here: the flows report it in their own words.
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_NOCHANGEDIR;

    const BOOL ok = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok)
        return std::nullopt;
    return std::wstring(buffer.data());
}
