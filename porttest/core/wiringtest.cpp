#include "wiringtest.h"

#include <algorithm>
#include <cstdio>

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

// What one input did when one output left the known state: [known level][output][input].
struct Observations {
    std::size_t outputs, inputs;
    std::vector<bool> moved[2], wentHigh[2];
    std::vector<bool> seenHigh, seenLow;

    Observations(std::size_t o, std::size_t i)
        : outputs(o), inputs(i), moved{std::vector<bool>(o * i), std::vector<bool>(o * i)},
          wentHigh{std::vector<bool>(o * i), std::vector<bool>(o * i)}, seenHigh(i), seenLow(i)
    {
    }
    std::size_t At(std::size_t k, std::size_t j) const { return k * inputs + j; }
    bool Moves(std::size_t k, std::size_t j) const { return moved[0][At(k, j)] || moved[1][At(k, j)]; }
};

std::vector<bool> ReadInputs(CountedPort& io, const ExpectedWiring& w, Observations& obs)
{
    std::vector<bool> levels;
    for (std::size_t j = 0; j < w.inputs.size(); ++j) {
        const bool high = io.Read(w.inputs[j]);
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
        report.wires.push_back(std::move(v));
    }
    for (const ExpectedWire& pair : w.apart)
        report.wires.push_back(JudgeApart(w, obs, pair));
    for (std::size_t k = 0; k < obs.outputs; ++k)
        for (std::size_t j = 0; j < obs.inputs; ++j) {
            const int output = w.outputs[k], input = w.inputs[j];
            if (obs.Moves(k, j) && !IsExpected(w, output, input) && !IsApart(w, output, input) &&
                OnExpectedWire(w, output, input))
                report.wires.push_back({output, input, false, false,
                                        "多余的连接: " + WiringPinText(input) + " 跟随 " + WiringPinText(output) +
                                            " (短路或接错)"});
        }
    return report;
}

// Every row of the wiring, none of them tested.
std::vector<WireVerdict> Untested(const ExpectedWiring& w)
{
    std::vector<WireVerdict> rows;
    for (const ExpectedWire& wire : w.wires)
        rows.push_back({wire.output, wire.input, true, false, "没有并口, 未驱动也未读取", false});
    for (const ExpectedWire& pair : w.apart)
        rows.push_back({pair.output, pair.input, false, false, "没有并口, 未驱动也未读取", false});
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
    return !noPort && !portFailed && !wires.empty() &&
           std::all_of(wires.begin(), wires.end(), [](const WireVerdict& v) { return v.pass; });
}

WiringReport RunWiringTest(CParallelPort& port, const ExpectedWiring& w)
{
    const PortInUse inUse = port.InUse();
    auto named = [&](WiringReport report) {
        report.wiringName = w.name;
        report.mapSource = w.mapSource;
        report.portText = PortText(inUse);
        report.isVirtual = inUse.isVirtual;
        return report;
    };
    if (inUse.isAbsent) {
        WiringReport report;
        report.wires = Untested(w);
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
        const std::vector<bool> before = ReadInputs(io, w, obs);
        for (std::size_t k = 0; k < w.outputs.size() && !io.Broken(); ++k) {
            const int rest = RestLevel(w, w.outputs[k], base);
            io.Drive(w.outputs[k], 1 - rest);
            const std::vector<bool> after = ReadInputs(io, w, obs);
            io.Drive(w.outputs[k], rest);
            for (std::size_t j = 0; j < w.inputs.size(); ++j) {
                obs.moved[base][obs.At(k, j)] = after[j] != before[j];
                obs.wentHigh[base][obs.At(k, j)] = after[j];
            }
        }
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
    return text;
}

std::string WiringSummary(const WiringReport& report)
{
    // The port is named in the verdict itself: a pass on the virtual port is no cable's pass.
    const std::string port = " [" + report.portText + "]";
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
