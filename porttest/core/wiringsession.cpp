#include "wiringsession.h"

#include "reportfile.h"
#include "testertexts.h"

CWiringSession::CWiringSession(const WiringReport& first, std::function<WiringReport()> runAgain,
                               std::function<bool()> portWorks, std::function<ReportContext()> context)
    : m_tally(AsRepeated(first)), m_runAgain(std::move(runAgain)), m_portWorks(std::move(portWorks)),
      m_context(std::move(context))
{
    Render();
}

void CWiringSession::ToggleRepeat()
{
    if (m_repeating) {
        Stop();
        return;
    }
    if (!m_view.repeatEnabled)
        return;
    // A fresh count from the first run on; its verdicts are over all its runs.
    m_tally = RepeatedReport{};
    m_tally.repeated = true;
    m_repeated = true;
    m_repeating = true;
    Render();
}

void CWiringSession::RunOnce()
{
    if (!m_repeating)
        return;
    AddRun(m_tally, m_runAgain());
    if (m_tally.Stopped() || m_tally.runs >= kMaxRepeat)
        m_repeating = false;
    Render();
}

void CWiringSession::Stop()
{
    m_repeating = false;
    Render();
}

std::optional<std::string> CWiringSession::Save(const std::string& path) const
{
    ReportContext record = m_context ? m_context() : ReportContext{};
    record.dateTime = NowIso8601();
    if (const auto problem = WriteReportFile(path, WiringReportJson(m_tally, record)))
        return ReportNotWrittenText(path, *problem);
    return std::nullopt;
}

void CWiringSession::Render()
{
    const WiringReport& last = m_tally.last;
    WiringView v;
    v.subject = std::string(kExpectedWiringLabel) + last.wiringName + "\n" + WiringSubjectText(last);
    while (!v.subject.empty() && (v.subject.back() == '\n' || v.subject.back() == ' '))
        v.subject.pop_back();
    if (m_repeated)
        v.subject += "\n" + RunsText(m_tally);
    v.tableShown = !m_tally.wires.empty(); // a port that failed at once judged no wire
    for (const WireTally& t : m_tally.wires) {
        const WireVerdict& w = t.last;
        const bool pass = m_repeated ? t.failedRuns == 0 : w.pass;
        const std::string result = m_repeated ? TallyText(t, m_tally.runs) : WiringResultText(w);
        const std::string finding = m_repeated ? TallyFinding(t, m_tally.runs) : w.finding;
        v.rows.push_back({{WiringPinText(w.output), WiringPinText(w.input), result, finding},
                          !w.tested ? Tone::Untested : pass ? Tone::Pass : Tone::Fail});
    }
    v.summary = TallySummary(m_tally);
    v.summaryTone = (m_repeated ? m_tally.Passed() : last.Passed()) ? Tone::Pass : Tone::Fail;
    v.repeatOffered = static_cast<bool>(m_runAgain);
    v.repeatCaption = m_repeating ? kStopRepeatButton : kRepeatButton;
    // Stopping is always possible; starting needs a port that works.
    v.repeatEnabled = v.repeatOffered && (m_repeating || ((!m_portWorks || m_portWorks()) && !m_tally.Stopped()));
    m_view = std::move(v);
}
