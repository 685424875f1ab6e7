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

    void Drive(int pin, int level)
    {
        if (m_port.SetPinLevel(pin, level))
            ++m_accesses;
    }
    bool Read(int pin)
    {
        if (LookupPin(pin))
            ++m_accesses;
        return m_port.GetPin(pin) != 0;
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

WiringReport Judge(const ExpectedWiring& w, const Observations& obs)
{
    WiringReport report;
    report.wiringName = w.name;
    for (const ExpectedWire& wire : w.wires) {
        WireVerdict v{wire.output, wire.input, true, false, {}};
        v.finding = JudgeWire(w, obs, wire, v.pass);
        report.wires.push_back(std::move(v));
    }
    for (std::size_t k = 0; k < obs.outputs; ++k)
        for (std::size_t j = 0; j < obs.inputs; ++j)
            if (obs.Moves(k, j) && !IsExpected(w, w.outputs[k], w.inputs[j]))
                report.wires.push_back({w.outputs[k], w.inputs[j], false, false,
                                        "多余的连接: " + WiringPinText(w.inputs[j]) + " 跟随 " +
                                            WiringPinText(w.outputs[k]) + " (短路或接错)"});
    return report;
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
    if (IsOutputPin(cable.m_nLePin))
        w.held.push_back({cable.m_nLePin, cable.m_nLeEnable});
    if (IsOutputPin(cable.m_nOePin))
        w.held.push_back({cable.m_nOePin, cable.m_nOeEnable});
    auto held = [&](int pin) {
        return std::any_of(w.held.begin(), w.held.end(), [&](const ExpectedWiring::Held& h) { return h.pin == pin; });
    };
    for (int pin : {cable.m_nMosiPin, cable.m_nSckPin, cable.m_nRstPin})
        if (IsOutputPin(pin) && !held(pin) && IndexOf(w.outputs, pin) == w.outputs.size())
            w.outputs.push_back(pin);
    if (IsInputPin(cable.m_nMisoPin))
        w.inputs.push_back(cable.m_nMisoPin);
    w.wires.push_back({cable.m_nMosiPin, cable.m_nMisoPin, false});
    return w;
}

bool WiringReport::Passed() const
{
    return !noPort && !wires.empty() &&
           std::all_of(wires.begin(), wires.end(), [](const WireVerdict& v) { return v.pass; });
}

WiringReport RunWiringTest(CParallelPort& port, const ExpectedWiring& w)
{
    CountedPort io(port);
    const std::uint8_t foundData = io.ReadData();
    const std::uint8_t foundControl = io.ReadControl();
    const std::uint8_t copyData = port.m_byData;
    const std::uint8_t copyControl = port.m_byControl;

    // Known state: the data lines driven (forward direction), every other line as found.
    port.m_byData = foundData;
    port.m_byControl = static_cast<std::uint8_t>(foundControl & ~kReverseDirectionBit);
    if (foundControl & kReverseDirectionBit)
        io.WriteControl(port.m_byControl);
    for (const ExpectedWiring::Held& h : w.held)
        io.Drive(h.pin, h.level);

    Observations obs(w.outputs.size(), w.inputs.size());
    for (int base = 0; base < 2; ++base) {
        for (int pin : w.outputs)
            io.Drive(pin, base);
        const std::vector<bool> before = ReadInputs(io, w, obs);
        for (std::size_t k = 0; k < w.outputs.size(); ++k) {
            io.Drive(w.outputs[k], 1 - base);
            const std::vector<bool> after = ReadInputs(io, w, obs);
            io.Drive(w.outputs[k], base);
            for (std::size_t j = 0; j < w.inputs.size(); ++j) {
                obs.moved[base][obs.At(k, j)] = after[j] != before[j];
                obs.wentHigh[base][obs.At(k, j)] = after[j];
            }
        }
    }

    io.WriteData(foundData);
    io.WriteControl(foundControl);
    port.m_byData = copyData;
    port.m_byControl = copyControl;

    WiringReport report = Judge(w, obs);
    report.noPort = port.InUse().isAbsent;
    report.accesses = io.Accesses();
    return report;
}

int WiringExitCode(const WiringReport& report)
{
    if (report.noPort)
        return kWiringNoPort;
    return report.Passed() ? kWiringPass : kWiringFail;
}

const char* WiringResultText(bool pass) { return pass ? "通过" : "失败"; }

std::string WiringPinText(int pin) { return "PIN" + std::to_string(pin); }

std::string WiringSummary(const WiringReport& report)
{
    const auto failed = std::count_if(report.wires.begin(), report.wires.end(),
                                      [](const WireVerdict& v) { return !v.pass; });
    std::string text = report.Passed() ? "结论: 通过" : "结论: 失败";
    text += " (" + std::to_string(report.wires.size() - static_cast<std::size_t>(failed)) + "/" +
            std::to_string(report.wires.size()) + " 项通过";
    if (report.noPort)
        text += "; 未驱动任何并口, 结果与电缆无关";
    text += "; 寄存器访问 " + std::to_string(report.accesses) + " 次)";
    return text;
}

std::string FormatWiringReport(const WiringReport& report)
{
    // The finding comes last, so that the pin and result columns line up whatever its width.
    std::string text = "接线测试: " + report.wiringName + "\n";
    char line[64];
    std::snprintf(line, sizeof line, "%s    %s    %s  %s\n", kWiringHeaders[0], kWiringHeaders[1],
                  kWiringHeaders[2], kWiringHeaders[3]);
    text += line;
    for (const WireVerdict& v : report.wires) {
        std::snprintf(line, sizeof line, "%-8s%-8s%s  ", WiringPinText(v.output).c_str(),
                      WiringPinText(v.input).c_str(), WiringResultText(v.pass));
        text += line + v.finding + "\n";
    }
    return text + WiringSummary(report) + "\n";
}
