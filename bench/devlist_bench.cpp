// Ratios printed at the end are the figures to quote:
//   open   = ReadListFile + HasDuplicates (all distinct) / read into a buffer already faulted in
//   tidy   = SortByTidyKey / std::stable_sort of the same number of bare uint32 keys
//   dedupe = RemoveDuplicates (half duplicates) / that same bare sort
//   find   = one keystroke's search that matches nothing (every record looked at) / the open
//   undo   = undo of a tidy, and of a duplicate removal, in the list document / the open
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "listdocument.h"
#include "listfile.h"
#include "listfind.h"
#include "listops.h"

namespace {

constexpr std::size_t kRecords = 1'000'000;

// A list of kRecords records in random tidy order; with `halfDuplicates` the second half repeats
// keys of the first half (other fid, ROM and voltage), shuffled through the list.
std::vector<DeviceRecord> MakeRecords(bool halfDuplicates)
{
    std::mt19937 rng(2024);
    std::vector<DeviceRecord> recs(kRecords);
    const std::size_t distinct = halfDuplicates ? kRecords / 2 : kRecords;
    for (std::size_t i = 0; i < kRecords; ++i) {
        DeviceRecord& r = recs[i];
        std::memset(&r, 0, sizeof r);
        if (i < distinct) {
            char name[20];
            std::snprintf(name, sizeof name, "DEV%07zu", i);
            SetRecordName(r, name);
            r.signature[0] = static_cast<std::uint8_t>(rng());
            r.signature[1] = static_cast<std::uint8_t>(rng());
            r.signature[2] = static_cast<std::uint8_t>(rng());
        } else {
            r = recs[rng() % distinct];
        }
        r.fid = static_cast<std::uint8_t>(rng());
        r.romKb = static_cast<std::int32_t>(rng() % 4096);
        r.voltage = 5.0f;
    }
    if (halfDuplicates)
        std::shuffle(recs.begin(), recs.end(), rng);
    return recs;
}

struct Fixture {
    std::filesystem::path distinctFile;
    std::filesystem::path dupFile;
    RecordStorage storage;
    DeviceList distinct;   // read from distinctFile
    DeviceList withDups;   // read from dupFile
    std::vector<std::uint32_t> bareKeys;

    Fixture()
    {
        const auto dir = std::filesystem::temp_directory_path();
        distinctFile = dir / ("devlist_bench_" + std::to_string(::getpid()) + "_distinct.chip");
        dupFile = dir / ("devlist_bench_" + std::to_string(::getpid()) + "_dups.chip");
        Write(distinctFile, MakeRecords(false));
        Write(dupFile, MakeRecords(true));
        ReadListFile(distinctFile, storage, distinct);
        ReadListFile(dupFile, storage, withDups);
        for (const DeviceRecord* r : distinct)
            bareKeys.push_back(TidyKey(*r));
    }
    ~Fixture()
    {
        std::error_code ec;
        std::filesystem::remove(distinctFile, ec);
        std::filesystem::remove(dupFile, ec);
    }
    static void Write(const std::filesystem::path& path, std::vector<DeviceRecord> recs)
    {
        DeviceList list;
        for (auto& r : recs)
            list.Append(&r);
        const WriteResult w = WriteListFile(path, list);
        if (!w.ok) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), w.detail.c_str());
            std::exit(3);
        }
    }
};

Fixture& Data()
{
    static Fixture f;
    return f;
}

void BM_ReadIntoFaultedBuffer(benchmark::State& state)
{
    const auto& path = Data().distinctFile;
    const auto size = std::filesystem::file_size(path);
    std::vector<char> buf(size, 1);  // touched: no page faults left to take
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        ::close(fd);
        if (n != static_cast<ssize_t>(size))
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(buf.data());
    }
}

void BM_OpenAndCheck(benchmark::State& state)
{
    const auto& path = Data().distinctFile;
    for (auto _ : state) {
        auto storage = std::make_unique<RecordStorage>();
        auto list = std::make_unique<DeviceList>();
        const ReadResult r = ReadListFile(path, *storage, *list);
        const bool dups = HasDuplicates(*list);
        if (!r.Ok() || list->Count() != kRecords || dups)
            state.SkipWithError("unexpected open result");
        state.PauseTiming();  // releasing memory is not part of opening
        list.reset();
        storage.reset();
        state.ResumeTiming();
    }
}

void BM_StableSortBareKeys(benchmark::State& state)
{
    const auto& keys = Data().bareKeys;
    std::vector<std::uint32_t> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = keys;
        state.ResumeTiming();
        std::stable_sort(work.begin(), work.end());
        benchmark::DoNotOptimize(work.data());
    }
}

void BM_SortByTidyKey(benchmark::State& state)
{
    const DeviceList& original = Data().distinct;
    DeviceList work;
    for (auto _ : state) {
        state.PauseTiming();
        work = original;
        state.ResumeTiming();
        SortByTidyKey(work);
        benchmark::DoNotOptimize(work.RefArray().data());
    }
}

void BM_RemoveDuplicatesHalf(benchmark::State& state)
{
    const DeviceList& original = Data().withDups;
    DeviceList work;
    for (auto _ : state) {
        state.PauseTiming();
        work = original;
        state.ResumeTiming();
        const std::size_t left = RemoveDuplicates(work);
        benchmark::DoNotOptimize(left);
    }
}

void BM_DuplicateIndexRebuild(benchmark::State& state)
{
    const DeviceList& list = Data().distinct;
    for (auto _ : state) {
        DuplicateIndex index;
        index.Rebuild(list);
        benchmark::DoNotOptimize(index.HasDuplicates());
        state.PauseTiming();
        index.Clear();
        state.ResumeTiming();
    }
}

void BM_DuplicateIndexModify(benchmark::State& state)
{
    const DeviceList& list = Data().distinct;
    DuplicateIndex index;
    index.Rebuild(list);
    std::size_t i = 0;
    for (auto _ : state) {
        DeviceRecord* r = list[i];
        const DeviceRecord before = *r;
        index.Remove(before);
        index.Add(*r);
        benchmark::DoNotOptimize(index.HasDuplicates());
        i = (i + 7919) % list.Count();
    }
}

// A keystroke's search when nothing matches: the slowest one, every name is looked at.
void BM_FindNameNoMatch(benchmark::State& state)
{
    const DeviceList& list = Data().distinct;
    for (auto _ : state) {
        const RecordMatcher matcher(FindField::Name, "dev0x");
        if (FindRow(list, matcher, list.Count() / 2, FindDirection::Forward))
            state.SkipWithError("unexpected match");
    }
}

void BM_FindSignatureNoMatch(benchmark::State& state)
{
    // Random signatures may hold any bytes, so every record is tested and the matches counted:
    // the work of a search that finds nothing.
    const DeviceList& list = Data().distinct;
    for (auto _ : state) {
        const RecordMatcher matcher(FindField::Signature, "1e 93 0");
        std::size_t matches = 0;
        for (const DeviceRecord* rec : list) matches += matcher.Matches(*rec);
        benchmark::DoNotOptimize(matches);
    }
}

// The list document with every question answered as `answer`, no file chooser.
struct BenchDocument {
    struct Prompt : IPrompt {
        Answer answer = Answer::No;
        Answer Message(const std::string&, Buttons) override { return answer; }
    } prompt;
    struct NoChooser : IFileChooser {
        std::optional<std::filesystem::path> Choose() override { return std::nullopt; }
    } chooser;
    DeviceListDocument doc{prompt, chooser, chooser};
};

// One undo, timed; the redo that sets up the next undo is not.
void TimeUndo(benchmark::State& state, DeviceListDocument& doc)
{
    for (auto _ : state) {
        doc.Undo();
        state.PauseTiming();
        doc.Redo();
        state.ResumeTiming();
    }
}

void BM_UndoTidy(benchmark::State& state)
{
    BenchDocument b;
    b.doc.OpenFile(Data().distinctFile);
    b.doc.Tidy();
    if (!b.doc.CanUndo()) state.SkipWithError("the list was in order already: no step to undo");
    TimeUndo(state, b.doc);
}

void BM_UndoDuplicateRemoval(benchmark::State& state)
{
    BenchDocument b;
    b.doc.OpenFile(Data().dupFile);  // duplicates kept
    b.prompt.answer = IPrompt::Answer::Yes;
    b.doc.Refill();                  // now removed, as one step
    if (b.doc.List().Count() != kRecords / 2) state.SkipWithError("duplicates not removed");
    TimeUndo(state, b.doc);
}

BENCHMARK(BM_ReadIntoFaultedBuffer)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenAndCheck)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StableSortBareKeys)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SortByTidyKey)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RemoveDuplicatesHalf)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DuplicateIndexRebuild)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DuplicateIndexModify)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindNameNoMatch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FindSignatureNoMatch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_UndoTidy)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_UndoDuplicateRemoval)->Unit(benchmark::kMillisecond)->Iterations(50);

// Prints the ratios against their baselines after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        Ratio("open   (target <= 25)", "BM_OpenAndCheck", "BM_ReadIntoFaultedBuffer");
        Ratio("tidy   (target <= 1.5)", "BM_SortByTidyKey", "BM_StableSortBareKeys");
        Ratio("dedupe (target <= 2)", "BM_RemoveDuplicatesHalf", "BM_StableSortBareKeys");
        Ratio("find name / open", "BM_FindNameNoMatch", "BM_OpenAndCheck");
        Ratio("find signature / open", "BM_FindSignatureNoMatch", "BM_OpenAndCheck");
        Ratio("undo tidy / open", "BM_UndoTidy", "BM_OpenAndCheck");
        Ratio("undo dedupe / open", "BM_UndoDuplicateRemoval", "BM_OpenAndCheck");
    }

private:
    void Ratio(const char* label, const std::string& num, const std::string& den)
    {
        auto n = m_times.find(num), d = m_times.find(den);
        if (n == m_times.end() || d == m_times.end() || d->second <= 0)
            return;
        std::printf("ratio %s: %.2f\n", label, n->second / d->second);
    }
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Data();  // generate the files before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
