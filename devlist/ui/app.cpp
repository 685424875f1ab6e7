#include "app.h"

#include "branding.h"
#include "dialogunits.h"
#include "mainwnd.h"
#include "toolkittexts.h"

#include <QTimer>

#include <cstdio>
#include <filesystem>

const char* const CTessaroApp::kRegistryKey = "Xtreme Toolkit AppWizard-Generated Applications";
const char* const CTessaroApp::kVersion = "1.0.0.1";

CTessaroApp::CTessaroApp(int& argc, char** argv) : QApplication(argc, argv) {}

void CTessaroApp::SetIdentity()
{
    QCoreApplication::setOrganizationName(QString::fromUtf8(kRegistryKey));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaro"));
    // The desktop entry's name: docks and Wayland match the window to its launcher by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.halvern.tessaro"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
}

bool CTessaroApp::AnswerCommandLine(const TessaroCommandLine& cmd, int& exitCode)
{
    exitCode = 0;
    switch (cmd.action) {
    case TessaroCommandLine::Action::Help:
        std::printf("用法: tessaro [选项] [文件.chip]\n"
                    "Tessaro %s: 器件列表 (*.chip) 编辑程序.\n\n"
                    "  文件.chip      启动后打开该器件列表, 与 \"打开文件\" 选定文件后相同;\n"
                    "                 文件不存在或读不出时给出同样的提示, 窗口为空\n"
                    "  -h, --help     显示本帮助\n"
                    "  -v, --version  显示版本\n\n"
                    "Qt 的标准选项 (如 -platform, -style, -display, -geometry) 同样可用.\n",
                    kVersion);
        return true;
    case TessaroCommandLine::Action::Version:
        std::printf("Tessaro %s\n", kVersion);
        return true;
    case TessaroCommandLine::Action::Error:
        std::fprintf(stderr, "tessaro: %s\n用 --help 查看用法.\n", cmd.error.c_str());
        exitCode = 2;
        return true;
    case TessaroCommandLine::Action::Run:
        break;
    }
    return false;
}

void CTessaroApp::SetUpToolkit()
{
    InstallDialogFontSubstitutions();
    InstallChineseToolkitTexts();
}

bool CTessaroApp::InitInstance(const std::string& file)
{
    SetIdentity();
    SetUpToolkit();
    setWindowIcon(LoadTessaroIcon());

    CDeviceListDlg dlg;
    // Once the window is on screen, so that its messages and questions stand over it.
    if (!file.empty())
        QTimer::singleShot(0, &dlg, [&dlg, path = std::filesystem::path(file)] { dlg.OpenListFile(path); });
    dlg.DoModal();
    return false;
}
