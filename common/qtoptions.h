#pragma once
#include <string_view>

// Qt's standard command-line options (QCoreApplication, QGuiApplication, QApplication and the X11
// platform), which QApplication takes out of the arguments itself. Qt accepts each with one dash
// or two, and a value either as the next argument or after '='. A program's own parser passes
// over them; one table serves both programs.
struct QtStandardOption {
    std::string_view name;  // without dashes
    bool takesValue;
};

// The option named `arg` ("-style", "--style", "-style=fusion"), or nullptr when `arg` is not one
// of Qt's options.
const QtStandardOption* FindQtStandardOption(std::string_view arg);

// True when `arg` is one of Qt's options whose value is the next argument (no '=' in it).
bool QtOptionTakesNextArgument(std::string_view arg);
