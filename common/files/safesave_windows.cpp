#include "safesave.h"

#include "filecalls_windows.h"
#include "safesave_names.h"
#include "win32errno.h"

#include <algorithm>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool WriteAll(HANDLE h, const std::byte* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, kIoChunk));
        DWORD wrote = 0;
        if (!FileCalls().WriteFile(h, data + done, want, &wrote)) return false;
        if (wrote == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += wrote;
    }
    return true;
}

std::string Utf8Name(const fs::path& p)
{
    const std::u8string n = p.filename().u8string();
    return std::string(n.begin(), n.end());
}

fs::path FromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

// A save runs with its temporary file open and unshared, so a leftover that can be deleted is one
// whose save died.
void RemoveStaleTemporaries(const fs::path& dir, const std::string& targetName)
{
    const std::string prefix = TemporaryPrefix(targetName);
    WIN32_FIND_DATAW found{};
    const fs::path pattern = dir / FromUtf8(prefix + "*");
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (IsTemporaryOf(Utf8Name(found.cFileName), prefix)) FileCalls().DeleteFileW((dir / found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

struct Temporary {
    WinHandle file;
    fs::path name;
    ~Temporary()
    {
        if (!name.empty()) {
            file.Reset();
            FileCalls().DeleteFileW(name.c_str());
        }
    }
};

int CreateTemporary(const fs::path& dir, const std::string& targetName, Temporary& tmp)
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path name = dir / FromUtf8(TemporaryNameFor(targetName, static_cast<unsigned>(rd())));
        const HANDLE h = FileCalls().CreateFileW(name.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (h != INVALID_HANDLE_VALUE) {
            tmp.file.Reset(h);
            tmp.name = name;
            return 0;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return LastErrno();
    }
    return EEXIST;
}

// The old content of a file about to be written in place, beside it or in the temporary folder,
// removed once the new content is on disk unless it holds the only copy of the old content.
struct Backup {
    fs::path path;
    bool keep = false;
    ~Backup()
    {
        if (!path.empty() && !keep) FileCalls().DeleteFileW(path.c_str());
    }
    // False when the file system keeps it: it then stays, and is named to the user.
    bool Remove()
    {
        keep = true;
        if (!FileCalls().DeleteFileW(path.c_str())) return false;
        path.clear();
        return true;
    }
};

// Copies the old content to a temporary name in `where`, flushes it and only then gives it its
// backup name, so that a killed save never leaves a partial or unflushed backup under that name.
int MakeBackupIn(const fs::path& where, const std::string& name, const fs::path& path, Backup& b)
{
    std::random_device rd;
    Temporary copy;
    for (int attempt = 0; copy.name.empty(); ++attempt) {
        if (attempt == 100) return EEXIST;
        const fs::path candidate = where / FromUtf8(TemporaryNameFor(name, static_cast<unsigned>(rd())));
        if (FileCalls().CopyFileW(path.c_str(), candidate.c_str(), TRUE)) copy.name = candidate;
        else if (const int err = LastErrno(); err != EEXIST) return err;
    }
    copy.file.Reset(FileCalls().CreateFileW(copy.name.c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    if (!copy.file.Ok() || !FileCalls().FlushFileBuffers(copy.file.Get())) return LastErrno();
    copy.file.Reset();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = where / FromUtf8(BackupNameFor(name, static_cast<unsigned>(rd())));
        if (FileCalls().MoveFileExW(copy.name.c_str(), candidate.c_str(), MOVEFILE_WRITE_THROUGH)) {
            copy.name.clear();
            b.path = candidate;
            return 0;
        }
        if (const int err = LastErrno(); err != EEXIST) return err;
    }
    return EEXIST;
}

// Beside the file, or in the temporary folder when its own folder takes no new file.
int MakeBackup(const fs::path& dir, const std::string& name, const fs::path& path, Backup& b)
{
    const int err = MakeBackupIn(dir, name, path, b);
    if (err != EACCES && err != EPERM && err != EROFS) return err;
    std::error_code ec;
    const fs::path tmpDir = fs::temp_directory_path(ec);
    return ec ? err : MakeBackupIn(tmpDir, name, path, b);
}

bool Restore(HANDLE h, const Backup& b)
{
    WinHandle from(FileCalls().CreateFileW(b.path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    if (!from.Ok()) return false;
    LARGE_INTEGER start{};
    if (!FileCalls().SetFilePointerEx(h, start, FILE_BEGIN)) return false;
    std::vector<std::byte> buf(std::size_t{1} << 20);
    for (;;) {
        DWORD got = 0;
        if (!FileCalls().ReadFile(from.Get(), buf.data(), static_cast<DWORD>(buf.size()), &got)) return false;
        if (got == 0) break;
        if (!WriteAll(h, buf.data(), got)) return false;
    }
    return FileCalls().SetEndOfFile(h) && FileCalls().FlushFileBuffers(h);
}

SaveResult WriteInPlace(HANDLE h, const fs::path& dir, const std::string& name, const fs::path& path,
                        std::uint64_t oldSize, const std::byte* data, std::size_t size)
{
    Backup backup;
    if (const int err = MakeBackup(dir, name, path, backup)) return SaveResult::Failure("back up old content", err, true);
    // Reserving the space first turns a full disk into a failure before any old byte is lost.
    if (size > oldSize) {
        FILE_ALLOCATION_INFO alloc{};
        alloc.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
        // Only a full disk counts; where reserving is not offered (Wine) the write goes ahead.
        if (!FileCalls().SetFileInformationByHandle(h, FileAllocationInfo, &alloc, sizeof alloc) &&
            ErrnoFromWin32(::GetLastError()) == ENOSPC)
            return SaveResult::Failure("reserve space", ENOSPC, true);
    }
    SaveResult r;
    r.targetExisted = true;
    LARGE_INTEGER start{};
    if (!FileCalls().SetFilePointerEx(h, start, FILE_BEGIN) || !WriteAll(h, data, size)) r = SaveResult::Failure("write in place", LastErrno(), true);
    else if (!FileCalls().SetEndOfFile(h)) r = SaveResult::Failure("set file size", LastErrno(), true);
    else if (!FileCalls().FlushFileBuffers(h)) r = SaveResult::Failure("flush to disk", LastErrno(), true);
    else r.ok = true;
    SettleBackup(r, backup, [&] { return Restore(h, backup); });
    return r;
}

// The file a link or junction ends at, so that the link itself stays.
fs::path FinalPath(HANDLE h, const fs::path& fallback)
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return fallback;
        if (n < buf.size()) {
            buf.resize(n);
            return fs::path(buf);
        }
        buf.resize(n);
    }
}

}  // namespace

// As on Linux, with Windows' own means: the read-only attribute refuses the save as it refuses
// any write; a file with several hard links is written in place so that they stay one file; a
// device name (NUL, CON, COM1) is not a file and is refused; otherwise the new content is written
// and flushed to a temporary file beside the target, which then replaces it in one step.
SaveResult SaveOnThisSystem(const fs::path& requested, const std::byte* data, std::size_t size)
{
    // Asked first: an administrator (and Wine's root) could otherwise open the file for writing.
    const DWORD attrs = FileCalls().GetFileAttributesW(requested.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) && !(attrs & FILE_ATTRIBUTE_DIRECTORY))
        return SaveResult::Failure("open target for writing", EACCES, true);
    WinHandle target(FileCalls().CreateFileW(requested.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL));
    const bool exists = target.Ok();
    if (!exists) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_FILE_NOT_FOUND) {
            if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
                return SaveResult::Failure("target is a directory", EISDIR, true);
            return SaveResult::Failure(attrs != INVALID_FILE_ATTRIBUTES ? "open target for writing" : "look up target",
                           ErrnoFromWin32(err), attrs != INVALID_FILE_ATTRIBUTES);
        }
    }
    BY_HANDLE_FILE_INFORMATION info{};
    fs::path path = requested;
    if (exists) {
        if (::GetFileType(target.Get()) != FILE_TYPE_DISK) return SaveResult::Failure("target is not a regular file", 0, true);
        if (!FileCalls().GetFileInformationByHandle(target.Get(), &info))
            return SaveResult::Failure("look up target", LastErrno(), true);
        path = FinalPath(target.Get(), requested);
    }
    const std::string name = Utf8Name(path);
    if (name.empty() || name == "." || name == "..") return SaveResult::Failure("target is not a file name", EISDIR);
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";

    RemoveStaleTemporaries(dir, name);
    Temporary tmp;
    const bool inPlace = exists && info.nNumberOfLinks > 1;
    if (!inPlace) {
        const int err = CreateTemporary(dir, name, tmp);
        if (err != 0 && !(exists && err == EACCES)) return SaveResult::Failure("create temporary file", err, exists);
    }
    if (exists && !tmp.file.Ok()) {
        const std::uint64_t oldSize = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        return WriteInPlace(target.Get(), dir, name, path, oldSize, data, size);
    }

    if (!WriteAll(tmp.file.Get(), data, size)) return SaveResult::Failure("write", LastErrno(), exists);
    if (!FileCalls().FlushFileBuffers(tmp.file.Get())) return SaveResult::Failure("flush to disk", LastErrno(), exists);
    tmp.file.Reset();
    target.Reset();
    // ReplaceFileW keeps the old file's attributes, security and streams; a new file is moved in.
    const bool replaced =
        (exists && FileCalls().ReplaceFileW(path.c_str(), tmp.name.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS)) ||
        FileCalls().MoveFileExW(tmp.name.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) return SaveResult::Failure("replace target", LastErrno(), exists);
    tmp.name.clear();

    SaveResult ok;
    ok.ok = true;
    ok.targetExisted = exists;
    return ok;
}
