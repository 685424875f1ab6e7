#include "wiringrecord.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "testertexts.h"

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

// The whole test's verdict, decided once; its Chinese word and its machine-readable code are a
// row each of one table, so that the two can never disagree.
struct VerdictNames {
    const char* word;
    const char* code;
};
enum class Overall { SettingsError, PortFailed, Untested, Pass, Fail };
constexpr VerdictNames kOverallNames[] = {
    {"设置错误", "settings-error"}, {"并口访问失败", "port-failed"}, {"未测试", "untested"},
    {"通过", "pass"}, {"失败", "fail"},
};

Overall OverallVerdict(const RepeatedReport& r)
{
    if (!r.last.settingsError.empty())
        return Overall::SettingsError;
    if (r.last.portFailed)
        return Overall::PortFailed;
    if (r.last.noPort)
        return r.runs == 0 ? Overall::Untested : Overall::PortFailed;
    return r.Passed() ? Overall::Pass : Overall::Fail;
}

const VerdictNames& NamesOf(const RepeatedReport& r) { return kOverallNames[static_cast<int>(OverallVerdict(r))]; }

std::string VerdictWord(const RepeatedReport& r) { return NamesOf(r).word; }

} // namespace

RepeatedReport AsRepeated(const WiringReport& report)
{
    RepeatedReport r;
    r.last = report;
    r.runs = report.noPort || report.portFailed || !report.settingsError.empty() ? 0 : 1;
    r.failedRuns = r.runs == 1 && !report.Passed() ? 1 : 0;
    for (const WireVerdict& v : report.wires)
        r.wires.push_back({v, v.tested && !v.pass ? 1 : 0, false, v.intermittent});
    return r;
}

void AddRun(RepeatedReport& r, const WiringReport& run)
{
    r.repeated = true;
    r.last = run;
    if (run.noPort || run.portFailed || !run.settingsError.empty()) {
        // The runs finished before are the technician's evidence: kept, with what stopped them.
        if (r.runs == 0)
            r.wires = AsRepeated(run).wires;
        return;
    }
    ++r.runs;
    r.failedRuns += run.Passed() ? 0 : 1;
    std::vector<bool> seen(r.wires.size());
    for (const WireVerdict& v : run.wires) {
        auto it = std::find_if(r.wires.begin(), r.wires.end(), [&](const WireTally& t) { return SameRow(t.last, v); });
        if (it == r.wires.end()) {
            // A row no earlier run had (a stray connection found now): its reading changed.
            it = r.wires.insert(r.wires.end(), WireTally{v, 0, r.runs > 1, false});
            seen.push_back(true);
        } else {
            seen[static_cast<std::size_t>(it - r.wires.begin())] = true;
            it->changed = it->changed || v.pass != it->last.pass || (!v.pass && v.finding != it->last.finding);
        }
        if (!v.pass || it->failedRuns == 0)
            it->last = v; // keep the words of a failure once there was one
        it->failedRuns += v.pass ? 0 : 1;
        it->flickered = it->flickered || v.intermittent;
    }
    for (std::size_t i = 0; i < seen.size(); ++i)
        if (!seen[i])
            r.wires[i].changed = true; // found before, not now
}

RepeatedReport RunRepeatedWiringTest(CParallelPort& port, const ExpectedWiring& expected, int runs,
                                     const std::function<bool()>& stop)
{
    RepeatedReport r;
    r.repeated = true;
    for (int i = 0; i < runs && !(stop && stop()); ++i) {
        AddRun(r, RunWiringTest(port, expected));
        if (r.Stopped())
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

std::string TallyFinding(const WireTally& t, int runs)
{
    if (!t.last.tested || !t.changed || runs < 2)
        return t.last.finding;
    std::string text = std::string(kIntermittentWord) + ": " + std::to_string(runs) + " 次中 " +
                       std::to_string(t.failedRuns) + " 次失败";
    if (t.failedRuns > 0) {
        // A run that saw the flicker itself says so already: its counts follow, not the word again.
        const std::string word = std::string(kIntermittentWord) + ": ";
        const bool said = t.last.finding.compare(0, word.size(), word) == 0;
        text += "; 失败时: " + t.last.finding.substr(said ? word.size() : 0);
    }
    return text;
}

std::string RunsText(const RepeatedReport& r)
{
    std::string text = "连续测试 " + std::to_string(r.runs) + " 次, 其中 " + std::to_string(r.failedRuns) + " 次失败";
    if (r.last.portFailed)
        text += "; 第 " + std::to_string(r.runs + 1) + " 次测试时并口访问失败, 测试停止";
    else if (r.last.noPort && r.runs > 0)
        text += "; 第 " + std::to_string(r.runs + 1) + " 次测试时没有可用的并口, 测试停止";
    return text;
}

std::string TallySummary(const RepeatedReport& r)
{
    if (!r.repeated || (r.runs == 0 && r.Stopped()))
        return WiringSummary(r.last);
    const std::string port = " [" + r.last.portText + "]";
    if (r.Stopped()) {
        std::string text = std::string("结论: ") + (r.last.portFailed ? "并口访问失败" : "没有可用的并口") + port +
                           ", 之前完成的 " + std::to_string(r.runs) + " 次中 " + std::to_string(r.failedRuns) + " 次失败";
        return text + (r.last.portProblem.empty() ? std::string() : ": " + r.last.portProblem);
    }
    const auto steady = std::count_if(r.wires.begin(), r.wires.end(), [](const WireTally& t) { return t.failedRuns == 0; });
    return std::string(r.Passed() ? "结论: 通过" : "结论: 失败") + port + " (连续测试 " + std::to_string(r.runs) +
           " 次, " + std::to_string(r.failedRuns) + " 次失败; " + std::to_string(steady) + "/" +
           std::to_string(r.wires.size()) + " 项每次都通过)";
}

std::string FormatRepeatedReport(const RepeatedReport& r)
{
    std::string text = "接线测试: " + r.last.wiringName + "\n" + WiringSubjectText(r.last);
    text += RunsText(r) + "\n";
    char line[96];
    for (const WireTally& t : r.wires) {
        std::snprintf(line, sizeof line, "%-8s%-8s%s  ", WiringPinText(t.last.output).c_str(),
                      WiringPinText(t.last.input).c_str(), TallyText(t, r.runs).c_str());
        text += line + TallyFinding(t, r.runs) + "\n";
    }
    return text + TallySummary(r) + "\n";
}

int RepeatedExitCode(const RepeatedReport& r)
{
    if (!r.last.settingsError.empty())
        return kWiringSettingsError;
    if (r.Stopped())
        return kWiringNoPort;
    return r.Passed() ? kWiringPass : kWiringFail;
}

const char* VerdictCode(const WireTally& t)
{
    if (!t.last.tested)
        return "untested";
    return t.failedRuns == 0 ? "pass" : "fail";
}

const char* VerdictCode(const RepeatedReport& r) { return NamesOf(r).code; }

namespace {

// The port's kind in the record, by the words the verdicts use.
struct PortKindCode {
    const char* kind;
    const char* code;
};
constexpr PortKindCode kPortKindCodes[] = {
    {kPortKindKernelDriver, "ppdev"},
    {kPortKindDirect, "direct"},
    {kPortKindWinIo, "winio"},
    {kPortKindVirtual, "virtual"},
};

std::string PortKindCodeOf(const PortInUse& port)
{
    if (port.isAbsent)
        return "none";
    if (port.isVirtual)
        return "virtual";
    for (const PortKindCode& k : kPortKindCodes)
        if (port.kind && std::string(port.kind) == k.kind)
            return k.code;
    return "unknown";
}

std::string OrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

std::string Bool(bool b) { return b ? "true" : "false"; }

} // namespace

ReportContext ReportContextOf(const CCableTester& tester, bool cableLooped, const std::string& label,
                              const std::string& dateTime)
{
    ReportContext c;
    c.dateTime = dateTime;
    c.label = label;
    if (cableLooped) {
        c.cableId = CCableTester::kCableEntries[tester.Entry()].keyword;
        c.pinMap = tester.Cable().MapEntries();
    }
    c.port = tester.Cable().InUse();
    return c;
}

std::string WiringReportJson(const RepeatedReport& r, const ReportContext& c)
{
    const WiringReport& last = r.last;
    std::string j = "{\n";
    auto field = [&](const char* name, const std::string& value) { j += std::string("  \"") + name + "\": " + value + ",\n"; };
    field("schema", JsonString("porvik-wiring-report"));
    field("schemaVersion", std::to_string(kReportSchemaVersion));
    field("program", JsonString("Porvik"));
    field("programVersion", JsonString(kPorvikVersion));
    field("date", JsonString(c.dateTime));
    field("label", OrNull(c.label));
    field("port", JsonString(last.portText));
    field("portKind", JsonString(PortKindCodeOf(c.port)));
    field("portBase", c.port.base ? std::to_string(c.port.base) : "null");
    field("portModes", OrNull(c.port.modes));
    field("virtualPort", Bool(last.isVirtual));
    field("cable", OrNull(c.cableId));
    field("wiring", JsonString(last.wiringName));
    field("mapSource", JsonString(last.mapSource));
    std::string map = "null";
    if (!c.pinMap.empty()) {
        map = "{";
        for (std::size_t i = 0; i < c.pinMap.size(); ++i)
            map += (i ? ", " : "") + JsonString(c.pinMap[i].first) + ": " + std::to_string(c.pinMap[i].second);
        map += "}";
    }
    field("pinMap", map);
    std::string warnings = "[";
    for (std::size_t i = 0; i < last.mapWarnings.size(); ++i)
        warnings += (i ? ", " : "") + JsonString(last.mapWarnings[i]);
    field("settingsWarnings", warnings + "]");
    field("repeated", Bool(r.repeated));
    field("runs", std::to_string(r.runs));
    field("failedRuns", std::to_string(r.failedRuns));
    j += "  \"wires\": [";
    for (std::size_t i = 0; i < r.wires.size(); ++i) {
        const WireTally& t = r.wires[i];
        j += std::string(i ? "," : "") + "\n    {\"output\": " + std::to_string(t.last.output) +
             ", \"input\": " + std::to_string(t.last.input) + ", \"expected\": " + Bool(t.last.expected) +
             ", \"verdict\": " + JsonString(t.last.tested ? WiringResultText(t.failedRuns == 0) : WiringResultText(t.last)) +
             ", \"verdictCode\": " + JsonString(VerdictCode(t)) + ", \"intermittent\": " + Bool(t.Intermittent()) +
             ", \"reading\": " + JsonString(TallyFinding(t, r.runs)) + ", \"failedRuns\": " + std::to_string(t.failedRuns) + "}";
    }
    j += r.wires.empty() ? "],\n" : "\n  ],\n";
    const bool stoppedByPort = last.portFailed || (last.noPort && r.runs > 0);
    field("portFailure", stoppedByPort ? OrNull(last.portProblem.empty() ? "并口访问失败" : last.portProblem) : "null");
    field("settingsError", OrNull(last.settingsError));
    field("verdict", JsonString(VerdictWord(r)));
    field("verdictCode", JsonString(VerdictCode(r)));
    j += "  \"summary\": " + JsonString(TallySummary(r)) + "\n}\n";
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
