#include "cmdline.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Qt's standard options that take the next argument as their value (QGuiApplication,
// QApplication and the X11 platform; Qt accepts each with one dash or two, and as -name=value).
constexpr std::array<std::string_view, 16> kQtOptionsWithValue = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
    "-qwindowicon", "-qwindowtitle", "-session", "-style", "-stylesheet", "-display",
    "-geometry", "-title", "-icon", "-name", "-visual"};

bool TakesValue(std::string_view option)
{
    if (option.find('=') != std::string_view::npos) return false;
    return std::find(kQtOptionsWithValue.begin(), kQtOptionsWithValue.end(), option) != kQtOptionsWithValue.end();
}

}  // namespace

TessaroCommandLine ParseTessaroCommandLine(const std::vector<std::string>& args)
{
    TessaroCommandLine cmd;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help" || arg == "--help-all") {
            cmd.action = TessaroCommandLine::Action::Help;
            return cmd;
        }
        if (arg == "-v" || arg == "--version") {
            cmd.action = TessaroCommandLine::Action::Version;
            return cmd;
        }
        const std::string_view option = std::string_view(arg).substr(arg.compare(0, 2, "--") == 0 ? 1 : 0);
        if (TakesValue(option)) ++i;
    }
    if (files.size() > 1) {
        cmd.action = TessaroCommandLine::Action::Error;
        cmd.error = "只能打开一个文件, 多余的参数: " + files[1];
        return cmd;
    }
    if (!files.empty()) cmd.file = files.front();
    return cmd;
}
