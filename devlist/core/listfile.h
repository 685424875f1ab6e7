#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "record.h"

class InputFile;
struct FileStamp;

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

// Changed: a file read in parts was no longer the file the first part came from (see
// ListFileLoader).
enum class ReadError { None, Open, Read, NotRegular, Changed };

// What may be read: the window opens regular files only (a FIFO would block it for good, a device
// never ends); the command-line tool also reads pipes and devices, as far as their header declares.
// StandardInput reads the standard input as AnyFile reads a file (the path is not used).
enum class ReadSource { RegularFile, AnyFile, StandardInput };

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

// Reads the file into one new buffer owned by `storage` and appends references to its records
// (in file order) to `target`. The version word and the record fields are not checked; bytes
// after the counted records are ignored. Any file is read only as far as its header declares:
// 8 + 36 x count bytes, just the header when the count is not positive; for a regular file the
// layout still counts the bytes beyond that, its size coming from the file system. On an error
// `target` is unchanged.
ReadResult ReadListFile(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target,
                        ReadSource source = ReadSource::RegularFile);

// Reads a list file a part at a time, so that a window can show the first records while the
// rest are still on disk. The buffer for the whole file is taken at the start (memory not yet
// written costs nothing); each part is read into its place and its references are appended to
// the target. Pipes and devices are read whole by Start. An error in Start leaves the target
// unchanged; one in a later part leaves the parts before it appended, for the caller to drop.
// After each later part the file is compared with what it was when Start opened it (size,
// modification, and that its name still stands for it): a file written, cut short or replaced
// meanwhile ends the read with ReadError::Changed, since its parts would not make one list.
class ListFileLoader {
public:
    ListFileLoader();
    ~ListFileLoader();
    ListFileLoader(const ListFileLoader&) = delete;
    ListFileLoader& operator=(const ListFileLoader&) = delete;

    // Opens the file and reads its header and up to `records` records.
    ReadResult Start(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target,
                     std::size_t records, ReadSource source = ReadSource::RegularFile);
    // Reads up to `records` more. Once Done(), the result is complete (layout included).
    ReadResult Continue(DeviceList& target, std::size_t records);
    bool Done() const { return m_done; }

private:
    void ReadWholeStream(RecordStorage& storage, DeviceList& target);
    bool ChangedSinceStart() const;
    const ReadResult& Finish();

    std::unique_ptr<InputFile> m_file;
    std::filesystem::path m_path;
    std::unique_ptr<FileStamp> m_stamp;  // when read in parts: the file as Start found it
    std::size_t m_parts = 0;             // parts read so far
    std::byte* m_image = nullptr;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_want = 0;  // bytes the header declares, as far as the file has them
    std::uint64_t m_have = 0;  // bytes read so far
    std::size_t m_taken = 0;   // records appended so far
    bool m_done = true;
    ReadResult m_result;
};

struct WriteResult {
    bool ok = false;
    int sysErrno = 0;     // 0 when the failure is no system error (e.g. the target is a FIFO)
    std::string detail;   // which step failed, for logs and the command-line tool (English)
    bool targetExisted = false;
    bool targetDamaged = false;  // written in place, failed part-way, and the old content not put back
    // Where the old list is kept when targetDamaged; otherwise, when not empty, a backup of this
    // save that the file system would not let it remove.
    std::filesystem::path backupPath;
    std::vector<std::filesystem::path> earlierBackups;  // left by interrupted saves; kept, to be reported
};

// Size of the file image for `n` records: 8 + 36 n.
std::size_t ListImageSize(std::size_t n);

// The complete file image: version 1, count, then every record's 36 bytes as they stand
// (padding included). Lists longer than INT32_MAX cannot be represented and throw std::length_error.
std::vector<std::byte> BuildListImage(const DeviceList& list);

// Saves the image by SaveFileSafely (safesave.h): atomically where that is safe, in place where a
// replace would break links or ownership; only regular files; no temporary file left on failure.
WriteResult WriteListFile(const std::filesystem::path& path, const DeviceList& list);
