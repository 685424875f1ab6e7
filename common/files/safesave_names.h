#pragma once
#include <string>
#include <string_view>

#include "safesave.h"

// What the platform files share: the names of a save's temporary files, so that every platform
// names them (and recognises leftovers) alike, the end of an in-place write, and the one entry
// each platform provides, which SaveFileSafely wraps with the report of backups left by earlier
// saves.
std::string TemporaryPrefix(std::string_view targetName);
bool IsTemporaryOf(std::string_view entry, const std::string& prefix);
// The end of an in-place write on every system: after a failure the old content is put back
// (`restore`), and only when that fails too is the backup kept and named, being the only copy;
// otherwise the backup goes, and one the system will not delete is named as well.
template <class Backup, class Restore>
void SettleBackup(SaveResult& r, Backup& backup, Restore restore)
{
    if (!r.ok && !restore()) {
        r.targetDamaged = true;
        r.backupPath = backup.path;
        backup.keep = true;
    } else if (!backup.Remove()) {
        r.backupPath = backup.path;
    }
}

SaveResult SaveOnThisSystem(const std::filesystem::path& path, const std::byte* data, std::size_t size);
