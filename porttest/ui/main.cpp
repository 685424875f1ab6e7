#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include "app.h"
#include "backends.h"
#include "dialogunits.h"

int main(int argc, char* argv[])
{
    // The command line is read before the QApplication exists, so that --help, --version and a
    // bad --port answer also where there is no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const PorvikCommandLine cmd = ParsePorvikCommandLine(arguments, std::getenv("PORVIK_PORT"));
    switch (cmd.action) {
    case PorvikCommandLine::Action::Help:
    case PorvikCommandLine::Action::Version:
        std::fputs(cmd.message.toLocal8Bit().constData(), stdout);
        return cmd.exitCode;
    case PorvikCommandLine::Action::Error:
        std::fputs(cmd.message.toLocal8Bit().constData(), stderr);
        return cmd.exitCode;
    case PorvikCommandLine::Action::WiringTest: {
        // No QApplication: the bench may have no display.
        const auto platform = MakePortPlatform(cmd.choice);
        return RunWiringTestCommand(cmd, *platform, stdout, stderr);
    }
    case PorvikCommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    InstallDialogFontSubstitutions();
    QApplication::setApplicationName(QStringLiteral("Porvik"));
    QApplication::setDesktopFileName(QStringLiteral("org.halvern.porvik"));  // matches its launcher
    QApplication::setApplicationVersion(QString::fromUtf8(kPorvikVersion));
    QApplication::setWindowIcon(PorvikIcon());

    const PortChoice choice = cmd.choice;
    CPorvikApp theApp([choice] { return MakePortPlatform(choice); });
    theApp.AllowPortChoice(choice, [] { return PortOffers(FindPorts()); }, MakePortPlatform);
    theApp.InitInstance();
    return 0;
}
