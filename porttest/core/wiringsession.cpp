#include "wiringsession.h"

#include <filesystem>
#include <fstream>

#include "testertexts.h"

CWiringSession::CWiringSession(const WiringReport& first, std::function<WiringReport()> runAgain,
                               std::function<bool()> portWorks)
    : m_tally(AsRepeated(first)), m_runAgain(std::move(runAgain)), m_portWorks(std::move(portWorks))
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
    // A fresh count from the first run on.
    m_tally = RepeatedReport{};
    m_repeated = true;
    m_repeating = true;
    Render();
}

void CWiringSession::RunOnce()
{
    if (!m_repeating)
        return;
    AddRun(m_tally, m_runAgain());
    if (m_tally.last.noPort || m_tally.last.portFailed || m_tally.runs >= kMaxRepeat)
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
    const std::string json = WiringReportJson(m_tally, NowIso8601());
    std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                      std::ios::binary | std::ios::trunc);
    out.write(json.data(), static_cast<std::streamsize>(json.size()));
    out.close();
    if (!out)
        return "无法写入报告文件 " + path;
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
        v.subject += "\n连续测试 " + std::to_string(m_tally.runs) + " 次, 其中 " + std::to_string(m_tally.failedRuns) +
                     " 次失败";
    v.tableShown = !last.portFailed;
    for (const WireTally& t : m_tally.wires) {
        const WireVerdict& w = t.last;
        const bool pass = m_repeated ? t.failedRuns == 0 : w.pass;
        const std::string result = m_repeated ? TallyText(t, m_tally.runs) : WiringResultText(w);
        v.rows.push_back({{WiringPinText(w.output), WiringPinText(w.input), result, w.finding},
                          !w.tested ? Tone::Untested : pass ? Tone::Pass : Tone::Fail});
    }
    v.summary = WiringSummary(last);
    v.summaryTone = (m_repeated ? m_tally.Passed() : last.Passed()) ? Tone::Pass : Tone::Fail;
    v.repeatOffered = static_cast<bool>(m_runAgain);
    v.repeatCaption = m_repeating ? kStopRepeatButton : kRepeatButton;
    // Stopping is always possible; starting needs a port that works.
    v.repeatEnabled = v.repeatOffered && (m_repeating || ((!m_portWorks || m_portWorks()) && !last.noPort &&
                                                          !last.portFailed));
    m_view = std::move(v);
}
