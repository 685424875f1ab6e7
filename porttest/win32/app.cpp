// Porvik on Windows: the program directory first (the port and the cable read their files from
// it), then the port the command line asks for, the tester window, its modal run; the window, and
// with it the port, is gone before the program ends.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "appdir.h"
#include "backends.h"
#include "msgbox.h"
#include "pintestdlg.h"
#include "mapsource.h"
#include "portchoice.h"
#include "portstart.h"
#include "programfile.h"
#include "wintext.h"

namespace {

// A Windows program has no console to print its usage on: it says it in a message box.
constexpr const char* kUsage =
    "用法: porvik [--port=<端口>]\n"
    "  --port=auto     经 WinIo 访问 0x378 处的并口 (缺省; WINIO.dll 与 winio.sys 放在程序目录)\n"
    "  --port=direct   直接端口指令 (只有 Windows 9x 允许)\n"
    "  --port=direct:0xD010  同上, 访问该基地址的并口\n"
    "  --port=virtual  虚拟并口 (内存中, 带回环插头), 不需要硬件\n"
    "  --settle-us=<微秒>  写入后等多少微秒再读输入引脚 (0 到 100000)\n"
    "缺省时取环境变量 PORVIK_PORT, 再取设置文件 QorelIsp.ini 的 [端口] Port 与 SettleUs.";

// The --port value (as --port=X or --port X) and --settle-us, or nothing; false for anything it
// does not know.
bool ReadCommandLine(std::optional<std::string>& port, std::optional<unsigned>& settleUs)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool ok = argv != nullptr;
    for (int i = 1; ok && i < argc; ++i) {
        const std::string arg = WideToUtf8(argv[i]);
        if (arg.rfind("--port=", 0) == 0)
            port = arg.substr(7);
        else if (arg == "--port" && i + 1 < argc)
            port = WideToUtf8(argv[++i]);
        else if (arg.rfind("--settle-us=", 0) == 0)
            ok = (settleUs = ParseSettleUs(arg.substr(12))).has_value();
        else if (arg == "--settle-us" && i + 1 < argc)
            ok = (settleUs = ParseSettleUs(WideToUtf8(argv[++i]))).has_value();
        else
            ok = false;
    }
    LocalFree(argv);
    return ok && (!port || ParsePortChoice(*port));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::optional<std::string> port;
    std::optional<unsigned> settleUs;
    if (!ReadCommandLine(port, settleUs)) {
        MessageBoxUtf8(nullptr, kUsage, "Porvik", MB_OK | MB_ICONEXCLAMATION);
        return 2;
    }
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    g_strAppDir = ProgramDirectory();
    // The settings file beside the program may name the port and its settling time; a port
    // chosen in a window is not kept here (the Windows window has no port chooser).
    const PortSettings settings = ReadPortSettings(SettingsFolders(g_strAppDir, kXdgConfigFolders, ProcessEnv));
    const PortChoice choice = ChooseStartPort(port, std::getenv("PORVIK_PORT"), std::nullopt, settings).choice;
    Win32Prompt prompt("Porvik");
    if (!settings.problems.empty()) {
        std::string text;
        for (const std::string& problem : settings.problems)
            text += problem + "\n";
        MessageBoxUtf8(nullptr, text.c_str(), "Porvik", MB_OK | MB_ICONEXCLAMATION);
    }
    INT_PTR result = CPinTestDlg::kEnded;
    do {
        // "重新打开并口": the old window and its port go first, then the port is opened afresh.
        const auto platform = MakePortPlatform(choice);
        CPinTestDlg dlg(*platform, prompt, instance);
        dlg.SetSettleTime(settleUs.value_or(settings.settleUs.value_or(0)));
        result = dlg.DoModal(&prompt);
    } while (result == CPinTestDlg::kReopen); // the window, and with it the cable and its port, goes here
    return 0;
}
