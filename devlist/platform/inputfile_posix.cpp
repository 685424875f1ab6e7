#include "inputfile.h"

#include "unixfd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

InputFile::~InputFile()
{
    if (m_fd >= 0) ::close(m_fd);
}

int InputFile::Open(const std::filesystem::path& path, bool waitForWriter)
{
    const int nonBlocking = waitForWriter ? 0 : O_NONBLOCK;
    m_fd = OpenRetry(path.c_str(), O_RDONLY | O_CLOEXEC | nonBlocking);
    return m_fd < 0 ? errno : 0;
}

int InputFile::OpenStandardInput()
{
    m_fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    return m_fd < 0 ? errno : 0;
}

int InputFile::Inspect(Kind& kind, std::uint64_t& size) const
{
    struct stat st {};
    if (FileCalls().FStat(m_fd, &st) != 0) return errno;
    kind = S_ISREG(st.st_mode) ? Kind::Regular : S_ISDIR(st.st_mode) ? Kind::Directory : Kind::Other;
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

namespace {
FileStamp StampFrom(const struct stat& st)
{
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.volume = static_cast<std::uint64_t>(st.st_dev);
    stamp.file = static_cast<std::uint64_t>(st.st_ino);
    return stamp;
}
}  // namespace

int InputFile::Stamp(FileStamp& stamp) const
{
    struct stat st {};
    if (FileCalls().FStat(m_fd, &st) != 0) return errno;
    stamp = StampFrom(st);
    return 0;
}

int InputFile::StampOf(const std::filesystem::path& path, FileStamp& stamp)
{
    struct stat st {};
    if (FileCalls().Stat(path.c_str(), &st) != 0) return errno;
    stamp = StampFrom(st);
    return 0;
}

// One read() for any ordinary file, more only when the kernel hands out less (files over 2 GiB,
// signals).
long long InputFile::ReadFully(std::byte* buf, std::size_t size, int& error)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = FileCalls().Read(m_fd, buf + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return -1;
        }
        if (n == 0) break;  // the file shrank since it was measured
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}
