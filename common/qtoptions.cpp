#include "qtoptions.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr QtStandardOption kQtOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},   {"qwindowtitle", true},  {"session", true},
    {"display", true},    {"geometry", true},           {"style", true},         {"stylesheet", true},
    {"qmljsdebugger", true}, {"title", true},           {"icon", true},          {"name", true},
    {"visual", true},     {"reverse", false},           {"widgetcount", false},  {"nograb", false},
    {"dograb", false},    {"sync", false},
};

}  // namespace

const QtStandardOption* FindQtStandardOption(std::string_view arg)
{
    if (arg.size() < 2 || arg[0] != '-') return nullptr;
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    const std::string_view name = arg.substr(0, arg.find('='));
    const auto* it = std::find_if(std::begin(kQtOptions), std::end(kQtOptions),
                                  [&](const QtStandardOption& o) { return o.name == name; });
    return it == std::end(kQtOptions) ? nullptr : it;
}

bool QtOptionTakesNextArgument(std::string_view arg)
{
    const QtStandardOption* option = FindQtStandardOption(arg);
    return option && option->takesValue && arg.find('=') == std::string_view::npos;
}
