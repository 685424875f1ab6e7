#include "userpath.h"

#include <windows.h>

#include <climits>
#include <string>

namespace {

bool Decode(UINT codePage, std::string_view text, std::wstring& wide)
{
    const int len = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), len, nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), len, wide.data(), n) == n;
}

}  // namespace

std::filesystem::path PathFromUserText(std::string_view text)
{
    std::wstring wide;
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    if (Decode(CP_UTF8, text, wide) || Decode(936, text, wide)) return std::filesystem::path(wide);
    // Neither: each byte as the character of the same number, so that the open fails with "no
    // such file" rather than the program with an exception.
    wide.assign(text.begin(), text.end());
    for (wchar_t& c : wide) c = static_cast<wchar_t>(static_cast<unsigned char>(c));
    return std::filesystem::path(wide);
}
