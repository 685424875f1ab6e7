#pragma once
#include <QApplication>

#include <string>

#include "cmdline.h"

// The application: sets up the process, runs the main window modally and ends with it.
class CTessaroApp : public QApplication {
    Q_OBJECT
public:
    CTessaroApp(int& argc, char** argv);

    // Runs the program; returns false (no message loop of its own follows) once the main window
    // has closed. A file named on the command line is opened as soon as the window is up.
    bool InitInstance(const std::string& file = {});

    // Names and version under which the process presents itself. Nothing is ever stored under
    // the organisation name; it is kept because settings paths would be derived from it.
    static void SetIdentity();

    // Fonts and the toolkit's own texts (file dialogs, standard buttons) in Chinese, whatever
    // the user's locale: the interface is Chinese by design.
    static void SetUpToolkit();

    // --help, --version and a usage error, answered before any window system is needed: true
    // when one was answered and the program should end with `exitCode`.
    static bool AnswerCommandLine(const TessaroCommandLine& cmd, int& exitCode);

    static const char* const kRegistryKey;
    static const char* const kVersion;
};
