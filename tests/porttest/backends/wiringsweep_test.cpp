// The core's verdicts over the virtual plug's faults, single, paired and loose, against what the
// plug itself shows: no false pass, no false fail, a loose contact named as one and no other wire
// blamed for it.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "cable.h"
#include "pinmap.h"
#include "recording_port.h"
#include "temp_dir.h"
#include "virtualport.h"
#include "wiringrecord.h"

namespace {

// The input levels of a plug for one setting of the data and control registers.
std::uint8_t Inputs(VirtualPort& plug, std::uint8_t data, std::uint8_t control)
{
    plug.WriteData(data);
    plug.WriteControl(control);
    return static_cast<std::uint8_t>(plug.ReadStatus() & 0xF8);
}

// Whether the faults show at the connector at all: some setting of the outputs, each alone or two
// together moved from all low or all high, reads differently from the sound plug.
bool Shows(const PlugFaults& faults)
{
    VirtualPort faulty(0, 0x0C, faults), sound;
    std::vector<int> outputs;
    for (int pin = 1; pin <= kConnectorPins; ++pin)
        if (IsOutputPin(pin))
            outputs.push_back(pin);
    auto registers = [&](int base, int a, int b) {
        std::uint8_t data = 0, control = 0;
        for (int pin : outputs) {
            const PinInfo& info = kPinMap[pin];
            const bool high = (pin == a || pin == b) ? base == 0 : base == 1;
            std::uint8_t& reg = info.reg == PinRegister::Data ? data : control;
            if (high != info.inverted)
                reg = static_cast<std::uint8_t>(reg | info.mask);
        }
        return std::array<std::uint8_t, 2>{data, control};
    };
    for (int base = 0; base < 2; ++base)
        for (int a : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 16, 17})
            for (int b : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 16, 17}) {
                const auto r = registers(base, a, b);
                if (Inputs(faulty, r[0], r[1]) != Inputs(sound, r[0], r[1]))
                    return true;
            }
    return false;
}

struct Tally {
    int tried = 0, falsePass = 0, falseFail = 0;
    std::string misjudged;
    void Note(bool wrong, bool pass, const std::string& what)
    {
        ++tried;
        if (!wrong)
            return;
        (pass ? falsePass : falseFail) += 1;
        if (misjudged.size() < 2000)
            misjudged += what + "\n";
    }
};

} // namespace

TEST(WiringSweep, SingleAndPairedFaultsAreFailedExactlyWhenTheyShow)
{
    std::vector<std::string> singles;
    for (const PlugWire& w : kLoopbackPlug)
        singles.push_back("open=" + std::to_string(w.output) + "-" + std::to_string(w.input));
    for (int a = 1; a <= kConnectorPins; ++a) {
        singles.push_back("stuck=" + std::to_string(a));
        singles.push_back("stuck=" + std::to_string(a) + ":1");
        for (int b = a + 1; b <= kConnectorPins; ++b)
            singles.push_back("short=" + std::to_string(a) + "-" + std::to_string(b));
    }
    std::vector<std::string> faults = singles;
    for (std::size_t i = 0; i < singles.size(); ++i)
        for (std::size_t j = i + 1; j < singles.size(); ++j)
            faults.push_back(singles[i] + "," + singles[j]);

    ScratchAppDir dir;
    RecordingPrompt prompt;
    Tally tally;
    for (const std::string& text : faults) {
        const auto parsed = ParsePlugFaults(text);
        ASSERT_TRUE(parsed) << text;
        VirtualPlatform platform(*parsed);
        CIspCable port(platform, prompt);
        port.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
        const WiringReport r = RunWiringTest(port, LoopbackPlugWiring());
        const bool shows = Shows(*parsed);
        tally.Note(r.Passed() == shows, r.Passed(), text);
        // A steady fault is never taken for a loose contact.
        for (const WireVerdict& v : r.wires)
            EXPECT_FALSE(v.intermittent) << text << ": " << v.finding;
    }
    EXPECT_EQ(tally.tried, 175 + 175 * 174 / 2);
    EXPECT_EQ(tally.falsePass, 0) << tally.misjudged;
    EXPECT_EQ(tally.falseFail, 0) << tally.misjudged;
    std::printf("single and paired faults: %d tried, %d false passes, %d false fails\n", tally.tried,
                tally.falsePass, tally.falseFail);
}

TEST(WiringSweep, ALooseContactIsNamedInTheRunsItShowedAndNoOtherWireFails)
{
    // Each plug wire loose at three chances, alone and beside another wire cut for good; every
    // run is judged against the flickers the plug made in it.
    struct Case {
        PlugWire loose;
        double chance;
        std::optional<PlugWire> cut;
    };
    std::vector<Case> cases;
    for (const PlugWire& loose : kLoopbackPlug) {
        for (double chance : {0.01, 0.05, 0.3})
            cases.push_back({loose, chance, std::nullopt});
        for (const PlugWire& cut : kLoopbackPlug)
            if (!(cut == loose))
                cases.push_back({loose, 0.05, cut});
    }
    constexpr int kSeeds = 12, kRuns = 15;
    ScratchAppDir dir;
    RecordingPrompt prompt;
    Tally runs;
    int flickeringRuns = 0;
    for (const Case& c : cases)
        for (unsigned long seed = 1; seed <= kSeeds; ++seed) {
            PlugFaults faults;
            faults.flaky.push_back({c.loose, c.chance});
            faults.seed = seed;
            if (c.cut)
                faults.open.push_back(*c.cut);
            VirtualPlatform platform(faults);
            CIspCable port(platform, prompt);
            port.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
            const std::string what = "flaky=" + std::to_string(c.loose.output) + "-" + std::to_string(c.loose.input) +
                                     ":" + std::to_string(c.chance) + (c.cut ? ",open=" + std::to_string(c.cut->output) : "") +
                                     ",seed=" + std::to_string(seed);
            RepeatedReport tally;
            int showed = 0;
            for (int run = 0; run < kRuns; ++run) {
                const long before = platform.Port().VisibleFlickers();
                const WiringReport r = RunWiringTest(port, LoopbackPlugWiring());
                const bool flickered = platform.Port().VisibleFlickers() > before;
                showed += flickered ? 1 : 0;
                AddRun(tally, r);
                for (const WireVerdict& v : r.wires) {
                    const PlugWire wire{v.output, v.input};
                    const bool broken = c.cut && wire == *c.cut;
                    const bool loose = wire == c.loose && flickered;
                    // The loose wire fails in the runs it flickered, named intermittent; the cut one
                    // in every run and steadily; any other row is a false fail.
                    const bool right = v.pass == !(broken || loose) && v.intermittent == loose;
                    runs.Note(!right, v.pass, what + " run " + std::to_string(run) + ": " + v.finding);
                }
            }
            flickeringRuns += showed;
            // Over the runs: the loose wire failed exactly as often as it flickered, and is the one
            // named intermittent; the verdict passes only when nothing failed in any run.
            for (const WireTally& t : tally.wires) {
                const PlugWire wire{t.last.output, t.last.input};
                if (wire == c.loose) {
                    EXPECT_EQ(t.failedRuns, showed) << what;
                    EXPECT_EQ(TallyFinding(t, kRuns).rfind(kIntermittentWord, 0) == 0, showed > 0)
                        << what << ": " << TallyFinding(t, kRuns);
                } else {
                    EXPECT_EQ(t.failedRuns, c.cut && wire == *c.cut ? kRuns : 0) << what;
                    EXPECT_FALSE(t.Intermittent()) << what << ": " << TallyFinding(t, kRuns);
                }
            }
            const bool pass = showed == 0 && !c.cut;
            EXPECT_EQ(tally.Passed(), pass) << what;
            EXPECT_EQ(RepeatedExitCode(tally), pass ? kWiringPass : kWiringFail) << what;
            EXPECT_EQ(TallySummary(tally).rfind(pass ? "结论: 通过" : "结论: 失败", 0), 0u) << TallySummary(tally);
        }
    EXPECT_GT(flickeringRuns, 100);
    EXPECT_EQ(runs.falsePass, 0) << runs.misjudged;
    EXPECT_EQ(runs.falseFail, 0) << runs.misjudged;
    std::printf("loose contacts: %zu cases x %d seeds x %d runs, %d runs flickered; %d rows judged, %d false "
                "passes, %d false fails\n",
                cases.size(), kSeeds, kRuns, flickeringRuns, runs.tried, runs.falsePass, runs.falseFail);
}
