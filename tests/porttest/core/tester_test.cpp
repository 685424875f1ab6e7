// The tester without its window: the toggles, their process-wide levels, the cable entries and
// the read-back of one refresh, over the recording backend.
#include <gtest/gtest.h>

#include <vector>

#include "recording_port.h"
#include "settings_text.h"
#include "temp_dir.h"
#include "tester.h"

using Log = std::vector<PortAccess>;
using Toggle = CCableTester::Toggle;

namespace {

constexpr Toggle kAllToggles[] = {Toggle::Mosi, Toggle::Sck, Toggle::Rst, Toggle::R1, Toggle::R2};

// A started tester over an opened driver path, in an empty program directory, levels reset.
struct Tester : ::testing::Test {
    ScratchAppDir dir;
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CCableTester tester{platform, prompt};
    RecordingPortIo& io = platform.driver;

    void SetUp() override
    {
        CCableTester::ResetToggleLevels();
        tester.Start();
        io.log.clear();
    }

    std::vector<bool> Levels()
    {
        const CCableTester::Reading r = tester.ReadAll();
        return std::vector<bool>(r.pinHigh.begin() + 1, r.pinHigh.end());
    }
};

} // namespace

TEST_F(Tester, StartOpensOnceAndLoadsTheQorelDefaults)
{
    EXPECT_EQ(platform.initCalls, 1);
    EXPECT_EQ(tester.Cable().m_nMosiPin, 14);
    EXPECT_TRUE(tester.UsesDefaultQorelMap()); // no settings file in the directory
    tester.ChooseCable(1);
    EXPECT_FALSE(tester.UsesDefaultQorelMap()); // the note belongs to the Qorel Isp entry only
    EXPECT_EQ(tester.Cable().m_nMosiPin, 2);
    dir.Write("QorelIsp.ini", kPinsSectionGbk + "MOSI=5\n");
    tester.ChooseCable(CCableTester::kQorelIspEntry);
    EXPECT_FALSE(tester.UsesDefaultQorelMap());
    EXPECT_EQ(tester.Cable().m_nMosiPin, 5);
    EXPECT_EQ(platform.initCalls, 1);
    EXPECT_EQ(tester.Cable().m_nLatchMode, CIspCable::LATCH_PULSE);
}

TEST_F(Tester, ToggleLevelsFlipFromOneAndOutliveTheTester)
{
    for (Toggle t : kAllToggles) {
        EXPECT_EQ(tester.FlipToggle(t), 0);
        EXPECT_EQ(tester.FlipToggle(t), 1);
        EXPECT_EQ(tester.FlipToggle(t), 0);
    }
    // The levels belong to the process: a new tester goes on from the level driven last.
    CCableTester second(platform, prompt);
    second.Start();
    for (Toggle t : kAllToggles)
        EXPECT_EQ(second.FlipToggle(t), 1);
    CCableTester::ResetToggleLevels();
    EXPECT_EQ(second.FlipToggle(Toggle::Mosi), 0);
}

TEST_F(Tester, SignalTogglesLatchAndReservedLinesDoNot)
{
    tester.FlipToggle(Toggle::Mosi); // pin 14 low: control bit 1 set; LE (pin 17) high then low
    EXPECT_EQ(io.log, (Log{Wc(0x02), Wc(0x02), Wc(0x0A)}));
    io.log.clear();
    tester.FlipToggle(Toggle::R2); // pin 4 low, no latch step
    tester.FlipToggle(Toggle::R2);
    EXPECT_EQ(io.log, (Log{Wd(0x00), Wd(0x04)}));
}

// On every cable a reserved line is one register write; only the signals run the latch sequence.
TEST_F(Tester, ReservedLinesNeverLatchOnAnyCable)
{
    for (int entry = 0; entry < 3; ++entry) {
        tester.ChooseCable(entry);
        for (Toggle t : {Toggle::R1, Toggle::R2}) {
            for (int flip = 0; flip < 2; ++flip) {
                io.log.clear();
                tester.FlipToggle(t);
                EXPECT_EQ(io.log.size(), tester.PinOf(t) == 0 ? 0u : 1u) << "entry " << entry << " toggle " << int(t);
            }
        }
    }
}

TEST_F(Tester, EachToggleDrivesExactlyThePinItsMapNames)
{
    for (int entry = 0; entry < 3; ++entry) {
        tester.ChooseCable(entry);
        const CIspCable& c = tester.Cable();
        EXPECT_EQ((std::vector<int>{tester.PinOf(Toggle::Mosi), tester.PinOf(Toggle::Sck), tester.PinOf(Toggle::Rst),
                                    tester.PinOf(Toggle::R1), tester.PinOf(Toggle::R2)}),
                  (std::vector<int>{c.m_nMosiPin, c.m_nSckPin, c.m_nRstPin, c.m_nR1Pin, c.m_nR2Pin}));
        for (Toggle t : kAllToggles) {
            tester.ChooseCable(entry);
            const int pin = tester.PinOf(t); // 0: the cable has no such line
            tester.FlipToggle(t);            // the latch line comes back to rest
            const std::vector<bool> first = Levels();
            tester.FlipToggle(t);
            const std::vector<bool> second = Levels();
            for (int p = 1; p <= CCableTester::kPins; ++p)
                EXPECT_EQ(first[p - 1] != second[p - 1], p == pin)
                    << "entry " << entry << " toggle " << int(t) << " pin " << p;
        }
    }
}

TEST_F(Tester, ReadAllReadsEveryPinInOrderThenTheRegisters)
{
    io.data = 0x81;
    io.status = 0x48; // pins 10 and 15 high, pin 11 high (inverted bit 7 clear)
    io.control = 0x0B;
    const CCableTester::Reading r = tester.ReadAll();
    Log expected{Rc(0x0B)};
    for (int pin = 2; pin <= 9; ++pin)
        expected.push_back(Rd(0x81));
    for (int pin = 10; pin <= 13; ++pin)
        expected.push_back(Rs(0x48));
    expected.insert(expected.end(), {Rc(0x0B), Rs(0x48), Rc(0x0B), Rc(0x0B), Rd(0x81), Rc(0x0B), Rs(0x48)});
    EXPECT_EQ(io.log, expected);
    std::vector<int> high;
    for (int pin = 1; pin <= CCableTester::kPins; ++pin)
        if (r.pinHigh[pin])
            high.push_back(pin);
    EXPECT_EQ(high, (std::vector<int>{2, 9, 10, 11, 15}));
    EXPECT_EQ(r.data, 0x81);
    EXPECT_EQ(r.control, 0x0B);
    EXPECT_EQ(r.status, 0x48);
}

// Both windows caption their buttons and labels with these words; a slip in one table entry
// (a swapped name, a level shown inverted, a lower-case hex digit) shows here.
TEST(TesterTexts, CaptionsLabelsAndRegisterTexts)
{
    const struct {
        Toggle toggle;
        int level;
        const char* caption;
    } captions[] = {
        {Toggle::Mosi, 0, "MOSI=0"}, {Toggle::Mosi, 1, "MOSI=1"}, {Toggle::Sck, 0, "SCK=0"},
        {Toggle::Rst, 1, "Rst=1"},   {Toggle::R1, 0, "R1(保留)=0"}, {Toggle::R2, 5, "R2(保留)=1"},
    };
    for (const auto& c : captions)
        EXPECT_EQ(CCableTester::ToggleCaption(c.toggle, c.level), c.caption);
    EXPECT_EQ(CCableTester::MisoCaption(0x80), "MISO=1");
    EXPECT_EQ(CCableTester::MisoCaption(0), "MISO=0");
    EXPECT_EQ(CCableTester::PinLabel(0), "使用PIN0");
    EXPECT_EQ(CCableTester::PinLabel(-2147483647 - 1), "使用PIN-2147483648");
    EXPECT_EQ(CCableTester::RegisterText(0x0A), "0A");
    EXPECT_EQ(CCableTester::RegisterText(0xFF), "FF");
}

// The window's keys run one of two tests: the plug's wiring, or the chosen cable's ISP loop.
TEST_F(Tester, WiringTestIsThePlugsOrTheChosenCables)
{
    EXPECT_EQ(tester.TestWiring(false).wiringName, LoopbackPlugWiring().name);
    tester.ChooseCable(1);
    const WiringReport report = tester.TestWiring(true);
    EXPECT_EQ(report.wiringName, IspLoopWiring(tester.Cable(), CCableTester::kCableEntries[1].name).name);
    EXPECT_NE(report.wiringName, LoopbackPlugWiring().name);
}
