#include "inputfile.h"

#include "filecalls_windows.h"
#include "win32errno.h"

#include <algorithm>

InputFile::~InputFile()
{
    if (m_handle != nullptr) ::CloseHandle(m_handle);
}

// Windows has no FIFOs that a name could stand for, so there is no writer to wait for. Others may
// read, write or rename the file meanwhile, as on Linux.
int InputFile::Open(const std::filesystem::path& path, bool /*waitForWriter*/)
{
    // Backup semantics: a folder opens too, so that Inspect can say what it is.
    const HANDLE h = FileCalls().CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return LastErrno();
    m_handle = h;
    return 0;
}

int InputFile::OpenStandardInput()
{
    // The handle itself: the C library's text mode, which would turn "\r\n" into "\n" and stop at
    // a 0x1A byte, never comes in.
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return EBADF;
    HANDLE dup = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), in, ::GetCurrentProcess(), &dup, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return LastErrno();
    m_handle = dup;
    return 0;
}

int InputFile::Inspect(Kind& kind, std::uint64_t& size) const
{
    size = 0;
    if (::GetFileType(m_handle) != FILE_TYPE_DISK) {
        kind = Kind::Other;  // a device (NUL, CON, COM1) or a pipe
        return 0;
    }
    // The standard information answers for a standard input redirected from a file too, where
    // Wine's GetFileInformationByHandle does not.
    FILE_STANDARD_INFO info{};
    if (!FileCalls().GetFileInformationByHandleEx(m_handle, FileStandardInfo, &info, sizeof info)) return LastErrno();
    kind = info.Directory ? Kind::Directory : Kind::Regular;
    size = static_cast<std::uint64_t>(info.EndOfFile.QuadPart);
    return 0;
}

namespace {
int StampOfHandle(HANDLE h, FileStamp& stamp)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!FileCalls().GetFileInformationByHandle(h, &info)) return LastErrno();
    stamp.size = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    stamp.modified = static_cast<std::int64_t>(std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 |
                                               info.ftLastWriteTime.dwLowDateTime);
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.file = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    return 0;
}
}  // namespace

int InputFile::Stamp(FileStamp& stamp) const { return StampOfHandle(m_handle, stamp); }

int InputFile::StampOf(const std::filesystem::path& path, FileStamp& stamp)
{
    // No access asked for: only the attributes are read, and nobody else's use is in the way.
    const HANDLE h = FileCalls().CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return LastErrno();
    const int err = StampOfHandle(h, stamp);
    ::CloseHandle(h);
    return err;
}

long long InputFile::ReadFully(std::byte* buf, std::size_t size, int& error)
{
    std::size_t done = 0;
    while (done < size) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, kIoChunk));
        DWORD got = 0;
        if (!FileCalls().ReadFile(m_handle, buf + done, want, &got)) {
            if (::GetLastError() == ERROR_BROKEN_PIPE) break;  // a pipe's writer has finished
            error = LastErrno();
            return -1;
        }
        if (got == 0) break;  // the file shrank since it was measured
        done += got;
    }
    return static_cast<long long>(done);
}
