#include "app.h"

#include "dialogunits.h"
#include "mainwnd.h"
#include "toolkittexts.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <filesystem>

const char* const CTessaroApp::kRegistryKey = "Xtreme Toolkit AppWizard-Generated Applications";
const char* const CTessaroApp::kVersion = "1.0.0.1";

QIcon LoadTessaroIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 128}) icon.addFile(QStringLiteral(":/tessaro/icon128-%1.png").arg(size), QSize(size, size));
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const QFont font = TemplateFont(QStringLiteral("MS Sans Serif"), 8);
    setFont(font);
    const DialogUnits du(font);
    setWindowTitle(QStringLiteral("About Tessaro"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(du.Size(247, 63));

    auto* icon = new QLabel(this);
    du.Place(icon, 16, 7, 21, 23);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(LoadTessaroIcon().pixmap(icon->size()));

    auto* version = new QLabel(QStringLiteral("Tessaro Version 1.0"), this);
    version->setTextFormat(Qt::PlainText);
    du.Place(version, 50, 5, 119, 8);
    auto* maker = new QLabel(QStringLiteral("Halvern"), this);
    du.Place(maker, 50, 20, 65, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    du.Place(ok, 185, 45, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CTessaroApp::CTessaroApp(int& argc, char** argv) : QApplication(argc, argv) {}

void CTessaroApp::SetIdentity()
{
    QCoreApplication::setOrganizationName(QString::fromUtf8(kRegistryKey));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaro"));
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
