#pragma once
#include <optional>
#include <string>
#include <vector>

// Porvik's command-line options as data, and the first thing wrong with a command line in plain
// Chinese words (the option parser's own texts are English).
struct OptionSpec {
    const char* name; // without dashes
    bool takesValue;
};
inline constexpr OptionSpec kPorvikOptions[] = {
    {"port", true}, {"wiring-test", false}, {"cable", true}, {"report", true},
    {"repeat", true}, {"label", true}, {"settle-us", true}, {"help", false}, {"h", false}, {"version", false}, {"v", false},
};

// `args` without the program name and without the toolkit's own options. Options may be written
// with one or two dashes, a value after '=' or as the next argument; "--" ends the options.
// Nothing when every option is known and has a value exactly where it needs one.
std::optional<std::string> CommandLineError(const std::vector<std::string>& args);

// The error for a port choice that is not understood, from the option or from the environment.
std::string BadPortText(const std::string& where, const std::string& value, const std::string& faultError);
