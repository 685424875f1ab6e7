// The port backends on Windows.
#include "backends.h"

#include "virtualport.h"
#include "winioport.h"

namespace {

constexpr PortBackend kBackends[] = {
    {PortChoice::Auto, MakeWinIoPlatform},
    {PortChoice::Device, MakeWinIoPlatform},
    {PortChoice::Direct, MakeWinIoDirectPlatform},
    {PortChoice::Virtual, MakeVirtualPlatform},
};
static_assert(ServesEachKindInOrder(kBackends));

} // namespace

std::span<const PortBackend> PortBackends() { return kBackends; }

std::vector<FoundPort> FindPorts() { return {}; }
