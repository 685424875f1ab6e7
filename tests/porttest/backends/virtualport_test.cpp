// The virtual loopback port end to end, through CParallelPort and CIspCable.
#include <gtest/gtest.h>

#include <utility>

#include "cable.h"
#include "recording_port.h"
#include "settings_text.h"
#include "temp_dir.h"
#include "virtualport.h"

TEST(VirtualPort, EveryLoopedOutputReadsBackOnItsPartnerThroughThePinLayer)
{
    VirtualPlatform platform;
    RecordingPrompt prompt;
    CParallelPort port(platform, prompt);
    ASSERT_TRUE(port.OpenPort(888));
    EXPECT_TRUE(port.InUse().isVirtual);

    const std::pair<int, int> plug[] = {{1, 13}, {2, 15}, {16, 10}, {17, 11}, {14, 12}};
    for (auto [out, in] : plug) {
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(port.SetPin(out));
            EXPECT_NE(port.GetPin(in), 0u) << out << " high -> " << in;
            EXPECT_NE(port.GetPin(out), 0u) << out;
            ASSERT_TRUE(port.ClearPin(out));
            EXPECT_EQ(port.GetPin(in), 0u) << out << " low -> " << in;
            EXPECT_EQ(port.GetPin(out), 0u) << out;
        }
    }
    // Each input follows its own output only.
    port.WriteControl(0x00); // pins 1, 14 high; 16, 17 low
    port.WriteData(0x00);
    EXPECT_EQ(port.ReadStatus(), 0x30);
    port.WriteControl(0x0F); // pins 1, 14 low; 16, 17 high
    port.WriteData(0x01);
    EXPECT_EQ(port.ReadStatus(), 0xC8);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(VirtualPort, ReverseDirectionFloatsTheDataLines)
{
    VirtualPort io;
    EXPECT_EQ(io.ReadControl(), 0x0C);
    io.WriteData(0x5A);
    EXPECT_EQ(io.ReadData(), 0x5A);
    io.WriteData(0x00);
    io.WriteControl(0x2C);
    EXPECT_EQ(io.ReadData(), 0xFF);
    EXPECT_NE(io.ReadStatus() & 0x08, 0); // pin 15 follows the floating pin 2
    io.WriteData(0x5A);
    io.WriteControl(0x0C);
    EXPECT_EQ(io.ReadData(), 0x5A); // the latch kept its value
}

TEST(VirtualPort, CableSignalsLoopBackToMiso)
{
    ScratchAppDir dir;
    // MOSI on pin 14 feeds pin 12; the latch pulses pin 17, which feeds pin 11.
    dir.Write("QorelIsp.ini", kPinsSectionGbk + "MISO=12\n");
    {
        VirtualPlatform platform;
        RecordingPrompt prompt;
        CIspCable cable(platform, prompt);
        cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
        cable.SetMosi(true);
        EXPECT_EQ(cable.GetMiso(), 0x20u);
        cable.SetMosi(false);
        EXPECT_EQ(cable.GetMiso(), 0u);
        // After the pulse LE rests at its disable level (0): pin 17 low, so pin 11 reads low.
        EXPECT_EQ(cable.GetPin(11), 0u);

        cable.SetRst(true); // pin 16 -> pin 10
        EXPECT_NE(cable.GetPin(10), 0u);
        cable.SetRst(false);
        EXPECT_EQ(cable.GetPin(10), 0u);

        // Atmel: SCK on pin 1 feeds pin 13.
        cable.SelectCable(CIspCable::CABLE_ATMEL_BYTEBLASTER, CIspCable::LATCH_PULSE, false);
        cable.SetSck(true);
        EXPECT_NE(cable.GetPin(13), 0u);
        cable.SetSck(false);
        EXPECT_EQ(cable.GetPin(13), 0u);
        // Atmel MOSI on pin 2 feeds pin 15.
        cable.SetMosi(true);
        EXPECT_NE(cable.GetPin(15), 0u);
        EXPECT_TRUE(prompt.messages.empty());
    }
}
