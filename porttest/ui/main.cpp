#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include "app.h"
#include "appdir.h"
#include "backends.h"
#include "dialogunits.h"
#include "mapsource.h"
#include "programfile.h"
#include "wiringtest.h"

namespace {

// The port kept from the window's chooser lives in the user's own settings
// (~/.config/porvik/porvik.ini), never in the settings file beside the program.
constexpr const char* kKeptPortKey = "Port/Kept";

QSettings UserSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("porvik"), QStringLiteral("porvik"));
}

} // namespace

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
    case PorvikCommandLine::Action::WiringTest:
    case PorvikCommandLine::Action::Run:
        break;
    }

    // The settings file's port entries: the port when neither --port nor PORVIK_PORT names one,
    // the settling time when --settle-us does not give it.
    g_strAppDir = ProgramDirectory();
    const PortSettings settings = ReadPortSettings(SettingsFolders(g_strAppDir, kXdgConfigFolders, ProcessEnv));
    const unsigned settleUs = cmd.settleUs.value_or(settings.settleUs.value_or(0));

    if (cmd.action == PorvikCommandLine::Action::WiringTest) {
        // No QApplication: the bench may have no display. A bench script names its port itself
        // or in the settings file; what a window kept is not used here.
        if (!settings.problems.empty()) {
            for (const std::string& problem : settings.problems)
                std::fprintf(stderr, "porvik: %s\n", problem.c_str());
            return kWiringSettingsError;
        }
        PorvikCommandLine run = cmd;
        run.settleUs = settleUs;
        const StartPort start = ChooseStartPort(cmd.portValue, std::getenv("PORVIK_PORT"), std::nullopt, settings);
        const auto platform = MakePortPlatform(start.choice);
        return RunWiringTestCommand(run, *platform, stdout, stderr);
    }

    QApplication app(argc, argv);
    InstallDialogFontSubstitutions();
    QApplication::setApplicationName(QStringLiteral("Porvik"));
    QApplication::setDesktopFileName(QStringLiteral("org.halvern.porvik"));  // matches its launcher
    QApplication::setApplicationVersion(QString::fromUtf8(kPorvikVersion));
    QApplication::setWindowIcon(PorvikIcon());

    auto loadKept = []() -> std::optional<std::string> {
        const QVariant kept = UserSettings().value(QLatin1String(kKeptPortKey));
        if (!kept.isValid() || kept.toString().isEmpty())
            return std::nullopt;
        return kept.toString().toStdString();
    };
    auto storeKept = [](const std::optional<std::string>& text) {
        QSettings user = UserSettings();
        if (text)
            user.setValue(QLatin1String(kKeptPortKey), QString::fromStdString(*text));
        else
            user.remove(QLatin1String(kKeptPortKey));
    };
    const StartPort start = ChooseStartPort(cmd.portValue, std::getenv("PORVIK_PORT"), loadKept(), settings);
    const PortChoice choice = start.choice;
    CPorvikApp theApp([choice] { return MakePortPlatform(choice); });
    theApp.AllowPortChoice(choice, [] { return PortOffers(FindPorts()); }, MakePortPlatform);
    theApp.SetStart(start, settings, settleUs);
    theApp.AllowKeepingPort(loadKept, storeKept);
    theApp.InitInstance();
    return 0;
}
