// Duplicate rules on a list made so that every key shares one value of the unkeyed hash the
// rules once trusted (bench/crafted_list.py), against an ordinary list of the same size and
// kind: `chiptool check`, `dedupe` and `merge` as whole processes, and Tessaro's open (read, the
// duplicate check, the duplicate index). Both lists run in every iteration, alternately, so that
// drift on a shared machine hits both alike; the counters give each one's mean and their ratio.
// CHIPTOOL in the environment names another chiptool to measure.
#include <benchmark/benchmark.h>

#include "time_process.h"
#include "work_dir.h"

#include "listdocument.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecords = 300'000;

fs::path WorkDir() { return BenchWorkDir("crafted_bench"); }


fs::path MakeList(bool crafted)
{
    const fs::path path = WorkDir() / (crafted ? "crafted.chip" : "ordinary.chip");
    if (!fs::exists(path)) {
        std::vector<std::string> argv = {"python3", CRAFTED_LIST_SCRIPT};
        if (!crafted) argv.push_back("--ordinary");
        argv.push_back(std::to_string(kRecords));
        argv.push_back(path.string());
        TimeProcess(argv);
    }
    return path;
}

std::string Chiptool()
{
    const char* other = std::getenv("CHIPTOOL");
    return other && *other ? other : CHIPTOOL_PATH;
}

std::vector<std::string> CommandFor(int which, const fs::path& list)
{
    const std::string out = (WorkDir() / "out.chip").string();
    switch (which) {
    case 0: return {Chiptool(), "check", list.string()};
    case 1: return {Chiptool(), "dedupe", list.string(), "-o", out};
    default: return {Chiptool(), "merge", list.string(), list.string(), "-o", out};
    }
}

void Report(benchmark::State& state, double ordinary, double crafted)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["ordinary_ms"] = ordinary / n * 1e3;
    state.counters["crafted_ms"] = crafted / n * 1e3;
    state.counters["ratio"] = crafted / ordinary;
}

// Argument: 0 check, 1 dedupe, 2 merge of the list with itself (every key twice).
void BM_ChiptoolCraftedVsOrdinary(benchmark::State& state)
{
    const auto which = static_cast<int>(state.range(0));
    const fs::path lists[2] = {MakeList(false), MakeList(true)};
    TimeProcess(CommandFor(which, lists[0]), 1);  // both in the page cache
    TimeProcess(CommandFor(which, lists[1]), 1);
    double ordinary = 0, crafted = 0;
    for (auto _ : state) {
        const double o = TimeProcess(CommandFor(which, lists[0]), 1);
        const double c = TimeProcess(CommandFor(which, lists[1]), 1);
        ordinary += o;
        crafted += c;
        state.SetIterationTime(c);
    }
    Report(state, ordinary, crafted);
}
BENCHMARK(BM_ChiptoolCraftedVsOrdinary)->Arg(0)->Arg(1)->Arg(2)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

class NoPrompt : public IPrompt {
public:
    Answer Message(const std::string&, Buttons) override { return Answer::No; }
};

class NoChooser : public IFileChooser {
public:
    std::optional<fs::path> Choose() override { return std::nullopt; }
};

// Tessaro's open as the window does it: the file read, its duplicate check, then the index the
// window builds once the first rows are on screen.
double TimeOpen(const fs::path& list)
{
    NoPrompt prompt;
    NoChooser chooser;
    DeviceListDocument doc(prompt, chooser, chooser);
    const auto start = std::chrono::steady_clock::now();
    doc.OpenFile(list);
    doc.EnsureIndex();
    const auto stop = std::chrono::steady_clock::now();
    if (doc.List().Count() != kRecords) std::exit(1);
    return std::chrono::duration<double>(stop - start).count();
}

void BM_TessaroOpenCraftedVsOrdinary(benchmark::State& state)
{
    const fs::path lists[2] = {MakeList(false), MakeList(true)};
    double ordinary = 0, crafted = 0;
    for (auto _ : state) {
        const double o = TimeOpen(lists[0]);
        const double c = TimeOpen(lists[1]);
        ordinary += o;
        crafted += c;
        state.SetIterationTime(c);
    }
    Report(state, ordinary, crafted);
}
BENCHMARK(BM_TessaroOpenCraftedVsOrdinary)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksInWorkDir(argc, argv, WorkDir()); }
