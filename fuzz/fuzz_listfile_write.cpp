// Write then read: any records saved come back byte for byte, under the list's own header.
#include "listfile.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // In memory where there is a tmpfs: each save flushes to disk.
    static const std::filesystem::path target = [] {
        const std::filesystem::path dir =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        return dir / ("fuzz-write-" + std::to_string(::getpid()) + ".chip");
    }();

    std::vector<DeviceRecord> recs(size / kRecordSize);
    if (!recs.empty())
        std::memcpy(recs.data(), data, recs.size() * kRecordSize);
    DeviceList list;
    for (DeviceRecord& r : recs)
        list.Append(&r);
    const WriteResult w = WriteListFile(target, list);
    if (!w.ok)
        std::abort();

    RecordStorage storage;
    DeviceList back;
    const ReadResult r = ReadListFile(target, storage, back);
    if (!r.Ok() || r.IsShort() || r.layout.version != 1 || r.layout.trailingBytes != 0 || back.Count() != recs.size())
        std::abort();
    for (std::size_t i = 0; i < recs.size(); ++i)
        if (std::memcmp(back[i], &recs[i], kRecordSize) != 0)
            std::abort();
    return 0;
}
