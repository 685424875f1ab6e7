// What the tester window does, decided without a window: the command table, the session's view
// after a port failure, and the wiring dialog's rows and wiggle test.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "portchoice.h"
#include "recording_port.h"
#include "temp_dir.h"
#include "testersession.h"
#include "testertexts.h"

namespace {

WiringReport Report(bool pass, bool tested = true)
{
    WiringReport r;
    r.wiringName = "标准回环插头";
    r.noPort = !tested;
    r.wires = {{2, 15, true, pass, pass ? "" : "断开", tested}, {1, 13, true, true, "", tested}};
    return r;
}

} // namespace

TEST(CommandTable, EachCommandHasOneRowAndEachKeyAndButtonOneCommand)
{
    std::set<std::pair<TesterKey, bool>> keys;
    std::set<int> controls;
    int index = 0;
    for (const TesterCommandRow& row : TesterCommands()) {
        EXPECT_EQ(static_cast<int>(row.id), index++); // CommandRow looks rows up by number
        EXPECT_EQ(&CommandRow(row.id), &row);
        if (row.key != TesterKey::None) {
            EXPECT_TRUE(keys.insert({row.key, row.shift}).second);
        }
        if (row.control) {
            EXPECT_TRUE(controls.insert(row.control).second);
        }
    }
    EXPECT_EQ(index, kTesterCommands);
    EXPECT_EQ(CommandForKey(TesterKey::F5, true)->id, TesterCommand::WiringCable);
    EXPECT_EQ(CommandForKey(TesterKey::Enter, false)->id, TesterCommand::Ok);
    EXPECT_EQ(CommandForKey(TesterKey::F1, true), nullptr);
    for (int control : kToggleControls)
        EXPECT_NE(CommandForControl(control), nullptr);
    EXPECT_EQ(CommandForControl(IDC_PIN2), nullptr); // pin boxes are ClickPin's
}

TEST(TesterSession, OffersToReopenThePortOnlyOnceItFailed)
{
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CTesterSession session(platform, prompt, kTryVirtualPortHint);
    session.Start();
    EXPECT_EQ(session.View().statusTone, Tone::Normal);
    EXPECT_FALSE(session.View().Enabled(TesterCommand::ReopenPort));
    EXPECT_EQ(session.Run(TesterCommand::ReopenPort), CTesterSession::Effect::None);

    platform.inUse.failed = true;
    platform.failureReason = "并口访问失败。";
    session.Run(TesterCommand::Refresh); // the failure shows at the next read
    EXPECT_EQ(session.View().statusTone, Tone::Warning);
    EXPECT_TRUE(session.View().Enabled(TesterCommand::ReopenPort));
    EXPECT_EQ(session.Run(TesterCommand::ReopenPort), CTesterSession::Effect::Reopen);
    EXPECT_EQ(session.PressKey(TesterKey::Escape, false), CTesterSession::Effect::End);
    EXPECT_EQ(session.PressKey(TesterKey::Enter, false), CTesterSession::Effect::None);
}

TEST(WiringSession, RowsWithoutAPortAreUntestedAndTheWiggleTestIsNotOffered)
{
    CWiringSession session(Report(false, false), [] { return Report(true); });
    for (const WiringRowView& row : session.View().rows) {
        EXPECT_EQ(row.cells[2], "未测试");
        EXPECT_EQ(row.tone, Tone::Untested);
    }
    EXPECT_TRUE(session.View().repeatOffered);
    EXPECT_FALSE(session.View().repeatEnabled);
    session.ToggleRepeat();
    EXPECT_FALSE(session.Repeating());
}

TEST(WiringSession, WiggleTestStopsAndIsDisabledOnceThePortFails)
{
    bool works = true;
    int run = 0;
    CWiringSession session(
        Report(true),
        [&] {
            WiringReport r = Report(++run != 2);
            if (run == 3) {
                r.portFailed = true;
                works = false;
            }
            return r;
        },
        [&] { return works; });
    ASSERT_TRUE(session.View().repeatEnabled);
    session.ToggleRepeat();
    EXPECT_EQ(session.View().repeatCaption, kStopRepeatButton);
    session.RunOnce();
    session.RunOnce();
    EXPECT_EQ(session.View().rows[0].cells[2], "失败 1/2 次");
    EXPECT_EQ(session.View().rows[0].tone, Tone::Fail);
    session.RunOnce(); // the port fails
    EXPECT_FALSE(session.Repeating());
    EXPECT_EQ(session.View().repeatCaption, kRepeatButton);
    EXPECT_FALSE(session.View().repeatEnabled);
    EXPECT_EQ(session.View().rows[0].cells[2], "失败 1/2 次"); // the runs finished before are kept
    EXPECT_EQ(session.View().summary.rfind("结论: 并口访问失败", 0), 0u) << session.View().summary;
}

TEST(WiringSession, SaveWritesTheRecordOrSaysWhyNot)
{
    TempDir dir;
    CWiringSession session(Report(true));
    const std::string file = dir.Dir() + "报告.json";
    EXPECT_EQ(session.Save(file), std::nullopt);
    std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"runs\": 1"), std::string::npos) << text.str();
    const auto error = session.Save(dir.Dir() + "no-such-folder" + kPathSeparator + "r.json");
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("no-such-folder"), std::string::npos);
}

TEST(PortOffers, ThePortStartedOnIsListedOnce)
{
    const std::vector<PortOffer> found = PortOffers({{"/dev/parport0", 0x378, ""}});
    const PortChoice device{PortChoice::Device, "/dev/parport7"};
    const auto offers = WithCurrentPort(found, device);
    ASSERT_EQ(offers.size(), found.size() + 1);
    EXPECT_EQ(offers.back().choice, device);
    EXPECT_EQ(offers.back().label, "/dev/parport7 (启动时所选)");
    EXPECT_EQ(WithCurrentPort(found, PortChoice{PortChoice::Device, "/dev/parport0"}).size(), found.size());
    EXPECT_EQ(WithCurrentPort(found, PortChoice{PortChoice::Virtual}).size(), found.size());
}
