#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Replaces a file's content the way careful editors do, keeping the file system's rules:
// - only a regular file (or a new name) is written; a link is followed, and a dangling link gets
//   its file created where it points, never replaced by a file itself;
// - a file the caller may not write is refused exactly as opening it for writing would be;
// - usually the new content goes to an unnamed temporary file beside the target (O_TMPFILE),
//   which is given a name only just before it is renamed over the target, so a save killed at
//   any point leaves the old file and nothing else; owner, group and permission bits are carried
//   over;
// - the file is written in place instead when the replace would break something: it has several
//   hard links, its owner or group cannot be given to a new file, its ACL or extended attributes
//   cannot be given to a new file, or no file can be created in its folder; ACL and extended
//   attributes are carried over to a replacing file;
// - before a file is written in place its old content is copied aside (a backup beside it, or in
//   the temporary folder when its own folder is read-only) and flushed; the backup goes once the
//   new content is on disk. A write that fails part-way puts the old content back from the
//   backup; only when that fails too is the backup kept and named in the result, so a killed or
//   failed save leaves the whole new file, the whole old file, or the old content in the backup;
// - SIGXFSZ (a file-size limit) is held off around the writes and shows as the error EFBIG.
// Where unnamed files are not available the temporary file has a recognisable name, and such
// names left behind by a killed save of the same target are removed by the next save.
struct SaveResult {
    bool ok = false;
    int sysErrno = 0;           // 0 when the failure is not a system error
    std::string step;           // which step failed (English, for logs and the command-line tool)
    bool targetExisted = false; // a file was there before the save
    bool targetDamaged = false; // an in-place write failed part-way and the old content could not be put back
    // Where the old content is kept when targetDamaged; otherwise, when not empty, a backup that
    // the file system would not let the save remove (the save itself may have succeeded).
    std::filesystem::path backupPath;
    // Backups of earlier saves of the target that were interrupted (LeftBackupsOf): never
    // removed by a save, only reported, since each may hold the only copy of an older list.
    std::vector<std::filesystem::path> earlierBackups;

    static SaveResult Failure(const char* failedStep, int err, bool existed = false)
    {
        SaveResult r;
        r.sysErrno = err;
        r.step = failedStep;
        r.targetExisted = existed;
        return r;
    }
};

SaveResult SaveFileSafely(const std::filesystem::path& path, const std::byte* data, std::size_t size);

// The name pattern of temporary files, exposed so that tests can plant a leftover.
std::string TemporaryNameFor(std::string_view targetName, unsigned tag);
// The name pattern of backups of in-place saves: "<target>.~<8 hex>.bak", visible so that a user
// finds it beside the file.
std::string BackupNameFor(std::string_view targetName, unsigned tag);
bool IsBackupOf(std::string_view entry, std::string_view targetName);
// The backups of in-place saves of `file` that are still there, beside it or in the temporary
// folder (where they go when its folder is read-only), oldest first. A save that finished removes
// its own, so each of these was left by a save that was killed or failed while writing over the
// file, and holds the file's content from before that save. The temporary folder's backups are
// known by the file's name alone, so one there may belong to another file of the same name.
std::vector<std::filesystem::path> LeftBackupsOf(const std::filesystem::path& file);
