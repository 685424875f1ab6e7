#pragma once
#include <windows.h>

#include <cerrno>

// The platform-neutral headers report system errors as errno values, which the programs turn
// into messages; a Windows error is given the errno value that means the same to the user.
inline int ErrnoFromWin32(DWORD error)
{
    struct Pair {
        DWORD win;
        int posix;
    };
    static constexpr Pair kTable[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},      {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_INVALID_DRIVE, ENOENT},       {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_INVALID_NAME, ENOENT},        {ERROR_BAD_PATHNAME, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},       {ERROR_SHARING_VIOLATION, EBUSY},
        {ERROR_LOCK_VIOLATION, EBUSY},       {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_DISK_FULL, ENOSPC},           {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_FILE_EXISTS, EEXIST},         {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},   {ERROR_OUTOFMEMORY, ENOMEM},
        {ERROR_DIRECTORY, ENOTDIR},          {ERROR_FILE_TOO_LARGE, EFBIG},
    };
    for (const Pair& p : kTable)
        if (p.win == error) return p.posix;
    return EIO;
}

inline int LastErrno() { return ErrnoFromWin32(::GetLastError()); }

// A handle closed on every path.
class WinHandle {
public:
    explicit WinHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~WinHandle() { Reset(); }
    WinHandle(const WinHandle&) = delete;
    WinHandle& operator=(const WinHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool Ok() const { return m_h != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE)
    {
        if (Ok()) ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h;
};

// ReadFile and WriteFile count in DWORD; files beyond that go in pieces of this size.
constexpr DWORD kIoChunk = DWORD{1} << 30;
