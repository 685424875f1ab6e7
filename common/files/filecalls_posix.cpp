#include "filecalls_posix.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/xattr.h>
#include <unistd.h>

int PosixFileCalls::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t PosixFileCalls::Read(int fd, void* buf, std::size_t size) { return ::read(fd, buf, size); }
ssize_t PosixFileCalls::PRead(int fd, void* buf, std::size_t size, off_t at) { return ::pread(fd, buf, size, at); }
ssize_t PosixFileCalls::PWrite(int fd, const void* buf, std::size_t size, off_t at)
{
    return ::pwrite(fd, buf, size, at);
}
ssize_t PosixFileCalls::CopyFileRange(int from, off_t* fromAt, int to, off_t* toAt, std::size_t size)
{
    return ::copy_file_range(from, fromAt, to, toAt, size, 0);
}
int PosixFileCalls::FSync(int fd) { return ::fsync(fd); }
int PosixFileCalls::FTruncate(int fd, off_t size) { return ::ftruncate(fd, size); }
int PosixFileCalls::FAllocate(int fd, off_t size) { return ::fallocate(fd, 0, 0, size); }
int PosixFileCalls::Stat(const char* path, struct stat* st) { return ::stat(path, st); }
int PosixFileCalls::FStat(int fd, struct stat* st) { return ::fstat(fd, st); }
int PosixFileCalls::Rename(const char* from, const char* to) { return ::rename(from, to); }
int PosixFileCalls::RenameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int PosixFileCalls::LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    return ::linkat(fromDir, from, toDir, to, flags);
}
int PosixFileCalls::Link(const char* from, const char* to) { return ::link(from, to); }
int PosixFileCalls::Unlink(const char* path) { return ::unlink(path); }
int PosixFileCalls::FChown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int PosixFileCalls::FChmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
ssize_t PosixFileCalls::FListXattr(int fd, char* names, std::size_t size) { return ::flistxattr(fd, names, size); }
ssize_t PosixFileCalls::FGetXattr(int fd, const char* name, void* value, std::size_t size)
{
    return ::fgetxattr(fd, name, value, size);
}
int PosixFileCalls::FSetXattr(int fd, const char* name, const void* value, std::size_t size)
{
    return ::fsetxattr(fd, name, value, size, 0);
}
int PosixFileCalls::FRemoveXattr(int fd, const char* name) { return ::fremovexattr(fd, name); }

namespace {
PosixFileCalls g_system;
PosixFileCalls* g_inUse = &g_system;
}  // namespace

PosixFileCalls& FileCalls() { return *g_inUse; }
void UseFileCalls(PosixFileCalls* calls) { g_inUse = calls ? calls : &g_system; }
