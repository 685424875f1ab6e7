#include "process.h"

#include "userpath.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

std::string Utf8(const wchar_t* wide)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

// argv holds the arguments in the ANSI code page, which loses every character it lacks; the wide
// command line has them all.
std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

void PrepareStandardStreams()
{
    // Text mode would turn every "\n" into "\r\n", also inside quoted CSV fields, so that a name
    // would not come back as it went out.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stdin), _O_BINARY);
    // The messages and the shown list are UTF-8; a console shows them as such.
    ::SetConsoleOutputCP(CP_UTF8);
}

std::FILE* OpenTextInput(const std::string& path)
{
    if (path == "-") return ::_fdopen(::_dup(::_fileno(stdin)), "rb");  // closing it keeps stdin
    return ::_wfopen(PathFromUserText(path).c_str(), L"rb");
}
