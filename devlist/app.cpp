#include "app.h"

#include "dialogunits.h"
#include "mainwnd.h"
#include "toolkittexts.h"

#include <QLabel>
#include <QPushButton>

#include <cstdio>
#include <string_view>

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

bool CTessaroApp::AnswerCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all") {
            std::printf("用法: tessaro [--help] [--version]\n"
                        "Tessaro %s: 器件列表 (*.chip) 编辑程序.\n\n"
                        "  -h, --help     显示本帮助\n"
                        "  -v, --version  显示版本\n",
                        kVersion);
            return true;
        }
        if (arg == "-v" || arg == "--version") {
            std::printf("Tessaro %s\n", kVersion);
            return true;
        }
    }
    return false;
}

void CTessaroApp::SetUpToolkit()
{
    InstallDialogFontSubstitutions();
    InstallChineseToolkitTexts();
}

bool CTessaroApp::InitInstance()
{
    SetIdentity();
    SetUpToolkit();
    setWindowIcon(LoadTessaroIcon());

    CDeviceListDlg dlg;
    dlg.DoModal();
    return false;
}
