// Every file call of the list reader failed in turn, whole and in parts: the read fails, with the
// injected error (an open error only for the open itself) or, when the file could not be looked at
// again between parts, as a file that changed; only whole parts before the failure were appended.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "listfile.h"
#include "testutil.h"

#ifdef _WIN32
#include "faultyfiles_windows.h"
#include "win32errno.h"
constexpr DWORD kFailed = ERROR_GEN_FAILURE;
constexpr FaultyFileCalls::Call kOpen = FaultyFileCalls::Call::CreateFile;
int AsErrno(DWORD e) { return ErrnoFromWin32(e); }
#else
#include "faultyfiles_posix.h"
constexpr int kFailed = EIO;
constexpr FaultyFileCalls::Call kOpen = FaultyFileCalls::Call::Open;
int AsErrno(int e) { return e; }
#endif

namespace {

struct Outcome {
    ReadResult result;
    std::size_t appendedBeforeFailure = 0;  // records in the list when the read failed
    std::vector<FaultyFileCalls::Call> calls;
};

// Reads `path` into a list holding one record already, `part` records at a time.
Outcome Read(const std::filesystem::path& path, std::size_t part, const FaultyFileCalls::Fault& fault)
{
    FaultyFileCalls calls;
    calls.fault = fault;
    FaultScope scope(calls);
    RecordStorage storage;
    std::vector<DeviceRecord> first = {MakeRecord("FIRST", 1, 1, 1, 1)};
    DeviceList list = ListOf(first);
    ListFileLoader loader;
    Outcome out;
    out.result = loader.Start(path, storage, list, part);
    while (!loader.Done()) out.result = loader.Continue(list, part);
    out.appendedBeforeFailure = list.Count() - 1;
    out.calls = calls.calls;
    return out;
}

}  // namespace

TEST(ListReadFaults, EveryCallOfTheReaderFailedInTurn)
{
    TempDir dir;
    std::vector<DeviceRecord> recs;
    for (int i = 0; i < 300; ++i) recs.push_back(MakeRecord("R" + std::to_string(i), 1, 2, 3, static_cast<std::uint8_t>(i)));
    const std::filesystem::path file = dir / "list.chip";
    WriteAll(file, BuildListImage(ListOf(recs)));

    std::size_t rows = 0;
    for (const std::size_t part : {std::numeric_limits<std::size_t>::max(), std::size_t{100}}) {
        const Outcome clean = Read(file, part, {});
        ASSERT_TRUE(clean.result.Ok());
        ASSERT_EQ(clean.result.appended, 300u);
        for (std::size_t n = 1; n <= clean.calls.size(); ++n, ++rows) {
            const Outcome o = Read(file, part, {n, kFailed, FaultyFileCalls::Then::GoOn, {}});
            const auto call = clean.calls[n - 1];
            const std::string where = "parts of " + std::to_string(part) + ": " + FaultyFileCalls::Name(call) +
                                      " (call " + std::to_string(n) + ") fails";
            ASSERT_FALSE(o.result.Ok()) << where << ": taken as a whole list of " << o.result.appended;
            // A file that cannot be looked at again between parts cannot be known to be the same.
            if (o.result.error == ReadError::Changed) continue;
            EXPECT_EQ(o.result.sysErrno, AsErrno(kFailed)) << where;
            EXPECT_EQ(o.result.error, call == kOpen ? ReadError::Open : ReadError::Read) << where;
            // Only whole parts before the failure are in the list, for the caller to drop.
            EXPECT_EQ(o.appendedBeforeFailure % (part == 100 ? 100 : 300), 0u) << where;
        }
    }
    std::cout << rows << " rows\n";
}
