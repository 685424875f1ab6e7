#pragma once
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "filecalls_posix.h"

// A file descriptor closed on every path; EINTR on close is not retried (Linux has already
// released the descriptor).
class UnixFd {
public:
    explicit UnixFd(int fd = -1) : m_fd(fd) {}
    ~UnixFd() { Reset(); }
    UnixFd(const UnixFd&) = delete;
    UnixFd& operator=(const UnixFd&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

inline int OpenRetry(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = FileCalls().Open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
