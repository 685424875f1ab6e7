#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tester.h"
#include "wiringtest.h"

// The wiring test as a record and as a wiggle test: the result written as JSON for a bench's
// files, and the test run again and again while the technician moves the cable, counting for
// each wire the runs in which it failed, so that an intermittent break shows as a count.

// The most runs one wiggle test makes.
inline constexpr int kMaxRepeat = 100000;

struct WireTally {
    WireVerdict last;     // the row as last found (its finding is the last failure's, if any)
    int failedRuns = 0;   // runs in which this row failed (a stray connection: runs it was found)
    bool changed = false; // its reading was not the same in every run
    bool flickered = false; // in some run its line read differently in one and the same state
    bool Intermittent() const { return changed || flickered; }
};

struct RepeatedReport {
    WiringReport last;           // the last run (port, map source); the run that stopped it, if one did
    std::vector<WireTally> wires; // every row any finished run had, in the order first seen
    int runs = 0;                 // runs finished
    int failedRuns = 0;           // finished runs that did not pass
    bool repeated = false;        // a wiggle test: verdicts are over all its runs
    // Every finished run passed, and nothing stopped the test.
    bool Passed() const { return runs > 0 && failedRuns == 0 && !Stopped(); }
    // No port, the port failed, or a map that cannot be tested: the runs finished before are kept.
    bool Stopped() const { return last.noPort || last.portFailed || !last.settingsError.empty(); }
};

// Runs RunWiringTest up to `runs` times, stopping early when `stop` says so (checked before each
// run), at once when there is no port or the port fails. The registers are put back after every
// run, the last one included.
RepeatedReport RunRepeatedWiringTest(CParallelPort& port, const ExpectedWiring& expected, int runs,
                                     const std::function<bool()>& stop = {});
// Adds one run to a tally (a window runs them one by one, between its events). A run stopped by the
// port keeps the runs finished before it.
void AddRun(RepeatedReport& tally, const WiringReport& run);
// A single run as a repeated one of one run.
RepeatedReport AsRepeated(const WiringReport& report);

// "失败 3/20 次" or "通过 20/20 次": a row's result over the runs.
std::string TallyText(const WireTally& tally, int runs);
// A row's finding over the runs: a wire whose reading changed is named intermittent, with counts.
std::string TallyFinding(const WireTally& tally, int runs);
// "连续测试 20 次, 其中 4 次失败", and how a stop by the port ended them.
std::string RunsText(const RepeatedReport& report);
// The verdict line over every run: pass only when every run passed; a wiggle test stopped by its
// port says so with the runs finished before.
std::string TallySummary(const RepeatedReport& report);
// The table for standard output: the subject, one line per wire with its count, the verdict.
std::string FormatRepeatedReport(const RepeatedReport& report);
// 0 pass, 1 a failure in any run, 3 no port or a port that failed (also after finished runs), 4 a
// pin map that cannot be tested.
int RepeatedExitCode(const RepeatedReport& report);

// Machine-readable words beside the Chinese ones: "pass", "fail", "untested", and for the whole
// test also "port-failed" and "settings-error".
const char* VerdictCode(const WireTally& tally);
const char* VerdictCode(const RepeatedReport& report);

// The record's version of its fields (README, man porvik): 2 added the schema and program
// versions, the label, the cable id, the pin map, the port's base and modes, the settings
// warnings, the verdict codes and what stopped a test.
inline constexpr int kReportSchemaVersion = 2;

// What the record says beside the runs.
struct ReportContext {
    std::string dateTime = {}; // ISO 8601, as the caller has it
    std::string label = {};    // the cable's serial or tag (--label); empty: none
    std::string cableId = {};  // the cable's word on the command line ("qorel"); empty: the loopback plug
    std::vector<std::pair<std::string, int>> pinMap = {}; // the cable's map as tested; empty: the plug
    PortInUse port = {};       // the port tested, with its base and modes where known
};
// The context of a test the tester ran (`cableLooped`: its chosen cable's ISP loop).
ReportContext ReportContextOf(const CCableTester& tester, bool cableLooped, const std::string& label,
                              const std::string& dateTime);

// The result as a JSON object (UTF-8), schema kReportSchemaVersion: who wrote it and when, the
// port, the cable and its map with the settings file's warnings, runs, each wire with its verdict
// (Chinese and a code), reading and failed runs, the overall verdict and summary.
std::string WiringReportJson(const RepeatedReport& report, const ReportContext& context);
// The local date and time in ISO 8601, for the record.
std::string NowIso8601();
