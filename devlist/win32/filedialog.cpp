#include "filedialog.h"

#include "systemfiledialog.h"

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
    const std::optional<std::wstring> chosen = RunFileDialog(
        {m_owner, m_mode == Mode::Save, ChipFileFilter(), Utf8ToWide(kChipExtension), {}, m_lastPath});
    if (!chosen) return std::nullopt;
    m_lastPath = *chosen;
    return std::filesystem::path(m_lastPath);
}
