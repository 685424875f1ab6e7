// tessaro.exe: the device-list editor as a native Windows program.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "mainwnd.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    CDeviceListDlg dlg(inst);
    if (!dlg.Create()) return 1;
    // A file named on the command line (as Explorer hands over a double-clicked list) opens as
    // 打开文件 would open it once its dialog had named the file. Wide arguments: any name works.
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1) dlg.OpenListFile(argv[1]);
        LocalFree(argv);
    }
    dlg.RunModalLoop();
    return 0;
}
