#include "faultyfiles_posix.h"

#include <sys/stat.h>

#include <algorithm>

namespace {

off_t SizeOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : 0;
}

}  // namespace

const char* FaultyFileCalls::Name(Call c)
{
    static const char* const kNames[] = {"open",  "read",  "pread", "pwrite", "copy_file_range", "fsync", "ftruncate",
                                         "fallocate", "stat", "fstat", "rename", "renameat2", "linkat", "link", "unlink",
                                         "fchown", "fchmod", "flistxattr", "fgetxattr", "fsetxattr", "fremovexattr"};
    return kNames[static_cast<int>(c)];
}

std::size_t FaultyFileCalls::Enter(Call c, int fd, const char* path)
{
    calls.push_back(c);
    const std::size_t n = calls.size();
    if (FaultHits(n, fault.at, fault.then, fault.writeOnly && IsWrite(c), NeedsSpace(c))) {
        errno = fault.error;
        return 0;
    }
    if (before)
        if (const int err = before(n, c, fd, path)) {
            errno = err;
            return 0;
        }
    return n;
}

std::size_t FaultyFileCalls::Room(int fd, off_t at, std::size_t size)
{
    if (!spaceLeft) return size;
    const long long end = static_cast<long long>(SizeOf(fd)) + *spaceLeft;
    return static_cast<std::size_t>(std::clamp<long long>(end - at, 0, static_cast<long long>(size)));
}

#define FAULTY_CALL(kind, fd, path, ...)               \
    if (Enter(Call::kind, fd, path) == 0) return -1; \
    return PosixFileCalls::kind(__VA_ARGS__)

int FaultyFileCalls::Open(const char* path, int flags, mode_t mode) { FAULTY_CALL(Open, -1, path, path, flags, mode); }
ssize_t FaultyFileCalls::Read(int fd, void* buf, std::size_t size) { FAULTY_CALL(Read, fd, nullptr, fd, buf, size); }
ssize_t FaultyFileCalls::PRead(int fd, void* buf, std::size_t size, off_t at)
{
    FAULTY_CALL(PRead, fd, nullptr, fd, buf, size, at);
}

ssize_t FaultyFileCalls::PWrite(int fd, const void* buf, std::size_t size, off_t at)
{
    const std::size_t n = Enter(Call::PWrite, fd, nullptr);
    if (n == 0) return -1;
    if (n == fault.at && fault.writeOnly) size = std::min(size, *fault.writeOnly);
    const off_t sizeBefore = SizeOf(fd);
    const std::size_t room = Room(fd, at, size);
    if (room == 0 && size > 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t wrote = PosixFileCalls::PWrite(fd, buf, room, at);
    if (spaceLeft && wrote > 0) *spaceLeft -= std::max<long long>(0, at + wrote - sizeBefore);
    return wrote;
}

ssize_t FaultyFileCalls::CopyFileRange(int from, off_t* fromAt, int to, off_t* toAt, std::size_t size)
{
    const std::size_t n = Enter(Call::CopyFileRange, to, nullptr);
    if (n == 0) return -1;
    if (n == fault.at && fault.writeOnly) size = std::min(size, *fault.writeOnly);
    const off_t at = toAt ? *toAt : 0;
    const off_t sizeBefore = SizeOf(to);
    // What is left of the source: a copy that reaches the end of it adds no more than that.
    const std::size_t left = static_cast<std::size_t>(std::max<off_t>(0, SizeOf(from) - (fromAt ? *fromAt : 0)));
    const std::size_t room = Room(to, at, std::min(size, left));
    if (room == 0 && left > 0 && size > 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t wrote = PosixFileCalls::CopyFileRange(from, fromAt, to, toAt, room);
    if (spaceLeft && wrote > 0) *spaceLeft -= std::max<long long>(0, at + wrote - sizeBefore);
    return wrote;
}

int FaultyFileCalls::FSync(int fd) { FAULTY_CALL(FSync, fd, nullptr, fd); }
int FaultyFileCalls::FTruncate(int fd, off_t size) { FAULTY_CALL(FTruncate, fd, nullptr, fd, size); }

int FaultyFileCalls::FAllocate(int fd, off_t size)
{
    if (Enter(Call::FAllocate, fd, nullptr) == 0) return -1;
    const long long grows = std::max<long long>(0, size - SizeOf(fd));
    if (spaceLeft && grows > *spaceLeft) {
        errno = ENOSPC;
        return -1;
    }
    const int r = PosixFileCalls::FAllocate(fd, size);
    if (r == 0 && spaceLeft) *spaceLeft -= grows;
    return r;
}

int FaultyFileCalls::Stat(const char* path, struct stat* st) { FAULTY_CALL(Stat, -1, path, path, st); }
int FaultyFileCalls::FStat(int fd, struct stat* st) { FAULTY_CALL(FStat, fd, nullptr, fd, st); }
int FaultyFileCalls::Rename(const char* from, const char* to) { FAULTY_CALL(Rename, -1, to, from, to); }
int FaultyFileCalls::RenameNoReplace(const char* from, const char* to)
{
    FAULTY_CALL(RenameNoReplace, -1, to, from, to);
}
int FaultyFileCalls::LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    FAULTY_CALL(LinkAt, -1, to, fromDir, from, toDir, to, flags);
}
int FaultyFileCalls::Link(const char* from, const char* to) { FAULTY_CALL(Link, -1, to, from, to); }
int FaultyFileCalls::Unlink(const char* path) { FAULTY_CALL(Unlink, -1, path, path); }
int FaultyFileCalls::FChown(int fd, uid_t owner, gid_t group) { FAULTY_CALL(FChown, fd, nullptr, fd, owner, group); }
int FaultyFileCalls::FChmod(int fd, mode_t mode) { FAULTY_CALL(FChmod, fd, nullptr, fd, mode); }
ssize_t FaultyFileCalls::FListXattr(int fd, char* names, std::size_t size)
{
    FAULTY_CALL(FListXattr, fd, nullptr, fd, names, size);
}
ssize_t FaultyFileCalls::FGetXattr(int fd, const char* name, void* value, std::size_t size)
{
    FAULTY_CALL(FGetXattr, fd, nullptr, fd, name, value, size);
}
int FaultyFileCalls::FSetXattr(int fd, const char* name, const void* value, std::size_t size)
{
    FAULTY_CALL(FSetXattr, fd, nullptr, fd, name, value, size);
}
int FaultyFileCalls::FRemoveXattr(int fd, const char* name) { FAULTY_CALL(FRemoveXattr, fd, nullptr, fd, name); }
