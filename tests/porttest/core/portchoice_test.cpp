// The port choice: what --port and PORVIK_PORT may say, and which of them wins.
#include <gtest/gtest.h>

#include "portchoice.h"

TEST(PortSelection, ParsesKeywordsDevicesAndRejectsTheRest)
{
    EXPECT_EQ(ParsePortChoice("virtual"), (PortChoice{PortChoice::Virtual, {}}));
    EXPECT_EQ(ParsePortChoice("DIRECT"), (PortChoice{PortChoice::Direct, {}}));
    EXPECT_EQ(ParsePortChoice("Auto"), (PortChoice{PortChoice::Auto, {}}));
    EXPECT_EQ(ParsePortChoice("/dev/parport1"), (PortChoice{PortChoice::Device, "/dev/parport1"}));
    EXPECT_EQ(ParsePortChoice("./parport0"), (PortChoice{PortChoice::Device, "./parport0"}));
    EXPECT_EQ(ParsePortChoice("parport2"), (PortChoice{PortChoice::Device, "/dev/parport2"}));

    for (const char* bad : {"", "virt", "direct ", " virtual", "parport", "parportx", "lpt1", "0x378"})
        EXPECT_EQ(ParsePortChoice(bad), std::nullopt) << '"' << bad << '"';
}

TEST(PortSelection, OptionBeatsEnvironmentBeatsAuto)
{
    EXPECT_EQ(ChoosePort("virtual", "direct").kind, PortChoice::Virtual);
    EXPECT_EQ(ChoosePort(std::nullopt, "direct").kind, PortChoice::Direct);
    EXPECT_EQ(ChoosePort(std::nullopt, nullptr).kind, PortChoice::Auto);
    // Empty values count as not given.
    EXPECT_EQ(ChoosePort(std::string(), "/dev/parport3"),
              (PortChoice{PortChoice::Device, "/dev/parport3"}));
    EXPECT_EQ(ChoosePort(std::nullopt, "").kind, PortChoice::Auto);
    // A value not understood is kept as a device name, so that it fails visibly by its name.
    EXPECT_EQ(ChoosePort(std::nullopt, "direkt"), (PortChoice{PortChoice::Device, "direkt"}));
}
