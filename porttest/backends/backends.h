#pragma once
#include <memory>
#include <span>
#include <vector>

#include "portchoice.h"
#include "portplatform.h"

// One line of this system's table of port backends: the kind of choice it serves and how its
// platform is made. Adding a backend is its own file and one line in the table.
struct PortBackend {
    PortChoice::Kind kind;
    std::unique_ptr<IPortPlatform> (*make)(const PortChoice& choice);
};

// This system's table (backends_linux.cpp or backends_windows.cpp), one line for each kind of
// choice in the order of PortChoice::Kind.
std::span<const PortBackend> PortBackends();

// Whether `table` has exactly one line for each kind, in the order of the kinds, so that a choice
// finds its backend by its kind alone. Each table checks itself with it when it is compiled.
constexpr bool ServesEachKindInOrder(std::span<const PortBackend> table)
{
    if (table.size() != PortChoice::kKinds)
        return false;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].kind != static_cast<PortChoice::Kind>(i))
            return false;
    return true;
}

// The platform that serves a choice on this system.
inline std::unique_ptr<IPortPlatform> MakePortPlatform(const PortChoice& choice)
{
    return PortBackends()[static_cast<std::size_t>(choice.kind)].make(choice);
}

// The ports this system lists, for the window's chooser (Linux: /proc/sys/dev/parport; elsewhere
// none: Windows reaches its port by address).
std::vector<FoundPort> FindPorts();
