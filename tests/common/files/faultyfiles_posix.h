#pragma once
#include <cerrno>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "faultplan.h"
#include "filecalls_posix.h"

// The system's file calls with faults on request, for tests: counts every call, fails call N
// (once, or it and every call or every write after it), lets a write at call N write only K
// bytes, runs a hook before each call (a test changes a file between two reads there), and can
// give the file system only so many free bytes. While a FaultScope lives, the code under test
// makes its calls through it.
class FaultyFileCalls : public PosixFileCalls {
public:
    enum class Call {
        Open, Read, PRead, PWrite, CopyFileRange, FSync, FTruncate, FAllocate, Stat, FStat, Rename,
        RenameNoReplace, LinkAt, Link, Unlink, FChown, FChmod, FListXattr, FGetXattr, FSetXattr, FRemoveXattr
    };
    static const char* Name(Call c);
    static bool IsWrite(Call c) { return c == Call::PWrite || c == Call::CopyFileRange; }
    static bool NeedsSpace(Call c) { return IsWrite(c) || c == Call::FAllocate; }

    // After the fault: the calls go on, or every later call fails too (a disk that died), or
    // every later write (a full disk, where deleting still works).
    using Then = FaultThen;
    struct Fault {
        std::size_t at = 0;  // the call (from 1) that fails; 0: none
        int error = EIO;
        Then then = Then::GoOn;                // with `error`
        std::optional<std::size_t> writeOnly;  // instead of failing, a write at `at` writes this many bytes
    };
    Fault fault;
    // Before each call that gets past the fault, with its number, kind and descriptor (-1 when
    // it names a path) or path (nullptr when on a descriptor). A nonzero return fails the call
    // with that errno.
    std::function<int(std::size_t n, Call c, int fd, const char* path)> before;
    // Bytes that writes may still add to files (a full disk once spent); unset: no limit.
    std::optional<long long> spaceLeft;
    std::vector<Call> calls;  // every call made, in order

    int Open(const char* path, int flags, mode_t mode) override;
    ssize_t Read(int fd, void* buf, std::size_t size) override;
    ssize_t PRead(int fd, void* buf, std::size_t size, off_t at) override;
    ssize_t PWrite(int fd, const void* buf, std::size_t size, off_t at) override;
    ssize_t CopyFileRange(int from, off_t* fromAt, int to, off_t* toAt, std::size_t size) override;
    int FSync(int fd) override;
    int FTruncate(int fd, off_t size) override;
    int FAllocate(int fd, off_t size) override;
    int Stat(const char* path, struct stat* st) override;
    int FStat(int fd, struct stat* st) override;
    int Rename(const char* from, const char* to) override;
    int RenameNoReplace(const char* from, const char* to) override;
    int LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags) override;
    int Link(const char* from, const char* to) override;
    int Unlink(const char* path) override;
    int FChown(int fd, uid_t owner, gid_t group) override;
    int FChmod(int fd, mode_t mode) override;
    ssize_t FListXattr(int fd, char* names, std::size_t size) override;
    ssize_t FGetXattr(int fd, const char* name, void* value, std::size_t size) override;
    int FSetXattr(int fd, const char* name, const void* value, std::size_t size) override;
    int FRemoveXattr(int fd, const char* name) override;

private:
    // The number of the call about to run, or 0 with errno set when it is to fail.
    std::size_t Enter(Call c, int fd, const char* path);
    // How many of `size` bytes written at `at` fit in the space left; ENOSPC when none.
    std::size_t Room(int fd, off_t at, std::size_t size);
};
