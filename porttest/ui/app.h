#pragma once
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "porvikabout.h"
#include "portchoice.h"
#include "portplatform.h"
#include "portstart.h"
#include "prompt.h"

class CPinTestDlg;

// What the command line asks for. The port choice itself is resolved later, against the
// environment, by ChoosePort.
struct PorvikCommandLine {
    enum class Action { Run, Help, Version, Error, WiringTest };
    Action action = Action::Run;
    PortChoice choice{PortChoice::Auto, {}};
    // --port's value as given, and --settle-us; the settings file fills in what they leave open
    // (ChooseStartPort).
    std::optional<std::string> portValue;
    std::optional<unsigned> settleUs;
    // WiringTest: the selector entry of the cable whose ISP end is looped; none: the loopback plug.
    std::optional<int> cableEntry;
    // WiringTest: where to write the result as JSON (empty: nowhere) and how many runs to make.
    std::string reportFile;
    int repeat = 1;
    std::string label; // WiringTest: the cable's serial or tag, for the record (empty: none)
    QString message; // text for stdout (Help, Version) or stderr (Error)
    int exitCode = 0; // for everything but Run
};

// Reads `--port`, `--wiring-test`, `--cable` (with --wiring-test only), `--help` and `--version` (argument 0 is the program). A --port value that
// ParsePortChoice does not understand is an error with exit code 2, as are unknown options (Qt's
// own, such as -platform or -style, are passed over: QApplication takes them): a
// typing slip on the command line is better answered at once than by a failing open.
PorvikCommandLine ParsePorvikCommandLine(const QStringList& arguments, const char* envPort);

// `porvik --wiring-test`: opens the chosen port, runs the wiring test (waiting cmd.settleUs
// between a write and the next read of the inputs), prints its table on `out` (the reasons of a
// failed open on `err`) and returns the exit code: 0 pass, 1 fail, 3 no port or a port that
// failed, 4 a pin map that cannot be tested, 5 a report that cannot be written (checked before the
// test, so that a long test is not run for nothing, and said again if the write fails).
// No window and no display: a production bench runs it from a script.
int RunWiringTestCommand(const PorvikCommandLine& cmd, IPortPlatform& platform, std::FILE* out, std::FILE* err);

// The application object: stores the program directory, opens the platform, runs the tester
// window modally and ends the program when it closes.
class CPorvikApp {
public:
    using PlatformFactory = std::function<std::unique_ptr<IPortPlatform>()>;

    // `prompt` may be null: the messages then go to real message boxes.
    explicit CPorvikApp(PlatformFactory makePlatform, IPrompt* prompt = nullptr);
    ~CPorvikApp();

    // g_strAppDir first (the port and cable parts read it when the window starts), then the
    // platform, the window, its modal run; the window object, and with it the port, is destroyed
    // before this returns. Returns false: the program ends with the window.
    bool InitInstance();

    // Lets the window switch ports: `list` gives what its chooser offers, `make` the platform of
    // a choice. Without it the window keeps the one platform it was started with.
    void AllowPortChoice(PortChoice current, std::function<std::vector<PortOffer>()> list,
                         std::function<std::unique_ptr<IPortPlatform>(const PortChoice&)> make);

    // How the first port was chosen, the settings file's port entries and the settling time, for
    // the status line and every port the window opens.
    void SetStart(StartPort start, PortSettings settings, unsigned settleUs);
    // Lets the window's port chooser keep a port for the next start: `load` gives the kept port's
    // text (nothing: none kept), `store` keeps a text or forgets (nothing).
    void AllowKeepingPort(std::function<std::optional<std::string>()> load,
                          std::function<void(const std::optional<std::string>&)> store);

    // The window while its modal loop runs, else null.
    CPinTestDlg* m_pMainWnd = nullptr;
    // Kept after InitInstance so that its state can be examined (tests).
    IPortPlatform* Platform() const { return m_platform.get(); }

private:
    PlatformFactory m_makePlatform;
    PortChoice m_current;
    std::function<std::vector<PortOffer>()> m_listPorts;
    std::function<std::unique_ptr<IPortPlatform>(const PortChoice&)> m_makeChosen;
    IPrompt* m_prompt;
    std::unique_ptr<IPortPlatform> m_platform;
    StartPort m_start;
    PortSettings m_settings;
    unsigned m_settleUs = 0;
    std::function<std::optional<std::string>()> m_loadKept;
    std::function<void(const std::optional<std::string>&)> m_storeKept;
};
