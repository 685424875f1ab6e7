#pragma once
#include <string>
#include <vector>

#include "cable.h"

// The automatic wiring test: each output pin driven alone to both levels from a known state, the
// inputs read after every step, the wiring found compared with the wiring expected. Pin levels
// throughout: the port's own inversions are the pin layer's business.

// A wire the connector should have; `inverted`: the input reads the opposite of the output.
struct ExpectedWire {
    int output;
    int input;
    bool inverted = false;
};

struct ExpectedWiring {
    std::string name;
    std::vector<int> outputs; // driven one at a time
    std::vector<int> inputs;  // read after every step
    std::vector<ExpectedWire> wires;
    struct Held {
        int pin;
        int level;
    };
    std::vector<Held> held; // kept at one level throughout (a cable's latch and output enable)
};

// The standard loopback plug (kLoopbackPlug) on all twelve outputs: data pins 3-9 move nothing.
ExpectedWiring LoopbackPlugWiring();
// The cable's ISP end looped back: MOSI into MISO, SCK and RST into nothing, with the cable's
// latch held open and its outputs enabled. `cableName` names the cable in the report.
ExpectedWiring IspLoopWiring(const CIspCable& cable, const std::string& cableName);

struct WireVerdict {
    int output;
    int input;
    bool expected; // a wire of the expected wiring; else a connection that should not be there
    bool pass;
    std::string finding; // what was found, in Chinese
};

struct WiringReport {
    std::string wiringName;
    std::vector<WireVerdict> wires;
    bool noPort = false; // no port could be opened: nothing on the connector was tested
    long accesses = 0;   // register reads and writes the test made, the restore included
    bool Passed() const;
};

// Runs the test on `port`. The data and control registers it found, and the port's copies of them,
// are put back when it ends.
WiringReport RunWiringTest(CParallelPort& port, const ExpectedWiring& expected);

// The report as a table for standard output, one line per wire, then the verdict.
std::string FormatWiringReport(const WiringReport& report);

// The program's exit code for a report: 0 pass, 1 fail, 3 no port.
inline constexpr int kWiringPass = 0;
inline constexpr int kWiringFail = 1;
inline constexpr int kWiringNoPort = 3;
int WiringExitCode(const WiringReport& report);

// Texts of the table, shared by the window and standard output.
const char* WiringResultText(bool pass);
std::string WiringPinText(int pin);
inline constexpr const char* kWiringHeaders[] = {"输出", "输入", "结果", "测得"};
std::string WiringSummary(const WiringReport& report);
