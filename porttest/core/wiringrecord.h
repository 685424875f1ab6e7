#pragma once
#include <functional>
#include <string>
#include <vector>

#include "wiringtest.h"

// The wiring test as a record and as a wiggle test: the result written as JSON for a bench's
// files, and the test run again and again while the technician moves the cable, counting for
// each wire the runs in which it failed, so that an intermittent break shows as a count.

// The most runs one wiggle test makes.
inline constexpr int kMaxRepeat = 100000;

struct WireTally {
    WireVerdict last;   // the row as last found (its finding is the last failure's, if any)
    int failedRuns = 0; // runs in which this row failed (a stray connection: runs it was found)
};

struct RepeatedReport {
    WiringReport last;           // the last run (port, map source, what stopped it)
    std::vector<WireTally> wires; // every row any run had, in the order first seen
    int runs = 0;                 // runs made
    int failedRuns = 0;           // runs that did not pass
    bool Passed() const { return runs > 0 && failedRuns == 0 && !last.noPort && !last.portFailed; }
};

// Runs RunWiringTest up to `runs` times, stopping early when `stop` says so (checked before each
// run), at once when there is no port or the port fails. The registers are put back after every
// run, the last one included.
RepeatedReport RunRepeatedWiringTest(CParallelPort& port, const ExpectedWiring& expected, int runs,
                                     const std::function<bool()>& stop = {});
// Adds one run to a tally (a window runs them one by one, between its events).
void AddRun(RepeatedReport& tally, const WiringReport& run);
// A single run as a repeated one of one run.
RepeatedReport AsRepeated(const WiringReport& report);

// "失败 3/20 次" or "通过 20/20 次": a row's result over the runs.
std::string TallyText(const WireTally& tally, int runs);
// The table for standard output: the subject, one line per wire with its count, the verdict.
std::string FormatRepeatedReport(const RepeatedReport& report);
// 0 pass, 1 a failure in any run, 3 no port or a port that failed.
int RepeatedExitCode(const RepeatedReport& report);

// The result as a JSON object (UTF-8): date and time, port, cable/wiring, map source, runs, each
// wire with its verdict, reading and failed runs, the overall verdict. `dateTime` as the caller
// has it (ISO 8601).
std::string WiringReportJson(const RepeatedReport& report, const std::string& dateTime);
// The local date and time in ISO 8601, for the record.
std::string NowIso8601();
