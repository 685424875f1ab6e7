#include "safesave.h"

#include "filecalls_posix.h"
#include "safesave_names.h"
#include "unixfd.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {


// A file-size limit would otherwise kill the process in the middle of a write. While this lives
// the signal is blocked for the calling thread, so the write fails with EFBIG instead; a signal
// raised meanwhile is taken off the queue before the old mask comes back.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld()
    {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGXFSZ);
        ::pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~FileSizeSignalHeld()
    {
        sigset_t pending;
        if (::sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ)) {
            const timespec now{0, 0};
            ::sigtimedwait(&m_set, nullptr, &now);
        }
        ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
    FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;

private:
    sigset_t m_set;
    sigset_t m_old;
};

bool WriteAt(int fd, const std::byte* data, std::size_t size, off_t at = 0)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = FileCalls().PWrite(fd, data + done, size - done, at + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Where the new content has to go: the file a chain of links ends at, even when that file does
// not exist yet.
struct Target {
    fs::path path;
    bool exists = false;
    struct stat st {};
};

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit

int ResolveTarget(const fs::path& requested, Target& t)
{
    if (FileCalls().Stat(requested.c_str(), &t.st) == 0) {
        t.exists = true;
        std::error_code ec;
        t.path = fs::is_symlink(fs::symlink_status(requested, ec)) ? fs::canonical(requested, ec) : requested;
        return ec ? ec.value() : 0;
    }
    if (errno != ENOENT) return errno;
    // Nothing there, or a dangling link: the file is created where the last link points.
    fs::path p = requested;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat lst {};
        if (::lstat(p.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) {
            t.path = p;
            return 0;
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(p, ec);
        if (ec) return ec.value();
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return ELOOP;
}

// A temporary file is locked by the save that owns it for as long as that save runs, so one that
// can be locked belongs to a save that died.
void RemoveStaleTemporaries(const fs::path& dir, std::string_view targetName)
{
    const std::string prefix = TemporaryPrefix(targetName);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        if (!IsTemporaryOf(e->d_name, prefix)) continue;
        const fs::path p = dir / e->d_name;
        UnixFd fd(OpenRetry(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() >= 0 && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) FileCalls().Unlink(p.c_str());
    }
    ::closedir(d);
}

struct Temporary {
    UnixFd fd;
    fs::path name;       // empty while the file is unnamed
    bool named = false;  // the name exists on disk and must be removed on failure

    ~Temporary()
    {
        if (named) FileCalls().Unlink(name.c_str());
    }
};

// Names an unnamed temporary file: through /proc, or directly where the caller may do that.
bool LinkUnnamed(Temporary& tmp)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", tmp.fd.Get());
    if (FileCalls().LinkAt(AT_FDCWD, procPath, AT_FDCWD, tmp.name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        FileCalls().LinkAt(tmp.fd.Get(), "", AT_FDCWD, tmp.name.c_str(), AT_EMPTY_PATH) == 0) {
        tmp.named = true;
        return true;
    }
    return false;
}

int CreateTemporary(const fs::path& dir, std::string_view targetName, mode_t mode, Temporary& tmp, int access = O_WRONLY)
{
    std::random_device rd;
    auto pickName = [&] { tmp.name = dir / TemporaryNameFor(targetName, static_cast<unsigned>(rd())); };
    const int f = OpenRetry(dir.c_str(), O_TMPFILE | access | O_CLOEXEC, mode);
    if (f >= 0) {
        tmp.fd.Reset(f);
        ::flock(f, LOCK_EX);
        pickName();
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        pickName();
        const int g = OpenRetry(tmp.name.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (g >= 0) {
            tmp.fd.Reset(g);
            tmp.named = true;
            ::flock(g, LOCK_EX);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// The names of a file's extended attributes, NUL-separated; false with errno on failure.
bool ListAttributes(int fd, std::vector<char>& names)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t want = FileCalls().FListXattr(fd, nullptr, 0);
        if (want < 0) return false;
        names.resize(static_cast<std::size_t>(want));
        const ssize_t got = want == 0 ? 0 : FileCalls().FListXattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
    return false;
}

bool HasName(const std::vector<char>& names, const char* name)
{
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1)
        if (std::strcmp(names.data() + at, name) == 0) return true;
    return false;
}

// Every extended attribute of the old file onto the new one (an ACL is one of them,
// system.posix_acl_access), and none of the new file's own that the old lacks (a default ACL the
// folder handed down). False when one cannot be copied: the file is then written in place.
bool CopyExtendedAttributes(int from, int to)
{
    std::vector<char> oldNames, newNames;
    if (!ListAttributes(from, oldNames)) return errno == ENOTSUP;
    if (!ListAttributes(to, newNames)) return oldNames.empty() && errno == ENOTSUP;
    for (std::size_t at = 0; at < newNames.size(); at += std::strlen(newNames.data() + at) + 1) {
        const char* name = newNames.data() + at;
        if (!HasName(oldNames, name) && FileCalls().FRemoveXattr(to, name) != 0) return false;
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < oldNames.size(); at += std::strlen(oldNames.data() + at) + 1) {
        const char* name = oldNames.data() + at;
        const ssize_t want = FileCalls().FGetXattr(from, name, nullptr, 0);
        if (want < 0) return false;
        value.resize(static_cast<std::size_t>(want));
        const ssize_t got = want == 0 ? 0 : FileCalls().FGetXattr(from, name, value.data(), value.size());
        if (got < 0 || FileCalls().FSetXattr(to, name, value.data(), static_cast<std::size_t>(got)) != 0) return false;
    }
    return true;
}

// Owner, group, permission bits, ACL and extended attributes of the old file; false when they
// cannot be given (a user cannot give away a file), in which case the target is written in place.
bool TakeOverOwnership(int fd, int oldFd, const struct stat& old)
{
    struct stat now {};
    if (FileCalls().FStat(fd, &now) != 0) return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && FileCalls().FChown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    if (!CopyExtendedAttributes(oldFd, fd)) return false;
    // Last: after fchown, which clears the set-id bits, and after the ACL, whose mask the group
    // bits of the old mode already are.
    return FileCalls().FChmod(fd, old.st_mode & 07777) == 0;
}

void SyncDirectory(const fs::path& dir)
{
    // The new file is already in place, so a file system that cannot sync directories does not
    // make the save a failure.
    UnixFd dirFd(OpenRetry(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0) FileCalls().FSync(dirFd.Get());
}

// Copies the whole of `from` over the start of `to`; false with errno on failure. The kernel
// copies where it can (a clone on file systems that share blocks).
bool CopyContent(int from, int to)
{
    off_t in = 0, out = 0;
    for (;;) {
        const ssize_t n = FileCalls().CopyFileRange(from, &in, to, &out, std::size_t{1} << 30);
        if (n == 0) return true;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
        break;
    }
    std::vector<std::byte> buf(std::size_t{1} << 20);
    for (;;) {
        const ssize_t n = FileCalls().PRead(from, buf.data(), buf.size(), in);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAt(to, buf.data(), static_cast<std::size_t>(n), out)) return false;
        in += n;
        out += n;
    }
}

// The old content of a file about to be written in place, kept until the new content is on disk.
struct Backup {
    Temporary file;      // readable and writable; named `path` once complete
    fs::path path;
    bool keep = false;   // the old content is in it and nowhere else

    ~Backup()
    {
        if (!path.empty() && !keep) FileCalls().Unlink(path.c_str());
    }
    // False when the file system keeps it: it then stays, and is named to the user.
    bool Remove()
    {
        keep = true;
        if (FileCalls().Unlink(path.c_str()) != 0) return false;
        path.clear();
        return true;
    }
};

// Gives a complete backup its name without replacing anything already there.
bool NameBackup(Temporary& file, const fs::path& name)
{
    // From then on the backup's own rules say when it goes; `file` keeps only a temporary name
    // still to be removed.
    if (!file.named) {
        const fs::path unnamed = file.name;
        file.name = name;
        if (LinkUnnamed(file)) {
            file.named = false;
            return true;
        }
        file.name = unnamed;
        return false;
    }
    if (FileCalls().RenameNoReplace(file.name.c_str(), name.c_str()) == 0) {
        file.named = false;
        return true;
    }
    if (errno != EINVAL || FileCalls().Link(file.name.c_str(), name.c_str()) != 0) return false;
    // The temporary name goes now or, should that fail, once more when the save ends.
    file.named = FileCalls().Unlink(file.name.c_str()) != 0;
    return true;
}

// Copies the old content into a new file in `dir`, flushes it and gives it its backup name only
// then, so that a killed save never leaves a partial backup under that name.
int MakeBackupIn(const fs::path& dir, const std::string& name, int oldFd, const struct stat& old, Backup& b)
{
    if (const int err = CreateTemporary(dir, name, old.st_mode & 0666, b.file, O_RDWR)) return err;
    auto fail = [&](int err) {
        if (b.file.named) FileCalls().Unlink(b.file.name.c_str());
        b.file.named = false;
        b.file.fd.Reset();
        return err;
    };
    if (!CopyContent(oldFd, b.file.fd.Get()) || FileCalls().FSync(b.file.fd.Get()) != 0) return fail(errno);
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = dir / BackupNameFor(name, static_cast<unsigned>(rd()));
        if (NameBackup(b.file, candidate)) {
            b.path = candidate;
            SyncDirectory(dir);
            return 0;
        }
        if (errno != EEXIST) return fail(errno);
    }
    return fail(EEXIST);
}

// Beside the file, or in the temporary folder when its own folder takes no new file.
int MakeBackup(const fs::path& dir, const std::string& name, const fs::path& path, const struct stat& old, Backup& b)
{
    UnixFd oldFd(OpenRetry(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (oldFd.Get() < 0) return errno;
    const int err = MakeBackupIn(dir, name, oldFd.Get(), old, b);
    if (err != EACCES && err != EPERM && err != EROFS) return err;
    std::error_code ec;
    const fs::path tmpDir = fs::temp_directory_path(ec);
    return ec ? err : MakeBackupIn(tmpDir, name, oldFd.Get(), old, b);
}

// Puts the old content back after a failed in-place write; false when that fails too.
bool Restore(int fd, const struct stat& old, const Backup& b)
{
    return CopyContent(b.file.fd.Get(), fd) && FileCalls().FTruncate(fd, old.st_size) == 0 && FileCalls().FSync(fd) == 0;
}

SaveResult WriteInPlace(int fd, const fs::path& dir, const std::string& name, const fs::path& path,
                        const struct stat& old, const std::byte* data, std::size_t size)
{
    Backup backup;
    if (const int err = MakeBackup(dir, name, path, old, backup))
        return SaveResult::Failure("back up old content", err, true);
    // Reserving the space first turns a full disk into a failure before any old byte is lost.
    if (static_cast<off_t>(size) > old.st_size && FileCalls().FAllocate(fd, static_cast<off_t>(size)) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return SaveResult::Failure("reserve space", errno, true);
    SaveResult r;
    r.targetExisted = true;
    if (!WriteAt(fd, data, size)) r = SaveResult::Failure("write in place", errno, true);
    else if (FileCalls().FTruncate(fd, static_cast<off_t>(size)) != 0) r = SaveResult::Failure("set file size", errno, true);
    else if (FileCalls().FSync(fd) != 0) r = SaveResult::Failure("flush to disk", errno, true);
    else r.ok = true;
    SettleBackup(r, backup, [&] { return Restore(fd, old, backup); });
    return r;
}

}  // namespace

SaveResult SaveOnThisSystem(const fs::path& requested, const std::byte* data, std::size_t size)
{
    Target target;
    if (const int err = ResolveTarget(requested, target)) return SaveResult::Failure("look up target", err);
    const fs::path& path = target.path;
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    const std::string name = path.filename().string();
    if (name.empty() || name == "." || name == "..") return SaveResult::Failure("target is not a file name", EISDIR);

    UnixFd targetFd;
    if (target.exists) {
        if (S_ISDIR(target.st.st_mode)) return SaveResult::Failure("target is a directory", EISDIR, true);
        if (!S_ISREG(target.st.st_mode)) return SaveResult::Failure("target is not a regular file", 0, true);
        // Whether the file itself may be written decides, not whether its folder may.
        targetFd.Reset(OpenRetry(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (targetFd.Get() < 0) return SaveResult::Failure("open target for writing", errno, true);
    }

    FileSizeSignalHeld sizeSignalHeld;
    RemoveStaleTemporaries(dir, name);

    bool inPlace = target.exists && target.st.st_nlink > 1;
    Temporary tmp;
    if (!inPlace) {
        const int err = CreateTemporary(dir, name, target.exists ? (target.st.st_mode & 0777) : 0666, tmp);
        if (err != 0 && !(target.exists && (err == EACCES || err == EPERM)))
            return SaveResult::Failure("create temporary file", err, target.exists);
        inPlace = err != 0 || (target.exists && !TakeOverOwnership(tmp.fd.Get(), targetFd.Get(), target.st));
    }
    if (inPlace) return WriteInPlace(targetFd.Get(), dir, name, path, target.st, data, size);

    if (!WriteAt(tmp.fd.Get(), data, size)) return SaveResult::Failure("write", errno, target.exists);
    if (FileCalls().FSync(tmp.fd.Get()) != 0) return SaveResult::Failure("flush to disk", errno, target.exists);
    if (!tmp.named && !LinkUnnamed(tmp)) return SaveResult::Failure("name temporary file", errno, target.exists);
    if (FileCalls().Rename(tmp.name.c_str(), path.c_str()) != 0) return SaveResult::Failure("replace target", errno, target.exists);
    tmp.named = false;
    tmp.fd.Reset();  // after the rename: the lock keeps the named file from looking stale
    SyncDirectory(dir);

    SaveResult ok;
    ok.ok = true;
    ok.targetExisted = target.exists;
    return ok;
}
