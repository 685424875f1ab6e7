// Cable maps, settings file, latch sequences and MISO reads of CIspCable.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <vector>

#include "cable.h"
#include "recording_port.h"
#include "settings_text.h"
#include "temp_dir.h"

using Log = std::vector<PortAccess>;

namespace {

struct Map {
    int mosi, miso, sck, rst, le, leOn, leOff, oe, oeOn, oeOff, r1, r2;
    friend bool operator==(const Map&, const Map&) = default;
};

Map MapOf(const CIspCable& c)
{
    return {c.m_nMosiPin, c.m_nMisoPin, c.m_nSckPin,  c.m_nRstPin,    c.m_nLePin, c.m_nLeEnable,
            c.m_nLeDisable, c.m_nOePin, c.m_nOeEnable, c.m_nOeDisable, c.m_nR1Pin, c.m_nR2Pin};
}

std::ostream& operator<<(std::ostream& os, const Map& m)
{
    return os << "MOSI " << m.mosi << " MISO " << m.miso << " SCK " << m.sck << " RST " << m.rst << " LE "
              << m.le << " (" << m.leOn << "/" << m.leOff << ") OE " << m.oe << " (" << m.oeOn << "/"
              << m.oeOff << ") R1 " << m.r1 << " R2 " << m.r2;
}

constexpr Map kQorelDefaults{14, 15, 3, 16, 17, 1, 0, 2, 0, 1, 3, 4};

// A cable over an opened driver path, with an empty program directory of its own.
struct Cable : ::testing::Test {
    ScratchAppDir dir;
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CIspCable cable{platform, prompt};
    RecordingPortIo& io = platform.driver;

    void SetUp() override { ASSERT_TRUE(cable.OpenPort(CIspCable::PORT_BASE)); }

    void Select(int type, int mode = CIspCable::LATCH_PULSE)
    {
        cable.SelectCable(type, mode, false);
        io.log.clear();
    }
};

} // namespace

TEST_F(Cable, SelectingWithOpenFlagOpensAtBase888AndStillLoadsAfterFailure)
{
    FakePortPlatform failing;
    failing.initDefault = false;
    failing.installResult = false;
    CIspCable c(failing, prompt);
    c.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
    EXPECT_EQ(c.m_wDataPort, 888);
    EXPECT_EQ(prompt.messages.size(), 1u); // both failures, said once
    EXPECT_EQ(MapOf(c), kQorelDefaults);

    c.SelectCable(CIspCable::CABLE_ATMEL_BYTEBLASTER, CIspCable::LATCH_PULSE, false);
    EXPECT_EQ(failing.initCalls, 2); // no second open
}

TEST_F(Cable, QorelWithoutSettingsFileTakesDefaultsWithoutPortAccess)
{
    cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_HOLD, false);
    EXPECT_EQ(MapOf(cable), kQorelDefaults);
    EXPECT_FALSE(cable.m_bSettingsFileFound);
    dir.Write("qorelisp.ini", kPinsSectionGbk + "SCK=5\n"); // as a Windows user may have named it
    cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_HOLD, false);
    EXPECT_TRUE(cable.m_bSettingsFileFound);
    EXPECT_EQ(cable.m_nSckPin, 5);
    std::filesystem::remove(dir.Path() / "qorelisp.ini");
    cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_HOLD, false);
    EXPECT_EQ(cable.m_nLatchMode, CIspCable::LATCH_HOLD);
    EXPECT_TRUE(io.log.empty());
}

TEST_F(Cable, QorelSettingsFileOnlySckGivesDefaultsForTheRest)
{
    dir.Write("QorelIsp.ini", kPinsSectionGbk + "SCK=5\n");
    Select(CIspCable::CABLE_QOREL_ISP);
    Map expected = kQorelDefaults;
    expected.sck = 5;
    EXPECT_EQ(MapOf(cable), expected);
}

TEST_F(Cable, QorelSettingsFileInGbkIsReadAgainOnEverySelection)
{
    const std::string gbk = "[\xD2\xFD\xBD\xC5\xBF\xD8\xD6\xC6]\r\nmosi=9\r\nMiso=13\r\nR1=0\r\nR2=-4\r\n"
                            "[\xCB\xF8\xB4\xE6\xBF\xD8\xD6\xC6(LE)]\r\nEnable=0\r\nDisable=1\r\n"
                            "[\xCA\xE4\xB3\xF6\xBF\xD8\xD6\xC6(OE)]\r\nENABLE=1\r\nDisable=0\r\n";
    dir.Write("QorelIsp.ini", gbk);
    Select(CIspCable::CABLE_QOREL_ISP);
    EXPECT_EQ(MapOf(cable), (Map{9, 13, 3, 16, 17, 0, 1, 2, 1, 0, 0, -4}));

    dir.Write("QorelIsp.ini", kPinsSectionGbk + "MOSI=6\n");
    Select(CIspCable::CABLE_QOREL_ISP);
    EXPECT_EQ(cable.m_nMosiPin, 6);
    EXPECT_EQ(cable.m_nMisoPin, 15); // every value is read again, not only the changed ones
}

TEST_F(Cable, ByteBlasterMapsLeaveOeLevelsAlone)
{
    Select(CIspCable::CABLE_QOREL_ISP);
    cable.m_nOeEnable = 33;
    cable.m_nOeDisable = 44;
    Select(CIspCable::CABLE_ATMEL_BYTEBLASTER);
    EXPECT_EQ(MapOf(cable), (Map{2, 10, 1, 17, 4, 0, 0, 0, 33, 44, 14, 16}));
    EXPECT_TRUE(io.log.empty());

    cable.SelectCable(CIspCable::CABLE_ALTERA_BYTEBLASTER, CIspCable::LATCH_PULSE, false);
    EXPECT_EQ(MapOf(cable), (Map{8, 11, 2, 3, 14, 0, 0, 0, 33, 44, 0, 0}));
}

TEST_F(Cable, AlteraDrivesPin14LowAtOnceFromTheControlCopy)
{
    cable.m_byControl = 0x04;
    io.control = 0xF0; // the register is not read first
    cable.SelectCable(CIspCable::CABLE_ALTERA_BYTEBLASTER, CIspCable::LATCH_PULSE, false);
    EXPECT_EQ(io.log, (Log{Wc(0x06)}));
}

TEST_F(Cable, UnknownTypesOnlyChangeTheLatchMode)
{
    Select(CIspCable::CABLE_ATMEL_BYTEBLASTER);
    const Map before = MapOf(cable);
    for (int type : {0, 4, -1, INT_MAX}) {
        cable.SelectCable(type, CIspCable::LATCH_NONE, false);
        EXPECT_EQ(MapOf(cable), before) << type;
        EXPECT_EQ(cable.m_nLatchMode, CIspCable::LATCH_NONE);
    }
    EXPECT_TRUE(io.log.empty());
    cable.SetMosi(true); // LATCH_NONE: the MOSI write alone
    EXPECT_EQ(io.log, (Log{Wd(0x01)}));
}

TEST_F(Cable, WorkedExampleSetSckOnQorelDefaults)
{
    Select(CIspCable::CABLE_QOREL_ISP);
    cable.SetSck(true);
    EXPECT_EQ(io.log, (Log{Wd(0x02), Wc(0x00), Wc(0x08)}));
}

TEST_F(Cable, LatchModesAfterEachSignalWrite)
{
    Select(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_HOLD);
    cable.SetRst(true);   // pin 16
    cable.SetMosi(false); // pin 14, inverted
    EXPECT_EQ(io.log, (Log{Wc(0x04), Wc(0x04), Wc(0x06), Wc(0x06)}));

    for (int oddMode : {3, -1, 99}) { // anything but 1 and 2 pulses
        Select(CIspCable::CABLE_QOREL_ISP, oddMode);
        cable.SetSck(false);
        EXPECT_EQ(io.log, (Log{Wd(0x00), Wc(0x06), Wc(0x0E)})) << oddMode;
    }
}

TEST_F(Cable, AtmelSetMosiSetsDataBitZeroThenDrivesPin4LowTwice)
{
    Select(CIspCable::CABLE_ATMEL_BYTEBLASTER);
    cable.m_byData = 0x0C;
    cable.SetMosi(true);
    EXPECT_EQ(io.log, (Log{Wd(0x0D), Wd(0x09), Wd(0x09)}));
}

TEST_F(Cable, RefusedSignalWriteStillRunsTheLatchSequence)
{
    dir.Write("QorelIsp.ini", kPinsSectionGbk + "MOSI=10\nRST=0\nSCK=99\n");
    Select(CIspCable::CABLE_QOREL_ISP);
    cable.SetMosi(true);
    cable.SetRst(false);
    cable.SetSck(true);
    EXPECT_EQ(io.log, (Log{Wc(0x00), Wc(0x08), Wc(0x00), Wc(0x08), Wc(0x00), Wc(0x08)}));
}

#ifndef _WIN32 // Windows' own reader wraps huge values instead of saturating them
TEST_F(Cable, AbsentOrHugeLePinMeansNoAccessAtAll)
{
    dir.Write("QorelIsp.ini", "[引脚控制]\nLE=4294967298\nMOSI=-2147483649\nMISO=junk\n");
    Select(CIspCable::CABLE_QOREL_ISP);
    EXPECT_EQ(cable.m_nLePin, INT_MAX);
    EXPECT_EQ(cable.m_nMosiPin, INT_MIN);
    EXPECT_EQ(cable.m_nMisoPin, 0);
    cable.SetMosi(true);
    EXPECT_EQ(cable.GetMiso(), 0u);
    EXPECT_TRUE(io.log.empty());
}
#endif

TEST_F(Cable, GetMisoLatchesFirstAndReturnsThePinValueUnchanged)
{
    Select(CIspCable::CABLE_ATMEL_BYTEBLASTER);
    io.scriptedStatus = {0x40, 0x00};
    EXPECT_EQ(cable.GetMiso(), 0x40u); // pin 10 high
    EXPECT_EQ(cable.GetMiso(), 0u);
    EXPECT_EQ(io.log, (Log{Wd(0x00), Wd(0x00), Rs(0x40), Wd(0x00), Wd(0x00), Rs(0x00)}));

    Select(CIspCable::CABLE_ALTERA_BYTEBLASTER, CIspCable::LATCH_NONE);
    io.scriptedStatus = {0x7F, 0x80};
    EXPECT_EQ(cable.GetMiso(), 1u); // pin 11: status bit 7 reads 0
    EXPECT_EQ(cable.GetMiso(), 0u);
    EXPECT_EQ(io.log, (Log{Rs(0x7F), Rs(0x80)}));
}

TEST_F(Cable, AlteraReservedLinesAreAbsentAndRefuse)
{
    Select(CIspCable::CABLE_ALTERA_BYTEBLASTER);
    EXPECT_FALSE(cable.SetPin(cable.m_nR1Pin));
    EXPECT_FALSE(cable.ClearPin(cable.m_nR2Pin));
    EXPECT_TRUE(io.log.empty());
}
