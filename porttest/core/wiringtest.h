#pragma once
#include <string>
#include <vector>

#include "cable.h"

// The automatic wiring test: each output pin driven alone to both levels from a known state, the
// inputs read after every step, the wiring found compared with the wiring expected. Pin levels
// throughout: the port's own inversions are the pin layer's business.

// A wire the connector should have; `inverted`: the input reads the opposite of the output.
// `untestable`: why the wire cannot be tested (a pin of the wrong direction, a pin shared with a
// line held still); the wire then fails with these words.
struct ExpectedWire {
    int output;
    int input;
    bool inverted = false;
    std::string untestable = {};
};

struct ExpectedWiring {
    std::string name;
    std::vector<int> outputs; // driven one at a time
    std::vector<int> inputs;  // read after every step
    std::vector<ExpectedWire> wires;
    // Pairs that must not be connected, each reported as a row of its own whether or not they
    // are (the ISP loop: every other output against MISO).
    std::vector<ExpectedWire> apart;
    struct Held {
        int pin;
        int level;
    };
    // Kept at one level (a cable's latch and output enable). A held pin that is also among the
    // outputs rests at its held level and is moved from there like any other output: closing a
    // latch must leave every line as it was.
    std::vector<Held> held;
    std::string mapSource; // where the cable's pin map came from (MapSourceText); empty: no cable
    std::vector<std::string> mapWarnings; // what the settings file drew, each quoting its line
};

// The standard loopback plug (kLoopbackPlug) on all twelve outputs: data pins 3-9 move nothing.
ExpectedWiring LoopbackPlugWiring();
// The cable's ISP end looped back: MOSI into MISO and nothing else, with the cable's latch held
// open and its outputs enabled. Every other output of the port (SCK, RST, R1, R2 and the rest)
// is moved too and must leave MISO still; a latch with two distinct levels is moved as well.
// Every input is read, so that MOSI or MISO touching any line shows. `cableName` names the
// cable in the report.
ExpectedWiring IspLoopWiring(const CIspCable& cable, const std::string& cableName);

// The word for a line whose reading changes while nothing moves it, or between runs.
inline constexpr const char* kIntermittentWord = "时通时断";

struct WireVerdict {
    int output;
    int input;
    bool expected; // a wire of the expected wiring; else a connection that should not be there
    bool pass;
    std::string finding; // what was found, in Chinese
    bool tested = true;  // false: no port, nothing was driven or read
    bool intermittent = false; // its line read differently in one and the same state
};

struct WiringReport {
    std::string wiringName;
    std::string portText;  // PortText of the port tested
    bool isVirtual = false;
    std::string mapSource; // where the cable's pin map came from; empty without a cable
    std::vector<std::string> mapWarnings; // the settings file's warnings, shown with mapSource
    std::vector<WireVerdict> wires;
    bool noPort = false;     // no port could be opened: nothing on the connector was tested
    bool portFailed = false; // a register access failed during the test: no verdict on any wire
    std::string portProblem; // the platform's words on either, when it has some
    // The pin map cannot be tested (a line of the wrong direction, MOSI on the latch or the
    // output enable): a fault of the settings, not of the cable; nothing was driven or read.
    std::string settingsError;
    long accesses = 0;       // register reads and writes the test made, the restore included
    bool Passed() const;
};

// Runs the test on `port`. The data and control registers it found, and the port's copies of them,
// are put back when it ends. Without a port, or with a wire the map makes untestable, nothing is
// driven and every row is "未测试"; a register access that fails stops the test at once and the
// report blames the port, not a wire.
WiringReport RunWiringTest(CParallelPort& port, const ExpectedWiring& expected);

// The report as a table for standard output, one line per wire, then the verdict.
std::string FormatWiringReport(const WiringReport& report);

// The program's exit code for a report: 0 pass, 1 fail, 3 no port or a port that failed, 4 a pin
// map that cannot be tested (5, a report that could not be written, is the command line's).
inline constexpr int kWiringPass = 0;
inline constexpr int kWiringFail = 1;
inline constexpr int kWiringNoPort = 3;
inline constexpr int kWiringSettingsError = 4; // a settings value that cannot be used, a pin map that cannot be tested
inline constexpr int kWiringReportNotWritten = 5;
int WiringExitCode(const WiringReport& report);

// Texts of the table, shared by the window and standard output.
const char* WiringResultText(bool pass);
const char* WiringResultText(const WireVerdict& v); // also "未测试"
// The lines above the table: the port tested, where the pin map came from and each warning the
// settings file drew.
std::string WiringSubjectText(const WiringReport& report);
std::string WiringPinText(int pin);
inline constexpr const char* kWiringHeaders[] = {"输出", "输入", "结果", "测得"};
std::string WiringSummary(const WiringReport& report);
