#include "largealloc.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this, the heap is cheaper than a mapping of its own.
constexpr std::size_t kLargeThreshold = std::size_t{1} << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Under AddressSanitizer every block comes from the checked heap, so that the tests also prove
// that nothing reads past a file buffer or an array.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCheckedHeapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCheckedHeapOnly = true;
#else
constexpr bool kCheckedHeapOnly = false;
#endif
#else
constexpr bool kCheckedHeapOnly = false;
#endif

bool UseHeap(std::size_t bytes) { return kCheckedHeapOnly || bytes < kLargeThreshold; }

}  // namespace

bool HugePagesInTransparentMode(const char* modeLine)
{
    // "always [madvise] never": the mode in brackets.
    return modeLine != nullptr && std::strchr(modeLine, '[') != nullptr && std::strstr(modeLine, "[never]") == nullptr;
}

bool LargeBlocksGetHugePages()
{
    static const bool huge = [] {
        if (kCheckedHeapOnly) return false;
        std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
        if (!f) return false;
        char mode[128] = {};
        const bool read = std::fgets(mode, sizeof mode, f) != nullptr;
        std::fclose(f);
        return HugePagesInTransparentMode(read ? mode : nullptr);
    }();
    return huge;
}

void* LargeAlloc(std::size_t bytes)
{
    if (UseHeap(bytes))
        return ::operator new(bytes == 0 ? 1 : bytes);

    if (bytes > SIZE_MAX - 2 * kHugePage)
        throw std::bad_alloc();
    const std::size_t size = RoundUp(bytes, kHugePage);
    // Map one huge page more than needed and trim both ends so the block starts on a 2 MiB
    // boundary; only aligned ranges can be backed by huge pages.
    const std::size_t mapped = size + kHugePage;
    void* raw = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(base, kHugePage);
    const std::size_t head = aligned - base;
    const std::size_t tail = mapped - head - size;
    if (head != 0)
        ::munmap(raw, head);
    if (tail != 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    auto* block = reinterpret_cast<void*>(aligned);
    // Advice only: without transparent huge pages the block still works, just faults more.
    ::madvise(block, size, MADV_HUGEPAGE);
    return block;
}

void LargeFree(void* ptr, std::size_t bytes) noexcept
{
    if (ptr == nullptr)
        return;
    if (UseHeap(bytes)) {
        ::operator delete(ptr);
        return;
    }
    ::munmap(ptr, RoundUp(bytes, kHugePage));
}

void* LargeAllocZeroed(std::size_t bytes)
{
    void* p = LargeAlloc(bytes);
    if (UseHeap(bytes))
        std::memset(p, 0, bytes);
    return p;
}
