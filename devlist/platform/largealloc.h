#pragma once
#include <cstddef>
#include <limits>
#include <new>

// Memory for big arrays (file buffers, reference arrays, sort scratch). Fresh 4 KiB pages cost
// about 11 us each to fault in here, which dominates reading or sorting a million records; large
// blocks are therefore mapped 2 MiB-aligned and marked for transparent huge pages. Small blocks
// come from the ordinary heap.
void* LargeAlloc(std::size_t bytes);
void LargeFree(void* ptr, std::size_t bytes) noexcept;

// Whether large blocks are likely to get huge pages here. Where they cannot (Windows without the
// right to lock pages, Linux with transparent huge pages off), filling tens of megabytes costs
// ten times more, which is worth working around where a user waits for it.
bool LargeBlocksGetHugePages();
#ifndef _WIN32
// The answer on Linux, from the first line of /sys/kernel/mm/transparent_hugepage/enabled (none
// when it cannot be read): our blocks ask for huge pages, so only the mode "never" refuses them.
bool HugePagesInTransparentMode(const char* modeLine);
#endif

template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() noexcept = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(LargeAlloc(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { LargeFree(p, n * sizeof(T)); }

    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

// As LargeAlloc, with every byte zero (fresh mappings already are, so large blocks cost nothing
// extra).
void* LargeAllocZeroed(std::size_t bytes);
