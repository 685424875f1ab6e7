#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testercommands.h"
#include "wiringrecord.h"
#include "wiringtest.h"

// One row of the wiring dialog's table: output, input, result, what was found, and its colour.
struct WiringRowView {
    std::array<std::string, 4> cells;
    Tone tone;
};

// What the wiring dialog shows, as the core decides it.
struct WiringView {
    std::string subject;             // the expected wiring, the port and the pin map; the run count
    bool tableShown = true;          // false once the port failed: no wire was judged
    std::vector<WiringRowView> rows;
    std::string summary;             // the verdict line
    Tone summaryTone = Tone::Fail;
    std::string repeatCaption;       // "连续测试", or "停止" while it runs
    bool repeatOffered = false;      // the dialog can run the test again
    bool repeatEnabled = false;      // not without a working port
};

// The wiring test's result dialog without a window: its table and verdict, saving the record, and
// the wiggle test ("连续测试"): the test run again and again, one run at a time between the
// window's events, until stopped, counting each wire's failed runs.
class CWiringSession {
public:
    // `runAgain` runs the same test once more (none: no wiggle test); `portWorks` says whether a
    // working port is there to run it on; `context` what the record says beside the runs (the
    // cable, its map, the port; the date is the save's).
    explicit CWiringSession(const WiringReport& first, std::function<WiringReport()> runAgain = {},
                            std::function<bool()> portWorks = {}, std::function<ReportContext()> context = {});

    const WiringView& View() const { return m_view; }
    const RepeatedReport& Tally() const { return m_tally; }
    bool Repeating() const { return m_repeating; }

    // The wiggle button: starts a fresh count, or stops.
    void ToggleRepeat();
    // One run while repeating (the window calls it whenever it is idle); it stops by itself when
    // the port is gone or fails, or after the most runs.
    void RunOnce();
    // The dialog ends: no further run.
    void Stop();
    // Writes the record to `path` (UTF-8) through the safe save (WriteReportFile); the reason in
    // words when it could not be written, an old report then left as it was.
    std::optional<std::string> Save(const std::string& path) const;

private:
    void Render();

    RepeatedReport m_tally;
    bool m_repeated = false; // the tally counts runs: show counts rather than single verdicts
    bool m_repeating = false;
    std::function<WiringReport()> m_runAgain;
    std::function<bool()> m_portWorks;
    std::function<ReportContext()> m_context;
    WiringView m_view;
};
