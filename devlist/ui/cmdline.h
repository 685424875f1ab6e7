#pragma once
#include <string>
#include <vector>

// Tessaro's command line, read before any window system is needed: --help, --version and the
// one list file to open at start-up (as a desktop entry's %f hands it over). Qt's standard
// options (-platform, -style, -display, -geometry, ...) stay Qt's: those that take a value are
// skipped together with it, so that the value is never taken for a file name. Any other option
// is a usage error.
struct TessaroCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::string file;   // Run: the list file to open at start-up, empty for none
    std::string error;  // Error: what is wrong, for standard error
};

// `args` without the program name.
TessaroCommandLine ParseTessaroCommandLine(const std::vector<std::string>& args);
