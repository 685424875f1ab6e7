// The port backends on Linux.
#include "backends.h"

#include "directport.h"
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
