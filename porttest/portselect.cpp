#include "portselect.h"

#include <algorithm>
#include <cctype>

#include "virtualport.h"

#ifdef _WIN32
#include "winioport.h"
#else
#include "linuxplatform.h"
#endif

namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsShortDeviceName(std::string_view text)
{
    constexpr std::string_view prefix = "parport";
    if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view digits = text.substr(prefix.size());
    return digits.size() <= 3 && std::all_of(digits.begin(), digits.end(), [](char c) {
               return c >= '0' && c <= '9';
           });
}

} // namespace

std::optional<PortChoice> ParsePortChoice(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (EqualsIgnoreCase(text, "auto"))
        return PortChoice{PortChoice::Auto, {}};
    if (EqualsIgnoreCase(text, "virtual"))
        return PortChoice{PortChoice::Virtual, {}};
    if (EqualsIgnoreCase(text, "direct"))
        return PortChoice{PortChoice::Direct, {}};
    if (text.find('/') != std::string_view::npos)
        return PortChoice{PortChoice::Device, std::string(text)};
    if (IsShortDeviceName(text))
        return PortChoice{PortChoice::Device, "/dev/" + std::string(text)};
    return std::nullopt;
}

PortChoice ChoosePort(std::optional<std::string> cliValue, const char* envValue)
{
    auto resolve = [](std::string_view value) {
        if (auto choice = ParsePortChoice(value))
            return *choice;
        return PortChoice{PortChoice::Device, std::string(value)};
    };
    if (cliValue && !cliValue->empty())
        return resolve(*cliValue);
    if (envValue && *envValue)
        return resolve(envValue);
    return PortChoice{PortChoice::Auto, {}};
}

std::unique_ptr<IPortPlatform> MakePortPlatform(const PortChoice& choice)
{
    switch (choice.kind) {
    case PortChoice::Virtual:
        return std::make_unique<VirtualPlatform>();
#ifdef _WIN32
    case PortChoice::Direct:
        return std::make_unique<WinIoPlatform>(WinIoPlatform::Mode::Direct);
    case PortChoice::Auto:
    case PortChoice::Device:
        // Windows reaches ports by address, not by device name.
        return std::make_unique<WinIoPlatform>(WinIoPlatform::Mode::ByVersion);
#else
    case PortChoice::Direct:
        return std::make_unique<LinuxDirectPlatform>();
    case PortChoice::Device:
        return std::make_unique<LinuxPpdevPlatform>(choice.device);
    case PortChoice::Auto:
        return std::make_unique<LinuxPpdevPlatform>();
#endif
    }
    return std::make_unique<VirtualPlatform>();
}
