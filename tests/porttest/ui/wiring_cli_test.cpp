// porvik --wiring-test end to end: the built program, without a display, by its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "temp_dir.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
};

Outcome Porvik(const std::string& args, const std::string& env = "-u PORVIK_PORT")
{
    // No display of any kind: a production bench may have none.
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " " PORVIK_PATH " " + args + " 2>/dev/null";
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

TEST(WiringCommand, ExitCodesAndTable)
{
    struct Row {
        const char* args;
        int exitCode;
        const char* out; // part of standard output
        const char* settings = "";
    };
    const Row rows[] = {
        {"--wiring-test --port=virtual", 0, "结论: 通过"},
        {"--wiring-test --port=virtual:open=2-15", 1, "PIN2    PIN15   失败"},
        {"--wiring-test --port=virtual:open=2-15,open=14-12,short=14-15 --cable qorel", 0, "PIN14   PIN15   通过"},
        {"--wiring-test --port=virtual:open=2-3", 2, ""},
        {"--port=virtual --cable atmel", 2, ""},
        {"--wiring-test --port=virtual:open=2-15 --repeat 3", 1, "PIN2    PIN15   失败 3/3 次"},
        {"--wiring-test --port=virtual --repeat 0", 2, ""},
        {"--port=virtual --repeat 2", 2, ""},
        {"--wiring-test --port=virtual --report /nonexistent/dir/r.json", 3, "结论: 通过"},
        {"--wiring-test --port=/nonexistent/parport9", 3, "结论: 未测试"},
        {"--wiring-test --port=virtual:flaky=2-15:0.05,seed=3 --repeat 20", 1, "PIN2    PIN15   失败"},
        // A map that cannot be tested is the settings' fault, and the file's words are shown.
        {"--wiring-test --port=virtual --cable qorel", 4, "警告: 第 3 行 \"MOSI=2\": 与 OE 同用 PIN2",
         "[引脚控制]\nMSOI=5\nMOSI=2\n"},
        {"--wiring-test --port=virtual:open=2-15,open=14-12,short=14-15 --cable qorel", 0,
         "警告: 第 2 行 \"MSOI=5\": [引脚控制] 中没有 \"MSOI\" 这一项", "[引脚控制]\nMSOI=5\n"},
    };
    for (const Row& row : rows) {
        TempDir config; // no settings file but the row's
        if (*row.settings) {
            std::filesystem::create_directories(config.Path() / "porvik");
            std::ofstream(config.Path() / "porvik" / "QorelIsp.ini", std::ios::binary) << row.settings;
        }
        const Outcome run = Porvik(row.args, "-u PORVIK_PORT XDG_CONFIG_HOME=" + config.Path().string() +
                                                 " XDG_CONFIG_DIRS=" + config.Path().string());
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args << "\n" << run.out;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << row.args << "\n" << run.out;
    }
}

TEST(WiringCommand, PortAndSettlingTimeFromTheSettingsFile)
{
    TempDir home;
    std::filesystem::create_directories(home.Path().string() + "/porvik");
    auto settings = [&](const std::string& entries) {
        std::ofstream(home.Path().string() + "/porvik/QorelIsp.ini") << "[端口]\n" << entries;
        return "-u PORVIK_PORT XDG_CONFIG_HOME=" + home.Path().string();
    };
    struct Row {
        const char* entries;
        const char* env; // besides the settings file
        const char* args;
        int exitCode;
    };
    const Row rows[] = {
        {"Port=virtual:open=2-15\n", "", "--wiring-test", 1},            // the file's port
        {"Port=virtual:open=2-15\n", "", "--wiring-test --port=virtual", 0}, // the option wins
        {"Port=virtual:open=2-15\n", "PORVIK_PORT=virtual", "--wiring-test", 0},
        {"Port=virtual\nSettleUs=30\n", "", "--wiring-test", 0},
        {"Port=virtual\n", "", "--wiring-test --settle-us 30", 0},
        {"Port=direct:0xD011\n", "", "--wiring-test", 4},                // settings error
        {"Port=virtual\nSettleUs=abc\n", "", "--wiring-test", 4},
        {"", "", "--wiring-test --port=virtual --settle-us 100001", 2},   // usage errors
        {"", "", "--wiring-test --port=direct:0x12", 2},
        {"", "PORVIK_PORT=direct:0xD01", "--wiring-test", 2},
    };
    for (const Row& row : rows) {
        const Outcome run = Porvik(row.args, settings(row.entries) + " " + row.env);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.entries << row.env << " " << row.args << "\n" << run.out;
    }
}
