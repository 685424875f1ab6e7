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

TEST(PortSelection, VirtualPlugFaultsAreReadAsDataAndBadOnesSayWhy)
{
    using W = PlugWire;
    const auto faults = [](const char* text) { return ParsePortChoice(text).value_or(PortChoice()).faults; };
    EXPECT_EQ(faults("virtual:open=2-15").open, (std::vector<W>{{2, 15}}));
    EXPECT_EQ(faults("VIRTUAL:open=15-2").open, (std::vector<W>{{2, 15}})); // either end first
    EXPECT_EQ(faults("virtual:short=2-3,stuck=11,stuck=13:1").shorts, (std::vector<W>{{2, 3}}));
    EXPECT_EQ(faults("virtual:short=2-3,stuck=11,stuck=13:1").stuck,
              (std::vector<PlugFaults::Stuck>{{11, false}, {13, true}}));
    EXPECT_EQ(ParsePortChoice("virtual:stuck=11")->kind, PortChoice::Virtual);

    for (const char* bad : {"virtual:", "virtual:open=2-3", "virtual:open=2", "virtual:short=2-2",
                            "virtual:short=0-3", "virtual:stuck=18", "virtual:stuck=11:2", "virtual:cut=2-15",
                            "virtual:open=2-15,", "virtual:open=2-15,,stuck=11", "virtual:stuck"}) {
        std::string error;
        EXPECT_EQ(ParsePortChoice(bad, &error), std::nullopt) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(PortChoice, TheWindowOffersAutoEachPortFoundAndTheVirtualPort)
{
    const std::vector<PortOffer> offers = PortOffers({{"/dev/parport0", 0x378, "PCSPP,TRISTATE"}, {"/dev/parport1", 0xd100, ""}});
    ASSERT_EQ(offers.size(), 4u);
    EXPECT_EQ(offers[0].choice, PortChoice{PortChoice::Auto});
    EXPECT_EQ(offers[1].label, "/dev/parport0 (0x378, PCSPP,TRISTATE)");
    EXPECT_EQ(offers[1].choice, (PortChoice{PortChoice::Device, "/dev/parport0"}));
    EXPECT_EQ(offers[2].label, "/dev/parport1 (0xd100)");
    EXPECT_EQ(offers[3].choice, PortChoice{PortChoice::Virtual});
    EXPECT_EQ(PortOffers({}).size(), 2u);
}

TEST(PortSelection, DirectAtACardsBaseIsCheckedAndReadsBackAsWritten)
{
    struct Case {
        const char* text;
        int base; // -1: refused, with a reason
    };
    const Case cases[] = {
        {"direct", 0x378},       {"direct:0xD010", 0xD010}, {"Direct:0xd010", 0xD010},
        {"direct:0XCEFC", 0xCEFC}, {"direct:888", 0x378},   {"direct:0x100", 0x100},
        {"direct:0xFFFC", 0xFFFC}, {"direct:", -1},         {"direct:0x", -1},
        {"direct:0xD01G", -1},    {"direct:0x80", -1},       {"direct:0xD011", -1},
        {"direct:0x10000", -1},   {"direct:0x0", -1},        {"direct: 0xD010", -1},
        {"direct:-888", -1},      {"direct:0x00000000000378", -1},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto choice = ParsePortChoice(c.text, &error);
        if (c.base < 0) {
            EXPECT_EQ(choice, std::nullopt) << c.text;
            EXPECT_NE(error.find("基地址"), std::string::npos) << c.text << ": " << error;
            continue;
        }
        ASSERT_TRUE(choice) << c.text << ": " << error;
        EXPECT_EQ(choice->kind, PortChoice::Direct) << c.text;
        EXPECT_EQ(choice->base, c.base) << c.text;
        // What is kept for the next start reads back as the same port.
        EXPECT_EQ(ParsePortChoice(PortChoiceText(*choice)), choice) << PortChoiceText(*choice);
    }
    for (const char* text : {"auto", "virtual", "/dev/parport1", "virtual:open=2-15,short=3-4,stuck=11:1,stuck=13"})
        EXPECT_EQ(ParsePortChoice(PortChoiceText(*ParsePortChoice(text))), ParsePortChoice(text)) << text;
}
