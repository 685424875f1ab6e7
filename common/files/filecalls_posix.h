#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

// Every file-system call that the safe save and the list reader make, behind one table, so that
// a test can fail any of them at its Nth use, write short, or change a file between two reads,
// and so prove the code that only runs when something goes wrong. The methods keep the system
// calls' contracts (-1 and errno on failure). The default instance calls the system; callers
// reach the instance in use through FileCalls() and never know which it is.
class PosixFileCalls {
public:
    virtual ~PosixFileCalls() = default;

    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Read(int fd, void* buf, std::size_t size);
    virtual ssize_t PRead(int fd, void* buf, std::size_t size, off_t at);
    virtual ssize_t PWrite(int fd, const void* buf, std::size_t size, off_t at);
    virtual ssize_t CopyFileRange(int from, off_t* fromAt, int to, off_t* toAt, std::size_t size);
    virtual int FSync(int fd);
    virtual int FTruncate(int fd, off_t size);
    virtual int FAllocate(int fd, off_t size);  // mode 0, from offset 0
    virtual int Stat(const char* path, struct stat* st);
    virtual int FStat(int fd, struct stat* st);
    virtual int Rename(const char* from, const char* to);
    virtual int RenameNoReplace(const char* from, const char* to);
    virtual int LinkAt(int fromDir, const char* from, int toDir, const char* to, int flags);
    virtual int Link(const char* from, const char* to);
    virtual int Unlink(const char* path);
    virtual int FChown(int fd, uid_t owner, gid_t group);
    virtual int FChmod(int fd, mode_t mode);
    virtual ssize_t FListXattr(int fd, char* names, std::size_t size);
    virtual ssize_t FGetXattr(int fd, const char* name, void* value, std::size_t size);
    virtual int FSetXattr(int fd, const char* name, const void* value, std::size_t size);
    virtual int FRemoveXattr(int fd, const char* name);
};

PosixFileCalls& FileCalls();
// Makes `calls` the instance in use (nullptr: the system's again). For tests, which run one
// thread at a time through the code under test.
void UseFileCalls(PosixFileCalls* calls);
