#include "wiringtest.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "loopbackplug.h"
#include "pinmap.h"

namespace {

// Every register access goes through here, so that the report counts them all.
class CountedPort {
public:
    explicit CountedPort(CParallelPort& port) : m_port(port) {}

    // Once the port has failed, no line is driven or read any more.
    void Drive(int pin, int level)
    {
        if (!Broken() && m_port.SetPinLevel(pin, level))
            ++m_accesses;
    }
    bool Read(int pin)
    {
        if (Broken())
            return false;
        if (LookupPin(pin))
            ++m_accesses;
        return m_port.GetPin(pin) != 0;
    }
    // A register access failed: whatever was read since is not what the connector holds.
    bool Broken()
    {
        m_broken = m_broken || m_port.InUse().failed;
        return m_broken;
    }
    std::uint8_t ReadStatus()
    {
        if (Broken())
            return 0;
        ++m_accesses;
        return m_port.ReadStatus();
    }
    std::uint8_t ReadData()
    {
        ++m_accesses;
        return m_port.ReadData();
    }
    std::uint8_t ReadControl()
    {
        ++m_accesses;
        return m_port.ReadControl();
    }
    void WriteData(std::uint8_t v)
    {
        ++m_accesses;
        m_port.WriteData(v);
    }
    void WriteControl(std::uint8_t v)
    {
        ++m_accesses;
        m_port.WriteControl(v);
    }
    long Accesses() const { return m_accesses; }

private:
    CParallelPort& m_port;
    long m_accesses = 0;
    bool m_broken = false;
};

// What one input did when one output left the known state: [known level][output][input]. An
// observation read differently when the same step was repeated is unsteady: neither it nor its
// opposite is taken as the wiring, and its input is counted as flickering.
struct Observations {
    std::size_t outputs, inputs;
    std::vector<bool> moved[2], wentHigh[2], unsteady[2];
    std::vector<bool> seenHigh, seenLow;
    std::vector<int> compared, flickered; // by input: reads compared with one of the same state, and how many differed

    Observations(std::size_t o, std::size_t i)
        : outputs(o), inputs(i), moved{std::vector<bool>(o * i), std::vector<bool>(o * i)},
          wentHigh{std::vector<bool>(o * i), std::vector<bool>(o * i)},
          unsteady{std::vector<bool>(o * i), std::vector<bool>(o * i)}, seenHigh(i), seenLow(i), compared(i),
          flickered(i)
    {
    }
    std::size_t At(std::size_t k, std::size_t j) const { return k * inputs + j; }
    // A line that flickered anywhere in the run moves nothing that can be trusted: it is judged as
    // a loose contact alone, and blames no other wire.
    bool Moves(std::size_t k, std::size_t j) const
    {
        return !Unsteady(j) && (moved[0][At(k, j)] || moved[1][At(k, j)]);
    }
    bool Unsteady(std::size_t j) const { return flickered[j] > 0; }
    bool UnsteadyWith(std::size_t k, std::size_t j) const { return unsteady[0][At(k, j)] || unsteady[1][At(k, j)]; }
};

// The status lines are read together, in one register read: every input at the same instant, so
// that a line that flickers shows in the comparison of two reads and nowhere else.
std::vector<bool> ReadInputs(CountedPort& io, const ExpectedWiring& w, Observations& obs)
{
    std::vector<bool> levels;
    const std::uint8_t status = io.ReadStatus();
    for (std::size_t j = 0; j < w.inputs.size(); ++j) {
        const PinInfo* info = LookupPin(w.inputs[j]);
        const bool high = info && info->reg == PinRegister::Status ? ((status & info->mask) != 0) != info->inverted
                                                                    : io.Read(w.inputs[j]);
        (high ? obs.seenHigh : obs.seenLow)[j] = true;
        levels.push_back(high);
    }
    return levels;
}

std::string PinList(const std::vector<int>& pins)
{
    std::string text;
    for (int pin : pins)
        text += (text.empty() ? "" : ", ") + WiringPinText(pin);
    return text;
}

std::size_t IndexOf(const std::vector<int>& pins, int pin)
{
    return static_cast<std::size_t>(std::find(pins.begin(), pins.end(), pin) - pins.begin());
}

// A line that read differently in one and the same state: a loose contact, not a short elsewhere.
std::string FlickerText(const Observations& obs, std::size_t j)
{
    return std::string(kIntermittentWord) + ": 状态不变时读数变了 " + std::to_string(obs.flickered[j]) + " 次 (共比较 " +
           std::to_string(obs.compared[j]) + " 次, 接触不良)";
}

bool IsExpected(const ExpectedWiring& w, int output, int input)
{
    return std::any_of(w.wires.begin(), w.wires.end(),
                       [&](const ExpectedWire& e) { return e.output == output && e.input == input; });
}

// The finding on one expected wire; `pass` is set when nothing is wrong with it.
std::string JudgeWire(const ExpectedWiring& w, const Observations& obs, const ExpectedWire& wire, bool& pass)
{
    pass = false;
    if (!wire.untestable.empty())
        return wire.untestable;
    const std::size_t k = IndexOf(w.outputs, wire.output);
    const std::size_t j = IndexOf(w.inputs, wire.input);
    if (k == w.outputs.size() || j == w.inputs.size())
        return "引脚号无效, 无法测试";
    if (obs.Unsteady(j))
        return FlickerText(obs, j);

    std::vector<int> otherDrivers, otherInputs;
    for (std::size_t o = 0; o < obs.outputs; ++o)
        if (o != k && obs.Moves(o, j))
            otherDrivers.push_back(w.outputs[o]);
    for (std::size_t i = 0; i < obs.inputs; ++i)
        if (i != j && obs.Moves(k, i))
            otherInputs.push_back(w.inputs[i]);

    if (!obs.Moves(k, j) && otherDrivers.empty()) {
        if (!obs.seenHigh[j])
            return "不跟随任何输出, 一直是低电平 (卡在低电平)";
        if (!obs.seenLow[j])
            return "不跟随任何输出, 一直是高电平 (断线或悬空)";
        return "不跟随任何输出";
    }

    std::vector<std::string> problems;
    if (!obs.Moves(k, j)) {
        problems.push_back("不跟随 " + WiringPinText(wire.output));
    } else {
        const bool both = obs.moved[0][obs.At(k, j)] && obs.moved[1][obs.At(k, j)];
        // From all low, the output went high: the input going high too means the same polarity.
        const std::size_t base = obs.moved[0][obs.At(k, j)] ? 0 : 1;
        const bool same = obs.wentHigh[base][obs.At(k, j)] == (base == 0);
        if (!both)
            problems.push_back(std::string("只跟随 ") + WiringPinText(wire.output) +
                               (base == 0 ? " 变高, 不跟随其变低" : " 变低, 不跟随其变高"));
        if (same == wire.inverted)
            problems.push_back(same ? "与输出同相, 应为反相" : "与输出反相, 应为同相");
    }
    if (!otherDrivers.empty())
        problems.push_back("也跟随 " + PinList(otherDrivers) + " (短路)");
    if (!otherInputs.empty())
        problems.push_back(WiringPinText(wire.output) + " 也带动 " + PinList(otherInputs) + " (短路)");

    if (problems.empty()) {
        pass = true;
        return "跟随 " + WiringPinText(wire.output) + (wire.inverted ? ", 反相" : ", 同相");
    }
    std::string text;
    for (const std::string& p : problems)
        text += (text.empty() ? "" : "; ") + p;
    return text;
}

bool OnExpectedWire(const ExpectedWiring& w, int output, int input)
{
    return std::any_of(w.wires.begin(), w.wires.end(),
                       [&](const ExpectedWire& e) { return e.output == output || e.input == input; });
}

bool InputOfAWire(const ExpectedWiring& w, int input)
{
    return std::any_of(w.wires.begin(), w.wires.end(), [&](const ExpectedWire& e) { return e.input == input; });
}

bool IsApart(const ExpectedWiring& w, int output, int input)
{
    return std::any_of(w.apart.begin(), w.apart.end(),
                       [&](const ExpectedWire& e) { return e.output == output && e.input == input; });
}

WireVerdict JudgeApart(const ExpectedWiring& w, const Observations& obs, const ExpectedWire& pair)
{
    const std::size_t k = IndexOf(w.outputs, pair.output);
    const std::size_t j = IndexOf(w.inputs, pair.input);
    WireVerdict v{pair.output, pair.input, false, false, {}};
    if (k == w.outputs.size() || j == w.inputs.size())
        v.finding = "引脚号无效, 无法测试";
    else if (obs.Moves(k, j))
        v.finding = WiringPinText(pair.output) + " 带动 " + WiringPinText(pair.input) + " (短路或接错)";
    else
        v = {pair.output, pair.input, false, true, "不带动 " + WiringPinText(pair.input)};
    return v;
}

// Rows: each expected wire, each pair kept apart, then each connection found that should not be
// there and touches a line of an expected wire (other lines may be joined inside a cable).
WiringReport Judge(const ExpectedWiring& w, const Observations& obs)
{
    WiringReport report;
    for (const ExpectedWire& wire : w.wires) {
        WireVerdict v{wire.output, wire.input, true, false, {}};
        v.finding = JudgeWire(w, obs, wire, v.pass);
        const std::size_t j = IndexOf(w.inputs, wire.input);
        v.intermittent = wire.untestable.empty() && IndexOf(w.outputs, wire.output) < w.outputs.size() &&
                         j < w.inputs.size() && obs.Unsteady(j);
        report.wires.push_back(std::move(v));
    }
    for (const ExpectedWire& pair : w.apart)
        report.wires.push_back(JudgeApart(w, obs, pair));
    for (std::size_t k = 0; k < obs.outputs; ++k)
        for (std::size_t j = 0; j < obs.inputs; ++j) {
            const int output = w.outputs[k], input = w.inputs[j];
            if (IsExpected(w, output, input) || IsApart(w, output, input) || !OnExpectedWire(w, output, input))
                continue;
            if (obs.Moves(k, j))
                report.wires.push_back({output, input, false, false,
                                        "多余的连接: " + WiringPinText(input) + " 跟随 " + WiringPinText(output) +
                                            " (短路或接错)"});
            else if (obs.UnsteadyWith(k, j) && !InputOfAWire(w, input))
                report.wires.push_back({output, input, false, false,
                                        FlickerText(obs, j) + "; 驱动 " + WiringPinText(output) + " 时出现", true, true});
        }
    return report;
}

// Every row of the wiring, none of them tested.
std::vector<WireVerdict> Untested(const ExpectedWiring& w, const std::string& why)
{
    std::vector<WireVerdict> rows;
    for (const ExpectedWire& wire : w.wires)
        rows.push_back({wire.output, wire.input, true, false, why, false});
    for (const ExpectedWire& pair : w.apart)
        rows.push_back({pair.output, pair.input, false, false, why, false});
    return rows;
}

// The level an output rests at while the others move: a held line's own, else the pass's.
int RestLevel(const ExpectedWiring& w, int pin, int base)
{
    for (const ExpectedWiring::Held& h : w.held)
        if (h.pin == pin)
            return h.level != 0 ? 1 : 0;
    return base;
}

// The level an input should read with output k moved from the pass's known state, when that
// output should move it at all.
std::optional<bool> ExpectedAfter(const ExpectedWiring& w, std::size_t k, std::size_t j, int base)
{
    for (const ExpectedWire& e : w.wires)
        if (e.output == w.outputs[k] && e.input == w.inputs[j])
            return (1 - RestLevel(w, e.output, base) != 0) != e.inverted;
    return std::nullopt;
}

// Output k moved away from its rest and back: the inputs read after the move and at rest again.
struct Step {
    std::vector<bool> after, restAgain;
};
Step MoveOnce(CountedPort& io, const ExpectedWiring& w, Observations& obs, int base, std::size_t k)
{
    const int rest = RestLevel(w, w.outputs[k], base);
    io.Drive(w.outputs[k], 1 - rest);
    Step step;
    step.after = ReadInputs(io, w, obs);
    io.Drive(w.outputs[k], rest);
    step.restAgain = ReadInputs(io, w, obs);
    return step;
}

// Times a step that found something other than the expected wiring is made again: a reading that
// holds every time is the wiring's, one that changes is a loose contact's.
constexpr int kConfirmations = 3;

// One step of the test: output k moved, what each input did noted. The inputs read at rest before
// and after the move are compared (a line that changes while nothing moves flickers), and every
// reading that differs from the expected wiring is read again by repeating the step. Returns the
// inputs at rest after the step.
std::vector<bool> Observe(CountedPort& io, const ExpectedWiring& w, Observations& obs, int base, std::size_t k,
                          std::vector<bool> rest)
{
    const Step first = MoveOnce(io, w, obs, base, k);
    if (io.Broken())
        return rest;
    std::vector<bool> unsteady(w.inputs.size()), deviates(w.inputs.size());
    for (std::size_t j = 0; j < w.inputs.size(); ++j) {
        ++obs.compared[j];
        unsteady[j] = rest[j] != first.restAgain[j];
        const std::optional<bool> expected = ExpectedAfter(w, k, j, base);
        const bool moved = first.after[j] != rest[j];
        deviates[j] = expected ? !moved || first.after[j] != *expected : moved;
    }
    std::vector<bool> last = first.restAgain;
    const bool confirm = std::find(deviates.begin(), deviates.end(), true) != deviates.end();
    for (int c = 0; confirm && c < kConfirmations && !io.Broken(); ++c) {
        const Step again = MoveOnce(io, w, obs, base, k);
        if (io.Broken())
            break;
        for (std::size_t j = 0; j < w.inputs.size(); ++j) {
            ++obs.compared[j];
            // Every input is compared, not only those that deviated: each read is a chance to
            // see a flicker.
            const bool differs = last[j] != again.restAgain[j] || again.after[j] != first.after[j] ||
                                 (again.after[j] != last[j]) != (first.after[j] != rest[j]);
            unsteady[j] = unsteady[j] || differs;
        }
        last = again.restAgain;
    }
    for (std::size_t j = 0; j < w.inputs.size(); ++j) {
        const std::size_t at = obs.At(k, j);
        if (unsteady[j]) {
            // Taken as the wiring expects, so that no other wire is blamed for this line's flicker.
            ++obs.flickered[j];
            obs.unsteady[base][at] = true;
            const std::optional<bool> expected = ExpectedAfter(w, k, j, base);
            obs.moved[base][at] = expected.has_value();
            obs.wentHigh[base][at] = expected.value_or(rest[j]);
        } else {
            obs.moved[base][at] = first.after[j] != rest[j];
            obs.wentHigh[base][at] = first.after[j];
        }
    }
    return last;
}

} // namespace

ExpectedWiring LoopbackPlugWiring()
{
    ExpectedWiring w;
    w.name = "标准回环插头";
    for (int pin = 1; pin <= kConnectorPins; ++pin)
        (IsOutputPin(pin) ? w.outputs : w.inputs).push_back(pin);
    for (const PlugWire& plug : kLoopbackPlug)
        w.wires.push_back({plug.output, plug.input, false});
    return w;
}

ExpectedWiring IspLoopWiring(const CIspCable& cable, const std::string& cableName)
{
    ExpectedWiring w;
    w.name = cableName + " ISP 端回环 (MOSI 接 MISO)";
    w.mapSource = MapSourceText(cable.m_mapSource);
    w.mapWarnings = cable.m_mapSource.warnings;
    struct Line {
        const char* name;
        int pin;
    };
    const Line heldLines[] = {{"LE", cable.m_nLePin}, {"OE", cable.m_nOePin}};
    if (IsOutputPin(cable.m_nLePin))
        w.held.push_back({cable.m_nLePin, cable.m_nLeEnable});
    if (IsOutputPin(cable.m_nOePin) && cable.m_nOePin != cable.m_nLePin)
        w.held.push_back({cable.m_nOePin, cable.m_nOeEnable});
    auto held = [&](int pin) {
        return std::any_of(w.held.begin(), w.held.end(), [&](const ExpectedWiring::Held& h) { return h.pin == pin; });
    };
    auto addOutput = [&](int pin) {
        if (IsOutputPin(pin) && !held(pin) && IndexOf(w.outputs, pin) == w.outputs.size())
            w.outputs.push_back(pin);
    };
    for (int pin : {cable.m_nMosiPin, cable.m_nSckPin, cable.m_nRstPin, cable.m_nR1Pin, cable.m_nR2Pin})
        addOutput(pin);
    for (int pin = 1; pin <= kConnectorPins; ++pin)
        addOutput(pin);
    // A latch whose two levels differ closes without changing a line; an enable-only line (both
    // levels alike) or an output enable would float the cable's lines if moved.
    const bool latch = (cable.m_nLeEnable != 0) != (cable.m_nLeDisable != 0);
    if (latch && IsOutputPin(cable.m_nLePin) && cable.m_nLePin != cable.m_nMosiPin)
        w.outputs.push_back(cable.m_nLePin);

    if (IsInputPin(cable.m_nMisoPin))
        w.inputs.push_back(cable.m_nMisoPin);
    for (int pin = 1; pin <= kConnectorPins; ++pin)
        if (IsInputPin(pin) && pin != cable.m_nMisoPin)
            w.inputs.push_back(pin);

    ExpectedWire loop{cable.m_nMosiPin, cable.m_nMisoPin, false};
    for (const Line& line : heldLines)
        if (IsOutputPin(cable.m_nMosiPin) && line.pin == cable.m_nMosiPin)
            loop.untestable = std::string("MOSI 与 ") + line.name + " 同用 " + WiringPinText(line.pin) + ", 无法测试";
    if (!IsOutputPin(cable.m_nMosiPin))
        loop.untestable = "MOSI 的 " + WiringPinText(cable.m_nMosiPin) + " 不是输出引脚, 无法测试";
    else if (!IsInputPin(cable.m_nMisoPin))
        loop.untestable = "MISO 的 " + WiringPinText(cable.m_nMisoPin) + " 不是输入引脚, 无法测试";
    w.wires.push_back(loop);
    if (IsInputPin(cable.m_nMisoPin))
        for (int pin : w.outputs)
            if (pin != cable.m_nMosiPin)
                w.apart.push_back({pin, cable.m_nMisoPin});
    return w;
}

bool WiringReport::Passed() const
{
    return !noPort && !portFailed && settingsError.empty() && !wires.empty() &&
           std::all_of(wires.begin(), wires.end(), [](const WireVerdict& v) { return v.pass; });
}

WiringReport RunWiringTest(CParallelPort& port, const ExpectedWiring& w)
{
    const PortInUse inUse = port.InUse();
    auto named = [&](WiringReport report) {
        report.wiringName = w.name;
        report.mapSource = w.mapSource;
        report.mapWarnings = w.mapWarnings;
        report.portText = PortText(inUse);
        report.isVirtual = inUse.isVirtual;
        return report;
    };
    std::string untestable;
    for (const ExpectedWire& wire : w.wires)
        if (!wire.untestable.empty())
            untestable += (untestable.empty() ? "" : "; ") + wire.untestable;
    if (!untestable.empty()) {
        WiringReport report;
        report.wires = Untested(w, "引脚表无法测试, 未驱动也未读取");
        for (WireVerdict& v : report.wires)
            for (const ExpectedWire& wire : w.wires)
                if (v.expected && v.output == wire.output && v.input == wire.input && !wire.untestable.empty())
                    v.finding = wire.untestable;
        report.settingsError = untestable;
        return named(std::move(report));
    }
    if (inUse.isAbsent) {
        WiringReport report;
        report.wires = Untested(w, "没有并口, 未驱动也未读取");
        report.noPort = true;
        report.portProblem = port.FailureReason();
        return named(std::move(report));
    }

    CountedPort io(port);
    const std::uint8_t foundData = io.ReadData();
    const std::uint8_t foundControl = io.ReadControl();
    const std::uint8_t copyData = port.m_byData;
    const std::uint8_t copyControl = port.m_byControl;

    // Known state: the data lines driven (forward direction), every other line as found.
    port.m_byData = foundData;
    port.m_byControl = static_cast<std::uint8_t>(foundControl & ~kReverseDirectionBit);
    if ((foundControl & kReverseDirectionBit) && !io.Broken())
        io.WriteControl(port.m_byControl);
    for (const ExpectedWiring::Held& h : w.held)
        io.Drive(h.pin, h.level);

    Observations obs(w.outputs.size(), w.inputs.size());
    for (int base = 0; base < 2 && !io.Broken(); ++base) {
        for (int pin : w.outputs)
            io.Drive(pin, RestLevel(w, pin, base));
        std::vector<bool> rest = ReadInputs(io, w, obs);
        for (std::size_t k = 0; k < w.outputs.size() && !io.Broken(); ++k)
            rest = Observe(io, w, obs, base, k, std::move(rest));
    }
    const bool broken = io.Broken();

    io.WriteData(foundData);
    io.WriteControl(foundControl);
    port.m_byData = copyData;
    port.m_byControl = copyControl;

    WiringReport report;
    if (broken || io.Broken()) {
        // What was read since the failure is the failure's, not the cable's.
        report.portFailed = true;
        report.portProblem = port.FailureReason();
    } else {
        report = Judge(w, obs);
    }
    report.accesses = io.Accesses();
    return named(std::move(report));
}

int WiringExitCode(const WiringReport& report)
{
    if (!report.settingsError.empty())
        return kWiringSettingsError;
    if (report.noPort || report.portFailed)
        return kWiringNoPort;
    return report.Passed() ? kWiringPass : kWiringFail;
}

const char* WiringResultText(bool pass) { return pass ? "通过" : "失败"; }

const char* WiringResultText(const WireVerdict& v) { return v.tested ? WiringResultText(v.pass) : "未测试"; }

std::string WiringPinText(int pin) { return "PIN" + std::to_string(pin); }

std::string WiringSubjectText(const WiringReport& report)
{
    std::string text = "并口: " + report.portText + "\n";
    if (!report.mapSource.empty())
        text += report.mapSource + "\n";
    for (const std::string& w : report.mapWarnings)
        text += "警告: " + w + "\n";
    return text;
}

std::string WiringSummary(const WiringReport& report)
{
    // The port is named in the verdict itself: a pass on the virtual port is no cable's pass.
    const std::string port = " [" + report.portText + "]";
    if (!report.settingsError.empty())
        return "结论: 设置错误, 引脚表无法测试, 未测试任何接线" + port + ": " + report.settingsError;
    if (report.portFailed)
        return "结论: 并口访问失败, 未判断任何接线" + port +
               (report.portProblem.empty() ? std::string() : ": " + report.portProblem);
    if (report.noPort)
        return "结论: 未测试, 没有可用的并口" + port;
    const auto failed = std::count_if(report.wires.begin(), report.wires.end(),
                                      [](const WireVerdict& v) { return !v.pass; });
    std::string text = report.Passed() ? "结论: 通过" : "结论: 失败";
    text += port;
    text += " (" + std::to_string(report.wires.size() - static_cast<std::size_t>(failed)) + "/" +
            std::to_string(report.wires.size()) + " 项通过";
    text += "; 寄存器访问 " + std::to_string(report.accesses) + " 次)";
    return text;
}

std::string FormatWiringReport(const WiringReport& report)
{
    // The finding comes last, so that the pin and result columns line up whatever its width.
    std::string text = "接线测试: " + report.wiringName + "\n" + WiringSubjectText(report);
    char line[64];
    if (!report.portFailed) {
        std::snprintf(line, sizeof line, "%s    %s    %s  %s\n", kWiringHeaders[0], kWiringHeaders[1],
                      kWiringHeaders[2], kWiringHeaders[3]);
        text += line;
    }
    for (const WireVerdict& v : report.wires) {
        std::snprintf(line, sizeof line, "%-8s%-8s%s  ", WiringPinText(v.output).c_str(),
                      WiringPinText(v.input).c_str(), WiringResultText(v));
        text += line + v.finding + "\n";
    }
    return text + WiringSummary(report) + "\n";
}
