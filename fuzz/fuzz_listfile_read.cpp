// The list-file reader on any bytes, as a regular file (whole and in parts) and as a stream.
#include "listfile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int memFd = ::memfd_create("list", 0);
    if (::ftruncate(memFd, 0) != 0 || ::pwrite(memFd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(memFd);

    RecordStorage storage;
    DeviceList list;
    const ReadResult r = ReadListFile(path, storage, list);
    if (!r.Ok() || list.Count() != r.appended)
        std::abort();
    const ListFileLayout& l = r.layout;
    // Every record taken is a whole record of the file, and the layout accounts for every byte.
    const std::size_t partial = l.countExceedsData ? (size - kListHeaderSize) % kRecordSize : 0;
    if (l.headerComplete && kListHeaderSize + l.recordsPresent * kRecordSize + l.trailingBytes + partial != size)
        std::abort();
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (std::memcmp(list[i], data + kListHeaderSize + i * kRecordSize, kRecordSize) != 0)
            std::abort();

    // In parts (of 1 to 8 records, from the last byte) the same records and the same layout.
    {
        const std::size_t part = size == 0 ? 1 : 1 + data[size - 1] % 8;
        ListFileLoader loader;
        DeviceList parts;
        ReadResult p = loader.Start(path, storage, parts, part);
        while (!loader.Done()) p = loader.Continue(parts, part);
        if (!p.Ok() || p.appended != r.appended || parts.Count() != list.Count() ||
            p.layout.recordsPresent != l.recordsPresent || p.layout.trailingBytes != l.trailingBytes ||
            p.layout.countExceedsData != l.countExceedsData || p.layout.fileSize != l.fileSize)
            std::abort();
        for (std::size_t i = 0; i < list.Count(); ++i)
            if (std::memcmp(list[i], parts[i], kRecordSize) != 0)
                std::abort();
    }

    // As a stream the same records come, however much follows them.
    int pipeFds[2];
    if (size > 60000 || ::pipe(pipeFds) != 0)
        return 0;
    if (::write(pipeFds[1], data, size) != static_cast<ssize_t>(size))
        std::abort();
    ::close(pipeFds[1]);
    DeviceList streamed;
    const ReadResult s = ReadListFile("/proc/self/fd/" + std::to_string(pipeFds[0]), storage, streamed, ReadSource::AnyFile);
    ::close(pipeFds[0]);
    if (!s.Ok() || streamed.Count() != list.Count())
        std::abort();
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (std::memcmp(list[i], streamed[i], kRecordSize) != 0)
            std::abort();
    return 0;
}
