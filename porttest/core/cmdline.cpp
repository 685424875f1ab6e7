#include "cmdline.h"

#include <algorithm>
#include <iterator>
#include <string_view>

std::optional<std::string> CommandLineError(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--")
            break;
        if (arg.size() < 2 || arg[0] != '-')
            continue;
        std::string_view name = arg;
        name.remove_prefix(arg[1] == '-' ? 2 : 1);
        const std::size_t eq = name.find('=');
        const bool hasValue = eq != std::string_view::npos;
        name = name.substr(0, eq);
        const auto spec = std::find_if(std::begin(kPorvikOptions), std::end(kPorvikOptions),
                                       [&](const OptionSpec& o) { return name == o.name; });
        if (spec == std::end(kPorvikOptions))
            return "未知的选项: " + arg.substr(0, arg.find('='));
        const std::string shown = std::string(arg[1] == '-' ? "--" : "-") + spec->name;
        if (!spec->takesValue && hasValue)
            return "选项 " + shown + " 不带值";
        if (spec->takesValue && !hasValue) {
            if (i + 1 == args.size())
                return "选项 " + shown + " 缺少值";
            ++i; // its value
        }
    }
    return std::nullopt;
}

std::string BadPortText(const std::string& where, const std::string& value, const std::string& faultError)
{
    std::string text = where + " 的值 \"" + value + "\" 无效";
    if (!faultError.empty())
        return text + ": " + faultError;
    return text + " (可用: auto, virtual, virtual:<故障>, direct, direct:0x<基地址>, /dev/parportN)";
}
