#pragma once
#include <cstddef>

// When the fault instances of both systems fail a call: call `at` (unless it is a write asked to
// write short instead), and after it every call or every call that needs disk space.
enum class FaultThen { GoOn, EveryCallFails, EveryWriteFails };

inline bool FaultHits(std::size_t n, std::size_t at, FaultThen then, bool writesShort, bool needsSpace)
{
    const bool later =
        at != 0 && n > at && (then == FaultThen::EveryCallFails || (then == FaultThen::EveryWriteFails && needsSpace));
    return (n == at && !writesShort) || later;
}

// Makes `calls` the file calls in use (UseFileCalls of the system's table) while it lives.
template <class Calls>
class FaultScope {
public:
    explicit FaultScope(Calls& calls) { UseFileCalls(&calls); }
    ~FaultScope() { UseFileCalls(static_cast<Calls*>(nullptr)); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};
