// porvik.exe installed into a folder with Chinese characters and a blank in its name, with its
// settings file beside it, run as its own process under code page 936: the window must drive the
// pin the settings file gives MOSI and name the folder right in its status line.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resource.h"
#include "settings_text.h"

namespace {

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

struct FindWindowOf {
    DWORD process;
    HWND found = nullptr;
    static BOOL CALLBACK Each(HWND wnd, LPARAM self)
    {
        auto& me = *reinterpret_cast<FindWindowOf*>(self);
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        wchar_t title[64] = {};
        GetWindowTextW(wnd, title, 64);
        if (pid == me.process && IsWindowVisible(wnd) && std::wstring(title) == L"Porvik") {
            me.found = wnd;
            return FALSE;
        }
        return TRUE;
    }
};

std::wstring Text(HWND wnd, int id)
{
    wchar_t text[2048] = {};
    GetDlgItemTextW(wnd, id, text, static_cast<int>(std::size(text)));
    return text;
}

} // namespace

TEST(Installed, FindsItsSettingsFileInAFolderWithAChineseNameAndABlank)
{
    ASSERT_EQ(GetACP(), 936u) << "run with LANG=zh_CN.UTF-8, as the test's environment says";
    const std::wstring top = L"C:\\\x786C\x4EF6 \x5DE5\x5177";       // C:\硬件 工具
    const std::wstring folder = top + L"\\\x7F16\x7A0B\x5668\\";     // 编程器
    ASSERT_TRUE(CreateDirectoryW(top.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    const std::wstring exe = folder + L"porvik.exe";
    const std::wstring ini = folder + L"QorelIsp.ini";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"porvik.exe").c_str(), exe.c_str(), FALSE)) << GetLastError();
    {
        const std::string text = kPinsSectionGbk + "MOSI=5\r\n";
        HANDLE file = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring commandLine = L"\"" + exe + L"\" --port=virtual";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &si, &pi));
    FindWindowOf find{pi.dwProcessId};
    for (int i = 0; i < 500 && !find.found; ++i) {
        EnumWindows(FindWindowOf::Each, reinterpret_cast<LPARAM>(&find));
        Sleep(20);
    }
    ASSERT_NE(find.found, nullptr);
    const HWND wnd = find.found;

    EXPECT_EQ(Text(wnd, IDC_MOSI_PIN), L"\x4F7F\x7528PIN5"); // 使用PIN5
    SendMessageW(GetDlgItem(wnd, IDC_MOSI), BM_CLICK, 0, 0); // drives MOSI low
    EXPECT_EQ(SendMessageW(GetDlgItem(wnd, IDC_PIN5), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(GetDlgItem(wnd, IDC_MOSI), BM_CLICK, 0, 0); // and high
    EXPECT_EQ(SendMessageW(GetDlgItem(wnd, IDC_PIN5), BM_GETCHECK, 0, 0), BST_CHECKED);
    const std::wstring status = Text(wnd, IDC_PORT_STATUS);
    EXPECT_NE(status.find(ini), std::wstring::npos) << "the status line names the settings file read";

    PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileW(ini.c_str());
    DeleteFileW(exe.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(top.c_str());
}
