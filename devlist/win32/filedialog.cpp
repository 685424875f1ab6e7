#include "filedialog.h"

#include <commdlg.h>

#include <vector>

#include "windowtext.h"
#include "wintext.h"

std::wstring ChipFileFilter()
{
    std::wstring filter = Utf8ToWide(kChipFilterName);
    filter.push_back(L'\0');
    filter += Utf8ToWide(kChipPattern);
    filter.push_back(L'\0');
    return filter;  // the closing second NUL is the string's own terminator
}

std::optional<std::filesystem::path> Win32FileChooser::Choose()
{
    // Room for the longest path Windows takes, now that the program is long-path aware.
    std::vector<wchar_t> buffer(32768, L'\0');
    m_lastPath.copy(buffer.data(), buffer.size() - 1);
    const std::wstring filter = ChipFileFilter();
    const std::wstring ext = Utf8ToWide(kChipExtension);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = ext.c_str();
    // The current folder is the process's, not the dialog's to move.
    // A name that does not exist is not refused here: the open flow reports it in its own words.
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_NOCHANGEDIR;

    const BOOL ok = m_mode == Mode::Open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!ok) return std::nullopt;
    m_lastPath = buffer.data();
    return std::filesystem::path(m_lastPath);
}
