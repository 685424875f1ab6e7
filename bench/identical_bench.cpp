// Lists of one device repeated, against lists of distinct devices of the same size, made here:
// Tessaro's open (read, duplicate check and question, duplicate index) with the question
// answered yes and no, Tessaro's import of 40,000 records, and `chiptool check`, `dedupe` and
// CSV `import` as whole processes. The document's cases run under several hash keys, one of them
// chosen so that the repeated key's home lies at the very end of the index (its records wrap
// round to the front); chiptool picks a fresh key in every process, so each iteration is one
// more key. Both lists run in every iteration, alternately, so that drift on a shared machine
// hits both alike; the counters give each one's mean and their ratio (the figure to quote).
// CHIPTOOL in the environment names another chiptool to measure.
#include <benchmark/benchmark.h>

#include "numbered_records.h"
#include "time_process.h"
#include "work_dir.h"

#include "listdocument.h"
#include "listops.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path WorkDir() { return BenchWorkDir("identical_bench"); }

DeviceRecord Repeated()
{
    DeviceRecord r{};
    SetRecordName(r, "AT89C51");
    r.fid = 3;
    r.romKb = 4;
    r.voltage = 5.0f;
    r.signature[0] = 0x1e;
    r.signature[1] = 0x51;
    r.signature[2] = 0x06;
    return r;
}

fs::path MakeList(bool identical, std::size_t count)
{
    const fs::path path = WorkDir() / ((identical ? "identical_" : "distinct_") + std::to_string(count) + ".chip");
    if (fs::exists(path)) return path;
    std::vector<DeviceRecord> recs(count);
    for (std::size_t i = 0; i < count; ++i) recs[i] = identical ? Repeated() : Numbered(i, "DEV");
    const std::uint32_t header[2] = {1, static_cast<std::uint32_t>(count)};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(recs.data()), static_cast<std::streamsize>(count * sizeof(DeviceRecord)));
    return path;
}

fs::path MakeCsv(bool identical, std::size_t count)
{
    const fs::path path = WorkDir() / ((identical ? "identical_" : "distinct_") + std::to_string(count) + ".csv");
    if (fs::exists(path)) return path;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "name,fid,rom_kb,voltage,signature\n";
    char line[96];
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned n = identical ? 0U : static_cast<unsigned>(i);
        std::snprintf(line, sizeof line, "DEV%07u,03,4,5,%02x %02x %02x\n", n, (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
        out << line;
    }
    return path;
}

// Key 0 and 1: random; 2: the repeated record's home in the last thousandth of the index; 3:
// all zeros.
std::array<std::uint64_t, 4> HashKey(int which)
{
    std::mt19937_64 rng(static_cast<std::uint64_t>(which) * 7919U + 1U);
    auto random = [&] { return std::array<std::uint64_t, 4>{rng() | 1, rng() | 1, rng() | 1, rng() | 1}; };
    if (which == 3) return {0, 0, 0, 0};
    if (which != 2) return random();
    const DuplicateKey key = MakeDuplicateKey(Repeated());
    for (;;) {
        const std::array<std::uint64_t, 4> candidate = random();
        ReplaceDuplicateHashKey(candidate);
        if ((HashDuplicateKey(key) >> 32) > 0xFFBE76C8U) return candidate;  // 0.999 * 2^32
    }
}

class AnswerPrompt : public IPrompt {
public:
    explicit AnswerPrompt(Answer answer) : m_answer(answer) {}
    Answer Message(const std::string&, Buttons) override { return m_answer; }

private:
    Answer m_answer;
};

class NoChooser : public IFileChooser {
public:
    std::optional<fs::path> Choose() override { return std::nullopt; }
};

void Report(benchmark::State& state, double distinct, double identical)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["distinct_ms"] = distinct / n * 1e3;
    state.counters["identical_ms"] = identical / n * 1e3;
    state.counters["ratio"] = identical / distinct;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Tessaro's open as the window does it: read, duplicate check (and the question), then the index
// built once the first rows are on screen.
double TimeOpen(const fs::path& list, bool removeRepeats)
{
    AnswerPrompt prompt(removeRepeats ? IPrompt::Answer::Yes : IPrompt::Answer::No);
    NoChooser chooser;
    DeviceListDocument doc(prompt, chooser, chooser);
    const auto start = std::chrono::steady_clock::now();
    doc.OpenFile(list);
    doc.EnsureIndex();
    return Seconds(start);
}

// Both lists of `count` records timed by `time` under the hash key `which` (see HashKey).
template <class Time>
void CompareUnderKey(benchmark::State& state, int which, std::size_t count, Time time)
{
    const fs::path lists[2] = {MakeList(false, count), MakeList(true, count)};
    const auto previous = ReplaceDuplicateHashKey(HashKey(which));
    double distinct = 0, identical = 0;
    for (auto _ : state) {
        distinct += time(lists[0]);
        const double i = time(lists[1]);
        identical += i;
        state.SetIterationTime(i);
    }
    ReplaceDuplicateHashKey(previous);
    Report(state, distinct, identical);
}

// Arguments: hash key (see HashKey), records, 1 to answer the duplicate question yes.
void BM_TessaroOpen(benchmark::State& state)
{
    CompareUnderKey(state, static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)),
                    [&](const fs::path& list) { return TimeOpen(list, state.range(2) != 0); });
}
BENCHMARK(BM_TessaroOpen)
    ->ArgsProduct({{0, 1, 2, 3}, {1'000'000}, {0, 1}})
    ->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// Tessaro's import of a list into a list that already holds it (the index kept in step).
double TimeImport(const fs::path& list)
{
    AnswerPrompt prompt(IPrompt::Answer::No);
    NoChooser chooser;
    DeviceListDocument doc(prompt, chooser, chooser);
    doc.OpenFile(list);
    doc.EnsureIndex();
    const auto start = std::chrono::steady_clock::now();
    doc.Import(list);
    return Seconds(start);
}

// Arguments: hash key, records.
void BM_TessaroImport(benchmark::State& state)
{
    CompareUnderKey(state, static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)), TimeImport);
}
BENCHMARK(BM_TessaroImport)
    ->ArgsProduct({{0, 1, 2, 3}, {40'000}})
    ->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

std::string Chiptool()
{
    const char* other = std::getenv("CHIPTOOL");
    return other && *other ? other : CHIPTOOL_PATH;
}

// JSON: one element of 160,000 keys (it is refused: no record has them) against 32,000 records of
// five keys each.
fs::path MakeJson(bool oneElement)
{
    const fs::path path = WorkDir() / (oneElement ? "keys.json" : "records.json");
    if (fs::exists(path)) return path;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    char text[128];
    out << "[";
    if (oneElement) {
        out << "{";
        for (unsigned i = 0; i < 160'000; ++i) {
            std::snprintf(text, sizeof text, "%s\"key%07u\":%u", i ? "," : "", i, i);
            out << text;
        }
        out << "}";
    }
    for (unsigned i = 0; !oneElement && i < 32'000; ++i) {
        std::snprintf(text, sizeof text,
                      "%s{\"name\":\"DEV%07u\",\"fid\":\"03\",\"rom_kb\":4,\"voltage\":5,\"signature\":\"%02x %02x %02x\"}\n",
                      i ? "," : "", i, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF);
        out << text;
    }
    out << "]\n";
    return path;
}

// Argument: 0 check, 1 dedupe (1,000,000 records), 2 import of 40,000 CSV rows, 3 import of JSON
// (MakeJson; "identical" stands for the element of 160,000 keys).
void BM_Chiptool(benchmark::State& state)
{
    const auto which = static_cast<int>(state.range(0));
    const std::string out = (WorkDir() / "out.chip").string();
    auto command = [&](bool identical) -> std::vector<std::string> {
        if (which == 2) return {Chiptool(), "import", MakeCsv(identical, 40'000).string(), "-o", out};
        if (which == 3) return {Chiptool(), "import", MakeJson(identical).string(), "-o", out};
        const std::string list = MakeList(identical, 1'000'000).string();
        if (which == 0) return {Chiptool(), "check", list};
        return {Chiptool(), "dedupe", list, "-o", out};
    };
    TimeProcess(command(false), 1);  // both in the page cache
    TimeProcess(command(true), 1);
    double distinct = 0, identical = 0;
    for (auto _ : state) {
        distinct += TimeProcess(command(false), 1);
        const double i = TimeProcess(command(true), 1);
        identical += i;
        state.SetIterationTime(i);
    }
    Report(state, distinct, identical);
}
BENCHMARK(BM_Chiptool)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksInWorkDir(argc, argv, WorkDir()); }
