// Where the tester's port and settling time come from: the command line, the environment, the
// port kept from the window, the settings file's [端口] section; and keeping a port.
#include <gtest/gtest.h>

#include <map>

#include "portstart.h"

namespace {

using Entries = std::map<std::string, std::string>;

PortSettings FromFile(const Entries& entries)
{
    auto read = [entries](std::string_view section, std::string_view key) -> std::optional<std::string> {
        EXPECT_EQ(section, "端口");
        const auto it = entries.find(std::string(key));
        if (it == entries.end())
            return std::nullopt;
        return it->second;
    };
    return ReadPortSettings(read, "/opt/porvik/QorelIsp.ini");
}

bool Mentions(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(PortSettings, EntriesOfTheSettingsFile)
{
    struct Case {
        const char* name;
        Entries entries;
        std::optional<std::string> port;
        std::optional<unsigned> settle;
        const char* problem; // quoted in the one problem; nullptr: none
    };
    const Case cases[] = {
        {"none", {}, std::nullopt, std::nullopt, nullptr},
        {"both", {{"Port", " direct:0xD010 "}, {"SettleUs", "20"}}, "direct:0xD010", 20u, nullptr},
        {"empty values are not given", {{"Port", ""}, {"SettleUs", " "}}, std::nullopt, std::nullopt, nullptr},
        {"a device", {{"Port", "/dev/parport1"}}, "/dev/parport1", std::nullopt, nullptr},
        {"largest settling time", {{"SettleUs", "100000"}}, std::nullopt, 100000u, nullptr},
        {"bad base", {{"Port", "direct:0xD011"}}, "direct:0xD011", std::nullopt, "direct:0xD011"},
        {"not a port", {{"Port", "lpt1"}}, "lpt1", std::nullopt, "lpt1"},
        {"not a number", {{"SettleUs", "abc"}}, std::nullopt, std::nullopt, "abc"},
        {"negative", {{"SettleUs", "-5"}}, std::nullopt, std::nullopt, "-5"},
        {"too long", {{"SettleUs", "100001"}}, std::nullopt, std::nullopt, "100001"},
        {"trailing text", {{"SettleUs", "20us"}}, std::nullopt, std::nullopt, "20us"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PortSettings s = FromFile(c.entries);
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(s.settleUs, c.settle);
        EXPECT_EQ(s.problems.size(), c.problem ? 1u : 0u);
        if (c.problem) {
            EXPECT_TRUE(Mentions(s.problems, std::string("\"") + c.problem + "\""));
            EXPECT_TRUE(Mentions(s.problems, "/opt/porvik/QorelIsp.ini"));
        }
    }
}

TEST(PortSettings, CommandLineThenEnvironmentThenKeptThenSettingsFileThenAuto)
{
    using S = StartPort::Source;
    const PortSettings file = FromFile({{"Port", "direct:0xD010"}});
    const std::optional<std::string> kept = "/dev/parport1";
    struct Case {
        std::optional<std::string> cli;
        const char* env;
        std::optional<std::string> kept;
        PortSettings settings;
        S source;
        std::string port; // PortChoiceText
    };
    const Case cases[] = {
        {"virtual", "direct", kept, file, S::CommandLine, "virtual"},
        {std::string(), "direct", kept, file, S::Environment, "direct"},
        {std::nullopt, "", kept, file, S::Remembered, "/dev/parport1"},
        {std::nullopt, nullptr, std::nullopt, file, S::SettingsFile, "direct:0xD010"},
        {std::nullopt, nullptr, std::string("no longer a port"), file, S::SettingsFile, "direct:0xD010"},
        {std::nullopt, nullptr, std::nullopt, {}, S::Default, "auto"},
        // A settings value not understood fails visibly by its name, as PORVIK_PORT does.
        {std::nullopt, nullptr, std::nullopt, FromFile({{"Port", "lpt1"}}), S::SettingsFile, "lpt1"},
    };
    for (const Case& c : cases) {
        const StartPort start = ChooseStartPort(c.cli, c.env, c.kept, c.settings);
        EXPECT_EQ(start.source, c.source) << c.port;
        EXPECT_EQ(PortChoiceText(start.choice), c.port);
    }
}

TEST(PortSettings, KeepingAPortAndTheStatusLineSayingSo)
{
    PortChoice card{PortChoice::Direct};
    card.base = 0xD010;
    // Ticking keeps the port in use; unticking forgets it; another kept port is replaced.
    EXPECT_EQ(KeptAfterToggle(card, std::nullopt), "direct:0xD010");
    EXPECT_TRUE(IsKeptPort(card, "direct:0xd010"));
    EXPECT_EQ(KeptAfterToggle(card, "direct:0xd010"), std::nullopt);
    EXPECT_FALSE(IsKeptPort(card, "direct"));
    EXPECT_EQ(KeptAfterToggle(card, "direct"), "direct:0xD010");

    const StartPort fromFile = ChooseStartPort(std::nullopt, nullptr, std::nullopt, FromFile({{"Port", "direct:0xD010"}}));
    const std::string status = "正在使用并口: direct 0xd010\n引脚表: 内置";
    const std::string kept = WithStartNote(status, StartPortNote(fromFile, FromFile({}), 0, true));
    EXPECT_EQ(kept.substr(0, kept.find('\n')), "正在使用并口: direct 0xd010") << "the port's own line first";
    EXPECT_NE(kept.find("已保留"), std::string::npos);
    EXPECT_NE(kept.find("引脚表"), std::string::npos);
    const std::string named = StartPortNote(fromFile, FromFile({{"Port", "direct:0xD010"}}), 40, false);
    EXPECT_NE(named.find("/opt/porvik/QorelIsp.ini"), std::string::npos);
    EXPECT_NE(named.find("40 微秒"), std::string::npos);
    EXPECT_EQ(WithStartNote(status, ""), status);
}
