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

ListFileLoader::ListFileLoader() = default;
ListFileLoader::~ListFileLoader() = default;

ReadResult ListFileLoader::Start(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target,
                                 std::size_t records, ReadSource source)
{
    m_done = true;
    m_image = nullptr;
    m_have = m_want = m_fileSize = 0;
    m_taken = 0;
    m_parts = 0;
    m_stamp.reset();
    m_path = path;
    m_result = ReadResult{};
    ReadResult& result = m_result;
    // Opening a FIFO waits for a writer; only where streams are wanted may it.
    m_file = std::make_unique<InputFile>();
    InputFile& file = *m_file;
    const int openError = source == ReadSource::StandardInput ? file.OpenStandardInput()
                                                               : file.Open(path, source == ReadSource::AnyFile);
    if (const int err = openError) {
        result.error = ReadError::Open;
        result.sysErrno = err;
        return Finish();
    }
    InputFile::Kind kind{};
    if (const int err = file.Inspect(kind, m_fileSize)) {
        result.error = ReadError::Read;
        result.sysErrno = err;
        return Finish();
    }

    // A directory is left to fail as an unreadable file.
    if (source == ReadSource::RegularFile && kind == InputFile::Kind::Other) {
        result.error = ReadError::NotRegular;
        return Finish();
    }
    if (kind != InputFile::Kind::Regular) {
        ReadWholeStream(storage, target);
        return Finish();
    }

    // Only as far as the header declares: whatever follows the counted records is never
    // taken, and its size is known from the file system without reading it.
    std::byte header[kListHeaderSize];
    int readError = 0;
    const long long gotHeader =
        file.ReadFully(header, static_cast<std::size_t>(std::min<std::uint64_t>(m_fileSize, kListHeaderSize)), readError);
    if (gotHeader < 0) {
        result.error = ReadError::Read;
        result.sysErrno = readError;
        return Finish();
    }
    m_want = static_cast<std::uint64_t>(gotHeader);
    if (m_want == kListHeaderSize) {
        const ListFileLayout declared = InspectListImage({header, kListHeaderSize});
        m_want = declared.count <= 0
                     ? kListHeaderSize
                     : std::min<std::uint64_t>(m_fileSize, kListHeaderSize + std::uint64_t{kRecordSize} *
                                                                                 static_cast<std::uint64_t>(declared.count));
    }
    // The buffer for the whole file at once: memory not yet written costs nothing, and the
    // records never move once their references are handed out.
    try {
        m_image = storage.NewBuffer(static_cast<std::size_t>(m_want));
    } catch (const std::bad_alloc&) {
        result.error = ReadError::Read;
        result.sysErrno = ENOMEM;
        return Finish();
    }
    if (gotHeader > 0)
        std::memcpy(m_image, header, static_cast<std::size_t>(gotHeader));
    m_have = static_cast<std::uint64_t>(gotHeader);
    m_done = false;
    if (m_want >= kListHeaderSize)
        target.Reserve(target.Count() + static_cast<std::size_t>((m_want - kListHeaderSize) / kRecordSize));
    // Read in parts, the file may change between them: what it is now is what each later part is
    // held against.
    if (records < (m_want - m_have) / kRecordSize) {
        m_stamp = std::make_unique<FileStamp>();
        if (const int err = file.Stamp(*m_stamp)) {
            result.error = ReadError::Read;
            result.sysErrno = err;
            return Finish();
        }
    }
    return Continue(target, records);
}

ReadResult ListFileLoader::Continue(DeviceList& target, std::size_t records)
{
    if (m_done)
        return m_result;
    // Whole records only, so that every part ends where a record does.
    records = std::max<std::size_t>(records, 1);
    const std::uint64_t left = (m_want - m_have) / kRecordSize;
    const std::uint64_t upTo = records >= left ? m_want : m_have + std::uint64_t{kRecordSize} * records;
    bool ended = false;
    if (upTo > m_have) {
        int readError = 0;
        const auto asked = static_cast<std::size_t>(upTo - m_have);
        const long long got = m_file->ReadFully(m_image + m_have, asked, readError);
        if (got < 0) {
            m_result.error = ReadError::Read;
            m_result.sysErrno = readError;
            return Finish();
        }
        m_have += static_cast<std::uint64_t>(got);
        ended = static_cast<std::size_t>(got) < asked;  // the file is shorter now than it was
    }
    if (m_parts++ > 0 && ChangedSinceStart()) {
        m_result.error = ReadError::Changed;
        return Finish();
    }
    const std::size_t complete =
        m_have < kListHeaderSize ? 0 : static_cast<std::size_t>((m_have - kListHeaderSize) / kRecordSize);
    std::byte* rec = m_image + kListHeaderSize + m_taken * kRecordSize;
    for (; m_taken < complete; ++m_taken, rec += kRecordSize)
        target.Append(reinterpret_cast<DeviceRecord*>(rec));
    m_result.appended = m_taken;
    if (m_have < m_want && !ended)
        return m_result;

    m_result.layout = InspectListImage({m_image, static_cast<std::size_t>(m_have)});
    if (m_have == m_want && m_fileSize > m_want && m_result.layout.headerComplete) {
        m_result.layout.fileSize = static_cast<std::size_t>(m_fileSize);
        m_result.layout.trailingBytes += static_cast<std::size_t>(m_fileSize - m_want);
    }
    return Finish();
}

bool ListFileLoader::ChangedSinceStart() const
{
    if (!m_stamp) return false;
    FileStamp open, named;
    return m_file->Stamp(open) != 0 || open != *m_stamp || InputFile::StampOf(m_path, named) != 0 || named != *m_stamp;
}

// For pipes and devices, whose size is not known in advance and which may never end.
void ListFileLoader::ReadWholeStream(RecordStorage& storage, DeviceList& target)
{
    ReadResult& result = m_result;
    std::byte* image = nullptr;
    std::size_t imageSize = 0;
    try {
        std::vector<std::byte> bytes;
        int readError = 0;
        if (!ReadStream(*m_file, bytes, readError)) {
            result.error = ReadError::Read;
            result.sysErrno = readError;
            return;
        }
        imageSize = bytes.size();
        image = storage.NewBuffer(imageSize);
        if (imageSize != 0)
            std::memcpy(image, bytes.data(), imageSize);
    } catch (const std::bad_alloc&) {
        result.error = ReadError::Read;
        result.sysErrno = ENOMEM;
        return;
    }

    result.layout = InspectListImage({image, imageSize});
    if (!ListCanTake(target.Count(), result.layout.recordsPresent)) {
        result.error = ReadError::Read;
        result.sysErrno = EOVERFLOW;
        return;
    }
    AppendRecords(image, result.layout, target);
    result.appended = result.layout.recordsPresent;
}

const ReadResult& ListFileLoader::Finish()
{
    m_done = true;
    m_file.reset();
    return m_result;
}

ReadResult ReadListFile(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target,
                        ReadSource source)
{
    ListFileLoader loader;
    return loader.Start(path, storage, target, std::numeric_limits<std::size_t>::max(), source);
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
    r.earlierBackups = saved.earlierBackups;
    if (!saved.ok) {
        r.sysErrno = saved.sysErrno;
        r.detail = saved.step;
    }
    return r;
}
