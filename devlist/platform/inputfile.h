#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>

// What tells one state of a file from another: its size, its last modification and which file
// it is (device and inode; volume and file index on Windows).
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileStamp&) const = default;
};

// A file opened for reading, closed when the object goes. The list-file reader works through
// this alone, so that it holds no system call of its own.
class InputFile {
public:
    enum class Kind { Regular, Directory, Other };

    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // 0, or the system error. Without `waitForWriter` a FIFO opens at once instead of waiting
    // for a writer.
    int Open(const std::filesystem::path& path, bool waitForWriter);
    // The standard input, read as bytes (no text-mode translation on any system) from where it
    // stands; closing this object leaves the standard input open. 0, or the system error.
    int OpenStandardInput();
    // 0, or the system error.
    int Inspect(Kind& kind, std::uint64_t& size) const;
    // The open file's stamp, and that of the file `path` names now (which may be another one
    // since). 0, or the system error.
    int Stamp(FileStamp& stamp) const;
    static int StampOf(const std::filesystem::path& path, FileStamp& stamp);
    // Reads up to `size` bytes; fewer only at the end of the file. The number read, or -1 with
    // the system error in `error`.
    long long ReadFully(std::byte* buf, std::size_t size, int& error);

private:
#ifdef _WIN32
    void* m_handle = nullptr;  // a HANDLE
#else
    int m_fd = -1;
#endif
};
