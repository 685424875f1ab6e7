#include "listfile.h"

#include "inputfile.h"
#include "largealloc.h"
#include "safesave.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>

namespace {

std::uint32_t LoadU32(const std::byte* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void StoreU32(std::byte* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

// For pipes and devices, whose size is not known in advance and which may never end: the header
// first, then as many bytes as it declares, the buffer growing only as data actually arrives.
bool ReadStream(InputFile& file, std::vector<std::byte>& out, int& error)
{
    auto readUpTo = [&](std::size_t total) {
        constexpr std::size_t kChunk = 1 << 16;
        while (out.size() < total) {
            const std::size_t had = out.size();
            out.resize(had + std::min(kChunk, total - had));
            const long long got = file.ReadFully(out.data() + had, out.size() - had, error);
            if (got < 0)
                return false;
            out.resize(had + static_cast<std::size_t>(got));
            if (out.size() < had + std::min(kChunk, total - had))
                break;  // end of the stream
        }
        return true;
    };
    if (!readUpTo(kListHeaderSize))
        return false;
    const ListFileLayout header = InspectListImage(out);
    if (!header.headerComplete || header.count <= 0)
        return true;
    return readUpTo(ListImageSize(static_cast<std::size_t>(header.count)));
}

void AppendRecords(std::byte* image, const ListFileLayout& layout, DeviceList& target)
{
    target.Reserve(target.Count() + layout.recordsPresent);
    std::byte* rec = image + kListHeaderSize;
    for (std::size_t i = 0; i < layout.recordsPresent; ++i, rec += kRecordSize)
        target.Append(reinterpret_cast<DeviceRecord*>(rec));
}

void FillListImage(const DeviceList& list, std::byte* out)
{
    StoreU32(out, 1);
    StoreU32(out + 4, static_cast<std::uint32_t>(list.Count()));
    std::byte* dst = out + kListHeaderSize;
    for (const DeviceRecord* rec : list) {
        std::memcpy(dst, rec, kRecordSize);
        dst += kRecordSize;
    }
}

void CheckWritableCount(std::size_t n)
{
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("a list file holds at most 2147483647 records");
}

// Uninitialised bytes: the image is filled completely, so zeroing it first would only add work.
class LargeBlock {
public:
    LargeBlock() = default;
    ~LargeBlock() { LargeFree(m_ptr, m_size); }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;
    void Allocate(std::size_t size)
    {
        m_ptr = static_cast<std::byte*>(LargeAlloc(size));
        m_size = size;
    }
    std::byte* data() const { return m_ptr; }

private:
    std::byte* m_ptr = nullptr;
    std::size_t m_size = 0;
};

WriteResult Failure(const char* step, int err)
{
    WriteResult r;
    r.ok = false;
    r.sysErrno = err;
    r.detail = step;
    return r;
}

}  // namespace

ListFileLayout InspectListImage(std::span<const std::byte> image)
{
    ListFileLayout layout;
    layout.fileSize = image.size();
    if (image.size() < kListHeaderSize)
        return layout;
    layout.headerComplete = true;
    layout.version = LoadU32(image.data());
    layout.count = static_cast<std::int32_t>(LoadU32(image.data() + 4));

    // Compared in whole records, so no product of the count is ever formed.
    const std::size_t dataBytes = image.size() - kListHeaderSize;
    const std::size_t complete = dataBytes / kRecordSize;
    if (layout.count <= 0) {
        layout.trailingBytes = dataBytes;
        return layout;
    }
    const auto wanted = static_cast<std::size_t>(layout.count);
    if (wanted > complete) {
        layout.recordsPresent = complete;
        layout.countExceedsData = true;
    } else {
        layout.recordsPresent = wanted;
        layout.trailingBytes = dataBytes - wanted * kRecordSize;
    }
    return layout;
}

ReadResult ReadListFile(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target,
                        ReadSource source)
{
    ReadResult result;
    // Opening a FIFO waits for a writer; only where streams are wanted may it.
    InputFile file;
    const int openError = source == ReadSource::StandardInput ? file.OpenStandardInput()
                                                               : file.Open(path, source == ReadSource::AnyFile);
    if (const int err = openError) {
        result.error = ReadError::Open;
        result.sysErrno = err;
        return result;
    }
    InputFile::Kind kind{};
    std::uint64_t fileSize = 0;
    if (const int err = file.Inspect(kind, fileSize)) {
        result.error = ReadError::Read;
        result.sysErrno = err;
        return result;
    }

    // A directory is left to fail as an unreadable file.
    if (source == ReadSource::RegularFile && kind == InputFile::Kind::Other) {
        result.error = ReadError::NotRegular;
        return result;
    }

    std::byte* image = nullptr;
    std::size_t imageSize = 0;
    int readError = 0;
    if (kind == InputFile::Kind::Regular) {
        // Only as far as the header declares: whatever follows the counted records is never
        // taken, and its size is known from the file system without reading it.
        std::byte header[kListHeaderSize];
        const long long gotHeader =
            file.ReadFully(header, static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kListHeaderSize)), readError);
        if (gotHeader < 0) {
            result.error = ReadError::Read;
            result.sysErrno = readError;
            return result;
        }
        std::uint64_t want = static_cast<std::uint64_t>(gotHeader);
        if (want == kListHeaderSize) {
            const ListFileLayout declared = InspectListImage({header, kListHeaderSize});
            want = declared.count <= 0
                       ? kListHeaderSize
                       : std::min<std::uint64_t>(fileSize, kListHeaderSize + std::uint64_t{kRecordSize} *
                                                                                 static_cast<std::uint64_t>(declared.count));
        }
        try {
            image = storage.NewBuffer(static_cast<std::size_t>(want));
        } catch (const std::bad_alloc&) {
            result.error = ReadError::Read;
            result.sysErrno = ENOMEM;
            return result;
        }
        if (gotHeader > 0)
            std::memcpy(image, header, static_cast<std::size_t>(gotHeader));
        const auto rest = static_cast<std::size_t>(want - static_cast<std::uint64_t>(gotHeader));
        const long long got = rest == 0 ? 0 : file.ReadFully(image + gotHeader, rest, readError);
        if (got < 0) {
            result.error = ReadError::Read;
            result.sysErrno = readError;
            return result;
        }
        imageSize = static_cast<std::size_t>(gotHeader + got);
        result.layout = InspectListImage({image, imageSize});
        if (imageSize == want && fileSize > want && result.layout.headerComplete) {
            result.layout.fileSize = static_cast<std::size_t>(fileSize);
            result.layout.trailingBytes += static_cast<std::size_t>(fileSize - want);
        }
        AppendRecords(image, result.layout, target);
        result.appended = result.layout.recordsPresent;
        return result;
    } else {
        try {
            std::vector<std::byte> bytes;
            if (!ReadStream(file, bytes, readError)) {
                result.error = ReadError::Read;
                result.sysErrno = readError;
                return result;
            }
            imageSize = bytes.size();
            image = storage.NewBuffer(imageSize);
            if (imageSize != 0)
                std::memcpy(image, bytes.data(), imageSize);
        } catch (const std::bad_alloc&) {
            result.error = ReadError::Read;
            result.sysErrno = ENOMEM;
            return result;
        }
    }

    result.layout = InspectListImage({image, imageSize});
    if (!ListCanTake(target.Count(), result.layout.recordsPresent)) {
        result.error = ReadError::Read;
        result.sysErrno = EOVERFLOW;
        return result;
    }
    AppendRecords(image, result.layout, target);
    result.appended = result.layout.recordsPresent;
    return result;
}

std::size_t ListImageSize(std::size_t n) { return kListHeaderSize + n * kRecordSize; }

std::vector<std::byte> BuildListImage(const DeviceList& list)
{
    CheckWritableCount(list.Count());
    std::vector<std::byte> image(ListImageSize(list.Count()));
    FillListImage(list, image.data());
    return image;
}

WriteResult WriteListFile(const std::filesystem::path& path, const DeviceList& list)
{
    if (list.Count() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Failure("too many records", EOVERFLOW);

    // Build the whole image before touching the disk.
    const std::size_t size = ListImageSize(list.Count());
    LargeBlock image;
    try {
        image.Allocate(size);
    } catch (const std::bad_alloc&) {
        return Failure("allocate file image", ENOMEM);
    }
    FillListImage(list, image.data());

    const SaveResult saved = SaveFileSafely(path, image.data(), size);
    WriteResult r;
    r.ok = saved.ok;
    r.targetExisted = saved.targetExisted;
    r.targetDamaged = saved.targetDamaged;
    r.backupPath = saved.backupPath;
    if (!saved.ok) {
        r.sysErrno = saved.sysErrno;
        r.detail = saved.step;
    }
    return r;
}
