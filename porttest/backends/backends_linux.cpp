// The port backends on Linux.
#include "backends.h"

#include "directport.h"
#include "portdiag.h"
#include "ppdevport.h"
#include "virtualport.h"

namespace {

constexpr PortBackend kBackends[] = {
    {PortChoice::Auto, MakePpdevPlatform},
    {PortChoice::Device, MakePpdevPlatform},
    {PortChoice::Direct, MakeDirectPlatform},
    {PortChoice::Virtual, MakeVirtualPlatform},
};
static_assert(ServesEachKindInOrder(kBackends));

} // namespace

std::span<const PortBackend> PortBackends() { return kBackends; }

std::vector<FoundPort> FindPorts()
{
    std::vector<FoundPort> found;
    for (const ParportInfo& p : ListParports("/proc", "/dev"))
        found.push_back({p.device, p.base, p.modes});
    return found;
}
