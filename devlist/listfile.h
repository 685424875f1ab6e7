#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "record.h"

// What a .chip image holds, worked out without trusting its header: the reader never reads past
// the data, and callers (the window, the command-line tool) use this to tell the user about short
// or odd files instead of dropping records silently.
struct ListFileLayout {
    std::size_t fileSize = 0;
    bool headerComplete = false;   // at least the 8 header bytes are present
    std::uint32_t version = 0;     // the first word, as stored (never acted upon); 0 if no header
    std::int32_t count = 0;        // the second word, as stored; 0 if no header
    std::size_t recordsPresent = 0;  // records that are taken: min(count, complete records), 0 if count <= 0
    bool countExceedsData = false;   // count > 0 and fewer complete records follow the header
    std::size_t trailingBytes = 0;   // bytes after the counted records (all data bytes if count <= 0)
};

// Pure; safe for any size and any count (INT32_MAX included).
ListFileLayout InspectListImage(std::span<const std::byte> image);

enum class ReadError { None, Open, Read };

struct ReadResult {
    ReadError error = ReadError::None;
    int sysErrno = 0;
    ListFileLayout layout;
    std::size_t appended = 0;
    // The file ended before its header or before the records its count announces; the complete
    // records that were present have been appended.
    bool IsShort() const
    {
        return error == ReadError::None && (!layout.headerComplete || layout.countExceedsData);
    }
    bool Ok() const { return error == ReadError::None; }
};

// Reads the whole file into one new buffer owned by `storage` and appends references to its
// records (in file order) to `target`. The version word and the record fields are not checked;
// bytes after the counted records are ignored. On an error `target` is unchanged.
ReadResult ReadListFile(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target);

struct WriteResult {
    bool ok = false;
    int sysErrno = 0;
    std::string detail;  // which step failed, for logs and the command-line tool (English)
};

// Size of the file image for `n` records: 8 + 36 n.
std::size_t ListImageSize(std::size_t n);

// The complete file image: version 1, count, then every record's 36 bytes as they stand
// (padding included). Lists longer than INT32_MAX cannot be represented and throw std::length_error.
std::vector<std::byte> BuildListImage(const DeviceList& list);

// Saves atomically: the image goes to a temporary file in the target's directory in one write,
// is flushed to disk and then renamed over the target, whose permission bits are kept. On any
// failure the temporary file is removed, the previous file is left as it was and ok is false.
// A symbolic link as target is followed, so the link stays and the file it names is replaced.
WriteResult WriteListFile(const std::filesystem::path& path, const DeviceList& list);
