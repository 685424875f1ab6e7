// Whole-process cost of `chiptool dedupe FILE -o OUT` on a 1,000,000-record list against
// `dd if=FILE of=COPY bs=64M conv=fsync`, the floor for any tool that reads a file into its own
// memory, writes it and flushes it. Both run in every iteration, alternately, so that drift on a
// shared machine hits both alike; the counters give each one's mean and their ratio.
#include <benchmark/benchmark.h>

#include "time_process.h"
#include "work_dir.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecords = 1'000'000;

fs::path WorkDir() { return BenchWorkDir("chiptool_bench"); }

// A list of `kRecords` records; `duplicateShare` of them repeat the name and signature of an
// earlier record (and differ in fid), the rest are distinct.
fs::path MakeList(double duplicateShare)
{
    const fs::path path = WorkDir() / ("list_" + std::to_string(static_cast<int>(duplicateShare * 100)) + ".chip");
    if (fs::exists(path)) return path;
    std::vector<unsigned char> image(8 + 36 * kRecords, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(0, 1);
    put32(4, static_cast<std::uint32_t>(kRecords));
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> coin(0, 1);
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < kRecords; ++i) {
        unsigned char* rec = &image[8 + 36 * i];
        std::size_t id = distinct;
        if (distinct > 0 && coin(rng) < duplicateShare)
            id = static_cast<std::size_t>(rng() % distinct);
        else
            ++distinct;
        std::snprintf(reinterpret_cast<char*>(rec), 20, "AT%07zuC%u", id, static_cast<unsigned>(id % 97));
        rec[20] = static_cast<unsigned char>(rng());
        put32(8 + 36 * i + 24, static_cast<std::uint32_t>(4 << (id % 6)));
        const float volts = 5.0f;
        std::uint32_t vbits;
        std::memcpy(&vbits, &volts, 4);
        put32(8 + 36 * i + 28, vbits);
        rec[32] = 0x1e;
        rec[33] = static_cast<unsigned char>(id >> 8);
        rec[34] = static_cast<unsigned char>(id);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
    return path;
}


void BM_DedupeVsDd(benchmark::State& state)
{
    const fs::path in = MakeList(static_cast<double>(state.range(0)) / 100.0);
    const std::string copy = (WorkDir() / "dd_copy.chip").string();
    const std::string out = (WorkDir() / "deduped.chip").string();
    // One unmeasured round of each, so that the input is in the page cache for both.
    TimeProcess({"dd", "if=" + in.string(), "of=" + copy, "bs=64M", "conv=fsync", "status=none"});
    TimeProcess({CHIPTOOL_PATH, "dedupe", in.string(), "-o", out});
    double ddTotal = 0, toolTotal = 0;
    for (auto _ : state) {
        fs::remove(copy);
        fs::remove(out);
        const double dd = TimeProcess({"dd", "if=" + in.string(), "of=" + copy, "bs=64M", "conv=fsync", "status=none"});
        const double tool = TimeProcess({CHIPTOOL_PATH, "dedupe", in.string(), "-o", out});
        ddTotal += dd;
        toolTotal += tool;
        state.SetIterationTime(tool);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["dd_ms"] = ddTotal / n * 1e3;
    state.counters["chiptool_ms"] = toolTotal / n * 1e3;
    state.counters["ratio"] = toolTotal / ddTotal;
}
// Argument: share of duplicates in percent (0: all distinct, 50: half of the records repeat).
BENCHMARK(BM_DedupeVsDd)->Arg(0)->Arg(50)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksInWorkDir(argc, argv, WorkDir()); }
