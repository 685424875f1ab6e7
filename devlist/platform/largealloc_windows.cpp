#include "largealloc.h"

#include <windows.h>

#include <cstring>

namespace {

// Below this, the heap is cheaper than a mapping of its own.
constexpr std::size_t kLargeThreshold = std::size_t{1} << 20;

bool UseHeap(std::size_t bytes) { return bytes < kLargeThreshold; }

// Large pages need the "lock pages in memory" right, which ordinary accounts do not hold; where
// it is held it only has to be switched on for the process. 0 when large pages cannot be used.
SIZE_T LargePageSize()
{
    static const SIZE_T size = [] () -> SIZE_T {
        const SIZE_T minimum = ::GetLargePageMinimum();
        if (minimum == 0) return 0;
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
        TOKEN_PRIVILEGES tp{};
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        bool held = ::LookupPrivilegeValueW(nullptr, L"SeLockMemoryPrivilege", &tp.Privileges[0].Luid) &&
                    ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) &&
                    ::GetLastError() == ERROR_SUCCESS;  // not ERROR_NOT_ALL_ASSIGNED
        ::CloseHandle(token);
        return held ? minimum : 0;
    }();
    return size;
}

}  // namespace

void* LargeAlloc(std::size_t bytes)
{
    if (UseHeap(bytes))
        return ::operator new(bytes == 0 ? 1 : bytes);
    if (const SIZE_T page = LargePageSize(); page != 0 && bytes <= SIZE_MAX - page) {
        const SIZE_T size = (bytes + page - 1) / page * page;
        // Large pages are taken from physical memory at once and may be short; normal pages then.
        if (void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES, PAGE_READWRITE))
            return p;
    }
    void* p = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

bool LargeBlocksGetHugePages() { return LargePageSize() != 0; }

void LargeFree(void* ptr, std::size_t bytes) noexcept
{
    if (ptr == nullptr)
        return;
    if (UseHeap(bytes)) {
        ::operator delete(ptr);
        return;
    }
    ::VirtualFree(ptr, 0, MEM_RELEASE);
}

void* LargeAllocZeroed(std::size_t bytes)
{
    void* p = LargeAlloc(bytes);
    if (UseHeap(bytes))  // fresh VirtualAlloc pages are zero already
        std::memset(p, 0, bytes);
    return p;
}
