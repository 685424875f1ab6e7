#include "listfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <random>
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

// Closes on every path; EINTR on close is not retried (Linux has already released the fd).
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes and reports the result, which matters for writes on some file systems.
    int Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int m_fd;
};

int OpenRetry(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads up to `size` bytes; one read() for any ordinary file, more only when the kernel hands out
// less (files over 2 GiB, signals). Returns the number read, or -1 with errno set.
long long ReadFully(int fd, std::byte* buf, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buf + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;  // the file shrank since it was measured
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

// For pipes and devices, whose size is not known in advance.
bool ReadStream(int fd, std::vector<std::byte>& out)
{
    std::byte chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.insert(out.end(), chunk, chunk + n);
    }
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
    r.detail = std::string(step) + ": " + std::strerror(err);
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

ReadResult ReadListFile(const std::filesystem::path& path, RecordStorage& storage, DeviceList& target)
{
    ReadResult result;
    Fd fd(OpenRetry(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        result.error = ReadError::Open;
        result.sysErrno = errno;
        return result;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        result.error = ReadError::Read;
        result.sysErrno = errno;
        return result;
    }

    std::byte* image = nullptr;
    std::size_t imageSize = 0;
    if (S_ISREG(st.st_mode)) {
        const auto size = static_cast<std::size_t>(st.st_size);
        try {
            image = storage.NewBuffer(size);
        } catch (const std::bad_alloc&) {
            result.error = ReadError::Read;
            result.sysErrno = ENOMEM;
            return result;
        }
        const long long got = ReadFully(fd.Get(), image, size);
        if (got < 0) {
            result.error = ReadError::Read;
            result.sysErrno = errno;
            return result;
        }
        imageSize = static_cast<std::size_t>(got);
    } else {
        try {
            std::vector<std::byte> bytes;
            if (!ReadStream(fd.Get(), bytes)) {
                result.error = ReadError::Read;
                result.sysErrno = errno;
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

WriteResult WriteListFile(const std::filesystem::path& requested, const DeviceList& list)
{
    if (list.Count() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Failure("too many records", EOVERFLOW);

    // Replace the file a link names, not the link.
    std::filesystem::path path = requested;
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
        const auto resolved = std::filesystem::canonical(path, ec);
        if (!ec)
            path = resolved;
    }

    std::filesystem::path dir = path.parent_path();
    if (dir.empty())
        dir = ".";
    const std::string base = path.filename().string();
    if (base.empty() || base == "." || base == "..")
        return Failure("target is not a file name", EISDIR);

    mode_t mode = 0666;  // a new file gets what the umask leaves, as with any created file
    bool keepMode = false;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return Failure("target is a directory", EISDIR);
        mode = old.st_mode & 07777;
        keepMode = true;
    } else if (errno != ENOENT) {
        return Failure("stat target", errno);
    }

    // Build the whole image before touching the disk.
    const std::size_t size = ListImageSize(list.Count());
    LargeBlock image;
    try {
        image.Allocate(size);
    } catch (const std::bad_alloc&) {
        return Failure("allocate file image", ENOMEM);
    }
    FillListImage(list, image.data());

    std::random_device rd;
    std::filesystem::path tmp;
    Fd fd;
    for (int attempt = 0; attempt < 100 && fd.Get() < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(rd()));
        tmp = dir / ("." + base + suffix + ".tmp");
        const int f = OpenRetry(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (f >= 0) {
            fd.Reset(f);
        } else if (errno != EEXIST) {
            return Failure("create temporary file", errno);
        }
    }
    if (fd.Get() < 0)
        return Failure("create temporary file", EEXIST);

    auto fail = [&](const char* step, int err) {
        fd.Reset();
        ::unlink(tmp.c_str());
        return Failure(step, err);
    };

    // The umask applied at creation; an existing file's bits are restored exactly.
    if (keepMode && ::fchmod(fd.Get(), mode) != 0)
        return fail("set permissions", errno);

    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd.Get(), image.data() + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write", errno);
        }
        if (n == 0)
            return fail("write", EIO);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.Get()) != 0)
        return fail("flush to disk", errno);
    if (fd.Close() != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failure("close", err);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Failure("replace target", err);
    }
    // Make the rename itself durable. The new file is already in place, so a file system that
    // cannot sync directories does not make the save a failure.
    Fd dirFd(OpenRetry(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0)
        ::fsync(dirFd.Get());

    WriteResult ok;
    ok.ok = true;
    return ok;
}
