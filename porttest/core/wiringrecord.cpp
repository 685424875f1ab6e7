#include "wiringrecord.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

bool SameRow(const WireVerdict& a, const WireVerdict& b)
{
    return a.output == b.output && a.input == b.input && a.expected == b.expected;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c; // UTF-8 passes as it is
        }
    }
    return out + "\"";
}

std::string VerdictWord(const RepeatedReport& r)
{
    if (r.last.portFailed)
        return "并口访问失败";
    if (r.last.noPort)
        return "未测试";
    return WiringResultText(r.Passed());
}

} // namespace

RepeatedReport AsRepeated(const WiringReport& report)
{
    RepeatedReport r;
    r.last = report;
    r.runs = report.noPort ? 0 : 1;
    r.failedRuns = report.Passed() || report.noPort ? 0 : 1;
    for (const WireVerdict& v : report.wires)
        r.wires.push_back({v, v.tested && !v.pass ? 1 : 0});
    return r;
}

void AddRun(RepeatedReport& r, const WiringReport& run)
{
    r.last = run;
    if (run.noPort) {
        r.wires = AsRepeated(run).wires;
        return;
    }
    if (run.portFailed) {
        r.wires.clear();
        return;
    }
    ++r.runs;
    r.failedRuns += run.Passed() ? 0 : 1;
    for (const WireVerdict& v : run.wires) {
        auto it = std::find_if(r.wires.begin(), r.wires.end(), [&](const WireTally& t) { return SameRow(t.last, v); });
        if (it == r.wires.end())
            it = r.wires.insert(r.wires.end(), WireTally{v, 0});
        if (!v.pass || it->failedRuns == 0)
            it->last = v; // keep the words of a failure once there was one
        it->failedRuns += v.pass ? 0 : 1;
    }
}

RepeatedReport RunRepeatedWiringTest(CParallelPort& port, const ExpectedWiring& expected, int runs,
                                     const std::function<bool()>& stop)
{
    RepeatedReport r;
    for (int i = 0; i < runs && !(stop && stop()); ++i) {
        AddRun(r, RunWiringTest(port, expected));
        if (r.last.noPort || r.last.portFailed)
            break;
    }
    return r;
}

std::string TallyText(const WireTally& t, int runs)
{
    if (!t.last.tested)
        return WiringResultText(t.last);
    const std::string counts = " " + std::to_string(t.failedRuns == 0 ? runs : t.failedRuns) + "/" + std::to_string(runs) + " 次";
    return std::string(WiringResultText(t.failedRuns == 0)) + counts;
}

std::string FormatRepeatedReport(const RepeatedReport& r)
{
    std::string text = "接线测试: " + r.last.wiringName + "\n" + WiringSubjectText(r.last);
    text += "连续测试 " + std::to_string(r.runs) + " 次, 其中 " + std::to_string(r.failedRuns) + " 次失败\n";
    char line[96];
    for (const WireTally& t : r.wires) {
        std::snprintf(line, sizeof line, "%-8s%-8s%s  ", WiringPinText(t.last.output).c_str(),
                      WiringPinText(t.last.input).c_str(), TallyText(t, r.runs).c_str());
        text += line + t.last.finding + "\n";
    }
    return text + WiringSummary(r.last) + "\n";
}

int RepeatedExitCode(const RepeatedReport& r)
{
    if (r.last.noPort || r.last.portFailed)
        return kWiringNoPort;
    return r.Passed() ? kWiringPass : kWiringFail;
}

std::string WiringReportJson(const RepeatedReport& r, const std::string& dateTime)
{
    std::string j = "{\n";
    j += "  \"date\": " + JsonString(dateTime) + ",\n";
    j += "  \"port\": " + JsonString(r.last.portText) + ",\n";
    j += std::string("  \"virtualPort\": ") + (r.last.isVirtual ? "true" : "false") + ",\n";
    j += "  \"wiring\": " + JsonString(r.last.wiringName) + ",\n";
    j += "  \"mapSource\": " + JsonString(r.last.mapSource) + ",\n";
    j += "  \"runs\": " + std::to_string(r.runs) + ",\n";
    j += "  \"failedRuns\": " + std::to_string(r.failedRuns) + ",\n";
    j += "  \"wires\": [";
    for (std::size_t i = 0; i < r.wires.size(); ++i) {
        const WireTally& t = r.wires[i];
        j += std::string(i ? "," : "") + "\n    {\"output\": " + std::to_string(t.last.output) +
             ", \"input\": " + std::to_string(t.last.input) +
             ", \"expected\": " + (t.last.expected ? "true" : "false") +
             ", \"verdict\": " + JsonString(t.last.tested ? WiringResultText(t.failedRuns == 0) : WiringResultText(t.last)) +
             ", \"reading\": " + JsonString(t.last.finding) + ", \"failedRuns\": " + std::to_string(t.failedRuns) + "}";
    }
    j += r.wires.empty() ? "],\n" : "\n  ],\n";
    j += "  \"verdict\": " + JsonString(VerdictWord(r)) + ",\n";
    j += "  \"summary\": " + JsonString(WiringSummary(r.last)) + "\n}\n";
    return j;
}

std::string NowIso8601()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now); // one thread: the shared buffer is fine
    char buf[32] = "";
    if (local)
        std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S%z", local);
    return buf;
}
