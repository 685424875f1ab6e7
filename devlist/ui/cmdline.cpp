#include "cmdline.h"

#include "qtoptions.h"

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
        if (!FindQtStandardOption(arg)) {
            cmd.action = TessaroCommandLine::Action::Error;
            cmd.error = "未知的选项: " + arg;
            return cmd;
        }
        if (QtOptionTakesNextArgument(arg)) ++i;
    }
    if (files.size() > 1) {
        cmd.action = TessaroCommandLine::Action::Error;
        cmd.error = "只能打开一个文件, 多余的参数: " + files[1];
        return cmd;
    }
    if (!files.empty()) cmd.file = files.front();
    return cmd;
}
