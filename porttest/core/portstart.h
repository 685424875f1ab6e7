#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "portchoice.h"
#include "profile.h"

// Which port the tester starts on and how long it lets the lines settle, from the command line,
// the environment, the port the window was told to keep, and the settings file's section
// [端口] (keys Port, a port as --port takes it, and SettleUs, decimal microseconds).

inline constexpr const char* kPortSection = "端口";
inline constexpr const char* kPortKey = "Port";
inline constexpr const char* kSettleKey = "SettleUs";
// A longer wait is no cable's settling time but a typing slip (the wiring test waits after
// each of its some fifty steps).
inline constexpr unsigned kMaxSettleUs = 100000;

// What the settings file says about the port.
struct PortSettings {
    std::optional<std::string> file;  // the settings file read
    std::optional<std::string> port;  // Port as written, when given and not empty
    std::optional<unsigned> settleUs; // SettleUs, when given and understood
    // A value not understood, in words that quote it; such a value is not used.
    std::vector<std::string> problems;
};

// The settings file's port entries through `read`; `file` names it in the problems.
PortSettings ReadPortSettings(const ProfileStringReader& read, const std::string& file);
// The same from the first settings file in `folders` (SettingsFolders); nothing without one.
PortSettings ReadPortSettings(const std::vector<std::string>& folders);

// A settling time in decimal microseconds, 0 to kMaxSettleUs; nothing for anything else.
std::optional<unsigned> ParseSettleUs(std::string_view text);
// "--settle-us 的值 "x" 无效 (应为 0 到 100000 的整数, 单位微秒)".
std::string BadSettleText(const std::string& where, std::string_view value);

struct StartPort {
    enum class Source { CommandLine, Environment, Remembered, SettingsFile, Default, Chosen /* in the window */ };
    PortChoice choice;
    Source source = Source::Default;
};

// --port beats PORVIK_PORT, which beats the port the window was told to keep (`remembered`, the
// window's only), which beats the settings file's Port, which beats Auto. An empty value counts
// as not given. A kept port that is no longer understood is passed over; any other value that is
// not understood is taken as a device name (ChoosePort), so that opening it fails with its name.
StartPort ChooseStartPort(const std::optional<std::string>& cliValue, const char* envValue,
                          const std::optional<std::string>& remembered, const PortSettings& settings);

// The status line's words on the port and its settling time: kept for the next start (`kept`),
// named by the settings file, the settling time, and the settings file's port entries that were
// not used; empty when there is nothing to say.
std::string StartPortNote(const StartPort& start, const PortSettings& settings, unsigned settleUs, bool kept);
// `status` with `note` as its second line onwards, so that the port's own line comes first.
std::string WithStartNote(const std::string& status, const std::string& note);

// The port chooser's entry that keeps the port in use for the next start (ticked while it is the
// kept one) and takes it back when unticked.
inline constexpr const char* kKeepPortEntry = "下次启动时仍用此并口(&K)";
// Whether `current` is the kept port.
bool IsKeptPort(const PortChoice& current, const std::optional<std::string>& remembered);
// What a click on the entry leaves kept: the current port's text, or nothing (forget it).
std::optional<std::string> KeptAfterToggle(const PortChoice& current, const std::optional<std::string>& remembered);
